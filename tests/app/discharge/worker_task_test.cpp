// Worker tasks on a real worker thread: progress crosses by a blocking call
// when the percentage changes, the end by a queued one; failures come back as ids or texts; cancel only
// asks the task to stop.
#include "model_errors.h"
#include "run_progress.h"
#include "worker_task.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A task whose body is given by the test; it records the order of the
// operations the base calls.
class ScriptTask : public CWorkerTask {
public:
    std::function<void(ScriptTask&)> body;
    std::vector<std::string> calls;

    void Run() override {
        calls.push_back("Run");
        if (body) body(*this);
    }
    void OnSucceeded() override { calls.push_back("OnSucceeded"); }
    void OnCancelled() override { calls.push_back("OnCancelled"); }
    void OnFailed() override { calls.push_back("OnFailed"); }
};

TEST(WorkerTask, progress_is_clamped_and_framed_by_0_and_100) {
    ScriptTask task;
    task.body = [](ScriptTask& t) {
        t.ReportProgress(-5);
        t.ReportProgress(42);
        t.ReportProgress(150);
    };
    std::vector<int> seen;
    const TaskResult r = RunTaskAndWait(task, [&](int p) { seen.push_back(p); });
    EXPECT_EQ(r.outcome, TaskOutcome::Succeeded);
    // -5 shows as the 0 already shown, the closing 100 as the 150 before it.
    EXPECT_EQ(seen, (std::vector<int>{0, 42, 100}));
    EXPECT_EQ(task.calls, (std::vector<std::string>{"Run", "OnSucceeded"}));
}

TEST(WorkerTask, progress_report_waits_until_the_gui_thread_took_it) {
    ScriptTask task;
    QThread* gui = QThread::currentThread();
    std::atomic<int> taken{-1};
    bool orderKept = true;
    bool ranOnWorker = false;
    task.body = [&](ScriptTask& t) {
        ranOnWorker = QThread::currentThread() != gui;
        for (int p = 1; p <= 20; ++p) {
            t.ReportProgress(p);
            if (taken != p) orderKept = false;  // the report returned before it was handled
        }
    };
    RunTaskAndWait(task, [&](int p) {
        EXPECT_EQ(QThread::currentThread(), gui);
        taken = p;
    });
    EXPECT_TRUE(ranOnWorker);
    EXPECT_TRUE(orderKept);
}

// Only the model's failure type carries a message; anything else thrown is
// an unknown error.
TEST(WorkerTask, failures_become_ids_or_texts) {
    struct Case {
        const char* what;
        std::function<void()> fail;
        unsigned id;
        QString text;
    };
    const Case cases[] = {
        {"message id",
         [] {
             throw ValidationError{16154, 0};
         },
         16154,
         {}},
        {"text", [] { throw TextError(QStringLiteral("ROUGHNESS SHOULD BE GREATER THAN 0")); }, 0,
         "ROUGHNESS SHOULD BE GREATER THAN 0"},
        {"bare signed id", [] { throw 16154; }, 16110, {}},
        {"bare unsigned id", [] { throw 16109u; }, 16110, {}},
        {"bare long id", [] { throw 16111L; }, 16110, {}},
        {"bare QString", [] { throw QStringLiteral("not shown"); }, 16110, {}},
        {"std::string", [] { throw std::string("not shown"); }, 16110, {}},
        {"char pointer", [] { throw "not shown"; }, 16110, {}},
        {"other exception", [] { throw std::runtime_error("not shown"); }, 16110, {}},
        {"double", [] { throw 3.5; }, 16110, {}},
    };
    for (const Case& c : cases) {
        ScriptTask task;
        task.body = [&](ScriptTask&) { c.fail(); };
        const TaskResult r = RunTaskAndWait(task);
        EXPECT_EQ(r.outcome, TaskOutcome::Failed) << c.what;
        EXPECT_EQ(r.errorId, c.id) << c.what;
        EXPECT_EQ(r.errorText, c.text) << c.what;
        EXPECT_EQ(task.calls, (std::vector<std::string>{"Run", "OnFailed"})) << c.what;
    }
}

