// Wall friction factor and the intermittent-flow (slug and bubble) closure.
#include <algorithm>
#include <cmath>

#include "run/state.h"
#include "solver/step.h"

namespace rel {

float FRICF(float F, float X, float RE, float ED) {
    (void)X;  // the transition Reynolds number does not enter
    float re = std::fabs(RE);
    if (re < 0.001f) return 64000.0f;
    float t = 0.0055f * F * (1.0f + std::pow(20000.0f * ED + 1.0e6f / re, 0.3333f));
    return std::max(64.0f / re, t);
}

namespace {

float sq(float x) { return x * x; }
float signf(float mag, float s) { return s < 0.0f ? -std::fabs(mag) : std::fabs(mag); }

// Slug-body wall friction (no multiplier, no low-Reynolds guard).
float slug_friction(float D, float rhoL, float muL, float Uls, float e) {
    if (Uls == 0.0f) return 64.0f * muL / (rhoL * D);
    float re = D * rhoL * std::fabs(Uls) / muL;
    float f =
        std::max(0.0055f * (1.0f + std::pow(1.0e6f / re + 20000.0f * e / D, 0.333f)), 64.0f / re);
    return f * std::fabs(Uls);
}

float bubble_factor(float Vb, float Hs, float Uls) {
    if (Hs * std::fabs(Uls) > 0.01f) return std::min(4.2f, 15.3f * Vb / (Hs * std::fabs(Uls)));
    return std::min(4.2f, 15.3f * Vb);
}

}  // namespace

void FLOREG() {
    auto& S = SECVAR;
    const int NSEC = PIPGEO.NSEC;
    if (NSEC < 2) return;
    const float FRLIQ = S.FRMULT(1), FRGAS = S.FRMULT(2), RETR = S.RETRAN(1);
    for (int I = 2; I <= NSEC; ++I) {
        const int J = NETDSC.JBND(I), F = NETDSC.KSEC(I), Fm = NETDSC.KSEC(I - 1);
        if (J < 0 || F > 0 || F < -1 || Fm > 1) continue;
        S.WINT(I) = 1.0f;
        auto separated = [&] {
            S.ID(I) = 1;
            S.UTB(I) = 0.0f;
            S.WINT(I) = 0.0f;
        };
        if (Fm == 1) {
            separated();
            continue;
        }

        // Local values.
        const float sn = PIPGEO.SINANG(I - 1), cn = PIPGEO.COSANG(I - 1);
        const float D = closure_diameter(I);
        const float e = PIPGEO.ROUGH(std::max(1, PIPGEO.IPIPE(I)));
        int l = I - 1 + S.JUL(I), gd = I - 1 + S.JUG(I);
        float sig = S.SIG(std::clamp(I - 1 + S.JUT(I), 1, NSEC));
        int K = I;
        if (J > 0) {
            K = junction_section(J);
            if (K <= 0) K = I;
            sig = S.SIG(K);
            if (S.UG(I) <= 0.0f) gd = K;
            if (S.UL(I) <= 0.0f) l = K;
        } else {
            l = std::min(l, NSEC);
            gd = std::min(gd, NSEC);
        }
        float ab = (S.AL(K) * PIPGEO.DX(K) + S.AL(I - 1) * PIPGEO.DX(I - 1)) /
                   std::max(PIPGEO.DX(K) + PIPGEO.DX(I - 1), 1.0e-9f);
        ab = std::clamp(ab, 1.0e-5f, 0.99999f);

        if (S.ID(I) == 4) S.UFILM(I) = 5.0f * sn;

        float ug = S.UG(I);
        if (S.UGO(I) != 0.0f) ug = 0.5f * (S.UG(I) + S.UGO(I));
        float ul = S.ULO(I) != 0.0f ? 0.5f * (S.UL(I) + S.ULO(I)) : S.UL(I);
        if (S.GA(l) + S.BE(l) > 1.0e-6f)
            ul = (S.UD(I) * S.GA(l) + S.UL(I) * S.BE(l)) / (S.GA(l) + S.BE(l));

        float rhoL = S.ROL(l), muL = S.VISL(l), rhoG = S.ROG(gd), muG = S.VISG(gd);
        float rhoLg = S.ROL(gd);
        if (rhoL <= rhoG) rhoL = 1.0001f * rhoG;
        // The wave height below needs a liquid heavier than the gas.
        if (rhoLg <= rhoG) rhoLg = 1.001f * rhoG;
        const float drho = rhoL - rhoG;
        if (!(muL > 0.0f) || !(muG > 0.0f) || !(rhoG > 0.0f) || !(D > 0.0f)) {
            separated();  // no properties yet: leave it to the separated closure
            continue;
        }

        float am = std::min(S.AL(I - 1), S.AL(I));
        if (I == NSEC) am = S.AL(I - 1);
        if (J > 0) am = std::min(S.AL(I - 1), S.AL(K));
        if (am == 1.0f) {
            separated();
            continue;
        }

        float Um = ug * S.AL(gd) + (1.0f - S.AL(l)) * ul;
        if (S.UMIXO(I) != 0.0f) Um = 0.5f * (Um + S.UMIXO(I));
        S.UMIXO(I) = Um;

        const float sgD = std::sqrt(GRAV * D);
        float ud = (-0.35f * sn + 0.54f * cn) * sgD;
        S.SGNDRF(I) = ud < 0.0f ? -1.0f : 1.0f;

        float a = std::min(std::fabs(Um) / (1.5f + std::fabs(Um)), 0.78f);
        float f = sn >= 0.0f ? 1.0f + 1.5f * std::sqrt(std::fabs(sn))
                             : 1.0f - 1.5f * std::sqrt(std::fabs(sn));
        f = std::max(f, 0.0f);
        float b = (0.001f * rhoG + 0.1f) * (std::fabs(Um) - 2.57f * f * sgD);
        b = std::clamp(b, 0.0f, 0.78f);
        float as = std::max(b * cn * cn + a * sn * sn, 0.0f);
        if (am < as + 0.001f) as = am;
        float Hs = 1.0f - as;

        float Vb = 1.18f * std::sqrt(std::sqrt(sig * GRAV / rhoL)) *
                   std::sqrt(std::sqrt(1.0f - rhoG / rhoL)) * std::sqrt(1.0f - as);
        float ub = sn >= 0.0f ? -Vb * std::sqrt(std::fabs(sn)) : Vb * std::sqrt(std::fabs(sn));

        // Bubble flow (regime 4), shared by the two ways into it.
        auto bubble = [&] {
            S.IREG4(I) = 1;
            if (as < am) {
                separated();
                return;
            }
            float C0b = Hs / std::max(0.95f * cn * cn + sn * sn - as, 1.0e-9f);
            S.UO(I) = ub;
            S.DS(I) = C0b;
            S.SLAG(I) = S.SLAGL(I) = S.SLAG0(I) = 0.0f;
            float E = (C0b - 1.0f) * as + 1.0f;
            float Uls = (Um - ub * as * C0b) / E;
            if (std::fabs(Uls) < 1.0e-9f) Uls = 0.0f;
            float lam = slug_friction(D, rhoL, muL, Uls, e);
            float m = bubble_factor(Vb, Hs, Uls);
            float Kf = (m * as + 1.0f) * (rhoL * Hs + rhoG * as) * lam * 0.5f / D / E;
            S.SLALG(I) = ab * Kf;
            S.SLAL(I) = (1.0f - ab) * Kf;
            S.SLAL0(I) = -ub * as * Kf * C0b;
            S.ID(I) = 4;
        };
        // Interfacial coefficient from the force balance of the two phases:
        // the liquid-side momentum terms are the bulk-liquid gravity and
        // level force GRVT3, the gas-side term the core's GRVT1 + GRVT2.
        auto finish = [&] {
            float P12 = S.GRVT3(I), P3 = S.GRVT1(I) + S.GRVT2(I);
            float dl = ab * (-P12 + S.SLAL0(I) + S.SLAL(I) * ul + S.SLALG(I) * ug) +
                       (1.0f - ab) * (P3 - S.SLAG0(I) - (S.SLAGL(I) * ul + S.SLAG(I) * ug));
            S.SLAI(I) =
                dl == 0.0f ? 500.0f * rhoG : std::fabs(dl) / std::max(0.05f, std::fabs(S.UO(I)));
            S.UTB(I) = S.DS(I) * (S.UO(I) + ul);
        };

        float L = 0.95f * cn * cn + sn * sn;
        if (as >= L) {
            S.IREG4(I) = as == am ? 1 : 0;
            separated();
            continue;
        }
        float C0b = Hs / (L - as);
        if (as == am) {
            bubble();
            if (S.ID(I) == 4) finish();
            continue;
        }

        // Elongated bubble.
        S.IREG4(I) = 0;
        float udp = signf(0.35f * std::fabs(sn) * sgD, ud);
        float C0 = 1.05f + 0.15f * sn * sn;
        if (std::fabs(C0 * Um + ud) < std::fabs(1.2f * Um + udp)) {
            C0 = 1.2f;
            ud = udp;
        }
        if (Um * ud < 0.0f) C0 = 0.9f;
        float aT = ((C0 - 1.0f) * as + 1.0f) / C0;
        if (aT <= am) {
            separated();
            continue;
        }

        float r = am <= 1.0e-9f ? 1.0f : (as + 1.0e-5f) / am;
        float N = (1.0f - am) * (1.0f - r * (C0 - C0b) / C0);
        S.DS(I) = N / (aT - am);
        float uo =
            ((aT - am) * C0b * r * ub + ((C0b - 1.0f) * as + 1.0f) * (1.0f - r) * ud / C0) / N;
        if (!(std::fabs(uo) >= 1.0e-4f)) uo = 1.0e-4f;
        S.UO(I) = uo;
        float Uls = (Um - as * C0b * ub) / ((C0b - 1.0f) * as + 1.0f);
        if (std::fabs(Uls) < 1.0e-9f) Uls = 0.0f;
        S.SLAL(I) = S.SLAG(I) = 1.0f;

        // Film under the elongated bubble: secant iteration on its velocity T.
        float Ut = C0 * Uls + ud;
        float q = as * (Ut - C0b * (ub + Uls));
        float T = S.UFILM(I), A = S.ALFILM(I);
        if (A == 0.05f || A == 0.99f || T == 0.0f)
            T = signf(std::sqrt(10.0f * GRAV * D * std::fabs(sn)), sn);
        float stepA = 0.2f, R0 = 0.0f, T0 = T;
        float lamL = 0.0f, lamG = 0.0f, xw = 1.0f, xg = 0.0f;
        bool failed = false;
        int n = 1;
        const float k = 0.5f / D;
        // Terms of the wave height and of the interfacial friction that stay
        // the same in every pass.
        const bool vertical = std::fabs(cn) <= 1.0e-6f;
        const float w = vertical ? 0.0f : 1.0f / (std::fabs(cn) * (rhoLg - rhoG) * GRAV);
        const float half_rhoG = rhoG / 2.0f, four_sig_w = 4.0f * sig * w;
        const float hmin = vertical ? 0.0f : 0.001f / std::fabs(cn);
        const float wave_drag =
            75.0f * sn * sn + 690.0f * std::sqrt(sig / (drho * GRAV)) / D * cn * cn;
        for (;;) {
            float Aprev = A;
            if (Ut != T) A = (Um + q - T) / (Ut - T);
            A = std::max(std::min(A, 0.99f), 1.0e-5f);
            if (A < 0.05f) A = 0.05f;
            S.ALFILM(I) = A;
            float x = 0.5f * ((1.0f - std::pow(A, 0.333333f)) + std::pow(1.0f - A, 0.33333f));
            float Ugt = Ut - q / A;
            float dH = -(1.0f - A) / aT;
            float si = std::sin(PI_ * x) / PI_;
            float h;
            if (vertical) {
                h = 1000.00006f;
            } else {
                float h2 = sq(half_rhoG * sq(Ugt - T) * w) - four_sig_w;
                h = h2 > 0.0f ? std::sqrt(h2) : h2;
                h = std::max(h, hmin);
            }
            xw = std::min(x + h / D, 1.0f);
            xg = 1.0f - xw;
            float s = std::min(si + h / D, std::sqrt(A));
            float DL = std::max(D * (1.0f - A) / xw, 1.0e-9f);
            float DG = std::max(D * A / (s + xg), 1.0e-9f);
            lamL = T == 0.0f
                       ? 64.0f * muL / (rhoL * DL)
                       : FRICF(FRLIQ, RETR, std::fabs(T) * rhoL * DL / muL, e / DL) * std::fabs(T);
            lamG = Ugt == 0.0f ? 64.0f * muG / (rhoG * DG)
                               : FRICF(FRGAS, RETR, rhoG * std::fabs(Ugt) * DG / muG, e / DG) *
                                     std::fabs(Ugt);
            float v = std::fabs(Ugt - T), lamI;
            if (v == 0.0f) {
                lamI = 64.0f * muG / (DG * rhoG);
            } else {
                float fi = std::min(0.02f * (1.0f + wave_drag * (1.0f - A)), h / DG);
                lamI = std::max(fi, FRICF(FRGAS, RETR, v * rhoG * DG / muG, 0.0f)) * v;
            }
            float R = A * k * lamL * rhoL * xw * T - k * (Ugt - T) * lamI * rhoG * s +
                      (1.0f - A) * (-A * GRAV * drho * sn - k * xg * Ugt * lamG * rhoG);
            float Rp;
            if (T == T0) {
                float y = (Ut - Ugt) * dH / A;
                Rp = k * lamL * rhoL * xw * (T * dH + 2.0f * A) -
                     (1.0f - 2.0f * A) * drho * GRAV * sn * dH +
                     k * rhoG *
                         (-2.0f * s * (y - 1.0f) * lamI -
                          (2.0f * y * (1.0f - A) - Ugt * dH) * lamG * xg);
            } else {
                Rp = (R - R0) / (T - T0);
            }
            if (!(std::fabs(Rp) >= 1.0e-9f)) break;
            float dT = T == T0 ? 0.01f : -R / Rp;
            if (R0 != 0.0f) {
                float dR = R - R0;
                if (std::fabs(dR) < 1.0e-10f) dR = dR < 0.0f ? -1.0e-10f : 1.0e-10f;
                stepA = std::clamp(-(A - Aprev) * R / dR, -0.2f, 0.2f);
            }
            T0 = T;
            if (R0 == 0.0f) {
                T = T + dT;
            } else {
                float den = (1.0f - A) - stepA;
                if (std::fabs(den) < 1.0e-9f) {
                    failed = true;
                    break;
                }  // no film left
                T = Ut - (Ut - Uls) * Hs / den;
            }
            S.UFILM(I) = T;
            if (!std::isfinite(T) || (R * R0 > 0.0f && std::fabs(R) > std::fabs(R0) && n > 2) ||
                (n > 15 && std::fabs(R) > 100.0f)) {
                failed = true;
                break;
            }
            if (std::fabs(stepA) < 0.001f) break;
            ++n;
            R0 = R;
            if (n > 16) break;
        }
        if (failed || A == 0.05f || A == 0.99f) {
            separated();
            continue;
        }
        T = 0.5f * (T + S.UFILM(I));
        if (Ut != T) A = (Um + q - T) / (Ut - T);
        A = std::clamp(A, 0.05f, 0.99f);
        S.UFILM(I) = T;
        S.ALFILM(I) = A == am ? 0.05f : A;
        if (A == 0.99f || A < am) {
            separated();
            continue;
        }
        // Where the bubble's gas fraction A comes down to the line's am the
        // slugs vanish and the flow is stratified: the slug closure takes
        // over from the stratified one across FILM_BAND above am, as a
        // switch at am would flip the boundary from step to step.
        // The weight reads the gas fraction of the section upstream in the
        // mixture's flow (never below am, so it still comes to 0 where the
        // selection leaves for the separated closure). Read from am, the
        // lesser of the two sides, it followed the downstream section
        // whenever that one held more liquid: a closure taken from ahead of
        // the flow amplifies short waves of holdup, and one a few sections
        // long ran through the line for good, the results set by where it
        // stood at the opening. The mixture's direction, not the liquid's:
        // liquid running back down a riser would put the weight ahead of the
        // flow again, and such a network no longer settled.
        const int up = Um >= 0.0f ? I - 1 : (J > 0 ? K : std::min(I, NSEC));
        const float a_up = std::max(am, S.AL(up));
        S.WINT(I) = std::clamp((A - a_up) / FILM_BAND, 0.0f, 1.0f);

        float beta = A <= as ? 1.0f : std::clamp((A - am) / (A - as), 0.0f, 1.0f);
        if (beta == 1.0f) {
            S.IREG4(I) = 1;
            bubble();
            if (S.ID(I) == 4) finish();
            continue;
        }

        // Slug flow.
        float lams = slug_friction(D, rhoL, muL, Uls, e);
        float m = bubble_factor(Vb, Hs, Uls);
        float G1 = (1.0f - beta) * lamG * k * rhoG * xg;
        float L1 = (1.0f - beta) * xw * rhoL * lamL * k, L1p = 0.0f;
        if (T * Um < 0.0f) {
            L1p = L1;
            L1 = 0.0f;
        }
        float W = (m * as + 1.0f) * lams * (rhoL * Hs + rhoG * as) * beta * 0.5f / D +
                  (Hs - C0 * (A - as)) * L1 / (1.0f - A);
        float Gb = (A - as) * G1 / A, Ga = G1 * as / A, Gc = C0 * Gb;
        S.SLALG(I) = ab * W;
        S.SLAL(I) = (1.0f - ab) * W;
        S.SLAG(I) = ab * (Ga + Gc);
        S.SLAGL(I) = (1.0f - ab) * (Ga + Gc);
        S.SLAG0(I) = (Hs * Ga - as * Gc) * ub + ud * Gb;
        S.SLAL0(I) = -ub * W * as + L1p * T - L1 * (A - as) / (1.0f - A) * ud;
        S.ID(I) = 3;
        finish();
    }
}

}  // namespace rel
