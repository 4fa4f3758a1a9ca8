// The run schedule, the time loop and its stop tests, with the step routines
// replaced by a scripted clock: each step advances TIME by HT and takes the
// period's largest step; the released mass and the leak flow follow a script.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "release/release.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/setup.h"
#include "run/state.h"
#include "run/time_loop.h"

using namespace rel;

namespace {

struct Script {
    std::vector<double> rows;                          // TIME of every result row
    std::vector<int32_t> percents;                     // what the callback was shown
    std::vector<std::pair<double, float>> hmax, hmin;  // step limits seen by the implicit step
    int32_t answer_at = -1;                            // callback call (0-based) that answers 1
    double (*released)(double t) = nullptr;            // released mass over time
    double (*leakflow)(double t) = nullptr;
    double (*outlet)(double t) = nullptr;  // mass out through the outlet since the start, kg
    double (*liquid)(double t) = nullptr;  // bulk-liquid fraction of the line's one section
    bool collapse = false;                 // the step becomes zero
    bool poison = false;                   // the state becomes NaN
    bool poison_peak = false;              // a peak of the summary becomes infinite
    double interval = 1.0;                 // between result rows, s
    double fail_after = 0.0;               // the mass step fails from this time on (0: never)
    bool fail_throws = false;              // ... by throwing instead of setting IERR
    void (*pressure)(double t) = nullptr;  // sets the sections' pressures
} S;

void timpl(int32_t& ICUT, int32_t&, char*, int32_t) {
    ICUT = 0;
    if (S.hmax.empty() || S.hmax.back().second != RUNCTL.HTMAX)
        S.hmax.push_back({RUNCTL.TIME, RUNCTL.HTMAX});
    if (S.hmin.empty() || S.hmin.back().second != RUNCTL.HTMIN)
        S.hmin.push_back({RUNCTL.TIME, RUNCTL.HTMIN});
}
void nothing(int32_t&, char*, int32_t) {}
void mass(int32_t& IERR, char* MSG, int32_t LMSG) {
    const double t = RUNCTL.TIME;
    if (S.fail_after > 0.0 && t > S.fail_after) {
        if (S.fail_throws) throw RunFailure("PRESSURE TOO HIGH.");
        refuse(IERR, MSG, LMSG, "No convergence on critical pressure ratio");
        return;
    }
    if (S.released) LEKRES.ACMASS(1) = S.released(t);
    if (S.leakflow) LEKRES.LEAKFLOW = static_cast<float>(S.leakflow(t));
    if (S.outlet) SECVAR.RMOUT = S.outlet(t);
    if (S.liquid) SECVAR.BE(2) = static_cast<float>(S.liquid(t));
    if (S.pressure) S.pressure(t);
    if (S.poison && t > 500.0) SECVAR.PT(2) = std::nanf("");
    if (S.poison_peak && t > 12000.0) LEKRES.PKGAS(1) = HUGE_VALF;
}
void tadvdt(int32_t) {
    RUNCTL.TIME += RUNCTL.HT;
    RUNCTL.HT = S.collapse && RUNCTL.TIME > 100.0 ? 0.0 : RUNCTL.HTMAX;
}
void plttrd(int32_t&, char*, int32_t) {
    S.rows.push_back(RUNCTL.TIME);
    PLTCTL.TPLOT = RUNCTL.TIME + S.interval;
}
int32_t calcbk(int32_t& p) {
    S.percents.push_back(p);
    return static_cast<int32_t>(S.percents.size()) - 1 == S.answer_at ? 1 : 0;
}

// Constant property tables: every lookup gives the same value.
void constant_tables(float v) {
    auto& C = PVTCOM;
    C.NP = C.NT = 2;
    C.PP(1) = 1.0e5f;
    C.PP(2) = 1.0e7f;
    C.TT(1) = 0.0f;
    C.TT(2) = 100.0f;
    C.RDP(1) = 1.0f / (C.PP(2) - C.PP(1));
    C.RDT(1) = 1.0f / (C.TT(2) - C.TT(1));
    C.MODE = 2;
    C.PBUB.fill(2.0e21f);
    C.TAB.fill(v);
}

class Loop : public ::testing::Test {
protected:
    void SetUp() override {
        saved = loop_steps();
        fresh();
    }
    // A fresh script, state and scripted loop, for each case of a table.
    void fresh() {
        S = Script{};
        loop_steps() = LoopSteps{timpl, nothing, nothing, mass, tadvdt, plttrd, calcbk};
        INICOM();
        PIPGEO.NSEC = 3;
        NETDSC.KSEC(1) = 2;
        NETDSC.KSEC(3) = -1;
        PVTCOM.GORSTD = 100.0f;  // a gas-bearing fluid: the full simulation runs
        std::fill(msg, msg + MSGLEN, ' ');
    }
    void TearDown() override { loop_steps() = saved; }
    void run(float user_end) {
        ENDTCHK(user_end, ierr, msg, MSGLEN);
        ASSERT_EQ(ierr, 0);
        TLOOP(ierr, msg, MSGLEN);
    }
    std::string text() const { return msgtext(msg, MSGLEN); }
    LoopSteps saved{};
    int32_t ierr = 0;
    char msg[MSGLEN];
};

}  // namespace

