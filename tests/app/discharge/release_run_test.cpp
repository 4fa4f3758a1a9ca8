// The discharge model as a worker task: what a run keeps of the library's
// answer (summary, up-to-date flag, warning), what it throws, and runs
// through the real library on the worker thread, cancelled and not.
#include "discharge_fixture.h"
#include "release_model.h"
#include "release_section.h"
#include "worker_task.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cmath>
#include <cstring>
#include <map>

#include <unistd.h>

namespace {

using namespace discharge_test;

// What the injected library entry answers.
struct FakeAnswer {
    int32_t ierr = 0;
    const char* message = "";
    bool callbackStops = false;  // keeps calling the callback until it says stop
    int calls = 0;
    bool sawCurrentTask = false;
};
FakeAnswer g_fake;

void FakeRelease(NETHDR*, BRREC*, BNDDAT*, LEKDAT*, PVTBLK*, ReleaseControl*,
                 DischargeSummary* summary, const char*, int32_t, ReleaseProgressFn* callback,
                 int32_t* ierr, char* msg, int32_t) {
    ++g_fake.calls;
    g_fake.sawCurrentTask = GetCurrentTask() != nullptr;
    std::memset(msg, ' ', 256);
    std::memcpy(msg, g_fake.message, std::strlen(g_fake.message));
    if (g_fake.callbackStops) {
        for (int p = 0; p < 100000; ++p)
            if ((*callback)(p / 1000) != 0) {
                *ierr = 9999;
                return;
            }
    }
    *ierr = g_fake.ierr;
    if (*ierr == 0) {
        float* v = &summary->time;
        for (int k = 0; k < 11; ++k) v[k] = static_cast<float>(k + 1);
    }
}

class ReleaseRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        DrawFlowline(net);
        ASSERT_TRUE(Validate(model, net, dir));
        g_fake = FakeAnswer();
    }
    void TearDown() override { CReleaseModel::SetReleaseEntry(nullptr); }

    QTemporaryDir dir;
    Network net;
    CReleaseModel model;
};

TEST_F(ReleaseRun, fault_paths_of_the_library_answer) {
    struct Case {
        const char* what;
        int32_t ierr;
        const char* message;
        TaskOutcome outcome;
        unsigned errorId;
        QString errorText;
        bool summary;
        QString warning;
    };
    const Case cases[] = {
        {"clean success", 0, "", TaskOutcome::Succeeded, 0, {}, true, {}},
        {"success with a warning",
         0,
         "RELEASE NOT FINISHED AT END TIME",
         TaskOutcome::Succeeded,
         0,
         {},
         true,
         "RELEASE NOT FINISHED AT END TIME"},
        {"refusal with a message", 1, "ROUGHNESS SHOULD BE GREATER THAN 0", TaskOutcome::Failed, 0,
         "ROUGHNESS SHOULD BE GREATER THAN 0", false, "ROUGHNESS SHOULD BE GREATER THAN 0"},
        {"refusal with a blank message",
         1,
         "",
         TaskOutcome::Failed,
         IDS_RELEASE_UNSPECIFIED,
         {},
         false,
         {}},
        // The library fails a run whose log it could not write whole: the old
        // log stays beside the old result file, no new summary either.
        {"log cut short", 1, "LOG FILE COULD NOT BE WRITTEN COMPLETELY: scenario.log",
         TaskOutcome::Failed, 0, "LOG FILE COULD NOT BE WRITTEN COMPLETELY: scenario.log", false,
         "LOG FILE COULD NOT BE WRITTEN COMPLETELY: scenario.log"},
        // Also with the run's warning behind it.
        {"log cut short with a warning", 1,
         "LOG FILE COULD NOT BE WRITTEN COMPLETELY: scenario.log RELEASE NOT FINISHED AT END TIME",
         TaskOutcome::Failed, 0,
         "LOG FILE COULD NOT BE WRITTEN COMPLETELY: scenario.log RELEASE NOT FINISHED AT END TIME",
         false,
         "LOG FILE COULD NOT BE WRITTEN COMPLETELY: scenario.log RELEASE NOT FINISHED AT END TIME"},
    };
    CReleaseModel::SetReleaseEntry(FakeRelease);
    for (const Case& c : cases) {
        g_fake.ierr = c.ierr;
        g_fake.message = c.message;
        const TaskResult r = RunTaskAndWait(model);
        EXPECT_EQ(r.outcome, c.outcome) << c.what;
        EXPECT_EQ(r.errorId, c.errorId) << c.what;
        EXPECT_EQ(r.errorText, c.errorText) << c.what;
        EXPECT_EQ(model.HasSummary(), c.summary) << c.what;
        EXPECT_EQ(model.IsUpToDate(), c.summary) << c.what;
        EXPECT_EQ(model.Warning(), c.warning) << c.what;
        if (c.summary) {
            EXPECT_EQ(model.GetSummary()->gas_out_std, 11.0f) << c.what;
        }
        EXPECT_TRUE(g_fake.sawCurrentTask) << c.what;
        EXPECT_EQ(GetCurrentTask(), nullptr) << c.what;
    }
}

