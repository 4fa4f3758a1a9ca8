// Engineering values of the network object types ("FlowInlet",
// "FlowOutlet", "Junction", "PipeJoin", "Pipeline", "SpillPoint"), by the
// field names of the scenario file, in internal units.
#pragma once

struct diagram_object;
struct diagram_data;

namespace network {

extern const char* const FLOW_INLET;
extern const char* const FLOW_OUTLET;
extern const char* const JUNCTION;
extern const char* const PIPE_JOIN;
extern const char* const PIPELINE;
extern const char* const SPILL_POINT;
extern const char* const TEXT;

// True when the object is of the named type.
bool IsType(const diagram_object* obj, const char* typeName);
// Type name, or "<void>" for none.
const char* TypeName(const diagram_object* obj);

// A real field ("depth", "flowrate", "temp", "pressure", "length",
// "diameter", "roughness", "heat_trans_coeff", "amb_temp", "distance",
// "backpressure"), or "closingtime" (an integer field) as a double.
double Value(diagram_object* obj, const char* field);

// The runs switched to the other fluid: every inlet's rate, a quantity of the
// fluid it was entered for, waits to be entered or confirmed. The number of
// inlets marked.
int MarkInletRatesPending(diagram_data* diagram);

}  // namespace network
