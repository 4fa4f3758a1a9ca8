#include "scenario_frame.h"

#include "command_ids.h"
#include "doc_view.h"
#include "message_box.h"
#include "win_app.h"

CScenarioFrame::CScenarioFrame() {
    OnCommand(ID_WINDOW_NEW_SUMMARY, [this] { OnNewSummaryWindow(); });
}

void CScenarioFrame::OnNewSummaryWindow() {
    CDocument* doc = GetActiveDocument();
    if (!doc) {
        AfxMessageBox(AFX_IDP_COMMAND_FAILURE);
        return;
    }
    for (const auto& tmpl : AfxGetApp()->GetTemplates()) {
        if (tmpl->GetDocString(CDocTemplate::regFileTypeId) != QLatin1String("ZEF.Report"))
            continue;
        if (CMDIChildWnd* frame = tmpl->CreateNewFrame(doc, this))
            tmpl->InitialUpdateFrame(frame, doc);
        return;
    }
}
