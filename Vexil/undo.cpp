// The change record.
#include "vexil/undo.h"

#include "vexil/connpoint_line.h"
#include "vexil/diagramdata.h"

namespace {

void transaction_point_pointer(undo_change*, diagram_data*) {}

undo_change* new_transaction_point() {
    undo_change* c = g_new0(undo_change, 1);
    c->apply = transaction_point_pointer;
    c->revert = transaction_point_pointer;
    c->free = nullptr;
    return c;
}

void free_change(undo_change* c) {
    if (c->free) c->free(c);
    g_free(c);
}

}  // namespace

int undo_is_transaction_point(const undo_change* change) {
    return change && change->apply == transaction_point_pointer;
}

undo_stack* undo_stack_create(diagram_data* data) {
    undo_stack* stack = g_new0(undo_stack, 1);
    stack->diagram = data;
    undo_change* tp = new_transaction_point();
    stack->last = tp;
    stack->current = tp;
    stack->depth = 0;
    return stack;
}

undo_change* undo_first(undo_stack* stack) {
    undo_change* c = stack->last;
    while (c && c->prev) c = c->prev;
    return c;
}

int undo_chain_length(undo_stack* stack) {
    int n = 0;
    for (undo_change* c = undo_first(stack); c; c = c->next) n++;
    return n;
}

void undo_drop_redo(undo_stack* stack) {
    undo_change* c = stack->current->next;
    stack->current->next = nullptr;
    while (c) {
        undo_change* next = c->next;
        free_change(c);
        c = next;
    }
    stack->last = stack->current;
}

void undo_push_change(undo_stack* stack, undo_change* change) {
    if (stack->current != stack->last) undo_drop_redo(stack);
    change->prev = stack->last;
    change->next = nullptr;
    stack->last->next = change;
    stack->last = change;
    stack->current = change;
}

void undo_drop_oldest(undo_stack* stack) {
    undo_change* c = undo_first(stack);
    if (!c) return;
    // Free the first transaction point and the changes up to the next one.
    do {
        undo_change* next = c->next;
        if (!next) return;  // never drop the last remaining change
        next->prev = nullptr;
        free_change(c);
        c = next;
    } while (!undo_is_transaction_point(c));
    stack->depth--;
}

void undo_set_transaction_point(undo_stack* stack) {
    if (undo_is_transaction_point(stack->current)) return;
    undo_push_change(stack, new_transaction_point());
    stack->depth++;
    while (stack->depth > UNDO_MAX_TRANSACTIONS) undo_drop_oldest(stack);
}

void undo_clear(undo_stack* stack) {
    stack->current = undo_first(stack);
    stack->depth = 0;
    undo_drop_redo(stack);
}

void undo_stack_free(undo_stack* stack) {
    if (!stack) return;
    undo_clear(stack);
    free_change(stack->current);
    g_free(stack);
}

// ---- Move objects ----

