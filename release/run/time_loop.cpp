// The run schedule and the time loop: a warm-up with the leak closed, the
// leak opening at TLEAK, and the release until it has ended, the user's end
// time or 30 days after the leak opened.
#include "run/time_loop.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "release/release.h"
#include "rt/fortio.h"
#include "run/constants.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/devices.h"

namespace rel {

namespace {
// Leak rate below which the release-end test finds the release ended, kg/s.
constexpr double LEAK_END_RATE = 0.1;

void library_tadvdt(int32_t ICUT) {
    auto& R = RUNCTL;
    TADVDT(R.DPRGRO, SECVAR.DPRMAX, R.HT, R.HTMAX, R.HTMIN, R.HTSAF, R.TIME, ICUT, R.HTOLD);
}

LoopSteps& table() {
    static LoopSteps steps = library_loop_steps();
    return steps;
}

// A state value that is not finite ends the run before it reaches a file.
bool state_is_finite(int32_t& where) {
    auto& V = SECVAR;
    for (int32_t i = 1; i <= PIPGEO.NSEC; ++i) {
        const float v =
            V.PT(i) + V.TM(i) + V.MG(i) + V.ML(i) + V.MD(i) + V.UG(i) + V.UL(i) + V.UD(i);
        if (!std::isfinite(v)) {
            where = i;
            return false;
        }
    }
    return std::isfinite(LEKRES.LEAKFLOW) && std::isfinite(static_cast<float>(LEKRES.ACMASS(1)));
}

// A leak that has not flowed this long after opening, held shut by its back
// pressure, never will: the run ends there.
constexpr double MIN_RELEASE = 600.0;

// Watches the leak from its opening: whether it ever carried flow, and
// whether the back pressure outside it stayed at or above the pipeline
// pressure at the leak all the time.
struct LeakWatch {
    bool flowed = false;
    bool held_shut = true;
    void step(double time) {
        if (EQUIPM.NLEAK < 1) return;
        if (LEKRES.LEAKFLOW != 0.0f) flowed = true;
        if (time < TLEAK) return;
        const int32_t s = EQUIPM.ILKSEC(1);
        if (s < 1 || s > PIPGEO.NSEC || SECVAR.PT(s) > LEKRES.PTLEAK(1) + LEAK_DEAD_BAND)
            held_shut = false;
    }
    bool never_opens(double time) const {
        return EQUIPM.NLEAK >= 1 && !flowed && held_shut && time >= TLEAK + MIN_RELEASE;
    }
};

// The end message of a run that ends while the pipeline still leaks: at the
// user's end time, or at the 30-day limit when the user gave none.
const char* still_leaking_text() {
    return RUNCTL.TPEND(4) >= MAXEND
               ? "SIMULATION REACHED MAX TIME (30 DAYS) BUT PIPELINE IS STILL LEAKING!"
               : "SIMULATION REACHED USER SPECIFIED END TIME BUT PIPELINE IS STILL LEAKING!";
}

// The time the release ended, once the end test has found it ended: the end
// of the last step at which the leak carried the test's rate (the test itself
// looks only at growing intervals, the first time 300 s after the opening).
// A leak that never carried that rate keeps the time the test found.
float release_end() {
    const Lekres& L = LEKRES;
    return L.TFLOW > TLEAK ? static_cast<float>(L.TFLOW - TLEAK) : L.time;
}

std::string clock_text(double t) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.3f", t - TLEAK);
    return buf;
}
}  // namespace

const char* const LEAK_SHUT_TEXT =
    "THE LEAK DOES NOT FLOW: THE BACK PRESSURE OUTSIDE IT IS NOT BELOW THE PIPELINE PRESSURE AT "
    "THE LEAK. NOTHING IS RELEASED.";

DischargeSummary summary_words() {
    const Lekres& L = LEKRES;
    DischargeSummary s;
    s.time = L.time;
    s.peak_total_mass = L.PKTOT(1);
    s.peak_oil_out = L.PKOIL(1);
    s.peak_gas_out = L.PKGAS(1);
    s.peak_oil_out_std = L.PKOSTD(1);
    s.peak_gas_out_std = L.PKGSTD(1);
    s.total_mass = static_cast<float>(L.ACMASS(1));
    s.oil_out = static_cast<float>(L.ACOIL(1));
    s.gas_out = static_cast<float>(L.ACGAS(1));
    s.oil_out_std = static_cast<float>(L.ACOSTD(1));
    s.gas_out_std = static_cast<float>(L.ACGSTD(1));
    return s;
}

