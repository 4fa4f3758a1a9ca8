// The results listing written to the run log.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "output/listing.h"
#include "release/output/synthetic_network.h"
#include "rt/fortio.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/state.h"
#include "release/scratch.h"

namespace rel {
namespace {

namespace fs = std::filesystem;

struct LogFile {
    fs::path dir, path;
    LogFile() {
        dir = testrun::scratch_root() / "listing";
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = dir / "case.log";
        rt::reset_units();
        EXPECT_TRUE(rt::open_unit(77, path.string()));
    }
    std::vector<std::string> lines() {
        rt::close_unit(77);
        std::ifstream f(path);
        std::vector<std::string> out;
        for (std::string l; std::getline(f, l);) out.push_back(l);
        return out;
    }
    ~LogFile() {
        rt::close_unit(77);
        fs::remove_all(dir);
    }
};

void small_network() {
    test::make_network({{3, 4}}, 1, 2);
    VARCAT();
    EQUIPM.NLEAK = 0;
    NETDSC.NPIPBR(1) = 1;
    for (int s = 1; s <= 4; ++s) PIPGEO.IPIPE(s) = 1;
}

TEST(Listing, nothing_selected_gives_the_heading_only) {
    small_network();
    RUNCTL.TIME = 11412.5;
    LogFile log;
    PRTRES();
    const std::vector<std::string> WANT = {
        "\f",
        "RESULTS AT TIME T =      11412.5000  S  ",
        std::string(39, '-'),
        "SECTION BOUNDARY VARIABLES",
        std::string(26, '*'),
    };
    EXPECT_EQ(log.lines(), WANT);
}

TEST(Listing, selected_boundary_variable_lists_the_selected_boundaries) {
    small_network();
    PLTCTL.IPRVAR(2) = 1;  // UL
    PLTCTL.IPRBND(2) = 1;
    PLTCTL.IPRBND(4) = 1;
    SECVAR.UL(2) = 1.5f;
    SECVAR.UL(4) = -0.25f;
    LogFile log;
    PRTRES();
    const auto l = log.lines();
    ASSERT_GE(l.size(), 10u);
    EXPECT_EQ(l[5], "PIPE SECT.    ZZ  " + std::string(12, ' ') + "UL");
    EXPECT_EQ(l[6], " NO.  NO.     (M) " + std::string(11, ' ') + "M/S");
    EXPECT_EQ(l[7], "");
    // pipe 1, boundary 2 at 10 m, boundary 4 at 30 m (sections of 10 m)
    EXPECT_EQ(l[8], "  1     2      10.00     1.500    ");
    EXPECT_EQ(l[9], "  1     4      30.00   -0.2500    ");
}

TEST(Listing, section_profile_interpolates_and_limits_fractions) {
    small_network();
    PIPGEO.DX(2) = 10.0f;
    PIPGEO.DX(3) = 30.0f;
    const float AL[4] = {0.2f, 1.2f, 1.4f, 0.5f};  // beyond 1: deliberately bad fractions
    PLTCTL.NLSCOL = 1;
    int32_t rows = 0;
    PLTPRF(1, 63, AL, rows);
    // rows: centre 1, boundary 2, centre 2, boundary 3, centre 3, boundary 4, centre 4
    ASSERT_EQ(rows, 7);
    EXPECT_FLOAT_EQ(PLTCTL.VLSCOL(1, 1), 0.2f);
    EXPECT_FLOAT_EQ(PLTCTL.VLSCOL(2, 1),
                    0.7f);  // equal lengths: (0.2 + 1.2)/2, limited to 0..1 only
    // boundary 3: (1.2 x 30 + 1.4 x 10)/40 = 1.25, limited to 1
    EXPECT_FLOAT_EQ(PLTCTL.VLSCOL(4, 1), 1.0f);
    EXPECT_FLOAT_EQ(PLTCTL.VLSCOL(5, 1), 1.4f);  // centres as they are
    // boundary 4: (1.4 x 10 + 0.5 x 30)/40 = 0.725
    EXPECT_NEAR(PLTCTL.VLSCOL(6, 1), 0.725f, 1e-6f);
    // The same values as a gas density are not limited.
    PLTPRF(1, 62, AL, rows);
    EXPECT_NEAR(PLTCTL.VLSCOL(4, 1), 1.25f, 1e-6f);
}

TEST(Listing, regime_labels_and_unknown_regime_is_blank) {
    small_network();
    PLTCTL.IPRVAR(40) = 1;
    const int ID[4] = {0, 3, 7, 1};
    for (int s = 1; s <= 4; ++s) SECVAR.ID(s) = ID[s - 1];
    LogFile log;
    PRTRES();
    const auto l = log.lines();
    bool found = false;
    for (const auto& line : l)
        if (line.rfind("REGIME INDICATOR: ", 0) == 0) {
            EXPECT_EQ(line, "REGIME INDICATOR:   -   SL      ST");
            found = true;
        }
    EXPECT_TRUE(found);
}

TEST(Listing, a_failed_log_write_ends_the_run) {
    small_network();
    rt::reset_units();  // the log is not open
    EXPECT_THROW(PRTRES(), RunFailure);
}

}  // namespace
}  // namespace rel
