// QPainter backend: device coordinates come from the renderer's transform,
// drawn aliased so that a line from pixel 10 to 20 covers 10..20.
#include "vexil/render_qt.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <glib.h>

#include <cmath>

#include "vexil/message.h"

namespace {

struct qt_backend {
    QPainter* painter;
    QPaintDevice* device;
};

qt_backend* backend(renderer* r) {
    return r->dc ? static_cast<qt_backend*>(r->dc->backend) : nullptr;
}

QPainter* painter_of(renderer* r) {
    qt_backend* b = backend(r);
    return b ? b->painter : nullptr;
}

QPaintDevice* measure_device(renderer* r) {
    vexil_dc* dc = r->attr_dc ? r->attr_dc : r->dc;
    return dc ? static_cast<qt_backend*>(dc->backend)->device : nullptr;
}

QColor qcolor(const Color* c) {
    return QColor((int)(c->red * 255), (int)(c->green * 255), (int)(c->blue * 255));
}

Qt::PenStyle pen_style(int style) {
    switch (style) {
        case LINESTYLE_DASHED:
            return Qt::DashLine;
        case LINESTYLE_DASH_DOT:
            return Qt::DashDotLine;
        case LINESTYLE_DASH_DOT_DOT:
            return Qt::DashDotDotLine;
        case LINESTYLE_DOTTED:
            return Qt::DotLine;
        default:
            return Qt::SolidLine;
    }
}

// Selects the pen of the current style and width (the null pen without colour)
// and no brush, for one call.
void use_pen(QPainter* p, renderer* r, const Color* color) {
    if (!color) {
        p->setPen(Qt::NoPen);
    } else {
        QPen pen(qcolor(color));
        pen.setWidth(r->line_width);  // 0: cosmetic
        pen.setStyle(pen_style(r->line_style));
        p->setPen(pen);
    }
    p->setBrush(Qt::NoBrush);
}

void use_brush(QPainter* p, const Color* color) {
    p->setPen(Qt::NoPen);
    p->setBrush(QBrush(qcolor(color)));
}

QPoint dev(renderer* r, const Point* pt) {
    int x, y;
    renderer_transform(r, pt, &x, &y);
    return QPoint(x, y);
}

QPolygon polygon(renderer* r, const Point* points, int n) {
    QPolygon poly;
    for (int i = 0; i < n; i++) poly << dev(r, &points[i]);
    return poly;
}

// The box of centre +- half sizes in device coordinates.
QRect box(renderer* r, const Point* center, double width, double height) {
    Point a{center->x - width / 2, center->y - height / 2},
        b{center->x + width / 2, center->y + height / 2};
    QPoint pa = dev(r, &a), pb = dev(r, &b);
    return QRect(QPoint(std::min(pa.x(), pb.x()), std::min(pa.y(), pb.y())),
                 QSize(std::abs(pb.x() - pa.x()), std::abs(pb.y() - pa.y())));
}

void qt_begin(renderer* r) {
    if (QPainter* p = painter_of(r)) {
        p->setBrush(Qt::NoBrush);
        p->setRenderHint(QPainter::Antialiasing, false);
        p->setRenderHint(QPainter::TextAntialiasing, false);
    }
}

void qt_end(renderer*) {}

void qt_draw_line(renderer* r, const Point* start, const Point* end, const Color* color) {
    QPainter* p = painter_of(r);
    if (!p) return;
    use_pen(p, r, color);
    p->drawLine(dev(r, start), dev(r, end));
}

void qt_draw_polyline(renderer* r, const Point* points, int n, const Color* color) {
    QPainter* p = painter_of(r);
    if (!p || n < 2) return;
    use_pen(p, r, color);
    p->drawPolyline(polygon(r, points, n));
}

void qt_draw_polygon(renderer* r, const Point* points, int n, const Color* color) {
    QPainter* p = painter_of(r);
    if (!p || n < 2) return;
    use_pen(p, r, color);
    p->drawPolygon(polygon(r, points, n));
}

void qt_fill_polygon(renderer* r, const Point* points, int n, const Color* color) {
    QPainter* p = painter_of(r);
    if (!p || n < 3) return;
    use_brush(p, color);
    p->drawPolygon(polygon(r, points, n));
    p->setBrush(Qt::NoBrush);
}

void qt_draw_rect(renderer* r, const Point* ul, const Point* lr, const Color* color) {
    QPainter* p = painter_of(r);
    if (!p) return;
    use_pen(p, r, color);
    QPoint a = dev(r, ul), b = dev(r, lr);
    p->drawRect(QRect(a, QSize(b.x() - a.x(), b.y() - a.y())));
}

void qt_fill_rect(renderer* r, const Point* ul, const Point* lr, const Color* color) {
    QPainter* p = painter_of(r);
    if (!p) return;
    QPoint a = dev(r, ul), b = dev(r, lr);
    p->fillRect(QRect(a, QSize(b.x() - a.x(), b.y() - a.y())), qcolor(color));
}

void qt_draw_arc(renderer* r, const Point* center, double width, double height, double angle1,
                 double angle2, const Color* color) {
    QPainter* p = painter_of(r);
    if (!p) return;
    use_pen(p, r, color);
    p->drawArc(box(r, center, width, height), (int)(angle1 * 16), (int)((angle2 - angle1) * 16));
}

void qt_fill_arc(renderer* r, const Point* center, double width, double height, double angle1,
                 double angle2, const Color* color) {
    QPainter* p = painter_of(r);
    if (!p) return;
    use_brush(p, color);
    p->drawPie(box(r, center, width, height), (int)(angle1 * 16), (int)((angle2 - angle1) * 16));
    p->setBrush(Qt::NoBrush);
}

void qt_draw_ellipse(renderer* r, const Point* center, double width, double height,
                     const Color* color) {
    QPainter* p = painter_of(r);
    if (!p) return;
    use_pen(p, r, color);
    p->drawEllipse(box(r, center, width, height));
}

void qt_fill_ellipse(renderer* r, const Point* center, double width, double height,
                     const Color* color) {
    QPainter* p = painter_of(r);
    if (!p) return;
    use_brush(p, color);
    p->drawEllipse(box(r, center, width, height));
    p->setBrush(Qt::NoBrush);
}

QPainterPath bezier_path(renderer* r, const BezPoint* points, int n) {
    QPainterPath path;
    if (n < 1) return path;
    path.moveTo(dev(r, &points[0].p1));
    for (int i = 1; i < n; i++) {
        switch (points[i].type) {
            case BEZ_MOVE_TO:
                message_log_warning("only first BezPoint can be a BEZ_MOVE_TO");
                path.moveTo(dev(r, &points[i].p1));
                break;
            case BEZ_LINE_TO:
                path.lineTo(dev(r, &points[i].p1));
                break;
            default:
                path.cubicTo(dev(r, &points[i].p1), dev(r, &points[i].p2), dev(r, &points[i].p3));
                break;
        }
    }
    return path;
}

void qt_draw_bezier(renderer* r, const BezPoint* points, int n, const Color* color) {
    QPainter* p = painter_of(r);
    if (!p) return;
    use_pen(p, r, color);
    p->drawPath(bezier_path(r, points, n));
}

void qt_fill_bezier(renderer* r, const BezPoint* points, int n, const Color* color) {
    QPainter* p = painter_of(r);
    if (!p) return;
    use_brush(p, color);
    p->drawPath(bezier_path(r, points, n));
    p->setBrush(Qt::NoBrush);
}

double text_advance_px(renderer* r, const QFont& font, const QString& text) {
    QPaintDevice* device = measure_device(r);
    QFontMetricsF fm = device ? QFontMetricsF(font, device) : QFontMetricsF(font);
    return fm.horizontalAdvance(text);
}

void qt_draw_string(renderer* r, const char* text, const Point* pos, int alignment,
                    const Color* color) {
    QPainter* p = painter_of(r);
    if (!p || !text) return;
    QFont font = vexil_qt_font(r, r->font, r->font_height);
    QString s = QString::fromUtf8(text);
    double w = text_advance_px(r, font, s);
    QPoint at = dev(r, pos);
    double x = at.x();
    if (alignment == ALIGN_CENTER)
        x -= w / 2;
    else if (alignment == ALIGN_RIGHT)
        x -= w;
    p->setFont(font);
    p->setPen(qcolor(color));
    p->drawText(QPointF(x, at.y()), s);
}

double qt_text_width(renderer* r, const char* text, const char** family, double height) {
    if (!measure_device(r) || std::fabs(r->scale_x) <= 0 || r->zoom <= 0)
        return std::fabs(renderer_font_height_cm(height));
    QFont font = vexil_qt_font(r, family, height);
    return text_advance_px(r, font, QString::fromUtf8(text ? text : "")) / std::fabs(r->scale_x) /
           r->zoom;
}

// Metric in pixels to diagram units through the vertical extent.
double vertical_units(renderer* r, double px) {
    double ppu = renderer_pixels_per_unit_y(r);
    return ppu > 0 ? px / ppu : 0.0;
}

double qt_font_ascent(renderer* r, const char** family, double height) {
    QPaintDevice* device = measure_device(r);
    if (!device) return std::fabs(renderer_font_height_cm(height));
    QFontMetricsF fm(vexil_qt_font(r, family, height), device);
    return vertical_units(r, fm.ascent());
}

double qt_font_descent(renderer* r, const char** family, double height) {
    QPaintDevice* device = measure_device(r);
    if (!device) return 0.0;
    QFontMetricsF fm(vexil_qt_font(r, family, height), device);
    return vertical_units(r, fm.descent());
}

double qt_interactive_text_width(renderer* r, const char* text, int n) {
    if (!r->font_set) return n;
    int bytes = utf8_char_offset(text, n);
    char* part = g_strndup(text ? text : "", (gsize)bytes);
    double w = qt_text_width(r, part, r->font, r->font_height);
    g_free(part);
    return w;
}

// The interactive operations draw straight in device pixels.
void qt_pixel_line(renderer* r, int x1, int y1, int x2, int y2, const Color* color) {
    QPainter* p = painter_of(r);
    if (!p) return;
    use_pen(p, r, color);
    p->drawLine(x1, y1, x2, y2);
}

void qt_pixel_rect(renderer* r, int x, int y, int width, int height, const Color* color) {
    QPainter* p = painter_of(r);
    if (!p) return;
    use_pen(p, r, color);
    p->drawRect(QRect(x, y, width, height));
}

void qt_fill_pixel_rect(renderer* r, int x, int y, int width, int height, const Color* color) {
    QPainter* p = painter_of(r);
    if (!p) return;
    p->fillRect(QRect(x, y, width, height), qcolor(color));
}

}  // namespace

