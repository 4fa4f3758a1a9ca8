#include "report_view.h"

#include <QClipboard>
#include <QDate>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "command_ids.h"

#ifdef ORVANE_FULL_UI
#include "nearfield_task.h"
#include "report_text.h"
#include "scenario_doc.h"
#include "string_table.h"
#include "system_settings.h"
#endif

CReportView::CReportView() {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    GetEditCtrl()->setFont(fixed);
    OnCommand(ID_EDIT_COPY_ALL, [this] { OnCopyAll(); });
    OnUpdateCommand(ID_EDIT_COPY_ALL, [](CCmdUI* ui) { ui->Enable(true); });
}

QString CReportView::BuildText() const {
#ifdef ORVANE_FULL_UI
    auto* doc = dynamic_cast<CScenarioDoc*>(GetDocument());
    if (doc) {
        const NearfieldReport nearfield = MakeNearfieldReport(
            doc->Plume(), doc->IsNearfieldPrepared() || doc->IsResultCurrent(".dbs"));
        return BuildReportText(doc->GetDiagram(), doc->ReleaseModel(), doc->Components(),
                               &nearfield, [](unsigned id) { return AfxLoadString(int(id)); });
    }
#endif
    return QString();
}

QString CReportView::PrintHeader() const {
    const CDocument* doc = GetDocument();
    int units = 0;
#ifdef ORVANE_FULL_UI
    if (AppSettings()) units = AppSettings()->DisplayUnits();
#endif
    return QStringLiteral("Scenario: %1    Printed: %2    Units: %3")
        .arg(doc ? doc->GetTitle() : QString(), QDate::currentDate().toString(Qt::ISODate),
             units == 1 ? QStringLiteral("English") : QStringLiteral("Metric"));
}

void CReportView::OnUpdate(CView*, long) {
    QPlainTextEdit* edit = GetEditCtrl();
    edit->setUpdatesEnabled(false);
    const int caretLine = edit->textCursor().blockNumber();
    const int scroll = edit->verticalScrollBar()->value();
    // The text keeps its CR LF line ends for the clipboard and the printer;
    // the control shows them as plain line breaks.
    m_text = BuildText();
    edit->setPlainText(QString(m_text).remove(QLatin1Char('\r')));
    QTextCursor cursor(edit->document());
    const QTextBlock block = edit->document()->findBlockByNumber(caretLine);
    cursor.setPosition(block.isValid() ? block.position() : edit->document()->characterCount() - 1);
    edit->setTextCursor(cursor);
    edit->verticalScrollBar()->setValue(scroll);
    edit->setUpdatesEnabled(true);
}

void CReportView::OnCopyAll() {
    QPlainTextEdit* edit = GetEditCtrl();
    const QTextCursor kept = edit->textCursor();
    edit->selectAll();
    QGuiApplication::clipboard()->setText(m_text.isEmpty() ? edit->toPlainText() : m_text);
    edit->setTextCursor(kept);
}
