// Routines shared by the device files (chokes, controllers, sources and leak,
// boundaries) and nothing else.
#pragma once

#include <cstdint>

#include "run/routines.h"

namespace rel {

// ------------------------------------------------ controllers (controllers.cpp)
// Value of set-point table ITAB at time T: the last point not later than T, the
// first point before all of them. A step table, never interpolated.
float SETPNT(int32_t ITAB, double T);
// Output at the start of the step of the first controller numbered N (0 when none).
float CTRSIG(int32_t N);
// Current output of the first controller numbered N (0 when none).
float ctr_output(int32_t N);

// ------------------------------------------------ chokes (choke.cpp)
// Iteration budget of the two choke iterations (100); a test may lower it.
extern int32_t choke_iteration_limit;

// ------------------------------------------------ boundaries (boundaries.cpp)
// Prescribed gas volume fraction at end IEND (1 left, 2 right) of branch IBR;
// AL is replaced. A time outside the void table sets IERR 1 and the message.
void BOUCON(int32_t IEND, int32_t IBR, int32_t ISEC, float& AL, int32_t& IERR, char* MSG,
            int32_t LMSG);

// ------------------------------------------------ tables and properties
// Linear interpolation in a time table of n points at time t: the interval is
// the first j in 1..n-1 with t < tt(j+1), else n-1; not clamped, so both end
// intervals extrapolate. A zero-width interval acts as a step at its time.
// One point gives that value, none gives 0.
float time_interp(const float* tt, const float* vt, int32_t n, double t);

// The property lookup of one point (P Pa, T deg C) with the full range checks.
// On a failure IERR is 1 with the lookup's message and out is untouched. The
// device routines look up through this pointer so that a test can hand them
// a fluid of its own; it points at table_lookup.
using PointLookup = void (*)(float P, float T, PvtOut& out, int32_t& IERR, char* MSG, int32_t LMSG);
extern PointLookup device_lookup;
// TBLOC on both grids, then PVTLUP with the low-pressure check on.
void table_lookup(float P, float T, PvtOut& out, int32_t& IERR, char* MSG, int32_t LMSG);

}  // namespace rel