TEST_F(ReleaseRun, unvalidated_network_throws_16109_before_the_library) {
    CReleaseModel::SetReleaseEntry(FakeRelease);
    model.ClearValidated();
    const TaskResult r = RunTaskAndWait(model);
    EXPECT_EQ(r.outcome, TaskOutcome::Failed);
    EXPECT_EQ(r.errorId, IDS_NETWORK_INVALID);
    EXPECT_EQ(g_fake.calls, 0);
}

// A cancelled run leaves the previous result (summary, flag, warning) as it
// was: it belongs to the files the run left.
TEST_F(ReleaseRun, cancelled_run_keeps_the_previous_summary_and_its_flags) {
    CReleaseModel::SetReleaseEntry(FakeRelease);
    ASSERT_EQ(RunTaskAndWait(model).outcome, TaskOutcome::Succeeded);
    ASSERT_TRUE(model.HasSummary());
    const DischargeSummary previous = *model.GetSummary();
    const QString warning = model.Warning();

    g_fake.callbackStops = true;
    int reports = 0;
    const TaskResult r = RunTaskAndWait(
        model, [&](int) { ++reports; }, [&](int) { return reports >= 3; });
    EXPECT_EQ(r.outcome, TaskOutcome::Cancelled);
    ASSERT_TRUE(model.HasSummary());
    EXPECT_EQ(std::memcmp(model.GetSummary(), &previous, sizeof previous), 0);
    EXPECT_TRUE(model.IsUpToDate());
    EXPECT_EQ(model.Warning(), warning);
    EXPECT_EQ(GetCurrentTask(), nullptr);
}

TEST_F(ReleaseRun, run_of_a_scenario_that_another_process_runs_is_refused_and_changes_nothing) {
    CReleaseModel::SetReleaseEntry(FakeRelease);
    ASSERT_EQ(RunTaskAndWait(model).outcome, TaskOutcome::Succeeded);
    // Another process holds the scenario's run lock (flock(1) on its folder).
    const QString folder = dir.filePath(".scenario.run");
    ASSERT_TRUE(QDir().mkpath(folder));
    // flock keeps the lock itself (-o) while its command sleeps; the
    // command says its process id once the lock is taken.
    QProcess holder;
    holder.start("flock", {"-n", "-o", folder, "-c", "echo $$; exec sleep 60"});
    ASSERT_TRUE(holder.waitForReadyRead(10000)) << "flock did not take the lock";
    const qint64 sleeper = holder.readLine().trimmed().toLongLong();
    const int calls = g_fake.calls;

    const TaskResult r = RunTaskAndWait(model);
    holder.kill();
    holder.waitForFinished();
    if (sleeper > 0) ::kill(static_cast<pid_t>(sleeper), SIGKILL);
    EXPECT_EQ(r.outcome, TaskOutcome::Failed);
    EXPECT_TRUE(r.errorText.startsWith("The scenario \"scenario\" (in " +
                                       QDir::toNativeSeparators(dir.path()) +
                                       ") is being calculated by another run"))
        << r.errorText.toStdString();
    EXPECT_EQ(g_fake.calls, calls);
    ASSERT_TRUE(model.HasSummary());
    EXPECT_TRUE(model.IsUpToDate());
    EXPECT_EQ(model.GetSummary()->gas_out_std, 11.0f);

    // The lock is the other process's only: once it is gone, runs go on.
    EXPECT_EQ(RunTaskAndWait(model).outcome, TaskOutcome::Succeeded);
    EXPECT_EQ(FolderContents(dir.path()).count(".scenario.run"), 0u);
}

TEST_F(ReleaseRun, leak_values_need_a_validated_network) {
    EXPECT_FLOAT_EQ(model.GetLeakDepth(), 137.0f);
    EXPECT_FLOAT_EQ(model.GetLeakDiameter(), 0.05f);
    EXPECT_FLOAT_EQ(model.GetLeakAmbientTemp(), 4.0f);
    model.ClearValidated();
    const struct {
        float (CReleaseModel::*get)() const;
        int id;
    } getters[] = {{&CReleaseModel::GetLeakDepth, 16159},
                   {&CReleaseModel::GetLeakDiameter, 16160},
                   {&CReleaseModel::GetLeakAmbientTemp, 16165}};
    for (const auto& g : getters) {
        try {
            (model.*g.get)();
            ADD_FAILURE() << "no exception for " << g.id;
        } catch (const ValidationError& e) {
            EXPECT_EQ(e.id, unsigned(g.id));
        }
    }
}

