// Numbering of the unknowns and the implicit step across a junction.
#include <gtest/gtest.h>

#include <cmath>

#include "pipe_fixture.h"
#include "run/routines.h"

using namespace rel;
using namespace fixture;

namespace {
char msg[LMSG];
}

// One 100 m pipe: 5 sections of 20 m plus the inlet and the end cell, 7 in
// all. The inlet cell has no unknowns, sections 2..6 three each (UG, UL, P),
// the end cell its two velocities: 5 x 3 + 2 = 17; UG(2) is row 1, P(2) row 3,
// UG(7) row 16, UL(7) row 17.
TEST(Numbering, SinglePipe) {
    single_pipe(5, 20.0f, 0.3f, 0.0f);
    PvRows R = pv_rows();
    EXPECT_EQ(R.neq, 17);
    EXPECT_EQ(R.n(1), 0);
    EXPECT_EQ(R.first(2), 1);
    EXPECT_EQ(R.first(7), 16);
    EXPECT_EQ(R.n(7), 2);
}

// Two inlet branches of 100 m into one junction, a 100 m outlet branch.
// Inlet branch: 7 sections, 5 x 3 + 2 (its junction end) = 17 unknowns each;
// outlet branch: 6 sections, 1 (behind the junction) + 4 x 3 + 2 = 15: 49.
// The junction groups are the last three rows of each inlet branch (15..17,
// 32..34), the outgoing group starts at row 35.
TEST(Numbering, ThreeBranchJunction) {
    three_branches(5, 20.0f, 0.3f);
    PvRows R = pv_rows();
    EXPECT_EQ(PIPGEO.NSEC, 20);
    EXPECT_EQ(R.neq, 49);
    band_junctions(3, R.n);
    EXPECT_EQ(BANDWK.JGRP(1, 1), 15);
    EXPECT_EQ(BANDWK.JGRP(1, 2), 32);
    EXPECT_EQ(BANDWK.JOUT(1), 35);
    EXPECT_EQ(R.first(15), 35);
    EXPECT_EQ(R.n(15), 1);
}

// Steady liquid flow through the junction: 300 and 500 kg/(m2 s) into the
// two inlet branches of equal area leave through the outlet branch at
// 800 kg/(m2 s), 1 m/s, and the merged velocity behind the junction is the
// sum of the two inflows.
TEST(NetworkStep, FlowsMergeAtTheJunction) {
    three_branches(5, 20.0f, 0.3f);
    hydrostatic(0.0f, 2.0e6);
    EQUIPM.NSOUR = 2;
    EQUIPM.ISOUR(1) = 2;
    EQUIPM.WLSOUR(1) = 300.0f;
    EQUIPM.ISOUR(2) = 9;
    EQUIPM.WLSOUR(2) = 500.0f;
    int32_t ierr = 0;
    for (int step = 0; step < 600; ++step) {
        ASSERT_TRUE(core_step(0.1, ierr, msg)) << msgtext(msg, LMSG);
        refresh_properties();
    }
    constexpr float kTol = 0.01f;  // relative, after 60 s of simulated time
    EXPECT_NEAR(SECVAR.UL(7), 0.375f, kTol * 0.375f);
    EXPECT_NEAR(SECVAR.UL(14), 0.625f, kTol * 0.625f);
    EXPECT_NEAR(SECVAR.UL(15), 1.0f, kTol);
    EXPECT_NEAR(SECVAR.UL(18), 1.0f, kTol);
    EXPECT_NEAR(SECVAR.UL(20), 1.0f, kTol);
    // Pressure falls towards the outlet in every branch.
    EXPECT_GT(SECVAR.PT(2), SECVAR.PT(6));
    EXPECT_GT(SECVAR.PT(9), SECVAR.PT(13));
    EXPECT_GT(SECVAR.PT(15), SECVAR.PT(19));
    EXPECT_GT(SECVAR.PT(6), SECVAR.PT(15));
}

// A still, horizontal liquid network at one pressure stays still.
TEST(NetworkStep, StillNetworkStaysStill) {
    three_branches(5, 20.0f, 0.3f);
    hydrostatic(0.0f, 2.0e6);
    int32_t ierr = 0;
    for (int step = 0; step < 50; ++step) {
        ASSERT_TRUE(core_step(0.5, ierr, msg)) << msgtext(msg, LMSG);
        refresh_properties();
    }
    for (int i = 2; i <= PIPGEO.NSEC; ++i) {
        EXPECT_LT(std::fabs(SECVAR.UL(i)), 1.0e-6f) << i;
        EXPECT_LT(std::fabs(SECVAR.UG(i)), 1.0e-6f) << i;
        EXPECT_NEAR(SECVAR.PT(i), 2.0e6f, 0.5f) << i;
    }
}
