#include "field_bounds.h"

#include "network_values.h"
#include "units.h"

#include <cfloat>
#include <cmath>
#include <cstring>

FieldBound BoundOfQuantity(const std::string& key) {
    struct Row {
        const char* key;
        FieldBound bound;
    };
    static const Row rows[] = {
        {"LENGTH", FieldBound::Positive},        {"DIAMETER", FieldBound::Positive},
        {"ROUGHNESS", FieldBound::NotNegative},  {"DEPTH", FieldBound::NotNegative},
        {"DISTANCE", FieldBound::NotNegative},   {"GASFLOWRATE", FieldBound::NotNegative},
        {"PRESSURE", FieldBound::NotNegative},   {"HEATTRANS", FieldBound::NotNegative},
        {"TEMP", FieldBound::AboveAbsoluteZero}, {"CLOSINGTIME", FieldBound::WholeSeconds},
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
    }
    return false;
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
