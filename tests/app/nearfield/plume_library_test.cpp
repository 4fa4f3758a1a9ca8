// The near field on a discharge that the real library computed: a flowline
// with a leak runs through RELEASE, the plume reads the result file it wrote
// and carries all the leaked mass to the surface.
#include "../model/network_builder.h"
#include "nearfield_fixture.h"

#include "release_model.h"
#include "units.h"

#include <vexil/object.h>

#include <cmath>
#include <sstream>

namespace {

using model_test::Network;

struct DbsRow {
    double Time, Vgas0, Macc, W, Rtime, Qgas, R;
};

std::vector<DbsRow> ReadDbs(const QString& path) {
    std::istringstream in(ReadAll(path));
    std::string line;
    for (int i = 0; i < 3; ++i) std::getline(in, line);
    std::vector<DbsRow> rows;
    DbsRow r{};
    while (in >> r.Time >> r.Vgas0 >> r.Macc >> r.W >> r.Rtime >> r.Qgas >> r.R) rows.push_back(r);
    return rows;
}

TEST(PlumeOnLibraryResult, leaked_mass_reaches_the_surface_in_the_plume_file) {
    ASSERT_TRUE(vexil_startup());
    ASSERT_TRUE(LoadUnitConversions(ORVANE_PROGRAM_DIR "unitconv.txt"));
    QTemporaryDir dir;

    // inlet (150 m) <- 1000 m <- join (140 m) <- 1000 m <- outlet (125 m), a
    // 5 cm leak 137 m deep, 500 m into the downstream pipeline.
    const double leakDepth = 137;
    Network net;
    auto* outlet =
        net.Add("FlowOutlet", {{"depth", 125}, {"pressure", 2.0e6}, {"closingtime", 300}});
    auto *down = net.Pipe(1000), *join = net.Join(140), *up = net.Pipe(1000);
    auto* inlet = net.Inlet(150, 1000, 60);
    auto* spill = net.Add("SpillPoint", {{"depth", leakDepth},
                                         {"distance", 500},
                                         {"diameter", 0.05},
                                         {"backpressure", leakDepth * 9.80665 * 1030 + 101325}});
    net.Chain(outlet, down, join);
    net.Chain(join, up, inlet);
    net.Leak(spill, down);

    CReleaseModel discharge;
    const std::string result = dir.filePath("flowline.$$$").toStdString();
    ASSERT_TRUE(
        discharge.ValidateNetwork(net.data, 0.85f, 850.0f, 100.0f, 10.0f, {}, result.c_str()));
    orvane::ReleaseInput& in = *discharge.GetInput();
    discharge.Control().TUSER = 600.0f;
    DischargeSummary summary{};
    std::string message;
    ASSERT_EQ(orvane::CallRelease(in, discharge.Control(), summary, nullptr, message), 0)
        << message;
    ASSERT_GT(summary.total_mass, 0.0f);

    CBubblePlume plume;
    SetUlv5Start(plume.Setup(), 2024, 12, 31, 23, 55);
    ASSERT_TRUE(plume.Prepare(summary, dir.filePath("flowline.zef"), in.leak_depth, 0.05f,
                              in.leak_amb_temp, "./"));
    EXPECT_EQ(in.leak_depth, static_cast<float>(leakDepth));
    ASSERT_GT(plume.Samples().size(), 10u);
    EXPECT_EQ(RunForMessage(plume), 0);

    const std::vector<DbsRow> rows = ReadDbs(dir.filePath("flowline.dbs"));
    ASSERT_GT(rows.size(), 5u);
    // Whole seconds, increasing; the cumulative mass never falls and ends at
    // the leaked mass of the result file (its last row), i.e. the run's total.
    for (size_t k = 1; k < rows.size(); ++k) {
        EXPECT_GT(rows[k].Time, rows[k - 1].Time);
        EXPECT_EQ(rows[k].Time, std::trunc(rows[k].Time));
        EXPECT_GE(rows[k].Macc, rows[k - 1].Macc);
    }
    const double leaked = plume.Samples().back().MASSLK;
    EXPECT_NEAR(rows.back().Macc, leaked, 1e-5 * leaked);
    EXPECT_NEAR(leaked, summary.total_mass, 0.01 * summary.total_mass);

    // A plume from 137 m: radius scale 0.2 H c1 with c1 about 0.44 at z 0.932,
    // widened by the boil by less than a factor 3 for surface velocities of a
    // few m/s.
    const double A = PlumeState::Build(leakDepth).A;
    EXPECT_GT(plume.AvgBoilzoneRadius(), A);
    EXPECT_LT(plume.AvgBoilzoneRadius(), 3 * A);
    for (const DbsRow& r : rows)
        if (r.Time > 0) {
            EXPECT_GT(r.W, 0.5);
            EXPECT_LT(r.W, 10.0);
        }

    // All of it reaches the surface within the hour: one Ulv/5 row, the leaked
    // mass over the time it took to arrive (the plume file's last row).
    ASSERT_LT(rows.back().Time, 3600.0);
    std::istringstream dat(ReadAll(dir.filePath("flowline.dat")));
    std::string yy, doy, hh;
    double rate = 0, c = 0, kelvin = 0;
    ASSERT_TRUE(dat >> yy >> doy >> hh >> rate >> c >> kelvin);
    EXPECT_EQ((std::vector<std::string>{yy, doy, hh}),
              (std::vector<std::string>{"24", "366", "24"}));
    EXPECT_NEAR(rate * rows.back().Time / 1000.0, leaked, 1e-5 * leaked);
    EXPECT_FALSE(dat >> yy);
}

}  // namespace
