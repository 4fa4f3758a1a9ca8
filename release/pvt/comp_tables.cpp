// Compositional property tables: COMPPVT checks a gas composition, fixes the
// 20 x 20 grid and has COMPTB fill the 16 tables with a Peng-Robinson flash at
// every grid point, each judged by a stability test of the feed; then it
// derives the standard-condition words, places the dew line of each
// pressure row between the temperature columns and resolves the bubble and
// dew pressures of each temperature column between the pressure rows.
//
// A single-phase node is labelled liquid (gas mass fraction 0) or gas (1): by
// the root of lower Gibbs energy where the cubic has two; where it has one, an
// oil (a feed that is liquid or leaves liquid at 15 C and 1 atm) is liquid below Kay's
// pseudo-critical temperature with Venkatarathnam and Oellrich's phase
// identification parameter above 1, its compressed liquid; a gas is gas above
// 3.95 co-volumes and keeps the flash's label when denser.
//
// Every build starts from the shipped component catalogue and a cleared flash
// work area, so the same composition gives the same block whatever was built
// before it. A failed flash ends the build with IERR 1 and its message and
// leaves the caller's block as it was.
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>

#include "pvt/pvt.h"
#include "pvt/stability.h"
#include "run/entry_scope.h"
#include "run/errors.h"
#include "run/routines.h"