bool allFinite(const DischargeSummary& s) {
    const float* v = &s.time;
    for (int k = 0; k < 11; ++k)
        if (!std::isfinite(v[k])) return false;
    return true;
}

TEST_F(ReleaseRun, real_library_run_on_the_worker_thread_writes_results_beside_the_scenario) {
    model.Control().TUSER = 600.0f;
    std::vector<int> seen;
    const TaskResult r = RunTaskAndWait(model, [&](int p) { seen.push_back(p); });
    ASSERT_EQ(r.outcome, TaskOutcome::Succeeded) << r.errorText.toStdString() << " " << r.errorId;
    ASSERT_TRUE(model.HasSummary());
    EXPECT_TRUE(model.IsUpToDate());
    EXPECT_TRUE(allFinite(*model.GetSummary()));
    EXPECT_GT(model.GetSummary()->total_mass, 0.0f);
    EXPECT_GT(QFileInfo(dir.filePath("scenario.plt")).size(), 0);
    EXPECT_GT(QFileInfo(dir.filePath("scenario.log")).size(), 0);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

TEST_F(ReleaseRun, real_library_run_cancelled_midway_leaves_the_previous_files_then_runs_again) {
    model.Control().TUSER = 600.0f;
    ASSERT_EQ(RunTaskAndWait(model).outcome, TaskOutcome::Succeeded);
    const DischargeSummary previous = *model.GetSummary();
    const auto before = FolderContents(dir.path());
    ASSERT_EQ(before.count("scenario.plt"), 1u);
    ASSERT_EQ(before.count("scenario.log"), 1u);

    // Without an end time the run goes on until the release has ended.
    model.Control().TUSER = 0.0f;
    int reports = 0;
    const TaskResult r = RunTaskAndWait(
        model, [&](int) { ++reports; }, [&](int) { return reports >= 3; });
    EXPECT_EQ(r.outcome, TaskOutcome::Cancelled);
    // The files and the summary are still those of the first run.
    ASSERT_TRUE(model.HasSummary());
    EXPECT_EQ(std::memcmp(model.GetSummary(), &previous, sizeof previous), 0);
    EXPECT_TRUE(FolderContents(dir.path()) == before);  // byte for byte, and nothing more

    model.Control().TUSER = 1200.0f;
    const TaskResult again = RunTaskAndWait(model);
    EXPECT_EQ(again.outcome, TaskOutcome::Succeeded) << again.errorText.toStdString();
    ASSERT_TRUE(model.HasSummary());
    EXPECT_TRUE(allFinite(*model.GetSummary()));
    EXPECT_NE(FolderContents(dir.path()).at("scenario.plt"), before.at("scenario.plt"));
}

// The real library with its log on a full disk: the log's path in the run
// folder points at /dev/full, where every write fails with ENOSPC.
void ReleaseWithFullLogDisk(NETHDR* net, BRREC* br, BNDDAT* bnd, LEKDAT* lek, PVTBLK* pvt,
                            ReleaseControl* ctl, DischargeSummary* summary, const char* path,
                            int32_t length, ReleaseProgressFn* callback, int32_t* ierr, char* msg,
                            int32_t msgLength) {
    const QByteArray log = QByteArray(path, length).chopped(3) + "log";
    if (::symlink("/dev/full", log.constData()) != 0) ADD_FAILURE() << "no link " << log.data();
    RELEASE(net, br, bnd, lek, pvt, ctl, summary, path, length, callback, ierr, msg, msgLength);
}

TEST_F(ReleaseRun, real_library_log_cut_short_after_a_still_leaking_run_fails_the_run) {
    model.Control().TUSER = 600.0f;
    ASSERT_EQ(RunTaskAndWait(model).outcome, TaskOutcome::Succeeded);
    const char* leaking =
        "SIMULATION REACHED USER SPECIFIED END TIME BUT PIPELINE IS STILL LEAKING!";
    ASSERT_TRUE(model.Warning().contains(leaking)) << model.Warning().toStdString();
    const auto before = FolderContents(dir.path());

    model.Control().TUSER = 660.0f;  // a new result, were it kept
    CReleaseModel::SetReleaseEntry(ReleaseWithFullLogDisk);
    const TaskResult r = RunTaskAndWait(model);
    EXPECT_EQ(r.outcome, TaskOutcome::Failed);
    // The scenario's own log is named, not its staged twin, with the reason.
    EXPECT_TRUE(r.errorText.startsWith("LOG FILE COULD NOT BE WRITTEN COMPLETELY: " +
                                       dir.filePath("scenario.log") + ": No space left on device"))
        << r.errorText.toStdString();
    EXPECT_TRUE(r.errorText.endsWith(leaking)) << r.errorText.toStdString();
    EXPECT_FALSE(model.HasSummary());
    EXPECT_TRUE(FolderContents(dir.path()) == before);
}

}  // namespace
