// The mouse editing tool of the Select mode: press selects or grabs a handle,
// motion moves the selection, drags the handle or stretches a selection
// rectangle, release records the change and ends the transaction.
#pragma once

#include "vexil/diagramdata.h"
#include "vexil/renderer.h"

enum modify_state {
    STATE_NONE = 0,
    STATE_MOVE_OBJECT = 1,
    STATE_MOVE_HANDLE = 2,
    STATE_BOX_SELECT = 3,
};

// Hit distance of objects, kept as the single-precision value it always was.
constexpr double MODIFY_OBJECT_HIT_DISTANCE = (double)0.08f;

struct modify_tool {
    void (*button_press)(modify_tool* tool, const Point* p, int extend, diagram_data* data);
    void (*button_release)(modify_tool* tool, const Point* p, int extend, diagram_data* data);
    void (*motion)(modify_tool* tool, const Point* p, diagram_data* data);
    int state;
    int break_connections;
    Point move_compensate;
    diagram_object* object;
    object_handle* handle;
    Point last_to;
    Point start_at;
    renderer* interactive;
    int x1, y1, x2, y2;  // selection rectangle in pixels
    Point start_box;
    Point end_box;
    Point* orig_pos;  // positions before the drag, or null
    int orig_count;
    // How near a dragged handle must come to a connection point to snap to
    // it and connect (diagram units; the view sets it for its zoom).
    double snap_reach;
    // The selection rectangle is an overlay: while visible the view draws it
    // after the diagram (modify_tool_draw_overlay). `repaint` (optional) asks
    // the view to repaint whenever the overlay changes.
    int box_visible;
    void (*repaint)(void* user_data);
    void* repaint_data;
};

modify_tool* modify_tool_create(renderer* interactive);
void modify_tool_free(modify_tool* tool);
void modify_button_press(modify_tool* tool, const Point* p, int extend, diagram_data* data);
void modify_motion(modify_tool* tool, const Point* p, diagram_data* data);
void modify_button_release(modify_tool* tool, const Point* p, int extend, diagram_data* data);
// Draws the selection rectangle when one is being stretched.
void modify_tool_draw_overlay(modify_tool* tool, renderer* interactive);
// Forgets a drag in progress (the view lost the mouse).
void modify_tool_reset(modify_tool* tool);
