// Failures of the model code: a message id of the program's string table,
// with the object number (xref) of the diagram object concerned (0 = none).
// The network check throws them and the validation keeps the first one.
#ifndef ORVANE_MODEL_MODEL_ERRORS_H
#define ORVANE_MODEL_MODEL_ERRORS_H

struct ValidationError {
    unsigned id;
    int xref;
};

inline bool operator==(const ValidationError &a, const ValidationError &b) {
    return a.id == b.id && a.xref == b.xref;
}

// Message ids the model layer raises.
enum : unsigned {
    IDS_NO_OUTLET_OR_NOT_TREE = 16103,  // also an object reached twice, or left over
    IDS_ONE_OUTLET_ONLY = 16102,
    IDS_ONE_LEAK_ONLY = 16104,
    IDS_MAX_SEGMENTS = 16106,
    IDS_MAX_JUNCTIONS = 16107,
    IDS_MAX_PIPES_AT_JUNCTION = 16108,
    IDS_INTERNAL_CHECK = 16112,
    IDS_FILE_STRUCTURE = 16113,
    IDS_ONLY_PIPELINES_AT_NODES = 16115,
    IDS_PIPELINE_BOTH_ENDS = 16116,
    IDS_MAX_BRANCHES = 16117,
    IDS_CONNECTION_TWO_PIPES = 16118,
    IDS_JUNCTION_THREE_BRANCHES = 16119,
    IDS_INLET_AT_START = 16120,
    IDS_OUTLET_SINGLE_PIPE = 16121,
    IDS_PIPELINES_DIRECT = 16122,
    IDS_NO_LEAK = 16123,
    IDS_BLACKOIL_ERROR = 16124,
    IDS_PIPELINE_TOO_SHORT = 16126,
    IDS_PIPELINE_SHORTER_THAN_DEPTH = 16127,
    IDS_COMPOSITION_ERROR = 16183,
    IDS_UNKNOWN_FLUID_CLASS = 16184,
    IDS_FLUID_RATES = 16191,
    IDS_OUT_OF_MEMORY = 16192,
};

#endif
