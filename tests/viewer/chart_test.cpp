// Drawing a column: converted values, time and display units, titles.
#include "message_box.h"
#include "window_fixture.h"

namespace tessel {
namespace {

using test::PressureAndTemperature;

class Chart : public test::WindowTest {};

TEST_F(Chart, DrawsTheFirstListedColumnInEnglishUnits) {
    frmMain& w = Open("net.plt", PressureAndTemperature(60), "/unit=2");
    EXPECT_TRUE(recorder_.messages().empty()) << recorder_.texts().toStdString();
    ASSERT_EQ(List()->count(), 2);
    EXPECT_EQ(List()->currentText(), QStringLiteral("Pressure at leak"));
    // 2e6 Pa and 689475.7 Pa in psi (1 psi = 6894.757 Pa).
    const std::vector<QPointF> points = Points();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].x(), 0.0);
    EXPECT_EQ(points[1].x(), 60.0);
    EXPECT_NEAR(points[0].y(), 2e6 / 6894.757, 1e-9);
    EXPECT_NEAR(points[1].y(), 100.0, 1e-9);
    EXPECT_EQ(w.QtAxis(1)->titleText(), QStringLiteral("Pressure [psi]"));
    EXPECT_EQ(w.QtAxis(0)->titleText(), QStringLiteral("Time [sec]"));
    EXPECT_EQ(w.Chart()->title(), QStringLiteral("Pressure at leak"));

    // Choosing the temperature draws it in °F.
    List()->setCurrentIndex(1);
    EXPECT_NEAR(Points()[0].y(), 68.0, 1e-4);
    EXPECT_NEAR(Points()[1].y(), 212.0, 1e-4);
    EXPECT_EQ(w.QtAxis(1)->titleText(), QStringLiteral("Fluid Temperature [°F]"));
    EXPECT_EQ(w.Chart()->title(), QStringLiteral("Fluid Temperature at leak"));
}

TEST_F(Chart, TimeUnitFollowsTheLastTime) {
    const struct {
        double last;
        const char* title;
        double x;
    } cases[] = {{119, "Time [sec]", 119},
                 {120, "Time [min]", 2},
                 {7200, "Time [hours]", 2},
                 {172800, "Time [days]", 2}};
    for (const auto& c : cases) {
        frmMain& w = Open("net.plt", PressureAndTemperature(c.last));
        EXPECT_EQ(w.QtAxis(0)->titleText(), QString::fromUtf8(c.title)) << c.last;
        EXPECT_EQ(Points().at(1).x(), c.x) << c.last;
        // The automatic time scale covers the data.
        EXPECT_LE(w.QtAxis(0)->min(), 0.0);
        EXPECT_GE(w.QtAxis(0)->max(), c.x);
    }
}

TEST_F(Chart, UnknownUnitKeepsWhatTheChartShowed) {
    frmMain& w = Open("net.plt",
                      "Time PT HLEAK\n"
                      "S N/M2 W\n"
                      "- 1S/BR1 50-/BR1\n"
                      "0 100000 5\n"
                      "60 200000 6\n");
    // HLEAK is not in the conversion file: list it through our own file.
    ASSERT_EQ(List()->count(), 1);
    const std::vector<QPointF> before = Points();
    ASSERT_EQ(before.size(), 2u);
    EXPECT_NEAR(before[1].y(), 2.0, 1e-12);
    // Point the list entry at the W column, as a conversion file could.
    w.findChild<QComboBox*>(QStringLiteral("lstColumn"))->setItemText(0, QStringLiteral("2"));
    w.updateplot();
    ASSERT_EQ(recorder_.messages().size(), 2u);
    EXPECT_EQ(recorder_.messages()[0].text, QStringLiteral("W not defined in updateplot!"));
    EXPECT_EQ(recorder_.messages()[0].title, kPlotTitle);
    EXPECT_EQ(recorder_.messages()[1].text, QStringLiteral("UnKnown Input Unit"));
    EXPECT_EQ(Points(), before);
    EXPECT_EQ(w.QtAxis(1)->titleText(), QStringLiteral("Pressure [bar]"));
}

TEST_F(Chart, PlumeFileDrawsWithoutBranchLabels) {
    frmMain& w = Open("net.dbs",
                      "Time     Vgas0    Macc     W        Rtime    Qgas     R\n"
                      "s        m3/s     kg       m/s      s        kg/s     m\n"
                      "-        -        -        -        -        -        -\n"
                      "0.00000  0.00000  0.00000  0.00000  0.00000  0.00000  0.00000 \n"
                      "49.0000  1.00000  10.0000  3.02040  35.9718  0.204082 23.2702 \n");
    EXPECT_TRUE(recorder_.messages().empty()) << recorder_.texts().toStdString();
    ASSERT_EQ(List()->count(), 6);
    EXPECT_EQ(List()->itemText(0), QStringLiteral("Gas volume rate at the leak"));
    EXPECT_EQ(Points().at(1).y(), 86400.0);  // 1 m3/s in m3/d
    EXPECT_EQ(w.QtAxis(1)->titleText(), QStringLiteral("Gas volume rate at the leak [m3/d]"));
}

}  // namespace
}  // namespace tessel
