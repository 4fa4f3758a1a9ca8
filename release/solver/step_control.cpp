// Choice of the next time step, the cut of a step whose pressures change too
// fast, and the opening and closing of check valves.
#include <algorithm>
#include <cmath>

#include "run/routines.h"
#include "run/state.h"
#include "solver/step.h"

namespace rel {

float dpr_indicator(double P, float PT, float DPTO, double HT) {
    return static_cast<float>(std::fabs(((P - PT) / HT - DPTO) * HT) / ((P + 100.0) * 2.0));
}

double cut_step(double HT, float r, float HTMIN, float HTSAF, float DPRRED) {
    return std::max(static_cast<double>(HTMIN), HTSAF * HT * DPRRED / r);
}

void TADVDT(float DPRGRO, float DPRMAX, double& HT, float HTMAX, float HTMIN, float HTSAF,
            double& TIME, int32_t ICUT, double& HTOLD) {
    TIME += HT;
    HTOLD = HT;
    if (ICUT == 0) {
        const double cap = 0.8 * static_cast<double>(SECVAR.DTCFL);
        if (HT > cap) {
            HT = cap;
        } else if (DPRMAX < DPRGRO) {
            double x = std::min(HT / HTSAF, static_cast<double>(HTMAX));
            if (x <= cap)
                HT = x;
            else if (1.1 * HT <= cap)
                HT = cap;
            // else: a step within 10 % of the cap is not moved up to it
        }
    }
    int32_t flag = 0;
    CTRUPD(TIME, HT, HTMIN, HTSAF, flag);
}

void CHKVST() {
    auto& E = EQUIPM;
    auto& S = SECVAR;
    for (int v = 1; v <= E.NCHKV && v <= MXBR; ++v) {
        const int b = E.IVBND(v);
        if (b < 2 || b > PIPGEO.NSEC) continue;
        const int across = downstream(b);
        const bool fwd = E.IVDIR(v) == 1;
        const int up = fwd ? b - 1 : across, dn = fwd ? across : b - 1;
        if (E.IVSTAT(v) == 1) {
            float h =
                (PIPGEO.DX(up) + PIPGEO.DX(dn)) * (S.GRVT1(b) + S.GRVT2(b) + S.GRVT3(b)) * 0.5f;
            float p = fwd ? S.PT(up) + h : S.PT(up) - h;
            if (S.PT(dn) < p) E.IVSTAT(v) = 0;
        } else if (static_cast<float>(E.IVDIR(v)) * (S.QL(b) + S.QG(b) + S.QD(b)) < 0.0f) {
            E.IVSTAT(v) = 1;
        }
    }
}

}  // namespace rel
