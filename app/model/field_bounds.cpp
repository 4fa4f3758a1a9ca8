#include "field_bounds.h"

#include "network_check.h"
#include "network_values.h"
#include "units.h"

#include <release/release.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace {

struct Limits {
    const char* key;
    double low, high;
};
// What the library's black-oil routine accepts (kg/Sm3, Sm3/Sm3, percent).
const Limits BLACK_OIL_LIMITS[] = {
    {"GASDENSITY", RELEASE_BLACK_OIL_GAS_DENSITY_MIN, RELEASE_BLACK_OIL_GAS_DENSITY_MAX},
    {"OILDENSITY", RELEASE_BLACK_OIL_OIL_DENSITY_MIN, RELEASE_BLACK_OIL_OIL_DENSITY_MAX},
    {"GOR", RELEASE_BLACK_OIL_GOR_MIN, RELEASE_BLACK_OIL_GOR_MAX},
    {"WATERCUT", RELEASE_BLACK_OIL_WATER_CUT_MIN, RELEASE_BLACK_OIL_WATER_CUT_MAX},
};

const Limits* limitsOf(const std::string& key) {
    for (const Limits& l : BLACK_OIL_LIMITS)
        if (key == l.key) return &l;
    return nullptr;
}

// The largest float that stays finite in every display unit of the key.
double largestShowable(const std::string& key) {
    float v = FLT_MAX;
    for (int column = 0; column < 3; ++column) {
        const double factor = std::fabs(double(ToDisplayUnits(key, 1.0f, column)) -
                                        ToDisplayUnits(key, 0.0f, column));
        if (factor > 1.0) v = std::min(v, float(FLT_MAX / factor));
    }
    while (v > 0.0f && !IsRepresentableValue(key, v)) v = std::nextafter(v, 0.0f);
    return v;
}

struct Top {
    const char* key;
    double high;
};
// The highest value of each quantity, in internal units: what the network
// check and the library refuse beyond, or what no subsea line can have.
// A leak lies on one pipeline and is no wider than its bore; a roughness is
// no deeper than the bore. No sea is deeper than 11 km (about 10,935 m at
// its deepest). The largest export lines carry about 1.5e8 Sm3/d of gas or
// 1.6e5 Sm3/d of oil: the tops leave room to spare, as the bore and the
// length do. No wall passes more heat than the sea-water film outside it
// takes (some thousand W/m2K). A temperature is one the property tables
// serve.
const Top TOPS[] = {
    {"LENGTH", network::LONGEST_PIPELINE},
    {"DISTANCE", network::LONGEST_PIPELINE},
    {"DIAMETER", network::LARGEST_BORE},
    {"ROUGHNESS", network::LARGEST_BORE},
    {"DEPTH", DEEPEST_SEA},
    {"GASFLOWRATE", 1.0e9},
    {"LIQFLOWRATE", 1.0e6},
    {"HEATTRANS", 1.0e5},
    {"TEMP", RELEASE_TABLES_WARMEST_SERVED},
};

double topOf(const std::string& key, double showable) {
    if (key == "PRESSURE") return std::min(showable, double(network::HighestOutletPressure()));
    for (const Top& t : TOPS)
        if (key == t.key) return std::min(showable, t.high);
    return showable;
}

}  // namespace

FieldBound BoundOfQuantity(const std::string& key) {
    if (limitsOf(key)) return FieldBound::Limited;
    struct Row {
        const char* key;
        FieldBound bound;
    };
    static const Row rows[] = {
        {"LENGTH", FieldBound::Positive},         {"DIAMETER", FieldBound::Positive},
        {"ROUGHNESS", FieldBound::NotNegative},   {"DEPTH", FieldBound::NotNegative},
        {"DISTANCE", FieldBound::NotNegative},    {"GASFLOWRATE", FieldBound::NotNegative},
        {"PRESSURE", FieldBound::NotNegative},    {"HEATTRANS", FieldBound::NotNegative},
        {"TEMP", FieldBound::AboveAbsoluteZero},  {"CLOSINGTIME", FieldBound::WholeSeconds},
        {"LIQFLOWRATE", FieldBound::NotNegative},
    };
    for (const Row& r : rows)
        if (key == r.key) return r.bound;
    return FieldBound::Any;
}

