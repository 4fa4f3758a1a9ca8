// The discharge road in the program, driven headless: the progress dialog on
// a real worker thread, Calculate Discharge on the shipped examples through
// the library, cancel, failure, the summary dialog, the report view and the
// plot commands.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QCursor>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <functional>
#include <cstring>
#include <tuple>
#include <map>

#include <unistd.h>

#include "../../vexil/corpus_scenarios.h"
#include "../ui/scenario_script.h"
#include "../framework/shown_title.h"
#include "message_box.h"
#include "fluid_tables.h"
#include "options_dlg.h"
#include "model_errors.h"
#include "plot_launch.h"
#include "release_dlgs.h"
#include "release_section.h"
#include "report_text.h"
#include "report_view.h"
#include "result_files.h"
#include "scenario_limits.h"
#include "string_table.h"
#include "task_progress_dlg.h"
#include "vexil/diagram_file.h"

namespace {

const QString kArtifacts = QStringLiteral(ORVANE_TEST_ARTIFACTS);

// Pictures taken on a real X server (Xvfb) get their own names.
QString picture(const char* name) {
    return kArtifacts + "/" + qEnvironmentVariable("DISCHARGE_PICTURE_PREFIX") + name + ".png";
}

// ------------------------------------------------------------ progress dialog

class ScriptTask : public CWorkerTask {
public:
    std::function<void(ScriptTask&)> body;
    std::atomic<bool> toldToStop{false};
    void Run() override {
        if (body) body(*this);
    }
};

// Runs the dialog on the task; during the run the hook gets the dialog.
int runDialog(CWorkerTask& task, const std::function<void(CTaskProgressDlg*)>& during = {}) {
    CTaskProgressDlg dlg(&task, 16150);
    CDialog::SetModalHook([&](CDialog* d) {
        if (during) during(static_cast<CTaskProgressDlg*>(d));
    });
    const int result = dlg.DoModal();
    CDialog::SetModalHook({});
    return result;
}

// The library's time loop: reports until told to stop (bounded, so a
// cancel that never arrives ends the loop all the same).
void callbackLoop(ScriptTask& t) {
    CurrentTaskGuard current(&t);
    for (int step = 0; step < 100000; ++step)
        if (worker_progress_callback(step / 1000) != 0) {
            t.toldToStop = true;
            return;
        }
}

// Handles events until the condition holds (at most a minute): progress
// arrives only when the percentage changes, so there may be nothing to do.
void waitUntil(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

TEST(ProgressDialog, bar_is_clamped_and_ends_full) {
    ScriptTask task;
    task.body = [](ScriptTask& t) {
        t.ReportProgress(-5);
        t.ReportProgress(50);
        t.ReportProgress(150);
    };
    std::vector<int> reported, shown;
    ScriptedMessageBoxes boxes;
    const int result = runDialog(task, [&](CTaskProgressDlg* d) {
        // The worker waits for this thread, so nothing has arrived yet.
        shown.push_back(d->ProgressBar()->value());
        QObject::connect(&d->Runner(), &CTaskRunner::progress, [&, d](int v) {
            reported.push_back(v);
            shown.push_back(d->ProgressBar()->value());
        });
        EXPECT_EQ(d->windowTitle(), "Calculating discharge...");
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(boxes.Texts().isEmpty());
    // Only a changed percentage crosses: -5 is the 0 shown, the closing 100
    // the 150 shown.
    EXPECT_EQ(reported, (std::vector<int>{0, 50, 100}));
    EXPECT_EQ(shown, (std::vector<int>{0, 0, 50, 100}));
}

TEST(ProgressDialog, simulated_time_reads_in_hours_below_a_day_and_in_days_after) {
    const struct {
        double seconds;
        const char* shown;
    } rows[] = {
        {0.0, "0.0 hours simulated"},
        {5400.0, "1.5 hours simulated"},
        {86000.0, "23.9 hours simulated"},
        {86399.0, "1.0 days simulated"},
        {22.26 * 86400.0, "22.3 days simulated"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CTaskProgressDlg::SimulatedText(r.seconds).toStdString(), r.shown) << r.seconds;
}

// A long run past its end estimate: the library's percentage holds at 58
// while the run goes on at about half a simulated day per second (a 10 mm
// hole in a gas line). The dialog shows the simulated time beside the bar and
// renews it every few tenths of a second (a loaded machine is allowed a
// second and a half); the worker hands it over no more often than every
// SIMULATED_INTERVAL_MS.
TEST(ProgressDialog, a_run_whose_percentage_holds_still_shows_its_simulated_time) {
    QDir().mkpath(kArtifacts);
    constexpr double DAY = 86400.0;
    constexpr qint64 RUN_MS = 3000;
    ScriptTask task;
    task.body = [](ScriptTask& t) {
        QElapsedTimer clock;
        clock.start();
        t.ReportProgress(58);  // before the estimate was outgrown
        while (clock.elapsed() < RUN_MS && !t.IsCancelled())
            t.ReportProgress(58, 3.0 * DAY + 0.55 * DAY * clock.elapsed() / 1000.0);
    };
    int crossings = 0;
    QString text;
    qint64 longestGap = 0;
    std::vector<int> bar;
    bool pictured = false;
    const int result = runDialog(task, [&](CTaskProgressDlg* d) {
        d->show();
        QObject::connect(&d->Runner(), &CTaskRunner::simulated, [&](double) { ++crossings; });
        QElapsedTimer clock;
        clock.start();
        qint64 changed = 0;
        waitUntil([&] {
            if (!d->Runner().IsRunning()) return true;
            if (d->SimulatedLabel()->isHidden()) return false;
            if (d->SimulatedLabel()->text() != text) {
                bar.push_back(d->ProgressBar()->value());
                if (!text.isEmpty()) longestGap = std::max(longestGap, clock.elapsed() - changed);
                text = d->SimulatedLabel()->text();
                changed = clock.elapsed();
                if (!pictured && clock.elapsed() > 500) {
                    QCoreApplication::processEvents();  // lays the label out
                    pictured = d->grab().save(picture("progress_simulated_time"));
                }
            }
            return false;
        });
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_FALSE(bar.empty()) << "the simulated time was never shown";
    EXPECT_EQ(*std::min_element(bar.begin(), bar.end()), 58);
    EXPECT_EQ(*std::max_element(bar.begin(), bar.end()), 58);
    EXPECT_TRUE(text.endsWith(" days simulated")) << text.toStdString();
    EXPECT_GT(longestGap, 0);
    EXPECT_LT(longestGap, 1500) << "the shown time stood still for " << longestGap << " ms";
    EXPECT_GE(crossings, 5);
    EXPECT_LE(crossings, RUN_MS / CWorkerTask::SIMULATED_INTERVAL_MS + 2);
    EXPECT_TRUE(pictured);
}

TEST(ProgressDialog, failures_are_shown_once_and_end_with_cancel) {
    struct Case {
        const char* what;
        std::function<void()> fail;
        QString shown;
    };
    const Case cases[] = {
        {"string id",
         [] {
             throw ValidationError{16154, 0};
         },
         "Unspecified error from RELEASE module"},
        {"text", [] { throw TextError(QStringLiteral("PRESSURE TOO HIGH.")); },
         "PRESSURE TOO HIGH."},
        {"other exception", [] { throw std::bad_alloc(); }, "Unknown error"},
    };
    for (const Case& c : cases) {
        ScriptTask task;
        task.body = [&](ScriptTask&) { c.fail(); };
        ScriptedMessageBoxes boxes;
        EXPECT_EQ(runDialog(task), IDCANCEL) << c.what;
        ASSERT_EQ(boxes.Boxes().size(), 1u) << c.what;
        EXPECT_EQ(boxes.Boxes()[0].text, "Task failed:\n\n" + c.shown) << c.what;
        EXPECT_EQ(boxes.Boxes()[0].icon, unsigned(MB_ICONERROR)) << c.what;
    }
}

TEST(ProgressDialog, cancel_escape_and_close_only_ask_the_task_to_stop) {
    const struct {
        const char* what;
        std::function<void(CTaskProgressDlg*)> ask;
    } ways[] = {
        {"Cancel button", [](CTaskProgressDlg* d) { d->Item<QPushButton>(IDCANCEL)->click(); }},
        {"Escape", [](CTaskProgressDlg* d) { QTest::keyClick(d, Qt::Key_Escape); }},
        {"close box", [](CTaskProgressDlg* d) { d->close(); }},
    };
    for (const auto& way : ways) {
        ScriptTask task;
        task.body = callbackLoop;
        ScriptedMessageBoxes boxes;
        bool stillOpen = false;
        const int result = runDialog(task, [&](CTaskProgressDlg* d) {
            d->show();
            waitUntil([&] { return d->Runner().IsRunning() && d->ProgressBar()->value() >= 0; });
            way.ask(d);
            stillOpen = d->isVisible() && !d->IsEnded();
        });
        EXPECT_TRUE(stillOpen) << way.what;        // the dialog waits for the task
        EXPECT_TRUE(task.toldToStop) << way.what;  // it stopped early, told so
        EXPECT_EQ(result, IDCANCEL) << way.what;
        EXPECT_TRUE(boxes.Texts().isEmpty()) << way.what;
    }
}

TEST(ProgressDialog, thread_that_cannot_start_shows_16111) {
    CTaskRunner::SetThreadStarter([](QThread*) { return false; });
    ScriptTask task;
    ScriptedMessageBoxes boxes;
    const int result = runDialog(task);
    CTaskRunner::SetThreadStarter(nullptr);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(boxes.Texts(), QStringList{"Task failed:\n\nUnable to start job"});
}

// ------------------------------------------------------------ the program

std::map<QString, double> zefRunWords(const QString& zef) {
    QProcess p;
    p.start(QStringLiteral(ORVANE_BIN_DIR "/zef_run"), {zef});
    p.waitForFinished(300000);
    std::map<QString, double> w;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
        const QStringList parts = line.split(' ');
        bool ok = false;
        const double v = parts.size() == 2 ? parts[1].toDouble(&ok) : 0;
        if (ok) w[parts[0]] = v;
    }
    return w;
}

class RecordingLauncher : public CPlotLauncher {
public:
    void Start(const QString& path, const QStringList& args) override {
        program = path;
        arguments = args;
    }
    QString program;
    QStringList arguments;
};

class DischargeProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(s.Start());
        s.app->GetSettings().SetDisplayUnits(0);  // Metric
        s.app->GetSettings().SetAutoResultOpen(false);
        QDir().mkpath(kArtifacts);
    }
    void TearDown() override {
        CReleaseModel::SetReleaseEntry(nullptr);
        CReleaseModel::SetReleaseTimeEntry(nullptr);
    }

    // A copy of a shipped example in the test's own folder, opened.
    CScenarioDoc* Open(const char* name, QString* path = nullptr) {
        const QString copy = dir.filePath(name);
        if (!QFile::exists(copy) &&
            !QFile::copy(QStringLiteral(ORVANE_SOURCE_DIR "/examples/scenarios/") + name, copy))
            return nullptr;
        if (path) *path = copy;
        if (!s.app->OpenDocumentFile(copy)) return nullptr;
        return s.Doc();
    }

    // gas_export opened with a good 600 s run behind it: the results that the
    // result-keeping tests try to lose.
    CScenarioDoc* OpenAfterAShortRun(QString* path) {
        CScenarioDoc* doc = Open("gas_export.zef", path);
        if (!doc) return nullptr;
        doc->ReleaseModel().Control().TUSER = 600;
        return doc->RunDischarge() ? doc : nullptr;
    }

    QTemporaryDir dir;
    ScenarioScript s;
};

TEST_F(DischargeProgram, calculate_discharge_on_each_example_through_the_library) {
    for (const char* name :
         {"oil_line.zef", "two_inlets_junction.zef", "gas_export.zef", "black_oil_line.zef"}) {
        QString path;
        CScenarioDoc* doc = Open(name, &path);
        ASSERT_NE(doc, nullptr) << name;
        ScriptedMessageBoxes boxes;
        ASSERT_TRUE(s.Main()->ExecuteCommand(ID_SCENARIO_CALC_DISCHARGE)) << name;
        EXPECT_TRUE(boxes.Texts().isEmpty())
            << name << ": " << boxes.Texts().join("|").toStdString();
        const QString base = ResultBasePath(path);
        EXPECT_GT(QFileInfo(base + ".plt").size(), 0) << name;
        EXPECT_GT(QFileInfo(base + ".log").size(), 0) << name;
        ASSERT_TRUE(doc->ReleaseModel().HasSummary()) << name;
        EXPECT_TRUE(doc->ReleaseModel().IsUpToDate()) << name;
        EXPECT_FALSE(doc->IsModified()) << name;  // saved with its result

        // The same numbers as the headless runner prints for the same file.
        QTemporaryDir other;
        const QString copy = other.filePath(name);
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(ORVANE_SOURCE_DIR "/examples/scenarios/") + name, copy));
        const auto printed = zefRunWords(copy);
        const float* v = &doc->ReleaseModel().GetSummary()->time;
        const char* const* keys = DISCHARGE_SUMMARY_KEYS;
        for (int k = 0; k < 11; ++k) {
            EXPECT_TRUE(std::isfinite(v[k])) << name << " " << keys[k];
            ASSERT_EQ(printed.count(keys[k]), 1u) << name << " " << keys[k];
            EXPECT_EQ(v[k], float(printed.at(keys[k]))) << name << " " << keys[k];
        }

        // The report view shows the summary.
        s.Main()->ExecuteCommand(ID_WINDOW_NEW_SUMMARY);
        auto* report = dynamic_cast<CReportView*>(s.Main()->GetActiveView());
        ASSERT_NE(report, nullptr) << name;
        EXPECT_TRUE(report->Text().contains("Time to get total mass: " + ReportDuration(v[0])))
            << name;
        EXPECT_TRUE(report->GetEditCtrl()->toPlainText().contains("Release Summary:")) << name;
        doc->SetModifiedFlag(false);
        doc->OnCloseDocument();
    }
}

// The composition tables' entry for a test that counts the builds asked for.
std::atomic<int> g_builds{0};
void countedComposition(COMPREC* comp, PVTBLK* blk, int32_t* ierr, char* msg, int32_t len) {
    ++g_builds;
    COMPPVT(comp, blk, ierr, msg, len);
}

TEST_F(DischargeProgram, verify_layout_twice_on_an_unchanged_scenario_builds_the_tables_once) {
    ASSERT_NE(Open("oil_line.zef"), nullptr);
    ScriptedMessageBoxes boxes;
    SetCompositionTablesEntry(countedComposition);
    const int before = g_builds;
    ASSERT_TRUE(s.Main()->ExecuteCommand(ID_SCENARIO_VERIFY));
    const int once = g_builds;
    EXPECT_LE(once - before, 1);  // none when this process built them before
    ASSERT_TRUE(s.Main()->ExecuteCommand(ID_SCENARIO_VERIFY));
    SetCompositionTablesEntry(nullptr);
    EXPECT_EQ(g_builds, once);
    EXPECT_EQ(boxes.Texts().size(), 2) << boxes.Texts().join("|").toStdString();
    for (const QString& text : boxes.Texts()) EXPECT_EQ(text, AfxLoadString(IDS_NETWORK_VALID));
}

// A composition table build that holds until the window thread has handled
// an event posted before it started (bounded, so that a window that handles
// nothing still ends the build and fails the test).
struct HeldBuild {
    std::atomic<bool> running{false};
    std::atomic<bool> released{false};
    std::atomic<bool> wasReleased{false};
    std::atomic<bool> onWindowThread{false};
    std::atomic<int> builds{0};
};
HeldBuild* g_heldBuild = nullptr;

void heldComposition(COMPREC* comp, PVTBLK* blk, int32_t* ierr, char* msg, int32_t len) {
    HeldBuild& h = *g_heldBuild;
    ++h.builds;
    h.onWindowThread = QThread::currentThread() == qApp->thread();
    h.running = true;
    for (int wait = 0; !h.released && !h.onWindowThread && wait < 600000; ++wait)
        QThread::usleep(100);
    h.wasReleased = h.released.load();
    COMPPVT(comp, blk, ierr, msg, len);
    h.running = false;
}

// The tables of a new composition are built while the window goes on
// handling its events (paints, timers) under a busy cursor, for Verify
// Layout and for Calculate Discharge, which verifies first; the build's
// tables are those of the library's own call.
TEST_F(DischargeProgram, the_window_handles_its_events_while_the_composition_tables_build) {
    for (const int command : {ID_SCENARIO_VERIFY, ID_SCENARIO_CALC_DISCHARGE}) {
        SCOPED_TRACE(command);
        CScenarioDoc* doc = Open("oil_line.zef");
        ASSERT_NE(doc, nullptr);
        ForgetFluidTables();
        HeldBuild held;
        g_heldBuild = &held;
        SetCompositionTablesEntry(heldComposition);
        // A timer of the window thread, which lets the build go on once it
        // has seen it running.
        bool handledDuringBuild = false, busyShown = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!held.running || held.released) return;
            handledDuringBuild = true;
            const QCursor* cursor = QGuiApplication::overrideCursor();
            busyShown = cursor && cursor->shape() == Qt::WaitCursor;
            held.released = true;
        });
        watch.start(0);
        ScriptedMessageBoxes boxes;
        EXPECT_TRUE(s.Main()->ExecuteCommand(command));
        watch.stop();
        SetCompositionTablesEntry(nullptr);
        g_heldBuild = nullptr;
        EXPECT_EQ(held.builds, 1);
        EXPECT_FALSE(held.onWindowThread);
        EXPECT_TRUE(held.wasReleased);
        EXPECT_TRUE(handledDuringBuild);
        EXPECT_TRUE(busyShown);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // the busy cursor went
        EXPECT_EQ(boxes.Texts(), command == ID_SCENARIO_VERIFY
                                     ? QStringList{AfxLoadString(IDS_NETWORK_VALID)}
                                     : QStringList{});
        if (command == ID_SCENARIO_CALC_DISCHARGE) {
            EXPECT_TRUE(doc->ReleaseModel().HasSummary());
        }
        // The same tables as the library builds on the calling thread.
        const PVTBLK threaded = *doc->ReleaseModel().GetInput()->PvtBlock();
        ForgetFluidTables();
        ASSERT_TRUE(doc->VerifyLayout(false));
        EXPECT_EQ(
            std::memcmp(&threaded, doc->ReleaseModel().GetInput()->PvtBlock(), sizeof threaded), 0);
        doc->SetModifiedFlag(false);
        doc->OnCloseDocument();
    }
}

