// Text blocks: splitting, layout, key editing and its change records.
#include "support.h"

#include "vexil/network_objects.h"
#include "vexil/text.h"
#include "vexil/undo.h"

namespace {

text_block* make_text(const char* s) {
    Point p{0, 0};
    return text_create(s, font_name_intern("Arial"), 0.5, &p, &color_black, ALIGN_LEFT);
}

std::string str(text_block* t) {
    char* s = text_get_string(t);
    std::string r = s;
    g_free(s);
    return r;
}

TEST(Text, splitting_strings_into_lines) {
    struct Case {
        const char* in;
        int lines;
        const char* joined;
    } cases[] = {
        {"a\n", 1, "a"},  {"a\n\nb", 3, "a\n\nb"}, {"", 1, ""},
        {nullptr, 1, ""}, {"x\ny", 2, "x\ny"},
    };
    for (auto& c : cases) {
        text_block* t = make_text(c.in);
        EXPECT_EQ(t->numlines, c.lines) << (c.in ? c.in : "null");
        EXPECT_EQ(str(t), c.joined);
        text_destroy(t);
    }
}

struct KeyCase {
    const char* name;
    const char* start;
    int row, col;
    int key;
    const char* chars;
    int changed;
    const char* result;
    int end_row, end_col;
};

TEST(Text, key_editing_table) {
    const KeyCase cases[] = {
        {"backspace_joins", "ab\ncd", 1, 0, KEY_BACKSPACE, nullptr, 1, "abcd", 0, 2},
        {"backspace_at_origin", "ab", 0, 0, KEY_BACKSPACE, nullptr, 0, "ab", 0, 0},
        {"backspace_deletes", "abc", 0, 2, KEY_BACKSPACE, nullptr, 1, "ac", 0, 1},
        {"delete_joins", "ab\ncd", 0, 2, KEY_DELETE, nullptr, 1, "abcd", 0, 2},
        {"clear_deletes", "abc", 0, 0, KEY_CLEAR, nullptr, 1, "bc", 0, 0},
        {"delete_at_end", "ab", 0, 2, KEY_DELETE, nullptr, 0, "ab", 0, 2},
        {"left_at_start", "ab", 0, 0, KEY_LEFT, nullptr, 0, "ab", 0, 0},
        {"right_at_end", "ab", 0, 2, KEY_RIGHT, nullptr, 0, "ab", 0, 2},
        {"down_clamps", "abcd\nx", 0, 4, KEY_DOWN, nullptr, 0, "abcd\nx", 1, 1},
        {"up_at_top", "ab", 0, 1, KEY_UP, nullptr, 0, "ab", 0, 1},
        {"end_home", "abc", 0, 1, KEY_END, nullptr, 0, "abc", 0, 3},
        {"return_nothing", "abc", 0, 1, KEY_RETURN, "\r", 0, "abc", 0, 1},
        {"insert", "ac", 0, 1, 'B', "b", 1, "abc", 0, 2},
        {"insert_utf8", "ab", 0, 1, 0, "\xc3\xb8", 1,
         "a\xc3\xb8"
         "b",
         0, 2},
        {"backspace_utf8",
         "a\xc3\xb8"
         "b",
         0, 2, KEY_BACKSPACE, nullptr, 1, "ab", 0, 1},
        {"delete_utf8", "\xc2\xb0x", 0, 0, KEY_DELETE, nullptr, 1, "x", 0, 0},
        {"right_over_utf8", "\xc3\xb8\xc3\xb8", 0, 1, KEY_RIGHT, nullptr, 0, "\xc3\xb8\xc3\xb8", 0,
         2},
        {"invalid_bytes_refused", "ab", 0, 1, 0, "\xc3", 0, "ab", 0, 1},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        text_block* t = make_text(c.start);
        t->cursor_row = c.row;
        t->cursor_pos = c.col;
        object_change* change = nullptr;
        int changed = text_key_event(&t->focus, c.key, c.chars, c.chars != nullptr, &change);
        EXPECT_EQ(changed, c.changed);
        EXPECT_EQ(change != nullptr, c.changed == 1);
        EXPECT_EQ(str(t), c.result);
        EXPECT_TRUE(g_utf8_validate(str(t).c_str(), -1, nullptr));
        EXPECT_EQ(t->cursor_row, c.end_row);
        EXPECT_EQ(t->cursor_pos, c.end_col);
        for (int i = 0; i < t->numlines; i++) EXPECT_EQ(t->strlen[i], (int)strlen(t->line[i]));
        if (change) {
            // Revert gives back the text before the key; apply again redoes it.
            change->revert(change, nullptr);
            EXPECT_EQ(str(t), std::string(c.start));
            change->apply(change, nullptr);
            EXPECT_EQ(str(t), c.result);
            change->free(change);
            g_free(change);
        }
        text_destroy(t);
    }
}

TEST(Text, capacity_grows_to_twice_the_length_plus_two) {
    text_block* t = make_text("abc");
    EXPECT_EQ(t->alloclen[0], 4);
    t->cursor_pos = 3;
    object_change* change;
    text_key_event(&t->focus, 'd', "d", 1, &change);
    EXPECT_EQ(t->alloclen[0], 10);  // 2 * 4 + 2
    change->free(change);
    g_free(change);
    for (int i = 0; i < 20; i++) {
        text_key_event(&t->focus, 'x', "x", 1, &change);
        change->free(change);
        g_free(change);
    }
    EXPECT_EQ(str(t), "abcd" + std::string(20, 'x'));
    EXPECT_GE(t->alloclen[0], t->strlen[0] + 1);
    text_destroy(t);
}

TEST(Text, bounding_box_and_distance_with_the_fallback_metrics) {
    // Without a device every line measures |height| wide, ascent |height|.
    text_block* t = make_text("one\ntwo");
    Rectangle b;
    text_calc_boundingbox(t, &b, nullptr);
    EXPECT_DOUBLE_EQ(b.left, -0.05);  // cursor at column 0: margin on the left
    EXPECT_DOUBLE_EQ(b.right, 0.5);
    EXPECT_DOUBLE_EQ(b.top, -0.5);
    EXPECT_DOUBLE_EQ(b.bottom, 0.5);
    Point inside{0.25, 0.2}, right{1.0, 0.2}, above{0.25, -1.0}, below_left{-1, 1.5};
    EXPECT_DOUBLE_EQ(text_distance_from(t, &inside, nullptr), 0.0);
    EXPECT_DOUBLE_EQ(text_distance_from(t, &right, nullptr), 0.5);
    EXPECT_DOUBLE_EQ(text_distance_from(t, &above, nullptr), 0.5);
    EXPECT_DOUBLE_EQ(text_distance_from(t, &below_left, nullptr), 2.0);
    text_destroy(t);
}

TEST(Text, label_edit_through_an_object_change) {
    diagram_data* data = diagram_data_create();
    diagram_object* inlet = create_object("FlowInlet", 1, 1);
    layer_add_object(data->active_layer, inlet);
    text_block* label = object_label(inlet);
    text_grab_focus(label, inlet);
    EXPECT_EQ(focus_get(), &label->focus.record);
    object_change* inner;
    ASSERT_EQ(label->focus.key_event(&label->focus, 0, "\xc3\x98", 1, &inner), 1);
    undo_change* c = undo_object_change(data, inlet, inner);
    c->apply(c, data);  // already made: applying keeps one character
    EXPECT_EQ(str(label), "\xc3\x98");
    c->revert(c, data);
    EXPECT_EQ(str(label), "");
    undo_set_transaction_point(data->undo);
    diagram_data_free(data);
    EXPECT_EQ(focus_get(), nullptr);
}

}  // namespace
