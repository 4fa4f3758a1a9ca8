#include "report_view.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "command_ids.h"

CReportView::CReportView()
{
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    GetEditCtrl()->setFont(fixed);
    OnCommand(ID_EDIT_COPY_ALL, [this] { OnCopyAll(); });
}

void CReportView::OnUpdate(CView*, long)
{
    // The report's text is built by the document's report writer.
}

void CReportView::OnCopyAll()
{
    QPlainTextEdit* edit = GetEditCtrl();
    const QTextCursor kept = edit->textCursor();
    edit->selectAll();
    edit->copy();
    edit->setTextCursor(kept);
}
