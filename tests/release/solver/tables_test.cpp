#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"

using namespace rel;

TEST(TableSearch, IntervalOfAPointOnAndOffTheGrid) {
    const float g[5] = {1, 2, 4, 8, 16};
    struct Case {
        float x;
        int32_t want;
    };
    const Case cases[] = {{0.5f, 1}, {1, 1}, {2, 2}, {3, 2}, {8, 4}, {15.9f, 4}, {16, 4}, {99, 4}};
    for (const Case& c : cases) EXPECT_EQ(TBLOC(c.x, g, 5, 2), c.want) << c.x;
    EXPECT_EQ(TBLOC(5.0f, g, 0, 2), 1);
    EXPECT_EQ(TBLOC(5.0f, g, 1, 2), 1);
}

// The search that starts from the previous interval answers what the full
// scan answers, from every start, for points on, between, beyond and around
// the grid points (repeated points included) and for NaN.
TEST(TableSearch, SearchFromAStartIntervalAgreesWithTheScan) {
    const std::vector<std::vector<float>> grids = {{1, 2},
                                                   {1, 2, 4},
                                                   {1, 2, 4, 8, 16},
                                                   {-5, 0, 0, 3, 3, 3, 7},
                                                   {0, 1e5f, 2e5f, 5e5f, 1e6f, 2e7f}};
    for (const auto& g : grids) {
        const int n = static_cast<int>(g.size());
        ASSERT_TRUE(grid_ascending(g.data(), n));
        std::vector<float> xs = {std::nanf(""), -1e30f, 1e30f};
        for (float p : g)
            for (float d : {-1.0f, -1e-3f, 0.0f, 1e-3f, 1.0f})
                xs.push_back(p + d * (1.0f + std::fabs(p)));
        for (float x : xs)
            for (int start = -1; start <= n + 1; ++start)
                EXPECT_EQ(tbloc_from(x, g.data(), n, start), TBLOC(x, g.data(), n, 2))
                    << "x " << x << " start " << start << " grid of " << n;
    }
    const float falling[3] = {1, 3, 2}, with_nan[3] = {1, std::nanf(""), 3};
    EXPECT_FALSE(grid_ascending(falling, 3));
    EXPECT_FALSE(grid_ascending(with_nan, 3));
    EXPECT_FALSE(grid_ascending(falling, 1));
}

TEST(TableSearch, TimeTableWeightsInOneColumn) {
    // two columns, leading dimension 2: column 2 holds the times 0, 10, 30
    const float t[6] = {9, 0, 9, 10, 9, 30};
    int32_t idx;
    float w, f;
    TBINT(t, 2, 3, 2, 15.0f, idx, w, f);
    EXPECT_EQ(idx, 2);
    EXPECT_FLOAT_EQ(f, 0.25f);
    EXPECT_FLOAT_EQ(w, 0.75f);
    // on the last point: the last interval with the full weight on its end,
    // so no caller reads past the table
    TBINT(t, 2, 3, 2, 30.0f, idx, w, f);
    EXPECT_EQ(idx, 2);
    EXPECT_FLOAT_EQ(f, 1.0f);
}

TEST(TableSearch, InterpolationInRisingAndFallingTables) {
    const float xr[3] = {0, 10, 20}, xf[3] = {20, 10, 0}, y[3] = {1, 3, 7};
    float v;
    TBINTR(xr, y, 3, 15.0f, v, 77, "T", 1);
    EXPECT_FLOAT_EQ(v, 5.0f);
    TBINTR(xf, y, 3, 15.0f, v, 77, "T", 1);
    EXPECT_FLOAT_EQ(v, 2.0f);
    TBINTR(xr, y, 3, 20.0f, v, 77, "T", 1);
    EXPECT_EQ(v, 7.0f);
    TBINTR(xf, y, 3, 10.0f, v, 77, "T", 1);
    EXPECT_EQ(v, 3.0f);
}

TEST(TableSearch, InterpolationOutsideTheTableEndsTheRunWithItsName) {
    const float x[2] = {0, 10}, y[2] = {1, 2};
    float v = -1.0f;
    const char* name = "ROUTINE BOUCON: ERROR USING BOUNDARY VOID TABLE";
    for (float bad : {11.0f, -1.0f}) {
        try {
            TBINTR(x, y, 2, bad, v, 77, name, 47);
            ADD_FAILURE() << "no failure at " << bad;
        } catch (const RunFailure& e) {
            std::string m = e.what();
            EXPECT_EQ(m.rfind(name, 0), 0u) << m;
            EXPECT_NE(m.find("RANGE IS"), std::string::npos);
        }
    }
    EXPECT_EQ(v, -1.0f);
}

TEST(TableSearch, ControllerOutputOfTheFirstMatch) {
    INICOM();
    CTRTAB.NCTR = 3;
    CTRTAB.ICTRNO(1) = 4;
    CTRTAB.ICTRNO(2) = 7;
    CTRTAB.ICTRNO(3) = 7;
    CTRTAB.CONTR(2) = 0.25f;
    CTRTAB.CONTR(3) = 0.75f;
    EXPECT_EQ(CTRVAL(7), 0.25f);
    EXPECT_EQ(CTRVAL(5), 0.0f);
    CTRTAB.NCTR = 0;
    EXPECT_EQ(CTRVAL(7), 0.0f);
}

TEST(SectionProperties, JunctionWithThreeIncomingBranches) {
    // Branches 1, 2, 3 flow into junction 1, branch 4 leaves it. Each branch
    // has 3 sections; the last of each incoming branch (junction role +1)
    // stands at the junction, the first of branch 4 has role -1.
    INICOM();
    NETDSC.NBR = 4;
    NETDSC.NJUN = 1;
    NETDSC.NBJ(1) = 4;
    for (int m = 1; m <= 4; ++m) NETDSC.IBJ(1, m) = m;
    PIPGEO.NSEC = 12;
    for (int s = 1; s <= 12; ++s) {
        NETDSC.IBRSEC(s) = (s - 1) / 3 + 1;
        SECVAR.RS(s) = 0.01f * s;
    }
    for (int b = 1; b <= 3; ++b) NETDSC.JBND(3 * b) = 1;
    NETDSC.JBND(10) = -1;
    int32_t ierr = 0;
    char buf[MSGLEN];
    SECPRP(ierr, buf, MSGLEN);
    for (int b = 1; b <= 3; ++b) {
        EXPECT_FLOAT_EQ(SECVAR.RSJIN(b), 0.10f);                // first section behind the junction
        EXPECT_FLOAT_EQ(SECVAR.RSJBK(b), 0.01f * (3 * b - 1));  // own last section before it
    }
    EXPECT_EQ(SECVAR.RSJIN(4), 0.0f);
    EXPECT_EQ(ierr, 0);
}
