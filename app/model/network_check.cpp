#include "network_check.h"

#include "field_bounds.h"
#include "network_values.h"
#include "units.h"

#include "fluid_model.h"

#include <vexil/network_objects.h>
#include <vexil/object.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace network {

namespace {

// The library's limits in the single precision it compares them in.
constexpr float MIN_BACK_PRESSURE = static_cast<float>(RELEASE_MIN_BACK_PRESSURE);  // Pa
constexpr float MIN_END_TIME = static_cast<float>(RELEASE_MIN_END_TIME);  // s after the leak opens
constexpr float TABLE_END = static_cast<float>(RELEASE_TABLE_END);        // s of simulated time
constexpr float LEAK_OPENS = static_cast<float>(RELEASE_LEAK_OPENS);      // s of simulated time
constexpr float SMALLEST_OPENING = static_cast<float>(RELEASE_SMALLEST_OPENING);      // m2
constexpr float MIN_START_PRESSURE = static_cast<float>(RELEASE_MIN_START_PRESSURE);  // Pa
constexpr float MAX_START_PRESSURE = static_cast<float>(RELEASE_MAX_START_PRESSURE);  // Pa
// A pipe this long or longer takes the most sections a pipe takes.
constexpr float FULL_SECTIONS_FROM = (RELEASE_MAX_PIPE_SECTIONS - 1) * RELEASE_SECTION_LENGTH;

[[noreturn]] void refuse(unsigned id, int xref, std::vector<QString> args) {
    throw ValidationError{id, xref, std::move(args)};
}

struct Field {
    const char* type;
    const char* field;
    const char* name;  // as the message says it
};

const Field FIELDS[] = {
    {FLOW_INLET, "depth", "inlet's depth"},
    {FLOW_INLET, "flowrate", "inlet's flow rate"},
    {FLOW_INLET, "temp", "inlet's temperature"},
    {FLOW_OUTLET, "depth", "outlet's depth"},
    {FLOW_OUTLET, "pressure", "outlet's pressure"},
    {JUNCTION, "depth", "junction's depth"},
    {PIPE_JOIN, "depth", "connection's depth"},
    {PIPELINE, "length", "pipeline's length"},
    {PIPELINE, "diameter", "pipeline's diameter"},
    {PIPELINE, "roughness", "pipeline's roughness"},
    {PIPELINE, "heat_trans_coeff", "pipeline's heat transfer coefficient"},
    {PIPELINE, "amb_temp", "pipeline's ambient temperature"},
    {SPILL_POINT, "distance", "leak's distance"},
    {SPILL_POINT, "diameter", "leak's diameter"},
    {SPILL_POINT, "depth", "leak's water depth"},
    {SPILL_POINT, "backpressure", "leak's back pressure"},
};

bool startsAtInlet(const orvane::ReleaseInput& in, int branch) {
    for (int j = 0; j < in.net.NJUN; ++j)
        if (in.net.NBJ[j] > 0 && in.IBJ(j, in.net.NBJ[j] - 1) == branch + 1) return false;
    return true;
}

// A pipe as the library sees it: its length from its end points and its
// section count, the branch's extra sections included.
struct LibraryPipe {
    float length;
    int sections;
};

std::vector<LibraryPipe> libraryPipes(const orvane::ReleaseInput& in, int branch) {
    const BRREC& br = in.br[branch];
    const int fromInlet = startsAtInlet(in, branch) ? 1 : 0;
    std::vector<LibraryPipe> pipes;
    for (int s = 0; s < br.NPIPE; ++s)
        pipes.push_back({release_pipe_length(&br.PIPE[s]),
                         release_branch_pipe_sections(br.PIPE, br.NPIPE, s, fromInlet)});
    return pipes;
}

bool startsAtOrAboveLowest(float outlet) {
    return RELEASE_OUTLET_START_FACTOR * outlet >= MIN_START_PRESSURE;
}

bool startsBelowHighest(float outlet) {
    return RELEASE_OUTLET_START_FACTOR * outlet < MAX_START_PRESSURE;
}

void checkOutlet(const orvane::ReleaseInput& in) {
    // The run starts from a pressure a little above the outlet's.
    if (!startsAtOrAboveLowest(in.bnd.POUT) || !startsBelowHighest(in.bnd.POUT))
        refuse(IDS_OUTLET_PRESSURE_OUT_OF_RANGE, in.outlet_obj,
               DisplayValues("PRESSURE", {in.bnd.POUT, LowestOutletPressure(),
                                          MAX_START_PRESSURE / RELEASE_OUTLET_START_FACTOR}));
}

void checkPipes(const orvane::ReleaseInput& in) {
    for (int b = 0; b < in.net.NBR; ++b) {
        const BRREC& br = in.br[b];
        for (int s = 0; s < br.NPIPE; ++s) {
            const PIPSEG& p = br.PIPE[s];
            const int xref = in.segment_obj[b][s];
            if (!(p.DIAM > 0.0f))
                refuse(IDS_PIPE_DIAMETER_NOT_POSITIVE, xref,
                       {DisplayValue("DIAMETER", p.DIAM), DisplayValue("DIAMETER", 0)});
            const float r = release_pipe_roughness(p.ROUGH);
            switch (release_roughness_fault(p.DIAM, r)) {
                case RELEASE_ROUGHNESS_ABOVE_HALF_DIAMETER:
                    refuse(IDS_ROUGHNESS_ABOVE_HALF_DIAMETER, xref,
                           DisplayValues("ROUGHNESS", {r, 0.5f * p.DIAM}));
                case RELEASE_ROUGHNESS_NEGATIVE:
                    refuse(IDS_ROUGHNESS_NEGATIVE, xref, {DisplayValue("ROUGHNESS", r)});
                default:
                    break;
            }
        }
    }
}

void checkSections(const orvane::ReleaseInput& in) {
    int total = 0, crossing = 0;
    for (int b = 0; b < in.net.NBR; ++b) {
        const std::vector<LibraryPipe> pipes = libraryPipes(in, b);
        for (size_t s = 0; s < pipes.size(); ++s) {
            total += pipes[s].sections;
            if (total > RELEASE_MAX_SECTIONS && crossing == 0) crossing = in.segment_obj[b][s];
        }
    }
    if (total > RELEASE_MAX_SECTIONS)
        refuse(IDS_TOO_MANY_SECTIONS, crossing,
               {QString::number(total), QString::number(RELEASE_MAX_SECTIONS),
                DisplayValue("LENGTH", FULL_SECTIONS_FROM),
                QString::number(RELEASE_MAX_PIPE_SECTIONS)});
}

void checkLeak(const orvane::ReleaseInput& in, const LeakPlace& place) {
    const LEKDAT& lek = in.lek;
    const int xref = in.leak_obj;
    const int b = lek.LEKBR - 1;
    if (b < 0 || b >= in.net.NBR || place.segment < 0) return;  // the walk always sets both

    // The library finds the leak's section by summing section lengths along
    // the branch: every real section from the inlet, or for a branch that
    // starts at a junction all its sections but the last real one.
    const std::vector<LibraryPipe> pipes = libraryPipes(in, b);
    const bool fromInlet = startsAtInlet(in, b);
    std::vector<float> dx;
    std::vector<int> pipeOf;
    for (size_t i = 0; i < pipes.size(); ++i) {
        const int k = pipes[i].sections;
        int real = k;
        if (fromInlet && pipes.size() == 1)
            real = k - 2;
        else if (fromInlet && (i == 0 || i + 1 == pipes.size()))
            real = k - 1;
        else if (!fromInlet && i + 1 == pipes.size())
            real = k - 1;
        for (int l = 0; l < k; ++l) {
            dx.push_back(pipes[i].length / static_cast<float>(real));
            pipeOf.push_back(static_cast<int>(i));
        }
    }
    // The sections the library counts: n - 2 of them from the first one
    // after a branch's inlet section (every real one of a branch from an
    // inlet; all but the last real one of a branch from a junction).
    const int n = static_cast<int>(dx.size());
    const int first = fromInlet ? 1 : 0;  // 0-based place of the first counted section
    float sum = 0.0f;
    int found = n - 2 > 0 ? release_leak_section(dx.data() + first, n - 2, lek.LEKX, &sum) : -1;
    if (found >= 0) found += first;

    // On its own pipeline the leak may lie from its upstream end to its
    // downstream end, or to where the library's counted length ends.
    const double upstream = static_cast<double>(lek.LEKX) - place.distance;
    const double limit = std::min(place.pipelineLength, static_cast<double>(sum) - upstream);
    const double tolerance = RELEASE_LEAK_END_TOLERANCE;
    if (found < 0 || place.distance < -tolerance || place.distance > limit + tolerance)
        refuse(IDS_LEAK_OUTSIDE_PIPELINE, xref,
               DisplayValues("DISTANCE", {place.distance, 0, limit}));

    if (!(lek.LEKDIA > 0.0f))
        refuse(IDS_LEAK_DIAMETER_NOT_POSITIVE, xref,
               {DisplayValue("DIAMETER", lek.LEKDIA), DisplayValue("DIAMETER", 0)});
    // The library refuses a hole whose opening its leak model would shut;
    // the same float test here.
    if (0.7854f * lek.LEKDIA * lek.LEKDIA < SMALLEST_OPENING)
        refuse(IDS_LEAK_BELOW_SMALLEST_HOLE, xref,
               DisplayValues("DIAMETER", {lek.LEKDIA, std::sqrt(SMALLEST_OPENING / 0.7854)}));
    const float bore = in.br[b].PIPE[pipeOf[static_cast<size_t>(found)]].DIAM;
    if (lek.LEKDIA > bore)
        refuse(IDS_LEAK_LARGER_THAN_PIPE, xref, DisplayValues("DIAMETER", {lek.LEKDIA, bore}));
    if (lek.LEKPB < MIN_BACK_PRESSURE)
        refuse(IDS_BACK_PRESSURE_TOO_LOW, xref,
               DisplayValues("PRESSURE", {lek.LEKPB, MIN_BACK_PRESSURE}));
}

}  // namespace

