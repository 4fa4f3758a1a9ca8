// Fluid reference values and the initial state of the pipeline: a hydrostatic
// profile of pressure at the reference temperature, flows that carry at least
// the mixture at 1 m/s, and from them the full no-slip state of the solver
// with its starting totals of mass and energy.
#include <algorithm>
#include <cmath>
#include <string>

#include "run/constants.h"
#include "run/initial_state.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/mass.h"

namespace rel {

namespace {
// Slots of PVTCOM's tables that the water blend changes: the liquid density
// and the free-gas mass fraction (the lookup's KROL and KRS).
constexpr int SLOT_ROL = 11, SLOT_RS = 3;

// Table lookup in the tolerant mode (a pressure below the grid is accepted).
bool lookup(float P, float T, PvtOut& out, int32_t& IERR, char* MSG, int32_t LMSG) {
    auto& C = PVTCOM;
    const int32_t it = TBLOC(T, C.TT.data(), C.NT, C.MODE);
    const int32_t ip = TBLOC(P, C.PP.data(), C.NP, C.MODE);
    int32_t below = 0;
    const int32_t before = IERR;
    IERR = 0;
    PVTLUP(it, ip, P, T, out, FALSE_, below, C.PVTOPT, IERR, MSG, LMSG);
    const bool ok = IERR == 0;
    if (ok) IERR = before;
    return ok;
}

// Sections of branch b are o+1 .. o+n.
int32_t offset_of(int32_t b) { return jsec0(b); }
bool starts_at_inlet(int32_t b) { return NETDSC.ITYPBR(b) == 0 || NETDSC.ITYPBR(b) == 1; }
}  // namespace

// Standard conditions: 15 deg C and 101325 Pa.
void PVTRF2(int32_t& IERR, char* MSG, int32_t LMSG) {
    PvtOut o{};
    if (!lookup(PSTD, TSTD, o, IERR, MSG, LMSG)) return;
    auto& C = PVTCOM;
    C.ROGST = o.ROG;
    C.ROLST = o.ROL;
    C.BETAST = o.RS;
    if (o.RS >= 0.9999f)
        C.GORSTD = 1.0e7f;
    else
        C.GORSTD = (o.RS / o.ROG) / ((1.0f - o.RS) / o.ROL);
}

// Flow that arrives at branch b from the junctions it leaves.
float JUNFLO(int32_t b) {
    auto& N = NETDSC;
    if (N.NJUN <= 0) return 0.0f;
    float sum = 0.0f;
    for (int32_t j = 1; j <= N.NJUN; ++j) {
        if (N.IBJ(j, N.NBJ(j)) != b) continue;
        for (int32_t m = 1; m <= N.NBJ(j) - 1; ++m) sum += SECVAR.GT(jend(j, m) - 1);
    }
    return sum;
}

void INITIAL(const BNDDAT& bnd, const PVTBLK& blk, int32_t& IERR, char* MSG, int32_t LMSG) {
    auto& V = SECVAR;
    auto& G = PIPGEO;
    auto& N = NETDSC;
    const float p = RELEASE_OUTLET_START_FACTOR * bnd.POUT;
    if (!(p >= static_cast<float>(RELEASE_MIN_START_PRESSURE))) {
        refuse(IERR, MSG, LMSG, "Outlet pressure is set too low!Must be above 30 psi (2 bar) !");
        return;
    }
    if (p >= static_cast<float>(RELEASE_MAX_START_PRESSURE)) {
        refuse(IERR, MSG, LMSG, "Outlet pressure is set too high!");
        return;
    }
    const float P0 = std::max(p, 500000.0f);
    const float T0 = 10.0f;
    PvtOut o{};
    if (!lookup(P0, T0, o, IERR, MSG, LMSG)) return;
    const float rg = o.ROG, rl = o.ROL, x = o.RS;

    float a;
    if (x <= 0.0f)
        a = 0.0f;
    else if (x >= 1.0f)
        a = 1.0f;
    else
        a = x * rl / (x * rl + (1.0f - x) * rg);
    a = a * (1.0f - blk.WCUT / 100.0f);
    if (a > 1.0f || a < 0.0f) refuse(IERR, MSG, LMSG, "ERROR WITH FLUID PROPERTIES (SUB INITIAL)!");
    const float rm = rl * (1.0f - a) + rg * a;

    const float zref = G.NSEC >= 2 ? G.ZSEC(G.NSEC - 1) : 0.0f;
    for (int32_t b = 1; b <= N.NBR; ++b) {
        const int32_t n = N.NSECBR(b), o0 = offset_of(b);
        const int32_t f = starts_at_inlet(b) ? o0 + 2 : o0 + 1;
        for (int32_t s = f; s <= o0 + n - 1; ++s) {
            V.AL(s) = a;
            V.TM(s) = 10.0f;
            V.PT(s) = std::max(P0 + rm * GRAV_START * (zref - G.ZSEC(s)), 500000.0f);
        }
        const float g = bnd.QIN[b - 1] > 0.0f ? bnd.QIN[b - 1] : JUNFLO(b);
        for (int32_t s = f; s <= o0 + n; ++s) V.GT(s) = std::max(g, G.SECAREA(s) * rm);
    }
}

// The fluid outside the leak: the leak section's ambient temperature and
// the leak's back pressure.
void PVTRF1(int32_t& IERR, char* MSG, int32_t LMSG) {
    auto& E = EQUIPM;
    if (E.NLEAK < 1) return;
    PvtOut o{};
    const int32_t s = E.ILKSEC(1);
    if (!lookup(E.PLKPB(1, 1), PIPGEO.TAMBS(s), o, IERR, MSG, LMSG)) {
        // The lookup cannot tell where: the leak's back pressure at its section.
        setmsg(MSG, LMSG,
               msgtext(MSG, LMSG) + " (LEAK BACK PRESSURE " + value_text(E.PLKPB(1, 1), "Pa") +
                   ", AMBIENT " + value_text(PIPGEO.TAMBS(s), "C") + " AT THE LEAK IN SECTION " +
                   std::to_string(s) + " OF BRANCH " + std::to_string(NETDSC.IBRSEC(s)) + ")");
        return;
    }
    LEKRES.ROGLK = o.ROG;
    LEKRES.ROLLK = o.ROL;
    LEKRES.RSLK = o.RS;
}

// Water mixed into the liquid tables by the water cut.
void PVTLIM(const PVTBLK& blk) {
    auto& C = PVTCOM;
    const float w = blk.WCUT / 100.0f;
    C.WCUTV = std::min(std::max(w, 0.0f), 1.0f);
    if (!(w > 0.0f)) {
        C.WFST = 0.0f;
    } else if (w >= 1.0f) {
        C.WFST = 1.0f;  // all water: the oil-based ratios below have no value
    } else {
        const float R = 1.0f / ((1.0f / w - 1.0f) * C.ROLST / RHO_WATER);
        const float Gm = C.BETAST > 0.0f ? 1.0f / (1.0f / C.BETAST - 1.0f) : 0.0f;
        C.WFST = std::isfinite(Gm) ? R / (1.0f + Gm + R) : 0.0f;
    }
    for (int32_t i = 1; i <= C.NP; ++i)
        for (int32_t j = 1; j <= C.NT; ++j) {
            C.TAB(j, i, SLOT_ROL) = C.TAB(j, i, SLOT_ROL) * (1.0f - w) + RHO_WATER * w;
            C.TAB(j, i, SLOT_RS) = C.TAB(j, i, SLOT_RS) * (1.0f - w);
        }
}

void INISTA(int32_t& IERR, char* MSG, int32_t LMSG) {
    auto& V = SECVAR;
    auto& G = PIPGEO;
    auto& N = NETDSC;
    const int32_t nsec = G.NSEC;

    PRECHK(IERR, MSG, LMSG);
    if (IERR != 0) return;

    for (int32_t i = 1; i <= nsec; ++i) {
        if (N.KSEC(i) == 1) V.AL(i) = V.AL(i + 1);
        // The outlet section holds the fluid in equilibrium at its own
        // pressure and temperature, like the boundary update keeps it: a gas
        // has no liquid there that no flash makes.
        if (N.KSEC(i) == -1) V.AL(i) = equilibrium_void(V.RS(i), V.ROG(i), V.ROL(i));
        V.GA(i) = 0.0f;
        V.DS(i) = 1.0f;
        V.BE(i) = V.HOL(i) = 1.0f - V.AL(i);
        V.MG(i) = V.AL(i) * V.ROG(i);
        V.ML(i) = (1.0f - V.AL(i)) * V.ROL(i);
        V.MD(i) = 0.0f;
        V.MLT(i) = V.ML(i);
        V.MGREM(i) = V.MLREM(i) = V.MDREM(i) = 0.0f;
    }
    for (int32_t i = 0; i <= std::min(nsec + 1, MXB); ++i)
        V.JUL(i) = V.JUG(i) = V.GT(i) < 0.0f ? 1 : 0;

    double total = 0.0;
    for (int32_t i = 2; i <= nsec; ++i) {
        const int32_t r = N.JBND(i), k = N.KSEC(i);
        if (k <= 0 && r >= 0) {
            int32_t dl = i - 1 + V.JUL(i), dg = i - 1 + V.JUG(i);
            if (r > 0) {
                if (V.JUL(i) == 1) dl = jdown(r);
                if (V.JUG(i) == 1) dg = jdown(r);
            }
            const float A = G.AREA(i);
            const float D = (V.ML(dl) + V.MG(dg)) * A;
            const float u = D > 0.0f ? V.GT(i) / D : 0.0f;
            V.UL(i) = V.UG(i) = u;
            V.UD(i) = 0.0f;
            V.WL(i) = V.ML(dl) * u;
            V.WG(i) = V.MG(dg) * u;
            V.WD(i) = 0.0f;
            V.GL(i) = V.WL(i) * A;
            V.GG(i) = V.WG(i) * A;
            V.GD(i) = 0.0f;
            V.GLT(i) = V.GL(i) + V.GD(i);
            V.USL(i) = V.BE(dl) * u;
            V.USG(i) = V.AL(dg) * u;
            V.QL(i) = V.USL(i) * A;
            V.QG(i) = V.USG(i) * A;
            V.QD(i) = 0.0f;
            V.QLT(i) = V.QL(i);
            V.QT(i) = V.QL(i) + V.QG(i);
        }
        if (k > 0 || k == -2 || N.KSEC(i - 1) >= 2)
            V.UDO(i) = 0.0f;
        else
            V.UDO(i) = -0.2f * G.SINANG(r > 0 ? jdown(r) : i);
        if (r <= 0 && k == 0) total += (double(V.MG(i)) + V.ML(i)) * G.SECAREA(i) * G.DX(i);
    }
    V.RMLGT = nsec >= 2 ? total : 0.0;

    PRPUPD(IERR, MSG, LMSG);
    if (IERR != 0) return;
    MTRANS();
    CLOSUR();

    V.RMOUT = 0.0;
    V.RMTOT = V.RMTOT0 = V.RMLGT;
    V.RMPIPE = V.RMLGT;

    double energy = 0.0;
    for (int32_t i = 1; i <= nsec; ++i) {
        const int32_t k = N.KSEC(i);
        if (k < -1 || k > 1 || N.JBND(i) > 0) continue;
        const float z = GRAV * G.ZSEC(i);
        const float eg = V.HG(i) - V.PT(i) / V.ROG(i) + z + 0.5f * V.UG(i + 1) * V.UG(i + 1);
        const float el = V.HL(i) - V.PT(i) / V.ROL(i) + z + 0.5f * V.UL(i + 1) * V.UL(i + 1);
        const float ed = V.HL(i) - V.PT(i) / V.ROL(i) + z + 0.5f * V.UD(i + 1) * V.UD(i + 1);
        V.EG(i) = eg * V.MG(i);
        V.EL(i) = el * V.ML(i) + ed * V.MD(i);
        if (k == 0) energy += (double(V.EG(i)) + V.EL(i)) * G.SECAREA(i) * G.DX(i);
    }
    V.RELGT = V.RETOT0 = V.RETOT = energy;

    auto& E = EQUIPM;
    if (E.NCHOKE > 0) {
        CHOFLO(IERR, MSG, LMSG);
        if (IERR != 0) return;
        const int32_t nchk = E.NCHOKE - E.NVSRC - E.NLEAK;
        for (int32_t c = 1; c <= nchk; ++c)
            if ((E.CHOFLG(c) & 1) == 0) E.IDVST2(c) = 2;
        CHOFLO(IERR, MSG, LMSG);
        if (IERR != 0) return;
        CHOARE(IERR, MSG, LMSG);
        if (IERR != 0) return;
        CHOKCO();
    }
}

}  // namespace rel