TEST(Endtchk, user_end_time_below_ten_minutes_is_refused) {
    struct Case {
        float user;
        int32_t ierr;
        float end4, tuser;
    };
    const Case cases[] = {
        {599.0f, 1, 0.0f, 0.0f},
        {600.0f, 0, 12000.0f, 12000.0f},
        {0.0f, 0, 2603400.0f, 0.0f},
        {-5.0f, 0, 2603400.0f, 0.0f},
        {3.0e6f, 0, 3.0e6f + 11400.0f, 3.0e6f + 11400.0f},
    };
    for (const Case& c : cases) {
        INICOM();
        int32_t ierr = 0;
        char msg[MSGLEN];
        std::fill(msg, msg + MSGLEN, ' ');
        ENDTCHK(c.user, ierr, msg, MSGLEN);
        EXPECT_EQ(ierr, c.ierr) << c.user;
        if (c.ierr) {
            EXPECT_EQ(msgtext(msg, MSGLEN), "USER GIVEN END TIME CANNOT BE LESS THAN 10 MIN!");
            continue;
        }
        EXPECT_EQ(RUNCTL.IO, 4);
        EXPECT_FLOAT_EQ(RUNCTL.TPEND(4), c.end4);
        EXPECT_FLOAT_EQ(RUNCTL.TUSER, c.tuser);
        EXPECT_EQ(RUNCTL.TIME, 0.0);
        EXPECT_DOUBLE_EQ(RUNCTL.HT, 0.01);
        EXPECT_FLOAT_EQ(RUNCTL.TPEND(2), 11369.0f);
        EXPECT_FLOAT_EQ(RUNCTL.HMINP(2), 0.01f);
        EXPECT_FLOAT_EQ(RUNCTL.HMAXP(4), 2.0f);
    }
}

TEST_F(Loop, periods_set_the_step_limits_and_the_run_ends_at_the_user_end_time) {
    run(600.0f);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(text(), "SIMULATION REACHED USER SPECIFIED END TIME BUT PIPELINE IS STILL LEAKING!");
    // Largest step per period: 0.5 (warm-up), 2 (settling), 0.5 (opening), 2.
    ASSERT_EQ(S.hmax.size(), 4u);
    EXPECT_FLOAT_EQ(S.hmax[1].second, 2.0f);
    EXPECT_FLOAT_EQ(S.hmax[2].second, 0.5f);
    EXPECT_FLOAT_EQ(S.hmax[3].second, 2.0f);
    EXPECT_GE(S.hmax[1].first, 1000.0);
    EXPECT_LT(S.hmax[1].first, 1000.6);
    EXPECT_GE(S.hmax[2].first, 11369.0);
    EXPECT_GE(S.hmax[3].first, 11500.0);
    ASSERT_EQ(S.hmin.size(), 3u);  // 0.001, 0.01, then 0.001 for the opening and the release
    EXPECT_FLOAT_EQ(S.hmin[1].second, 0.01f);
    EXPECT_GE(S.hmin[2].first, 11369.0);
    EXPECT_GE(RUNCTL.TIME, 12000.0);
    EXPECT_LT(RUNCTL.TIME, 12002.0);
    EXPECT_FLOAT_EQ(LEKRES.time, static_cast<float>(RUNCTL.TIME - 11400.0));
    EXPECT_EQ(static_cast<size_t>(RUNCTL.NINTGR), S.percents.size());
    // Progress never falls and rests on twice the leak opening time.
    for (size_t k = 1; k < S.percents.size(); ++k) EXPECT_GE(S.percents[k], S.percents[k - 1]);
    EXPECT_EQ(S.percents.back(), static_cast<int32_t>(100.0 * RUNCTL.TIME / 22800.0));
    // A last row after the end of the loop.
    EXPECT_EQ(S.rows.back(), RUNCTL.TIME);
    EXPECT_EQ(S.rows[S.rows.size() - 2], RUNCTL.TIME);
}

TEST_F(Loop, a_callback_that_answers_one_stops_the_run) {
    S.answer_at = 0;
    run(600.0f);
    EXPECT_EQ(ierr, 9999);
    EXPECT_EQ(text(), "SIMULATION ABORTED!");
    EXPECT_EQ(S.rows.size(), 1u);  // the row of the first step, no last row
    EXPECT_EQ(LEKRES.time, 0.0f);
}

TEST_F(Loop, a_callback_during_the_warm_up_leaves_only_warm_up_rows) {
    S.answer_at = 100;
    run(600.0f);
    EXPECT_EQ(ierr, 9999);
    ASSERT_FALSE(S.rows.empty());
    EXPECT_LT(S.rows.back(), 0.0 + 11400.0);
}

