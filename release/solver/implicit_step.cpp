// The implicit pressure-velocity half of a time step over the whole network:
// boundary values, stratified geometry, devices and closures, assembly and
// solve (repeated while branch-end chokes turn critical), at most one cut of
// a step whose pressures change too fast, then acceptance of the new
// velocities and pressures and the Courant limit of the next step.
#include <algorithm>
#include <cmath>

#include "rt/fortio.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/band.h"
#include "solver/step.h"

namespace rel {

namespace {

constexpr double kTimeCheck = 11369.0;  // start of the run period just before the leak opens

bool has_valve(int b) {
    for (int v = 1; v <= EQUIPM.NCHKV && v <= MXBR; ++v)
        if (EQUIPM.IVBND(v) == b) return true;
    return false;
}

bool has_choke(int b) {
    for (int k = 1; k <= EQUIPM.NCHKL && k <= MXDEV; ++k)
        if (EQUIPM.ICHSEC(k) == b) return true;
    return false;
}

float floor_velocity(float x) {
    if (std::fabs(x) < 1.0e-9f) return x < 0.0f ? -1.0e-9f : 1.0e-9f;
    return x;
}

// The solved velocity x after a change of flow direction, scaled by the phase
// mass of the section it came from over that of the section it now comes from.
float reversed(float x, float mass_a, float mass_b, float rho_s) {
    float den = mass_b + 0.05f * rho_s;
    if (!(den > 0.0f) || !(mass_a >= 0.0f)) return x;
    return x * mass_a / den;
}

void solve(const PvRows& R, int32_t& IERR, char* MSG, int32_t LMSG) {
    float t0 = CPUTIM();
    if (NETDSC.NBR > 1)
        NETSLV(R.neq, 7, 3, IERR, MSG, LMSG);
    else
        BANDLU(R.neq, 7, IERR, MSG, LMSG);
    RUNCTL.CPUSLV += CPUTIM() - t0;
}

void limit_controllers() {
    auto& C = CTRTAB;
    for (int c = 1; c <= C.NCTR && c <= MXCTR; ++c) {
        int t = C.ICTRTY(c);
        if (t == 6 || t == 9 || t == 10 || !(C.CTRRAT(c) > 0.0f)) continue;
        float lim = static_cast<float>(RUNCTL.HT / C.CTRRAT(c));
        if (C.CONTR(c) > C.CTROLD(c))
            C.CONTR(c) = std::min(C.CONTR(c), C.CTROLD(c) + lim);
        else
            C.CONTR(c) = std::max(C.CONTR(c), C.CTROLD(c) - lim);
    }
}

}  // namespace

void pv_accept(const PvRows& R) {
    auto& S = SECVAR;
    const int NSEC = PIPGEO.NSEC;
    const double HT = RUNCTL.HT;
    const double* x = BANDWK.RHS.data() - 1;
    float rmax = 0.0f;
    int imax = 0;
    for (int i = 2; i <= NSEC; ++i) {
        const int j = NETDSC.JBND(i);
        const float ugo = S.UG(i), ulo = S.UL(i);
        if (j < 0) {
            if (R.n(i) < 1) continue;
            // Inlet velocities from the merging flows of the incoming branch ends.
            double vsg = 0, vsl = 0, mgs = 0, mls = 0, fg = 0, fl = 0;
            for (int k = 2; k <= NSEC; ++k) {
                if (NETDSC.JBND(k) != -j) continue;
                int g = S.UG(k) >= 0.0f ? k - 1 : i, l = S.UL(k) >= 0.0f ? k - 1 : i;
                double vg = PIPGEO.DX(g) * PIPGEO.SECAREA(g), vl = PIPGEO.DX(l) * PIPGEO.SECAREA(l);
                vsg += vg;
                vsl += vl;
                mgs += S.MG(g) * vg;
                mls += S.ML(l) * vl;
                fg += S.MG(g) * face_area(k) * S.UG(k);
                fl += S.ML(l) * face_area(k) * S.UL(k);
            }
            const double ai = face_area(i);
            if (vsg > 0.0 && ai > 0.0)
                S.UG(i) = static_cast<float>(fg / (std::max(mgs, 1.0e-20) / vsg * ai));
            if (vsl > 0.0 && ai > 0.0)
                S.UL(i) = static_cast<float>(fl / (std::max(mls, 1.0e-20) / vsl * ai));
            int last = R.first(i) - 1;
            float sgn = last >= 1 ? static_cast<float>(x[last]) : 1.0f;
            if (std::fabs(S.UG(i)) < 1.0e-9f) S.UG(i) = sgn < 0.0f ? -1.0e-9f : 1.0e-9f;
        } else if (R.n(i) >= 2) {
            const int s = downstream(i);
            float xg = static_cast<float>(x[R.first(i)]),
                  xl = static_cast<float>(x[R.first(i) + 1]);
            if (xg * ugo < 0.0f) {
                int a = ugo >= 0.0f ? i - 1 : s, b = a == s ? i - 1 : s;
                float r = S.ID(i) < 3 && S.ROL(s) > 0.0f ? S.ROG(s) / S.ROL(s) : 0.0f;
                xg = reversed(xg, S.MG(a) + r * S.MD(a), S.MG(b) + r * S.MD(b), S.ROG(s));
            }
            if (xl * ulo < 0.0f) {
                int a = ulo >= 0.0f ? i - 1 : s, b = a == s ? i - 1 : s;
                float q = S.ID(i) > 2 ? 1.0f : 0.0f;
                xl = reversed(xl, S.ML(a) + q * S.MD(a), S.ML(b) + q * S.MD(b), S.ROL(s));
            }
            S.UGO(i) = ugo;
            S.ULO(i) = ulo;
            S.IDO(i) = S.ID(i);
            // A wall is exactly 0 (not the solver's rounding of it); a valve or
            // choke boundary keeps an exact 0 too; elsewhere a tiny velocity
            // keeps its sign.
            if (wall_boundary(i)) {
                xg = xl = 0.0f;
            } else if (!has_valve(i) && !has_choke(i)) {
                xg = floor_velocity(xg);
                xl = floor_velocity(xl);
            }
            S.UG(i) = xg;
            S.UL(i) = xl;
        }
        S.DUG(i) = static_cast<float>((S.UG(i) - ugo) / HT);
        S.DUL(i) = static_cast<float>((S.UL(i) - ulo) / HT);

        // New pressure.
        int pr = R.n(i) == 3 ? R.first(i) + 2 : (R.n(i) == 1 ? R.first(i) : 0);
        if (pr && j <= 0) {
            double P = x[pr];
            if (NETDSC.KSEC(i) == 0 && PIPGEO.IDPCHK(i) == 1) {
                float r = dpr_indicator(P, S.PT(i), S.DPTO(i), HT);
                if (r >= rmax) {
                    rmax = r;
                    imax = i;
                }
            }
            S.DPT(i) = S.DPTO(i) = static_cast<float>((P - S.PT(i)) / HT);
            S.PT(i) = static_cast<float>(P);
        }

        // Pressure gradient at the boundary.
        if (j < 0) {
            S.DPZ(i) = 0.0f;
            int lastk = 0;
            for (int k = 2; k <= NSEC; ++k)
                if (NETDSC.JBND(k) == -j) lastk = k;
            if (lastk > 0) {
                int u = lastk - 1;
                float g = (S.PT(i) - S.PT(u)) * 2.0f / (PIPGEO.DX(i) + PIPGEO.DX(u));
                for (int k = 2; k <= NSEC; ++k)
                    if (NETDSC.JBND(k) == -j) S.DPZ(k) = g;
            }
        } else if (j == 0) {
            S.DPZ(i) = (S.PT(i) - S.PT(i - 1)) * 2.0f / (PIPGEO.DX(i) + PIPGEO.DX(i - 1));
        }
        if (NETDSC.KSEC(i - 1) >= 2 || (i == NSEC && NETDSC.KSEC(i) == -2)) S.DPZ(i) = 0.0f;
    }
    if (RUNCTL.TIME >= kTimeCheck) {
        S.DPRMAX = rmax;
        S.IDPRMX = imax;
    }

    for (int i = 2; i <= NSEC; ++i) {
        int k = NETDSC.KSEC(i);
        if ((k == -1 || k == 0) && NETDSC.KSEC(i - 1) < 2 && NETDSC.JBND(i) >= 0)
            S.UD(i) = S.ID(i) < 3 ? S.UG(i) - S.UDO(i) : S.UL(i);
    }
    for (int i = 1; i <= NSEC; ++i) {
        auto dir = [](float u, int32_t& J) {
            if (u > 0.0f)
                J = 0;
            else if (u < 0.0f)
                J = 1;
        };
        dir(S.UG(i), S.JUG(i));
        dir(S.UL(i), S.JUL(i));
        dir(S.UD(i), S.JUD(i));
    }
    for (int k = 1; k <= EQUIPM.NCHKL && k <= MXDEV; ++k) {
        if ((EQUIPM.ICHXMP(k) & 1) || EQUIPM.CHOPEN(k) > 1.0e-6f) continue;
        int b = EQUIPM.ICHSEC(k);
        if (b < 1 || b > NSEC) continue;
        S.UL(b) = S.UG(b) = S.UD(b) = S.DUL(b) = S.DUG(b) = 0.0f;
    }
}

float face_area(int i) {
    if (PIPGEO.AREA(i) > 0.0f) return PIPGEO.AREA(i);
    return PIPGEO.SECAREA(i);
}

float step_change_test(const PvRows& R, int& isec) {
    const double* x = BANDWK.RHS.data() - 1;
    float rmax = 0.0f;
    isec = 0;
    for (int i = 1; i <= PIPGEO.NSEC; ++i) {
        if (NETDSC.KSEC(i) != 0 || NETDSC.JBND(i) > 0 || PIPGEO.IDPCHK(i) != 1 || R.n(i) == 0)
            continue;
        double P = x[R.first(i) + R.n(i) - 1];
        float r = dpr_indicator(P, SECVAR.PT(i), SECVAR.DPTO(i), RUNCTL.HT);
        if (r >= rmax) {
            rmax = r;
            isec = i;
        }
    }
    SECVAR.DPRMAX = rmax;
    SECVAR.IDPRMX = isec;
    return rmax;
}

void courant_limit() {
    auto& S = SECVAR;
    float lim = 1.0e6f;
    int at = 0;
    for (int i = 2; i <= PIPGEO.NSEC; ++i) {
        if (NETDSC.KSEC(i) > 0 || NETDSC.JBND(i) < 0 || PIPGEO.ICFLON(i) != 1) continue;
        float tg = PIPGEO.DX(i) / (std::fabs(S.UG(i)) * PIPGEO.CFLFAC(i) + 1.0e-8f);
        float tl = PIPGEO.DX(i) / (std::fabs(S.UL(i)) * PIPGEO.CFLFAC(i) + 1.0e-8f);
        if (tg < lim && S.BE(i) < 0.99f) {
            lim = tg;
            at = i;
        }
        if (tl < lim && S.BE(i) > 0.01f) {
            lim = tl;
            at = i;
        }
    }
    S.DTCFL = lim;
    S.IDTCFL = at;
}

void TIMPL(int32_t& ICUT, int32_t& IERR, char* MSG, int32_t LMSG) {
    auto& E = EQUIPM;
    ICUT = 0;
    SECVAR.DPZ(1) = 0.0f;
    const bool print = RUNCTL.IPRINT == 1;
    if (print) {
        rt::write_line(IOUNIT.IULOG, "SUBROUTINE TIMPL ");
        rt::write_line(IOUNIT.IULOG, "TEST OUTPUT");
    }
    const PvRows R = pv_rows();
    if (PIPGEO.NEQ == 0) PIPGEO.NEQ = R.neq;
    if (PIPGEO.NEQ != R.neq) {
        refuse(IERR, MSG, LMSG,
               "TIMPL: " + std::to_string(PIPGEO.NEQ) + " UNKNOWNS SET UP, " +
                   std::to_string(R.neq) + " IN THE NETWORK");
        return;
    }
    // The set-up numbered the unknowns as well; a section on which the two
    // disagree would be solved for the wrong unknowns.
    for (int s = 1; s <= PIPGEO.NSEC; ++s) {
        int ib = R.n(s) >= 2 ? R.first(s) : 0;
        int ip = R.n(s) == 3 ? R.first(s) + 2 : (R.n(s) == 1 ? R.first(s) : 0);
        bool set_b = NETDSC.IBEQ(s) != 0, set_p = NETDSC.ISEQ(s) != 0;
        if ((set_b && NETDSC.IBEQ(s) != ib) || (set_p && NETDSC.ISEQ(s) != ip)) {
            refuse(IERR, MSG, LMSG,
                   "TIMPL: UNKNOWNS OF SECTION " + std::to_string(s) +
                       " DIFFER FROM THE NETWORK SET-UP");
            return;
        }
    }
    BOUUPD(IERR, MSG, LMSG);
    if (IERR != 0) return;
    STRGEO();

    if (NETDSC.NBR > 1) band_junctions(3, R.n);

    bool closures_done = false;
    if (E.NCHOKE > 0) {
        for (int k = 1; k <= E.NCHOKE && k <= MXDEV; ++k) E.ICHMRK(k) = E.ICHMOD(k) = 0;
        CHOFLO(IERR, MSG, LMSG);
        if (IERR != 0) return;
    }
    // Check valves, leak coefficients, assembly and solve, repeated while
    // branch-end chokes turn critical (each entry is marked at most once).
    auto from_valves = [&]() {
        bool again;
        do {
            if (E.NCHKV > 0) CHKVST();
            if (E.NVSRC + E.NLEAK > 0) {
                LEKCOF(IERR, MSG, LMSG);
                if (IERR != 0) return false;
            }
            float t0 = CPUTIM();
            MOMASM();
            RUNCTL.CPUMOM += CPUTIM() - t0;
            if (print)
                for (int k = 0; k < 2; ++k)
                    for (const char* h : {"TEST OUTPUT", "C(I,J)", "V(I)"})
                        rt::write_line(IOUNIT.IULOG, h);
            solve(R, IERR, MSG, LMSG);
            if (IERR != 0) return false;
            again = false;
            for (int k = 1; k <= E.NCHKL && k <= MXDEV; ++k) {
                if ((E.CHOFLG(k) & 1) || E.ICHMRK(k) != 0) continue;
                int b = E.ICHSEC(k);
                if (b < 1 || b > PIPGEO.NSEC || R.n(b) < 2) continue;
                if (std::fabs(BANDWK.RHS(R.first(b))) > E.CHLIM(k)) {
                    E.ICHMRK(k) = 1;
                    again = true;
                }
            }
        } while (again);
        return true;
    };
    // Choke areas, closures on the first pass only, then the rest.
    auto from_chokes = [&]() {
        if (E.NCHOKE > 0) {
            CHOARE(IERR, MSG, LMSG);
            if (IERR != 0) return false;
            CHOKCO();
        }
        if (!closures_done) {
            float t0 = CPUTIM();
            CLOSUR();
            RUNCTL.CPUCLO += CPUTIM() - t0;
            closures_done = true;
        }
        return from_valves();
    };
    if (!from_chokes()) return;

    // At most one cut per step; after it the solution is accepted as it is.
    int isec = 0;
    float r = step_change_test(R, isec);
    if (r >= RUNCTL.DPRRED) {
        RUNCTL.HT = cut_step(RUNCTL.HT, r, RUNCTL.HTMIN, RUNCTL.HTSAF, RUNCTL.DPRRED);
        ICUT = isec;
        for (int k = 1; k <= E.NCHOKE && k <= MXDEV; ++k) E.ICHMRK(k) = 0;
        limit_controllers();
        SECVAR.DPRMAX = r;
        if (!(E.NCHOKE > 0 ? from_chokes() : from_valves())) return;
    }
    pv_accept(R);
    courant_limit();
    if (RUNCTL.IPRINT == 1) PRTRES();
}

}  // namespace rel
