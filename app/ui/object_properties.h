#pragma once
// The properties operations of the six network object types: each copies
// the object's values into its dialog and, on OK, back (1); Cancel or no
// object changes nothing (0).
struct diagram_object;

int flow_inlet_properties(diagram_object* obj);
int flow_outlet_properties(diagram_object* obj);
int junction_properties(diagram_object* obj);
int pipe_join_properties(diagram_object* obj);
int pipeline_properties(diagram_object* obj);
int spill_point_properties(diagram_object* obj);

// Puts the operations into the registered types' tables.
void RegisterPropertyDialogs();