SummaryFault summary_fault(const DischargeSummary& s, bool non_negative) {
    using D = DischargeSummary;
    static const struct {
        float D::*word;
        const char* name;
    } WORDS[11] = {{&D::time, "time"},
                   {&D::peak_total_mass, "peak_total_mass"},
                   {&D::peak_oil_out, "peak_oil_out"},
                   {&D::peak_gas_out, "peak_gas_out"},
                   {&D::peak_oil_out_std, "peak_oil_out_std"},
                   {&D::peak_gas_out_std, "peak_gas_out_std"},
                   {&D::total_mass, "total_mass"},
                   {&D::oil_out, "oil_out"},
                   {&D::gas_out, "gas_out"},
                   {&D::oil_out_std, "oil_out_std"},
                   {&D::gas_out_std, "gas_out_std"}};
    for (const auto& w : WORDS) {
        const float v = s.*w.word;
        if (!std::isfinite(v) || (non_negative && v < 0.0f)) return {w.name, v};
    }
    return {};
}

LoopSteps library_loop_steps() {
    return LoopSteps{TIMPL, LEKFLO, PRPUPD, MASS, library_tadvdt, PLTTRD, CALCBK};
}
LoopSteps& loop_steps() { return table(); }

void ENDTCHK(float TUSER, int32_t& IERR, char* MSG, int32_t LMSG) {
    auto& R = RUNCTL;
    static const float beg[4] = {0.0f, 1000.0f, 11369.0f, 11500.0f};
    static const float end[3] = {1000.0f, 11369.0f, 11500.0f};
    static const float hmin[4] = {0.001f, 0.01f, 0.001f, 0.001f};
    static const float hmax[4] = {0.5f, 2.0f, 0.5f, 2.0f};
    R.IO = 4;
    for (int32_t k = 1; k <= 4; ++k) {
        R.TPBEG(k) = beg[k - 1];
        R.HMINP(k) = hmin[k - 1];
        R.HMAXP(k) = hmax[k - 1];
        if (k < 4) R.TPEND(k) = end[k - 1];
    }
    if (TUSER > 0.0f && TUSER < static_cast<float>(RELEASE_MIN_END_TIME)) {
        refuse(IERR, MSG, LMSG, "USER GIVEN END TIME CANNOT BE LESS THAN 10 MIN!");
        return;
    }
    if (TUSER > 0.0f) {
        R.TUSER = TUSER + static_cast<float>(TLEAK);
        R.TPEND(4) = R.TUSER;
    } else {
        R.TUSER = 0.0f;
        R.TPEND(4) = MAXEND;
    }
    R.TIME = 0.0;
    R.HT = 0.01;
    R.HTMIN = 0.001f;
    R.HTMAX = 0.5f;
}

// Release-end test: the release has ended when the released mass grew by
// less than 1 % since the last check and the leak carries less than 0.1 kg/s.
void ENDTST() {
    auto& R = RUNCTL;
    auto& L = LEKRES;
    const double m = L.ACMASS(1);
    const double q = L.LEAKFLOW;
    if (R.MCHECK > 0) {
        const double mc = static_cast<double>(R.MCHECK);
        if ((m - mc) / mc < 0.01 && std::fabs(q) < LEAK_END_RATE) {
            if (L.time < 1.0f) L.time = static_cast<float>(R.TIME - TLEAK);
        } else {
            L.time = 0.0f;
        }
    }
    if (R.TUSER > R.TIME && L.time > 0.0f && m - static_cast<double>(R.MCHECK) > 1.0) L.time = 0.0f;
    if (m < 0.01) L.time = 0.0f;
    L.TCHECK = static_cast<float>(R.TIME);
    const double whole = std::trunc(m);
    R.MCHECK =
        std::isfinite(whole) && whole < 9.0e18 && whole > -9.0e18 ? static_cast<int64_t>(whole) : 0;
}

