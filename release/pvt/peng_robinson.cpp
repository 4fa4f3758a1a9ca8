// Peng-Robinson equation of state: the component catalogue, pure-component
// and mixture parameters, the cubic root and the fugacity coefficients with
// the residual enthalpy.
//
// Units: T in K, P in atm (the unit of the catalogue's critical pressures),
// molar volume in litre/mol, R = 0.0820578 L atm/(mol K).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "pvt/pvt.h"
#include "run/errors.h"

namespace rel {

Cmpcat CMPCAT;
Flscom FLSCOM;
bool FLSOUT = false;

namespace {

struct Row {
    double tc, pc, om, zc, vc, para, mw;
};
// Tc K, Pc atm, omega, Zc, Vc cm3/mol, parachor, M g/mol
const Row ROWS[MXCAT] = {
    {33.2, 12.8, -0.22, 0.276, 129, 31, 2.016},       // 1 hydrogen
    {304.2, 72.8, 0.225, 0.274, 94, 63.8, 44.01},     // 2 carbon dioxide
    {126.2, 33.5, 0.035, 0.29, 89.5, 35, 28.013},     // 3 nitrogen
    {190.6, 45.82, 0.013, 0.288, 99, 77, 16.043},     // 4 methane
    {373.2, 88.2, 0.1, 0.284, 98.5, 80.1, 34.08},     // 5 hydrogen sulphide
    {305.4, 48.2, 0.098, 0.285, 148, 111, 30.07},     // 6 ethane
    {369.8, 41.9, 0.152, 0.281, 203, 150.3, 44.097},  // 7 propane
    {425.2, 37.5, 0.193, 0.274, 255, 153, 58.124},    // 8 n-butane
    {408.1, 36, 0.176, 0.283, 263, 190, 58.124},      // 9 isobutane
    {469.6, 33.3, 0.251, 0.262, 304, 231, 72.151},    // 10 n-pentane
    {507.4, 29.3, 0.296, 0.26, 370, 281, 86.178},     // 11 n-hexane
    {540.2, 27, 0.351, 0.263, 432, 331, 100.205},     // 12 n-heptane
    {568.8, 24.5, 0.394, 0.259, 492, 381, 114.232},   // 13 n-octane
    {594.6, 22.8, 0.444, 0.26, 548, 431, 128.259},    // 14 n-nonane
    {619.2, 20.8, 0.49, 0.247, 603, 481, 142.286},    // 15 n-decane
    {658.3, 18, 0.562, 0.24, 713, 531, 170.34},       // 16 n-dodecane
    {707, 15, 0.706, 0.23, 880, 581, 212.42},         // 17 n-pentadecane
    {767, 11, 0.907, 0.22, 1175, 631, 282.56},        // 18 n-eicosane
    {950, 7.5, 0.9, 0.21, 1245, 700, 500},            // 19 heavy slot
    {1050, 6, 0.9, 0.21, 1245, 800, 600},             // 20 heavy slot
    {1100, 2, 1, 0.15, 2000, 1000, 800},              // 21..29 heavy slots
    {1100, 2, 1, 0.15, 2000, 1000, 800},
    {1100, 2, 1, 0.15, 2000, 1000, 800},
    {1100, 2, 1, 0.15, 2000, 1000, 800},
    {1100, 2, 1, 0.15, 2000, 1000, 800},
    {1100, 2, 1, 0.15, 2000, 1000, 800},
    {1100, 2, 1, 0.15, 2000, 1000, 800},
    {1100, 2, 1, 0.15, 2000, 1000, 800},
    {1100, 2, 1, 0.15, 2000, 1000, 800},
};

// Ideal-gas enthalpy coefficients A..F (H in Btu/lb with T in deg R).
const double HCOEF[MXCAT][6] = {
    {26.1777, 0.044867, 0.324263, -0.030642, -0.083732, 0.188977},
    {4.77805, 0.114433, 0.101132, -0.026494, 0.034706, -0.01314},
    {-0.68925, 0.253664, -0.01459, 0.012544, -0.017106, -0.003239},
    {-5.58114, 0.564834, -0.282973, 0.417399, -1.52558, 1.95886},
    {-0.61782, 0.238575, -0.024457, 0.041067, -0.130126, 0.144852},
    {-0.76005, 0.273088, -0.042956, 0.312815, -1.38989, 2.00702},
    {-1.22301, 0.179733, 0.066458, 0.250998, -1.24746, 1.89351},
    {29.115, 0.00204, 0.434879, -0.08181, 0.072349, -0.01456},
    {29.115, 0.00204, 0.434879, -0.08181, 0.072349, -0.01456},
    {27.1718, -0.002795, 0.440073, -0.0862888, 0.081764, -0.019715},
    {32.0356, -0.023096, 0.461333, -0.097402, 0.103368, 0.030643},
    {30.7012, -0.023143, 0.460981, -0.098074, 0.104752, -0.03134},
    {29.5011, -0.022402, 0.459712, -0.098062, 0.104754, -0.031355},
    {28.5664, -0.021654, 0.458518, -0.097973, 0.104654, -0.031318},
    {28.4899, -0.023837, 0.461164, -0.099786, 0.108353, -0.033074},
    {28.0699, -0.023843, 0.460773, -0.099839, 0.108415, -0.033122},
    {26.7486, -0.024114, 0.460717, -0.100767, 0.110447, -0.034147},
    {26.1621, -0.023563, 0.459907, -0.100664, 0.110307, -0.034076},
    {25.9757, -0.023616, 0.45995, -0.100804, 0.110587, -0.034205},
    {25.4358, -0.022726, 0.458663, -0.100313, 0.109516, -0.033658},
    {25, -0.023, 0.458, -0.1, 0.1, -0.033},
    {25, -0.023, 0.458, -0.1, 0.1, -0.033},
    {25, -0.023, 0.458, -0.1, 0.1, -0.033},
    {25, -0.023, 0.458, -0.1, 0.1, -0.033},
    {25, -0.023, 0.458, -0.1, 0.1, -0.033},
    {25, -0.023, 0.458, -0.1, 0.1, -0.033},
    {25, -0.023, 0.458, -0.1, 0.1, -0.033},
    {25, -0.023, 0.458, -0.1, 0.1, -0.033},
    {25, -0.023, 0.458, -0.1, 0.1, -0.033},
};

// One row of the upper triangle: k(i, j) = v for j in lo..hi.
struct KRange {
    int i, lo, hi;
    double v;
};
const KRange KTRI[] = {
    {1, 4, 4, 3},     {1, 5, 30, 1},    {2, 4, 4, 15},   {2, 5, 5, 3},    {2, 6, 30, 15},
    {3, 4, 4, 12},    {3, 5, 5, 2},     {3, 6, 30, 12},  {4, 6, 7, 1},    {4, 8, 10, 2},
    {4, 11, 12, 2.5}, {4, 13, 14, 3.5}, {4, 15, 15, 4},  {4, 16, 16, 8},  {4, 17, 17, 11},
    {4, 18, 18, 14},  {4, 19, 19, 16},  {4, 20, 30, 20}, {5, 6, 6, 6},    {5, 7, 7, 8},
    {5, 8, 8, 9},     {5, 9, 9, 11},    {5, 10, 10, 12}, {5, 11, 30, 13}, {6, 13, 15, 1},
    {6, 16, 16, 2},   {6, 17, 17, 3},   {6, 18, 18, 4},  {6, 19, 19, 5},  {6, 20, 30, 7},
    {7, 16, 18, 2},   {7, 19, 19, 4},   {7, 20, 30, 5},  {8, 14, 17, 1},  {8, 18, 19, 2},
    {8, 20, 30, 3},   {9, 17, 17, 1},   {9, 18, 30, 2},  {10, 18, 30, 1}, {11, 19, 30, 1},
    {12, 20, 30, 1},
};

Cmpcat make_initial() {
    Cmpcat c;
    std::memset(&c, 0, sizeof c);
    for (int m = 1; m <= MXCAT; ++m) {
        const Row& r = ROWS[m - 1];
        CatEntry& e = c.E[m];
        e.TC = r.tc;
        e.PC = r.pc;
        e.OMEGA = r.om;
        e.ZC = r.zc;
        e.VC = r.vc;
        e.PARA = r.para;
        e.MW = r.mw;
        e.DENS = 0.0;
        for (int k = 0; k < 6; ++k) e.H[k] = HCOEF[m - 1][k];
    }
    for (const KRange& k : KTRI)
        for (int j = k.lo; j <= k.hi; ++j) c.KIJ[k.i][j] = k.v;
    return c;
}

}  // namespace

const Cmpcat& cmpcat_initial() {
    static const Cmpcat initial = make_initial();
    return initial;
}

void flash_reset() {
    CMPCAT = cmpcat_initial();
    std::memset(&FLSCOM, 0, sizeof FLSCOM);
    FLSCOM.R = 0.0820578;
    FLSCOM.TOL = 0.001;
    FLSCOM.RRTOL = 5.0e-5;
    FLSCOM.RRBAND = 0.001;
    FLSCOM.NITMAX = 100;
    FLSCOM.RRMAX = 100;
    FLSCOM.FIRST = 1;
    FLSCOM.V = 0.5;
    FLSCOM.SRR = 0.5;
}

void PRPAR(double T) {
    Flscom& F = FLSCOM;
    const double R = F.R;
    const int n = F.NC;
    for (int i = 1; i <= n; ++i) {
        const CatEntry& c = CMPCAT.E[F.ICAT[i]];
        F.TR[i] = T / c.TC;
        F.B[i] = 0.0778 * R * c.TC / c.PC;
        F.KAPPA[i] = 0.37464 + 1.54226 * c.OMEGA - 0.26992 * c.OMEGA * c.OMEGA;
        double s = 1.0 + F.KAPPA[i] * (1.0 - std::sqrt(F.TR[i]));
        F.A[i] = 0.45724 * (R * c.TC) * (R * c.TC) / c.PC * s * s;
    }
    // The terms that depend on temperature only, once here rather than in
    // each of the many mixtures a flash forms at this temperature.
    double d[MXCOMP + 1], e[MXCOMP + 1];
    for (int i = 1; i <= n; ++i) {
        const CatEntry& c = CMPCAT.E[F.ICAT[i]];
        double sq = std::sqrt(F.TR[i]);
        d[i] = -(F.KAPPA[i] / (c.TC * sq)) / (1.0 + F.KAPPA[i] * (1.0 - sq));
        e[i] = d[i] / (4.0 * F.TR[i] * c.TC);
    }
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            F.AIJ[i][j] =
                std::sqrt(F.A[i] * F.A[j]) * (1.0 - CMPCAT.KIJ[F.ICAT[i]][F.ICAT[j]] / 100.0);
            F.DIJ[i][j] = (d[i] + d[j]) / 2.0;
            F.EIJ[i][j] = -e[i] - e[j] + d[i] * d[j] / 2.0;
        }
    if (FLSOUT) {
        for (int i = 1; i <= F.NC; ++i) {
            char line[96];
            std::snprintf(line, sizeof line, " A, B %3d %14.6E %14.6E", i, F.A[i], F.B[i]);
            flash_line(line);
        }
    }
}

