// Explicit force terms of the stratified two-fluid momentum equations, per
// section boundary, from the state of the previous step:
//  - CONVG/CONVL/CONVD: the momentum-flux change across a change of flow
//    area, as a coefficient of the phase velocity (kg/(m3 s));
//  - GRVT1 (gas), GRVT2 (droplets) and GRVT3 (bulk liquid): the gravity
//    force of each phase and, in GRVT3, the force of the liquid level
//    gradient, in Pa/m as they stand on the right-hand side (positive
//    pushing the flow from section i-1 towards section i).
// Their sum times the distance between the two section centres is the
// static pressure rise across the boundary, which the check valves use.
#include <algorithm>
#include <cmath>

#include "run/state.h"
#include "solver/step.h"

namespace rel {

namespace {

// Liquid height in a circular pipe of flow area A at bulk-liquid fraction be.
float level_height(float be, float A) {
    be = std::clamp(be, 0.0f, 1.0f);
    float d = 1.5708f * (1.0f + std::cbrt(be) - std::cbrt(1.0f - be));
    float D = std::sqrt(1.27324f * std::max(A, 0.0f));
    return 0.5f * D * (1.0f - std::cos(d));
}

// Elevation of a section centre as the momentum balance sees it. The cell at
// the end of the last branch is a horizontal cell at the pipe end (its stored
// elevation is not set), so its centre lies at the end of the last pipe.
float centre_elevation(int s) {
    if (NETDSC.KSEC(s) == -1 && s > 1)
        return PIPGEO.ZSEC(s - 1) - 0.5f * PIPGEO.DX(s - 1) * PIPGEO.SINANG(s - 1);
    return PIPGEO.ZSEC(s);
}

}  // namespace

void STRGEO() {
    auto& S = SECVAR;
    const int NSEC = PIPGEO.NSEC;
    // The liquid height of a section serves the boundaries on both its
    // sides: worked out once per call.
    float height[MXSEC + 1];
    bool have[MXSEC + 1] = {};
    auto level = [&](int s) {
        if (s < 0 || s > MXSEC) return level_height(S.BE(s), PIPGEO.SECAREA(s));
        if (!have[s]) {
            height[s] = level_height(S.BE(s), PIPGEO.SECAREA(s));
            have[s] = true;
        }
        return height[s];
    };
    for (int i = 1; i <= NSEC; ++i) {
        S.CONVG(i) = S.CONVL(i) = S.CONVD(i) = 0.0f;
        S.GRVT1(i) = S.GRVT2(i) = S.GRVT3(i) = 0.0f;
        for (int k = 1; k <= 6; ++k) S.CONVJ(k, i) = 0.0f;
    }
    for (int i = 2; i <= NSEC; ++i) {
        const int k = NETDSC.KSEC(i);
        if (k > 0 || k == -2 || NETDSC.KSEC(i - 1) >= 2 || NETDSC.JBND(i) < 0) continue;
        const int d = downstream(i);
        const bool junction = NETDSC.JBND(i) > 0;
        const float sumdx = PIPGEO.DX(i - 1) + PIPGEO.DX(d);
        if (!(sumdx > 0.0f)) continue;
        const float dxb = 0.5f * sumdx;
        const float a = bmean(S.AL, i), b = bmean(S.BE, i), g = bmean(S.GA, i);

        // Area change: 0.5 rho f |u| (1 - ratio^2) per unit length between the
        // centres, with the ratio of the smaller to the larger face.
        const float e = PIPGEO.EXPFAC(i), c = PIPGEO.CFLFAC(i);
        auto conv = [&](float rho, float f, float u, int J) {
            float ratio = J == 1 ? 1.0f - c * c : 1.0f - e * e;
            return 0.5f * rho * f * (2.0f / sumdx) * std::fabs(u) * std::max(ratio, 0.0f);
        };
        auto donor = [&](int J) { return J == 1 ? d : i - 1; };
        S.CONVG(i) = conv(S.ROG(donor(S.JUG(i))), a, S.UG(i), S.JUG(i));
        S.CONVL(i) = conv(S.ROL(donor(S.JUL(i))), b, S.UL(i), S.JUL(i));
        S.CONVD(i) = conv(S.ROL(donor(S.JUD(i))), g, S.UD(i), S.JUD(i));

        // Gravity: each phase's weight between the two section centres.
        float rhog = bmean(S.ROG, i), rhol = bmean(S.ROL, i);
        if (rhol < 1.0001f * rhog) rhol = 1.0001f * rhog;
        const float dz = centre_elevation(i - 1) - centre_elevation(d);
        S.GRVT1(i) = a * rhog * GRAV * dz / dxb;
        S.GRVT2(i) = g * rhol * GRAV * dz / dxb;
        S.GRVT3(i) = b * rhol * GRAV * dz / dxb;
        if (junction) continue;  // no level force across a junction

        // Level gradient: the liquid flows down the slope of its surface.
        // A large jump in level (more than 1 % of the summed heights) is
        // halved, taken off the higher side, to keep a front from being
        // driven by a force that one explicit step cannot follow.
        float h1 = level(i - 1);
        float h2 = level(d);
        float dh = h2 - h1;
        if (h1 + h2 > 0.0f && std::fabs(dh) / (h1 + h2) > 0.01f) dh *= 0.5f;
        const float cosb = 0.5f * (PIPGEO.COSANG(i - 1) + PIPGEO.COSANG(d));
        S.GRVT3(i) -= b * (rhol - rhog) * GRAV * cosb * dh / dxb;
    }
}

}  // namespace rel
