// Layers, diagram data, extents, rendering, selection, order and focus.
#include "vexil/diagramdata.h"

#include <algorithm>

#include "vexil/connpoint_line.h"
#include "vexil/message.h"
#include "vexil/renderer.h"
#include "vexil/undo.h"

namespace {
focus_record* active_focus = nullptr;
const Rectangle default_extents = {0.0, 0.0, 10.0, 10.0};
}  // namespace

// ---- Layers ----

layer* layer_create(char* name) {
    layer* l = g_new0(layer, 1);
    l->name = name;
    l->extents = default_extents;
    l->objects = nullptr;
    l->visible = 1;
    return l;
}

void layer_free(layer* l) {
    if (!l) return;
    g_free(l->name);
    object_list_destroy(l->objects);
    g_free(l);
}

void layer_add_object(layer* l, diagram_object* obj) {
    l->objects = g_list_append(l->objects, obj);
}

void layer_add_objects_last(layer* l, GList* list) {
    l->objects = g_list_concat(l->objects, g_list_copy(list));
}

void layer_add_objects_first(layer* l, GList* list) {
    l->objects = g_list_concat(g_list_copy(list), l->objects);
}

void layer_remove_objects(layer* l, GList* list) {
    for (GList* i = list; i; i = i->next) l->objects = g_list_remove(l->objects, i->data);
}

void layer_set_object_list(layer* l, GList* list) {
    g_list_free(l->objects);
    l->objects = list;
}

GList* layer_objects_in_rectangle(layer* l, const Rectangle* r) {
    GList* found = nullptr;
    for (GList* i = l->objects; i; i = i->next) {
        diagram_object* obj = (diagram_object*)i->data;
        if (rectangle_in_rectangle(r, &obj->bounding_box)) found = g_list_prepend(found, obj);
    }
    return found;
}

diagram_object* layer_find_closest_object(layer* l, const Point* p, double maximum) {
    diagram_object* closest = nullptr;
    for (GList* i = l->objects; i; i = i->next) {
        diagram_object* obj = (diagram_object*)i->data;
        if (obj->ops->distance_from(obj, p) <= maximum) closest = obj;
    }
    return closest;
}

double layer_find_closest_connection_point(layer* l, const Point* p, connection_point** closest) {
    double best = 1e6;
    *closest = nullptr;
    for (GList* i = l->objects; i; i = i->next) {
        diagram_object* obj = (diagram_object*)i->data;
        for (int c = 0; c < obj->num_connections; c++) {
            connection_point* cp = obj->connections[c];
            double d = distance_point_point_manhattan(&cp->pos, p);
            if (d < best) {
                best = d;
                *closest = cp;
            }
        }
    }
    return best;
}

int layer_update_extents(layer* l) {
    // From the origin (or from the object furthest left or up, when one lies
    // beyond it) to the furthest bottom right, so nothing is out of reach.
    double top = 0.0, left = 0.0, bottom = -1.0, right = -1.0;
    bool first = true;
    for (GList* i = l->objects; i; i = i->next) {
        diagram_object* obj = (diagram_object*)i->data;
        if (first || obj->bounding_box.bottom > bottom) bottom = obj->bounding_box.bottom;
        if (first || obj->bounding_box.right > right) right = obj->bounding_box.right;
        top = std::min(top, obj->bounding_box.top);
        left = std::min(left, obj->bounding_box.left);
        first = false;
    }
    if (bottom <= 0.0) bottom = 1.0;
    if (right <= 0.0) right = 1.0;
    Rectangle n = {top, left, bottom, right};
    bool changed = n.top != l->extents.top || n.left != l->extents.left ||
                   n.bottom != l->extents.bottom || n.right != l->extents.right;
    l->extents = n;
    return changed ? 1 : 0;
}

void layer_render(layer* l, renderer* r, const Rectangle* update, object_render_fn fn,
                  void* user_data, int active_layer) {
    for (GList* i = l->objects; i; i = i->next) {
        diagram_object* obj = (diagram_object*)i->data;
        if (update && !rectangle_intersects(update, &obj->bounding_box)) continue;
        if (fn)
            fn(obj, r, active_layer, user_data);
        else
            obj->ops->draw(obj, r);
    }
}