// Uses the pair terms of the last PRPAR: T only forms R T here.
void PRMIX(double T, double P, const double* w, double& a, double& b, bool derivatives) {
    Flscom& F = FLSCOM;
    const int n = F.NC;
    b = 0.0;
    a = 0.0;
    double dadt = 0.0, d2adt2 = 0.0;
    for (int i = 1; i <= n && !derivatives; ++i) {
        b += w[i] * F.B[i];
        double s = 0.0;
        const double* aij = F.AIJ[i];
        for (int j = 1; j <= n; ++j) {
            s += w[j] * aij[j];
            a += w[i] * w[j] * aij[j];
        }
        F.S[i] = s;
    }
    for (int i = 1; i <= n && derivatives; ++i) {
        b += w[i] * F.B[i];
        double s = 0.0;
        const double* aij = F.AIJ[i];
        const double* dij = F.DIJ[i];
        const double* eij = F.EIJ[i];
        for (int j = 1; j <= n; ++j) {
            s += w[j] * aij[j];
            double ww = w[i] * w[j] * aij[j];
            a += ww;
            dadt += ww * dij[j];
            d2adt2 += ww * eij[j];
        }
        F.S[i] = s;
    }
    const double RT = F.R * T;
    F.AM = a;
    F.BM = b;
    F.AA = a * P / (RT * RT);
    F.BB = b * P / RT;
    if (!derivatives) return;
    F.DADT = dadt;
    F.D2ADT2 = d2adt2;
    F.DAADT = F.AA * (dadt / a - 2.0 / T);
    F.DBBDT = -F.BB / T;
}

