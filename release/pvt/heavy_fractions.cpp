// Heavy fractions and ideal-gas enthalpy: the characterisation of a plus
// fraction from its molar mass, specific gravity and boiling point, and the
// ideal-gas enthalpy and heat capacity of a mixture.
//
// The characterisation keeps this system's constants (14.53 for psia to atm,
// 0.42748 and 492 in the acentric factor) where they differ from the
// published correlations; the critical temperature is the published
// Riazi-Daubert (1980) one, 544.4 M^0.2998 SG^1.0555 exp(...) in degrees R.
#include <cmath>

#include "pvt/pvt.h"

namespace rel {

namespace {
// theta = a M^b SG^c exp(d M + e SG + f M SG)
double rd(double M, double SG, double a, double b, double c, double d, double e, double f) {
    return a * std::pow(M, b) * std::pow(SG, c) * std::exp(d * M + e * SG + f * M * SG);
}
}  // namespace

void PSEUDO(double M, double SG, double TB, double& TC, double& PC, double& VC, double& ZC,
            double& OMEGA) {
    double tc_r = rd(M, SG, 544.4, 0.2998, 1.0555, -1.3478e-4, -0.61641, 0.0);
    double pc_psia = rd(M, SG, 45203.0, -0.8063, 1.6015, -1.8078e-3, -0.3084, 0.0);
    double vc_ft3lb = rd(M, SG, 0.01206, 0.20378, -1.3036, -2.657e-3, 0.5287, 2.6012e-3);
    TC = ((tc_r - 460.0) - 32.0) / 1.8 + 273.15;
    PC = pc_psia / 14.53;
    VC = vc_ft3lb * 62.4393 * M;
    ZC = PC * VC / (83.14 * TC);
    double tb_r = (TB - 273.15) * 1.8 + 492.0;
    // Left as it comes: a value outside the sound range is refused by
    // COMPPVT, not replaced.
    OMEGA = 0.42748 * tb_r * (std::log10(pc_psia) - 1.167) / (tc_r - tb_r) - 1.0;
}

double heavy_boiling_point(double M, double SG) {
    // Normal boiling point, K: the published Riazi-Daubert (1987) correlation
    // of boiling point from molar mass and specific gravity (n-heptane to
    // n-eicosane within 2 %), one form for every molar mass.
    return 3.76587 * std::exp(3.7741e-3 * M + 2.98404 * SG - 4.25288e-3 * M * SG) *
           std::pow(M, 0.40167) * std::pow(SG, -1.58262);
}

void IGENTH(int32_t NC, const double* w, double T, double& H, double& CP) {
    const double t = 1.8 * T;
    double mw = 0.0, sh = 0.0, sc = 0.0;
    for (int i = 1; i <= NC; ++i) {
        const CatEntry& c = CMPCAT.E[FLSCOM.ICAT[i]];
        const double* k = c.H;
        double h = k[0] + k[1] * t + k[2] * t * t * 1e-3 + k[3] * t * t * t * 1e-6 +
                   k[4] * t * t * t * t * 1e-10 + k[5] * t * t * t * t * t * 1e-14;
        double cp = k[1] + 2.0 * k[2] * t * 1e-3 + 3.0 * k[3] * t * t * 1e-6 +
                    4.0 * k[4] * t * t * t * 1e-10 + 5.0 * k[5] * t * t * t * t * 1e-14;
        mw += w[i] * c.MW;
        sh += w[i] * c.MW * h;
        sc += w[i] * c.MW * cp;
    }
    H = 2.3256 * sh / mw;
    CP = 4.186 * sc / mw;
}

}  // namespace rel
