#include <gtest/gtest.h>

#include <cmath>

#include "device_state.h"
#include "run/routines.h"

using namespace rel;
using namespace devtest;

namespace {

char MSG[MSGLEN];

// The implicit step has let the leak flow (its fluxes are not both zero).
void flowing() {
    LEKRES.WLLEAK(1) = -1.0f;
    LEKRES.WGLEAK(1) = -1.0f;
}

void chokes_then_leak(int32_t& IERR) {
    CHOFLO(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0) << message(MSG);
    flowing();
    LEKFLO(IERR, MSG, MSGLEN);
}

}  // namespace

class LeakFlow : public devtest::DeviceTest {};

TEST_F(LeakFlow, subcritical_liquid_leak_follows_the_orifice_equation) {
    // Cd A sqrt(2 rho dp): 0.84 x 0.7854 x 0.05^2 x sqrt(2 x 800 x 1e6)
    // = 65.9736 kg/s (hand calculation, checked in Python).
    base_state();
    SECVAR.HL(LEAK_SEC) = 1.0e5f;
    SECVAR.HG(LEAK_SEC) = 3.0e5f;
    PIPGEO.ZSEC(LEAK_SEC) = -100.0f;
    int32_t IERR = 0;
    chokes_then_leak(IERR);
    ASSERT_EQ(IERR, 0);
    const double W_ref = 0.84 * 0.7854 * 0.05 * 0.05 * std::sqrt(2.0 * 800.0 * 1.0e6);
    EXPECT_NEAR(LEKRES.GTLEAK(1) / -W_ref, 1.0, 1e-5);
    EXPECT_NEAR(W_ref, 65.9736, 1e-4);
    const double Ap = PIPGEO.AREA(LEAK_SEC);
    EXPECT_FLOAT_EQ(LEKRES.WGLEAK(1), 0.0f);
    EXPECT_NEAR(LEKRES.WLLEAK(1) * Ap, LEKRES.GTLEAK(1), 1e-5 * W_ref);
    // Energy carried out: (h_l + z g) x flux / dx.
    const double flux = LEKRES.GTLEAK(1) / Ap;
    EXPECT_NEAR(LEKRES.HLEAK(1), (1.0e5 - 100.0 * 9.80665) * flux / 100.0,
                1e-4 * std::fabs(LEKRES.HLEAK(1)));
    EXPECT_LT(LEKRES.HLEAK(1), 0.0f);
    EXPECT_FLOAT_EQ(LEKRES.LEAKFLOW, LEKRES.GTLEAK(1));
}

TEST_F(LeakFlow, gas_leak_is_capped_at_the_critical_flow) {
    base_state();
    dry_ideal_gas(1.3f);
    EQUIPM.PLKPB(1, 1) = EQUIPM.PLKPB(2, 1) = 1.0e6f;
    int32_t IERR = 0;
    chokes_then_leak(IERR);
    ASSERT_EQ(IERR, 0);
    // The orifice equation would give Cd A sqrt(2 rho dp) = 54.07 kg/s; the
    // critical flow Cd A G* with G* = 16304.37 kg/(m2 s) (nozzle formula, see
    // the choke tests) is 26.89 kg/s.
    const double CdA = 0.84 * 0.7854 * 0.05 * 0.05;
    EXPECT_NEAR(-LEKRES.GTLEAK(1), EQUIPM.CHOWC(LEAK_ROW), 1e-5 * EQUIPM.CHOWC(LEAK_ROW));
    EXPECT_NEAR(-LEKRES.GTLEAK(1) / (CdA * 16304.37), 1.0, 0.01);
    const double Ap = PIPGEO.AREA(LEAK_SEC);
    EXPECT_NEAR(LEKRES.WGLEAK(1) * Ap, LEKRES.GTLEAK(1), 1e-5 * std::fabs(LEKRES.GTLEAK(1)));
    EXPECT_FLOAT_EQ(LEKRES.WLLEAK(1), 0.0f);
}

TEST_F(LeakFlow, leak_without_critical_limit_follows_the_orifice_only) {
    base_state();
    dry_ideal_gas(1.3f);
    EQUIPM.PLKPB(1, 1) = EQUIPM.PLKPB(2, 1) = 1.0e6f;
    int32_t IERR = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    EQUIPM.CHOFLG(LEAK_ROW) = TRUE_;
    flowing();
    LEKFLO(IERR, MSG, MSGLEN);
    const double CdA = 0.84 * 0.7854 * 0.05 * 0.05;
    const double rho = SECVAR.ROG(LEAK_SEC);
    EXPECT_NEAR(-LEKRES.GTLEAK(1) / (CdA * std::sqrt(2.0 * rho * 9.0e6)), 1.0, 1e-5);
}

