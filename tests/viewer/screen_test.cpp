// Pictures for people, on a virtual X server: the program itself started on
// a result written by the library, and the main window and Format Axis on the
// leak rate of that result. The probes below are the proof; the pictures go
// to the build's test-artifacts folder.
#include "main_window.h"
#include "options_dialog.h"
#include "plot_view.h"
#include "test_support.h"
#include "x_input.h"

#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <functional>

namespace tessel {
namespace {

using test::CanSendXInput;
using test::WheelDownAt;

// The colour the main window draws its curve in.
const QColor kCurve(0, 0, 192);

bool HasColourNear(const QImage& image, const QColor& colour, QPoint centre, int radius) {
    for (int y = centre.y() - radius; y <= centre.y() + radius; ++y)
        for (int x = centre.x() - radius; x <= centre.x() + radius; ++x)
            if (image.rect().contains(x, y) && image.pixelColor(x, y) == colour) return true;
    return false;
}

class Screen : public test::ScratchTest {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsSet("TESSEL_NO_XVFB"))
            GTEST_SKIP() << "xvfb-run is not installed on this machine";
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run under xvfb-run";
        plt_ = test::RunRealCase(
            QStringLiteral(TESSEL_EXAMPLE_CASES_DIR "/one_branch_blackoil.json"), dir_.path());
        ASSERT_FALSE(plt_.isEmpty());
        Write(QStringLiteral("one_branch_blackoil.brn"),
              test::BranchNames({"Riser base", "Flowline"}));
    }

    QString Artifact(const QString& name) const {
        return QDir(test::ArtifactsDir()).filePath(name);
    }

    QString plt_;
};

// Where the curve ends: the rightmost pixel of the curve's colour, and the
// topmost and bottommost rows the curve reaches.
struct CurveExtent {
    int pixels = 0;
    QPoint rightmost{-1, -1};
    int top = 0;
    int bottom = 0;
};

CurveExtent Extent(const QImage& image) {
    CurveExtent e;
    e.top = image.height();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) != kCurve) continue;
            ++e.pixels;
            if (x > e.rightmost.x()) e.rightmost = QPoint(x, y);
            e.top = std::min(e.top, y);
            e.bottom = std::max(e.bottom, y);
        }
    return e;
}

// Grabs the screen until `done` holds for it (bounded only so that a broken
// program cannot hang the test).
QImage WaitForScreen(QProcess& program, const std::function<bool(const QImage&)>& done) {
    QImage screen;
    for (int attempt = 0; attempt < 300; ++attempt) {
        QTest::qWait(100);
        if (program.state() != QProcess::Running) break;
        screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        if (done(screen)) break;
    }
    return screen;
}

TEST_F(Screen, ProgramShowsARealLeakRateCurve) {
    QProcess tessel;
    tessel.setProcessChannelMode(QProcess::ForwardedChannels);
    tessel.start(QStringLiteral(TESSEL_BIN), {plt_, QStringLiteral("/unit=1")});
    ASSERT_TRUE(tessel.waitForStarted());

    // It opens on the first listed curve, the accumulated leaked mass: it rises
    // and levels off, so the curve ends at its top.
    const QImage start =
        WaitForScreen(tessel, [](const QImage& s) { return Extent(s).pixels >= 200; });
    start.save(Artifact(QStringLiteral("tessel_program_start.png")));
    ASSERT_EQ(tessel.state(), QProcess::Running) << "Tessel ended early";
    const CurveExtent mass = Extent(start);
    ASSERT_GE(mass.pixels, 200) << "the program's curve did not appear on the screen";
    EXPECT_LE(mass.rightmost.y() - mass.top, 3);

    if (!CanSendXInput()) {
        tessel.kill();
        tessel.waitForFinished();
        GTEST_SKIP()
            << "the X test extension (libxtst-dev) is not installed: no second curve chosen";
    }
    // The window sits at the screen's top left without a window manager; the
    // variable list is in its top pane. One wheel step there chooses the next
    // entry, the leak's total flow rate, which falls to zero when the release
    // ends: that curve ends at its bottom.
    QPoint origin(-1, -1);
    for (int y = 0; y < start.height() && origin.x() < 0; ++y)
        for (int x = 0; x < start.width(); ++x)
            if (start.pixelColor(x, y) != QColor(Qt::black)) {
                origin = QPoint(x, y);
                break;
            }
    ASSERT_TRUE(WheelDownAt(origin.x() + 300, origin.y() + 19));
    const QImage rate = WaitForScreen(tessel, [](const QImage& s) {
        const CurveExtent e = Extent(s);
        return e.pixels >= 200 && e.bottom - e.rightmost.y() <= 3;
    });
    rate.save(Artifact(QStringLiteral("tessel_program_leak_rate.png")));
    const CurveExtent flow = Extent(rate);
    tessel.kill();
    tessel.waitForFinished();
    EXPECT_GE(flow.pixels, 200);
    EXPECT_LE(flow.bottom - flow.rightmost.y(), 3)
        << "the leak rate's curve did not replace the mass";
}

