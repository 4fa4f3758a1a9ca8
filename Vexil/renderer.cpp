// The renderer's common part: creation, device set-up with the mapping-mode
// scales, transforms, line and font settings, the measuring fallback of a
// renderer without device, the current and dummy renderers, the font pool.
#include "vexil/renderer.h"

#include <glib.h>

#include <cmath>
#include <cstring>

#include "vexil/diagramdata.h"
#include "vexil/message.h"

namespace {

renderer* current_renderer = nullptr;
renderer* dummy_renderer = nullptr;
diagram_data* dummy_diagram = nullptr;

// Dots per inch assumed when a renderer has no pixel size.
constexpr double FALLBACK_DPI = 96.0;

void null_begin(renderer*) {}
void null_end(renderer*) {}
void null_line(renderer*, const Point*, const Point*, const Color*) {}
void null_points(renderer*, const Point*, int, const Color*) {}
void null_arc(renderer*, const Point*, double, double, double, double, const Color*) {}
void null_ellipse(renderer*, const Point*, double, double, const Color*) {}
void null_bezier(renderer*, const BezPoint*, int, const Color*) {}
void null_string(renderer*, const char*, const Point*, int, const Color*) {}

double fallback_text_width(renderer*, const char*, const char**, double height) {
    return std::fabs(renderer_font_height_cm(height));
}

double fallback_ascent(renderer*, const char**, double height) {
    return std::fabs(renderer_font_height_cm(height));
}

double fallback_descent(renderer*, const char**, double) { return 0.0; }

double null_interactive_text_width(renderer* r, const char* text, int n) {
    int bytes = utf8_char_offset(text, n);
    char* part = g_strndup(text, (gsize)bytes);
    double w = r->ops->get_text_width(r, part, font_name_intern("Arial"), r->font_height);
    g_free(part);
    return w;
}

void null_pixel_line(renderer*, int, int, int, int, const Color*) {}
void null_pixel_rect(renderer*, int, int, int, int, const Color*) {}

double effective_pixel_width(const renderer* r) {
    if (r->pixel_width > 0) return r->pixel_width;
    return std::ceil(FALLBACK_DPI / 2.54 * r->extents_width * r->zoom);
}

double effective_pixel_height(const renderer* r) {
    if (r->pixel_height > 0) return r->pixel_height;
    return std::ceil(FALLBACK_DPI / 2.54 * r->extents_height * r->zoom);
}

struct font_entry {
    char name[FONT_NAME_MAX + 1];
    const char* cell;
};

GPtrArray* font_pool = nullptr;

}  // namespace

const renderer_ops renderer_null_ops = {
    null_begin,
    null_end,
    renderer_common_set_linewidth,
    renderer_common_set_linecaps,
    renderer_common_set_linejoin,
    renderer_common_set_linestyle,
    renderer_common_set_dashlength,
    renderer_common_set_fillstyle,
    renderer_common_set_font,
    null_line,
    null_points,
    null_points,
    null_points,
    null_line,
    null_line,
    null_arc,
    null_arc,
    null_ellipse,
    null_ellipse,
    null_bezier,
    null_bezier,
    null_string,
    fallback_text_width,
    fallback_ascent,
    fallback_descent,
    renderer_common_points_to_height,
};

const interactive_renderer_ops renderer_null_interactive_ops = {
    null_interactive_text_width,
    null_pixel_line,
    null_pixel_rect,
    null_pixel_rect,
    renderer_common_to_pixel,
    renderer_common_from_pixel,
    renderer_common_lengths_to_pixels,
};

renderer* renderer_create(diagram_data* data, int interactive, double zoom) {
    if (!data) return nullptr;
    renderer* r = g_new0(renderer, 1);
    r->ops = &renderer_null_ops;
    r->interactive_ops = &renderer_null_interactive_ops;
    r->is_interactive = interactive;
    r->scale_x = 1.0;
    r->scale_y = 1.0;
    r->y_offset = 0;
    r->zoom = zoom;
    r->font_height = 0.5;
    r->extents_left = data->extents.left;
    r->extents_top = data->extents.top;
    r->extents_width = data->extents.right - data->extents.left;
    r->extents_height = data->extents.bottom - data->extents.top;
    r->origin_x = -data->extents.left;
    r->origin_y = -data->extents.top;
    return r;
}