// A failure with an id and a text (a file that could not be written) shows
// both: the message, then what went wrong underneath.
TEST(WorkerTask, error_message_looks_ids_up_in_the_string_table) {
    const struct {
        ValidationError failure;
        const char* shown;
    } cases[] = {
        {ValidationError{16154, 0}, "text of 16154"},
        {ValidationError{16135, 0, {}, "/data/net.dbs: write failed: No space left on device"},
         "text of 16135\n\n/data/net.dbs: write failed: No space left on device"},
        {TextError("PRESSURE TOO HIGH."), "PRESSURE TOO HIGH."},
        // A message with values: every argument in its place, none left as "%1".
        {ValidationError{16205, 0, {"202", "199", "1558.4 ft", "20"}},
         "202 sections, more than 199; 1558.4 ft takes 20"},
    };
    const auto strings = [](unsigned id) {
        return id == 16205 ? QStringLiteral("%1 sections, more than %2; %3 takes %4")
                           : QStringLiteral("text of %1").arg(id);
    };
    for (const auto& c : cases) {
        ScriptTask task;
        task.body = [&](ScriptTask&) { throw c.failure; };
        CTaskRunner runner;
        bool done = false;
        QObject::connect(&runner, &CTaskRunner::done, [&] { done = true; });
        runner.Start(&task);
        while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        EXPECT_EQ(runner.ErrorMessage(strings).toStdString(), c.shown);
        // What zef_run prints from the waited-for result reads the same.
        const TaskResult result = RunTaskAndWait(task);
        EXPECT_EQ(ValidationMessage(result.Error(), strings).toStdString(), c.shown);
    }
}

TEST(WorkerTask, only_a_changed_percentage_crosses_to_the_gui_thread) {
    // The library's time loop: many steps per percent, as in a real run.
    ScriptTask task;
    int steps = 0;
    task.body = [&](ScriptTask& t) {
        CurrentTaskGuard current(&t);
        for (int step = 0; step < 200000; ++step, ++steps)
            if (worker_progress_callback(step / 2000) != 0) return;
    };
    std::vector<int> seen;
    ASSERT_EQ(RunTaskAndWait(task, [&](int p) { seen.push_back(p); }).outcome,
              TaskOutcome::Succeeded);
    EXPECT_EQ(steps, 200000);
    std::vector<int> each(100);
    for (int p = 0; p < 100; ++p) each[p] = p;
    each.push_back(100);
    EXPECT_EQ(seen, each);
}