// ---- Diagram ----

diagram_data* diagram_data_create() {
    diagram_data* data = g_new0(diagram_data, 1);
    data->extents = default_extents;
    data->scaling = 1.0f;
    data->layers = g_ptr_array_new();
    layer* bg = layer_create(g_strdup("Background"));
    g_ptr_array_add(data->layers, bg);
    data->active_layer = bg;
    data->selected_count = 0;
    data->selected = nullptr;
    data->undo = undo_stack_create(data);
    data->xref_max = 0;
    return data;
}

void diagram_data_free(diagram_data* data) {
    if (!data) return;
    // The change record may own deleted objects; free it first.
    undo_stack_free(data->undo);
    data->undo = nullptr;
    if (active_focus && active_focus->obj && diagram_object_layer(data, active_focus->obj))
        focus_clear();
    for (guint i = 0; i < data->layers->len; i++)
        layer_free((layer*)g_ptr_array_index(data->layers, i));
    g_ptr_array_free(data->layers, TRUE);
    g_list_free(data->selected);
    g_free(data);
}

int diagram_add_layer(diagram_data* data, layer* l) {
    g_ptr_array_add(data->layers, l);
    layer_update_extents(l);
    if (!data->active_layer) data->active_layer = l;
    return diagram_update_extents(data);
}

int diagram_any_layer_visible(diagram_data* data) {
    for (guint i = 0; i < data->layers->len; i++)
        if (((layer*)g_ptr_array_index(data->layers, i))->visible) return 1;
    return 0;
}

// Whether any object of the layer gives extents.
static bool layer_has_objects(layer* l) { return l->objects != nullptr; }

int diagram_update_extents(diagram_data* data) {
    Rectangle n = default_extents;
    bool any = false;
    if (data->layers->len >= 1) {
        if (diagram_any_layer_visible(data)) {
            for (guint i = 0; i < data->layers->len; i++) {
                layer* l = (layer*)g_ptr_array_index(data->layers, i);
                if (!l->visible) continue;
                layer_update_extents(l);
                if (!layer_has_objects(l)) continue;
                if (!any)
                    n = l->extents;
                else
                    rectangle_union(&n, &l->extents);
                any = true;
            }
        } else {
            layer* l = (layer*)g_ptr_array_index(data->layers, 0);
            layer_update_extents(l);
            if (layer_has_objects(l)) n = l->extents;
        }
    }
    bool changed = n.top != data->extents.top || n.left != data->extents.left ||
                   n.bottom != data->extents.bottom || n.right != data->extents.right;
    data->extents = n;
    return changed ? 1 : 0;
}

void diagram_render_layers(diagram_data* data, renderer* r, const Rectangle* update,
                           object_render_fn fn, void* user_data) {
    if (!r->is_interactive) r->ops->begin_render(r);
    for (guint i = 0; i < data->layers->len; i++) {
        layer* l = (layer*)g_ptr_array_index(data->layers, i);
        if (l->visible) layer_render(l, r, update, fn, user_data, l == data->active_layer);
    }
    if (!r->is_interactive) r->ops->end_render(r);
}

static void render_with_connection_points(diagram_object* obj, renderer* r, int active_layer,
                                          void*) {
    obj->ops->draw(obj, r);
    if (active_layer && r->is_interactive)
        for (int i = 0; i < obj->num_connections; i++)
            connection_point_draw(obj->connections[i], r);
}

void diagram_render(diagram_data* data, renderer* r, int flags) {
    diagram_render_layers(
        data, r, nullptr,
        (flags & DIAGRAM_RENDER_CONNECTION_POINTS) ? render_with_connection_points : nullptr,
        nullptr);
    if ((flags & DIAGRAM_RENDER_HANDLES) && r->interactive_ops)
        for (GList* i = data->selected; i; i = i->next) {
            diagram_object* obj = (diagram_object*)i->data;
            for (int h = 0; h < obj->num_handles; h++) handle_draw(obj->handles[h], r);
        }
}

