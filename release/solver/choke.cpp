// Choke model: opening, loss coefficient and critical (choked) flow of every
// row of the flow-restriction table.
//
// CHOARE serves the branch-end chokes: opening from their opening table in
// time, then the effective opening and the loss coefficient
//     K = 1/2 (A_ref / (Cd A_open))^2 - 1/2
// (an orifice in line: the throat head less the head recovered downstream).
//
// CHOFLO serves the leaks. The opening follows the leak's controller; the
// loss coefficient refers the throat head to the pipe velocity,
//     K = 1/2 (A_pipe / (Cd A_open))^2,  so  G_pipe = sqrt(rho dP / K)
// gives the orifice flow Cd A_open sqrt(2 rho dP) (a side hole recovers no
// head). The critical mass flux through the opening comes from a homogeneous
// frozen two-phase nozzle: the gas expands polytropically, p v^n = const,
// the liquid is incompressible at first order, and the throat ratio
// y = p_t / p0 solves the condition that the flux is at its maximum,
//     y = (((1 - x) (rho_g/rho_l) (1 - y) + x e) / (x e + B))^e,
//     e = n/(n - 1), B = (v_mt^2 - s^2) / D,
// with v_mt the throat mixture volume, s the approach term and D the
// derivative of the mixture volume by the pressure at the throat. For a dry
// ideal gas (x = 1, s -> 0) B = n/2 and y = (2/(n + 1))^(n/(n-1)). The
// critical flux is then G_c = sqrt(2 p0 W / (v_mt^2 - s^2)) with the
// expansion work W = (1 - x) v_l (1 - y) + x v_g e (1 - y^((n-1)/n)).
// A mixture with next to no gas, or a back pressure above the largest ratio
// the model gives, does not choke: the liquid limit holds and the leak flows
// at its orifice flux. With the step solved, the throat state of the actual
// flow is found from the same energy balance with the flow known (mode 2).
//
// CHOKCO serves rows of the wellhead correlation, which the set-up never makes.
#include <algorithm>
#include <cmath>
#include <string>

#include "rt/fortio.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/devices.h"

