// Band solvers against a dense Gaussian elimination of the same system.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/band.h"

using namespace rel;

namespace {

// Agreement asked of the band solvers against the dense reference.
constexpr double kRelTol = 1e-10;

using Dense = std::vector<std::vector<double>>;

// Dense solve with partial pivoting in long double: the reference.
std::vector<double> dense_solve(Dense a, std::vector<double> b) {
    int n = static_cast<int>(b.size());
    std::vector<std::vector<long double>> m(n, std::vector<long double>(n + 1));
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) m[i][j] = a[i][j];
        m[i][n] = b[i];
    }
    for (int k = 0; k < n; ++k) {
        int p = k;
        for (int i = k + 1; i < n; ++i)
            if (std::fabs(m[i][k]) > std::fabs(m[p][k])) p = i;
        std::swap(m[p], m[k]);
        for (int i = k + 1; i < n; ++i) {
            long double f = m[i][k] / m[k][k];
            for (int j = k; j <= n; ++j) m[i][j] -= f * m[k][j];
        }
    }
    std::vector<double> x(n);
    for (int i = n - 1; i >= 0; --i) {
        long double s = m[i][n];
        for (int j = i + 1; j < n; ++j) s -= m[i][j] * x[j];
        x[i] = static_cast<double>(s / m[i][i]);
    }
    return x;
}

double rel_error(const std::vector<double>& x) {
    double num = 0, den = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        num = std::max(num, std::fabs(BANDWK.RHS(static_cast<int>(i) + 1) - x[i]));
        den = std::max(den, std::fabs(x[i]));
    }
    return num / den;
}

// A network of branches with the given unknown counts; junctions as lists of
// branch numbers (incoming first, outgoing last).
void set_network(const std::vector<int>& rows, const std::vector<std::vector<int>>& juns) {
    INICOM();
    NETDSC.NBR = static_cast<int>(rows.size());
    NETDSC.NJUN = static_cast<int>(juns.size());
    PIPGEO.NSEC = NETDSC.NBR;
    for (int j = 0; j < NETDSC.NJUN; ++j) {
        NETDSC.NBJ(j + 1) = static_cast<int>(juns[j].size());
        for (size_t k = 0; k < juns[j].size(); ++k)
            NETDSC.IBJ(j + 1, static_cast<int>(k) + 1) = juns[j][k];
    }
    // One section per branch carrying all its unknowns.
    for (int b = 1; b <= NETDSC.NBR; ++b) NETDSC.IBRSEC(b) = b;
}

SecI row_counts(const std::vector<int>& rows) {
    SecI n{};
    n.fill(0);
    for (size_t b = 0; b < rows.size(); ++b) n(static_cast<int>(b) + 1) = rows[b];
    return n;
}

// Fills BANDWK with a random diagonally dominant system of the network and
// returns its dense copy and right-hand side.
void random_system(std::mt19937& gen, int nb, const std::vector<int>& rows, Dense& a,
                   std::vector<double>& b) {
    int half = (nb - 1) / 2;
    int n = 0;
    std::vector<int> seg_first, seg_last;
    for (int r : rows) {
        seg_first.push_back(n + 1);
        n += r;
        seg_last.push_back(n);
    }
    band_clear(n);
    a.assign(n, std::vector<double>(n, 0.0));
    b.assign(n, 0.0);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    auto put = [&](int r, int c, double v) {
        a[r - 1][c - 1] += v;
        band_add(r, c, v);
    };
    for (size_t s = 0; s < rows.size(); ++s)
        for (int r = seg_first[s]; r <= seg_last[s]; ++r)
            for (int c = std::max(seg_first[s], r - half); c <= std::min(seg_last[s], r + half);
                 ++c)
                if (c != r) put(r, c, u(gen));
    int nv = BANDWK.NVJUN;
    for (int j = 1; j <= NETDSC.NJUN; ++j)
        for (int m = 1; m <= NETDSC.NBJ(j) - 1; ++m)
            for (int q = 0; q < nv; ++q)
                for (int k = 0; k < nv; ++k) {
                    put(BANDWK.JGRP(j, m) + q, BANDWK.JOUT(j) + k, u(gen));
                    put(BANDWK.JOUT(j) + k, BANDWK.JGRP(j, m) + q, u(gen));
                }
    for (int r = 1; r <= n; ++r) {
        double off = 0;
        for (int c = 1; c <= n; ++c) off += std::fabs(a[r - 1][c - 1]);
        put(r, r, (u(gen) > 0 ? 1 : -1) * (off + 0.5 + std::fabs(u(gen))));
        b[r - 1] = 100.0 * u(gen);
        BANDWK.RHS(r) = b[r - 1];
    }
}

