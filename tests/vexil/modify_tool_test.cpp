// Modify-tool scripts on a renderer of 100 pixels per centimetre (7 pixels
// are 0.07 cm).
#include "qt_canvas.h"
#include "vexil/modify_tool.h"
#include "vexil/network_objects.h"
#include "vexil/undo.h"

namespace {

struct ModifyScript : public ::testing::Test {
    ModifyScript() : c(8, 6) { tool = modify_tool_create(c.r); }
    ~ModifyScript() override {
        EXPECT_TRUE(connections_consistent(c.data));
        modify_tool_free(tool);
    }
    void press(double x, double y, int extend = 0) {
        Point p{x, y};
        modify_button_press(tool, &p, extend, c.data);
    }
    void motion(double x, double y) {
        Point p{x, y};
        modify_motion(tool, &p, c.data);
    }
    void release(double x, double y, int extend = 0) {
        Point p{x, y};
        modify_button_release(tool, &p, extend, c.data);
    }
    // Changes recorded since the start of the script (transaction points excluded).
    std::vector<undo_change*> changes() {
        std::vector<undo_change*> v;
        for (undo_change* ch = undo_first(c.data->undo); ch; ch = ch->next)
            if (!undo_is_transaction_point(ch)) v.push_back(ch);
        return v;
    }
    Canvas c;
    modify_tool* tool;
};

TEST_F(ModifyScript, a_handle_within_seven_pixels_wins_over_another_object) {
    diagram_object* pipe = c.add("Pipeline", 1, 1);      // ends (1,1) and (2,2)
    diagram_object* join = c.add("PipeJoin", 1.7, 1.7);  // drawn on top, covers (2,2)
    diagram_select_object(c.data, pipe);
    press(2.05, 2.05);  // 5 pixels from the end handle, inside the join
    EXPECT_EQ(tool->state, STATE_MOVE_HANDLE);
    EXPECT_EQ(tool->handle, pipe->handles[1]);
    EXPECT_FALSE(diagram_is_selected(c.data, join));
    release(2.05, 2.05);
    // Corner handles of type 0 are never grabbed: a selected join is moved instead.
    diagram_unselect_all(c.data);
    diagram_select_object(c.data, join);
    press(1.7, 1.7);
    EXPECT_EQ(tool->state, STATE_MOVE_OBJECT);
    release(1.7, 1.7);
}

TEST_F(ModifyScript, shift_click_toggles_and_starts_a_rectangle) {
    diagram_object* a = c.add("Junction", 1, 1);
    diagram_object* b = c.add("Junction", 3, 1);
    press(1.3, 1.3);
    release(1.3, 1.3);
    press(3.3, 1.3, 1);
    release(3.3, 1.3, 1);
    EXPECT_TRUE(diagram_is_selected(c.data, a));
    EXPECT_TRUE(diagram_is_selected(c.data, b));
    EXPECT_EQ(c.data->selected_count, 2);
    press(1.3, 1.3, 1);
    EXPECT_FALSE(diagram_is_selected(c.data, a));
    EXPECT_EQ(tool->state, STATE_BOX_SELECT);
    release(1.3, 1.3, 1);
    EXPECT_TRUE(diagram_is_selected(c.data, b));
}

TEST_F(ModifyScript, dragging_toward_the_top_left_stops_at_zero_per_axis) {
    diagram_object* a = c.add("Junction", 2, 0.5);  // position (2.3, 0.8)
    diagram_object* b = c.add("Junction", 4, 2);    // position (4.3, 2.3)
    diagram_select_object(c.data, a);
    diagram_select_object(c.data, b);
    press(2.3, 0.8);
    EXPECT_EQ(tool->state, STATE_MOVE_OBJECT);
    motion(1.3, -3.0);  // wants (-1, -3.8): x moves by -1, y stops at -0.8
    EXPECT_DOUBLE_EQ(a->position.x, 1.3);
    EXPECT_DOUBLE_EQ(a->position.y, 0.0);
    EXPECT_DOUBLE_EQ(b->position.x, 3.3);
    EXPECT_DOUBLE_EQ(b->position.y, 1.5);
    motion(-5, -5);
    EXPECT_DOUBLE_EQ(a->position.x, 0.0);
    EXPECT_DOUBLE_EQ(b->position.x, 2.0);
    release(-5, -5);
    auto ch = changes();
    ASSERT_EQ(ch.size(), 1u);  // one move change for both
    ch[0]->revert(ch[0], c.data);
    EXPECT_DOUBLE_EQ(a->position.x, 2.3);
    EXPECT_DOUBLE_EQ(b->position.y, 2.3);
}

TEST_F(ModifyScript, a_pipeline_end_snaps_onto_an_inlet_and_connects_once) {
    diagram_object* inlet = c.add("FlowInlet", 0.5, 0.5);  // bottom point (0.8, 1.1)
    diagram_object* pipe = c.add("Pipeline", 3, 3);
    diagram_select_object(c.data, pipe);
    press(3, 3);
    EXPECT_EQ(tool->handle, pipe->handles[0]);
    motion(2, 2);
    motion(0.9, 1.05);  // 0.15 from the point: snaps
    EXPECT_DOUBLE_EQ(pipe->handles[0]->pos.x, 0.8);
    EXPECT_DOUBLE_EQ(pipe->handles[0]->pos.y, 1.1);
    release(0.9, 1.05);
    EXPECT_EQ(pipe->handles[0]->connected_to, inlet->connections[3]);
    auto ch = changes();
    ASSERT_EQ(ch.size(), 2u);  // the handle move, then exactly one connect
    undo_change* connect = ch[1];
    connect->revert(connect, c.data);
    EXPECT_EQ(pipe->handles[0]->connected_to, nullptr);
    connect->apply(connect, c.data);
    // Dragging the end away disconnects it at the first motion.
    press(0.8, 1.1);
    motion(1.5, 1.5);
    EXPECT_EQ(pipe->handles[0]->connected_to, nullptr);
    release(1.5, 1.5);
}

TEST_F(ModifyScript, press_and_release_without_motion_records_no_move) {
    diagram_object* a = c.add("Junction", 1, 1);
    press(1.3, 1.3);
    release(1.3, 1.3);
    EXPECT_TRUE(diagram_is_selected(c.data, a));
    EXPECT_TRUE(changes().empty());
    EXPECT_TRUE(undo_is_transaction_point(c.data->undo->last));
    EXPECT_EQ(undo_chain_length(c.data->undo), 1);
}

TEST_F(ModifyScript, rectangles_in_either_direction_select_the_same_set) {
    diagram_object* a = c.add("Junction", 1, 1);
    diagram_object* b = c.add("FlowOutlet", 2, 1);
    c.add("Junction", 5, 4);
    object_set_label(a, "A");
    press(0.5, 0.5);
    motion(3.5, 2.9);
    release(3.5, 2.9);
    EXPECT_EQ(c.data->selected_count, 2);
    EXPECT_TRUE(diagram_is_selected(c.data, a) && diagram_is_selected(c.data, b));
    diagram_unselect_all(c.data);
    press(3.5, 2.9);
    motion(0.5, 0.5);
    release(0.5, 0.5);
    EXPECT_EQ(c.data->selected_count, 2);
    EXPECT_TRUE(diagram_is_selected(c.data, a) && diagram_is_selected(c.data, b));
}

int repaints = 0;

TEST_F(ModifyScript, the_selection_rectangle_is_an_overlay_without_trails) {
    tool->repaint = [](void*) { repaints++; };
    press(0.5, 0.5);
    EXPECT_EQ(tool->x1, 50);
    motion(2.0, 1.0);
    motion(1.0, 0.9);  // shrinking: the old outline must not stay
    // The view repaints the diagram, then draws the overlay.
    c.clear();
    diagram_render(c.data, c.r, 0);
    modify_tool_draw_overlay(tool, c.r);
    EXPECT_GT(c.black_on_row(50, 50, 100), 10);  // the dashed top edge
    EXPECT_EQ(c.black_on_row(100, 101, 200),
              0);  // the bigger rectangle's bottom edge left no trail
    EXPECT_EQ(c.black_on_row(50, 101, 200), 0);
    EXPECT_GE(repaints, 3);
    EXPECT_EQ(tool->x2 - tool->x1, 50);
    EXPECT_EQ(tool->y2 - tool->y1, 40);
    release(1.0, 0.9);
    EXPECT_EQ(tool->box_visible, 0);
}

}  // namespace

