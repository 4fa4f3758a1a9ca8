// Two-phase flash: a Newton iteration on ln K with a sequential secant
// Jacobian, the flash residual with its penalty against the trivial solution,
// the Rachford-Rice split for fixed K, the linear solve, the convergence test
// and the report of one flash.
#include <cmath>
#include <cstdio>
#include <string>

#include "pvt/pvt.h"
#include "rt/fortio.h"
#include "run/errors.h"

namespace rel {

namespace {

constexpr float KMAX = 5.5406225e34f;
constexpr float KMIN = 1.8048513e-35f;
// The residual enthalpy of the equation of state comes in L atm/mol (its
// pressure and R are in atm): x 101.325 J/(L atm) x 1000 g/kg, so that
// divided by the molar mass in g/mol it gives J/kg.
constexpr double RESIDUAL_TO_J = 101325.0;
constexpr double BAR_PER_ATM = 1.01325;

// Halvings of the vapour fraction's interval 0..1 when the Rachford-Rice
// equation is solved by bisection: to the last bit of a double.
constexpr int RR_BISECTIONS = 60;

// Vapour fraction of the unbounded Rachford-Rice unknown s, and its slope.
double rr_beta(double s, double& dbeta) {
    if (s > 1.0e30) {
        dbeta = -1.0e-30;
        return 0.0;
    }
    if (s < -1.0e30) {
        dbeta = -1.0e-30;
        return 1.0;
    }
    if (s >= 0.0) {
        dbeta = -0.5 / ((1.0 + s) * (1.0 + s));
        return 0.5 / (1.0 + s);
    }
    dbeta = -0.5 / ((1.0 - s) * (1.0 - s));
    return 0.5 * (1.0 - 2.0 * s) / (1.0 - s);
}

std::string fmt_values(const char* label, const double* v, int n) {
    std::string s = label;
    char buf[32];
    for (int i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, " %13.5E", v[i]);
        s += buf;
    }
    return s;
}

}  // namespace

void flash_line(const std::string& line) { rt::write_line(6, line); }

void CLRFED() {
    for (int i = 1; i <= MXCOMP; ++i) FLSCOM.Z[i] = 0.0;
}

void SRTCMP(int32_t* keys, double* values, int32_t n) {
    for (int i = 0; i < n - 1; ++i) {
        int m = i;
        for (int j = i + 1; j < n; ++j)
            if (keys[j] < keys[m]) m = j;
        if (m != i) {
            std::swap(keys[i], keys[m]);
            std::swap(values[i], values[m]);
        }
    }
}

double RRFUN(double s, double& dfds) {
    const Flscom& F = FLSCOM;
    double db;
    double beta = rr_beta(s, db);
    double f = 0.0, g = 0.0;
    for (int i = 1; i <= F.NC; ++i) {
        double km1 = static_cast<double>(F.K[i]) - 1.0;
        double den = 1.0 + beta * km1;
        f += F.Z[i] * km1 / den;
        g += F.Z[i] * km1 * km1 / (den * den);
    }
    dfds = -g * db;
    return f;
}

