// A scenario saved to and loaded from a ".zef" file validates and runs
// through the real library; the result reader then reads what the library
// wrote, by name and by position label.
#include "fluid_section.h"
#include "network_builder.h"
#include "release_model.h"
#include "result_file_reader.h"
#include "units.h"

#include <vexil/diagram_file.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

using model_test::Network;

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    return w;
}

TEST(ScenarioRun, saved_scenario_validates_and_runs_through_the_library) {
    ASSERT_TRUE(vexil_startup());
    ASSERT_TRUE(LoadUnitConversions(ORVANE_PROGRAM_DIR "unitconv.txt"));
    QTemporaryDir dir;
    const QString zef = dir.filePath("flowline.zef");
    {
        // inlet (150 m) <- 1000 m <- join (140 m) <- 1000 m <- outlet (125 m),
        // a 5 cm leak 500 m into the downstream pipeline.
        Network net;
        auto* outlet =
            net.Add("FlowOutlet", {{"depth", 125}, {"pressure", 2.0e6}, {"closingtime", 300}});
        auto *down = net.Pipe(1000), *join = net.Join(140), *up = net.Pipe(1000);
        auto* inlet = net.Inlet(150, 1000, 60);
        auto* spill = net.Add("SpillPoint", {{"depth", 137},
                                             {"distance", 500},
                                             {"diameter", 0.05},
                                             {"backpressure", 137 * 9.80665 * 1030 + 101325}});
        net.Chain(outlet, down, join);
        net.Chain(join, up, inlet);
        net.Leak(spill, down);
        CBlackOilModel oil;
        oil.Set(0.85f, 850.0f, 100.0f, 10.0f);
        FluidComponentList comps;
        CFluidModel fluid(oil, comps);
        const FileSection sections[] = {{&fluid, "fluid", SaveFluidSection, LoadFluidSection},
                                        {nullptr, nullptr, nullptr, nullptr}};
        ASSERT_TRUE(diagram_file_save(net.data, zef.toUtf8().constData(), 0, sections));
    }

    diagram_data* data = diagram_data_create();
    CBlackOilModel oil;
    FluidComponentList comps;
    CFluidModel fluid(oil, comps);
    const FileSection sections[] = {{&fluid, "fluid", SaveFluidSection, LoadFluidSection},
                                    {nullptr, nullptr, nullptr, nullptr}};
    ASSERT_TRUE(diagram_file_load(zef.toUtf8().constData(), data, sections));
    ASSERT_TRUE(fluid.IsConfirmed(FLUID_BLACK_OIL));

    CReleaseModel model;
    const std::string base = dir.filePath("flowline.$$$").toStdString();
    const bool valid =
        model.ValidateNetwork(data, oil.gas_density, oil.oil_density, oil.gas_oil_ratio,
                              oil.water_cut, comps.components, base.c_str());
    diagram_data_free(data);
    ASSERT_TRUE(valid) << model.Errors().front().id << " " << model.Errors().front().xref;
    orvane::ReleaseInput& in = *model.GetInput();
    EXPECT_NEAR(in.lek.LEKX, 1500.0f, 0.01f);  // 1000 m of the upstream pipeline + 500 m
    EXPECT_EQ(in.br[0].NPIPE, 2);

    model.Control().TUSER = 600.0f;
    DischargeSummary sum;
    std::string msg;
    ASSERT_EQ(orvane::CallRelease(in, model.Control(), sum, nullptr, msg), 0) << msg;
    const float* v = &sum.time;
    for (int i = 0; i < 11; ++i) EXPECT_TRUE(std::isfinite(v[i])) << "summary word " << i;
    EXPECT_GT(sum.total_mass, 0.0f);

    // The result file beside the scenario, read by name and position label.
    const QString plt = dir.filePath("flowline.plt");
    QFile f(plt);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const auto names = Words(f.readLine().toStdString()), units = Words(f.readLine().toStdString()),
               labels = Words(f.readLine().toStdString());
    ASSERT_GE(names.size(), 16u);
    size_t secondPT = 0;
    for (size_t c = 0, seen = 0; c < names.size(); ++c)
        if (names[c] == "PT" && ++seen == 2) secondPT = c;
    ASSERT_GT(secondPT, 0u);
    const std::vector<std::string> firstRow = Words(f.readLine().toStdString());
    f.close();

    const std::string label = labels[secondPT];
    const ResultColumn table[] = {{"PT", "bar", label.c_str()},
                                  {"MASSLK", "lb", nullptr},
                                  {"Time", "s", nullptr},
                                  {nullptr, nullptr, nullptr}};
    ResultFileReader reader;
    reader.Open(plt);
    ResultColumnMap map;
    ASSERT_TRUE(reader.ReadHeader(table, map));
    ASSERT_EQ(map.size(), 3u);
    std::vector<float> row;
    ASSERT_TRUE(reader.ReadRow(map, row));
    EXPECT_NEAR(row[0], std::stof(firstRow[secondPT]) * 1e-5f,
                1e-5f * std::fabs(row[0]));  // Pa to bar
    EXPECT_FLOAT_EQ(row[2], std::stof(firstRow[0]));
    EXPECT_LT(row[2], 0.0f);  // warm-up rows come first, before the leak opens
    float lastMass = 0;
    while (reader.ReadRow(map, row)) lastMass = row[1];
    EXPECT_NEAR(lastMass, sum.total_mass * 2.20462262f, 0.01f * sum.total_mass * 2.20462262f);
}

}  // namespace
