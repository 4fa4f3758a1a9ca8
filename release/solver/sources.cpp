// Mass and energy sources of the pipe sections: the inlet sources from their
// time tables, and the flow out of the leak after the implicit step with the
// running peaks of the discharge summary.
//
// Fluxes are per unit of the flow area of the section they enter or leave,
// energy sources per unit of its volume; flows out of the pipe are negative.
#include <algorithm>
#include <cmath>
#include <string>

#include "run/constants.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/devices.h"

namespace rel {
namespace {

constexpr float TINY_FLUX = 1.0e-13f;

// Volume flow out of the pipe of the mass flow w (negative out), 0 where the
// density is not known.
double volume_out(double w, double rho) { return rho > 0.0 ? -w / rho : 0.0; }

}  // namespace

void SRCTRM(int32_t& IERR, char* MSG, int32_t LMSG) {
    const int nsrc = std::clamp<int32_t>(EQUIPM.NSOUR, 0, MXSRC);
    const double t = RUNCTL.TIME;
    for (int i = 1; i <= nsrc; ++i) {
        const int n = std::min<int32_t>(EQUIPM.NTSOUR(i), MXSRCT);
        const float* tt = &EQUIPM.TSOUR(1, i);
        const float A = time_interp(tt, &EQUIPM.GSOUR(1, i), n, t);
        const float B = time_interp(tt, &EQUIPM.LSOUR(1, i), n, t);
        const int s = EQUIPM.ISOUR(i);
        if (s < 1 || s > MXSEC) {
            refuse(IERR, MSG, LMSG, "SOURCE NO. " + std::to_string(i) + " HAS NO SECTION");
            return;
        }
        const bool sink = A < 0.0f || B < 0.0f;
        const float T = sink ? SECVAR.TM(s) : time_interp(tt, &EQUIPM.TMSOUR(1, i), n, t);

        // An inlet cell lies beyond the pipe end: extrapolate to the end.
        float P = SECVAR.PT(s);
        if (NETDSC.KSEC(s - 1) > 0) P = 2.0f * SECVAR.PT(s) - SECVAR.PT(s + 1);
        P = std::max(P, 100000.0f);

        PvtOut pv{};
        int32_t ierr = 0;
        device_lookup(P, T, pv, ierr, MSG, LMSG);
        if (ierr != 0) {
            IERR = ierr;
            return;
        }

        float gas, liq, x;
        if (std::fabs(A) <= TINY_FLUX || std::fabs(B) <= TINY_FLUX) {
            const float R = std::fabs(B) > TINY_FLUX ? B : A;
            x = pv.RS;
            if (sink) {
                // A sink takes the section's own mixture; an empty section has none
                // of its own and the equilibrium fraction stands.
                const float m = SECVAR.MLT(s) + SECVAR.MG(s);
                if (m > 0.0f) x = SECVAR.MG(s) / m;
            }
            gas = x * R;
            liq = R - gas;
        } else {
            gas = A;
            liq = B;
            x = SECVAR.RS(s);
        }
        EQUIPM.WGSOUR(i) = gas;
        EQUIPM.WLSOUR(i) = liq;
        EQUIPM.TSRCUR(i) = T;
        EQUIPM.XSOUR(i) = x;
        const double dx = PIPGEO.DX(s);
        EQUIPM.HSOUR(i) = dx > 0.0
                              ? static_cast<float>((PIPGEO.ZSEC(s) * GRAVITY * (double(gas) + liq) +
                                                    double(pv.HG) * gas + double(pv.HL) * liq) /
                                                   dx)
                              : 0.0f;
    }
}

void LEKFLO(int32_t& IERR, char* MSG, int32_t LMSG) {
    const int nleak = std::clamp<int32_t>(EQUIPM.NLEAK, 0, MXLEK);
    const int ndev = std::clamp<int32_t>(EQUIPM.NCHOKE, 0, MXDEV);
    for (int k = 1; k <= nleak; ++k) {
        const int j = EQUIPM.NCHKL + EQUIPM.NVSRC + k;
        const int s = EQUIPM.ILKSEC(k);
        double wg = 0.0, wl = 0.0, GT = 0.0, H = 0.0;
        if (j >= 1 && j <= ndev && s >= 1 && s <= MXSEC) {
            const double dP = double(SECVAR.PT(s)) - LEKRES.PTLEAK(k);
            const double Apipe = PIPGEO.AREA(s);
            const double Aopen = EQUIPM.CHOPEN(j);
            const double mass = double(SECVAR.ML(s)) + SECVAR.MD(s) + SECVAR.MG(s);
            const bool moving =
                std::fabs(LEKRES.WGLEAK(k)) > 1.0e-9f || std::fabs(LEKRES.WLLEAK(k)) > 1.0e-9f;
            // No inflow through a leak; a shut hole, a section without fluid or
            // without pressure difference releases nothing.
            if (Aopen >= 1.0e-6 && std::fabs(dP) >= 0.001 && moving && dP > 0.0 && mass > 0.0 &&
                Apipe > 0.0) {
                const double cap = is_true(EQUIPM.CHOFLG(j))
                                       ? 1.0e9
                                       : EQUIPM.CHOCD(j) * Aopen / Apipe * EQUIPM.CHOGC(j);
                const double x = SECVAR.MG(s) / mass;
                const double rhom = (1.0 - x) * SECVAR.ROL(s) + x * SECVAR.ROG(s);
                const double K = EQUIPM.CHOKL(j);
                const double G = K > 0.0 ? std::min(std::sqrt(rhom * dP / K), cap) : cap;
                const double flux = -G;
                wg = x * flux;
                wl = (1.0 - x) * flux;
                // A leak never takes more of a phase in one step than the
                // section holds: a flux (per unit of flow area) over the step
                // HT moves flux * HT / DX of mass per unit of section volume.
                const double dx = PIPGEO.DX(s);
                const double ht = static_cast<float>(RUNCTL.HT);
                if (ht > 0.0 && dx > 0.0) {
                    wg = std::max(wg, -double(SECVAR.MG(s)) * dx / ht);
                    wl = std::max(wl, -(double(SECVAR.ML(s)) + SECVAR.MD(s)) * dx / ht);
                }
                GT = Apipe * (wg + wl);
                H = dx > 0.0 ? (wl * SECVAR.HL(s) + wg * SECVAR.HG(s) +
                                (wg + wl) * PIPGEO.ZSEC(s) * GRAVITY) /
                                   dx
                             : 0.0;
            }
            // Volume flows out of the pipe (positive), at the leak's reference
            // state and at standard conditions.
            const double W = PVTCOM.WFST, beta = PVTCOM.BETAST;
            LEKRES.QGLEAK(k) = static_cast<float>(volume_out(wg * Apipe, LEKRES.ROGLK));
            LEKRES.QOLEAK(k) = static_cast<float>(volume_out(wl * Apipe * (1.0 - W), LEKRES.ROLLK));
            LEKRES.QGLKST(k) = static_cast<float>(volume_out(beta * (1.0 - W) * GT, PVTCOM.ROGST));
            LEKRES.QOLKST(k) =
                static_cast<float>(volume_out((1.0 - W) * GT * (1.0 - beta), PVTCOM.ROLST));
        } else {
            LEKRES.QGLEAK(k) = LEKRES.QOLEAK(k) = LEKRES.QGLKST(k) = LEKRES.QOLKST(k) = 0.0f;
        }
        LEKRES.WGLEAK(k) = static_cast<float>(wg);
        LEKRES.WLLEAK(k) = static_cast<float>(wl);
        LEKRES.GTLEAK(k) = static_cast<float>(GT);
        LEKRES.HLEAK(k) = static_cast<float>(H);

        LEKRES.PKTOT(k) = std::max(LEKRES.PKTOT(k), std::fabs(LEKRES.GTLEAK(k)));
        LEKRES.PKGAS(k) = std::max(LEKRES.PKGAS(k), LEKRES.QGLEAK(k));
        LEKRES.PKOIL(k) = std::max(LEKRES.PKOIL(k), LEKRES.QOLEAK(k));
        LEKRES.PKGSTD(k) = std::max(LEKRES.PKGSTD(k), LEKRES.QGLKST(k));
        LEKRES.PKOSTD(k) = std::max(LEKRES.PKOSTD(k), LEKRES.QOLKST(k));
    }
    if (nleak >= 1) LEKRES.LEAKFLOW = LEKRES.GTLEAK(1);

    // The outside state must lie inside the property tables; only the range
    // check of this lookup is used. The flows above stand either way and the
    // time loop ends the run on the flag after the property update.
    if (nleak >= 1 && EQUIPM.ILKSEC(1) >= 1 && EQUIPM.ILKSEC(1) <= MXSEC) {
        PvtOut pv{};
        device_lookup(LEKRES.PTLEAK(1), SECVAR.TM(EQUIPM.ILKSEC(1)), pv, IERR, MSG, LMSG);
    }
}

}  // namespace rel
