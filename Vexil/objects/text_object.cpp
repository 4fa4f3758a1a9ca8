// The free "Text" object.
#include "vexil/app_settings.h"
#include "vexil/dia_xml.h"
#include "vexil/network_objects.h"

double text_object_height() { return app_font_size_cm(APP_FONT_TEXT); }

void text_object_update_data(text_object* t) {
    text_calc_metrics(t->text);
    t->object.position = t->text->position;
    text_calc_boundingbox(t->text, &t->object.bounding_box, nullptr);
    t->text_handle.pos = t->text->position;
}

static void text_object_destroy(diagram_object* obj) {
    text_object* t = (text_object*)obj;
    object_destroy(obj);
    text_destroy(t->text);
    t->text = nullptr;
}

static void text_object_draw(diagram_object* obj, renderer* r) {
    text_draw(((text_object*)obj)->text, r);
}

static double text_object_distance_from(diagram_object* obj, const Point* p) {
    return text_distance_from(((text_object*)obj)->text, p, nullptr);
}

static void text_object_select(diagram_object* obj, const Point* clicked, renderer* r,
                               int just_selected) {
    text_object* t = (text_object*)obj;
    if (!just_selected) {
        text_set_cursor(t->text, clicked, r);
        text_grab_focus(t->text, obj);
    }
}

static void text_object_move(diagram_object* obj, const Point* to) {
    text_object* t = (text_object*)obj;
    text_set_position(t->text, to);
    text_object_update_data(t);
}

static void text_object_move_handle(diagram_object* obj, object_handle* h, const Point* to, int,
                                    int) {
    if (h->id == HANDLE_CUSTOM1) text_object_move(obj, to);
}

static const object_ops text_object_ops = {
    text_object_destroy,    text_object_draw, text_object_distance_from,
    text_object_select,     nullptr,          text_object_move,
    text_object_move_handle};

static text_object* text_object_new(int handle_type) {
    text_object* t = g_new0(text_object, 1);
    object_init(&t->object, 1, 0);
    t->object.type = &text_object_type;
    t->object.ops = &text_object_ops;
    t->text_handle = {HANDLE_CUSTOM1, handle_type, {0, 0}, HANDLE_CONNECTABLE, nullptr};
    t->object.handles[0] = &t->text_handle;
    return t;
}

static diagram_object* text_object_create(const Point* start, void*, object_handle** h1,
                                          object_handle** h2) {
    text_object* t = text_object_new(HANDLE_MAJOR_CONTROL);
    t->text = text_create("Text", font_name_intern("Arial"), text_object_height(), start,
                          &color_black, ALIGN_LEFT);
    text_object_update_data(t);
    *h1 = nullptr;
    *h2 = &t->text_handle;
    return &t->object;
}

static diagram_object* text_object_load(xmlNodePtr node, int, const char*) {
    text_object* t = text_object_new(HANDLE_MINOR_CONTROL);
    object_load(&t->object, node);
    t->text = text_load_attribute(node, "text", text_object_height());
    if (!t->text) {
        const Point origin{0, 0};
        t->text = text_create("", font_name_intern("Arial"), text_object_height(), &origin,
                              &color_black, ALIGN_CENTER);
    }
    text_object_update_data(t);
    return &t->object;
}

static void text_object_save(diagram_object* obj, xmlNodePtr node, const char*) {
    text_object* t = (text_object*)obj;
    object_save(obj, node);
    text_save(t->text, node, "text");
}

static object_type_ops text_object_type_ops = {text_object_create, text_object_load,
                                               text_object_save, nullptr};
object_type text_object_type = {TEXT_TYPE, 1, nullptr, &text_object_type_ops, nullptr, nullptr};

text_object* as_text_object(diagram_object* obj) {
    return obj && obj->type == &text_object_type ? (text_object*)obj : nullptr;
}