// The warm-up's end checks that the line settled: 10 kg/s in, the line's one
// section 100 m3, the outlet flow and the liquid over the last 2000 s of the
// warm-up against 1 % of the inflow and 0.5 % of the liquid. A sine of
// amplitude 3 kg/s and period 1200 s, taken as means over 200 s, peaks at
// 3 sin(pi/6)/(pi/6) = 2.8648 kg/s, and at least cos(pi/6) of that
// (2.4810) in one of six intervals per period.
TEST_F(Loop, the_warm_up_says_whether_the_line_settled) {
    constexpr double PI = 3.14159265358979;
    struct Case {
        const char* what;
        double (*outlet)(double);
        double (*liquid)(double);
        int32_t check;
        double qlo[2], qhi[2], llo[2], lhi[2];
    } cases[] = {
        {"steady",
         [](double t) { return 10.0 * t; },
         [](double) { return 0.5; },
         1,
         {9.999, 10.001},
         {9.999, 10.001},
         {49.999, 50.001},
         {49.999, 50.001}},
        {"outlet 0.5 % above the inflow",
         [](double t) { return 10.05 * t; },
         [](double) { return 0.5; },
         1,
         {10.049, 10.051},
         {10.049, 10.051},
         {49.9, 50.1},
         {49.9, 50.1}},
        {"outlet 2 % above the inflow",
         [](double t) { return 10.2 * t; },
         [](double) { return 0.5; },
         2,
         {10.199, 10.201},
         {10.199, 10.201},
         {49.9, 50.1},
         {49.9, 50.1}},
        {"outlet swinging 3 kg/s over 1200 s",
         [](double t) {
             return 10.0 * t - 3.0 * 1200.0 / (2.0 * PI) * std::cos(2.0 * PI * t / 1200.0);
         },
         [](double) { return 0.5; },
         2,
         {7.034, 7.136},
         {12.864, 12.966},
         {49.9, 50.1},
         {49.9, 50.1}},
        {"liquid swinging 0.2 %",
         [](double t) { return 10.0 * t; },
         [](double t) { return 0.5 * (1.0 + 0.001 * std::sin(2.0 * PI * t / 700.0)); },
         1,
         {9.999, 10.001},
         {9.999, 10.001},
         {49.949, 49.961},
         {50.039, 50.051}},
        {"liquid swinging 0.8 %",
         [](double t) { return 10.0 * t; },
         [](double t) { return 0.5 * (1.0 + 0.004 * std::sin(2.0 * PI * t / 700.0)); },
         2,
         {9.999, 10.001},
         {9.999, 10.001},
         {49.799, 49.811},
         {50.189, 50.201}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        PIPGEO.SECAREA(2) = 1.0f;
        PIPGEO.DX(2) = 100.0f;
        auto& E = EQUIPM;
        E.NSOUR = 1;
        E.ISOUR(1) = 2;
        E.NTSOUR(1) = 2;
        E.TSOUR(1, 1) = 0.0f;
        E.TSOUR(2, 1) = 1.0e7f;
        E.GSOUR(1, 1) = E.GSOUR(2, 1) = 10.0f;
        S.outlet = c.outlet;
        S.liquid = c.liquid;
        run(600.0f);
        EXPECT_EQ(ierr, 0);
        const auto& R = RUNCTL;
        EXPECT_EQ(R.IWUCHK, c.check);
        EXPECT_DOUBLE_EQ(R.WUQIN, 10.0);
        EXPECT_GE(R.WUQMIN, c.qlo[0]);
        EXPECT_LE(R.WUQMIN, c.qlo[1]);
        EXPECT_GE(R.WUQMAX, c.qhi[0]);
        EXPECT_LE(R.WUQMAX, c.qhi[1]);
        EXPECT_GE(R.WULMIN, c.llo[0]);
        EXPECT_LE(R.WULMIN, c.llo[1]);
        EXPECT_GE(R.WULMAX, c.lhi[0]);
        EXPECT_LE(R.WULMAX, c.lhi[1]);
    }
    // The warning gives the swings measured.
    RUNCTL.WULMIN = 85.6;
    RUNCTL.WULMAX = 105.9;
    RUNCTL.WUQMIN = 15.5;
    RUNCTL.WUQMAX = 147.4;
    RUNCTL.WUQIN = 55.49;
    EXPECT_EQ(not_settled_text(), std::string(RELEASE_NOT_SETTLED_TEXT) +
                                      ": OVER THE WARM-UP'S LAST 2000 S ITS LIQUID RAN 85.6-105.9 "
                                      "M3 AND THE OUTLET FLOW 15.50-147.40 KG/S AGAINST 55.49 "
                                      "KG/S IN.");
}

// The run keeps the highest pressure of any section, where and when, and
// warns once it passed what any pipeline carries (100 MPa, 1000 bar): a
// pressure hump scripted in one section, over a base of 50 bar elsewhere.
TEST_F(Loop, the_highest_pressure_is_kept_and_warned_above_the_pipelines_limit) {
    struct Case {
        const char* what;
        double at;  // s of simulation time the hump peaks
        int section;
        float peak;  // Pa
        bool warned;
    };
    static Case c{};
    const float limit = static_cast<float>(RELEASE_HIGHEST_LINE_PRESSURE);
    const Case cases[] = {
        {"1437 bar in the warm-up", 9000.0, 2, 1.437e8f, true},
        {"1437 bar after the opening", 11900.0, 3, 1.437e8f, true},
        {"at the limit", 11900.0, 2, limit, false},
        {"the next float above it", 11900.0, 2, std::nextafter(limit, 2.0f * limit), true},
        {"200 bar", 5000.0, 1, 2.0e7f, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        fresh();
        c = k;
        NETDSC.IBRSEC(1) = NETDSC.IBRSEC(2) = 1;
        NETDSC.IBRSEC(3) = 2;
        // The hump: the peak for 40 s from `at` on, half of it for the 200 s
        // before and after, the base elsewhere.
        S.pressure = [](double t) {
            for (int s = 1; s <= 3; ++s) SECVAR.PT(s) = 5.0e6f;
            if (t >= c.at && t < c.at + 40.0)
                SECVAR.PT(c.section) = c.peak;
            else if (t >= c.at - 200.0 && t < c.at + 240.0)
                SECVAR.PT(c.section) = 0.5f * c.peak;
        };
        run(1800.0f);
        ASSERT_EQ(ierr, 0) << text();
        const auto& R = RUNCTL;
        EXPECT_EQ(R.PTMAX, k.peak);
        EXPECT_EQ(R.IPTMAX, k.section);
        EXPECT_EQ(R.IBPMAX, k.section == 3 ? 2 : 1);
        // The first step that ends at or after the hump's top, steps being
        // far shorter than its 40 s.
        EXPECT_GE(R.TPTMAX, k.at);
        EXPECT_LT(R.TPTMAX, k.at + 40.0);
        EXPECT_EQ(high_pressure_text().empty(), !k.warned) << high_pressure_text();
    }
    // The warning's figures, in bar, and its time on either side of the
    // opening (11,400 s).
    auto& R = RUNCTL;
    R.PTMAX = 1.437123e8f;
    R.IPTMAX = 7;
    R.IBPMAX = 2;
    R.TPTMAX = 9000.04;
    EXPECT_EQ(high_pressure_text(),
              std::string(RELEASE_PRESSURE_ROSE_TEXT) +
                  " 1000 BAR, MORE THAN ANY PIPELINE CARRIES: 1437.1 BAR IN SECTION 7 OF BRANCH "
                  "2, 2400.0 S BEFORE THE LEAK OPENED, IN THE WARM-UP.");
    R.TPTMAX = 11523.46;
    EXPECT_EQ(high_pressure_text(),
              std::string(RELEASE_PRESSURE_ROSE_TEXT) +
                  " 1000 BAR, MORE THAN ANY PIPELINE CARRIES: 1437.1 BAR IN SECTION 7 OF BRANCH "
                  "2, 123.5 S AFTER THE LEAK OPENED.");
}

// Warnings put behind the run's own message go in whole or not at all: a
// figure cut off after its first digits would read as another figure. With
// the leak held shut (121 characters) and the settling warning (about 170)
// the two do not fit in the 256 characters of the message.
TEST(Warnings, each_warning_goes_into_the_message_whole_or_not_at_all) {
    const std::string held = LEAK_SHUT_TEXT;
    const std::string settling = std::string(RELEASE_NOT_SETTLED_TEXT) +
                                 ": OVER THE WARM-UP'S LAST 2000 S ITS LIQUID RAN 85.6-105.9 M3 "
                                 "AND THE OUTLET FLOW 15.50-147.40 KG/S AGAINST 55.49 KG/S IN.";
    const std::string pressure = std::string(RELEASE_PRESSURE_ROSE_TEXT) +
                                 " 1000 BAR, MORE THAN ANY PIPELINE CARRIES: 1437.1 BAR IN "
                                 "SECTION 7 OF BRANCH 2, 123.5 S AFTER THE LEAK OPENED.";
    const std::string held_temp =
        "WARNING: TEMPERATURE HELD AT THE PROPERTY TABLES' LOWER LIMIT "
        "-45.0 C FROM 12.5 S AFTER THE LEAK OPENED IN SECTION 3; LATER "
        "RESULTS THERE ARE NOT RELIABLE.";
    const std::string warm_up =
        "WARNING: TEMPERATURE HELD AT THE PROPERTY TABLES' LOWER LIMIT "
        "-180.0 C DURING THE WARM-UP, BEFORE THE LEAK OPENED, IN "
        "SECTION 12; LATER RESULTS THERE ARE NOT RELIABLE.";
    const std::string still =
        "SIMULATION REACHED USER SPECIFIED END TIME BUT PIPELINE IS STILL LEAKING!";
    const std::string more = RELEASE_MORE_WARNINGS_TEXT;
    ASSERT_GT(held.size() + 1 + settling.size(), static_cast<size_t>(MSGLEN));
    const struct Case {
        const char* what;
        std::string before;
        std::vector<std::string> warnings;
        std::string expected;
    } cases[] = {
        {"both fit", "", {settling, ""}, settling},
        {"nothing before", "", {pressure, settling}, pressure + " " + more},
        {"the leak held shut and the settling", held, {"", "", settling}, held + " " + more},
        {"a short one after a long one left out",
         held,
         {settling, "WARNING: SHORT."},
         held + " WARNING: SHORT. " + more},
        {"the pressure first", "", {pressure, held_temp, settling}, pressure + " " + more},
        {"still leaking, the temperature held and the settling",
         still,
         {"", held_temp, settling},
         still + " " + held_temp + " " + more},
        // A warning that fits is not left out to make room for the note.
        {"a warning that leaves no room for the note",
         still,
         {"", warm_up, settling},
         still + " " + warm_up},
        {"no room even for the note", std::string(250, 'X'), {settling}, std::string(250, 'X')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char msg[MSGLEN];
        setmsg(msg, MSGLEN, c.before);
        add_warnings(msg, MSGLEN, c.warnings);
        const std::string got = msgtext(msg, MSGLEN);
        EXPECT_EQ(got, c.expected);
        ASSERT_LE(got.size(), static_cast<size_t>(MSGLEN));
        // Each warning is there whole or its start is not there at all.
        for (const std::string& w : c.warnings) {
            if (w.empty()) continue;
            const bool whole = got.find(w) != std::string::npos;
            EXPECT_TRUE(whole || got.find(w.substr(0, 40)) == std::string::npos) << w;
        }
    }
}

TEST_F(Loop, release_found_ended_moves_the_stop_time_past_it) {
    // 1 kg/s from the leak opening until 5000 s after it, then nothing.
    S.released = [](double t) { return std::clamp(t - 11400.0, 0.0, 5000.0); };
    S.leakflow = [](double t) { return t > 11400.0 && t < 16400.0 ? 1.0 : 0.0; };
    run(0.0f);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(text(), "");
    // The summary's time is when the release ended: the end of the last
    // 2-second step that carried the flow.
    EXPECT_GE(LEKRES.time, 5000.0f);
    EXPECT_LE(LEKRES.time, 5002.0f);
    // The stop time rests on when the test found it ended: at the second
    // check after 5000 s (the first still sees the growth since the check
    // before it); checks come at least 10 % of the time since the leak
    // opened apart, so within two such intervals. A stop time from the
    // release's end would be 16400 + 500 s.
    EXPECT_GT(RUNCTL.TSTOP, 16900.0);
    const double latest = std::trunc(5000.0 / 0.81 + 10.0 + 11400.0);
    EXPECT_LE(RUNCTL.TSTOP, latest + std::trunc(0.1 * (latest - 11400.0)));
    EXPECT_GE(RUNCTL.TIME, RUNCTL.TSTOP);
    EXPECT_LT(RUNCTL.TIME, RUNCTL.TSTOP + 2.0);
}

// A release that ends within seconds of the opening reports its end, not the
// time the end test first looked (300 s after the opening); a trickle below
// the test's 0.1 kg/s after it does not count.
TEST_F(Loop, a_short_release_reports_when_it_ended_not_when_the_test_first_looked) {
    S.released = [](double t) { return std::clamp(t - 11400.0, 0.0, 15.0) * 200.0; };
    S.leakflow = [](double t) {
        return t > 11400.0 && t < 11415.0 ? 200.0 : t >= 11415.0 ? 0.09 : 0.0;
    };
    run(0.0f);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(text(), "");
    EXPECT_GE(LEKRES.time, 15.0f);
    EXPECT_LE(LEKRES.time, 15.5f);
    // The run itself goes on as before: at least 300 s past the release end
    // the test found.
    EXPECT_GE(RUNCTL.TIME, 11400.0 + 300.0 + 300.0);
}

// The percentage holds still while the run passes the end it was expected
// at; RELTIM says so from the first step past that end, and no longer once
// the percentage moves again on a later estimate.
TEST_F(Loop, the_held_state_follows_the_percentage) {
    struct Seen {
        double time;
        int32_t percent, held;
    };
    static std::vector<Seen> seen;
    seen.clear();
    loop_steps().calcbk = [](int32_t& p) -> int32_t {
        double seconds = -1.0;
        int32_t held = -1;
        RELTIM(&seconds, &held);
        seen.push_back({RUNCTL.TIME, p, held});
        return 0;
    };
    // The result writer revises the end estimate from 22800 s to 60000 s.
    loop_steps().plttrd = [](int32_t&, char*, int32_t) {
        if (RUNCTL.TIME >= 15000.0) RUNCTL.TESTIM = 60000.0f;
        PLTCTL.TPLOT = RUNCTL.TIME + 1.0;
    };
    S.released = [](double t) { return std::max(t - 11400.0, 0.0); };
    S.leakflow = [](double t) { return t > 11400.0 ? 1.0 : 0.0; };
    run(40000.0f);
    ASSERT_EQ(ierr, 0) << text();
    int was_held = 0, released_again = 0;
    for (size_t k = 1; k < seen.size(); ++k) {
        const Seen &a = seen[k - 1], &b = seen[k];
        SCOPED_TRACE(testing::Message() << "at " << b.time << " s, " << b.percent << " %");
        // 65 % at 15000 s of 22800; then 66 % of 60000 s only at 39600 s.
        if (b.time < 22800.0) {
            EXPECT_EQ(b.held, 0);
        } else if (b.time < 39600.0) {
            EXPECT_EQ(b.percent, 65);
            EXPECT_EQ(b.held, 1);
            if (a.time < 22800.0) ++was_held;  // the first step past the estimate
        } else {
            EXPECT_GT(b.percent, 65);
            EXPECT_EQ(b.held, b.time >= 60000.0 ? 1 : 0);
            if (b.held == 0) ++released_again;
        }
    }
    EXPECT_EQ(was_held, 1);
    EXPECT_GT(released_again, 0);
}

// A run that stops after the release was found ended keeps the release's end;
// one that stops before has a time that is only a lower bound, and its log
// says so; the run's end time is the stop.
TEST_F(Loop, a_run_that_stops_after_the_release_ended_keeps_its_end) {
    S.released = [](double t) { return std::clamp(t - 11400.0, 0.0, 100.0); };
    S.leakflow = [](double t) { return t > 11400.0 && t < 11500.0 ? 1.0 : 0.0; };
    S.fail_after = 12500.0;
    run(3600.0f);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(text().rfind("WARNING: THE RUN STOPPED 1100.", 0), 0u) << text();
    EXPECT_GE(LEKRES.time, 100.0f);
    EXPECT_LE(LEKRES.time, 102.0f);
    EXPECT_DOUBLE_EQ(RUNCTL.TSTOP, RUNCTL.TIME);
}

TEST_F(Loop, the_stop_time_never_passes_the_end_of_the_last_period) {
    RUNCTL.TCLMAX = 2.7e6f;  // an inlet that closes after 30 days
    S.released = [](double t) { return std::clamp(t - 11400.0, 0.0, 1000.0); };
    S.leakflow = [](double t) { return t > 11400.0 && t < 12400.0 ? 1.0 : 0.0; };
    run(0.0f);
    EXPECT_EQ(ierr, 0);
    EXPECT_GT(LEKRES.time, 0.0f);
    EXPECT_LE(RUNCTL.TSTOP, 2603400.0);
    EXPECT_LT(RUNCTL.TIME, 2603400.0 + 2.0);
}

TEST_F(Loop, a_step_that_collapses_ends_the_run_with_an_error) {
    S.collapse = true;
    run(600.0f);
    EXPECT_EQ(ierr, 1);
    EXPECT_NE(text().find("TIME STEP BECAME ZERO"), std::string::npos) << text();
    EXPECT_LT(RUNCTL.TIME, 200.0);
}

TEST_F(Loop, a_state_that_is_not_a_number_never_reaches_a_row) {
    S.poison = true;
    run(600.0f);
    EXPECT_EQ(ierr, 1);
    EXPECT_NE(text().find("NOT A NUMBER IN SECTION 2"), std::string::npos) << text();
    for (double t : S.rows) EXPECT_LE(t, 501.0);
}

TEST_F(Loop, a_summary_word_that_is_not_a_number_ends_the_run_where_it_appeared) {
    S.poison_peak = true;
    run(3600.0f);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(text(),
              "DISCHARGE SUMMARY VALUE peak_gas_out BECAME NOT A NUMBER AT TIME 602.510 S. "
              "THE RUN IS STOPPED.");
    for (double t : S.rows) EXPECT_LE(t, 12001.0);
}

// A step that fails once the leak has released something ends the run with
// what it computed and the failure as a warning; one that fails before, or
// with nothing released, ends it with the error.
TEST_F(Loop, a_step_failure_after_the_leak_released_keeps_the_results_with_a_warning) {
    struct Case {
        const char* what;
        double fail_after;
        bool throws, releases;
        int32_t ierr;
        const char* msg;
    };
    const Case cases[] = {
        {"during the warm-up", 500.0, false, true, 1, "No convergence on critical pressure ratio"},
        {"nothing released yet", 12000.0, false, false, 1,
         "No convergence on critical pressure ratio"},
        {"after the release began", 12000.0, false, true, 0,
         "WARNING: THE RUN STOPPED 600.510 S AFTER THE LEAK OPENED (No convergence on critical "
         "pressure ratio); THE RESULTS ARE THOSE UP TO THEN."},
        {"a thrown failure after the release began", 12000.0, true, true, 0,
         "WARNING: THE RUN STOPPED 600.510 S AFTER THE LEAK OPENED (PRESSURE TOO HIGH.); THE "
         "RESULTS ARE THOSE UP TO THEN."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        S.fail_after = c.fail_after;
        S.fail_throws = c.throws;
        if (c.releases) S.released = [](double t) { return std::clamp(t - 11400.0, 0.0, 1.0e9); };
        ierr = 0;
        bool thrown = false;
        try {
            run(3600.0f);
        } catch (const RunFailure&) {
            thrown = true;
        }
        EXPECT_FALSE(thrown);
        EXPECT_EQ(ierr, c.ierr);
        EXPECT_EQ(text(), c.msg);
        if (c.ierr == 0) {
            EXPECT_FLOAT_EQ(LEKRES.time, 600.51f);        // the time covered
            EXPECT_DOUBLE_EQ(RUNCTL.TSTOP, RUNCTL.TIME);  // the run ended at the stop
            EXPECT_NEAR(LEKRES.ACMASS(1), 600.0, 3.0);    // up to the last whole step
            ASSERT_FALSE(S.rows.empty());
            EXPECT_GT(S.rows.back(), 11400.0);
        }
    }
}

// The leak never flows and the back pressure stays at or above the pipeline
// pressure at the leak: the run ends 600 s after the leak opened. Zero flow
// with the pipeline pressure above the back pressure (a hole too small to
// carry flow), or a leak that flowed at some time, runs on.
TEST_F(Loop, a_leak_held_shut_by_its_back_pressure_ends_after_600_s) {
    struct Case {
        const char* what;
        float line, back;
        double (*flow)(double);
        bool ends_early;
    };
    const Case cases[] = {
        {"held shut", 3.0e5f, 5.0e6f, [](double) { return 0.0; }, true},
        {"equal pressures", 5.0e6f, 5.0e6f, [](double) { return 0.0; }, true},
        // Within the leak models' 0.1 Pa dead band nothing can flow either.
        {"0.06 Pa above the back pressure", 1.0e5f + 0.06f, 1.0e5f, [](double) { return 0.0; },
         true},
        {"0.2 Pa above the back pressure", 1.0e5f + 0.2f, 1.0e5f, [](double) { return 0.0; },
         false},
        {"no flow through a tiny hole", 6.0e6f, 5.0e6f, [](double) { return 0.0; }, false},
        {"flowed for a while", 3.0e5f, 5.0e6f,
         [](double t) { return t > 11450.0 && t < 11460.0 ? -1.0 : 0.0; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        EQUIPM.NLEAK = 1;
        EQUIPM.ILKSEC(1) = 2;
        SECVAR.PT(2) = c.line;
        LEKRES.PTLEAK(1) = c.back;
        S.leakflow = c.flow;
        run(1800.0f);
        EXPECT_EQ(ierr, 0);
        if (c.ends_early) {
            EXPECT_EQ(text(), LEAK_SHUT_TEXT);
            EXPECT_GE(RUNCTL.TIME, 12000.0);
            EXPECT_LE(RUNCTL.TIME, 12002.0);
            EXPECT_EQ(LEKRES.time, 0.0f);
        } else {
            EXPECT_EQ(text(),
                      "SIMULATION REACHED USER SPECIFIED END TIME BUT PIPELINE IS STILL LEAKING!");
            EXPECT_GE(RUNCTL.TIME, 13200.0);
        }
    }
}

TEST_F(Loop, a_fluid_without_gas_takes_the_simple_method_after_the_leak_opens) {
    PVTCOM.GORSTD = 3.4f;
    S.interval = 0.0;  // a row after every step
    constant_tables(790.0f);
    auto& E = EQUIPM;
    E.NLEAK = 1;
    E.ILKSEC(1) = 2;
    E.DLEAK(1) = 0.1f;
    E.PLKPB(1, 1) = 1.0e6f;
    SECVAR.PT(2) = 5.0e6f;
    SECVAR.ROL(2) = 800.0f;
    SECVAR.DRLP(2) = 1.0e-6f;
    SECVAR.TM(2) = 10.0f;
    run(0.0f);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(text(),
              "Simple calculation method used for 0 GOR fluids.          Time estimated is based "
              "on peak release rate");
    // Rows up to the first step after the leak opened, none after it.
    ASSERT_FALSE(S.rows.empty());
    EXPECT_GT(S.rows.back(), 11400.0);
    EXPECT_LE(S.rows.back(), 11400.5);
    EXPECT_LE(S.rows[S.rows.size() - 2], 11400.0);
}

TEST(Endtst, the_first_check_of_a_run_decides_nothing) {
    INICOM();
    RUNCTL.TIME = 12000.0;
    LEKRES.ACMASS(1) = 5.0e9;  // more than a 32-bit counter holds
    LEKRES.LEAKFLOW = 0.0f;
    ENDTST();
    EXPECT_EQ(LEKRES.time, 0.0f);
    EXPECT_EQ(RUNCTL.MCHECK, 5000000000LL);
    RUNCTL.TIME = 13000.0;
    ENDTST();
    EXPECT_FLOAT_EQ(LEKRES.time, 1600.0f);
    // Found ended earlier: a later check keeps the earlier end time.
    RUNCTL.TIME = 14000.0;
    ENDTST();
    EXPECT_FLOAT_EQ(LEKRES.time, 1600.0f);
    // The leak grows again by 1 % or more: not ended any more.
    LEKRES.ACMASS(1) = 5.1e9;
    RUNCTL.TIME = 15000.0;
    ENDTST();
    EXPECT_EQ(LEKRES.time, 0.0f);
}

TEST(Endtst, nothing_released_is_never_an_end) {
    INICOM();
    RUNCTL.MCHECK = 0;
    LEKRES.ACMASS(1) = 0.005;
    for (double t : {12000.0, 13000.0, 14000.0}) {
        RUNCTL.TIME = t;
        ENDTST();
        EXPECT_EQ(LEKRES.time, 0.0f);
    }
}

namespace {
// The leak of the simple-method case (checked by hand):
// A = 0.7853981 * 0.1^2 = 0.007853981 m2; orifice rate 0.84 * A *
// sqrt(2 * 800 * 4e6) = 527.787 kg/s; sonic rate 800 * A / sqrt(1e-6) =
// 6283 kg/s is larger, so the orifice rate holds; the line holds 1e6 - 790 *
// 1200 = 52000 kg above the outside density. As the line empties its
// pressure above the outside falls in proportion to that excess E, so the
// hole's rate is 527.787 sqrt(E / 52000): without inflow E empties in
// 2 * 52000 / 527.787 = 197.049 s, and the rate falls below the end test's
// 0.1 kg/s at 197.049 (1 - 0.1 / 527.787) = 197.0117 s.
void zerogor_case(float pt, float dia) {
    INICOM();
    constant_tables(790.0f);
    auto& G = PIPGEO;
    G.NSEC = 3;
    NETDSC.KSEC(1) = 2;
    NETDSC.KSEC(3) = -1;
    G.DX(2) = 1200.0f;
    G.SECAREA(2) = 1.0f;
    auto& E = EQUIPM;
    E.NLEAK = 1;
    E.ILKSEC(1) = 2;
    E.DLEAK(1) = dia;
    E.PLKPB(1, 1) = 1.0e6f;
    SECVAR.PT(2) = pt;
    SECVAR.ROL(2) = 800.0f;
    SECVAR.DRLP(2) = 1.0e-6f;
    SECVAR.TM(2) = 10.0f;
    SECVAR.RMLGT = 1.0e6;
    LEKRES.ROLLK = 790.0f;
    PVTCOM.ROLST = 850.0f;
    RUNCTL.TPEND(4) = 2603400.0f;  // no user end time: 30 days
}

// The outlet's opening table: open until `shut` s after the leak opened,
// then closing over 10 s (shut < 0: never).
void outlet(float shut) {
    auto& E = EQUIPM;
    E.NCHKL = 1;
    E.NCHOT(1) = 4;
    const float t1 = shut < 0.0f ? 1.0e7f - 20.0f : 11400.0f + shut;
    const float tt[4] = {0.0f, t1, t1 + 10.0f, 1.0e7f},
                oo[4] = {1.0f, 1.0f, shut < 0.0f ? 1.0f : 0.0f, shut < 0.0f ? 1.0f : 0.0f};
    for (int k = 1; k <= 4; ++k) {
        E.TCHOT(k, 1) = tt[k - 1];
        E.OCHOT(k, 1) = oo[k - 1];
    }
}

// An inlet into section 2 (1 m2) of `rate` kg/s, closing over 10 s from
// `closes` s after the leak opened (closes < 0: never).
void inlet(float rate, float closes) {
    auto& E = EQUIPM;
    E.NSOUR = 1;
    E.ISOUR(1) = 2;
    E.NTSOUR(1) = 4;
    const float t1 = closes < 0.0f ? 1.0e7f - 20.0f : 11400.0f + closes;
    const float tt[4] = {0.0f, t1, t1 + 10.0f, 1.0e7f};
    const float gg[4] = {rate, rate, closes < 0.0f ? rate : 0.0f, closes < 0.0f ? rate : 0.0f};
    for (int k = 1; k <= 4; ++k) {
        E.TSOUR(k, 1) = tt[k - 1];
        E.GSOUR(k, 1) = gg[k - 1];
    }
}
}  // namespace

TEST(Zerogor, release_from_the_liquid_above_the_outside_density_at_the_orifice_rate) {
    zerogor_case(5.0e6f, 0.1f);
    char msg[MSGLEN];
    ZEROGOR(msg, MSGLEN);
    const auto& L = LEKRES;
    EXPECT_NEAR(L.PKTOT(1), 527.787f, 0.01f);
    EXPECT_NEAR(L.ACMASS(1), 52000.0, 0.5);
    EXPECT_NEAR(L.time, 197.0117f, 0.01f);
    EXPECT_NEAR(L.ACOIL(1), 52000.0 / 790.0, 0.01);
    EXPECT_NEAR(L.PKOIL(1), 527.787f / 800.0f, 1e-4f);
    EXPECT_NEAR(L.ACOSTD(1), 52000.0 / 850.0, 0.01);
    EXPECT_NEAR(L.PKOSTD(1), 527.787f / 850.0f, 1e-4f);
    EXPECT_EQ(L.ACGAS(1), 0.0);
    EXPECT_EQ(L.PKGAS(1), 0.0f);
    const std::string want =
        "Simple calculation method used for 0 GOR fluids.          Time estimated is based on peak "
        "release rate";
    EXPECT_EQ(want.size(), 102u);
    EXPECT_EQ(msgtext(msg, MSGLEN), want);

    // A full-bore hole: the leak flow opens at most 0.99 of the pipe's flow
    // area, 0.99 * 527.787 = 522.509 kg/s.
    zerogor_case(5.0e6f, 0.1f);
    PIPGEO.AREA(2) = 0.7853981f * 0.1f * 0.1f;
    ZEROGOR(msg, MSGLEN);
    EXPECT_NEAR(L.PKTOT(1), 522.509f, 0.01f);
    EXPECT_NEAR(L.ACMASS(1), 52000.0, 0.5);
}

TEST(Zerogor, no_pressure_above_the_back_pressure_or_no_hole_gives_zero_with_a_warning) {
    struct Case {
        float pt, dia;
        const char* why;
    };
    for (Case c : {Case{1.0e6f, 0.1f, "back pressure"}, Case{0.9e6f, 0.1f, "back pressure"},
                   Case{5.0e6f, 0.0f, "no opening"}}) {
        zerogor_case(c.pt, c.dia);
        char msg[MSGLEN];
        ZEROGOR(msg, MSGLEN);
        const auto& L = LEKRES;
        EXPECT_EQ(L.ACMASS(1), 0.0);
        EXPECT_EQ(L.PKTOT(1), 0.0f);
        EXPECT_EQ(L.time, 0.0f);
        EXPECT_TRUE(std::isfinite(L.time));
        const std::string m = msgtext(msg, MSGLEN);
        EXPECT_EQ(m.rfind("Simple calculation method used for 0 GOR fluids.", 0), 0u) << m;
        EXPECT_NE(m.find(c.why), std::string::npos) << m;
    }
}

// The simple method with the outlet's and the inlet's tables, against the
// line's balance dE/dt = inflow - 527.787 sqrt(E / 52000) - what an open
// outlet takes (it holds the line at its level at the opening and lets
// nothing back in), integrated independently (scipy, LSODA, 1e-10):
// released mass, the largest rate and the last time the rate was at least
// 0.1 kg/s. While the inlet delivers more than the hole takes, an open
// outlet takes the rest and a shut line fills, driving the hole's rate up
// toward the inflow. Nothing is counted past the run's end, where the
// pipeline still leaks.
TEST(Zerogor, counts_only_what_leaves_through_the_hole_until_the_run_ends) {
    constexpr double W = 527.787;
    struct Case {
        const char* what;
        float outlet_shuts, inlet_rate, inlet_closes, user_end;
        double mass, peak, time;
        const char* leaking;  // end message behind the method's, or nullptr
    };
    const char* user = "SIMULATION REACHED USER SPECIFIED END TIME BUT PIPELINE IS STILL LEAKING!";
    const char* days = "SIMULATION REACHED MAX TIME (30 DAYS) BUT PIPELINE IS STILL LEAKING!";
    const Case cases[] = {
        {"no inflow, the outlet open", -1.0f, 0.0f, 0.0f, 1800.0f, 52000, W, 197.0117, nullptr},
        {"inflow above the hole's rate, the outlet open", -1.0f, 600.0f, -1.0f, 1800.0f, 1800 * W,
         W, 1800, user},
        {"the same without an end time", -1.0f, 600.0f, -1.0f, 0.0f, 2592000 * W, W, 2592000, days},
        // The outlet takes 600 - W until it is half shut at 105 s; all else
        // the inlet delivers until it closes (600 kg/s for 200 s and half its
        // 10 s ramp) packs the line and then leaves through the hole.
        {"inflow above the hole's rate, outlet shut after 100 s, inlet after 200 s", 100.0f, 600.0f,
         200.0f, 0.0f, 52000 + 600 * 205 - (600 - W) * 105, 554.911, 412.528, nullptr},
        // Below the hole's rate the outlet never matters: the excess drains
        // to where the hole takes the inlet's 10 kg/s, until it closes at
        // 1000 s (and half its ramp).
        {"inflow below the hole's rate, inlet closes after 1000 s", -1.0f, 10.0f, 1000.0f, 0.0f,
         52000 + 10050, W, 1010.204, nullptr},
        {"inflow below the hole's rate, inlet never closes", -1.0f, 10.0f, -1.0f, 1800.0f, 69981.33,
         W, 1800, user},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        zerogor_case(5.0e6f, 0.1f);
        outlet(c.outlet_shuts);
        if (c.inlet_rate > 0.0f) inlet(c.inlet_rate, c.inlet_closes);
        if (c.user_end > 0.0f) RUNCTL.TPEND(4) = 11400.0f + c.user_end;
        char msg[MSGLEN];
        ZEROGOR(msg, MSGLEN);
        const auto& L = LEKRES;
        EXPECT_NEAR(L.PKTOT(1) / c.peak, 1.0, 1e-4);
        EXPECT_NEAR(L.ACMASS(1) / c.mass, 1.0, 1e-5);
        EXPECT_NEAR(L.time / c.time, 1.0, 2e-4);
        EXPECT_LE(L.ACMASS(1), double(L.PKTOT(1)) * L.time * (1 + 1e-6));
        std::string want =
            "Simple calculation method used for 0 GOR fluids.          Time estimated is "
            "based on peak release rate";
        if (c.leaking) want += std::string(" ") + c.leaking;
        EXPECT_EQ(msgtext(msg, MSGLEN), want);
    }

    // A rate the leak already had while it opened stays the peak.
    zerogor_case(5.0e6f, 0.1f);
    LEKRES.PKTOT(1) = 600.0f;
    char msg[MSGLEN];
    ZEROGOR(msg, MSGLEN);
    EXPECT_FLOAT_EQ(LEKRES.PKTOT(1), 600.0f);
    EXPECT_NEAR(LEKRES.time, 197.0117f, 0.01f);
}
