#include "network_values.h"

#include <vexil/dia_xml.h>
#include <vexil/object.h>

#include <libxml/tree.h>

#include <cstring>
#include <map>
#include <string>

namespace network {

const char *const FLOW_INLET = "FlowInlet";
const char *const FLOW_OUTLET = "FlowOutlet";
const char *const JUNCTION = "Junction";
const char *const PIPE_JOIN = "PipeJoin";
const char *const PIPELINE = "Pipeline";
const char *const SPILL_POINT = "SpillPoint";
const char *const TEXT = "Text";

bool IsType(const diagram_object *obj, const char *typeName) {
    return obj && obj->type && obj->type->name && std::strcmp(obj->type->name, typeName) == 0;
}

const char *TypeName(const diagram_object *obj) {
    return obj && obj->type && obj->type->name ? obj->type->name : "<void>";
}

double Value(diagram_object *obj, const char *field) {
    // The values as the type saves them to the scenario file.
    xmlNodePtr node = xmlNewNode(nullptr, reinterpret_cast<const xmlChar *>("object"));
    if (obj && obj->type && obj->type->ops && obj->type->ops->save) obj->type->ops->save(obj, node, nullptr);
    double v = std::strcmp(field, "closingtime") == 0 ? xml_attr_int(node, field, 0) : xml_attr_real(node, field, 0.0);
    xmlFreeNode(node);
    return v;
}

}  // namespace network
