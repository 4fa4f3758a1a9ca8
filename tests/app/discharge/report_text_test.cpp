// The summary report text, compared byte for byte with texts laid out by
// hand (Metric display units): an empty scenario, a full one with a current
// result, gas composition and near-field summary, and an outdated result.
#include "discharge_fixture.h"
#include "report_text.h"
#include "system_settings.h"

#include <vexil/diagramdata.h>

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace discharge_test;

QString dashes(int n) { return QString(n, QLatin1Char('-')); }
const QString B30(30, QLatin1Char(' '));

QString strings(unsigned id) { return QStringLiteral("<string %1>").arg(id); }

// The five headings with their unit rows and rules, and the rows between.
QString networkPart(const QString& inlets, const QString& outlets, const QString& leaks,
                    const QString& pipes) {
    return "Inlets:\r\n\r\nLabel                              Depth    Flow rate  Temp.   "
           "Closing\r\n" +
           B30 + "       [m]      [Sm3/d]   [°C]       [s]\r\n" + dashes(70) + "\r\n" + inlets +
           "\r\n\r\n" +
           "Outlet:\r\n\r\nLabel                              Depth  Pressure   Closing\r\n" + B30 +
           "       [m]     [bar]       [s]\r\n" + dashes(60) + "\r\n" + outlets + "\r\n\r\n" +
           "Leakage point:\r\n\r\n  Distance  Diameter     Depth  Pressure\r\n" +
           "       [m]      [mm]       [m]     [bar]\r\n" + dashes(40) + "\r\n" + leaks +
           "\r\n\r\n" +
           "Pipelines:\r\n\r\nLabel                             Length  Diameter Roughness  Heat "
           "tran.  Temp.\r\n" +
           B30 + "       [m]      [mm]      [mm]     [W/m2K]   [°C]\r\n" + dashes(79) + "\r\n" +
           pipes + "\r\n\r\n";
}

const QString FLOWLINE_ROWS[4] = {
    // inlets
    "Well A                               150         1000     60       600\r\n",
    // outlet
    "Platform                             125        20       300\r\n",
    // leak
    "       500        50       137   14.8514\r\n",
    // pipelines, in drawing order
    "Flowline 2                          1000       254      0.05          20      4\r\n"
    "Flowline 1                          1000       254      0.05          20      4\r\n",
};

class ReportText : public ::testing::Test {
protected:
    void SetUp() override {
        keptUnits = AppSettings()->DisplayUnits();
        AppSettings()->SetDisplayUnits(0);  // Metric
        model.SetFluidClass(FLUID_GAS_COMPOSITION);
    }
    void TearDown() override { AppSettings()->SetDisplayUnits(keptUnits); }

    static void SetSummary(CReleaseModel& model) {
        auto s = std::make_unique<DischargeSummary>();
        *s = {90061.4f, 12.5f, 0.01f, 0.2f, 0.012f, 1.5f, 50000.0f, 40.0f, 900.0f, 45.0f, 60000.0f};
        model.SetSummary(std::move(s));
    }

    int keptUnits = 0;
    CReleaseModel model;
    FluidComponentList comps;
};

TEST_F(ReportText, empty_scenario_has_headings_and_no_rows) {
    Network net;
    EXPECT_EQ(BuildReportText(net.data, model, comps, nullptr, strings),
              networkPart("", "", "", ""));
}

TEST_F(ReportText, full_scenario_with_a_current_result) {
    QTemporaryDir dir;
    Network net;
    DrawFlowline(net);
    SetSummary(model);
    model.SetUpToDate(true);
    model.SetWarning("RELEASE NOT FINISHED AT END TIME");
    comps.comps_confirmed = true;
    FluidComponent methane, heavy;
    methane.name = "Methane";
    methane.mole_weight = 16.043f;
    methane.fraction = 90.0f;
    heavy.name = "C7+ heavy fraction";
    heavy.mole_weight = 100.2f;
    heavy.liquid_density = 720.0f;
    heavy.fraction = 10.0f;
    comps.components = {methane, heavy};
    NearfieldReport nf;
    nf.prepared = true;
    nf.waterTemp = 4.5f;
    nf.ulvOutput = true;
    nf.year = 2024, nf.month = 3, nf.day = 5, nf.hour = 7, nf.minute = 9;
    nf.hasResult = true;
    nf.boilingZoneRadius = 12.5f;

    const QString expected =
        networkPart(FLOWLINE_ROWS[0], FLOWLINE_ROWS[1], FLOWLINE_ROWS[2], FLOWLINE_ROWS[3]) +
        "Gas Composition:\r\n\r\nFraction  Component    Mole weight  Liq.density\r\n"
        "     [%]                   [g/mol]      [g/cm3]\r\n" +
        dashes(47) + "\r\n" +
        "      90 Methane           16.043\r\n"
        "      10 C7+ heavy f        100.2         0.72\r\n"
        "\r\n\r\n"
        "Release Summary:\r\n\r\nTime to get total mass: 90061 seconds (1d 1h 1m 1s)\r\n\r\n"
        "                   Peak rate                  Total           \r\n" +
        dashes(62) + "\r\n" +
        "Mass:            12.5          kg/s       50000         kg        \r\n"
        "Oil:             36            m3/h       40            m3        \r\n"
        "Gas:             0.2           m3/s       900           m3        \r\n"
        "Oil (std.cond):  1036.8        Sm3/d      45            Sm3       \r\n"
        "Gas (std.cond):  129600        Sm3/d      60000         Sm3       \r\n"
        "\r\nWarnings: RELEASE NOT FINISHED AT END TIME\r\n"
        "\r\n\r\n"
        "Nearfield Summary:\r\n\r\n"
        "Water temperature: 4.5 °C\r\n"
        "Start time, output to Ulv/5: 2024-03-05 07:09 UTC\r\n"
        "Average boiling zone radius: 12.5 m\r\n"
        "\r\n\r\n";
    EXPECT_EQ(BuildReportText(net.data, model, comps, &nf, strings), expected);
}