void renderer_set_dc(renderer* r, diagram_data* data, vexil_dc* dc, vexil_dc* attr_dc,
                     int interactive, double zoom, int max_pixel_width, int max_pixel_height) {
    r->is_interactive = interactive;
    r->dc = dc;
    r->attr_dc = attr_dc ? attr_dc : dc;
    r->line_width = 0;
    r->line_style = 0;
    r->ops = dc && dc->ops ? dc->ops : &renderer_null_ops;
    r->interactive_ops =
        dc && dc->interactive_ops ? dc->interactive_ops : &renderer_null_interactive_ops;

    double dpi_x =
        r->attr_dc && r->attr_dc->logpixels_x > 0 ? r->attr_dc->logpixels_x : FALLBACK_DPI;
    double dpi_y =
        r->attr_dc && r->attr_dc->logpixels_y > 0 ? r->attr_dc->logpixels_y : FALLBACK_DPI;
    double ppcm_x = dpi_x / 2.54, ppcm_y = dpi_y / 2.54;
    double width = data->extents.right - data->extents.left;
    double height = data->extents.bottom - data->extents.top;
    r->pixel_width = (int)std::ceil(ppcm_x * width * zoom);
    r->pixel_height = (int)std::ceil(ppcm_y * height * zoom);

    int mode = dc && dc->map_mode ? dc->map_mode : MM_TEXT;
    switch (mode) {
        case MM_TEXT:
            r->scale_x = ppcm_x;
            r->scale_y = ppcm_y;
            break;
        case MM_LOMETRIC:
            r->scale_x = 100.0;
            r->scale_y = -100.0;
            break;
        case MM_HIMETRIC:
            r->scale_x = 1000.0;
            r->scale_y = -1000.0;
            break;
        case MM_LOENGLISH:
            r->scale_x = 100.0 / 2.54;
            r->scale_y = -100.0 / 2.54;
            break;
        case MM_HIENGLISH:
            r->scale_x = 1000.0 / 2.54;
            r->scale_y = -1000.0 / 2.54;
            break;
        case MM_TWIPS:
            r->scale_x = 566.9291338582677;
            r->scale_y = -566.9291338582677;
            break;
        case MM_ISOTROPIC:
        case MM_ANISOTROPIC:
            if (dc->extents_valid) {
                r->scale_x =
                    ((dc->window_ext_x < 0) != (dc->viewport_ext_x < 0)) ? -ppcm_x : ppcm_x;
                r->scale_y =
                    ((dc->window_ext_y < 0) != (dc->viewport_ext_y < 0)) ? -ppcm_y : ppcm_y;
            } else {
                r->scale_x = 1.0;
                r->scale_y = 1.0;
            }
            break;
        default:
            r->scale_x = 1.0;
            r->scale_y = 1.0;
            break;
    }

    r->zoom = zoom;
    r->origin_x = -data->extents.left;
    r->origin_y = -data->extents.top;
    r->extents_left = data->extents.left;
    r->extents_top = data->extents.top;
    r->extents_width = width;
    r->extents_height = height;
    r->y_offset = 0;

    double need_w = std::fabs(r->scale_x) * zoom * width;
    if (max_pixel_width > 0 && need_w > 0 && max_pixel_width < need_w) {
        double ratio = max_pixel_width / need_w;
        r->scale_x *= ratio;
        r->scale_y *= ratio;
    }
    double need_h = std::fabs(r->scale_y) * zoom * height;
    if (max_pixel_height > 0 && need_h > 0 && max_pixel_height < need_h) {
        double ratio = max_pixel_height / need_h;
        r->scale_x *= ratio;
        r->scale_y *= ratio;
    }
}

void renderer_free(renderer* r) {
    if (!r) return;
    if (current_renderer == r) current_renderer = nullptr;
    g_free(r);
}

void renderer_set_current(renderer* r) { current_renderer = r; }

renderer* renderer_get_current() {
    if (current_renderer) return current_renderer;
    if (!dummy_renderer) {
        dummy_diagram = diagram_data_create();
        dummy_renderer = renderer_create(dummy_diagram, 1, 1.0);
    }
    return dummy_renderer;
}

void renderer_free_dummy() {
    if (current_renderer == dummy_renderer) current_renderer = nullptr;
    g_free(dummy_renderer);
    dummy_renderer = nullptr;
    diagram_data_free(dummy_diagram);
    dummy_diagram = nullptr;
}

void renderer_transform(const renderer* r, const Point* p, int* x, int* y) {
    // The origin is the extents' top left corner in diagram units, so it is
    // zoomed with the point (as the interactive to_pixel does).
    *x = (int)(r->zoom * (p->x + r->origin_x) * r->scale_x);
    *y = (int)(r->zoom * (p->y + r->origin_y) * r->scale_y) + r->y_offset;
}

