#include <gtest/gtest.h>

#include <cmath>

#include "device_state.h"
#include "run/routines.h"

using namespace rel;
using namespace devtest;

namespace {

char MSG[MSGLEN];

// One inlet source in section 2 of 5 kg/s into 0.01 m2, as the set-up builds
// it: gas table V, V, Q, Q, 0, 0 over 0, 1000, 1100, T, T + 10, 1e7 s with
// V = max(600 A, Q) / A = 600 and Q / A = 500 kg/(m2 s), no liquid, 20 deg C.
void inlet(float T_close) {
    base_state();
    NETDSC.KSEC(1) = 2;  // the inlet cell before section 2
    SECVAR.PT(2) = 1.0e7f;
    SECVAR.PT(3) = 0.99e7f;
    EQUIPM.NSOUR = 1;
    EQUIPM.ISOUR(1) = 2;
    EQUIPM.NTSOUR(1) = 6;
    const float t[6] = {0.0f, 1000.0f, 1100.0f, T_close, T_close + 10.0f, 1.0e7f};
    const float g[6] = {600.0f, 600.0f, 500.0f, 500.0f, 0.0f, 0.0f};
    for (int k = 1; k <= 6; ++k) {
        EQUIPM.TSOUR(k, 1) = t[k - 1];
        EQUIPM.GSOUR(k, 1) = g[k - 1];
        EQUIPM.LSOUR(k, 1) = 0.0f;
        EQUIPM.TMSOUR(k, 1) = 20.0f;
    }
}

float gas_flux_at(double t) {
    RUNCTL.TIME = t;
    int32_t IERR = 0;
    SRCTRM(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 0) << message(MSG);
    return EQUIPM.WGSOUR(1) + EQUIPM.WLSOUR(1);
}

}  // namespace

class InletSource : public devtest::DeviceTest {};

TEST_F(InletSource, inlet_follows_its_table_and_closes_over_ten_seconds) {
    inlet(12000.0f);  // closing time 600 s after the leak opens
    struct {
        double t;
        float total;
    } rows[] = {{500.0, 600.0f},   {1050.0, 550.0f}, {11400.0, 500.0f}, {12000.0, 500.0f},
                {12005.0, 250.0f}, {12010.0, 0.0f},  {20000.0, 0.0f}};
    for (auto r : rows) EXPECT_NEAR(gas_flux_at(r.t), r.total, 1e-3) << r.t;
}

TEST_F(InletSource, inlet_that_never_closes_keeps_delivering) {
    // A negative closing time: the source keeps its rate to the end of its table.
    inlet(0.0f);
    EQUIPM.NTSOUR(1) = 4;
    const float t[4] = {0.0f, 1000.0f, 1100.0f, 1.0e7f};
    const float g[4] = {600.0f, 600.0f, 500.0f, 500.0f};
    for (int k = 1; k <= 4; ++k) {
        EQUIPM.TSOUR(k, 1) = t[k - 1];
        EQUIPM.GSOUR(k, 1) = g[k - 1];
    }
    for (double time : {11399.0, 11409.0, 11500.0, 50000.0, 9.9e6})
        EXPECT_NEAR(gas_flux_at(time), 500.0f, 1e-3) << time;
}

TEST_F(InletSource, single_phase_source_is_split_by_the_equilibrium_gas_fraction) {
    inlet(12000.0f);
    RUNCTL.TIME = 500.0;
    PIPGEO.ZSEC(2) = 10.0f;
    int32_t IERR = 0;
    SRCTRM(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0);
    // RS 0.3 of the fluid: 0.3 x 600 gas, the rest liquid.
    EXPECT_NEAR(EQUIPM.WGSOUR(1), 180.0f, 1e-3);
    EXPECT_NEAR(EQUIPM.WLSOUR(1), 420.0f, 1e-3);
    EXPECT_FLOAT_EQ(EQUIPM.XSOUR(1), 0.3f);
    EXPECT_FLOAT_EQ(EQUIPM.TSRCUR(1), 20.0f);
    // Energy: (z g (G+L) + h_g G + h_l L)/dx with h = cp T of the fluid,
    // 2226 x 20 and 2000 x 20 J/kg, z 10 m, dx 100 m.
    const double H = (10.0 * 9.80665 * 600.0 + 44520.0 * 180.0 + 40000.0 * 420.0) / 100.0;
    EXPECT_NEAR(EQUIPM.HSOUR(1), H, 1e-5 * H);
    // The pressure of an inlet cell is extrapolated to the pipe end: 2 P2 - P3.
    EXPECT_FLOAT_EQ(fluid.lastP, 1.01e7f);
}

