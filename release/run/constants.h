// Constants that several parts of the library share; the values themselves
// are those of the public header, which the library's callers use too.
#pragma once

#include "release/release.h"

namespace rel {

// The simulation clock, s, at which the warm-up ends and the leak opens.
constexpr double TLEAK = RELEASE_LEAK_OPENS;

// Acceleration of gravity, m/s2, in double and in single precision.
constexpr double GRAVITY = RELEASE_GRAVITY;
constexpr float GRAV = static_cast<float>(GRAVITY);
// The starting pressure profile of a run takes gravity rounded to 9.8066.
// It only seeds the warm-up, but its rounding shows in the sixth digit of the
// results, which are kept as they are.
constexpr float GRAV_START = 9.8066f;

// Standard conditions: Pa and deg C.
constexpr float PSTD = static_cast<float>(RELEASE_STD_PRESSURE);
constexpr float TSTD = static_cast<float>(RELEASE_STD_TEMPERATURE);

}  // namespace rel
