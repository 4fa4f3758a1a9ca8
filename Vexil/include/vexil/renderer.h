// The renderer: 26 drawing operations in diagram units and 7 interactive
// operations in pixels, over a device described by a vexil_dc. The device's
// backend (vexil_qt draws with QPainter) supplies the operation tables; the
// transforms, line and font settings and the measuring fallback are common.
#pragma once

#include "vexil/geometry.h"

struct diagram_data;
struct renderer;

enum line_style {
    LINESTYLE_SOLID = 0,
    LINESTYLE_DASHED = 1,
    LINESTYLE_DASH_DOT = 2,
    LINESTYLE_DASH_DOT_DOT = 3,
    LINESTYLE_DOTTED = 4,
};

enum text_alignment {
    ALIGN_LEFT = 0,
    ALIGN_CENTER = 1,
    ALIGN_RIGHT = 2,
};

// Mapping modes of a device (emulated: the scale from diagram units to device units).
enum mapping_mode {
    MM_TEXT = 1,
    MM_LOMETRIC = 2,
    MM_HIMETRIC = 3,
    MM_LOENGLISH = 4,
    MM_HIENGLISH = 5,
    MM_TWIPS = 6,
    MM_ISOTROPIC = 7,
    MM_ANISOTROPIC = 8,
};

enum bez_point_type { BEZ_MOVE_TO = 0, BEZ_LINE_TO = 1, BEZ_CURVE_TO = 2 };

struct BezPoint {
    int type;
    Point p1, p2, p3;
};

struct renderer_ops {
    void (*begin_render)(renderer* r);
    void (*end_render)(renderer* r);
    void (*set_linewidth)(renderer* r, double width);
    void (*set_linecaps)(renderer* r, int mode);
    void (*set_linejoin)(renderer* r, int mode);
    void (*set_linestyle)(renderer* r, int style);
    void (*set_dashlength)(renderer* r, double length);
    void (*set_fillstyle)(renderer* r, int style);
    void (*set_font)(renderer* r, const char** family, double height);
    void (*draw_line)(renderer* r, const Point* start, const Point* end, const Color* color);
    void (*draw_polyline)(renderer* r, const Point* points, int n, const Color* color);
    void (*draw_polygon)(renderer* r, const Point* points, int n, const Color* color);
    void (*fill_polygon)(renderer* r, const Point* points, int n, const Color* color);
    void (*draw_rect)(renderer* r, const Point* ul, const Point* lr, const Color* color);
    void (*fill_rect)(renderer* r, const Point* ul, const Point* lr, const Color* color);
    void (*draw_arc)(renderer* r, const Point* center, double width, double height, double angle1,
                     double angle2, const Color* color);
    void (*fill_arc)(renderer* r, const Point* center, double width, double height, double angle1,
                     double angle2, const Color* color);
    void (*draw_ellipse)(renderer* r, const Point* center, double width, double height,
                         const Color* color);
    void (*fill_ellipse)(renderer* r, const Point* center, double width, double height,
                         const Color* color);
    void (*draw_bezier)(renderer* r, const BezPoint* points, int n, const Color* color);
    void (*fill_bezier)(renderer* r, const BezPoint* points, int n, const Color* color);
    void (*draw_string)(renderer* r, const char* text, const Point* pos, int alignment,
                        const Color* color);
    double (*get_text_width)(renderer* r, const char* text, const char** family, double height);
    double (*get_font_ascent)(renderer* r, const char** family, double height);
    double (*get_font_descent)(renderer* r, const char** family, double height);
    double (*points_to_height)(renderer* r, double points);
};

struct interactive_renderer_ops {
    // Width in diagram units of the first n characters (UTF-8 characters).
    double (*get_text_width)(renderer* r, const char* text, int n);
    void (*draw_pixel_line)(renderer* r, int x1, int y1, int x2, int y2, const Color* color);
    // Outline covering x..x+width and y..y+height.
    void (*draw_pixel_rect)(renderer* r, int x, int y, int width, int height, const Color* color);
    // Fill covering x..x+width-1 and y..y+height-1.
    void (*fill_pixel_rect)(renderer* r, int x, int y, int width, int height, const Color* color);
    void (*to_pixel)(renderer* r, const Point* p, int* x, int* y);
    void (*from_pixel)(renderer* r, int x, int y, Point* p);
    void (*lengths_to_pixels)(renderer* r, double dx, double dy, int* px, int* py);
};