char msg[MSGLEN];

}  // namespace

TEST(BandSolvers, SingleBranchAgreesWithDenseSolve) {
    std::mt19937 gen(12345);
    for (int nb : {3, 5, 7})
        for (int n : {1, 2, 3, 4, 7, 17, 60, 600}) {
            set_network({n}, {});
            BANDWK.NVJUN = 0;
            Dense a;
            std::vector<double> b;
            random_system(gen, nb, {n}, a, b);
            // BANDLU pivots: make the leading entries of some rows larger
            // than the diagonal so that interchanges happen.
            for (int r = 2; r <= n; r += 3) {
                double v = 10.0 * (r % 2 ? 1 : -1);
                a[r - 1][r - 2] += v;
                band(r, r - 1) += v;
            }
            std::vector<double> x = dense_solve(a, b);
            int32_t ierr = 0;
            BANDLU(n, nb, ierr, msg, MSGLEN);
            ASSERT_EQ(ierr, 0) << msgtext(msg, MSGLEN);
            EXPECT_LT(rel_error(x), kRelTol) << "width " << nb << " rows " << n;
        }
}

TEST(BandSolvers, NetsolverWithoutJunctionsIsAPlainBandSolve) {
    std::mt19937 gen(7);
    for (int nb : {3, 5, 7}) {
        set_network({25}, {});
        band_junctions((nb - 1) / 2, row_counts({25}));
        Dense a;
        std::vector<double> b;
        random_system(gen, nb, {25}, a, b);
        std::vector<double> x = dense_solve(a, b);
        int32_t ierr = 0;
        NETSLV(25, nb, (nb - 1) / 2, ierr, msg, MSGLEN);
        ASSERT_EQ(ierr, 0) << msgtext(msg, MSGLEN);
        EXPECT_LT(rel_error(x), kRelTol);
    }
}

// Random trees: junction j takes fresh inlet branches and the outgoing branch
// of junction j - 1, and hands on to a new branch; the last one is the outlet.
TEST(BandSolvers, JunctionCoupledNetworksAgreeWithDenseSolve) {
    std::mt19937 gen(2024);
    int cases = 0;
    for (int nb : {3, 5, 7})
        for (int njun = 1; njun <= 3; ++njun)
            for (int rep = 0; rep < 12; ++rep) {
                int nv = (nb - 1) / 2;
                std::uniform_int_distribution<int> nbr(2, 5), len(nv, nv + 12);
                std::vector<std::vector<int>> juns;
                int next = 1, carried = 0;
                for (int j = 0; j < njun; ++j) {
                    int members = nbr(gen);
                    std::vector<int> in;
                    if (carried) in.push_back(carried);
                    while (static_cast<int>(in.size()) < members - 1) in.push_back(next++);
                    std::shuffle(in.begin(), in.end(), gen);
                    carried = next++;
                    in.push_back(carried);
                    juns.push_back(in);
                }
                std::vector<int> rows(next - 1);
                for (int& r : rows) r = len(gen);
                set_network(rows, juns);
                band_junctions(nv, row_counts(rows));
                Dense a;
                std::vector<double> b;
                random_system(gen, nb, rows, a, b);
                std::vector<double> x = dense_solve(a, b);
                int n = static_cast<int>(b.size());
                int32_t ierr = 0;
                NETSLV(n, nb, nv, ierr, msg, MSGLEN);
                ASSERT_EQ(ierr, 0) << msgtext(msg, MSGLEN);
                EXPECT_LT(rel_error(x), kRelTol) << "width " << nb << " junctions " << njun;
                ++cases;
            }
    EXPECT_GT(cases, 0);
}

