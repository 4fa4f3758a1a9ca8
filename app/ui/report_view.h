#pragma once
#include "doc_view.h"

// The summary window of a scenario: a read-only text of the network's
// values and the model results, rebuilt whenever the document changes.
class CReportView : public CEditView {
    Q_OBJECT
public:
    CReportView();
    void OnUpdate(CView* sender, long hint) override;
    // Puts the whole text on the clipboard, leaving caret and selection.
    void OnCopyAll();
};
