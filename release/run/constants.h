// Constants that several parts of the library share; the values themselves
// are those of the public header, which the library's callers use too.
#pragma once

#include "release/release.h"

namespace rel {

// The simulation clock, s, at which the warm-up ends and the leak opens.
constexpr double TLEAK = RELEASE_LEAK_OPENS;
// The latest end of a run, s of simulated time (30 days after the leak opened).
constexpr float MAXEND = static_cast<float>(RELEASE_LEAK_OPENS + RELEASE_LONGEST_RELEASE);
// Every run table ends at TEND, s.
constexpr float TEND = static_cast<float>(RELEASE_TABLE_END);
// Pressure difference across the leak below which the leak lets nothing
// through, Pa.
constexpr float LEAK_DEAD_BAND = static_cast<float>(RELEASE_LEAK_DEAD_BAND);
// The produced water of the liquid tables, kg/m3.
constexpr float RHO_WATER = static_cast<float>(RELEASE_WATER_DENSITY);

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
