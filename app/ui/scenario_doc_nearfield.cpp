// The near-field set-up command of the scenario document.
#include "command_ids.h"
#include "frames.h"
#include "nearfield_dlg.h"
#include "scenario_doc.h"
#include "system_settings.h"
#include "win_app.h"

void CScenarioDoc::RegisterNearfieldCommands() {
    OnCommand(ID_SCENARIO_NEARFIELD_SETUP, [this] { OnNearfieldSetup(); });
}

bool CScenarioDoc::OnNearfieldSetup() {
    const QString ambient = AppSettings() ? AppSettings()->GetAmbientDir() : QStringLiteral("./");
    CNearFieldModelDlg dlg(&m_plume, ambient, AfxGetMainWnd());
    if (dlg.DoModal() != IDOK) return false;
    // OK on the settings as they were keeps the near-field result.
    if (!dlg.Changed()) return true;
    // New settings: the last preparation no longer describes the next run.
    m_plume.ClearPrepared();
    ForgetNearfieldResult();
    SetModifiedFlag();
    UpdateAllViews(nullptr);
    return true;
}
