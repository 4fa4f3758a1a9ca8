// The bounds every road into the network objects shares (dialogs, database
// sink, network check), by quantity key, in internal units.
#include "field_bounds.h"
#include "network_values.h"
#include "system_settings.h"
#include "units.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace {

class FieldBoundsTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.Load(ORVANE_PROGRAM_DIR "Orvane", false);
        SetAppSettings(&settings);
        QString problem;
        ASSERT_TRUE(LoadUnitTables(&problem)) << problem.toStdString();
    }
    void TearDown() override { SetAppSettings(nullptr); }
    CSystemSettings settings;
};

constexpr double INF = std::numeric_limits<double>::infinity();

struct Case {
    const char* key;
    double value;
    bool accepted;
};

const Case CASES[] = {
    {"LENGTH", 1000.0, true},     {"LENGTH", 0.0, false},
    {"LENGTH", -1.0, false},      {"LENGTH", 1e39, false},  // beyond single precision
    {"LENGTH", INF, false},       {"LENGTH", std::nan(""), false},
    {"DIAMETER", 0.3, true},      {"DIAMETER", 0.0, false},
    {"DIAMETER", 1e-45, false},   // a denormal float
    {"DIAMETER", 5e-324, false},  // a denormal double: 0 as a float
    {"DIAMETER", 3.4e38, false},  // 1.3e40 in: not finite in English units
    {"ROUGHNESS", 0.0, true},     {"ROUGHNESS", -1e-6, false},
    {"DEPTH", 0.0, true},         {"DEPTH", -1.0, false},
    {"DISTANCE", 0.0, true},      {"DISTANCE", -0.5, false},
    {"GASFLOWRATE", 0.0, true},   {"GASFLOWRATE", -10.0, false},
    {"PRESSURE", 101325.0, true}, {"PRESSURE", -1.0, false},
    {"TEMP", -273.15, true},      {"TEMP", -300.0, false},
    {"TEMP", 60.0, true},         {"HEATTRANS", 0.0, true},
    {"HEATTRANS", -5.0, false},   {"HEATTRANS", 1e39, false},
    {"CLOSINGTIME", -1.0, true},  {"CLOSINGTIME", 3e9, false},  // beyond a 32-bit integer
};

TEST_F(FieldBoundsTest, values_by_quantity_key) {
    for (const Case& c : CASES)
        EXPECT_EQ(IsAcceptableValue(c.key, c.value), c.accepted) << c.key << " " << c.value;
}

TEST_F(FieldBoundsTest, object_fields_map_to_their_quantity_keys) {
    struct Row {
        const char *type, *field, *key;
    };
    const Row rows[] = {
        {network::PIPELINE, "length", "LENGTH"},
        {network::PIPELINE, "diameter", "DIAMETER"},
        {network::PIPELINE, "roughness", "ROUGHNESS"},
        {network::PIPELINE, "heat_trans_coeff", "HEATTRANS"},
        {network::PIPELINE, "amb_temp", "TEMP"},
        {network::SPILL_POINT, "diameter", "DIAMETER"},
        {network::SPILL_POINT, "distance", "DISTANCE"},
        {network::SPILL_POINT, "backpressure", "PRESSURE"},
        {network::FLOW_INLET, "flowrate", "GASFLOWRATE"},
        {network::FLOW_OUTLET, "pressure", "PRESSURE"},
        {network::JUNCTION, "depth", "DEPTH"},
    };
    for (const Row& r : rows)
        EXPECT_STREQ(QuantityKeyOfField(r.type, r.field), r.key) << r.type << "." << r.field;
    EXPECT_EQ(QuantityKeyOfField(network::PIPELINE, "numcp"), nullptr);
}

}  // namespace
