#include "worker_task.h"

#include "model_errors.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <algorithm>

namespace {

std::atomic<CWorkerTask*> g_currentTask{nullptr};

CTaskRunner::ThreadStarter& threadStarter() {
    static CTaskRunner::ThreadStarter starter;
    return starter;
}

// A thread that failed to start is neither running nor finished.
bool startThread(QThread* thread) {
    thread->start();
    return thread->isRunning() || thread->isFinished();
}

}  // namespace

CWorkerTask::~CWorkerTask() {
    CWorkerTask* self = this;
    g_currentTask.compare_exchange_strong(self, nullptr);
}

void CWorkerTask::Execute(CTaskRunner* window, std::atomic<bool>* cancelFlag) {
    m_shown = -1;
    m_shownSeconds = -1.0;
    m_crossed = {};
    m_window = window;
    m_cancel = cancelFlag;
    try {
        ReportProgress(0);
        Run();
        if (IsCancelled()) {
            OnCancelled();
        } else {
            ReportProgress(100);
            OnSucceeded();
        }
    } catch (...) {
        OnFailed();
        m_window = nullptr;
        m_cancel = nullptr;
        throw;
    }
    m_window = nullptr;
    m_cancel = nullptr;
}

void CWorkerTask::ReportProgress(int percent, double simulatedSeconds) {
    CTaskRunner* window = m_window;
    if (!window) return;
    // The library reports every time step; only a change of the shown
    // percentage, or now and then of the simulated time, is worth waiting
    // for the window.
    percent = std::clamp(percent, 0, 100);
    const auto now = std::chrono::steady_clock::now();
    const bool timeMoved = simulatedSeconds >= 0.0 && simulatedSeconds != m_shownSeconds &&
                           now - m_crossed >= std::chrono::milliseconds(SIMULATED_INTERVAL_MS);
    if (percent == m_shown && !timeMoved) return;
    m_shown = percent;
    if (simulatedSeconds >= 0.0) m_shownSeconds = simulatedSeconds;
    m_crossed = now;
    if (QThread::currentThread() == window->thread()) {
        window->TaskProgress(percent, simulatedSeconds);
        return;
    }
    QMetaObject::invokeMethod(
        window,
        [window, percent, simulatedSeconds] { window->TaskProgress(percent, simulatedSeconds); },
        Qt::BlockingQueuedConnection);
}

bool CWorkerTask::IsCancelled() const {
    std::atomic<bool>* flag = m_cancel;
    return flag && *flag;
}

void SetCurrentTask(CWorkerTask* task) { g_currentTask = task; }
CWorkerTask* GetCurrentTask() { return g_currentTask; }
void ClearCurrentTask() { g_currentTask = nullptr; }

int32_t ReportToCurrentTask(int32_t percent, double simulatedSeconds) {
    CWorkerTask* task = g_currentTask;
    if (!task) return 0;
    task->ReportProgress(percent, simulatedSeconds);
    return task->IsCancelled() ? 1 : 0;
}

extern "C" int32_t worker_progress_callback(int32_t percent) {
    return ReportToCurrentTask(percent);
}

CTaskRunner::CTaskRunner(QObject* parent) : QObject(parent) {}

CTaskRunner::~CTaskRunner() {
    if (!m_thread) return;
    // The worker may be waiting for this thread to take a progress report:
    // keep handling events until it has returned.
    // Nobody listens any more: the run only has to end.
    m_cancel = true;
    disconnect(this, nullptr, nullptr, nullptr);
    while (m_thread && !m_thread->wait(10))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    delete m_thread;
    m_thread = nullptr;
}

void CTaskRunner::SetThreadStarter(ThreadStarter starter) { threadStarter() = std::move(starter); }

void CTaskRunner::Start(CWorkerTask* task) {
    if (m_running) return;
    m_task = task;
    m_failed = false;
    m_error = {IDS_UNKNOWN_ERROR, 0};
    m_cancel = false;
    m_running = true;
    delete m_thread;
    m_thread = QThread::create([this] { ThreadProc(); });
    const ThreadStarter& starter = threadStarter();
    const bool started = starter ? starter(m_thread) : startThread(m_thread);
    if (!started) {
        Fail({IDS_UNABLE_TO_START_JOB, 0});
        delete m_thread;
        m_thread = nullptr;
        QMetaObject::invokeMethod(this, &CTaskRunner::TaskDone, Qt::QueuedConnection);
    }
}

void CTaskRunner::Fail(ValidationError error) {
    m_error = std::move(error);
    m_failed = true;
}

// Worker thread. The failed flag and the failure are written before the
// end is posted and read by the GUI thread only after it arrived.
void CTaskRunner::ThreadProc() {
    if (m_task) {
        try {
            m_task->Execute(this, &m_cancel);
        } catch (const ValidationError& e) {
            Fail(e);
        } catch (...) {
            Fail({IDS_UNKNOWN_ERROR, 0});
        }
    }
    QMetaObject::invokeMethod(this, &CTaskRunner::TaskDone, Qt::QueuedConnection);
}

void CTaskRunner::TaskProgress(int percent, double simulatedSeconds) {
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    emit progress(percent);
    if (simulatedSeconds >= 0.0) emit simulated(simulatedSeconds);
}

void CTaskRunner::TaskDone() {
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    m_running = false;
    m_task = nullptr;
    emit done();
}

QString CTaskRunner::ErrorMessage(const std::function<QString(unsigned)>& strings) const {
    return ValidationMessage(m_error, strings);
}

TaskResult RunTaskAndWait(CWorkerTask& task, const std::function<void(int)>& onProgress,
                          const std::function<bool(int)>& cancelWhen,
                          QEventLoop::ProcessEventsFlags flags) {
    CTaskRunner runner;
    QEventLoop loop;
    QObject::connect(&runner, &CTaskRunner::progress, &runner, [&](int percent) {
        if (onProgress) onProgress(percent);
        if (cancelWhen && cancelWhen(percent)) runner.RequestCancel();
    });
    QObject::connect(&runner, &CTaskRunner::done, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    runner.Start(&task);
    if (runner.IsRunning()) loop.exec(flags);

    TaskResult result;
    if (runner.Failed()) {
        result.outcome = TaskOutcome::Failed;
        result.errorId = runner.ErrorId();
        result.errorText = runner.ErrorText();
        result.errorArgs = runner.Error().args;
    } else {
        result.outcome =
            runner.IsCancelRequested() ? TaskOutcome::Cancelled : TaskOutcome::Succeeded;
        result.errorId = 0;
    }
    return result;
}
