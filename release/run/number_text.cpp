// Fixed-width number texts for the library's messages.
#include <cmath>
#include <cstdio>
#include <string>

#include "run/routines.h"

namespace rel {

// n right-aligned in two characters; "**" when it does not fit (above 99,
// below -9).
std::string I2CH2(int32_t n) {
    if (n > 99 || n < -9) return "**";
    char buf[8];
    std::snprintf(buf, sizeof buf, "%2d", static_cast<int>(n));
    return buf;
}

// x rounded to a whole number (halves away from zero), right-aligned in ten
// characters with its decimal point and no digits after it ("       12.");
// ten asterisks when it does not fit or is not a number.
std::string I2CH10(float x) {
    if (!std::isfinite(x)) return std::string(10, '*');
    double r = std::round(static_cast<double>(x));
    if (r == 0.0) r = 0.0;  // no "-0."
    // Nine characters for sign and digits, one for the point.
    if (r > 999999999.0 || r < -99999999.0) return std::string(10, '*');
    char buf[32];
    std::snprintf(buf, sizeof buf, "%9.0f.", r);
    return buf;
}

std::string value_text(double x, const char* unit) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.6g", x);
    std::string s = buf;
    if (unit && *unit) s += std::string(" ") + unit;
    return s;
}

}  // namespace rel
