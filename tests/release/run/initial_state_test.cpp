// Fluid reference values and the starting profile: outlet pressure checks,
// the hydrostatic profile and flows, the water blend of the tables and the
// flow that reaches a junction's outgoing branch.
#include <gtest/gtest.h>

#include <string>

#include "release/solver/mass_fixture.h"
#include "run/errors.h"
#include "run/initial_state.h"
#include "run/routines.h"
#include "run/state.h"

using namespace rel;

namespace {

// Slots of the lookup's tables: gas density, liquid density, free-gas mass fraction.
constexpr int SLOT_ROG = 10, SLOT_ROL = 11, SLOT_RS = 3;

// Property tables that do not vary: gas density, liquid density and free-gas
// mass fraction as given, 1 in every other table.
void flat_tables(float rog, float rol, float x) {
    auto& C = PVTCOM;
    C.NP = C.NT = 2;
    C.PP(1) = 5.0e4f;
    C.PP(2) = 1.0e8f;  // the lookup takes pressures up to 1.5 times the last
    C.TT(1) = -10.0f;
    C.TT(2) = 150.0f;
    C.RDP(1) = 1.0f / (C.PP(2) - C.PP(1));
    C.RDT(1) = 1.0f / (C.TT(2) - C.TT(1));
    C.MODE = 2;
    C.PBUB.fill(2.0e21f);
    C.TAB.fill(1.0f);
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 2; ++j) {
            C.TAB(j, i, SLOT_ROG) = rog;
            C.TAB(j, i, SLOT_ROL) = rol;
            C.TAB(j, i, SLOT_RS) = x;
        }
}

}  // namespace

TEST(Initial, outlet_pressure_is_checked_on_one_point_one_times_its_value) {
    struct Case {
        float pout;
        const char* refusal;  // nullptr: accepted
    };
    // 1.1 x 181818 = 199999.8 Pa < 2e5; 1.1 x 181819 = 200000.9 (float arithmetic).
    const Case cases[] = {
        {181818.0f, "Outlet pressure is set too low!Must be above 30 psi (2 bar) !"},
        {181819.0f, nullptr},
        {9.0909e7f, nullptr},
        {9.1e7f, "Outlet pressure is set too high!"},
    };
    for (const Case& c : cases) {
        testnet::one_branch({0.01f, 0.01f, 0.01f, 0.01f});
        flat_tables(100.0f, 800.0f, 0.2f);
        BNDDAT bnd{};
        bnd.POUT = c.pout;
        PVTBLK blk{};
        int32_t ierr = 0;
        char msg[MSGLEN];
        std::fill(msg, msg + MSGLEN, ' ');
        INITIAL(bnd, blk, ierr, msg, MSGLEN);
        if (c.refusal) {
            EXPECT_EQ(ierr, 1) << c.pout;
            EXPECT_EQ(msgtext(msg, MSGLEN), c.refusal);
        } else {
            EXPECT_EQ(ierr, 0) << c.pout << " " << msgtext(msg, MSGLEN);
        }
    }
}