namespace {

TEST_F(ModifyScript, a_second_click_on_a_label_starts_editing_but_not_on_the_symbol) {
    diagram_object* inlet = c.add("FlowInlet", 1, 1);
    object_set_label(inlet, "Well");
    point_object* po = as_point_object(inlet);
    double cx = inlet->position.x;
    press(cx, 1.3);  // first click selects
    release(cx, 1.3);
    EXPECT_EQ(focus_get(), nullptr);
    press(cx, 1.3);  // on the symbol, above the label band
    release(cx, 1.3);
    EXPECT_EQ(focus_get(), nullptr);
    double label_y = po->label->position.y - 0.05;
    double right_end = cx + po->label->max_width / 2;
    press(right_end + 0.02,
          label_y);  // just right of the label: the cursor goes after the last letter
    release(right_end + 0.02, label_y);
    ASSERT_EQ(focus_get(), &po->label->focus.record);
    text_focus* focus = text_focus_of(focus_get());
    EXPECT_EQ(focus->text->cursor_pos, 4);
    // Typing goes through an object change, and the symbol stays put.
    object_change* inner;
    ASSERT_EQ(focus->key_event(focus, 0, " \xc3\xb8st", 1, &inner), 1);
    undo_change* change = undo_object_change(c.data, inlet, inner);
    change->apply(change, c.data);
    undo_set_transaction_point(c.data->undo);
    char* s = text_get_string(po->label);
    EXPECT_STREQ(s, "Well \xc3\xb8st");
    g_free(s);
    EXPECT_DOUBLE_EQ(inlet->position.x, cx);
    // Clicking elsewhere ends editing.
    press(7, 5);
    release(7, 5);
    EXPECT_EQ(focus_get(), nullptr);
}

}  // namespace