namespace rel {

int32_t choke_iteration_limit = 100;

namespace {

constexpr float SHUT = static_cast<float>(RELEASE_SMALLEST_OPENING);  // m2: a smaller one is shut
constexpr float K_SHUT = 1.0e6f;    // loss coefficient of a shut device
constexpr double NO_LIMIT = 1.0e9;  // kg/(m2 s): a liquid without compressibility does not choke
// Gas volume fraction below which a mixture flows as its liquid: the nozzle
// then chokes, if at all, below 3 % of the upstream pressure, at a flux
// within 3 % of the liquid orifice flux to zero back pressure, and the
// critical-ratio iteration has no well-posed root to find.
constexpr double GAS_NONE = 1.0e-3;
// The largest critical ratio the nozzle model gives: a back pressure above it
// keeps the flow subcritical whatever the fluid.
constexpr double Y_MAX = 0.99;

void clear_critical(int j) {
    EQUIPM.CHOGC(j) = 0.0f;
    EQUIPM.CHOWC(j) = 0.0f;
    EQUIPM.CHODWC(j) = 0.0f;
    EQUIPM.CHLIM(j) = 0.0f;
    EQUIPM.CHODG(j) = 0.0f;
    EQUIPM.UCHOKE(j) = 0.0f;
    EQUIPM.WCHOKE(j) = 0.0f;
}

// Nothing flows out: the section is not above the back pressure, or it holds
// no fluid to flow.
void no_outflow(int j, float P0, float T0) {
    EQUIPM.CHOY(j) = 1.0f;
    EQUIPM.CHOPC(j) = P0;
    clear_critical(j);
    EQUIPM.ICHMRK(j) = 0;
    EQUIPM.PCHOKE(j) = P0;
    EQUIPM.TCHOKE(j) = T0;
}

void shut(int j, float P0, float T0) {
    EQUIPM.PCHOKE(j) = P0;
    EQUIPM.CHOPC(j) = 0.6f * P0;
    EQUIPM.TCHOKE(j) = T0;
    EQUIPM.CHOPEN(j) = 0.0f;
    EQUIPM.CHOCDA(j) = 0.0f;
    clear_critical(j);
    EQUIPM.ICHMRK(j) = 1;
    EQUIPM.CHOY(j) = 0.6f;
}

// Donor-section quantities of a device.
struct Donor {
    double P0, T0;    // Pa, deg C
    double x, xp;     // in-situ gas mass fraction, and it capped at 1
    double rhom;      // mixture mass per pipe volume, kg/m3
    double vG, vL;    // phase specific volumes, m3/kg
    double a, b, vm;  // liquid and gas parts of the mixture volume, and their sum
};

// Two-phase critical flow of row j. Returns false (IERR set) on no convergence.
bool two_phase_critical(int j, int s, const Donor& d, double CdA, double Apipe, double& Gc,
                        double& f, int32_t& IERR, char* MSG, int32_t LMSG) {
    const double ROG = SECVAR.ROG(s), ROL = SECVAR.ROL(s);
    const double xp = d.xp, a = d.a, vG = d.vG, vL = d.vL, P0 = d.P0;

    double n = ROG / (P0 * (SECVAR.DRGP(s) -
                            (d.T0 + 273.16) * std::pow(SECVAR.DRGT(s) / ROG, 2) / SECVAR.CPG(s)));
    if (!std::isfinite(n) || n < 0.0)
        n = 1.6;
    else
        n = std::clamp(n, 1.05, 1.6);
    EQUIPM.CHOPN(j) = static_cast<float>(n);
    const double CPG = SECVAR.CPG(s), CPL = SECVAR.CPL(s);
    double km = (CPL * (1.0 - xp) + CPG * xp) / (CPG * xp / n + CPL * (1.0 - xp));
    if (!std::isfinite(km) || km <= 0.0) km = n;  // no heat capacities: the gas alone
    EQUIPM.CHOKM(j) = static_cast<float>(km);
    const double e = n / std::max(n - 1.0, 0.01);
    const double sa = d.vm * CdA / Apipe;  // approach term

    double y = EQUIPM.CHOY(j);
    if (y == 0.0) y = std::pow(2.0 / (1.0 + n), e);
    y = std::min(y, 0.99);

    double vmt = 0.0, den = 0.0;  // throat mixture volume and vmt^2 - s^2 of the last pass
    double y_prev = 0.0, r_prev = 0.0;
    for (int k = 1;; ++k) {
        const double vt = vG * std::pow(1.0 / y, 1.0 / n);
        vmt = xp * vt + a;
        const double P2 = y * P0;
        const double D = 2.0 * vt * (xp * vt / km + SECVAR.DRLP(s) * vL * vL * (1.0 - xp) * P2);
        den = vmt * vmt - sa * sa;
        const double B = den / D;
        const double y_new =
            std::pow(((1.0 - xp) * (ROG / ROL) * (1.0 - y) + xp * e) / (xp * e + B), e);
        const double r = y - y_new;
        if (std::fabs(r) < 0.001) break;
        double dy;
        if (k == 1) {
            dy = std::clamp(-0.4 * r, -0.1, 0.1);
        } else {
            double dd = y - y_prev;
            if (std::fabs(dd) < 1.0e-6) {
                y += 1.0e-6;
                dd = y - y_prev;
            }
            double slope = (r - r_prev) / dd;
            if (std::fabs(slope) < 1.0e-6) slope = 1.0e-6;
            dy = std::clamp(-r / slope, -0.05, 0.05);
        }
        y_prev = y;
        y = std::min(y + dy, 0.99);
        if (y * P0 < 100.0) y = 100.0 / P0;
        r_prev = r;
        const double change = std::fabs(y - y_prev);
        if (change < 1.0e-4 && k >= 3) break;
        if (change >= 1.0e-4 && k > choke_iteration_limit) {
            refuse(IERR, MSG, LMSG, "No convergence on critical pressure ratio");
            return false;
        }
    }

    const double m = (n - 1.0) / n;
    EQUIPM.CHOY(j) = static_cast<float>(y);
    EQUIPM.CHOPC(j) = static_cast<float>(y * P0);
    EQUIPM.CHOTC(j) = static_cast<float>((d.T0 + 273.15) * std::pow(y, m) - 273.15);
    const double W = (1.0 - xp) * vL * (1.0 - y) + xp * vG * e * (1.0 - std::pow(y, m));
    den = std::max(den, 1.0e-30);
    Gc = std::sqrt(2.0 * P0 * W / den);
    EQUIPM.CHOUC(j) = static_cast<float>(vmt * Gc);
    f = Gc > 0.0 ? W / (den * Gc) : 0.0;
    EQUIPM.CHOF(j) = static_cast<float>(f);
    return true;
}

// Liquid critical flow: the flux at the liquid's sound speed.
void liquid_critical(int j, int s, const Donor& d, double& Gc, double& f) {
    const double ROL = SECVAR.ROL(s), DRLP = SECVAR.DRLP(s);
    f = 0.0;
    double y;
    if (DRLP > 0.0) {
        const double cL = 1.0 / std::sqrt(DRLP);
        EQUIPM.CHOUC(j) = static_cast<float>(cL);
        Gc = ROL * cL;
        y = std::max(d.P0 - ROL * cL * cL / 2.0, 0.0) / d.P0;
    } else {
        Gc = NO_LIMIT;
        EQUIPM.CHOUC(j) = static_cast<float>(Gc / ROL);
        y = 0.0;
    }
    EQUIPM.CHOY(j) = static_cast<float>(y);
    // The critical state belongs to this liquid, not to an earlier (shut or
    // two-phase) evaluation: the reported throat pressure is bounded by it.
    EQUIPM.CHOPC(j) = static_cast<float>(y * d.P0);
    EQUIPM.CHOTC(j) = static_cast<float>(d.T0);
    EQUIPM.CHOF(j) = 0.0f;
}

// Throat state of the solved flow GTLEAK through row j (mode 2).
bool throat_state(int j, int s, const Donor& d, double CdA, double Apipe, double Wflow,
                  int32_t& IERR, char* MSG, int32_t LMSG) {
    double Wabs = std::fabs(Wflow);
    double G = Wabs / CdA;
    const bool choked = G > EQUIPM.CHOGC(j);
    if (choked) {
        G = EQUIPM.CHOGC(j);
        Wabs = EQUIPM.CHOWC(j);
    }
    const double R = Apipe / CdA;
    const double P0 = d.P0, T0 = d.T0;
    const double Pc = EQUIPM.CHOPC(j);
    double P2, vt, T2;
    if (d.x <= 0.0 || EQUIPM.CHOXG(j) <= 0.0) {
        const double ROL = SECVAR.ROL(s);
        P2 = P0 - G * G / (2.0 * ROL);
        vt = 1.0 / ROL;
        T2 = T0;
    } else {
        const double xp = d.xp, a = d.a, vG = d.vG, vm = d.vm;
        double q = std::pow(Wabs / Apipe, 2) / (2.0 * P0);
        const double n = std::max<double>(EQUIPM.CHOPN(j), 1.05);
        EQUIPM.CHOPN(j) = static_cast<float>(n);
        const double e = n / std::max(n - 1.0, 0.01);
        const double m = (n - 1.0) / n;
        const double S = R * R * vm;
        const double yc = EQUIPM.CHOY(j);
        double y1 = 1.0 - S * q;
        if (y1 < yc) {
            q = (1.0 - yc) / S;
            y1 = yc;
        }
        P2 = y1 * P0;
        double u = y1, P2_prev = 0.0, F_prev = 0.0;
        // At the critical flux the energy balance has a double root at the
        // critical ratio, which the secant approaches too slowly to meet its
        // tolerance there: a choked throat is at the critical state.
        if (choked) {
            P2 = Pc;
            u = yc;
        }
        for (int k = 1; !choked; ++k) {
            u = P2 / P0;
            const double F = (1.0 - u) * a + (1.0 - std::pow(u, m)) * xp * vG * e -
                             (std::pow(R * (xp * vG * std::pow(u, -1.0 / n) + a), 2) - vm * vm) * q;
            if (std::fabs(F) < 1.0e-5) break;
            double dP;
            if (k == 1) {
                dP = 0.001 * P2;
            } else {
                double dF = F - F_prev;
                if (std::fabs(dF) < 1.0e-6) dF = std::copysign(1.0e-6, dF);
                dP = -(P2 - P2_prev) * F / dF;
            }
            P2_prev = P2;
            P2 += dP;
            if (P2 < 1.0e-20) P2 = 0.5 * Pc;
            if (P2 < Pc && k > 3) {
                P2 = Pc;
                u = yc;
                break;
            }
            F_prev = F;
            if (k > choke_iteration_limit) {
                refuse(IERR, MSG, LMSG, "NO CONVERGENCE ON PRESSURE RATIO FOR CHOKE");
                return false;
            }
        }
        T2 = (T0 + 273.15) * std::pow(u, m) - 273.15;
        vt = a + xp * vG * std::pow(u, -1.0 / n);
    }
    G = std::copysign(G, Wflow);
    EQUIPM.WCHOKE(j) = static_cast<float>(G);
    EQUIPM.PCHOKE(j) = static_cast<float>(std::max(P2, Pc));
    EQUIPM.TCHOKE(j) = static_cast<float>(std::max<double>(T2, EQUIPM.CHOTC(j)));
    double U = vt * G;
    const double Uc = EQUIPM.CHOUC(j);
    if (std::fabs(U) > Uc) U = std::copysign(Uc, U);
    EQUIPM.UCHOKE(j) = static_cast<float>(U);
    return true;
}

int rows() { return std::clamp<int32_t>(EQUIPM.NCHOKE, 0, MXDEV); }

}  // namespace

void CHOARE(int32_t& IERR, char* MSG, int32_t LMSG) {
    const double t = RUNCTL.TIME + RUNCTL.HT;
    const int nchk = std::min({EQUIPM.NCHKL, static_cast<int32_t>(MXCHK), rows()});
    for (int j = 1; j <= nchk; ++j) {
        if (!is_true(EQUIPM.CHOFLG(j))) continue;
        double open;
        if (EQUIPM.ICHCTR(j) >= 0) {
            open = std::clamp(ctr_output(EQUIPM.ICHCTR(j)), 0.0f, 1.0f);
        } else {
            const int n = std::min<int32_t>(EQUIPM.NCHOT(j), MXCHKT);
            int k = 0;
            for (int i = 1; i <= n - 1; ++i) {
                if (EQUIPM.TCHOT(i, j) <= t && t < EQUIPM.TCHOT(i + 1, j)) {
                    k = i;
                    break;
                }
            }
            if (k == 0) {
                rt::write_line(IOUNIT.IULOG, " TIME OUTSIDE RANGE OF TIME POINT ARRAY FOR CHOKE");
                rt::write_line(IOUNIT.IULOG, " FLOW AREA, CHOKE NO." + rt::fI(j, 4));
                refuse(IERR, MSG, LMSG,
                       "TIME OUTSIDE RANGE OF TIME POINT ARRAY FOR CHOKE FLOW AREA, CHOKE NO. " +
                           std::to_string(j));
                return;
            }
            const double T1 = EQUIPM.TCHOT(k, j), T2 = EQUIPM.TCHOT(k + 1, j);
            const double O1 = EQUIPM.OCHOT(k, j), O2 = EQUIPM.OCHOT(k + 1, j);
            open = O1 + (O2 - O1) * (t - T1) / (T2 - T1);
        }
        const float cur = static_cast<float>(open * EQUIPM.CHOAR(j));
        float prev = EQUIPM.CHOACU(j);
        if (is_true(EQUIPM.ICHFST(j))) {
            prev = cur;
            EQUIPM.ICHFST(j) = FALSE_;
        }
        EQUIPM.CHOAPR(j) = prev;
        EQUIPM.CHOACU(j) = cur;

        const int cell = std::clamp<int32_t>(EQUIPM.ICHSEC(j), 0, MXB);
        const double Aref = PIPGEO.AREA(cell);
        const double Cd = EQUIPM.CHOCD(j);
        double open_area;
        if (cur < SHUT)
            open_area = 0.0;
        else if (prev < SHUT)
            open_area = cur;
        else
            open_area = std::min(std::sqrt(static_cast<double>(prev) * cur), Aref);
        const double CdA = Cd * open_area;
        EQUIPM.CHOPEN(j) = static_cast<float>(open_area);
        EQUIPM.CHOCDA(j) = static_cast<float>(CdA);
        EQUIPM.CHOKL(j) = CdA > 0.0 && open_area >= SHUT
                              ? static_cast<float>(0.5 * std::pow(Aref / CdA, 2) - 0.5)
                              : K_SHUT;
    }
}

void CHOFLO(int32_t& IERR, char* MSG, int32_t LMSG) {
    const int nleak = std::clamp<int32_t>(EQUIPM.NLEAK, 0, MXLEK);
    for (int k = 1; k <= nleak; ++k) {
        const int j = EQUIPM.NCHKL + EQUIPM.NVSRC + k;
        if (j < 1 || j > rows()) break;
        if (is_true(EQUIPM.CHOFLG(j)) || is_true(EQUIPM.ICHCOR(j))) continue;
        const int s = EQUIPM.ICHSEC(j) > 0 ? EQUIPM.ICHSEC(j) : EQUIPM.ILKSEC(k);
        if (s < 1 || s > MXSEC) {
            refuse(IERR, MSG, LMSG, "LEAK NO. " + std::to_string(k) + " HAS NO SECTION");
            return;
        }
        const double Apipe = PIPGEO.AREA(s);

        // Opening: the root of the current and the previous output of the
        // leak's controller, so that the area of one step is the mean of its ends.
        const int32_t N = EQUIPM.ILKCTR(k);
        const double frac = std::sqrt(std::max(0.0, double(ctr_output(N)) * CTRSIG(N)));
        double open = std::min(frac * EQUIPM.CHOAR(j), 0.99 * Apipe);
        if (!(open > 0.0)) open = 0.0;
        const double CdA = EQUIPM.CHOCD(j) * open;
        EQUIPM.CHOPEN(j) = static_cast<float>(open);
        EQUIPM.CHOCDA(j) = static_cast<float>(CdA);
        EQUIPM.CHOKL(j) = open < SHUT || !(CdA > 0.0)
                              ? K_SHUT
                              : static_cast<float>(0.5 * std::pow(Apipe / CdA, 2));

        // Back pressure.
        const int np = std::min<int32_t>(EQUIPM.NLKPB(k), 10);
        const double t = RUNCTL.TIME;
        if (np < 1 || t < EQUIPM.TLKPB(1, k) || t > EQUIPM.TLKPB(np, k)) {
            refuse(IERR, MSG, LMSG,
                   "TIME OUTSIDE RANGE OF BACK PRESSURE TABLE FOR LEAK NO. " + std::to_string(k));
            return;
        }
        const float PB = time_interp(&EQUIPM.TLKPB(1, k), &EQUIPM.PLKPB(1, k), np, t);
        LEKRES.PTLEAK(k) = PB;

        Donor d{};
        d.P0 = SECVAR.PT(s);
        d.T0 = SECVAR.TM(s);
        const float P0 = SECVAR.PT(s), T0 = SECVAR.TM(s);
        if (d.P0 - PB < RELEASE_LEAK_DEAD_BAND || d.P0 <= 0.0) {
            no_outflow(j, P0, T0);
            continue;
        }
        if (open < SHUT || !(CdA > 0.0)) {
            shut(j, P0, T0);
            continue;
        }
        const double mass = double(SECVAR.ML(s)) + SECVAR.MD(s) + SECVAR.MG(s);
        const double ROG = SECVAR.ROG(s), ROL = SECVAR.ROL(s);
        if (!(mass > 0.0) || !(ROG > 0.0) || !(ROL > 0.0) || !(Apipe > 0.0)) {
            no_outflow(j, P0, T0);
            continue;
        }
        d.x = SECVAR.MG(s) / mass;
        d.xp = std::min(d.x, 1.0);
        d.rhom = mass;
        d.vG = 1.0 / ROG;
        d.vL = 1.0 / ROL;
        d.a = (1.0 - d.xp) * d.vL;
        d.b = d.xp * d.vG;
        d.vm = d.a + d.b;

        // Next to no gas, or a back pressure the throat of any mixture stays
        // above: the flow is the liquid orifice flow, without an iteration.
        const bool liquid = d.b < GAS_NONE * d.vm;
        const bool subcritical = PB > Y_MAX * d.P0;

        const int32_t mode = EQUIPM.ICHMOD(j);
        if (mode == 2) {
            if (!throat_state(j, s, d, CdA, Apipe, LEKRES.GTLEAK(k), IERR, MSG, LMSG)) return;
        } else if (mode == 0) {
            double Gc = 0.0, f = 0.0;
            if (d.x > 0.0 && !liquid && !subcritical) {
                if (!two_phase_critical(j, s, d, CdA, Apipe, Gc, f, IERR, MSG, LMSG)) return;
            } else {
                liquid_critical(j, s, d, Gc, f);
            }
            EQUIPM.ICHMOD(j) = 1;
            EQUIPM.CHOGC(j) = static_cast<float>(Gc);
            const double Wc = CdA * Gc;
            EQUIPM.CHOWC(j) = static_cast<float>(Wc);
            EQUIPM.CHODWC(j) = static_cast<float>(CdA * f);
            EQUIPM.CHOXG(j) = liquid ? 0.0f : static_cast<float>(d.x);
            EQUIPM.CHLIM(j) = static_cast<float>(Wc / (d.rhom * Apipe));
            EQUIPM.CHODG(j) = static_cast<float>(CdA * f / (d.rhom * Apipe));
        }
        // Mode 1: the critical values of this step are already set.
    }
}

void CHOKCO() {
    // The wellhead correlation serves rows whose correlation bit is set; the
    // set-up refuses the leak kinds that would set it, so no row has it and
    // there is nothing to evaluate.
}

}  // namespace rel
