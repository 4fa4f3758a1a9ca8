// Physics of the implicit pressure-velocity step on small hand-built pipes.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "pipe_fixture.h"
#include "run/routines.h"

using namespace rel;
using namespace fixture;

namespace {

char msg[MSGLEN];

constexpr float kStill = 1.0e-6f;     // m/s: a fluid at rest stays below this
constexpr double kHydroTol = 1.0e-3;  // relative, on each pressure step rho g dz

void expect_at_rest_and_hydrostatic(double al) {
    for (int i = 2; i <= PIPGEO.NSEC; ++i) {
        EXPECT_LT(std::fabs(SECVAR.UG(i)), kStill) << "gas at boundary " << i;
        EXPECT_LT(std::fabs(SECVAR.UL(i)), kStill) << "liquid at boundary " << i;
    }
    for (int s = 2; s <= PIPGEO.NSEC - 2; ++s) {
        double rho = al * 0.5 * kGas * (SECVAR.PT(s) + SECVAR.PT(s + 1)) + (1 - al) * kRhoL;
        double expect = rho * GRAV * (PIPGEO.ZSEC(s) - PIPGEO.ZSEC(s + 1));
        double got = SECVAR.PT(s + 1) - SECVAR.PT(s);
        EXPECT_NEAR(got, expect, kHydroTol * std::fabs(expect)) << "section " << s;
    }
}

}  // namespace

// A still, inclined pipe full of liquid (or of gas) in hydrostatic balance
// stays still: a 5-section, 20 m/section pipe at 30 degrees. The pressures
// are single precision: their rounding leaves a force that moves a gas
// column by about 2^-24 DX/HT, so the gas case takes a 1 s step (a still
// pipe runs at the period's largest step).
TEST(ImplicitStepPhysics, StillInclinedPipeStaysStill) {
    struct Case {
        float al;
        double pout;
    };
    for (Case c : {Case{0.0f, 1.0e6}, Case{1.0f, 1.0e5}}) {
        single_pipe(5, 20.0f, 0.3f, 0.5f);
        hydrostatic(c.al, c.pout);
        int32_t ierr = 0;
        for (int step = 0; step < 50; ++step) {
            ASSERT_TRUE(core_step(1.0, ierr, msg)) << msgtext(msg, MSGLEN);
            refresh_properties();
        }
        SCOPED_TRACE(c.al == 0.0f ? "liquid" : "gas");
        expect_at_rest_and_hydrostatic(c.al);
    }
}

// Single-phase steady flow: the pressure drop is the Darcy-Weisbach drop
// lambda L rho u^2 / (2 D) plus the weight of the column, with lambda from the
// explicit Moody formula (Moody, Mech. Eng. 69 (1947) 1005) evaluated here
// independently in double precision. Gas along a horizontal pipe, and liquid
// down a pipe at sine 0.2.
TEST(ImplicitStepPhysics, SteadyFlowHasTheDarcyWeisbachPressureDrop) {
    struct Case {
        float al, D, sin;
        double G, pout, mu;
    } cases[] = {{1.0f, 0.3f, 0.0f, 400.0, 5.0e6, 1.2e-5},
                 {0.0f, 0.1f, 0.2f, 1600.0, 2.0e6, 1.0e-3}};
    constexpr double kTol = 0.02;  // relative, on the frictional drop
    for (const Case& c : cases) {
        const float dx = 20.0f;
        single_pipe(10, dx, c.D, c.sin);
        hydrostatic(c.al, c.pout);
        EQUIPM.NSOUR = 1;
        EQUIPM.ISOUR(1) = 2;
        (c.al > 0.5f ? EQUIPM.WGSOUR(1) : EQUIPM.WLSOUR(1)) = static_cast<float>(c.G);
        int32_t ierr = 0;
        for (int step = 0; step < 3000; ++step) {
            ASSERT_TRUE(core_step(0.05, ierr, msg)) << msgtext(msg, MSGLEN);
            refresh_properties();
        }
        // Between the centres of sections 4 and 10 (6 section lengths).
        const int a = 4, b = 10;
        double rho = c.al > 0.5f ? 0.5 * (SECVAR.ROG(a) + SECVAR.ROG(b)) : kRhoL;
        double u = c.G / rho;
        double Re = rho * u * c.D / c.mu;
        double ed = 5.0e-5 / c.D;
        double lam =
            std::max(64.0 / Re, 0.0055 * (1.0 + std::pow(20000.0 * ed + 1.0e6 / Re, 1.0 / 3.0)));
        double friction = lam * (b - a) * dx * rho * u * u / (2.0 * c.D);
        double weight = rho * GRAV * (PIPGEO.ZSEC(a) - PIPGEO.ZSEC(b));
        double dp = SECVAR.PT(a) - SECVAR.PT(b);
        EXPECT_NEAR(dp + weight, friction, kTol * friction) << (c.al > 0.5f ? "gas" : "liquid");
        EXPECT_NEAR(c.al > 0.5f ? SECVAR.UG(7) : SECVAR.UL(7), u, kTol * u);
    }
}

