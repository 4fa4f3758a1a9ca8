// The main window: start-up, controls, copy, pop-up menu, double click,
// resize and close.
#include "options_dialog.h"
#include "plot_view.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace tessel {
namespace {

using test::PressureAndTemperature;

class MainWindow : public test::WindowTest {};

TEST_F(MainWindow, EmptyCommandLineShowsTheUsageAndEnds) {
    for (const QStringList& arguments : {QStringList{}, QStringList{QStringLiteral("  ")}}) {
        test::MessageRecorder recorder;
        frmMain w;
        EXPECT_FALSE(w.Start(arguments));
        ASSERT_EQ(recorder.messages().size(), 1u);
        EXPECT_EQ(
            recorder.messages()[0].text,
            QStringLiteral("Filename not specified!\r\nTessel <filename>  [/unit = [1] or 2] \r\n"
                           "/unit=1 for SI and /unit=2 for english units!"));
        EXPECT_EQ(recorder.messages()[0].title, QStringLiteral("TORVAL - Plot"));
        EXPECT_EQ(recorder.messages()[0].flags, MB_OK);
    }
}

TEST_F(MainWindow, MissingFileOrFolderEnds) {
    for (const QString& path : {Path("gone.plt"), dir_.path()}) {
        test::MessageRecorder recorder;
        frmMain w;
        EXPECT_FALSE(w.Start({path, QStringLiteral("/unit=2")}));
        ASSERT_EQ(recorder.messages().size(), 1u);
        EXPECT_EQ(recorder.messages()[0].text,
                  path + QStringLiteral(" does not exist or has been moved!"));
        EXPECT_EQ(recorder.messages()[0].flags, MB_ICONEXCLAMATION);
    }
}

// The switch as the usage text spells it, with blanks, selects English units.
TEST_F(MainWindow, SpacedUnitSwitchSelectsEnglishUnits) {
    for (const char* unitSwitch : {"/unit = 2", "/unit =2", "/unit= 2"}) {
        frmMain& w = Open("net.plt", PressureAndTemperature(60), QString::fromLatin1(unitSwitch));
        EXPECT_EQ(w.windowTitle(), "Orvane - Trendplot [" + Path("net.plt") + "]") << unitSwitch;
        EXPECT_EQ(w.QtAxis(1)->titleText(), QStringLiteral("Pressure [psi]")) << unitSwitch;
    }
}

// A damaged file is refused with its line, and the viewer ends: no empty
// chart with a made-up title and axis is left to look like a result.
TEST_F(MainWindow, DamagedFileIsRefusedWithItsLineAndEnds) {
    const struct {
        const char* content;
        const char* message;
    } cases[] = {
        {"Time PT\nH N/M2\n- 1S/BR1\n0 1e6\n1 2e6\n6e304 3e6\n",
         ": line 6: the time 6e304 H is too large to be held in seconds!"},
        {"Time PT\nS N/M2\n- 1S/BR1\n0 1\n60\n",
         ": line 5: the last row ends after 1 of 2 numbers!"},
        {"Time PT\nS N/M2\n- 1S/BR1\n", ": the file holds its header but no rows of results!"},
    };
    for (const auto& c : cases) {
        test::MessageRecorder recorder;
        const QString path = Write("damaged.plt", c.content);
        Write("damaged.brn", test::BranchNames({"Outlet", "Riser"}));
        frmMain w;
        w.SetProgramDir(test::ProgramDir());
        EXPECT_FALSE(w.Start({path, QStringLiteral("/unit=1")})) << c.message;
        ASSERT_EQ(recorder.messages().size(), 1u) << recorder.texts().toStdString();
        EXPECT_EQ(recorder.messages()[0].text, path + QString::fromLatin1(c.message));
        EXPECT_EQ(recorder.messages()[0].flags, MB_ICONEXCLAMATION);
    }
}

TEST_F(MainWindow, StartUpCaptionControlsAndChartSetUp) {
    frmMain& w = Open("my net.plt", PressureAndTemperature(60));
    EXPECT_EQ(w.windowTitle(), "Orvane - Trendplot [" + Path("my net.plt") + "]");
    auto* copy = w.findChild<QPushButton*>(QStringLiteral("cmdCopy"));
    auto* close = w.findChild<QPushButton*>(QStringLiteral("cmdClose"));
    ASSERT_TRUE(copy && close);
    EXPECT_EQ(copy->text(), QStringLiteral("&Copy"));
    EXPECT_EQ(close->text(), QStringLiteral("C&lose"));
    auto* column = w.findChild<QComboBox*>(QStringLiteral("lstColumn"));
    ASSERT_TRUE(column);
    EXPECT_TRUE(column->isHidden());
    EXPECT_EQ(column->itemText(0), QStringLiteral("1"));
    EXPECT_EQ(column->itemText(1), QStringLiteral("2"));
    ASSERT_TRUE(w.findChild<PlotView*>(QStringLiteral("pltPlot")));

    // The chart's start-up fonts; a fresh chart shows the start-up titles.
    EXPECT_EQ(w.Chart()->titleFont().family(), QStringLiteral("Arial"));
    EXPECT_EQ(w.Chart()->titleFont().pointSize(), 14);
    EXPECT_EQ(w.QtAxis(0)->titleFont().pointSize(), 12);
    EXPECT_EQ(w.QtAxis(1)->titleFont().family(), QStringLiteral("Arial"));
    w.InitPlotChart();
    EXPECT_EQ(w.Chart()->title(), QStringLiteral("Tessel"));
    EXPECT_EQ(w.QtAxis(0)->titleText(), QStringLiteral("Time [min] "));
    EXPECT_EQ(w.QtAxis(1)->titleText(), QStringLiteral("Pressure [bar]"));
}

TEST_F(MainWindow, CopyPutsTheChartPictureAndItsDataOnTheClipboard) {
    frmMain& w = Open("net.plt", PressureAndTemperature(60));
    w.show();
    QApplication::clipboard()->clear();
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("cmdCopy")), Qt::LeftButton);
    const QImage image = QApplication::clipboard()->image();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), w.pltPlot()->size() * w.pltPlot()->devicePixelRatioF());
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("Time [sec]\tPressure [bar]\n0\t20\n60\t6.894757\n"));
    // The picture shows the curve: some pixels carry the curve's colour.
    int curvePixels = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == w.Series()->pen().color()) ++curvePixels;
    EXPECT_GT(curvePixels, 20);
}