// A drawing device: what the renderer needs to know of it, and the
// backend's operation tables and state.
struct vexil_dc {
    const renderer_ops* ops;
    const interactive_renderer_ops* interactive_ops;
    void* backend;
    double logpixels_x;  // dots per inch
    double logpixels_y;
    int map_mode;       // 0 counts as MM_TEXT
    int extents_valid;  // window and viewport extents (isotropic modes)
    int window_ext_x, window_ext_y;
    int viewport_ext_x, viewport_ext_y;
};

struct renderer {
    const renderer_ops* ops;
    int is_interactive;
    const interactive_renderer_ops* interactive_ops;
    int pixel_width;
    int pixel_height;
    vexil_dc* dc;
    vexil_dc* attr_dc;
    int line_width;  // pixels
    int line_style;
    int line_caps;
    int line_join;
    int fill_style;
    const char** font;  // current font family (interned), null: the default GUI font
    double font_height;
    int font_set;
    double origin_x, origin_y;
    double scale_x, scale_y;
    int y_offset;
    double zoom;
    double extents_left, extents_top, extents_width, extents_height;
};

// Points to centimetres.
constexpr double POINTS_TO_CM = 0.035277776;
constexpr double DEGREES_TO_RADIANS = 0.017453292519943295;

renderer* renderer_create(diagram_data* data, int interactive, double zoom);
void renderer_set_dc(renderer* r, diagram_data* data, vexil_dc* dc, vexil_dc* attr_dc,
                     int interactive, double zoom, int max_pixel_width, int max_pixel_height);
void renderer_free(renderer* r);
void renderer_set_current(renderer* r);
// The current renderer, or the process-wide dummy (no device) when none is set.
renderer* renderer_get_current();
// Frees the dummy renderer (library exit).
void renderer_free_dummy();

// Drawing transform: device coordinates of a diagram point (truncated).
void renderer_transform(const renderer* r, const Point* p, int* x, int* y);
// Pixel width / height per diagram unit of the interactive transform.
double renderer_pixels_per_unit_x(const renderer* r);
double renderer_pixels_per_unit_y(const renderer* r);

// The common operations every backend shares (line settings, font choice,
// measuring fallback) and the interactive transforms.
void renderer_common_set_linewidth(renderer* r, double width);
void renderer_common_set_linecaps(renderer* r, int mode);
void renderer_common_set_linejoin(renderer* r, int mode);
void renderer_common_set_linestyle(renderer* r, int style);
void renderer_common_set_dashlength(renderer* r, double length);
void renderer_common_set_fillstyle(renderer* r, int style);
void renderer_common_set_font(renderer* r, const char** family, double height);
double renderer_common_points_to_height(renderer* r, double points);
void renderer_common_to_pixel(renderer* r, const Point* p, int* x, int* y);
void renderer_common_from_pixel(renderer* r, int x, int y, Point* p);
void renderer_common_lengths_to_pixels(renderer* r, double dx, double dy, int* px, int* py);
// The operation tables of a renderer without device: nothing is drawn, text
// is measured with the fallback (width = |height|, ascent = |height|, descent 0).
extern const renderer_ops renderer_null_ops;
extern const interactive_renderer_ops renderer_null_interactive_ops;

// Font heights: a negative height is a size in points (truncated, at least 1).
double renderer_font_height_cm(double height);
// The installed face for a family name: "Courier New", "Times New Roman" or "Arial".
const char* renderer_font_face(const char* family);
// Pixel height of a font height through the interactive (vertical) length transform.
int renderer_font_pixel_height(renderer* r, double height);

// Font pool: one stable pointer per family name (names cut at 30 characters).
constexpr int FONT_NAME_MAX = 30;
const char** font_name_intern(const char* family);
void font_pool_free();

// Number of characters of a UTF-8 text.
int utf8_char_count(const char* text);
// Byte offset of the character at index n (clamped to the text's length).
int utf8_char_offset(const char* text, int n);