void FLSITR(double* x, double* y, double& L, double& V, double& s) {
    Flscom& F = FLSCOM;
    const int n = F.NC;
    double S1 = 0.0, S2 = 0.0;
    for (int i = 1; i <= n; ++i) {
        S1 += F.K[i] * F.Z[i];
        S2 += F.Z[i] / F.K[i];
    }
    if (std::fabs(s) > 5.0) s = 1.0;
    const double one = 1.0 + F.RRBAND;
    if (S1 < one) L = 1.0;
    if (S2 < one) L = 0.0;
    V = 1.0 - L;
    bool normalise = true;
    if (S1 <= 1.0 && S2 <= 1.0) {
        normalise = false;
    } else if (S1 < one || S2 < one) {
        // one phase only: no split to iterate
    } else if (F.RRBAND == 0.0) {
        // With the band closed the sums may lie a hair above 1, where the
        // damped iteration below stops short of the root: the root is
        // bracketed between V = 0 (f = S1 - 1 > 0) and V = 1 (f = 1 - S2 < 0),
        // and bisection takes it to double precision.
        double lo = 0.0, hi = 1.0;
        for (int it = 0; it < RR_BISECTIONS; ++it) {
            const double mid = 0.5 * (lo + hi);
            double f = 0.0;
            for (int i = 1; i <= n; ++i) {
                const double km1 = static_cast<double>(F.K[i]) - 1.0;
                f += F.Z[i] * km1 / (1.0 + mid * km1);
            }
            (f > 0.0 ? lo : hi) = mid;
        }
        V = 0.5 * (lo + hi);
        L = 1.0 - V;
        // the unknown of rr_beta at this V
        s = V <= 0.5 ? 0.5 / V - 1.0 : (0.5 - V) / (1.0 - V);
    } else {
        double c = 1.0;
        if (std::fabs(S1 - 1.0) < 0.02 || std::fabs(S2 - 1.0) < 0.02) c = 0.4;
        if (std::fabs(S1 - 1.0) < 0.005 || std::fabs(S2 - 1.0) < 0.005) c = 0.1;
        double db, d;
        double f = 0.0, f3 = 0.0;
        bool done = false;
        for (int it = 1; it <= F.RRMAX; ++it) {
            f = RRFUN(s, d);
            V = rr_beta(s, db);
            L = 1.0 - V;
            if (std::fabs(f) < F.RRTOL) {
                done = true;
                break;
            }
            double f2 = RRFUN(s - f, d);
            if (std::fabs(f - f2) <= 1.0e-6) {
                done = true;
                break;
            }
            double sn = s + c * f / (f2 / f - 1.0);
            f3 = RRFUN(sn, d);
            if (std::fabs(f3) > std::fabs(f)) sn = 0.9 * s + 0.1 * sn;
            s = sn;
            V = rr_beta(s, db);
            L = 1.0 - V;
            if (it == F.RRMAX) break;
            if ((std::fabs(S2 - 1.0) < 0.01 || std::fabs(S1 - 1.0) < 0.01) && std::fabs(f3) < 0.1) {
                done = true;
                break;
            }
            if (std::fabs(f3) <= F.RRTOL) {
                done = true;
                break;
            }
        }
        if (!done) {
            char line[160];
            std::snprintf(line, sizeof line,
                          "ITERASJON P  FLASH LIKNINGENE MISLYKKET %13.5E %13.5E %5d", f3, s,
                          F.RRMAX);
            flash_line(line);
            throw RunFailure("ITERASJON P  FLASH LIKNINGENE MISLYKKET");
        }
    }
    for (int i = 1; i <= n; ++i) {
        x[i] = F.Z[i] / (V * F.K[i] + L);
        y[i] = F.K[i] * x[i];
    }
    if (normalise && (std::fabs(L - 1.0) < 0.001 || std::fabs(V - 1.0) < 0.001)) {
        double sx = 0.0, sy = 0.0;
        for (int i = 1; i <= n; ++i) {
            sx += x[i];
            sy += y[i];
        }
        for (int i = 1; i <= n; ++i) {
            x[i] /= sx;
            y[i] /= sy;
        }
    }
}

namespace {

// The flash residual; without derivatives it leaves the phases' residual
// enthalpies (HRG, DHRGDT, HRL, DHRLDT) as they were.
void flash_residual(int32_t& N, const double* X, double* Fres, bool derivatives) {
    Flscom& F = FLSCOM;
    N = F.NC;
    const int n = F.NC;
    for (int i = 1; i <= n; ++i) {
        if (X[i] >= 80.0)
            F.K[i] = KMAX;
        else if (X[i] <= -80.0)
            F.K[i] = KMIN;
        else
            F.K[i] = static_cast<float>(std::exp(X[i]));
    }
    if (F.FIRST) {
        F.V = 0.5;
        F.SRR = 0.5;
        F.IROOT = 0;
        F.FIRST = 0;
    }
    F.L = 0.5;
    if (std::fabs(F.SRR) <= 0.001) F.SRR = 0.1;
    FLSITR(F.X, F.Y, F.L, F.V, F.SRR);

    const double RT = F.R * F.T;
    double a, b;
    // gas
    F.IROOT = 0;
    PRMIX(F.T, F.P, F.Y, a, b, derivatives);
    EOSROOT(F.P, F.VG, F.T, a, b);
    F.ZG = F.P * F.VG / RT;
    PRFUG(a, b, F.ZG, F.T, F.PHIG, derivatives);
    if (derivatives) {
        F.HRG = F.HR * RESIDUAL_TO_J;
        F.DHRGDT = F.DHRDT * RESIDUAL_TO_J;
    }
    // liquid
    PRMIX(F.T, F.P, F.X, a, b, derivatives);
    F.IROOT = 1;
    EOSROOT(F.P, F.VL, F.T, a, b);
    if (F.VL <= b) F.VL = b + 1.0e-6;
    F.ZL = F.P * F.VL / RT;
    PRFUG(a, b, F.ZL, F.T, F.PHIL, derivatives);
    if (derivatives) {
        F.HRL = F.HR * RESIDUAL_TO_J;
        F.DHRLDT = F.DHRDT * RESIDUAL_TO_J;
    }

    double dk = 0.0, mg = 0.0, ml = 0.0;
    for (int i = 1; i <= n; ++i) {
        double kold = F.K[i];
        double knew = std::min(F.PHIL[i] / F.PHIG[i], static_cast<double>(KMAX));
        F.K[i] = static_cast<float>(knew);
        dk += (knew - 1.0) * (knew - 1.0);
        Fres[i] = std::min(std::log(knew / kold), 1.0e37);
        double M = CMPCAT.E[F.ICAT[i]].MW;
        mg += F.Y[i] * M;
        ml += F.X[i] * M;
    }
    F.ROGAS = mg / F.VG;
    F.ROLIQ = ml / F.VL;
    double r = F.ROGAS / F.ROLIQ;
    // Penalty away from the trivial solution (all K = 1) and from a gas
    // phase denser than the liquid, while both phases are present.
    if (F.V >= 1.0e-4 && F.L >= 1.0e-4) {
        dk = std::max(dk, 1.0e-5);
        double q = 100.0 * dk * dk;
        double c = 100.0 / (q * q + 1.0e-9);
        if (r > 1.0) c += 100.0 * (r * r * r * r - 1.0);
        for (int i = 1; i <= n; ++i) {
            double t = Fres[i] / (std::fabs(Fres[i]) + 0.1);
            Fres[i] = std::min(Fres[i] + c * t * t * t * t, 1.0e37);
        }
    }
    for (int i = 1; i <= n; ++i) F.FLAST[i] = Fres[i];
}

}  // namespace