TEST_F(LeakFlow, no_flow_cases_release_nothing_and_keep_the_peaks) {
    struct Case {
        const char* what;
        void (*make)();
    };
    const Case cases[] = {
        {"equal pressures", [] { SECVAR.PT(LEAK_SEC) = 9.0e6f; }},
        {"within 0.001 Pa", [] { LEKRES.PTLEAK(1) = SECVAR.PT(LEAK_SEC) - 0.0005f; }},
        {"below the back pressure (no inflow)", [] { SECVAR.PT(LEAK_SEC) = 8.0e6f; }},
        {"shut hole", [] { EQUIPM.CHOPEN(LEAK_ROW) = 0.0f; }},
        {"no implicit flow", [] { LEKRES.WGLEAK(1) = LEKRES.WLLEAK(1) = 0.0f; }},
        {"empty section",
         [] { SECVAR.ML(LEAK_SEC) = SECVAR.MG(LEAK_SEC) = SECVAR.MD(LEAK_SEC) = 0.0f; }},
        {"zero densities", [] { SECVAR.ROG(LEAK_SEC) = SECVAR.ROL(LEAK_SEC) = 0.0f; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        base_state();
        int32_t IERR = 0;
        CHOFLO(IERR, MSG, MSGLEN);
        flowing();
        LEKRES.PKTOT(1) = 11.0f;
        LEKRES.PKGAS(1) = 12.0f;
        LEKRES.PKOIL(1) = 13.0f;
        LEKRES.PKGSTD(1) = 14.0f;
        LEKRES.PKOSTD(1) = 15.0f;
        c.make();
        LEKFLO(IERR, MSG, MSGLEN);
        EXPECT_EQ(IERR, 0);
        for (float v : {LEKRES.GTLEAK(1), LEKRES.WGLEAK(1), LEKRES.WLLEAK(1), LEKRES.HLEAK(1),
                        LEKRES.QGLEAK(1), LEKRES.QOLEAK(1), LEKRES.QGLKST(1), LEKRES.QOLKST(1)})
            EXPECT_EQ(v, 0.0f);
        EXPECT_EQ(LEKRES.PKTOT(1), 11.0f);
        EXPECT_EQ(LEKRES.PKGAS(1), 12.0f);
        EXPECT_EQ(LEKRES.PKOIL(1), 13.0f);
        EXPECT_EQ(LEKRES.PKGSTD(1), 14.0f);
        EXPECT_EQ(LEKRES.PKOSTD(1), 15.0f);
    }
}

TEST_F(LeakFlow, scripted_history_gives_the_five_peak_words) {
    // Orifice only (bit 0 set) with K = 50 in a 0.3 m pipe (A = 0.070686 m2),
    // phases of 80 and 800 kg/m3 mixed by mass: rho_m = (1-x) 800 + x 80,
    // G = sqrt(rho_m dp / K). Reference densities 60 / 820 kg/m3, standard
    // 0.8 / 850 kg/m3, gas fraction at standard conditions 0.2, water 0.1.
    // Hand calculation (Python), per step (dp, x):
    //   (4e6, 0.05): GT -552.618 kg/s, gas 0.460515, oil 0.576205,
    //                gas std 124.339, oil std 0.468100 m3/s
    //   (1e6, 0.5):  GT -209.689 kg/s, gas 1.747405, oil 0.115073,
    //                gas std 47.1799, oil std 0.177619 m3/s
    //   (0, 0.5):    nothing
    // Peaks (summary words 1..5): total 552.618, oil 0.576205, gas 1.747405,
    // oil std 0.468100, gas std 124.339.
    base_state();
    EQUIPM.CHOFLG(LEAK_ROW) = TRUE_;
    EQUIPM.CHOPEN(LEAK_ROW) = 1.0e-3f;
    EQUIPM.CHOKL(LEAK_ROW) = 50.0f;
    LEKRES.PTLEAK(1) = 1.0e6f;
    struct {
        float dp, x;
    } steps[] = {{4.0e6f, 0.05f}, {1.0e6f, 0.5f}, {0.0f, 0.5f}};
    int32_t IERR = 0;
    for (auto st : steps) {
        SECVAR.PT(LEAK_SEC) = 1.0e6f + st.dp;
        SECVAR.MG(LEAK_SEC) = st.x * 100.0f;
        SECVAR.ML(LEAK_SEC) = (1.0f - st.x) * 100.0f;
        flowing();
        LEKFLO(IERR, MSG, MSGLEN);
        ASSERT_EQ(IERR, 0);
    }
    constexpr double tol = 1e-5;  // relative
    const float words[5] = {LEKRES.PKTOT(1), LEKRES.PKOIL(1), LEKRES.PKGAS(1), LEKRES.PKOSTD(1),
                            LEKRES.PKGSTD(1)};
    const double ref[5] = {552.618, 0.576205, 1.747405, 0.468100, 124.339};
    for (int w = 0; w < 5; ++w) EXPECT_NEAR(words[w] / ref[w], 1.0, tol) << "word " << w + 1;
}

TEST_F(LeakFlow, failed_outside_lookup_leaves_the_flag_and_the_flows) {
    base_state();
    EQUIPM.PLKPB(1, 1) = EQUIPM.PLKPB(2, 1) = 1.0e4f;  // below the fluid's range
    int32_t IERR = 0;
    CHOFLO(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0);
    flowing();
    LEKFLO(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(message(MSG), "PRESSURE TOO LOW.");
    EXPECT_LT(LEKRES.GTLEAK(1), 0.0f);
    EXPECT_FLOAT_EQ(fluid.lastT, SECVAR.TM(LEAK_SEC));
}
