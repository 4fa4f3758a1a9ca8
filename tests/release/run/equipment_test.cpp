// The leak, the boundary time checks and the log lines of the set-up.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "networks.h"
#include "rt/fortio.h"
#include "run/errors.h"
#include "run/setup.h"
#include "run/state.h"
#include "release/scratch.h"

using namespace rel;

namespace {
struct Result {
    int32_t IERR = 0;
    std::string msg;
};

// The set-up up to the leak, in the order of a run.
Result up_to_leak(nets::Input& in) {
    char MSG[MSGLEN];
    Result r;
    const ReleaseInput& x = in.rec;
    RDNET(x.net, x.br, x.bnd, x.lek, x.pvt, in.ctl, r.IERR, MSG);
    if (r.IERR == 0) {
        SECNUM();
        EQNUM();
        INLSET(x.bnd, r.IERR, MSG);
    }
    if (r.IERR == 0) CHKCHO(x.bnd.TCLOUT, r.IERR, MSG, MSGLEN);
    if (r.IERR == 0) {
        VALLST(r.IERR);
        SECSET(r.IERR);
        CTRSET(0, 10, 77, r.IERR);
        CHKLEK(x.lek, r.IERR, MSG, MSGLEN);
    }
    r.msg = msgtext(MSG, MSGLEN);
    return r;
}

std::vector<std::string> lines_of(const std::filesystem::path& p) {
    std::ifstream f(p);
    std::vector<std::string> v;
    for (std::string l; std::getline(f, l);) v.push_back(l);
    return v;
}
}  // namespace

// One branch: real sections 2..8 of 20, 20, 20, 20, 20, 15, 15 m (130 m).
// Three branches: branch 3 starts at the junction; its counted sections are
// 15..18 (all real ones but the last), 80 m.
TEST(Leak, SectionFromDistanceAndRefusals) {
    struct Case {
        bool tree;
        int32_t br;
        float x, dia, pb;
        int32_t ierr;
        int sec;
        const char* msg;
    };
    const Case cases[] = {
        {false, 1, 0.0f, 0.05f, 2e5f, 0, 2, ""},
        {false, 1, 20.0f, 0.05f, 2e5f, 0, 2, ""},
        {false, 1, 20.5f, 0.05f, 2e5f, 0, 3, ""},
        {false, 1, 130.0f, 0.05f, 2e5f, 0, 8, ""},
        {false, 1, 131.0f, 0.05f, 2e5f, 1, 0,
         "Leak outside total length of branch no  1. Must be between 0 and 130.00 m"},
        {false, 2, 10.0f, 0.05f, 2e5f, 1, 0,
         "Leak outside total length of branch no  2. Must be between 0 and 0.00 m"},
        {true, 3, 80.0f, 0.05f, 2e5f, 0, 18, ""},
        {true, 3, 81.0f, 0.05f, 2e5f, 1, 0,
         "Leak outside total length of branch no  3. Must be between 0 and 80.00 m"},
        // Within 1 mm of either end the leak is at that end; beyond, outside.
        {false, 1, 130.0009f, 0.05f, 2e5f, 0, 8, ""},
        {false, 1, 130.002f, 0.05f, 2e5f, 1, 0,
         "Leak outside total length of branch no  1. Must be between 0 and 130.00 m"},
        {false, 1, -0.0009f, 0.05f, 2e5f, 0, 2, ""},
        {false, 1, -0.002f, 0.05f, 2e5f, 1, 0,
         "Leak outside total length of branch no  1. Must be between 0 and 130.00 m"},
        {true, 2, 0.0f, 0.05f, 2e5f, 0, 9, ""},
        // A full-bore rupture of the pipe at the leak is the largest hole: 0.3 m
        // in the first pipe, 0.2 m in the second.
        {false, 1, 50.0f, 0.3f, 2e5f, 0, 4, ""},
        {false, 1, 130.0f, 0.2f, 2e5f, 0, 8, ""},
        {false, 1, 130.0f, 0.25f, 2e5f, 1, 0,
         "LEAK DIAMETER 0.25 m IS LARGER THAN THE PIPE'S INNER DIAMETER 0.2 m AT THE LEAK"},
        {false, 1, 50.0f, 0.05f, 100000.0f, 0, 4, ""},
        {false, 1, 50.0f, 0.05f, 99999.0f, 1, 4,
         "LEAK BACKPRESSURE TOO LOW: 99999 Pa, AT LEAST 100000 Pa"},
        // The smallest hole the leak model opens: pi/4 d^2 = 1.0E-6 m2 at
        // d = 1.12838 mm.
        {false, 1, 50.0f, 0.001f, 2e5f, 1, 0,
         "LEAK DIAMETER 1 mm IS SMALLER THAN THE SMALLEST HOLE THE LEAK MODEL OPENS, 1.12838 mm "
         "(AN OPENING OF 1e-06 m2)"},
        {false, 1, 50.0f, 0.001128f, 2e5f, 1, 0,
         "LEAK DIAMETER 1.128 mm IS SMALLER THAN THE SMALLEST HOLE THE LEAK MODEL OPENS, 1.12838 "
         "mm (AN OPENING OF 1e-06 m2)"},
        {false, 1, 50.0f, 0.0011285f, 2e5f, 0, 4, ""},
        {false, 1, 50.0f, 0.0f, 2e5f, 1, 0, "LEAK DIAMETER MUST BE GREATER THAN 0"},
        {false, 1, 50.0f, -0.05f, 2e5f, 1, 0, "LEAK DIAMETER MUST BE GREATER THAN 0"},
    };
    for (const Case& c : cases) {
        auto in = c.tree ? nets::three_branches() : nets::one_branch();
        in->rec.lek.LEKBR = c.br;
        in->rec.lek.LEKX = c.x;
        in->rec.lek.LEKDIA = c.dia;
        in->rec.lek.LEKPB = c.pb;
        const Result r = up_to_leak(*in);
        EXPECT_EQ(r.IERR, c.ierr) << c.x;
        EXPECT_EQ(r.msg, c.msg) << c.x;
        if (c.sec) {
            EXPECT_EQ(EQUIPM.ILKSEC(1), c.sec) << c.x;
        }
    }
}

