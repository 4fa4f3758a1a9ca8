// The chart control of the main window: a chart view that reports a double
// click and a mouse button going down, as the window's handlers expect.
#pragma once

#include <QtCharts/QChartView>

namespace tessel {

class PlotView : public QChartView {
    Q_OBJECT
public:
    explicit PlotView(QChart* chart, QWidget* parent = nullptr);

signals:
    void DblClick();
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint position);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace tessel
