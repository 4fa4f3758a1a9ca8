// Assembly of the linearised implicit momentum and pressure equations.
//
// Grid: pressures P at section centres, velocities at section boundaries;
// boundary i lies between section u = i-1 and section d (d = i, or across a
// junction the first section behind it). Unknowns per section, in order:
// UG(i), UL(i) at its inlet boundary, then P(i) (see pv_rows()).
// dxb = (DX(u) + DX(d))/2 is the distance between the two centres.
//
// Momentum of the gas core at boundary i (droplets join the core while the
// regime indicator is below 3, else they join the liquid), per unit volume,
// with n the old and n+1 the new time level and dt = HT:
//
//   mG (ug' - ug)/dt + GG/dxD (ug' - r^2 ugN')        inertia, upwind convection
//     + CONVG ug'                                     area change (stratified geometry)
//     + SLAG ug' + SLAGL ul' + SLAG0                  wall friction
//     + SLAI (ug' - ul'/DS)                           interfacial friction
//     + fG (P'(d) - P'(u))/dxb                        pressure gradient
//   = GRVT1 (+ GRVT2)                                 gravity and level forces
//     + psi-term                                      momentum of the transferred mass
//
// and likewise for the liquid with SLAL ul' + SLALG ug' + SLAL0, the
// interfacial force with opposite sign, GRVT3 (+ GRVT2) and fL. Here
//   mG = aB rhoG + [ID < 3] gB rhoL   (fractions a, b, g length-weighted at
//   fG = aB + [ID < 3] gB              the boundary and not below 1e-5,
//   mL = bB rhoL + [ID >= 3] gB rhoL   densities of the upwind donors),
//   GG = mG |ug|, GL = mL |ul|: the upwind momentum flux; ugN is the velocity at
//   the upstream neighbour boundary (i-1 for forward flow, i+1 for backward
//   flow), r its area ratio (CFLFAC forward, EXPFAC backward), dxD the length of
//   the donor section. The neighbour term is dropped where the neighbour flows
//   the other way (the product of the two old velocities below 0); where the
//   neighbour is no unknown (behind a junction) its old velocity is used; where
//   there is none (backward flow at a branch end) the convection is dropped.
// Every term is multiplied by dt, so the gas row reads, column by column:
//   ug: mG + dt (GG/dxD + CONVG + SLAG + SLAI [+ psi<0 part])
//   ul: dt (SLAGL - SLAI/DS [- psi>=0 part])
//   ugN: -dt GG r^2/dxD
//   P(u): -dt fG/dxb      P(d): +dt fG/dxb
//   rhs: mG ug + dt (GRVT1 [+ GRVT2] - SLAG0)
// A phase that is absent at the boundary (fraction below 1e-5) is tied to
// the other one (interfacial coefficient at least 1e6), so that it moves
// with it instead of with the buoyancy of a fluid that is not there.
// The interphase transfer psiB (length-weighted PSI, times the share of the
// bulk liquid in the liquid of the boundary) enters the gas row as the
// momentum psiB ul' of released gas, or psiB ug' of condensing gas.
// A branch-end choke with a loss coefficient K adds K rho |u| / (2 dxb) to
// each phase's diagonal (its pressure drop K rho u^2/2).
//
// Pressure equation of section i, from the phase mass balances divided by
// the phase densities and summed (the fractions add up to 1):
//
//   C (P' - P) + dt/DX(i) sum_k (EXPFAC(i+1) Fk(i+1) - CFLFAC(i) Fk(i)) / rhok(i)
//     = dt/DX(i) sum_sources Wk/rhok + f e
//
// with C = MG DRGP/ROG^2 + (ML + MD) DRLP/ROL^2 - DRSP (MG + MLT) (1/ROG - 1/ROL)
// (the last term where it is positive, the whole not below 4.5e-10), the
// upwind mass fluxes Fg = MG(donor) ug', Fl = ML(donor) ul', Fd = MD(donor) ud'
// (ud' = ug' - UDO with the gas, else ul'), the inlet-source, valve-source and
// leak fluxes (kg/(m2 s) of the section's flow area, the leak ones linearised
// in P' with their slopes), and the volume error e = (ML + MD)/ROL + MG/ROG - 1
// fed back with f = min(0.2, dt (0.5 u/DX + 0.1/HTMAX)), u the rate at which
// the flow renews the section's volume: the mean over its two boundaries of
// the magnitude of the mixture's volume flux a ug + (1 - a) ul, plus the
// volume flows of its leaks and sources per unit of flow area (a positive e
// adds f e to the right-hand side, a negative e adds -f e/PT to the diagonal).
//
// The boundary just behind an inlet cell is a closed wall: its velocities
// are 0 (identity rows), because the inlet source enters the first section
// directly as a source of mass and volume; flow through that boundary would
// bring the same mass in twice. The source brings no axial momentum: the
// upwind convection at the next boundary, whose upstream neighbour is that
// wall (velocity 0), is the force that accelerates it, so no further
// source-momentum term is added anywhere. Closed check valves and shut branch-end
// chokes have identity rows too; a critical branch-end choke has its gas row
// replaced by the mixture velocity held at the choke's limit CHLIM.
#include <algorithm>
#include <cmath>

