// The checks of the network that the simulation library would otherwise make
// only when a run starts: every value a number, pipe and leak sizes it
// accepts, the leak inside its pipeline as the library cuts that into
// sections, the network's section limit, the leak's back pressure and the
// run's end time. Each refusal names the object it concerns (its object
// number) and carries its value and limit in display units, so that Verify
// Layout can point at the object and say what to change.
#pragma once

#include "fluid_model.h"
#include <initializer_list>
#include <vector>

#include "model_errors.h"
#include "release_input.h"

#include <QString>

struct diagram_object;

namespace network {

// A value in display units with its unit name ("12.5 mm"); "inf", "-inf"
// or "nan" for a value that is not a number.
QString DisplayValue(const char* key, double internalValue);
// Several values of one key as DisplayValue shows them, each with as many
// digits (6 at least) as it takes to tell apart any two that differ: a value
// one step past a limit never reads as the limit.
std::vector<QString> DisplayValues(const char* key, std::initializer_list<double> internalValues);

// The refusal of a discharge run's end time (s after the leak opens; 0 for
// none) outside what the run takes, or id 0; the check and the Discharge
// Setup dialog refuse alike.
ValidationError CheckEndTime(float endTime);

// Throws IDS_VALUE_NOT_A_NUMBER for the first field of the object that is
// not a finite number.
void CheckFiniteValues(diagram_object* obj);

// 'Pipeline "Export"', or the type alone for an object without a label.
QString ObjectTitle(diagram_object* obj);

// Throws IDS_VALUE_REPAIRED for the object's first value that was repaired
// when the file was opened and is not yet confirmed, and
// IDS_INLET_RATE_OTHER_FLUID for an inlet whose rate was entered for the
// other fluid (the runs use fluidClass).
void CheckConfirmedValues(diagram_object* obj, int fluidClass);

// Throws IDS_FLUID_VALUE_REPAIRED for the first value of the fluid the runs
// use (fluidClass) that was repaired when the file was opened and is not yet
// confirmed.
void CheckFluidRepairs(const CBlackOilModel& oil, const FluidComponentList& comps, int fluidClass);

// What no subsea line can be: a bore wider than the widest ever laid (about
// 1.4 m, 56 in) with room to spare, and one pipeline longer than the longest
// (about 1,200 km) with room to spare. Beyond them the discharge model still
// runs, for days of simulated time, on numbers that describe nothing real.
constexpr double LARGEST_BORE = 2.0;        // m
constexpr double LONGEST_PIPELINE = 2.0e6;  // m
// Throws IDS_PIPE_BORE_TOO_LARGE or IDS_PIPELINE_TOO_LONG for a pipeline
// beyond them.
void CheckSubseaLimits(diagram_object* obj);

// The lowest and the highest outlet pressure (Pa) the run starts from: its
// start pressure, RELEASE_OUTLET_START_FACTOR times the outlet's in single
// precision as the library forms it, is at least the library's lowest and
// below its highest. The check refuses beyond them and the outlet's dialog
// takes no value past them.
float LowestOutletPressure();
float HighestOutletPressure();

// Where the walk met the leak: its branch (0-based), the segment of its
// pipeline in that branch and its distance along that pipeline (m).
struct LeakPlace {
    int branch = -1;
    int segment = -1;
    double distance = 0.0;
    double pipelineLength = 0.0;
};

// The built record (coordinates computed) against the library's input
// checks, in the order the library makes them. Throws ValidationError.
void CheckLibraryLimits(const orvane::ReleaseInput& in, const LeakPlace& leak, float endTime);

// Every pipeline's ambient temperature and every inlet's temperature within
// the temperatures the record's property tables serve, and the leak's back
// pressure within their pressures (the tables filled). Throws
// IDS_TEMPERATURE_OUTSIDE_TABLES or IDS_BACK_PRESSURE_ABOVE_TABLES.
void CheckPropertyTableRange(const orvane::ReleaseInput& in);

}  // namespace network
