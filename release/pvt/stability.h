// Phase stability of the composition path: Wilson's start factors and
// Michelsen's tangent-plane test of a feed or of the liquid of a split, at the
// temperature and pressure held in FLSCOM (PRPAR done for that temperature).
#pragma once

#include <initializer_list>

#include "pvt/pvt.h"

namespace rel {

// Wilson's estimate of ln K for component i at FLSCOM's T and P, not below -27.
double wilson_lnk(int i);
// Wilson's estimate of the vapour pressure (atm) of catalogue row icat at T (K).
double wilson_saturation_pressure(int icat, double T);

// Mean molar mass (g/mol) of a composition of FLSCOM's components.
double molar_mass(const double* w);

// The root of lowest Gibbs energy of a phase of composition w.
struct PhaseRoot {
    double g;       // sum w (ln w + ln phi), per mole and R T
    bool vapour;    // the largest root
    bool one_root;  // the cubic has one root above the co-volume
    double v_over_b;
};
PhaseRoot lnphi_lowest(const double* w, double* lnphi);

// Venkatarathnam and Oellrich's phase identification parameter of a phase
// of composition w at FLSCOM's T and P, at its root of lowest Gibbs energy:
// PI = V (d2P/dV dT / dP/dT - d2P/dV2 / dP/dV). A single phase is
// liquid-like above 1 and gas-like below.
double phase_identification(const double* w);

// The test of a phase of composition z with d = ln z + ln phi(z), from each
// trial composition given. False when a trial phase lies below the tangent
// plane; lnk then holds ln K (lighter over heavier phase) between z and it
// (with lnk null the test stops at the verdict). A trial that settles on `other` (the other phase of a split) is that phase.
bool stable_phase(const double* z, const double* d, std::initializer_list<const double*> trials,
                  double* lnk, const double* other = nullptr);

// Trial compositions of the factors lnk from z: vapour-like and liquid-like.
void wilson_trials(const double* z, const double* lnk, double* vap, double* liq);

// Whether the split left in FLSCOM is the equilibrium: no trial phase but its
// gas below the tangent plane of its liquid; otherwise lnk holds a start
// towards a better one.
bool split_stable(const double* lnk_wilson, double* lnk);

// Whether the feed of FLSCOM splits at T (K) and P (atm); sets both in FLSCOM
// and PRPAR's terms at T.
bool feed_splits(double T, double P);

}  // namespace rel
