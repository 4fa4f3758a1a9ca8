// Frame times of the program's window during Verify Layout and Calculate
// Discharge on each example scenario: a timer on the window thread ticks as
// often as the thread lets it, and the longest gap between two ticks while a
// command runs is the longest frame the window could have shown. The kept
// fluid tables are forgotten before each command, so that every Verify
// builds the tables of its composition anew (the first Verify of a scenario).
// Prints, per scenario and command, the median over REPEATS runs of the
// command's wall time and of its longest frame, and the worst frame of the
// two commands; beside them the model's check with the tables built on the
// window thread, as Verify Layout ran it before, and the clock alone for
// half a second with no command (the frames that scheduling alone stretches
// at the machine's load).
// Not a test: it measures. Offscreen unless QT_QPA_PLATFORM says otherwise.
//
//   build-rel/bench/window_frames_bench [REPEATS]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "command_ids.h"
#include "fluid_tables.h"
#include "main_frame.h"
#include "message_box.h"
#include "message_ids.h"
#include "scenario_doc.h"
#include "string_table.h"
#include "zef_app.h"

namespace {

// The longest gap between two ticks of a timer on the window thread.
class FrameClock {
public:
    FrameClock() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
    }
    void Start() {
        m_longest = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start(0);
    }
    double Stop() {
        Tick();
        m_timer.stop();
        return m_longest / 1.0e6;
    }

private:
    void Tick() {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0, m_longest = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int repeats = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    ScriptedMessageBoxes boxes;  // answers Yes (save before a run) and OK
    CZefApp app;
    app.SetModulePath(QStringLiteral(ORVANE_BIN_DIR "/Orvane"));
    app.SetArguments({});  // the repeat count is no file to open
    if (!app.InitInstance()) {
        std::fprintf(stderr, "the program did not start\n");
        return 2;
    }
    app.GetSettings().SetAutoResultOpen(false);
    app.MainFrame()->resize(1000, 720);
    app.MainFrame()->show();

    QTemporaryDir work;
    const QDir examples(QStringLiteral(WINDOW_BENCH_EXAMPLES));
    double worst = 0.0;
    std::printf("%-26s %-20s %10s %17s %14s\n", "scenario", "command", "wall_ms",
                "longest_frame_ms", "worst_frame_ms");
    for (const QString& name : examples.entryList({QStringLiteral("*.zef")}, QDir::Files)) {
        const QString copy = work.filePath(name);
        QFile::copy(examples.filePath(name), copy);
        if (!app.OpenDocumentFile(copy)) {
            std::fprintf(stderr, "%s did not open\n", qPrintable(name));
            return 2;
        }
        auto* doc = dynamic_cast<CScenarioDoc*>(app.MainFrame()->GetActiveDocument());
        if (!doc) return 2;
        // The model's check with the tables built on the window thread, the
        // way Verify Layout ran it before: the frame the window froze for.
        const QByteArray resultPath =
            QFile::encodeName(ScenarioBasePath(doc->GetPathName()) + QStringLiteral(".$$$"));
        auto onWindowThread = [&] {
            const CBlackOilModel& oil = doc->BlackOil();
            doc->ReleaseModel().ValidateNetwork(
                doc->GetDiagram(), oil.gas_density, oil.oil_density, oil.gas_oil_ratio,
                oil.water_cut, doc->Components().components, resultPath.constData());
        };
        const struct {
            int command;  // 0: the check with the tables on the window thread; -1: none
            const char* name;
        } commands[] = {{-1, "nothing (0.5 s)"},
                        {0, "check, window thread"},
                        {ID_SCENARIO_VERIFY, "Verify Layout"},
                        {ID_SCENARIO_CALC_DISCHARGE, "Calculate Discharge"}};
        for (const auto& c : commands) {
            std::vector<double> wall, longest;
            for (int r = 0; r < repeats; ++r) {
                ForgetFluidTables();
                FrameClock frames;
                QElapsedTimer clock;
                clock.start();
                frames.Start();
                if (c.command > 0) {
                    app.MainFrame()->ExecuteCommand(c.command);
                } else if (c.command == 0) {
                    onWindowThread();
                } else {
                    // The clock alone: what scheduling takes from the
                    // window thread at this load, with no command running.
                    QEventLoop idle;
                    QTimer::singleShot(500, &idle, &QEventLoop::quit);
                    idle.exec();
                }
                const double frame = frames.Stop();
                wall.push_back(clock.nsecsElapsed() / 1.0e6);
                longest.push_back(frame);
                if (c.command > 0) worst = std::max(worst, frame);
                QCoreApplication::processEvents();
            }
            std::printf("%-26s %-20s %10.1f %17.1f %14.1f\n", qPrintable(name), c.name,
                        median(wall), median(longest),
                        *std::max_element(longest.begin(), longest.end()));
        }
        doc->SetModifiedFlag(false);
        doc->OnCloseDocument();
    }
    std::printf("worst frame of Verify Layout and Calculate Discharge: %.1f ms\n", worst);
    for (const QString& text : boxes.Texts())
        if (text != AfxLoadString(IDS_NETWORK_VALID))
            std::fprintf(stderr, "message: %s\n", qPrintable(text));
    app.ExitInstance();
    return 0;
}
