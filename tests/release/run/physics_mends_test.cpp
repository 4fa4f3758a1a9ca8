// Whole runs through RELEASE on small hand-built lines, each checked against
// a balance worked out by hand or against what the fluid can physically do:
// a leak never takes more than a section holds, the simple method for fluids
// without gas counts what the inlets deliver, a dry gas never shows liquid,
// and a temperature held at the property tables' limit is reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "case_file.h"
#include "release/run/balance.h"
#include "release/scratch.h"
#include "network_family.h"
#include "run/state.h"

namespace fs = std::filesystem;
using namespace rel;

namespace {

class PhysicsRun : public ::testing::Test {
protected:
    void SetUp() override { dir_ = testrun::scratch("physics"); }
    // One RELEASE run of a case text; the library's state stays for the checks.
    family::Outcome run(const std::string& json, const std::string& name) {
        cases::Case c = cases::parse_case(json, name);
        return family::run(c, (dir_ / name).string());
    }
    std::string file(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir_;
};

using testrun::balance_residual;

// A short gas line cut into 10 m sections, with a hole nearly as wide as the
// pipe in the section before the outlet's: at the longest steps the hole's
// orifice flux would empty that section many times over in one step.
std::string overdraw_case() {
    return R"({
  "network": {"branches": [{
    "start": {"x": -200.0, "depth": 100.0},
    "pipe_defaults": {"diameter": 0.3, "roughness": 5e-5, "heat_transfer": 10.0,
                      "ambient_temperature": 5.0, "sections": 10},
    "pipes": [{"end": {"x": -100.0, "depth": 100.0}}, {"end": {"x": 0.0, "depth": 100.0}}]}]},
  "inlets": [{"branch": 1, "rate": 0.0, "temperature": 20.0, "closing_time": 0.0}],
  "outlet": {"pressure": 8.0e6, "closing_time": 1.0},
  "leak": {"branch": 1, "position": 185.0, "diameter": 0.29, "back_pressure": 1.0e6},
  "fluid": {"black_oil": {"gas_density": 0.8, "oil_density": 800.0, "gor": 1500.0, "water_cut": 0.0}},
  "run": {"end_time": 600.0}
})";
}

// Values of one named column of a result file, every row.
std::vector<double> column(const std::string& plt, const std::string& name) {
    std::istringstream in(plt);
    std::string line;
    std::getline(in, line);
    std::istringstream head(line);
    std::vector<std::string> names;
    for (std::string w; head >> w;) names.push_back(w);
    size_t at = names.size();
    for (size_t k = 0; k < names.size(); ++k)
        if (names[k] == name) at = k;
    std::vector<double> values;
    if (at == names.size()) return values;
    std::getline(in, line);  // units
    std::getline(in, line);  // positions
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string w;
        for (size_t k = 0; k <= at && row >> w; ++k) {
        }
        values.push_back(std::stod(w));
    }
    return values;
}

std::string example_text(const std::string& stem) {
    std::ifstream in(fs::path(RELEASE_SOURCE_DIR) / "examples" / "cases" / (stem + ".json"));
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The bundled example's dry gas.
const char* const EXAMPLE_GAS = R"(  "fluid": {"composition": [
    {"model": 4, "mole_percent": 92.0, "mole_weight": 16.043},
    {"model": 5, "mole_percent": 4.0, "mole_weight": 30.07},
    {"model": 6, "mole_percent": 1.5, "mole_weight": 44.097},
    {"model": 1, "mole_percent": 1.5, "mole_weight": 28.013},
    {"model": 2, "mole_percent": 1.0, "mole_weight": 44.01}]},
)";

// A 1 km gas line of the bundled example's gas, shut at both ends when the
// leak opens, with the leak next to the outlet: all it releases comes from
// what it holds, and it stays above -15 C.
std::string isolated_gas_line() {
    return std::string(R"({
  "network": {"branches": [{
    "start": {"x": -1000.0, "depth": 120.0},
    "pipe_defaults": {"diameter": 0.3, "roughness": 4.5e-5, "heat_transfer": 30.0, "ambient_temperature": 6.0},
    "pipes": [{"end": {"x": -500.0, "depth": 110.0}}, {"end": {"x": 0.0, "depth": 100.0}}]}]},
  "inlets": [{"branch": 1, "rate": 0.0, "temperature": 20.0, "closing_time": 0.0}],
  "outlet": {"pressure": 6.0e6, "closing_time": 1.0},
  "leak": {"branch": 1, "position": 950.0, "diameter": 0.03, "back_pressure": 1.2e6},
)") + EXAMPLE_GAS +
           R"(  "run": {"end_time": 600.0}
})";
}

