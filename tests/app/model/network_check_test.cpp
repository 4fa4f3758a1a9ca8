// The network check's own view of the library's discretisation, and how its
// messages show values.
#include "network_check.h"
#include "system_settings.h"
#include "units.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(NetworkCheck, sections_per_pipe_as_the_library_cuts_them) {
    // max(2, INT(L/25) + 1) below 500 m, else 20 (hand values).
    const struct {
        float length;
        int sections;
    } cases[] = {{30, 2},      {49.9f, 2}, {50, 3},   {100, 5},  {450, 19},
                 {474.9f, 19}, {475, 20},  {499, 20}, {500, 20}, {5000, 20}};
    for (const auto& c : cases)
        EXPECT_EQ(network::SectionsOfPipe(c.length), c.sections) << c.length;
}

TEST(NetworkCheck, values_are_shown_in_the_display_units_with_their_unit) {
    CSystemSettings settings;
    settings.Load(ORVANE_PROGRAM_DIR "Orvane", false);
    SetAppSettings(&settings);
    ASSERT_TRUE(LoadUnitTables());
    const struct {
        int units;
        const char* key;
        double value;
        const char* shown;
    } cases[] = {
        {0, "DIAMETER", 0.254, "254 mm"},
        {1, "DIAMETER", 0.254, "10 in"},
        {0, "PRESSURE", 100000, "1 bar"},
        {1, "PRESSURE", 100000, "14.5038 psi"},  // 1e5 / 6894.757
        {1, "LENGTH", 475, "1558.4 ft"},
        {0, "DISTANCE", INFINITY, "inf"},
        {1, "DISTANCE", std::nan(""), "nan"},
    };
    for (const auto& c : cases) {
        settings.SetDisplayUnits(c.units);
        EXPECT_EQ(network::DisplayValue(c.key, c.value).toStdString(), c.shown)
            << c.key << " " << c.value;
    }
    SetAppSettings(nullptr);
}

}  // namespace
