// Fills the fluid-property tables of a release input record through the
// simulation library: BLACKOIL for a black oil, COMPPVT for a gas
// composition, and scales the inlet rates (entered per day) to kg/s.
#pragma once

#include "fluid_model.h"
#include "model_errors.h"
#include "release_input.h"

#include <QString>

#include <functional>
#include <vector>

// Builds the composition record COMPPVT reads. Components with a model index
// of 0 or less, a 31st component, or a density still to be entered are
// refused with IDS_COMPOSITION_ERROR and the reason in warning.
// Throws ValidationError.
COMPREC BuildComposition(const std::vector<FluidComponent>& components, QString& warning);

// Writes the standard-condition words, scales the inlet rates and fills the
// tables for fluid class 0 (black oil) or 1 (composition). A failure throws
// ValidationError (object 0) after appending the library's message, or the
// reason, to warning.
void BuildFluidTables(orvane::ReleaseInput& input, int fluidClass, float gasDensity,
                      float oilDensity, float gasOilRatio, float waterCut,
                      const std::vector<FluidComponent>& components, QString& warning);

// How a thread waits for a table build that runs on a thread of its own:
// called with a test of whether the build has ended, it returns once the
// test holds. While a scope lives, the tables of a new composition asked for
// on its thread are built that way; without one they are built on the
// calling thread.
using TableBuildWait = std::function<void(const std::function<bool()>& built)>;
class TableBuildWaitScope {
public:
    explicit TableBuildWaitScope(TableBuildWait wait);
    ~TableBuildWaitScope();
    TableBuildWaitScope(const TableBuildWaitScope&) = delete;
    TableBuildWaitScope& operator=(const TableBuildWaitScope&) = delete;

private:
    TableBuildWait m_previous;
};

// Tests and benchmarks: forgets the kept tables, so that the next Verify
// builds them anew.
void ForgetFluidTables();
// Tests: replaces the COMPPVT that builds the composition tables (null
// restores it); the entry is called once for each build the library is asked
// for (the tables of a composition are built once and kept while it is
// unchanged).
void SetCompositionTablesEntry(decltype(&COMPPVT) entry);
