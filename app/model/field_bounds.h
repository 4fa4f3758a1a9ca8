// What an engineering value of the network objects may be, in one place for
// every road a value comes in by: the property dialogs, the pipeline
// database sink and the network check.
//
// A value is acceptable when it is a normal single-precision number (or 0),
// stays finite when shown in any display unit system, and keeps the bound of
// its quantity: lengths and diameters above 0; roughness, depths, distances,
// rates, pressures and heat-transfer coefficients at or above 0; temperatures at or above absolute zero;
// closing times within the whole seconds a 32-bit integer holds; the
// black-oil values within the limits of their tables.
// Values are in the internal units of the unit tables.
#pragma once

#include <string>

enum class FieldBound {
    Any,                // any finite number
    NotNegative,        // 0 or more
    Positive,           // more than 0
    AboveAbsoluteZero,  // a temperature of -273.15 degrees Celsius or more
    WholeSeconds,       // a time kept as a 32-bit whole number of seconds
    Limited,            // within the limits of its quantity (the black-oil values)
};

constexpr double ABSOLUTE_ZERO_CELSIUS = -273.15;

// The bound of a quantity key ("LENGTH", "DIAMETER", "TEMP", ...); Any for
// a key without one.
FieldBound BoundOfQuantity(const std::string& key);

// True when the value fits a 32-bit float as a normal number or 0 and stays
// finite in every display unit system of the key.
bool IsRepresentableValue(const std::string& key, double value);

// IsRepresentableValue and the key's bound.
bool IsAcceptableValue(const std::string& key, double value);

constexpr double DEEPEST_SEA = 11000.0;  // m

// The lowest and highest value a field of the key takes, in internal units,
// as a dialog's refusal names them: a bound of 0 excluded gives the smallest
// normal float, a pressure (the outlet's, the one pressure typed) starts at
// the lowest outlet pressure the run starts from; the top is what the network check and the library refuse
// beyond (a bore of 2 m, a pipeline of 2000 km, an outlet pressure whose
// start pressure reaches the library's highest, a temperature outside every
// property table) or what the quantity can physically be (a depth of 11 km),
// and never more than every display unit can show. The black-oil keys
// (GASDENSITY, OILDENSITY, GOR and WATERCUT, in percent) keep the limits the
// black-oil tables are built for; the discharge run refuses any other value.
struct ValueRange {
    double low;
    double high;
};
ValueRange RangeOfQuantity(const std::string& key);

// IsAcceptableValue and within RangeOfQuantity: what a dialog takes.
bool IsWithinRange(const std::string& key, double value);

// The quantity key of a field of a network object type ("Pipeline",
// "length" -> "LENGTH"), or null for a field the unit tables do not know.
const char* QuantityKeyOfField(const char* typeName, const char* field);
