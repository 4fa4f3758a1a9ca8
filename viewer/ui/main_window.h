// The viewer's main window: the variable list above the chart of the chosen
// column against time, with Copy and Close below; a right click on the chart
// offers Copy and Format Axis, a double click opens Format Axis.
#pragma once

#include "plot_data.h"
#include "result_data.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QMenu;
class QAction;
class QPushButton;
class QChart;
class QLineSeries;
class QValueAxis;

namespace tessel {

class PlotView;

// One axis of the chart as Format Axis sees it: the value scale and where the
// other axis crosses this one.
struct AxisState {
    bool autoScale = true;
    double minimum = 0.0;
    double maximum = 1.0;
    int majorDivision = 5;  // major divisions of the scale
    int minorDivision = 1;  // minor divisions per major division
    bool autoIntersection = true;
    double intersection = 0.0;  // on the partner axis's scale
};

inline const QString kMainCaption = QStringLiteral("Orvane - Trendplot");

class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);

    // Where the variable conversion files are read (the program's folder
    // unless set).
    void SetProgramDir(const QString& dir) { programDir_ = dir; }

    // Start: parses the command line, checks the file, sets the caption, sets
    // up the chart and reads the file. False when the program should end.
    bool Start(const QStringList& arguments);

    void InitPlotChart();
    // False when the file could not be read (the reader has said why).
    bool ReadResultFile(const QString& fileName);
    void updateplot();
    void ShowFormatAxis();
    // Puts the axis settings on the chart: automatic scales follow the data,
    // manual ones are applied as set; crossing lines follow the intersections.
    void RefreshChart();

    // Copy (button and menu): the chart's picture and its data.
    void onCopy();
    // A right button on the chart opens the Edit menu.
    void onPlotMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint position);

    // Axis 0 is the time axis, axis 1 the value axis.
    AxisState& Axis(int id) { return axes_[id]; }
    const ResultData& Data() const { return data_; }
    QChart* Chart() const { return chart_; }
    QLineSeries* Series() const { return series_; }
    QValueAxis* QtAxis(int id) const { return id == 0 ? axisX_ : axisY_; }
    // The lines that show where an axis with a manual intersection crosses:
    // index 0 the time axis (horizontal, at a value), 1 the value axis
    // (vertical, at a time).
    QLineSeries* CrossingLine(int id) const { return crossing_[id]; }
    PlotView* pltPlot() const { return pltPlot_; }
    QMenu* mnuEdit() const { return mnuEdit_; }

protected:
    // The first show keeps the whole window on the screen it opens on.
    void showEvent(QShowEvent* event) override;

private:
    void ApplyScale(int id, const std::vector<double>& values);

    ResultData data_;
    QString programDir_;
    PlotColumn plotted_;
    bool fitted_ = false;  // the first show has kept the window on its screen
    AxisState axes_[2];

    QComboBox* lstVariable_ = nullptr;
    QComboBox* lstColumn_ = nullptr;
    QPushButton* cmdCopy_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    PlotView* pltPlot_ = nullptr;
    QChart* chart_ = nullptr;
    QLineSeries* series_ = nullptr;
    QLineSeries* crossing_[2] = {nullptr, nullptr};
    QValueAxis* axisX_ = nullptr;
    QValueAxis* axisY_ = nullptr;
    QMenu* mnuEdit_ = nullptr;
};

}  // namespace tessel
