// The energy step: rows of the temperature system (ENEASM, with JUNENE for
// the section behind a junction) and the relaxation toward the ambient
// temperature that the wall heat gives.
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
constexpr float G = 9.80665f;

// A still section 2 of a three-section line whose stored energies match its
// state, so that only the wall exchanges heat.
void still_section() {
    one_branch({0.05f, 0.05f, 0.05f});
    auto& V = SECVAR;
    auto& P = PIPGEO;
    for (int s = 1; s <= 3; ++s) {
        V.MG(s) = 50.0f;
        V.ML(s) = 400.0f;
        V.MLT(s) = 400.0f;
        V.BE(s) = 0.5f;
        V.AL(s) = 0.5f;
        V.CPG(s) = 2000.0f;
        V.CPL(s) = 2500.0f;
        V.HG(s) = 5.0e5f;
        V.HL(s) = 2.0e5f;
        V.PT(s) = 1.0e6f;
        V.ROG(s) = 50.0f;
        V.ROL(s) = 800.0f;
        V.TM(s) = 40.0f;
        P.ZSEC(s) = -100.0f;
        P.QWV(s) = 100.0f;
        P.TAMBS(s) = 4.0f;
        V.EG(s) = (V.HG(s) - V.PT(s) / V.ROG(s) + G * P.ZSEC(s)) * V.MG(s);
        V.EL(s) = (V.HL(s) - V.PT(s) / V.ROL(s) + G * P.ZSEC(s)) * V.ML(s);
    }
    RUNCTL.ITEMP = 4;
    RUNCTL.HT = 0.5;
}
// Property tables that give the section's own values at every pressure and
// temperature (slots of the lookup), so that the property update after each
// energy step leaves the heat capacity and the enthalpies as they are.
void flat_tables_of_the_section() {
    auto& C = PVTCOM;
    C.NP = C.NT = 2;
    C.PP(1) = 5.0e4f;
    C.PP(2) = 1.0e8f;
    C.TT(1) = -10.0f;
    C.TT(2) = 150.0f;
    C.RDP(1) = 1.0f / (C.PP(2) - C.PP(1));
    C.RDT(1) = 1.0f / (C.TT(2) - C.TT(1));
    C.MODE = 2;
    C.PBUB.fill(2.0e21f);
    C.TAB.fill(0.0f);
    // cpg, cpl, RS, four density slopes, hg, hl, rog, rol, sigma, two
    // conductivities, two viscosities.
    const float v[17] = {0,      2000.0f, 2500.0f, 0,     0,     0,    0,       0,      5.0e5f,
                         2.0e5f, 50.0f,   800.0f,  0.02f, 0.03f, 0.1f, 1.5e-5f, 1.0e-3f};
    for (int k = 1; k <= 16; ++k)
        for (int i = 1; i <= 2; ++i)
            for (int j = 1; j <= 2; ++j) C.TAB(j, i, k) = v[k];
}
}  // namespace

TEST(Eneasm, a_still_section_relaxes_toward_the_ambient_temperature) {
    still_section();
    const int n = ENEASM();
    ASSERT_EQ(n, 3);
    // C = MG cpg + ML cpl = 50*2000 + 400*2500 = 1.1e6 J/(m3 K); implicit
    // Euler with the wall: (C + QWV HT) T = C T0 + QWV HT Tamb (hand calculation).
    EXPECT_NEAR(band_off(2, 0), 1.1e6 + 100.0 * 0.5, 1e-3);
    // Float sums of energies near 2.5e7 J/m3: some units in the last place.
    EXPECT_NEAR(BANDWK.RHS(2), 1.1e6 * 40.0 + 100.0 * 0.5 * 4.0, 1e-6 * 4.4e7);
    EXPECT_EQ(band_off(2, -1), 0.0);
    EXPECT_EQ(band_off(2, 1), 0.0);
    // Boundary cells keep their temperature.
    EXPECT_EQ(band_off(1, 0), 1.0);
    EXPECT_FLOAT_EQ(BANDWK.RHS(1), 40.0f);
}

TEST(Eneasm, temperatures_approach_the_ambient_monotonically) {
    still_section();
    flat_tables_of_the_section();
    float last = SECVAR.TM(2);
    double t = 40.0;
    for (int k = 0; k < 20; ++k) {
        int32_t ierr = 0;
        char msg[MSGLEN];
        TEMPSL(ierr, msg, MSGLEN);
        ASSERT_EQ(ierr, 0) << msgtext(msg, MSGLEN);
        EXPECT_LT(SECVAR.TM(2), last);
        EXPECT_GT(SECVAR.TM(2), 4.0f);
        last = SECVAR.TM(2);
        // Each step: factor C/(C + QWV HT) on the distance to ambient, C =
        // 1.1e6, QWV HT = 50 (hand calculation).
        t = (1.1e6 * t + 50.0 * 4.0) / (1.1e6 + 50.0);
        EXPECT_NEAR(SECVAR.TM(2), t, 1e-4 * 36.0) << "step " << k;
    }
}

