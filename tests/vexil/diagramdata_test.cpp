// Layers, extents, selection, order and focus.
#include "support.h"

#include "vexil/undo.h"

namespace {

class Diagram : public DiagramTest {
protected:
    std::vector<diagram_object*> order() {
        std::vector<diagram_object*> v;
        for (GList* l = data->active_layer->objects; l; l = l->next)
            v.push_back((diagram_object*)l->data);
        return v;
    }
};

TEST_F(Diagram, extents_rules) {
    // Empty: 0,0,10,10.
    diagram_update_extents(data);
    EXPECT_EQ(data->extents.bottom, 10);
    EXPECT_EQ(data->extents.right, 10);
    // All objects above and left of the origin: from their top left to 1,1.
    add(make_box(-5, -5, 1, 1));
    EXPECT_EQ(diagram_update_extents(data), 1);
    EXPECT_EQ(data->extents.top, -5);
    EXPECT_EQ(data->extents.left, -5);
    EXPECT_EQ(data->extents.bottom, 1);
    EXPECT_EQ(data->extents.right, 1);
    add(make_box(3, 4, 2, 1));
    diagram_update_extents(data);
    EXPECT_EQ(data->extents.bottom, 5);
    EXPECT_EQ(data->extents.right, 5);
    // No visible layer: the first layer's extents.
    data->active_layer->visible = 0;
    layer* second = layer_create(g_strdup("Second"));
    second->visible = 0;
    layer_add_object(second, make_box(20, 20));
    diagram_add_layer(data, second);
    EXPECT_EQ(data->extents.right, 5);
    second->visible = 1;
    data->active_layer->visible = 1;
    diagram_update_extents(data);
    EXPECT_EQ(data->extents.right, 21);
}

TEST_F(Diagram, topmost_object_in_range_wins) {
    diagram_object* a = add(make_box(0, 0, 2, 2));
    diagram_object* b = add(make_box(0.5, 0.5, 2, 2));
    Point p{1, 1};
    EXPECT_EQ(layer_find_closest_object(data->active_layer, &p, 0.08), b);
    Point q{0.2, 0.2};
    EXPECT_EQ(layer_find_closest_object(data->active_layer, &q, 0.08), a);
    Point far{10, 10};
    EXPECT_EQ(layer_find_closest_object(data->active_layer, &far, 0.08), nullptr);
}

TEST_F(Diagram, to_back_and_to_front_keep_drawing_order_of_the_moved) {
    diagram_object* o[4];
    for (int i = 0; i < 4; i++) o[i] = add(make_box(i * 2, 0));
    diagram_select_object(data, o[3]);
    diagram_select_object(data, o[1]);
    int before = undo_chain_length(data->undo);
    diagram_selection_to_back(data);
    EXPECT_EQ(order(), (std::vector<diagram_object*>{o[1], o[3], o[0], o[2]}));
    EXPECT_EQ(undo_chain_length(data->undo), before + 2);  // reorder + transaction point
    undo_change* reorder = data->undo->last->prev;
    reorder->revert(reorder, data);
    EXPECT_EQ(order(), (std::vector<diagram_object*>{o[0], o[1], o[2], o[3]}));
    diagram_selection_to_front(data);
    EXPECT_EQ(order(), (std::vector<diagram_object*>{o[0], o[2], o[1], o[3]}));
}

TEST_F(Diagram, selection_count_only_falls_on_a_real_removal) {
    diagram_object* a = add(make_box(0, 0));
    diagram_object* b = add(make_box(2, 0));
    diagram_select_object(data, a);
    diagram_selected_remove(data, b);
    EXPECT_EQ(data->selected_count, 1);
    diagram_selected_remove(data, a);
    diagram_selected_remove(data, a);
    EXPECT_EQ(data->selected_count, 0);
    EXPECT_EQ(data->selected, nullptr);
}

TEST_F(Diagram, unselecting_the_focus_owner_clears_the_focus) {
    diagram_object* a = add(make_box(0, 0));
    focus_record f{a, 0};
    diagram_select_object(data, a);
    focus_set(&f);
    EXPECT_EQ(f.has_focus, 1);
    diagram_unselect_object(data, a);
    EXPECT_EQ(focus_get(), nullptr);
    EXPECT_EQ(f.has_focus, 0);
}

TEST_F(Diagram, detach_external_cuts_every_link_to_unselected_objects) {
    diagram_object* right = add(make_box(4, 0));
    diagram_object* line = add(make_line(1, 0.5, 4, 0.5));
    diagram_object* hanger = add(make_line(2.5, 3, 2.5, 0.5));
    diagram_object* inside = add(make_line(1, 2, 1, 0.5));
    // Earlier handles unconnected on both sides: the later ones must still be cut.
    handle_attach(line, line->handles[1], right->connections[1]);
    handle_attach(hanger, hanger->handles[1], line->connections[0]);
    handle_attach(inside, inside->handles[1], line->connections[0]);
    diagram_select_object(data, line);
    diagram_select_object(data, inside);
    selection_detach_external(data);
    EXPECT_EQ(line->handles[1]->connected_to, nullptr);
    EXPECT_EQ(hanger->handles[1]->connected_to, nullptr);
    // A link between two selected objects stays.
    EXPECT_EQ(inside->handles[1]->connected_to, line->connections[0]);
    EXPECT_TRUE(connections_consistent(data));
}

TEST_F(Diagram, xref_numbering) {
    diagram_object* a = add(make_box(0, 0));
    diagram_object* b = add(make_box(2, 0));
    EXPECT_EQ(object_assign_xref(data, a), 1);
    EXPECT_EQ(object_assign_xref(data, a), 1);
    EXPECT_EQ(data->xref_max, 1);
    EXPECT_EQ(object_assign_xref(data, b), 2);
    EXPECT_EQ(object_find_by_xref(data, 2), b);
    EXPECT_EQ(object_find_by_xref(data, 0), nullptr);
    GHashTable* set = g_hash_table_new(g_direct_hash, g_direct_equal);
    objects_clear_xrefs(data, set);
    EXPECT_EQ(g_hash_table_size(set), 2u);
    g_hash_table_destroy(set);
    EXPECT_EQ(object_assign_xref(data, b), 1);
    // A spent counter hands out the lowest free number and stays where it is.
    data->xref_max = OBJECT_NUMBER_MAX;
    EXPECT_EQ(object_assign_xref(data, a), 2);
    EXPECT_EQ(data->xref_max, OBJECT_NUMBER_MAX);
}

}  // namespace