// A file stage of Calculate Discharge held until the window thread has
// handled an event posted while it waits (bounded, so that a window that
// handles nothing still ends the stage and fails the test).
struct HeldStage {
    std::atomic<bool> running{false};
    std::atomic<bool> released{false};
    std::atomic<bool> wasReleased{false};
    std::atomic<bool> onWindowThread{false};
    std::atomic<int> calls{0};
    void Hold() {
        ++calls;
        if (QThread::currentThread() == qApp->thread()) onWindowThread = true;
        if (released) return;
        running = true;
        for (int wait = 0; !released && !onWindowThread && wait < 600000; ++wait)
            QThread::usleep(100);
        wasReleased = released.load();
        running = false;
    }
};
HeldStage* g_heldStage = nullptr;

int heldSync(int fd) {
    g_heldStage->Hold();
    return ::fsync(fd);
}

int heldRename(const char* from, const char* to) {
    g_heldStage->Hold();
    return ::rename(from, to);
}

// The flushes of the run's files and the scenario's save, which a busy disk
// can make last tenths of a second, run while the window goes on handling
// its events (paints, timers) under a busy cursor; the result and the
// scenario reach the disk all the same, the summary after them.
TEST_F(DischargeProgram, the_window_handles_its_events_while_the_run_s_files_reach_the_disk) {
    const struct {
        const char* stage;
        std::function<void(bool)> hold;  // true: held from now on; false: no more
        bool beforeSummary;              // the run's summary waits for the stage to end
    } stages[] = {
        {"the flushes of the result files' commit",
         [](bool on) { CResultFiles::SetSyncEntry(on ? heldSync : nullptr); }, true},
        // The scenario is saved with the summary it shows.
        {"the scenario's save",
         [](bool on) { diagram_file_set_rename_function(on ? heldRename : nullptr); }, false},
    };
    for (const auto& stage : stages) {
        SCOPED_TRACE(stage.stage);
        QFile::remove(dir.filePath("gas_export.zef"));  // the shipped example each time
        QString path;
        CScenarioDoc* doc = Open("gas_export.zef", &path);
        ASSERT_NE(doc, nullptr);
        doc->ReleaseModel().Control().TUSER = 600;
        const QString plt = QFileInfo(path).dir().filePath("gas_export.plt");
        QFile::remove(plt);
        HeldStage held;
        g_heldStage = &held;
        stage.hold(true);
        bool handledDuringStage = false, busyShown = false, stagedDuringStage = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!held.running || held.released) return;
            handledDuringStage = true;
            const QCursor* cursor = QGuiApplication::overrideCursor();
            busyShown = cursor && cursor->shape() == Qt::WaitCursor;
            stagedDuringStage = doc->ReleaseModel().StagedSummary() != nullptr;
            held.released = true;
        });
        watch.start(0);
        ScriptedMessageBoxes boxes;
        EXPECT_TRUE(s.Main()->ExecuteCommand(ID_SCENARIO_CALC_DISCHARGE));
        watch.stop();
        stage.hold(false);
        g_heldStage = nullptr;
        EXPECT_GT(held.calls, 0);
        EXPECT_FALSE(held.onWindowThread);
        EXPECT_TRUE(held.wasReleased);
        EXPECT_TRUE(handledDuringStage);
        EXPECT_TRUE(busyShown);
        EXPECT_EQ(stagedDuringStage, stage.beforeSummary);
        EXPECT_EQ(doc->ReleaseModel().StagedSummary(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join("|").toStdString();
        EXPECT_TRUE(doc->ReleaseModel().HasSummary());
        EXPECT_TRUE(doc->ReleaseModel().IsUpToDate());
        EXPECT_TRUE(QFileInfo(plt).size() > 0);
        EXPECT_TRUE(s.Main()->QueryCommand(ID_RESULT_RELEASE_PLOT).m_bEnabled);
        EXPECT_FALSE(doc->IsModified());  // saved with its result
        EXPECT_FALSE(QDir(CResultFiles::FolderOf(ResultBasePath(path))).exists());
        doc->OnCloseDocument();
        // The saved scenario opens with the result it was saved with.
        CScenarioDoc* again = Open("gas_export.zef");
        ASSERT_NE(again, nullptr);
        EXPECT_TRUE(again->ReleaseModel().HasSummary());
        EXPECT_TRUE(again->ReleaseModel().IsUpToDate());
        again->OnCloseDocument();
    }
}