TEST_F(InletSource, sink_takes_the_section_mixture_and_temperature) {
    inlet(12000.0f);
    for (int k = 1; k <= 6; ++k) EQUIPM.GSOUR(k, 1) = -100.0f;
    SECVAR.MG(2) = 20.0f;
    SECVAR.MLT(2) = 60.0f;
    SECVAR.TM(2) = 35.0f;
    RUNCTL.TIME = 500.0;
    int32_t IERR = 0;
    SRCTRM(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0);
    EXPECT_NEAR(EQUIPM.WGSOUR(1), -25.0f, 1e-4);  // x = 20/80
    EXPECT_NEAR(EQUIPM.WLSOUR(1), -75.0f, 1e-4);
    EXPECT_FLOAT_EQ(EQUIPM.TSRCUR(1), 35.0f);
    EXPECT_FLOAT_EQ(fluid.lastT, 35.0f);
}

TEST_F(InletSource, two_phase_source_keeps_both_fluxes) {
    inlet(12000.0f);
    for (int k = 1; k <= 6; ++k) EQUIPM.LSOUR(k, 1) = 50.0f;
    SECVAR.RS(2) = 0.4f;
    RUNCTL.TIME = 500.0;
    int32_t IERR = 0;
    SRCTRM(IERR, MSG, MSGLEN);
    EXPECT_FLOAT_EQ(EQUIPM.WGSOUR(1), 600.0f);
    EXPECT_FLOAT_EQ(EQUIPM.WLSOUR(1), 50.0f);
    EXPECT_FLOAT_EQ(EQUIPM.XSOUR(1), 0.4f);
}

TEST_F(InletSource, times_outside_the_table_extrapolate_its_end_intervals) {
    inlet(12000.0f);
    EQUIPM.NTSOUR(1) = 2;
    EQUIPM.TSOUR(1, 1) = 0.0f;
    EQUIPM.TSOUR(2, 1) = 10.0f;
    EQUIPM.GSOUR(1, 1) = 100.0f;
    EQUIPM.GSOUR(2, 1) = 200.0f;
    EXPECT_NEAR(gas_flux_at(20.0), 300.0f, 1e-3);
    EXPECT_NEAR(gas_flux_at(-5.0), 50.0f, 1e-3);
}

TEST_F(InletSource, equal_table_times_act_as_a_step) {
    inlet(1100.0f);  // closing point on top of the 1100 s point
    for (double t : {1099.0, 1100.0, 1105.0, 1115.0}) EXPECT_TRUE(std::isfinite(gas_flux_at(t)));
    EXPECT_NEAR(gas_flux_at(1099.0), 501.0f, 1e-2);  // 600 - 0.99 x 100
    EXPECT_NEAR(gas_flux_at(1100.0), 500.0f, 1e-2);
    EXPECT_NEAR(gas_flux_at(1105.0), 250.0f, 1e-2);
}

TEST_F(InletSource, low_pressure_is_raised_for_the_lookup_only) {
    inlet(12000.0f);
    NETDSC.KSEC(1) = 0;
    SECVAR.PT(2) = 5.0e4f;
    RUNCTL.TIME = 500.0;
    int32_t IERR = 0;
    SRCTRM(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 0);
    EXPECT_FLOAT_EQ(fluid.lastP, 1.0e5f);
    EXPECT_FLOAT_EQ(SECVAR.PT(2), 5.0e4f);
}

TEST_F(InletSource, failed_lookup_returns_at_the_first_failing_source) {
    inlet(12000.0f);
    EQUIPM.NSOUR = 2;
    EQUIPM.ISOUR(2) = 4;
    EQUIPM.NTSOUR(2) = 2;
    EQUIPM.TSOUR(2, 2) = 1.0e7f;
    EQUIPM.WGSOUR(2) = 77.0f;
    fluid.PMIN = 2.0e7f;  // every point fails
    RUNCTL.TIME = 500.0;
    int32_t IERR = 0;
    SRCTRM(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(message(MSG), "PRESSURE TOO LOW.");
    EXPECT_EQ(fluid.calls, 1);
    EXPECT_EQ(EQUIPM.WGSOUR(2), 77.0f);
}
