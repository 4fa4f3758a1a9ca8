// Acceptance of a solved step, leak coefficients, and the full step driver.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "pipe_fixture.h"
#include "run/routines.h"
#include "solver/devices.h"

using namespace rel;
using namespace fixture;

namespace {

char msg[MSGLEN];

// The solution vector that leaves every unknown as it stands, velocities 0.
void still_solution(const PvRows& R) {
    for (int s = 1; s <= PIPGEO.NSEC; ++s) {
        if (R.n(s) == 3) BANDWK.RHS(R.first(s) + 2) = SECVAR.PT(s);
        if (R.n(s) == 1) BANDWK.RHS(R.first(s)) = SECVAR.PT(s);
        if (R.n(s) >= 2) BANDWK.RHS(R.first(s)) = BANDWK.RHS(R.first(s) + 1) = 0.0;
    }
}

}  // namespace

// On a change of direction the gas velocity is scaled by the gas mass of the
// section it came from over that of the section it now comes from:
// -0.5 x 10 / (20 + 0.05 x 50) = -0.2222 m/s.
TEST(StepAccept, ReversalFloorAndDerivatives) {
    single_pipe(5, 20.0f, 0.3f, 0.0f);
    hydrostatic(1.0f, 1.0e6);
    RUNCTL.HT = 0.5;
    PvRows R = pv_rows();
    SECVAR.UG(4) = 1.0f;
    SECVAR.MG(3) = 10.0f;
    SECVAR.MG(4) = 20.0f;
    SECVAR.ROG(4) = 50.0f;
    SECVAR.ID(4) = 1;
    still_solution(R);
    BANDWK.RHS(R.first(4)) = -0.5;
    pv_accept(R);
    EXPECT_NEAR(SECVAR.UG(4), -0.5f * 10.0f / 22.5f, 1e-6f);
    EXPECT_NEAR(SECVAR.DUG(4), (SECVAR.UG(4) - 1.0f) / 0.5f, 1e-6f);
    EXPECT_EQ(SECVAR.UGO(4), 1.0f);
    EXPECT_EQ(SECVAR.JUG(4), 1);
    // A solved 0 becomes +1e-9 at an ordinary boundary, stays 0 behind the
    // inlet cell and at a check valve.
    EXPECT_EQ(SECVAR.UG(5), 1.0e-9f);
    EXPECT_EQ(SECVAR.UL(5), 1.0e-9f);
    EXPECT_EQ(SECVAR.UG(2), 0.0f);

    EQUIPM.NCHKV = 1;
    EQUIPM.IVBND(1) = 7;
    EQUIPM.IVDIR(1) = 1;
    still_solution(R);
    pv_accept(R);
    EXPECT_EQ(SECVAR.UG(7), 0.0f);
    EXPECT_EQ(SECVAR.UG(6), 1.0e-9f);
}

// Two inflows of gas mass 50 kg/m3 through 0.05 m2 at 2 m/s into a section
// of 0.1 m2 with the same gas mass: 2 m/s (the fluxes add up).
TEST(StepAccept, VelocityBehindJunctionFromMergingFlows) {
    three_branches(5, 20.0f, 0.3f);
    hydrostatic(1.0f, 1.0e6);
    for (int s = 1; s <= PIPGEO.NSEC; ++s) {
        SECVAR.MG(s) = 50.0f;
        PIPGEO.AREA(s) = 0.05f;
    }
    PIPGEO.AREA(15) = 0.1f;
    RUNCTL.HT = 0.1;
    PvRows R = pv_rows();
    still_solution(R);
    BANDWK.RHS(R.first(7)) = 2.0;
    BANDWK.RHS(R.first(14)) = 2.0;
    SECVAR.UG(7) = SECVAR.UG(14) = 2.0f;
    pv_accept(R);
    EXPECT_NEAR(SECVAR.UG(15), 2.0f, 1e-5f);
    EXPECT_EQ(SECVAR.DPZ(15), 0.0f);
}

// A set-up whose numbering differs from the step's ends the step with a
// message before anything is solved.
TEST(ImplicitStep, NumberingThatDiffersFromTheSetUpIsRefused) {
    single_pipe(5, 20.0f, 0.3f, 0.0f);
    hydrostatic(0.0f, 1.0e6);
    NETDSC.IBEQ(3) = 5;  // the step has UG(3) at row 4
    int32_t icut = -1, ierr = 0;
    TIMPL(icut, ierr, msg, MSGLEN);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(icut, 0);
    EXPECT_EQ(msgtext(msg, MSGLEN), "TIMPL: UNKNOWNS OF SECTION 3 DIFFER FROM THE NETWORK SET-UP");
    PIPGEO.NEQ = 16;
    NETDSC.IBEQ(3) = 0;
    ierr = 0;
    TIMPL(icut, ierr, msg, MSGLEN);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(msgtext(msg, MSGLEN), "TIMPL: 16 UNKNOWNS SET UP, 17 IN THE NETWORK");
}

