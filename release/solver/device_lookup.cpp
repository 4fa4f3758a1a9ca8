// Time tables and the single-point property lookup of the device routines.
#include <cmath>

#include "run/errors.h"
#include "run/state.h"
#include "solver/devices.h"

namespace rel {

float time_interp(const float* tt, const float* vt, int32_t n, double t) {
    if (n <= 0) return 0.0f;
    if (n == 1) return vt[0];
    int32_t k = n - 1;  // 1-based interval
    for (int32_t j = 1; j <= n - 1; ++j) {
        if (t < tt[j]) {  // tt(j+1)
            k = j;
            break;
        }
    }
    const double t0 = tt[k - 1], t1 = tt[k];
    const double v0 = vt[k - 1], v1 = vt[k];
    // Equal times (a closing point on top of another) make a step, not 0/0.
    if (!(t1 > t0)) return static_cast<float>(t < t1 ? v0 : v1);
    return static_cast<float>(v0 + (t - t0) / (t1 - t0) * (v1 - v0));
}

void table_lookup(float P, float T, PvtOut& out, int32_t& IERR, char* MSG, int32_t LMSG) {
    const int32_t IT = TBLOC(T, PVTCOM.TT.data(), PVTCOM.NT, 2);
    const int32_t IP = TBLOC(P, PVTCOM.PP.data(), PVTCOM.NP, 2);
    int32_t BELOW = 0;
    PVTLUP(IT, IP, P, T, out, TRUE_, BELOW, PVTCOM.PVTOPT, IERR, MSG, LMSG);
}

PointLookup device_lookup = table_lookup;

}  // namespace rel