namespace {
// Isothermal compressibility of the water in the liquid, 1/Pa (sea water
// near 10 C); the property tables hold the water at a fixed density.
constexpr double WATER_COMPRESSIBILITY = 4.5e-10;
constexpr double WATER_DENSITY = RHO_WATER;
constexpr double LEAK_CD = 0.84;  // the leak's discharge coefficient
// Excess mass of a line that has none, kg: the simple method then lets the
// hole pass on what the inlets deliver at once.
constexpr double SMALLEST_EXCESS = 1.0e-6;

// What the inlet sources deliver at time t, kg/s.
double inlet_rate(double t) {
    const auto& E = EQUIPM;
    double q = 0.0;
    for (int32_t k = 1; k <= std::min<int32_t>(E.NSOUR, MXSRC); ++k) {
        const int32_t n = std::min<int32_t>(E.NTSOUR(k), MXSRCT), c = E.ISOUR(k);
        if (c < 1 || c > PIPGEO.NSEC || n < 1) continue;
        const double f = double(time_interp(&E.TSOUR(1, k), &E.GSOUR(1, k), n, t)) +
                         time_interp(&E.TSOUR(1, k), &E.LSOUR(1, k), n, t);
        q += std::max(0.0, f) * PIPGEO.SECAREA(c);
    }
    return q;
}

// Whether the outlet is open at time t: more than half open (so that a
// closing ramp counts by its mean). A network without an outlet device
// counts as shut.
bool outlet_open(double t) {
    const auto& E = EQUIPM;
    for (int32_t c = 1; c <= std::min<int32_t>(E.NCHKL, MXCHK); ++c) {
        const int32_t n = std::min<int32_t>(E.NCHOT(c), MXCHKT);
        if (n >= 1 && time_interp(&E.TCHOT(1, c), &E.OCHOT(1, c), n, t) >= 0.5f) return true;
    }
    return false;
}

// The hole of the simple method on a lumped line: the line's excess mass E
// (what it holds above what stays at the outside pressure) sets the pressure
// above the outside, E / k, where k is the line's capacity (the excess at the
// opening over its pressure difference then). The hole's rate follows the
// orifice law, a sqrt(E), limited by the liquid's critical flux W2.
struct LumpedHole {
    double a = 0.0;   // kg/s per sqrt(kg)
    double W2 = 0.0;  // kg/s
    double rate(double E) const { return std::min(a * std::sqrt(std::max(E, 0.0)), W2); }
};

// The excess after dt at a constant inflow q through the orifice law alone,
// dE/dt = q - a sqrt(E). With s = sqrt(E) the time to go from s0 to s is
// (2/a)(s0 - s) + (2q/a^2) ln((q - a s0)/(q - a s)); s follows by bisection
// between s0 and where it settles, q/a.
double orifice_excess(double E, double q, double dt, double a) {
    const double s0 = std::sqrt(std::max(E, 0.0)), se = q / a;
    auto time_to = [&](double s) {
        double t = 2.0 / a * (s0 - s);
        if (q > 0.0) t += 2.0 * q / (a * a) * std::log((q - a * s0) / (q - a * s));
        return t;
    };
    if (s0 == se) return E;
    if (q <= 0.0 && time_to(0.0) <= dt) return 0.0;
    double lo = s0, hi = se;  // time_to(lo) <= dt < time_to(hi)
    for (int k = 0; k < 100; ++k) {
        const double mid = 0.5 * (lo + hi);
        if (mid == lo || mid == hi) break;
        (time_to(mid) <= dt ? lo : hi) = mid;
    }
    return lo * lo;
}

// One interval dt of constant inflow q: the excess moves by the inflow less
// what the hole takes; an open outlet lets the line rise no higher than it
// stood at the opening (Emax) and takes the rest, but lets nothing back in.
// Returns the mass the hole released and leaves the new excess in E.
double lumped_step(const LumpedHole& h, double& E, double q, double dt, double Emax) {
    double released = 0.0, left = dt;
    E = std::min(E, Emax);
    // Above the critical flux the hole takes W2 whatever the pressure.
    const double Ecrit = (h.W2 / h.a) * (h.W2 / h.a);
    if (E > Ecrit && q < h.W2) {
        const double t = std::min(left, (E - Ecrit) / (h.W2 - q));
        released += h.W2 * t;
        E -= (h.W2 - q) * t;
        left -= t;
    } else if (E >= Ecrit) {
        E = std::min(E + (q - h.W2) * left, Emax);
        return h.W2 * left;
    }
    if (!(left > 0.0)) return released;
    double Enew = orifice_excess(E, q, left, h.a);
    if (Enew > Emax) {
        // The line reaches the outlet's level and holds it: the hole takes
        // its rate there for the rest of the interval.
        const double s0 = std::sqrt(std::max(E, 0.0)), s = std::sqrt(Emax);
        double t = 2.0 / h.a * (s0 - s);
        if (q > 0.0 && q > h.a * s)
            t += 2.0 * q / (h.a * h.a) * std::log((q - h.a * s0) / (q - h.a * s));
        t = std::clamp(t, 0.0, left);
        released += q * t - (Emax - E) + h.rate(Emax) * (left - t);
        E = Emax;
        return released;
    }
    released += q * left - (Enew - E);
    E = Enew;
    return released;
}

// The release of the simple method from the leak's opening to the end of the
// run, with the line's excess E0 at the opening.
struct SimpleRelease {
    double mass = 0.0;
    double peak = 0.0;
    double end = TLEAK;    // last time the hole took at least the end test's rate
    bool leaking = false;  // still at the end of the run
};
SimpleRelease simple_release(const LumpedHole& h, double E0) {
    const auto& E = EQUIPM;
    const double t0 = TLEAK, t1 = RUNCTL.TPEND(4);
    std::vector<double> at{t0, t1};
    auto add = [&](const float* tt, int32_t n) {
        for (int32_t j = 0; j < n; ++j)
            if (tt[j] > t0 && tt[j] < t1) at.push_back(tt[j]);
    };
    for (int32_t k = 1; k <= std::min<int32_t>(E.NSOUR, MXSRC); ++k)
        add(&E.TSOUR(1, k), std::min<int32_t>(E.NTSOUR(k), MXSRCT));
    for (int32_t c = 1; c <= std::min<int32_t>(E.NCHKL, MXCHK); ++c)
        add(&E.TCHOT(1, c), std::min<int32_t>(E.NCHOT(c), MXCHKT));
    std::sort(at.begin(), at.end());

    // Between the tables' points the inflow is linear: it is taken at the
    // midpoint of each of 64 parts of an interval, and each part again in
    // steps no longer than the line's response time, so that a rising
    // excess follows the inflow.
    constexpr int PARTS = 64;
    SimpleRelease r;
    if (!(h.a > 0.0) || !(h.W2 > 0.0)) return r;
    double excess = std::max(0.0, E0);
    r.peak = h.rate(excess);
    for (size_t j = 1; j < at.size(); ++j) {
        const double dt = (at[j] - at[j - 1]) / PARTS;
        if (!(dt > 0.0)) continue;
        for (int k = 0; k < PARTS; ++k) {
            const double u = at[j - 1] + k * dt, q = inlet_rate(u + 0.5 * dt);
            const double cap = outlet_open(u + 0.5 * dt) ? std::max(E0, 0.0)
                                                         : std::numeric_limits<double>::infinity();
            const double from = excess, before = h.rate(excess);
            r.mass += lumped_step(h, excess, q, dt, cap);
            const double after = h.rate(excess);
            r.peak = std::max(r.peak, after);
            if (after >= LEAK_END_RATE) {
                r.end = u + dt;
            } else if (before >= LEAK_END_RATE) {
                // The rate fell through the end test's rate within the part.
                double lo = 0.0, hi = dt;
                for (int n = 0; n < 60; ++n) {
                    const double mid = 0.5 * (lo + hi);
                    double e = from;
                    lumped_step(h, e, q, mid, cap);
                    (h.rate(e) >= LEAK_END_RATE ? lo : hi) = mid;
                }
                r.end = u + lo;
            }
        }
    }
    r.leaking = r.end >= t1;
    return r;
}
}  // namespace