void FLASH2(int32_t& N, const double* X, double* Fres) { flash_residual(N, X, Fres, true); }

void FLASH2_ITER(int32_t& N, const double* X, double* Fres) { flash_residual(N, X, Fres, false); }

void FLSRES(int32_t N, const double* X, const double* XP, int32_t& budget) {
    Flscom& F = FLSCOM;
    double change = 0.0;
    bool small = true;
    for (int i = 1; i <= N; ++i) {
        double d = std::fabs(X[i] - XP[i]);
        if (std::fabs(X[i]) > 1.0e-7) d /= std::fabs(X[i]);
        change = std::max(change, d);
        if (d > F.TOL) small = false;
    }
    // A fresh evaluation at X also leaves the phase state of X behind (its
    // residual enthalpies are the final FLASH2's).
    double res[MXCOMP + 1];
    int32_t n = N;
    FLASH2_ITER(n, X, res);
    double resmax = 0.0, sumx = 0.0;
    for (int i = 1; i <= N; ++i) {
        resmax = std::max(resmax, std::fabs(res[i]));
        sumx += std::fabs(X[i]);
    }
    if (small && resmax <= F.TOL) {
        budget = 0;
        return;
    }
    char line[128];
    if (budget == 0 && change > F.TOL && FLSOUT) {
        std::snprintf(line, sizeof line, "CHECK %13.5E", change);
        flash_line(line);
    }
    if (sumx < 0.001 && budget < F.NITMAX - 1) {
        budget = 0;
        if (FLSOUT) flash_line("NO CONVERGENCE ");
    } else if (budget <= 2 && FLSOUT) {
        std::snprintf(line, sizeof line, "NO CONVERGENCE %13.5E %13.5E %13.5E", change, resmax,
                      sumx);
        flash_line(line);
    }
}

void LUDET(double* A, int32_t N, double* Bm, int32_t M, double& det) {
    // Gauss-Jordan elimination with full pivoting (the classical form that
    // leaves the inverse in place).
    auto a = [&](int i, int j) -> double& { return A[(i - 1) + N * (j - 1)]; };
    auto b = [&](int i, int j) -> double& { return Bm[(i - 1) + N * (j - 1)]; };
    det = 1.0;
    if (N <= 0) return;
    int ipiv[MXCOMP + 1] = {0}, indxr[MXCOMP + 1], indxc[MXCOMP + 1];
    for (int step = 1; step <= N; ++step) {
        double big = 0.0;
        int irow = 0, icol = 0;
        for (int j = 1; j <= N; ++j) {
            if (ipiv[j] == 1) continue;
            for (int k = 1; k <= N; ++k) {
                if (ipiv[k] == 0 && std::fabs(a(j, k)) >= big) {
                    big = std::fabs(a(j, k));
                    irow = j;
                    icol = k;
                }
            }
        }
        if (big == 0.0 || irow == 0) {
            det = 0.0;
            return;
        }
        ++ipiv[icol];
        if (irow != icol) {
            det = -det;
            for (int l = 1; l <= N; ++l) std::swap(a(irow, l), a(icol, l));
            for (int l = 1; l <= M; ++l) std::swap(b(irow, l), b(icol, l));
        }
        indxr[step] = irow;
        indxc[step] = icol;
        double piv = a(icol, icol);
        det *= piv;
        double pivinv = 1.0 / piv;
        a(icol, icol) = 1.0;
        for (int l = 1; l <= N; ++l) a(icol, l) *= pivinv;
        for (int l = 1; l <= M; ++l) b(icol, l) *= pivinv;
        for (int ll = 1; ll <= N; ++ll) {
            if (ll == icol) continue;
            double dum = a(ll, icol);
            a(ll, icol) = 0.0;
            for (int l = 1; l <= N; ++l) a(ll, l) -= a(icol, l) * dum;
            for (int l = 1; l <= M; ++l) b(ll, l) -= b(icol, l) * dum;
        }
    }
    for (int l = N; l >= 1; --l) {
        if (indxr[l] != indxc[l])
            for (int k = 1; k <= N; ++k) std::swap(a(k, indxr[l]), a(k, indxc[l]));
    }
}