QString DisplayValue(const char* key, double internalValue) {
    if (std::isnan(internalValue)) return QStringLiteral("nan");
    if (std::isinf(internalValue)) return QString::fromLatin1(internalValue < 0 ? "-inf" : "inf");
    const double shown = ToDisplayUnits(key, static_cast<float>(internalValue));
    const QString unit = GetUnitLabel(key, false);
    const QString number = QString::asprintf("%.6g", shown);
    return unit.isEmpty() ? number : number + QLatin1Char(' ') + unit;
}

std::vector<QString> DisplayValues(const char* key, std::initializer_list<double> internalValues) {
    const std::vector<double> values(internalValues);
    auto distinct = [&](const std::vector<QString>& shown) {
        for (size_t i = 0; i < values.size(); ++i)
            for (size_t j = i + 1; j < values.size(); ++j)
                if (values[i] != values[j] && shown[i] == shown[j]) return false;
        return true;
    };
    std::vector<QString> shown;
    for (double v : values) shown.push_back(DisplayValue(key, v));
    if (distinct(shown)) return shown;
    // The display units as a linear map in double: neighbouring floats stay
    // apart, which the single-precision conversion need not keep them.
    const double offset = ToDisplayUnits(key, 0.0f);
    const double factor = double(ToDisplayUnits(key, 1.0f)) - offset;
    const QString unit = GetUnitLabel(key, false);
    for (int digits = 7; digits <= 12; ++digits) {
        for (size_t i = 0; i < values.size(); ++i) {
            if (!std::isfinite(values[i])) continue;
            const QString number = QString::asprintf("%.*g", digits, offset + values[i] * factor);
            shown[i] = unit.isEmpty() ? number : number + QLatin1Char(' ') + unit;
        }
        if (distinct(shown)) break;
    }
    return shown;
}