namespace {

struct move_objects_change {
    undo_change base;
    GList* objects;
    Point* orig_pos;
    Point* dest_pos;
};

void move_objects_to(diagram_data* data, GList* objects, const Point* pos) {
    int i = 0;
    for (GList* l = objects; l; l = l->next, i++) {
        diagram_object* obj = (diagram_object*)l->data;
        obj->ops->move(obj, &pos[i]);
    }
    for (GList* l = objects; l; l = l->next)
        object_update_connections(data, (diagram_object*)l->data, 1);
}

void move_objects_apply(undo_change* c, diagram_data* data) {
    move_objects_change* m = (move_objects_change*)c;
    move_objects_to(data, m->objects, m->dest_pos);
}

void move_objects_revert(undo_change* c, diagram_data* data) {
    move_objects_change* m = (move_objects_change*)c;
    move_objects_to(data, m->objects, m->orig_pos);
}

void move_objects_free(undo_change* c) {
    move_objects_change* m = (move_objects_change*)c;
    g_free(m->orig_pos);
    g_free(m->dest_pos);
    g_list_free(m->objects);
}

// ---- Move handle ----

struct move_handle_change {
    undo_change base;
    diagram_object* obj;
    object_handle* handle;
    Point orig_pos;
    Point dest_pos;
};

void move_handle_apply(undo_change* c, diagram_data* data) {
    move_handle_change* m = (move_handle_change*)c;
    m->obj->ops->move_handle(m->obj, m->handle, &m->dest_pos, HANDLE_MOVE_USER, 0);
    object_update_connections(data, m->obj, 1);
}

void move_handle_revert(undo_change* c, diagram_data* data) {
    move_handle_change* m = (move_handle_change*)c;
    m->obj->ops->move_handle(m->obj, m->handle, &m->orig_pos, HANDLE_MOVE_USER, 0);
    object_update_connections(data, m->obj, 1);
}

// ---- Connect and disconnect ----

struct connect_change {
    undo_change base;
    diagram_object* obj;
    object_handle* handle;
    connection_point* conpoint;
    Point handle_pos;
};

void connect_apply(undo_change* c, diagram_data* data) {
    connect_change* m = (connect_change*)c;
    if (!handle_attach(m->obj, m->handle, m->conpoint)) return;
    Point to = m->conpoint->pos;
    m->obj->ops->move_handle(m->obj, m->handle, &to, HANDLE_MOVE_CONNECTED, 0);
    object_update_connections(data, m->obj, 0);
}

void connect_revert(undo_change* c, diagram_data* data) {
    connect_change* m = (connect_change*)c;
    handle_detach(m->obj, m->handle);
    m->obj->ops->move_handle(m->obj, m->handle, &m->handle_pos, HANDLE_MOVE_USER, 0);
    object_update_connections(data, m->obj, 0);
}

struct disconnect_change {
    undo_change base;
    diagram_object* obj;
    object_handle* handle;
    connection_point* conpoint;
};

void disconnect_apply(undo_change* c, diagram_data*) {
    disconnect_change* m = (disconnect_change*)c;
    handle_detach(m->obj, m->handle);
}

void disconnect_revert(undo_change* c, diagram_data*) {
    disconnect_change* m = (disconnect_change*)c;
    if (m->conpoint && !m->handle->connected_to) handle_attach(m->obj, m->handle, m->conpoint);
}

// ---- Delete objects ----

struct delete_objects_change {
    undo_change base;
    layer* l;
    GList* objects;
    GList* original_objects;
    int applied;
};

void delete_objects_apply(undo_change* c, diagram_data* data) {
    delete_objects_change* m = (delete_objects_change*)c;
    diagram_unselect_objects(data, m->objects);
    layer_remove_objects(m->l, m->objects);
    focus_record* focus = focus_get();
    if (focus && g_list_find(m->objects, focus->obj)) focus_clear();
    m->applied = 1;
}

void delete_objects_revert(undo_change* c, diagram_data*) {
    delete_objects_change* m = (delete_objects_change*)c;
    layer_set_object_list(m->l, g_list_copy(m->original_objects));
    m->applied = 0;
}

void delete_objects_free(undo_change* c) {
    delete_objects_change* m = (delete_objects_change*)c;
    if (m->applied)
        object_list_destroy(m->objects);
    else
        g_list_free(m->objects);
    g_list_free(m->original_objects);
}

// ---- Reorder ----

struct reorder_objects_change {
    undo_change base;
    layer* l;
    GList* changed_list;
    GList* orig_list;
    GList* new_list;
};

void reorder_apply(undo_change* c, diagram_data*) {
    reorder_objects_change* m = (reorder_objects_change*)c;
    layer_set_object_list(m->l, g_list_copy(m->new_list));
}

void reorder_revert(undo_change* c, diagram_data*) {
    reorder_objects_change* m = (reorder_objects_change*)c;
    layer_set_object_list(m->l, g_list_copy(m->orig_list));
}

void reorder_free(undo_change* c) {
    reorder_objects_change* m = (reorder_objects_change*)c;
    g_list_free(m->changed_list);
    g_list_free(m->orig_list);
    g_list_free(m->new_list);
}

// ---- Object change ----

struct object_change_change {
    undo_change base;
    diagram_object* obj;
    object_change* inner;
};

void object_change_apply(undo_change* c, diagram_data* data) {
    object_change_change* m = (object_change_change*)c;
    m->inner->apply(m->inner, m->obj);
    Point at = m->obj->position;
    m->obj->ops->move(m->obj, &at);
    object_update_connections(data, m->obj, 1);
}

void object_change_revert(undo_change* c, diagram_data* data) {
    object_change_change* m = (object_change_change*)c;
    if (m->inner->revert) m->inner->revert(m->inner, m->obj);
    Point at = m->obj->position;
    m->obj->ops->move(m->obj, &at);
    object_update_connections(data, m->obj, 1);
}

void object_change_free(undo_change* c) {
    object_change_change* m = (object_change_change*)c;
    if (m->inner->free) m->inner->free(m->inner);
    g_free(m->inner);
}

template <typename T>
T* new_change(undo_apply_fn apply, undo_revert_fn revert, undo_free_fn free_fn) {
    T* c = g_new0(T, 1);
    c->base.apply = apply;
    c->base.revert = revert;
    c->base.free = free_fn;
    return c;
}

}  // namespace

