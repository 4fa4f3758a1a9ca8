// Multi-line text with in-place editing through the keyboard focus. Text is
// UTF-8: the cursor column counts characters, never bytes.
#pragma once

#include "vexil/diagramdata.h"
#include "vexil/renderer.h"
#include "vexil/undo.h"

struct text_block;

struct text_focus {
    focus_record record;
    text_block* text;
    int (*key_event)(text_focus* focus, int keycode, const char* str, int has_char,
                     object_change** change);
};

// The text focus behind a focus record that a text block holds (the record
// is the text focus's first member); null for null.
inline text_focus* text_focus_of(focus_record* record) {
    return reinterpret_cast<text_focus*>(record);
}

struct text_block {
    char** line;
    int numlines;
    int* strlen;    // bytes of each line
    int* alloclen;  // capacity of each line (bytes, at least strlen + 1)
    const char** font;
    double height;   // negative: points
    Point position;  // x of the alignment point, y of the first baseline
    Color color;
    int alignment;
    int cursor_pos;  // column in characters
    int cursor_row;
    text_focus focus;
    double ascent;
    double descent;
    double max_width;
    double* row_width;
};

// Key codes.
enum text_key {
    KEY_BACKSPACE = 8,
    KEY_CLEAR = 12,
    KEY_RETURN = 13,
    KEY_END = 35,
    KEY_HOME = 36,
    KEY_LEFT = 37,
    KEY_UP = 38,
    KEY_RIGHT = 39,
    KEY_DOWN = 40,
    KEY_DELETE = 46,
};

enum text_change_type {
    TEXT_CHANGE_DELETE_BACKWARD = 0,
    TEXT_CHANGE_DELETE_FORWARD = 1,
    TEXT_CHANGE_INSERT = 2,
    TEXT_CHANGE_JOIN = 3,
};

text_block* text_create(const char* str, const char** font, double height, const Point* pos,
                        const Color* color, int alignment);
void text_destroy(text_block* text);
void text_set_string(text_block* text, const char* str);
char* text_get_string(const text_block* text);
void text_set_position(text_block* text, const Point* pos);
// Line height in diagram units.
double text_line_height(const text_block* text);
// Re-measures every line with the current renderer.
void text_calc_metrics(text_block* text);
void text_calc_boundingbox(text_block* text, Rectangle* box, renderer* r);
double text_distance_from(text_block* text, const Point* p, renderer* r);
void text_draw(text_block* text, renderer* r);
void text_set_cursor(text_block* text, const Point* clicked, renderer* r);
void text_grab_focus(text_block* text, diagram_object* obj);
int text_key_event(text_focus* focus, int keycode, const char* str, int has_char,
                   object_change** change);
// Left end of a row after alignment.
double text_row_left(const text_block* text, int row);

void text_save(text_block* text, xmlNodePtr obj_node, const char* name);
// A missing node gives null.
text_block* text_load(xmlNodePtr composite, double height);
// Reads the composite attribute `name` of an object; null when missing.
text_block* text_load_attribute(xmlNodePtr obj_node, const char* name, double height);
