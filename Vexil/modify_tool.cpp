// The modify tool: select, move, drag handles, snap and connect, and the
// selection rectangle (drawn as an overlay by the view).
#include "vexil/modify_tool.h"

#include <cmath>

#include "vexil/connpoint_line.h"
#include "vexil/message.h"
#include "vexil/undo.h"

namespace {

void request_repaint(modify_tool* tool) {
    if (tool->repaint) tool->repaint(tool->repaint_data);
}

// The nearest handle of a selected object when it is within the click
// distance; fixed corner handles (type 0) can never be dragged and are passed over.
object_handle* modify_find_handle(modify_tool* tool, diagram_data* data, const Point* p,
                                  diagram_object** obj) {
    double best = 1e6;
    object_handle* found = nullptr;
    *obj = nullptr;
    for (GList* i = data->selected; i; i = i->next) {
        diagram_object* o = (diagram_object*)i->data;
        for (int h = 0; h < o->num_handles; h++) {
            object_handle* hd = o->handles[h];
            if (hd->type == HANDLE_NON_MOVABLE) continue;
            double d = distance_point_point_manhattan(&hd->pos, p);
            if (d <= best) {
                best = d;
                found = hd;
                *obj = o;
            }
        }
    }
    if (found && handle_is_clicked(tool->interactive, found, p)) return found;
    *obj = nullptr;
    return nullptr;
}

diagram_object* modify_find_object(modify_tool* tool, diagram_data* data, const Point* p,
                                   int extend) {
    diagram_object* obj =
        layer_find_closest_object(data->active_layer, p, MODIFY_OBJECT_HIT_DISTANCE);
    if (!obj) {
        if (!extend) diagram_unselect_all(data);
        return nullptr;
    }
    if (diagram_is_selected(data, obj)) {
        obj->ops->select(obj, p, tool->interactive, 0);
        if (extend) {
            diagram_unselect_object(data, obj);
            return nullptr;
        }
        return obj;
    }
    if (!extend) diagram_unselect_all(data);
    diagram_select_object(data, obj);
    obj->ops->select(obj, p, tool->interactive, 1);
    return obj;
}

bool grab_handle(modify_tool* tool, diagram_data* data, const Point* p) {
    diagram_object* obj;
    object_handle* h = modify_find_handle(tool, data, p, &obj);
    if (!h) return false;
    tool->state = STATE_MOVE_HANDLE;
    tool->break_connections = 1;
    tool->object = obj;
    tool->handle = h;
    tool->last_to = h->pos;
    tool->start_at = *p;
    return true;
}

void box_corners(modify_tool* tool) {
    int sx, sy, ex, ey;
    tool->interactive->interactive_ops->to_pixel(tool->interactive, &tool->start_box, &sx, &sy);
    tool->interactive->interactive_ops->to_pixel(tool->interactive, &tool->end_box, &ex, &ey);
    tool->x1 = std::min(sx, ex);
    tool->y1 = std::min(sy, ey);
    tool->x2 = std::max(sx, ex);
    tool->y2 = std::max(sy, ey);
}

void forget_drag(modify_tool* tool) {
    tool->state = STATE_NONE;
    tool->break_connections = 0;
    g_free(tool->orig_pos);
    tool->orig_pos = nullptr;
    tool->orig_count = 0;
    if (tool->box_visible) {
        tool->box_visible = 0;
        request_repaint(tool);
    }
}

}  // namespace

modify_tool* modify_tool_create(renderer* interactive) {
    modify_tool* tool = g_new0(modify_tool, 1);
    tool->button_press = modify_button_press;
    tool->button_release = modify_button_release;
    tool->motion = modify_motion;
    tool->state = STATE_NONE;
    tool->break_connections = 0;
    tool->interactive = interactive;
    tool->orig_pos = nullptr;
    tool->snap_reach = CONNECTION_SNAP_DISTANCE;
    return tool;
}

void modify_tool_free(modify_tool* tool) {
    if (!tool) return;
    g_free(tool->orig_pos);
    g_free(tool);
}

void modify_tool_reset(modify_tool* tool) {
    forget_drag(tool);
    tool->object = nullptr;
    tool->handle = nullptr;
}

void modify_button_press(modify_tool* tool, const Point* p, int extend, diagram_data* data) {
    if (grab_handle(tool, data, p)) return;
    diagram_object* obj = modify_find_object(tool, data, p, extend);
    if (grab_handle(tool, data, p)) return;
    if (obj) {
        tool->state = STATE_MOVE_OBJECT;
        tool->object = obj;
        tool->move_compensate = obj->position;
        point_sub(&tool->move_compensate, p);
        tool->break_connections = 1;
        tool->last_to = *p;
        return;
    }
    tool->state = STATE_BOX_SELECT;
    tool->start_box = *p;
    tool->end_box = *p;
    box_corners(tool);
    renderer* r = tool->interactive;
    r->ops->set_linewidth(r, 0);
    r->ops->set_linecaps(r, 0);
    r->ops->set_linejoin(r, 0);
    r->ops->set_linestyle(r, LINESTYLE_DASHED);
    tool->box_visible = 1;
    request_repaint(tool);
}

