// Interphase transfer (MTRANS), entrainment (ENTRAT) and deposition (DEPRAT).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "release/solver/mass_fixture.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"
#include "solver/mass.h"

using namespace rel;
using namespace rel::testnet;

namespace {
constexpr float REL = 1e-5f;  // float arithmetic of a handful of operations

// The junction gas fractions as the property update leaves them: RSJIN of
// an incoming branch is RS of the section behind the junction, RSJBK that
// of the branch's own last real section.
void junction_fractions() {
    int32_t ierr = 0;
    char msg[MSGLEN];
    SECPRP(ierr, msg, MSGLEN);
    ASSERT_EQ(ierr, 0) << msgtext(msg, MSGLEN);
}
}  // namespace

TEST(Mtrans, liquid_arriving_at_a_junction_releases_the_gas_of_the_downstream_state) {
    three_branches();
    auto& V = SECVAR;
    for (int s = 1; s <= 15; ++s) {
        V.RS(s) = 0.01f * s;
        V.MG(s) = 20.0f;
        V.ML(s) = 500.0f;
        V.MLT(s) = 500.0f;
    }
    velocity(5, 0.0f, 0.8f, 0.0f);   // liquid from branch 1 into the junction
    velocity(10, 0.0f, 0.6f, 0.0f);  // and from branch 2
    junction_fractions();
    MTRANS();
    // Term of branch 1's end (hand calculation): (RS(11) - RS(4)) * UL(5) * ML(4)
    // * CFLFAC(5) / ((DX(11) + DX(4)) / 2) with CFLFAC(5) = A(4)/A(11) = 0.03/0.05.
    const float t1 = (0.11f - 0.04f) * 0.8f * 500.0f * (0.03f / 0.05f) / ((13.5f + 10.0f) / 2.0f);
    const float t2 = (0.11f - 0.09f) * 0.6f * 500.0f * (0.02f / 0.05f) / ((13.5f + 12.5f) / 2.0f);
    EXPECT_NEAR(V.PSIF(5), t1, REL * t1);
    EXPECT_NEAR(V.PSIF(10), t2, REL * t2);
    EXPECT_NEAR(V.PSIF(11), t1 + t2, REL * (t1 + t2));
    EXPECT_GT(V.PSI(11), 0.0f);
}

TEST(Mtrans, backflow_into_a_branch_end_compares_the_downstream_and_the_branch_state) {
    three_branches();
    auto& V = SECVAR;
    for (int s = 1; s <= 15; ++s) {
        V.RS(s) = 0.01f * s;
        V.ML(s) = V.MLT(s) = 400.0f;
    }
    velocity(10, 0.0f, -0.5f, 0.0f);  // liquid from section 11 back into branch 2
    junction_fractions();
    MTRANS();
    // (RS(11) - RS(9)) * |UL| * ML(11)... with the sign of UL: B = UL * ML(11).
    const float want = (0.11f - 0.09f) * (-0.5f * 400.0f) * 1.0f / ((12.5f + 13.5f) / 2.0f);
    EXPECT_NEAR(V.PSIB(9), want, REL * std::fabs(want));
}

TEST(Mtrans, transfer_is_limited_so_that_no_phase_goes_negative) {
    struct Case {
        float drsp_dpt, psi;  // DRSP*DPT (1/s) and the expected PSI
    };
    // MG = MLT = 1, HT = 0.1: raw p = DRSP*DPT*MTOT = +-20, limited to
    // -MG/HT = -10 and MLT/HT = +10 (by hand).
    for (Case c : {Case{-10.0f, -10.0f}, Case{10.0f, 10.0f}, Case{1.0f, 2.0f}}) {
        one_branch({0.02f, 0.02f, 0.02f, 0.02f});
        RUNCTL.HT = 0.1;
        auto& V = SECVAR;
        for (int s = 1; s <= 4; ++s) {
            V.MG(s) = 1.0f;
            V.ML(s) = V.MLT(s) = 1.0f;
            V.DRSP(s) = c.drsp_dpt;
            V.DPT(s) = 1.0f;
        }
        MTRANS();
        EXPECT_FLOAT_EQ(V.PSI(2), c.psi);
        EXPECT_EQ(V.PSI(1), 0.0f);  // the first and the last section never transfer
        EXPECT_EQ(V.PSI(4), 0.0f);
    }
}

TEST(EntratDeprat, deposition_coefficient_follows_the_gas_fraction) {
    // x = 0, D = 0.1 m: k = 4 * (0.2/pi * 0.5) / 0.1 = 1.2732394 (hand
    // calculation); divided by AL = 0.5, or times 100 when AL <= 0.01.
    struct Case {
        float al, depk;
    };
    for (Case c : {Case{0.5f, 2.5464788f}, Case{0.005f, 127.32394f}}) {
        one_branch({0.02f, 0.02f, 0.02f, 0.02f});
        auto& V = SECVAR;
        for (int s = 1; s <= 4; ++s) {
            V.MD(s) = 2.0f;
            V.ML(s) = 100.0f;
            V.AL(s) = c.al;
            V.BE(s) = 1.0f - c.al;
            V.ROG(s) = 50.0f;
            V.ROL(s) = 800.0f;
            PIPGEO.DBND(s) = 0.1f;
            V.RGWT(s) = 0.0f;
        }
        ENTRAT();
        DEPRAT();
        EXPECT_NEAR(V.DEPK(3), c.depk, 1e-5f * c.depk);
        EXPECT_EQ(V.ENTK(3), 0.0f);  // no entrainment at x = 0
        EXPECT_EQ(V.DEPK(1), 0.0f);  // boundary 1 has no section upstream
    }
}

TEST(EntratDeprat, thin_films_and_few_droplets_exchange_nothing) {
    one_branch({0.02f, 0.02f, 0.02f, 0.02f});
    auto& V = SECVAR;
    for (int s = 1; s <= 4; ++s) {
        V.MD(s) = 1.0e-7f;
        V.ML(s) = 1.0e-7f;
        V.AL(s) = 0.9f;
        V.ROG(s) = 50.0f;
        V.ROL(s) = 800.0f;
        V.UG(s) = 20.0f;
        V.RGWT(s) = 1.0f;
        V.SIG(s) = 0.02f;
    }
    ENTRAT();
    DEPRAT();
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(V.PSIE(i), 0.0f);
        EXPECT_EQ(V.PSID(i), 0.0f);
    }
}
