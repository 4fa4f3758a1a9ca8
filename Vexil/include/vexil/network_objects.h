// The six pipeline-network object types and the free "Text" object. The
// network check and input building read these records directly.
#pragma once

#include "vexil/connpoint_line.h"
#include "vexil/element.h"
#include "vexil/text.h"

// Type names as they appear in the registry and in the scenario file.
#define FLOW_INLET_TYPE "FlowInlet"
#define FLOW_OUTLET_TYPE "FlowOutlet"
#define JUNCTION_TYPE "Junction"
#define PIPE_JOIN_TYPE "PipeJoin"
#define PIPELINE_TYPE "Pipeline"
#define SPILL_POINT_TYPE "SpillPoint"
#define TEXT_TYPE "Text"

// Symbol and layout constants (diagram units, centimetres).
constexpr double POINT_OBJECT_SIZE = 0.6;
constexpr double POINT_OBJECT_CP_OFFSET = 0.3;
constexpr double POINT_OBJECT_LINE_WIDTH = 0.05;
constexpr double PIPELINE_LINE_WIDTH = 0.1;
constexpr double LABEL_GAP = 0.2;
constexpr double LABEL_CLICK_BAND = 0.7;
constexpr double PIPELINE_END_EXTRA = 0.025;
constexpr double JUNCTION_ARM = 0.212132;

// Defaults: single-precision constants widened to double.
constexpr double FLOW_INLET_DEFAULT_TEMP = (double)21.11111f;  // 70 degF
constexpr int FLOW_INLET_DEFAULT_CLOSINGTIME = 300;
constexpr int FLOW_OUTLET_DEFAULT_CLOSINGTIME = -1;  // never closes
constexpr double PIPELINE_DEFAULT_DIAMETER = (double)0.508f;
constexpr double PIPELINE_DEFAULT_ROUGHNESS = (double)4.572e-05f;
constexpr double PIPELINE_DEFAULT_HEAT_TRANS = (double)56.570045f;
constexpr double PIPELINE_DEFAULT_AMB_TEMP = (double)4.4444447f;  // 40 degF
constexpr int PIPELINE_DEFAULT_NUMCP = 1;
constexpr double SPILL_POINT_DEFAULT_DISTANCE = (double)1.524f;
constexpr double SPILL_POINT_DEFAULT_DIAMETER = (double)0.508f;

// FlowInlet, FlowOutlet, Junction and PipeJoin. Connection points in the
// order top, left, right, bottom. Values in the unit tables' internal units;
// a type uses only its own (FlowInlet: depth, flowrate, temp, closingtime;
// FlowOutlet: depth, pressure, closingtime; Junction, PipeJoin: depth).
struct point_object {
    element elem;
    connection_point connections[4];
    text_block* label;
    double depth;
    double flowrate;
    double temp;
    double pressure;
    int closingtime;    // seconds; -1: never closes
    unsigned repaired;  // values repaired on open, not yet confirmed (object_value_names order)
    int rate_pending;   // an inlet's rate was entered for the other fluid
};

struct pipeline {
    connection conn;
    connpoint_line* cpl;
    text_block* label;
    double length;
    double diameter;
    double roughness;
    double heat_trans_coeff;
    double amb_temp;
    unsigned repaired;
};

// The leak: an element with a connectable custom handle (id 200) that hangs
// on a Pipeline's connection point.
struct spill_point {
    element elem;
    object_handle custom_handle;
    double depth;
    double distance;
    double diameter;
    double backpressure;
    unsigned repaired;
};

struct text_object {
    diagram_object object;
    object_handle text_handle;
    text_block* text;
};

extern object_type flow_inlet_type;
extern object_type flow_outlet_type;
extern object_type junction_type;
extern object_type pipe_join_type;
extern object_type pipeline_type;
extern object_type spill_point_type;
extern object_type text_object_type;

// Which of the record layouts an object has (null when it is another type).
point_object* as_point_object(diagram_object* obj);
pipeline* as_pipeline(diagram_object* obj);
spill_point* as_spill_point(diagram_object* obj);
text_object* as_text_object(diagram_object* obj);
// The object's label or text, or null.
text_block* object_label(diagram_object* obj);

// Object-label text height (settings, object labels) in centimetres.
double point_object_label_height();
// Text-object height (settings, texts) in centimetres.
double text_object_height();

void point_object_update_data(point_object* po);
// Recomputes a Pipeline's derived geometry after its fields or label changed.
void pipeline_update_data(pipeline* p);
void spill_point_update_data(spill_point* sp);
void text_object_update_data(text_object* t);

// Replaces an object's label text and lays the object out again.
void object_set_label(diagram_object* obj, const char* str);

// Values read from a damaged file (empty or unreadable) hold a default the
// user never entered; an inlet's rate entered for the other fluid means
// another quantity. Neither may be run on until the user confirms the
// object's values in its dialog. Both are kept in the scenario file until
// then.
constexpr int OBJECT_MAX_VALUES = 6;
// The attribute names of the object's engineering values, in file order with
// the closing time last; their count (at most OBJECT_MAX_VALUES).
int object_value_names(diagram_object* obj, const char** names);
// The names of the values repaired and not yet confirmed; their count.
int object_repaired_values(diagram_object* obj, const char** names);
// The user confirmed the object's values: 1 when something was pending.
int object_confirm_values(diagram_object* obj);
