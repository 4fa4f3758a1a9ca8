// The result time-series file: header, rows, the plot-time schedule and
// failures of the stream underneath.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "output/plot.h"
#include "release/output/synthetic_network.h"
#include "rt/fortio.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"
#include "release/scratch.h"

namespace rel {
namespace {

namespace fs = std::filesystem;

fs::path scratch_dir(const std::string& name) {
    fs::path d = testrun::scratch_root() / ("result_" + name);
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}

std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::vector<std::string> lines_of(const std::string& s) {
    std::vector<std::string> out;
    std::stringstream ss(s);
    for (std::string l; std::getline(ss, l);) out.push_back(l);
    return out;
}

// One branch of type 0 with 20 sections and the leak at plot position 7,
// curves defined and the header written to path.
void one_branch_run_start(const fs::path& path, int32_t& IERR, char* MSG) {
    test::make_network({{0, 20}}, 1, 7);
    VARCAT();
    IERR = 0;
    setmsg(MSG, MSGLEN, "");
    PLTDEF(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0);
    test::plot_file_on_unit_30();
    rt::reset_units();
    ASSERT_TRUE(rt::open_unit(30, path.string()));
    PLTLAB(IERR, MSG, MSGLEN);
}

// A time loop on a synthetic clock: the leak opens at 11400 s and its rate
// decays; PLTTRD is called whenever the clock reaches the plot time, and
// once more at the end.
void synthetic_loop(double end, int32_t& IERR, char* MSG) {
    RUNCTL.TIME = 0.0;
    PLTCTL.TPLOT = RUNCTL.TIME;
    RUNCTL.TCLMAX = 11400.0f;
    RUNCTL.TESTIM = RUNCTL.TEST0 = 2.0f * RUNCTL.TCLMAX;
    const int ls = EQUIPM.ILKSEC(1);
    LEKRES.PTLEAK(1) = 1.0e5f;
    while (RUNCTL.TIME < end && IERR == 0) {
        RUNCTL.HT = RUNCTL.TIME < 11400.0 ? 2.0 : 0.5;
        RUNCTL.TIME += RUNCTL.HT;
        RUNCTL.NINTGR += 1;
        const double since = RUNCTL.TIME - 11400.0;
        const float rate = since > 0 ? static_cast<float>(-50.0 * std::exp(-since / 600.0)) : 0.0f;
        LEKRES.GTLEAK(1) = rate;
        LEKRES.LEAKFLOW = rate;
        LEKRES.WGLEAK(1) = 0.3f * rate / PIPGEO.SECAREA(ls);
        LEKRES.WLLEAK(1) = 0.7f * rate / PIPGEO.SECAREA(ls);
        LEKRES.ACMASS(1) += -rate * RUNCTL.HT;
        SECVAR.PT(ls) = static_cast<float>(8.0e6 - 1000.0 * std::max(since, 0.0));
        SECVAR.DPT(ls) = SECVAR.DPTO(ls) = since > 0 ? -1000.0f : 0.0f;
        if (RUNCTL.TIME >= PLTCTL.TPLOT) PLTTRD(IERR, MSG, MSGLEN);
    }
    PLTTRD(IERR, MSG, MSGLEN);
}

TEST(ResultFile, golden_header_for_one_branch_with_a_leak) {
    const fs::path dir = scratch_dir("golden");
    int32_t IERR;
    char MSG[MSGLEN];
    one_branch_run_start(dir / "case.plt", IERR, MSG);
    ASSERT_TRUE(rt::close_unit(30));
    ASSERT_EQ(IERR, 0);
    const std::string got = slurp(dir / "case.plt");
    EXPECT_EQ(got, slurp(fs::path(RELEASE_TEST_DATA) / "release/output/one_branch_header.plt"));
    const auto l = lines_of(got);
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[0].size(), 17u + 15 * 19);
    EXPECT_EQ(l[1].size(), 17u + 15 * 19);
    EXPECT_EQ(l[2].size(), 16u + 15 * 19);
    EXPECT_EQ(l[0].find("WGLEAK"), std::string::npos);
    fs::remove_all(dir);
}

TEST(ResultFile, rows_line_up_on_the_fifteen_character_pitch) {
    const fs::path dir = scratch_dir("rows");
    int32_t IERR;
    char MSG[MSGLEN];
    one_branch_run_start(dir / "case.plt", IERR, MSG);
    const int ls = EQUIPM.ILKSEC(1);
    // One row at 12.345 s after the leak opened with chosen values.
    RUNCTL.TIME = 11412.345;
    RUNCTL.HT = 0.5;
    LEKRES.GTLEAK(1) = -123456.0f;  // shown positive
    LEKRES.ACMASS(1) = 0.0;
    LEKRES.ROGLK = 0.09f;
    LEKRES.ROLLK = 850.0f;
    SECVAR.PT(ls) = -11400.0f;
    SECVAR.TM(ls) = 0.5f;
    PLTCTL.IPHASE = 2;
    PLTTRD(IERR, MSG, MSGLEN);
    ASSERT_TRUE(rt::close_unit(30));
    ASSERT_EQ(IERR, 0);
    const auto l = lines_of(slurp(dir / "case.plt"));
    ASSERT_EQ(l.size(), 4u);
    const std::string& row = l[3];
    ASSERT_EQ(row.size(), 18u + 15 * 19);
    auto col = [&](int j) { return row.substr(3 + 15 * j, 15); };
    // Fortran G15.5 editing, written out by hand.
    EXPECT_EQ(col(0), "     12.345    ");
    EXPECT_EQ(col(1), "     0.0000    ");   // MASSLK
    EXPECT_EQ(col(2), "    0.12346E+06");   // GTLEAK
    EXPECT_EQ(col(9), "    0.90000E-01");   // ROGLK
    EXPECT_EQ(col(10), "     850.00    ");  // ROLLK
    EXPECT_EQ(col(11), "    -11400.    ");  // PT
    EXPECT_EQ(col(12), "    0.50000    ");  // TM
    EXPECT_EQ(col(18), "    0.50000    ");  // HT
    fs::remove_all(dir);
}

TEST(ResultFile, sampled_values_of_the_fixed_curves) {
    const fs::path dir = scratch_dir("sample");
    int32_t IERR;
    char MSG[MSGLEN];
    one_branch_run_start(dir / "case.plt", IERR, MSG);
    const int ls = EQUIPM.ILKSEC(1);  // global section 8, area 0.05 m2
    LEKRES.WGLEAK(1) = -40.0f;        // kg/(m2 s): 2 kg/s out
    LEKRES.WLLEAK(1) = -100.0f;       // 5 kg/s out
    LEKRES.QGLEAK(1) = 0.25f;
    LEKRES.QOLKST(1) = 0.004f;
    SECVAR.GT(20) = 7.5f;    // curve 17: plot position 19, the last boundary
    SECVAR.PT(19) = 3.0e6f;  // curve 15: plot position 18, the second-last section
    // Branch liquid: sections 2..19 count (KSEC 0); the inlet section and
    // the outlet boundary cell do not.
    NETDSC.KSEC(1) = 2;
    NETDSC.KSEC(20) = -1;
    for (int s = 1; s <= 20; ++s) {
        SECVAR.ROL(s) = 800.0f;
        SECVAR.ML(s) = 400.0f;  // half the pipe liquid
        SECVAR.MD(s) = 80.0f;
    }
    SECVAR.VOLMX2(5) = 0.02f;
    SECVAR.VOLMX2(1) = 0.9f;  // an inlet section does not count
    RUNCTL.NINTGR = 42;
    PLTTRD(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0);
    EXPECT_FLOAT_EQ(PLTCTL.VCURV(3), 2.0f);    // GGLEAK = -flux * area
    EXPECT_FLOAT_EQ(PLTCTL.VCURV(4), 5.0f);    // GLLEAK
    EXPECT_FLOAT_EQ(PLTCTL.VCURV(5), 0.0f);    // QGSTLK unset
    EXPECT_FLOAT_EQ(PLTCTL.VCURV(6), 0.004f);  // QLSTLK as stored
    EXPECT_FLOAT_EQ(PLTCTL.VCURV(7), 0.25f);   // QGLEAK as stored
    EXPECT_FLOAT_EQ(PLTCTL.VCURV(15), 3.0e6f);
    // LIQC: 18 sections x (480/800) x 10 m x 0.05 m2 = 5.4 m3
    EXPECT_NEAR(PLTCTL.VCURV(16), 5.4f, 1e-5f);
    EXPECT_FLOAT_EQ(PLTCTL.VCURV(17), 7.5f);
    EXPECT_FLOAT_EQ(PLTCTL.VCURV(19), 0.02f);  // VOLGBL
    // The volume errors start again after the row.
    EXPECT_EQ(SECVAR.VOLMX2(5), 0.0f);
    (void)ls;
    rt::close_unit(30);
    fs::remove_all(dir);
}

// ------------------------------------------------------------ the schedule

struct Clock {
    Clock() {
        test::make_network({{0, 20}}, 1, 7);
        VARCAT();
        int32_t IERR = 0;
        char MSG[MSGLEN];
        PLTDEF(IERR, MSG, MSGLEN);
        PLTCTL.NPLTF = 0;  // the schedule alone, no file
    }
    // One row at clock t; returns the next plot time.
    double row_at(double t) {
        RUNCTL.TIME = t;
        int32_t IERR = 0;
        char MSG[MSGLEN];
        PLTTRD(IERR, MSG, MSGLEN);
        return PLTCTL.TPLOT;
    }
};

TEST(PlotSchedule, warm_up_rows_every_2850_s_then_exactly_at_11380) {
    Clock c;
    EXPECT_DOUBLE_EQ(c.row_at(0.01), 2850.01);
    EXPECT_DOUBLE_EQ(c.row_at(2850.5), 5700.5);
    EXPECT_DOUBLE_EQ(c.row_at(5701.0), 8551.0);
    EXPECT_EQ(PLTCTL.IPHASE, 1);
    // 8551.2 + 2850 passes 11380: the next row is due exactly there.
    EXPECT_DOUBLE_EQ(c.row_at(8551.2), 11380.0);
    EXPECT_EQ(PLTCTL.IPHASE, 2);
    EXPECT_FLOAT_EQ(PLTCTL.PHLAST, 1.0f);
}

TEST(PlotSchedule, leak_phase_interval_grows_by_a_fifth_while_the_rate_is_steady) {
    Clock c;
    c.row_at(8551.2);
    LEKRES.LEAKFLOW = 0.0f;
    // Fresh memory and no flow: 1.0 -> 1.2 -> 1.44 -> 1.728 ... capped at 10 s.
    double t = 11380.2;
    float want = 1.0f;
    for (int i = 0; i < 14; ++i) {
        want = std::min(want * 1.2f, 10.0f);
        const double next = c.row_at(t);
        EXPECT_NEAR(next - t, want, 1e-5) << i;
        t = next;
    }
    EXPECT_FLOAT_EQ(PLTCTL.PHINT(2), 10.0f);
}

TEST(PlotSchedule, leak_phase_reacts_to_the_predicted_rate) {
    // Q = |rate|, R = |dQ/dt|, Qn = Q + I2 R: above 1.5 Q shrink by 0.8, below
    // 1.3 Q grow by 1.2, else keep; then 1 <= I2 <= 10.
    struct Case {
        float q, qprev, dt, i2, want;
    };
    const Case CASES[] = {
        {100, 0, 1, 5, 4.0f},       // Qn 600
        {100, 0, 1, 1, 1.0f},       // Qn 200: 0.8 floored at 1
        {100, 95, 1, 5, 6.0f},      // Qn 125
        {100, 92, 1, 5, 5.0f},      // Qn 140: kept
        {100, 108, 1, 5, 5.0f},     // falling rate: |R| = 8, kept
        {100, 100, 1, 9.5, 10.0f},  // R 0: 11.4 capped
        {0, 0, 2, 3, 3.6f},         // no flow at all
    };
    for (const Case& k : CASES) {
        SCOPED_TRACE(k.q * 1000 + k.qprev + k.i2 / 100);
        Clock c;
        PLTCTL.IPHASE = 2;
        PLTCTL.PHINT(2) = k.i2;
        PLTCTL.QLKPRV = k.qprev;
        PLTCTL.TLKPRV = 12000.0f - k.dt;
        LEKRES.LEAKFLOW = -k.q;
        const double next = c.row_at(12000.0);
        EXPECT_NEAR(PLTCTL.PHINT(2), k.want, 1e-5);
        EXPECT_NEAR(next, 12000.0 + k.want, 1e-4);
        EXPECT_FLOAT_EQ(PLTCTL.QLKPRV, k.q);
        EXPECT_FLOAT_EQ(PLTCTL.TLKPRV, 12000.0f);
    }
}

TEST(PlotSchedule, leak_phase_ends_exactly_at_13200) {
    Clock c;
    PLTCTL.IPHASE = 2;
    PLTCTL.PHINT(2) = 8.0f;
    PLTCTL.QLKPRV = 10.0f;
    PLTCTL.TLKPRV = 13189.0f;
    LEKRES.LEAKFLOW = 10.0f;  // steady: 8 -> 9.6
    EXPECT_DOUBLE_EQ(c.row_at(13191.0), 13200.0);
    EXPECT_EQ(PLTCTL.IPHASE, 3);
    EXPECT_NEAR(PLTCTL.PHLAST, 9.6f, 1e-5);
}

TEST(PlotSchedule, release_phase_paces_about_200_rows_to_the_user_end) {
    Clock c;
    PLTCTL.IPHASE = 3;
    PLTCTL.PHLAST = 10.0f;
    RUNCTL.TUSER = 18600.0f;  // user end 7200 s after the leak opened
    RUNCTL.TEST0 = RUNCTL.TESTIM = 22800.0f;
    // By hand: D = (18600 - t)/(200 - m), bounded by 1.5 and 0.667 x the last interval.
    // t 13200.5, m 0: D 26.9975, 1.5 x 10 = 15 -> 15
    // t 13215.5, m 1: D 27.0578, 1.5 x 15 = 22.5 -> 22.5
    // t 13238.0, m 2: D = 5362/198 = 27.0808 -> 27.0808
    double t = 13200.5;
    const double WANT[] = {15.0, 22.5, 5362.0 / 198.0};
    for (double w : WANT) {
        const double next = c.row_at(t);
        EXPECT_NEAR(next - t, w, 1e-3);
        EXPECT_FLOAT_EQ(RUNCTL.TESTIM, 18600.0f);
        EXPECT_FLOAT_EQ(RUNCTL.TEST0, 18600.0f);
        t = next;
    }
    EXPECT_FLOAT_EQ(RUNCTL.ROWPH3, 3.0f);
    EXPECT_EQ(PLTCTL.IPHASE, 3);
}

TEST(PlotSchedule, release_phase_interval_bounds_and_end_estimates) {
    struct Case {
        const char* what;
        float tuser, tclmax, test0, last;
        double t;
        float rows;
        float want_interval, want_estimate;
    };
    const Case CASES[] = {
        // near the end: D = (18600-18500)/200 = 0.5, 0.667 x 10 = 6.67 -> below 10 s -> 10
        {"floor 10 s", 18600, 0, 20000, 10, 18500, 0, 10.0f, 18600.0f},
        // far end: D = (1e7 - 20000)/200 = 49900, 1.5 x 3000 = 4500 -> cap 3600
        {"cap 3600 s", 1.0e7f, 0, 20000, 3000, 20000, 0, 3600.0f, 1.0e7f},
        // row count held at 199: D = (18600 - 14000)/(200 - 199) = 4600, 1.5 x 100 = 150
        {"last row count", 18600, 0, 20000, 100, 14000, 199, 150.0f, 18600.0f},
        // inlet closing ahead: E = 1.5 x 14000 = 21000; D = 7000/200 = 35, 1.5 x 20 = 30
        {"inlet closing", 0, 14000, 20000, 20, 13500, 0, 30.0f, 21000.0f},
        // past the user end: E = 1.05 t = 19950; D = 950/200 = 4.75 -> max(4.75, 6.67) -> 10
        {"past the end", 18600, 0, 20000, 10, 19000, 0, 10.0f, 19950.0f},
    };
    for (const Case& k : CASES) {
        SCOPED_TRACE(k.what);
        Clock c;
        PLTCTL.IPHASE = 3;
        PLTCTL.PHLAST = k.last;
        RUNCTL.TUSER = k.tuser;
        RUNCTL.TCLMAX = k.tclmax;
        RUNCTL.TEST0 = k.test0;
        RUNCTL.ROWPH3 = k.rows;
        const double next = c.row_at(k.t);
        EXPECT_NEAR(next - k.t, k.want_interval, 1e-3);
        EXPECT_NEAR(RUNCTL.TESTIM, k.want_estimate, 1e-2);
        EXPECT_LE(RUNCTL.ROWPH3, 199.0f);
    }
}

TEST(PlotSchedule, release_end_extrapolated_from_the_leak_pressure_fall) {
    // T = t + (LEKPB - PT)/r with r = mean of DPT and DPTO (at most -1e-6),
    // then bounded to 0.95..1.1 x the previous estimate.
    struct Row {
        float pt, dpt, dpto, test0;
        double t;
        float want;
    };
    const Row ROWS[] = {
        // T = 14000 + (1e5 - 2e6)/(-1000) = 15900; bounds 0.95 x 16000 = 15200, 1.1 x 16000 = 17600
        {2.0e6f, -1000, -1000, 16000, 14000, 15900.0f},
        // T = 15900 again, previous estimate 20000: raised to 0.95 x 20000 = 19000
        {2.0e6f, -500, -1500, 20000, 14000, 19000.0f},
        // pressure rising: r held at -1e-6, T far away: 1.1 x 16000 = 17600
        {2.0e6f, 200, 100, 16000, 14000, 17600.0f},
    };
    for (const Row& k : ROWS) {
        Clock c;
        const int ls = EQUIPM.ILKSEC(1);
        PLTCTL.IPHASE = 3;
        PLTCTL.PHLAST = 10.0f;
        RUNCTL.TUSER = 0.0f;
        RUNCTL.TCLMAX = 11400.0f;
        RUNCTL.TEST0 = k.test0;
        LEKRES.PTLEAK(1) = 1.0e5f;
        SECVAR.PT(ls) = k.pt;
        SECVAR.DPT(ls) = k.dpt;
        SECVAR.DPTO(ls) = k.dpto;
        c.row_at(k.t);
        EXPECT_NEAR(RUNCTL.TESTIM, k.want, 0.01f) << k.want;
    }
}

// ------------------------------------------------------------ reproducibility and failures

TEST(ResultFile, same_input_twice_in_one_process_gives_identical_bytes) {
    const fs::path dir = scratch_dir("twice");
    std::string first;
    for (int run = 1; run <= 2; ++run) {
        int32_t IERR;
        char MSG[MSGLEN];
        one_branch_run_start(dir / "case.plt", IERR, MSG);
        synthetic_loop(14400.0, IERR, MSG);
        ASSERT_TRUE(rt::close_unit(30));
        ASSERT_EQ(IERR, 0);
        const std::string bytes = slurp(dir / "case.plt");
        if (run == 1) {
            first = bytes;
            // Enough rows to span the three phases.
            EXPECT_GT(lines_of(bytes).size(), 100u);
        } else {
            EXPECT_EQ(bytes, first);
        }
    }
    fs::remove_all(dir);
}

TEST(ResultFile, warm_up_rows_have_negative_times_and_leak_rows_are_dense) {
    const fs::path dir = scratch_dir("times");
    int32_t IERR;
    char MSG[MSGLEN];
    one_branch_run_start(dir / "case.plt", IERR, MSG);
    synthetic_loop(14400.0, IERR, MSG);
    ASSERT_TRUE(rt::close_unit(30));
    const auto l = lines_of(slurp(dir / "case.plt"));
    ASSERT_GT(l.size(), 8u);
    std::vector<double> times;
    for (size_t i = 3; i < l.size(); ++i) times.push_back(std::stod(l[i].substr(3, 15)));
    EXPECT_NEAR(times[0], -11398.0, 0.5);  // the first step's clock, 2 s
    for (size_t i = 1; i < times.size(); ++i) {
        const double t = times[i - 1] + 11400.0, gap = times[i] - times[i - 1];
        if (t >= 11380.0 && t < 13190.0) {
            EXPECT_GE(gap, 0.5 - 1e-3) << t;  // the clock steps by 0.5 s here
            EXPECT_LE(gap, 10.5 + 1e-3) << t;
        }
    }
    fs::remove_all(dir);
}

TEST(ResultFile, full_disk_sets_the_error_flag) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "missing optional tool of the machine: the full device /dev/full";
    int32_t IERR;
    char MSG[MSGLEN];
    one_branch_run_start("/dev/full", IERR, MSG);
    // However the unit buffers, a few hundred rows cannot all be held back.
    for (int i = 0; i < 2000 && IERR == 0; ++i) {
        RUNCTL.TIME = i;
        PLTTRD(IERR, MSG, MSGLEN);
    }
    EXPECT_EQ(IERR, 1);
    const std::string msg = msgtext(MSG, MSGLEN);
    // The file and the system's reason are named.
    EXPECT_TRUE(msg == "ERROR WRITING THE RESULT FILE /dev/full: No space left on device" ||
                msg == "ERROR WRITING THE HEADER OF THE RESULT FILE")
        << msg;
    rt::close_unit(30);
}