void CheckFiniteValues(diagram_object* obj) {
    for (const Field& f : FIELDS) {
        if (!IsType(obj, f.type)) continue;
        const double v = Value(obj, f.field);
        if (!std::isfinite(v))
            refuse(IDS_VALUE_NOT_A_NUMBER, obj->xref,
                   {QString::fromLatin1(f.name),
                    DisplayValue(QuantityKeyOfField(f.type, f.field), v)});
        // A double that no float holds becomes inf in the record.
        if (std::fabs(v) > 3.4028234663852886e38)
            refuse(IDS_VALUE_NOT_A_NUMBER, obj->xref,
                   {QString::fromLatin1(f.name), QString::asprintf("%g", v)});
    }
}

namespace {

// How a message names a value of the object's type.
QString FieldName(const diagram_object* obj, const char* field) {
    for (const Field& f : FIELDS)
        if (IsType(obj, f.type) && std::strcmp(f.field, field) == 0)
            return QString::fromLatin1(f.name);
    if (std::strcmp(field, "closingtime") == 0)
        return QString::fromLatin1(IsType(obj, FLOW_INLET) ? "inlet's closing time"
                                                           : "outlet's closing time");
    return QString::fromLatin1(field);
}

}  // namespace

QString ObjectTitle(diagram_object* obj) {
    QString title = QString::fromUtf8(TypeName(obj));
    if (text_block* label = object_label(obj)) {
        char* text = text_get_string(label);
        const QString shown = QString::fromUtf8(text).simplified();
        g_free(text);
        if (!shown.isEmpty()) title += QStringLiteral(" \"%1\"").arg(shown);
    }
    return title;
}

