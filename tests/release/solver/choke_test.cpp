#include <gtest/gtest.h>

#include <cmath>

#include "device_state.h"
#include "run/routines.h"

using namespace rel;
using namespace devtest;

namespace {

char MSG[MSGLEN];

// Isentropic (here polytropic) nozzle of a perfect gas, choked at its throat:
//   p*/p0 = (2/(n+1))^(n/(n-1)),
//   G*    = sqrt(n p0 rho0 (2/(n+1))^((n+1)/(n-1)))
// (J. D. Anderson, Modern Compressible Flow, ch. 5, the mass flow of a
// choked nozzle). The table values were worked with a short Python script from
// these formulas: p0 = 1e7 Pa, T0 = 50 deg C, R = 518.3 J/(kg K), so
// rho0 = 59.70554 kg/m3.
struct GasCase {
    float n;
    float y_start;  // pressure ratio carried from the previous step (0: first evaluation)
    double y_ref, G_ref;
};
const GasCase kGas[] = {
    {1.1f, 0.0f, 0.584679, 15353.80}, {1.2f, 0.0f, 0.564474, 15846.68},
    {1.3f, 0.0f, 0.545728, 16304.37}, {1.4f, 0.0f, 0.528282, 16731.22},
    {1.5f, 0.0f, 0.512000, 17130.81}, {1.3f, 0.9f, 0.545728, 16304.37},
    {1.4f, 0.2f, 0.528282, 16731.22}, {1.4f, 0.99f, 0.528282, 16731.22},
};
constexpr double kRatioTol = 1.0e-3;  // absolute, on p*/p0
constexpr double kFluxTol = 0.01;     // relative, on G*

// A small hole in a wide pipe: the approach velocity is negligible.
void small_hole() {
    EQUIPM.CHOAR(LEAK_ROW) = 0.7854f * 0.01f * 0.01f;
    for (int i = 0; i <= MXB; ++i) PIPGEO.AREA(i) = 1.0f;
}

}  // namespace

class ChokeArea : public devtest::DeviceTest {};
class ChokeCriticalFlow : public devtest::DeviceTest {};
class ChokeFailures : public devtest::DeviceTest {};
class ChokeOpening : public devtest::DeviceTest {};
class ChokeThroatState : public devtest::DeviceTest {};

TEST_F(ChokeCriticalFlow, dry_ideal_gas_chokes_at_the_nozzle_ratio_and_flux) {
    for (const GasCase& c : kGas) {
        SCOPED_TRACE(testing::Message() << "n " << c.n << " start " << c.y_start);
        base_state();
        small_hole();
        dry_ideal_gas(c.n);
        EQUIPM.CHOY(LEAK_ROW) = c.y_start;
        int32_t IERR = 0;
        CHOFLO(IERR, MSG, MSGLEN);
        ASSERT_EQ(IERR, 0) << message(MSG);
        EXPECT_NEAR(EQUIPM.CHOPN(LEAK_ROW), c.n, 1e-4);
        EXPECT_NEAR(EQUIPM.CHOY(LEAK_ROW), c.y_ref, kRatioTol);
        EXPECT_NEAR(EQUIPM.CHOGC(LEAK_ROW) / c.G_ref, 1.0, kFluxTol);
        EXPECT_NEAR(EQUIPM.CHOPC(LEAK_ROW), EQUIPM.CHOY(LEAK_ROW) * 1.0e7, 10.0);
        // Throat temperature of the expansion: T0 (p*/p0)^((n-1)/n) = T0 2/(n+1).
        EXPECT_NEAR(EQUIPM.CHOTC(LEAK_ROW) + 273.15, 323.15 * 2.0 / (c.n + 1.0), 0.5);
        EXPECT_EQ(EQUIPM.ICHMOD(LEAK_ROW), 1);
        const double CdA = 0.84 * EQUIPM.CHOAR(LEAK_ROW);
        EXPECT_NEAR(EQUIPM.CHOWC(LEAK_ROW), CdA * EQUIPM.CHOGC(LEAK_ROW),
                    1e-5 * EQUIPM.CHOWC(LEAK_ROW));
    }
}

