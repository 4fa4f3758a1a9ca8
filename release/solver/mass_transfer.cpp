// Exchange between the phases in the mass step: gas leaving or entering
// solution (MTRANS), entrainment of bulk liquid into droplets (ENTRAT) and
// deposition of droplets back onto the bulk liquid (DEPRAT).
#include <algorithm>
#include <cmath>

#include "rt/fortio.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/mass.h"

namespace rel {

// A network that passed the set-up checks always finds its slot; otherwise
// the run ends with the log lines of the junction lookup.
int32_t jslot_of_section(int32_t s, int32_t j) {
    const int32_t u = IOUNIT.IULOG;
    const int32_t b = jbranch(s);
    if (b == 0) {
        rt::write_line(u, " ERROR IN FUNCTION IBRJF");
        rt::write_line(u, " BELONGING GLOBAL BRANCH NOT FOUND");
        rt::write_line(u, " J  IJUNJ :" + rt::fI(s, 10) + rt::fI(j, 10));
        throw RunFailure("ERROR IN FUNCTION IBRJF: BELONGING GLOBAL BRANCH NOT FOUND FOR SECTION " +
                         std::to_string(s));
    }
    const int32_t m = jslot(j, b);
    if (m == 0) {
        rt::write_line(u, " ERROR IN FUNCTION IBRJF");
        rt::write_line(u, " BELONGING LOCAL BRANCH NOT FOUND");
        rt::write_line(u, " J  IJUNJ IBRF:" + rt::fI(s, 10) + rt::fI(j, 10) + rt::fI(b, 10));
        throw RunFailure("ERROR IN FUNCTION IBRJF: BELONGING LOCAL BRANCH NOT FOUND FOR SECTION " +
                         std::to_string(s) + " AT JUNCTION " + std::to_string(j));
    }
    return m;
}

void junction_rows(int32_t nv) {
    auto& N = NETDSC;
    auto& W = BANDWK;
    // First row of every section that carries unknowns: nv rows for each
    // section before it that is not the end of a branch entering a junction.
    int32_t before[MXB + 2];
    before[1] = 0;
    for (int32_t k = 1; k <= MXB; ++k) before[k + 1] = before[k] + (N.JBND(k) <= 0 ? 1 : 0);
    auto row_of = [&](int32_t s) { return s <= 1 ? 1 : 1 + nv * before[std::min(s, MXB + 1)]; };
    W.NVJUN = nv;
    for (int32_t j = 1; j <= N.NJUN; ++j) {
        W.JOUT(j) = row_of(jdown(j));
        for (int32_t m = 1; m <= N.NBJ(j) - 1; ++m) W.JGRP(j, m) = row_of(jend(j, m) - 1);
    }
}

// Time over which liquid evaporates where the tables say single-phase gas, s.
constexpr float EVAPORATION_TIME = 10.0f;

// PSI(i), kg/m3 s, positive where gas leaves the liquid: the equilibrium gas
// fraction RS changes along the flow, so liquid that arrives from a section
// with another RS releases (or takes up) the difference; the pressure change
// of the step adds what RS changed by between the step's two pressures, of
// the section's whole mass. The result is limited so that neither phase can
// become negative in one step.
void MTRANS() {
    auto& V = SECVAR;
    auto& G = PIPGEO;
    auto& N = NETDSC;
    auto& E = EQUIPM;
    const int32_t nsec = G.NSEC;
    const float ht = static_cast<float>(RUNCTL.HT);
    for (int32_t i = 1; i <= nsec; ++i) V.PSIF(i) = V.PSIB(i) = V.PSI(i) = 0.0f;
    if (nsec - 1 < 2) return;

    for (int32_t i = 2; i <= nsec - 1; ++i) {
        if (N.KSEC(i) >= 1 || N.JBND(i) >= 1) continue;
        const int32_t n = i + 1;
        const int32_t d = N.JBND(n) > 0 ? jdown(N.JBND(n)) : n;

        // Sources that bring both phases at their own gas fraction.
        for (int32_t k = 1; k <= E.NSOUR; ++k)
            if (E.ISOUR(k) == i && E.WGSOUR(k) > 0.0f && E.WLSOUR(k) > 0.0f)
                V.PSIF(i) += (V.RS(i) - E.XSOUR(k)) * (E.WLSOUR(k) + E.WGSOUR(k)) / G.DX(i);
        for (int32_t k = 1; k <= E.NVSRC; ++k)
            if (E.IVSSEC(k) == i && E.WGSOVA(k) > 0.0f && E.WLSOVA(k) > 0.0f)
                V.PSIF(i) += (V.RS(i) - E.RSSOVA(k)) * (E.WLSOVA(k) + E.WGSOVA(k)) / G.DX(i);

        // Forward inflow through the inlet boundary.
        auto forward = [&](int32_t b) {  // mass flux arriving through boundary b from b-1
            return (1 - V.JUD(b)) * V.UD(b) * V.MD(b - 1) + (1 - V.JUL(b)) * V.UL(b) * V.ML(b - 1) +
                   (1 - V.JUG(b)) * V.UG(b) * V.MG(b - 1);
        };
        if (N.JBND(i) == 0) {
            V.PSIF(i) += (V.RS(i) - V.RS(i - 1)) * forward(i) * G.CFLFAC(i) /
                         ((G.DX(i) + G.DX(i - 1)) / 2.0f);
        } else {
            // Behind a junction every incoming end delivers liquid at its own
            // RS into the state of this section (SECPRP's RSJIN).
            const int32_t j = -N.JBND(i);
            for (int32_t m = 1; m <= N.NBJ(j) - 1; ++m) {
                const int32_t s = jend(j, m);
                const int32_t k = N.IBJ(j, m);
                const float t = (V.RSJIN(k) - V.RS(s - 1)) * forward(s) * G.CFLFAC(s) /
                                ((G.DX(i) + G.DX(s - 1)) / 2.0f);
                V.PSIF(s) = t;
                V.PSIF(i) += t;
            }
        }

        // Backward inflow through the outlet boundary.
        const float B = V.JUD(n) * V.UD(n) * V.MD(d) + V.JUL(n) * V.UL(n) * V.ML(d) +
                        V.JUG(n) * V.UG(n) * V.MG(d);
        // At a junction end the liquid leaves at the branch's own RS (SECPRP's RSJBK).
        const float r = N.JBND(n) > 0 ? V.RSJBK(jbranch(i)) : V.RS(i);
        V.PSIB(i) = (V.RS(d) - r) * B * G.EXPFAC(n) / ((G.DX(i) + G.DX(d)) / 2.0f);

        V.MTOT(i) = V.MG(i) + V.MLT(i);
        V.PSIA(i) = V.PSIB(i) + V.PSIF(i);
        // The change of RS between the pressures at the two ends of the step,
        // not the slope at its end times the pressure change: a step that
        // falls through the bubble point frees only what the fraction below
        // it holds, and one that rises through it takes back all the gas the
        // fraction held (where the slope is 0). With the slope, a pressure
        // swinging about the bubble point freed gas on every fall that no rise
        // took back, and a shut line filled with gas above its bubble point.
        const float dp = V.DPT(i) * ht;
        float rs0 = 0.0f;
        float p = V.PSIA(i) + V.DRSP(i) * V.DPT(i) * V.MTOT(i);
        if (dp != 0.0f && section_gas_fraction(i, V.PT(i) - dp, rs0))
            p = V.PSIA(i) + (V.RS(i) - rs0) / ht * V.MTOT(i);
        // The changes above follow the equilibrium only in steps; liquid left
        // where the tables hold none (a gas that condensed and has warmed or
        // expanded past its dew line again) evaporates towards equilibrium.
        if (V.RS(i) >= 1.0f && V.MLT(i) > 0.0f)
            p = std::max(p, V.MLT(i) / std::max(ht, EVAPORATION_TIME));
        if (V.MG(i) + ht * p < 0.0f) p = -V.MG(i) / ht;
        V.PSI(i) = V.MLT(i) - ht * p >= 0.0f ? p : V.MLT(i) / ht;
    }
}

namespace {
// Regime weight x of the closures at boundary i (the next one when the
// upstream section is a boundary cell).
float regime_weight(int32_t i) {
    return NETDSC.KSEC(i - 1) >= 1 ? SECVAR.RGWT(i + 1) : SECVAR.RGWT(i);
}
}  // namespace

// Entrainment at boundary i out of the bulk liquid of section i-1:
// rate = ENTK*ML + ENT0, balanced implicitly against the deposition of the
// previous step.
void ENTRAT() {
    auto& V = SECVAR;
    auto& N = NETDSC;
    const float t = static_cast<float>(RUNCTL.HT);
    for (int32_t i = 1; i <= PIPGEO.NSEC; ++i) {
        // Boundary 1 has no section upstream of it.
        if (i == 1 || N.JBND(i) < 0 || N.KSEC(i) >= 1 || V.ML(i - 1) <= 1.0e-6f) {
            V.PSIE(i) = V.ENT0(i) = V.ENTK(i) = 0.0f;
            V.ENTAUX1(i) = V.ENTAUX2(i) = 0.0f;
            continue;
        }
        const float x = regime_weight(i);
        const float D = PIPGEO.DBND(i);
        const float s = V.SIG(i - 1) <= 1.0e-12f ? 1.0e-12f * D : V.SIG(i - 1) * D;
        const float a = (V.AL(i - 1) + V.AL(i)) / 2.0f;
        const float ainv = a <= 1.0e-6f ? 1.0e6f : 1.0f / a;
        const float aU = V.UG(i) >= 0.0f ? V.AL(i - 1) : V.AL(i);
        const float q = V.UG(i) * V.UG(i) * V.ROG(i - 1) * aU * ainv;
        const float f = (N.KSEC(i - 1) < 2 && N.KSEC(i) > -2) ? 1.0f : 0.0f;
        const float k = q * D * (2.8e-5f / s) * 0.25f * f * x * x;
        const float e = x * x * (2.8e-5f / s) * (-0.046f) * q;
        const float kd = V.DEPK(i), d0 = V.DEP0(i);
        const float m = (kd * t * V.MD(i - 1) + (kd * t + 1.0f) * V.ML(i - 1) - (e - d0) * t) /
                        ((kd + k) * t + 1.0f);
        const float rate = k * m + e;
        if (rate >= 0.0f) {
            V.PSIE(i) = rate;
            V.ENTK(i) = k;
            V.ENT0(i) = e;
        } else {
            V.PSIE(i) = V.ENTK(i) = V.ENT0(i) = 0.0f;
        }
        V.ENTAUX1(i) = V.ENTK(i);
        V.ENTAUX2(i) = V.ENT0(i);
    }
}

// Deposition at boundary i of the droplets of section i-1: rate = DEPK*MD,
// balanced implicitly against this step's entrainment.
void DEPRAT() {
    auto& V = SECVAR;
    auto& N = NETDSC;
    const float t = static_cast<float>(RUNCTL.HT);
    const float pi = 3.141593f;
    for (int32_t i = 1; i <= PIPGEO.NSEC; ++i) {
        V.DEPAUX(i) = 0.0f;
        if (i == 1 || N.JBND(i) < 0 || N.KSEC(i) >= 1 || V.MD(i - 1) <= 1.0e-6f) {
            V.PSID(i) = V.DEP0(i) = V.DEPK(i) = 0.0f;
            continue;
        }
        const float x = regime_weight(i);
        const float D = PIPGEO.DBND(i);
        const float v = std::fabs(V.UL(i)) * V.BE(i - 1) + std::fabs(V.UD(i)) * V.GA(i - 1) + 0.1f;
        const float ratio = V.ROG(i - 1) > 0.0f ? V.ROL(i - 1) / V.ROG(i - 1) : 0.0f;
        float k = 4.0f *
                  ((1.0f / v + 1.0f) * std::pow(ratio, 0.8f) * 0.00023f * x * x +
                   ((1.0f - x * x) * 0.2f / pi) * 0.5f) /
                  D;
        k = std::fabs(V.AL(i - 1)) <= 0.01f ? 100.0f * k : k / V.AL(i - 1);
        const float e1 = V.ENTK(i), e0 = V.ENT0(i);
        const float rate = k * (e0 * t + e1 * t * V.ML(i - 1) + V.MD(i - 1) * (1.0f + e1 * t)) /
                           ((k + e1) * t + 1.0f);
        if (rate >= 0.0f) {
            V.PSID(i) = rate;
            V.DEPK(i) = k;
            V.DEP0(i) = 0.0f;
        } else {
            V.PSID(i) = V.DEPK(i) = V.DEP0(i) = 0.0f;
        }
    }
}

}  // namespace rel
