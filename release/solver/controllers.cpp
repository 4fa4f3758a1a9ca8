// Controllers and their set points.
//
// Each controller follows the set point of a step table in time; its output
// moves toward it by at most dt/tau per step (tau the time constant, s per unit
// of output). Types 6, 9 and 10 follow the set point at once. A large change
// of the outputs in one step shortens the step.
#include <algorithm>
#include <cmath>

#include "run/routines.h"
#include "run/state.h"
#include "solver/devices.h"

namespace rel {
namespace {

bool follows_at_once(int32_t type) { return type == 6 || type == 9 || type == 10; }

// Time constant of controller k. A zero or negative one means no rate limit.
double tau(int k) {
    // The set-up keeps the time constant in CTRTC; CTRRAT, where given, holds the same.
    const float t = CTRTAB.CTRRAT(k) > 0.0f ? CTRTAB.CTRRAT(k) : CTRTAB.CTRTC(k);
    return t;
}

// Largest change of an output in a step of length dt.
double max_change(int k, double dt) {
    const double t = tau(k);
    return t > 0.0 ? dt / t : HUGE_VAL;
}

int table_of(int k) {
    const int32_t t = CTRTAB.ICTRST(k);
    return t >= 1 && t <= MXCTR ? t : k;
}

// Output moved from p toward s by at most d.
float limited(float s, float p, double d) {
    if (s <= p) return static_cast<float>(std::fmax(s, p - d));
    return static_cast<float>(std::fmin(s, p + d));
}

int first_numbered(int32_t N) {
    const int n = std::min<int32_t>(CTRTAB.NCTR, MXCTR);
    for (int k = 1; k <= n; ++k)
        if (CTRTAB.ICTRNO(k) == N) return k;
    return 0;
}

}  // namespace

float SETPNT(int32_t ITAB, double T) {
    if (ITAB < 1 || ITAB > MXCTR) return 0.0f;
    const int n = std::min<int32_t>(CTRTAB.NCTRT(ITAB), MXCTRT);
    if (n <= 0) return 0.0f;
    float s = CTRTAB.SCTR(1, ITAB);
    for (int j = 1; j <= n; ++j) {
        if (CTRTAB.TCTR(j, ITAB) <= T)
            s = CTRTAB.SCTR(j, ITAB);
        else
            break;
    }
    return s;
}

float CTRSIG(int32_t N) {
    const int k = first_numbered(N);
    return k > 0 ? CTRTAB.CTROLD(k) : 0.0f;
}

float ctr_output(int32_t N) {
    const int k = first_numbered(N);
    return k > 0 ? CTRTAB.CONTR(k) : 0.0f;
}

void CTRUPD(double TIME, double& HT, float HTMIN, float HTSAF, int32_t& IFLAG) {
    IFLAG = 0;
    const int n = std::min<int32_t>(CTRTAB.NCTR, MXCTR);

    bool all_restart = true;
    for (int k = 1; k <= n; ++k) {
        if (is_true(CTRTAB.IRESTR(k))) continue;
        all_restart = false;
        CTRTAB.CTROLD(k) = CTRTAB.CONTR(k);
    }

    double sum = 0.0;
    for (int k = 1; k <= n; ++k) {
        const float s = SETPNT(table_of(k), TIME);
        if (!is_true(CTRTAB.IRESTR(k)) && !follows_at_once(CTRTAB.ICTRTY(k))) {
            const float p = CTRTAB.CTROLD(k);
            CTRTAB.CONTR(k) = limited(s, p, max_change(k, HT));
            const double d = CTRTAB.CONTR(k) - p;
            sum += d * d;
        } else {
            CTRTAB.CONTR(k) = s;
        }
    }

    if (std::sqrt(sum) >= 0.2 && !all_restart && HTMIN < HT) {
        HT = std::fmax(HT * HTSAF, static_cast<double>(HTMIN));
        IFLAG = 1;
        // Limit again around the previous outputs with the shorter step. Type 10
        // is limited here although it followed its set point above. A restarting
        // controller keeps the set point it took: its previous output is stale.
        for (int k = 1; k <= n; ++k) {
            const int32_t type = CTRTAB.ICTRTY(k);
            if (type == 6 || type == 9 || is_true(CTRTAB.IRESTR(k))) continue;
            CTRTAB.CONTR(k) = limited(CTRTAB.CONTR(k), CTRTAB.CTROLD(k), max_change(k, HT));
        }
    }

    for (int k = 1; k <= n; ++k) {
        if (!is_true(CTRTAB.IRESTR(k))) continue;
        CTRTAB.CTROLD(k) = CTRTAB.CONTR(k);
        CTRTAB.IRESTR(k) = FALSE_;
    }
}

}  // namespace rel
