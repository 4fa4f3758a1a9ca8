// Objects, handles, connection points, attach and detach, the base
// attributes, the type registry and the start and exit of the library.
#include "vexil/object.h"

#include <cstring>

#include "vexil/dia_xml.h"
#include "vexil/message.h"

void object_init(diagram_object* obj, int num_handles, int num_connections) {
    obj->num_handles = num_handles;
    obj->handles = num_handles > 0 ? g_new0(object_handle*, num_handles) : nullptr;
    obj->num_connections = num_connections;
    obj->connections = num_connections > 0 ? g_new0(connection_point*, num_connections) : nullptr;
}

void object_copy(const diagram_object* from, diagram_object* to) {
    to->type = from->type;
    to->position = from->position;
    to->bounding_box = from->bounding_box;
    to->ops = from->ops;
    object_init(to, from->num_handles, from->num_connections);
    to->xref = 0;
}

void object_destroy(diagram_object* obj) {
    object_unconnect_all(obj);
    g_free(obj->handles);
    obj->handles = nullptr;
    g_free(obj->connections);
    obj->connections = nullptr;
}

void object_list_destroy(GList* list) {
    for (GList* l = list; l; l = l->next) {
        diagram_object* obj = (diagram_object*)l->data;
        obj->ops->destroy(obj);
        g_free(obj);
    }
    g_list_free(list);
}

void object_add_connection_point(diagram_object* obj, connection_point* conpoint) {
    obj->num_connections++;
    obj->connections = g_renew(connection_point*, obj->connections, obj->num_connections);
    obj->connections[obj->num_connections - 1] = conpoint;
}

void object_insert_connection_point(diagram_object* obj, connection_point* conpoint, int index) {
    if (index < 0) index = 0;
    if (index > obj->num_connections) index = obj->num_connections;
    obj->num_connections++;
    obj->connections = g_renew(connection_point*, obj->connections, obj->num_connections);
    for (int i = obj->num_connections - 1; i > index; i--)
        obj->connections[i] = obj->connections[i - 1];
    obj->connections[index] = conpoint;
}

int handle_attach(diagram_object* obj, object_handle* handle, connection_point* conpoint) {
    if (handle->connect_type != HANDLE_CONNECTABLE) {
        message_error("Error? trying to connect a non connectable handle.\nCheck this out...\n");
        return 0;
    }
    handle->connected_to = conpoint;
    conpoint->connected = g_list_prepend(conpoint->connected, obj);
    return 1;
}

void handle_detach(diagram_object* obj, object_handle* handle) {
    connection_point* cp = handle->connected_to;
    if (!cp) return;
    cp->connected = g_list_remove(cp->connected, obj);
    handle->connected_to = nullptr;
}

void connection_point_detach_all(connection_point* conpoint) {
    for (GList* l = conpoint->connected; l; l = l->next) {
        diagram_object* other = (diagram_object*)l->data;
        for (int i = 0; i < other->num_handles; i++)
            if (other->handles[i] && other->handles[i]->connected_to == conpoint)
                other->handles[i]->connected_to = nullptr;
    }
    g_list_free(conpoint->connected);
    conpoint->connected = nullptr;
}

void object_unconnect_all(diagram_object* obj) {
    for (int i = 0; i < obj->num_handles; i++)
        if (obj->handles[i]) handle_detach(obj, obj->handles[i]);
    for (int i = 0; i < obj->num_connections; i++)
        if (obj->connections[i]) connection_point_detach_all(obj->connections[i]);
}

void object_save(diagram_object* obj, xmlNodePtr obj_node) {
    xml_add_point(xml_new_attribute(obj_node, "obj_pos"), &obj->position);
    xml_add_rectangle(xml_new_attribute(obj_node, "obj_bb"), &obj->bounding_box);
    xml_add_int(xml_new_attribute(obj_node, "xref"), obj->xref);
}

void object_load(diagram_object* obj, xmlNodePtr obj_node) {
    const Point origin{0.0, 0.0};
    xml_attr_point(obj_node, "obj_pos", &obj->position, &origin);
    obj->bounding_box = Rectangle{0.0, 0.0, 0.0, 0.0};
    if (DataNode bb = xml_find_data(obj_node, "obj_bb")) xml_data_rectangle(bb, &obj->bounding_box);
    obj->xref = xml_attr_int(obj_node, "xref", 0);
}

int object_handle_index(const diagram_object* obj, const object_handle* handle) {
    for (int i = 0; i < obj->num_handles; i++)
        if (obj->handles[i] == handle) return i;
    return -1;
}

int object_connection_index(const diagram_object* obj, const connection_point* conpoint) {
    for (int i = 0; i < obj->num_connections; i++)
        if (obj->connections[i] == conpoint) return i;
    return -1;
}

// ---- Type registry ----

namespace {
GHashTable* object_types = nullptr;
}  // namespace

guint type_name_hash(gconstpointer name) {
    guint sum = 0;
    for (const char* c = (const char*)name; *c; c++) sum += (guint)(int)(signed char)*c;
    return sum;
}

static gboolean type_name_equal(gconstpointer a, gconstpointer b) {
    return strcmp((const char*)a, (const char*)b) == 0;
}

void type_registry_init() {
    if (!object_types) object_types = g_hash_table_new(type_name_hash, type_name_equal);
}

void type_registry_free() {
    if (object_types) g_hash_table_destroy(object_types);
    object_types = nullptr;
}

void type_registry_add(object_type* type) {
    type_registry_init();
    if (g_hash_table_lookup(object_types, type->name)) {
        message_warning(
            "Several object-types were named %s.\nOnly first one will be used.\n"
            "Some things might not work as expected.\n",
            type->name);
        return;
    }
    g_hash_table_insert(object_types, (gpointer)type->name, type);
}

object_type* type_registry_find(const char* name) {
    if (!object_types || !name) return nullptr;
    return (object_type*)g_hash_table_lookup(object_types, name);
}

int type_set_properties(const char* name, int (*properties)(diagram_object* obj)) {
    object_type* type = type_registry_find(name);
    if (!type) return 0;
    type->ops->properties = properties;
    return 1;
}