TEST_F(DischargeProgram, pictures_after_calculate_discharge_and_of_the_summary) {
    CScenarioDoc* doc = Open("oil_line.zef");
    ASSERT_NE(doc, nullptr);
    s.Main()->show();
    ScriptedMessageBoxes boxes;
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_DISCHARGE);
    ASSERT_TRUE(doc->ReleaseModel().HasSummary());
    s.Main()->ExecuteCommand(ID_WINDOW_NEW_SUMMARY);
    s.Main()->MdiArea()->tileSubWindows();
    QCoreApplication::processEvents();
    EXPECT_TRUE(s.Main()->grab().save(picture("discharge_main_window")));

    bool shown = false;
    s.WithDialog(ID_RESULT_DISCHARGE, [&](CDialog* d) {
        shown = true;
        EXPECT_FALSE(d->GetDlgItem(CReleaseResultDlg::IDC_OUTDATED)->isVisible());
        EXPECT_EQ(
            AfxGetControlText(d->GetDlgItem(45540)),
            QString::asprintf("%.3g", double(doc->ReleaseModel().GetSummary()->peak_total_mass)));
        EXPECT_EQ(AfxGetControlText(d->GetDlgItem(45542)), "kg/s");
        EXPECT_TRUE(d->grab().save(picture("discharge_summary")));
    });
    EXPECT_TRUE(shown);

    // A run that stopped after the leak opened: the time is a lower bound.
    QString time, unit;
    s.WithDialog(ID_RESULT_DISCHARGE, [&](CDialog* d) {
        time = AfxGetControlText(d->GetDlgItem(45539));
        unit = AfxGetControlText(d->GetDlgItem(45541));
    });
    const QString warning = doc->ReleaseModel().Warning();
    doc->ReleaseModel().SetWarning(RELEASE_RUN_STOPPED_TEXT
                                   "600.510 S AFTER THE LEAK OPENED (PRESSURE TOO HIGH.); THE "
                                   "RESULTS ARE THOSE UP TO THEN.");
    s.WithDialog(ID_RESULT_DISCHARGE, [&](CDialog* d) {
        EXPECT_EQ(AfxGetControlText(d->GetDlgItem(45539)), "at least " + time);
        EXPECT_EQ(AfxGetControlText(d->GetDlgItem(45541)), unit + " (the run stopped)");
    });
    doc->ReleaseModel().SetWarning(warning);

    // After an edit the summary is outdated.
    doc->NetworkChanged();
    s.WithDialog(ID_RESULT_DISCHARGE, [&](CDialog* d) {
        EXPECT_TRUE(d->GetDlgItem(CReleaseResultDlg::IDC_OUTDATED)->isVisible());
    });
    doc->SetModifiedFlag(false);
}

// The result files beside the scenario, with their bytes, and every hidden
// entry there (a run's private folder).
std::map<QString, QByteArray> resultFiles(const QString& scenario) {
    std::map<QString, QByteArray> files;
    const QDir dir = QFileInfo(scenario).dir();
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QString ext = QFileInfo(name).suffix();
        if (name.startsWith('.') || ext == "plt" || ext == "log" || ext == "brn" || ext == "dbs" ||
            ext == "dat") {
            QFile f(dir.filePath(name));
            files[name] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(folder)");
        }
    }
    return files;
}

std::vector<float> summaryWords(const CScenarioDoc* doc) {
    const DischargeSummary* summary = const_cast<CScenarioDoc*>(doc)->ReleaseModel().GetSummary();
    if (!summary) return {};
    return std::vector<float>(&summary->time, &summary->time + 11);
}

TEST_F(DischargeProgram, cancel_keeps_the_previous_files_and_the_summary_that_belongs_to_them) {
    QString path;
    CScenarioDoc* doc = OpenAfterAShortRun(&path);
    ASSERT_NE(doc, nullptr);
    const auto before = resultFiles(path);
    ASSERT_EQ(before.count("gas_export.plt"), 1u);
    ASSERT_EQ(before.count("gas_export.log"), 1u);
    const std::vector<float> good = summaryWords(doc);
    ASSERT_EQ(good.size(), 11u);
    ASSERT_GT(good[6], 0.0f);  // total mass
    RecordingLauncher launcher;
    SetPlotLauncher(&launcher);

    // 1. Cancelled at once, nothing changed since the good run: its summary
    //    stays, up to date and without the outdated mark, and its plot opens.
    ScriptedMessageBoxes boxes;
    bool running = false;
    CDialog::SetModalHook([&](CDialog* d) {
        auto* dlg = dynamic_cast<CTaskProgressDlg*>(d);
        if (!dlg) return;
        running = dlg->Runner().IsRunning();
        dlg->Item<QPushButton>(IDCANCEL)->click();
    });
    EXPECT_FALSE(doc->RunDischarge());
    CDialog::SetModalHook({});
    EXPECT_TRUE(running);
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join("|").toStdString();
    EXPECT_TRUE(resultFiles(path) == before);
    EXPECT_EQ(summaryWords(doc), good);
    EXPECT_TRUE(doc->ReleaseModel().IsUpToDate());
    EXPECT_FALSE(doc->IsModified());
    bool shown = false;
    s.WithDialog(ID_RESULT_DISCHARGE, [&](CDialog* d) {
        shown = true;
        EXPECT_FALSE(d->GetDlgItem(CReleaseResultDlg::IDC_OUTDATED)->isVisible());
        EXPECT_EQ(AfxGetControlText(d->GetDlgItem(45540)),
                  QString::asprintf("%.3g", double(good[1])));
    });
    EXPECT_TRUE(shown);
    EXPECT_TRUE(s.Main()->QueryCommand(ID_RESULT_RELEASE_PLOT).m_bEnabled);
    doc->OnReleasePlot();
    EXPECT_FALSE(launcher.program.isEmpty());
    // The plot wrote the branch names beside the result files.
    const auto withNames = resultFiles(path);
    EXPECT_EQ(withNames.count("gas_export.brn"), 1u);

    // 2. A longer run after a change, cancelled halfway: the files and the
    //    summary are still the good run's, now marked outdated (the settings
    //    changed since), and the plot says so instead of opening.
    doc->ReleaseModel().Control().TUSER = 0;  // until the release has ended: a longer run
    doc->NetworkChanged();
    boxes.Answer(IDYES);  // save before the run
    bool cancelled = false;
    int shownAtCancel = -1;
    CDialog::SetModalHook([&](CDialog* d) {
        auto* dlg = dynamic_cast<CTaskProgressDlg*>(d);
        if (!dlg) return;
        waitUntil([&] { return dlg->ProgressBar()->value() >= 50 || !dlg->Runner().IsRunning(); });
        cancelled = dlg->Runner().IsRunning();
        shownAtCancel = dlg->ProgressBar()->value();
        dlg->Item<QPushButton>(IDCANCEL)->click();
    });
    EXPECT_FALSE(doc->RunDischarge());
    CDialog::SetModalHook({});
    EXPECT_TRUE(cancelled);
    EXPECT_GE(shownAtCancel, 50);
    EXPECT_LT(shownAtCancel, 100);
    EXPECT_EQ(boxes.Texts(), QStringList{AfxLoadString(16156)})
        << boxes.Texts().join("|").toStdString();
    EXPECT_TRUE(resultFiles(path) == withNames);  // byte for byte, and nothing left aside
    EXPECT_EQ(summaryWords(doc), good);
    EXPECT_FALSE(doc->ReleaseModel().IsUpToDate());
    EXPECT_TRUE(s.Main()->QueryCommand(ID_RESULT_DISCHARGE).m_bEnabled);
    shown = false;
    s.WithDialog(ID_RESULT_DISCHARGE, [&](CDialog* d) {
        shown = true;
        EXPECT_TRUE(d->GetDlgItem(CReleaseResultDlg::IDC_OUTDATED)->isVisible());
        EXPECT_EQ(AfxGetControlText(d->GetDlgItem(45540)),
                  QString::asprintf("%.3g", double(good[1])));
    });
    EXPECT_TRUE(shown);
    EXPECT_FALSE(s.Main()->QueryCommand(ID_RESULT_RELEASE_PLOT).m_bEnabled);
    launcher.program.clear();
    boxes.Clear();
    doc->OnReleasePlot();
    SetPlotLauncher(nullptr);
    EXPECT_TRUE(launcher.program.isEmpty());
    EXPECT_EQ(boxes.Texts(), QStringList{"The discharge result is outdated or missing. Calculate "
                                         "the discharge again to plot it."});

    doc->ReleaseModel().Control().TUSER = 600;
    boxes.Clear();
    boxes.Answer(IDYES);
    EXPECT_TRUE(doc->RunDischarge());
    EXPECT_TRUE(doc->ReleaseModel().IsUpToDate());
    EXPECT_EQ(summaryWords(doc), good);  // the same input gives the same result
    EXPECT_TRUE(s.Main()->QueryCommand(ID_RESULT_RELEASE_PLOT).m_bEnabled);
    EXPECT_TRUE(resultFiles(path) == withNames);
    doc->SetModifiedFlag(false);
}

