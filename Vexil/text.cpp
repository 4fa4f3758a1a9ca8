// Multi-line text: layout, measuring, drawing, cursor and key editing.
#include "vexil/text.h"

#include <glib.h>

#include <cmath>
#include <cstring>

#include "vexil/dia_xml.h"
#include "vexil/message.h"

namespace {

void set_line(text_block* text, int row, const char* s, int len) {
    text->strlen[row] = len;
    text->alloclen[row] = len + 1;
    text->line[row] = (char*)g_malloc((gsize)len + 1);
    memcpy(text->line[row], s, (size_t)len);
    text->line[row][len] = '\0';
}

void free_lines(text_block* text) {
    for (int i = 0; i < text->numlines; i++) g_free(text->line[i]);
    g_free(text->line);
    g_free(text->strlen);
    g_free(text->alloclen);
    g_free(text->row_width);
    text->line = nullptr;
    text->strlen = text->alloclen = nullptr;
    text->row_width = nullptr;
    text->numlines = 0;
}

void set_string(text_block* text, const char* str) {
    free_lines(text);
    // A trailing newline adds no line.
    int n = 1;
    if (str)
        for (const char* p = str; *p; p++)
            if (*p == '\n' && p[1]) n++;
    text->numlines = n;
    text->line = g_new0(char*, n);
    text->strlen = g_new0(int, n);
    text->alloclen = g_new0(int, n);
    text->row_width = g_new0(double, n);
    const char* p = str ? str : "";
    for (int row = 0; row < n; row++) {
        const char* nl = strchr(p, '\n');
        int len = nl ? (int)(nl - p) : (int)strlen(p);
        set_line(text, row, p, len);
        p = nl ? nl + 1 : p + len;
    }
    if (text->cursor_row >= n) text->cursor_row = n - 1;
    if (text->cursor_row < 0) text->cursor_row = 0;
    int chars = utf8_char_count(text->line[text->cursor_row]);
    if (text->cursor_pos > chars) text->cursor_pos = chars;
    if (text->cursor_pos < 0) text->cursor_pos = 0;
}

void measure_row(text_block* text, int row) {
    renderer* r = renderer_get_current();
    text->row_width[row] = r->ops->get_text_width(r, text->line[row], text->font, text->height);
}

void update_max_width(text_block* text) {
    text->max_width = 0.0;
    for (int i = 0; i < text->numlines; i++)
        if (text->row_width[i] > text->max_width) text->max_width = text->row_width[i];
}

int row_chars(const text_block* text, int row) { return utf8_char_count(text->line[row]); }

// Makes room for `extra` more bytes in a row: capacity twice the length + 2
// when fewer than 2 spare bytes would remain.
void ensure_capacity(text_block* text, int row, int extra) {
    int need = text->strlen[row] + extra + 1;
    if (text->alloclen[row] - need < 1) {
        int cap = 2 * (text->strlen[row] + extra) + 2;
        text->line[row] = (char*)g_realloc(text->line[row], (gsize)cap);
        text->alloclen[row] = cap;
    }
}

void insert_at(text_block* text, int row, int col, const char* s) {
    int bytes = (int)strlen(s);
    ensure_capacity(text, row, bytes);
    int off = utf8_char_offset(text->line[row], col);
    char* l = text->line[row];
    memmove(l + off + bytes, l + off, (size_t)(text->strlen[row] - off + 1));
    memcpy(l + off, s, (size_t)bytes);
    text->strlen[row] += bytes;
    measure_row(text, row);
    update_max_width(text);
}

// Deletes n characters at a column; returns them (g_free).
char* delete_at(text_block* text, int row, int col, int n) {
    char* l = text->line[row];
    int off = utf8_char_offset(l, col);
    int end = utf8_char_offset(l, col + n);
    char* removed = g_strndup(l + off, (gsize)(end - off));
    memmove(l + off, l + end, (size_t)(text->strlen[row] - end + 1));
    text->strlen[row] -= end - off;
    measure_row(text, row);
    update_max_width(text);
    return removed;
}

void join_rows(text_block* text, int row) {
    int bytes = text->strlen[row + 1];
    ensure_capacity(text, row, bytes);
    memcpy(text->line[row] + text->strlen[row], text->line[row + 1], (size_t)bytes + 1);
    text->strlen[row] += bytes;
    g_free(text->line[row + 1]);
    for (int i = row + 1; i < text->numlines - 1; i++) {
        text->line[i] = text->line[i + 1];
        text->strlen[i] = text->strlen[i + 1];
        text->alloclen[i] = text->alloclen[i + 1];
        text->row_width[i] = text->row_width[i + 1];
    }
    text->numlines--;
    measure_row(text, row);
    update_max_width(text);
}

void split_row(text_block* text, int row, int col) {
    int n = text->numlines + 1;
    text->line = g_renew(char*, text->line, n);
    text->strlen = g_renew(int, text->strlen, n);
    text->alloclen = g_renew(int, text->alloclen, n);
    text->row_width = g_renew(double, text->row_width, n);
    for (int i = n - 1; i > row + 1; i--) {
        text->line[i] = text->line[i - 1];
        text->strlen[i] = text->strlen[i - 1];
        text->alloclen[i] = text->alloclen[i - 1];
        text->row_width[i] = text->row_width[i - 1];
    }
    text->numlines = n;
    int off = utf8_char_offset(text->line[row], col);
    set_line(text, row + 1, text->line[row] + off, text->strlen[row] - off);
    text->line[row][off] = '\0';
    text->strlen[row] = off;
    measure_row(text, row);
    measure_row(text, row + 1);
    update_max_width(text);
}

// A text edit, recorded after it was made. Apply redoes it only after a revert.
struct text_change {
    object_change base;
    text_block* text;
    int type;
    char* str;  // the characters concerned
    int col;    // column where they stand (join: the column of the join)
    int row;
    int applied;
};

void text_change_do(text_change* c, bool forward) {
    text_block* t = c->text;
    int n = utf8_char_count(c->str);
    bool insert = (c->type == TEXT_CHANGE_INSERT) == forward;
    switch (c->type) {
        case TEXT_CHANGE_JOIN:
            if (forward)
                join_rows(t, c->row);
            else
                split_row(t, c->row, c->col);
            t->cursor_row = forward ? c->row : c->row + 1;
            t->cursor_pos = forward ? c->col : 0;
            return;
        default:
            if (insert)
                insert_at(t, c->row, c->col, c->str);
            else
                g_free(delete_at(t, c->row, c->col, n));
            t->cursor_row = c->row;
            t->cursor_pos = insert ? c->col + n : c->col;
            return;
    }
}

void text_change_apply(object_change* change, diagram_object*) {
    text_change* c = (text_change*)change;
    if (!c->applied) text_change_do(c, true);
    c->applied = 1;
}

void text_change_revert(object_change* change, diagram_object*) {
    text_change* c = (text_change*)change;
    if (c->applied) text_change_do(c, false);
    c->applied = 0;
}

void text_change_free(object_change* change) { g_free(((text_change*)change)->str); }

object_change* text_change_new(text_block* text, int type, const char* str, int col, int row) {
    text_change* c = g_new0(text_change, 1);
    c->base.apply = text_change_apply;
    c->base.revert = text_change_revert;
    c->base.free = text_change_free;
    c->text = text;
    c->type = type;
    c->str = g_strdup(str ? str : "");
    c->col = col;
    c->row = row;
    c->applied = 1;
    return &c->base;
}

}  // namespace

