// Hand-built networks for the implicit-step tests: the section layout the
// network set-up gives (an inlet cell, the pipe's sections, an end cell),
// with fluid properties set directly instead of from the tables.
#pragma once

#include <cmath>

#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/band.h"
#include "solver/step.h"

namespace fixture {

using namespace rel;

// Ideal gas at 300 K with R = 518.3 J/(kg K) (methane).
constexpr double kGas = 1.0 / (518.3 * 300.0);
constexpr float kRhoL = 800.0f;
constexpr float kDrlp = 1.0e-6f;  // liquid with a sound speed of 1000 m/s

// One branch: section 1 the inlet cell, 2..n+1 the pipe, n+2 the outlet cell.
// sin > 0 descends. Sections of length dx, diameter D.
inline void single_pipe(int n, float dx, float D, float sin) {
    INICOM();
    NETDSC.NBR = 1;
    NETDSC.NJUN = 0;
    const int NSEC = n + 2;
    PIPGEO.NSEC = NSEC;
    PIPGEO.DCLO(1) = D;
    PIPGEO.ROUGH(1) = 5.0e-5f;
    const float A = 3.141593f * D * D * 0.25f;
    float cos = std::sqrt(1.0f - sin * sin);
    for (int s = 1; s <= NSEC; ++s) {
        NETDSC.KSEC(s) = s == 1 ? 2 : (s == NSEC ? -1 : 0);
        NETDSC.IBRSEC(s) = 1;
        PIPGEO.IPIPE(s) = 1;
        PIPGEO.DX(s) = dx;
        PIPGEO.SECAREA(s) = A;
        PIPGEO.DSEC(s) = D;
        PIPGEO.DBND(s) = D;
        PIPGEO.AREA(s) = A;
        PIPGEO.CFLFAC(s) = PIPGEO.EXPFAC(s) = 1.0f;
        bool inner = s > 1 && s < NSEC;
        PIPGEO.SINANG(s) = inner ? sin : 0.0f;
        PIPGEO.COSANG(s) = inner ? cos : 1.0f;
        PIPGEO.ZSEC(s) = inner ? -(s - 1.5f) * dx * sin : 0.0f;
        PIPGEO.IDPCHK(s) = s >= 2 ? 1 : 0;
        SECVAR.VISL(s) = 1.0e-3f;
        SECVAR.VISG(s) = 1.2e-5f;
        SECVAR.SIG(s) = 0.02f;
    }
    PIPGEO.ZSEC(1) = 0.0f;
    RUNCTL.HTMIN = 0.001f;
    RUNCTL.HTMAX = 2.0f;
}

// Two inlet branches of n pipe sections joined at one junction to an outlet
// branch of n pipe sections, horizontal, as the set-up lays them out:
// branch 1 = sections 1..n+2 (inlet cell, pipe, junction end), branch 2 the
// same after it, branch 3 = the section behind the junction, n - 1 further
// pipe sections and the outlet cell.
inline void three_branches(int n, float dx, float D) {
    single_pipe(3 * n + 3, dx, D, 0.0f);  // geometry of every section
    NETDSC.NBR = 3;
    NETDSC.NJUN = 1;
    NETDSC.NBJ(1) = 3;
    NETDSC.IBJ(1, 1) = 1;
    NETDSC.IBJ(1, 2) = 2;
    NETDSC.IBJ(1, 3) = 3;
    const int b1 = n + 2, b2 = 2 * (n + 2), NSEC = b2 + n + 1;
    PIPGEO.NSEC = NSEC;
    for (int s = 1; s <= NSEC; ++s) {
        NETDSC.IBRSEC(s) = s <= b1 ? 1 : (s <= b2 ? 2 : 3);
        NETDSC.KSEC(s) = (s == 1 || s == b1 + 1) ? 2 : (s == NSEC ? -1 : 0);
        NETDSC.JBND(s) = (s == b1 || s == b2) ? 1 : (s == b2 + 1 ? -1 : 0);
        PIPGEO.SINANG(s) = 0.0f;
        PIPGEO.COSANG(s) = 1.0f;
        PIPGEO.ZSEC(s) = 0.0f;
        PIPGEO.IDPCHK(s) = NETDSC.KSEC(s) == 0 ? 1 : 0;
    }
}

// Fills section s with gas fraction al at pressure p (no droplets).
inline void fill(int s, float al, double p) {
    auto& S = SECVAR;
    S.PT(s) = static_cast<float>(p);
    S.ROG(s) = static_cast<float>(kGas * p);
    S.DRGP(s) = static_cast<float>(kGas);
    S.ROL(s) = kRhoL;
    S.DRLP(s) = kDrlp;
    S.AL(s) = al;
    S.BE(s) = 1.0f - al;
    S.GA(s) = 0.0f;
    S.MG(s) = al * S.ROG(s);
    S.ML(s) = (1.0f - al) * S.ROL(s);
    S.MD(s) = 0.0f;
}

// Densities follow the pressures; masses keep the fractions (what the
// property update and mass step would do for a still or steady pipe).
inline void refresh_properties() {
    for (int s = 1; s <= PIPGEO.NSEC; ++s) fill(s, SECVAR.AL(s), SECVAR.PT(s));
}

// The fluid at rest in hydrostatic balance with the outlet pressure pout,
// found by the same trapezoid the momentum balance uses.
inline void hydrostatic(float al, double pout) {
    const int NSEC = PIPGEO.NSEC;
    fill(NSEC, al, pout);
    auto zc = [&](int s) {
        if (s == NSEC) return PIPGEO.ZSEC(s - 1) - 0.5f * PIPGEO.DX(s - 1) * PIPGEO.SINANG(s - 1);
        return PIPGEO.ZSEC(s);
    };
    for (int s = NSEC - 1; s >= 2; --s) {
        double pd = SECVAR.PT(s + 1), dz = zc(s + 1) - zc(s);
        double p = pd;
        for (int it = 0; it < 50; ++it) {
            double rho = al * 0.5 * kGas * (p + pd) + (1 - al) * kRhoL;
            p = pd + rho * GRAV * dz;
        }
        fill(s, al, p);
    }
    fill(1, al, SECVAR.PT(2));
}

// The implicit pass without the device and boundary routines: geometry,
// closures, assembly, solve and acceptance.
inline bool core_step(double ht, int32_t& ierr, char* msg) {
    RUNCTL.HT = ht;
    STRGEO();
    CLOSUR();
    PvRows R = pv_rows();
    PIPGEO.NEQ = R.neq;
    if (NETDSC.NBR > 1) band_junctions(3, R.n);
    if (EQUIPM.NCHKV > 0) CHKVST();
    MOMASM();
    if (NETDSC.NBR > 1)
        NETSLV(R.neq, 7, 3, ierr, msg, MSGLEN);
    else
        BANDLU(R.neq, 7, ierr, msg, MSGLEN);
    if (ierr != 0) return false;
    int isec = 0;
    step_change_test(R, isec);
    pv_accept(R);
    courant_limit();
    return true;
}

}  // namespace fixture