TEST_F(MainWindow, RightButtonOffersCopyAndFormatAxis) {
    frmMain& w = Open("net.plt", PressureAndTemperature(60));
    w.show();
    QTest::mousePress(w.pltPlot()->viewport(), Qt::RightButton, {}, QPoint(100, 100));
    QMenu* menu = w.mnuEdit();
    EXPECT_TRUE(menu->isVisible());
    QStringList texts;
    for (QAction* a : menu->actions()) texts << a->text();
    EXPECT_EQ(texts, (QStringList{"&Copy", "F&ormat Axis"}));
    menu->hide();

    QApplication::clipboard()->clear();
    w.findChild<QAction*>(QStringLiteral("mnuCopy"))->trigger();
    EXPECT_FALSE(QApplication::clipboard()->image().isNull());

    // A left button does not open the menu.
    QTest::mousePress(w.pltPlot()->viewport(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_FALSE(menu->isVisible());
    QTest::mouseRelease(w.pltPlot()->viewport(), Qt::LeftButton, {}, QPoint(100, 100));
}

// Opens Format Axis by `open` and reports which window was modal, then
// cancels it.
QString ModalWindowOpenedBy(const std::function<void()>& open) {
    QString seen;
    QTimer::singleShot(0, [&seen] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            seen = modal->objectName() + QStringLiteral(": ") + modal->windowTitle();
            modal->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
        }
    });
    open();
    return seen;
}

TEST_F(MainWindow, DoubleClickAndMenuOpenFormatAxis) {
    frmMain& w = Open("net.plt", PressureAndTemperature(60));
    w.show();
    EXPECT_EQ(ModalWindowOpenedBy([&] {
                  QTest::mouseDClick(w.pltPlot()->viewport(), Qt::LeftButton, {}, QPoint(120, 90));
              }),
              QStringLiteral("frmOptions: Format Axis"));
    EXPECT_EQ(ModalWindowOpenedBy(
                  [&] { w.findChild<QAction*>(QStringLiteral("mnuFormatAxis"))->trigger(); }),
              QStringLiteral("frmOptions: Format Axis"));
}

TEST_F(MainWindow, ResizeGivesTheChartTheRoom) {
    frmMain& w = Open("net.plt", PressureAndTemperature(60));
    w.resize(700, 500);
    w.show();
    QApplication::processEvents();
    const QSize small = w.pltPlot()->size();
    w.resize(1100, 800);
    QApplication::processEvents();
    const QSize large = w.pltPlot()->size();
    EXPECT_EQ(large.width() - small.width(), 400);
    EXPECT_EQ(large.height() - small.height(), 300);
    // The buttons' pane keeps its place at the right edge.
    auto* right = w.findChild<QWidget*>(QStringLiteral("picRight"));
    ASSERT_TRUE(right);
    const int gap = w.width() - right->mapTo(&w, QPoint(right->width(), 0)).x();
    w.resize(800, 600);
    QApplication::processEvents();
    EXPECT_EQ(w.width() - right->mapTo(&w, QPoint(right->width(), 0)).x(), gap);
}

TEST_F(MainWindow, CloseButtonClosesTheWindow) {
    frmMain& w = Open("net.plt", PressureAndTemperature(60));
    w.show();
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("cmdClose")), Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
}

TEST(CenterForm, CentresOverTheParent) {
    QWidget parent;
    parent.setGeometry(100, 100, 800, 600);
    QWidget form(&parent, Qt::Window);
    form.resize(200, 100);
    CenterForm(&form, &parent);
    const QRect p = parent.frameGeometry();
    const QRect f = form.frameGeometry();
    EXPECT_EQ(f.left(), p.left() + (p.width() - f.width()) / 2);
    EXPECT_EQ(f.top(), p.top() + (p.height() - f.height()) / 2);
}

}  // namespace
}  // namespace tessel
