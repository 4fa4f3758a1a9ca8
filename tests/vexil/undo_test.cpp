// The change record: transactions, depth bound, ownership, revert.
#include "support.h"

#include "vexil/undo.h"

namespace {

class Undo : public DiagramTest {};

TEST_F(Undo, an_empty_transaction_adds_nothing) {
    undo_set_transaction_point(data->undo);
    undo_set_transaction_point(data->undo);
    EXPECT_EQ(undo_chain_length(data->undo), 1);
    EXPECT_EQ(data->undo->depth, 0);
}

TEST_F(Undo, depth_is_bounded_to_twenty_transactions) {
    diagram_object* box = add(make_box(0, 0));
    for (int i = 0; i < 25; i++) {
        undo_move_handle(data, box->handles[4], box, box->handles[4]->pos, box->handles[4]->pos);
        undo_set_transaction_point(data->undo);
    }
    EXPECT_EQ(data->undo->depth, 20);
    EXPECT_EQ(undo_chain_length(data->undo), 41);
    EXPECT_TRUE(undo_is_transaction_point(undo_first(data->undo)));
}

TEST_F(Undo, freeing_a_delete_destroys_objects_only_when_applied) {
    diagram_object* a = add(make_box(0, 0));
    diagram_object* b = add(make_box(2, 0));
    test_objects_destroyed = 0;
    undo_change* unapplied = undo_delete_objects(data, g_list_append(nullptr, a));
    undo_set_transaction_point(data->undo);
    undo_clear(data->undo);
    EXPECT_EQ(test_objects_destroyed, 0);
    EXPECT_EQ(g_list_length(data->active_layer->objects), 2u);
    (void)unapplied;

    diagram_select_object(data, b);
    undo_change* del = undo_delete_objects(data, g_list_append(nullptr, b));
    del->apply(del, data);
    EXPECT_EQ(data->selected_count, 0);
    EXPECT_EQ(g_list_length(data->active_layer->objects), 1u);
    undo_set_transaction_point(data->undo);
    undo_clear(data->undo);
    EXPECT_EQ(test_objects_destroyed, 1);
}

TEST_F(Undo, each_kind_reverts_to_the_state_before_apply) {
    diagram_object* box = add(make_box(0, 0));
    diagram_object* line = add(make_line(1.1, 0.5, 4, 0.5));
    diagram_object* other = add(make_box(6, 0));
    GList* before_order = g_list_copy(data->active_layer->objects);

    // Connect: attached and moved onto the point; revert restores both.
    undo_change* c = undo_connect(data, line, line->handles[0], box->connections[2]);
    c->apply(c, data);
    EXPECT_EQ(line->handles[0]->connected_to, box->connections[2]);
    EXPECT_DOUBLE_EQ(line->handles[0]->pos.x, 1);
    c->revert(c, data);
    EXPECT_EQ(line->handles[0]->connected_to, nullptr);
    EXPECT_DOUBLE_EQ(line->handles[0]->pos.x, 1.1);
    EXPECT_EQ(box->connections[2]->connected, nullptr);

    // Disconnect.
    c->apply(c, data);
    undo_change* d = undo_disconnect(data, line, line->handles[0]);
    d->apply(d, data);
    EXPECT_EQ(line->handles[0]->connected_to, nullptr);
    d->revert(d, data);
    EXPECT_EQ(line->handles[0]->connected_to, box->connections[2]);
    EXPECT_TRUE(connections_consistent(data));

    // Move objects: recorded after the fact; revert moves back and drags the line.
    Point *orig = g_new(Point, 1), *dest = g_new(Point, 1);
    orig[0] = box->position;
    dest[0] = {0, 2};
    box->ops->move(box, &dest[0]);
    object_update_connections(data, box, 1);
    undo_change* m = undo_move_objects(data, g_list_append(nullptr, box), orig, dest);
    EXPECT_DOUBLE_EQ(line->handles[0]->pos.y, 2.5);
    m->revert(m, data);
    EXPECT_DOUBLE_EQ(box->position.y, 0);
    EXPECT_DOUBLE_EQ(line->handles[0]->pos.y, 0.5);

    // Move handle.
    Point old_end = line->handles[1]->pos, new_end{4, 3};
    undo_change* mh = undo_move_handle(data, line->handles[1], line, old_end, new_end);
    mh->apply(mh, data);
    EXPECT_EQ(line->handles[1]->pos.y, 3);
    mh->revert(mh, data);
    EXPECT_EQ(line->handles[1]->pos.y, 0.5);

    // Reorder.
    diagram_select_object(data, box);
    diagram_selection_to_front(data);
    undo_change* r = data->undo->last->prev;
    r->revert(r, data);
    GList* now = data->active_layer->objects;
    for (GList *a = before_order, *b = now; a || b; a = a->next, b = b->next)
        ASSERT_TRUE(a && b && a->data == b->data);

    // Delete.
    diagram_unselect_all(data);
    diagram_select_object(data, other);
    undo_change* del = undo_delete_objects(data, g_list_append(nullptr, other));
    del->apply(del, data);
    EXPECT_EQ(g_list_length(data->active_layer->objects), 2u);
    del->revert(del, data);
    EXPECT_EQ(g_list_length(data->active_layer->objects), 3u);
    g_list_free(before_order);
    EXPECT_TRUE(connections_consistent(data));
}

TEST_F(Undo, push_after_a_step_back_drops_the_tail) {
    diagram_object* box = add(make_box(0, 0));
    undo_move_handle(data, box->handles[4], box, box->handles[4]->pos, box->handles[4]->pos);
    undo_set_transaction_point(data->undo);
    undo_move_handle(data, box->handles[4], box, box->handles[4]->pos, box->handles[4]->pos);
    undo_change* back = data->undo->last->prev;  // step back by hand
    data->undo->current = back;
    undo_move_handle(data, box->handles[4], box, box->handles[4]->pos, box->handles[4]->pos);
    EXPECT_EQ(undo_chain_length(data->undo), 4);
    EXPECT_EQ(data->undo->last, data->undo->current);
}

}  // namespace
