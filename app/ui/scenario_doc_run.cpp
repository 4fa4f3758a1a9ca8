// The discharge commands of the scenario document: the run with its prompts,
// its set-up and summary dialogs, and the plot viewer's start.
#include <QMetaObject>

#include <cstring>

#include "command_ids.h"
#include "frames.h"
#include "message_box.h"
#include "message_ids.h"
#include "nearfield_task.h"
#include "plot_launch.h"
#include "release_dlgs.h"
#include "result_files.h"
#include "scenario_doc.h"
#include "string_table.h"
#include "system_settings.h"
#include "task_progress_dlg.h"
#include "win_app.h"

namespace {
QString loadString(unsigned id) { return AfxLoadString(int(id)); }
}  // namespace

void CScenarioDoc::RegisterDischargeCommands() {
    OnCommand(ID_SCENARIO_CALC_DISCHARGE, [this] { OnCalculateDischarge(); });
    OnCommand(ID_SCENARIO_CALC_NEARFIELD, [this] { OnCalculateNearfield(); });
    OnCommand(ID_SCENARIO_CALC_ALL, [this] { OnCalculateAll(); });
    OnCommand(ID_SCENARIO_DISCHARGE_SETUP, [this] { OnDischargeSetup(); });
    OnCommand(ID_RESULT_DISCHARGE, [this] { OnDischargeSummary(); });
    OnUpdateCommand(ID_RESULT_DISCHARGE,
                    [this](CCmdUI* ui) { ui->Enable(m_release.HasSummary()); });
    OnCommand(ID_RESULT_RELEASE_PLOT, [this] { OnReleasePlot(); });
    OnUpdateCommand(ID_RESULT_RELEASE_PLOT,
                    [this](CCmdUI* ui) { ui->Enable(IsResultCurrent(".plt")); });
    OnCommand(ID_RESULT_NEARFIELD_PLOT, [this] { OnNearfieldPlot(); });
    OnUpdateCommand(ID_RESULT_NEARFIELD_PLOT,
                    [this](CCmdUI* ui) { ui->Enable(IsResultCurrent(".dbs")); });
}

