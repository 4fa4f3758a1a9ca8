// What the simulation library would refuse at the start of a run is refused
// by the network check already, through zef_run --verify: exit status 1,
// the message with its value and limit in display units (English here, the
// settings' default), and the object's type and label.
#include "example_scenarios.h"
#include "zef_run_process.h"

#include <vexil/network_objects.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

using namespace discharge_test;

// Outlet "Platform" <- pipeline "Export" (1000 m, 10 in) <- inlet "Well",
// the leak 500 m along the pipeline.
struct Line {
    point_object *outlet, *inlet;
    pipeline* pipe;
    spill_point* leak;
};

Line drawLine(Network& net) {
    auto* outlet = net.Outlet(100);
    auto* pipe = net.Pipe(1000);
    auto* inlet = net.Inlet(110, 1000, 50);
    auto* spill = net.Spill(500, 105);
    object_set_label(outlet, "Platform");
    object_set_label(inlet, "Well");
    object_set_label(pipe, "Export");
    net.Chain(outlet, pipe, inlet);
    net.Leak(spill, pipe);
    return {as_point_object(outlet), as_point_object(inlet), as_pipeline(pipe),
            as_spill_point(spill)};
}

// n pipelines of one length in a row from the inlet, "P1" first, joined by
// connections; the leak 100 m along the middle one.
void drawRow(Network& net, int n, double length) {
    diagram_object* down = net.Outlet(100);
    object_set_label(down, "Platform");
    for (int i = n; i >= 1; --i) {
        auto* pipe = net.Pipe(length);
        object_set_label(pipe, ("P" + std::to_string(i)).c_str());
        diagram_object* up =
            i == 1 ? net.Inlet(110, 1000, 50) : net.Join(100 + 10.0 * (n - i + 1) / n);
        net.Chain(down, pipe, up);
        if (i == (n + 1) / 2) net.Leak(net.Spill(100, 105), pipe);
        down = up;
    }
}

struct Refusal {
    const char* name;
    std::function<void(Network&)> draw;
    float endTime;
    const char* object;  // the second line of the message, "" for none
    const char* message;
};

const Refusal REFUSALS[] = {
    {"a length below 30 m", [](Network& n) { drawLine(n).pipe->length = 0; }, 600,
     "Pipeline \"Export\"", "A Pipeline must have a length of at least 30 m or 100 ft."},
    {"a pipe diameter of 0", [](Network& n) { drawLine(n).pipe->diameter = 0; }, 600,
     "Pipeline \"Export\"", "The pipeline's diameter is 0 in; it must be greater than 0 in."},
    {"a negative pipe diameter", [](Network& n) { drawLine(n).pipe->diameter = -0.3; }, 600,
     "Pipeline \"Export\"", "The pipeline's diameter is -11.811 in; it must be greater than 0 in."},
    // 0.2 m = 7.87402 in against half of 10 in.
    {"a roughness above half the bore", [](Network& n) { drawLine(n).pipe->roughness = 0.2; }, 600,
     "Pipeline \"Export\"",
     "The pipeline's roughness of 7.87402 in is more than half its diameter, 5 in."},
    {"a negative roughness", [](Network& n) { drawLine(n).pipe->roughness = -0.001; }, 600,
     "Pipeline \"Export\"", "The pipeline's roughness is -0.0393701 in; it must not be negative."},
    {"a leak diameter of 0", [](Network& n) { drawLine(n).leak->diameter = 0; }, 600, "SpillPoint",
     "The leak's diameter is 0 in; it must be greater than 0 in."},
    // The leak model opens no hole below 1.0E-6 m2: 1.12838 mm, 0.0444243 in as
    // single precision shows it.
    {"a hole below the smallest opening", [](Network& n) { drawLine(n).leak->diameter = 0.001; },
     600, "SpillPoint",
     "The leak's diameter of 0.0393701 in is smaller than 0.0444243 in, the smallest hole the "
     "discharge model opens."},
    // A 600 mm hole (23.622 in) in the 10 in pipe.
    {"a hole larger than the bore", [](Network& n) { drawLine(n).leak->diameter = 0.6; }, 600,
     "SpillPoint",
     "The leak's diameter of 23.622 in is larger than the inner diameter of its pipeline, 10 in."},
    // 1200 m = 3937.01 ft on a pipeline of 1000 m = 3280.84 ft.
    {"a leak beyond its pipeline", [](Network& n) { drawLine(n).leak->distance = 1200; }, 600,
     "SpillPoint",
     "The leak lies 3937.01 ft from the upstream end of its pipeline; it must lie between 0 ft and "
     "3280.84 ft on "
     "this pipeline."},
    {"a leak before its pipeline", [](Network& n) { drawLine(n).leak->distance = -5; }, 600,
     "SpillPoint", "The leak lies -16.4042 ft from the upstream end"},
    // The 800 m branch from the junction is cut into 20 sections of 40 m and
    // an end section; the library finds the leak in all but the last real
    // one, so 760 m (2493.44 ft) is as far as it may lie.
    {"a leak in the last section of a branch from a junction",
     [](Network& n) {
         DrawTwoInlets(n);
         for (GList* l = n.data->active_layer->objects; l; l = l->next)
             if (spill_point* s = as_spill_point(static_cast<diagram_object*>(l->data)))
                 s->distance = 780;
     },
     600, "SpillPoint", "it must lie between 0 ft and 2493.44 ft on this pipeline."},
    // 100000 Pa = 14.5038 psi.
    {"a back pressure below 1 bar", [](Network& n) { drawLine(n).leak->backpressure = 0; }, 600,
     "SpillPoint",
     "The leak's back pressure of 0 psi is below 14.5038 psi. Open the Leakage Properties and "
     "press OK"},
    {"an end time below 10 minutes", [](Network& n) { drawLine(n); }, 300, "",
     "The discharge run's end time of 300 s lies outside 600 s to 9988600 s."},
    {"an end time beyond the boundary tables", [](Network& n) { drawLine(n); }, 9.99e6f, "",
     "The discharge run's end time of 9990000 s lies outside 600 s to 9988600 s."},
    // What the property tables cannot serve: the default black oil's tables
    // run from -30 to 200 C, and serve half a grid step beyond, -45 to 235 C
    // (-49 to 455 F).
    {"an ambient temperature of 1e11 C", [](Network& n) { drawLine(n).pipe->amb_temp = 1e11; }, 600,
     "Pipeline \"Export\"",
     "The pipeline's ambient temperature of 1.8e+11 °F lies outside -49 °F to 455 °F, the "
     "temperatures the fluid's property tables serve."},
    {"an inlet at 60,000 C", [](Network& n) { drawLine(n).inlet->temp = 60000; }, 600,
     "FlowInlet \"Well\"",
     "The inlet's temperature of 108032 °F lies outside -49 °F to 455 °F, the temperatures the "
     "fluid's property tables serve."},
    // 3000 bar outside the leak against the 2250 bar the tables serve.
    {"a back pressure beyond the tables", [](Network& n) { drawLine(n).leak->backpressure = 3e8; },
     600, "SpillPoint",
     "The leak's back pressure of 43511.3 psi is above 32633.5 psi, the highest pressure the "
     "fluid's property tables serve."},
    // What no subsea line can be: 711,200 m (28 million in) against 2 m
    // (78.7402 in); 2,500 km (8.2021e+06 ft) against 2,000 km (6.56168e+06 ft).
    {"a bore of 711 km", [](Network& n) { drawLine(n).pipe->diameter = 711200; }, 600,
     "Pipeline \"Export\"",
     "The pipeline's diameter of 2.8e+07 in is larger than 78.7402 in: no subsea line is that "
     "wide."},
    {"a pipeline of 2,500 km", [](Network& n) { drawLine(n).pipe->length = 2.5e6; }, 600,
     "Pipeline \"Export\"",
     "The pipeline's length of 8.2021e+06 ft is more than 6.56168e+06 ft: no subsea line is that "
     "long."},
    // The run starts from 1.1 times the outlet pressure, at least 2 bar:
    // 1.81818 bar = 26.3705 psi; 1 bar = 14.5038 psi.
    {"an outlet at 1 bar", [](Network& n) { drawLine(n).outlet->pressure = 1.0e5; }, 600,
     "FlowOutlet \"Platform\"",
     "The outlet's pressure of 14.5038 psi must be at least 26.3705 psi and below"},
    // Each pipeline from 475 m (1558.4 ft) on takes 20 sections; the first
    // and the last one more each: 202. The tenth pipeline passes 199.
    {"ten pipelines of 1 km in a row", [](Network& n) { drawRow(n, 10, 1000); }, 600,
     "Pipeline \"P10\"",
     "The network needs 202 computational sections, more than the 199 the discharge model can "
     "take. Use fewer or shorter pipelines: each pipeline of 1558.4 ft or more takes 20 "
     "sections."},
};