double diagram_find_closest_handle(diagram_data* data, const Point* p, object_handle** handle,
                                   diagram_object** obj) {
    double best = 1e6;
    *handle = nullptr;
    *obj = nullptr;
    for (GList* i = data->selected; i; i = i->next) {
        diagram_object* o = (diagram_object*)i->data;
        for (int h = 0; h < o->num_handles; h++) {
            object_handle* hd = o->handles[h];
            double d = distance_point_point_manhattan(&hd->pos, p);
            if (d <= best) {
                best = d;
                *handle = hd;
                *obj = o;
            }
        }
    }
    return best;
}

// ---- Selection ----

void diagram_selected_add(diagram_data* data, diagram_object* obj) {
    data->selected = g_list_prepend(data->selected, obj);
    data->selected_count++;
}

void diagram_selected_remove(diagram_data* data, diagram_object* obj) {
    GList* link = g_list_find(data->selected, obj);
    if (!link) return;
    data->selected = g_list_delete_link(data->selected, link);
    data->selected_count--;
}

void diagram_selected_clear(diagram_data* data) {
    g_list_free(data->selected);
    data->selected = nullptr;
    data->selected_count = 0;
}

int diagram_is_selected(diagram_data* data, diagram_object* obj) {
    return g_list_find(data->selected, obj) != nullptr;
}

void diagram_select_object(diagram_data* data, diagram_object* obj) {
    diagram_selected_add(data, obj);
}

void diagram_unselect_object(diagram_data* data, diagram_object* obj) {
    diagram_selected_remove(data, obj);
    if (active_focus && active_focus->obj == obj) focus_clear();
}

void diagram_unselect_objects(diagram_data* data, GList* list) {
    for (GList* i = list; i; i = i->next)
        if (diagram_is_selected(data, (diagram_object*)i->data))
            diagram_unselect_object(data, (diagram_object*)i->data);
}

void diagram_unselect_all(diagram_data* data) {
    diagram_selected_clear(data);
    focus_clear();
}

GList* diagram_selected_in_order(diagram_data* data) {
    if (!data->selected) return nullptr;
    GList* result = nullptr;
    for (GList* i = data->active_layer->objects; i; i = i->next)
        if (diagram_is_selected(data, (diagram_object*)i->data))
            result = g_list_prepend(result, i->data);
    return g_list_reverse(result);
}

GList* diagram_take_selected_in_order(diagram_data* data) {
    GList* list = diagram_selected_in_order(data);
    layer_remove_objects(data->active_layer, list);
    return list;
}

static void selection_reorder(diagram_data* data, bool to_front) {
    if (!data->selected) return;
    GList* orig = g_list_copy(data->active_layer->objects);
    GList* moved = diagram_take_selected_in_order(data);
    if (to_front)
        layer_add_objects_last(data->active_layer, moved);
    else
        layer_add_objects_first(data->active_layer, moved);
    undo_reorder_objects(data, moved, orig);
    undo_set_transaction_point(data->undo);
}

void diagram_selection_to_back(diagram_data* data) { selection_reorder(data, false); }

void diagram_selection_to_front(diagram_data* data) { selection_reorder(data, true); }

void selection_detach_external(diagram_data* data) {
    for (GList* i = data->selected; i; i = i->next) {
        diagram_object* obj = (diagram_object*)i->data;
        // Handles of the selected object hanging on unselected objects.
        for (int h = 0; h < obj->num_handles; h++) {
            object_handle* hd = obj->handles[h];
            if (hd->connected_to && !diagram_is_selected(data, hd->connected_to->object)) {
                undo_change* c = undo_disconnect(data, obj, hd);
                c->apply(c, data);
            }
        }
        // Handles of unselected objects hanging on this object's points.
        for (int c = 0; c < obj->num_connections; c++) {
            connection_point* cp = obj->connections[c];
            GList* others = g_list_copy(cp->connected);
            for (GList* o = others; o; o = o->next) {
                diagram_object* other = (diagram_object*)o->data;
                if (diagram_is_selected(data, other)) continue;
                for (int h = 0; h < other->num_handles; h++) {
                    object_handle* hd = other->handles[h];
                    if (hd->connected_to == cp) {
                        undo_change* ch = undo_disconnect(data, other, hd);
                        ch->apply(ch, data);
                    }
                }
            }
            g_list_free(others);
        }
    }
}

