#pragma once
#include "doc_view.h"

// The summary window of a scenario: a read-only text of the network's
// values and the model results, rebuilt whenever the document changes.
class CReportView : public CEditView {
    Q_OBJECT
public:
    CReportView();
    void OnUpdate(CView* sender, long hint) override;
    // Puts the whole text on the clipboard (with its CR LF line ends),
    // leaving caret and selection.
    void OnCopyAll();
    // The report as built, with CR LF line ends.
    const QString& Text() const { return m_text; }
    // On every printed page: the scenario, the date and the display units.
    QString PrintHeader() const override;

private:
    QString BuildText() const;

    QString m_text;
};
