#include "task_progress_dlg.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "message_box.h"
#include "string_table.h"

CTaskProgressDlg::CTaskProgressDlg(CWorkerTask* task, int captionId, QWidget* parent)
    : CDialog(IDD, parent),
      m_task(task),
      m_caption(captionId ? AfxLoadString(captionId) : QString()) {
    setWindowTitle(QStringLiteral("Working..."));
    auto* layout = new QVBoxLayout(this);
    m_bar = Tag(new QProgressBar(this), IDC_PROGRESS);
    m_bar->setTextVisible(false);
    m_bar->setMinimumWidth(320);
    m_simulated = Tag(new QLabel(this), IDC_SIMULATED);
    m_simulated->hide();
    auto* row = new QHBoxLayout;
    row->addWidget(m_bar, 1);
    row->addWidget(m_simulated);
    layout->addLayout(row);
    auto* cancel = Tag(new QPushButton(QStringLiteral("Cancel"), this), IDCANCEL);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(&m_runner, &CTaskRunner::progress, m_bar, &QProgressBar::setValue);
    connect(&m_runner, &CTaskRunner::simulated, this, [this](double seconds) {
        m_simulated->setText(SimulatedText(seconds));
        m_simulated->show();
    });
    connect(&m_runner, &CTaskRunner::done, this, [this] { OnTaskDone(); });
}

QString CTaskProgressDlg::SimulatedText(double seconds) {
    constexpr double DAY = 86400.0;
    // Shown to a tenth: 23.96 hours reads as a day.
    if (seconds < 23.95 * 3600.0)
        return QStringLiteral("%1 hours simulated").arg(seconds / 3600.0, 0, 'f', 1);
    return QStringLiteral("%1 days simulated").arg(seconds / DAY, 0, 'f', 1);
}

bool CTaskProgressDlg::OnInitDialog() {
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_simulated->hide();
    m_simulated->clear();
    setWindowTitle(m_caption);
    m_runner.Start(m_task);
    return true;
}

int CTaskProgressDlg::DoModal() {
    // The base runs the hook and treats a dialog left open as cancelled; a
    // running task must be waited for instead, so the hook comes first here.
    const ModalHook hook = SetModalHook({});
    SetModalHook(hook);
    if (!hook) return CDialog::DoModal();
    OnInitDialog();
    hook(this);
    if (m_runner.IsRunning()) {
        QEventLoop loop;
        connect(&m_runner, &CTaskRunner::done, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        loop.exec();
    }
    return IsEnded() && result() == IDOK ? IDOK : IDCANCEL;
}

void CTaskProgressDlg::OnCancel() { m_runner.RequestCancel(); }

void CTaskProgressDlg::closeEvent(QCloseEvent* event) {
    m_runner.RequestCancel();
    if (m_runner.IsRunning())
        event->ignore();
    else
        CDialog::closeEvent(event);
}

void CTaskProgressDlg::OnTaskDone() {
    if (m_runner.Failed()) {
        const QString why =
            m_runner.ErrorMessage([](unsigned id) { return AfxLoadString(int(id)); });
        AfxMessageBox(QStringLiteral("Task failed:\n\n") + why, MB_ICONERROR);
    }
    m_bar->setValue(100);
    EndDialog(m_runner.IsCancelRequested() || m_runner.Failed() ? IDCANCEL : IDOK);
}

TaskResult RunBusy(CWorkerTask& task) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    TaskResult result = RunTaskAndWait(task, {}, {}, QEventLoop::ExcludeUserInputEvents);
    QGuiApplication::restoreOverrideCursor();
    return result;
}
