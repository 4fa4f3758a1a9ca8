#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "device_state.h"
#include "run/routines.h"

using namespace rel;
using namespace devtest;

namespace {

char MSG[MSGLEN];

// Outlet pressure table as the boundary set-up builds it for POUT.
void outlet(float POUT) {
    base_state();
    NETDSC.KSEC(5) = -1;
    NETDSC.IBCODE(2, 1) = 1;
    if (POUT >= 500000.0f) {
        NETDSC.NPOUT = 2;
        NETDSC.TPOUT(1) = 0.0f;
        NETDSC.TPOUT(2) = 1.0e7f;
        NETDSC.PPOUT(1) = NETDSC.PPOUT(2) = POUT;
    } else {
        NETDSC.NPOUT = 4;
        const float t[4] = {0.0f, 2000.0f, 3000.0f, 1.0e7f}, p[4] = {5.0e5f, 5.0e5f, POUT, POUT};
        for (int k = 1; k <= 4; ++k) {
            NETDSC.TPOUT(k) = t[k - 1];
            NETDSC.PPOUT(k) = p[k - 1];
        }
    }
    SECVAR.AL(5) = 0.25f;
    SECVAR.MD(5) = 3.0f;
    SECVAR.GA(5) = 0.1f;
}

}  // namespace

class BoundaryUpdate : public devtest::DeviceTest {};
class BoundaryVoid : public devtest::DeviceTest {};

TEST_F(BoundaryUpdate, outlet_pressure_follows_its_table_with_the_ramp_below_500000_pa) {
    struct {
        float POUT;
        double t;
        float P;
    } rows[] = {
        {3.0e5f, 0.0, 5.0e5f},    {3.0e5f, 1000.0, 5.0e5f}, {3.0e5f, 2000.0, 5.0e5f},
        {3.0e5f, 2500.0, 4.0e5f}, {3.0e5f, 3000.0, 3.0e5f}, {3.0e5f, 12000.0, 3.0e5f},
        {6.0e5f, 0.0, 6.0e5f},    {6.0e5f, 2500.0, 6.0e5f}, {6.0e5f, 12000.0, 6.0e5f},
    };
    for (auto r : rows) {
        outlet(r.POUT);
        RUNCTL.TIME = r.t;
        int32_t IERR = 0;
        BOUUPD(IERR, MSG, MSGLEN);
        ASSERT_EQ(IERR, 0) << message(MSG);
        EXPECT_NEAR(SECVAR.PT(5), r.P, 1e-2) << r.POUT << " " << r.t;
        // Equilibrium at the imposed pressure with the kept gas fraction.
        const float ROG = r.P / (518.3f * 323.15f);
        EXPECT_NEAR(SECVAR.ROG(5), ROG, 1e-4 * ROG);
        EXPECT_FLOAT_EQ(SECVAR.AL(5), 0.25f);
        EXPECT_FLOAT_EQ(SECVAR.BE(5), 0.75f);
        EXPECT_EQ(SECVAR.GA(5), 0.0f);
        EXPECT_EQ(SECVAR.MD(5), 0.0f);
        EXPECT_FLOAT_EQ(SECVAR.MG(5), SECVAR.ROG(5) * 0.25f);
        EXPECT_FLOAT_EQ(SECVAR.ML(5), 800.0f * 0.75f);
        EXPECT_FLOAT_EQ(SECVAR.MLT(5), SECVAR.ML(5));
    }
}