void CheckConfirmedValues(diagram_object* obj, int fluidClass) {
    const char* names[OBJECT_MAX_VALUES];
    if (object_repaired_values(obj, names) > 0) {
        const char* key = std::strcmp(names[0], "flowrate") == 0
                              ? InletRateKey(fluidClass)
                              : QuantityKeyOfField(TypeName(obj), names[0]);
        const double v = Value(obj, names[0]);
        refuse(IDS_VALUE_REPAIRED, obj->xref,
               {FieldName(obj, names[0]), QString::fromLatin1(names[0]),
                key ? DisplayValue(key, v) : QString::number(v), ObjectTitle(obj)});
    }
    const point_object* inlet = IsType(obj, FLOW_INLET) ? as_point_object(obj) : nullptr;
    if (inlet && inlet->rate_pending)
        refuse(IDS_INLET_RATE_OTHER_FLUID, obj->xref,
               {QString::fromLatin1(fluidClass == FLUID_BLACK_OIL ? "the black oil"
                                                                  : "the gas composition"),
                DisplayValue(InletRateKey(fluidClass), inlet->flowrate), ObjectTitle(obj)});
}

void CheckFluidRepairs(const CBlackOilModel& oil, const FluidComponentList& comps, int fluidClass) {
    const bool blackOil = fluidClass == FLUID_BLACK_OIL;
    const QStringList& repaired = blackOil ? oil.repaired : comps.repaired;
    if (repaired.isEmpty()) return;
    refuse(
        IDS_FLUID_VALUE_REPAIRED, 0,
        {repaired.front(), QString::fromLatin1(blackOil ? "Fluid Properties" : "Gas Properties")});
}

float LowestOutletPressure() {
    float p = MIN_START_PRESSURE / RELEASE_OUTLET_START_FACTOR;
    while (!startsAtOrAboveLowest(p)) p = std::nextafter(p, MAX_START_PRESSURE);
    while (startsAtOrAboveLowest(std::nextafter(p, 0.0f))) p = std::nextafter(p, 0.0f);
    return p;
}

