// Element base: a box with corner, width, height and four corner handles;
// connection base: a line between two endpoint handles.
#pragma once

#include "vexil/object.h"

struct element {
    diagram_object object;
    object_handle resize_handles[4];
    Point corner;
    double width;
    double height;
    double border_width;
};

void element_init(element* elem, int num_handles, int num_connections);
void element_update_handles(element* elem);
void element_update_bbox(element* elem);
void element_move_handle(element* elem, int id, const Point* to);
void element_save(element* elem, xmlNodePtr obj_node);
void element_load(element* elem, xmlNodePtr obj_node);
void element_destroy(element* elem);
// Manhattan distance to the bounding box (0 inside).
double element_distance_from(element* elem, const Point* p);

struct connection {
    diagram_object object;
    Point endpoints[2];
    object_handle endpoint_handles[2];
    LineExtras extra_spacing;
};

void connection_init(connection* conn, int num_handles, int num_connections);
void connection_move_handle(connection* conn, int id, const Point* to);
void connection_update_handles(connection* conn);
void connection_update_bbox(connection* conn);
void connection_copy(const connection* from, connection* to);
void connection_destroy(connection* conn);
void connection_save(connection* conn, xmlNodePtr obj_node);
void connection_load(connection* conn, xmlNodePtr obj_node);