// The same line shut in at 25 MPa without heat transfer, with a hole nearly
// as wide as the pipe to 2 bar outside: the expanding gas cools down to the
// property tables' lowest temperature (-185 C) within a minute.
std::string cold_gas_line() {
    std::string j = isolated_gas_line();
    for (const auto& [from, to] :
         {std::pair{std::string("\"heat_transfer\": 30.0"), std::string("\"heat_transfer\": 0.0")},
          std::pair{std::string("\"pressure\": 6.0e6"), std::string("\"pressure\": 2.5e7")},
          std::pair{std::string("\"diameter\": 0.03"), std::string("\"diameter\": 0.28")},
          std::pair{std::string("\"back_pressure\": 1.2e6"),
                    std::string("\"back_pressure\": 2.0e5")}}) {
        const size_t at = j.find(from);
        if (at != std::string::npos) j.replace(at, from.size(), to);
    }
    return j;
}

// The bundled 5 km oil line with the outlet shut a second after the leak
// opens, so that all the inlet's 20 kg/s until it closes 600 s after the
// opening goes out of the leak, and a gas-oil ratio of its own.
std::string oil_line(float gor) {
    std::string j = example_text("one_branch_blackoil");
    for (const auto& [from, to] :
         {std::pair{std::string("\"gor\": 100.0"), "\"gor\": " + std::to_string(gor)},
          std::pair{std::string("\"closing_time\": 300.0"),
                    std::string("\"closing_time\": 1.0")}}) {
        const size_t at = j.find(from);
        if (at != std::string::npos) j.replace(at, from.size(), to);
    }
    return j;
}

// A 3 km, 8" oil line at 200 m depth whose inlet and outlet stay open, with
// a 10 mm hole half way to 21 bar outside, a gas-oil ratio of its own and an
// end time (0: none).
std::string open_line(float gor, float end_time) {
    return R"({
  "network": {"branches": [{
    "start": {"x": -3000.0, "depth": 200.0},
    "pipe_defaults": {"diameter": 0.2032, "roughness": 4.5e-05, "heat_transfer": 5.0, "ambient_temperature": 6.0},
    "pipes": [{"end": {"x": -1500.0, "depth": 205.0}}, {"end": {"x": 0.0, "depth": 200.0}}]}]},
  "inlets": [{"branch": 1, "rate": 15.0, "temperature": 40.0, "closing_time": -1.0}],
  "outlet": {"pressure": 4000000.0, "closing_time": -1.0},
  "leak": {"branch": 1, "position": 1500.0, "diameter": 0.01, "back_pressure": 2100000.0},
  "fluid": {"black_oil": {"gas_density": 0.85, "oil_density": 860.0, "gor": )" +
           std::to_string(gor) + R"(, "water_cut": 20.0}},
  "run": {"end_time": )" +
           std::to_string(end_time) + "}\n}";
}

// A 10 km 12" oil line whose inlet feeds 40 kg/s for good while its outlet
// shuts 300 s after the leak opened, with a 25 mm hole half way and a
// gas-oil ratio of its own.
std::string packed_line(float gor) {
    return R"({
  "network": {"branches": [{
    "start": {"x": -10000.0, "depth": 100.0},
    "pipe_defaults": {"diameter": 0.3048, "roughness": 4.5e-05, "heat_transfer": 5.0, "ambient_temperature": 6.0},
    "pipes": [{"end": {"x": -5000.0, "depth": 105.0}}, {"end": {"x": 0.0, "depth": 100.0}}]}]},
  "inlets": [{"branch": 1, "rate": 40.0, "temperature": 40.0, "closing_time": -1.0}],
  "outlet": {"pressure": 3000000.0, "closing_time": 300.0},
  "leak": {"branch": 1, "position": 5000.0, "diameter": 0.025, "back_pressure": 1161914.1975},
  "fluid": {"black_oil": {"gas_density": 0.85, "oil_density": 860.0, "gor": )" +
           std::to_string(gor) + R"(, "water_cut": 20.0}},
  "run": {"end_time": 3600.0}
})";
}

}  // namespace