TEST_F(ChokeCriticalFlow, polytropic_exponent_is_kept_between_its_limits) {
    // n = ROG / (P0 DRGP) when DRGT is 0.
    struct {
        float n_raw;
        float n_used;
    } cases[] = {{1.7f, 1.6f}, {0.9f, 1.05f}, {-2.0f, 1.6f}, {1.25f, 1.25f}};
    for (auto c : cases) {
        base_state();
        dry_ideal_gas(1.3f);
        SECVAR.DRGT(LEAK_SEC) = 0.0f;
        SECVAR.DRGP(LEAK_SEC) = SECVAR.ROG(LEAK_SEC) / (c.n_raw * SECVAR.PT(LEAK_SEC));
        int32_t IERR = 0;
        CHOFLO(IERR, MSG, MSGLEN);
        ASSERT_EQ(IERR, 0);
        EXPECT_NEAR(EQUIPM.CHOPN(LEAK_ROW), c.n_used, 1e-5) << c.n_raw;
    }
    // A gas with no pressure derivative gives no finite exponent: the upper limit.
    base_state();
    dry_ideal_gas(1.3f);
    SECVAR.DRGT(LEAK_SEC) = 0.0f;
    SECVAR.DRGP(LEAK_SEC) = 0.0f;
    int32_t IERR = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 0);
    EXPECT_FLOAT_EQ(EQUIPM.CHOPN(LEAK_ROW), 1.6f);
    EXPECT_TRUE(std::isfinite(EQUIPM.CHOGC(LEAK_ROW)));
}

TEST_F(ChokeCriticalFlow, two_phase_mixture_converges_to_its_fixed_point) {
    base_state();
    small_hole();
    const int s = LEAK_SEC;
    SECVAR.MG(s) = 40.0f;  // x = 0.5 by mass
    SECVAR.ML(s) = 40.0f;
    int32_t IERR = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0) << message(MSG);
    const double y = EQUIPM.CHOY(LEAK_ROW);
    EXPECT_GT(y, 0.0);
    EXPECT_LE(y, 0.99);
    // The accepted ratio satisfies the critical condition within the iteration's
    // tolerance (hand-written from the condition, s ~ 0).
    const double n = EQUIPM.CHOPN(LEAK_ROW), km = EQUIPM.CHOKM(LEAK_ROW);
    const double e = n / (n - 1.0), xp = 0.5, vG = 1.0 / 80, vL = 1.0 / 800, a = (1 - xp) * vL;
    const double vt = vG * std::pow(1.0 / y, 1.0 / n), vmt = xp * vt + a;
    const double D = 2 * vt * (xp * vt / km + 1e-6 * vL * vL * (1 - xp) * y * 1e7);
    const double B = vmt * vmt / D;
    const double y_new = std::pow(((1 - xp) * (0.1) * (1 - y) + xp * e) / (xp * e + B), e);
    EXPECT_NEAR(y, y_new, 2e-3);
    // Bounded by the pure-liquid flux at the same state and above the dry gas one.
    EXPECT_GT(EQUIPM.CHOGC(LEAK_ROW), 0.0f);
    EXPECT_LT(EQUIPM.CHOGC(LEAK_ROW), 8.0e5f);
}

TEST_F(ChokeCriticalFlow, liquid_chokes_at_its_sound_speed) {
    base_state();  // liquid of 800 kg/m3, DRLP 1e-6 s2/m2: c = 1000 m/s
    int32_t IERR = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0);
    EXPECT_FLOAT_EQ(EQUIPM.CHOGC(LEAK_ROW), 8.0e5f);  // rho c
    EXPECT_FLOAT_EQ(EQUIPM.CHOUC(LEAK_ROW), 1000.0f);
    EXPECT_FLOAT_EQ(EQUIPM.CHOY(LEAK_ROW), 0.0f);  // p0 - rho c^2/2 < 0
    EXPECT_FLOAT_EQ(EQUIPM.CHODWC(LEAK_ROW), 0.0f);
    EXPECT_FLOAT_EQ(EQUIPM.CHOPC(LEAK_ROW), 0.0f);
}