TEST(Initial, hydrostatic_profile_below_the_reference_section_and_flows_of_at_least_1_m_per_s) {
    testnet::one_branch({0.01f, 0.01f, 0.01f, 0.01f, 0.01f});
    NETDSC.ITYPBR(1) = 0;
    PIPGEO.ZSEC(2) = -200.0f;
    PIPGEO.ZSEC(3) = -150.0f;
    PIPGEO.ZSEC(4) = -100.0f;  // the reference: the last section before the outlet section
    flat_tables(100.0f, 800.0f, 0.2f);
    BNDDAT bnd{};
    bnd.POUT = 1.0e6f;
    bnd.QIN[0] = 5.0f;
    PVTBLK blk{};
    blk.WCUT = 10.0f;
    int32_t ierr = 0;
    char msg[MSGLEN];
    INITIAL(bnd, blk, ierr, msg, MSGLEN);
    ASSERT_EQ(ierr, 0) << msgtext(msg, MSGLEN);
    // a = 0.2*800/(0.2*800 + 0.8*100) * (1 - 0.1) = 0.6; rho_m = 800*0.4 + 100*0.6
    // = 380 kg/m3; P0 = 1.1e6 Pa (hand calculation).
    auto& V = SECVAR;
    EXPECT_NEAR(V.AL(3), 0.6f, 1e-6f);
    EXPECT_NEAR(V.PT(2), 1.1e6f + 380.0f * 9.8066f * 100.0f, 1.0f);
    EXPECT_NEAR(V.PT(3), 1.1e6f + 380.0f * 9.8066f * 50.0f, 1.0f);
    EXPECT_FLOAT_EQ(V.PT(4), 1.1e6f);
    EXPECT_FLOAT_EQ(V.TM(2), 10.0f);
    // 5 kg/s is more than the mixture at 1 m/s (0.01 m2 x 380 kg/m3 = 3.8 kg/s).
    for (int s = 2; s <= 5; ++s) EXPECT_FLOAT_EQ(V.GT(s), 5.0f);
    bnd.QIN[0] = 0.0f;
    INITIAL(bnd, blk, ierr, msg, MSGLEN);
    for (int s = 2; s <= 5; ++s) EXPECT_NEAR(V.GT(s), 3.8f, 1e-5f);
}

TEST(Initial, a_branch_leaving_a_junction_starts_with_what_its_feeders_carry) {
    testnet::three_branches();
    SECVAR.GT(4) = 3.0f;  // upstream face of branch 1's last but one section
    SECVAR.GT(9) = 4.0f;  // the same of branch 2
    EXPECT_FLOAT_EQ(JUNFLO(3), 7.0f);
    EXPECT_FLOAT_EQ(JUNFLO(1), 0.0f);
    NETDSC.NJUN = 0;
    EXPECT_FLOAT_EQ(JUNFLO(3), 0.0f);
}

TEST(Pvtlim, water_is_blended_into_the_liquid_tables) {
    INICOM();
    flat_tables(0.8f, 850.0f, 0.1f);
    PVTCOM.ROLST = 850.0f;
    PVTCOM.BETAST = 0.1f;
    PVTBLK blk{};
    blk.WCUT = 10.0f;
    PVTLIM(blk);
    // R = 1/((1/0.1 - 1) 850/1020) = 0.13333, G = 1/(1/0.1 - 1) = 0.11111,
    // WMFRAC = R/(1 + G + R) = 0.10714 (hand calculation).
    EXPECT_NEAR(PVTCOM.WFST, 0.107143f, 1e-5f);
    EXPECT_NEAR(PVTCOM.TAB(1, 1, SLOT_ROL), 850.0f * 0.9f + 102.0f, 1e-3f);
    EXPECT_NEAR(PVTCOM.TAB(2, 2, SLOT_RS), 0.09f, 1e-7f);
    EXPECT_FLOAT_EQ(PVTCOM.TAB(1, 1, SLOT_ROG), 0.8f);
}

TEST(Pvtrf2, gas_oil_ratio_at_standard_conditions) {
    INICOM();
    flat_tables(0.8f, 850.0f, 0.1f);
    int32_t ierr = 0;
    char msg[MSGLEN];
    PVTRF2(ierr, msg, MSGLEN);
    ASSERT_EQ(ierr, 0) << msgtext(msg, MSGLEN);
    // (0.1/0.8) / (0.9/850) = 118.06 Sm3/Sm3 (hand calculation).
    EXPECT_NEAR(PVTCOM.GORSTD, 118.056f, 1e-3f);
    EXPECT_FLOAT_EQ(PVTCOM.ROGST, 0.8f);
    // A fluid that is practically all gas always runs the full simulation.
    flat_tables(0.8f, 850.0f, 0.99995f);
    PVTRF2(ierr, msg, MSGLEN);
    EXPECT_FLOAT_EQ(PVTCOM.GORSTD, 1.0e7f);
}
