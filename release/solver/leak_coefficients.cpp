// Mass fluxes through valve sources and leaks at the pressures of the current
// pass of the implicit step, with their slopes in the section pressure, for
// the pressure equations. A leak is a valve source that only lets fluid out.
#include <cmath>

#include "run/routines.h"
#include "run/state.h"
#include "solver/step.h"

namespace rel {

namespace {

struct Flow {
    float wg = 0, wl = 0, dwg = 0, dwl = 0, gt = 0;
};

// Gas fraction and densities of the fluid at (P, T) from the tables.
bool lookup(float P, float T, PvtOut& out, int32_t& IERR, char* MSG, int32_t LMSG) {
    const auto& V = PVTCOM;
    int32_t it = TBLOC(T, V.TT.data(), V.NT, 2);
    int32_t ip = TBLOC(P, V.PP.data(), V.NP, 2);
    int32_t below = 0;
    int32_t before = IERR;
    PVTLUP(it, ip, P, T, out, TRUE_, below, V.PVTOPT, IERR, MSG, LMSG);
    return IERR == before || IERR == 0;
}

}  // namespace

void LEKCOF(int32_t& IERR, char* MSG, int32_t LMSG) {
    auto& E = EQUIPM;
    auto& S = SECVAR;
    const int nv = E.NVSRC, nl = E.NLEAK;
    const int nchoke = E.NCHOKE - nv - nl;  // rows of the table before the valve sources
    for (int k = 1; k <= nv + nl; ++k) {
        const bool leak = k > nv;
        const int il = k - nv;
        const int s = leak ? E.ILKSEC(il) : E.IVSSEC(k);
        const float pout = leak ? LEKRES.PTLEAK(il) : E.PTSOVA(k);
        const int e = nchoke + k;
        Flow r;
        if (s >= 1 && s <= PIPGEO.NSEC && e >= 1 && e <= MXDEV) {
            float dp = S.PT(s) - pout;
            const float area = PIPGEO.SECAREA(s);
            if (E.CHOPEN(e) >= 1.0e-6f && std::fabs(dp) >= 0.1f && area > 0.0f &&
                E.CHOKL(e) > 0.0f) {
                const float q = E.CHOCD(e) * E.CHOPEN(e) / area;
                float x = 0, rho = 0, drho = 0, dir = 0;
                bool flows = true;
                if (dp > 0.0f) {
                    const float mass = S.ML(s) + S.MG(s) + S.MD(s);
                    if (mass > 0.0f) {
                        x = S.MG(s) / mass;
                        rho = S.ROL(s) * (1.0f - x) + S.ROG(s) * x;
                        drho = S.DRLP(s) * (1.0f - x) + S.DRGP(s) * x;
                        dir = -1.0f;
                    } else {
                        flows = false;  // an empty section has nothing to lose
                    }
                } else if (leak) {
                    flows = false;  // nothing comes in through a leak
                } else {
                    PvtOut o{};
                    lookup(pout, E.TMSOVA(k), o, IERR, MSG, LMSG);
                    x = (E.IVSFLG(k) & 1) ? o.RS : E.XVSRC(k);
                    if (E.IVSFLG(k) & 1) E.XVSRC(k) = x;
                    rho = o.ROL * (1.0f - x) + o.ROG * x;
                    drho = o.DRLP * (1.0f - x) + o.DRGP * x;
                    dir = 1.0f;
                    dp = std::fabs(dp);
                }
                if (flows && rho > 0.0f) {
                    float u = std::sqrt(dp * rho / E.CHOKL(e));
                    const float lim = (E.CHOFLG(e) & 1) ? 1.0e9f : q * E.CHOGC(e);
                    float d;
                    if (lim <= u) {
                        u = q * E.CHOGC(e);
                        d = rho * E.CHODG(e);
                    } else {
                        d = 0.5f * u * (drho / rho + 1.0f / dp);
                    }
                    const float W = dir * u;
                    if (dir > 0.0f && (E.IVSFLG(k) & 1)) {
                        // The gas fraction once the fluid has expanded to the section pressure.
                        PvtOut o{};
                        lookup(S.PT(s), E.TMSOVA(k), o, IERR, MSG, LMSG);
                        x = o.RS;
                    }
                    r = {W * x, W * (1.0f - x), -d * x, -d * (1.0f - x), area * W};
                }
            }
        }
        if (leak) {
            LEKRES.WGLEAK(il) = r.wg;
            LEKRES.WLLEAK(il) = r.wl;
            LEKRES.DWGLK(il) = r.dwg;
            LEKRES.DWLLK(il) = r.dwl;
            LEKRES.GTLEAK(il) = r.gt;
        } else {
            E.WGSOVA(k) = r.wg;
            E.WLSOVA(k) = r.wl;
            E.DWGSV(k) = r.dwg;
            E.DWLSV(k) = r.dwl;
            E.GTSOVA(k) = r.gt;
        }
    }
}

}  // namespace rel
