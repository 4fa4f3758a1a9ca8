// The summary report of a scenario: the network objects with their values
// in display units, the gas composition, the discharge summary and the
// near-field summary, in fixed columns. Lines end with CR LF. The report
// view shows this text; tools print it.
#pragma once

#include <QString>

#include <functional>

struct diagram_data;
struct diagram_object;
class CReleaseModel;
struct FluidComponentList;

// What the report shows of the near-field model.
struct NearfieldReport {
    bool prepared = false;   // a near-field result belongs to the current discharge result
    float waterTemp = 0.0f;  // deg C
    bool ulvOutput = false;  // data file for the air emission model written
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;  // its start time, UTC
    bool hasResult = false;
    float boilingZoneRadius = 0.0f;  // m
    QString warning;                 // the model's warning, if any
};

// The first non-empty line of the object's label, cut or padded with blanks
// to 30 characters (characters, not bytes).
QString ReportLabel(diagram_object* obj);

// " %*g" of the value in display units for the key (none: unchanged), the
// width w - 1; a negative w left-aligns.
QString ReportValue(const char* key, double value, int width);
// The display unit of the key: "[unit]" right-aligned in w for w > 0, the
// bare unit left-aligned in -w for w < 0.
QString ReportUnit(const char* key, int width);

// "D d H h M m S s" split of whole seconds: "90061 seconds (1d 1h 1m 1s)".
QString ReportDuration(float seconds);

// The whole report. strings gives the text of a string-table id (used for
// a diagram that has not exactly one layer); nearfield may be null.
QString BuildReportText(diagram_data* diagram, const CReleaseModel& model,
                        const FluidComponentList& components, const NearfieldReport* nearfield,
                        const std::function<QString(unsigned)>& strings);
