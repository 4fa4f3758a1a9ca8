// Connection points: drawing, snapping, autoconnect, following connections;
// and rows of connection points spread evenly along a line.
#pragma once

#include <glib.h>

#include "vexil/object.h"

struct diagram_data;
struct renderer;

// Distance below which a handle snaps to / connects with a point, unless the
// caller gives its own reach (a view gives a few pixels at its zoom).
constexpr double CONNECTION_SNAP_DISTANCE = 0.2;
// A point counts as moved when it moved more than this (Manhattan).
constexpr double CONNECTION_MOVE_THRESHOLD = 0.01;
// How deep a chain of connections is followed at most.
constexpr int CONNECTION_UPDATE_MAX_DEPTH = 1000;

void connection_point_draw(connection_point* conpoint, renderer* interactive);
// The connection point nearest to p (straight distance, as the eye judges
// it) when it lies closer than reach, not one of exclude's own; else null.
connection_point* diagram_find_connection_point_near(diagram_data* data, const Point* p,
                                                     diagram_object* exclude,
                                                     double reach = CONNECTION_SNAP_DISTANCE);
// Connects the handle to a point within reach (not of the object itself).
void handle_autoconnect(diagram_data* data, diagram_object* obj, object_handle* handle,
                        double reach = CONNECTION_SNAP_DISTANCE);
void object_update_connections(diagram_data* data, diagram_object* obj, int forced);
void selection_update_connections(diagram_data* data);
void selection_autoconnect(diagram_data* data, double reach = CONNECTION_SNAP_DISTANCE);
void selection_detach_own_handles(diagram_data* data);

struct connpoint_line {
    Point start;
    Point end;
    diagram_object* owner;
    int num_connections;
    GSList* connections;  // connection_point*, line order; owned
};

connpoint_line* connpoint_line_create(diagram_object* owner, int num_connections);
connpoint_line* connpoint_line_create_at(diagram_object* owner, int* realconncount,
                                         int num_connections);
connpoint_line* connpoint_line_copy(diagram_object* newobj, connpoint_line* from,
                                    int* realconncount);
void connpoint_line_destroy(connpoint_line* cpl);
void connpoint_line_add_point(connpoint_line* cpl, int pos, connection_point* conpoint);
void connpoint_line_update(connpoint_line* cpl, const Point* start, const Point* end);
void connpoint_line_reorder(connpoint_line* cpl);
void object_move_connection_point(diagram_object* obj, int sourcepos, int destpos);
int object_find_connection_point_from(int start, diagram_object* obj, connection_point* conpoint);
void connpoint_line_save(connpoint_line* cpl, xmlNodePtr obj_node, const char* name);
connpoint_line* connpoint_line_load(diagram_object* owner, xmlNodePtr obj_node, const char* name,
                                    int default_count, int* realconncount);