const renderer_ops vexil_qt_renderer_ops = {
    qt_begin,
    qt_end,
    renderer_common_set_linewidth,
    renderer_common_set_linecaps,
    renderer_common_set_linejoin,
    renderer_common_set_linestyle,
    renderer_common_set_dashlength,
    renderer_common_set_fillstyle,
    renderer_common_set_font,
    qt_draw_line,
    qt_draw_polyline,
    qt_draw_polygon,
    qt_fill_polygon,
    qt_draw_rect,
    qt_fill_rect,
    qt_draw_arc,
    qt_fill_arc,
    qt_draw_ellipse,
    qt_fill_ellipse,
    qt_draw_bezier,
    qt_fill_bezier,
    qt_draw_string,
    qt_text_width,
    qt_font_ascent,
    qt_font_descent,
    renderer_common_points_to_height,
};

const interactive_renderer_ops vexil_qt_interactive_ops = {
    qt_interactive_text_width,
    qt_pixel_line,
    qt_pixel_rect,
    qt_fill_pixel_rect,
    renderer_common_to_pixel,
    renderer_common_from_pixel,
    renderer_common_lengths_to_pixels,
};

QFont vexil_qt_font(renderer* r, const char** family, double height) {
    QFont font = family ? QFont(QString::fromLatin1(renderer_font_face(*family)))
                        : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    int px = renderer_font_pixel_height(r, height);
    font.setPixelSize(px < 1 ? 1 : px);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

vexil_dc* vexil_qt_dc_create(QPainter* painter, QPaintDevice* measure) {
    vexil_dc* dc = g_new0(vexil_dc, 1);
    qt_backend* b = g_new0(qt_backend, 1);
    b->painter = painter;
    b->device = measure ? measure : (painter ? painter->device() : nullptr);
    dc->backend = b;
    dc->ops = &vexil_qt_renderer_ops;
    dc->interactive_ops = &vexil_qt_interactive_ops;
    dc->map_mode = MM_TEXT;
    if (b->device) {
        dc->logpixels_x = b->device->logicalDpiX();
        dc->logpixels_y = b->device->logicalDpiY();
    }
    return dc;
}

void vexil_qt_dc_set_painter(vexil_dc* dc, QPainter* painter) {
    static_cast<qt_backend*>(dc->backend)->painter = painter;
}

void vexil_qt_dc_free(vexil_dc* dc) {
    if (!dc) return;
    g_free(dc->backend);
    g_free(dc);
}
