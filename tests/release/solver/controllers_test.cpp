#include <gtest/gtest.h>

#include <cmath>

#include "device_state.h"
#include "run/routines.h"

using namespace rel;
using namespace devtest;

namespace {

// The leak controller as the set-up defines it, at rest before the leak opens.
void leak_controller() {
    base_state();
    CTRTAB.CONTR(1) = 0.0f;
    CTRTAB.CTROLD(1) = 0.0f;
}

}  // namespace

class ControllerSetPoint : public devtest::DeviceTest {};
class ControllerSignal : public devtest::DeviceTest {};
class ControllerUpdate : public devtest::DeviceTest {};

TEST_F(ControllerSetPoint, set_point_table_is_a_step_table) {
    leak_controller();
    struct {
        double t;
        float s;
    } rows[] = {
        {-1.0, 0.0f},     {0.0, 0.0f},     {11390.0, 0.0f},
        {11399.99, 0.0f}, {11400.0, 1.0f},  // a time equal to a table time selects that point
        {11400.01, 1.0f}, {2.0e7, 1.0f}};
    for (auto r : rows) EXPECT_EQ(SETPNT(1, r.t), r.s) << r.t;
}

TEST_F(ControllerSignal, previous_output_by_number_and_zero_for_an_unknown_number) {
    leak_controller();
    CTRTAB.CTROLD(1) = 0.25f;
    CTRTAB.CONTR(1) = 0.5f;
    EXPECT_EQ(CTRSIG(99), 0.25f);
    EXPECT_EQ(ctr_output(99), 0.5f);
    EXPECT_EQ(CTRSIG(98), 0.0f);
    EXPECT_EQ(ctr_output(98), 0.0f);
}

TEST_F(ControllerUpdate, leak_opening_sequence_follows_the_set_point_at_its_rate_limit) {
    // Controller 99: set point 0 until 11400 s, then 1; tau 5 s, so with steps
    // of 0.5 s the output rises by 0.1 per step. The leak opening is the root
    // of the current and the previous output (one step behind at the start).
    leak_controller();
    CTRTAB.IRESTR(1) = TRUE_;  // the initial state restarts it
    double HT = 0.5;
    int32_t IFLAG = 0;
    CTRUPD(0.0, HT, 0.1f, 0.75f, IFLAG);
    EXPECT_EQ(CTRTAB.CONTR(1), 0.0f);
    EXPECT_EQ(CTRTAB.IRESTR(1), FALSE_);

    struct {
        double t;
        float out;
        float opening;
    } rows[] = {
        {11399.0, 0.0f, 0.0f},      {11399.5, 0.0f, 0.0f},      {11400.0, 0.1f, 0.0f},
        {11400.5, 0.2f, 0.141421f}, {11401.0, 0.3f, 0.244949f}, {11401.5, 0.4f, 0.346410f},
        {11402.0, 0.5f, 0.447214f}, {11404.0, 0.9f, 0.848528f}, {11404.5, 1.0f, 0.948683f},
        {11405.0, 1.0f, 1.0f},      {11500.0, 1.0f, 1.0f},
    };
    double t_prev = 11398.5;
    for (auto r : rows) {
        // steps of 0.5 s up to r.t
        for (double t = t_prev + 0.5; t <= r.t + 1e-9; t += 0.5) {
            HT = 0.5;
            CTRUPD(t, HT, 0.1f, 0.75f, IFLAG);
            EXPECT_EQ(IFLAG, 0) << t;
            EXPECT_EQ(HT, 0.5);
        }
        t_prev = r.t;
        EXPECT_NEAR(CTRTAB.CONTR(1), r.out, 1e-5) << r.t;
        EXPECT_NEAR(std::sqrt(CTRSIG(99) * ctr_output(99)), r.opening, 1e-5) << r.t;
    }
}