text_block* text_create(const char* str, const char** font, double height, const Point* pos,
                        const Color* color, int alignment) {
    text_block* text = g_new0(text_block, 1);
    text->font = font;
    text->height = height;
    text->position = *pos;
    text->color = *color;
    text->alignment = alignment;
    text->focus.record.obj = nullptr;
    text->focus.record.has_focus = 0;
    text->focus.text = text;
    text->focus.key_event = text_key_event;
    set_string(text, str);
    text_calc_metrics(text);
    return text;
}

void text_destroy(text_block* text) {
    if (!text) return;
    if (focus_get() == &text->focus.record) focus_clear();
    free_lines(text);
    g_free(text);
}

void text_set_string(text_block* text, const char* str) {
    set_string(text, str);
    text_calc_metrics(text);
}

char* text_get_string(const text_block* text) {
    GString* s = g_string_new(nullptr);
    for (int i = 0; i < text->numlines; i++) {
        if (i > 0) g_string_append_c(s, '\n');
        g_string_append(s, text->line[i]);
    }
    return g_string_free(s, FALSE);
}

void text_set_position(text_block* text, const Point* pos) { text->position = *pos; }

double text_line_height(const text_block* text) { return renderer_font_height_cm(text->height); }

void text_calc_metrics(text_block* text) {
    renderer* r = renderer_get_current();
    for (int i = 0; i < text->numlines; i++) measure_row(text, i);
    update_max_width(text);
    text->ascent = r->ops->get_font_ascent(r, text->font, text->height);
    text->descent = r->ops->get_font_descent(r, text->font, text->height);
}

