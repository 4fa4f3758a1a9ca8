// The mass step: after the implicit pressure-velocity step has fixed the new
// velocities, the phase masses of every section move forward in time. The
// liquid (droplets and bulk) and the gas are each one implicit banded system
// solved over the whole network; entrainment and deposition are brought to
// the new masses, the energy step runs when temperatures are computed, and
// the boundary fluxes follow.
#include <algorithm>

#include "rt/fortio.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/mass.h"

namespace rel {

namespace {
// Solve the system just built in BANDWK: one branch by band elimination,
// several through the junction-coupled solver.
void solve(int32_t neq, int32_t nband, int32_t nunk, int32_t& IERR, char* MSG, int32_t LMSG) {
    if (NETDSC.NBR > 1) {
        junction_rows(nunk);
        NETSLV(neq, nband, nunk, IERR, MSG, LMSG);
    } else
        BANDLU(neq, nband, IERR, MSG, LMSG);
}

// The phase transfer of a leak's section is limited against what the leak
// leaves of each phase in this step, so that the two together never take
// more than the section holds (the transfer's own limit counts the
// section's content only).
void limit_transfer_after_leaks(float ht) {
    auto& V = SECVAR;
    auto& E = EQUIPM;
    for (int32_t k = 1; k <= E.NLEAK; ++k) {
        const int32_t i = E.ILKSEC(k);
        if (i < 1 || i > PIPGEO.NSEC) continue;
        const float t = ht / PIPGEO.DX(i);
        const float mg = std::max(0.0f, V.MG(i) + t * LEKRES.WGLEAK(k));
        const float ml = std::max(0.0f, V.MLT(i) + t * LEKRES.WLLEAK(k));
        float p = V.PSI(i);
        if (mg + ht * p < 0.0f) p = -mg / ht;
        V.PSI(i) = ml - ht * p >= 0.0f ? p : ml / ht;
    }
}
}  // namespace

float store_mass(double m, float& rem) {
    const float f = static_cast<float>(m);
    if (f < 1.0e-9f) {
        rem = 0.0f;
        return 0.0f;
    }
    rem = static_cast<float>(m - f);
    return f;
}

void MASS(int32_t& IERR, char* MSG, int32_t LMSG) {
    auto& V = SECVAR;
    auto& N = NETDSC;
    auto& W = BANDWK;
    auto& R = RUNCTL;
    const int32_t nsec = PIPGEO.NSEC;
    const float ht = static_cast<float>(R.HT);

    for (int32_t s = 1; s <= nsec; ++s) V.PSIO(s) = V.PSI(s);
    MTRANS();
    limit_transfer_after_leaks(ht);
    // The liquid system is built with the liquid's sign of the transfer.
    for (int32_t s = 1; s <= nsec; ++s) V.PSI(s) = -V.PSI(s);

    float t0 = CPUTIM();
    ENTRAT();
    DEPRAT();
    const int32_t neql = LIQASM();
    float t1 = CPUTIM();
    R.CPUMOM += t1 - t0;
    solve(neql, 5, 2, IERR, MSG, LMSG);
    if (IERR != 0) return;
    float t2 = CPUTIM();
    R.CPUSLV += t2 - t1;

    int32_t r = 0;
    for (int32_t s = 1; s <= nsec; ++s) {
        if (N.JBND(s) > 0) continue;
        V.PSI(s) = -V.PSI(s);
        const float md = store_mass(W.RHS(r + 1), V.MDREM(s));
        const float ml = store_mass(W.RHS(r + 2), V.MLREM(s));
        V.DML(s) = (ml - V.ML(s)) / ht;
        V.MD(s) = md;
        V.ML(s) = ml;
        V.MLT(s) = ml + md;
        r += 2;
    }

    t0 = CPUTIM();
    const int32_t neqg = MASPRE();
    t1 = CPUTIM();
    R.CPUMOM += t1 - t0;
    solve(neqg, 3, 1, IERR, MSG, LMSG);
    if (IERR != 0) return;
    t2 = CPUTIM();
    R.CPUSLV += t2 - t1;

    r = 0;
    for (int32_t s = 1; s <= nsec; ++s) {
        if (N.JBND(s) > 0) continue;
        ++r;
        const float mg = store_mass(W.RHS(r), V.MGREM(s));
        V.DMG(s) = (mg - V.MG(s)) / ht;
        V.MG(s) = mg;
    }

    if (R.ITEMP > 0) TEMPSL(IERR, MSG, LMSG);
    VOLFRC();

    // Entrainment and deposition of the step at the new masses: an implicit
    // exchange-only step of length HT between the two liquid fields.
    for (int32_t k = 2; k <= nsec; ++k) {
        const float a = V.DEPK(k), f = V.DEP0(k), g = V.ENTK(k), e = V.ENT0(k);
        const float ML = V.ML(k - 1), MD = V.MD(k - 1);
        const float D = 1.0f + (g + a) * ht;
        const float P = (1.0f + a * ht) * ML + a * ht * MD;
        const float Q = (1.0f + g * ht) * MD + g * ht * ML;
        V.PSIE(k) = e + g * (P - (e - f) * ht) / D;
        if (!(V.PSIE(k) > 0.0f))
            V.PSIE(k) = V.ENTK(k) = V.ENT0(k) = V.ENTAUX1(k) = V.ENTAUX2(k) = 0.0f;
        V.PSID(k) = f + a * (Q + (e - f) * ht) / D;
        if (!(V.PSID(k) > 0.0f)) V.PSID(k) = V.DEPK(k) = V.DEP0(k) = V.DEPAUX(k) = 0.0f;
    }

    if (R.ITEMP == 0) MTRANS();
    MFLUX(0, IERR, MSG, LMSG);
    if (R.IPRINT >= 5) {
        rt::write_line(IOUNIT.IULOG, "          TEST OUTPUT IN THE MASS ROUTINE");
        PRTRES();
    }
}

// Gas mass of every section that is not a junction node, one unknown each:
//   MG(new) + t*(outflow - inflow) = MG + HT*PSI + t*sources,  t = HT/DX,
// upwind in JUG, the inflow through boundary s weighted by CFLFAC(s) and the
// outflow through boundary s+1 by EXPFAC(s+1).
int32_t MASPRE() {
    auto& V = SECVAR;
    auto& G = PIPGEO;
    auto& N = NETDSC;
    auto& E = EQUIPM;
    auto& W = BANDWK;
    const int32_t nsec = G.NSEC;
    // In double, as the liquid's coefficients.
    const double ht = RUNCTL.HT;

    clear_band(nsec + 1, 1);

    int32_t r = 0;
    for (int32_t s = 1; s <= nsec; ++s) {
        if (N.JBND(s) > 0) continue;
        ++r;
        const double t = ht / G.DX(s);
        if (s == nsec) {
            // The outlet section: its gas is left to the boundary update.
            band_off(r, -1) = 0.0;
            band_off(r, 0) = 1.0;
            band_off(r, 1) = 0.0;
            W.RHS(r) = V.MG(s);
            continue;
        }
        float up;  // outflow through the upstream boundary (backflow), per unit mass
        if (N.JBND(s) == 0) {
            band_off(r, -1) = t * (V.JUG(s) - 1) * V.UG(s) * G.CFLFAC(s);
            up = V.UG(s) * V.JUG(s) * G.CFLFAC(s);
        } else {
            const int32_t j = -N.JBND(s);
            band_off(r, -1) = 0.0;
            float sum = 0.0f, flag = 0.0f;
            for (int32_t m = 1; m <= N.NBJ(j) - 1; ++m) {
                const int32_t n = jend(j, m);
                if (V.JUG(n) == 0) {
                    W.CJUNC(j, m, 1) = -(V.UG(n) * t * G.CFLFAC(n));
                } else {
                    sum += V.UG(n) * G.CFLFAC(n);
                    flag = 1.0f;
                }
            }
            up = sum * flag * G.CFLFAC(s);
        }
        const int32_t n = s + 1;
        band_off(r, 0) = 1.0f + t * ((1 - V.JUG(n)) * V.UG(n) * G.EXPFAC(n) - up);
        band_off(r, 1) = t * V.JUG(n) * V.UG(n) * G.EXPFAC(n);
        if (N.JBND(n) >= 1 && V.JUG(n) == 1) {
            const int32_t j = N.JBND(n);
            band_off(r, 1) = 0.0;
            W.BJUNC(j, jslot_of_section(s, j), 1) = V.UG(n) * t;
        }
        // Formed in double, as the liquid's.
        double src = 0.0;
        for (int32_t k = 1; k <= E.NSOUR; ++k)
            if (E.ISOUR(k) == s) src += E.WGSOUR(k);
        for (int32_t k = 1; k <= E.NVSRC; ++k)
            if (E.IVSSEC(k) == s) src += E.WGSOVA(k);
        for (int32_t k = 1; k <= E.NLEAK; ++k)
            if (E.ILKSEC(k) == s) src += LEKRES.WGLEAK(k);
        W.RHS(r) = double(V.MG(s)) + V.MGREM(s) + ht * V.PSI(s) + t * src;
    }
    return r;
}

}  // namespace rel
