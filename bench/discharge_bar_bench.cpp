// The discharge bar on real runs through the program: each scenario is opened
// in the program's window and Calculate Discharge run as a user runs it. A
// timer on the window thread reads the progress dialog's bar as often as the
// thread lets it, and the library's progress calls are recorded beside it
// (percentage, simulated time, whether the percentage holds). Prints, per
// scenario, the run's wall time, the simulated time it reached, the steps the
// bar made and its longest stand: the longest wall time the bar showed one
// value, from the start of the command to its end, and that stand's share of
// the run. With --trace DIR, writes DIR/<scenario>.bar.csv (wall s, bar) and
// DIR/<scenario>.calls.csv (wall s, percentage, simulated s, held).
// Not a test: it measures. Offscreen unless QT_QPA_PLATFORM says otherwise.
//
//   build-rel/bench/discharge_bar_bench [--trace DIR] SCENARIO.zef...
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "command_ids.h"
#include "main_frame.h"
#include "message_box.h"
#include "release_model.h"
#include "scenario_doc.h"
#include "zef_app.h"

namespace {

QElapsedTimer g_clock;

struct Call {
    double wall;
    int percent;
    double seconds;
    int held;
};
std::vector<Call> g_calls;
ReleaseProgressFn g_programCallback = nullptr;

// The program's own progress callback, with each call recorded before it.
int32_t RELEASE_CALL recordingCallback(int32_t percent) {
    double seconds = 0.0;
    int32_t held = 0;
    RELTIM(&seconds, &held);
    g_calls.push_back({g_clock.nsecsElapsed() * 1e-9, percent, seconds, held});
    return g_programCallback(percent);
}

void RELEASE_CALL recordingRelease(NETHDR* nethdr, BRREC* brdata, BNDDAT* bnddat, LEKDAT* lekdat,
                                   PVTBLK* pvtblk, ReleaseControl* ctl, DischargeSummary* summary,
                                   const char* path, int32_t path_len, ReleaseProgressFn* callback,
                                   int32_t* IERR, char* MSG, int32_t msg_len) {
    g_programCallback = *callback;
    ReleaseProgressFn mine = recordingCallback;
    RELEASE(nethdr, brdata, bnddat, lekdat, pvtblk, ctl, summary, path, path_len, &mine, IERR, MSG,
            msg_len);
}

struct Shown {
    double wall;
    int bar;
};

// The value of the visible progress bar, -1 when none is shown.
int visibleBar() {
    for (QWidget* w : QApplication::allWidgets())
        if (auto* bar = qobject_cast<QProgressBar*>(w); bar && bar->isVisible())
            return bar->value();
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QString traceDir;
    QStringList scenarios;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--trace") == 0 && i + 1 < argc)
            traceDir = QString::fromLocal8Bit(argv[++i]);
        else
            scenarios << QString::fromLocal8Bit(argv[i]);
    }
    if (scenarios.isEmpty()) {
        std::fprintf(stderr, "usage: discharge_bar_bench [--trace DIR] SCENARIO.zef...\n");
        return 2;
    }

    ScriptedMessageBoxes boxes;  // answers Yes (save before a run) and OK
    CZefApp app;
    app.SetModulePath(QStringLiteral(ORVANE_BIN_DIR "/Orvane"));
    app.SetArguments({});
    if (!app.InitInstance()) {
        std::fprintf(stderr, "the program did not start\n");
        return 2;
    }
    app.GetSettings().SetAutoResultOpen(false);
    app.MainFrame()->resize(1000, 720);
    app.MainFrame()->show();
    CReleaseModel::SetReleaseEntry(recordingRelease);

    QTemporaryDir work;
    std::printf("%-34s %9s %12s %6s %10s %8s %9s %8s\n", "scenario", "wall_s", "simulated_s",
                "steps", "stand_s", "at_bar", "from_s", "share_%");
    for (const QString& source : scenarios) {
        const QString name = QFileInfo(source).fileName();
        const QString copy = work.filePath(name);
        QFile::copy(source, copy);
        if (!app.OpenDocumentFile(copy)) {
            std::fprintf(stderr, "%s did not open\n", qPrintable(name));
            return 2;
        }
        auto* doc = dynamic_cast<CScenarioDoc*>(app.MainFrame()->GetActiveDocument());
        if (!doc) return 2;

        g_calls.clear();
        std::vector<Shown> shown;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            const int bar = visibleBar();
            if (bar >= 0 && (shown.empty() || shown.back().bar != bar))
                shown.push_back({g_clock.nsecsElapsed() * 1e-9, bar});
        });
        g_clock.start();
        sampler.start(0);
        app.MainFrame()->ExecuteCommand(ID_SCENARIO_CALC_DISCHARGE);
        sampler.stop();
        const double wall = g_clock.nsecsElapsed() * 1e-9;

        // A stand runs from one change of the bar to the next; the first from
        // the command's start, the last to its end.
        double longest = 0.0, from = 0.0, last = 0.0;
        int at = shown.empty() ? 0 : shown.front().bar, lastBar = 0;
        for (const Shown& s : shown) {
            if (s.wall - last > longest) longest = s.wall - last, from = last, at = lastBar;
            last = s.wall;
            lastBar = s.bar;
        }
        if (wall - last > longest) longest = wall - last, from = last, at = lastBar;
        const double simulated = g_calls.empty() ? 0.0 : g_calls.back().seconds;
        std::printf("%-34s %9.2f %12.0f %6zu %10.2f %8d %9.2f %8.1f\n", qPrintable(name), wall,
                    simulated, shown.size(), longest, at, from, 100.0 * longest / wall);

        if (!traceDir.isEmpty()) {
            QDir().mkpath(traceDir);
            const QString base = QDir(traceDir).filePath(QFileInfo(name).completeBaseName());
            if (FILE* f = std::fopen(qPrintable(base + ".bar.csv"), "w")) {
                std::fprintf(f, "wall_s,bar\n");
                for (const Shown& s : shown) std::fprintf(f, "%.4f,%d\n", s.wall, s.bar);
                std::fprintf(f, "%.4f,end\n", wall);
                std::fclose(f);
            }
            if (FILE* f = std::fopen(qPrintable(base + ".calls.csv"), "w")) {
                std::fprintf(f, "wall_s,percent,simulated_s,held\n");
                for (const Call& c : g_calls)
                    std::fprintf(f, "%.4f,%d,%.3f,%d\n", c.wall, c.percent, c.seconds, c.held);
                std::fclose(f);
            }
        }
        doc->SetModifiedFlag(false);
        doc->OnCloseDocument();
    }
    for (const QString& text : boxes.Texts())
        std::fprintf(stderr, "message: %s\n", qPrintable(text.left(300)));
    CReleaseModel::SetReleaseEntry(nullptr);
    app.ExitInstance();
    return 0;
}