// A section with next to no gas (gas volume fraction below 1e-3), or a back
// pressure above 0.99 of the section's, cannot choke the leak: the liquid's
// limit holds and no critical-ratio iteration runs (here none is allowed).
// The first row is the leak section of a 450 mm hole in a 500 mm oil line
// late in its release, where the iteration used to fail.
TEST_F(ChokeCriticalFlow, next_to_no_gas_or_no_pressure_difference_takes_the_liquid_limit) {
    struct Case {
        const char* what;
        float P0, PB, MG, ML, ROG;
    };
    const Case cases[] = {
        {"rupture late in its release", 302372.5f, 3.0e5f, 2.45e-6f, 859.59f, 2.231f},
        {"gas fraction just below 1e-3", 1.0e7f, 1.0e5f, 0.0799f, 800.0f, 80.0f},
        {"gas at 0.995 of the section pressure outside", 1.0e7f, 9.95e6f, 80.0f, 0.0f, 80.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        base_state();
        const int s = LEAK_SEC;
        SECVAR.PT(s) = c.P0;
        EQUIPM.PLKPB(1, 1) = EQUIPM.PLKPB(2, 1) = c.PB;
        SECVAR.MG(s) = c.MG;
        SECVAR.ML(s) = SECVAR.MLT(s) = c.ML;
        SECVAR.ROG(s) = c.ROG;
        SECVAR.ROL(s) = c.ML > 0.0f ? c.ML : 800.0f;
        SECVAR.DRGP(s) = c.ROG / (1.3f * c.P0);
        choke_iteration_limit = 0;
        int32_t IERR = 0;
        CHOFLO(IERR, MSG, MSGLEN);
        ASSERT_EQ(IERR, 0) << message(MSG);
        // rho_l c_l with c_l = 1/sqrt(DRLP) = 1000 m/s.
        EXPECT_NEAR(EQUIPM.CHOGC(LEAK_ROW), SECVAR.ROL(s) * 1000.0f, 1.0f);
        EXPECT_FLOAT_EQ(EQUIPM.CHODWC(LEAK_ROW), 0.0f);
        EXPECT_EQ(EQUIPM.ICHMOD(LEAK_ROW), 1);
    }

    // Within the 0.1 Pa dead band of the leak flow nothing flows out.
    base_state();
    EQUIPM.PLKPB(1, 1) = EQUIPM.PLKPB(2, 1) = 1.0e7f - 0.05f;
    int32_t IERR = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0);
    EXPECT_FLOAT_EQ(EQUIPM.CHOY(LEAK_ROW), 1.0f);
    EXPECT_EQ(EQUIPM.CHOGC(LEAK_ROW), 0.0f);
}

// Just above a gas volume fraction of 1e-3 the mixture chokes near 3 % of
// the upstream pressure at a flux within 4 % of the liquid orifice flux to
// that pressure, sqrt(2 rho p0): the leak flux steps by no more than that
// where the liquid limit takes over.
TEST_F(ChokeCriticalFlow, critical_flux_just_above_next_to_no_gas_meets_the_liquid_orifice_flux) {
    base_state();
    const int s = LEAK_SEC;
    SECVAR.MG(s) = 0.081f;  // alpha = (0.081/80) / (0.081/80 + 800/800) = 1.01e-3
    EQUIPM.PLKPB(1, 1) = EQUIPM.PLKPB(2, 1) = 1.0e5f;
    int32_t IERR = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0) << message(MSG);
    EXPECT_GT(EQUIPM.CHODWC(LEAK_ROW), 0.0f);  // the two-phase evaluation ran
    EXPECT_LT(EQUIPM.CHOY(LEAK_ROW), 0.05f);
    const double orifice = std::sqrt(2.0 * 800.0 * 1.0e7);
    EXPECT_NEAR(EQUIPM.CHOGC(LEAK_ROW) / orifice, 1.0, 0.04) << EQUIPM.CHOGC(LEAK_ROW);
}