// The simple method for fluids without gas, from the state at the leak's
// opening. The hole starts at its rate as the leak flow computes it fully
// open; from then on its rate follows the line's pressure, which the inlets,
// the outlet and the hole leave (a lumped balance of the line's excess, the
// liquid it holds above what stays in it at the outside pressure, with the
// water's compressibility). What the outlet takes is not released. The peak is the
// largest rate of that history, or the larger rate the leak already had
// while opening. The release never goes past the run's end, where the
// pipeline then still leaks.
void ZEROGOR(char* MSG, int32_t LMSG) {
    auto& V = SECVAR;
    auto& G = PIPGEO;
    auto& N = NETDSC;
    auto& E = EQUIPM;
    auto& L = LEKRES;
    auto& C = PVTCOM;

    const int32_t c = E.NLEAK >= 1 ? E.ILKSEC(1) : 0;
    const double pb = E.NLEAK >= 1 ? E.PLKPB(1, 1) : 0.0;
    // The liquid density at the back pressure and temperature T; false when
    // the tables do not reach there.
    auto outside_density = [&](float T, double& rol) {
        int32_t ierr = 0, below = 0;
        char msg[LMSG];
        PvtOut o{};
        try {
            const int32_t it = TBLOC(T, C.TT.data(), C.NT, C.MODE);
            const int32_t ip = TBLOC(static_cast<float>(pb), C.PP.data(), C.NP, C.MODE);
            PVTLUP(it, ip, static_cast<float>(pb), T, o, FALSE_, below, C.PVTOPT, ierr, msg, LMSG);
        } catch (const RunFailure&) {
            ierr = 1;
        }
        if (ierr != 0 || !std::isfinite(o.ROL)) return false;
        rol = o.ROL;
        return true;
    };
    // The outside density at the leak; a failed lookup keeps the earlier value.
    if (double rol = 0.0; c >= 1 && outside_density(V.TM(c), rol))
        L.ROLLK = static_cast<float>(rol);
    const double rolk = L.ROLLK;

    // What stays in the line once it stands at the back pressure: each
    // section keeps the liquid at the outside pressure and at its own
    // temperature less what the expansion cools it. The line is seldom at one
    // temperature (a warm inlet, a cold sea): one density for all of it would
    // count the difference between its warm and its cold parts as excess for
    // the hole. And a liquid that expands without heat from outside cools,
    // cp dT = (1/rho - dh/dp) dp with the enthalpy of the property tables,
    // and shrinks; on a shut line that takes back much of what the pressure
    // alone would release.
    double stays = 0.0, water = 0.0;
    for (int32_t i = 1; i <= G.NSEC; ++i)
        if (N.JBND(i) <= 0 && N.KSEC(i) == 0) {
            const double v = double(G.DX(i)) * G.SECAREA(i);
            const double dp = std::max(0.0, double(V.PT(i)) - pb);
            const double rc = double(V.ROL(i)) * V.CPL(i);
            const double cooling = rc > 0.0 ? (1.0 - double(V.ROL(i)) * V.DHLP(i)) * dp / rc : 0.0;
            // Where the tables do not reach that far, the section's own
            // temperature, else the density outside the leak.
            double rol = rolk;
            if (!outside_density(static_cast<float>(V.TM(i) - cooling), rol) && i != c)
                outside_density(V.TM(i), rol);
            stays += rol * v;
            // The water of the liquid expands from the section's pressure to
            // the back pressure.
            water += C.WCUTV * (1.0 - V.AL(i)) * v * WATER_DENSITY * WATER_COMPRESSIBILITY * dp;
        }
    const double dia = E.NLEAK >= 1 ? E.DLEAK(1) : 0.0;
    // The hole fully open, as the leak flow sees it: at most 0.99 of the
    // pipe's flow area, the orifice rate of the section's mixture, limited by
    // the liquid's critical flux.
    double A = 0.7853981 * dia * dia;
    const double Apipe = c >= 1 ? double(G.AREA(c)) : 0.0;
    if (Apipe > 0.0) A = std::min(A, 0.99 * Apipe);
    const double mass = c >= 1 ? double(V.ML(c)) + V.MD(c) + V.MG(c) : 0.0;
    const double x = mass > 0.0 ? V.MG(c) / mass : 0.0;
    const double rho = c >= 1 ? (1.0 - x) * V.ROL(c) + x * V.ROG(c) : 0.0;
    const double p = c >= 1 ? V.PT(c) : 0.0;
    const double d = c >= 1 ? V.DRLP(c) : 0.0;

    const std::string head = "Simple calculation method used for 0 GOR fluids.          ";
    LumpedHole hole;
    double W = 0.0;
    std::string why;
    // The excess at the opening; a line without one still passes on what the
    // inlets deliver, through a capacity too small to matter.
    const double E0 = std::max(V.RMLGT - stays + water, SMALLEST_EXCESS);
    if (!(A > 0.0)) {
        why = "No release estimated: the leak has no opening.";
    } else if (!(p > pb)) {
        why = "No release estimated: leak pressure not above back pressure.";
    } else {
        const double W1 = LEAK_CD * A * std::sqrt(2.0 * rho * (p - pb));
        const double W2 = d > 0.0 ? LEAK_CD * A * V.ROL(c) / std::sqrt(d)
                                  : std::numeric_limits<double>::infinity();
        W = std::min(W1, W2);
        hole.a = W1 / std::sqrt(E0);
        hole.W2 = W2;
        if (!(W > 0.0) || !std::isfinite(W) || !std::isfinite(hole.a)) {
            W = 0.0;
            why = "No release estimated: no finite peak release rate.";
        }
    }

    for (int32_t k = 1; k <= MXLEK; ++k) {
        L.PKGAS(k) = L.PKGSTD(k) = 0.0f;
        L.ACGAS(k) = L.ACGSTD(k) = 0.0;
    }
    if (W > 0.0) {
        const SimpleRelease rel = simple_release(hole, E0);
        const double M = rel.mass;
        const bool leaking = rel.leaking;
        const double time = (leaking ? RUNCTL.TPEND(4) : rel.end) - TLEAK;
        // The peak of the rate's history, or the larger rate the leak already
        // had while opening.
        W = std::max<double>(rel.peak, L.PKTOT(1));

        // Oil volumes without the water, as the full simulation counts them.
        const double oil = 1.0 - C.WFST;
        L.ACMASS(1) = M;
        L.PKTOT(1) = static_cast<float>(W);
        L.time = static_cast<float>(time);
        L.ACOIL(1) = rolk > 0.0 ? M * oil / rolk : 0.0;
        L.PKOIL(1) = rho > 0.0 ? static_cast<float>(W * oil / rho) : 0.0f;
        L.ACOSTD(1) = C.ROLST > 0.0f ? M * oil / C.ROLST : 0.0;
        L.PKOSTD(1) = C.ROLST > 0.0f ? static_cast<float>(W * oil / C.ROLST) : 0.0f;
        std::string text = head + "Time estimated is based on peak release rate";
        if (leaking) text += std::string(" ") + still_leaking_text();
        setmsg(MSG, LMSG, text);
    } else {
        L.ACMASS(1) = 0.0;
        L.PKTOT(1) = 0.0f;
        L.time = 0.0f;
        L.ACOIL(1) = L.ACOSTD(1) = 0.0;
        L.PKOIL(1) = L.PKOSTD(1) = 0.0f;
        setmsg(MSG, LMSG, head + why);
    }
}

