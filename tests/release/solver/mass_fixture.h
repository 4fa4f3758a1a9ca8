// Small synthetic networks for the mass and energy step: the topology, the
// geometry and the area ratios of the boundaries laid out by hand, so that
// the routines can be checked on a given flux field without the rest of the
// solver.
#pragma once

#include <vector>

#include "run/state.h"
#include "solver/mass.h"

namespace rel::testnet {

// Area ratios of every boundary as the set-up lays them out: CFLFAC(s) =
// boundary area / A(s) (upstream ratio), EXPFAC(s) = boundary area / A(s-1)
// (downstream ratio); at a branch end that enters a junction the flow keeps
// the end's area, so CFLFAC = A(s-1) / A(section behind the junction).
inline void area_ratios() {
    auto& G = PIPGEO;
    auto& N = NETDSC;
    for (int s = 1; s <= G.NSEC; ++s) {
        const int j = N.JBND(s);
        if (N.KSEC(s) >= 1 || j < 0 || s == 1) {
            G.CFLFAC(s) = G.EXPFAC(s) = 1.0f;
            G.AREA(s) = G.SECAREA(s);
        } else if (j == 0) {
            G.EXPFAC(s) = std::min(G.SECAREA(s) / G.SECAREA(s - 1), 1.0f);
            G.CFLFAC(s) = std::min(G.SECAREA(s - 1) / G.SECAREA(s), 1.0f);
            G.AREA(s) = std::min(G.SECAREA(s), G.SECAREA(s - 1));
        } else {
            G.EXPFAC(s) = 1.0f;
            G.CFLFAC(s) = G.SECAREA(s - 1) / G.SECAREA(jdown(j));
            G.AREA(s) = G.SECAREA(s - 1);
        }
    }
}

// One branch from an inlet to the outlet: section 1 the inlet cell, the
// last the outlet section; areas per section as given.
inline void one_branch(const std::vector<float>& areas, float dx = 10.0f) {
    INICOM();
    auto& G = PIPGEO;
    auto& N = NETDSC;
    const int n = static_cast<int>(areas.size());
    N.NBR = 1;
    N.NJUN = 0;
    N.NSECBR(1) = n;
    N.ITYPBR(1) = 0;
    G.NSEC = n;
    for (int s = 1; s <= n; ++s) {
        G.SECAREA(s) = areas[s - 1];
        G.DX(s) = dx;
        G.DBND(s) = 0.2f;
        N.IBRSEC(s) = 1;
    }
    N.KSEC(1) = 2;
    N.KSEC(n) = -1;
    area_ratios();
    RUNCTL.HT = 0.5;
}

// Two inlet branches (1 and 2) meeting at junction 1, which branch 3 leaves
// to the outlet. Five sections per branch: branch 1 holds 1..5 (1 inlet
// cell, 5 the junction node), branch 2 holds 6..10, branch 3 holds 11..15
// (11 behind the junction, 15 the outlet section). Branch 3 narrows after
// its second section.
inline void three_branches() {
    INICOM();
    auto& G = PIPGEO;
    auto& N = NETDSC;
    N.NBR = 3;
    N.NJUN = 1;
    N.NBJ(1) = 3;
    N.IBJ(1, 1) = 1;
    N.IBJ(1, 2) = 2;
    N.IBJ(1, 3) = 3;
    const float A[16] = {0,     0.03f, 0.03f, 0.03f, 0.03f, 0.03f, 0.02f, 0.02f,
                         0.02f, 0.02f, 0.02f, 0.05f, 0.05f, 0.04f, 0.04f, 0.04f};
    G.NSEC = 15;
    for (int b = 1; b <= 3; ++b) {
        N.NSECBR(b) = 5;
        N.ITYPBR(b) = b < 3 ? 1 : 3;
    }
    for (int s = 1; s <= 15; ++s) {
        G.SECAREA(s) = A[s];
        G.DX(s) = 8.0f + 0.5f * s;
        G.DBND(s) = 0.2f;
        N.IBRSEC(s) = (s - 1) / 5 + 1;
    }
    N.KSEC(1) = 2;
    N.KSEC(6) = 2;
    N.KSEC(15) = -1;
    N.JBND(5) = 1;
    N.JBND(10) = 1;
    N.JBND(11) = -1;
    area_ratios();
    RUNCTL.HT = 0.5;
}

// Sections that carry unknowns in the mass systems, in row order.
inline std::vector<int> mass_sections() {
    std::vector<int> rows;
    for (int s = 1; s <= PIPGEO.NSEC; ++s)
        if (NETDSC.JBND(s) <= 0) rows.push_back(s);
    return rows;
}

// Set a velocity and its direction index at boundary i for all phases.
inline void velocity(int i, float ug, float ul, float ud) {
    auto& V = SECVAR;
    V.UG(i) = ug;
    V.UL(i) = ul;
    V.UD(i) = ud;
    V.JUG(i) = ug < 0.0f ? 1 : 0;
    V.JUL(i) = ul < 0.0f ? 1 : 0;
    V.JUD(i) = ud < 0.0f ? 1 : 0;
}

// The assembled system as a dense matrix (nv unknowns per mass section),
// with the junction blocks placed at their rows and columns.
inline std::vector<std::vector<double>> dense(int nv) {
    const auto secs = mass_sections();
    const int neq = nv * static_cast<int>(secs.size());
    std::vector<std::vector<double>> M(neq + 1, std::vector<double>(neq + 1, 0.0));
    const int half = nv;  // band half width: 2 for the liquid, 1 for gas and energy
    for (int r = 1; r <= neq; ++r)
        for (int d = -half; d <= half; ++d)
            if (r + d >= 1 && r + d <= neq) M[r][r + d] = band_off(r, d);
    auto row_of = [&](int s) {
        for (size_t k = 0; k < secs.size(); ++k)
            if (secs[k] == s) return nv * static_cast<int>(k) + 1;
        return 0;
    };
    for (int j = 1; j <= NETDSC.NJUN; ++j) {
        const int out = row_of(jdown(j));
        for (int m = 1; m <= NETDSC.NBJ(j) - 1; ++m) {
            const int grp = row_of(jend(j, m) - 1);
            for (int q = 0; q < nv; ++q)
                for (int k = 1; k <= nv; ++k) {
                    M[grp + q][out + k - 1] += BANDWK.BJUNC(j, m, q + 1 + (k - 1) * nv);
                    M[out + k - 1][grp + q] += BANDWK.CJUNC(j, m, q * nv + k);
                }
        }
    }
    return M;
}

// Volume of the section that owns row r (nv rows per section).
inline double row_volume(int r, int nv) {
    const auto secs = mass_sections();
    const int s = secs[(r - 1) / nv];
    return double(PIPGEO.SECAREA(s)) * PIPGEO.DX(s);
}

}  // namespace rel::testnet