void NEWTSYS(int32_t N, double* XP, double* X, ResidualFn res, TestFn test, double* J, double* w,
             double* f0, double* fj, double* r, int32_t& budget) {
    auto jac = [&](int i, int j) -> double& { return J[(i - 1) + N * (j - 1)]; };
    for (;;) {
        test(N, X, XP, budget);
        if (budget < 1) return;
        --budget;
        int32_t n = N;
        res(n, X, f0);
        double fprev[MXCOMP + 1];
        for (int i = 1; i <= N; ++i) {
            w[i] = X[i];
            fprev[i] = f0[i];
        }
        for (int j = 1; j <= N; ++j) {
            w[j] = XP[j];
            res(n, w, fj);
            double dx = X[j] - XP[j];
            for (int i = 1; i <= N; ++i) {
                jac(i, j) = std::fabs(dx) <= 1.0e-8 ? 0.0 : (fprev[i] - fj[i]) / dx;
                fprev[i] = fj[i];
            }
        }
        for (int i = 1; i <= N; ++i) {
            XP[i] = X[i];
            double s = 0.0;
            for (int j = 1; j <= N; ++j) s += jac(i, j) * X[j];
            r[i] = s - f0[i];
        }
        if (std::fabs(jac(1, 1)) <= 1.0e-5) return;
        double det;
        LUDET(J, N, r + 1, 1, det);
        for (int i = 1; i <= N; ++i) X[i] = r[i];
    }
}

void NEWTWK(int32_t N, double* XP, double* X, ResidualFn res, TestFn test, int32_t& budget) {
    double J[MXCOMP * MXCOMP];
    double w[MXCOMP + 1], f0[MXCOMP + 1], fj[MXCOMP + 1], r[MXCOMP + 1];
    NEWTSYS(N, XP, X, res, test, J, w, f0, fj, r, budget);
}

void FLSREP() {
    const Flscom& F = FLSCOM;
    char line[160];
    std::snprintf(line, sizeof line, "PRESSURE   %13.5E BAR", F.P * BAR_PER_ATM);
    flash_line(line);
    std::snprintf(line, sizeof line, "TEMPERATURE%13.5E K", F.T);
    flash_line(line);
    flash_line("                              GAS           OIL");
    auto two = [&](const char* label, double g, double l) {
        double v[2] = {g, l};
        flash_line(fmt_values(label, v, 2));
    };
    two("DENSITY (KG/M3)", F.ROGAS, F.ROLIQ);
    two("VISCOSITY (KG/MS)", F.VISG, F.VISL);
    two("MOLAR VOLUME (M3)", F.VG * 1.0e-3, F.VL * 1.0e-3);
    two("COMPRESSIBILITY FACT", F.ZG, F.ZL);
    two("ENTHALPY (J/KG)     ", F.HG, F.HL);
    two("HEAT CAP CP (J/KGC) ", F.CPG, F.CPL);
    two("THERM COND (W/MK)   ", F.CONG, F.CONL);
    two("P-DERIV. OF DENSITY ", F.DRGP, F.DRLP);
    two("T-DERIV. OF DENSITY ", F.DRGT, F.DRLT);
    flash_line(fmt_values("SURFACE TENSION (N/M) ", &F.SIGMA, 1));
    flash_line(fmt_values("GAS MASS FRACTIONN  ", &F.BETA, 1));
    flash_line(fmt_values("VOID FRACTION       ", &F.ALPHA, 1));
    flash_line(fmt_values("MOLE FRACTION GAS   ", &F.V, 1));
    double k[MXCOMP];
    for (int i = 1; i <= F.NC; ++i) k[i - 1] = F.K[i];
    flash_line(fmt_values("EQUIL. FACTORS ", k, F.NC));
    flash_line(fmt_values("LIQ PHASE COMPOSITION         ", F.X + 1, F.NC));
    flash_line(fmt_values("GAS PHASE COMPOSITION         ", F.Y + 1, F.NC));
}

}  // namespace rel