diagram_object* firstOfType(diagram_data* diagram, const char* type) {
    auto* lay = static_cast<layer*>(g_ptr_array_index(diagram->layers, 0));
    for (GList* l = lay->objects; l; l = l->next)
        if (std::strcmp(static_cast<diagram_object*>(l->data)->type->name, type) == 0)
            return static_cast<diagram_object*>(l->data);
    return nullptr;
}

// black_oil_line.zef moves 5000 Sm3/d of liquid: the inlet dialog and the
// report say so (31 449 bbl/d in English units, 1 bbl = 0.158987294928 m3),
// and a rate the line cannot carry fails naming the inlet and the remedy.
TEST_F(DischargeProgram, black_oil_inlet_rate_is_the_liquid_rate_and_an_impossible_one_is_named) {
    CScenarioDoc* doc = Open("black_oil_line.zef");
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->ReleaseModel().GetFluidClass(), FLUID_BLACK_OIL);
    diagram_object* inlet = firstOfType(doc->GetDiagram(), "FlowInlet");
    ASSERT_NE(inlet, nullptr);
    const auto caption = [](CDialog* d) {
        for (const QLabel* label : d->findChildren<QLabel*>())
            if (label->buddy() == d->GetDlgItem(45597)) return label->text();
        return QString();
    };
    const struct {
        int units;
        const char* unit;
        double shown;
    } cases[] = {{0, "Sm3/d", 5000.0}, {1, "bbl/d", 31449.05}};
    CMDIChildWnd* diagramWindow = s.Main()->MDIGetActive();
    s.Main()->ExecuteCommand(ID_WINDOW_NEW_SUMMARY);
    auto* report = dynamic_cast<CReportView*>(s.Main()->GetActiveView());
    ASSERT_NE(report, nullptr);
    s.Main()->MDIActivate(diagramWindow);
    for (const auto& c : cases) {
        s.app->GetSettings().SetDisplayUnits(c.units);
        bool shown = false;
        s.Properties(
            inlet,
            [&](CDialog* d) {
                shown = true;
                EXPECT_EQ(caption(d), "Total liquid &flow rate:");
                EXPECT_EQ(AfxGetControlText(d->GetDlgItem(45598)), c.unit);
                EXPECT_NEAR(AfxGetControlText(d->GetDlgItem(45597)).toDouble(), c.shown, 0.1);
            },
            IDCANCEL);
        EXPECT_TRUE(shown);
        doc->UpdateAllViews(nullptr);
        EXPECT_TRUE(report->Text().contains("Flow rate: Total liquid flow rate")) << c.unit;
        EXPECT_TRUE(report->Text()
                        .left(report->Text().indexOf("Outlet:"))
                        .contains(QStringLiteral("[%1]").arg(c.unit)))
            << c.unit;
    }
    s.app->GetSettings().SetDisplayUnits(0);

    // The gas rate the old label asked for, typed as the liquid rate.
    s.Properties(inlet, [](CDialog* d) { ScenarioScript::SetText(d, 45597, "1000000"); });
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDYES);  // save before the run
    EXPECT_FALSE(doc->RunDischarge());
    const QString expected =
        "Task failed:\n\nPRESSURE TOO HIGH.\n\n" +
        AfxFormatString2(16290, "Well A", "1e+06 Sm3/d total liquid flow rate");
    EXPECT_EQ(boxes.Texts(), (QStringList{AfxLoadString(16156), expected}))
        << boxes.Texts().join("|").toStdString();
    doc->SetModifiedFlag(false);
}

// A rate the line carries only at 1,437 bar (1e5 Sm3/d into the 10 in black-oil
// line, 20 times its own) runs within the fluid tables: the summary's
// warnings give the highest pressure and name the inlet that drives it. The
// bundled rate gives no such warning.
TEST_F(DischargeProgram, a_rate_that_drives_the_line_past_any_pipeline_is_warned_naming_the_inlet) {
    CScenarioDoc* doc = Open("black_oil_line.zef");
    ASSERT_NE(doc, nullptr);
    diagram_object* inlet = firstOfType(doc->GetDiagram(), "FlowInlet");
    ASSERT_NE(inlet, nullptr);
    const auto shownWarnings = [&](bool pictured) {
        QString text;
        s.WithDialog(ID_RESULT_DISCHARGE, [&](CDialog* d) {
            text = AfxGetControlText(d->GetDlgItem(CReleaseResultDlg::IDC_WARNINGS));
            if (pictured) {
                EXPECT_TRUE(d->grab().save(picture("discharge_summary_pressure_warning")));
            }
        });
        return text;
    };
    const struct {
        const char* rate;
        bool warned;
    } cases[] = {{"100000", true}, {"5000", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        s.Properties(inlet, [&](CDialog* d) { ScenarioScript::SetText(d, 45597, c.rate); });
        ScriptedMessageBoxes boxes;
        boxes.Answer(IDYES);  // save before the run
        ASSERT_TRUE(doc->RunDischarge()) << boxes.Texts().join("|").toStdString();
        const QString shown = shownWarnings(c.warned);
        const QString hint = AfxFormatString2(
            16330, "Well A", QStringLiteral("%1 Sm3/d total liquid flow rate").arg(c.rate));
        if (c.warned) {
            EXPECT_TRUE(shown.startsWith(RELEASE_PRESSURE_ROSE_TEXT " 1000 BAR"))
                << shown.toStdString();
            EXPECT_TRUE(shown.endsWith(hint)) << shown.toStdString();
            // The highest pressure: far above the bundled line's 34 bar at
            // its inlet, and below the tables' top (1,500 bar) it ran within.
            const int at = shown.indexOf(" BAR IN SECTION ");
            ASSERT_GT(at, 0);
            const double bar = shown.left(at).section(' ', -1).toDouble();
            EXPECT_GT(bar, 1000.0);
            EXPECT_LT(bar, 1500.0);
        } else {
            EXPECT_FALSE(shown.contains(RELEASE_PRESSURE_ROSE_TEXT)) << shown.toStdString();
            EXPECT_FALSE(shown.contains(AfxFormatString2(16330, "Well A", "").left(20)));
        }
    }
    doc->SetModifiedFlag(false);
}

// A run's result is kept with the scenario on disk: a user who changed
// nothing answers No at close (or is not asked) and finds it on reopening.
TEST_F(DischargeProgram, finished_runs_are_saved_with_the_scenario_and_reopen_with_their_plots) {
    QString path;
    CScenarioDoc* doc = Open("oil_line.zef", &path);
    ASSERT_NE(doc, nullptr);
    ScriptedMessageBoxes boxes;
    s.Main()->ExecuteCommand(ID_SCENARIO_VERIFY);
    EXPECT_EQ(boxes.Texts(), QStringList{AfxLoadString(16101)});
    EXPECT_FALSE(doc->IsModified());  // a check changes nothing
    EXPECT_FALSE(shownTitle(s.Main()->MDIGetActive()).contains('*'));

    boxes.Clear();
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_DISCHARGE);
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join("|").toStdString();
    const std::vector<float> words = summaryWords(doc);
    ASSERT_EQ(words.size(), 11u);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_FALSE(shownTitle(s.Main()->MDIGetActive()).contains('*'));
    ASSERT_TRUE(doc->Plume().IsConfirmed());
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_NEARFIELD);
    EXPECT_EQ(boxes.Texts(), QStringList{AfxLoadString(16260).arg(ResultFilePath(path, ".dbs"))});
    EXPECT_TRUE(s.Main()->QueryCommand(ID_RESULT_NEARFIELD_PLOT).m_bEnabled);
    EXPECT_FALSE(shownTitle(s.Main()->MDIGetActive()).contains('*'));

    boxes.Clear();
    boxes.Answer(IDNO);
    const int windows = s.Children();
    s.Main()->MDIGetActive()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(s.Children(), windows - 1);
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join("|").toStdString();

    ASSERT_NE(s.app->OpenDocumentFile(path), nullptr);
    doc = s.Doc();
    // The file keeps reals to six significant digits.
    const std::vector<float> reopened = summaryWords(doc);
    ASSERT_EQ(reopened.size(), words.size());
    for (size_t k = 0; k < words.size(); ++k)
        EXPECT_NEAR(reopened[k], words[k], 5e-6 * std::fabs(words[k])) << DISCHARGE_SUMMARY_KEYS[k];
    EXPECT_TRUE(doc->ReleaseModel().IsUpToDate());
    EXPECT_TRUE(s.Main()->QueryCommand(ID_RESULT_DISCHARGE).m_bEnabled);
    EXPECT_TRUE(s.Main()->QueryCommand(ID_RESULT_RELEASE_PLOT).m_bEnabled);
    EXPECT_TRUE(s.Main()->QueryCommand(ID_RESULT_NEARFIELD_PLOT).m_bEnabled);
    s.WithDialog(ID_RESULT_DISCHARGE, [&](CDialog* d) {
        EXPECT_FALSE(d->GetDlgItem(CReleaseResultDlg::IDC_OUTDATED)->isVisible());
    });
    // A change outdates both results.
    doc->NetworkChanged();
    EXPECT_FALSE(s.Main()->QueryCommand(ID_RESULT_RELEASE_PLOT).m_bEnabled);
    EXPECT_FALSE(s.Main()->QueryCommand(ID_RESULT_NEARFIELD_PLOT).m_bEnabled);
    doc->SetModifiedFlag(false);
}

// zef_run killed in the middle of its commit (before the rename of the
// log, with the result file already moved): opening the scenario in the
// program completes the commit, so the files beside it are those of one run,
// the one the killed process had finished.
TEST_F(DischargeProgram, opening_a_scenario_completes_the_commit_of_a_killed_run) {
    const QString shipped = QStringLiteral(ORVANE_SOURCE_DIR "/examples/scenarios/gas_export.zef");
    QTemporaryDir alone;
    ASSERT_TRUE(QFile::copy(shipped, alone.filePath("gas_export.zef")));
    QProcess reference;
    reference.start(QStringLiteral(ORVANE_BIN_DIR "/zef_run"), {alone.filePath("gas_export.zef")});
    ASSERT_TRUE(reference.waitForFinished(300000));
    ASSERT_EQ(reference.exitCode(), 0);
    const auto whole = resultFiles(alone.filePath("gas_export.zef"));

    const QString path = dir.filePath("gas_export.zef");
    ASSERT_TRUE(QFile::copy(shipped, path));
    QProcess killed;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LD_PRELOAD", FAULT_SHIM_PATH);
    env.insert("ASAN_OPTIONS", "verify_asan_link_order=0");
    env.insert("FAULT_RENAME_KILL", "3");  // 1 records the commit, 2 moves the .plt
    killed.setProcessEnvironment(env);
    killed.start(QStringLiteral(ORVANE_BIN_DIR "/zef_run"), {path});
    ASSERT_TRUE(killed.waitForFinished(300000));
    ASSERT_EQ(killed.exitStatus(), QProcess::CrashExit);
    ASSERT_TRUE(QFileInfo::exists(dir.filePath("gas_export.plt")));
    ASSERT_FALSE(QFileInfo::exists(dir.filePath("gas_export.log")));

    ScriptedMessageBoxes boxes;
    ASSERT_NE(Open("gas_export.zef"), nullptr);
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join("|").toStdString();
    EXPECT_TRUE(resultFiles(path) == whole);
}

