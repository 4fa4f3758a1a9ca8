// The near-field task base: base names, preparation, the run's result codes
// and the settings and trace texts.
#include "nearfield_fixture.h"

#include "nearfield_task.h"
#include "system_settings.h"
#include "units.h"

#include <cstring>
#include <sstream>
#include <stdexcept>

namespace {

TEST(NearFieldModel, base_name_cuts_the_extension_of_the_file_name_only) {
    struct Case {
        QString path, base;
    };
    const Case cases[] = {
        {"/home/eng/leak.zef", "/home/eng/leak"},
        {"/home/eng/leak.v2.zef", "/home/eng/leak.v2"},
        {"/home/eng/run.1/leak", "/home/eng/run.1/leak"},  // dot in a folder name
        {"leak.zef", "leak"},
        {"leak", "leak"},
        {"/home/eng/", "/home/eng/_nf_default"},  // a folder
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CNearFieldModel::MakeBaseName(c.path), c.base) << c.path.toStdString();
    EXPECT_TRUE(CNearFieldModel::MakeBaseName(QString()).isNull());
}

// A model whose computation returns a chosen result code.
class CodeModel : public CNearFieldModel {
public:
    int code = 0;
    void LoadRelease(float) override {}
    int Compute() override {
        ReportProgress(50);
        return code;
    }
};

TEST(NearFieldModel, result_codes_map_to_their_messages) {
    struct Row {
        int code, id;
    };
    const Row rows[] = {
        {1, 16128},
        {2, 16129},
        {5, 16130},
        {6, 16131},
        {10, 16132},
        {11, 16133},
        {12, 16134},
        {13, 16135},
        {20, 16136},
        {21, 16137},
        {22, 16138},
        {23, 16139},
        {50, 16140},
        {51, 16141},
        {52, 16142},
        {55, 16143},
        {56, 16144},
        {57, 16145},
        {60, 16146},
        {61, 16147},
        {-10, 16167},
        {-11, 16168},
        // anything else: unspecified
        {3, 16155},
        {7, 16155},
        {-1, 16155},
        {9998, 16155},
    };
    CodeModel model;
    ASSERT_TRUE(model.Prepare(SomeSummary(), ScratchScenario(), 50.0f, 0.2f, 4.0f, "./"));
    for (const Row& r : rows) {
        EXPECT_EQ(NearFieldResultMessage(r.code), r.id) << r.code;
        model.code = r.code;
        EXPECT_EQ(RunForMessage(model), r.id) << r.code;
    }
    EXPECT_EQ(NearFieldResultMessage(0), 0);
    EXPECT_EQ(NearFieldResultMessage(9999), 0);
}

TEST(NearFieldModel, done_reports_100_cancelled_reports_nothing_more) {
    CodeModel model;
    ASSERT_TRUE(model.Prepare(SomeSummary(), ScratchScenario(), 50.0f, 0.2f, 4.0f, "./"));
    for (int code : {0, 9999}) {
        std::vector<int> seen;
        NearFieldRunControl control;
        control.progress = [&](int p) { seen.push_back(p); };
        model.code = code;
        EXPECT_EQ(RunForMessage(model, control), 0);
        EXPECT_EQ(seen, code == 0 ? (std::vector<int>{0, 50, 100}) : (std::vector<int>{0, 50}));
    }
    // A failing code after the user cancelled is not reported as a failure.
    std::atomic<bool> cancel{true};
    NearFieldRunControl control;
    control.cancel = &cancel;
    model.code = 13;
    EXPECT_EQ(RunForMessage(model, control), 0);
}

TEST(NearFieldModel, the_base_computation_fails_as_an_internal_error) {
    class NoComputation : public CNearFieldModel {
        void LoadRelease(float) override {}
    } model;
    ASSERT_TRUE(model.Prepare(SomeSummary(), ScratchScenario(), 50.0f, 0.2f, 4.0f, "./"));
    EXPECT_EQ(RunForMessage(model), 16128);
}

TEST(NearFieldModel, preparation_records_the_first_error_and_stays_unprepared) {
    struct Case {
        const char* what;
        float depth, diameter;
        int thrown;  // by the release loader, 0 for none
        int id;
    };
    const Case cases[] = {
        {"depth zero", 0.0f, 0.1f, 0, 16187},
        {"depth negative", -5.0f, 0.1f, 0, 16187},
        {"depth negative and no diameter", -5.0f, 0.0f, 0, 16187},
        {"no diameter", 50.0f, 0.0f, 0, 16152},
        {"negative diameter", 50.0f, -0.1f, 0, 16152},
        {"result file missing", 50.0f, 0.1f, 16163, 16163},
        {"result file columns", 50.0f, 0.1f, 16164, 16164},
        {"unit conversion", 50.0f, 0.1f, -2, 16162},
        {"something else", 50.0f, 0.1f, -1, 16112},
    };
    class Loader : public CNearFieldModel {
    public:
        int thrown = 0;
        void LoadRelease(float) override {
            if (thrown > 0) throw ValidationError{static_cast<unsigned>(thrown), 0};
            if (thrown == -2) throw UnitFactorError();
            if (thrown < 0) throw std::runtime_error("unexpected");
        }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Loader model;
        model.thrown = c.thrown;
        EXPECT_FALSE(
            model.Prepare(SomeSummary(), ScratchScenario(), c.depth, c.diameter, 4.0f, "./"));
        ASSERT_EQ(model.Errors().size(), 1u);
        EXPECT_EQ(model.Errors()[0].id, static_cast<unsigned>(c.id));
        EXPECT_FALSE(model.IsPrepared());
        // Running an unprepared model: the discharge "has not been calculated".
        EXPECT_EQ(RunForMessage(model), 16148);
    }
}

TEST(NearFieldModel, preparation_keeps_the_leak_data_and_a_fresh_error_list) {
    CodeModel model;
    EXPECT_FALSE(model.Prepare(SomeSummary(), "/data/a.zef", 0.0f, 0.2f, 4.0f, "/amb/"));
    EXPECT_TRUE(model.Prepare(SomeSummary(), "/data/a.zef", 50.0f, 0.2f, 4.0f, "/amb/"));
    EXPECT_TRUE(model.Errors().empty());
    EXPECT_EQ(model.BaseName(), "/data/a");
    EXPECT_EQ(model.AmbientDir(), "/amb/");
    EXPECT_EQ(model.Depth(), 50.0f);
    EXPECT_EQ(model.Diameter(), 0.2f);
    EXPECT_EQ(model.Summary().total_mass, 500.0f);
}

TEST(NearFieldModel, settings_text_of_the_base_and_of_the_plume) {
    CodeModel base;
    base.Setup().ambient = "northsea";
    base.Setup().ambient_start_time = 1.5;
    base.Setup().plume_tracking = 3600;
    base.Setup().snapshot_count = 3;
    base.Setup().snapshot_interval = 0.25;
    base.Setup().option_oceandif = true;
    std::ostringstream os;
    base.PrintSettings(os);
    EXPECT_EQ(os.str(),
              "Ambient data: northsea\n"
              "start current at: 1.5 hours\n"
              "plume tracking time = 3600 s\n"
              "plume time step = 0.5 s\n"
              "plume output interval = 0 s\n"
              "3 snapshots at 0.25 hrs intervals\n"
              "\n"
              "opHydrate/IOPH = 0\n"
              "opOceanDif/IOPO = 1\n"
              "\n\n");

    CBubblePlume plume;
    plume.Setup().water_temperature = 7.25f;
    plume.Setup().start_year = 2024;
    plume.Setup().start_month = 2;
    plume.Setup().start_day = 29;
    plume.Setup().start_hour = 23;
    plume.Setup().start_minute = 5;
    std::ostringstream ps;
    plume.PrintSettings(ps);
    EXPECT_EQ(ps.str(),
              "Water temperature: 7.25 deg.C\n"
              "Mass rate smoothing: 4 timesteps before/after\n"
              "Start date and time: 2024, 2, 29, 23, 5 UTC\n");
}

TEST(NearFieldModel, a_new_plume_starts_with_its_defaults) {
    CBubblePlume plume;
    EXPECT_EQ(plume.smooth_massrate(), 4);
    EXPECT_EQ(plume.Setup().snapshot_count, 4);  // one field
    EXPECT_EQ(plume.Setup().water_temperature, 15.0f);
    EXPECT_EQ(plume.Setup().plume_step, -0.5);
    EXPECT_EQ(plume.AmbientDir(), "./");
    EXPECT_FALSE(plume.IsConfirmed());
    EXPECT_FALSE(plume.HasResult());
    EXPECT_EQ(plume.ResultValue(), 0.0f);
    plume.SetConfirmed(true);
    EXPECT_TRUE(plume.IsConfirmed());
}

TEST(NearFieldModel, release_trace_lists_the_summary_and_the_first_record) {
    class Records : public CNearFieldModel {
        void LoadRelease(float t) override {
            m_release.push_back({12.5f, 3.0f, 1.5f, 0.25f, t, 95.0f, 780.0f, 0.03f, 0.02f});
        }
    } model;
    DischargeSummary s{};
    const float words[11] = {100, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    std::memcpy(&s, words, sizeof s);
    ASSERT_TRUE(model.Prepare(s, "/data/leak.zef", 80.0f, 0.15f, 4.5f, "./"));
    std::ostringstream os;
    model.PrintReleaseTrace(os);
    EXPECT_EQ(os.str(),
              "\n--- NearField: ---\n"
              "Release summary:\n"
              "Time (to get Total Mass): 100 s\n"
              "PeakTotalMass = 1 kg/s\n"
              "PeakOilOut = 2 m3/s, 4 Sm3/s\n"
              "PeakGasOut = 3 m3/s, 5 Sm3/s\n"
              "TotMass = 6 kg\n"
              "OilOut = 7 m3, 9 Sm3\n"
              "GasOut = 8 m3, 10 Sm3\n"
              "\n"
              "Released at depth 80 m with diameter 0.15 m\n"
              "\n"
              "Ambient data: \n"
              "start current at: 0 hours\n"
              "plume tracking time = 0 s\n"
              "plume time step = 0.5 s\n"
              "plume output interval = 0 s\n"
              "0 snapshots at 0 hrs intervals\n"
              "\n"
              "opHydrate/IOPH = 0\n"
              "opOceanDif/IOPO = 0\n"
              "\n\n"
              "Scenario base name: /data/leak\n"
              "1 release records allocated\n"
              "First record is:\n"
              "   - Time: 12.5 s\n"
              "   - Qgas: 3 kg/s\n"
              "   - Qoil: 1.5 kg/s\n"
              "   - Qwater: 0.25 kg/s\n"
              "   - Temp: 4.5 deg.C\n"
              "   - ROG; dens. of gas at spillpoint: 95 kg/m3\n"
              "   - Roil; dens. of oil at spillpoint: 780 kg/m3\n"
              "   - SOW; interfacial tension O-W: 0.03 N/m\n"
              "   - SOG; interfacial tension O-G: 0.02 N/m\n");
}

// In diagnostic mode a successful preparation appends the release trace to
// the trace file in the program's folder.
TEST(NearFieldModel, diagnostic_mode_appends_the_release_trace) {
    QTemporaryDir dir;
    CSystemSettings settings;
    settings.Load(dir.filePath("orvane"), false);
    settings.SetDiagnosticMode(true);
    SetAppSettings(&settings);
    CodeModel model;
    const bool prepared = model.Prepare(SomeSummary(), "/data/leak.zef", 80.0f, 0.15f, 4.5f, "./");
    const bool refused = !model.Prepare(SomeSummary(), "/data/leak.zef", 0.0f, 0.15f, 4.5f, "./");
    SetAppSettings(nullptr);
    ASSERT_TRUE(prepared);
    EXPECT_TRUE(refused);
    ASSERT_EQ(QString::fromUtf8(app_trace_path()), dir.filePath("zeftrace.txt"));
    std::ostringstream expected;
    model.PrintReleaseTrace(expected);
    EXPECT_EQ(ReadAll(dir.filePath("zeftrace.txt")), expected.str());  // once: not when refused
}

}  // namespace

namespace {

// Deeper than 500 m the plume's result carries a warning, in the report's
// near-field lines and once in the release trace, after the depth line.
TEST(NearFieldModel, a_leak_below_500_m_warns_that_dissolution_and_hydrates_are_left_out) {
    const std::string warning =
        "Warning: The plume model leaves out gas dissolution and hydrate formation, which matter "
        "at "
        "leak depths below 500 m.\n";
    struct Case {
        float depth;
        bool warns;
    };
    for (const Case& c : {Case{120, false}, Case{490, false}, Case{500, false}, Case{500.5f, true},
                          Case{1000, true}, Case{3000, true}}) {
        SCOPED_TRACE(c.depth);
        RowsPlume plume;
        plume.rows = {{0, 0, 0}, {10, 50, 1.0f}};
        ASSERT_TRUE(plume.Prepare(SomeSummary(), "/data/leak.zef", c.depth, 0.1f, 4.0f, "./"));
        std::ostringstream trace;
        plume.PrintReleaseTrace(trace);
        const std::string text = trace.str();
        const size_t depthLine = text.find(" m with diameter 0.1 m\n");
        ASSERT_NE(depthLine, std::string::npos);
        const size_t at = text.find(warning);
        EXPECT_EQ(at != std::string::npos, c.warns) << text;
        if (c.warns) {
            EXPECT_EQ(at, text.find('\n', depthLine) + 1);
            EXPECT_EQ(text.find(warning, at + 1), std::string::npos);
        }
        const NearfieldReport report = MakeNearfieldReport(plume, true);
        EXPECT_EQ(report.warning.toStdString() + (c.warns ? "\n" : ""),
                  c.warns ? warning.substr(9) : std::string());
    }
}

}  // namespace
