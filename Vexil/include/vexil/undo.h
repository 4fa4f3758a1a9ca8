// The change record: every editing step as a chain of changes on the
// diagram's undo stack, grouped into transactions (at most 20 kept).
#pragma once

#include <glib.h>

#include "vexil/object.h"

struct diagram_data;
struct layer;

struct undo_change;
typedef void (*undo_apply_fn)(undo_change* change, diagram_data* data);
typedef void (*undo_revert_fn)(undo_change* change, diagram_data* data);
typedef void (*undo_free_fn)(undo_change* change);

// Base of every kind; a kind's record begins with it.
struct undo_change {
    undo_apply_fn apply;
    undo_revert_fn revert;
    undo_free_fn free;
    undo_change* prev;
    undo_change* next;
};

// An object's own change (such as a text edit), wrapped by undo_object_change.
struct object_change {
    void (*apply)(object_change* change, diagram_object* obj);
    void (*revert)(object_change* change, diagram_object* obj);
    void (*free)(object_change* change);
};

constexpr int UNDO_MAX_TRANSACTIONS = 20;

struct undo_stack {
    diagram_data* diagram;
    undo_change* last;
    undo_change* current;
    int depth;
};

undo_stack* undo_stack_create(diagram_data* data);
void undo_stack_free(undo_stack* stack);
void undo_push_change(undo_stack* stack, undo_change* change);
void undo_set_transaction_point(undo_stack* stack);
int undo_is_transaction_point(const undo_change* change);
void undo_drop_oldest(undo_stack* stack);
void undo_drop_redo(undo_stack* stack);
void undo_clear(undo_stack* stack);
// First change of the chain (a transaction point).
undo_change* undo_first(undo_stack* stack);
// Number of changes in the chain, transaction points included.
int undo_chain_length(undo_stack* stack);

// Constructors; each pushes its change and returns it. Only the caller applies.
undo_change* undo_move_objects(diagram_data* data, GList* objects, Point* orig_pos,
                               Point* dest_pos);
undo_change* undo_move_handle(diagram_data* data, object_handle* handle, diagram_object* obj,
                              Point orig_pos, Point dest_pos);
undo_change* undo_connect(diagram_data* data, diagram_object* obj, object_handle* handle,
                          connection_point* conpoint);
undo_change* undo_disconnect(diagram_data* data, diagram_object* obj, object_handle* handle);
undo_change* undo_delete_objects(diagram_data* data, GList* objects);
undo_change* undo_reorder_objects(diagram_data* data, GList* moved, GList* orig_list);
undo_change* undo_object_change(diagram_data* data, diagram_object* obj, object_change* inner);
