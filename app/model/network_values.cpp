#include "network_values.h"

#include <vexil/diagramdata.h>
#include <vexil/network_objects.h>
#include <vexil/object.h>

#include <cstring>

namespace network {

const char* const FLOW_INLET = FLOW_INLET_TYPE;
const char* const FLOW_OUTLET = FLOW_OUTLET_TYPE;
const char* const JUNCTION = JUNCTION_TYPE;
const char* const PIPE_JOIN = PIPE_JOIN_TYPE;
const char* const PIPELINE = PIPELINE_TYPE;
const char* const SPILL_POINT = SPILL_POINT_TYPE;
const char* const TEXT = TEXT_TYPE;

bool IsType(const diagram_object* obj, const char* typeName) {
    return obj && obj->type && obj->type->name && std::strcmp(obj->type->name, typeName) == 0;
}

const char* TypeName(const diagram_object* obj) {
    return obj && obj->type && obj->type->name ? obj->type->name : "<void>";
}

double Value(diagram_object* obj, const char* field) {
    auto is = [field](const char* name) { return std::strcmp(field, name) == 0; };
    if (point_object* node = as_point_object(obj)) {
        if (is("depth")) return node->depth;
        if (is("flowrate")) return node->flowrate;
        if (is("temp")) return node->temp;
        if (is("pressure")) return node->pressure;
        if (is("closingtime")) return node->closingtime;
    } else if (pipeline* p = as_pipeline(obj)) {
        if (is("length")) return p->length;
        if (is("diameter")) return p->diameter;
        if (is("roughness")) return p->roughness;
        if (is("heat_trans_coeff")) return p->heat_trans_coeff;
        if (is("amb_temp")) return p->amb_temp;
    } else if (spill_point* s = as_spill_point(obj)) {
        if (is("depth")) return s->depth;
        if (is("distance")) return s->distance;
        if (is("diameter")) return s->diameter;
        if (is("backpressure")) return s->backpressure;
    }
    return 0.0;
}

int MarkInletRatesPending(diagram_data* diagram) {
    int marked = 0;
    for (guint i = 0; diagram && i < diagram->layers->len; ++i)
        for (GList* l = static_cast<layer*>(g_ptr_array_index(diagram->layers, i))->objects; l;
             l = l->next) {
            auto* obj = static_cast<diagram_object*>(l->data);
            if (!IsType(obj, FLOW_INLET)) continue;
            as_point_object(obj)->rate_pending = 1;
            ++marked;
        }
    return marked;
}

}  // namespace network
