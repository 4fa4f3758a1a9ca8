// Element and connection bases.
#include "vexil/element.h"

#include "vexil/dia_xml.h"
#include "vexil/message.h"

void element_init(element* elem, int num_handles, int num_connections) {
    diagram_object* obj = &elem->object;
    object_init(obj, num_handles, num_connections);
    for (int i = 0; i < 4 && i < num_handles; i++) {
        obj->handles[i] = &elem->resize_handles[i];
        elem->resize_handles[i].id = HANDLE_RESIZE_NW + i;
        elem->resize_handles[i].type = HANDLE_NON_MOVABLE;
        elem->resize_handles[i].connect_type = HANDLE_NONCONNECTABLE;
        elem->resize_handles[i].connected_to = nullptr;
    }
}

void element_update_handles(element* elem) {
    const Point& c = elem->corner;
    elem->resize_handles[0].pos = Point{c.x, c.y};
    elem->resize_handles[1].pos = Point{c.x + elem->width, c.y};
    elem->resize_handles[2].pos = Point{c.x, c.y + elem->height};
    elem->resize_handles[3].pos = Point{c.x + elem->width, c.y + elem->height};
    for (int i = 0; i < 4; i++) elem->resize_handles[i].id = HANDLE_RESIZE_NW + i;
}

void element_update_bbox(element* elem) {
    Rectangle box = {elem->corner.y, elem->corner.x, elem->corner.y + elem->height,
                     elem->corner.x + elem->width};
    rectangle_grow(&box, elem->border_width, &elem->object.bounding_box);
}

void element_move_handle(element* elem, int id, const Point* to) {
    Point& c = elem->corner;
    double dx = to->x - c.x, dy = to->y - c.y;
    auto x_rule = [&] {
        if (to->x < c.x + elem->width) {
            c.x = to->x;
            elem->width -= dx;
        }
    };
    auto y_rule = [&] {
        if (to->y < c.y + elem->height) {
            c.y = to->y;
            elem->height -= dy;
        }
    };
    switch (id) {
        case HANDLE_RESIZE_NW:
            x_rule();
            y_rule();
            break;
        case HANDLE_RESIZE_NE:
            if (dx > 0.0) elem->width = dx;
            y_rule();
            break;
        case HANDLE_RESIZE_SW:
            x_rule();
            if (dy > 0.0) elem->height = dy;
            break;
        case HANDLE_RESIZE_SE:
            if (dx > 0.0) elem->width = dx;
            if (dy > 0.0) elem->height = dy;
            break;
        default:
            message_error("Error, called element_move_handle() with wrong handle-id\n");
            break;
    }
}

void element_save(element* elem, xmlNodePtr obj_node) {
    object_save(&elem->object, obj_node);
    xml_add_point(xml_new_attribute(obj_node, "elem_corner"), &elem->corner);
    xml_add_real(xml_new_attribute(obj_node, "elem_width"), elem->width);
    xml_add_real(xml_new_attribute(obj_node, "elem_height"), elem->height);
}

void element_load(element* elem, xmlNodePtr obj_node) {
    object_load(&elem->object, obj_node);
    const Point origin = {0.0, 0.0};
    xml_attr_point(obj_node, "elem_corner", &elem->corner, &origin);
    elem->width = xml_attr_real(obj_node, "elem_width", 1.0);
    elem->height = xml_attr_real(obj_node, "elem_height", 1.0);
}

void element_destroy(element* elem) { object_destroy(&elem->object); }

double element_distance_from(element* elem, const Point* p) {
    return distance_rectangle_point(&elem->object.bounding_box, p);
}

// ---- Connection ----

void connection_init(connection* conn, int num_handles, int num_connections) {
    diagram_object* obj = &conn->object;
    object_init(obj, num_handles, num_connections);
    for (int i = 0; i < 2 && i < num_handles; i++) {
        obj->handles[i] = &conn->endpoint_handles[i];
        conn->endpoint_handles[i].id = i == 0 ? HANDLE_MOVE_STARTPOINT : HANDLE_MOVE_ENDPOINT;
        conn->endpoint_handles[i].type = HANDLE_MAJOR_CONTROL;
        conn->endpoint_handles[i].connect_type = HANDLE_CONNECTABLE;
        conn->endpoint_handles[i].connected_to = nullptr;
    }
}

void connection_move_handle(connection* conn, int id, const Point* to) {
    switch (id) {
        case HANDLE_MOVE_STARTPOINT:
            conn->endpoints[0] = *to;
            break;
        case HANDLE_MOVE_ENDPOINT:
            conn->endpoints[1] = *to;
            break;
        default:
            message_error("Internal error in connection_move_handle.\n");
            break;
    }
}

void connection_update_handles(connection* conn) {
    conn->endpoint_handles[0].id = HANDLE_MOVE_STARTPOINT;
    conn->endpoint_handles[0].pos = conn->endpoints[0];
    conn->endpoint_handles[1].id = HANDLE_MOVE_ENDPOINT;
    conn->endpoint_handles[1].pos = conn->endpoints[1];
}

void connection_update_bbox(connection* conn) {
    line_bbox(&conn->endpoints[0], &conn->endpoints[1], &conn->extra_spacing,
              &conn->object.bounding_box);
}

void connection_copy(const connection* from, connection* to) {
    object_copy(&from->object, &to->object);
    for (int i = 0; i < 2; i++) {
        to->endpoints[i] = from->endpoints[i];
        to->endpoint_handles[i] = from->endpoint_handles[i];
        to->endpoint_handles[i].connected_to = nullptr;
        if (to->object.num_handles > i) to->object.handles[i] = &to->endpoint_handles[i];
    }
    to->extra_spacing = from->extra_spacing;
}

void connection_destroy(connection* conn) { object_destroy(&conn->object); }

void connection_save(connection* conn, xmlNodePtr obj_node) {
    object_save(&conn->object, obj_node);
    AttributeNode attr = xml_new_attribute(obj_node, "conn_endpoints");
    xml_add_point(attr, &conn->endpoints[0]);
    xml_add_point(attr, &conn->endpoints[1]);
}

void connection_load(connection* conn, xmlNodePtr obj_node) {
    object_load(&conn->object, obj_node);
    AttributeNode attr = xml_find_attribute(obj_node, "conn_endpoints");
    if (!attr) return;
    DataNode data = xml_attribute_data(attr);
    if (data) {
        xml_data_point(data, &conn->endpoints[0]);
        data = xml_data_next(data);
    }
    if (data) xml_data_point(data, &conn->endpoints[1]);
}