namespace rel {

namespace {

const float PGRID_C[20] = {100000.f, 101325.f, 150000.f, 200000.f, 300000.f, 500000.f, 750000.f,
                           1.0e6f,   1.5e6f,   2.0e6f,   3.0e6f,   4.5e6f,   6.5e6f,   9.0e6f,
                           1.25e7f,  1.8e7f,   2.5e7f,   3.75e7f,  6.0e7f,   1.0e8f};
// 10 K apart from -100 to -80 C, where a gas line that blows down ends (the
// first column, the flash at -100 C, stands at -150 C so that the lookup
// reaches that far). The dew line of each pressure row is resolved between
// the columns (dew_lines), so it needs no denser step elsewhere.
constexpr float TGRID_C[20] = {-100.f, -90.f, -80.f, -65.f, -50.f, -40.f, -25.f,
                               -10.f,  0.f,   10.f,  15.f,  20.f,  30.f,  40.f,
                               50.f,   60.f,  75.f,  100.f, 150.f, 200.f};
// The standard-condition words come from the node at 15 C and 1 atm.
constexpr int T_STD = 10;
static_assert(TGRID_C[T_STD] == 15.0f);

// Below this mean |ln K| the carried start values are taken as collapsed onto
// the trivial solution while the phases still differ: Wilson's estimate again.
constexpr double WILSON_REDO = 0.1;
// A competing flash replaces the carried one only when its Gibbs energy is
// lower by more than the convergence leaves open.
constexpr double GIBBS_MARGIN = 1.0e-6;
// A split close to a phase boundary lies below the feed's Gibbs energy by
// the small amount of its second phase times the depth of the tangent plane
// (5e-7 RT per mole at the dew line of a rich gas): a split counts where it
// lies below by more than rounding.
constexpr double CEILING_MARGIN = 1.0e-10;
// Halvings of the temperature interval in which a pressure row's dew point is
// sought: 15 K to a quarter kelvin.
constexpr int DEW_BISECTIONS = 6;
// Largest start value of K.
constexpr double KSTART_MAX = 1.0e10;
// The largest gas mass fraction below 1 in single precision.
constexpr float ONE_BELOW = 1.0f - FLT_EPSILON / 2.0f;
// The equation of state works in the unit of the catalogue's critical
// pressures (atm, with R = 0.0820578 L atm/(mol K)): Pa per atm.
constexpr double PA_PER_ATM = 101325.0;

// An acentric factor outside 0-2, which no measured hydrocarbon reaches, is
// refused rather than used (the characterisation stays inside it over the
// range it serves).
constexpr double HEAVY_OMEGA_MAX = 2.0;

// Catalogue row of a model index (0 when the index is not known).
int catalogue_row(int model) {
    static const int ROW[12] = {0, 3, 2, 5, 4, 6, 7, 9, 8, 10, 10, 11};
    if (model >= 1 && model <= 11) return ROW[model];
    if (model >= 12 && model <= MXCAT) return model;
    return 0;
}

void symmetric_interactions() {
    for (int i = 1; i <= MXCOMP; ++i)
        for (int j = i + 1; j <= MXCOMP; ++j) CMPCAT.KIJ[j][i] = CMPCAT.KIJ[i][j];
}

// The Newton flash from the start values lnK; leaves the phase state of the
// final iterate in FLSCOM.
void flash_from(double* lnk) {
    Flscom& F = FLSCOM;
    const int n = F.NC;
    double XP[MXCOMP + 1], X[MXCOMP + 1];
    const double lkmax = std::log(KSTART_MAX);
    for (int i = 1; i <= n; ++i) {
        XP[i] = std::min(lnk[i], lkmax);
        X[i] = std::min(lnk[i] + (lnk[i] < -8.0 ? std::log(2.0) : std::log(1.022)), lkmax);
    }
    int32_t budget = F.NITMAX;
    NEWTWK(n, XP, X, FLASH2_ITER, FLSRES, budget);
    double res[MXCOMP + 1];
    int32_t nn = n;
    FLASH2(nn, X, res);
}

// The flash from lnK, once more from small factors when it ends with the gas
// denser than the liquid.
void flash_labelled(double* lnk) {
    Flscom& F = FLSCOM;
    const int n = F.NC;
    flash_from(lnk);
    if (F.ROGAS > F.ROLIQ) {
        double XP[MXCOMP + 1], X[MXCOMP + 1];
        for (int c = 1; c <= n; ++c) {
            XP[c] = 0.0;
            X[c] = 0.1;
        }
        int32_t budget = F.NITMAX;
        NEWTWK(n, XP, X, FLASH2_ITER, FLSRES, budget);
        double res[MXCOMP + 1];
        int32_t nn = n;
        FLASH2(nn, X, res);
    }
}

// Gibbs energy of the phase state of the last flash, per mole of feed and
// R T, from the fugacities of the two phases (the ideal-gas part at the feed
// composition cancels between states).
double gibbs_energy() {
    const Flscom& F = FLSCOM;
    double g = 0.0;
    for (int i = 1; i <= F.NC; ++i) {
        if (F.V > 0.0 && F.Y[i] > 0.0) g += F.V * F.Y[i] * std::log(F.Y[i] * F.PHIG[i]);
        if (F.V < 1.0 && F.X[i] > 0.0) g += (1.0 - F.V) * F.X[i] * std::log(F.X[i] * F.PHIL[i]);
    }
    return g;
}

// Density of a phase of composition w and molar volume V, with its
// derivatives at fixed composition from the equation of state; the volume
// translation of the plus fractions moves the molar volume to v and the
// residual enthalpy by dh (J/kg x g/mol).
struct PhaseDensity {
    double rho, drdp_atm, drdt, v, dh;
};
PhaseDensity phase_density(const double* w, double V, int32_t iroot) {
    Flscom& F = FLSCOM;
    double a, b;
    F.IROOT = iroot;
    PRMIX(F.T, F.P, w, a, b);
    double M = 0.0;
    for (int i = 1; i <= F.NC; ++i) M += w[i] * CMPCAT.E[F.ICAT[i]].MW;
    const double R = F.R, T = F.T;
    double den = V * V + 2.0 * b * V - b * b;
    double dpdv = -R * T / ((V - b) * (V - b)) + a * (2.0 * V + 2.0 * b) / (den * den);
    double dpdt = R / (V - b) - F.DADT / den;
    const double c = table_volume_shift(w);
    PhaseDensity d;
    d.v = V - c;
    d.dh = -F.P * c * PA_PER_ATM;
    d.rho = M / d.v;
    d.drdp_atm = -(d.rho / d.v) / dpdv;
    d.drdt = -(d.rho / d.v) * (-dpdt / dpdv);
    return d;
}

// Successive substitutions of a flash that the Newton iteration misses.
constexpr int SUBSTITUTIONS = 300;
// Their end: the largest change of ln K in one substitution, ordinarily and
// close to a phase boundary, where each substitution takes only a few
// percent off the error (there 1e-7, a little above the resolution of the
// single-precision factors, leaves the fugacities about 1e-6 apart).
constexpr double SUBSTITUTION_TOL = 1.0e-5;
constexpr double SUBSTITUTION_CLOSE = 1.0e-7;

// A single phase of one cubic root of a gas is taken for gas above this molar
// volume over the co-volume (the critical point of the equation has 3.95).
constexpr double GAS_VOLUME_RATIO = 3.95;

bool split_state() { return FLSCOM.V > 0.0 && FLSCOM.V < 1.0; }

// The dew line between two temperature columns of a pressure row: the run
// interpolates the gas fraction linearly in temperature, so a gas node next
// to a two-phase one would show liquid up to the gas node. The gas node is
// given the value that the line through the two-phase node reaches at the
// dew temperature (found here on the stability test), and the lookup, which
// clips the fraction to 0..1, holds the gas from there on. tf are the
// temperatures of the flashes (C), blk.T where the columns stand.
void dew_lines(PVTBLK& blk, const float* tf) {
    float* const beta = &blk.TAB[6][0][0];
    for (int i = 0; i < 20; ++i) {
        float* row = beta + 20 * i;
        bool gas[20];
        for (int j = 0; j < 20; ++j) gas[j] = row[j] >= 1.0f;
        for (int j = 0; j + 1 < 20; ++j) {
            const bool split_lo = row[j] > 0.0f && !gas[j],
                       split_hi = row[j + 1] > 0.0f && !gas[j + 1];
            if (!((gas[j] && split_hi) || (gas[j + 1] && split_lo))) continue;
            const int q = gas[j] ? j + 1 : j, g = gas[j] ? j : j + 1;
            // bisection between the flash temperatures: lo on the split side
            double lo = tf[q], hi = tf[g];
            for (int it = 0; it < DEW_BISECTIONS; ++it) {
                const double mid = 0.5 * (lo + hi);
                (feed_splits(mid + 273.15, blk.P[i] / PA_PER_ATM) ? lo : hi) = mid;
            }
            const double tb = 0.5 * (lo + hi), tq = blk.T[q], ts = blk.T[g];
            const double span = std::max(std::fabs(tb - tq), 0.01 * std::fabs(ts - tq));
            const double v = 1.0 + (1.0 - row[q]) * std::fabs(ts - tb) / span;
            // A gas node between two splits takes the nearer of the two.
            if (row[g] == 1.0f || v < row[g]) row[g] = static_cast<float>(v);
        }
    }
}

// Halvings of the pressure interval in which a temperature column's bubble
// or dew point is sought: 7 take the widest interval above the bubble points
// (12.5-18 MPa) to 43 kPa.
constexpr int P_BISECTIONS = 7;

constexpr int P_INTERVALS = 1 << P_BISECTIONS;

// Point m (0..P_INTERVALS) of the geometric bisection between p_split and
// p_one, formed along the halvings' own path, so that a search that visits
// the points in another order tests the very pressures the halvings would.
double bisection_point(double p_split, double p_one, int m) {
    double lo = p_split, hi = p_one;
    int mlo = 0, mhi = P_INTERVALS;
    while (m != mlo && m != mhi) {
        const double mid = std::sqrt(lo * hi);
        const int mmid = (mlo + mhi) / 2;
        if (m == mmid) return mid;
        if (m > mmid) {
            lo = mid;
            mlo = mmid;
        } else {
            hi = mid;
            mhi = mmid;
        }
    }
    return m == mlo ? lo : hi;
}

// Where the earlier columns turned between the same two nodes: the last two
// temperatures (C) and the intervals of the halvings' grid.
struct Turns {
    int n = 0;
    double t[2] = {};
    int k[2] = {};
    // The interval expected at T_C, along the line through the last two
    // (-1 where there is none yet).
    int expected(double T_C) const {
        if (n == 0) return -1;
        if (n == 1 || t[1] == t[0]) return k[1];
        const double e = k[1] + (k[1] - k[0]) * (T_C - t[1]) / (t[1] - t[0]);
        return static_cast<int>(std::lround(std::min(std::max(e, 1.0), P_INTERVALS - 1.0)));
    }
    void add(double T_C, int interval) {
        t[0] = t[1];
        k[0] = k[1];
        t[1] = T_C;
        k[1] = interval;
        n = std::min(n + 1, 2);
    }
};

// The pressure between p_split (the feed splits) and p_one (one phase) where
// the stability test turns, at T_C (C): the middle of the interval of the
// halvings' grid in which it turns. The boundary moves little and smoothly
// from column to column, so the search steps out from where the earlier
// columns' turns over the same two nodes point, and halves from the whole
// bracket only where there are none.
double phase_boundary_pressure(double T_C, double p_split, double p_one, Turns& turns) {
    signed char known[P_INTERVALS + 1];
    for (signed char& k : known) k = -1;
    known[0] = 1;
    known[P_INTERVALS] = 0;
    auto splits_at = [&](int m) {
        if (known[m] < 0)
            known[m] =
                feed_splits(T_C + 273.15, bisection_point(p_split, p_one, m) / PA_PER_ATM) ? 1 : 0;
        return known[m] == 1;
    };
    int lo = 0, hi = P_INTERVALS;  // the feed splits at lo and not at hi
    const int guess = turns.expected(T_C);
    if (guess > 0 && guess < P_INTERVALS) {
        if (splits_at(guess)) {
            lo = guess;
            for (int step = 1; lo + 1 < hi; step *= 2) {
                const int m = std::min(lo + step, hi);
                if (m == hi || !splits_at(m)) {
                    hi = m;
                    break;
                }
                lo = m;
            }
        } else {
            hi = guess;
            for (int step = 1; lo + 1 < hi; step *= 2) {
                const int m = std::max(hi - step, lo);
                if (m == lo || splits_at(m)) {
                    lo = m;
                    break;
                }
                hi = m;
            }
        }
    }
    while (hi - lo > 1) {
        const int m = (lo + hi) / 2;
        (splits_at(m) ? lo : hi) = m;
    }
    turns.add(T_C, lo);
    return std::sqrt(bisection_point(p_split, p_one, lo) * bisection_point(p_split, p_one, hi));
}

// The phase boundaries of each temperature column in the pressure direction.
// Where the highest split of an oil's column lies below liquid nodes only, the
// column's bubble pressure goes into PBUB: the lookup draws the gas fraction
// to 0 there and holds none above it. Where a split lies next to a gas node
// in pressure (the upper dew line of a condensate), the gas node is given the
// value that the line through the split reaches at the dew pressure, as
// dew_lines does along the pressure rows, and the nearer of that and the
// value of its row stands. tf are the temperatures of the flashes (C).
void pressure_lines(PVTBLK& blk, const float* tf) {
    auto beta = [&](int i, int j) -> float& { return blk.TAB[6][i][j]; };
    auto split = [&](float b) { return b > 0.0f && b < 1.0f; };
    // The turns of each pair of rows, by the lower row and whether the split
    // lies below (bubble pressures and dew pressures apart).
    Turns bubble_at[20], dew_at[20][2];
    for (int j = 0; j < 20; ++j) {
        int top = -1;
        for (int i = 19; i >= 0 && top < 0; --i)
            if (split(beta(i, j))) top = i;
        if (top >= 0 && top < 19) {
            // The lookup holds the column's bubble pressure up to the next
            // column: not where that one is gas above it.
            bool liquid_above = true;
            for (int i = top + 1; i < 20; ++i)
                liquid_above =
                    liquid_above && beta(i, j) == 0.0f && (j == 19 || beta(i, j + 1) < 1.0f);
            if (liquid_above)
                blk.PBUB[j] = static_cast<float>(
                    phase_boundary_pressure(tf[j], blk.P[top], blk.P[top + 1], bubble_at[top]));
        }
        // dew points between a split and a gas node (values of 1 and above)
        bool gas[20];
        for (int i = 0; i < 20; ++i) gas[i] = beta(i, j) >= 1.0f;
        for (int i = 0; i + 1 < 20; ++i) {
            const bool split_lo = split(beta(i, j)), split_hi = split(beta(i + 1, j));
            if (!((gas[i] && split_hi) || (gas[i + 1] && split_lo))) continue;
            const int q = gas[i] ? i + 1 : i, g = gas[i] ? i : i + 1;
            const double pd =
                phase_boundary_pressure(tf[j], blk.P[q], blk.P[g], dew_at[i][q == i ? 0 : 1]);
            const double pq = blk.P[q], pg = blk.P[g];
            const double span = std::max(std::fabs(pd - pq), 0.01 * std::fabs(pg - pq));
            const double v = 1.0 + (1.0 - beta(q, j)) * std::fabs(pg - pd) / span;
            float& b = beta(g, j);
            if (b == 1.0f || v < b) b = static_cast<float>(v);
        }
    }
}

// Successive substitution of the equilibrium factors from ln K, for the
// starts from which the Newton flash falls onto the trivial solution: slower,
// but it walks out of the one-phase band of the Rachford-Rice sums towards a
// split near the critical point, and does not leave a split once it has one.
void substitution_flash(const double* lnk, double tol) {
    Flscom& F = FLSCOM;
    const int n = F.NC;
    double X[MXCOMP + 1], res[MXCOMP + 1];
    for (int c = 1; c <= n; ++c) X[c] = lnk[c];
    for (int it = 0; it < SUBSTITUTIONS; ++it) {
        int32_t nn = n;
        FLASH2(nn, X, res);
        double change = 0.0;
        for (int c = 1; c <= n; ++c) {
            const double next = std::log(static_cast<double>(F.K[c]));
            change = std::max(change, std::fabs(next - X[c]));
            X[c] = next;
        }
        if (change < tol) break;
    }
}

// Flashes from each start; FLSCOM ends with the split of lowest Gibbs energy
// among them and the one it held (when that is a split), of those below
// g_ceiling. False when there is none; resolved tells whether any flash ended
// at all.
bool lowest_split(const double* const* starts, int nstarts, bool& resolved,
                  double g_ceiling = HUGE_VAL) {
    Flscom& F = FLSCOM;
    const int n = F.NC;
    bool have = split_state();
    Flscom best = F;
    double gbest = have ? gibbs_energy() : 0.0;
    for (int k = 0; k < nstarts; ++k) {
        if (!starts[k]) continue;
        double lnk[MXCOMP + 1];
        for (int c = 1; c <= n; ++c) lnk[c] = starts[k][c];
        try {
            flash_labelled(lnk);
            if (!split_state()) substitution_flash(lnk, SUBSTITUTION_TOL);
        } catch (const RunFailure&) {
            continue;
        }
        resolved = true;
        if (!split_state()) continue;
        const double g = gibbs_energy();
        if (!(g < g_ceiling - CEILING_MARGIN)) continue;
        if (!have || g < gbest - GIBBS_MARGIN) {
            best = F;
            gbest = g;
            have = true;
        }
    }
    F = best;
    if (have && F.RRBAND == 0.0) {
        // Close to a phase boundary the flashes stop within their tolerance
        // of a split that is still moving (its fugacities 0.04 % apart at
        // the dew line of a rich gas): substitution takes the one kept the
        // rest of the way, and does not leave it.
        double lnk[MXCOMP + 1];
        for (int c = 1; c <= n; ++c) lnk[c] = std::log(static_cast<double>(F.K[c]));
        try {
            substitution_flash(lnk, SUBSTITUTION_CLOSE);
        } catch (const RunFailure&) {
            F = best;
        }
        if (!split_state()) F = best;
    }
    return have;
}

// Puts the feed into FLSCOM as one phase, gas or liquid, keeping the
// equilibrium factors that the next pressure starts from.
void single_phase_state(bool gas) {
    Flscom& F = FLSCOM;
    float keep[MXCOMP + 1];
    double X[MXCOMP + 1], res[MXCOMP + 1];
    for (int i = 1; i <= F.NC; ++i) {
        keep[i] = F.K[i];
        X[i] = gas ? 30.0 : -30.0;
    }
    int32_t n = F.NC;
    FLASH2(n, X, res);
    for (int i = 1; i <= F.NC; ++i) F.K[i] = keep[i];
}

// Properties of one phase of composition w and molar volume V (root iroot)
// at FLSCOM's T and P; hr and dhrdt are its residual enthalpy and its
// T-derivative (J/kg x g/mol).
struct PhaseProps {
    PhaseDensity d;
    double vis, con, h, cp;
};
PhaseProps phase_properties(const double* w, double V, int32_t iroot, double hr, double dhrdt,
                            const double* mu, const double* cond) {
    const int32_t n = FLSCOM.NC;
    PhaseProps p;
    const double M = molar_mass(w);
    p.d = phase_density(w, V, iroot);
    double k0, mu0, H, CP;
    MIXCON(w, cond, k0, n);
    MIXVIS(mu, mu0, w, n);
    p.con = k0;
    DENCOR(w, mu0, p.vis, p.d.rho, p.con);
    IGENTH(n, w, FLSCOM.T, H, CP);
    p.h = 1000.0 * H + (hr + p.d.dh) / M;
    p.cp = 1000.0 * CP + dhrdt / M;
    return p;
}

// Kay's pseudo-critical temperature of the feed (K).
double kay_temperature() {
    const Flscom& F = FLSCOM;
    double t = 0.0;
    for (int c = 1; c <= F.NC; ++c) t += F.Z[c] * CMPCAT.E[F.ICAT[c]].TC;
    return t;
}

// Whether the feed of FLSCOM as the phase of the root given is liquid-like:
// the root of lower Gibbs energy of two is the liquid one; one root is
// liquid-like below Kay's pseudo-critical temperature with a phase
// identification parameter above 1.
bool liquid_like(const PhaseRoot& root) {
    if (!root.one_root) return !root.vapour;
    return FLSCOM.T < kay_temperature() && phase_identification(FLSCOM.Z) > 1.0;
}

// An oil leaves liquid at 15 C and 1 atm, or is liquid there; a gas is
// neither. Leaves FLSCOM's T, P and PRPAR's terms at that point.
bool feed_is_oil() {
    if (feed_splits(TGRID_C[T_STD] + 273.15, 1.0)) return true;
    double lp[MXCOMP + 1];
    return liquid_like(lnphi_lowest(FLSCOM.Z, lp));
}

// How a node was judged.
enum class NodeVerdict { ONE_PHASE, SPLIT, UNRESOLVED };

// The stability test judges the phase state the flash left in FLSCOM: a
// flash that lands on the trivial solution, on the wrong side of the dew line
// or on a split that is not the equilibrium is done again from other starts
// (the test's trial phase, Wilson's factors, the previous temperature's
// column), and of the states the test accepts the one of lowest Gibbs energy
// stands. A stable feed is one phase, put into FLSCOM with its label; oil
// tells whether the feed is or leaves liquid at standard conditions.
NodeVerdict judge_node(const double* lnk_wilson, const double* lnk_prev_column, bool oil) {
    Flscom& F = FLSCOM;
    const int n = F.NC;
    double lpz[MXCOMP + 1], dz[MXCOMP + 1], vap[MXCOMP + 1], liq[MXCOMP + 1], trial[MXCOMP + 1];
    const PhaseRoot feed = lnphi_lowest(F.Z, lpz);
    for (int c = 1; c <= n; ++c) dz[c] = F.Z[c] > 0.0 ? std::log(F.Z[c]) + lpz[c] : 0.0;
    wilson_trials(F.Z, lnk_wilson, vap, liq);
    // The phases of a split are the first trials: they show it at once.
    const bool carried_split = split_state();
    bool splits = !stable_phase(
        F.Z, dz, {carried_split ? F.Y : nullptr, carried_split ? F.X : nullptr, liq, vap}, trial);
    // The other starts, tried where the carried state is not the equilibrium.
    double from_trial[MXCOMP + 1];
    const double* starts[3] = {from_trial, lnk_wilson, lnk_prev_column};
    if (splits && !carried_split) {
        // The flash missed the split.
        for (int c = 1; c <= n; ++c) from_trial[c] = trial[c];
        bool resolved = false;
        // The test has shown a phase of lower Gibbs energy: a split close to
        // the dew line has Rachford-Rice sums within the flash's one-phase
        // band of 1, so that band is closed for these flashes, and a split
        // counts only where its Gibbs energy is below the feed's.
        const double band = F.RRBAND;
        F.RRBAND = 0.0;
        const bool found = lowest_split(starts, 3, resolved, feed.g);
        F.RRBAND = band;
        if (!found) {
            // Every flash ended in one phase or at the feed's Gibbs energy:
            // the split is smaller than the flash resolves, and one phase it
            // is. Only when no flash ended at all is the node unresolved.
            if (!resolved) return NodeVerdict::UNRESOLVED;
            splits = false;
        }
    } else if (splits && !split_stable(lnk_wilson, trial)) {
        // The carried split is not the equilibrium: the other starts compete
        // with it.
        for (int c = 1; c <= n; ++c) from_trial[c] = trial[c];
        bool resolved = false;
        lowest_split(starts, 3, resolved);
    }
    if (splits) return NodeVerdict::SPLIT;
    // One phase. An oil is liquid where it is liquid-like: its compressed
    // liquid. A gas is gas by the root of lower Gibbs energy of two; of one,
    // above GAS_VOLUME_RATIO co-volumes, and denser it keeps the flash's
    // label, so that its dense phase stays gas.
    bool gas;
    if (oil)
        gas = !liquid_like(feed);
    else if (!feed.one_root)
        gas = feed.vapour;
    else
        gas = feed.v_over_b > GAS_VOLUME_RATIO || F.V >= 0.5;
    if (split_state() || F.V != (gas ? 1.0 : 0.0)) single_phase_state(gas);
    return NodeVerdict::ONE_PHASE;
}

}  // namespace

void COMPTB(const COMPREC& comp, PVTBLK& blk, int32_t& IERR, char* MSG, int32_t LMSG) {
    flash_reset();
    Flscom& F = FLSCOM;
    CLRFED();
    // Component list by the model-index table; pentane of model 10 joins an
    // earlier model-9 entry.
    int32_t keys[MXCOMP];
    double frac[MXCOMP];
    int n = 0, pentane = -1;
    for (int k = 0; k < comp.NCOMP; ++k) {
        int model = comp.MODEL[k];
        int row = catalogue_row(model);
        double z = comp.MOLEPCT[k] / 100.0;
        if (model == 10 && pentane >= 0) {
            frac[pentane] += z;
            continue;
        }
        if (model == 9) pentane = n;
        if (model >= 12) {
            double M = comp.MOLWT[k];
            CatEntry& c = CMPCAT.E[row];
            if (std::fabs(M - c.MW) > 1.0) {
                double SG = comp.LIQDEN[k] / 1000.0;
                double tb = heavy_boiling_point(M, SG);
                double tc, pc, vc, zc, om;
                PSEUDO(M, SG, tb, tc, pc, vc, zc, om);
                c.TC = tc;
                c.PC = pc;
                c.VC = vc;
                c.ZC = zc;
                c.OMEGA = om;
                c.MW = M;
                c.DENS = comp.LIQDEN[k];
            }
        }
        keys[n] = row;
        frac[n] = z;
        ++n;
    }
    SRTCMP(keys, frac, n);
    F.NC = n;
    for (int i = 1; i <= n; ++i) {
        F.ICAT[i] = keys[i - 1];
        F.Z[i] = frac[i - 1];
    }
    symmetric_interactions();
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) sum += F.Z[i];
    if (std::fabs(sum - 1.0) <= 0.01) {
        for (int i = 1; i <= n; ++i) F.Z[i] /= sum;
    } else if (std::fabs(sum - 1.0) > 1.0e-4) {
        refuse(IERR, MSG, LMSG, "SUM OF MOLE FRACTIONS DO NOT EQUAL 1!");
        return;
    }

