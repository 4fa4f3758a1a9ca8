// Volume translation of the plus fractions (Peneloux, Rauzy and Freze 1982):
// the equation of state gives heavy liquids far too large a volume, so each
// characterised fraction gets a constant c that makes its own liquid volume
// at 15 C and 1 atm equal M / density as the user entered it. A phase's
// volume is the equation's minus the mole-fraction sum of c. A constant c
// shifts ln phi of component i by -c_i P / (R T) in both phases alike, so the
// equilibrium, the split and the K-values stay those of the untranslated
// equation; the densities and the residual enthalpy (by -P c) change.
#include "pvt/pvt.h"

namespace rel {

double (*table_volume_shift)(const double* w) = volume_shift;

namespace {
constexpr double T_FIT = 288.15;  // K
constexpr double P_FIT = 1.0;     // atm
}  // namespace

void fit_volume_shifts() {
    Flscom& F = FLSCOM;
    bool any = false;
    for (int i = 1; i <= F.NC; ++i) any = any || CMPCAT.E[F.ICAT[i]].DENS > 0.0;
    if (!any || table_volume_shift != volume_shift) return;
    PRPAR(T_FIT);
    const int32_t iroot = F.IROOT;
    for (int i = 1; i <= F.NC; ++i) {
        CatEntry& c = CMPCAT.E[F.ICAT[i]];
        if (!(c.DENS > 0.0)) continue;
        double w[MXCOMP + 1] = {0.0};
        w[i] = 1.0;
        double a, b, V;
        F.IROOT = 1;
        PRMIX(T_FIT, P_FIT, w, a, b);
        EOSROOT(P_FIT, V, T_FIT, a, b);
        c.SHIFT = V - c.MW / c.DENS;  // g/mol over kg/m3 is litre/mol
    }
    F.IROOT = iroot;
}

double volume_shift(const double* w) {
    double c = 0.0;
    for (int i = 1; i <= FLSCOM.NC; ++i) c += w[i] * CMPCAT.E[FLSCOM.ICAT[i]].SHIFT;
    return c;
}

}  // namespace rel