// The branch names go in place with the library's files: a folder standing
// where they belong fails the run with the file, the step and the reason,
// and every previous file stays as it was.
TEST_F(DischargeProgram, branch_names_that_cannot_be_put_in_place_fail_the_run) {
    QString path;
    CScenarioDoc* doc = OpenAfterAShortRun(&path);
    ASSERT_NE(doc, nullptr);
    const QString brn = QFileInfo(path).dir().filePath("gas_export.brn");
    ASSERT_TRUE(QFile::remove(brn));
    ASSERT_TRUE(QDir().mkpath(brn + "/inside"));
    const auto before = resultFiles(path);
    const DischargeSummary kept = *doc->ReleaseModel().GetSummary();

    doc->ReleaseModel().Control().TUSER = 660;  // other results, were they kept
    doc->NetworkChanged();
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDYES);  // save before the run
    EXPECT_FALSE(doc->RunDischarge());
    ASSERT_EQ(boxes.Texts().size(), 2) << boxes.Texts().join("|").toStdString();
    EXPECT_TRUE(boxes.Texts()[1].contains(QDir::toNativeSeparators(brn) +
                                          ": replacing the previous file failed: Is a directory."))
        << boxes.Texts()[1].toStdString();
    EXPECT_FALSE(doc->ReleaseModel().IsUpToDate());
    EXPECT_FALSE(s.Main()->QueryCommand(ID_RESULT_RELEASE_PLOT).m_bEnabled);
    EXPECT_TRUE(resultFiles(path) == before);
    // The summary is still the one of the files on disk, shown as outdated.
    ASSERT_TRUE(doc->ReleaseModel().HasSummary());
    EXPECT_EQ(std::memcmp(doc->ReleaseModel().GetSummary(), &kept, sizeof kept), 0);
    doc->SetModifiedFlag(false);
}

int failedSync(int) {
    errno = EIO;
    return -1;
}

// The commit's flushes, now on a worker thread, fail the run the way they
// did on the window thread: the message names the file, the step and the
// system's reason, and the previous files and summary stay.
TEST_F(DischargeProgram, a_flush_that_fails_off_the_window_thread_keeps_the_previous_result) {
    QString path;
    CScenarioDoc* doc = OpenAfterAShortRun(&path);
    ASSERT_NE(doc, nullptr);
    const auto before = resultFiles(path);
    const DischargeSummary kept = *doc->ReleaseModel().GetSummary();

    doc->ReleaseModel().Control().TUSER = 660;  // other results, were they kept
    ScriptedMessageBoxes boxes;
    CResultFiles::SetSyncEntry(failedSync);
    EXPECT_FALSE(doc->RunDischarge());
    CResultFiles::SetSyncEntry(nullptr);
    ASSERT_EQ(boxes.Texts().size(), 1) << boxes.Texts().join("|").toStdString();
    EXPECT_TRUE(boxes.Texts()[0].contains(": flushing the new file failed: " +
                                          QString::fromLocal8Bit(std::strerror(EIO))))
        << boxes.Texts()[0].toStdString();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(doc->ReleaseModel().IsUpToDate());
    EXPECT_FALSE(s.Main()->QueryCommand(ID_RESULT_RELEASE_PLOT).m_bEnabled);
    EXPECT_TRUE(resultFiles(path) == before);
    ASSERT_TRUE(doc->ReleaseModel().HasSummary());
    EXPECT_EQ(std::memcmp(doc->ReleaseModel().GetSummary(), &kept, sizeof kept), 0);
    doc->SetModifiedFlag(false);
}

// The long run below, told step by step on the test's clock: the run waits
// before each step until the test has let it go on, so "time" is the steps
// the test has allowed and nothing depends on how fast the machine is.
struct LongRun {
    // The shape of the run that looked hung (a 10 mm hole in the gas example):
    // the library's percentage rises over the first two simulated days, then
    // holds still while the run goes on at a steady pace to day 20.
    static constexpr int STEPS = 400;
    static constexpr int RISING = 40;  // steps before the percentage holds
    static constexpr double DAY = 86400.0;
    static double Seconds(int step) {
        return step < RISING ? 2.0 * DAY * step / RISING
                             : 2.0 * DAY + 18.0 * DAY * (step - RISING) / (STEPS - RISING);
    }
    static int Percent(int step) { return std::min(step, RISING); }

    std::atomic<int> allowed{0};  // steps the test has let the run take
    std::atomic<int> done{0};     // steps the run has reported
    std::atomic<double> seconds{0.0};
    std::atomic<int32_t> held{0};
};
LongRun* g_longRun = nullptr;

void longRunTime(double* seconds, int32_t* held) {
    *seconds = g_longRun->seconds;
    *held = g_longRun->held;
}

// Reports the long run's steps through the program's progress callback, then
// lets the library write the files of a short run of the same input.
void longRunEntry(NETHDR* net, BRREC* branches, BNDDAT* bounds, LEKDAT* leak, PVTBLK* pvt,
                  ReleaseControl* ctl, DischargeSummary* summary, const char* path,
                  int32_t pathLength, ReleaseProgressFn* callback, int32_t* ierr, char* msg,
                  int32_t msgLength) {
    LongRun& run = *g_longRun;
    for (int step = 0; step < LongRun::STEPS; ++step) {
        // Bounded, so that a test that stopped letting it go on still ends.
        for (int wait = 0; run.allowed <= step && wait < 600000; ++wait) QThread::usleep(100);
        run.seconds = LongRun::Seconds(step);
        run.held = step >= LongRun::RISING ? 1 : 0;
        int32_t percent = LongRun::Percent(step);
        const bool stop = callback && *callback && (*callback)(percent) != 0;
        run.done = step + 1;
        if (stop) return;
    }
    ReleaseControl shortRun = *ctl;
    shortRun.TUSER = 600.0f;
    ReleaseProgressFn none = nullptr;
    RELEASE(net, branches, bounds, leak, pvt, &shortRun, summary, path, pathLength, &none, ierr,
            msg, msgLength);
}

// The run that looked hung: a 10 mm hole in the gas example releases for
// weeks of simulated time, and the library's percentage soon holds still
// while its end estimate moves out. The dialog then shows the simulated time,
// and the bar goes on toward the 30 days such a run can reach: it never goes
// back, and it moves at least once in every tenth of the run's steps.
// Pictures of the dialog at a quarter, half and three quarters of the run.
TEST_F(DischargeProgram, a_long_run_keeps_its_bar_moving_and_shows_its_simulated_time) {
    CScenarioDoc* doc = Open("gas_export.zef");
    ASSERT_NE(doc, nullptr);
    int leaks = 0;
    for (GList* l = doc->GetDiagram()->active_layer->objects; l; l = l->next)
        if (spill_point* sp = as_spill_point(static_cast<diagram_object*>(l->data))) {
            sp->diameter = 0.01;
            ++leaks;
        }
    ASSERT_EQ(leaks, 1);
    doc->ReleaseModel().Control().TUSER = 0;
    doc->NetworkChanged();
    LongRun run;
    g_longRun = &run;
    CReleaseModel::SetReleaseEntry(longRunEntry);
    CReleaseModel::SetReleaseTimeEntry(longRunTime);
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDYES);  // save before the run
    struct Moment {
        qint64 ms;  // the test's clock: steps allowed so far
        int bar;
        QString text;
        QImage image;
    };
    std::vector<Moment> moments;  // each change of the bar
    qint64 total = 0;
    CDialog::SetModalHook([&](CDialog* d) {
        auto* dlg = dynamic_cast<CTaskProgressDlg*>(d);
        if (!dlg) return;
        dlg->show();
        QElapsedTimer clock;
        clock.start();
        while (dlg->Runner().IsRunning() && clock.elapsed() < 400000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            // The run waits for the next step once it has reported this one.
            const int steps = run.allowed;
            if (run.done < steps && steps <= LongRun::STEPS) continue;
            const int bar = dlg->ProgressBar()->value();
            if (moments.empty() || bar != moments.back().bar)
                moments.push_back(
                    {steps, bar, dlg->SimulatedLabel()->text(), dlg->grab().toImage()});
            if (steps < LongRun::STEPS)
                run.allowed = steps + 1;
            else
                QThread::msleep(2);  // the short run writes its files
        }
        total = LongRun::STEPS;
    });
    EXPECT_TRUE(doc->RunDischarge());
    CDialog::SetModalHook({});
    CReleaseModel::SetReleaseTimeEntry(nullptr);
    g_longRun = nullptr;
    EXPECT_EQ(run.done.load(), LongRun::STEPS);
    ASSERT_GE(moments.size(), 2u);
    std::printf("run of %lld steps, %zu bar changes, last %d at step %lld: %s\n",
                static_cast<long long>(total), moments.size(), moments.back().bar,
                static_cast<long long>(moments.back().ms), qPrintable(moments.back().text));
    for (const Moment& m : moments)
        std::printf("  step %4lld  bar %3d  %s\n", static_cast<long long>(m.ms), m.bar,
                    qPrintable(m.text));
    qint64 longest = 0;
    for (size_t i = 1; i < moments.size(); ++i) {
        EXPECT_GE(moments[i].bar, moments[i - 1].bar) << "the bar went back at " << moments[i].ms;
        longest = std::max(longest, moments[i].ms - moments[i - 1].ms);
    }
    longest = std::max(longest, total - moments.back().ms);
    EXPECT_LE(longest, total / 10)
        << "the bar stood still for " << longest << " steps of " << total;
    EXPECT_TRUE(moments.back().text.endsWith(" days simulated")) << qPrintable(moments.back().text);
    // Below 100 until the run has ended.
    EXPECT_LT(moments[moments.size() - 2].bar, 100);
    for (int quarter = 1; quarter <= 3; ++quarter) {
        const qint64 at = total * quarter / 4;
        const Moment* shown = &moments.front();
        for (const Moment& m : moments)
            if (m.ms <= at) shown = &m;
        EXPECT_TRUE(shown->image.save(picture(
            QStringLiteral("progress_long_run_%1_of_4").arg(quarter).toLatin1().constData())));
    }
    doc->SetModifiedFlag(false);
}

