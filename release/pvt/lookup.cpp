// The library's copy of the property tables and the lookups in it: UNPACK
// copies the caller's block into PVTCOM, PVTLUP looks up one point with its
// range checks, PRECHK updates every ordinary section, PRPUPD runs the
// property and source update. PVTCHK refuses a block the lookup cannot use.
//
// Interpolation is bilinear in the interval (j temperature, i pressure) that
// TBLOC found, with the reciprocal grid spacings of UNPACK, so no division is
// done per property. Weights are not clipped: outside the grid the edge
// interval is extrapolated.
#include <algorithm>
#include <cmath>

#include "pvt/pvt.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"

namespace rel {

namespace {

// PVTBLK table number of each PVTCOM slot 1..16.
constexpr int SLOT_TABLE[16] = {10, 11, 7, 3, 5, 4, 6, 12, 13, 1, 2, 16, 14, 15, 8, 9};

using P = Pvtcom;

// Interpolation weights and interval of one point.
struct Cell {
    int j, i;      // temperature and pressure interval
    float wT, wP;  // weights
};

// a: the value at P(i) and T; b: at P(i+1) and T; value = a + wP (b - a).
struct Interp {
    float a, b, v;
};
inline Interp interp(const Cell& c, int k) {
    const auto& t = PVTCOM.TAB;
    Interp r;
    r.a = t(c.j, c.i, k) + c.wT * (t(c.j + 1, c.i, k) - t(c.j, c.i, k));
    r.b = t(c.j, c.i + 1, k) + c.wT * (t(c.j + 1, c.i + 1, k) - t(c.j, c.i + 1, k));
    r.v = r.a + c.wP * (r.b - r.a);
    return r;
}

// A column's own bubble pressure, where the builder found one (1e9 marks none).
inline bool has_bubble(float pb) { return pb < 1.0e9f; }

// The gas mass fraction of temperature column jc alone at pressure q, drawn
// to 0 at the column's bubble pressure pb and 0 above it; dq is its slope.
inline float column_fraction(int jc, float q, float pb, float& dq) {
    const Pvtcom& T = PVTCOM;
    dq = 0.0f;
    if (q >= pb) return 0.0f;
    int k = 1;
    while (k < T.NP - 1 && q >= T.PP(k + 1)) ++k;
    const float pk = T.PP(k), pk1 = T.PP(k + 1);
    const float a = std::min(std::max(T.TAB(jc, k, P::KRS), 0.0f), 1.0f);
    const float b = std::min(std::max(T.TAB(jc, k + 1, P::KRS), 0.0f), 1.0f);
    float v;
    if (pb <= pk1 && pb > pk) {
        dq = -a / (pb - pk);
        v = a + (q - pk) * dq;
    } else {
        dq = (b - a) * T.RDP(k);
        v = a + (q - pk) * dq;
    }
    if (v <= 0.0f || v >= 1.0f) dq = 0.0f;
    return std::min(std::max(v, 0.0f), 1.0f);
}

// Gas mass fraction at one point, its slopes in pressure and, where the
// bubble line decides it, in temperature (drst_set).
struct GasFraction {
    float rs, drsp, drst;
    bool drst_set;
};

// Between two columns that both have a bubble pressure the line is taken
// straight from one to the other. Just below it each column is read at the
// same share of the way from a common lower node up to its own bubble
// pressure, so that the two-phase side is drawn from two-phase nodes only and
// both reach 0 on the line; above the line there is no gas. Without a bubble
// pressure in both columns, the colder column's holds.
inline GasFraction gas_fraction(const Cell& c, float p) {
    const Pvtcom& T = PVTCOM;
    GasFraction g{0.0f, 0.0f, 0.0f, false};
    const float pb0 = T.PBUB(c.j), pb1 = T.PBUB(c.j + 1);
    const bool line = has_bubble(pb0) && has_bubble(pb1);
    float pb = pb0;
    if (line) {
        pb = pb0 + c.wT * (pb1 - pb0);
        if (p >= pb) {
            g.drst_set = true;
            return g;
        }
        const float lowest = std::min(pb0, pb1);
        // The common node below both bubble pressures; a point below the top
        // of its own interval there needs no search (it is read plainly).
        float base = lowest;
        if (p <= T.PP(c.i + 1) && T.PP(c.i + 1) <= lowest)
            base = T.PP(c.i + 1);
        else
            for (int k = 1; k <= T.NP && T.PP(k) <= lowest; ++k) base = T.PP(k);
        if (p > base) {
            const float span = pb - base, s = (p - base) / span;
            float d0, d1;
            const float f0 = column_fraction(c.j, base + s * (pb0 - base), pb0, d0);
            const float f1 = column_fraction(c.j + 1, base + s * (pb1 - base), pb1, d1);
            const float m0 = (1.0f - c.wT) * d0 * (pb0 - base), m1 = c.wT * d1 * (pb1 - base);
            g.rs = f0 + c.wT * (f1 - f0);
            g.drsp = g.rs == 0.0f ? 0.0f : (m0 + m1) / span;
            // s falls as the line rises with temperature
            const float dsdt = -s / span * (pb1 - pb0) * T.RDT(c.j);
            g.drst = (f1 - f0) * T.RDT(c.j) + (m0 + m1) * dsdt;
            g.drst_set = true;
            return g;
        }
    }
    Interp r = interp(c, P::KRS);
    // A gas node above 1 next to a split in pressure marks a dew line inside
    // the interval: the fraction is clipped after the pressure interpolation,
    // so that it reaches 1 there (within 0..1 the order makes no difference).
    float a = std::min(std::max(r.a, 0.0f), 1.0f);
    float b = std::min(std::max(r.b, 0.0f), 1.0f);
    float pi = T.PP(c.i), pi1 = T.PP(c.i + 1);
    float d = (b - a) * T.RDP(c.i), s = a;
    if (r.b > 1.0f && r.a < 1.0f) d = (r.b - a) * T.RDP(c.i);
    if (r.a > 1.0f && r.b < 1.0f) {
        s = r.a;
        d = (b - r.a) * T.RDP(c.i);
    }
    if (pb >= pi && pb <= pi1) {
        if (p <= pb) {
            d = pb == pi ? (0.0f - a) * T.RDP(c.i) : (0.0f - a) / (pb - pi);
            s = a;
        } else {
            s = 0.0f;
            d = b * T.RDP(c.i);
        }
    }
    float rs = s + (p - pi) * d;
    if (p > pb) rs = 0.0f;
    if (rs >= 1.0f) {
        rs = 1.0f;
        d = 0.0f;
    }
    rs = std::max(rs, 0.0f);
    g.rs = rs;
    g.drsp = rs == 0.0f ? 0.0f : d;
    return g;
}

// All outputs but RS, DRSP, X1, X2.
inline void all_properties(const Cell& c, PvtOut& o) {
    const Pvtcom& T = PVTCOM;
    const auto& t = T.TAB;
    o.ROG = interp(c, P::KROG).v;
    float rol = interp(c, P::KROL).v;
    o.ROL = rol > o.ROG ? rol : o.ROG + 1.0e-5f;
    o.DRGP = interp(c, P::KDRGP).v;
    o.DRLP = interp(c, P::KDRLP).v;
    o.VISG = std::max(interp(c, P::KVISG).v, 1.0e-9f);
    o.VISL = std::max(interp(c, P::KVISL).v, 1.0e-9f);
    o.CPG = interp(c, P::KCPG).v;
    o.CPL = interp(c, P::KCPL).v;
    Interp hl = interp(c, P::KHL), hg = interp(c, P::KHG);
    o.HL = hl.v;
    o.HG = hg.v;
    o.DHLP = (hl.b - hl.a) * T.RDP(c.i);
    o.DHGP = (hg.b - hg.a) * T.RDP(c.i);
    o.DRLT = interp(c, P::KDRLT).v;
    o.DRGT = interp(c, P::KDRGT).v;
    float c0 = t(c.j, c.i, P::KRS) + c.wP * (t(c.j, c.i + 1, P::KRS) - t(c.j, c.i, P::KRS));
    float c1 =
        t(c.j + 1, c.i, P::KRS) + c.wP * (t(c.j + 1, c.i + 1, P::KRS) - t(c.j + 1, c.i, P::KRS));
    o.DRST = (c1 - c0) * T.RDT(c.j);
    // A gas node beyond 1 marks a dew line inside the interval: past it the
    // fraction is held at 1 and does not change with temperature.
    const bool dew_inside = t(c.j, c.i, P::KRS) > 1.0f || t(c.j + 1, c.i, P::KRS) > 1.0f ||
                            t(c.j, c.i + 1, P::KRS) > 1.0f || t(c.j + 1, c.i + 1, P::KRS) > 1.0f;
    if (dew_inside && c0 + c.wT * (c1 - c0) >= 1.0f) o.DRST = 0.0f;
    o.CONG = interp(c, P::KCONG).v;
    o.CONL = interp(c, P::KCONL).v;
    o.SIG = std::max(interp(c, P::KSIG).v, 1.0e-5f);
}

inline Cell cell_of(int j, int i, float p, float t) {
    Cell c{j, i, 0.0f, 0.0f};
    c.wT = (t - PVTCOM.TT(j)) * PVTCOM.RDT(j);
    c.wP = (p - PVTCOM.PP(i)) * PVTCOM.RDP(i);
    return c;
}

inline float t_low() { return release_table_temperature_limit(PVTCOM.TT(1), PVTCOM.TT(2)); }
inline float t_high() {
    const int n = PVTCOM.NT;
    return release_table_temperature_limit(PVTCOM.TT(n), PVTCOM.TT(n - 1));
}

bool ordinary(int s) {
    int k = NETDSC.KSEC(s);
    return k >= -1 && k <= 1 && NETDSC.JBND(s) < 1;
}

}  // namespace

void UNPACK(const PVTBLK& blk) {
    Pvtcom& T = PVTCOM;
    T.NP = blk.NP;
    T.NT = blk.NT;
    for (int k = 1; k <= 20; ++k) {
        T.PP(k) = blk.P[k - 1];
        T.TT(k) = blk.T[k - 1];
        T.PBUB(k) = blk.PBUB[k - 1];
        T.TAUX(k) = blk.TAUX[k - 1];
        T.RDP(k) = 0.0f;
        T.RDT(k) = 0.0f;
    }
    for (int i = 1; i <= std::min(T.NP, MXNP) - 1; ++i) T.RDP(i) = 1.0f / (T.PP(i + 1) - T.PP(i));
    for (int j = 1; j <= std::min(T.NT, MXNT) - 1; ++j) T.RDT(j) = 1.0f / (T.TT(j + 1) - T.TT(j));
    T.MODE = 2;
    for (int s = 1; s <= 16; ++s) {
        int k = SLOT_TABLE[s - 1];
        for (int i = 1; i <= MXNP; ++i)
            for (int j = 1; j <= MXNT; ++j) T.TAB(j, i, s) = blk.TAB[k - 1][i - 1][j - 1];
    }
    for (int s = 17; s <= 18; ++s)
        for (int i = 1; i <= MXNP; ++i)
            for (int j = 1; j <= MXNT; ++j) T.TAB(j, i, s) = 0.0f;
    // Enthalpies are shifted so that the smallest used value is 0.
    const int np = std::min(std::max(T.NP, 0), MXNP), nt = std::min(std::max(T.NT, 0), MXNT);
    float m = 0.0f;
    for (int i = 1; i <= np; ++i)
        for (int j = 1; j <= nt; ++j) m = std::min({m, T.TAB(j, i, P::KHG), T.TAB(j, i, P::KHL)});
    if (m < 0.0f)
        for (int i = 1; i <= np; ++i)
            for (int j = 1; j <= nt; ++j) {
                T.TAB(j, i, P::KHG) -= m;
                T.TAB(j, i, P::KHL) -= m;
            }
}

void PVTCHK(const PVTBLK& blk, int32_t& IERR, char* MSG, int32_t LMSG) {
    if (blk.NP < 2 || blk.NP > 20)
        return refuse(IERR, MSG, LMSG,
                      "PROPERTY TABLE: NUMBER OF PRESSURE POINTS MUST BE BETWEEN 2 AND 20");
    if (blk.NT < 2 || blk.NT > 20)
        return refuse(IERR, MSG, LMSG,
                      "PROPERTY TABLE: NUMBER OF TEMPERATURE POINTS MUST BE BETWEEN 2 AND 20");
    bool finite = true;
    for (int i = 0; i < blk.NP; ++i) finite = finite && std::isfinite(blk.P[i]);
    for (int j = 0; j < blk.NT; ++j)
        finite = finite && std::isfinite(blk.T[j]) && std::isfinite(blk.PBUB[j]) &&
                 std::isfinite(blk.TAUX[j]);
    for (int k = 0; k < 16; ++k)
        for (int i = 0; i < blk.NP; ++i)
            for (int j = 0; j < blk.NT; ++j) finite = finite && std::isfinite(blk.TAB[k][i][j]);
    finite = finite && std::isfinite(blk.WCUT) && std::isfinite(blk.ROGST) &&
             std::isfinite(blk.ROLST) && std::isfinite(blk.GORST) && std::isfinite(blk.BETAST);
    if (!finite) return refuse(IERR, MSG, LMSG, "PROPERTY TABLE: A VALUE IS NOT A FINITE NUMBER");
    for (int i = 1; i < blk.NP; ++i)
        if (!(blk.P[i] > blk.P[i - 1]))
            return refuse(IERR, MSG, LMSG, "PROPERTY TABLE: PRESSURES MUST BE STRICTLY INCREASING");
    for (int j = 1; j < blk.NT; ++j)
        if (!(blk.T[j] > blk.T[j - 1]))
            return refuse(IERR, MSG, LMSG,
                          "PROPERTY TABLE: TEMPERATURES MUST BE STRICTLY INCREASING");
}

void PVTLUP(int32_t IT, int32_t IP, float p, float t, PvtOut& out, int32_t CHECK, int32_t& BELOW,
            int32_t MODE, int32_t& IERR, char* MSG, int32_t LMSG) {
    const Pvtcom& T = PVTCOM;
    // Without a table copy the limits themselves would lie outside the grid.
    if (T.NP < 2 || T.NP > MXNP || T.NT < 2 || T.NT > MXNT)
        return refuse(IERR, MSG, LMSG, "PROPERTY TABLES ARE NOT SET UP");
    // Written so that a NaN point fails a check instead of spreading.
    if (p < 0.5f * T.PP(1)) {
        if (is_true(CHECK)) {
            BELOW = 0;
            return refuse(IERR, MSG, LMSG, "PRESSURE TOO LOW.");
        }
        BELOW = -1;
    } else {
        BELOW = 0;
    }
    if (!(p <= release_highest_table_pressure(T.PP(T.NP))))
        return refuse(IERR, MSG, LMSG, RELEASE_PRESSURE_TOO_HIGH_TEXT);
    if (!(t >= t_low()))
        return refuse(IERR, MSG, LMSG,
                      "TEMPERATURE TOO LOW: " + value_text(t, "C") +
                          ", BELOW THE PROPERTY TABLES' LOWEST " + value_text(t_low(), "C"));
    if (!(t <= t_high()))
        return refuse(IERR, MSG, LMSG,
                      "TEMPERATURE TOO HIGH: " + value_text(t, "C") +
                          ", ABOVE THE PROPERTY TABLES' HIGHEST " + value_text(t_high(), "C"));
    // An interval outside the grid would read beyond the tables.
    if (IT < 1 || IT > T.NT - 1 || IP < 1 || IP > T.NP - 1)
        return refuse(IERR, MSG, LMSG, "TABLE INTERVAL OUTSIDE THE GRID");
    Cell c = cell_of(IT, IP, p, t);
    const GasFraction g = gas_fraction(c, p);
    out.RS = g.rs;
    out.DRSP = g.drsp;
    if (MODE == 1 || MODE == 2) {
        out.X1 = interp(c, P::KPVX1).v;
        out.X2 = interp(c, P::KPVX2).v;
    }
    if (MODE != 2) {
        all_properties(c, out);
        if (g.drst_set) out.DRST = g.drst;
    }
}

void PRECHK(int32_t& IERR, char* MSG, int32_t LMSG) {
    const Pvtcom& T = PVTCOM;
    Secvar& S = SECVAR;
    const int nsec = PIPGEO.NSEC;
    if (T.NP < 2 || T.NP > MXNP || T.NT < 2 || T.NT > MXNT)
        return refuse(IERR, MSG, LMSG, "PROPERTY TABLES ARE NOT SET UP");
    // Each section starts its search from its interval of the previous
    // step, which mostly is the answer (grids that fall somewhere are
    // scanned whole).
    const bool tup = grid_ascending(T.TT.data(), T.NT), pup = grid_ascending(T.PP.data(), T.NP);
    for (int s = 1; s <= nsec; ++s)
        if (ordinary(s))
            S.ITSEC(s) = tup ? tbloc_from(S.TM(s), T.TT.data(), T.NT, S.ITSEC(s))
                             : TBLOC(S.TM(s), T.TT.data(), T.NT, T.MODE);
    for (int s = 1; s <= nsec; ++s)
        if (ordinary(s))
            S.IPSEC(s) = pup ? tbloc_from(S.PT(s), T.PP.data(), T.NP, S.IPSEC(s))
                             : TBLOC(S.PT(s), T.PP.data(), T.NP, T.MODE);
    const float plim = release_highest_table_pressure(T.PP(T.NP)), tlo = t_low(), thi = t_high();
    const double ht = RUNCTL.HT;
    float prevp = S.PT(1), prevrs = 0.0f;
    PvtOut o{};
    for (int s = 1; s <= nsec; ++s) {
        if (!ordinary(s)) continue;
        float oldrs = S.RS(s);
        float p = S.PT(s);
        if (p < 0.0f) return refuse(IERR, MSG, LMSG, "PRESSURE TOO LOW. PLEASE CHECK INPUT");
        if (!(p <= plim)) return refuse(IERR, MSG, LMSG, "PRESSURE TO HIGH. PLEASE CHECK INPUT");
        float t = std::min(std::max(S.TM(s), tlo), thi);
        if (t != S.TM(s) && RUNCTL.ILIMIT == 0) {
            RUNCTL.TLIMIT = RUNCTL.TIME;
            RUNCTL.ILIMIT = s;
            RUNCTL.TMLIM0 = S.TM(s);
            RUNCTL.TMLIM = t;
        }
        S.TM(s) = t;
        Cell c = cell_of(S.ITSEC(s), S.IPSEC(s), p, t);
        const GasFraction g = gas_fraction(c, p);
        S.RS(s) = g.rs;
        S.DRSP(s) = g.drsp;
        all_properties(c, o);
        if (g.drst_set) o.DRST = g.drst;
        S.ROG(s) = o.ROG;
        S.DRGP(s) = o.DRGP;
        S.ROL(s) = o.ROL;
        S.DRLP(s) = o.DRLP;
        S.VISG(s) = o.VISG;
        S.VISL(s) = o.VISL;
        S.CPG(s) = o.CPG;
        S.CPL(s) = o.CPL;
        S.HL(s) = o.HL;
        S.HG(s) = o.HG;
        S.DHLP(s) = o.DHLP;
        S.DHGP(s) = o.DHGP;
        S.DRLT(s) = o.DRLT;
        S.DRGT(s) = o.DRGT;
        S.DRST(s) = o.DRST;
        S.CONG(s) = o.CONG;
        S.CONL(s) = o.CONL;
        S.SIG(s) = o.SIG;
        if (T.PVTOPT == 1) {
            S.PVX1(s) = interp(c, P::KPVX1).v;
            S.PVX2(s) = interp(c, P::KPVX2).v;
        }
        S.MTOT(s) = S.MG(s) + S.MLT(s);
        // The first update of a run comes before any step has a length.
        S.DRSDT(s) = ht > 0.0 ? static_cast<float>((S.RS(s) - oldrs) / ht) : 0.0f;
        S.DRSPB(s) = prevp == p ? 0.0f : (prevrs - S.RS(s)) / (prevp - p);
        prevp = p;
        prevrs = S.RS(s);
    }
    if (S.ROG(1) < 0.1f) S.ROG(1) = S.ROG(2);
    if (S.ROL(1) < 0.1f) S.ROL(1) = S.ROL(2);
}

bool section_gas_fraction(int s, float p, float& rs) {
    const Pvtcom& T = PVTCOM;
    const Secvar& S = SECVAR;
    if (s < 1 || s > PIPGEO.NSEC || !ordinary(s) || T.NP < 2 || T.NT < 2) return false;
    const int j = S.ITSEC(s);
    if (j < 1 || j > T.NT - 1 || !(p >= 0.0f)) return false;
    const int i = grid_ascending(T.PP.data(), T.NP) ? tbloc_from(p, T.PP.data(), T.NP, S.IPSEC(s))
                                                    : TBLOC(p, T.PP.data(), T.NP, T.MODE);
    if (i < 1 || i > T.NP - 1) return false;
    rs = gas_fraction(cell_of(j, i, p, S.TM(s)), p).rs;
    return true;
}

void PRPUPD(int32_t& IERR, char* MSG, int32_t LMSG) {
    // No test of IERR in between: a pressure error is returned together
    // with what the later updates did.
    PRECHK(IERR, MSG, LMSG);
    if (NETDSC.NBR > 1) SECPRP(IERR, MSG, LMSG);
    if (EQUIPM.NSOUR > 0) SRCTRM(IERR, MSG, LMSG);
}

}  // namespace rel