// Every boundary table ends at 1e7 s: an end of the run at exactly 1e7 s
// passes, one second later fails, with the lines on the log (kept until it
// opens) and the first short table in MSG. G12.3 of 1e7 is "   0.100E+08".
TEST(BoundaryCheck, TablesMustReachTheEndOfTheRun) {
    for (float tend : {1.0e7f, 1.0e7f + 1.0f}) {
        auto in = nets::one_branch();
        rt::reset_units();
        rt::hold_unit(77);
        Result r = up_to_leak(*in);
        ASSERT_EQ(r.IERR, 0) << r.msg;
        RUNCTL.IO = 4;
        RUNCTL.TPEND(4) = tend;
        char MSG[MSGLEN];
        setmsg(MSG, MSGLEN, "");
        BCCHK(r.IERR, MSG, MSGLEN);
        const auto dir = testrun::scratch("bcchk");
        const auto log = dir / "run.log";
        ASSERT_TRUE(rt::open_unit(77, log.string()));
        ASSERT_TRUE(rt::close_unit(77));
        const auto lines = lines_of(log);
        if (tend == 1.0e7f) {
            EXPECT_EQ(r.IERR, 0);
            EXPECT_EQ(msgtext(MSG, MSGLEN), "");
            EXPECT_TRUE(lines.empty());
            EXPECT_EQ(EQUIPM.NCHOKE, 2);  // the device table was built
            continue;
        }
        EXPECT_EQ(r.IERR, 1);
        EXPECT_EQ(msgtext(MSG, MSGLEN),
                  "ERROR IN GROUP BOUNDARY COND. - TIME SERIES OF RIGHT BOUNDARY PRESSURES HAS A "
                  "LOWER LIMIT THAN THE END TIME OF THE SIMULATION (    0.100E+08 SECONDS "
                  "COMPARED TO   0.100E+08 SECONDS )");
        const std::vector<std::string> want = {
            "",
            "",
            "     ERROR IN GROUP BOUNDARY COND. - TIME SERIES OF RIGHT BOUNDARY PRESSURES",
            "     HAS A LOWER LIMIT THAN THE END TIME OF THE SIMULATION",
            "     (    0.100E+08 SECONDS COMPARED TO   0.100E+08 SECONDS )",
            "",
            "",
            "     ERROR IN GROUP BOUNDARY COND. - TIME SERIES OF SOURCE NO.   1",
            "     HAS A LOWER LIMIT THAN THE END TIME OF THE SIMULATION",
            "     (    0.100E+08 SECONDS COMPARED TO   0.100E+08 SECONDS )",
        };
        EXPECT_EQ(lines, want);
        EXPECT_EQ(EQUIPM.NCHOKE, 0);  // refused before the device table
    }
    rt::reset_units();
}

// The >199 refusal writes its report to the log before the log is open.
TEST(BoundaryCheck, GeometryReportIsKeptForTheLog) {
    auto in = nets::one_branch();
    in->rec.br[0].PIPE[0].NSECT = 300;  // 300 + 1 inlet section, + 2 + 1 of pipe 2 = 304
    rt::reset_units();
    rt::hold_unit(77);
    const Result r = up_to_leak(*in);
    EXPECT_EQ(r.IERR, 1);
    const auto dir = testrun::scratch("bcchk");
    const auto log = dir / "grid.log";
    ASSERT_TRUE(rt::open_unit(77, log.string()));
    ASSERT_TRUE(rt::close_unit(77));
    const std::vector<std::string> want = {"",
                                           "",
                                           "     ERROR IN GROUP GEOMETRY - TOTAL NUMBER OF",
                                           "     SECTIONS CAN NOT BE GREATER THAN  199",
                                           "     YOUR PIPELINE SYSTEM GIVES  304 SECTIONS",
                                           "",
                                           "",
                                           "",
                                           "     JOB ABORT DUE TO FATAL ERROR IN INPUT"};
    EXPECT_EQ(lines_of(log), want);
    rt::reset_units();
}
