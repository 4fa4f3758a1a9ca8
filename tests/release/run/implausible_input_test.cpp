// Input that is not physical gets a refusal that says so, through the
// exported functions of the built shared library: heavy fractions outside the
// range of their characterisation, property tables that are not physical, a
// hole larger than the pipe; and a leak held shut by its back pressure ends
// the run with a warning instead of running to the time cap.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "exported.h"

using namespace exported;

namespace {

struct Heavy {
    int32_t model;
    float pct, mw, dens;
};

COMPREC composition(std::initializer_list<Heavy> cs) {
    COMPREC c{};
    for (const Heavy& h : cs) {
        c.MODEL[c.NCOMP] = h.model;
        c.MOLEPCT[c.NCOMP] = h.pct;
        c.MOLWT[c.NCOMP] = h.mw;
        c.LIQDEN[c.NCOMP] = h.dens;
        ++c.NCOMP;
    }
    return c;
}

// Methane with 10 % of a plus fraction on catalogue row 16.
COMPREC with_plus_fraction(float mw, float dens) {
    return composition({{4, 90.0f, 16.043f, 0.0f}, {16, 10.0f, mw, dens}});
}

struct FluidRow {
    const char* name;
    COMPREC comp;
    std::string msg;
};
[[maybe_unused]] void PrintTo(const FluidRow& row, std::ostream* os) { *os << row.name; }

const std::string PLUS = "HEAVY COMPONENT  2 (MODEL 16): ";

std::vector<FluidRow> fluid_rows() {
    return {
        {"density_1", with_plus_fraction(180.0f, 1.0f),
         PLUS + "LIQUID DENSITY 1 kg/m3 IS OUTSIDE 700-1100 kg/m3 (GIVEN IN g/cm3? 1 g/cm3 IS "
                "1000 kg/m3)"},
        {"density_in_g_per_cm3", with_plus_fraction(180.0f, 0.85f),
         PLUS + "LIQUID DENSITY 0.85 kg/m3 IS OUTSIDE 700-1100 kg/m3 (GIVEN IN g/cm3? 0.85 g/cm3 "
                "IS 850 kg/m3)"},
        {"density_5000", with_plus_fraction(180.0f, 5000.0f),
         PLUS + "LIQUID DENSITY 5000 kg/m3 IS OUTSIDE 700-1100 kg/m3"},
        {"density_just_below", with_plus_fraction(180.0f, 699.9f),
         PLUS + "LIQUID DENSITY 699.9 kg/m3 IS OUTSIDE 700-1100 kg/m3"},
        {"density_just_above", with_plus_fraction(180.0f, 1100.1f),
         PLUS + "LIQUID DENSITY 1100.1 kg/m3 IS OUTSIDE 700-1100 kg/m3"},
        {"mole_weight_0_001", with_plus_fraction(0.001f, 800.0f),
         PLUS + "MOLE WEIGHT 0.001 g/mol IS BELOW THAT OF HEXANE (86.178 g/mol)"},
        {"mole_weight_of_pentane", with_plus_fraction(72.151f, 720.0f),
         PLUS + "MOLE WEIGHT 72.151 g/mol IS BELOW THAT OF HEXANE (86.178 g/mol)"},
        {"mole_weight_720", composition({{4, 99.5f, 16.043f, 0.0f}, {16, 0.5f, 720.0f, 950.0f}}),
         PLUS + "MOLE WEIGHT 720 g/mol IS ABOVE 700 g/mol, THE HEAVIEST FRACTION THE "
                "CHARACTERISATION SERVES"},
        {"mole_weight_just_above", with_plus_fraction(700.1f, 950.0f),
         PLUS + "MOLE WEIGHT 700.1 g/mol IS ABOVE 700 g/mol, THE HEAVIEST FRACTION THE "
                "CHARACTERISATION SERVES"},
    };
}

class FluidRefusal : public ::testing::TestWithParam<FluidRow> {};

TEST_P(FluidRefusal, NamesTheComponentAndValueAndLeavesTheBlock) {
    ASSERT_TRUE(lib().comppvt) << dlerror();
    const FluidRow& row = GetParam();
    PVTBLK pvt{};
    pvt.NP = -3;  // a mark: a refusal writes nothing into the block
    const Call c = call_comppvt(row.comp, pvt);
    EXPECT_EQ(c.IERR, 1);
    EXPECT_EQ(c.msg, row.msg);
    EXPECT_FALSE(c.msg_overrun);
    EXPECT_EQ(pvt.NP, -3);
}

INSTANTIATE_TEST_SUITE_P(Comppvt, FluidRefusal, ::testing::ValuesIn(fluid_rows()),
                         [](const auto& row) { return std::string(row.param.name); });

// The bounds themselves pass, and the tables they give are finite and
// positive where they must be: the lightest and the heaviest fraction at the
// lightest and heaviest liquid densities the characterisation serves, and
// the C20+ of a laboratory oil.
TEST(FluidBounds, EdgesOfTheHeavyFractionRangeGiveUsableTables) {
    ASSERT_TRUE(lib().comppvt) << dlerror();
    const COMPREC edges[] = {
        with_plus_fraction(86.178f, 700.0f), with_plus_fraction(86.178f, 1100.0f),
        with_plus_fraction(700.0f, 700.0f),  with_plus_fraction(700.0f, 950.0f),
        with_plus_fraction(700.0f, 1100.0f), with_plus_fraction(450.0f, 900.0f)};
    for (const COMPREC& comp : edges) {
        SCOPED_TRACE(testing::Message()
                     << comp.MOLWT[1] << " g/mol, " << comp.LIQDEN[1] << " kg/m3");
        PVTBLK pvt{};
        const Call c = call_comppvt(comp, pvt);
        ASSERT_EQ(c.IERR, 0) << c.msg;
        for (int k : {0, 1, 7, 8, 9, 10, 13, 14})
            for (int i = 0; i < pvt.NP; ++i)
                for (int j = 0; j < pvt.NT; ++j) ASSERT_GT(pvt.TAB[k][i][j], 0.0f) << k + 1;
    }
}

// ----------------------------------------------------------------- RELEASE

// A plain black oil from the library (gas-oil ratio in Sm3/Sm3).
void black_oil(nets::Input& in, float gor) {
    const Call c = call_blackoil(0.8f, 850.0f, gor, 10.0f, in.rec.pvt);
    ASSERT_EQ(c.IERR, 0) << c.msg;
    in.rec.pvt.ROGST = 0.8f;
    in.rec.pvt.ROLST = 850.0f;
    in.rec.pvt.GORST = gor;
}

// One branch of one level pipe of the given length, leak at its end.
std::unique_ptr<nets::Input> short_branch(float length) {
    auto in = nets::one_branch();
    ReleaseInput& r = in->rec;
    r.br[0] = BRREC{};
    nets::pipe(r.br[0], 1, 0.254f, -length, -100.0f, 0.0f, -100.0f);
    r.lek.LEKX = length;
    return in;
}

int32_t stop_at_once(int32_t) { return 1; }

struct ReleaseRow {
    const char* name;
    std::function<std::unique_ptr<nets::Input>()> input;
    std::string msg;
};
[[maybe_unused]] void PrintTo(const ReleaseRow& row, std::ostream* os) { *os << row.name; }

std::vector<ReleaseRow> release_rows() {
    return {
        {"hole_of_1e20_m_with_the_simple_method",
         [] {
             auto in = nets::one_branch();
             black_oil(*in, 0.0f);  // below 3.5 Sm3/Sm3: the simple method
             in->rec.lek.LEKDIA = 1.0e20f;
             return in;
         },
         "LEAK DIAMETER 1e+20 m IS LARGER THAN THE PIPE'S INNER DIAMETER 0.3 m AT THE LEAK"},
        {"hole_of_10_m_in_a_0_254_m_pipe",
         [] {
             auto in = short_branch(500.0f);
             black_oil(*in, 0.0f);
             in->rec.lek.LEKX = 250.0f;
             in->rec.lek.LEKDIA = 10.0f;
             return in;
         },
         "LEAK DIAMETER 10 m IS LARGER THAN THE PIPE'S INNER DIAMETER 0.254 m AT THE LEAK"},
        {"leak_a_centimetre_past_the_branch_end",
         [] {
             auto in = short_branch(30.4977f);
             black_oil(*in, 150.0f);
             in->rec.lek.LEKX = 30.5077f;
             return in;
         },
         "Leak outside total length of branch no  1. Must be between 0 and 30.50 m"},
        {"negative_gas_heat_capacity",
         [] {
             auto in = nets::one_branch();
             black_oil(*in, 150.0f);
             in->rec.pvt.TAB[9][3][4] = -5.0f;
             return in;
         },
         "PROPERTY TABLE NOT PHYSICAL: GAS HEAT CAPACITY IS -5 J/(kg K) AT 1e+06 Pa AND 15 C; IT "
         "MUST BE ABOVE 0"},
        {"zero_liquid_conductivity",
         [] {
             auto in = nets::one_branch();
             black_oil(*in, 150.0f);
             in->rec.pvt.TAB[14][0][0] = 0.0f;
             return in;
         },
         "PROPERTY TABLE NOT PHYSICAL: LIQUID THERMAL CONDUCTIVITY IS 0 W/(m K) AT 100000 Pa AND "
         "-30 C; IT MUST BE ABOVE 0"},
    };
}

class ReleaseRefusal : public ::testing::TestWithParam<ReleaseRow> {};

TEST_P(ReleaseRefusal, GivesItsMessageAndNoSummary) {
    ASSERT_TRUE(lib().release && lib().blackoil) << dlerror();
    const ReleaseRow& row = GetParam();
    auto in = row.input();
    Scratch dir("release_implausible");
    const Call c = call_release(in->rec, in->ctl, dir.path("case.$$$"));
    EXPECT_EQ(c.IERR, 1);
    EXPECT_EQ(c.msg, row.msg);
    EXPECT_FALSE(c.msg_overrun);
    EXPECT_EQ(c.sum.total_mass, 0.0f);
    EXPECT_EQ(c.sum.peak_total_mass, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Release, ReleaseRefusal, ::testing::ValuesIn(release_rows()),
                         [](const auto& row) { return std::string(row.param.name); });

// A leak at the end of a branch as the user measured it, and a full-bore
// rupture, pass the set-up: the run starts (and is stopped at its first
// step). The three sections of a 50.0004 m pipe add up to 4 micrometres less
// than its length in 32-bit arithmetic.
TEST(ReleaseLimits, LeakAtTheBranchEndAndFullBoreRupturePass) {
    ASSERT_TRUE(lib().release && lib().blackoil) << dlerror();
    Scratch dir("release_limits");
    for (float dia : {0.05f, 0.254f}) {
        auto in = short_branch(50.0004f);
        black_oil(*in, 150.0f);
        in->rec.lek.LEKDIA = dia;
        const Call c = call_release(in->rec, in->ctl, dir.path("case.$$$"), stop_at_once);
        EXPECT_EQ(c.IERR, 9999) << dia << ": " << c.msg;
        EXPECT_EQ(c.msg, "SIMULATION ABORTED!");
    }
}

std::vector<std::string> lines_of(const std::string& path) {
    std::ifstream f(path);
    std::vector<std::string> v;
    for (std::string l; std::getline(f, l);) v.push_back(l);
    return v;
}

// The back pressure outside the leak is above the pipeline pressure there:
// nothing ever flows. The run ends 600 s after the leak opened with a warning
// and a summary of zeros, not at the 30-day cap with "still leaking".
TEST(ReleaseLeakHeldShut, EndsAfterTheMinimumReleaseTimeWithAWarning) {
    ASSERT_TRUE(lib().release && lib().blackoil) << dlerror();
    Scratch dir("release_held_shut");
    auto in = nets::one_branch();
    black_oil(*in, 150.0f);
    in->rec.lek.LEKPB = 5.0e6f;  // the line runs at a few bar
    const Call c = call_release(in->rec, in->ctl, dir.path("case.$$$"));
    EXPECT_EQ(c.IERR, 0);
    // The line's riser never settles into steady flow. That warning does not
    // fit whole behind the one that matters here: the message says it is in
    // the log, and the log has it whole, figures and all.
    const std::string held =
        "THE LEAK DOES NOT FLOW: THE BACK PRESSURE OUTSIDE IT IS NOT BELOW THE PIPELINE "
        "PRESSURE AT THE LEAK. NOTHING IS RELEASED.";
    EXPECT_EQ(c.msg.substr(0, held.size()), held);
    const std::string rest = c.msg.substr(std::min(held.size(), c.msg.size()));
    EXPECT_EQ(rest, std::string(" ") + RELEASE_MORE_WARNINGS_TEXT) << c.msg;
    int settling = 0;
    for (const std::string& line : lines_of(dir.path("case.log")))
        if (line.find(RELEASE_NOT_SETTLED_TEXT) != std::string::npos) {
            ++settling;
            EXPECT_NE(line.find(" KG/S AGAINST "), std::string::npos) << line;
            EXPECT_EQ(line.substr(line.size() - 8), "KG/S IN.") << line;
        }
    EXPECT_EQ(settling, 1);
    const float* w = &c.sum.time;
    for (int i = 0; i < 11; ++i) EXPECT_EQ(w[i], 0.0f) << "summary word " << i;
    const auto rows = lines_of(dir.path("case.plt"));
    ASSERT_GT(rows.size(), 4u);
    const double last = std::stod(rows.back().substr(0, 18));
    EXPECT_GE(last, 600.0);
    EXPECT_LE(last, 700.0);
}

}  // namespace