    fit_volume_shifts();

    const bool oil = feed_is_oil();

    double mu[MXCOMP + 1], cond[MXCOMP + 1];
    // ln K of each pressure at the previous temperature (none before the first).
    double column[20][MXCOMP + 1] = {};
    // The verdict of the stability test at each node (pressure, temperature).
    bool unstable[20][20] = {};
    for (int j = 1; j <= 20; ++j) {
        F.T = blk.T[j - 1] + 273.15;
        PRPAR(F.T);
        GOLDEN(mu);
        CNDLOW(cond);
        double lnk[MXCOMP + 1] = {0.0}, prev[MXCOMP + 1] = {0.0}, prev2[MXCOMP + 1] = {0.0},
                            next[MXCOMP + 1] = {0.0};
        double rog_prev = 0.0, rol_prev = 0.0;
        for (int i = 1; i <= 20; ++i) {
            F.P = blk.P[i - 1] / PA_PER_ATM;
            // start values
            double lnk_wilson[MXCOMP + 1];
            for (int c = 1; c <= n; ++c) lnk_wilson[c] = wilson_lnk(c);
            if (i == 1) {
                for (int c = 1; c <= n; ++c) lnk[c] = lnk_wilson[c];
            } else {
                for (int c = 1; c <= n; ++c) lnk[c] = next[c];
                if (i >= 4)
                    for (int c = 1; c <= n; ++c) lnk[c] = 2.0 * prev[c] - prev2[c];
                double mean = 0.0;
                for (int c = 1; c <= n; ++c) mean += std::fabs(lnk[c]);
                mean /= n;
                if (std::fabs(rol_prev - rog_prev) > 0.2 * std::fabs(rol_prev) &&
                    mean < WILSON_REDO)
                    for (int c = 1; c <= n; ++c) lnk[c] = lnk_wilson[c];
            }
            flash_labelled(lnk);
            const NodeVerdict verdict =
                judge_node(lnk_wilson, j > 1 ? column[i - 1] : nullptr, oil);
            if (verdict == NodeVerdict::UNRESOLVED) {
                refuse(IERR, MSG, LMSG,
                       "NO PHASE STATE FOUND WHERE THE STABILITY TEST SPLITS THE FLUID AT " +
                           value_text(blk.P[i - 1], "Pa") + " AND " +
                           value_text(blk.T[j - 1], "C"));
                return;
            }
            unstable[i - 1][j - 1] = verdict == NodeVerdict::SPLIT;
            for (int c = 1; c <= n; ++c) column[i - 1][c] = std::log(static_cast<double>(F.K[c]));
            F.L = 1.0 - F.V;

            const PhaseProps gp = phase_properties(F.Y, F.VG, 0, F.HRG, F.DHRGDT, mu, cond);
            const PhaseProps lp = phase_properties(F.X, F.VL, 1, F.HRL, F.DHRLDT, mu, cond);
            const PhaseDensity &g = gp.d, &l = lp.d;
            double vg = F.V * g.v, vl = F.L * l.v;
            double alpha = vg / (vg + vl);
            double beta = alpha * g.rho / (alpha * g.rho + (1.0 - alpha) * l.rho);
            double S = 0.0;
            for (int c = 1; c <= n; ++c) {
                const CatEntry& e = CMPCAT.E[F.ICAT[c]];
                S += e.PARA * (F.X[c] * l.rho - F.Y[c] * g.rho) / e.MW;
            }
            double s3 = S * 0.001;
            double sigma = s3 * s3 * s3 * s3 * 0.001;

            F.VISG = gp.vis;
            F.VISL = lp.vis;
            F.CONG = gp.con;
            F.CONL = lp.con;
            F.HG = gp.h;
            F.HL = lp.h;
            F.CPG = gp.cp;
            F.CPL = lp.cp;
            F.DRGP = g.drdp_atm;
            F.DRLP = l.drdp_atm;
            F.DRGT = g.drdt;
            F.DRLT = l.drdt;
            F.SIGMA = sigma;
            F.BETA = beta;
            F.ALPHA = alpha;

            const double v[16] = {g.rho,
                                  l.rho,
                                  g.drdp_atm / PA_PER_ATM,
                                  l.drdp_atm / PA_PER_ATM,
                                  g.drdt,
                                  l.drdt,
                                  beta,
                                  gp.vis,
                                  lp.vis,
                                  gp.cp,
                                  lp.cp,
                                  gp.h,
                                  std::min(lp.h, gp.h),
                                  gp.con,
                                  lp.con,
                                  sigma};
            for (int k = 1; k <= 16; ++k)
                blk.TAB[k - 1][i - 1][j - 1] = static_cast<float>(v[k - 1]);
            // A split keeps its label in single precision as well.
            float& label = blk.TAB[6][i - 1][j - 1];
            if (split_state()) label = std::min(std::max(label, FLT_TRUE_MIN), ONE_BELOW);
            blk.PBUB[j - 1] = 1.0e9f;
            blk.TAUX[j - 1] = 0.0f;
            if (FLSOUT) FLSREP();

            // start values of the next pressure
            for (int c = 1; c <= n; ++c) {
                prev2[c] = prev[c];
                prev[c] = std::log(static_cast<double>(F.K[c]));
            }
            double d;
            if (F.V >= 0.99999) {
                double s = 0.0;
                for (int c = 1; c <= n; ++c) s += F.Z[c] * F.K[c];
                d = 1.0 / (s - 0.05) - 1.0;
            } else if (F.V <= 1.0e-6) {
                double s = 0.0;
                for (int c = 1; c <= n; ++c) s += F.Z[c] / F.K[c];
                d = 0.95 * s - 1.0;
            } else {
                d = 0.022;
            }
            for (int c = 1; c <= n; ++c) next[c] = prev[c] * (1.0 + d);
            rog_prev = g.rho;
            rol_prev = l.rho;
        }
    }
    // The check of the labels: two-phase exactly where the feed splits.
    for (int i = 0; i < 20; ++i)
        for (int j = 0; j < 20; ++j) {
            const float beta = blk.TAB[6][i][j];
            if ((beta > 0.0f && beta < 1.0f) != unstable[i][j]) {
                refuse(IERR, MSG, LMSG,
                       "GAS MASS FRACTION " + value_text(beta, nullptr) + " AT " +
                           value_text(blk.P[i], "Pa") + " AND " + value_text(blk.T[j], "C") +
                           (unstable[i][j] ? " LABELS ONE PHASE WHERE THE FLUID SPLITS"
                                           : " LABELS TWO PHASES WHERE THE FLUID IS STABLE"));
                return;
            }
        }
}

