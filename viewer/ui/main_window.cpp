#include "main_window.h"

#include "command_line.h"
#include "data_dir.h"
#include "options_dialog.h"
#include "message_box.h"
#include "plot_view.h"
#include "text_utils.h"
#include "variable_list.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>

namespace tessel {

namespace {

// The curve's colour and the crossing lines' colour; tests look for them.
const QColor kCurveColour(0, 0, 192);
const QColor kCrossingColour(Qt::black);

QWidget* WhitePane(QWidget* parent, const QString& name) {
    auto* pane = new QWidget(parent);
    pane->setObjectName(name);
    pane->setAutoFillBackground(true);
    QPalette palette = pane->palette();
    palette.setColor(QPalette::Window, Qt::white);
    pane->setPalette(palette);
    return pane;
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kMainCaption);
    programDir_ = DataDirOf(QCoreApplication::applicationDirPath());

    auto* top = WhitePane(this, QStringLiteral("picTop"));
    auto* topLayout = new QHBoxLayout(top);
    auto* label = new QLabel(QStringLiteral("Plot Variable:"), top);
    label->setObjectName(QStringLiteral("lblVariable"));
    lstVariable_ = new QComboBox(top);
    lstVariable_->setObjectName(QStringLiteral("lstVariable"));
    lstVariable_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    lstColumn_ = new QComboBox(top);
    lstColumn_->setObjectName(QStringLiteral("lstColumn"));
    lstColumn_->setVisible(false);
    topLayout->addWidget(label);
    topLayout->addWidget(lstVariable_, 1);
    topLayout->addWidget(lstColumn_);

    chart_ = new QChart();
    pltPlot_ = new PlotView(chart_, this);
    pltPlot_->setObjectName(QStringLiteral("pltPlot"));
    pltPlot_->setRenderHint(QPainter::Antialiasing);

    auto* bottom = WhitePane(this, QStringLiteral("picBottom"));
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->addStretch(1);
    auto* right = WhitePane(bottom, QStringLiteral("picRight"));
    auto* rightLayout = new QHBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    cmdCopy_ = new QPushButton(QStringLiteral("&Copy"), right);
    cmdCopy_->setObjectName(QStringLiteral("cmdCopy"));
    cmdClose_ = new QPushButton(QStringLiteral("C&lose"), right);
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));
    rightLayout->addWidget(cmdCopy_);
    rightLayout->addWidget(cmdClose_);
    bottomLayout->addWidget(right);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(top);
    layout->addWidget(pltPlot_, 1);
    layout->addWidget(bottom);

    mnuEdit_ = new QMenu(QStringLiteral("Edit"), this);
    mnuEdit_->setObjectName(QStringLiteral("mnuEdit"));
    QAction* copy = mnuEdit_->addAction(QStringLiteral("&Copy"));
    copy->setObjectName(QStringLiteral("mnuCopy"));
    QAction* format = mnuEdit_->addAction(QStringLiteral("F&ormat Axis"));
    format->setObjectName(QStringLiteral("mnuFormatAxis"));

    connect(cmdCopy_, &QPushButton::clicked, this, &frmMain::onCopy);
    connect(cmdClose_, &QPushButton::clicked, this, &frmMain::close);
    connect(lstVariable_, &QComboBox::currentIndexChanged, this, &frmMain::updateplot);
    connect(copy, &QAction::triggered, this, &frmMain::onCopy);
    connect(format, &QAction::triggered, this, &frmMain::ShowFormatAxis);
    connect(pltPlot_, &PlotView::DblClick, this, &frmMain::ShowFormatAxis);
    connect(pltPlot_, &PlotView::MouseDown, this, &frmMain::onPlotMouseDown);

    resize(900, 640);
}

void frmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (fitted_) return;
    fitted_ = true;
    QScreen* on = screen();
    if (!on) return;
    // A window manager may place the window anywhere, and a small screen (1000
    // pixels high, less its panels) must still show the buttons at the bottom.
    const QRect room = on->availableGeometry();
    const QSize frame = frameGeometry().size() - size();
    const QSize most(room.width() - frame.width(), room.height() - frame.height());
    if (width() > most.width() || height() > most.height())
        resize(std::min(width(), most.width()), std::min(height(), most.height()));
    QRect placed = frameGeometry();
    if (placed.bottom() > room.bottom()) placed.moveBottom(room.bottom());
    if (placed.right() > room.right()) placed.moveRight(room.right());
    if (placed.top() < room.top()) placed.moveTop(room.top());
    if (placed.left() < room.left()) placed.moveLeft(room.left());
    if (placed.topLeft() != frameGeometry().topLeft()) move(placed.topLeft());
}