namespace {
// The line counts as settled at the leak's opening when over the warm-up's
// last stretch its outlet flow stayed within this share of the inflow and
// its liquid within this share of its mean.
constexpr double SETTLED_FLOW = 0.01;
constexpr double SETTLED_LIQUID = 0.005;
// The outlet flow is taken as its means over intervals this long, s: slugs
// pass the outlet in seconds, a limit cycle of the inventory takes many
// hundreds.
constexpr double OUTLET_INTERVAL = 200.0;

// The liquid in the computed sections of the line, m3.
double line_liquid() {
    const auto& G = PIPGEO;
    const auto& V = SECVAR;
    double v = 0.0;
    for (int32_t i = 1; i <= G.NSEC; ++i)
        if (NETDSC.JBND(i) < 1 && NETDSC.KSEC(i) == 0)
            v += (double(V.BE(i)) + V.GA(i)) * G.SECAREA(i) * G.DX(i);
    return v;
}

// Watches the last RELEASE_WARMUP_CHECK s of the warm-up and leaves in
// RUNCTL what the line's liquid and outlet flow did there.
struct WarmupWatch {
    double from = TLEAK - RELEASE_WARMUP_CHECK;
    double t0 = -1.0, m0 = 0.0;  // start of the current outlet interval, outlet mass then
    bool done = false;
    void step(double t) {
        auto& R = RUNCTL;
        if (done || t < from) return;
        if (t0 < 0.0) {
            t0 = t;
            m0 = SECVAR.RMOUT;
            R.WULMIN = R.WULMAX = line_liquid();
            R.WUQMIN = std::numeric_limits<double>::infinity();
            R.WUQMAX = -R.WUQMIN;
            return;
        }
        if (t <= TLEAK) {
            const double l = line_liquid();
            R.WULMIN = std::min(R.WULMIN, l);
            R.WULMAX = std::max(R.WULMAX, l);
        }
        if (t - t0 >= OUTLET_INTERVAL) {
            const double q = (SECVAR.RMOUT - m0) / (t - t0);
            R.WUQMIN = std::min(R.WUQMIN, q);
            R.WUQMAX = std::max(R.WUQMAX, q);
            t0 = t;
            m0 = SECVAR.RMOUT;
        }
        if (t >= TLEAK) finish();
    }
    void finish() {
        auto& R = RUNCTL;
        done = true;
        if (!(R.WUQMAX >= R.WUQMIN)) return;  // too short a warm-up to tell
        R.WUQIN = inlet_rate(TLEAK);
        const double qin = R.WUQIN, lmean = 0.5 * (R.WULMIN + R.WULMAX);
        const double dq = std::max(std::fabs(R.WUQMAX - qin), std::fabs(R.WUQMIN - qin));
        const bool flow = !(qin > 0.0) || dq <= SETTLED_FLOW * qin;
        const bool liquid = R.WULMAX - R.WULMIN <= SETTLED_LIQUID * lmean;
        R.IWUCHK = flow && liquid ? 1 : 2;
        if (R.IWUCHK == 2) rt::write_line(IOUNIT.IULOG, " " + not_settled_text());
    }
};
}  // namespace

