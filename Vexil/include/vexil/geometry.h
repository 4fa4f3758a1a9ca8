// Points, rectangles, distances for hit testing, line bounding boxes and
// the drawing and hit test of object handles.
#pragma once

struct renderer;
struct object_handle;

// Diagram coordinates are centimetres; y grows downwards.
struct Point {
    double x;
    double y;
};

// Stored top, left, bottom, right.
struct Rectangle {
    double top;
    double left;
    double bottom;
    double right;
};

// Red, green, blue in 0..1.
struct Color {
    float red;
    float green;
    float blue;
};

// How far the drawing of each end of a line reaches along and across it.
struct LineExtras {
    double start_long;
    double start_trans;
    double end_long;
    double end_trans;
};

extern const Color color_black;
extern const Color color_white;
extern const Color color_red;

void point_add(Point* a, const Point* b, const Point* e);  // a = b + e
void point_add_to(Point* a, const Point* b);               // a += b
void point_sub(Point* a, const Point* b);                  // a -= b
double point_dot(const Point* a, const Point* b);
void point_scale(Point* a, double s);
double point_len(const Point* a);
double distance_point_point(const Point* a, const Point* b);
// |dx| + |dy|
double distance_point_point_manhattan(const Point* a, const Point* b);

void rectangle_union(Rectangle* r, const Rectangle* other);
int rectangle_intersects(const Rectangle* r, const Rectangle* other);
int rectangle_in_rectangle(const Rectangle* outer, const Rectangle* inner);
void rectangle_add_point(Rectangle* r, const Point* p);
void rectangle_grow(const Rectangle* source, double border, Rectangle* destination);

// Manhattan distance outside the rectangle, 0 inside or on the edge.
double distance_rectangle_point(const Rectangle* r, const Point* p);
// Distance from p to the segment; only a point beside the segment has half
// the line width taken off.
double distance_line_point(const Point* start, const Point* end, double line_width, const Point* p);

// Adds the four corner points that the drawing of the end at `end` reaches
// (direction from `other` to `end`).
void line_end_bbox_add(Rectangle* r, const Point* end, const Point* other, double along,
                       double across);
void line_bbox(const Point* a, const Point* b, const LineExtras* extras, Rectangle* out);

// Handle colours by handle type and connection state.
Color handle_color(const object_handle* handle);
void handle_draw(const object_handle* handle, renderer* r);
// 1 when the point lies within 7 pixels of the handle on both axes.
int handle_is_clicked(renderer* r, const object_handle* handle, const Point* p);