float HighestOutletPressure() {
    float p = MAX_START_PRESSURE / RELEASE_OUTLET_START_FACTOR;
    while (!startsBelowHighest(p)) p = std::nextafter(p, 0.0f);
    while (startsBelowHighest(std::nextafter(p, MAX_START_PRESSURE)))
        p = std::nextafter(p, MAX_START_PRESSURE);
    return p;
}

void CheckSubseaLimits(diagram_object* obj) {
    if (!IsType(obj, PIPELINE)) return;
    const double bore = Value(obj, "diameter");
    if (bore > LARGEST_BORE)
        refuse(IDS_PIPE_BORE_TOO_LARGE, obj->xref, DisplayValues("DIAMETER", {bore, LARGEST_BORE}));
    const double length = Value(obj, "length");
    if (length > LONGEST_PIPELINE)
        refuse(IDS_PIPELINE_TOO_LONG, obj->xref,
               DisplayValues("LENGTH", {length, LONGEST_PIPELINE}));
}

void CheckPropertyTableRange(const orvane::ReleaseInput& in) {
    const PVTBLK& pvt = in.pvt;
    // The library refuses such tables itself.
    if (pvt.NT < 2 || pvt.NT > 20 || pvt.NP < 2 || pvt.NP > 20) return;
    const float low = release_table_temperature_limit(pvt.T[0], pvt.T[1]);
    const float high = release_table_temperature_limit(pvt.T[pvt.NT - 1], pvt.T[pvt.NT - 2]);
    auto check = [&](float t, int xref, const char* name) {
        if (!(t >= low) || !(t <= high)) {
            std::vector<QString> args = DisplayValues("TEMP", {t, low, high});
            args.insert(args.begin(), QString::fromLatin1(name));
            refuse(IDS_TEMPERATURE_OUTSIDE_TABLES, xref, std::move(args));
        }
    };
    for (int b = 0; b < in.net.NBR; ++b) {
        if (in.inlet_obj[b] != 0) check(in.bnd.TIN[b], in.inlet_obj[b], "inlet's temperature");
        for (int s = 0; s < in.br[b].NPIPE; ++s)
            check(in.br[b].PIPE[s].TAMB, in.segment_obj[b][s], "pipeline's ambient temperature");
    }
    // Below the tables the library takes the lowest pressure; above them it
    // has nothing to give.
    const float highest = release_highest_table_pressure(pvt.P[pvt.NP - 1]);
    if (!(in.lek.LEKPB <= highest))
        refuse(IDS_BACK_PRESSURE_ABOVE_TABLES, in.leak_obj,
               DisplayValues("PRESSURE", {in.lek.LEKPB, highest}));
}

void CheckLibraryLimits(const orvane::ReleaseInput& in, const LeakPlace& leak, float endTime) {
    checkPipes(in);
    checkSections(in);
    checkOutlet(in);
    checkLeak(in, leak);
    if (!std::isfinite(endTime))
        refuse(IDS_VALUE_NOT_A_NUMBER, 0,
               {QStringLiteral("discharge run's end time"),
                QString::fromLatin1(std::isnan(endTime) ? "nan" : "inf")});
    if (ValidationError e = CheckEndTime(endTime); e.id != 0) throw e;
}

ValidationError CheckEndTime(float endTime) {
    // 0 is no end time; a negative one the run would ignore.
    const float latest = TABLE_END - LEAK_OPENS;
    if (endTime == 0.0f || (endTime >= MIN_END_TIME && endTime <= latest))
        return ValidationError{0, 0};
    return ValidationError{IDS_END_TIME_OUT_OF_RANGE,
                           0,
                           {QString::asprintf("%.7g s", double(endTime)),
                            QString::asprintf("%.7g s", double(MIN_END_TIME)),
                            QString::asprintf("%.7g s", double(latest))}};
}

}  // namespace network