// A closed check valve or a shut branch-end choke at the outlet boundary
// gives exactly zero velocity there, whatever the pressures.
TEST(ImplicitStepPhysics, ClosedValveOrShutChokeHoldsZeroVelocity) {
    for (int kind = 0; kind < 2; ++kind) {
        single_pipe(5, 20.0f, 0.3f, 0.0f);
        hydrostatic(0.5f, 2.0e6);
        for (int s = 2; s <= 6; ++s) fill(s, 0.5f, 3.0e6);  // pushes towards the outlet
        const int b = PIPGEO.NSEC;
        if (kind == 0) {
            EQUIPM.NCHKV = 1;
            EQUIPM.IVBND(1) = b;
            EQUIPM.IVDIR(1) = -1;  // only flow into the pipe permitted
            EQUIPM.IVSTAT(1) = 1;
        } else {
            EQUIPM.NCHOKE = EQUIPM.NCHKL = 1;
            EQUIPM.ICHSEC(1) = b;
            EQUIPM.CHOPEN(1) = 0.0f;
            EQUIPM.CHOCD(1) = 1.0f;
            EQUIPM.CHOKL(1) = 1.0e6f;
            EQUIPM.CHOFLG(1) = -1;
        }
        int32_t ierr = 0;
        for (int step = 0; step < 5; ++step) {
            ASSERT_TRUE(core_step(0.05, ierr, msg)) << msgtext(msg, MSGLEN);
            EXPECT_EQ(SECVAR.UG(b), 0.0f) << (kind == 0 ? "valve" : "choke");
            EXPECT_EQ(SECVAR.UL(b), 0.0f);
        }
        EXPECT_GT(std::fabs(SECVAR.UG(b - 1)), 0.0f);  // the pipe itself moves
    }
}

// 1000 steps from a random valid state leave every state array finite.
TEST(ImplicitStepPhysics, RandomStateStaysFinite) {
    std::mt19937 gen(99);
    std::uniform_real_distribution<float> u01(0.0f, 1.0f);
    for (int rep = 0; rep < 3; ++rep) {
        single_pipe(8, 15.0f, 0.2f, 0.8f * (u01(gen) - 0.5f));
        hydrostatic(0.5f, 2.0e6);
        for (int s = 1; s <= PIPGEO.NSEC; ++s) {
            float al = u01(gen);
            fill(s, al, 2.0e6 * (1.0 + 0.05 * (u01(gen) - 0.5)));
            SECVAR.UG(s) = 10.0f * (u01(gen) - 0.5f);
            SECVAR.UL(s) = 2.0f * (u01(gen) - 0.5f);
            SECVAR.JUG(s) = SECVAR.UG(s) < 0 ? 1 : 0;
            SECVAR.JUL(s) = SECVAR.UL(s) < 0 ? 1 : 0;
        }
        int32_t ierr = 0;
        for (int step = 0; step < 1000; ++step) {
            ASSERT_TRUE(core_step(0.02, ierr, msg)) << msgtext(msg, MSGLEN) << " step " << step;
            for (int s = 1; s <= PIPGEO.NSEC; ++s)
                fill(s, SECVAR.AL(s), std::max(SECVAR.PT(s), 1.0e5f));
        }
        const SecF* arrays[] = {&SECVAR.UG,   &SECVAR.UL,    &SECVAR.UD,   &SECVAR.DUG,
                                &SECVAR.DUL,  &SECVAR.PT,    &SECVAR.DPT,  &SECVAR.DPZ,
                                &SECVAR.SLAI, &SECVAR.SLAG,  &SECVAR.SLAL, &SECVAR.DS,
                                &SECVAR.UO,   &SECVAR.GRVT1, &SECVAR.GRVT3};
        for (const SecF* a : arrays)
            for (int s = 0; s <= MXB; ++s) ASSERT_TRUE(std::isfinite((*a)(s))) << s;
        EXPECT_TRUE(std::isfinite(SECVAR.DTCFL));
    }
}

// A critical branch-end choke holds the mixture velocity at its boundary at
// the choke's limit, whatever the pressure behind it.
TEST(ImplicitStepPhysics, CriticalChokeHoldsItsLimit) {
    single_pipe(5, 20.0f, 0.3f, 0.0f);
    hydrostatic(1.0f, 1.0e6);
    for (int s = 2; s <= 6; ++s) fill(s, 1.0f, 3.0e6);  // far above the outlet
    const int b = PIPGEO.NSEC;
    EQUIPM.NCHOKE = EQUIPM.NCHKL = 1;
    EQUIPM.ICHSEC(1) = b;
    EQUIPM.CHOPEN(1) = 0.01f;
    EQUIPM.CHOCD(1) = 1.0f;
    EQUIPM.ICHMRK(1) = 1;
    EQUIPM.CHLIM(1) = 7.5f;
    int32_t ierr = 0;
    for (int step = 0; step < 3; ++step) {
        ASSERT_TRUE(core_step(0.05, ierr, msg)) << msgtext(msg, MSGLEN);
        EXPECT_NEAR(SECVAR.UG(b), 7.5f, 1e-4f);
    }
}