void object_list_move_by(GList* list, const Point* delta) {
    for (GList* i = list; i; i = i->next) {
        diagram_object* obj = (diagram_object*)i->data;
        Point to = obj->position;
        point_add_to(&to, delta);
        obj->ops->move(obj, &to);
    }
}

void diagram_relayout_objects(diagram_data* data) {
    for (guint i = 0; i < data->layers->len; i++)
        for (GList* o = ((layer*)g_ptr_array_index(data->layers, i))->objects; o; o = o->next) {
            diagram_object* obj = (diagram_object*)o->data;
            Point at = obj->position;
            obj->ops->move(obj, &at);
        }
    for (guint i = 0; i < data->layers->len; i++)
        for (GList* o = ((layer*)g_ptr_array_index(data->layers, i))->objects; o; o = o->next)
            object_update_connections(data, (diagram_object*)o->data, 1);
    diagram_update_extents(data);
}

layer* diagram_object_layer(diagram_data* data, diagram_object* obj) {
    for (guint i = 0; i < data->layers->len; i++) {
        layer* l = (layer*)g_ptr_array_index(data->layers, i);
        if (g_list_find(l->objects, obj)) return l;
    }
    return nullptr;
}

// ---- Object numbers ----

int object_assign_xref(diagram_data* data, diagram_object* obj) {
    if (obj->xref != 0) return obj->xref;
    if (data->xref_max >= 0 && data->xref_max < OBJECT_NUMBER_MAX) {
        obj->xref = ++data->xref_max;
        return obj->xref;
    }
    // The counter is spent: the lowest number no object holds.
    GHashTable* used = g_hash_table_new(g_direct_hash, g_direct_equal);
    for (guint i = 0; i < data->layers->len; i++)
        for (GList* o = ((layer*)g_ptr_array_index(data->layers, i))->objects; o; o = o->next)
            g_hash_table_add(used, GINT_TO_POINTER(((diagram_object*)o->data)->xref));
    for (int n = 1; n <= OBJECT_NUMBER_MAX && obj->xref == 0; n++)
        if (!g_hash_table_contains(used, GINT_TO_POINTER(n))) obj->xref = n;
    g_hash_table_destroy(used);
    return obj->xref;
}

diagram_object* object_find_by_xref(diagram_data* data, int xref) {
    if (xref == 0) return nullptr;
    for (guint i = 0; i < data->layers->len; i++) {
        layer* l = (layer*)g_ptr_array_index(data->layers, i);
        for (GList* o = l->objects; o; o = o->next)
            if (((diagram_object*)o->data)->xref == xref) return (diagram_object*)o->data;
    }
    return nullptr;
}

void objects_clear_xrefs(diagram_data* data, GHashTable* set) {
    for (guint i = 0; i < data->layers->len; i++) {
        layer* l = (layer*)g_ptr_array_index(data->layers, i);
        for (GList* o = l->objects; o; o = o->next) {
            ((diagram_object*)o->data)->xref = 0;
            if (set) g_hash_table_add(set, o->data);
        }
    }
    data->xref_max = 0;
}

// ---- Focus ----

void focus_set(focus_record* focus) {
    if (active_focus) active_focus->has_focus = 0;
    active_focus = focus;
    if (focus) focus->has_focus = 1;
}

focus_record* focus_get() { return active_focus; }

focus_record* focus_clear() {
    focus_record* previous = active_focus;
    if (previous) previous->has_focus = 0;
    active_focus = nullptr;
    return previous;
}
