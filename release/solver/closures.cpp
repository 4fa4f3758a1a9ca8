// Interphase and wall closures of the momentum equations: the stratified /
// annular closure (CLOCOR), and the driver that runs it and the
// intermittent-flow selection and keeps one of the two per boundary
// (CLOSUR), which blends the two across the band where their regime choice
// turns.
#include <algorithm>
#include <cmath>

#include "run/state.h"
#include "solver/step.h"

namespace rel {

namespace {

bool handled(int i) {
    int k = NETDSC.KSEC(i);
    return NETDSC.JBND(i) >= 0 && (k == -1 || k == 0) && NETDSC.KSEC(i - 1) <= 1;
}

float pw(float x, float e) { return x > 0.0f ? std::pow(x, e) : 0.0f; }
float acos_c(float x) { return std::acos(std::clamp(x, -1.0f, 1.0f)); }

// Donor section of a phase at boundary i: by its direction index, or at a
// junction inflow by the sign of its velocity.
int donor(int i, int J, float u) {
    if (NETDSC.JBND(i) > 0) return u <= 0.0f ? downstream(i) : i - 1;
    return J == 1 ? downstream(i) : i - 1;
}

// The branch-end device at boundary i (0 when none).
int device_at(int i) {
    for (int k = 1; k <= EQUIPM.NCHKL && k <= MXDEV; ++k)
        if (EQUIPM.ICHSEC(k) == i) return k;
    return 0;
}

}  // namespace

float intermittent_weight(float UGST, float UTB, float UG, float SGNDRF) {
    if (SGNDRF == 0.0f) return 0.0f;  // the selection offered no front
    // How much faster the stratified balance would carry the gas than the
    // front travels, relative to the gas velocity.
    const float z = SGNDRF * (UGST - UTB) / (std::fabs(UG) + 1.0e-5f);
    if (!(z > -REGIME_BAND)) return 0.0f;
    if (!(z < REGIME_BAND)) return 1.0f;
    return 0.5f + 0.5f * z / REGIME_BAND;
}

void CLOCOR() {
    auto& S = SECVAR;
    const int NSEC = PIPGEO.NSEC;
    const float FRLIQ = S.FRMULT(1), FRGAS = S.FRMULT(2), RETR = S.RETRAN(1);
    for (int i = 2; i <= NSEC; ++i) {
        if (!handled(i)) continue;
        const int d = downstream(i);
        const bool junction = NETDSC.JBND(i) > 0;
        const int sref = NETDSC.KSEC(i - 1) >= 1 ? i : i - 1;
        const float sn = PIPGEO.SINANG(sref), cn = PIPGEO.COSANG(sref);
        const float t = PIPGEO.SINANG(i);
        const float D = closure_diameter(i);
        const float e = PIPGEO.ROUGH(std::max(1, PIPGEO.IPIPE(i)));
        float a = bmean(S.AL, i), b = bmean(S.BE, i), g = bmean(S.GA, i);
        const float sig = junction ? S.SIG(d) : S.SIG(std::clamp(i - 1 + S.JUT(i), 1, NSEC));
        float ug = S.UG(i), ul = S.UL(i);
        const int gd = donor(i, S.JUG(i), ug), ld = donor(i, S.JUL(i), ul);

        a = std::clamp(a, 1.0e-5f, 0.99999f);
        if (S.ULO(i) != 0.0f) ul = 0.5f * (S.ULO(i) + ul);
        if (S.UGO(i) != 0.0f) ug = 0.5f * (S.UGO(i) + ug);
        const float rhog = std::max(S.ROG(gd), 1.0e-6f), mug = std::max(S.VISG(gd), 1.0e-12f);
        float rhol = S.ROL(ld);
        const float mul = std::max(S.VISL(ld), 1.0e-12f);
        float rholg = S.ROL(gd);
        S.UO(i) = ug - ul;
        b = std::max(b, 1.0e-5f);
        if (rhol <= rhog) rhol = 1.0001f * rhog;

        const float ac = a + g;
        const float B = std::clamp(b, 1.0e-5f, 0.99999f);
        const float w = std::max(std::fabs(ug - ul), 1.0e-9f);

        const float delta = 0.5f * PI_ * (1.0f - pw(ac, 0.33333f) + pw(B, 0.33333f));
        const float h = 0.5f * D * (1.0f - std::cos(delta));
        const float beta = std::clamp(acos_c(1.0f - 2.0f * h / D) / PI_, 1.0e-9f, 1.0f);

        float y = std::fabs(t) <= 0.999f ? S.LEVSAV : 1.0e10f;
        if (rholg <= rhog) rholg = 1.001f * rhog;
        const float G = std::max((rholg - rhog) * GRAV, 1.0e-6f);
        float f;
        if (std::fabs(cn) <= 1.0e-6f) {
            f = 1.0e6f;
        } else {
            f = 1.0f / std::fabs(cn);
            float H = 0.5f * rhog * w * w * f / G;
            float R = H * H - 4.0f * (f / G) * sig;
            y = R > 0.0f ? std::max(0.001f * f, std::sqrt(R)) : 0.001f * f;
        }
        const float Y = std::min(h + y, D);
        const float phi = acos_c(1.0f - 2.0f * Y / D);
        S.LEVSAV = Y - h;

        float p = 1.0f - S.AL(i - 1) - S.GA(i - 1);
        p = p > 0.0f ? std::pow(p, 0.333f) : p;
        float q = S.BE(i - 1);
        q = q > 0.0f ? std::pow(q, 0.333f) : q;
        const float m = std::clamp(0.5f * (p + q), 0.0f, 1.0f);
        const float h2 = 0.5f * D * (1.0f - std::cos(PI_ * m));
        S.HWAVE(i) = (std::min(D, 0.5f * rhog * w * w * f / G + h2) - h2) / D;

        float Si = std::sin(delta) / PI_ + (phi / PI_ - beta);
        float Sl = std::min(1.0f, phi / PI_);
        float Sg = 1.0f - Sl;
        // No bulk liquid is gas only whatever the wave estimate says: the gas
        // then wets the whole wall.
        if (std::sqrt(ac) < Si || cn < 0.1f || B <= 1.0e-5f) {
            Si = std::sqrt(ac);
            if (B <= 1.0e-5f) {
                S.ISTRAT(i) = 1;
                Sl = 0.0f;
                Sg = 1.0f;
            } else {
                S.ISTRAT(i) = 2;
                Sg = 0.0f;
                Sl = 1.0f;
            }
        } else {
            S.ISTRAT(i) = 0;
        }
        Si = std::max(Si, 1.0e-9f);
        S.DS(i) = 1.0f;

        const float Dl = std::max(std::min(D, D * B / std::max(Sl, 1.0e-9f)), 1.0e-9f);
        if (B == 1.0e-5f) Sl = 0.0f;
        const float Rel = std::fabs(ul) * rhol * Dl / mul;
        const float laml = ul == 0.0f ? 64.0f * mul / (Dl * rhol)
                                      : FRICF(FRLIQ, RETR, Rel, e / Dl) * std::fabs(ul);
        const float Dg = std::max(D * ac / std::min(1.0f, Si + Sg), 1.0e-9f);
        const float Reg = std::fabs(ug) * rhog * Dg / mug;
        const float lamg = ug == 0.0f ? 64.0f * mug / (rhog * Dg)
                                      : FRICF(FRGAS, RETR, Reg, e / Dg) * std::fabs(ug);
        const float Rei = Dg * rhog * w / mug;
        const float W = pw(10000.0f * S.LEVSAV / Dg, 0.314f);
        const float L = std::max(0.1f, 1.0e-4f + Sl);
        const float Z =
            0.02f * (1.0f + B *
                                (75.0f * sn * sn +
                                 cn * cn * 690.0f * std::sqrt(sig / ((rhol - rhog) * GRAV)) / D) /
                                L);
        const float lami = std::max(std::min(Z, 0.01f * W), FRICF(FRGAS, RETR, Rei, 0.0f)) * w;

        S.SLAIST(i) = lami * 0.5f * rhog * Si / D;
        S.SLAGST(i) = lamg * 0.5f * rhog * Sg / D;
        S.SLALST(i) = 0.5f * rhol * laml * Sl / D;
        S.SLALG(i) = S.SLAGL(i) = S.SLAL0(i) = S.SLAG0(i) = 0.0f;

        // Gas velocity at which the stratified forces balance.
        const float N = ac * (S.SLALST(i) * ul - S.GRVT3(i)) + b * (S.GRVT1(i) + S.GRVT2(i)) +
                        S.SLAD(i) * S.UDO(i) + ul * (S.SLAIST(i) + S.SLAD(i));
        const float M = S.SLAGST(i) * b + S.SLAIST(i) + S.SLAD(i);
        S.UGST(i) = std::fabs(M) > 1.0e-6f ? N / M : S.UG(i);
        S.ULCLO(i) = ul;
    }
}

void CLOSUR() {
    auto& S = SECVAR;
    auto& E = EQUIPM;
    const int NSEC = PIPGEO.NSEC;
    for (int i = 1; i <= NSEC; ++i) S.SGNDRF(i) = 0.0f;
    CLOCOR();
    FLOREG();
    for (int i = 1; i <= NSEC; ++i) {
        if (!handled(i)) continue;
        const int d = downstream(i);
        const int gd = S.JUG(i) == 1 ? d : i - 1;
        const int ld = S.JUL(i) == 1 ? d : i - 1;
        const int dd = S.JUD(i) == 1 ? d : i - 1;

        // Across the bands of the regime choice (here) and of the slugs'
        // vanishing (the selection's own weight) the two closures' forces are
        // blended: a switch there would change the friction, which moves the
        // flow back across the switch the next step (a limit cycle of the
        // whole line's inventory, not slugging).
        const float w =
            S.ID(i) > 2 ? S.WINT(i) * intermittent_weight(S.UGST(i), S.UTB(i), S.UG(i), S.SGNDRF(i))
                        : 0.0f;
        S.WINT(i) = w;
        const float uo_st = S.SLAIST(i) <= 1.0e5f ? S.UG(i) - S.UL(i) : 0.0f;
        if (w > 0.0f && w < 1.0f) {
            // The interfacial force is SLAI (ug - ul/DS): SLAI and SLAI/DS
            // are blended, each wall term by itself.
            const float v = 1.0f - w;
            const float si = w * S.SLAI(i) + v * S.SLAIST(i);
            const float sd = w * S.SLAI(i) / S.DS(i) + v * S.SLAIST(i);
            S.DS(i) = si > 0.0f && sd > 0.0f ? si / sd : w * S.DS(i) + v;
            S.SLAI(i) = si;
            S.SLAL(i) = w * S.SLAL(i) + v * S.SLALST(i);
            S.SLAG(i) = w * S.SLAG(i) + v * S.SLAGST(i);
            S.SLALG(i) *= w;
            S.SLAGL(i) *= w;
            S.SLAL0(i) *= w;
            S.SLAG0(i) *= w;
            S.UO(i) = w * S.UO(i) + v * uo_st;
        }
        if (w >= 0.5f) {
            // Mostly intermittent: the droplets move with the liquid.
            S.ID(i) = S.IREG4(i) == 1 ? 4 : 3;
            S.UD(i) = S.UL(i);
            S.WD(i) = S.MD(ld) * S.UL(i);
            S.JUD(i) = S.JUL(i);
        } else {
            S.ID(i) = S.ISTRAT(i) == 2 ? 2 : 1;
            if (w == 0.0f) {
                S.DS(i) = 1.0f;
                S.SLALG(i) = S.SLAGL(i) = S.SLAL0(i) = S.SLAG0(i) = 0.0f;
                S.SLAI(i) = S.SLAIST(i);
                S.SLAL(i) = S.SLALST(i);
                S.SLAG(i) = S.SLAGST(i);
                S.UO(i) = uo_st;
            }
            S.UD(i) = S.UG(i) - S.UDO(i);
            S.WD(i) = S.MD(dd) * S.UD(i);
            S.JUD(i) = S.UD(i) >= 0.0f ? 0 : 1;
        }

        // A device at the boundary resists the slip between the phases.
        const int k = E.NCHKL > 0 ? device_at(i) : 0;
        if (k > 0) {
            const float Cd = E.CHOCD(k), K = E.CHOKL(k);
            float kf = std::sqrt(1.0f / std::max(Cd * Cd * (2.0f * K + 1.0f), 1.0e-30f));
            kf = std::max(kf, 1.0e-5f);
            const bool timed = (E.CHOFLG(k) & 1) != 0;
            float q;
            if (timed && E.CHOAPR(k) < 1.0e-6f) {
                // Was shut: the slip comes from the pressure across it.
                float mass = S.MG(gd) + S.ML(ld) + S.MD(S.JUD(i) == 1 ? d : i - 1);
                q = std::fabs(S.PT(i - 1) - S.PT(d)) / std::max(K * mass, 1.0e-9f);
            } else {
                q = S.USG(i) * S.USG(i) + S.USL(i) * S.USL(i) + S.USD(i) * S.USD(i);
            }
            float v = (1.0f / kf - 1.0f) * (1.0f + q) + S.SLAI(i);
            if (!(v <= 1.0e6f)) {
                v = 1.0e6f;
                S.UO(i) = 0.0f;
            }
            S.SLAI(i) = timed && E.CHOACU(k) < 1.0e-6f ? 1.0e6f : v;
        }
        if (NETDSC.KSEC(i - 1) == 1) {
            S.SLAL(i) = (1.0f - S.AL(gd)) * S.SLAL(i);
            S.UO(i) = 0.0f;
            S.SLAI(i) = 1.0e6f;
        }
    }
}

}  // namespace rel
