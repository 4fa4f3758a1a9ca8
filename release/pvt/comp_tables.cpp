// Compositional property tables: COMPPVT checks a gas composition, fixes the
// 20 x 20 grid and has COMPTB fill the 16 tables with a Peng-Robinson flash at
// every grid point; then it derives the standard-condition words.
//
// Every build starts from the shipped component catalogue and a cleared flash
// work area, so the same composition gives the same block whatever was built
// before it. A failed flash ends the build with IERR 1 and its message and
// leaves the caller's block as it was.
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>

#include "pvt/pvt.h"
#include "run/entry_scope.h"
#include "run/errors.h"
#include "run/routines.h"

namespace rel {

namespace {

const float PGRID_C[20] = {100000.f, 101325.f, 150000.f, 200000.f, 300000.f, 500000.f, 750000.f,
                           1.0e6f,   1.5e6f,   2.0e6f,   3.0e6f,   4.5e6f,   6.5e6f,   9.0e6f,
                           1.25e7f,  1.8e7f,   2.5e7f,   3.75e7f,  6.0e7f,   1.0e8f};
// 10 K apart from -80 to -40 C, where a gas line that blows down cools
// through the dew line of a dry gas: between nodes the gas fraction is
// interpolated, so a coarser step makes liquid far above the dew point.
constexpr float TGRID_C[20] = {-100.f, -80.f, -70.f, -60.f, -50.f, -40.f, -25.f,
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
// Largest start value of K.
constexpr double KSTART_MAX = 1.0e10;
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

// Wilson's estimate of ln K for component i at the current T and P.
double wilson(int i) {
    const Flscom& F = FLSCOM;
    const CatEntry& c = CMPCAT.E[F.ICAT[i]];
    double lk = 5.3 * (1.0 + c.OMEGA) * (1.0 - c.TC / F.T) - std::log(F.P / c.PC);
    return std::max(lk, -27.0);
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
    NEWTWK(n, XP, X, FLASH2, FLSRES, budget);
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
        NEWTWK(n, XP, X, FLASH2, FLSRES, budget);
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
    const double c = VOLSHF ? volume_shift(w) : 0.0;
    PhaseDensity d;
    d.v = V - c;
    d.dh = -F.P * c * PA_PER_ATM;
    d.rho = M / d.v;
    d.drdp_atm = -(d.rho / d.v) / dpdv;
    d.drdt = -(d.rho / d.v) * (-dpdt / dpdv);
    return d;
}

double molar_mass(const double* w) {
    double M = 0.0;
    for (int i = 1; i <= FLSCOM.NC; ++i) M += w[i] * CMPCAT.E[FLSCOM.ICAT[i]].MW;
    return M;
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

    double mu[MXCOMP + 1], cond[MXCOMP + 1];
    // ln K of each pressure at the previous temperature (none before the first).
    double column[20][MXCOMP + 1] = {};
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
            if (i == 1) {
                for (int c = 1; c <= n; ++c) lnk[c] = wilson(c);
            } else {
                for (int c = 1; c <= n; ++c) lnk[c] = next[c];
                if (i >= 4)
                    for (int c = 1; c <= n; ++c) lnk[c] = 2.0 * prev[c] - prev2[c];
                double mean = 0.0;
                for (int c = 1; c <= n; ++c) mean += std::fabs(lnk[c]);
                mean /= n;
                if (std::fabs(rol_prev - rog_prev) > 0.2 * std::fabs(rol_prev) &&
                    mean < WILSON_REDO)
                    for (int c = 1; c <= n; ++c) lnk[c] = wilson(c);
            }
            flash_labelled(lnk);
            // Near the critical region of a rich fluid the start values
            // carried along the pressures can settle on a split that is not
            // the equilibrium; flashes from Wilson's estimate and from the
            // previous temperature's factors compete, and the state of lowest
            // Gibbs energy stands.
            {
                Flscom best = F;
                double g = gibbs_energy();
                double w[MXCOMP + 1];
                for (int c = 1; c <= n; ++c) w[c] = wilson(c);
                for (double* start : {w, j > 1 ? column[i - 1] : nullptr}) {
                    if (!start) continue;
                    try {
                        flash_labelled(start);
                        const double gs = gibbs_energy();
                        if (gs < g - GIBBS_MARGIN) {
                            best = F;
                            g = gs;
                        }
                    } catch (const RunFailure&) {
                    }
                }
                F = best;
            }
            for (int c = 1; c <= n; ++c) column[i - 1][c] = std::log(static_cast<double>(F.K[c]));
            F.L = 1.0 - F.V;

            // per-phase properties
            double Mg = molar_mass(F.Y), Ml = molar_mass(F.X);
            PhaseDensity g = phase_density(F.Y, F.VG, 0);
            double k0, mu0, visg, cong, visl, conl, H, CP;
            MIXCON(F.Y, cond, k0, n);
            MIXVIS(mu, mu0, F.Y, n);
            cong = k0;
            DENCOR(F.Y, mu0, visg, g.rho, cong);
            IGENTH(n, F.Y, F.T, H, CP);
            double hg = 1000.0 * H + (F.HRG + g.dh) / Mg;
            double cpg = 1000.0 * CP + F.DHRGDT / Mg;
            PhaseDensity l = phase_density(F.X, F.VL, 1);
            MIXCON(F.X, cond, k0, n);
            MIXVIS(mu, mu0, F.X, n);
            conl = k0;
            DENCOR(F.X, mu0, visl, l.rho, conl);
            IGENTH(n, F.X, F.T, H, CP);
            double hl = 1000.0 * H + (F.HRL + l.dh) / Ml;
            double cpl = 1000.0 * CP + F.DHRLDT / Ml;
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

            F.VISG = visg;
            F.VISL = visl;
            F.CONG = cong;
            F.CONL = conl;
            F.HG = hg;
            F.HL = hl;
            F.CPG = cpg;
            F.CPL = cpl;
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
                                  visg,
                                  visl,
                                  cpg,
                                  cpl,
                                  hg,
                                  std::min(hl, hg),
                                  cong,
                                  conl,
                                  sigma};
            for (int k = 1; k <= 16; ++k)
                blk.TAB[k - 1][i - 1][j - 1] = static_cast<float>(v[k - 1]);
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
    F.T = T_K;
    F.P = P_atm;
    PRPAR(T_K);
    double lnk[MXCOMP + 1];
    for (int i = 1; i <= nc; ++i) lnk[i] = wilson(i);
    flash_from(lnk);
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
    const CatEntry& c = CMPCAT.E[icat];
    double w[2] = {0.0, 1.0};
    // Successive substitution on P from the Wilson estimate.
    double p = c.PC * std::exp(5.373 * (1.0 + c.OMEGA) * (1.0 - c.TC / T_K));
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