TEST_F(DischargeProgram,
       run_of_a_scenario_that_zef_run_is_running_is_refused_and_keeps_the_summary) {
    QString path;
    CScenarioDoc* doc = OpenAfterAShortRun(&path);
    ASSERT_NE(doc, nullptr);
    const DischargeSummary summary = *doc->ReleaseModel().GetSummary();
    doc->NetworkChanged();
    ASSERT_TRUE(doc->DoSave(path));
    const auto before = resultFiles(path);

    // zef_run on the same scenario, held still while its library writes.
    QProcess other;
    other.start(QStringLiteral(ORVANE_BIN_DIR "/zef_run"), {path});
    ASSERT_TRUE(other.waitForStarted());
    const QString staged = QFileInfo(path).dir().filePath(".gas_export.run/gas_export.plt");
    while (!QFileInfo::exists(staged) && other.state() == QProcess::Running) QThread::usleep(200);
    ASSERT_EQ(::kill(pid_t(other.processId()), SIGSTOP), 0);
    ASSERT_TRUE(QFileInfo::exists(staged)) << "zef_run ended before it could be held";

    ScriptedMessageBoxes boxes;
    const bool ran = doc->RunDischarge();
    ::kill(pid_t(other.processId()), SIGCONT);
    EXPECT_FALSE(ran);
    EXPECT_EQ(boxes.Texts(),
              QStringList{"The scenario \"gas_export\" (in " + QFileInfo(path).absolutePath() +
                          ") is being calculated by another run (another window or program). "
                          "Only one run at a time can write its results; try again when that run "
                          "has finished."});
    // Nothing of the model changed: the last summary is still there.
    ASSERT_TRUE(doc->ReleaseModel().HasSummary());
    EXPECT_EQ(doc->ReleaseModel().GetSummary()->total_mass, summary.total_mass);

    ASSERT_TRUE(other.waitForFinished(300000));
    EXPECT_EQ(other.exitCode(), 0);
    EXPECT_EQ(resultFiles(path).at("gas_export.plt"), before.at("gas_export.plt"));
    boxes.Clear();
    EXPECT_TRUE(doc->RunDischarge());
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join("|").toStdString();
    doc->SetModifiedFlag(false);
}

void blankRefusal(NETHDR*, BRREC*, BNDDAT*, LEKDAT*, PVTBLK*, ReleaseControl*, DischargeSummary*,
                  const char*, int32_t, ReleaseProgressFn*, int32_t* ierr, char* msg, int32_t) {
    std::memset(msg, ' ', 256);
    *ierr = 1;
}

TEST_F(DischargeProgram, blank_refusal_shows_16154_and_disables_the_summary) {
    CScenarioDoc* doc = Open("oil_line.zef");
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(doc->RunDischarge());
    ASSERT_TRUE(s.Main()->QueryCommand(ID_RESULT_DISCHARGE).m_bEnabled);
    doc->NetworkChanged();  // forces a new run
    doc->SetModifiedFlag(false);
    CReleaseModel::SetReleaseEntry(blankRefusal);
    ScriptedMessageBoxes boxes;
    EXPECT_FALSE(doc->RunDischarge());
    EXPECT_EQ(boxes.Texts(), QStringList{"Task failed:\n\nUnspecified error from RELEASE module"});
    EXPECT_FALSE(doc->ReleaseModel().HasSummary());
    EXPECT_FALSE(s.Main()->QueryCommand(ID_RESULT_DISCHARGE).m_bEnabled);
    doc->SetModifiedFlag(false);
}

TEST_F(DischargeProgram, unsaved_changes_ask_first_and_no_runs_nothing) {
    CScenarioDoc* doc = Open("oil_line.zef");
    ASSERT_NE(doc, nullptr);
    doc->SetModifiedFlag(true);
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDNO);
    bool dialogShown = false;
    CDialog::SetModalHook([&](CDialog*) { dialogShown = true; });
    EXPECT_FALSE(doc->RunDischarge());
    CDialog::SetModalHook({});
    EXPECT_EQ(boxes.Texts(), QStringList{AfxLoadString(16156)});
    EXPECT_FALSE(dialogShown);
    EXPECT_FALSE(doc->ReleaseModel().HasSummary());
    doc->SetModifiedFlag(false);
}

TEST_F(DischargeProgram, discharge_setup_stores_the_end_time_in_seconds) {
    CScenarioDoc* doc = Open("oil_line.zef");
    ASSERT_NE(doc, nullptr);
    // First opening, no end time yet: the box is clear, the time disabled.
    ASSERT_FLOAT_EQ(doc->ReleaseModel().Control().TUSER, 0.0f);
    bool opened = false;
    s.WithDialog(
        ID_SCENARIO_DISCHARGE_SETUP,
        [&](CDialog* d) {
            opened = true;
            EXPECT_FALSE(d->Item<QCheckBox>(CReleaseModelDlg::IDC_SET_END_TIME)->isChecked());
            EXPECT_FALSE(d->GetDlgItem(CReleaseModelDlg::IDC_END_TIME)->isEnabled());
        },
        IDCANCEL);
    ASSERT_TRUE(opened);
    s.WithDialog(ID_SCENARIO_DISCHARGE_SETUP, [](CDialog* d) {
        d->Item<QCheckBox>(CReleaseModelDlg::IDC_SET_END_TIME)->setChecked(true);
        ScenarioScript::SetText(d, CReleaseModelDlg::IDC_END_TIME, "2");
        d->Item<QComboBox>(CReleaseModelDlg::IDC_END_TIME_UNIT)->setCurrentIndex(2);  // hours
        d->Item<QCheckBox>(CReleaseModelDlg::IDC_DISABLE_TEMP)->setChecked(true);
    });
    EXPECT_FLOAT_EQ(doc->ReleaseModel().Control().TUSER, 7200.0f);
    EXPECT_EQ(doc->ReleaseModel().Control().NOTEMP, 1);
    EXPECT_TRUE(doc->IsModified());
    s.WithDialog(ID_SCENARIO_DISCHARGE_SETUP, [](CDialog* d) {
        EXPECT_EQ(AfxGetControlText(d->GetDlgItem(CReleaseModelDlg::IDC_END_TIME)), "7200");
        d->Item<QCheckBox>(CReleaseModelDlg::IDC_SET_END_TIME)->setChecked(false);
        EXPECT_FALSE(d->GetDlgItem(CReleaseModelDlg::IDC_END_TIME)->isEnabled());
    });
    EXPECT_FLOAT_EQ(doc->ReleaseModel().Control().TUSER, 0.0f);
    doc->SetModifiedFlag(false);
}

TEST_F(DischargeProgram, plot_commands_need_a_result_file_and_start_the_viewer) {
    QString path;
    CScenarioDoc* doc = Open("two_inlets_junction.zef", &path);
    ASSERT_NE(doc, nullptr);
    EXPECT_FALSE(s.Main()->QueryCommand(ID_RESULT_RELEASE_PLOT).m_bEnabled);
    EXPECT_FALSE(s.Main()->QueryCommand(ID_RESULT_NEARFIELD_PLOT).m_bEnabled);
    QFile empty(ResultFilePath(path, ".dbs"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    ASSERT_TRUE(doc->RunDischarge());
    EXPECT_TRUE(s.Main()->QueryCommand(ID_RESULT_RELEASE_PLOT).m_bEnabled);
    EXPECT_FALSE(s.Main()->QueryCommand(ID_RESULT_NEARFIELD_PLOT).m_bEnabled);

    RecordingLauncher launcher;
    SetPlotLauncher(&launcher);
    s.Main()->ExecuteCommand(ID_RESULT_RELEASE_PLOT);
    SetPlotLauncher(nullptr);
    EXPECT_EQ(launcher.program, QStringLiteral(ORVANE_BIN_DIR "/Tessel"));
    EXPECT_EQ(launcher.arguments, QStringList({ResultFilePath(path, ".plt"), "/unit=1"}));
    QFile brn(ResultFilePath(path, ".brn"));
    ASSERT_TRUE(brn.open(QIODevice::ReadOnly));
    EXPECT_TRUE(brn.readAll().startsWith("BranchNo Name\n0 "));
    doc->SetModifiedFlag(false);
}

// An open report follows Edit > Options at once: switched to English units
// it shows feet and scf/d without a new run, and the gas export's inlet rate
// of some 3.5e+08 scf/d stays clear of the depth before it. Picture of the
// report after the switch.
TEST_F(DischargeProgram, open_report_follows_a_units_switch_at_once) {
    CScenarioDoc* doc = Open("gas_export.zef");
    ASSERT_NE(doc, nullptr);
    s.Main()->show();
    s.Main()->ExecuteCommand(ID_WINDOW_NEW_SUMMARY);
    auto* report = dynamic_cast<CReportView*>(s.Main()->GetActiveView());
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->Text().contains("[Sm3/d]"));
    s.WithDialog(ID_APP_OPTIONS, [](CDialog* d) {
        d->Item<QRadioButton>(CSystemSettingsDlg::IDC_UNITS_ENGLISH)->click();
    });
    ASSERT_EQ(s.app->GetSettings().DisplayUnits(), 1);
    const QString text = report->GetEditCtrl()->toPlainText();
    EXPECT_TRUE(text.contains("[scf/d]")) << text.left(300).toStdString();
    EXPECT_FALSE(text.contains("[Sm3/d]"));
    // Gas platform, 80 m (262.467 ft) deep, 1e7 Sm3/d (3.53147e+08 scf/d).
    const QString row = text.section('\n', 5, 5);
    EXPECT_TRUE(row.startsWith("Gas platform")) << row.toStdString();
    EXPECT_TRUE(row.contains("262.467  3.53147e+08")) << row.toStdString();
    s.Main()->MdiArea()->tileSubWindows();
    QCoreApplication::processEvents();
    EXPECT_TRUE(s.Main()->grab().save(picture("report_after_units_switch")));
    s.app->GetSettings().SetDisplayUnits(0);
    doc->SetModifiedFlag(false);
}

// A summary window opens large enough to read a page of the report, and a
// main window made smaller than its sub-windows offers scroll bars to reach
// them. Pictures of both.
TEST_F(DischargeProgram, summary_window_opens_readable_and_a_small_main_window_scrolls) {
    CScenarioDoc* doc = Open("oil_line.zef");
    ASSERT_NE(doc, nullptr);
    s.Main()->resize(1000, 720);
    s.Main()->show();
    QCoreApplication::processEvents();
    s.Main()->ExecuteCommand(ID_WINDOW_NEW_SUMMARY);
    QMdiSubWindow* summary = s.Main()->MdiArea()->activeSubWindow();
    ASSERT_NE(summary, nullptr);
    ASSERT_NE(dynamic_cast<CReportView*>(s.Main()->GetActiveView()), nullptr);
    const QSize area = s.Main()->MdiArea()->viewport()->size();
    EXPECT_GE(summary->width(), area.width() * 2 / 3 - 1);
    EXPECT_GE(summary->height(), area.height() * 2 / 3 - 1);
    EXPECT_TRUE(QRect(QPoint(0, 0), area).contains(summary->geometry()));
    EXPECT_TRUE(s.Main()->grab().save(picture("summary_window_opened")));

    s.Main()->resize(420, 330);
    QCoreApplication::processEvents();
    QTest::qWait(50);
    QMdiArea* mdi = s.Main()->MdiArea();
    EXPECT_TRUE(mdi->horizontalScrollBar()->isVisible() || mdi->verticalScrollBar()->isVisible());
    EXPECT_GT(mdi->horizontalScrollBar()->maximum() + mdi->verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(s.Main()->grab().save(picture("main_window_small_scrolls")));
    doc->SetModifiedFlag(false);
}

TEST_F(DischargeProgram, copy_all_puts_the_report_on_the_clipboard) {
    CScenarioDoc* doc = Open("oil_line.zef");
    ASSERT_NE(doc, nullptr);
    s.Main()->ExecuteCommand(ID_WINDOW_NEW_SUMMARY);
    auto* report = dynamic_cast<CReportView*>(s.Main()->GetActiveView());
    ASSERT_NE(report, nullptr);
    QGuiApplication::clipboard()->clear();
    ASSERT_TRUE(s.Main()->ExecuteCommand(ID_EDIT_COPY_ALL));
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith("Inlets:\r\n\r\nLabel")) << copied.left(40).toStdString();
    EXPECT_EQ(copied, report->Text());
    EXPECT_FALSE(report->GetEditCtrl()->textCursor().hasSelection());
}

}  // namespace

