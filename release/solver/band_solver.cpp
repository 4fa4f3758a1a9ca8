// Band solvers of the implicit systems: BANDLU for a single branch (row
// interchanges within the band), NETSLV for a network of branches joined at
// junctions (no interchanges, junction couplings carried in small blocks).
//
// Both solve rows 1..NEQ of BANDWK in place; the solution replaces the
// right-hand side. Neither ends the run by itself: a singular pivot, a
// junction table that does not match the system or a solution that is not
// finite sets IERR 1 with a message, and the caller leaves the step.
#include <algorithm>
#include <cmath>
#include <string>

#include "rt/fortio.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/band.h"

namespace rel {

namespace {

constexpr const char* kNotFound = "     COLUMN NOT FOUND, ERROR IN NETSLV :";

// A junction table that does not fit the system: the lines of the run log
// and the run's error.
void not_found(int32_t& IERR, char* MSG, int32_t LMSG, const std::string& where) {
    rt::write_line(IOUNIT.IULOG, kNotFound);
    rt::write_line(IOUNIT.IULOG, "     COMPILATION OPTIMALIZATION LEVEL PROBABLY TOO");
    rt::write_line(IOUNIT.IULOG, "     HIGH IN SOME ROUTINES.");
    refuse(IERR, MSG, LMSG, std::string(kNotFound) + " " + where);
}

bool width_ok(int32_t nb) { return nb == 3 || nb == 5 || nb == 7; }

bool solution_finite(int32_t n) {
    for (int r = 1; r <= n; ++r)
        if (!std::isfinite(BANDWK.RHS(r))) return false;
    return true;
}

// The junction group (j, m) that row r belongs to, with its place q in the
// group; false for an ordinary row. Reads the row tables of band_index_rows.
struct Group {
    int j = 0, m = 0, q = 0;
};

constexpr int kSlots = 8;  // JROWG(r) = kSlots j + m

bool group_of(int r, Group& g) {
    const int code = BANDWK.JROWG(r);
    if (code == 0) return false;
    g.j = code / kSlots;
    g.m = code % kSlots;
    g.q = r - BANDWK.JGRP(g.j, g.m);
    return true;
}

// Word of BJUNC/CJUNC: row JGRP + q against unknown JOUT + k - 1 (k, q from 0).
int bword(int q, int k, int nv) { return q + 1 + k * nv; }
int cword(int q, int i, int nv) { return q * nv + i + 1; }

}  // namespace

void band_clear(int n) {
    for (int r = 1; r <= n && r <= MXEQ; ++r) {
        for (int d = 1; d <= 7; ++d) BANDWK.BAND(d, r) = 0.0;
        BANDWK.RHS(r) = 0.0;
    }
    BANDWK.BJUNC.fill(0.0);
    BANDWK.CJUNC.fill(0.0);
}

void band_junctions(int NV, const SecI& nrows) {
    Arr<int32_t, MXBR> first{}, last{};
    first.fill(0);
    last.fill(0);
    int row = 0;
    for (int s = 1; s <= PIPGEO.NSEC; ++s) {
        int n = nrows(s);
        if (n <= 0) continue;
        int b = NETDSC.IBRSEC(s);
        if (b < 1 || b > MXBR) throw RunFailure("NETWORK NUMBERING ERROR: SECTION WITHOUT BRANCH");
        if (first(b) == 0) first(b) = row + 1;
        row += n;
        last(b) = row;
    }
    BANDWK.NVJUN = NV;
    BANDWK.JGRP.fill(0);
    BANDWK.JOUT.fill(0);
    for (int j = 1; j <= NETDSC.NJUN; ++j) {
        int nbj = NETDSC.NBJ(j);
        for (int m = 1; m <= nbj - 1; ++m) {
            int b = NETDSC.IBJ(j, m);
            if (b < 1 || b > MXBR || last(b) - first(b) + 1 < NV || first(b) == 0)
                throw RunFailure("NETWORK NUMBERING ERROR: BRANCH " + std::to_string(b) +
                                 " HAS TOO FEW UNKNOWNS FOR ITS JUNCTION");
            BANDWK.JGRP(j, m) = last(b) - NV + 1;
        }
        int bo = nbj >= 1 ? NETDSC.IBJ(j, nbj) : 0;
        if (bo < 1 || bo > MXBR || first(bo) == 0)
            throw RunFailure("NETWORK NUMBERING ERROR: JUNCTION " + std::to_string(j) +
                             " HAS NO OUTGOING UNKNOWNS");
        BANDWK.JOUT(j) = first(bo);
    }
    band_index_rows();
}

void band_index_rows() {
    auto& W = BANDWK;
    W.JROWG.fill(0);
    W.JROWO.fill(0);
    const int nv = W.NVJUN;
    if (nv <= 0) return;
    // Backwards, so that where two groups claim a row the first one in
    // junction and slot order keeps it.
    for (int j = std::min<int>(NETDSC.NJUN, MXJUN); j >= 1; --j) {
        for (int m = std::min<int>(NETDSC.NBJ(j), MXBJ) - 1; m >= 1; --m)
            for (int q = 0; q < nv; ++q) {
                const int r = W.JGRP(j, m) + q;
                if (r >= 1 && r <= MXEQ) W.JROWG(r) = kSlots * j + m;
            }
        for (int i = 0; i < nv; ++i) {
            const int r = W.JOUT(j) + i;
            if (r >= 1 && r <= MXEQ) W.JROWO(r) = j;
        }
    }
}

void band_add_coupled(int r, int c, double v) {
    const int nv = BANDWK.NVJUN;
    if (nv > 0 && NETDSC.NJUN > 0 && r >= 1 && r <= MXEQ && c >= 1 && c <= MXEQ) {
        // Row r in group (j, m) against junction j's outgoing unknowns: BJUNC;
        // row r among junction j's outgoing rows against group (j, m): CJUNC.
        // Should both fit, the lower (j, m) wins, BJUNC before CJUNC.
        int bkey = 0, ckey = 0;
        Group gr, gc;
        if (group_of(r, gr)) {
            const int out = BANDWK.JOUT(gr.j);
            if (c >= out && c < out + nv) bkey = kSlots * gr.j + gr.m;
        }
        const int jo = BANDWK.JROWO(r);
        if (jo > 0 && group_of(c, gc) && gc.j == jo) ckey = kSlots * gc.j + gc.m;
        if (bkey > 0 && (ckey == 0 || bkey <= ckey)) {
            BANDWK.BJUNC(gr.j, gr.m, bword(gr.q, c - BANDWK.JOUT(gr.j), nv)) += v;
            return;
        }
        if (ckey > 0) {
            BANDWK.CJUNC(gc.j, gc.m, cword(gc.q, r - BANDWK.JOUT(gc.j), nv)) += v;
            return;
        }
    }
    if (r < 1 || r > MXEQ || c < 1 || c > MXEQ || c - r < -3 || c - r > 3)
        throw RunFailure("BAND ASSEMBLY ERROR: ROW " + std::to_string(r) + " UNKNOWN " +
                         std::to_string(c));
    band(r, c) += v;
}

int32_t IBRJF(int32_t JUN, int32_t IBR) {
    if (JUN >= 1 && JUN <= MXJUN)
        for (int k = 1; k <= NETDSC.NBJ(JUN) && k <= MXBJ; ++k)
            if (NETDSC.IBJ(JUN, k) == IBR) return k;
    rt::write_line(IOUNIT.IULOG, " ERROR IN FUNCTION IBRJF");
    throw RunFailure(" ERROR IN FUNCTION IBRJF");
}

void BANDLU(int32_t NEQ, int32_t NBAND, int32_t& IERR, char* MSG, int32_t LMSG) {
    if (NEQ <= 0) return;  // nothing to solve
    if (NEQ > MXEQ || !width_ok(NBAND)) {
        refuse(IERR, MSG, LMSG,
               "BANDLU: SYSTEM OF " + std::to_string(NEQ) + " ROWS, WIDTH " +
                   std::to_string(NBAND) + " CANNOT BE SOLVED");
        return;
    }
    const int N = NEQ, NB = NBAND, MD = (NB + 1) / 2, HALF = MD - 1;
    // Compact working copy: A[r][k], k = 1..NB; before compaction column MD + d
    // holds the coefficient of unknown r + d.
    static double A[MXEQ + 1][8];
    for (int r = 1; r <= N; ++r)
        for (int k = 1; k <= NB; ++k) A[r][k] = BANDWK.BAND(4 - MD + k, r);
    // Top rows: move left so that column 1 holds unknown 1; bottom rows: drop
    // the entries beyond unknown N.
    for (int i = 1; i <= HALF && i <= N; ++i) {
        int s = MD - i;
        for (int k = 1; k <= NB; ++k) A[i][k] = k + s <= NB ? A[i][k + s] : 0.0;
    }
    for (int i = 1; i <= HALF && i <= N; ++i) {
        int r = N + 1 - i;
        if (r <= HALF) {
            // A compacted row: column k holds unknown k.
            for (int k = N + 1; k <= NB; ++k) A[r][k] = 0.0;
        } else {
            for (int k = NB - (MD - i) + 1; k <= NB; ++k) A[r][k] = 0.0;
        }
    }
    double* x = BANDWK.RHS.data() - 1;  // x[r], r = 1..N
    int L = MD < N ? MD : N;
    for (int K = 1; K <= N - 1; ++K) {
        for (int J = K + 1; J <= L; ++J)
            if (std::fabs(A[J][1]) > std::fabs(A[K][1])) {
                for (int k = 1; k <= NB; ++k) std::swap(A[J][k], A[K][k]);
                std::swap(x[J], x[K]);
            }
        double p = A[K][1];
        if (p == 0.0 || !std::isfinite(p)) {
            refuse(IERR, MSG, LMSG, "BANDLU: ZERO PIVOT IN ROW " + std::to_string(K));
            return;
        }
        x[K] /= p;
        for (int k = 2; k <= NB; ++k) A[K][k] /= p;
        A[K][1] = 1.0;
        for (int I = K + 1; I <= L; ++I) {
            double f = A[I][1];
            x[I] -= f * x[K];
            for (int k = 2; k <= NB; ++k) A[I][k - 1] = A[I][k] - f * A[K][k];
            A[I][NB] = 0.0;
        }
        if (L < N) ++L;
    }
    if (A[N][1] == 0.0 || !std::isfinite(A[N][1])) {
        refuse(IERR, MSG, LMSG, "BANDLU: ZERO PIVOT IN ROW " + std::to_string(N));
        return;
    }
    x[N] /= A[N][1];
    int W = 2;
    for (int I = N - 1; I >= 1; --I) {
        double s = x[I];
        for (int k = 2; k <= W; ++k) s -= A[I][k] * x[I + k - 1];
        x[I] = s;
        if (W < NB) ++W;
    }
    if (!solution_finite(N)) refuse(IERR, MSG, LMSG, "BANDLU: SOLUTION IS NOT FINITE");
}

void NETSLV(int32_t NEQ, int32_t NBAND, int32_t NUNK, int32_t& IERR, char* MSG, int32_t LMSG) {
    if (NEQ <= 0) return;  // nothing to solve
    const int N = NEQ, HALF = (NBAND - 1) / 2, NV = NUNK;
    if (NEQ > MXEQ || !width_ok(NBAND) || NV != HALF) {
        refuse(IERR, MSG, LMSG,
               "NETSLV: SYSTEM OF " + std::to_string(NEQ) + " ROWS, WIDTH " +
                   std::to_string(NBAND) + " CANNOT BE SOLVED");
        return;
    }
    // The junction tables must describe this system: each group the last NV
    // rows of a branch, each outgoing branch starting right after a branch end.
    static int seglast[MXEQ + 2];
    static bool is_end[MXEQ + 2];
    for (int r = 0; r <= N + 1; ++r) is_end[r] = false;
    is_end[N] = true;
    if (NETDSC.NJUN > 0 && BANDWK.NVJUN != NV) {
        not_found(IERR, MSG, LMSG, "JUNCTION TABLES OF ANOTHER SYSTEM");
        return;
    }
    for (int j = 1; j <= NETDSC.NJUN; ++j) {
        if (NETDSC.NBJ(j) < 2 || NETDSC.NBJ(j) > MXBJ) {
            not_found(IERR, MSG, LMSG, "JUNCTION " + std::to_string(j));
            return;
        }
        for (int m = 1; m <= NETDSC.NBJ(j) - 1; ++m) {
            int g = BANDWK.JGRP(j, m);
            if (g < 1 || g + NV - 1 >= BANDWK.JOUT(j) || BANDWK.JOUT(j) > N) {
                not_found(IERR, MSG, LMSG, std::to_string(g));
                return;
            }
            is_end[g + NV - 1] = true;
        }
    }
    for (int j = 1; j <= NETDSC.NJUN; ++j) {
        for (int m = 1; m <= NETDSC.NBJ(j) - 1; ++m) {
            int g = BANDWK.JGRP(j, m);
            for (int r = g; r < g + NV - 1; ++r)
                if (is_end[r]) {  // two groups overlap: a branch shorter than its group
                    not_found(IERR, MSG, LMSG, std::to_string(g));
                    return;
                }
        }
        if (!is_end[BANDWK.JOUT(j) - 1]) {
            not_found(IERR, MSG, LMSG, std::to_string(BANDWK.JOUT(j)));
            return;
        }
    }
    for (int r = N, last = N; r >= 1; --r) {
        if (is_end[r]) last = r;
        seglast[r] = last;
    }
    band_index_rows();

    auto& BJ = BANDWK.BJUNC;
    auto& CJ = BANDWK.CJUNC;
    double* x = BANDWK.RHS.data() - 1;
    for (int K = 1; K <= N; ++K) {
        double p = band(K, K);
        if (p == 0.0 || !std::isfinite(p)) {
            refuse(IERR, MSG, LMSG, "NETSLV: ZERO PIVOT IN ROW " + std::to_string(K));
            return;
        }
        Group gk;
        bool grp = group_of(K, gk);
        int last = seglast[K];
        int cmax = K + HALF < last ? K + HALF : last;
        for (int I = K + 1; I <= cmax; ++I) {
            double f = band(I, K) / p;
            if (f == 0.0) continue;
            band(I, K) = 0.0;
            for (int c = K + 1; c <= cmax; ++c) band(I, c) -= f * band(K, c);
            x[I] -= f * x[K];
            if (grp)  // row I lies in the same group, further down
                for (int k = 0; k < NV; ++k)
                    BJ(gk.j, gk.m, bword(I - K + gk.q, k, NV)) -=
                        f * BJ(gk.j, gk.m, bword(gk.q, k, NV));
        }
        if (grp) {
            // The outgoing branch's first rows lose their coupling to unknown K.
            int g = BANDWK.JGRP(gk.j, gk.m), out = BANDWK.JOUT(gk.j);
            for (int i = 0; i < NV; ++i) {
                int R = out + i;
                double f = CJ(gk.j, gk.m, cword(gk.q, i, NV)) / p;
                CJ(gk.j, gk.m, cword(gk.q, i, NV)) = 0.0;
                if (f == 0.0) continue;
                for (int q2 = gk.q + 1; q2 < NV; ++q2)
                    CJ(gk.j, gk.m, cword(q2, i, NV)) -= f * band(K, g + q2);
                for (int k = 0; k < NV; ++k)
                    band(R, out + k) -= f * BJ(gk.j, gk.m, bword(gk.q, k, NV));
                x[R] -= f * x[K];
            }
        }
    }
    for (int K = N; K >= 1; --K) {
        int last = seglast[K];
        int cmax = K + HALF < last ? K + HALF : last;
        double s = x[K];
        for (int c = K + 1; c <= cmax; ++c) s -= band(K, c) * x[c];
        Group gk;
        if (group_of(K, gk)) {
            int out = BANDWK.JOUT(gk.j);
            for (int k = 0; k < NV; ++k) s -= BJ(gk.j, gk.m, bword(gk.q, k, NV)) * x[out + k];
        }
        x[K] = s / band(K, K);
    }
    if (!solution_finite(N)) refuse(IERR, MSG, LMSG, "NETSLV: SOLUTION IS NOT FINITE");
}

}  // namespace rel