FlashPoint flash_point(int32_t nc, const int32_t* icat, const double* z, double T_K, double P_atm) {
    flash_reset();
    Flscom& F = FLSCOM;
    F.NC = nc;
    for (int i = 1; i <= nc; ++i) {
        F.ICAT[i] = icat[i - 1];
        F.Z[i] = z[i - 1];
    }
    symmetric_interactions();
    const bool oil = feed_is_oil();
    F.T = T_K;
    F.P = P_atm;
    PRPAR(T_K);
    // The flash and its judgement as the table builder makes them at a node.
    double lnk_wilson[MXCOMP + 1], lnk[MXCOMP + 1];
    for (int i = 1; i <= nc; ++i) lnk[i] = lnk_wilson[i] = wilson_lnk(i);
    flash_labelled(lnk);
    if (judge_node(lnk_wilson, nullptr, oil) == NodeVerdict::UNRESOLVED)
        throw RunFailure("NO PHASE STATE FOUND WHERE THE STABILITY TEST SPLITS THE FLUID");
    FlashPoint r{};
    r.V = F.V;
    r.L = 1.0 - F.V;
    r.ZG = F.ZG;
    r.ZL = F.ZL;
    r.ROG = F.ROGAS;
    r.ROL = F.ROLIQ;
    for (int i = 1; i <= nc; ++i) {
        r.x[i] = F.X[i];
        r.y[i] = F.Y[i];
    }
    return r;
}