TEST_F(ChokeCriticalFlow, shut_dry_and_back_pressured_leaks_give_zero_flow) {
    struct Case {
        const char* what;
        void (*make)();
        float y;
        int32_t mark;
        float pcrit_over_p0;
    };
    const Case cases[] = {
        {"controller still 0", [] { CTRTAB.CONTR(1) = 0.0f; }, 0.6f, 1, 0.6f},
        {"previous output 0", [] { CTRTAB.CTROLD(1) = 0.0f; }, 0.6f, 1, 0.6f},
        {"equal pressures", [] { SECVAR.PT(LEAK_SEC) = 9.0e6f; }, 1.0f, 0, 1.0f},
        {"section below back pressure", [] { SECVAR.PT(LEAK_SEC) = 8.0e6f; }, 1.0f, 0, 1.0f},
        {"empty section",
         [] { SECVAR.ML(LEAK_SEC) = SECVAR.MG(LEAK_SEC) = SECVAR.MD(LEAK_SEC) = 0.0f; }, 1.0f, 0,
         1.0f},
        {"zero densities", [] { SECVAR.ROG(LEAK_SEC) = SECVAR.ROL(LEAK_SEC) = 0.0f; }, 1.0f, 0,
         1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        base_state();
        EQUIPM.ICHMRK(LEAK_ROW) = 5;
        c.make();
        int32_t IERR = 0;
        CHOFLO(IERR, MSG, MSGLEN);
        ASSERT_EQ(IERR, 0);
        const float P0 = SECVAR.PT(LEAK_SEC);
        EXPECT_FLOAT_EQ(EQUIPM.CHOY(LEAK_ROW), c.y);
        EXPECT_EQ(EQUIPM.ICHMRK(LEAK_ROW), c.mark);
        EXPECT_FLOAT_EQ(EQUIPM.CHOPC(LEAK_ROW), c.pcrit_over_p0 * P0);
        EXPECT_FLOAT_EQ(EQUIPM.PCHOKE(LEAK_ROW), P0);
        EXPECT_FLOAT_EQ(EQUIPM.TCHOKE(LEAK_ROW), 50.0f);
        for (float v : {EQUIPM.CHOGC(LEAK_ROW), EQUIPM.CHOWC(LEAK_ROW), EQUIPM.CHLIM(LEAK_ROW),
                        EQUIPM.CHODG(LEAK_ROW), EQUIPM.UCHOKE(LEAK_ROW), EQUIPM.WCHOKE(LEAK_ROW)})
            EXPECT_EQ(v, 0.0f);
        if (c.mark == 1) {
            EXPECT_FLOAT_EQ(EQUIPM.CHOKL(LEAK_ROW), 1.0e6f);
            EXPECT_EQ(EQUIPM.CHOPEN(LEAK_ROW), 0.0f);
        }
    }
}

// The leak's 0.1 Pa dead band, where the pressures are small enough for a
// float to resolve it (steps of 1/128 Pa at 1 bar): within it the leak is
// left as one that lets nothing out, just past it the leak flows.
TEST_F(ChokeCriticalFlow, nothing_flows_out_within_the_dead_band_and_flow_starts_past_it) {
    const struct {
        float above;  // Pa, section pressure above the back pressure
        bool flows;
    } rows[] = {
        {0.0f, false},     {0.0625f, false}, {0.09375f, false},
        {0.109375f, true}, {0.25f, true},    {1.0f, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.above << " Pa above the back pressure");
        base_state();
        EQUIPM.ICHMRK(LEAK_ROW) = 5;
        EQUIPM.PLKPB(1, 1) = EQUIPM.PLKPB(2, 1) = 1.0e5f;
        SECVAR.PT(LEAK_SEC) = 1.0e5f + r.above;
        ASSERT_EQ(SECVAR.PT(LEAK_SEC) - 1.0e5f, r.above);  // exact in a float
        int32_t IERR = 0;
        CHOFLO(IERR, MSG, MSGLEN);
        ASSERT_EQ(IERR, 0) << message(MSG);
        if (r.flows) {
            EXPECT_NE(EQUIPM.ICHMRK(LEAK_ROW), 0);
            EXPECT_GT(EQUIPM.CHOGC(LEAK_ROW), 0.0f);
        } else {
            EXPECT_EQ(EQUIPM.ICHMRK(LEAK_ROW), 0);
            EXPECT_FLOAT_EQ(EQUIPM.CHOY(LEAK_ROW), 1.0f);
            EXPECT_EQ(EQUIPM.CHOGC(LEAK_ROW), 0.0f);
            EXPECT_EQ(EQUIPM.CHOWC(LEAK_ROW), 0.0f);
        }
    }
}

TEST_F(ChokeOpening, leak_opening_is_the_mean_of_the_controller_outputs_capped_below_the_pipe) {
    base_state();
    CTRTAB.CONTR(1) = 0.2f;
    CTRTAB.CTROLD(1) = 0.1f;
    int32_t IERR = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    const double full = 0.7854 * 0.05 * 0.05;
    EXPECT_NEAR(EQUIPM.CHOPEN(LEAK_ROW), std::sqrt(0.02) * full, 1e-6 * full);
    // K refers the throat head to the pipe velocity: 1/2 (A_pipe/(Cd A))^2.
    const double Ap = 0.7854 * 0.3 * 0.3, CdA = 0.84 * std::sqrt(0.02) * full;
    EXPECT_NEAR(EQUIPM.CHOKL(LEAK_ROW), 0.5 * (Ap / CdA) * (Ap / CdA),
                1e-4 * EQUIPM.CHOKL(LEAK_ROW));
    // A hole wider than the pipe opens no further than 0.99 of the pipe area.
    base_state();
    EQUIPM.CHOAR(LEAK_ROW) = 1.0f;
    CHOFLO(IERR, MSG, MSGLEN);
    EXPECT_NEAR(EQUIPM.CHOPEN(LEAK_ROW), 0.99 * Ap, 1e-6);
}

TEST_F(ChokeThroatState, flux_above_critical_is_reported_at_the_critical_state) {
    base_state();
    dry_ideal_gas(1.3f);
    int32_t IERR = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0);
    LEKRES.GTLEAK(1) = -2.0f * EQUIPM.CHOWC(LEAK_ROW);
    EQUIPM.ICHMOD(LEAK_ROW) = 2;
    CHOFLO(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0) << message(MSG);
    EXPECT_FLOAT_EQ(EQUIPM.WCHOKE(LEAK_ROW), -EQUIPM.CHOGC(LEAK_ROW));
    EXPECT_NEAR(EQUIPM.PCHOKE(LEAK_ROW), EQUIPM.CHOPC(LEAK_ROW), 1e-3 * EQUIPM.CHOPC(LEAK_ROW));
    EXPECT_LE(std::fabs(EQUIPM.UCHOKE(LEAK_ROW)), EQUIPM.CHOUC(LEAK_ROW));
    EXPECT_LT(EQUIPM.UCHOKE(LEAK_ROW), 0.0f);
    EXPECT_EQ(EQUIPM.ICHMOD(LEAK_ROW), 2);  // the mode word stays
}