TEST(Junene, the_section_behind_a_junction_takes_the_energy_of_every_incoming_branch) {
    three_branches();
    auto& V = SECVAR;
    auto& P = PIPGEO;
    for (int s = 1; s <= 15; ++s) {
        V.MG(s) = 0.0f;
        V.ML(s) = V.MLT(s) = 700.0f;
        V.BE(s) = 1.0f;
        V.CPL(s) = 2000.0f;
        V.CPG(s) = 1000.0f;
        V.HL(s) = 1.0e5f;
        V.HG(s) = 3.0e5f;
        V.ROL(s) = 800.0f;
        V.ROG(s) = 50.0f;
        V.PT(s) = 2.0e6f;
        V.TM(s) = 30.0f + s;
        P.ZSEC(s) = 0.0f;
    }
    RUNCTL.ITEMP = 4;
    velocity(5, 0.0f, 1.0f, 0.0f);   // liquid from branch 1
    velocity(10, 0.0f, 0.5f, 0.0f);  // and from branch 2
    ENEASM();
    // Row of section 11 (rows: 1..4 branch 1, 5..8 branch 2, 9 = section 11).
    const int row = 9;
    const double t = RUNCTL.HT / P.DX(11);
    // Coupling to branch 1's last real section 4: -t CFLFAC(5) ML cpl UL
    // = -t (0.03/0.05) 700 * 2000 * 1.0 (hand calculation).
    EXPECT_NEAR(BANDWK.CJUNC(1, 1, 1), -t * 0.6 * 700.0 * 2000.0 * 1.0, 1e-6 * 1.0e6);
    EXPECT_NEAR(BANDWK.CJUNC(1, 2, 1), -t * 0.4 * 700.0 * 2000.0 * 0.5, 1e-6 * 1.0e6);
    EXPECT_EQ(band_off(row, -1), 0.0);
    // The energy the two ends carry in: t * sum CFLFAC * UL * ML * (HL + UL^2/2)
    // less their linearisation t * sum CFLFAC * UL * ML * cpl * TM(donor).
    const double in = 0.6 * 1.0 * 700.0 * (1.0e5 + 0.5) + 0.4 * 0.5 * 700.0 * (1.0e5 + 0.125);
    const double lin = 0.6 * 1.0 * 700.0 * 2000.0 * 34.0 + 0.4 * 0.5 * 700.0 * 2000.0 * 39.0;
    // With no outflow and a still section 11 the rest of the row is its storage.
    const double C = 700.0 * 2000.0;
    const double E = V.EG(11) + V.EL(11) - (1.0e5 - 2.0e6 / 800.0) * 700.0;
    EXPECT_NEAR(band_off(row, 0), C + 100.0 * 0.0, 1e-3 * C);
    EXPECT_NEAR(BANDWK.RHS(row), E + C * 41.0 + t * (in - lin), 1e-5 * C * 41.0);
}

// The gas a temperature change moves between the phases, dm = (MLT + MG)
// dRS/dT dT, is some 1e-6 kg a step here: below half a float step of the
// section's 400 kg of liquid and 50 kg of gas. Booked in float alone it would
// vanish every step; the masses with their rounding remainders must carry it,
// so that over the steps the gas follows the change of the gas fraction RS
// (linear in the table: 0.001 per K) and the section keeps its mass.
TEST(Tempsl, the_gas_a_small_temperature_change_moves_between_the_phases_is_kept) {
    still_section();
    flat_tables_of_the_section();
    auto& C = PVTCOM;
    constexpr int KRS = 3;
    for (int i = 1; i <= 2; ++i) {
        C.TAB(1, i, KRS) = 0.05f;          // at -10 C
        C.TAB(2, i, KRS) = 0.05f + 0.16f;  // at 150 C
    }
    auto& V = SECVAR;
    V.MLREM.fill(0.0f);
    V.MDREM.fill(0.0f);
    V.MGREM.fill(0.0f);
    V.MD(2) = 0.0f;
    V.GA(2) = 0.0f;
    const auto gas = [&] { return double(V.MG(2)) + V.MGREM(2); };
    const auto liquid = [&] { return double(V.ML(2)) + V.MLREM(2) + double(V.MD(2)) + V.MDREM(2); };
    const double gas0 = gas(), liquid0 = liquid();
    const double t0 = SECVAR.TM(2);
    for (int k = 0; k < 400; ++k) {
        int32_t ierr = 0;
        char msg[MSGLEN];
        TEMPSL(ierr, msg, MSGLEN);
        ASSERT_EQ(ierr, 0) << msgtext(msg, MSGLEN);
    }
    const double cooled = SECVAR.TM(2) - t0;
    ASSERT_LT(cooled, -0.1);
    // Gas fraction change times the section's mass (450 kg): gas dissolves.
    const double moved = 450.0 * 0.001 * cooled;
    EXPECT_NEAR(gas() - gas0, moved, 0.02 * std::fabs(moved));
    EXPECT_NEAR(liquid() - liquid0, -moved, 0.02 * std::fabs(moved));
    EXPECT_NEAR(gas() + liquid(), gas0 + liquid0, 1e-9 * 450.0);
}
