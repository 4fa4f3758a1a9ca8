// The liquid side of the mass step: the implicit droplet and bulk-liquid
// system (LIQASM), the volume fractions and the run's mass balance (VOLFRC),
// and the boundary fluxes after the step (MFLUX).
//
// Upwind transport in the direction indices JUD/JUL of each boundary; a flux
// through boundary i counts CFLFAC(i) in the equation of section i and
// EXPFAC(i) in that of section i-1, the two area ratios of the boundary's
// flow area to the section areas, so that the mass leaving one section is
// exactly the mass entering the next.
#include <algorithm>
#include <cmath>

#include "run/constants.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/mass.h"

namespace rel {

int32_t LIQASM() {
    auto& V = SECVAR;
    auto& G = PIPGEO;
    auto& N = NETDSC;
    auto& E = EQUIPM;
    auto& W = BANDWK;
    const int32_t nsec = G.NSEC;
    // The step length and its ratio to the section length enter the
    // coefficients in double: rounded to single precision they make the
    // system's flows differ from those the boundary fluxes book, and the
    // difference drifts the line balance over a long run.
    const double ht = RUNCTL.HT;

    clear_band(2 * nsec + 1, 2);

    int32_t k = 1;
    for (int32_t i = 1; i <= nsec; ++i) {
        if (N.JBND(i) >= 1) continue;  // junction node: no unknowns
        const int32_t a = 2 * k - 1;
        ++k;
        if (N.KSEC(i) >= 1 || i == nsec) {
            band_off(a, 0) = 1.0;
            W.RHS(a) = V.MD(i);
            band_off(a + 1, 0) = 1.0;
            W.RHS(a + 1) = V.ML(i);
            continue;
        }

        // Shares of liquid that enters or changes phase as one stream.
        float sD = 0.0f, sB = 1.0f;
        if (V.BE(i) + V.GA(i) > 1.0e-8f) {
            sD = V.GA(i) / (V.BE(i) + V.GA(i));
            sB = V.BE(i) / (V.BE(i) + V.GA(i));
        }
        const float S = V.UL(i + 1) * V.DEPK(i + 1) + V.UD(i + 1) * V.ENTK(i + 1);
        if (S > 1.0e-8f) {
            sD = V.UD(i + 1) * V.ENTK(i + 1) / S;
            sB = V.UL(i + 1) * V.DEPK(i + 1) / S;
        }
        float wD = sD, wB = sB;
        if (V.MLT(i) > 1.0e-8f) {
            wD = V.MD(i) / V.MLT(i);
            wB = V.ML(i) / V.MLT(i);
        }
        const double r = ht / G.DX(i);

        // Inflow side of both rows (a: droplets, a+1: bulk liquid).
        float bD = 0.0f, bL = 0.0f;
        if (N.JBND(i) == 0) {
            band_off(a, -2) = -(1 - V.JUD(i)) * r * V.UD(i) * G.CFLFAC(i);
            bD = V.JUD(i) * V.UD(i) * G.CFLFAC(i);
            band_off(a + 1, -2) = -(1 - V.JUL(i)) * r * V.UL(i) * G.CFLFAC(i);
            bL = V.JUL(i) * V.UL(i) * G.CFLFAC(i);
        } else {
            const int32_t j = -N.JBND(i);
            float sumD = 0.0f, sumL = 0.0f;
            for (int32_t m = 1; m <= N.NBJ(j) - 1; ++m) {
                const int32_t s = jend(j, m);
                if (V.JUD(s) == 0)
                    W.CJUNC(j, m, 1) = -r * V.UD(s) * G.CFLFAC(s);
                else
                    sumD += V.UD(s) * G.CFLFAC(s);
                if (V.JUL(s) == 0)
                    W.CJUNC(j, m, 4) = -r * V.UL(s) * G.CFLFAC(s);
                else
                    sumL += V.UL(s) * G.CFLFAC(s);
            }
            bD = G.CFLFAC(i) * sumD;
            bL = G.CFLFAC(i) * sumL;
        }

        const int32_t n = i + 1;
        band_off(a, 0) = 1.0f + r * ((1 - V.JUD(n)) * V.UD(n) * G.EXPFAC(n) - bD) + ht * V.DEPK(n);
        band_off(a, 1) = -ht * V.ENTK(n);
        band_off(a + 1, -1) = -ht * V.DEPK(n);
        band_off(a + 1, 0) =
            1.0f + r * ((1 - V.JUL(n)) * V.UL(n) * G.EXPFAC(n) - bL) + ht * V.ENTK(n);
        band_off(a + 1, 1) = 0.0;
        band_off(a, 2) = r * V.JUD(n) * V.UD(n) * G.EXPFAC(n);
        band_off(a + 1, 2) = r * V.JUL(n) * V.UL(n) * G.EXPFAC(n);
        if (N.JBND(n) > 0) {
            // Backflow out of the junction's downstream section into the last
            // real section of this branch.
            const int32_t j = N.JBND(n);
            const int32_t m = jslot_of_section(i, j);
            if (V.JUD(n) == 1) {
                band_off(a, 2) = 0.0;
                W.BJUNC(j, m, 1) = r * V.UD(n);
            }
            if (V.JUL(n) == 1) {
                band_off(a + 1, 2) = 0.0;
                W.BJUNC(j, m, 4) = r * V.UL(n);
            }
        }
        // The right-hand sides are formed in double: the step's change is
        // small against the mass, and rounding it to single precision before
        // it reaches the solution drifts the balance over a long run.
        W.RHS(a) =
            double(V.MD(i)) + V.MDREM(i) + ht * (double(wD) * V.PSI(i) - V.DEP0(n) + V.ENT0(n));
        W.RHS(a + 1) =
            double(V.ML(i)) + V.MLREM(i) + ht * (double(wB) * V.PSI(i) + V.DEP0(n) - V.ENT0(n));

        // Liquid parts of sources and valve sources; the leak (negative) takes
        // droplets and bulk liquid as the section holds them, so that it
        // never draws more of either than is there.
        double src = 0.0;
        for (int32_t q = 1; q <= E.NSOUR; ++q)
            if (E.ISOUR(q) == i) src += r * E.WLSOUR(q);
        for (int32_t q = 1; q <= E.NVSRC; ++q)
            if (E.IVSSEC(q) == i) src += r * E.WLSOVA(q);
        double leak = 0.0;
        for (int32_t q = 1; q <= E.NLEAK; ++q)
            if (E.ILKSEC(q) == i) leak += r * LEKRES.WLLEAK(q);
        W.RHS(a) += sD * src + wD * leak;
        W.RHS(a + 1) += sB * src + wB * leak;
    }
    return 2 * (k - 1);
}

namespace {
constexpr int32_t LMSG_CHOKE = 256;
float ratio_or_zero(double num, float den) {
    return den > 0.0f ? static_cast<float>(num / den) : 0.0f;
}
}  // namespace

void VOLFRC() {
    auto& V = SECVAR;
    auto& G = PIPGEO;
    auto& N = NETDSC;
    auto& E = EQUIPM;
    auto& L = LEKRES;
    auto& P = PVTCOM;
    const int32_t nsec = G.NSEC;
    const double t = RUNCTL.HT;
    const float g = GRAV;

    auto counted = [&](int32_t i) { return N.JBND(i) < 1 && N.KSEC(i) == 0; };

    // 1. Volume fractions from the new masses.
    for (int32_t i = 1; i <= nsec; ++i) {
        if (!counted(i)) continue;
        if (V.MD(i) < 1.0e-9f) V.MD(i) = V.MDREM(i) = 0.0f;
        if (V.ML(i) < 1.0e-9f) V.ML(i) = V.MLREM(i) = 0.0f;
        if (V.MG(i) < 1.0e-9f) V.MG(i) = V.MGREM(i) = 0.0f;
        const float vg = V.MG(i) / V.ROG(i);
        const float vl = V.ML(i) / V.ROL(i);
        const float vd = V.MD(i) / V.ROL(i);
        V.MLT(i) = V.ML(i) + V.MD(i);
        const float s = vg + vl + vd;
        const float f = s > 1.0e-6f ? 1.0f / s : 1.0f;
        V.AL(i) = vg * f;
        V.BE(i) = vl * f;
        V.GA(i) = vd * f;
        V.HOL(i) = 1.0f - V.AL(i);
        V.VOL(i) = (V.GA(i) + V.BE(i) + V.AL(i)) - s;
    }

    // 2. Running maxima of the volume error.
    for (int32_t i = 1; i <= nsec; ++i) {
        const float e = std::fabs(V.VOL(i));
        if (e >= V.VOLMX1(i)) {
            V.VOLMX1(i) = e;
            V.TVOLMX(i) = static_cast<float>(RUNCTL.TIME);
        }
        V.VOLMX2(i) = std::max(V.VOLMX2(i), e);
        V.VOLMX3(i) = std::max(V.VOLMX3(i), e);
        V.MAXERR = std::max(V.MAXERR, e);
    }

    // 3. Mass in the pipes and the flows through the network's ends; n is
    // the net outflow of the step.
    double pipe = 0.0, n = 0.0, released = 0.0;
    for (int32_t i = 1; i <= nsec; ++i) {
        if (counted(i)) pipe += (double(V.MG(i)) + V.MLT(i)) * G.SECAREA(i) * G.DX(i);
        const int32_t b = jbranch(i);
        if (N.KSEC(i) >= 1 && i < nsec) {
            // A boundary cell ahead of the computed range feeds the pipe
            // through its downstream boundary.
            const int32_t f = i + 1;
            const double mg = double(V.MG(i + V.JUG(f))) * V.UG(f) * G.SECAREA(f) * t;
            const double ml =
                (double(V.MD(i + V.JUD(f))) * V.UD(f) + double(V.ML(i + V.JUL(f))) * V.UL(f)) *
                G.SECAREA(f) * t;
            n -= mg + ml;
            if (b > 0)
                for (int32_t set = 1; set <= 2; ++set) {
                    V.BRMIN(b, set, 1) += mg;
                    V.BRMIN(b, set, 2) += ml;
                    V.BRMIN(b, set, 3) = V.BRMIN(b, set, 1) + V.BRMIN(b, set, 2);
                }
        } else if (N.KSEC(i) == -1 && nsec >= 2) {
            // The outlet: the flow through the last boundary out of the last
            // computed section.
            const int32_t o = nsec - 1;
            const double A = G.SECAREA(o) * t;
            const double mg = double(V.MG(o + V.JUG(nsec))) * V.UG(nsec) * A;
            const double ml = (double(V.MD(o + V.JUD(nsec))) * V.UD(nsec) +
                               double(V.ML(o + V.JUL(nsec))) * V.UL(nsec)) *
                              A;
            n += mg + ml;
            if (b > 0)
                for (int32_t set = 1; set <= 2; ++set) {
                    V.BRMOUT(b, set, 1) += mg;
                    V.BRMOUT(b, set, 2) += ml;
                    V.BRMOUT(b, set, 3) = V.BRMOUT(b, set, 1) + V.BRMOUT(b, set, 2);
                }
            if (V.UG(nsec) >= 0.0f) released += A * V.UG(nsec) * V.MG(o);
            if (V.UL(nsec) >= 0.0f) released += A * V.UL(nsec) * V.ML(o);
            if (V.UD(nsec) >= 0.0f) released += A * V.UD(nsec) * V.MD(o);
        }
    }

    // 4. Sources, valve sources and leaks.
    for (int32_t k = 1; k <= E.NSOUR; ++k)
        n -= (double(E.WLSOUR(k)) + E.WGSOUR(k)) * G.SECAREA(E.ISOUR(k)) * t;
    for (int32_t k = 1; k <= E.NVSRC; ++k) n -= double(E.GTSOVA(k)) * t;
    const float W = P.WFST;       // water mass fraction of the liquid
    const float beta = P.BETAST;  // gas mass fraction at standard conditions
    for (int32_t k = 1; k <= E.NLEAK; ++k) {
        const int32_t c = E.ILKSEC(k);
        const double A = G.SECAREA(c) * t;
        L.ACGM(k) -= double(LEKRES.WGLEAK(k)) * A;
        L.ACLM(k) -= double(LEKRES.WLLEAK(k)) * A;
        L.ACMASS(k) = L.ACGM(k) + L.ACLM(k);
        L.ACGAS(k) = ratio_or_zero(L.ACGM(k), L.ROGLK);
        L.ACOIL(k) = ratio_or_zero(L.ACLM(k) * (1.0f - W), L.ROLLK);
        L.ACOSTD(k) = ratio_or_zero((1.0f - beta) * (1.0f - W) * L.ACMASS(k), P.ROLST);
        L.ACGSTD(k) = ratio_or_zero(beta * (1.0f - W) * L.ACMASS(k), P.ROGST);
        n -= (double(LEKRES.WGLEAK(k)) + LEKRES.WLLEAK(k)) * A;
    }

    // 5. Balance.
    V.RMPIPE = pipe;
    V.RMLGT = pipe;
    V.RMNET += n;
    V.RMOUT += released;
    V.RMTOT = V.RMNET + V.RMPIPE;

    // 6. Energy balance, with temperatures only.
    if (RUNCTL.ITEMP == 0) return;
    double epipe = 0.0, cptot = 0.0, qw = 0.0, en = 0.0;
    const int32_t sw = RUNCTL.ITEMP;
    for (int32_t i = 1; i <= nsec; ++i) {
        if (!counted(i)) continue;
        const float z = g * G.ZSEC(i);
        const float el = V.HL(i) - V.PT(i) / V.ROL(i) + z;
        const float eg = V.HG(i) - V.PT(i) / V.ROG(i) + z;
        const double vol = double(G.SECAREA(i)) * G.DX(i);
        epipe += ((V.UD(i + 1) * V.UD(i + 1) / 2.0f + el) * V.MD(i) +
                  (V.UL(i + 1) * V.UL(i + 1) / 2.0f + el) * V.ML(i) +
                  (V.UG(i + 1) * V.UG(i + 1) / 2.0f + eg) * V.MG(i)) *
                 vol;
        cptot += (V.MLT(i) * V.CPL(i) + V.MG(i) * V.CPG(i)) * vol;
        if (sw == 2 || sw == 3)
            qw += (V.TW(i) - V.TM(i)) * G.QWV(i) * vol * t;
        else if (sw == 4)
            qw += (G.TAMBS(i) - V.TM(i)) * G.QWV(i) * vol * t;
    }
    // Energy carried through one boundary f by the three phases from their donors.
    auto carried = [&](int32_t f, int32_t base, double A) {
        auto one = [&](float u, int32_t d, float m, float h) {
            return (double(g) * G.ZSEC(d) + u * u / 2.0 + h) * m * u * A;
        };
        const int32_t dg = base + V.JUG(f), dl = base + V.JUL(f), dd = base + V.JUD(f);
        return one(V.UG(f), dg, V.MG(dg), V.HG(dg)) + one(V.UL(f), dl, V.ML(dl), V.HL(dl)) +
               one(V.UD(f), dd, V.MD(dd), V.HL(dd));
    };
    for (int32_t i = 1; i <= nsec; ++i) {
        if (N.KSEC(i) >= 1 && i < nsec)
            en -= carried(i + 1, i, G.SECAREA(i + 1) * t);
        else if (N.KSEC(i) == -1 && nsec >= 2)
            en += carried(nsec, nsec - 1, G.SECAREA(nsec - 1) * t);
    }
    for (int32_t k = 1; k <= E.NSOUR; ++k) {
        const int32_t c = E.ISOUR(k);
        en -= double(E.HSOUR(k)) * G.SECAREA(c) * G.DX(c) * t;
    }
    for (int32_t k = 1; k <= E.NVSRC; ++k) {
        const int32_t c = E.IVSSEC(k);
        en -= double(E.HSOVA(k)) * G.SECAREA(c) * G.DX(c) * t;
    }
    for (int32_t k = 1; k <= E.NLEAK; ++k) {
        const int32_t c = E.ILKSEC(k);
        en -= double(LEKRES.HLEAK(k)) * G.SECAREA(c) * G.DX(c) * t;
    }
    V.ENPIPE = epipe;
    V.CPTOT = cptot;
    V.QWACC += qw;
    V.ENET += en;
    V.ETOT = V.ENPIPE - V.QWACC + V.ENET;
}

// Upwind fluxes, flows and volume flows at every boundary after the masses
// of the step are known.
void MFLUX(int32_t IFLAG, int32_t& IERR, char* MSG, int32_t LMSG) {
    auto& V = SECVAR;
    auto& G = PIPGEO;
    auto& N = NETDSC;
    auto& E = EQUIPM;
    const int32_t nsec = G.NSEC;
    const float ht = static_cast<float>(RUNCTL.HT);

    for (int32_t i = 2; i <= nsec; ++i) {
        if (N.JBND(i) >= 0) {
            int32_t dg = i - 1 + V.JUG(i), dl = i - 1 + V.JUL(i), dd = i - 1 + V.JUD(i);
            if (N.JBND(i) > 0) {
                // Backflow into a branch end comes from the junction's downstream section.
                const int32_t down = jdown(N.JBND(i));
                if (V.UG(i) < 0.0f) dg = down;
                if (V.UL(i) < 0.0f) dl = down;
                if (V.UD(i) < 0.0f) dd = down;
            }
            V.WG(i) = V.MG(dg) * V.UG(i);
            V.WL(i) = V.ML(dl) * V.UL(i);
            V.WD(i) = V.MD(dd) * V.UD(i);
            V.USG(i) = V.AL(dg) * V.UG(i);
            V.USL(i) = V.BE(dl) * V.UL(i);
            V.USD(i) = V.GA(dd) * V.UD(i);
        } else {
            // Behind a junction: what the incoming ends deliver, referred to
            // this section's area.
            const int32_t j = -N.JBND(i);
            float wg = 0.0f, wl = 0.0f, wd = 0.0f;
            for (int32_t m = 1; m <= N.NBJ(j) - 1; ++m) {
                const int32_t s = jend(j, m);
                wg += V.WG(s) * G.CFLFAC(s);
                wl += V.WL(s) * G.CFLFAC(s);
                wd += V.WD(s) * G.CFLFAC(s);
            }
            V.WG(i) = wg;
            V.WL(i) = wl;
            V.WD(i) = wd;
            V.USG(i) = wg / V.ROG(i);
            V.USL(i) = wl / V.ROL(i);
            V.USD(i) = wd / V.ROL(i);
        }
        const float A = G.AREA(i);
        V.GG(i) = V.WG(i) * A;
        V.GL(i) = V.WL(i) * A;
        V.GD(i) = V.WD(i) * A;
        V.QG(i) = V.USG(i) * A;
        V.QL(i) = V.USL(i) * A;
        V.QD(i) = V.USD(i) * A;
        V.GLT(i) = V.GL(i) + V.GD(i);
        const float gt = V.GD(i) + V.GG(i) + V.GL(i);
        V.DGTDT(i) = (gt - V.GT(i)) / ht;
        V.GT(i) = gt;
        V.QLT(i) = V.QD(i) + V.QL(i);
        V.QT(i) = V.QLT(i) + V.QG(i);
        V.JUT(i) = V.GT(i) >= 0.0f ? 0 : 1;
        for (int32_t set = 1; set <= 2; ++set) {
            V.QGACC(i, set) += double(V.QG(i)) * ht;
            V.QLACC(i, set) += double(V.QLT(i)) * ht;
            V.QTACC(i, set) += double(V.QT(i)) * ht;
        }
    }

    for (int32_t k = 1; k <= E.NSOUR; ++k) {
        const int32_t c = E.ISOUR(k);
        const double mg = double(E.WGSOUR(k)) * G.SECAREA(c) * ht;
        const double ml = double(E.WLSOUR(k)) * G.SECAREA(c) * ht;
        for (int32_t set = 1; set <= 2; ++set) {
            V.SRVACC(k, set) += mg / V.ROG(c) + ml / V.ROL(c);
            V.SRGACC(k, set) += mg;
            V.SRLACC(k, set) += ml;
            V.SRTACC(k, set) = V.SRGACC(k, set) + V.SRLACC(k, set);
        }
    }

    // Choke states: the choke model refreshes them; its error is taken up
    // again by the next implicit step.
    const int32_t nchk = E.NCHOKE - E.NVSRC - E.NLEAK;
    if (E.NCHOKE > 0 && (IFLAG & 1) == 0) {
        for (int32_t c = 1; c <= nchk; ++c)
            if ((E.CHOFLG(c) & 1) == 0) E.IDVST2(c) = 2;
        int32_t ierr = 0;
        char msg[LMSG_CHOKE];
        CHOFLO(ierr, msg, LMSG_CHOKE);
    }
}

}  // namespace rel
