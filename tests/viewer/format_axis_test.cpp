// Format Axis: filling from the chart, applying manual and automatic scales,
// division counts, intersections, refusals and the tick counts of the axes.
#include "options_dialog.h"
#include "message_box.h"
#include "text_utils.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

namespace tessel {
namespace {

using test::PressureAndTemperature;

class FormatAxis : public test::WindowTest {
protected:
    void SetFrame(frmOptions& f, int i, const QString& min, const QString& max,
                  const QString& major, const QString& minor, const QString& cross) {
        f.txtMin[i]->setText(min);
        f.txtMax[i]->setText(max);
        f.txtMajor[i]->setText(major);
        f.txtMinor[i]->setText(minor);
        f.txtIntersection[i]->setText(cross);
    }
    QStringList Frame(const frmOptions& f, int i) {
        return {f.txtMin[i]->text(), f.txtMax[i]->text(), f.txtMajor[i]->text(),
                f.txtMinor[i]->text(), f.txtIntersection[i]->text()};
    }
};

TEST_F(FormatAxis, ControlsCarryTheirIds) {
    frmMain& w = Open("net.plt", PressureAndTemperature(60));
    frmOptions f(&w);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Format Axis"));
    for (const char* id :
         {"optAutomatic_0", "txtMin_0", "txtMax_0", "txtMajor_0", "txtMinor_0", "txtIntersection_0",
          "optAutomatic_1", "txtIntersection_1", "cmdOK", "cmdCancel"})
        EXPECT_TRUE(f.findChild<QWidget*>(QString::fromUtf8(id))) << id;
    EXPECT_EQ(f.optAutomatic[0]->text(), QStringLiteral("&Automatic scale"));
    EXPECT_EQ(f.optAutomatic[1]->text(), QStringLiteral("A&utomatic scale"));
}

TEST_F(FormatAxis, FillsFromTheAutomaticScales) {
    frmMain& w = Open("net.plt", PressureAndTemperature(60));
    frmOptions f(&w);
    f.Load();
    EXPECT_TRUE(f.optAutomatic[0]->isChecked());
    EXPECT_TRUE(f.optAutomatic[1]->isChecked());
    const AxisState& time = w.Axis(0);
    EXPECT_EQ(Val(f.txtMin[0]->text()), time.minimum);
    EXPECT_EQ(Val(f.txtMax[0]->text()), time.maximum);
    EXPECT_DOUBLE_EQ(Val(f.txtMajor[0]->text()),
                     (time.maximum - time.minimum) / time.majorDivision);
    // The automatic scale covers the data (0..60 s; 6.89..20 bar).
    EXPECT_LE(time.minimum, 0.0);
    EXPECT_GE(time.maximum, 60.0);
    EXPECT_LE(w.Axis(1).minimum, 6.894757);
    EXPECT_GE(w.Axis(1).maximum, 20.0);
}

TEST_F(FormatAxis, ManualScalesApplyAndReopenShowsThem) {
    frmMain& w = Open("net.plt", PressureAndTemperature(60));
    {
        frmOptions f(&w);
        f.Load();
        SetFrame(f, 0, "0", "60", "15", "5", "30");        // value axis crosses at 30 s
        SetFrame(f, 1, "-10", "40", "10", "2.5", "12.5");  // time axis crosses at 12.5 bar
        EXPECT_FALSE(f.optAutomatic[0]->isChecked());
        EXPECT_TRUE(f.onOk());
    }
    EXPECT_TRUE(recorder_.messages().empty()) << recorder_.texts().toStdString();
    // The Qt axes: range, major ticks = divisions + 1, minor ticks between
    // major ones = minor divisions - 1.
    EXPECT_EQ(w.QtAxis(0)->min(), 0.0);
    EXPECT_EQ(w.QtAxis(0)->max(), 60.0);
    EXPECT_EQ(w.QtAxis(0)->tickCount(), 5);
    EXPECT_EQ(w.QtAxis(0)->minorTickCount(), 2);
    EXPECT_EQ(w.QtAxis(1)->min(), -10.0);
    EXPECT_EQ(w.QtAxis(1)->max(), 40.0);
    EXPECT_EQ(w.QtAxis(1)->tickCount(), 6);
    EXPECT_EQ(w.QtAxis(1)->minorTickCount(), 3);
    // The crossings drawn as lines: the time axis at 12.5 bar, the value axis at 30 s.
    ASSERT_TRUE(w.CrossingLine(0)->isVisible());
    EXPECT_EQ(w.CrossingLine(0)->points(), (QList<QPointF>{QPointF(0, 12.5), QPointF(60, 12.5)}));
    ASSERT_TRUE(w.CrossingLine(1)->isVisible());
    EXPECT_EQ(w.CrossingLine(1)->points(), (QList<QPointF>{QPointF(30, -10), QPointF(30, 40)}));

    frmOptions again(&w);
    again.Load();
    EXPECT_FALSE(again.optAutomatic[0]->isChecked());
    EXPECT_FALSE(again.optAutomatic[1]->isChecked());
    EXPECT_EQ(Frame(again, 0), (QStringList{"0", "60", "15", "5", "30"}));
    EXPECT_EQ(Frame(again, 1), (QStringList{"-10", "40", "10", "2.5", "12.5"}));

    // Drawing another column keeps the manual scales.
    List()->setCurrentIndex(1);
    EXPECT_EQ(w.QtAxis(1)->min(), -10.0);
    EXPECT_EQ(w.QtAxis(1)->tickCount(), 6);
}

TEST_F(FormatAxis, DivisionCountsRoundHalfToEven) {
    const struct {
        const char* max;
        const char* major;
        const char* minor;
        int majorDivisions;
        int minorDivisions;
    } cases[] = {
        {"10", "4", "4", 2, 1},    // 2.5 -> 2
        {"14", "4", "4", 4, 1},    // 3.5 -> 4
        {"10", "5", "2", 2, 2},    // minor 2.5 -> 2
        {"10", "7", "2", 1, 4},    // 1.43 -> 1, minor 3.5 -> 4
        {"10", "2.5", "1", 4, 2},  // minor 2.5 -> 2
    };
    frmMain& w = Open("net.plt", PressureAndTemperature(60));
    for (const auto& c : cases) {
        frmOptions f(&w);
        f.Load();
        SetFrame(f, 0, "0", c.max, c.major, c.minor, "0");
        ASSERT_TRUE(f.onOk()) << recorder_.texts().toStdString();
        EXPECT_EQ(w.Axis(0).majorDivision, c.majorDivisions) << c.max << " / " << c.major;
        EXPECT_EQ(w.Axis(0).minorDivision, c.minorDivisions) << c.major << " / " << c.minor;
        EXPECT_EQ(w.QtAxis(0)->tickCount(), c.majorDivisions + 1);
        EXPECT_EQ(w.QtAxis(0)->minorTickCount(), c.minorDivisions - 1);
    }
}

TEST_F(FormatAxis, TypingUnticksOnlyItsOwnFrame) {
    frmMain& w = Open("net.plt", PressureAndTemperature(60));
    w.show();
    frmOptions f(&w);
    f.Load();
    f.show();
    ASSERT_TRUE(f.optAutomatic[0]->isChecked());
    QTest::keyClicks(f.txtMax[0], "5");
    EXPECT_FALSE(f.optAutomatic[0]->isChecked());
    EXPECT_TRUE(f.optAutomatic[1]->isChecked());
    QTest::keyClicks(f.txtIntersection[1], "1");
    EXPECT_FALSE(f.optAutomatic[1]->isChecked());
}

TEST_F(FormatAxis, FocusSelectsTheWholeText) {
    frmMain& w = Open("net.plt", PressureAndTemperature(60));
    w.show();
    frmOptions f(&w);
    f.Load();
    f.show();
    QApplication::setActiveWindow(&f);
    f.txtMin[1]->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(f.txtMin[1]->selectedText(), f.txtMin[1]->text());
}

TEST_F(FormatAxis, AutomaticTickedIgnoresTheBoxesAndRestoresAutomaticScales) {
    frmMain& w = Open("net.plt", PressureAndTemperature(60));
    {
        frmOptions f(&w);
        f.Load();
        SetFrame(f, 0, "0", "600", "100", "50", "5");
        SetFrame(f, 1, "0", "100", "20", "10", "5");
        ASSERT_TRUE(f.onOk());
    }
    ASSERT_EQ(w.QtAxis(0)->max(), 600.0);
    frmOptions f(&w);
    f.Load();
    SetFrame(f, 0, "junk", "", "0", "0", "x");  // ignored: the box is ticked again below
    f.optAutomatic[0]->setChecked(true);
    ASSERT_TRUE(f.onOk()) << recorder_.texts().toStdString();
    EXPECT_TRUE(w.Axis(0).autoScale);
    EXPECT_TRUE(w.Axis(1).autoIntersection)
        << "the time frame's automatic covers where the value axis crosses";
    EXPECT_FALSE(w.CrossingLine(1)->isVisible());
    EXPECT_LT(w.QtAxis(0)->max(), 600.0);
    EXPECT_GE(w.QtAxis(0)->max(), 60.0);
    EXPECT_FALSE(w.Axis(1).autoScale);
    EXPECT_EQ(w.QtAxis(1)->max(), 100.0);
}

TEST_F(FormatAxis, UnsoundEntriesAreRefusedAndNothingChanges) {
    const struct {
        const char* min;
        const char* max;
        const char* major;
        const char* minor;
        const char* message;
    } cases[] = {
        {"10", "10", "1", "1", "The maximum of the value scale must be above its minimum!"},
        {"0", "10", "0", "1",
         "The major unit of the value scale must divide it into 1 to 32767 parts!"},
        {"0", "10", "", "1",
         "The major unit of the value scale must divide it into 1 to 32767 parts!"},
        {"0", "10", "100", "1",
         "The major unit of the value scale must divide it into 1 to 32767 parts!"},
        {"0", "1e9", "1", "1",
         "The major unit of the value scale must divide it into 1 to 32767 parts!"},
        {"0", "10", "1", "0",
         "The minor unit of the value scale must divide the major unit into 1 to 32767 parts!"},
        {"0", "10", "1", "5",
         "The minor unit of the value scale must divide the major unit into 1 to 32767 parts!"},
        {"abc", "10", "1", "1", "The minimum of the value scale must be a number, not \"abc\"!"},
        {"0", "1O", "1", "1", "The maximum of the value scale must be a number, not \"1O\"!"},
        {"0", "10", "2,5", "1", "The major unit of the value scale must be a number, not \"2,5\"!"},
    };
    frmMain& w = Open("net.plt", PressureAndTemperature(60));
    const double max = w.QtAxis(1)->max();
    for (const auto& c : cases) {
        test::MessageRecorder recorder;
        frmOptions f(&w);
        f.Load();
        SetFrame(f, 1, c.min, c.max, c.major, c.minor, "0");
        EXPECT_FALSE(f.onOk()) << c.message;
        ASSERT_EQ(recorder.messages().size(), 1u) << c.message;
        EXPECT_EQ(recorder.messages()[0].text, QString::fromUtf8(c.message));
        EXPECT_TRUE(w.Axis(1).autoScale);
        EXPECT_EQ(w.QtAxis(1)->max(), max);
    }
}

}  // namespace
}  // namespace tessel