TEST_F(ChokeThroatState, subcritical_gas_throat_lies_between_critical_and_upstream_pressure) {
    base_state();
    dry_ideal_gas(1.3f);
    int32_t IERR = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    LEKRES.GTLEAK(1) = -0.5f * EQUIPM.CHOWC(LEAK_ROW);
    EQUIPM.ICHMOD(LEAK_ROW) = 2;
    CHOFLO(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0) << message(MSG);
    EXPECT_GT(EQUIPM.PCHOKE(LEAK_ROW), EQUIPM.CHOPC(LEAK_ROW));
    EXPECT_LT(EQUIPM.PCHOKE(LEAK_ROW), 1.0e7f);
    EXPECT_NEAR(EQUIPM.WCHOKE(LEAK_ROW), -0.5 * EQUIPM.CHOGC(LEAK_ROW),
                1e-3 * EQUIPM.CHOGC(LEAK_ROW));
}

TEST_F(ChokeThroatState, liquid_throat_pressure_follows_bernoulli) {
    base_state();
    int32_t IERR = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    const double CdA = EQUIPM.CHOCDA(LEAK_ROW), W = 40.0;
    LEKRES.GTLEAK(1) = -W;
    EQUIPM.ICHMOD(LEAK_ROW) = 2;
    CHOFLO(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0);
    const double G = W / CdA;  // hand: p2 = p0 - G^2/(2 rho)
    EXPECT_NEAR(EQUIPM.PCHOKE(LEAK_ROW), 1.0e7 - G * G / 1600.0, 1.0);
    EXPECT_NEAR(EQUIPM.WCHOKE(LEAK_ROW), -G, 1e-4 * G);
    EXPECT_NEAR(EQUIPM.UCHOKE(LEAK_ROW), -G / 800.0, 1e-4 * G / 800.0);
}

TEST_F(ChokeFailures, iterations_that_do_not_converge_end_the_run_with_a_message) {
    base_state();
    dry_ideal_gas(1.3f);
    EQUIPM.CHOY(LEAK_ROW) = 0.99f;
    choke_iteration_limit = 1;
    int32_t IERR = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(message(MSG), "No convergence on critical pressure ratio");

    base_state();
    dry_ideal_gas(1.3f);
    IERR = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0);
    LEKRES.GTLEAK(1) = -0.5f * EQUIPM.CHOWC(LEAK_ROW);
    EQUIPM.ICHMOD(LEAK_ROW) = 2;
    choke_iteration_limit = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(message(MSG), "NO CONVERGENCE ON PRESSURE RATIO FOR CHOKE");
    choke_iteration_limit = 100;
}