namespace {

TEST_F(DischargeProgram, auto_result_open_shows_the_summary_once_after_a_run) {
    CScenarioDoc* doc = Open("two_inlets_junction.zef");
    ASSERT_NE(doc, nullptr);
    s.app->GetSettings().SetAutoResultOpen(true);
    std::vector<QString> titles;
    CDialog::SetModalHook([&](CDialog* d) { titles.push_back(d->windowTitle()); });
    ScriptedMessageBoxes boxes;
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_DISCHARGE);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    CDialog::SetModalHook({});
    EXPECT_EQ(titles, (std::vector<QString>{"Calculating discharge...", "Discharge Summary"}));
    EXPECT_TRUE(boxes.Texts().isEmpty());
    doc->SetModifiedFlag(false);
}

}  // namespace

namespace {

// What pdftotext -bbox finds in a PDF: its pages and their words with the
// boxes, in points.
struct PdfWord {
    int page;
    double xMin, yMin, xMax, yMax;
    QString text;
};
struct PdfText {
    double pageWidth = 0, pageHeight = 0;
    int pages = 0;
    std::vector<PdfWord> words;
};

PdfText readPdfText(const QString& pdf) {
    PdfText out;
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000)) return out;
    static const QRegularExpression pageRe(R"re(<page width="([\d.]+)" height="([\d.]+)">)re");
    static const QRegularExpression wordRe(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">(.*)</word>)re");
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
        if (const auto m = pageRe.match(line); m.hasMatch()) {
            ++out.pages;
            out.pageWidth = m.captured(1).toDouble();
            out.pageHeight = m.captured(2).toDouble();
        } else if (const auto w = wordRe.match(line); w.hasMatch()) {
            QString text = w.captured(5);
            text.replace("&lt;", "<")
                .replace("&gt;", ">")
                .replace("&quot;", "\"")
                .replace("&amp;", "&");
            out.words.push_back({out.pages, w.captured(1).toDouble(), w.captured(2).toDouble(),
                                 w.captured(3).toDouble(), w.captured(4).toDouble(), text});
        }
    }
    return out;
}

// Page breaks of a printed text, 8 lines a page: a heading (a line ending in
// ':' after an empty line) with fewer than its 6 opening lines left on the
// page starts the next one; a section shorter than that needs only its own.
TEST(PrintPages, a_heading_is_not_left_at_the_foot_of_a_page) {
    const auto lines = [](std::initializer_list<const char*> text) {
        QStringList l;
        for (const char* t : text) l << QString::fromLatin1(t);
        return l;
    };
    using Pages = std::vector<std::pair<int, int>>;
    struct Case {
        const char* what;
        QStringList text;
        Pages pages;
    };
    const Case cases[] = {
        {"plain text fills pages", lines({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}),
         Pages{{0, 8}, {8, 2}}},
        {"heading at line 5 of 8 moves",
         lines({"a", "b", "c", "d", "", "Next:", "", "x", "y", "z", "w"}), Pages{{0, 5}, {5, 6}}},
        {"heading with room for its opening stays",
         lines({"a", "", "Next:", "", "x", "y", "z", "w", "v", "u"}), Pages{{0, 8}, {8, 2}}},
        {"a short last section that fits stays", lines({"a", "b", "c", "d", "", "End:", "x", "y"}),
         Pages{{0, 8}}},
        {"indented or mid-paragraph colons are no headings",
         lines({"a", "b", "c", "d", "e", "  Label:", "Warnings:", "x", "y"}),
         Pages{{0, 8}, {8, 1}}},
    };
    for (const Case& c : cases) EXPECT_EQ(CEditView::PrintPages(c.text, 8), c.pages) << c.what;
}

TEST_F(DischargeProgram, report_prints_to_a_pdf_at_a_reading_size_on_as_many_pages_as_it_needs) {
    CScenarioDoc* doc = Open("gas_export.zef");
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(doc->RunDischarge());
    {
        ScriptedMessageBoxes boxes;  // the near-field run's closing message
        s.Main()->ExecuteCommand(ID_SCENARIO_CALC_NEARFIELD);
    }
    s.Main()->ExecuteCommand(ID_WINDOW_NEW_SUMMARY);
    auto* report = dynamic_cast<CReportView*>(s.Main()->GetActiveView());
    ASSERT_NE(report, nullptr);
    ASSERT_TRUE(report->Text().contains("Release Summary:\r\n\r\nTime to get total mass:"));
    ASSERT_TRUE(report->Text().contains("Nearfield Summary:\r\n\r\nWater temperature:"));
    // Landscape holds fewer lines than the report has: a second page.
    for (const auto orientation : {QPageLayout::Portrait, QPageLayout::Landscape}) {
        SCOPED_TRACE(orientation == QPageLayout::Portrait ? "portrait" : "landscape");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageOrientation(orientation);
        const bool portrait = orientation == QPageLayout::Portrait;
        const QString pdf =
            kArtifacts + (portrait ? "/report_print.pdf" : "/report_print_landscape.pdf");
        QFile::remove(pdf);
        printer.setOutputFileName(pdf);
        ASSERT_TRUE(report->PrintTo(&printer));

        const PdfText got = readPdfText(pdf);
        ASSERT_GT(got.pages, 0) << "pdftotext could not read " << pdf.toStdString();
        // A4 in points; the page margins are the printer's, as for the diagram.
        EXPECT_NEAR(got.pageWidth, portrait ? 595.3 : 841.9, 1.0);
        EXPECT_NEAR(got.pageHeight, portrait ? 841.9 : 595.3, 1.0);
        const QMarginsF margins = printer.pageLayout().margins(QPageLayout::Point);
        const QStringList lines = report->GetEditCtrl()->toPlainText().split('\n');
        QStringList reportWords;
        for (const QString& line : lines) reportWords += line.split(' ', Qt::SkipEmptyParts);
        ASSERT_FALSE(got.words.empty());
        // In reading order (pdftotext may read a block of columns downwards).
        std::vector<PdfWord> words = got.words;
        std::sort(words.begin(), words.end(), [](const PdfWord& a, const PdfWord& b) {
            return std::make_tuple(a.page, std::lround(a.yMax), a.xMin) <
                   std::make_tuple(b.page, std::lround(b.yMax), b.xMin);
        });
        // Each page ends with its number, "Page i of n", on the bottom line.
        const auto pages = CEditView::PrintPages(lines, report->LinesPerPage(&printer));
        ASSERT_EQ(got.pages, int(pages.size()));
        std::vector<PdfWord> text;
        std::map<QString, int> pageOf;  // first page of a word
        // Each page starts with the header: scenario, date and units.
        const QString header = report->PrintHeader();
        EXPECT_EQ(header, "Scenario: gas_export.zef    Printed: " +
                              QDate::currentDate().toString(Qt::ISODate) + "    Units: Metric");
        const QStringList headerWords = header.split(' ', Qt::SkipEmptyParts);
        int headers = 0;
        for (size_t k = 0; k < words.size(); ++k) {
            if (k == 0 || words[k].page != words[k - 1].page) {
                QStringList top;
                for (size_t h = k; h < words.size() && top.size() < headerWords.size() &&
                                   words[h].page == words[k].page;
                     ++h)
                    top << words[h].text;
                EXPECT_EQ(top, headerWords) << "page " << words[k].page;
                EXPECT_LT(words[k].yMin, margins.top() + 20.0) << "page " << words[k].page;
                ++headers;
                k += size_t(headerWords.size()) - 1;
                continue;
            }
            const bool footer = k + 4 <= words.size() && words[k].text == "Page" &&
                                words[k + 2].text == "of" &&
                                words[k + 3].text == QString::number(got.pages) &&
                                (k + 4 == words.size() || words[k + 4].page != words[k].page);
            if (!footer) {
                text.push_back(words[k]);
                pageOf.emplace(words[k].text, words[k].page);
                continue;
            }
            EXPECT_EQ(words[k + 1].text, QString::number(words[k].page));
            EXPECT_GT(words[k].yMin, got.pageHeight - margins.bottom() - 20.0);
            k += 3;
        }
        EXPECT_EQ(headers, got.pages);
        // A section's heading starts the page that holds its first lines.
        EXPECT_EQ(pageOf["Release"], pageOf["Time"]);
        EXPECT_EQ(pageOf["Nearfield"], pageOf["Water"]);
        words = text;
        QStringList printedWords;
        double firstTop = 1e9, lowest = 0;
        for (const PdfWord& w : words) {
            printedWords << w.text;
            // A box of a 9 pt font is about 9-11 pt high (ascent plus descent).
            EXPECT_GE(w.yMax - w.yMin, 7.0) << w.text.toStdString();
            EXPECT_LE(w.yMax - w.yMin, 13.0) << w.text.toStdString();
            EXPECT_GE(w.xMin, margins.left() - 0.5) << w.text.toStdString();
            EXPECT_LE(w.xMax, got.pageWidth - margins.right() + 0.5) << w.text.toStdString();
            EXPECT_LE(w.yMax, got.pageHeight - margins.bottom() + 0.5) << w.text.toStdString();
            if (w.page == 1) firstTop = std::min(firstTop, w.yMin);
            lowest = std::max(lowest, w.yMax);
        }
        EXPECT_GE(firstTop, margins.top() - 0.5);
        EXPECT_GT(lowest, got.pageHeight * 0.5);  // pages are filled, not a corner
        // Every word of the report, in order: nothing lost between the pages.
        EXPECT_EQ(printedWords.join(" ").toStdString(), reportWords.join(" ").toStdString());
        // 9 pt lines with their leading are 10-13 pt apart on the paint
        // rectangle's height; the landscape page needs a second one.
        const double paintHeight = got.pageHeight - margins.top() - margins.bottom();
        const int lineCount = int(lines.size());
        EXPECT_GE(got.pages, int(std::ceil(lineCount / std::floor(paintHeight / 10.0))));
        // (two lines of each page hold its number; a heading may move to the next)
        EXPECT_LE(got.pages, int(std::ceil(lineCount / (std::floor(paintHeight / 13.0) - 8))));
        EXPECT_GT(got.pages, portrait ? 0 : 1);
        // Pictures of the pages for a person to look at.
        QProcess::execute(QStringLiteral("pdftoppm"),
                          {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"), pdf,
                           pdf.left(pdf.size() - 4) + QStringLiteral("_page")});
    }
    doc->SetModifiedFlag(false);
}

}  // namespace

