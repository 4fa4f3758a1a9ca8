// The shipped component catalogue against the library's own component
// table: every model index selects the component the catalogue names, with
// the library's mole weight.
#include "fluid_model.h"

#include "pvt/pvt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

// Model index -> row of the library's constant table, as the library's
// compositional tables document it: 1 nitrogen (row 3), 2 CO2 (2), 3 H2S
// (5), 4 methane (4), 5 ethane (6), 6 propane (7), 7 isobutane (9), 8
// n-butane (8), 9 and 10 pentane (10), 11 hexane (11); 12 and above the row
// itself.
int RowOf(int model) {
    static const int rows[12] = {0, 3, 2, 5, 4, 6, 7, 9, 8, 10, 10, 11};
    return model <= 11 ? rows[model] : model;
}

TEST(FluidCatalogue, model_indices_and_mole_weights_match_the_library_table) {
    const std::vector<FluidComponent> cat = ReadFluidCatalogue(ORVANE_PROGRAM_DIR "fluidcomps.txt");
    ASSERT_GE(cat.size(), 11u);
    const rel::Cmpcat& lib = rel::cmpcat_initial();
    std::map<int, QString> seen;
    int plusFractions = 0;
    for (const FluidComponent& c : cat) {
        SCOPED_TRACE(c.compid.toStdString());
        ASSERT_GE(c.model_idx, 1);
        ASSERT_LE(c.model_idx, rel::MXCAT);
        EXPECT_GT(c.mole_weight, 0.0f);
        if (c.liquid_density == LIQUID_DENSITY_MUST_BE_ENTERED) {
            // A plus fraction: its own mole weight and density, characterised
            // by the library; it needs a heavy slot of its own.
            EXPECT_GE(c.model_idx, 12);
            ++plusFractions;
        } else {
            EXPECT_NEAR(c.mole_weight, lib.E[RowOf(c.model_idx)].MW, 1e-3)
                << "model " << c.model_idx;
        }
        if (c.model_idx >= 12) {
            EXPECT_TRUE(seen.emplace(c.model_idx, c.compid).second) << "heavy slot shared";
        } else {
            EXPECT_FALSE(c.HasLiquidDensity());
        }
    }
    EXPECT_GE(plusFractions, 1);
    // The eleven defined light components are all offered, once each.
    std::map<int, int> light;
    for (const FluidComponent& c : cat)
        if (c.model_idx <= 11) ++light[c.model_idx];
    for (int m = 1; m <= 11; ++m) EXPECT_EQ(light[m], 1) << "model " << m;
}

}  // namespace