TEST_F(BoundaryUpdate, failed_lookup_returns_at_once) {
    outlet(3.0e5f);
    fluid.PMIN = 1.0e6f;
    const float MG = SECVAR.MG(5);
    int32_t IERR = 0;
    BOUUPD(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(message(MSG), "PRESSURE TOO LOW.");
    EXPECT_EQ(SECVAR.MG(5), MG);
    EXPECT_EQ(SECVAR.MD(5), 3.0f);
}

TEST_F(BoundaryUpdate, left_pressure_boundary_sets_the_equilibrium_gas_fraction) {
    outlet(6.0e5f);
    NETDSC.IBCODE(1, 1) = 1;
    NETDSC.NPLEFT(1) = 2;
    NETDSC.TPLEFT(1, 1) = 0.0f;
    NETDSC.TPLEFT(2, 1) = 1.0e7f;
    NETDSC.PPLEFT(1, 1) = NETDSC.PPLEFT(2, 1) = 2.0e6f;
    int32_t IERR = 0;
    BOUUPD(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0);
    EXPECT_FLOAT_EQ(SECVAR.PT(1), 2.0e6f);
    // x = 0.3: AL = rho_l x / ((1 - x) rho_g + rho_l x)
    const double rg = 2.0e6 / (518.3 * 323.15);
    const double AL = 800.0 * 0.3 / (0.7 * rg + 800.0 * 0.3);
    EXPECT_NEAR(SECVAR.AL(1), AL, 1e-5);
    EXPECT_NEAR(SECVAR.MG(1), rg * AL, 1e-4);
}

TEST_F(BoundaryVoid, void_table_gives_the_outlet_gas_fraction) {
    outlet(6.0e5f);
    NETDSC.IVDFLG(2, 1) = 1;
    NETDSC.IVDMOD(2, 1) = 0;
    NETDSC.NVDT(2, 1) = 2;
    NETDSC.TVDT(1, 2, 1) = 0.0f;
    NETDSC.TVDT(2, 2, 1) = 1.0e4f;
    NETDSC.AVDT(1, 2, 1) = 0.0f;
    NETDSC.AVDT(2, 2, 1) = 1.0f;
    RUNCTL.TIME = 2500.0;
    int32_t IERR = 0;
    BOUUPD(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0);
    EXPECT_NEAR(SECVAR.AL(5), 0.25f, 1e-6);
}

TEST_F(BoundaryVoid, time_outside_the_void_table_ends_the_run_with_a_message) {
    outlet(6.0e5f);
    NETDSC.IVDFLG(2, 1) = 1;
    NETDSC.NVDT(2, 1) = 2;
    NETDSC.TVDT(1, 2, 1) = 0.0f;
    NETDSC.TVDT(2, 2, 1) = 1000.0f;
    RUNCTL.TIME = 2000.0;
    int32_t IERR = 0;
    BOUUPD(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 1);
    const std::string m = message(MSG);
    EXPECT_EQ(m.substr(0, 60), "ROUTINE BOUCON: ERROR USING BOUNDARY VOID TABLE             ");
    EXPECT_NE(m.find("X = 2000"), std::string::npos) << m;
    EXPECT_NE(m.find("RANGE IS 0 1000"), std::string::npos) << m;
}

TEST_F(BoundaryVoid, controller_mode_is_open_only_while_every_listed_output_is_full) {
    struct {
        float out;
        int32_t check;
        float AL;
    } cases[] = {{1.0f, 0, 0.9f}, {0.99f, 0, 0.1f}, {0.99f, 1, 0.9f}};
    for (auto c : cases) {
        outlet(6.0e5f);
        NETDSC.IVDFLG(2, 1) = 1;
        NETDSC.IVDMOD(2, 1) = 1;
        NETDSC.NVDCTR(2, 1) = 1;
        NETDSC.IVDCTR(1, 2, 1) = 99;
        NETDSC.IVDCHK(2, 1) = c.check;
        NETDSC.ALVOPN(2, 1) = 0.9f;
        NETDSC.ALVCLS(2, 1) = 0.1f;
        CTRTAB.CONTR(1) = c.out;
        int32_t IERR = 0;
        BOUUPD(IERR, MSG, MSGLEN);
        ASSERT_EQ(IERR, 0);
        EXPECT_FLOAT_EQ(SECVAR.AL(5), c.AL) << c.out << " " << c.check;
    }
}