namespace {

TEST_F(DischargeProgram, calculate_all_on_an_unsaved_scenario_asks_to_save_first) {
    CScenarioDoc* doc = s.Doc();  // the new scenario of the start
    ASSERT_NE(doc, nullptr);
    doc->Components().comps_confirmed = true;
    doc->SetModifiedFlag(true);
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDNO);
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_ALL);
    EXPECT_EQ(boxes.Texts(),
              QStringList{AfxLoadString(16156)});  // and nothing about the near field
    doc->SetModifiedFlag(false);
}

TEST_F(DischargeProgram, calculate_all_stops_after_a_failed_discharge) {
    CScenarioDoc* doc = Open("oil_line.zef");
    ASSERT_NE(doc, nullptr);
    doc->Plume().SetConfirmed(true);
    CReleaseModel::SetReleaseEntry(blankRefusal);
    ScriptedMessageBoxes boxes;
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_ALL);
    EXPECT_EQ(boxes.Texts(), QStringList{"Task failed:\n\nUnspecified error from RELEASE module"});
    doc->SetModifiedFlag(false);
}

TEST_F(DischargeProgram, calculate_all_runs_the_plume_after_the_discharge) {
    QString path;
    CScenarioDoc* doc = Open("gas_export.zef", &path);
    ASSERT_NE(doc, nullptr);

    // Unconfirmed near-field settings (the shipped file confirms them): asked
    // for after the discharge run.
    // The set-up dialog it opens first is left without OK.
    doc->Plume().SetConfirmed(false);
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDCANCEL);
    const CDialog::ModalHook previous = CDialog::SetModalHook([](CDialog*) {});
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_ALL);
    CDialog::SetModalHook(previous);
    EXPECT_EQ(boxes.Texts(), QStringList{AfxLoadString(16158)});
    EXPECT_TRUE(doc->ReleaseModel().IsUpToDate());

    doc->Plume().SetConfirmed(true);
    boxes.Clear();
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_ALL);
    // The first run's result was saved with the scenario: nothing to ask.
    EXPECT_EQ(boxes.Texts(), QStringList{AfxLoadString(16260).arg(ResultFilePath(path, ".dbs"))});
    EXPECT_TRUE(doc->IsNearfieldPrepared());
    EXPECT_TRUE(HasResultFile(ResultFilePath(path, ".dbs")));
    EXPECT_TRUE(s.Main()->QueryCommand(ID_RESULT_NEARFIELD_PLOT).m_bEnabled);
    s.Main()->ExecuteCommand(ID_WINDOW_NEW_SUMMARY);
    auto* report = dynamic_cast<CReportView*>(s.Main()->GetActiveView());
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(
        report->Text().contains("Nearfield Summary:\r\n\r\nWater temperature: 6.5 °C\r\n"
                                "Start time, output to Ulv/5: Disabled\r\n"))
        << report->Text().toStdString();
    doc->SetModifiedFlag(false);
}

// Opening a damaged scenario shows one warning box that names what was
// repaired; a stored result with a word that is no finite number is gone, so
// the summary cannot show it.
TEST_F(DischargeProgram, opening_a_damaged_scenario_warns_once) {
    const struct {
        const char* file;
        const char* warning;  // the start of the box's text
    } cases[] = {
        {"nonfinite_summary.zef",
         "Warning:\nThe stored discharge result holds a value that is not a finite number (time)"},
        {"text_number.zef",
         "Warning:\nValues that could not be read were replaced:\n"
         "FlowInlet \"Wellhead\" (O0): closingtime \"soon\" -> "},
        // 57 reals written as ints: one box (it was 57), which keeps the values.
        {"reals_as_ints.zef",
         "Warning:\nValues that could not be read were replaced:\n"
         "diagramdata: scaling int \"1\" -> 1\n"
         "FlowInlet \"Wellhead\" (O0): elem_width int \"1.42544\" -> 1.42544\n"},
        // Unknown value types (114 boxes before): one box, defaults in their place.
        {"unknown_value_types.zef",
         "Warning:\nValues that could not be read were replaced:\n"
         "diagramdata: scaling float \"1\" -> 1 (default)\n"},
        {"duplicate_numbers.zef",
         "Warning:\nObject numbers that repeat or are out of range were renumbered:\n"
         "FlowInlet \"South\" (O1): 3 -> 4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString copy = dir.filePath(c.file);
        ASSERT_NO_THROW(corpus::WriteScenario(ORVANE_SOURCE_DIR, c.file, copy.toStdString()));
        ScriptedMessageBoxes boxes;
        ASSERT_TRUE(s.app->OpenDocumentFile(copy));
        ASSERT_EQ(boxes.Boxes().size(), 1u) << boxes.Texts().join("|").toStdString();
        EXPECT_TRUE(boxes.Boxes()[0].text.startsWith(QString::fromUtf8(c.warning)))
            << boxes.Boxes()[0].text.toStdString();
        EXPECT_EQ(boxes.Boxes()[0].icon, unsigned(MB_ICONEXCLAMATION));
        EXPECT_FALSE(s.Doc()->ReleaseModel().HasSummary());
        EXPECT_FALSE(s.Main()->QueryCommand(ID_RESULT_DISCHARGE).m_bEnabled);
        s.Doc()->OnCloseDocument();
    }
}

}  // namespace

namespace {

// Hostile files are refused as they open, with one box naming the file and
// why, and no window: the example with one 100 kB entity used 10,000 times in
// a label (a gigabyte once expanded), and a file of more objects than could
// be read in.
TEST_F(DischargeProgram, hostile_files_are_refused_with_one_message) {
    QFile example(QStringLiteral(ORVANE_SOURCE_DIR "/examples/scenarios/oil_line.zef"));
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    QByteArray entity = example.readAll();
    entity.replace("encoding=\"UTF-8\"?>\n",
                   "encoding=\"UTF-8\"?>\n<!DOCTYPE zef:diagram [<!ENTITY e \"" +
                       QByteArray(100000, '7') + "\">]>\n");
    entity.replace("#Oil line#", "#" + QByteArray("&e;").repeated(10000) + "#");
    QByteArray branch =
        "<?xml version=\"1.0\"?>\n<zef:diagram xmlns:zef=\"urn:x-holvik:zef\"><zef:layer "
        "name=\"Background\" visible=\"true\">";
    for (int i = 0; i <= MAX_FILE_OBJECTS; ++i)
        branch += "<object type=\"PipeJoin\" id=\"J" + QByteArray::number(i) + "\"/>";
    branch += "</zef:layer></zef:diagram>\n";
    const struct {
        const char* file;
        const QByteArray& content;
        const char* why;
    } cases[] = {
        {"entity.zef", entity,
         ".\nIts entities would expand it to more than 4 times its size; the file was not "
         "opened."},
        {"many.zef", branch,
         " was not opened: it holds 200001 objects, more than the 200000 a scenario file may "
         "hold."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = dir.filePath(c.file);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content);
        f.close();
        ScriptedMessageBoxes boxes;
        EXPECT_FALSE(s.app->OpenDocumentFile(path));
        ASSERT_EQ(boxes.Boxes().size(), 1u) << boxes.Texts().join("|").toStdString();
        EXPECT_TRUE(boxes.Boxes()[0].text.contains(path + QString::fromUtf8(c.why)))
            << boxes.Boxes()[0].text.toStdString();
        EXPECT_EQ(boxes.Boxes()[0].icon, unsigned(MB_ICONERROR));
    }
}

TEST_F(DischargeProgram, nearfield_plot_follows_the_discharge_result_it_was_computed_from) {
    QString path;
    CScenarioDoc* doc = Open("gas_export.zef", &path);
    ASSERT_NE(doc, nullptr);
    doc->Plume().SetConfirmed(true);
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDYES);
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_ALL);
    ASSERT_TRUE(HasResultFile(ResultFilePath(path, ".dbs")));
    EXPECT_TRUE(s.Main()->QueryCommand(ID_RESULT_NEARFIELD_PLOT).m_bEnabled);

    // A new discharge result: the plume file of the one before goes with the
    // old files, so no plume file stands beside curves it was not made from.
    doc->ReleaseModel().Control().TUSER = 900;
    doc->NetworkChanged();
    boxes.Answer(IDYES);
    ASSERT_TRUE(doc->RunDischarge());
    EXPECT_FALSE(QFileInfo::exists(ResultFilePath(path, ".dbs")));
    EXPECT_TRUE(s.Main()->QueryCommand(ID_RESULT_RELEASE_PLOT).m_bEnabled);
    EXPECT_FALSE(s.Main()->QueryCommand(ID_RESULT_NEARFIELD_PLOT).m_bEnabled);
    RecordingLauncher launcher;
    SetPlotLauncher(&launcher);
    boxes.Clear();
    doc->OnNearfieldPlot();
    SetPlotLauncher(nullptr);
    EXPECT_TRUE(launcher.program.isEmpty());
    EXPECT_EQ(boxes.Texts(), QStringList{"The nearfield result is outdated or missing. Calculate "
                                         "the nearfield again to plot it."});
    doc->SetModifiedFlag(false);
}

}  // namespace
