// Volume fractions, the run's mass balance (VOLFRC) and the boundary fluxes
// (MFLUX) after a mass step.
#include <gtest/gtest.h>

#include <cmath>

#include "release/solver/mass_fixture.h"
#include "run/routines.h"
#include "run/state.h"

using namespace rel;
using namespace rel::testnet;

namespace {
void densities() {
    for (int s = 1; s <= PIPGEO.NSEC; ++s) {
        SECVAR.ROG(s) = 100.0f;
        SECVAR.ROL(s) = 800.0f;
    }
}
}  // namespace

TEST(Volfrc, fractions_and_volume_error_from_the_masses) {
    struct Case {
        float mg, ml, md, al, be, vol;
    };
    // ROG 100, ROL 800 (hand calculation): 50/100 + 400/800 = 1 -> no error;
    // 480/800 = 0.6 -> s = 1.1, AL = 0.5/1.1, VOL = 1 - 1.1; masses of 5e-10
    // are cleared; a nearly empty section (s <= 1e-6) keeps its raw fractions.
    const Case cases[] = {
        {50.0f, 400.0f, 0.0f, 0.5f, 0.5f, 0.0f},
        {50.0f, 480.0f, 0.0f, 0.5f / 1.1f, 0.6f / 1.1f, -0.1f},
        {50.0f, 400.0f, 5.0e-10f, 0.5f, 0.5f, 0.0f},
        {5.0e-5f, 0.0f, 0.0f, 5.0e-7f, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        one_branch({0.02f, 0.02f, 0.02f, 0.02f});
        densities();
        auto& V = SECVAR;
        V.MG(2) = c.mg;
        V.ML(2) = c.ml;
        V.MD(2) = c.md;
        VOLFRC();
        EXPECT_NEAR(V.AL(2), c.al, 1e-6f);
        EXPECT_NEAR(V.BE(2), c.be, 1e-6f);
        EXPECT_NEAR(V.VOL(2), c.vol, 1e-6f);
        EXPECT_EQ(V.MD(2), 0.0f);
        EXPECT_NEAR(V.MAXERR, std::fabs(c.vol), 1e-6f);
    }
}

TEST(Volfrc, leak_totals_accumulate_the_released_masses_and_volumes) {
    one_branch({0.02f, 0.05f, 0.05f, 0.02f});
    densities();
    auto& E = EQUIPM;
    auto& L = LEKRES;
    auto& P = PVTCOM;
    E.NLEAK = 1;
    E.ILKSEC(1) = 3;
    LEKRES.WGLEAK(1) = -2.0f;
    LEKRES.WLLEAK(1) = -3.0f;
    L.ROGLK = 50.0f;
    L.ROLLK = 800.0f;
    P.ROGST = 0.8f;
    P.ROLST = 850.0f;
    P.BETAST = 0.1f;
    P.WFST = 0.2f;
    RUNCTL.HT = 0.5;
    VOLFRC();
    VOLFRC();
    // Two steps of 0.5 s over 0.05 m2 (hand calculation): gas 2 * 0.05 = 0.1 kg,
    // liquid 0.15 kg, total 0.25 kg; gas 0.1/50 m3; oil 0.15 * 0.8 / 800 m3;
    // oil std 0.9 * 0.8 * 0.25 / 850; gas std 0.1 * 0.8 * 0.25 / 0.8.
    EXPECT_NEAR(L.ACGM(1), 0.1, 1e-7);
    EXPECT_NEAR(L.ACLM(1), 0.15, 1e-7);
    EXPECT_NEAR(L.ACMASS(1), 0.25, 1e-7);
    EXPECT_NEAR(L.ACGAS(1), 0.002, 1e-9);
    EXPECT_NEAR(L.ACOIL(1), 1.5e-4, 1e-10);
    EXPECT_NEAR(L.ACOSTD(1), 0.9 * 0.8 * 0.25 / 850.0, 1e-9);
    EXPECT_NEAR(L.ACGSTD(1), 0.025, 1e-8);
    // The leak counts as outflow of the network's balance.
    EXPECT_NEAR(SECVAR.RMNET, 0.25, 1e-7);
}

TEST(Volfrc, balance_of_a_step_counts_pipe_mass_and_outlet_flow) {
    one_branch({0.02f, 0.04f, 0.04f, 0.04f, 0.04f});
    densities();
    auto& V = SECVAR;
    for (int s = 1; s <= 5; ++s) {
        V.MG(s) = 10.0f;
        V.ML(s) = 200.0f;
    }
    velocity(5, 2.0f, 1.0f, 0.0f);  // out through the outlet boundary
    RUNCTL.HT = 0.25;
    VOLFRC();
    // Pipe: sections 2..4, (10 + 200) * 0.04 * 10 each = 84 kg each -> 252 kg.
    // Outlet: (10 * 2 + 200 * 1) * 0.04 * 0.25 = 2.2 kg out of section 4.
    EXPECT_NEAR(V.RMPIPE, 252.0, 1e-4);
    EXPECT_NEAR(V.RMOUT, 2.2, 1e-6);
    EXPECT_NEAR(V.RMNET, 2.2, 1e-6);
    EXPECT_NEAR(V.RMTOT, 254.2, 1e-4);
    EXPECT_NEAR(V.BRMOUT(1, 1, 3), 2.2, 1e-6);
}

TEST(Mflux, upwind_fluxes_and_flows_at_the_boundaries) {
    one_branch({0.5f, 0.5f, 0.5f, 0.5f});
    densities();
    auto& V = SECVAR;
    for (int s = 1; s <= 4; ++s) {
        V.MG(s) = 10.0f * s;
        V.AL(s) = 0.1f * s;
    }
    velocity(2, 2.0f, 0.0f, 0.0f);
    velocity(3, -2.0f, 0.0f, 0.0f);
    int32_t ierr = 0;
    char msg[256];
    MFLUX(0, ierr, msg, 256);
    // UG 2 with MG(donor 1) 10 over 0.5 m2 (by hand): WG 20, GG 10.
    EXPECT_FLOAT_EQ(V.WG(2), 20.0f);
    EXPECT_FLOAT_EQ(V.GG(2), 10.0f);
    // Reverse flow takes the downstream donor: -2 * MG(3) = -60.
    EXPECT_FLOAT_EQ(V.WG(3), -60.0f);
    EXPECT_EQ(V.JUT(3), 1);
    EXPECT_EQ(V.JUT(4), 0);  // no flow is forward
    EXPECT_FLOAT_EQ(V.QG(2), 0.1f * 2.0f * 0.5f);
}

TEST(Mflux, the_section_behind_a_junction_receives_what_the_ends_deliver) {
    three_branches();
    densities();
    auto& V = SECVAR;
    for (int s = 1; s <= 15; ++s) V.MG(s) = 5.0f + s;
    velocity(5, 1.0f, 0.0f, 0.0f);
    velocity(10, 2.0f, 0.0f, 0.0f);
    int32_t ierr = 0;
    char msg[256];
    MFLUX(0, ierr, msg, 256);
    // Flows are kept across the junction: GG(11) = GG(5) + GG(10).
    EXPECT_NEAR(V.GG(11), V.GG(5) + V.GG(10), 1e-5f);
    EXPECT_FLOAT_EQ(V.GG(5), 9.0f * 1.0f * 0.03f);
}