bool frmMain::Start(const QStringList& arguments) {
    const CommandLine command = ParseCommandLine(arguments);
    if (command.empty) {
        MsgBox(UsageMessage(), MB_OK);
        return false;
    }
    data_.UnitSys = command.UnitSys;
    data_.IsPlt = IsResultTimeSeries(command.fileName);
    if (!FileExists(command.fileName)) {
        MsgBox(command.fileName + QStringLiteral(" does not exist or has been moved!"),
               MB_ICONEXCLAMATION);
        return false;
    }
    setWindowTitle(kMainCaption + QStringLiteral(" [") + command.fileName + QStringLiteral("]"));
    InitPlotChart();
    // A file that cannot be read has been reported; an empty chart would only
    // look like a result.
    return ReadResultFile(command.fileName);
}

void frmMain::InitPlotChart() {
    // A white window: panes, the chart's surroundings and the chart itself.
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    pltPlot_->setBackgroundBrush(Qt::white);
    chart_->setBackgroundBrush(Qt::white);
    chart_->legend()->hide();
    chart_->setTitleFont(QFont(QStringLiteral("Arial"), 14));
    chart_->setTitle(QStringLiteral("Tessel"));

    if (!series_) {
        series_ = new QLineSeries(chart_);
        series_->setObjectName(QStringLiteral("series"));
        series_->setPen(QPen(kCurveColour, 2));
        chart_->addSeries(series_);
        axisX_ = new QValueAxis(chart_);
        axisX_->setObjectName(QStringLiteral("axisTime"));
        axisY_ = new QValueAxis(chart_);
        axisY_->setObjectName(QStringLiteral("axisValue"));
        for (QValueAxis* axis : {axisX_, axisY_}) {
            axis->setLabelFormat(QStringLiteral("%g"));
            axis->setTitleFont(QFont(QStringLiteral("Arial"), 12));
        }
        chart_->addAxis(axisX_, Qt::AlignBottom);
        chart_->addAxis(axisY_, Qt::AlignLeft);
        series_->attachAxis(axisX_);
        series_->attachAxis(axisY_);
        for (int id = 0; id < 2; ++id) {
            crossing_[id] = new QLineSeries(chart_);
            crossing_[id]->setObjectName(id == 0 ? QStringLiteral("crossingTime")
                                                 : QStringLiteral("crossingValue"));
            crossing_[id]->setPen(QPen(kCrossingColour, 1));
            chart_->addSeries(crossing_[id]);
            crossing_[id]->attachAxis(axisX_);
            crossing_[id]->attachAxis(axisY_);
            crossing_[id]->setVisible(false);
        }
    }
    // Placeholder data of two rows, all 0.
    series_->replace(QList<QPointF>{QPointF(0, 0), QPointF(0, 0)});
    axisX_->setTitleText(QStringLiteral("Time [min] "));
    axisY_->setTitleText(QStringLiteral("Pressure [bar]"));
    plotted_ = PlotColumn();
    RefreshChart();
}

bool frmMain::ReadResultFile(const QString& fileName) {
    if (!tessel::ReadResultFile(data_, fileName, programDir_)) return false;
    {
        const QSignalBlocker blocker(lstVariable_);
        lstVariable_->clear();
        lstColumn_->clear();
        for (const VariableEntry& entry : BuildVariableList(data_)) {
            lstVariable_->addItem(entry.text);
            lstColumn_->addItem(QString::number(entry.column));
        }
        if (lstVariable_->count() > 0) lstVariable_->setCurrentIndex(0);
    }
    updateplot();
    return true;
}

void frmMain::updateplot() {
    if (data_.nRow < 2) return;
    const int index = lstVariable_->currentIndex();
    if (index < 0 || index >= lstColumn_->count()) return;  // nothing listed: the chart stays
    const int column = lstColumn_->itemText(index).toInt();
    PlotColumn column_data;
    if (!BuildPlotColumn(data_, column, column_data)) return;
    plotted_ = column_data;
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(plotted_.x.size()));
    for (size_t i = 0; i < plotted_.x.size(); ++i)
        points.append(QPointF(plotted_.x[i], plotted_.y[i]));
    series_->replace(points);
    axisY_->setTitleText(plotted_.valueTitle);
    axisX_->setTitleText(plotted_.timeTitle);
    chart_->setTitle(lstVariable_->currentText());
    RefreshChart();
}