#include "rt/fortio.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/band.h"
#include "solver/step.h"

namespace rel {

namespace {

bool has_velocities(const PvRows& R, int i) { return i >= 1 && i <= PIPGEO.NSEC && R.n(i) >= 2; }

// Row of the pressure unknown of section s, or 0 when its pressure is known.
int prow(const PvRows& R, int s) {
    if (s < 1 || s > PIPGEO.NSEC) return 0;
    if (R.n(s) == 3) return R.first(s) + 2;
    if (R.n(s) == 1) return R.first(s);
    return 0;
}

int device_at(int i) {
    for (int k = 1; k <= EQUIPM.NCHKL && k <= MXDEV; ++k)
        if (EQUIPM.ICHSEC(k) == i) return k;
    return 0;
}

bool valve_closed(int i) {
    for (int v = 1; v <= EQUIPM.NCHKV && v <= MXBR; ++v)
        if (EQUIPM.IVBND(v) == i && EQUIPM.IVSTAT(v) == 1) return true;
    return false;
}

double inv(float rho) { return rho > 0.0f ? 1.0 / rho : 0.0; }

}  // namespace

bool wall_boundary(int i) {
    const int k = device_at(i);
    return NETDSC.KSEC(i - 1) >= 2 || valve_closed(i) || (k > 0 && EQUIPM.CHOPEN(k) <= 1.0e-6f);
}

namespace {

void identity_row(int r) {
    band_add(r, r, 1.0);
    BANDWK.RHS(r) = 0.0;
}

void momentum_rows(const PvRows& R, int i) {
    auto& S = SECVAR;
    const int NSEC = PIPGEO.NSEC;
    const double dt = RUNCTL.HT;
    const int rg = R.first(i), rl = rg + 1;
    const int u = i - 1, d = downstream(i);
    const int j = NETDSC.JBND(i);
    if (j > 0) (void)IBRJF(j, NETDSC.IBRSEC(i));  // the branch must be listed at its junction

    // Walls: behind an inlet cell, a closed check valve, a shut choke.
    const int k = device_at(i);
    if (wall_boundary(i)) {
        identity_row(rg);
        identity_row(rl);
        return;
    }

    const float araw = bmean(S.AL, i), braw = bmean(S.BE, i), g = bmean(S.GA, i);
    const float a = std::max(araw, 1.0e-5f), b = std::max(braw, 1.0e-5f);
    const bool dropgas = S.ID(i) < 3;
    const int gd = S.JUG(i) == 1 ? d : u, ld = S.JUL(i) == 1 ? d : u, dd = S.JUD(i) == 1 ? d : u;
    const float rhog = S.ROG(gd), rhol = S.ROL(ld), rhod = S.ROL(dd);
    const double mG = a * rhog + (dropgas ? g * rhod : 0.0f);
    const double mL = b * rhol + (dropgas ? 0.0f : g * rhod);
    const double fG = a + (dropgas ? g : 0.0f), fL = b + (dropgas ? 0.0f : g);
    const double dxb = 0.5 * (PIPGEO.DX(u) + PIPGEO.DX(d));
    const double ug = S.UG(i), ul = S.UL(i);

    double slai = S.SLAI(i);
    if (araw < 1.0e-5f || braw + g < 1.0e-5f) slai = std::max(slai, 1.0e6);
    const double rds = std::fabs(S.DS(i)) < 1.0e-9f ? 1.0e9 : 1.0 / S.DS(i);

    double dg = mG + dt * (S.SLAG(i) + slai + S.CONVG(i) + (dropgas ? S.CONVD(i) : 0.0f));
    double dl = mL + dt * (S.SLAL(i) + slai * rds + S.CONVL(i) + (dropgas ? 0.0f : S.CONVD(i)));
    double cgl = dt * (S.SLAGL(i) - slai * rds);
    double clg = dt * (S.SLALG(i) - slai);
    double bg = mG * ug + dt * (S.GRVT1(i) + (dropgas ? S.GRVT2(i) : 0.0f) - S.SLAG0(i));
    double bl = mL * ul + dt * (S.GRVT3(i) + (dropgas ? 0.0f : S.GRVT2(i)) - S.SLAL0(i));

    // Mass transfer between the phases.
    const float liq = b + (dropgas ? g : 0.0f);
    const float share = liq <= 1.0e-5f ? 1.0f : b / liq;
    const double psi = bmean(S.PSI, i) * dt * share;
    if (psi >= 0.0)
        cgl -= psi;
    else
        dg -= psi;

    // Loss of an open choke at the boundary.
    if (k > 0 && EQUIPM.CHOKL(k) > 0.0f) {
        double K = std::min(EQUIPM.CHOKL(k), 1.0e6f);
        dg += dt * K * mG * std::fabs(ug) / (2.0 * dxb);
        dl += dt * K * mL * std::fabs(ul) / (2.0 * dxb);
    }

    // Upwind convection of each phase.
    auto convect = [&](double m, double vel, int J, int col_off, double& diag, double& rhs, int row,
                       const SecF& U) {
        const double G = m * std::fabs(vel);
        if (G == 0.0) return;
        int nb = J == 1 ? i + 1 : i - 1;
        if (J == 1 && (d != i || nb > NSEC)) return;  // no neighbour downstream
        if (nb < 1) return;
        const double uN = U(nb);
        if (uN * vel < 0.0) return;
        const double dxD = PIPGEO.DX(J == 1 ? d : u);
        if (!(dxD > 0.0)) return;
        const double r = J == 1 ? PIPGEO.EXPFAC(i) : PIPGEO.CFLFAC(i);
        diag += dt * G / dxD;
        const double c = -dt * G * r * r / dxD;
        const bool ok = J == 1 ? (has_velocities(R, nb) && NETDSC.JBND(nb) >= 0 && R.n(i) == 3)
                               : (has_velocities(R, nb) && NETDSC.JBND(nb) >= 0 && R.n(nb) == 3);
        if (ok)
            band_add(row, R.first(nb) + col_off, c);
        else
            rhs -= c * uN;
    };
    convect(mG, ug, S.JUG(i), 0, dg, bg, rg, S.UG);
    convect(mL, ul, S.JUL(i), 1, dl, bl, rl, S.UL);

    const int pu = prow(R, u), pd = prow(R, d);
    const double cpg = dt * fG / dxb, cpl = dt * fL / dxb;
    if (pu) {
        band_add(rg, pu, -cpg);
        band_add(rl, pu, -cpl);
    } else {  // known pressure upstream
        bg += cpg * S.PT(u);
        bl += cpl * S.PT(u);
    }
    if (pd) {
        band_add(rg, pd, cpg);
        band_add(rl, pd, cpl);
    } else {  // known pressure downstream (the outlet)
        bg -= cpg * S.PT(d);
        bl -= cpl * S.PT(d);
    }

    // A critical choke holds the mixture velocity at its limit.
    if (k > 0 && EQUIPM.ICHMRK(k) == 1) {
        const double mm = mG + mL;
        for (int c = rg - 3; c <= rg + 3; ++c)
            if (c >= 1 && c <= R.neq) band(rg, c) = 0.0;
        dg = mm > 0.0 ? mG / mm : 1.0;
        cgl = mm > 0.0 ? mL / mm : 0.0;
        bg = (ug < 0.0 ? -1.0 : 1.0) * EQUIPM.CHLIM(k);
    }

    if (RUNCTL.IPRINT == 1)
        rt::write_line(IOUNIT.IULOG,
                       rt::list(static_cast<long long>(i), S.ML(ld), static_cast<float>(slai * dt),
                                static_cast<float>(S.SLAL(i) * dt), S.SLAL(i), S.SLAG(i), S.SLAI(i),
                                S.VISL(i), S.VISG(i)));
    band_add(rg, rg, dg);
    band_add(rg, rl, cgl);
    band_add(rl, rl, dl);
    band_add(rl, rg, clg);
    BANDWK.RHS(rg) = bg;
    BANDWK.RHS(rl) = bl;
}

// Volume flux through boundary b into (sign -1) or out of (sign +1) section s,
// written into row p of the pressure equation.
void flux_terms(const PvRows& R, int p, int s, int b, double fac, double& rhs) {
    auto& S = SECVAR;
    if (!has_velocities(R, b) || NETDSC.JBND(b) < 0) return;
    const int d = downstream(b);
    const int gd = S.JUG(b) == 1 ? d : b - 1, ld = S.JUL(b) == 1 ? d : b - 1,
              dd = S.JUD(b) == 1 ? d : b - 1;
    const double ig = inv(S.ROG(s)), il = inv(S.ROL(s));
    const int cg = R.first(b), cl = cg + 1;
    band_add(p, cg, fac * S.MG(gd) * ig);
    band_add(p, cl, fac * S.ML(ld) * il);
    if (S.ID(b) < 3) {
        band_add(p, cg, fac * S.MD(dd) * il);
        rhs += fac * S.MD(dd) * il * S.UDO(b);
    } else {
        band_add(p, cl, fac * S.MD(dd) * il);
    }
}

void pressure_row(const PvRows& R, int i) {
    auto& S = SECVAR;
    auto& E = EQUIPM;
    const int p = prow(R, i);
    const double dt = RUNCTL.HT, dx = PIPGEO.DX(i);
    const double ig = inv(S.ROG(i)), il = inv(S.ROL(i));
    double C = S.MG(i) * S.DRGP(i) * ig * ig + (S.ML(i) + S.MD(i)) * S.DRLP(i) * il * il;
    // Gas out of solution as the pressure falls (or back into it as the
    // pressure rises) takes the volume with it: the mass step moves
    // -DRSP dP (MG + MLT) from the liquid to the gas. Left out here, the two
    // steps disagree by that volume and the error feedback returns it a step
    // late, which in a liquid-filled section swings the pressure up and down
    // every other step.
    C += std::max(0.0, -double(S.DRSP(i)) * (double(S.MG(i)) + S.MLT(i)) * (ig - il));
    C = std::max(C, 4.5e-10);
    double rhs = C * S.PT(i);
    const double f = dt / dx;

    // In through the inlet boundary, or through every branch end of a junction.
    if (NETDSC.JBND(i) < 0) {
        for (int e = 2; e <= PIPGEO.NSEC; ++e)
            if (NETDSC.JBND(e) == -NETDSC.JBND(i)) {
                (void)IBRJF(-NETDSC.JBND(i), NETDSC.IBRSEC(e));
                flux_terms(R, p, i, e, -f * PIPGEO.CFLFAC(e), rhs);
            }
    } else {
        flux_terms(R, p, i, i, -f * PIPGEO.CFLFAC(i), rhs);
    }
    if (i < PIPGEO.NSEC) flux_terms(R, p, i, i + 1, f * PIPGEO.EXPFAC(i + 1), rhs);

    // The rate at which the flow renews the section's volume, for the volume
    // error feedback below: the mixture's volume flux through its two
    // boundaries, and (added with the sources and sinks) what they move.
    const int nb = std::min(i + 1, PIPGEO.NSEC);
    const double a = S.AL(i);
    const double ji = a * S.UG(i) + (1.0 - a) * S.UL(i), jn = a * S.UG(nb) + (1.0 - a) * S.UL(nb);
    double um = 0.5 * (std::fabs(ji) + std::fabs(jn));

    // Sources and sinks of the section.
    for (int k = 1; k <= E.NSOUR && k <= MXSRC; ++k)
        if (E.ISOUR(k) == i) {
            rhs += f * (E.WGSOUR(k) * ig + E.WLSOUR(k) * il);
            um += std::fabs(E.WGSOUR(k)) * ig + std::fabs(E.WLSOUR(k)) * il;
        }
    auto sink = [&](float wg, float wl, float dwg, float dwl) {
        C -= f * (dwg * ig + dwl * il);
        rhs += f * ((wg - dwg * S.PT(i)) * ig + (wl - dwl * S.PT(i)) * il);
        um += std::fabs(wg) * ig + std::fabs(wl) * il;
    };
    for (int k = 1; k <= E.NVSRC && k <= MXVSRC; ++k)
        if (E.IVSSEC(k) == i) sink(E.WGSOVA(k), E.WLSOVA(k), E.DWGSV(k), E.DWLSV(k));
    for (int k = 1; k <= E.NLEAK && k <= MXLEK; ++k)
        if (E.ILKSEC(k) == i)
            sink(LEKRES.WGLEAK(k), LEKRES.WLLEAK(k), LEKRES.DWGLK(k), LEKRES.DWLLK(k));

    // Volume error feedback.
    const double err = (S.ML(i) + S.MD(i)) * il + S.MG(i) * ig - 1.0;
    // The error goes back at the rate the flow renews the section's volume.
    // The gas velocity alone overstates it wherever little gas runs fast: in
    // the liquid a drained rupture leaves at its hole a few per mille of gas
    // runs at tens of m/s, and a factor set by it turned the volume error of
    // that nearly incompressible pool into kPa swings, each one above the
    // back pressure a burst through the leak. The signed mean of the two
    // boundaries understates it where the flow enters from both sides, as it
    // does into the section of a leak, and so does leaving out what the leak
    // itself takes: a shut line's hole section kept a volume error for
    // seconds after it had drained.
    const double htmax = std::max(static_cast<double>(RUNCTL.HTMAX), dt);
    const double fb = std::min(0.2, dt * (0.5 * um / dx + 0.1 / htmax));
    if (S.ML(i) + S.MD(i) + S.MG(i) > 0.0f) {
        if (err > 0.0)
            rhs += fb * err;
        else if (S.PT(i) > 0.0f)
            C -= fb * err / S.PT(i);
    }
    band_add(p, p, C);
    BANDWK.RHS(p) = rhs;
}

}  // namespace

void MOMASM() {
    const PvRows R = pv_rows();
    band_clear(R.neq);
    SECVAR.WG(1) = SECVAR.WL(1) = SECVAR.WD(1) = 0.0f;
    for (int i = 1; i <= PIPGEO.NSEC; ++i) {
        if (NETDSC.KSEC(i) > 0 || R.n(i) == 0) continue;
        if (R.n(i) >= 2 && NETDSC.JBND(i) >= 0) momentum_rows(R, i);
        if (prow(R, i)) pressure_row(R, i);
    }
}

}  // namespace rel