class VerifyRefusals : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
};

TEST_F(VerifyRefusals, each_refusal_names_its_object_value_and_limit) {
    int i = 0;
    for (const Refusal& r : REFUSALS) {
        const QString zef = dir.filePath(QStringLiteral("case%1.zef").arg(++i));
        ASSERT_TRUE(SaveDrawing(r.draw, false, zef, r.endTime)) << r.name;
        const Output o = zefRun({"--verify", zef});
        EXPECT_EQ(o.status, 1) << r.name;
        EXPECT_TRUE(o.err.contains(QString::fromUtf8(r.message))) << r.name << ":\n"
                                                                  << o.err.toStdString();
        const QString object = QString::fromUtf8(r.object);
        if (object.isEmpty())
            EXPECT_FALSE(o.err.contains("object:")) << r.name << ":\n" << o.err.toStdString();
        else
            EXPECT_TRUE(o.err.contains("\n  object: " + object + "\n")) << r.name << ":\n"
                                                                        << o.err.toStdString();
        EXPECT_TRUE(o.out.isEmpty()) << r.name;
    }
}

// A full-bore rupture is the largest hole there is, and a hole the run takes.
TEST_F(VerifyRefusals, a_full_bore_hole_passes_and_runs) {
    const QString zef = dir.filePath("fullbore.zef");
    ASSERT_TRUE(SaveDrawing([](Network& n) { drawLine(n).leak->diameter = 0.254; }, false, zef));
    const Output verify = zefRun({"--verify", zef});
    EXPECT_EQ(verify.status, 0) << verify.err.toStdString();
    const Output run = zefRun({zef});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("\nIERR 0\n"));
}

TEST_F(VerifyRefusals, ten_pipelines_of_450_m_take_192_sections_and_run) {
    const QString zef = dir.filePath("row450.zef");
    ASSERT_TRUE(SaveDrawing([](Network& n) { drawRow(n, 10, 450); }, false, zef));
    const Output verify = zefRun({"--verify", zef});
    EXPECT_EQ(verify.status, 0) << verify.err.toStdString();
    const Output run = zefRun({zef});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("\nIERR 0\n"));
}

}  // namespace