// Leak coefficients: the orifice relation out of the pipe, never into it.
TEST(LeakCoefficients, OrificeCriticalAndNoBackflow) {
    struct Case {
        float pt, pout, open, gc;
        int flags;
        float expect_w, expect_d;
    };
    // Liquid section, rho 800, K 2: sqrt(1e6 x 800 / 2) = 20000 kg/(m2 s);
    // slope 0.5 u (DRLP/rho + 1/dp) = 0.5 x 20000 x (1.25e-9 + 1e-6).
    const float A = 3.141593f * 0.3f * 0.3f * 0.25f;
    const float q = 0.84f * 0.001f / A;
    Case cases[] = {
        {2.0e6f, 1.0e6f, 0.001f, 0.0f, -1, -20000.0f, -0.5f * 20000.0f * (1.25e-9f + 1.0e-6f)},
        {2.0e6f, 1.0e6f, 0.001f, 1.0e5f, 0, -q * 1.0e5f, -800.0f * 0.5f},  // critical
        {1.0e6f, 2.0e6f, 0.001f, 0.0f, -1, 0.0f, 0.0f},                    // no flow into the pipe
        {2.0e6f, 1.0e6f, 1.0e-7f, 0.0f, -1, 0.0f, 0.0f},                   // shut
        {1.0e6f + 0.05f, 1.0e6f, 0.001f, 0.0f, -1, 0.0f, 0.0f},            // dead band
    };
    for (const Case& c : cases) {
        single_pipe(3, 20.0f, 0.3f, 0.0f);
        fill(3, 0.0f, c.pt);
        EQUIPM.NLEAK = 1;
        EQUIPM.NCHOKE = 1;
        EQUIPM.ILKSEC(1) = 3;
        LEKRES.PTLEAK(1) = c.pout;
        EQUIPM.CHOPEN(1) = c.open;
        EQUIPM.CHOCD(1) = 0.84f;
        EQUIPM.CHOKL(1) = 2.0f;
        EQUIPM.CHOGC(1) = c.gc;
        EQUIPM.CHODG(1) = 0.5f;
        EQUIPM.CHOFLG(1) = c.flags;
        int32_t ierr = 0;
        LEKCOF(ierr, msg, MSGLEN);
        EXPECT_EQ(ierr, 0);
        EXPECT_NEAR(LEKRES.WLLEAK(1), c.expect_w, 1e-3f * std::fabs(c.expect_w) + 1e-9f);
        EXPECT_EQ(LEKRES.WGLEAK(1), 0.0f);
        EXPECT_NEAR(LEKRES.DWLLK(1), c.expect_d, 1e-4f * std::fabs(c.expect_d) + 1e-12f);
        EXPECT_NEAR(LEKRES.GTLEAK(1), A * c.expect_w, 1e-3f * std::fabs(A * c.expect_w) + 1e-9f);
    }
}

// The full step on a still liquid pipe: it solves and leaves finite values.
TEST(ImplicitStep, FullStepOnAStillPipe) {
    device_lookup = table_lookup;  // the property tables, not a test's own fluid
    {
        // The boundary and device routines look properties up in the tables:
        // give them a black-oil fluid of their own, whatever ran before.
        static PVTBLK blk;
        int32_t ierr = 0;
        float rhog = 0.8f, rhoo = 850.0f, gor = 50.0f, wc = 0.0f;
        BLACKOIL(&rhog, &rhoo, &gor, &wc, &blk, &ierr, msg, MSGLEN);
        ASSERT_EQ(ierr, 0) << msgtext(msg, MSGLEN);
        UNPACK(blk);
    }
    single_pipe(5, 20.0f, 0.3f, 0.5f);
    hydrostatic(0.0f, 1.0e6);
    NETDSC.NPOUT = 2;  // the outlet holds its pressure
    NETDSC.TPOUT(1) = 0.0f;
    NETDSC.TPOUT(2) = 1.0e7f;
    NETDSC.PPOUT(1) = NETDSC.PPOUT(2) = 1.0e6f;
    RUNCTL.HT = 0.5;
    int32_t icut = -1, ierr = 0;
    TIMPL(icut, ierr, msg, MSGLEN);
    ASSERT_EQ(ierr, 0) << msgtext(msg, MSGLEN);
    EXPECT_EQ(icut, 0);
    for (int i = 1; i <= PIPGEO.NSEC; ++i) {
        EXPECT_TRUE(std::isfinite(SECVAR.UL(i)));
        EXPECT_TRUE(std::isfinite(SECVAR.PT(i)));
    }
}