std::string not_settled_text() {
    const auto& R = RUNCTL;
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "%s: OVER THE WARM-UP'S LAST %.0f S ITS LIQUID RAN %.1f-%.1f M3 AND THE OUTLET "
                  "FLOW %.2f-%.2f KG/S AGAINST %.2f KG/S IN.",
                  RELEASE_NOT_SETTLED_TEXT, RELEASE_WARMUP_CHECK, R.WULMIN, R.WULMAX, R.WUQMIN,
                  R.WUQMAX, R.WUQIN);
    return buf;
}

std::string high_pressure_text() {
    const auto& R = RUNCTL;
    if (R.IPTMAX == 0 || !(R.PTMAX > RELEASE_HIGHEST_LINE_PRESSURE)) return {};
    char when[80];
    if (R.TPTMAX < TLEAK)
        std::snprintf(when, sizeof when, "%.1f S BEFORE THE LEAK OPENED, IN THE WARM-UP",
                      TLEAK - R.TPTMAX);
    else
        std::snprintf(when, sizeof when, "%.1f S AFTER THE LEAK OPENED", R.TPTMAX - TLEAK);
    char buf[240];
    std::snprintf(buf, sizeof buf,
                  "%s %.0f BAR, MORE THAN ANY PIPELINE CARRIES: %.1f BAR IN SECTION %d OF BRANCH "
                  "%d, %s.",
                  RELEASE_PRESSURE_ROSE_TEXT, RELEASE_HIGHEST_LINE_PRESSURE / 1.0e5,
                  static_cast<double>(R.PTMAX) / 1.0e5, R.IPTMAX, R.IBPMAX, when);
    return buf;
}

