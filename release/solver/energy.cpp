// The energy step: one implicit equation per section in the new temperature,
//   C (T - T0) + t (outflow - inflow of energy) = E + wall heat + sources,
// where each phase's flux energy u m (h + u^2/2 + g z) is linearised in the
// donor's temperature with the coefficient cp m u, C is the heat capacity of
// the section's contents, and E the energy stored at the end of the last
// step minus what the new masses hold at the old temperature.
#include <algorithm>
#include <cmath>

#include "run/constants.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/mass.h"

namespace rel {

namespace {

// Velocity of a phase inside a section from those at its two faces.
float section_velocity(float u1, float u2) {
    if (u1 >= 0.0f) return u2 > 0.0f ? u2 : 0.0f;
    return u2 <= 0.0f ? u1 : std::max(std::fabs(u1), std::fabs(u2));
}

// Gas released from the liquid per unit temperature change, kg/m3 K,
// limited so that neither phase goes negative over the step.
float release_factor(int32_t s) {
    auto& V = SECVAR;
    float lam = (V.MLT(s) + V.MG(s)) * V.DRST(s);
    const float dth = V.DTM(s) * static_cast<float>(RUNCTL.HT);
    if (std::fabs(dth) > 1.0e-5f) {
        if (V.MG(s) + lam * dth < 0.0f) lam = -V.MG(s) / dth;
        if (V.MLT(s) - lam * dth < 0.0f) lam = V.MLT(s) / dth;
    }
    return lam;
}

// One face of a section: per phase its donor, flux energy, the release
// correction and the flux coefficient (cp m u times the area ratio).
struct Face {
    int32_t dg, dl, dd;
    float eg, el, ed;  // flux energies, J/kg
    float Fg, Fl, Fd;  // coefficients of the donor temperatures
    float Eflux;       // u m e of the three phases, without the area ratio
};

Face face(int32_t f, int32_t dg, int32_t dl, int32_t dd, float ratio) {
    auto& V = SECVAR;
    auto& G = PIPGEO;
    Face x{};
    x.dg = dg;
    x.dl = dl;
    x.dd = dd;
    x.eg = V.UG(f) * V.UG(f) / 2.0f + V.HG(dg) + GRAV * G.ZSEC(dg);
    x.el = V.UL(f) * V.UL(f) / 2.0f + V.HL(dl) + GRAV * G.ZSEC(dl);
    x.ed = V.UD(f) * V.UD(f) / 2.0f + V.HL(dd) + GRAV * G.ZSEC(dd);
    float cg = 0.0f, cl = 0.0f, cd = 0.0f;
    if (dg == dl && dl == dd) {
        const int32_t s = dg;
        const float lam = release_factor(s);
        cg = lam;
        const float liq = V.BE(s) + V.GA(s);
        if (liq > 1.0e-6f) {
            cl = -V.BE(s) / liq * lam;
            cd = -V.GA(s) / liq * lam;
        }
    }
    x.Fg = (cg * x.eg + V.CPG(dg) * V.MG(dg)) * V.UG(f) * ratio;
    x.Fl = (V.CPL(dl) * V.ML(dl) + cl * x.el) * V.UL(f) * ratio;
    x.Fd = (V.CPL(dd) * V.MD(dd) + cd * x.ed) * V.UD(f) * ratio;
    x.Eflux = V.UG(f) * x.eg * V.MG(dg) + V.UL(f) * x.el * V.ML(dl) + V.UD(f) * x.ed * V.MD(dd);
    return x;
}
}  // namespace

int32_t ENEASM() {
    auto& V = SECVAR;
    auto& G = PIPGEO;
    auto& N = NETDSC;
    auto& E = EQUIPM;
    auto& W = BANDWK;
    const int32_t nsec = G.NSEC;
    const float ht = static_cast<float>(RUNCTL.HT);
    const int32_t sw = RUNCTL.ITEMP;

    clear_band(nsec + 1, 1);

    int32_t k = 0;
    for (int32_t i = 1; i <= nsec; ++i) {
        if (N.JBND(i) > 0) continue;
        ++k;
        if (N.KSEC(i) != 0 || i == nsec) {
            band_off(k, 0) = 1.0;
            W.RHS(k) = V.TM(i);
            continue;
        }
        const float r = ht / G.DX(i);
        const int32_t n = i + 1;

        // Outlet face: donors i or i+1; backflow into a branch end comes from
        // the junction's downstream section.
        int32_t dgo = i + V.JUG(n), dlo = i + V.JUL(n), ddo = i + V.JUD(n);
        const int32_t jn = N.JBND(n) > 0 ? N.JBND(n) : 0;
        if (jn > 0) {
            const int32_t down = jdown(jn);
            if (V.JUG(n) == 1) dgo = down;
            if (V.JUL(n) == 1) dlo = down;
            if (V.JUD(n) == 1) ddo = down;
        }
        const Face out = face(n, dgo, dlo, ddo, G.EXPFAC(n));

        // Heat capacity and stored energy of the section.
        const float P = V.PT(i);
        const float lam = release_factor(i);
        const float C = V.MG(i) * (V.CPG(i) + P * V.DRGT(i) / (V.ROG(i) * V.ROG(i))) +
                        (V.ML(i) + V.MD(i)) * (V.CPL(i) + P * V.DRLT(i) / (V.ROL(i) * V.ROL(i))) +
                        lam * ((V.HG(i) - P / V.ROG(i)) - (V.HL(i) - P / V.ROL(i)));
        const float ug = section_velocity(V.UG(i), V.UG(n));
        const float ul = section_velocity(V.UL(i), V.UL(n));
        const float ud = section_velocity(V.UD(i), V.UD(n));
        const float Eold = V.EG(i) + V.EL(i) - (V.HL(i) - P / V.ROL(i)) * V.MLT(i) -
                           (V.HG(i) - P / V.ROG(i)) * V.MG(i) -
                           (V.ML(i) + V.MD(i) + V.MG(i)) * GRAV * G.ZSEC(i) -
                           (ug * ug * V.MG(i) + ul * ul * V.ML(i) + ud * ud * V.MD(i)) / 2.0f;

        // Wall heat and sources.
        float dwall = 0.0f, qwall = 0.0f;
        if (sw > 1) dwall = G.QWV(i) * ht;
        if (sw == 2 || sw == 3)
            qwall = V.TW(i) * G.QWV(i) * ht;
        else if (sw == 4)
            qwall = G.QWV(i) * G.TAMBS(i) * ht;
        float dsrc = 0.0f, qsrc = 0.0f;
        auto source = [&](float wg, float wl, float h) {
            qsrc += h * ht;
            if (wg < 0.0f || wl < 0.0f) {
                const float c = (wl * V.CPL(i) + wg * V.CPG(i)) / G.DX(i);
                dsrc += c * ht;
                qsrc -= V.TM(i) * c * ht;
            }
        };
        for (int32_t q = 1; q <= E.NSOUR; ++q)
            if (E.ISOUR(q) == i) source(E.WGSOUR(q), E.WLSOUR(q), E.HSOUR(q));
        for (int32_t q = 1; q <= E.NVSRC; ++q)
            if (E.IVSSEC(q) == i) source(E.WGSOVA(q), E.WLSOVA(q), E.HSOVA(q));
        for (int32_t q = 1; q <= E.NLEAK; ++q)
            if (E.ILKSEC(q) == i) source(LEKRES.WGLEAK(q), LEKRES.WLLEAK(q), LEKRES.HLEAK(q));

        // Outlet coefficients by donor.
        float out_self = 0.0f, out_next = 0.0f, out_jun = 0.0f;
        auto sort_out = [&](int32_t d, float F) {
            if (d == i)
                out_self += F;
            else if (d == i + 1)
                out_next += F;
            else
                out_jun += F;
        };
        sort_out(dgo, out.Fg);
        sort_out(dlo, out.Fl);
        sort_out(ddo, out.Fd);
        const float out_T = out.Fg * V.TM(dgo) + out.Fl * V.TM(dlo) + out.Fd * V.TM(ddo);

        if (N.JBND(i) < 0) {
            EneRow e{n,
                     dgo,
                     dlo,
                     ddo,
                     C,
                     dwall,
                     out.Fg,
                     out.Fl,
                     out.Fd,
                     0.0f,
                     dsrc,
                     out.eg * V.MG(dgo),
                     out.el * V.ML(dlo),
                     out.ed * V.MD(ddo),
                     Eold + C * V.TM(i),
                     qwall + qsrc};
            JUNENE(i, k, r, e);
        } else {
            const int32_t dgi = std::max(1, i - 1 + V.JUG(i));
            const int32_t dli = std::max(1, i - 1 + V.JUL(i));
            const int32_t ddi = std::max(1, i - 1 + V.JUD(i));
            const Face in = face(i, dgi, dli, ddi, G.CFLFAC(i));
            float in_prev = 0.0f, in_self = 0.0f;
            auto sort_in = [&](int32_t d, float F) { (d == i ? in_self : in_prev) += F; };
            sort_in(dgi, in.Fg);
            sort_in(dli, in.Fl);
            sort_in(ddi, in.Fd);
            const float in_T = in.Fg * V.TM(dgi) + in.Fl * V.TM(dli) + in.Fd * V.TM(ddi);
            band_off(k, -1) = N.KSEC(i - 1) >= 2 ? 0.0f : -r * in_prev;
            band_off(k, 0) = C + r * (out_self - in_self) + dwall - dsrc;
            W.RHS(k) = Eold + C * V.TM(i) +
                       r * (-out.Eflux * G.EXPFAC(n) + in.Eflux * G.CFLFAC(i) + (out_T - in_T)) +
                       qwall + qsrc;
        }
        band_off(k, 1) = N.KSEC(n) == -2 ? 0.0f : r * out_next;
        if (jn > 0 && out_jun != 0.0f) W.BJUNC(jn, jslot_of_section(i, jn), 1) = r * out_jun;
    }
    return k;
}

// The energy row of the first section s of junction j's outgoing branch,
// with the energy that every incoming branch carries across the junction.
void JUNENE(int32_t s, int32_t row, float t, const EneRow& e) {
    auto& V = SECVAR;
    auto& G = PIPGEO;
    auto& N = NETDSC;
    auto& W = BANDWK;
    const int32_t j = -N.JBND(s);

    float sG = 0.0f, sL = 0.0f, sD = 0.0f, fG = 0.0f, fL = 0.0f, fD = 0.0f;
    float EG = 0.0f, EL = 0.0f, ED = 0.0f, SG = 0.0f, SL = 0.0f, SD = 0.0f;
    for (int32_t m = 1; m <= N.NBJ(j) - 1; ++m) {
        const int32_t n = jend(j, m);
        const float rb = G.CFLFAC(n);
        W.CJUNC(j, m, 1) = -t * rb *
                           ((1 - V.JUG(n)) * V.MG(n - 1) * V.CPG(n - 1) * V.UG(n) +
                            (1 - V.JUL(n)) * V.ML(n - 1) * V.CPL(n - 1) * V.UL(n) +
                            (1 - V.JUD(n)) * V.MD(n - 1) * V.CPL(n - 1) * V.UD(n));
        if (V.JUG(n) == 1) {
            sG += V.UG(n) * rb;
            fG = 1.0f;
        }
        if (V.JUL(n) == 1) {
            sL += V.UL(n) * rb;
            fL = 1.0f;
        }
        if (V.JUD(n) == 1) {
            sD += V.UD(n) * rb;
            fD = 1.0f;
        }
        const int32_t dg = V.JUG(n) == 1 ? s : n - 1;
        const int32_t dl = V.JUL(n) == 1 ? s : n - 1;
        const int32_t dd = V.JUD(n) == 1 ? s : n - 1;
        EG += (G.ZSEC(dg) * GRAV + V.HG(dg) + 0.5f * V.UG(n) * V.UG(n)) * V.MG(dg) * V.UG(n) * rb;
        EL += (G.ZSEC(dl) * GRAV + V.HL(dl) + 0.5f * V.UL(n) * V.UL(n)) * V.ML(dl) * V.UL(n) * rb;
        ED += (G.ZSEC(dd) * GRAV + V.HL(dd) + 0.5f * V.UD(n) * V.UD(n)) * V.MD(dd) * V.UD(n) * rb;
        SG += V.UG(n) * V.MG(dg) * V.CPG(dg) * rb * V.TM(dg);
        SL += V.UL(n) * V.ML(dl) * V.CPL(dl) * rb * V.TM(dl);
        SD += V.UD(n) * V.MD(dd) * V.CPL(dd) * rb * V.TM(dd);
    }
    band_off(row, -1) = 0.0;
    // Outlet coefficients count on the diagonal where the section itself is
    // the donor.
    auto own = [&](int32_t d) { return d == e.k0 - 1 ? 1.0f : 0.0f; };
    band_off(row, 0) =
        t * (own(e.k1) * e.c1 + own(e.k2) * e.c2 + own(e.k3) * e.c3 - fG * sG * V.MG(s) * V.CPG(s) -
             fL * sL * V.ML(s) * V.CPL(s) - fD * sD * V.MD(s) * V.CPL(s)) +
        e.e1 + e.e2 + e.e3 - e.e4;
    W.RHS(row) = t * (EG + EL + ED -
                      (e.wG * V.UG(e.k0) + e.wL * V.UL(e.k0) + e.wD * V.UD(e.k0)) * G.EXPFAC(e.k0) +
                      e.c1 * V.TM(e.k1) + e.c2 * V.TM(e.k2) + e.c3 * V.TM(e.k3) - SG - SL - SD) +
                 e.q1 + e.q2;
}

void TEMPSL(int32_t& IERR, char* MSG, int32_t LMSG) {
    auto& V = SECVAR;
    auto& G = PIPGEO;
    auto& N = NETDSC;
    auto& W = BANDWK;
    const int32_t nsec = G.NSEC;
    const float ht = static_cast<float>(RUNCTL.HT);
    const int32_t sw = RUNCTL.ITEMP;

    const int32_t neq = ENEASM();
    if (N.NBR > 1) {
        junction_rows(1);
        NETSLV(neq, 3, 1, IERR, MSG, LMSG);
    } else
        BANDLU(neq, 3, IERR, MSG, LMSG);
    if (IERR != 0) return;

    int32_t r = 0;
    for (int32_t i = 1; i <= nsec; ++i) {
        if (N.JBND(i) > 0) continue;
        ++r;
        V.TMOLD(i) = V.TM(i);
        V.TM(i) = static_cast<float>(W.RHS(r));
        V.TMWALL(i) = V.TM(i);
        if (sw != 2 && sw != 3) V.DTM(i) = (V.TM(i) - V.TMOLD(i)) / ht;
    }

    PRPUPD(IERR, MSG, LMSG);
    MTRANS();

    const float pi = 3.141593f;
    for (int32_t i = 1; i <= nsec; ++i) {
        if (N.KSEC(i) != 0 || N.JBND(i) > 0) continue;
        V.QM(i) = (G.TAMBS(i) - V.TM(i)) * G.QWV(i);
        const int32_t p = G.IPIPE(i);
        float d = G.DSEC(i);
        if (p >= 1 && p <= MXPIPE) d = G.DCLO(p) >= 1.0e-9f ? G.DCLO(p) : G.DIAM(p);
        V.Q2(i) = d > 0.0f ? G.QWV(i) * G.SECAREA(i) / (pi * d) : 0.0f;

        // Gas that the temperature change moves out of (or into) the liquid.
        float dm = (V.MLT(i) + V.MG(i)) * V.DRST(i) * V.DTM(i) * ht;
        dm = std::min(std::max(dm, -V.MG(i)), V.ML(i) + V.MD(i));
        V.PSI(i) += dm / (ht + 1.0e-6f);
        const float liq = V.BE(i) + V.GA(i);
        const float b = liq > 0.0f ? V.BE(i) / liq : 1.0f;
        // In double with the rounding remainders, as the mass step stores them.
        const double mlx = double(V.ML(i)) + V.MLREM(i) - double(b) * dm;
        const double mdx = double(V.MD(i)) + V.MDREM(i) - (1.0 - b) * dm;
        const double mgx = double(V.MG(i)) + V.MGREM(i) + dm;
        V.ML(i) = store_mass(mlx, V.MLREM(i));
        V.MD(i) = store_mass(mdx, V.MDREM(i));
        V.MG(i) = store_mass(mgx, V.MGREM(i));
        V.MLT(i) = V.ML(i) + V.MD(i);

        const float ug = section_velocity(V.UG(i), V.UG(i + 1));
        const float ul = section_velocity(V.UL(i), V.UL(i + 1));
        const float ud = section_velocity(V.UD(i), V.UD(i + 1));
        const float z = GRAV * G.ZSEC(i);
        V.EG(i) = (V.HG(i) - V.PT(i) / V.ROG(i) + z + ug * ug / 2.0f) * V.MG(i);
        V.EL(i) = (ul * ul / 2.0f + V.HL(i) - V.PT(i) / V.ROL(i) + z) * V.ML(i) +
                  (V.HL(i) - V.PT(i) / V.ROL(i) + z + ud * ud / 2.0f) * V.MD(i);
    }
}

}  // namespace rel
