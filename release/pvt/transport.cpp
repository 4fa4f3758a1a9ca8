// Transport properties of the compositional path: low-pressure gas
// viscosities with their mixing matrix, low-pressure gas conductivities, the
// mixing rule and the dense-fluid corrections of viscosity and conductivity.
//
// The conductivity keeps this system's 1.91 and 0.04464 where the published
// low-pressure form is usually quoted with other values.
#include <cmath>

#include "pvt/pvt.h"

namespace rel {

void GOLDEN(double* mu) {
    Flscom& F = FLSCOM;
    const int n = F.NC;
    for (int i = 1; i <= n; ++i) {
        const CatEntry& c = CMPCAT.E[F.ICAT[i]];
        double xi = std::pow(c.TC, 1.0 / 6.0) / (std::sqrt(c.MW) * std::pow(c.PC, 2.0 / 3.0));
        double tr = F.TR[i];
        mu[i] = (4.61 * std::pow(tr, 0.618) - 2.04 * std::exp(-0.449 * tr) +
                 1.94 * std::exp(-4.058 * tr) + 0.1) /
                xi;
    }
    for (int i = 1; i <= n; ++i) {
        double mi = CMPCAT.E[F.ICAT[i]].MW;
        for (int j = 1; j <= n; ++j) {
            double mj = CMPCAT.E[F.ICAT[j]].MW;
            double t = 1.0 + std::sqrt(mu[i] / mu[j]) * std::pow(mj / mi, 0.25);
            F.PHI[i][j] = t * t / std::sqrt(8.0 * (1.0 + mi / mj));
        }
    }
}

void CNDLOW(double* cond) {
    Flscom& F = FLSCOM;
    for (int i = 1; i <= F.NC; ++i) {
        const CatEntry& c = CMPCAT.E[F.ICAT[i]];
        double M = c.MW;
        double G = std::pow(c.TC, 1.0 / 6.0) * std::sqrt(M) / std::pow(c.PC, 2.0 / 3.0);
        double cc = M <= 70.0 ? 4.2e-8 * std::pow(M, 1.9) : (0.409 * M - 14.3) * 1e-5;
        double tr = F.TR[i];
        cond[i] = ((((1.91 - 0.039 * tr) * tr - 0.152) * cc * tr) +
                   9.96e-5 * (std::exp(0.04464 * tr) - std::exp(-0.2412 * tr))) /
                  G;
    }
}

namespace {
double mix(const double* w, const double* v, int n) {
    double s = 0.0;
    for (int i = 1; i <= n; ++i) {
        double d = 0.0;
        for (int j = 1; j <= n; ++j) d += w[j] * FLSCOM.PHI[i][j];
        if (d > 0.0) s += w[i] * v[i] / d;
    }
    return s;
}
}  // namespace

void MIXVIS(const double* vis, double& m, const double* w, int32_t NC) { m = mix(w, vis, NC); }

void MIXCON(const double* w, const double* cond, double& m, int32_t NC) { m = mix(w, cond, NC); }

void DENCOR(const double* w, double mu0, double& mu, double rho, double& cond) {
    const Flscom& F = FLSCOM;
    double tpc = 0.0, vpc = 0.0, zpc = 0.0, mw = 0.0;
    for (int i = 1; i <= F.NC; ++i) {
        const CatEntry& c = CMPCAT.E[F.ICAT[i]];
        tpc += w[i] * c.TC;
        vpc += w[i] * c.VC;
        zpc += w[i] * c.ZC;
        mw += w[i] * c.MW;
    }
    double ppc = 1000.0 * zpc * F.R * tpc / vpc;
    double rr = rho / (1000.0 * mw / vpc);
    double xi = std::pow(tpc, 1.0 / 6.0) / (std::sqrt(mw) * std::pow(ppc, 2.0 / 3.0));
    mu = (mu0 + 1.08 * (std::exp(1.439 * rr) - std::exp(-1.11 * std::pow(rr, 1.858))) / xi) * 1e-7;
    double G = std::pow(tpc, 1.0 / 6.0) * std::sqrt(mw) / std::pow(ppc, 2.0 / 3.0);
    double C;
    if (rr < 0.5)
        C = 1.4e-7 * (std::exp(0.535 * rr) - 1.0);
    else if (rr < 2.0)
        C = 1.31e-7 * (std::exp(0.67 * rr) - 1.069);
    else
        C = 2.976e-8 * (std::exp(1.155 * rr) + 2.016);
    cond = (cond + C / (G * std::pow(zpc, 5.0))) * 418.6;
}

}  // namespace rel