void EOSROOT(double P, double& V, double T, double a, double b) {
    const double RT = FLSCOM.R * T;
    const double c2 = (P * b - RT) / P;
    const double c1 = (a - 3.0 * P * b * b - 2.0 * RT * b) / P;
    const double c0 = (P * b * b * b + RT * b * b - a * b) / P;
    const double p = (3.0 * c1 - c2 * c2) / 9.0;
    const double q = (2.0 * c2 * c2 * c2 - 9.0 * c1 * c2 + 27.0 * c0) / 54.0;
    const double D = q * q + p * p * p;
    double root = 0.0;
    if (D >= 0.0) {
        double sd = std::sqrt(D);
        double u = std::cbrt(-q - sd), v = std::cbrt(sd - q);
        double V1 = u + v - c2 / 3.0;
        // Near a double root the second (double) root is formed as well.
        bool near_double = (q != 0.0) ? std::fabs(D / q) < 0.001 : D == 0.0;
        if (near_double) {
            double V2 = -(u + v) / 2.0 - c2 / 3.0;
            root = (V1 >= b || V2 <= b) ? V1 : V2;
        } else {
            root = V1;
        }
    } else {
        double sp = std::sqrt(-p);
        double arg = -q / std::sqrt(-p * p * p);
        arg = std::max(-1.0, std::min(1.0, arg));
        double th = std::acos(arg) / 3.0;
        double r[3] = {2.0 * sp * std::cos(th) - c2 / 3.0,
                       -sp * (std::cos(th) - std::sqrt(3.0) * std::sin(th)) - c2 / 3.0,
                       -sp * (std::cos(th) + std::sqrt(3.0) * std::sin(th)) - c2 / 3.0};
        // Only a volume above the co-volume b is a state of the fluid: below
        // it the fugacity logarithm has no real value.
        bool found = false;
        for (double x : r) {
            if (!(x > b)) continue;
            if (!found || (FLSCOM.IROOT == 0 ? x > root : x < root)) root = x;
            found = true;
        }
        if (!found) root = FLSCOM.IROOT == 0 ? 0.0 : 1.0e10;
    }
    if (!(root > 0.0) || !std::isfinite(root)) {
        const char* text = "NO ACCEPTABLE SOLUTION TO THE STATE EQUATION FOUND";
        flash_line(text);
        throw RunFailure(text);
    }
    V = root;
}

