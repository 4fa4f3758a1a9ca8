#include "unit_conversion.h"

#include <initializer_list>
#include <vector>

namespace tessel {

namespace {

struct UnitRow {
    const char16_t* spelling;
    double f;
    double o;
};

constexpr double kFt = 0.3048;
constexpr double kFt3 = 0.028316846592;  // 0.3048 cubed
constexpr double kPsi = 6894.757;
constexpr double kBarrel = 0.158987;

void Add(std::vector<UnitRow>& rows, std::initializer_list<const char16_t*> spellings, double f,
         double o = 0.0) {
    for (const char16_t* s : spellings) rows.push_back(UnitRow{s, f, o});
}

// In table order: the first matching row wins.
const std::vector<UnitRow>& UnitTable() {
    static const std::vector<UnitRow> rows = [] {
        std::vector<UnitRow> t;
        // fraction
        Add(t, {u"ppm", u"%"}, 1);
        // time (s)
        Add(t, {u"s", u"sec"}, 1);
        // pressure (Pa)
        Add(t, {u"bar"}, 100000);
        Add(t, {u"pa", u"n/m2", u"n/m²"}, 1);
        Add(t, {u"psi"}, kPsi);
        Add(t, {u"atm"}, 101325);
        // temperature (K)
        Add(t, {u"c", u"degc", u"°c", u"deg c"}, 1, 273.15);
        Add(t, {u"k", u"degk", u"deg k"}, 1);
        Add(t, {u"f", u"degf", u"°f", u"deg f"}, 0.555555555, 255.37222);
        Add(t, {u"r", u"degr", u"°r", u"deg r"}, 0.555555555);
        // mass (kg)
        Add(t, {u"kg"}, 1);
        Add(t, {u"lb"}, 0.4535924);
        // mass rate (kg/s)
        Add(t, {u"kg/s"}, 1);
        Add(t, {u"lb/s", u"lbl/s"}, 0.4535924);
        // volume rate (m3/d)
        Add(t, {u"sm³/s", u"sm3/s", u"m3/s", u"m³/s"}, 86400);
        Add(t, {u"scf/s", u"scfs", u"ft3/s", u"ft³/s"}, kFt3 * 86400);
        Add(t, {u"sm³/d", u"sm3/d", u"m3/d", u"m³/d"}, 1);
        // Million standard cubic metres per day: the leading "M" is the metric
        // prefix mega, as in MSm3/d.
        Add(t, {u"msm³/d"}, 1000000);
        Add(t, {u"scf/d", u"scft/d", u"scfd", u"ft3/d", u"ft³/d"}, kFt3);
        Add(t, {u"mmscf/d", u"mmscfd", u"mmcf/d", u"mmcfd"}, kFt3 * 1000000);
        Add(t, {u"bpm"}, 228.94128);
        // velocity (m/s)
        Add(t, {u"m/s"}, 1);
        Add(t, {u"cm/s"}, 0.01);
        Add(t, {u"inch/s"}, 0.0254);
        Add(t, {u"ft/s"}, kFt);
        Add(t, {u"ft/h"}, 0.00008466667);
        // heat-transfer coefficient (W/m2K)
        Add(t, {u"w/m²k", u"w/m2k"}, 1);
        Add(t, {u"btu/ft²h°f"}, 5.657);
        // energy (J)
        Add(t, {u"j"}, 1);
        Add(t, {u"btu"}, 1055);
        // energy density (MJ/m3)
        Add(t, {u"mj/m³"}, 1);
        Add(t, {u"btu/ft³"}, 1055 / kFt3 / 1000000);
        // productivity (Sm3/(d bar))
        Add(t, {u"sm³/(d bar)", u"sm³/d·bar"}, 1);
        Add(t, {u"scft/(d psi)", u"sft³/(d psi)", u"sft³/d·psi", u"scft/d·psi"},
            kFt3 * 100000 / kPsi);
        Add(t, {u"stb/d·psi"}, 2.305911516938);
        // gas-oil ratio (Sm3/Sm3)
        Add(t, {u"sm³/sm³"}, 1);
        Add(t, {u"sft³/stb"}, kFt3 / kBarrel);
        // volume (m3)
        Add(t, {u"m3", u"m³"}, 1);
        Add(t, {u"ft3", u"ft³"}, kFt3);
        Add(t, {u"bbls", u"bbl"}, kBarrel);
        // length (m)
        Add(t, {u"m"}, 1);
        Add(t, {u"mm"}, 1.0 / 1000);
        Add(t, {u"ft"}, kFt);
        Add(t, {u"in", u"inch"}, 0.0254);
        // viscosity (Pa s)
        Add(t, {u"pas", u"pa/s"}, 1);
        Add(t, {u"cp"}, 0.001);
        // thermal conductivity (W/mK)
        Add(t, {u"w/mk"}, 1);
        Add(t, {u"btu/fth°f"}, 1.73);
        // surface tension (N/m)
        Add(t, {u"n/m"}, 1);
        Add(t, {u"dyne/cm"}, 0.001);
        // area (m2) and kinematic viscosity (m2/s)
        Add(t, {u"m2", u"m²"}, 1);
        Add(t, {u"m2/s", u"m²/s"}, 1);
        Add(t, {u"ft2", u"ft²", u"ft2/s", u"ft²/s"}, 0.09290304);
        // rate (1/s), specific heat (J/kgK)
        Add(t, {u"1/s", u"j/kgk"}, 1);
        Add(t, {u"btu/lbm°f", u"btu/lbmf"}, 4186.8);
        // dimensionless
        Add(t, {u"-"}, 1);
        // pressure gradient (Pa/m)
        Add(t, {u"pa/m"}, 1);
        Add(t, {u"bar/m"}, 100000);
        Add(t, {u"psi/ft"}, kPsi / kFt);
        // density (kg/m3)
        Add(t, {u"kg/m³", u"kg/m3"}, 1);
        Add(t, {u"lb/ft³", u"lb/ft3"}, 16.01846);
        Add(t, {u"ppg"}, 119.8264);
        // thermal resistance, specific energy, permeability-thickness
        Add(t, {u"mk/w"}, 1);
        Add(t, {u"j/kg"}, 1);
        Add(t, {u"md·m"}, 1);
        Add(t, {u"md·ft"}, kFt);
        return t;
    }();
    return rows;
}

const UnitRow* FindUnit(const QString& unit) {
    const QString lower = unit.toLower();
    for (const UnitRow& row : UnitTable()) {
        if (lower == QString::fromUtf16(row.spelling)) return &row;
    }
    return nullptr;
}

}  // namespace

bool IsKnownUnit(const QString& unit) { return FindUnit(unit) != nullptr; }

double cnvUnit(double val, const QString& InU, const QString& OutU, QString& Err) {
    Err.clear();
    const UnitRow* in = FindUnit(InU);
    if (!in) {
        Err = kUnknownInputUnit;
        return 0.0;
    }
    const double base = in->f * val + in->o;
    const UnitRow* out = FindUnit(OutU);
    if (!out) {
        Err = kUnknownOutputUnit;
        return 0.0;
    }
    return (base - out->o) / out->f;
}

}  // namespace tessel