void frmMain::ApplyScale(int id, const std::vector<double>& values) {
    AxisState& state = axes_[id];
    QValueAxis* axis = QtAxis(id);
    if (state.autoScale) {
        double low = 0.0, high = 0.0;
        if (!values.empty()) {
            const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
            low = *lo;
            high = *hi;
        }
        if (high - low <= std::max(std::fabs(high), std::fabs(low)) * 1e-12) {
            const double pad = low == 0.0 ? 1.0 : std::fabs(low) * 0.1;
            low -= pad;
            high += pad;
        }
        // Of the nice scales with 4 to 8 major divisions, the one that wastes
        // the least room around the data.
        double bestMin = low, bestMax = high;
        int bestTicks = 6;
        for (int ticks = 5; ticks <= 9; ++ticks) {
            axis->setRange(low, high);
            axis->setTickCount(ticks);
            axis->applyNiceNumbers();
            if (ticks == 5 || axis->max() - axis->min() < bestMax - bestMin) {
                bestMin = axis->min();
                bestMax = axis->max();
                bestTicks = axis->tickCount();
            }
        }
        axis->setRange(bestMin, bestMax);
        axis->setTickCount(bestTicks);
        axis->setMinorTickCount(0);
        state.minimum = axis->min();
        state.maximum = axis->max();
        state.majorDivision = axis->tickCount() - 1;
        state.minorDivision = axis->minorTickCount() + 1;
    } else {
        axis->setRange(state.minimum, state.maximum);
        axis->setTickCount(state.majorDivision + 1);
        axis->setMinorTickCount(state.minorDivision - 1);
    }
}

void frmMain::RefreshChart() {
    std::vector<double> xs, ys;
    if (plotted_.x.empty()) {
        xs = {0.0, 0.0};
        ys = {0.0, 0.0};
    } else {
        xs = plotted_.x;
        ys = plotted_.y;
    }
    ApplyScale(0, xs);
    ApplyScale(1, ys);
    // Qt Charts draws no axis crossing: a manual intersection is shown as a
    // line at the crossing value. An automatic one sits at the partner's
    // minimum, where the axes meet.
    for (int id = 0; id < 2; ++id) {
        AxisState& state = axes_[id];
        const AxisState& partner = axes_[1 - id];
        if (state.autoIntersection) state.intersection = partner.minimum;
        QLineSeries* line = crossing_[id];
        if (!line) continue;
        if (state.autoIntersection) {
            line->clear();
            line->setVisible(false);
        } else if (id == 0) {
            line->replace(QList<QPointF>{QPointF(axes_[0].minimum, state.intersection),
                                         QPointF(axes_[0].maximum, state.intersection)});
            line->setVisible(true);
        } else {
            line->replace(QList<QPointF>{QPointF(state.intersection, axes_[1].minimum),
                                         QPointF(state.intersection, axes_[1].maximum)});
            line->setVisible(true);
        }
    }
    chart_->update();
    pltPlot_->viewport()->update();
}

void frmMain::ShowFormatAxis() {
    frmOptions options(this);
    options.Load();
    CenterForm(&options, this);
    options.exec();
}

void frmMain::onCopy() {
    // The chart's picture, and the data it shows as tab-separated text.
    auto* mime = new QMimeData();
    mime->setImageData(pltPlot_->grab().toImage());
    QString text =
        axisX_->titleText() + QLatin1Char('\t') + axisY_->titleText() + QLatin1Char('\n');
    for (size_t i = 0; i < plotted_.x.size(); ++i)
        text += PlainDecimal(plotted_.x[i]) + QLatin1Char('\t') + PlainDecimal(plotted_.y[i]) +
                QLatin1Char('\n');
    mime->setText(text);
    QGuiApplication::clipboard()->setMimeData(mime);
}

void frmMain::onPlotMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, QPoint position) {
    if (button == Qt::RightButton) mnuEdit_->popup(pltPlot_->mapToGlobal(position));
}

}  // namespace tessel