void modify_motion(modify_tool* tool, const Point* p, diagram_data* data) {
    Point to = *p;
    switch (tool->state) {
        case STATE_NONE:
            return;
        case STATE_MOVE_OBJECT: {
            if (!tool->orig_pos) {
                tool->orig_count = data->selected_count;
                tool->orig_pos = g_new(Point, tool->orig_count > 0 ? tool->orig_count : 1);
                int i = 0;
                for (GList* l = data->selected; l && i < tool->orig_count; l = l->next, i++)
                    tool->orig_pos[i] = ((diagram_object*)l->data)->position;
            }
            double min_x = 1e300, min_y = 1e300;
            for (GList* l = data->selected; l; l = l->next) {
                diagram_object* o = (diagram_object*)l->data;
                min_x = std::min(min_x, o->position.x);
                min_y = std::min(min_y, o->position.y);
            }
            if (tool->break_connections) selection_detach_own_handles(data);
            Point target = to;
            point_add_to(&target, &tool->move_compensate);
            Point delta = target;
            point_sub(&delta, &tool->object->position);
            // No selected object goes left of or above 0.
            if (min_x + delta.x < 0) delta.x = -min_x;
            if (min_y + delta.y < 0) delta.y = -min_y;
            object_list_move_by(data->selected, &delta);
            selection_update_connections(data);
            break;
        }
        case STATE_MOVE_HANDLE: {
            if (tool->handle->connect_type == HANDLE_CONNECTABLE) {
                connection_point* cp =
                    diagram_find_connection_point_near(data, &to, tool->object, tool->snap_reach);
                if (cp) to = cp->pos;
            }
            if (tool->break_connections && tool->handle->connected_to) {
                undo_change* c = undo_disconnect(data, tool->object, tool->handle);
                c->apply(c, data);
            }
            if (!tool->orig_pos) {
                tool->orig_pos = g_new(Point, 1);
                tool->orig_pos[0] = tool->handle->pos;
                tool->orig_count = 1;
            }
            tool->object->ops->move_handle(tool->object, tool->handle, &to, HANDLE_MOVE_USER_STEP,
                                           0);
            selection_update_connections(data);
            break;
        }
        case STATE_BOX_SELECT:
            // The old outline goes with the repaint; the new one is drawn as the overlay.
            tool->end_box = to;
            box_corners(tool);
            request_repaint(tool);
            break;
        default:
            message_error("Internal error: Strange state in modify_tool\n");
            return;
    }
    tool->last_to = to;
}

void modify_button_release(modify_tool* tool, const Point* p, int extend, diagram_data* data) {
    switch (tool->state) {
        case STATE_NONE:
            break;
        case STATE_MOVE_OBJECT:
            selection_update_connections(data);
            if (tool->orig_pos) {
                int n = tool->orig_count;
                GList* objects = g_list_copy(data->selected);
                Point* dest = g_new(Point, n > 0 ? n : 1);
                int i = 0;
                for (GList* l = objects; l && i < n; l = l->next, i++)
                    dest[i] = ((diagram_object*)l->data)->position;
                undo_move_objects(data, objects, tool->orig_pos, dest);
                tool->orig_pos = nullptr;  // the change owns it now
            }
            selection_autoconnect(data, tool->snap_reach);
            undo_set_transaction_point(data->undo);
            break;
        case STATE_MOVE_HANDLE:
            if (tool->orig_pos)
                undo_move_handle(data, tool->handle, tool->object, tool->orig_pos[0],
                                 tool->last_to);
            tool->object->ops->move_handle(tool->object, tool->handle, &tool->last_to,
                                           HANDLE_MOVE_USER, 0);
            if (tool->handle->connect_type == HANDLE_CONNECTABLE) {
                handle_autoconnect(data, tool->object, tool->handle, tool->snap_reach);
                selection_update_connections(data);
            }
            undo_set_transaction_point(data->undo);
            break;
        case STATE_BOX_SELECT: {
            tool->end_box = *p;
            Rectangle r{std::min(tool->start_box.y, tool->end_box.y),
                        std::min(tool->start_box.x, tool->end_box.x),
                        std::max(tool->start_box.y, tool->end_box.y),
                        std::max(tool->start_box.x, tool->end_box.x)};
            GList* found = layer_objects_in_rectangle(data->active_layer, &r);
            if (!extend) diagram_unselect_all(data);
            for (GList* l = found; l; l = l->next)
                if (!diagram_is_selected(data, (diagram_object*)l->data))
                    diagram_select_object(data, (diagram_object*)l->data);
            g_list_free(found);
            break;
        }
        default:
            message_error("Internal error: Strange state in modify_tool\n");
            break;
    }
    forget_drag(tool);
}

void modify_tool_draw_overlay(modify_tool* tool, renderer* interactive) {
    if (tool->state != STATE_BOX_SELECT || !tool->box_visible || !interactive->interactive_ops)
        return;
    int saved_style = interactive->line_style, saved_width = interactive->line_width;
    interactive->ops->set_linewidth(interactive, 0);
    interactive->ops->set_linestyle(interactive, LINESTYLE_DASHED);
    interactive->interactive_ops->draw_pixel_rect(
        interactive, tool->x1, tool->y1, tool->x2 - tool->x1, tool->y2 - tool->y1, &color_black);
    interactive->line_style = saved_style;
    interactive->line_width = saved_width;
}