TEST(BandSolvers, EmptySystemIsSkippedAndOneRowIsDivided) {
    INICOM();
    int32_t ierr = 0;
    BANDWK.RHS(1) = 5.0;
    BANDLU(0, 7, ierr, msg, MSGLEN);
    NETSLV(0, 7, 3, ierr, msg, MSGLEN);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(BANDWK.RHS(1), 5.0);
    band(1, 1) = 2.0;
    BANDLU(1, 7, ierr, msg, MSGLEN);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(BANDWK.RHS(1), 2.5);
}

TEST(BandSolvers, ZeroPivotIsReportedNotReplaced) {
    // BANDLU: the first unknown appears in no row.
    INICOM();
    for (int r = 1; r <= 4; ++r) {
        if (r > 1) band(r, r) = 1.0;
        BANDWK.RHS(r) = 1.0;
    }
    band(1, 2) = 1.0;
    int32_t ierr = 0;
    BANDLU(4, 3, ierr, msg, MSGLEN);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(msgtext(msg, MSGLEN), "BANDLU: ZERO PIVOT IN ROW 1");

    // NETSLV: a zero diagonal after elimination (rows 1 and 2 equal).
    set_network({3}, {});
    band_junctions(1, row_counts({3}));
    band(1, 1) = 1;
    band(1, 2) = 1;
    band(2, 1) = 1;
    band(2, 2) = 1;
    band(3, 3) = 1;
    ierr = 0;
    NETSLV(3, 3, 1, ierr, msg, MSGLEN);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(msgtext(msg, MSGLEN), "NETSLV: ZERO PIVOT IN ROW 2");
    for (int r = 1; r <= 3; ++r) EXPECT_TRUE(std::isfinite(BANDWK.RHS(r)));
}

TEST(BandSolvers, BadJunctionTablesAreReported) {
    set_network({6, 6, 6}, {{1, 2, 3}});
    band_junctions(3, row_counts({6, 6, 6}));
    EXPECT_EQ(BANDWK.JGRP(1, 1), 4);
    EXPECT_EQ(BANDWK.JGRP(1, 2), 10);
    EXPECT_EQ(BANDWK.JOUT(1), 13);
    for (int r = 1; r <= 18; ++r) band(r, r) = 1.0;

    int32_t ierr = 0;
    BANDWK.JGRP(1, 2) = 9;  // a group that is not the end of its branch
    NETSLV(18, 7, 3, ierr, msg, MSGLEN);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(msgtext(msg, MSGLEN).rfind("     COLUMN NOT FOUND, ERROR IN NETSLV :", 0), 0u);

    ierr = 0;
    BANDWK.JGRP(1, 2) = 10;
    BANDWK.JOUT(1) = 20;  // beyond the system
    NETSLV(18, 7, 3, ierr, msg, MSGLEN);
    EXPECT_EQ(ierr, 1);

    ierr = 0;
    band_junctions(2, row_counts({6, 6, 6}));  // tables of the 5-wide system
    NETSLV(18, 7, 3, ierr, msg, MSGLEN);
    EXPECT_EQ(ierr, 1);

    // A branch missing from a junction's list, and a branch too short for
    // its group.
    EXPECT_EQ(IBRJF(1, 2), 2);
    EXPECT_THROW(IBRJF(1, 4), RunFailure);
    EXPECT_THROW(IBRJF(0, 1), RunFailure);
    set_network({2, 6, 6}, {{1, 2, 3}});
    EXPECT_THROW(band_junctions(3, row_counts({2, 6, 6})), RunFailure);
}

TEST(BandSolvers, AddRoutesJunctionCouplingsOutOfTheBand) {
    set_network({4, 4, 4}, {{1, 2, 3}});
    band_junctions(3, row_counts({4, 4, 4}));
    band_clear(12);
    band_add(3, 9, 1.5);   // row of slot 1 (rows 2..4) against the outgoing unknowns 9..11
    band_add(10, 6, 2.5);  // outgoing row against slot 2 (rows 6..8)
    EXPECT_EQ(BANDWK.BJUNC(1, 1, 2), 1.5);  // q = 1, k = 1
    EXPECT_EQ(BANDWK.CJUNC(1, 2, 2), 2.5);  // q = 0, i = 2
    band_add(5, 7, 1.0);
    EXPECT_EQ(band(5, 7), 1.0);
    EXPECT_EQ(BANDWK.BAND(6, 5), 1.0);  // column 4 + 2
    EXPECT_THROW(band_add(1, 9, 1.0), RunFailure);
}
