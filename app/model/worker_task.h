// Model runs on a worker thread.
//
// CWorkerTask is the base of every model that runs on a worker thread (the
// discharge model, the near-field models). CTaskRunner is the GUI-thread end
// of one run: it starts the worker thread, receives the task's progress by a
// blocking queued call when the percentage changes, or the simulated time of
// a run whose percentage holds still (the worker waits until the GUI thread
// has taken it), and the task's end by a queued call, and keeps the cancel flag, the failed
// flag and the failure. The progress dialog shows a runner; tools and tests
// drive one from a plain event loop.
//
// worker_progress_callback is the progress function handed to the
// simulation library: it reports through the current task, the one whose run
// is in progress, and asks it to stop once cancelled.
#pragma once

#include "message_ids.h"
#include "model_errors.h"

#include <QEventLoop>
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

class QThread;
class CTaskRunner;

// The messages of a task to its window (their numbers kept for reference).
constexpr int WM_TASKPROGRESS = 0x0400 + 1000;  // percentage
constexpr int WM_TASKDONE = 0x0400 + 1001;

class CWorkerTask {
public:
    CWorkerTask() = default;
    virtual ~CWorkerTask();
    CWorkerTask(const CWorkerTask&) = delete;
    CWorkerTask& operator=(const CWorkerTask&) = delete;

    // On the worker thread: progress 0, Run, then OnCancelled when cancelled,
    // else progress 100 and OnSucceeded. An exception calls OnFailed and goes
    // on to the caller. The window and cancel flag are known only meanwhile.
    void Execute(CTaskRunner* window, std::atomic<bool>* cancelFlag);

    // Hands the percentage, clamped to 0..100, to the window and waits until
    // it has been taken, when it differs from the one last handed over in
    // this run (so a run crosses to the window at most 101 times); nothing
    // outside a run. A simulatedSeconds of 0 or more is the simulated time of
    // a run whose percentage holds still; it crosses as well when it has
    // changed and the last crossing is SIMULATED_INTERVAL_MS old.
    void ReportProgress(int percent, double simulatedSeconds = -1.0);
    static constexpr int SIMULATED_INTERVAL_MS = 100;
    // The cancel flag of the run; false outside a run.
    bool IsCancelled() const;
    // The run's cancel flag itself (null outside a run), for computations
    // that poll it on their own.
    const std::atomic<bool>* CancelFlag() const { return m_cancel; }

    virtual void Run() = 0;
    virtual void OnSucceeded() {}
    virtual void OnCancelled() {}
    virtual void OnFailed() {}

private:
    std::atomic<CTaskRunner*> m_window{nullptr};
    std::atomic<std::atomic<bool>*> m_cancel{nullptr};
    // Worker thread: what the window has, and when it was handed over.
    int m_shown = -1;
    double m_shownSeconds = -1.0;
    std::chrono::steady_clock::time_point m_crossed;
};

// A task that runs one piece of work: the file writes and flushes of a
// stage that the window must not wait for. A ValidationError it throws is
// the run's failure.
class CFunctionTask : public CWorkerTask {
public:
    explicit CFunctionTask(std::function<void()> work) : m_work(std::move(work)) {}
    void Run() override {
        if (m_work) m_work();
    }

private:
    std::function<void()> m_work;
};

// The task whose run is in progress (none otherwise). A task's Run sets it
// and clears it on every way out.
void SetCurrentTask(CWorkerTask* task);
CWorkerTask* GetCurrentTask();
void ClearCurrentTask();

// Sets the current task for the lifetime of the guard and clears it after.
class CurrentTaskGuard {
public:
    explicit CurrentTaskGuard(CWorkerTask* task) { SetCurrentTask(task); }
    ~CurrentTaskGuard() { ClearCurrentTask(); }
    CurrentTaskGuard(const CurrentTaskGuard&) = delete;
    CurrentTaskGuard& operator=(const CurrentTaskGuard&) = delete;
};

// Reports the percentage (and a simulated time, see ReportProgress) through
// the current task and returns 1 once it is cancelled, else 0; 0 without a
// current task (nothing is sent then).
int32_t ReportToCurrentTask(int32_t percent, double simulatedSeconds = -1.0);
extern "C" int32_t worker_progress_callback(int32_t percent);

// The GUI-thread end of task runs. One run at a time.
class CTaskRunner : public QObject {
    Q_OBJECT
public:
    explicit CTaskRunner(QObject* parent = nullptr);
    // A run still going is cancelled and waited for.
    ~CTaskRunner() override;

    // Clears the flags and starts the task on a new worker thread. When the
    // thread cannot be started the run fails with 16111 and done() follows
    // all the same (queued).
    void Start(CWorkerTask* task);

    // Only asks the task to stop; the run ends when the task returns.
    void RequestCancel() { m_cancel = true; }
    bool IsCancelRequested() const { return m_cancel; }
    bool IsRunning() const { return m_running; }

    bool Failed() const { return m_failed; }
    // The failure: a string-table id (0 when the failure came as a text) and
    // a text (with an id: what went wrong underneath, such as the file, the
    // step and the system's reason). The id is 16110 ("Unknown error") until
    // something better is known.
    unsigned ErrorId() const { return m_error.id; }
    const QString& ErrorText() const { return m_error.text; }
    const ValidationError& Error() const { return m_error; }
    // The failure as text, ids looked up through the given string table.
    QString ErrorMessage(const std::function<QString(unsigned)>& strings) const;

    // GUI thread: the worker's progress and its end. A simulatedSeconds of
    // 0 or more is also sent as simulated().
    void TaskProgress(int percent, double simulatedSeconds = -1.0);
    void TaskDone();

    // Tests: replaces the thread start (true when the thread runs). Null
    // restores QThread::start.
    using ThreadStarter = std::function<bool(QThread*)>;
    static void SetThreadStarter(ThreadStarter starter);

signals:
    // The percentage clamped to 0..100.
    void progress(int percent);
    // The simulated time of a run whose percentage holds still, in seconds.
    void simulated(double seconds);
    // The run has ended; Failed() and IsCancelRequested() tell how.
    void done();

private:
    void ThreadProc();
    void Fail(ValidationError error);

    CWorkerTask* m_task = nullptr;
    QThread* m_thread = nullptr;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_failed{false};
    bool m_running = false;
    ValidationError m_error{IDS_UNKNOWN_ERROR, 0};
};

// How a run ended.
enum class TaskOutcome { Succeeded, Cancelled, Failed };

struct TaskResult {
    TaskOutcome outcome = TaskOutcome::Failed;
    unsigned errorId = IDS_UNKNOWN_ERROR;  // 0: errorText holds the failure
    QString errorText;
    std::vector<QString> errorArgs;  // the message's %1, %2, ...
    ValidationError Error() const { return {errorId, 0, errorArgs, errorText}; }
};

// Runs the task on a worker thread and waits in a local event loop until it
// has ended (a QCoreApplication must exist); the loop handles the events
// that flags let through. onProgress sees each clamped percentage on the
// calling thread; cancelWhen, when given, is asked after each report and
// cancels the run once it answers true.
TaskResult RunTaskAndWait(CWorkerTask& task, const std::function<void(int)>& onProgress = {},
                          const std::function<bool(int)>& cancelWhen = {},
                          QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);