// Once the outlet has shut, the inlet packs the line and drives the hole's
// rate up to the whole inflow. The simple method held the hole at its rate
// at the opening and booked 87,021 kg over the hour against the full
// simulation's 136,911 kg.
TEST_F(PhysicsRun, SimpleMethodOnAPackedLineFollowsTheRisingPressure) {
    const family::Outcome full = run(packed_line(5.0f), "packed_gor5");
    ASSERT_EQ(full.ierr, 0) << full.message;
    EXPECT_EQ(full.message.find("Simple calculation method"), std::string::npos) << full.message;
    const family::Outcome simple = run(packed_line(2.0f), "packed_gor2");
    ASSERT_EQ(simple.ierr, 0) << simple.message;
    EXPECT_NE(simple.message.find("Simple calculation method"), std::string::npos)
        << simple.message;
    EXPECT_NEAR(simple.summary.total_mass / full.summary.total_mass, 1.0, 0.1);
    EXPECT_NEAR(simple.summary.peak_total_mass / full.summary.peak_total_mass, 1.0, 0.1);
    // The inflow is the most a packed line can push out of the hole.
    EXPECT_LE(simple.summary.peak_total_mass, 40.0f * 1.001f);
}

// With the outlet open the line keeps its pressure and the hole releases its
// orifice rate; the outlet takes the rest of what the inlet delivers. The
// simple method used to book all of the inlet's 15 kg/s as released (27 t
// over "7,017 s" of an 1800 s run; 38,880 t over 116 days without an end time).
TEST_F(PhysicsRun, SimpleMethodWithTheOutletOpenCountsOnlyWhatLeavesThroughTheHole) {
    const family::Outcome full = run(open_line(5.0f, 1800.0f), "open_gor5");
    ASSERT_EQ(full.ierr, 0) << full.message;
    EXPECT_EQ(full.message.find("Simple calculation method"), std::string::npos) << full.message;
    const std::string still =
        "SIMULATION REACHED USER SPECIFIED END TIME BUT PIPELINE IS STILL LEAKING!";
    EXPECT_EQ(full.message, still);

    const family::Outcome simple = run(open_line(2.0f, 1800.0f), "open_gor2");
    ASSERT_EQ(simple.ierr, 0) << simple.message;
    EXPECT_NE(simple.message.find("Simple calculation method"), std::string::npos)
        << simple.message;
    EXPECT_NE(simple.message.find(still), std::string::npos) << simple.message;
    EXPECT_NEAR(simple.summary.total_mass / full.summary.total_mass, 1.0, 0.3);
    EXPECT_LE(simple.summary.time, 1800.0f);
    // The peak is the hole's rate at opening on both sides of the switch.
    EXPECT_NEAR(simple.summary.peak_total_mass / full.summary.peak_total_mass, 1.0, 0.03);

    // Without an end time the run ends 30 days after the leak opened, still leaking.
    const family::Outcome month = run(open_line(2.0f, 0.0f), "open_month");
    ASSERT_EQ(month.ierr, 0) << month.message;
    EXPECT_NE(
        month.message.find("SIMULATION REACHED MAX TIME (30 DAYS) BUT PIPELINE IS STILL LEAKING!"),
        std::string::npos)
        << month.message;
    EXPECT_LE(month.summary.time, 30.0f * 86400.0f);
    EXPECT_LE(month.summary.total_mass,
              month.summary.peak_total_mass * month.summary.time * 1.000001f);
}