// A run that stopped after the leak opened: its time is only a lower bound.
TEST_F(ReportText, a_run_that_stopped_reports_its_time_as_a_lower_bound) {
    Network net;
    DrawFlowline(net);
    SetSummary(model);
    model.SetUpToDate(true);
    const auto texts = [](unsigned id) {
        return id == IDS_TIME_AT_LEAST      ? QStringLiteral("at least %1")
               : id == IDS_TIME_RUN_STOPPED ? QStringLiteral("%1 (the run stopped)")
                                            : strings(id);
    };
    const QString stopped =
        "Time to get total mass: at least 90061 seconds (1d 1h 1m 1s) (the run "
        "stopped)\r\n";
    model.SetWarning(RELEASE_RUN_STOPPED_TEXT
                     "90061.400 S AFTER THE LEAK OPENED (PRESSURE TOO HIGH.); THE RESULTS ARE "
                     "THOSE UP TO THEN.");
    EXPECT_TRUE(BuildReportText(net.data, model, comps, nullptr, texts).contains(stopped));
    model.SetWarning("SIMULATION REACHED USER SPECIFIED END TIME BUT PIPELINE IS STILL LEAKING!");
    const QString text = BuildReportText(net.data, model, comps, nullptr, texts);
    EXPECT_FALSE(text.contains("at least")) << text.toStdString();
    EXPECT_TRUE(text.contains("Time to get total mass: 90061 seconds (1d 1h 1m 1s)\r\n"));
}

// With a black oil the inlet rate is the total liquid rate the run reads:
// the table says so, in Sm3/d or bbl/d (1 bbl = 0.158987294928 m3).
TEST_F(ReportText, black_oil_inlet_rate_is_the_total_liquid_rate) {
    Network net;
    DrawFlowline(net);  // Well A: 1000 Sm3/d
    model.SetFluidClass(FLUID_BLACK_OIL);
    static const QRegularExpression row(QStringLiteral("\r\nWell A +\\S+ +(\\S+) "));
    const struct {
        int units;
        const char* unit;
        double shown;
    } cases[] = {{0, "[Sm3/d]", 1000.0}, {1, "[bbl/d]", 1000.0 / 0.158987294928}};
    for (const auto& c : cases) {
        AppSettings()->SetDisplayUnits(c.units);
        const QString text = BuildReportText(net.data, model, comps, nullptr, strings);
        EXPECT_TRUE(text.startsWith("Inlets:\r\n\r\nFlow rate: Total liquid flow rate"))
            << text.toStdString();
        const QString inlets = text.left(text.indexOf("Outlet:"));
        EXPECT_TRUE(inlets.contains(c.unit)) << inlets.toStdString();
        const QRegularExpressionMatch m = row.match(inlets);
        ASSERT_TRUE(m.hasMatch()) << inlets.toStdString();
        EXPECT_NEAR(m.captured(1).toDouble(), c.shown, 1e-5 * c.shown) << c.unit;
    }
}

TEST_F(ReportText, outdated_result_needs_recalculation_and_hides_the_nearfield) {
    Network net;
    DrawFlowline(net);
    SetSummary(model);
    model.SetUpToDate(false);
    NearfieldReport nf;
    nf.prepared = true;
    const QString expected =
        networkPart(FLOWLINE_ROWS[0], FLOWLINE_ROWS[1], FLOWLINE_ROWS[2], FLOWLINE_ROWS[3]) +
        "Release Summary: (needs recalculation)\r\n";
    EXPECT_EQ(BuildReportText(net.data, model, comps, &nf, strings), expected);
}

TEST_F(ReportText, outlet_that_never_closes_has_no_closing_value) {
    Network net;
    auto* outlet = net.Outlet(100, 3.0e6);  // closing time -1
    object_set_label(outlet, "\n  \nSecond line\nThird");
    const QString text = BuildReportText(net.data, model, comps, nullptr, strings);
    EXPECT_TRUE(text.contains("\r\n  " + QString(28, ' ') + "       100        30\r\n"))
        << text.toStdString();
}

TEST_F(ReportText, diagram_without_exactly_one_layer_gives_the_structure_message) {
    Network net;
    diagram_add_layer(net.data, layer_create(g_strdup("second")));
    EXPECT_EQ(BuildReportText(net.data, model, comps, nullptr, strings), "<string 16113>");
}

TEST(ReportColumns, labels_are_cut_at_30_characters_not_bytes) {
    Network net;
    auto* inlet = net.Inlet();
    const QString name = QString(40, QChar(0x00F8));  // ø, two bytes in UTF-8
    object_set_label(inlet, name.toUtf8().constData());
    EXPECT_EQ(ReportLabel(inlet), QString(30, QChar(0x00F8)));
    auto* bare = net.Junction();
    EXPECT_EQ(ReportLabel(bare), QString(30, ' '));
}

TEST(ReportColumns, durations_split_into_days_hours_minutes_seconds) {
    struct Case {
        float seconds;
        const char* text;
    } cases[] = {{90061.4f, "90061 seconds (1d 1h 1m 1s)"},
                 {0.0f, "0 seconds (0d 0h 0m 0s)"},
                 {3599.6f, "3600 seconds (0d 1h 0m 0s)"},
                 {172800.0f, "172800 seconds (2d 0h 0m 0s)"}};
    for (const Case& c : cases) EXPECT_EQ(ReportDuration(c.seconds), c.text) << c.seconds;
}

}  // namespace
