#include "plot_view.h"

#include <QMouseEvent>

namespace tessel {

PlotView::PlotView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {}

void PlotView::mouseDoubleClickEvent(QMouseEvent* event) {
    QChartView::mouseDoubleClickEvent(event);
    emit DblClick();
}

void PlotView::mousePressEvent(QMouseEvent* event) {
    QChartView::mousePressEvent(event);
    emit MouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

}  // namespace tessel