// ---------------------------------------------------------------- full step with tables
#include <memory>

#include "release/run/networks.h"
#include "run/setup.h"

// A still, liquid-filled pipe rising 50 m over 100 m, set up as a run sets it
// up and with the properties of a black-oil fluid, stays still through full
// implicit steps.
TEST(ImplicitStep, BlackOilPipeAtRestThroughFullSteps) {
    auto in = std::make_unique<nets::Input>();
    in->rec.net.NBR = 1;
    nets::pipe(in->rec.br[0], 1, 0.3f, 0.0f, -100.0f, 86.60254f, -50.0f);
    in->rec.bnd.QIN[0] = 0.0f;
    in->rec.bnd.TIN[0] = 20.0f;
    in->rec.bnd.TCLIN[0] = -1.0f;
    in->rec.bnd.POUT = 2.0e6f;
    in->rec.lek = {0, 1, 50.0f, 0.05f, 2.0e5f};
    in->ctl.NOTEMP = 1;
    std::string text;
    device_lookup = table_lookup;
    try {
        int32_t ierr = 0;
        float rhog = 0.8f, rhoo = 850.0f, gor = 0.0f, wc = 0.0f;
        BLACKOIL(&rhog, &rhoo, &gor, &wc, &in->rec.pvt, &ierr, msg, MSGLEN);
        if (ierr != 0) throw RunFailure(msgtext(msg, MSGLEN));
        const ReleaseInput& x = in->rec;
        RDNET(x.net, x.br, x.bnd, x.lek, x.pvt, in->ctl, ierr, msg);
        if (ierr == 0) {
            SECNUM();
            EQNUM();
            BRSETP(ierr, msg, MSGLEN, x.br, in->ctl.NOTEMP);
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
        if (ierr != 0) throw RunFailure(msgtext(msg, MSGLEN));
        UNPACK(x.pvt);
        EQUIPM.NSOUR = 0;
        const int NSEC = PIPGEO.NSEC;
        for (int s = 1; s <= NSEC; ++s) {
            SECVAR.TM(s) = 20.0f;
            SECVAR.AL(s) = 0.0f;
            SECVAR.BE(s) = 1.0f;
            SECVAR.PT(s) = 2.0e6f;
        }
        // Hydrostatic pressures with the table densities (a few passes).
        for (int pass = 0; pass < 5; ++pass) {
            PRECHK(ierr, msg, MSGLEN);
            if (ierr != 0) throw RunFailure(msgtext(msg, MSGLEN));
            for (int s = NSEC - 1; s >= 1; --s) {
                float zd = s + 1 == NSEC ? PIPGEO.ZSEC(s) - 0.5f * PIPGEO.DX(s) * PIPGEO.SINANG(s)
                                         : PIPGEO.ZSEC(s + 1);
                float rho = 0.5f * (SECVAR.ROL(s) + SECVAR.ROL(s + 1));
                SECVAR.PT(s) = NETDSC.KSEC(s) == 2
                                   ? SECVAR.PT(s + 1)
                                   : SECVAR.PT(s + 1) + rho * GRAV * (zd - PIPGEO.ZSEC(s));
            }
        }
        for (int s = 1; s <= NSEC; ++s) {
            SECVAR.ML(s) = SECVAR.ROL(s);
            SECVAR.MG(s) = SECVAR.MD(s) = 0.0f;
        }
        RUNCTL.TIME = 100.0;
        RUNCTL.HTMIN = 0.01f;
        RUNCTL.HTMAX = 2.0f;
        for (int step = 0; step < 20; ++step) {
            RUNCTL.HT = 0.5;
            int32_t icut = 0;
            TIMPL(icut, ierr, msg, MSGLEN);
            if (ierr != 0) throw RunFailure(msgtext(msg, MSGLEN));
            PRECHK(ierr, msg, MSGLEN);
            for (int s = 1; s <= NSEC; ++s) SECVAR.ML(s) = SECVAR.BE(s) * SECVAR.ROL(s);
            RUNCTL.TIME += RUNCTL.HT;
        }
    } catch (const RunFailure& e) {
        text = e.what();
    }
    ASSERT_EQ(text, "");
    for (int i = 2; i <= PIPGEO.NSEC; ++i) {
        EXPECT_LT(std::fabs(SECVAR.UL(i)), 1.0e-6f) << i;
        EXPECT_TRUE(std::isfinite(SECVAR.PT(i)));
    }
}