TEST(ResultFile, header_into_a_full_disk_or_closed_unit_sets_the_error_flag) {
    for (const char* where : {"/dev/full", "closed"}) {
        SCOPED_TRACE(where);
        test::make_network({{0, 20}}, 1, 7);
        VARCAT();
        int32_t IERR = 0;
        char MSG[MSGLEN];
        PLTDEF(IERR, MSG, MSGLEN);
        test::plot_file_on_unit_30();
        rt::reset_units();
        if (std::string(where) == "/dev/full") {
            ASSERT_TRUE(rt::open_unit(30, "/dev/full"));
            // A header line of 300 characters; a 47-curve header is longer. Repeat
            // it so any buffering of the unit is exhausted.
            for (int i = 0; i < 200 && IERR == 0; ++i) PLTLAB(IERR, MSG, MSGLEN);
        } else {
            PLTLAB(IERR, MSG, MSGLEN);
        }
        EXPECT_EQ(IERR, 1);
        rt::close_unit(30);
    }
}

// A value that is not a number never reaches the file: the row is not
// written and the message names the variable, its place and the time.
TEST(ResultFile, a_value_that_is_not_a_number_stops_the_run_before_its_row) {
    const fs::path dir = scratch_dir("nan");
    int32_t IERR;
    char MSG[MSGLEN];
    one_branch_run_start(dir / "case.plt", IERR, MSG);
    ASSERT_EQ(IERR, 0);
    RUNCTL.TIME = 11405.0;
    PLTTRD(IERR, MSG, MSGLEN);
    ASSERT_EQ(IERR, 0);
    SECVAR.PT.fill(std::nanf(""));
    RUNCTL.TIME = 11410.0;
    PLTTRD(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(msgtext(MSG, MSGLEN),
              "RESULT VARIABLE PT (CURVE 11, BRANCH 1, POSITION 7) IS NOT A FINITE NUMBER AT TIME "
              "10.000 S. THE RUN IS STOPPED.");
    ASSERT_TRUE(rt::close_unit(30));
    const auto l = lines_of(slurp(dir / "case.plt"));
    EXPECT_EQ(l.size(), 4u);  // the header and the first row
    for (const std::string& row : l) EXPECT_EQ(row.find("NaN"), std::string::npos) << row;
    fs::remove_all(dir);
}

TEST(ResultFile, row_into_a_closed_unit_sets_the_error_flag) {
    const fs::path dir = scratch_dir("closed");
    int32_t IERR;
    char MSG[MSGLEN];
    one_branch_run_start(dir / "case.plt", IERR, MSG);
    ASSERT_EQ(IERR, 0);
    ASSERT_TRUE(rt::close_unit(30));
    RUNCTL.TIME = 5.0;
    PLTTRD(IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 1);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace rel