double saturation_pressure(int32_t icat, double T_K) {
    flash_reset();
    Flscom& F = FLSCOM;
    F.NC = 1;
    F.ICAT[1] = icat;
    F.T = T_K;
    PRPAR(T_K);
    double w[2] = {0.0, 1.0};
    // Successive substitution on P from the Wilson estimate.
    double p = wilson_saturation_pressure(icat, T_K);
    for (int it = 0; it < 200; ++it) {
        double a, b, V, phig[2], phil[2];
        PRMIX(T_K, p, w, a, b);
        F.IROOT = 0;
        EOSROOT(p, V, T_K, a, b);
        PRFUG(a, b, p * V / (F.R * T_K), T_K, phig);
        F.IROOT = 1;
        EOSROOT(p, V, T_K, a, b);
        PRFUG(a, b, p * V / (F.R * T_K), T_K, phil);
        double pn = p * phil[1] / phig[1];
        if (std::fabs(pn - p) <= 1.0e-10 * p) return pn;
        p = pn;
    }
    return p;
}

}  // namespace rel

extern "C" RELEASE_API void RELEASE_CALL COMPPVT(COMPREC* comp, PVTBLK* pvtblk, int32_t* IERR,
                                                 char* MSG, int32_t msg_len) {
    using namespace rel;
    const EntryScope scope;
    if (!scope.held()) return refuse(*IERR, MSG, msg_len, BUSY_MESSAGE);
    try {
        const COMPREC& c = *comp;
        if (c.NCOMP >= 31)
            return refuse(*IERR, MSG, msg_len, "NUMBER OF COMPONENTS LIMITED TO 30!");
        double sum = 0.0;
        for (int k = 0; k < c.NCOMP; ++k) sum += c.MOLEPCT[k];
        // Written so that a NaN fraction fails the test as well.
        if (!(std::fabs(sum - 100.0) <= 0.01))
            return refuse(*IERR, MSG, msg_len, "MOLE FRACTIONS DO NOT SUM UP TO 100%");
        // Inputs that would read outside the catalogue or give NaN tables.
        bool heavy_seen[MXCAT + 1] = {false};
        for (int k = 0; k < c.NCOMP; ++k) {
            int model = c.MODEL[k];
            if (catalogue_row(model) == 0)
                return refuse(*IERR, MSG, msg_len,
                              "COMPONENT MODEL INDEX MUST BE BETWEEN 1 AND 29");
            if (!(c.MOLEPCT[k] >= 0.0f))
                return refuse(*IERR, MSG, msg_len, "MOLE FRACTIONS MUST NOT BE NEGATIVE");
            if (model >= 12) {
                float M = c.MOLWT[k], d = c.LIQDEN[k];
                bool characterise = !(std::fabs(M - cmpcat_initial().E[model].MW) <= 1.0);
                if (!(M > 0.0f) || !std::isfinite(M) ||
                    (characterise && (!(d > 0.0f) || !std::isfinite(d))))
                    return refuse(
                        *IERR, MSG, msg_len,
                        "HEAVY COMPONENT NEEDS A POSITIVE MOLE WEIGHT AND LIQUID DENSITY");
                // Outside the served range the characterisation gives
                // critical data no fluid has.
                const std::string which =
                    "HEAVY COMPONENT " + I2CH2(k + 1) + " (MODEL " + std::to_string(model) + "): ";
                const std::string fault = characterise ? heavy_fraction_fault(M, d) : "";
                if (!fault.empty()) return refuse(*IERR, MSG, msg_len, which + fault);
                if (characterise) {
                    const double SG = d / 1000.0;
                    double tc, pc, vc, zc, om;
                    PSEUDO(M, SG, heavy_boiling_point(M, SG), tc, pc, vc, zc, om);
                    if (!(om > 0.0 && om <= HEAVY_OMEGA_MAX)) {
                        char omega[32];
                        std::snprintf(omega, sizeof omega, "%.3g", om);
                        return refuse(*IERR, MSG, msg_len,
                                      which + "MOLE WEIGHT " + value_text(M, "g/mol") +
                                          " WITH LIQUID DENSITY " + value_text(d, "kg/m3") +
                                          " GIVES AN ACENTRIC FACTOR OF " + omega +
                                          ", OUTSIDE 0-2 WHERE THE CHARACTERISATION HOLDS");
                    }
                }
                // Two heavy fractions on one catalogue row would share one
                // characterisation: the last would overwrite the first.
                if (heavy_seen[model])
                    return refuse(*IERR, MSG, msg_len,
                                  "HEAVY COMPONENTS MUST HAVE DIFFERENT MODEL INDICES");
                heavy_seen[model] = true;
            }
        }
        PVTBLK blk = *pvtblk;
        blk.WCUT = 0.0f;
        blk.NP = 20;
        blk.NT = 20;
        for (int i = 0; i < 20; ++i) {
            blk.P[i] = PGRID_C[i];
            blk.T[i] = TGRID_C[i];
        }
        int32_t ierr = 0;
        COMPTB(c, blk, ierr, MSG, msg_len);
        if (ierr != 0) *IERR = ierr;
        // A composition whose tables break down somewhere on the grid is not
        // a fluid the run can use; the caller's block stays as it was.
        std::string fault = ierr == 0 ? PVTPHY(blk, false) : std::string();
        if (!fault.empty())
            return refuse(*IERR, MSG, msg_len, "COMPOSITION TABLES NOT PHYSICAL: " + fault);
        float x = blk.TAB[6][1][T_STD], rog = blk.TAB[0][1][T_STD], rol = blk.TAB[1][1][T_STD];
        blk.BETAST = x;
        blk.T[0] = -150.0f;
        dew_lines(blk, TGRID_C);
        pressure_lines(blk, TGRID_C);
        blk.GORST = x >= 0.99999f ? 999999.0f : (x / rog) / ((1.0f - x) / rol);
        blk.ROGST = std::max(rog, 0.0f);
        blk.ROLST = std::max(rol, 0.0f);
        fault = ierr == 0 ? PVTPHY(blk, true) : std::string();
        if (!fault.empty())
            return refuse(*IERR, MSG, msg_len, "COMPOSITION TABLES NOT PHYSICAL: " + fault);
        *pvtblk = blk;
    } catch (const std::exception& e) {
        refuse(*IERR, MSG, msg_len, e.what());
    }
}
