// Numbering of the unknowns and the implicit step across a junction.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "pipe_fixture.h"
#include "run/routines.h"

using namespace rel;
using namespace fixture;

namespace {
char msg[MSGLEN];
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
        ASSERT_TRUE(core_step(0.1, ierr, msg)) << msgtext(msg, MSGLEN);
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
        ASSERT_TRUE(core_step(0.5, ierr, msg)) << msgtext(msg, MSGLEN);
        refresh_properties();
    }
    for (int i = 2; i <= PIPGEO.NSEC; ++i) {
        EXPECT_LT(std::fabs(SECVAR.UL(i)), 1.0e-6f) << i;
        EXPECT_LT(std::fabs(SECVAR.UG(i)), 1.0e-6f) << i;
        EXPECT_NEAR(SECVAR.PT(i), 2.0e6f, 0.5f) << i;
    }
}

// ---------------------------------------------------------------- with the set-up
#include "release/run/networks.h"
#include "run/setup.h"

namespace {

int32_t set_up(nets::Input& in, std::string& text) {
    int32_t ierr = 0;
    const ReleaseInput& x = in.rec;
    RDNET(x.net, x.br, x.bnd, x.lek, x.pvt, in.ctl, ierr, msg);
    if (ierr == 0) {
        SECNUM();
        EQNUM();
        BRSETP(ierr, msg, MSGLEN, x.br, in.ctl.NOTEMP);
    }
    if (ierr == 0) INLSET(x.bnd, ierr, msg);
    if (ierr == 0) CHKCHO(x.bnd.TCLOUT, ierr, msg, MSGLEN);
    if (ierr == 0) {
        VALLST(ierr);
        SECSET(ierr);
        CTRSET(IOUNIT.IECHO, IOUNIT.IUIN, IOUNIT.IULOG, ierr);
        CHKLEK(x.lek, ierr, msg, MSGLEN);
    }
    if (ierr == 0) BCCHK(ierr, msg, MSGLEN);
    text = msgtext(msg, MSGLEN);
    return ierr;
}

// The step's own numbering agrees with the set-up's: per section the gas
// velocity row (IBEQ) and the pressure row (ISEQ), the total, and the rows
// of the junction groups.
void expect_numbering_of_set_up() {
    PvRows R = pv_rows();
    EXPECT_EQ(R.neq, PIPGEO.NEQ);
    for (int s = 1; s <= PIPGEO.NSEC; ++s) {
        if (R.n(s) >= 2) {
            EXPECT_EQ(R.first(s), NETDSC.IBEQ(s)) << "section " << s;
        }
        if (R.n(s) == 3) {
            EXPECT_EQ(R.first(s) + 2, NETDSC.ISEQ(s)) << "section " << s;
        }
        if (R.n(s) == 1) {
            EXPECT_EQ(R.first(s), NETDSC.ISEQ(s)) << "section " << s;
        }
    }
    band_junctions(3, R.n);
    for (int j = 1; j <= NETDSC.NJUN; ++j) {
        EXPECT_EQ(BANDWK.JOUT(j), NETDSC.JOUT3(j));
        for (int m = 1; m <= NETDSC.NBJ(j) - 1; ++m)
            EXPECT_EQ(BANDWK.JGRP(j, m), NETDSC.JGRP3(j, m));
    }
}

}  // namespace

TEST(Numbering, AgreesWithTheSetUp) {
    {
        // One level 100 m pipe: 7 sections, 17 unknowns.
        nets::Input in;
        in.rec.net.NBR = 1;
        nets::pipe(in.rec.br[0], 1, 0.3f, 0.0f, -100.0f, 100.0f, -100.0f);
        in.rec.bnd.QIN[0] = 5.0f;
        in.rec.bnd.POUT = 3.0e5f;
        in.rec.lek.LEKBR = 1;
        in.rec.lek.LEKX = 50.0f;
        in.rec.lek.LEKDIA = 0.05f;
        in.rec.lek.LEKPB = 2.0e5f;
        std::string text;
        ASSERT_EQ(set_up(in, text), 0) << text;
        EXPECT_EQ(PIPGEO.NSEC, 7);
        EXPECT_EQ(PIPGEO.NEQ, 17);
        expect_numbering_of_set_up();
    }
    {
        auto in = nets::three_branches();
        std::string text;
        ASSERT_EQ(set_up(*in, text), 0) << text;
        EXPECT_EQ(PIPGEO.NEQ, 49);
        expect_numbering_of_set_up();
    }
}

// The implicit step on the set-up's three-branch tree (two of its branches
// rise or fall), filled with still liquid in hydrostatic balance: it stays
// still. Fluid properties are set by hand (no tables in this test).
TEST(NetworkStep, SetUpTreeAtRestStaysAtRest) {
    auto in = nets::three_branches();
    std::string text;
    ASSERT_EQ(set_up(*in, text), 0) << text;
    EQUIPM.NSOUR = 0;  // no inflow
    const int NSEC = PIPGEO.NSEC;
    // Hydrostatic pressures from the outlet upwards, across the junction
    // through the section behind it, using the elevations the step uses.
    auto zc = [&](int s) {
        if (NETDSC.KSEC(s) == -1)
            return PIPGEO.ZSEC(s - 1) - 0.5f * PIPGEO.DX(s - 1) * PIPGEO.SINANG(s - 1);
        return PIPGEO.ZSEC(s);
    };
    std::vector<double> p(NSEC + 1, 0.0);
    p[NSEC] = 3.0e6;
    for (int s = NSEC - 1; s >= 1; --s) {
        int d = s + 1;
        if (NETDSC.JBND(d) > 0) d = downstream(d);  // last real section of an inlet branch
        if (NETDSC.JBND(s) > 0) {
            p[s] = 0.0;
            continue;
        }  // junction end: no pressure of its own
        if (NETDSC.KSEC(s) == 2) {
            p[s] = p[s + 1];
            continue;
        }
        p[s] = p[d] + kRhoL * GRAV * (zc(d) - zc(s));
    }
    for (int s = 1; s <= NSEC; ++s) {
        fill(s, 0.0f, p[s] > 0 ? p[s] : p[downstream(s)]);
        SECVAR.VISL(s) = 1.0e-3f;
        SECVAR.VISG(s) = 1.2e-5f;
        SECVAR.SIG(s) = 0.02f;
    }
    // 0.1 % of the static rise of one section of the rising branch (12 m).
    const double kHydroTol = 1.0e-3 * kRhoL * GRAV * 12.0;
    int32_t ierr = 0;
    for (int step = 0; step < 20; ++step) {
        ASSERT_TRUE(core_step(0.5, ierr, msg)) << msgtext(msg, MSGLEN);
        refresh_properties();
    }
    for (int i = 2; i <= NSEC; ++i) {
        EXPECT_LT(std::fabs(SECVAR.UL(i)), 1.0e-6f) << i;
        if (NETDSC.JBND(i) <= 0 && NETDSC.KSEC(i) == 0) {
            EXPECT_NEAR(SECVAR.PT(i), p[i], kHydroTol) << i;
        }
    }
}
