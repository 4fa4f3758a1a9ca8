// The physical check of a filled table block: every used value a number, and
// the quantities that can only be positive (densities, viscosities, heat
// capacities, conductivities) above zero. A fluid whose correlations break
// down somewhere on the grid must be refused where it is made, not handed to
// a run that would turn it into a plausible-looking result.
#include <cmath>
#include <string>

#include "pvt/pvt.h"
#include "run/routines.h"

namespace rel {

namespace {

struct TableInfo {
    const char* name;
    const char* unit;
    bool positive;
};

// Tables 1..16 of the block.
const TableInfo TABLES[16] = {
    {"GAS DENSITY", "kg/m3", true},
    {"LIQUID DENSITY", "kg/m3", true},
    {"PRESSURE DERIVATIVE OF GAS DENSITY", "kg/m3 per Pa", false},
    {"PRESSURE DERIVATIVE OF LIQUID DENSITY", "kg/m3 per Pa", false},
    {"TEMPERATURE DERIVATIVE OF GAS DENSITY", "kg/m3 per C", false},
    {"TEMPERATURE DERIVATIVE OF LIQUID DENSITY", "kg/m3 per C", false},
    {"GAS MASS FRACTION", "", false},
    {"GAS VISCOSITY", "Pa s", true},
    {"LIQUID VISCOSITY", "Pa s", true},
    {"GAS HEAT CAPACITY", "J/(kg K)", true},
    {"LIQUID HEAT CAPACITY", "J/(kg K)", true},
    {"GAS ENTHALPY", "J/kg", false},
    {"LIQUID ENTHALPY", "J/kg", false},
    {"GAS THERMAL CONDUCTIVITY", "W/(m K)", true},
    {"LIQUID THERMAL CONDUCTIVITY", "W/(m K)", true},
    {"SURFACE TENSION", "N/m", false},
};

std::string num(double x) { return value_text(x, nullptr); }

}  // namespace

std::string PVTPHY(const PVTBLK& blk, bool standard_words) {
    const int np = blk.NP < 0 ? 0 : blk.NP > 20 ? 20 : blk.NP;
    const int nt = blk.NT < 0 ? 0 : blk.NT > 20 ? 20 : blk.NT;
    for (int k = 0; k < 16; ++k) {
        const TableInfo& t = TABLES[k];
        for (int i = 0; i < np; ++i)
            for (int j = 0; j < nt; ++j) {
                const float v = blk.TAB[k][i][j];
                const bool finite = std::isfinite(v);
                if (finite && (!t.positive || v > 0.0f)) continue;
                const std::string where =
                    " AT " + num(blk.P[i]) + " Pa AND " + num(blk.T[j]) + " C";
                if (!finite) return std::string(t.name) + " IS NOT A FINITE NUMBER" + where;
                return std::string(t.name) + " IS " + value_text(v, t.unit) + where +
                       "; IT MUST BE ABOVE 0";
            }
    }
    if (!standard_words) return {};
    const struct {
        const char* name;
        float v;
    } words[] = {{"STANDARD GAS DENSITY", blk.ROGST},
                 {"STANDARD LIQUID DENSITY", blk.ROLST},
                 {"STANDARD GAS-OIL RATIO", blk.GORST},
                 {"STANDARD GAS MASS FRACTION", blk.BETAST}};
    for (const auto& w : words)
        if (!std::isfinite(w.v)) return std::string(w.name) + " IS NOT A FINITE NUMBER";
    return {};
}

}  // namespace rel
