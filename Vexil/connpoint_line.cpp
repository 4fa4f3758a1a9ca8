// Connection points (drawing, snapping, autoconnect, following connections)
// and rows of connection points spread along a line.
#include "vexil/connpoint_line.h"

#include <cmath>

#include "vexil/dia_xml.h"
#include "vexil/diagramdata.h"
#include "vexil/message.h"
#include "vexil/renderer.h"
#include "vexil/undo.h"

// The most points one line may carry (a damaged file may ask for millions).
static constexpr int CONNPOINT_LINE_MAX = 1000;

#define CPL_ASSERT(expr, line)                                          \
    do {                                                                \
        if (!(expr)) {                                                  \
            message_log_assertion("Vexil/connpoint_line", line, #expr); \
        }                                                               \
    } while (0)

void connection_point_draw(connection_point* conpoint, renderer* interactive) {
    const interactive_renderer_ops* iops = interactive->interactive_ops;
    if (!iops) return;
    static const Color cross = {0.4f, 0.4f, 1.0f};
    int x, y;
    iops->to_pixel(interactive, &conpoint->pos, &x, &y);
    interactive->ops->set_linewidth(interactive, 0.0);
    interactive->ops->set_linestyle(interactive, LINESTYLE_SOLID);
    iops->draw_pixel_line(interactive, x - 2, y - 2, x + 2, y + 2, &cross);
    iops->draw_pixel_line(interactive, x + 2, y - 2, x - 2, y + 2, &cross);
}

connection_point* diagram_find_connection_point_near(diagram_data* data, const Point* p,
                                                     diagram_object* exclude, double reach) {
    double best = reach;
    connection_point* found = nullptr;
    for (GList* i = data->active_layer->objects; i; i = i->next) {
        diagram_object* obj = (diagram_object*)i->data;
        if (obj == exclude) continue;
        for (int c = 0; c < obj->num_connections; c++) {
            const Point& at = obj->connections[c]->pos;
            const double d = std::hypot(at.x - p->x, at.y - p->y);
            if (d < best) {
                best = d;
                found = obj->connections[c];
            }
        }
    }
    return found;
}

void handle_autoconnect(diagram_data* data, diagram_object* obj, object_handle* handle,
                        double reach) {
    if (!handle || handle->connected_to) return;
    // An object never hangs on its own points.
    connection_point* cp = diagram_find_connection_point_near(data, &handle->pos, obj, reach);
    if (!cp) return;
    undo_change* change = undo_connect(data, obj, handle, cp);
    change->apply(change, data);
}

static void update_connections(diagram_data* data, diagram_object* obj, int forced, int depth) {
    if (depth > CONNECTION_UPDATE_MAX_DEPTH) {
        message_log_warning("Connections followed deeper than %d objects; stopped.",
                            CONNECTION_UPDATE_MAX_DEPTH);
        return;
    }
    for (int c = 0; c < obj->num_connections; c++) {
        connection_point* cp = obj->connections[c];
        if (!forced &&
            distance_point_point_manhattan(&cp->pos, &cp->last_pos) <= CONNECTION_MOVE_THRESHOLD)
            continue;
        cp->last_pos = cp->pos;
        GList* others = g_list_copy(cp->connected);
        for (GList* o = others; o; o = o->next) {
            diagram_object* other = (diagram_object*)o->data;
            object_handle* hanging = nullptr;
            for (int h = 0; h < other->num_handles; h++)
                if (other->handles[h]->connected_to == cp) hanging = other->handles[h];
            if (!hanging) continue;
            Point to = cp->pos;
            other->ops->move_handle(other, hanging, &to, HANDLE_MOVE_CONNECTED, 0);
            update_connections(data, other, 0, depth + 1);
        }
        g_list_free(others);
    }
}

void object_update_connections(diagram_data* data, diagram_object* obj, int forced) {
    update_connections(data, obj, forced, 0);
}

void selection_update_connections(diagram_data* data) {
    for (GList* i = data->selected; i; i = i->next)
        object_update_connections(data, (diagram_object*)i->data, 1);
}

void selection_autoconnect(diagram_data* data, double reach) {
    for (GList* i = data->selected; i; i = i->next) {
        diagram_object* obj = (diagram_object*)i->data;
        for (int h = 0; h < obj->num_handles; h++)
            if (obj->handles[h]->connect_type == HANDLE_CONNECTABLE)
                handle_autoconnect(data, obj, obj->handles[h], reach);
    }
}

void selection_detach_own_handles(diagram_data* data) {
    for (GList* i = data->selected; i; i = i->next) {
        diagram_object* obj = (diagram_object*)i->data;
        for (int h = 0; h < obj->num_handles; h++) {
            object_handle* hd = obj->handles[h];
            if (hd->connect_type == HANDLE_CONNECTABLE && hd->connected_to &&
                !diagram_is_selected(data, hd->connected_to->object)) {
                undo_change* change = undo_disconnect(data, obj, hd);
                change->apply(change, data);
            }
        }
    }
}

// ---- Connection-point lines ----

static connection_point* new_connection_point(diagram_object* owner) {
    connection_point* cp = g_new0(connection_point, 1);
    cp->object = owner;
    return cp;
}

connpoint_line* connpoint_line_create(diagram_object* owner, int num_connections) {
    connpoint_line* cpl = g_new0(connpoint_line, 1);
    cpl->owner = owner;
    if (num_connections < 0) num_connections = 0;
    for (int i = 0; i < num_connections; i++)
        connpoint_line_add_point(cpl, -1, new_connection_point(owner));
    connpoint_line_reorder(cpl);
    return cpl;
}

connpoint_line* connpoint_line_create_at(diagram_object* owner, int* realconncount,
                                         int num_connections) {
    connpoint_line* cpl = g_new0(connpoint_line, 1);
    cpl->owner = owner;
    for (int i = 0; i < num_connections; i++) {
        connection_point* cp = new_connection_point(owner);
        cpl->connections = g_slist_append(cpl->connections, cp);
        cpl->num_connections++;
        if (*realconncount < owner->num_connections)
            owner->connections[*realconncount] = cp;
        else
            object_add_connection_point(owner, cp);
        (*realconncount)++;
    }
    return cpl;
}

connpoint_line* connpoint_line_copy(diagram_object* newobj, connpoint_line* from,
                                    int* realconncount) {
    if (!realconncount) {
        message_log_assertion("Vexil/connpoint_line", 209, "realconncount");
        return nullptr;
    }
    connpoint_line* cpl = connpoint_line_create_at(newobj, realconncount, from->num_connections);
    cpl->start = from->start;
    cpl->end = from->end;
    return cpl;
}

void connpoint_line_destroy(connpoint_line* cpl) {
    if (!cpl) return;
    for (GSList* i = cpl->connections; i; i = i->next) {
        connection_point* cp = (connection_point*)i->data;
        connection_point_detach_all(cp);
        g_free(cp);
    }
    g_slist_free(cpl->connections);
    g_free(cpl);
}

void connpoint_line_add_point(connpoint_line* cpl, int pos, connection_point* conpoint) {
    if (pos == 0 && cpl->connections) {
        connection_point* fcp = (connection_point*)cpl->connections->data;
        CPL_ASSERT(fcp, 97);
        int fpos = object_find_connection_point_from(0, cpl->owner, fcp);
        CPL_ASSERT(fpos >= 0, 104);
        if (fpos < 0) fpos = cpl->owner->num_connections;
        object_insert_connection_point(cpl->owner, conpoint, fpos);
        cpl->connections = g_slist_prepend(cpl->connections, conpoint);
    } else if (pos > 0) {
        object_add_connection_point(cpl->owner, conpoint);
        cpl->connections = g_slist_insert(cpl->connections, conpoint, pos);
    } else {
        if (pos == 0) CPL_ASSERT(cpl->connections, 94);
        object_add_connection_point(cpl->owner, conpoint);
        cpl->connections = g_slist_append(cpl->connections, conpoint);
    }
    cpl->num_connections++;
}

void connpoint_line_update(connpoint_line* cpl, const Point* start, const Point* end) {
    cpl->start = *start;
    cpl->end = *end;
    Point u = *end;
    point_sub(&u, start);
    double len = point_len(&u);
    if (len > 0.0)
        point_scale(&u, 1.0 / len);
    else
        u = Point{0.0, 0.0};
    int n = cpl->num_connections;
    int i = 0;
    for (GSList* l = cpl->connections; l; l = l->next, i++) {
        connection_point* cp = (connection_point*)l->data;
        double f = len * (i + 1) / (n + 1);
        cp->pos = Point{start->x + f * u.x, start->y + f * u.y};
    }
}

void object_move_connection_point(diagram_object* obj, int sourcepos, int destpos) {
    CPL_ASSERT(destpos < sourcepos, 256);
    if (destpos >= sourcepos || destpos < 0 || sourcepos >= obj->num_connections) return;
    connection_point* cp = obj->connections[sourcepos];
    for (int i = sourcepos; i > destpos; i--) obj->connections[i] = obj->connections[i - 1];
    obj->connections[destpos] = cp;
}

int object_find_connection_point_from(int start, diagram_object* obj, connection_point* conpoint) {
    for (int i = start < 0 ? 0 : start; i < obj->num_connections; i++)
        if (obj->connections[i] == conpoint) return i;
    return -1;
}

void connpoint_line_reorder(connpoint_line* cpl) {
    if (!cpl->connections) return;
    int first =
        object_find_connection_point_from(0, cpl->owner, (connection_point*)cpl->connections->data);
    CPL_ASSERT(first >= 0, 339);
    if (first < 0) return;
    int place = first;
    for (GSList* l = cpl->connections; l; l = l->next, place++) {
        int at = object_find_connection_point_from(place, cpl->owner, (connection_point*)l->data);
        if (at > place) object_move_connection_point(cpl->owner, at, place);
    }
}

void connpoint_line_save(connpoint_line* cpl, xmlNodePtr obj_node, const char* name) {
    xml_add_int(xml_new_attribute(obj_node, name), cpl->num_connections);
}

connpoint_line* connpoint_line_load(diagram_object* owner, xmlNodePtr obj_node, const char* name,
                                    int default_count, int* realconncount) {
    int n = xml_attr_int(obj_node, name, default_count);
    if (n < 0 || n > CONNPOINT_LINE_MAX) {
        message_log_warning("Connection-point count %d out of range; using %d.", n, default_count);
        n = default_count;
    }
    connpoint_line* cpl = connpoint_line_create(owner, n);
    if (realconncount) *realconncount += n;
    return cpl;
}