TEST_F(ControllerUpdate, large_change_shortens_the_step) {
    // From output 0 at the opening time; a change of at least 0.2 in one step
    // cuts the step to max(HT x 0.75, HTMIN) when HTMIN is below HT, and the
    // output is limited again with the new step (tau 5 s).
    struct {
        double HT;
        float HTMIN;
        double HT_new;
        float out;
        int32_t flag;
    } cases[] = {
        {0.5, 0.1f, 0.5, 0.1f, 0},    // change 0.1: no cut
        {1.0, 0.1f, 0.75, 0.15f, 1},  // change 0.2: cut
        {1.0, 0.9f, 0.9, 0.18f, 1},   // the cut stops at the minimum step
        {4.0, 1.0f, 3.0, 0.6f, 1},
        {1.0, 1.0f, 1.0, 0.2f, 0},  // minimum step not below the step: no cut
        {8.0, 8.0f, 8.0, 1.0f, 0},  // however large the change
    };
    for (auto c : cases) {
        leak_controller();
        double HT = c.HT;
        int32_t IFLAG = 7;
        CTRUPD(11400.0, HT, c.HTMIN, 0.75f, IFLAG);
        EXPECT_NEAR(HT, c.HT_new, 1e-6) << c.HT << " " << c.HTMIN;
        EXPECT_NEAR(CTRTAB.CONTR(1), c.out, 1e-6) << c.HT << " " << c.HTMIN;
        EXPECT_EQ(IFLAG, c.flag) << c.HT << " " << c.HTMIN;
    }
}

TEST_F(ControllerUpdate, types_follow_or_are_limited_as_their_kind_says) {
    // Three controllers jump from 0 to a set point of 1 in a step of 1 s that the
    // type-5 one cuts to 0.75 s: type 6 keeps its set point, type 10 follows it
    // and is then limited with the new step, type 5 is limited.
    leak_controller();
    CTRTAB.NCTR = 3;
    for (int k = 2; k <= 3; ++k) {
        CTRTAB.ICTRNO(k) = 100 + k;
        CTRTAB.CTRTC(k) = 5.0f;
        CTRTAB.IRESTR(k) = FALSE_;
        CTRTAB.ICTRST(k) = 1;  // the leak controller's table
        CTRTAB.CONTR(k) = CTRTAB.CTROLD(k) = 0.0f;
    }
    CTRTAB.ICTRTY(2) = 6;
    CTRTAB.ICTRTY(3) = 10;
    double HT = 1.0;
    int32_t IFLAG = 0;
    CTRUPD(11400.0, HT, 0.1f, 0.75f, IFLAG);
    EXPECT_EQ(IFLAG, 1);
    EXPECT_DOUBLE_EQ(HT, 0.75);
    EXPECT_NEAR(CTRTAB.CONTR(1), 0.15f, 1e-6);
    EXPECT_EQ(CTRTAB.CONTR(2), 1.0f);
    EXPECT_NEAR(CTRTAB.CONTR(3), 0.15f, 1e-6);
}

TEST_F(ControllerUpdate, restart_takes_the_set_point_at_once) {
    leak_controller();
    CTRTAB.IRESTR(1) = TRUE_;
    double HT = 1.0;
    int32_t IFLAG = 0;
    CTRUPD(11400.0, HT, 0.1f, 0.75f, IFLAG);
    EXPECT_EQ(CTRTAB.CONTR(1), 1.0f);
    EXPECT_EQ(CTRTAB.CTROLD(1), 1.0f);
    EXPECT_EQ(IFLAG, 0);  // every controller restarting: no cut
    EXPECT_EQ(HT, 1.0);

    // Beside a moving controller that cuts the step, a restarting one still
    // takes its set point (its previous output is not its own yet).
    leak_controller();
    CTRTAB.NCTR = 2;
    CTRTAB.ICTRNO(2) = 7;
    CTRTAB.ICTRTY(2) = 5;
    CTRTAB.CTRTC(2) = 5.0f;
    CTRTAB.ICTRST(2) = 1;
    CTRTAB.IRESTR(2) = TRUE_;
    CTRTAB.CTROLD(2) = 0.0f;
    HT = 1.0;
    CTRUPD(11400.0, HT, 0.1f, 0.75f, IFLAG);
    EXPECT_EQ(IFLAG, 1);
    EXPECT_EQ(CTRTAB.CONTR(2), 1.0f);
    EXPECT_EQ(CTRTAB.CTROLD(2), 1.0f);
}

TEST_F(ControllerUpdate, zero_time_constant_follows_at_once_without_nan) {
    leak_controller();
    CTRTAB.CTRTC(1) = 0.0f;
    double HT = 0.5;
    int32_t IFLAG = 0;
    CTRUPD(11400.0, HT, 0.5f, 0.75f, IFLAG);
    EXPECT_EQ(CTRTAB.CONTR(1), 1.0f);
    EXPECT_TRUE(std::isfinite(HT));
}
