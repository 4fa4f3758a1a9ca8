// Heavy fractions and ideal-gas enthalpy: the characterisation of a plus
// fraction from its molar mass, specific gravity and boiling point, the
// check of the range it serves, and the ideal-gas enthalpy and heat capacity
// of a mixture.
//
// The characterisation keeps this system's Riazi-Daubert (1980) critical
// temperature, pressure and volume from molar mass and specific gravity
// (with its constants 14.53 for psia to atm) where those correlations were
// fitted: up to about 200 g/mol and a specific gravity of 0.90. The
// acentric factor of the Edmister form with those critical values is within
// 10 % of Kesler-Lee only near SG 0.85 and 120-170 g/mol and runs off on
// both sides (it falls with molar mass for SG 0.90 and above and passes 2 for
// light oils above 250 g/mol), so the acentric factor is Kesler-Lee (1976)
// everywhere. Above 200 g/mol or SG 0.90 the critical values turn smoothly
// into Kesler-Lee's, fully Kesler-Lee from 300 g/mol or SG 1.0: every value
// is continuous with a continuous slope, rises (Tc, Vc, omega) or falls (Pc)
// with the molar mass over 86-700 g/mol and SG 0.70-1.10.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "pvt/pvt.h"
#include "run/routines.h"

namespace rel {

namespace {
// theta = a M^b SG^c exp(d M + e SG + f M SG)
double rd(double M, double SG, double a, double b, double c, double d, double e, double f) {
    return a * std::pow(M, b) * std::pow(SG, c) * std::exp(d * M + e * SG + f * M * SG);
}

// 0 below x = 0, 1 above x = 1, a cubic with zero slope at both ends between.
double smooth_step(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3.0 - 2.0 * x);
}

constexpr double PSIA_PER_ATM = 14.696;

struct KeslerLee {
    double tc_k, pc_atm, omega;
};
// Kesler and Lee (1976), Hydrocarbon Processing 55(3) 153: critical
// temperature and pressure from the normal boiling point and specific
// gravity, the acentric factor from the Lee-Kesler vapour-pressure equation
// below a reduced boiling point of 0.8 and from the Watson factor above it.
// The two acentric-factor forms differ by up to 0.6 % at 0.8; they are
// blended over 0.78-0.82 so that omega has no step there.
KeslerLee kesler_lee(double tb_k, double SG) {
    const double tb = 1.8 * tb_k;  // deg R
    const double tc =
        341.7 + 811.0 * SG + (0.4244 + 0.1174 * SG) * tb + (0.4669 - 3.2623 * SG) * 1.0e5 / tb;
    const double s2 = SG * SG;
    const double ln_pc = 8.3634 - 0.0566 / SG -
                         (0.24244 + 2.2898 / SG + 0.11857 / s2) * 1.0e-3 * tb +
                         (1.4685 + 3.648 / SG + 0.47227 / s2) * 1.0e-7 * tb * tb -
                         (0.42019 + 1.6977 / s2) * 1.0e-10 * tb * tb * tb;
    KeslerLee r;
    r.tc_k = tc / 1.8;
    r.pc_atm = std::exp(ln_pc) / PSIA_PER_ATM;
    const double tbr = tb / tc;
    const double t6 = std::pow(tbr, 6.0), ln_t = std::log(tbr);
    const double vapour =
        (-std::log(r.pc_atm) - 5.92714 + 6.09648 / tbr + 1.28862 * ln_t - 0.169347 * t6) /
        (15.2518 - 15.6875 / tbr - 13.4721 * ln_t + 0.43577 * t6);
    const double kw = std::cbrt(tb) / SG;
    const double watson =
        -7.904 + 0.1352 * kw - 0.007465 * kw * kw + 8.359 * tbr + (1.408 - 0.01063 * kw) / tbr;
    r.omega = vapour + (watson - vapour) * smooth_step((tbr - 0.78) / 0.04);
    return r;
}
}  // namespace