bool CScenarioDoc::RunDischarge(bool showSummary) {
    // 1. The fluid of the model's class must have been confirmed.
    while (!m_fluid.IsConfirmed(m_release.GetFluidClass())) {
        EditFluid(m_release.GetFluidClass());
        if (m_fluid.IsConfirmed(m_release.GetFluidClass())) break;
        if (AfxMessageBox(IDS_CONFIRM_FLUID, MB_RETRYCANCEL | MB_ICONEXCLAMATION) != IDRETRY)
            return false;
    }

    // 2. The library writes its files beside the saved scenario.
    if (IsModified()) {
        if (AfxMessageBox(IDS_SAVE_BEFORE_DISCHARGE, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return false;
        DoSave(GetPathName());
        if (IsModified()) return false;
    }

    // 3. A network changed since the last check is checked again; the check
    //    numbers the objects, so the scenario is saved once more.
    if (!m_release.IsValidated() || !m_release.HasSummary() || !m_release.IsUpToDate()) {
        if (!VerifyLayout(false)) return false;
        DoSave(GetPathName());
    }

    // 4. The run itself. The library's files and the branch names are staged
    //    and put in place together (the near-field files of an older
    //    discharge go with the old files).
    CResultFiles results(ResultBasePath(GetPathName()));
    if (!results.IsLocked()) {
        AfxMessageBox(results.Error(), MB_ICONERROR);
        return false;
    }
    m_release.SetResultFiles(&results);
    CTaskProgressDlg dlg(&m_release, IDS_CALCULATING_DISCHARGE, AfxGetMainWnd());
    const bool ran = dlg.DoModal() == IDOK;
    m_release.SetResultFiles(nullptr);
    if (!ran) return false;
    // The branch names are read from the diagram here; the files are
    // written, flushed and put in place off the window thread, which a busy
    // disk would hold for tenths of a second.
    const QString brn = ResultFilePath(GetPathName(), ".brn");
    const QByteArray names = BranchNameFileText(m_release, m_pDiagram);
    QString why;
    bool committed = false;
    CFunctionTask commit([&] {
        committed = WriteBranchNameFile(brn, names, &results, &why) &&
                    results.Commit(CResultFiles::DischargeExtensions());
    });
    const TaskResult stage = RunBusy(commit);
    if (stage.outcome != TaskOutcome::Succeeded || !committed) {
        // The new numbers never reached the disk: the summary stays the
        // previous one, which no longer describes the network run.
        m_release.DropStagedResult();
        m_release.SetUpToDate(false);
        if (stage.outcome == TaskOutcome::Failed)
            why = ValidationMessage(stage.Error(), loadString);
        AfxMessageBox(why.isEmpty() ? results.Error() : why, MB_ICONERROR);
        return false;
    }
    m_release.CommitStagedResult();
    ForgetNearfieldResult();
    // 5. The result belongs to the scenario on disk, saved just before the
    //    run (nothing else can have changed since).
    KeepResultSaved(false);
    UpdateAllViews(nullptr);
    if (showSummary) ShowSummaryWhenAsked();
    return true;
}

void CScenarioDoc::ShowSummaryWhenAsked() {
    if (!AppSettings() || !AppSettings()->AutoResultOpen() || !m_release.HasSummary()) return;
    if (CMDIFrameWnd* main = AfxGetMainWnd())
        QMetaObject::invokeMethod(
            main, [main] { main->ExecuteCommand(ID_RESULT_DISCHARGE); }, Qt::QueuedConnection);
}

void CScenarioDoc::OnCalculateDischarge() {
    RunDischarge();
    UpdateAllViews(nullptr);
}

bool CScenarioDoc::RunNearfield(bool askToSave) {
    try {
        // 1. The near-field settings must have been confirmed (in the set-up
        //    dialog, or as saved with the scenario).
        while (!m_plume.IsConfirmed()) {
            OnNearfieldSetup();
            if (m_plume.IsConfirmed()) break;
            if (AfxMessageBox(IDS_CONFIRM_NEARFIELD, MB_RETRYCANCEL | MB_ICONEXCLAMATION) !=
                IDRETRY)
                return false;
        }
        if (const ValidationError e = CheckNearFieldSetup(m_plume.Setup()); e.id != 0) {
            AfxMessageBox(ValidationMessage(e, loadString), MB_ICONERROR);
            return false;
        }
        if (askToSave && IsModified()) {
            if (AfxMessageBox(IDS_SAVE_BEFORE_NEARFIELD, MB_YESNO | MB_ICONQUESTION) != IDYES)
                return false;
            DoSave(GetPathName());
            if (IsModified()) return false;
        }
        const DischargeSummary* summary = m_release.GetSummary();
        if (!summary || !m_release.IsUpToDate()) {
            AfxMessageBox(IDS_NO_DISCHARGE_DATA, MB_ICONERROR);
            return false;
        }
        // A scenario opened with its up-to-date result has not had its network
        // checked, and the leak's data come from the check. The network is the
        // one that result was computed for (any edit would have outdated it),
        // so the check keeps the result up to date.
        if (!m_release.IsValidated()) {
            if (!VerifyLayout(false)) return false;
            m_release.SetUpToDate(true);
        }
        const QString ambient =
            AppSettings() ? AppSettings()->GetAmbientDir() : QStringLiteral("./");
        m_bNearfieldSaved = false;
        m_bNearfieldPrepared =
            m_plume.Prepare(*summary, GetPathName(), m_release.GetLeakDepth(),
                            m_release.GetLeakDiameter(), m_release.GetLeakAmbientTemp(), ambient);
        if (!m_bNearfieldPrepared) {
            // The preparation says why it failed; that is what the user needs.
            const ValidationError error = m_plume.Errors().empty()
                                              ? ValidationError{IDS_UNKNOWN_ERROR, 0}
                                              : m_plume.Errors().front();
            AfxMessageBox(ValidationMessage(error, loadString), MB_ICONERROR);
            return false;
        }
        const bool wasModified = IsModified();
        CNearFieldTask task(m_plume);
        CTaskProgressDlg dlg(&task, IDS_CALCULATING_NEARFIELD, AfxGetMainWnd());
        if (dlg.DoModal() != IDOK) return false;
        KeepResultSaved(wasModified);
        // The run is quiet otherwise: say that it ended and where its files are.
        AfxMessageBox(AfxLoadString(IDS_NEARFIELD_FILES_WRITTEN)
                          .arg(m_plume.ResultFiles().join(QLatin1Char('\n'))),
                      MB_ICONINFORMATION);
        return true;
    } catch (const ValidationError& e) {
        AfxMessageBox(ValidationMessage(e, loadString), MB_ICONERROR);
    } catch (...) {
        AfxMessageBox(IDS_UNKNOWN_ERROR, MB_ICONERROR);
    }
    return false;
}

void CScenarioDoc::KeepResultSaved(bool unsavedEdits) {
    // Edits the user has not saved are not saved without asking.
    if (unsavedEdits || GetPathName().isEmpty() || !DoSave(GetPathName())) SetModifiedFlag();
}

void CScenarioDoc::OnCalculateNearfield() {
    // The result is saved with the scenario, so the scenario is saved first.
    RunNearfield(true);
    UpdateAllViews(nullptr);
}

void CScenarioDoc::OnCalculateAll() {
    // The summary comes once, when both stages have ended.
    if (RunDischarge(false)) {
        RunNearfield(false);
        ShowSummaryWhenAsked();
    }
    UpdateAllViews(nullptr);
}

void CScenarioDoc::OnDischargeSetup() {
    CReleaseModelDlg dlg(&m_release, AfxGetMainWnd());
    if (dlg.DoModal() != IDOK) return;
    // OK confirms the settings shown, repaired ones included; a confirmation
    // is a change the scenario must keep.
    const bool confirmed = !m_release.RepairedSetup().empty();
    m_release.RepairedSetup().clear();
    if (dlg.Changed() || confirmed) NetworkChanged();
}

void CScenarioDoc::OnDischargeSummary() {
    const DischargeSummary* summary = m_release.GetSummary();
    if (!summary) return;
    CReleaseResultDlg dlg(*summary, !m_release.IsUpToDate(), m_release.Warning(), AfxGetMainWnd());
    dlg.DoModal();
}

void CScenarioDoc::StartPlotViewer(const char* ext) {
    if (!IsResultCurrent(ext)) {
        // The files beside the scenario are not those of the current result
        // (an edit, a cancelled or failed run since).
        AfxMessageBox(std::strcmp(ext, ".dbs") == 0 ? IDS_RESULT_OUTDATED_NEARFIELD
                                                    : IDS_RESULT_OUTDATED_DISCHARGE,
                      MB_ICONINFORMATION);
        return;
    }
    ::StartPlotViewer(GetPathName(), ext, m_release, m_pDiagram,
                      AppSettings() ? AppSettings()->DisplayUnits() : 0);
}

bool CScenarioDoc::HasResultFile(const char* ext) const {
    return !GetPathName().isEmpty() && ::HasResultFile(ResultFilePath(GetPathName(), ext));
}

bool CScenarioDoc::IsResultCurrent(const char* ext) const {
    if (!HasResultFile(ext) || !m_release.HasSummary() || !m_release.IsUpToDate()) return false;
    if (std::strcmp(ext, ".dbs") == 0)
        return (m_bNearfieldPrepared && m_plume.HasResult()) || m_bNearfieldSaved;
    return true;
}