double renderer_pixels_per_unit_x(const renderer* r) {
    return r->extents_width > 0 ? effective_pixel_width(r) / r->extents_width : 0.0;
}

double renderer_pixels_per_unit_y(const renderer* r) {
    return r->extents_height > 0 ? effective_pixel_height(r) / r->extents_height : 0.0;
}

void renderer_common_set_linewidth(renderer* r, double width) {
    int px = (int)(std::fabs(r->scale_x) * r->zoom * width);
    r->line_width = px < 0 ? 0 : px;
}

static bool check_mode(int mode, int max) {
    if (mode < 0 || mode > max) {
        message_error("Win32DC Renderer: Unsupported fill mode specified!\n");
        return false;
    }
    return true;
}

void renderer_common_set_linecaps(renderer* r, int mode) {
    if (check_mode(mode, 2)) r->line_caps = mode;
}

void renderer_common_set_linejoin(renderer* r, int mode) {
    if (check_mode(mode, 2)) r->line_join = mode;
}

void renderer_common_set_linestyle(renderer* r, int style) {
    if (check_mode(style, LINESTYLE_DOTTED)) r->line_style = style;
}

void renderer_common_set_dashlength(renderer*, double) {}

void renderer_common_set_fillstyle(renderer* r, int style) {
    if (check_mode(style, 0)) r->fill_style = style;
}

void renderer_common_set_font(renderer* r, const char** family, double height) {
    r->font = family;
    r->font_height = height;
    r->font_set = 1;
}

double renderer_common_points_to_height(renderer*, double points) { return points * POINTS_TO_CM; }

void renderer_common_to_pixel(renderer* r, const Point* p, int* x, int* y) {
    *x = (int)std::floor((p->x - r->extents_left) * renderer_pixels_per_unit_x(r) + 0.5);
    *y = (int)std::floor((p->y - r->extents_top) * renderer_pixels_per_unit_y(r) + 0.5);
}

void renderer_common_from_pixel(renderer* r, int x, int y, Point* p) {
    double ux = renderer_pixels_per_unit_x(r), uy = renderer_pixels_per_unit_y(r);
    p->x = (ux > 0 ? x / ux : 0.0) + r->extents_left;
    p->y = (uy > 0 ? y / uy : 0.0) + r->extents_top;
}

void renderer_common_lengths_to_pixels(renderer* r, double dx, double dy, int* px, int* py) {
    *px = (int)std::floor(std::fabs(renderer_pixels_per_unit_x(r) * dx) + 0.5);
    *py = (int)std::floor(std::fabs(renderer_pixels_per_unit_y(r) * dy) + 0.5);
}

double renderer_font_height_cm(double height) {
    if (height < 0) {
        int n = (int)std::fabs(height);
        if (n < 1) n = 1;
        return n * POINTS_TO_CM;
    }
    return height;
}

const char* renderer_font_face(const char* family) {
    if (family && strstr(family, "Courier")) return "Courier New";
    if (family && strstr(family, "Times")) return "Times New Roman";
    return "Arial";
}

int renderer_font_pixel_height(renderer* r, double height) {
    int px, py;
    r->interactive_ops->lengths_to_pixels(r, 0.0, renderer_font_height_cm(height), &px, &py);
    return py;
}

const char** font_name_intern(const char* family) {
    if (!family) return nullptr;
    if (!font_pool) font_pool = g_ptr_array_new();
    char cut[FONT_NAME_MAX + 1];
    g_strlcpy(cut, family, sizeof cut);
    for (guint i = 0; i < font_pool->len; i++) {
        font_entry* e = (font_entry*)g_ptr_array_index(font_pool, i);
        if (strcmp(e->name, family) == 0 || strcmp(e->name, cut) == 0) return &e->cell;
    }
    font_entry* e = g_try_new0(font_entry, 1);
    if (!e) return nullptr;
    g_strlcpy(e->name, family, sizeof e->name);
    e->cell = e->name;
    g_ptr_array_add(font_pool, e);
    return &e->cell;
}

void font_pool_free() {
    if (!font_pool) return;
    for (guint i = 0; i < font_pool->len; i++) g_free(g_ptr_array_index(font_pool, i));
    g_ptr_array_free(font_pool, TRUE);
    font_pool = nullptr;
}

int utf8_char_count(const char* text) { return text ? (int)g_utf8_strlen(text, -1) : 0; }

int utf8_char_offset(const char* text, int n) {
    if (!text || n <= 0) return 0;
    const char* p = text;
    for (int i = 0; i < n && *p; i++) p = g_utf8_next_char(p);
    return (int)(p - text);
}