double text_row_left(const text_block* text, int row) {
    double x = text->position.x;
    if (text->alignment == ALIGN_CENTER)
        x -= text->row_width[row] / 2;
    else if (text->alignment == ALIGN_RIGHT)
        x -= text->row_width[row];
    return x;
}

void text_calc_boundingbox(text_block* text, Rectangle* box, renderer*) {
    double left = text->position.x;
    if (text->alignment == ALIGN_CENTER)
        left -= text->max_width / 2;
    else if (text->alignment == ALIGN_RIGHT)
        left -= text->max_width;
    box->left = left;
    box->right = left + text->max_width;
    if (text->cursor_pos > 0)
        box->right += 0.05;
    else
        box->left -= 0.05;
    box->top = text->position.y - text->ascent;
    box->bottom = box->top + text->numlines * text_line_height(text);
}

double text_distance_from(text_block* text, const Point* p, renderer*) {
    double lh = text_line_height(text);
    double top = text->position.y - text->ascent;
    double bottom = top + text->numlines * lh;
    double dy = 0.0;
    int row;
    if (p->y < top) {
        dy = top - p->y;
        row = 0;
    } else if (p->y > bottom) {
        dy = p->y - bottom;
        row = text->numlines - 1;
    } else {
        row = lh > 0 ? (int)std::floor((p->y - top) / lh) : 0;
        if (row >= text->numlines) row = text->numlines - 1;
    }
    double left = text_row_left(text, row), right = left + text->row_width[row];
    double dx = 0.0;
    if (p->x < left)
        dx = left - p->x;
    else if (p->x > right)
        dx = p->x - right;
    return dx + dy;
}

void text_draw(text_block* text, renderer* r) {
    r->ops->set_font(r, text->font, text->height);
    double lh = text_line_height(text);
    Point pos = text->position;
    for (int i = 0; i < text->numlines; i++) {
        r->ops->draw_string(r, text->line[i], &pos, text->alignment, &text->color);
        pos.y += lh;
    }
    if (r->is_interactive && text->focus.record.has_focus && r->interactive_ops) {
        int row = text->cursor_row;
        double x = text->position.x +
                   r->interactive_ops->get_text_width(r, text->line[row], text->cursor_pos);
        if (text->alignment == ALIGN_CENTER)
            x -= text->row_width[row] / 2;
        else if (text->alignment == ALIGN_RIGHT)
            x -= text->row_width[row];
        double top = text->position.y - text->ascent + row * lh;
        Point a{x, top}, b{x, top + text->ascent + text->descent};
        r->ops->set_linewidth(r, 0.1);
        r->ops->set_linestyle(r, LINESTYLE_SOLID);
        r->ops->draw_line(r, &a, &b, &color_black);
    }
}

void text_set_cursor(text_block* text, const Point* clicked, renderer* r) {
    double lh = text_line_height(text);
    int row = lh > 0 ? (int)std::floor((clicked->y - (text->position.y - text->ascent)) / lh) : 0;
    if (row < 0) row = 0;
    if (row >= text->numlines) row = text->numlines - 1;
    text->cursor_row = row;
    text->cursor_pos = 0;
    if (!r || !r->is_interactive || !r->interactive_ops) {
        message_error("Internal error: Select gives non interactive renderer!\nval: %d\n", 0);
        return;
    }
    r->ops->set_font(r, text->font, text->height);
    double avail = clicked->x - text_row_left(text, row);
    int chars = row_chars(text, row);
    for (int i = 0; i <= chars; i++)
        if (r->interactive_ops->get_text_width(r, text->line[row], i) <= avail)
            text->cursor_pos = i;
}

