// The discharge commands of the scenario document: the run with its prompts,
// its set-up and summary dialogs, and the plot viewer's start.
#include <QMetaObject>

#include "command_ids.h"
#include "frames.h"
#include "message_box.h"
#include "plot_launch.h"
#include "release_dlgs.h"
#include "scenario_doc.h"
#include "system_settings.h"
#include "task_progress_dlg.h"
#include "win_app.h"

namespace {
enum : int {
    IDS_CALCULATING_DISCHARGE = 16150,
    IDS_CALCULATING_NEARFIELD = 16151,
    IDS_SAVE_BEFORE_DISCHARGE = 16156,
    IDS_SAVE_BEFORE_NEARFIELD = 16157,
    IDS_CONFIRM_NEARFIELD = 16158,
    IDS_NO_DISCHARGE_DATA = 16161,
    IDS_CONFIRM_FLUID = 16196,
};

// A near-field model as a task of the progress dialog.
class CNearFieldTask : public CWorkerTask {
public:
    explicit CNearFieldTask(CNearFieldModel& model) : m_model(model) {}
    void Run() override
    {
        m_model.Run({[this](int percent) { ReportProgress(percent); }, CancelFlag()});
    }

private:
    CNearFieldModel& m_model;
};
}  // namespace

void CScenarioDoc::RegisterDischargeCommands()
{
    OnCommand(ID_SCENARIO_CALC_DISCHARGE, [this] { OnCalculateDischarge(); });
    OnCommand(ID_SCENARIO_CALC_NEARFIELD, [this] { OnCalculateNearfield(); });
    OnCommand(ID_SCENARIO_CALC_ALL, [this] { OnCalculateAll(); });
    OnCommand(ID_SCENARIO_DISCHARGE_SETUP, [this] { OnDischargeSetup(); });
    OnCommand(ID_RESULT_DISCHARGE, [this] { OnDischargeSummary(); });
    OnUpdateCommand(ID_RESULT_DISCHARGE, [this](CCmdUI* ui) { ui->Enable(m_release.HasSummary()); });
    OnCommand(ID_RESULT_RELEASE_PLOT, [this] { OnReleasePlot(); });
    OnUpdateCommand(ID_RESULT_RELEASE_PLOT, [this](CCmdUI* ui) { ui->Enable(HasResultFile(".plt")); });
    OnCommand(ID_RESULT_NEARFIELD_PLOT, [this] { OnNearfieldPlot(); });
    OnUpdateCommand(ID_RESULT_NEARFIELD_PLOT, [this](CCmdUI* ui) { ui->Enable(HasResultFile(".dbs")); });
}

