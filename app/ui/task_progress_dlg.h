#pragma once
#include "dialog.h"
#include "worker_task.h"

class QLabel;
class QProgressBar;

// "Working...": runs one task on a worker thread while the window stays
// responsive, shows its progress and offers Cancel. Cancel, Escape and the
// close box only ask the task to stop; the dialog ends when the task has.
// IDOK when the task succeeded; IDCANCEL when it was cancelled or failed (a
// failure is shown first as "Task failed:" and its message). A run whose
// percentage holds still while it goes on (a long discharge run past its
// end estimate) shows its simulated time beside the bar, so it never looks
// stopped.
class CTaskProgressDlg : public CDialog {
    Q_OBJECT
public:
    enum { IDD = 625, IDC_PROGRESS = 45519, IDC_SIMULATED = 45520 };

    CTaskProgressDlg(CWorkerTask* task, int captionId, QWidget* parent = nullptr);

    // With a modal hook (scripted runs) the hook sees the running dialog;
    // the dialog then waits for the task all the same.
    int DoModal() override;
    bool OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override;

    CTaskRunner& Runner() { return m_runner; }
    QProgressBar* ProgressBar() const { return m_bar; }
    QLabel* SimulatedLabel() const { return m_simulated; }

    // "12.3 days simulated", or in hours below a day.
    static QString SimulatedText(double seconds);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnTaskDone();

    CWorkerTask* m_task;
    QString m_caption;
    CTaskRunner m_runner;
    QProgressBar* m_bar;
    QLabel* m_simulated;
};

// Runs a short stage of a command on a worker thread (the file writes and
// flushes that may take a busy disk tenths of a second) with no dialog: the
// window goes on painting and running its timers under a busy cursor, and
// what the user types or clicks waits for the end.
TaskResult RunBusy(CWorkerTask& task);
