// The shared records of every drawn thing: object, handles, connection points,
// object types with their two operation tables, and the type registry.
#pragma once

#include <glib.h>
#include <libxml/tree.h>

#include "vexil/geometry.h"

struct diagram_object;
struct object_type;
struct renderer;

// Handle ids.
enum handle_id {
    HANDLE_RESIZE_NW = 0,
    HANDLE_RESIZE_NE = 1,
    HANDLE_RESIZE_SW = 2,
    HANDLE_RESIZE_SE = 3,
    HANDLE_MOVE_STARTPOINT = 4,
    HANDLE_MOVE_ENDPOINT = 5,
    HANDLE_CUSTOM1 = 200,
};

// Handle types.
enum handle_type {
    HANDLE_NON_MOVABLE = 0,
    HANDLE_MAJOR_CONTROL = 1,
    HANDLE_MINOR_CONTROL = 2,
};

// Connect types.
enum handle_connect_type {
    HANDLE_NONCONNECTABLE = 0,
    HANDLE_CONNECTABLE = 1,
};

// Why move_handle is called.
enum handle_move_reason {
    HANDLE_MOVE_USER_STEP = 0,  // intermediate drag step of the modify tool
    HANDLE_MOVE_USER = 1,       // the user drags the handle
    HANDLE_MOVE_CONNECTED = 2,  // the handle follows the point it hangs on
};

struct connection_point;

struct object_handle {
    int id;
    int type;
    Point pos;
    int connect_type;
    connection_point* connected_to;
};

struct connection_point {
    Point pos;
    Point last_pos;
    diagram_object* object;
    GList* connected;  // diagram_object*, one entry per attached handle, newest first
};

struct object_ops {
    void (*destroy)(diagram_object* obj);
    void (*draw)(diagram_object* obj, renderer* r);
    double (*distance_from)(diagram_object* obj, const Point* p);
    void (*select)(diagram_object* obj, const Point* clicked, renderer* interactive,
                   int just_selected);
    diagram_object* (*copy)(diagram_object* obj);
    void (*move)(diagram_object* obj, const Point* to);
    void (*move_handle)(diagram_object* obj, object_handle* handle, const Point* to, int reason,
                        int modifiers);
};

struct object_type_ops {
    diagram_object* (*create)(const Point* start, void* user_data, object_handle** handle1,
                              object_handle** handle2);
    diagram_object* (*load)(xmlNodePtr obj_node, int version, const char* filename);
    void (*save)(diagram_object* obj, xmlNodePtr obj_node, const char* filename);
    // 1 when the user confirmed the type's property dialog. Filled by the
    // program (type_set_properties); null in the library.
    int (*properties)(diagram_object* obj);
};

struct object_type {
    const char* name;
    int version;
    const char** pixmap;
    object_type_ops* ops;
    void* default_user_data;
    void* reserved;
};

// The base record; each type's record begins with it.
struct diagram_object {
    object_type* type;
    Point position;
    Rectangle bounding_box;
    int num_handles;
    object_handle** handles;
    int num_connections;
    connection_point** connections;
    int xref;
    const object_ops* ops;
};

void object_init(diagram_object* obj, int num_handles, int num_connections);
void object_copy(const diagram_object* from, diagram_object* to);
void object_destroy(diagram_object* obj);
// For each object its destroy operation, then the record; then the list.
void object_list_destroy(GList* list);
void object_add_connection_point(diagram_object* obj, connection_point* conpoint);
void object_insert_connection_point(diagram_object* obj, connection_point* conpoint, int index);

// 1 when attached; a non-connectable handle is refused with a message.
int handle_attach(diagram_object* obj, object_handle* handle, connection_point* conpoint);
void handle_detach(diagram_object* obj, object_handle* handle);
void connection_point_detach_all(connection_point* conpoint);
void object_unconnect_all(diagram_object* obj);

void object_save(diagram_object* obj, xmlNodePtr obj_node);
void object_load(diagram_object* obj, xmlNodePtr obj_node);

// Index of the handle / connection point in the object's arrays, or -1.
int object_handle_index(const diagram_object* obj, const object_handle* handle);
int object_connection_index(const diagram_object* obj, const connection_point* conpoint);

// Type registry.
void type_registry_init();
void type_registry_free();
void type_registry_add(object_type* type);
object_type* type_registry_find(const char* name);
// Fills the properties slot of a registered type (the program's dialogs).
int type_set_properties(const char* name, int (*properties)(diagram_object* obj));
// The hash of a type name: the plain sum of its characters as signed 8-bit values.
guint type_name_hash(gconstpointer name);

// Starts the library: libxml2 check, registry, the seven object types.
// Returns 1, or 0 (with a message) when the standard "Text" type is missing.
int vexil_startup();
void vexil_shutdown();
// 1 between vexil_startup and vexil_shutdown.
int vexil_running();