void text_grab_focus(text_block* text, diagram_object* obj) {
    text->focus.record.obj = obj;
    focus_set(&text->focus.record);
}

int text_key_event(text_focus* focus, int keycode, const char* str, int has_char,
                   object_change** change) {
    text_block* text = focus->text;
    int row = text->cursor_row, col = text->cursor_pos;
    int chars = row_chars(text, row);
    *change = nullptr;
    switch (keycode) {
        case KEY_BACKSPACE:
            if (col > 0) {
                char* removed = delete_at(text, row, col - 1, 1);
                text->cursor_pos = col - 1;
                *change = text_change_new(text, TEXT_CHANGE_DELETE_BACKWARD, removed, col - 1, row);
                g_free(removed);
                return 1;
            }
            if (row > 0) {
                int join_col = row_chars(text, row - 1);
                join_rows(text, row - 1);
                text->cursor_row = row - 1;
                text->cursor_pos = join_col;
                *change = text_change_new(text, TEXT_CHANGE_JOIN, "\n", join_col, row - 1);
                return 1;
            }
            return 0;
        case KEY_CLEAR:
        case KEY_DELETE:
            if (col < chars) {
                char* removed = delete_at(text, row, col, 1);
                *change = text_change_new(text, TEXT_CHANGE_DELETE_FORWARD, removed, col, row);
                g_free(removed);
                return 1;
            }
            if (row < text->numlines - 1) {
                join_rows(text, row);
                *change = text_change_new(text, TEXT_CHANGE_JOIN, "\n", col, row);
                return 1;
            }
            return 0;
        case KEY_END:
            text->cursor_pos = chars;
            return 0;
        case KEY_HOME:
            text->cursor_pos = 0;
            return 0;
        case KEY_LEFT:
            if (text->cursor_pos > 0) text->cursor_pos--;
            return 0;
        case KEY_RIGHT:
            text->cursor_pos++;
            break;
        case KEY_UP:
            if (text->cursor_row > 0) text->cursor_row--;
            break;
        case KEY_DOWN:
            if (text->cursor_row < text->numlines - 1) text->cursor_row++;
            break;
        case KEY_RETURN:
            return 0;
        default: {
            if (!has_char || !str || !*str) return 0;
            // Only whole, valid characters go in.
            const char* end = nullptr;
            g_utf8_validate(str, -1, &end);
            char* valid = g_strndup(str, (gsize)(end - str));
            if (!*valid) {
                g_free(valid);
                return 0;
            }
            insert_at(text, row, col, valid);
            text->cursor_pos = col + utf8_char_count(valid);
            *change = text_change_new(text, TEXT_CHANGE_INSERT, valid, col, row);
            g_free(valid);
            return 1;
        }
    }
    // Up, Down and Right: the column stays inside the row.
    int len = row_chars(text, text->cursor_row);
    if (text->cursor_pos > len) text->cursor_pos = len;
    return 0;
}

void text_save(text_block* text, xmlNodePtr obj_node, const char* name) {
    DataNode composite = xml_add_composite(xml_new_attribute(obj_node, name), "text");
    char* str = text_get_string(text);
    xml_add_string(xml_new_attribute(composite, "string"), str);
    g_free(str);
    xml_add_point(xml_new_attribute(composite, "pos"), &text->position);
    xml_add_enum(xml_new_attribute(composite, "alignment"), text->alignment);
}

text_block* text_load(xmlNodePtr composite, double height) {
    if (!composite) return nullptr;
    char* str = xml_attr_string(composite, "string", "");
    Point pos{0, 0};
    const Point origin{0, 0};
    xml_attr_point(composite, "pos", &pos, &origin);
    int alignment = xml_attr_enum(composite, "alignment", ALIGN_LEFT);
    if (alignment < ALIGN_LEFT || alignment > ALIGN_RIGHT) alignment = ALIGN_LEFT;
    text_block* text =
        text_create(str, font_name_intern("Arial"), height, &pos, &color_black, alignment);
    g_free(str);
    return text;
}

text_block* text_load_attribute(xmlNodePtr obj_node, const char* name, double height) {
    DataNode data = xml_find_data(obj_node, name);
    return data ? text_load(data, height) : nullptr;
}
