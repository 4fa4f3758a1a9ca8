// Phase stability by Michelsen's tangent-plane test: the feed splits exactly
// when some trial phase lies below the tangent plane of its Gibbs energy, and
// a split is the equilibrium exactly when no trial phase lies below the
// tangent plane of its liquid. The trial phases start from Wilson's factors.
#include "pvt/stability.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace rel {

namespace {

// Wilson's constant in ln K = C (1 + omega)(1 - Tc/T) - ln(P/Pc).
constexpr double WILSON_C = 5.3;
// Wilson's factors are held above exp(-27).
constexpr double WILSON_LNK_MIN = -27.0;

// Successive substitutions of one trial phase.
constexpr int STAB_ITMAX = 60;
// A tangent-plane distance below this shows the split, from a trial phase
// that differs from the tested one by more than TRIVIAL_DISTANCE (summed
// mole fractions): closer trials are the tested phase itself, where the
// distance is rounding.
constexpr double TM_NEGATIVE = -1.0e-6;
constexpr double TRIVIAL_DISTANCE = 2.0e-3;
// A trial phase this close to the other phase of a split is that phase: the
// flash settles the equilibrium factors to a tolerance, so its tangent plane
// is not exactly the liquid's.
constexpr double OTHER_DISTANCE = 1.0e-2;

}  // namespace

double wilson_lnk(int i) {
    const Flscom& F = FLSCOM;
    const CatEntry& c = CMPCAT.E[F.ICAT[i]];
    double lk = WILSON_C * (1.0 + c.OMEGA) * (1.0 - c.TC / F.T) - std::log(F.P / c.PC);
    return std::max(lk, WILSON_LNK_MIN);
}

double wilson_saturation_pressure(int icat, double T) {
    const CatEntry& c = CMPCAT.E[icat];
    return c.PC * std::exp(WILSON_C * (1.0 + c.OMEGA) * (1.0 - c.TC / T));
}

double molar_mass(const double* w) {
    double M = 0.0;
    for (int i = 1; i <= FLSCOM.NC; ++i) M += w[i] * CMPCAT.E[FLSCOM.ICAT[i]].MW;
    return M;
}

namespace {

// The mixture terms and fugacity coefficients of PRMIX and PRFUG, without the
// temperature derivatives and the residual enthalpy that only the flash
// needs: the trial phases of the test form thousands of mixtures a build.
struct Mixture {
    double a, b, A, B, S[MXCOMP + 1];
};

void mixture_terms(const double* w, Mixture& m) {
    const Flscom& F = FLSCOM;
    const int n = F.NC;
    m.b = 0.0;
    m.a = 0.0;
    for (int i = 1; i <= n; ++i) {
        m.b += w[i] * F.B[i];
        double s = 0.0;
        const double* aij = F.AIJ[i];
        for (int j = 1; j <= n; ++j) {
            s += w[j] * aij[j];
            m.a += w[i] * w[j] * aij[j];
        }
        m.S[i] = s;
    }
    const double RT = F.R * F.T;
    m.A = m.a * F.P / (RT * RT);
    m.B = m.b * F.P / RT;
}

void fugacity_coefficients(const Mixture& m, double Z, double* phi) {
    const double A = m.A, B = m.B;
    const double L = std::log((Z + 2.414 * B) / (Z - 0.414 * B));
    for (int i = 1; i <= FLSCOM.NC; ++i) {
        double bb = FLSCOM.B[i] / m.b;
        double arg = bb * (Z - 1.0) - (2.0 * m.S[i] / m.a - bb) * 0.35355 * A * L / B;
        phi[i] = std::exp(arg) / (Z - B);
    }
}

// ln phi of the root of lowest Gibbs energy; its Gibbs energy is formed
// only where two roots compete or with_g asks for it.
PhaseRoot lowest_root(const double* w, double* lnphi, bool with_g) {
    Flscom& F = FLSCOM;
    const int n = F.NC;
    Mixture m;
    mixture_terms(w, m);
    const double a = m.a, b = m.b;
    const double RT = F.R * F.T;
    double V[2];
    for (int r = 0; r < 2; ++r) {
        F.IROOT = r;
        EOSROOT(F.P, V[r], F.T, a, b);
    }
    // One root above the co-volume: the liquid's coefficients are the gas's.
    const bool one_root = V[0] == V[1];
    double phi[2][MXCOMP + 1], g[2] = {0.0, 0.0};
    for (int r = 0; r < (one_root ? 1 : 2); ++r) {
        fugacity_coefficients(m, F.P * V[r] / RT, phi[r]);
        if (one_root && !with_g) break;
        // (a coefficient below the smallest double is taken at it)
        for (int i = 1; i <= n; ++i)
            if (w[i] > 0.0) g[r] += w[i] * std::log(w[i] * std::max(phi[r][i], DBL_MIN));
    }
    if (one_root) g[1] = g[0];
    const int r = g[1] < g[0] ? 1 : 0;
    for (int i = 1; i <= n; ++i) lnphi[i] = std::log(std::max(phi[r][i], DBL_MIN));
    return {g[r], r == 0, one_root, V[r] / b};
}

}  // namespace

PhaseRoot lnphi_lowest(const double* w, double* lnphi) { return lowest_root(w, lnphi, true); }

