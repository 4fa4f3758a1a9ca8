// The QPainter backend of the renderer: draws on any paint device (a
// widget's back buffer, a QImage, a QPrinter). The only Qt-aware part of
// the diagram library (target vexil_qt).
#pragma once

#include <QFont>

#include "vexil/renderer.h"

class QPainter;
class QPaintDevice;

// A device for renderer_set_dc: draws with `painter` (may be null for a
// measuring-only device) and measures on `measure_device` (null: the
// painter's device). Dots per inch come from the measuring device.
vexil_dc* vexil_qt_dc_create(QPainter* painter, QPaintDevice* measure_device);
void vexil_qt_dc_free(vexil_dc* dc);
// Replaces the painter (e.g. for each paint event of a view).
void vexil_qt_dc_set_painter(vexil_dc* dc, QPainter* painter);

extern const renderer_ops vexil_qt_renderer_ops;
extern const interactive_renderer_ops vexil_qt_interactive_ops;

// The font the renderer draws a family and height with.
QFont vexil_qt_font(renderer* r, const char** family, double height);
