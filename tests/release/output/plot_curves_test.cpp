// Curve definitions of a run, their position checks and their header labels.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

struct Label {
    int cell;
    char kind;
    int branch;
};

void define(int32_t& IERR, char* MSG) {
    VARCAT();
    IERR = 0;
    setmsg(MSG, MSGLEN, "");
    PLTDEF(IERR, MSG, MSGLEN);
}

fs::path scratch_dir(const std::string& name) {
    fs::path d = testrun::scratch_root() / ("output_" + name);
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

TEST(PlotCurves, one_branch_with_leak_at_position_seven) {
    test::make_network({{0, 20}}, 1, 7);
    int32_t IERR;
    char MSG[MSGLEN];
    define(IERR, MSG);
    ASSERT_EQ(IERR, 0) << msgtext(MSG, MSGLEN);
    ASSERT_EQ(PLTCTL.NCURV, 19);
    test::plot_file_on_unit_30();
    PLTLAB(IERR, MSG, MSGLEN);  // unit 30 not open: only the labels matter here

    // (cell label, kind letter, branch label) per curve.
    const Label WANT[19] = {{7, '-', 1}, {7, '-', 1},  {7, '-', 1}, {7, '-', 1}, {7, '-', 1},
                            {7, '-', 1}, {7, '-', 1},  {7, '-', 1}, {7, '-', 1}, {7, '-', 1},
                            {7, 'S', 1}, {7, 'S', 1},  {7, 'S', 1}, {1, 'S', 1}, {18, 'S', 1},
                            {1, '-', 1}, {19, 'B', 1}, {1, '-', 1}, {1, '-', 1}};
    for (int k = 1; k <= 19; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(PLTCTL.NPCURV(k), 1);
        EXPECT_EQ(PLTCTL.ICCURV(k), WANT[k - 1].cell);
        EXPECT_EQ(VARTAB.KIND[PLTCTL.IVCURV(k) - 1], WANT[k - 1].kind);
        EXPECT_EQ(PLTCTL.IBCURV(k), WANT[k - 1].branch);
    }
    // The leak curves store the leak's global section (inlet section + 7).
    for (int k = 1; k <= 13; ++k) EXPECT_EQ(PLTCTL.IPCURV(1, k), 8) << k;
    // WGLEAK and WLLEAK are asked for by their short names and found as 101, 102.
    EXPECT_EQ(PLTCTL.IVCURV(3), 101);
    EXPECT_EQ(PLTCTL.IVCURV(4), 102);
}

TEST(PlotCurves, leak_in_branch_three_stores_its_global_section) {
    // Branches 1, 2 of type 1 (inlets into a junction), 3 of type 3 (outlet).
    test::make_network({{1, 6}, {1, 8}, {3, 12}}, 3, 7);
    int32_t IERR;
    char MSG[MSGLEN];
    define(IERR, MSG);
    ASSERT_EQ(IERR, 0) << msgtext(MSG, MSGLEN);
    EXPECT_EQ(PLTCTL.NCURV, 23);
    PLTLAB(IERR, MSG, MSGLEN);
    for (int k = 1; k <= 13; ++k) {
        EXPECT_EQ(PLTCTL.IPCURV(1, k), 14 + 7)
            << k;  // offset 14, type 3 counts from its first section
        EXPECT_EQ(PLTCTL.ICCURV(k), 7) << k;
        EXPECT_EQ(PLTCTL.IBCURV(k), 3) << k;
    }
    // Pressure at cell 1 of each branch: the inlet section of type-1 branches is skipped.
    EXPECT_EQ(PLTCTL.IPCURV(1, 14), 2);
    EXPECT_EQ(PLTCTL.IPCURV(1, 15), 8);
    EXPECT_EQ(PLTCTL.IPCURV(1, 16), 15);
    // The outlet branch of type 3: second-last section and last boundary.
    EXPECT_EQ(PLTCTL.ICCURV(17), 11);
    EXPECT_EQ(PLTCTL.IPCURV(1, 17), 25);
    EXPECT_EQ(PLTCTL.ICCURV(21), 12);
    EXPECT_EQ(PLTCTL.IPCURV(1, 21), 26);
    // Liquid contents per branch carry the branch number.
    for (int b = 1; b <= 3; ++b) EXPECT_EQ(PLTCTL.IBCURV(17 + b), b);
}

TEST(PlotCurves, outlet_of_type_zero_and_three_point_at_the_same_physical_cells) {
    // Type 0 has an inlet section in front, so the same pipe has one more section.
    for (int type : {0, 3}) {
        SCOPED_TRACE(type);
        const int nsec = type == 0 ? 21 : 20;
        test::make_network({{type, nsec}}, 1, 3);
        int32_t IERR;
        char MSG[MSGLEN];
        define(IERR, MSG);
        ASSERT_EQ(IERR, 0);
        // Curve 15: second-last section, curve 17: last boundary, both global.
        EXPECT_EQ(PLTCTL.IPCURV(1, 15), nsec - 1);
        EXPECT_EQ(PLTCTL.IPCURV(1, 17), nsec);
    }
}

TEST(PlotCurves, too_many_branches_are_refused_before_any_curve) {
    test::make_network({{0, 5}}, 1, 1);
    NETDSC.NBR = 17;  // 2*17 + 17 = 51 curves
    int32_t IERR;
    char MSG[MSGLEN];
    define(IERR, MSG);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(msgtext(MSG, MSGLEN), "ATTEMPTS TO PLOT TOO MANY CURVES");
    EXPECT_EQ(PLTCTL.NPCURV(1), 0);
    EXPECT_EQ(PLTCTL.IVCURV(1), 0);
}

TEST(PlotCurves, fifteen_branches_give_47_curves_with_starred_branch_labels) {
    std::vector<test::BranchShape> br(14, {1, 5});
    br.push_back({3, 5});
    test::make_network(br, 12, 2);
    int32_t IERR;
    char MSG[MSGLEN];
    define(IERR, MSG);
    ASSERT_EQ(IERR, 0) << msgtext(MSG, MSGLEN);
    ASSERT_EQ(PLTCTL.NCURV, 47);
    test::plot_file_on_unit_30();

    const fs::path dir = scratch_dir("fifteen");
    ASSERT_TRUE(rt::open_unit(30, (dir / "case.plt").string()));
    PLTLAB(IERR, MSG, MSGLEN);
    ASSERT_TRUE(rt::close_unit(30));
    ASSERT_EQ(IERR, 0);
    // Expected lines written from the layout rules (see the fixture).
    EXPECT_EQ(slurp(dir / "case.plt"),
              slurp(fs::path(RELEASE_TEST_DATA) / "release/output/fifteen_branch_header.plt"));
    fs::remove_all(dir);
}

TEST(PlotCurves, failed_position_check_writes_log_block_and_keeps_going) {
    test::make_network({{0, 20}}, 1, 7);
    EQUIPM.ILKSEC(1) = 1;  // the leak cell is the inlet section: no plot position reaches it
    const fs::path dir = scratch_dir("check");
    rt::reset_units();
    ASSERT_TRUE(rt::open_unit(77, (dir / "case.log").string()));
    int32_t IERR;
    char MSG[MSGLEN];
    define(IERR, MSG);
    ASSERT_TRUE(rt::close_unit(77));
    EXPECT_EQ(IERR, 1);
    // The position -0 of the leak is out of range for every leak curve; the
    // last message comes from the last curve checked with the general rule.
    const std::string log = slurp(dir / "case.log");
    EXPECT_NE(log.find("\n\n     ERROR IN GROUP INTERFACE FILE\n     BRANCH NUMBER:  1\n     "
                       "VARIABLE NAME: GTLEAK\n"
                       "       0 IS AN INVALID SECTION NUMBER FOR THIS BRANCH\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(msgtext(MSG, MSGLEN), "ERROR IN PLOT DEF. FOR SIG");
    // All curves were processed: the pressure curves after the leak ones are fine.
    EXPECT_EQ(PLTCTL.NPCURV(14), 1);
    EXPECT_EQ(PLTCTL.NPCURV(2), 0);
    EXPECT_EQ(PLTCTL.IPCURV(1, 2), 0);  // the rejected position is kept in its slot
    fs::remove_all(dir);
}

TEST(PlotCurves, leak_curve_on_a_section_without_leak_is_refused) {
    test::make_network({{0, 20}}, 1, 7);
    EQUIPM.ILKSEC(1) = 9;  // one further than the position the curves ask for
    // Curves ask for the leak's branch position, computed from the leak cell,
    // so move the leak after the definition instead: check one curve directly.
    int32_t IERR = 0;
    char MSG[MSGLEN];
    setmsg(MSG, MSGLEN, "");
    VARCAT();
    PLTCTL.IVCURV(1) = 100;
    PLTCTL.NPCURV(1) = 0;
    PLTCHK(1, 1, 7, 0, 20, 0, IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 1);
    EXPECT_EQ(PLTCTL.NPCURV(1), 0);
    EXPECT_EQ(msgtext(MSG, MSGLEN), "");  // only the general rule writes a message
    IERR = 0;
    PLTCHK(1, 1, 8, 0, 20, 0, IERR, MSG, MSGLEN);
    EXPECT_EQ(IERR, 0);
    EXPECT_EQ(PLTCTL.NPCURV(1), 1);
    EXPECT_EQ(PLTCTL.IPCURV(1, 1), 9);
}

TEST(PlotCurves, log_lines_before_the_log_opens_create_no_file) {
    const fs::path dir = scratch_dir("stray");
    const fs::path here = fs::current_path();
    fs::current_path(dir);
    rt::reset_units();
    test::make_network({{0, 20}}, 1, 7);
    EQUIPM.ILKSEC(1) = 1;
    int32_t IERR;
    char MSG[MSGLEN];
    define(IERR, MSG);
    EXPECT_EQ(IERR, 1);
    EXPECT_TRUE(fs::is_empty(dir));

    // Held for the log, the same lines reach it when it opens, and only then.
    rt::reset_units();
    rt::hold_unit(77);
    define(IERR, MSG);
    EXPECT_TRUE(fs::is_empty(dir));
    ASSERT_TRUE(rt::open_unit(77, (dir / "case.log").string()));
    ASSERT_TRUE(rt::close_unit(77));
    fs::current_path(here);
    EXPECT_NE(slurp(dir / "case.log").find("     ERROR IN GROUP INTERFACE FILE"),
              std::string::npos);
    fs::remove_all(dir);
}

TEST(PlotCurves, interval_search_over_ascending_positions) {
    INICOM();
    const int POS[] = {3, 5, 9, 12, 20};
    PLTCTL.NPCURV(1) = 5;
    for (int j = 1; j <= 5; ++j) PLTCTL.IPCURV(j, 1) = POS[j - 1];
    struct Case {
        int i0, lo, hi, first, last, found;
    };
    const Case CASES[] = {
        {0, 1, 10, 1, 3, -1},   // positions 3, 5, 9
        {1, 1, 10, 2, 3, -1},   // after the first one
        {0, 10, 15, 4, 4, -1},  // 12 only
        {0, 13, 19, 5, 0, 0},   // the next position, 20, is already above
        {0, 10, 40, 4, 5, -1},  // runs to the end
        {0, 21, 40, 0, 0, 0},   // nothing at or above the lower end
        {5, 1, 40, 0, 0, 0},    // nothing after the last
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.i0 * 1000 + c.lo * 100 + c.hi);
        int32_t first = -9, last = -9, found = -9;
        TBSRCH(1, c.i0, c.lo, c.hi, first, last, found);
        EXPECT_EQ(found, c.found);
        if (c.found) {
            EXPECT_EQ(first, c.first);
            EXPECT_EQ(last, c.last);
        }
    }
}

}  // namespace
}  // namespace rel