// A damaged result file: the program says which line is wrong, and no chart
// window appears behind the message (nothing of the curve's colour, and the
// program ends once the message is answered).
TEST_F(Screen, DamagedFileShowsItsMessageAndNoChart) {
    const QString damaged =
        Write(QStringLiteral("damaged.plt"), "Time PT\nS N/M2\n- 1S/BR1\n0 1e6\n60 2e6\n120\n");
    Write(QStringLiteral("damaged.brn"), test::BranchNames({"Riser base"}));
    QProcess tessel;
    tessel.setProcessChannelMode(QProcess::ForwardedChannels);
    tessel.start(QStringLiteral(TESSEL_BIN), {damaged, QStringLiteral("/unit=1")});
    ASSERT_TRUE(tessel.waitForStarted());
    // The message box: something other than the black root window.
    const QImage screen = WaitForScreen(tessel, [](const QImage& s) {
        for (int y = 0; y < s.height(); y += 4)
            for (int x = 0; x < s.width(); x += 4)
                if (s.pixelColor(x, y) != QColor(Qt::black)) return true;
        return false;
    });
    screen.save(Artifact(QStringLiteral("tessel_damaged_file.png")));
    ASSERT_EQ(tessel.state(), QProcess::Running) << "no message was shown";
    QTest::qWait(500);  // a chart window would be up by now
    const QImage later = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    EXPECT_EQ(Extent(later).pixels, 0) << "a chart is drawn behind the message";
    tessel.kill();
    tessel.waitForFinished();
}

// The window opens whole on a screen 1000 pixels high even where it is placed
// low (as a window manager may), buttons and all.
TEST_F(Screen, WindowStaysWholeOnTheScreen) {
    frmMain window;
    window.SetProgramDir(test::ProgramDir());
    ASSERT_TRUE(window.Start({plt_, QStringLiteral("/unit=1")}));
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    window.move(room.left() + 100, room.bottom() - 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(200);
    EXPECT_TRUE(room.contains(window.frameGeometry()))
        << "window " << window.frameGeometry().y() << "+" << window.frameGeometry().height()
        << " on a screen of " << room.height();
    auto* close = window.findChild<QWidget*>(QStringLiteral("cmdClose"));
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(room.contains(QRect(close->mapToGlobal(QPoint(0, 0)), close->size())));
    QGuiApplication::primaryScreen()->grabWindow(0).save(
        Artifact(QStringLiteral("tessel_on_the_screen_%1.png").arg(room.height())));
}

// Asked for its usage, the program prints it and ends without a window.
TEST(TesselHelp, PrintsItsUsage) {
    QProcess tessel;
    tessel.start(QStringLiteral(TESSEL_BIN), {QStringLiteral("--help")});
    ASSERT_TRUE(tessel.waitForFinished(10000));
    EXPECT_EQ(tessel.exitCode(), 0);
    const QString out = QString::fromUtf8(tessel.readAllStandardOutput());
    EXPECT_TRUE(out.startsWith(QStringLiteral("usage: Tessel FILE [/unit=1|/unit=2]")))
        << qPrintable(out);
    EXPECT_TRUE(out.contains(QStringLiteral("/unit=2  English units")));
}

TEST_F(Screen, MainWindowAndFormatAxisOnTheRealLeakRate) {
    frmMain window;
    window.SetProgramDir(test::ProgramDir());
    ASSERT_TRUE(window.Start({plt_, QStringLiteral("/unit=1")}));
    EXPECT_TRUE(recorder_.messages().empty()) << recorder_.texts().toStdString();
    auto* list = window.findChild<QComboBox*>(QStringLiteral("lstVariable"));
    const int rate = list->findText(QStringLiteral("Leakage, Total Flow Rate at leak"));
    ASSERT_GE(rate, 0);
    list->setCurrentIndex(rate);
    window.resize(1000, 700);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(200);

    // The series holds the file's leak rates, in kg/s.
    const ResultData& data = window.Data();
    const QList<QPointF> points = window.Series()->points();
    ASSERT_EQ(points.size(), data.nRow);
    int peak = 0;
    for (int i = 0; i < data.nRow; ++i) {
        EXPECT_NEAR(points[i].y(), data.Ydata[2][i], 1e-9);
        if (data.Ydata[2][i] > data.Ydata[2][peak]) peak = i;
    }
    EXPECT_GT(data.Ydata[2][peak], 1.0) << "a real leak flows";
    EXPECT_EQ(window.QtAxis(1)->titleText(), QStringLiteral("Leakage, Total Flow Rate [kg/s]"));
    EXPECT_EQ(window.QtAxis(0)->titleText(), QStringLiteral("Time [min]"));

    // The curve passes through the peak where the chart places it.
    const QImage image = window.grab().toImage();
    image.save(Artifact(QStringLiteral("tessel_leak_rate.png")));
    PlotView* view = window.pltPlot();
    const QPointF scene = window.Chart()->mapToPosition(points[peak], window.Series());
    const QPoint inWindow = view->mapTo(&window, view->mapFromScene(scene));
    const qreal ratio = image.devicePixelRatioF();
    EXPECT_TRUE(HasColourNear(image, kCurve, (QPointF(inWindow) * ratio).toPoint(), 3))
        << "no curve at the peak, " << inWindow.x() << "," << inWindow.y();
    EXPECT_GT(Extent(image).pixels, 200);

    // Format Axis over the window, filled from the chart.
    frmOptions options(&window);
    options.Load();
    CenterForm(&options, &window);
    options.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&options));
    QTest::qWait(100);
    options.grab().save(Artifact(QStringLiteral("tessel_format_axis.png")));
    options.close();
}

}  // namespace
}  // namespace tessel