// A 10 km 12" oil line at 300 m whose inlet (40 kg/s) and outlet (5 MPa)
// both start shutting 10 s after the leak opened, with a 25 mm hole at
// `position` m to 3.18 MPa outside and a gas-oil ratio of its own: all the
// line can release is what its liquid gives back as it expands to the
// outside pressure, and what the inlet feeds before it shuts.
// The inlet rate, the wall roughness and where the line starts can be moved
// by a hair.
std::string closed_line(float gor, float position, double rate = 40.0, double roughness = 4.5e-5,
                        double start = -10000.0) {
    auto text = [](double v) {
        std::ostringstream o;
        o.precision(17);
        o << v;
        return o.str();
    };
    return R"({
  "network": {"branches": [{
    "start": {"x": )" +
           text(start) + R"(, "depth": 300.0},
    "pipe_defaults": {"diameter": 0.3048, "roughness": )" +
           text(roughness) + R"(, "heat_transfer": 5.0, "ambient_temperature": 6.0},
    "pipes": [{"end": {"x": -5000.0, "depth": 305.0}}, {"end": {"x": 0.0, "depth": 300.0}}]}]},
  "inlets": [{"branch": 1, "rate": )" +
           text(rate) + R"(, "temperature": 40.0, "closing_time": 10.0}],
  "outlet": {"pressure": 5000000.0, "closing_time": 10.0},
  "leak": {"branch": 1, "position": )" +
           std::to_string(position) + R"(, "diameter": 0.025, "back_pressure": 3182084.0975},
  "fluid": {"black_oil": {"gas_density": 0.85, "oil_density": 860.0, "gor": )" +
           std::to_string(gor) + R"(, "water_cut": 20.0}},
  "run": {"end_time": 3600.0}
})";
}

// On a shut line the simple method booked the difference between the line's
// warm and cold parts as released: it took the whole line at the outside
// density of the leak's section, 30.8 C at 5 km where the sea has cooled the
// last 4 km to 7-30 C. It released 3,849 kg with the hole at 5 km, 6,414 kg
// at 2 km and 404 kg at 9 km, against 1,070-1,260 kg of the full simulation
// of the same line at GOR 5 (no free gas at the hole).
// Hand bound: the line holds pi/4 0.3048^2 10,000 = 729.66 m3, at most
// 5.2 MPa (5 MPa at the outlet, about 0.13 MPa of friction at 40 kg/s and
// 0.04 MPa of the 5 m dip), so at most 2.018 MPa above the outside. Its
// liquid, 80 % oil (at most 900 kg/m3, 1.4e-9 1/Pa) and 20 % water
// (1020 kg/m3, 4.5e-10 1/Pa), gives back at most 1.0998e-6 kg/(m3 Pa):
// 1,619 kg. The inlet feeds 40 kg/s for 10 s and half its 10 s ramp after
// the opening, 600 kg: 2,219 kg in all.
TEST_F(PhysicsRun, SimpleMethodOnAShutLineReleasesWhatItsLiquidGivesBack) {
    const double bound = 1619.3 + 600.0;
    for (float position : {2000.0f, 5000.0f, 9000.0f}) {
        SCOPED_TRACE(testing::Message() << "hole at " << position << " m");
        const family::Outcome full = run(closed_line(5.0f, position), "closed_gor5");
        ASSERT_EQ(full.ierr, 0) << full.message;
        EXPECT_EQ(full.message.find("Simple calculation method"), std::string::npos)
            << full.message;
        const family::Outcome simple = run(closed_line(2.0f, position), "closed_gor2");
        ASSERT_EQ(simple.ierr, 0) << simple.message;
        EXPECT_NE(simple.message.find("Simple calculation method"), std::string::npos)
            << simple.message;
        EXPECT_NEAR(simple.summary.total_mass / full.summary.total_mass, 1.0, 0.3)
            << simple.summary.total_mass << " kg against " << full.summary.total_mass << " kg";
        EXPECT_LE(simple.summary.total_mass, bound);
        EXPECT_LE(full.summary.total_mass, bound);
        // The hole opens at the same rate on both sides of the switch.
        EXPECT_NEAR(simple.summary.peak_total_mass / full.summary.peak_total_mass, 1.0, 0.1);
    }
}