void PRFUG(double a, double b, double Z, double T, double* phi, bool derivatives) {
    Flscom& F = FLSCOM;
    const double A = F.AA, B = F.BB, R = F.R;
    const double L = std::log((Z + 2.414 * B) / (Z - 0.414 * B));
    for (int i = 1; i <= F.NC; ++i) {
        double bb = F.B[i] / b;
        double arg = bb * (Z - 1.0) - (2.0 * F.S[i] / a - bb) * 0.35355 * A * L / B;
        phi[i] = std::exp(arg) / (Z - B);
    }
    if (!derivatives) return;
    // dZ/dT from the implicit derivative of the cubic in Z
    double fz = 3.0 * Z * Z - 2.0 * (1.0 - B) * Z + (A - 3.0 * B * B - 2.0 * B);
    double fa = Z - B;
    double fb = Z * Z - (6.0 * B + 2.0) * Z - (A - 2.0 * B - 3.0 * B * B);
    F.DZDT = -(fa * F.DAADT + fb * F.DBBDT) / fz;
    double ta = T * F.DADT - a;
    F.HR = ta * L * 0.35355 / b + R * T * (Z - 1.0);
    F.DHRDT = (T * F.DZDT + Z - 1.0) * R +
              0.35355 / b *
                  (2.828 * (F.DBBDT * Z - F.DZDT * B) / ((Z + 2.0 * B) * Z - B * B) * ta +
                   F.D2ADT2 * T * L);
}

}  // namespace rel