bool IsRepresentableValue(const std::string& key, double value) {
    const double magnitude = std::fabs(value);
    if (!std::isfinite(value) || magnitude > FLT_MAX) return false;
    // A denormal (of float, or of double, which a float holds as 0) is no
    // length an engineer meant.
    if (value != 0.0 && magnitude < FLT_MIN) return false;
    const float f = static_cast<float>(value);
    // A value that cannot be shown cannot be checked or edited by a user.
    for (int column = 0; column < 3; ++column)
        if (!std::isfinite(ToDisplayUnits(key, f, column))) return false;
    return true;
}

bool IsAcceptableValue(const std::string& key, double value) {
    if (!IsRepresentableValue(key, value)) return false;
    switch (BoundOfQuantity(key)) {
        case FieldBound::Any:
            return true;
        case FieldBound::NotNegative:
            return value >= 0.0;
        case FieldBound::Positive:
            return value > 0.0;
        case FieldBound::AboveAbsoluteZero:
            return value >= ABSOLUTE_ZERO_CELSIUS;
        case FieldBound::WholeSeconds:
            return value > -2147483648.0 && value < 2147483647.0;
        case FieldBound::Limited: {
            const Limits* l = limitsOf(key);
            return value >= l->low && value <= l->high;
        }
    }
    return false;
}

ValueRange RangeOfQuantity(const std::string& key) {
    const double top = topOf(key, largestShowable(key));
    switch (BoundOfQuantity(key)) {
        case FieldBound::Any:
            return {-top, top};
        case FieldBound::NotNegative:
            // An outlet pressure the run cannot start from is refused where
            // it is typed, as the check refuses it.
            if (key == "PRESSURE") return {network::LowestOutletPressure(), top};
            return {0.0, top};
        case FieldBound::Positive:
            return {FLT_MIN, top};
        case FieldBound::AboveAbsoluteZero:
            return {RELEASE_TABLES_COLDEST_SERVED, top};
        case FieldBound::WholeSeconds:
            return {-2147483647.0, 2147483646.0};
        case FieldBound::Limited: {
            const Limits* l = limitsOf(key);
            return {l->low, l->high};
        }
    }
    return {-top, top};
}

bool IsWithinRange(const std::string& key, double value) {
    if (!IsAcceptableValue(key, value)) return false;
    const ValueRange range = RangeOfQuantity(key);
    return value >= range.low && value <= range.high;
}

const char* QuantityKeyOfField(const char* typeName, const char* field) {
    struct Row {
        const char* type;  // null: every type with the field
        const char* field;
        const char* key;
    };
    static const Row rows[] = {
        {nullptr, "depth", "DEPTH"},
        {nullptr, "flowrate", "GASFLOWRATE"},
        {nullptr, "temp", "TEMP"},
        {nullptr, "closingtime", "CLOSINGTIME"},
        {network::SPILL_POINT, "backpressure", "PRESSURE"},
        {nullptr, "pressure", "PRESSURE"},
        {nullptr, "length", "LENGTH"},
        {nullptr, "diameter", "DIAMETER"},
        {nullptr, "roughness", "ROUGHNESS"},
        {nullptr, "heat_trans_coeff", "HEATTRANS"},
        {nullptr, "amb_temp", "TEMP"},
        {nullptr, "distance", "DISTANCE"},
    };
    if (!field) return nullptr;
    for (const Row& r : rows)
        if ((!r.type || (typeName && std::strcmp(typeName, r.type) == 0)) &&
            std::strcmp(field, r.field) == 0)
            return r.key;
    return nullptr;
}