// Once both ends are shut, the line's water hammer swings the warm end down
// to its bubble point (about 1.5 MPa at 37 C for GOR 5) and back. Gas freed
// at each fall was counted for the whole pressure drop of the step and never
// taken back on a rise (above the bubble point the fraction's slope is 0), so
// the swings pumped gas out of solution: it stayed out at 2.9-3.1 MPa, lifted
// the line's pressure and reopened the hole again and again. With the hole
// at 9 km the release ran to 1,265-2,149 kg over hair variants of the line
// (2,149 kg with the inlet rate 1e-5 lower), 1.7 times what the simple method
// books for it. Every variant now stays within the hand bound of the test
// above and within 30 % of the simple method.
TEST_F(PhysicsRun, AShutLineSwingingAboutItsBubblePointReleasesWhatItsLiquidGivesBack) {
    const double bound = 1619.3 + 600.0;
    const family::Outcome simple = run(closed_line(2.0f, 9000.0f), "closed_swing_gor2");
    ASSERT_EQ(simple.ierr, 0) << simple.message;
    ASSERT_NE(simple.message.find("Simple calculation method"), std::string::npos)
        << simple.message;
    const struct Variant {
        const char* name;
        double rate, roughness, start;
    } variants[] = {
        {"as given", 40.0, 4.5e-5, -10000.0},
        {"inlet rate 1e-5 higher", 40.0 * (1.0 + 1e-5), 4.5e-5, -10000.0},
        {"inlet rate 1e-5 lower", 40.0 * (1.0 - 1e-5), 4.5e-5, -10000.0},
        {"roughness 0.1 % higher", 40.0, 4.5e-5 * 1.001, -10000.0},
        {"line 0.5 m longer", 40.0, 4.5e-5, -10000.5},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const family::Outcome full =
            run(closed_line(5.0f, 9000.0f, v.rate, v.roughness, v.start), "closed_swing_gor5");
        ASSERT_EQ(full.ierr, 0) << full.message;
        EXPECT_LE(full.summary.total_mass, bound);
        EXPECT_NEAR(simple.summary.total_mass / full.summary.total_mass, 1.0, 0.3)
            << simple.summary.total_mass << " kg against " << full.summary.total_mass << " kg";
    }
}

TEST_F(PhysicsRun, SimpleMethodCountsWhatTheInletDeliversAfterTheLeakOpens) {
    // Hand balance: the inlet's 20 kg/s for 600 s and half of its 10 s ramp
    // down, 12100 kg, plus the pipe content's expansion to the back pressure:
    // 253.4 m3 (0.254 m over 5 km) of liquid at about 850 kg/m3 with a
    // compressibility of about 1e-9 1/Pa over some 0.8 MPa, about 170 kg.
    const double inlet = 20.0 * (600.0 + 5.0);
    const double expansion = 0.25 * M_PI * 0.254 * 0.254 * 5000.0 * 850.0 * 1.0e-9 * 0.8e6;
    const double hand = inlet + expansion;

    const family::Outcome simple = run(oil_line(2.0f), "gor2");
    ASSERT_EQ(simple.ierr, 0) << simple.message;
    EXPECT_NE(simple.message.find("Simple calculation method"), std::string::npos)
        << simple.message;
    const family::Outcome full = run(oil_line(4.0f), "gor4");
    ASSERT_EQ(full.ierr, 0) << full.message;
    EXPECT_EQ(full.message.find("Simple calculation method"), std::string::npos) << full.message;

    EXPECT_NEAR(simple.summary.total_mass / hand, 1.0, 0.1) << simple.summary.total_mass;
    EXPECT_NEAR(full.summary.total_mass / hand, 1.0, 0.1) << full.summary.total_mass;
    EXPECT_NEAR(simple.summary.total_mass / full.summary.total_mass, 1.0, 0.1);
    // Oil volumes without the water (10 % water cut), as the full simulation
    // counts them, and a release that lasts at least while the inlet delivers.
    EXPECT_NEAR(simple.summary.oil_out / full.summary.oil_out, 1.0, 0.1);
    EXPECT_GE(simple.summary.time, 600.0f);
}