bool CScenarioDoc::RunDischarge()
{
    // 1. The fluid of the model's class must have been confirmed.
    while (!m_fluid.IsConfirmed(m_release.GetFluidClass())) {
        EditFluid(m_release.GetFluidClass());
        if (m_fluid.IsConfirmed(m_release.GetFluidClass()))
            break;
        if (AfxMessageBox(IDS_CONFIRM_FLUID, MB_RETRYCANCEL | MB_ICONEXCLAMATION) != IDRETRY)
            return false;
    }

    // 2. The library writes its files beside the saved scenario.
    if (IsModified()) {
        if (AfxMessageBox(IDS_SAVE_BEFORE_DISCHARGE, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return false;
        DoSave(GetPathName());
        if (IsModified())
            return false;
    }

    // 3. A network changed since the last check is checked again; the check
    //    marks the scenario modified, so it is saved once more.
    if (!m_release.IsValidated() || !m_release.HasSummary() || !m_release.IsUpToDate()) {
        if (!VerifyLayout(false))
            return false;
        DoSave(GetPathName());
    }

    // 4. The run itself.
    CTaskProgressDlg dlg(&m_release, IDS_CALCULATING_DISCHARGE, AfxGetMainWnd());
    if (dlg.DoModal() != IDOK)
        return false;
    m_bNearfieldPrepared = false;
    SetModifiedFlag();
    if (AppSettings() && AppSettings()->AutoResultOpen()) {
        if (CMDIFrameWnd* main = AfxGetMainWnd())
            QMetaObject::invokeMethod(
                main, [main] { main->ExecuteCommand(ID_RESULT_DISCHARGE); }, Qt::QueuedConnection);
    }
    return true;
}

void CScenarioDoc::OnCalculateDischarge()
{
    RunDischarge();
    UpdateAllViews(nullptr);
}

bool CScenarioDoc::RunNearfield(bool askToSave)
{
    try {
        // 1. The near-field settings must have been confirmed (in the set-up
        //    dialog, or as saved with the scenario).
        while (!m_plume.IsConfirmed()) {
            if (AfxMessageBox(IDS_CONFIRM_NEARFIELD, MB_RETRYCANCEL | MB_ICONEXCLAMATION) != IDRETRY)
                return false;
        }
        if (askToSave && IsModified()) {
            if (AfxMessageBox(IDS_SAVE_BEFORE_NEARFIELD, MB_YESNO | MB_ICONQUESTION) != IDYES)
                return false;
            DoSave(GetPathName());
            if (IsModified())
                return false;
        }
        const DischargeSummary* summary = m_release.GetSummary();
        if (!summary || !m_release.IsUpToDate()) {
            AfxMessageBox(IDS_NO_DISCHARGE_DATA, MB_ICONERROR);
            return false;
        }
        const QString ambient = AppSettings() ? AppSettings()->GetAmbientDir() : QStringLiteral("./");
        m_bNearfieldPrepared = m_plume.Prepare(*summary, GetPathName(), m_release.GetLeakDepth(),
                                               m_release.GetLeakDiameter(), m_release.GetLeakAmbientTemp(), ambient);
        if (!m_bNearfieldPrepared) {
            // The preparation says why it failed; that is what the user needs.
            const unsigned id = m_plume.Errors().empty() ? IDS_UNKNOWN_ERROR : m_plume.Errors().front().id;
            AfxMessageBox(int(id), MB_ICONERROR);
            return false;
        }
        CNearFieldTask task(m_plume);
        CTaskProgressDlg dlg(&task, IDS_CALCULATING_NEARFIELD, AfxGetMainWnd());
        if (dlg.DoModal() != IDOK)
            return false;
        SetModifiedFlag();
        return true;
    } catch (int id) {
        AfxMessageBox(id, MB_ICONERROR);
    } catch (unsigned id) {
        AfxMessageBox(int(id), MB_ICONERROR);
    } catch (...) {
        AfxMessageBox(IDS_UNKNOWN_ERROR, MB_ICONERROR);
    }
    return false;
}

void CScenarioDoc::OnCalculateNearfield()
{
    RunNearfield(false);
    UpdateAllViews(nullptr);
}

void CScenarioDoc::OnCalculateAll()
{
    if (RunDischarge())
        RunNearfield(false);
    UpdateAllViews(nullptr);
}

void CScenarioDoc::OnDischargeSetup()
{
    CReleaseModelDlg dlg(&m_release, AfxGetMainWnd());
    if (dlg.DoModal() == IDOK)
        NetworkChanged();
}

void CScenarioDoc::OnDischargeSummary()
{
    const DischargeSummary* summary = m_release.GetSummary();
    if (!summary)
        return;
    CReleaseResultDlg dlg(*summary, !m_release.IsUpToDate(), m_release.Warning(), AfxGetMainWnd());
    dlg.DoModal();
}

void CScenarioDoc::StartPlotViewer(const char* ext)
{
    ::StartPlotViewer(GetPathName(), ext, m_release, m_pDiagram, AppSettings() ? AppSettings()->DisplayUnits() : 0);
}

bool CScenarioDoc::HasResultFile(const char* ext) const
{
    return !GetPathName().isEmpty() && ::HasResultFile(ResultFilePath(GetPathName(), ext));
}
