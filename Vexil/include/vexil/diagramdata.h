// The document-side model of a drawing: layers, selection, drawing order,
// extents, rendering of all layers and the keyboard focus.
#pragma once

#include <glib.h>

#include "vexil/object.h"

struct renderer;
struct undo_stack;

struct layer {
    char* name;
    Rectangle extents;
    GList* objects;  // diagram_object*, drawing order (last on top); owned
    int visible;
};

struct diagram_data {
    Rectangle extents;
    float scaling;
    GPtrArray* layers;  // layer*
    layer* active_layer;
    int selected_count;
    GList* selected;  // most recently selected first
    undo_stack* undo;
    int xref_max;
};

// A record that can hold the keyboard focus (inside a text_block).
struct focus_record {
    diagram_object* obj;
    int has_focus;
};

layer* layer_create(char* name);  // takes ownership of name
void layer_free(layer* l);
void layer_add_object(layer* l, diagram_object* obj);
void layer_add_objects_last(layer* l, GList* list);
void layer_add_objects_first(layer* l, GList* list);
void layer_remove_objects(layer* l, GList* list);
void layer_set_object_list(layer* l, GList* list);
GList* layer_objects_in_rectangle(layer* l, const Rectangle* r);
diagram_object* layer_find_closest_object(layer* l, const Point* p, double maximum);
double layer_find_closest_connection_point(layer* l, const Point* p, connection_point** closest);
int layer_update_extents(layer* l);
typedef void (*object_render_fn)(diagram_object* obj, renderer* r, int active_layer,
                                 void* user_data);
void layer_render(layer* l, renderer* r, const Rectangle* update, object_render_fn fn,
                  void* user_data, int active_layer);

diagram_data* diagram_data_create();
void diagram_data_free(diagram_data* data);
int diagram_add_layer(diagram_data* data, layer* l);
int diagram_any_layer_visible(diagram_data* data);
int diagram_update_extents(diagram_data* data);
void diagram_render_layers(diagram_data* data, renderer* r, const Rectangle* update,
                           object_render_fn fn, void* user_data);
enum { DIAGRAM_RENDER_CONNECTION_POINTS = 1, DIAGRAM_RENDER_HANDLES = 2 };
void diagram_render(diagram_data* data, renderer* r, int flags);
double diagram_find_closest_handle(diagram_data* data, const Point* p, object_handle** handle,
                                   diagram_object** obj);

// Selection.
void diagram_selected_add(diagram_data* data, diagram_object* obj);
void diagram_selected_remove(diagram_data* data, diagram_object* obj);
void diagram_selected_clear(diagram_data* data);
int diagram_is_selected(diagram_data* data, diagram_object* obj);
void diagram_select_object(diagram_data* data, diagram_object* obj);
void diagram_unselect_object(diagram_data* data, diagram_object* obj);
void diagram_unselect_objects(diagram_data* data, GList* list);
void diagram_unselect_all(diagram_data* data);
GList* diagram_selected_in_order(diagram_data* data);
GList* diagram_take_selected_in_order(diagram_data* data);
void diagram_selection_to_back(diagram_data* data);
void diagram_selection_to_front(diagram_data* data);
void selection_detach_external(diagram_data* data);
void object_list_move_by(GList* list, const Point* delta);

// Lays every object out again (move to its own position) and follows the
// connections: after a renderer with real font metrics became current.
void diagram_relayout_objects(diagram_data* data);

// The layer that holds the object, or null.
layer* diagram_object_layer(diagram_data* data, diagram_object* obj);

// Object numbers (0 = none) run from 1 to OBJECT_NUMBER_MAX; a loaded file
// whose numbers lie outside or repeat is renumbered. At the top of the range
// a new number is the lowest one free (0 when none is).
constexpr int OBJECT_NUMBER_MAX = 1000000;
int object_assign_xref(diagram_data* data, diagram_object* obj);
diagram_object* object_find_by_xref(diagram_data* data, int xref);
// Sets every number to 0 (adding each object to the set when one is given)
// and xref_max to 0.
void objects_clear_xrefs(diagram_data* data, GHashTable* set);

// Keyboard focus (one holder in the process).
void focus_set(focus_record* focus);
focus_record* focus_get();
focus_record* focus_clear();