TEST(WorkerTask, cancel_is_read_at_every_step_between_crossings) {
    // The percentage stays at 50: nothing crosses after the first report, yet
    // the step after the cancel stops the loop.
    ScriptTask task;
    std::atomic<int> steps{0}, stepsAtCancel{-1};
    task.body = [&](ScriptTask& t) {
        CurrentTaskGuard current(&t);
        for (int step = 0; step < 1000000000; ++step) {
            ++steps;
            if (worker_progress_callback(50) != 0) return;
        }
    };
    CTaskRunner runner;
    std::vector<int> seen;
    bool done = false;
    QObject::connect(&runner, &CTaskRunner::progress, [&](int p) { seen.push_back(p); });
    QObject::connect(&runner, &CTaskRunner::done, [&] { done = true; });
    runner.Start(&task);
    while (steps < 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    runner.RequestCancel();
    stepsAtCancel = steps.load();
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_FALSE(runner.Failed());
    EXPECT_EQ(task.calls, (std::vector<std::string>{"Run", "OnCancelled"}));
    EXPECT_EQ(seen, (std::vector<int>{0, 50}));  // no closing 100 after a cancel
    EXPECT_LE(steps - stepsAtCancel, 1);         // at most the step that had already read the flag
    EXPECT_EQ(GetCurrentTask(), nullptr);
}

TEST(WorkerTask, callback_without_a_current_task_returns_0_and_sends_nothing) {
    ScriptTask task;
    int callbackResult = -1;
    task.body = [&](ScriptTask&) { callbackResult = worker_progress_callback(50); };
    std::vector<int> seen;
    RunTaskAndWait(
        task, [&](int p) { seen.push_back(p); }, [](int) { return true; });
    EXPECT_EQ(callbackResult, 0);
    EXPECT_EQ(seen, (std::vector<int>{0}));  // only the frame's own 0
}

TEST(WorkerTask, reports_outside_a_run_go_nowhere) {
    ScriptTask task;
    task.ReportProgress(50);  // no window: nothing to wait for
    EXPECT_FALSE(task.IsCancelled());
    SetCurrentTask(&task);
    EXPECT_EQ(worker_progress_callback(10), 0);
    ClearCurrentTask();
}

TEST(WorkerTask, a_thread_that_cannot_start_fails_with_16111) {
    CTaskRunner::SetThreadStarter([](QThread*) { return false; });
    ScriptTask task;
    const TaskResult r = RunTaskAndWait(task);
    CTaskRunner::SetThreadStarter(nullptr);
    EXPECT_EQ(r.outcome, TaskOutcome::Failed);
    EXPECT_EQ(r.errorId, IDS_UNABLE_TO_START_JOB);
    EXPECT_TRUE(task.calls.empty());

    // The next run starts normally.
    EXPECT_EQ(RunTaskAndWait(task).outcome, TaskOutcome::Succeeded);
}

TEST(WorkerTask, a_failure_after_cancel_is_still_a_failure) {
    ScriptTask task;
    task.body = [](ScriptTask& t) {
        t.ReportProgress(10);  // the runner cancels here
        if (t.IsCancelled()) throw ValidationError{16154, 0};
    };
    const TaskResult r = RunTaskAndWait(task, {}, [](int p) { return p >= 10; });
    EXPECT_EQ(r.outcome, TaskOutcome::Failed);
    EXPECT_EQ(r.errorId, 16154u);
}

}  // namespace

namespace {

TEST(WorkerTask, runner_destroyed_during_a_run_cancels_and_waits) {
    ScriptTask task;
    std::atomic<bool> stopped{false};
    // Bounded, so a cancel that never arrives fails here instead of hanging
    // (the dying runner takes a report about every 10 ms: at most seconds).
    task.body = [&](ScriptTask& t) {
        CurrentTaskGuard current(&t);
        for (int step = 0; step < 500; ++step)
            if (worker_progress_callback(1) != 0) {
                stopped = true;  // told to stop
                return;
            }
    };
    bool doneSeen = false;
    {
        CTaskRunner runner;
        QObject::connect(&runner, &CTaskRunner::done, [&] { doneSeen = true; });
        runner.Start(&task);
        QCoreApplication::processEvents();  // a few reports cross
    }
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(doneSeen);
    EXPECT_EQ(GetCurrentTask(), nullptr);
}

}  // namespace