undo_change* undo_move_objects(diagram_data* data, GList* objects, Point* orig_pos,
                               Point* dest_pos) {
    auto* c =
        new_change<move_objects_change>(move_objects_apply, move_objects_revert, move_objects_free);
    c->objects = objects;
    c->orig_pos = orig_pos;
    c->dest_pos = dest_pos;
    undo_push_change(data->undo, &c->base);
    return &c->base;
}

undo_change* undo_move_handle(diagram_data* data, object_handle* handle, diagram_object* obj,
                              Point orig_pos, Point dest_pos) {
    auto* c = new_change<move_handle_change>(move_handle_apply, move_handle_revert, nullptr);
    c->obj = obj;
    c->handle = handle;
    c->orig_pos = orig_pos;
    c->dest_pos = dest_pos;
    undo_push_change(data->undo, &c->base);
    return &c->base;
}

undo_change* undo_connect(diagram_data* data, diagram_object* obj, object_handle* handle,
                          connection_point* conpoint) {
    auto* c = new_change<connect_change>(connect_apply, connect_revert, nullptr);
    c->obj = obj;
    c->handle = handle;
    c->conpoint = conpoint;
    c->handle_pos = handle->pos;
    undo_push_change(data->undo, &c->base);
    return &c->base;
}

undo_change* undo_disconnect(diagram_data* data, diagram_object* obj, object_handle* handle) {
    auto* c = new_change<disconnect_change>(disconnect_apply, disconnect_revert, nullptr);
    c->obj = obj;
    c->handle = handle;
    c->conpoint = handle->connected_to;
    undo_push_change(data->undo, &c->base);
    return &c->base;
}

undo_change* undo_delete_objects(diagram_data* data, GList* objects) {
    auto* c = new_change<delete_objects_change>(delete_objects_apply, delete_objects_revert,
                                                delete_objects_free);
    c->l = data->active_layer;
    c->objects = objects;
    c->original_objects = g_list_copy(data->active_layer->objects);
    c->applied = 0;
    undo_push_change(data->undo, &c->base);
    return &c->base;
}

undo_change* undo_reorder_objects(diagram_data* data, GList* moved, GList* orig_list) {
    auto* c = new_change<reorder_objects_change>(reorder_apply, reorder_revert, reorder_free);
    c->l = data->active_layer;
    c->changed_list = moved;
    c->orig_list = orig_list;
    c->new_list = g_list_copy(data->active_layer->objects);
    undo_push_change(data->undo, &c->base);
    return &c->base;
}

undo_change* undo_object_change(diagram_data* data, diagram_object* obj, object_change* inner) {
    auto* c = new_change<object_change_change>(object_change_apply, object_change_revert,
                                               object_change_free);
    c->obj = obj;
    c->inner = inner;
    undo_push_change(data->undo, &c->base);
    return &c->base;
}