TEST_F(ChokeFailures, time_outside_a_device_table_ends_the_run_with_a_message) {
    base_state();
    RUNCTL.TIME = 1.0e7;  // t = TIME + HT lies past the opening table
    int32_t IERR = 0;
    CHOARE(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(message(MSG),
              "TIME OUTSIDE RANGE OF TIME POINT ARRAY FOR CHOKE FLOW AREA, CHOKE NO. 1");

    base_state();
    RUNCTL.TIME = -5.0;
    IERR = 0;
    CHOARE(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 1);

    base_state();
    RUNCTL.TIME = 2.0e7;  // past the back-pressure table of the leak
    IERR = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(message(MSG), "TIME OUTSIDE RANGE OF BACK PRESSURE TABLE FOR LEAK NO. 1");
}

TEST_F(ChokeArea, outlet_choke_closes_linearly_over_ten_seconds_from_its_closing_time) {
    // Opening table of a closing time of 600 s: 1 until 12000 s, 0 from 12010 s.
    // The area of a step is the geometric mean of the openings at its two ends;
    // K = 1/2 (A/(Cd A_open))^2 - 1/2 with Cd 1 and the face area A.
    struct {
        double t;
        double open;
        double K;
    } rows[] = {
        {11999.0, 1.0, 0.0},
        {12000.0, 1.0, 0.0},
        {12001.0, std::sqrt(1.0 * 0.9), 0.5 / 0.9 - 0.5},
        {12005.0, std::sqrt(0.6 * 0.5), 0.5 / 0.3 - 0.5},  // 0.547723, 1.16667
        {12009.0, std::sqrt(0.2 * 0.1), 0.5 / 0.02 - 0.5},
        {12010.0, 0.0, 1.0e6},
        {12100.0, 0.0, 1.0e6},
    };
    base_state();
    const double A = EQUIPM.CHOAR(1);
    int32_t IERR = 0;
    for (const auto& r : rows) {
        // One step of 1 s ending at r.t, after the step ending at r.t - 1.
        RUNCTL.TIME = r.t - 2.0;
        CHOARE(IERR, MSG, MSGLEN);
        RUNCTL.TIME = r.t - 1.0;
        CHOARE(IERR, MSG, MSGLEN);
        ASSERT_EQ(IERR, 0);
        EXPECT_NEAR(EQUIPM.CHOPEN(1) / A, r.open, 1e-5) << r.t;
        EXPECT_NEAR(EQUIPM.CHOKL(1), r.K, 1e-4 * std::max(1.0, r.K)) << r.t;
    }
}

TEST_F(ChokeArea, outlet_that_never_closes_stays_open) {
    base_state();
    for (int k = 1; k <= 4; ++k) EQUIPM.OCHOT(k, 1) = 1.0f;  // closing time -1
    int32_t IERR = 0;
    for (double t : {0.0, 11401.0, 12005.0, 9.0e6}) {
        RUNCTL.TIME = t;
        CHOARE(IERR, MSG, MSGLEN);
        ASSERT_EQ(IERR, 0);
        EXPECT_FLOAT_EQ(EQUIPM.CHOPEN(1), EQUIPM.CHOAR(1));
        EXPECT_FLOAT_EQ(EQUIPM.CHOKL(1), 0.0f);
    }
}

TEST_F(ChokeArea, choke_routines_serve_only_their_own_rows) {
    base_state();
    EQUIPM.CHOFLG(LEAK_ROW) = TRUE_;  // a leak row with bit 0 set
    EQUIPM.CHOPEN(LEAK_ROW) = 7.0f;
    EQUIPM.CHOKL(LEAK_ROW) = 7.0f;
    int32_t IERR = 0;
    CHOARE(IERR, MSG, MSGLEN);
    CHOFLO(IERR, MSG, MSGLEN);
    CHOKCO();
    EXPECT_EQ(IERR, 0);
    EXPECT_EQ(EQUIPM.CHOPEN(LEAK_ROW), 7.0f);
    EXPECT_EQ(EQUIPM.CHOKL(LEAK_ROW), 7.0f);
}