void PSEUDO(double M, double SG, double TB, double& TC, double& PC, double& VC, double& ZC,
            double& OMEGA) {
    // Riazi-Daubert (1980), as this system has always had them.
    const double tc_r = rd(M, SG, 544.4, 0.2998, 1.0555, -1.3478e-4, -0.61641, 0.0);
    const double pc_psia = rd(M, SG, 45203.0, -0.8063, 1.6015, -1.8078e-3, -0.3084, 0.0);
    const double vc_ft3lb = rd(M, SG, 0.01206, 0.20378, -1.3036, -2.657e-3, 0.5287, 2.6012e-3);
    const double tc_rd = ((tc_r - 460.0) - 32.0) / 1.8 + 273.15;
    const double pc_rd = pc_psia / 14.53;
    const double vc_rd = vc_ft3lb * 62.4393 * M;

    const KeslerLee kl = kesler_lee(TB, SG);
    OMEGA = kl.omega;
    // Critical volume to go with Kesler-Lee: the Lee-Kesler critical
    // compressibility 0.2905 - 0.085 omega.
    const double vc_kl = (0.2905 - 0.085 * kl.omega) * 82.057 * kl.tc_k / kl.pc_atm;

    // Either the molar mass or the specific gravity leaving the fitted range
    // moves the values to Kesler-Lee's; the product keeps the weight smooth
    // where both change (a max of the two would kink where they cross).
    const double w = 1.0 - (1.0 - smooth_step((M - HEAVY_RD_MW_END) / 100.0)) *
                               (1.0 - smooth_step((SG - HEAVY_RD_SG_END) / 0.1));
    TC = tc_rd + (kl.tc_k - tc_rd) * w;
    PC = std::exp(std::log(pc_rd) + (std::log(kl.pc_atm) - std::log(pc_rd)) * w);
    VC = vc_rd + (vc_kl - vc_rd) * w;
    // PC in atm and VC in cm3/mol: the gas constant in cm3 atm/(mol K).
    ZC = PC * VC / (82.057 * TC);
}

double heavy_boiling_point(double M, double SG) {
    // Normal boiling point, K: Riazi (2005), Characterization and Properties
    // of Petroleum Fractions, ASTM MNL50, eq. 2.56, fitted to heavy fractions
    // of 70-700 g/mol (n-decane 446 K against 447 K measured, n-eicosane
    // 620 K against 617 K, n-triacontane 727 K against 723 K). The 1987
    // Riazi-Daubert form used before was fitted to 300 g/mol and past it
    // gave boiling points that fall with molar mass for dense fractions.
    return 9.3369 * std::exp(1.6514e-4 * M + 1.4103 * SG - 7.5152e-4 * M * SG) *
           std::pow(M, 0.5369) * std::pow(SG, -0.7276);
}

std::string heavy_fraction_fault(float M, float density) {
    char limit[64];
    if (M < HEAVY_MW_MIN) {
        std::snprintf(limit, sizeof limit, " IS BELOW THAT OF HEXANE (%g g/mol)", HEAVY_MW_MIN);
        return "MOLE WEIGHT " + value_text(M, "g/mol") + limit;
    }
    if (!(density >= 1000.0f * HEAVY_SG_MIN && density <= 1000.0f * HEAVY_SG_MAX)) {
        std::snprintf(limit, sizeof limit, " IS OUTSIDE %g-%g kg/m3", 1000.0 * HEAVY_SG_MIN,
                      1000.0 * HEAVY_SG_MAX);
        std::string text = "LIQUID DENSITY " + value_text(density, "kg/m3") + limit;
        if (density >= HEAVY_SG_MIN && density <= HEAVY_SG_MAX)
            text += " (GIVEN IN g/cm3? " + value_text(density, "g/cm3") + " IS " +
                    value_text(1000.0 * density, "kg/m3") + ")";
        return text;
    }
    if (M > HEAVY_MW_MAX) {
        std::snprintf(limit, sizeof limit, " IS ABOVE %g g/mol", HEAVY_MW_MAX);
        return "MOLE WEIGHT " + value_text(M, "g/mol") + limit +
               ", THE HEAVIEST FRACTION THE CHARACTERISATION SERVES";
    }
    return std::string();
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