// The discharge bar once the library's percentage holds: the square root of
// the share of the span from where it held to the user's end time (or 30
// days) simulated so far, 99 at the most until the end, never back. Worked by
// hand: half way on that scale is a quarter of the span. Where the run holds
// early, the second root, from where the 9 % steps end (a quarter of the way
// left, after 1.09^n of the held time), is ahead of the first.
TEST(DischargeBar, moves_toward_the_reachable_end_once_the_percentage_holds) {
    constexpr double DAY = 86400.0;
    struct Step {
        int percent;
        double seconds;
        bool held;
        int shown;
    };
    struct Case {
        const char* what;
        double userEnd;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"no end time: 30 days",
         0.0,
         {{30, 100.0, false, 30},
          {58, 1000.0, false, 58},
          {58, 3 * DAY, true, 58},
          {58, 9.75 * DAY, true, 58 + 20},  // 3 + 27 / 4 days: 41 x 0.5
          {58, 5 * DAY, true, 78},          // never back
          {58, 30 * DAY, true, 99},
          {58, 40 * DAY, true, 99},
          {100, 40 * DAY, false, 100}}},
        {"end time 5 days",
         5 * DAY,
         {{70, DAY, true, 70}, {70, 2 * DAY, true, 70 + 14}, {70, 5 * DAY, true, 99}}},
        {"held after 10 s",
         0.0,
         // the first root 79 x 0.5 = 39; 19 steps end at 10 x 1.09^19 =
         // 51.42 s, the second root 39 + 60 x sqrt(647956.1 / 2591948.6) = 39 + 29
         {{20, 10.0, true, 20}, {20, 10.0 + (30 * DAY - 10.0) / 4, true, 39 + 29}}},
        {"an end time already passed: 30 days",
         DAY,
         // the first root 49 x 0.5 = 24; 12 steps end at 2 x 1.09^12 = 5.6253 days,
         // the second root 62 + 37 x sqrt(3.3747 / 24.3747) = 62 + 13
         {{50, 2 * DAY, true, 50}, {50, 9 * DAY, true, 62 + 13}}},
    };
    for (const Case& c : cases) {
        DischargeBar bar(c.userEnd);
        for (const Step& s : c.steps)
            EXPECT_EQ(bar.Shown(s.percent, s.seconds, s.held), s.shown)
                << c.what << ", " << s.seconds << " s";
    }
}

// Runs that outgrow their estimate a little, told step by step at a steady
// pace (10 simulated seconds a step after the leak opened): the percentage
// rises to where it holds, the run goes on to its end, and the bar stands
// still for no more than a tenth of the run's steps. The first case is the
// example that stood at 92 for its last 13 %; worked by hand, its bar moves
// again once 8700 s have grown by 9 %, at 9483 s (step 949).
TEST(DischargeBar, a_run_a_little_past_its_estimate_keeps_its_bar_moving) {
    struct Case {
        const char* what;
        int heldPercent;
        int heldStep;
        int steps;
        int firstMoveAfterHold;  // 0: not checked
    };
    const Case cases[] = {
        {"held at 92 for its last 13 %", 92, 870, 1000, 949},
        {"held at 80 for its last quarter", 80, 750, 1000, 0},
        {"held at 60 for its last 40 %", 60, 600, 1000, 0},
        {"held at 99 just before its end", 99, 950, 1000, 0},
        // The leaking gas line's shape: held at 56 once 12,000 s were simulated,
        // on to 24.7 days or to the 30 days' end (the bar stood at 77 for 29 %
        // and 24 % of them while its first root caught up with its 9 % steps).
        {"held at 56, on to 24.7 days", 56, 1200, 213400, 0},
        {"held at 56, on to 30 days", 56, 1200, 259200, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DischargeBar bar;
        int shown = -1, since = 0, longest = 0, firstMove = 0;
        for (int step = 0; step < c.steps; ++step) {
            const bool held = step >= c.heldStep;
            const int percent = held ? c.heldPercent : c.heldPercent * step / c.heldStep;
            const int now = bar.Shown(percent, 10.0 * step, held);
            ASSERT_GE(now, shown) << "back at step " << step;
            ASSERT_LT(now, 100) << "at step " << step;
            if (now != shown) {
                longest = std::max(longest, step - since);
                since = step;
                if (held && step > c.heldStep && !firstMove) firstMove = step;
            }
            shown = now;
        }
        longest = std::max(longest, c.steps - since);  // 100 comes with the end
        EXPECT_LE(longest, c.steps / 10);
        if (c.firstMoveAfterHold) {
            EXPECT_EQ(firstMove, c.firstMoveAfterHold);
        }
    }
}
