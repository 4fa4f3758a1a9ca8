// A QImage at 254 dpi (100 pixels per centimetre) with a renderer on it.
#pragma once

#include <QImage>
#include <QPainter>

#include "support.h"
#include "vexil/render_qt.h"

// A diagram 0..4 x 0..3 cm drawn on a white 400 x 300 image.
struct Canvas {
    explicit Canvas(double w = 4, double h = 3) {
        data = diagram_data_create();
        data->extents = {0, 0, h, w};
        image = QImage((int)(w * 100), (int)(h * 100), QImage::Format_RGB32);
        image.setDotsPerMeterX(10000);
        image.setDotsPerMeterY(10000);
        image.fill(Qt::white);
        painter = new QPainter(&image);
        dc = vexil_qt_dc_create(painter, &image);
        r = renderer_create(data, 1, 1.0);
        renderer_set_dc(r, data, dc, nullptr, 1, 1.0, 100000, 100000);
        renderer_set_current(r);
        r->ops->begin_render(r);
    }
    ~Canvas() {
        renderer_set_current(nullptr);
        delete painter;
        renderer_free(r);
        vexil_qt_dc_free(dc);
        diagram_data_free(data);
    }
    QRgb at(int x, int y) {
        painter->end();
        QRgb c = image.pixel(x, y) & 0xffffff;
        painter->begin(&image);
        return c;
    }
    void clear() {
        painter->end();
        image.fill(Qt::white);
        painter->begin(&image);
    }
    // Black pixels on a row between two columns (inclusive).
    int black_on_row(int y, int x1, int x2) {
        int n = 0;
        for (int x = x1; x <= x2; x++) n += at(x, y) == 0u;
        return n;
    }
    diagram_object* add(const char* type, double x, double y) {
        diagram_object* obj = create_object(type, x, y);
        layer_add_object(data->active_layer, obj);
        return obj;
    }
    diagram_data* data;
    QImage image;
    QPainter* painter;
    vexil_dc* dc;
    renderer* r;
};
