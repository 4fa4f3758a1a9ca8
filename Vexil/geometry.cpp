// Point and rectangle arithmetic, distances, line bounding boxes, handles.
#include "vexil/geometry.h"

#include <cmath>

#include "vexil/object.h"
#include "vexil/renderer.h"

const Color color_black = {0.0f, 0.0f, 0.0f};
const Color color_white = {1.0f, 1.0f, 1.0f};
const Color color_red = {1.0f, 0.0f, 0.0f};

void point_add(Point* a, const Point* b, const Point* e) {
    a->x = b->x + e->x;
    a->y = b->y + e->y;
}

void point_add_to(Point* a, const Point* b) {
    a->x += b->x;
    a->y += b->y;
}

void point_sub(Point* a, const Point* b) {
    a->x -= b->x;
    a->y -= b->y;
}

double point_dot(const Point* a, const Point* b) { return a->x * b->x + a->y * b->y; }

void point_scale(Point* a, double s) {
    a->x *= s;
    a->y *= s;
}

double point_len(const Point* a) { return std::sqrt(a->x * a->x + a->y * a->y); }

double distance_point_point(const Point* a, const Point* b) {
    return std::hypot(a->x - b->x, a->y - b->y);
}

double distance_point_point_manhattan(const Point* a, const Point* b) {
    return std::fabs(a->x - b->x) + std::fabs(a->y - b->y);
}

void rectangle_union(Rectangle* r, const Rectangle* other) {
    if (other->top < r->top) r->top = other->top;
    if (other->left < r->left) r->left = other->left;
    if (other->bottom > r->bottom) r->bottom = other->bottom;
    if (other->right > r->right) r->right = other->right;
}

int rectangle_intersects(const Rectangle* r, const Rectangle* other) {
    if (other->right < r->left || other->left > r->right || other->bottom < r->top ||
        other->top > r->bottom)
        return 0;
    return 1;
}

int rectangle_in_rectangle(const Rectangle* outer, const Rectangle* inner) {
    return inner->left >= outer->left && inner->right <= outer->right && inner->top >= outer->top &&
           inner->bottom <= outer->bottom;
}

void rectangle_add_point(Rectangle* r, const Point* p) {
    if (p->x < r->left)
        r->left = p->x;
    else if (p->x > r->right)
        r->right = p->x;
    if (p->y < r->top)
        r->top = p->y;
    else if (p->y > r->bottom)
        r->bottom = p->y;
}

void rectangle_grow(const Rectangle* source, double border, Rectangle* destination) {
    destination->top = source->top - border;
    destination->left = source->left - border;
    destination->bottom = source->bottom + border;
    destination->right = source->right + border;
}

double distance_rectangle_point(const Rectangle* r, const Point* p) {
    double dx = 0.0, dy = 0.0;
    if (p->x < r->left)
        dx = r->left - p->x;
    else if (p->x > r->right)
        dx = p->x - r->right;
    if (p->y < r->top)
        dy = r->top - p->y;
    else if (p->y > r->bottom)
        dy = p->y - r->bottom;
    return dx + dy;
}

double distance_line_point(const Point* start, const Point* end, double line_width,
                           const Point* p) {
    Point s = *end;
    point_sub(&s, start);
    Point q = *p;
    point_sub(&q, start);
    double ss = point_dot(&s, &s);
    if (ss < 1e-6) return point_len(&q);
    double t = point_dot(&s, &q) / ss;
    if (t < 0.0) return point_len(&q);
    if (t > 1.0) return distance_point_point(p, end);
    Point perp = s;
    point_scale(&perp, t);
    point_sub(&perp, &q);
    double d = point_len(&perp) - line_width / 2.0;
    return d < 0.0 ? 0.0 : d;
}

void line_end_bbox_add(Rectangle* r, const Point* end, const Point* other, double along,
                       double across) {
    Point u = *end;
    point_sub(&u, other);
    double len = point_len(&u);
    if (len > 0.0)
        point_scale(&u, 1.0 / len);
    else
        u.x = u.y = 0.0;
    Point n = {-u.y, u.x};
    const double sl[4] = {along, along, -along, -along};
    const double st[4] = {across, -across, -across, across};
    for (int i = 0; i < 4; i++) {
        Point c = {end->x + sl[i] * u.x + st[i] * n.x, end->y + sl[i] * u.y + st[i] * n.y};
        rectangle_add_point(r, &c);
    }
}

void line_bbox(const Point* a, const Point* b, const LineExtras* extras, Rectangle* out) {
    out->left = out->right = a->x;
    out->top = out->bottom = a->y;
    rectangle_add_point(out, b);
    line_end_bbox_add(out, a, b, extras->start_long, extras->start_trans);
    line_end_bbox_add(out, b, a, extras->end_long, extras->end_trans);
}

Color handle_color(const object_handle* handle) {
    bool connected = handle->connected_to != nullptr;
    switch (handle->type) {
        case HANDLE_MAJOR_CONTROL:
            return connected ? Color{1.0f, 0.0f, 0.0f} : Color{0.0f, 1.0f, 0.0f};
        case HANDLE_MINOR_CONTROL:
            return connected ? Color{1.0f, 0.1f, 0.0f} : Color{1.0f, 0.4f, 0.0f};
        default:
            return Color{0.0f, 0.0f, 0.4f};
    }
}

void handle_draw(const object_handle* handle, renderer* r) {
    const interactive_renderer_ops* iops = r->interactive_ops;
    int x, y;
    iops->to_pixel(r, &handle->pos, &x, &y);
    r->ops->set_linewidth(r, 0.0);
    r->ops->set_linestyle(r, LINESTYLE_SOLID);
    r->ops->set_linejoin(r, 0);
    r->ops->set_fillstyle(r, 0);
    Color c = handle_color(handle);
    iops->fill_pixel_rect(r, x - 2, y - 2, 5, 5, &c);
    iops->draw_pixel_rect(r, x - 3, y - 3, 6, 6, &color_black);
    if (handle->connect_type != HANDLE_NONCONNECTABLE) {
        iops->draw_pixel_line(r, x - 3, y - 3, x + 3, y + 3, &color_black);
        iops->draw_pixel_line(r, x - 3, y + 3, x + 3, y - 3, &color_black);
    }
}

int handle_is_clicked(renderer* r, const object_handle* handle, const Point* p) {
    if (!handle) return 0;
    int dx, dy;
    r->interactive_ops->lengths_to_pixels(r, std::fabs(handle->pos.x - p->x),
                                          std::fabs(handle->pos.y - p->y), &dx, &dy);
    return dx < 7 && dy < 7;
}