TEST_F(PhysicsRun, TemperatureHeldAtTheTableLimitIsReported) {
    const family::Outcome o = run(cold_gas_line(), "cold");
    ASSERT_EQ(o.ierr, 0) << o.message;
    const std::string warning =
        "WARNING: TEMPERATURE HELD AT THE PROPERTY TABLES' LOWER LIMIT -180.0 C FROM ";
    EXPECT_NE(o.message.find(warning), std::string::npos) << o.message;
    EXPECT_EQ(RUNCTL.TMLIM, -180.0f);
    EXPECT_LT(RUNCTL.TMLIM0, -180.0f);
    EXPECT_GT(RUNCTL.TLIMIT, 11400.0);  // during the release
    const std::string log = file("cold.log");
    const std::string line = " TEMPERATURE HELD AT THE PROPERTY TABLES' LOWER LIMIT -180.0 C FROM ";
    const size_t at = log.find(line);
    ASSERT_NE(at, std::string::npos) << log;
    EXPECT_NE(log.find("IN SECTION " + std::to_string(RUNCTL.ILIMIT), at), std::string::npos);
    EXPECT_LT(at, log.find("ENDTime(s)"));

    // A line that stays well inside the tables carries no such warning.
    const family::Outcome warm = run(isolated_gas_line(), "warm");
    ASSERT_EQ(warm.ierr, 0) << warm.message;
    EXPECT_EQ(RUNCTL.ILIMIT, 0);
    EXPECT_EQ(warm.message.find("WARNING"), std::string::npos) << warm.message;
}

// A sea at -180 C cools the shut-in gas to the tables' lowest temperature
// during the warm-up. The warning said "FROM -9770.5 S AFTER THE LEAK
// OPENED", a time before the opening read as a negative time after it.
TEST_F(PhysicsRun, TemperatureHeldDuringTheWarmUpSaysSo) {
    std::string json = isolated_gas_line();
    const std::string sea = "\"ambient_temperature\": 6.0";
    json.replace(json.find(sea), sea.size(), "\"ambient_temperature\": -180.0");
    const family::Outcome o = run(json, "cold_sea");
    ASSERT_EQ(o.ierr, 0) << o.message;
    EXPECT_LT(RUNCTL.TLIMIT, 11400.0);
    const std::string when = "-180.0 C DURING THE WARM-UP, BEFORE THE LEAK OPENED, IN SECTION " +
                             std::to_string(RUNCTL.ILIMIT);
    EXPECT_NE(o.message.find("WARNING: TEMPERATURE HELD AT THE PROPERTY TABLES' LOWER LIMIT " +
                             when + "; LATER RESULTS THERE ARE NOT RELIABLE."),
              std::string::npos)
        << o.message;
    const std::string log = file("cold_sea.log");
    EXPECT_NE(log.find(" TEMPERATURE HELD AT THE PROPERTY TABLES' LOWER LIMIT " + when),
              std::string::npos)
        << log;
    for (const std::string& text : {o.message, log})
        EXPECT_EQ(text.find("S AFTER THE LEAK OPENED"), std::string::npos) << text;
}

TEST_F(PhysicsRun, DryGasShowsNoLiquidAndReleasesNoOil) {
    // The gas is single-phase at every state the runs reach (above about
    // -55 C), so no row may show liquid in the line or liquid out of the
    // leak, and no oil may be released.
    for (const auto& [name, json] :
         {std::pair{std::string("gas_pipeline_comppvt"), example_text("gas_pipeline_comppvt")},
          std::pair{std::string("isolated_gas"), isolated_gas_line()}}) {
        SCOPED_TRACE(name);
        const family::Outcome o = run(json, name);
        ASSERT_EQ(o.ierr, 0) << o.message;
        const std::string plt = file(name + ".plt");
        for (const char* liquid : {"LIQC", "GLLEAK", "QLLEAK", "QLSTLK"}) {
            const std::vector<double> v = column(plt, liquid);
            ASSERT_FALSE(v.empty()) << liquid;
            for (size_t r = 0; r < v.size(); ++r)
                ASSERT_EQ(v[r], 0.0) << liquid << " row " << r + 1;
        }
        EXPECT_GT(o.summary.total_mass, 0.0f);
        EXPECT_EQ(o.summary.oil_out, 0.0f);
        EXPECT_EQ(o.summary.oil_out_std, 0.0f);
        EXPECT_EQ(o.summary.peak_oil_out, 0.0f);
    }
}

