// Registration of the standard object types.
#include "vexil_internal.h"

#include "vexil/network_objects.h"

void register_standard_types() {
    object_type* types[] = {&text_object_type, &pipeline_type,    &pipe_join_type,  &junction_type,
                            &flow_inlet_type,  &flow_outlet_type, &spill_point_type};
    for (object_type* t : types) type_registry_add(t);
}