namespace {
// Keeps the highest pressure of the line, where and when it stood.
void note_highest_pressure() {
    auto& R = RUNCTL;
    for (int32_t s = 1; s <= PIPGEO.NSEC; ++s)
        if (SECVAR.PT(s) > R.PTMAX) {
            R.PTMAX = SECVAR.PT(s);
            R.IPTMAX = s;
            R.IBPMAX = NETDSC.IBRSEC(s);
            R.TPTMAX = R.TIME;
        }
}

void loop(int32_t& IERR, char* MSG, int32_t LMSG) {
    auto& R = RUNCTL;
    auto& L = LEKRES;
    const LoopSteps& S = table();

    R.CPUCLO = R.CPUMOM = R.CPUSLV = 0.0f;
    PLTCTL.TPLOT = R.TIME;
    R.TCLMAX = std::max(R.TCLMAX, static_cast<float>(TLEAK));
    R.TESTIM = R.TEST0 = 2.0f * R.TCLMAX;
    int32_t percent = 0;
    double shown_end = 0.0;  // the end estimate when the percentage last rose
    LeakWatch watch;
    WarmupWatch warmup;
    bool shut = false;
    note_highest_pressure();

    for (int32_t k = 1; k <= R.IO && !shut; ++k) {
        R.TSTOP = R.TPEND(k);
        R.HTMIN = R.HMINP(k);
        R.HTMAX = R.HMAXP(k);
        do {
            if (R.TIME > TLEAK && PVTCOM.GORSTD < 3.5f) {
                ZEROGOR(MSG, LMSG);
                return;
            }
            int32_t ICUT = 0;
            S.timpl(ICUT, IERR, MSG, LMSG);
            if (IERR != 0) return;
            if (EQUIPM.NLEAK > 0) S.lekflo(IERR, MSG, LMSG);
            S.prpupd(IERR, MSG, LMSG);
            if (IERR != 0) return;
            S.mass(IERR, MSG, LMSG);
            if (IERR != 0) return;
            watch.step(R.TIME);

            const double before = R.TIME;
            S.tadvdt(ICUT);
            // A step that collapsed or a state that is no longer a number
            // would hang the loop or reach the result file.
            if (!std::isfinite(R.TIME) || !std::isfinite(R.HT) || !(R.TIME > before) ||
                !(R.HT > 0.0) || R.TIME + R.HT == R.TIME) {
                refuse(IERR, MSG, LMSG,
                       "TIME STEP BECAME ZERO OR NOT A NUMBER AT TIME " + clock_text(before) +
                           " S. THE RUN IS STOPPED.");
                return;
            }
            int32_t where = 0;
            if (!state_is_finite(where)) {
                refuse(IERR, MSG, LMSG,
                       "THE FLOW STATE BECAME NOT A NUMBER" +
                           (where > 0 ? " IN SECTION " + std::to_string(where) : std::string()) +
                           " AT TIME " + clock_text(R.TIME) + " S. THE RUN IS STOPPED.");
                return;
            }
            if (const SummaryFault f = summary_fault(summary_words(), false); f.name) {
                refuse(IERR, MSG, LMSG,
                       std::string("DISCHARGE SUMMARY VALUE ") + f.name +
                           " BECAME NOT A NUMBER AT TIME " + clock_text(R.TIME) +
                           " S. THE RUN IS STOPPED.");
                return;
            }
            ++R.NINTGR;
            note_highest_pressure();
            warmup.step(R.TIME);
            if (R.TIME > TLEAK && std::fabs(L.LEAKFLOW) >= LEAK_END_RATE) L.TFLOW = R.TIME;

            if (R.TIME >= PLTCTL.TPLOT) {
                S.plttrd(IERR, MSG, LMSG);
                if (IERR != 0) return;
            }

            const double est = R.TESTIM;
            if (est > 0.0) {
                const double p = std::trunc(100.0 * R.TIME / est);
                if (p > percent) {
                    percent = p < 1.0e9 ? static_cast<int32_t>(p) : 1000000000;
                    shown_end = est;
                }
            }
            // Once the run has passed the end it was expected at when the
            // percentage last rose, the percentage holds still while the run
            // goes on; the caller is told so through RELTIM and can show the
            // simulated time instead, until the percentage moves again.
            const bool held = shown_end > 0.0 && R.TIME >= shown_end;
            SETPRG(R.TIME - TLEAK, held);
            int32_t shown = percent;
            if (S.calcbk(shown) != 0) {
                IERR = 9999;
                setmsg(MSG, LMSG, "SIMULATION ABORTED!");
                return;
            }

            if (R.TIME > 11700.0 && R.TIME - L.TCHECK > 0.1 * (R.TIME - TLEAK)) {
                ENDTST();
                if (L.time > 0.0f && R.TUSER < TLEAK) {
                    const double M = std::trunc(std::max<double>(R.TCLMAX, L.time + TLEAK));
                    R.TSTOP = M + std::trunc(std::max(300.0, 0.1 * (M - TLEAK)));
                } else {
                    R.TSTOP = R.TPEND(4);
                }
                // The run never goes past the end of its last period.
                R.TSTOP = std::min<double>(R.TSTOP, R.TPEND(4));
            }
            if (watch.never_opens(R.TIME)) {
                shut = true;
                R.TSTOP = R.TIME;
            }
        } while (R.TSTOP > R.TIME);
    }

    S.plttrd(IERR, MSG, LMSG);
    if (IERR != 0) return;
    if (shut) {
        L.time = 0.0f;
        setmsg(MSG, LMSG, LEAK_SHUT_TEXT);
    } else if (L.time < 1.0e-6f) {
        L.time = static_cast<float>(R.TIME - TLEAK);
        setmsg(MSG, LMSG, still_leaking_text());
    } else {
        L.time = release_end();
    }
}

// A run that fails once the leak has released something keeps what it
// computed: the rows written so far, the summary up to the last step and
// the log, with the failure as a warning. Nothing is kept when the summary
// itself is not a number.
bool keep_what_was_released(const std::string& why, int32_t& IERR, char* MSG, int32_t LMSG) {
    auto& L = LEKRES;
    auto& R = RUNCTL;
    if (!(R.TIME > TLEAK) || !(L.ACMASS(1) > 0.0)) return false;
    // A release not yet found ended lasted at least until the stop; one found
    // ended before it keeps its end.
    const bool ended = L.time >= 1.0e-6f;
    L.time = ended ? release_end() : static_cast<float>(R.TIME - TLEAK);
    if (summary_fault(summary_words(), true).name) return false;
    IERR = 0;
    R.TSTOP = R.TIME;
    const std::string at = clock_text(R.TIME);
    setmsg(MSG, LMSG,
           RELEASE_RUN_STOPPED_TEXT + at + " S AFTER THE LEAK OPENED (" + why +
               "); THE RESULTS ARE THOSE UP TO THEN.");
    rt::write_line(IOUNIT.IULOG, RELEASE_RUN_STOPPED_TEXT + at + " S AFTER THE LEAK OPENED (" +
                                     why + "). RELEASE TIME: " +
                                     (ended ? clock_text(L.time + TLEAK) + " S"
                                            : "AT LEAST " + at + " S (THE RUN STOPPED)"));
    return true;
}
}  // namespace

void TLOOP(int32_t& IERR, char* MSG, int32_t LMSG) {
    try {
        loop(IERR, MSG, LMSG);
    } catch (const RunFailure& e) {
        if (!keep_what_was_released(e.what(), IERR, MSG, LMSG)) throw;
        return;
    }
    if (IERR == 1) keep_what_was_released(msgtext(MSG, LMSG), IERR, MSG, LMSG);
}

}  // namespace rel
