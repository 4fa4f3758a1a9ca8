// Typed attributes of the scenario file: <attribute name="N"><TYPE .../></attribute>.
// Reals and points are written and read locale-free.
#pragma once

#include <libxml/tree.h>
#include <sys/types.h>

#include "vexil/geometry.h"

enum data_type {
    DATATYPE_COMPOSITE = 0,
    DATATYPE_INT = 1,
    DATATYPE_ENUM = 2,
    DATATYPE_REAL = 3,
    DATATYPE_BOOLEAN = 4,
    DATATYPE_COLOR = 5,
    DATATYPE_POINT = 6,
    DATATYPE_RECTANGLE = 7,
    DATATYPE_STRING = 8,
    DATATYPE_FONT = 9,
};

typedef xmlNodePtr AttributeNode;
typedef xmlNodePtr DataNode;

// Writing.
AttributeNode xml_new_attribute(xmlNodePtr parent, const char* name);
void xml_add_int(AttributeNode attr, int value);
void xml_add_enum(AttributeNode attr, int value);
void xml_add_real(AttributeNode attr, double value);
void xml_add_boolean(AttributeNode attr, int value);
void xml_add_point(AttributeNode attr, const Point* point);
void xml_add_rectangle(AttributeNode attr, const Rectangle* rect);
// UTF-8 text, framed by '#'; null gives an empty element.
void xml_add_string(AttributeNode attr, const char* text);
DataNode xml_add_composite(AttributeNode attr, const char* type_name);
// Saves indented as UTF-8; bytes written or negative on failure (a write,
// flush or close error included), with errno saying why.
int xml_save_file(const char* filename, xmlDocPtr doc);
// Test seam: the function that writes the file's bytes (null: write(2)).
typedef ssize_t (*xml_write_fn)(int fd, const void* buf, size_t count);
void xml_set_write_function(xml_write_fn fn);

// Reading.
AttributeNode xml_find_attribute(xmlNodePtr obj_node, const char* name);
DataNode xml_attribute_data(AttributeNode attr);
DataNode xml_data_next(DataNode data);
xmlNodePtr xml_find_child(xmlNodePtr node, const char* element_name);
// First / next child element that is not blank text (comments and other
// non-element nodes are passed over too).
xmlNodePtr xml_first_child(xmlNodePtr node);
xmlNodePtr xml_next_sibling(xmlNodePtr node);
// A decimal XML property (not a typed attribute): 0 when absent, clamped to int.
int xml_prop_int(xmlNodePtr node, const char* prop);
int xml_data_type(DataNode data);
int xml_data_int(DataNode data);
int xml_data_enum(DataNode data);
double xml_data_real(DataNode data);
int xml_data_boolean(DataNode data);
void xml_data_point(DataNode data, Point* point);
void xml_data_rectangle(DataNode data, Rectangle* rect);
// New UTF-8 text (g_free) or null.
char* xml_data_string(DataNode data);

// The first data node of the named attribute, or null.
DataNode xml_find_data(xmlNodePtr obj_node, const char* name);
// Convenience readers of a named attribute with a default for a missing one.
// An attribute that is there but empty (no data node, or one without its
// value), or whose text is not a whole number (int, enum) or not a finite
// real, also keeps the default and is reported as damaged (below).
int xml_attr_int(xmlNodePtr obj_node, const char* name, int dflt);
int xml_attr_enum(xmlNodePtr obj_node, const char* name, int dflt);
double xml_attr_real(xmlNodePtr obj_node, const char* name, double dflt);
// A real the program keeps in single precision: one beyond its range is
// damaged too.
double xml_attr_single(xmlNodePtr obj_node, const char* name, double dflt);
// Reads a real without reporting: 1 read, 0 absent, -1 damaged (*value 0).
int xml_attr_real_checked(xmlNodePtr obj_node, const char* name, double* value);

// Damaged values: between begin and end (a file load) they are collected and
// shown as one warning at the end, naming each object (or model section) and
// attribute with what was found and what was put in its place; outside, each
// gives its own warning.
void xml_damage_begin();
void xml_damage_end();
// Inside a load: records a data node of the wrong type (`put` says what the
// reader keeps instead) and returns true; outside, false (the caller shows
// its own message).
bool xml_damage_mismatch(DataNode data, const char* put);
// Grows by one with every damaged value replaced (reported, in a load or
// not; a number stored as another kind of number keeps its value and does not
// count): a reader compares it before and after to learn that the value it
// got is not the stored one.
unsigned xml_damage_serial();
// Reports a damaged value of `owner` as the readers do (one line in the load's
// warning, or a warning of its own outside a load).
void xml_damage_report(xmlNodePtr owner, const char* name, const char* found, const char* put);
// "Type \"label\" (id)" of an object element, as stored (g_free).
char* xml_object_description(xmlNodePtr obj_node);
// The same with the object's number when it has one: "Type \"label\" (id) object N".
char* xml_object_name(xmlNodePtr obj_node);
int xml_attr_boolean(xmlNodePtr obj_node, const char* name, int dflt);
void xml_attr_point(xmlNodePtr obj_node, const char* name, Point* point, const Point* dflt);
// New text or null (g_free); a missing attribute gives a copy of dflt.
char* xml_attr_string(xmlNodePtr obj_node, const char* name, const char* dflt);