// A 1 km, 406 mm dry-gas line at 7 MPa blown down through a 50 mm hole: the
// gas cools to about -51 C near 2 MPa, 16 K above its dew point there, and
// warms back to 10 C. With a 100 mm hole it cools to -84 C and does condense
// near -60 C, then expands past its dew line again while still cold. The gas
// is the bundled example's.
std::string blowdown_case(const char* hole) {
    return std::string(R"({
  "network": {"branches": [{
    "start": {"x": -1000.0, "depth": 100.0},
    "pipe_defaults": {"diameter": 0.4064, "roughness": 4.5e-05, "heat_transfer": 10.0,
                      "ambient_temperature": 10.0},
    "pipes": [{"end": {"x": 0.0, "depth": 100.0}}]}]},
  "inlets": [{"branch": 1, "rate": 5.0, "temperature": 10.0, "closing_time": 0.0}],
  "outlet": {"pressure": 7000000.0, "closing_time": 0.5},
  "leak": {"branch": 1, "position": 500.0, "diameter": )") +
           hole + R"(, "back_pressure": 100000.0},
)" + EXAMPLE_GAS +
           R"(  "run": {"temperature_calculation": true}
})";
}

TEST_F(PhysicsRun, ColdDryGasAboveItsDewPointShowsNoLiquid) {
    // The tables' temperature step from -50 to -75 C made liquid as soon as
    // a section fell below -50 C; 0.29 m3 of it was left at +10 C.
    const family::Outcome o = run(blowdown_case("0.05"), "blowdown50");
    ASSERT_EQ(o.ierr, 0) << o.message;
    const std::string plt = file("blowdown50.plt");
    const std::vector<double> t = column(plt, "TM");
    ASSERT_FALSE(t.empty());
    EXPECT_LT(*std::min_element(t.begin(), t.end()), -50.0) << "the case no longer cools";
    for (const char* liquid : {"LIQC", "QLLEAK"}) {
        const std::vector<double> v = column(plt, liquid);
        ASSERT_FALSE(v.empty()) << liquid;
        for (size_t r = 0; r < v.size(); ++r) EXPECT_LE(v[r], 1.0e-3) << liquid << " row " << r + 1;
    }
    EXPECT_LE(o.summary.oil_out, 1.0e-3f);
}

TEST_F(PhysicsRun, CondensedGasEvaporatesWhereTheTablesSayGas) {
    // 14.9 m3 of liquid stayed in the line to the end of the run, long after
    // the gas had expanded to where the tables hold no liquid.
    const family::Outcome o = run(blowdown_case("0.1"), "blowdown100");
    ASSERT_EQ(o.ierr, 0) << o.message;
    const std::vector<double> v = column(file("blowdown100.plt"), "LIQC");
    ASSERT_FALSE(v.empty());
    EXPECT_GT(*std::max_element(v.begin(), v.end()), 1.0e-2) << "the case no longer condenses";
    EXPECT_LE(v.back(), 1.0e-3);
    double in_line = 0.0;
    // Liquid mass in the pipe sections (the boundary cells hold their inflow
    // state instead).
    for (int32_t s = 1; s <= PIPGEO.NSEC; ++s)
        if (std::abs(NETDSC.KSEC(s)) <= 1) in_line += SECVAR.ML(s) + SECVAR.MD(s);
    EXPECT_LE(in_line, 1.0e-3);
}

TEST_F(PhysicsRun, LeakNextToANearlyEmptySectionReleasesWhatTheLineLost) {
    const family::Outcome o = run(overdraw_case(), "overdraw");
    ASSERT_EQ(o.ierr, 0) << o.message;
    const double released = LEKRES.ACMASS(1);
    ASSERT_GT(released, 0.0);
    EXPECT_NEAR(balance_residual() / released, 0.0, 1e-4)
        << "released " << released << " kg, line " << SECVAR.RMTOT0 << " -> " << SECVAR.RMPIPE;
    EXPECT_NEAR(o.summary.total_mass / released, 1.0, 1e-6);
}