double phase_identification(const double* w) {
    Flscom& F = FLSCOM;
    double lp[MXCOMP + 1];
    const PhaseRoot root = lnphi_lowest(w, lp);
    double a, b;
    PRMIX(F.T, F.P, w, a, b);
    const double dadt = F.DADT;
    const double R = F.R, T = F.T, V = root.v_over_b * b;
    const double vb = V - b, den = V * V + 2.0 * b * V - b * b, dden = 2.0 * V + 2.0 * b;
    const double p_v = -R * T / (vb * vb) + a * dden / (den * den);
    const double p_vv = 2.0 * R * T / (vb * vb * vb) + 2.0 * a / (den * den) -
                        2.0 * a * dden * dden / (den * den * den);
    const double p_t = R / vb - dadt / den;
    const double p_vt = -R / (vb * vb) + dadt * dden / (den * den);
    return V * (p_vt / p_t - p_vv / p_v);
}

// The test of a phase of composition z with d = ln z + ln phi(z), from each
// trial composition given. False when a trial phase lies below the tangent
// plane; lnk then holds ln K (lighter over heavier phase) between z and it.
bool stable_phase(const double* z, const double* d, std::initializer_list<const double*> trials,
                  double* lnk, const double* other) {
    const int n = FLSCOM.NC;
    double W[MXCOMP + 1], w[MXCOMP + 1], lp[MXCOMP + 1];
    // One substitution ln W = d - ln phi(W / sum W); returns the largest
    // change of ln W and leaves w at the normalised trial it started from.
    auto substitute = [&](double& tm, double& dist, double& to_other) {
        double s = 0.0;
        for (int i = 1; i <= n; ++i) s += W[i];
        for (int i = 1; i <= n; ++i) w[i] = W[i] / s;
        lowest_root(w, lp, false);
        double change = 0.0;
        tm = 1.0;
        dist = to_other = 0.0;
        for (int i = 1; i <= n; ++i) {
            if (other) to_other += std::fabs(w[i] - other[i]);
            if (!(W[i] > 0.0)) continue;
            const double lw = std::log(W[i]), next = d[i] - lp[i];
            tm += W[i] * (lw + lp[i] - d[i] - 1.0);
            change = std::max(change, std::fabs(next - lw));
            dist += std::fabs(w[i] - z[i]);
            W[i] = std::exp(next);
        }
        return change;
    };
    for (const double* t : trials) {
        if (!t) continue;
        for (int i = 1; i <= n; ++i) W[i] = z[i] > 0.0 ? t[i] : 0.0;
        for (int it = 0; it < STAB_ITMAX; ++it) {
            double tm, dist, to_other;
            double change = substitute(tm, dist, to_other);
            if (tm < TM_NEGATIVE && dist > TRIVIAL_DISTANCE &&
                !(other && to_other < OTHER_DISTANCE)) {
                // Only the verdict is asked for.
                if (!lnk) return false;
                // The trial settles further, as the start of a flash.
                for (int more = 0; more < STAB_ITMAX && change > 1.0e-8; ++more)
                    change = substitute(tm, dist, to_other);
                // From the unnormalised trial: W / z is the ratio of the two
                // phases' fugacity coefficients, whose sums of z K and z / K
                // then lie above 1 as the split's do.
                const bool lighter = molar_mass(w) < molar_mass(z);
                for (int i = 1; i <= n; ++i) {
                    const double l = W[i] > 0.0 && z[i] > 0.0 ? std::log(W[i] / z[i]) : 0.0;
                    lnk[i] = lighter ? l : -l;
                }
                return false;
            }
            if (dist < 1.0e-6 || change < 1.0e-10) break;  // the tested phase, or settled
        }
    }
    return true;
}

// Trial compositions of Wilson's factors from z: vapour-like and liquid-like.
void wilson_trials(const double* z, const double* lnk_wilson, double* vap, double* liq) {
    for (int i = 1; i <= FLSCOM.NC; ++i) {
        vap[i] = z[i] * std::exp(lnk_wilson[i]);
        liq[i] = z[i] * std::exp(-lnk_wilson[i]);
    }
}

// Whether the split left in FLSCOM is the equilibrium: no trial phase but its
// gas below the tangent plane of its liquid; otherwise lnk holds a start
// towards a better one.
bool split_stable(const double* lnk_wilson, double* lnk) {
    const Flscom& F = FLSCOM;
    double x[MXCOMP + 1], d[MXCOMP + 1], vap[MXCOMP + 1], liq[MXCOMP + 1];
    for (int i = 1; i <= F.NC; ++i) {
        x[i] = F.X[i];
        d[i] = x[i] > 0.0 ? std::log(x[i] * F.PHIL[i]) : 0.0;
    }
    wilson_trials(x, lnk_wilson, vap, liq);
    return stable_phase(x, d, {vap, liq}, lnk, F.Y);
}

// Whether the feed splits at T (K) and P (atm).
bool feed_splits(double T, double P) {
    Flscom& F = FLSCOM;
    F.T = T;
    F.P = P;
    PRPAR(T);
    double lp[MXCOMP + 1], d[MXCOMP + 1], lw[MXCOMP + 1], vap[MXCOMP + 1], liq[MXCOMP + 1];
    lowest_root(F.Z, lp, false);
    for (int c = 1; c <= F.NC; ++c) {
        d[c] = F.Z[c] > 0.0 ? std::log(F.Z[c]) + lp[c] : 0.0;
        lw[c] = wilson_lnk(c);
    }
    wilson_trials(F.Z, lw, vap, liq);
    return !stable_phase(F.Z, d, {liq, vap}, nullptr);
}

}  // namespace rel
