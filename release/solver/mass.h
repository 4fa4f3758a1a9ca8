// Routines of the mass and energy step used only inside the solver, and the
// small junction lookups they share.
#pragma once

#include <algorithm>
#include <cstdint>

#include "run/state.h"

namespace rel {

// Interphase exchange (mass_transfer.cpp).
void ENTRAT();
void DEPRAT();
// Liquid mass system (liquid_mass.cpp); returns the number of rows.
int32_t LIQASM();
// Gas mass system (mass_step.cpp); returns the number of rows.
int32_t MASPRE();
// A new section mass m rounded to the single-precision state: rem takes
// what the rounding left out, for the next update to add back; a mass below
// 1e-9 is none, and leaves no remainder.
float store_mass(double m, float& rem);
// Energy step (energy.cpp).
int32_t ENEASM();
void TEMPSL(int32_t& IERR, char* MSG, int32_t LMSG);

// The terms of one energy row that ENEASM hands to JUNENE for the first
// section of a junction's outgoing branch: k0 the row's outlet boundary,
// k1..k3 the gas, liquid and droplet donors there; c1..c3 the outlet flux
// coefficients; e1..e4 the storage terms of the diagonal (e4 subtracted);
// wG, wL, wD the outlet energies per unit velocity; q1, q2 the rest of the
// right-hand side.
struct EneRow {
    int32_t k0, k1, k2, k3;
    float e1, e2, c1, c2, c3, e3, e4, wG, wL, wD, q1, q2;
};
void JUNENE(int32_t s, int32_t row, float t, const EneRow& e);

// ---------------------------------------------------------------- junctions
// Sections of branch b are jsec0(b)+1 .. jsec0(b)+NSECBR(b).
inline int32_t jsec0(int32_t b) {
    int32_t o = 0;
    for (int32_t c = 1; c < b; ++c) o += NETDSC.NSECBR(c);
    return o;
}
// The first section of junction j's outgoing branch.
inline int32_t jdown(int32_t j) { return jsec0(NETDSC.IBJ(j, NETDSC.NBJ(j))) + 1; }
// The end section (junction node) of the branch in incoming slot m of junction j.
inline int32_t jend(int32_t j, int32_t m) {
    const int32_t b = NETDSC.IBJ(j, m);
    return jsec0(b) + NETDSC.NSECBR(b);
}
// Incoming slot of branch b at junction j (0 when it is not listed there).
inline int32_t jslot(int32_t j, int32_t b) {
    for (int32_t m = 1; m <= NETDSC.NBJ(j) - 1; ++m)
        if (NETDSC.IBJ(j, m) == b) return m;
    return 0;
}
// The branch that holds section s (0 when none).
inline int32_t jbranch(int32_t s) {
    int32_t o = 0;
    for (int32_t b = 1; b <= NETDSC.NBR; ++b) {
        if (s > o && s <= o + NETDSC.NSECBR(b)) return b;
        o += NETDSC.NSECBR(b);
    }
    return 0;
}
// Slot of the branch that holds section s at junction j; a network that
// passed the set-up checks always has one.
int32_t jslot_of_section(int32_t s, int32_t j);

// Band entry of row r for unknown r + d (the diagonal is column 4).
inline double& band_off(int32_t r, int32_t d) { return BANDWK.BAND(4 + d, r); }

// A clean system before assembly: rows 1..rows of the band within
// half-width h, and the junction coupling blocks.
inline void clear_band(int32_t rows, int32_t h) {
    for (int32_t r = 1; r <= std::min(rows, MXEQ); ++r)
        for (int32_t d = -h; d <= h; ++d) band_off(r, d) = 0.0;
    BANDWK.BJUNC.fill(0.0);
    BANDWK.CJUNC.fill(0.0);
}

// The junction rows of a mass or energy system with nv unknowns per section
// that is not a junction node: the group of incoming slot m (the rows of the
// branch's last real section) and the first row of each outgoing branch, as
// the junction-coupled solver reads them.
void junction_rows(int32_t nv);

}  // namespace rel
