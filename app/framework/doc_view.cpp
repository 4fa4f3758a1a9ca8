#include "doc_view.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QFontMetricsF>
#include <QVBoxLayout>
#include <algorithm>

#include "command_ids.h"
#include "frames.h"
#include "message_box.h"
#include "string_table.h"
#include "win_app.h"

// ---------------------------------------------------------------- CView

CView::CView(QWidget* parent) : QAbstractScrollArea(parent) {
    OnCommand(ID_FILE_PRINT, [this] { OnFilePrint(true); });
    OnCommand(ID_FILE_PRINT_DIRECT, [this] { OnFilePrint(false); });
    OnCommand(ID_FILE_PRINT_PREVIEW, [this] { OnFilePrintPreview(); });
}

CView::~CView() {
    if (m_pDocument) m_pDocument->RemoveView(this);
}

CMDIChildWnd* CView::GetParentFrame() const {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* frame = qobject_cast<CMDIChildWnd*>(w)) return frame;
    return nullptr;
}

void CView::OnInitialUpdate() { OnUpdate(nullptr, 0); }

void CView::OnUpdate(CView*, long) { viewport()->update(); }

bool CView::OnCmdMsg(int id, CCmdUI* ui) {
    if (CCmdTarget::OnCmdMsg(id, ui)) return true;
    return m_pDocument && m_pDocument->OnCmdMsg(id, ui);
}

bool CView::OnPreparePrinting(QPrinter* printer) {
    QPrintDialog dialog(printer, this);
    return dialog.exec() == QDialog::Accepted;
}

bool CView::PrintTo(QPrinter* printer) {
    QPainter painter;
    if (!painter.begin(printer)) return false;
    m_pPrinter = printer;
    OnBeginPrinting(printer);
    OnDraw(&painter);
    OnEndPrinting(printer);
    m_pPrinter = nullptr;
    painter.end();
    return true;
}

namespace {
PrinterSetup& printerSetup() {
    static PrinterSetup setup;
    return setup;
}
}  // namespace

PrinterSetup AfxSetPrinterSetup(PrinterSetup setup) {
    PrinterSetup old = std::move(printerSetup());
    printerSetup() = std::move(setup);
    return old;
}

bool CView::OnFilePrint(bool withDialog) {
    QPrinter printer(QPrinter::HighResolution);
    if (printerSetup()) printerSetup()(printer);
    if (withDialog && !OnPreparePrinting(&printer)) return false;
    // Without a printer Qt falls back to a PDF without a file name, which
    // prints nothing: say so rather than do nothing.
    const bool toFile =
        printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
    if (!toFile && printer.printerName().isEmpty()) {
        AfxMessageBox(AFX_IDP_NO_PRINTER, MB_ICONEXCLAMATION);
        return false;
    }
    if (!PrintTo(&printer)) {
        AfxMessageBox(AFX_IDP_FAILED_TO_START_PRINT, MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

void CView::OnFilePrintPreview() {
    QPrinter printer(QPrinter::HighResolution);
    if (printerSetup()) printerSetup()(printer);
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* p) { PrintTo(p); });
    preview.exec();
}

void CView::SetScrollSizes(QSize total, QSize page, QSize line) {
    m_totalSize = total;
    m_pageSize = page;
    m_lineSize = line;
    UpdateScrollBars();
    viewport()->update();
}

QPoint CView::GetScrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CView::ScrollToPosition(QPoint pos) {
    horizontalScrollBar()->setValue(pos.x());
    verticalScrollBar()->setValue(pos.y());
}

void CView::UpdateScrollBars() {
    const QSize client = viewport()->size();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, std::max(0, m_totalSize.width() - client.width()));
    v->setRange(0, std::max(0, m_totalSize.height() - client.height()));
    // Default page: a tenth of the total; default line: a tenth of the page.
    const QSize page = m_pageSize.isValid() ? m_pageSize : m_totalSize / 10;
    const QSize line = m_lineSize.isValid() ? m_lineSize : page / 10;
    h->setPageStep(std::max(1, page.width()));
    v->setPageStep(std::max(1, page.height()));
    h->setSingleStep(std::max(1, line.width()));
    v->setSingleStep(std::max(1, line.height()));
}

void CView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.translate(-GetScrollPosition());
    OnDraw(&painter);
}

void CView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CView::scrollContentsBy(int, int) { viewport()->update(); }

// ------------------------------------------------------------ CDocument

CDocument::CDocument() {
    OnCommand(ID_FILE_SAVE, [this] { DoFileSave(); });
    OnCommand(ID_FILE_SAVE_AS, [this] { DoSave(QString()); });
    OnCommand(ID_FILE_CLOSE, [this] {
        if (SaveModified()) OnCloseDocument();
    });
}

CDocument::~CDocument() {
    for (CView* view : m_views) view->m_pDocument = nullptr;
    if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(const QString& title) {
    m_strTitle = title;
    for (CMDIChildWnd* frame : GetFrames()) frame->OnUpdateFrameTitle();
}

void CDocument::SetModifiedFlag(bool modified) {
    if (m_bModified == modified) return;
    m_bModified = modified;
    for (CMDIChildWnd* frame : GetFrames()) frame->OnUpdateFrameTitle();
}

void CDocument::SetPathName(const QString& path, bool addToMRU) {
    m_strPathName = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
    if (addToMRU && AfxGetApp()) AfxGetApp()->AddToRecentFileList(m_strPathName);
}

void CDocument::AddView(CView* view) {
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end()) m_views.push_back(view);
    view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
    view->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, long hint) {
    const std::vector<CView*> views = m_views;
    for (CView* view : views)
        if (view != sender) view->OnUpdate(sender, hint);
}

std::vector<CMDIChildWnd*> CDocument::GetFrames() const {
    std::vector<CMDIChildWnd*> frames;
    for (CView* view : m_views)
        if (CMDIChildWnd* frame = view->GetParentFrame()) frames.push_back(frame);
    return frames;
}

bool CDocument::OnNewDocument() {
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnOpenDocument(const QString&) {
    DeleteContents();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnSaveDocument(const QString&) {
    SetModifiedFlag(false);
    return true;
}

void CDocument::OnCloseDocument() {
    if (m_bClosing) return;
    m_bClosing = true;
    // Detach the views first: their frames go away later than this document.
    const std::vector<CMDIChildWnd*> frames = GetFrames();
    for (CView* view : std::vector<CView*>(m_views)) RemoveView(view);
    for (CMDIChildWnd* frame : frames) frame->CloseFromDocument();
    DeleteContents();
    delete this;
}

bool CDocument::CanCloseFrame(CMDIChildWnd* frame) {
    for (CMDIChildWnd* other : GetFrames())
        if (other != frame) return true;
    return SaveModified();
}

void CDocument::OnFrameClosed(CMDIChildWnd*) {
    if (m_views.empty())
        OnCloseDocument();
    else
        for (CMDIChildWnd* frame : GetFrames()) frame->OnUpdateFrameTitle();
}

bool CDocument::SaveModified() {
    if (!IsModified()) return true;
    QString name = m_strPathName.isEmpty() ? m_strTitle : QFileInfo(m_strPathName).fileName();
    switch (AfxMessageBox(AfxFormatString1(AFX_IDP_ASK_TO_SAVE, name),
                          MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
        case IDCANCEL:
            return false;
        case IDYES:
            return DoFileSave();
        default:
            return true;
    }
}

bool CDocument::DoSave(const QString& path, bool replace) {
    QString newName = path;
    if (newName.isEmpty()) {
        newName = m_strPathName;
        if (newName.isEmpty() && m_pDocTemplate)
            newName = m_strTitle + m_pDocTemplate->GetDocString(CDocTemplate::filterExt);
        if (!AfxDoPromptFileName(newName, false, m_pDocTemplate)) return false;
    }
    if (!OnSaveDocument(newName)) {
        AfxMessageBox(AFX_IDP_FAILED_TO_SAVE_DOC, MB_ICONEXCLAMATION);
        return false;
    }
    if (replace) SetPathName(newName);
    return true;
}

bool CDocument::DoFileSave() {
    const QFileInfo info(m_strPathName);
    if (m_strPathName.isEmpty() || (info.exists() && !info.isWritable())) return DoSave(QString());
    return DoSave(m_strPathName);
}

bool CDocument::OnCmdMsg(int id, CCmdUI* ui) {
    if (CCmdTarget::OnCmdMsg(id, ui)) return true;
    return m_pDocTemplate && m_pDocTemplate->OnCmdMsg(id, ui);
}

// --------------------------------------------------------- CDocTemplate

CDocTemplate::CDocTemplate(int resourceId, const QString& docString, DocFactory newDoc,
                           FrameFactory newFrame, ViewFactory newView)
    : m_nResourceId(resourceId),
      m_strDocString(docString),
      m_newDoc(std::move(newDoc)),
      m_newFrame(std::move(newFrame)),
      m_newView(std::move(newView)) {}

CDocTemplate::~CDocTemplate() { CloseAllDocuments(); }

QString CDocTemplate::GetDocString(DocStringIndex index) const {
    const QStringList fields = m_strDocString.split(QLatin1Char('\n'));
    return fields.value(index);
}

void CDocTemplate::AddDocument(CDocument* doc) {
    m_docs.push_back(doc);
    doc->m_pDocTemplate = this;
}

void CDocTemplate::RemoveDocument(CDocument* doc) {
    m_docs.erase(std::remove(m_docs.begin(), m_docs.end(), doc), m_docs.end());
    doc->m_pDocTemplate = nullptr;
}

void CDocTemplate::CloseAllDocuments() {
    while (!m_docs.empty()) m_docs.back()->OnCloseDocument();
}

CMDIChildWnd* CDocTemplate::CreateNewFrame(CDocument* doc, CMDIChildWnd*) {
    CMDIFrameWnd* main = AfxGetMainWnd();
    if (!main || !m_newFrame || !m_newView) return nullptr;
    CMDIChildWnd* frame = m_newFrame();
    frame->SetTemplate(this);
    CView* view = m_newView();
    frame->SetView(view);
    if (doc) doc->AddView(view);
    main->MdiArea()->addSubWindow(frame);
    // A new window opens at two thirds of the area (a report or diagram shows
    // a page of itself), not at its contents' small size hint.
    const QSize area = main->MdiArea()->viewport()->size();
    const QSize wanted(std::max(area.width() * 2 / 3, 480), std::max(area.height() * 2 / 3, 360));
    frame->resize(std::max(frame->width(), std::min(wanted.width(), area.width())),
                  std::max(frame->height(), std::min(wanted.height(), area.height())));
    return frame;
}

void CDocTemplate::InitialUpdateFrame(CMDIChildWnd* frame, CDocument* doc, bool makeVisible) {
    if (CView* view = frame->GetActiveView()) view->OnInitialUpdate();
    if (doc)
        for (CMDIChildWnd* f : doc->GetFrames()) f->OnUpdateFrameTitle();
    if (makeVisible) {
        frame->show();
        // The area's placement cascades; a window it would push past the
        // area's edge moves back inside, whole where it fits.
        if (QMdiArea* area = frame->mdiArea()) {
            const QRect room = area->viewport()->rect();
            QRect placed = frame->geometry();
            if (placed.right() > room.right()) placed.moveRight(room.right());
            if (placed.bottom() > room.bottom()) placed.moveBottom(room.bottom());
            if (placed.left() < room.left()) placed.moveLeft(room.left());
            if (placed.top() < room.top()) placed.moveTop(room.top());
            frame->move(placed.topLeft());
        }
        if (CMDIFrameWnd* main = AfxGetMainWnd()) main->MDIActivate(frame);
    }
}

CDocument* CDocTemplate::OpenDocumentFile(const QString& path, bool makeVisible) {
    CDocument* doc = m_newDoc();
    AddDocument(doc);
    CMDIChildWnd* frame = CreateNewFrame(doc, nullptr);
    if (!frame) {
        delete doc;
        return nullptr;
    }
    bool ok;
    if (path.isEmpty()) {
        doc->SetTitle(GetDocString(docName) + QString::number(++m_nUntitledCount));
        ok = doc->OnNewDocument();
    } else {
        // One message: the document's own (naming the file and the reason)
        // when it gave one, else the framework's.
        const unsigned shown = AfxMessageBoxCount();
        ok = doc->OnOpenDocument(path);
        if (ok)
            doc->SetPathName(path);
        else if (AfxMessageBoxCount() == shown)
            AfxMessageBox(AFX_IDP_FAILED_TO_OPEN_DOC, MB_ICONEXCLAMATION);
    }
    if (!ok) {
        doc->OnCloseDocument();
        return nullptr;
    }
    InitialUpdateFrame(frame, doc, makeVisible);
    return doc;
}

// ------------------------------------------------------------ file names

namespace {
FileNameHandler& fileNameHandler() {
    static FileNameHandler handler;
    return handler;
}
}  // namespace

FileNameHandler AfxSetFileNameHandler(FileNameHandler handler) {
    FileNameHandler old = std::move(fileNameHandler());
    fileNameHandler() = std::move(handler);
    return old;
}

bool AfxDoPromptFileName(QString& path, bool open, CDocTemplate* tmpl) {
    QString filter;
    QString ext;
    if (tmpl) {
        ext = tmpl->GetDocString(CDocTemplate::filterExt);
        filter = tmpl->GetDocString(CDocTemplate::filterName);
    }
    filter += QStringLiteral(";;All Files (*)");
    if (fileNameHandler()) return fileNameHandler()(open, path, filter);
    QWidget* parent = AfxGetMainWnd();
    const QString chosen = open ? QFileDialog::getOpenFileName(parent, QString(), path, filter)
                                : QFileDialog::getSaveFileName(parent, QString(), path, filter);
    if (chosen.isEmpty()) return false;
    path = chosen;
    if (!open && !ext.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += ext;
    return true;
}

// ------------------------------------------------------------ CEditView

CEditView::CEditView(QWidget* parent) : CView(parent), m_pEdit(new QPlainTextEdit(viewport())) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* layout = new QVBoxLayout(viewport());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pEdit);
    m_pEdit->setReadOnly(true);
    m_pEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    setFocusProxy(m_pEdit);
}

void CEditView::OnDraw(QPainter* painter) {
    // The text edit paints itself on the screen; the printer gets the text,
    // line by line in the control's own (fixed) font at a reading size, in
    // the page's paint rectangle (the diagram's printout margins) and on as
    // many pages as it takes. Lines are never wrapped: the columns stay.
    if (!IsPrinting()) return;
    QPrinter* printer = GetPrinter();
    const QFont font = PrintFont();
    painter->setFont(font);
    const QFontMetricsF metrics(font, printer);
    const QStringList lines = m_pEdit->toPlainText().split(QLatin1Char('\n'));
    const auto pages = PrintPages(lines, LinesPerPage(printer));
    const QRectF paint = printer->pageLayout().paintRectPixels(printer->resolution());
    const int count = static_cast<int>(pages.size());
    const QString header = PrintHeader();
    const int top = header.isEmpty() ? 0 : 2;  // the header and an empty line
    for (int p = 0; p < count; ++p) {
        if (p > 0) printer->newPage();
        if (!header.isEmpty()) painter->drawText(QPointF(0, metrics.ascent()), header);
        for (int i = 0; i < pages[p].second; ++i)
            painter->drawText(QPointF(0, metrics.ascent() + (top + i) * metrics.lineSpacing()),
                              lines[pages[p].first + i]);
        // The page number on the last line of the paint rectangle, centred.
        const QRectF foot(0, paint.height() - metrics.lineSpacing(), paint.width(),
                          metrics.lineSpacing());
        painter->drawText(foot, Qt::AlignHCenter | Qt::AlignBottom,
                          QStringLiteral("Page %1 of %2").arg(p + 1).arg(count));
    }
}

std::vector<std::pair<int, int>> CEditView::PrintPages(const QStringList& lines, int perPage) {
    perPage = std::max(1, perPage);
    const int n = static_cast<int>(lines.size());
    auto isHeading = [&](int i) {
        const QString& line = lines[i];
        return !line.isEmpty() && !line.front().isSpace() && line.endsWith(QLatin1Char(':')) &&
               (i == 0 || lines[i - 1].trimmed().isEmpty());
    };
    std::vector<std::pair<int, int>> pages;
    int first = 0, onPage = 0;
    for (int i = 0; i < n; ++i) {
        bool full = onPage == perPage;
        if (!full && onPage > 0 && isHeading(i)) {
            // The section's opening lines, up to its end or the next heading.
            int keep = 1;
            while (keep < kHeadingKeep && i + keep < n && !isHeading(i + keep)) ++keep;
            full = onPage + keep > perPage && keep <= perPage;
        }
        if (full) {
            pages.emplace_back(first, onPage);
            first = i;
            onPage = 0;
        }
        ++onPage;
    }
    if (onPage > 0 || pages.empty()) pages.emplace_back(first, onPage);
    return pages;
}

QFont CEditView::PrintFont() const {
    QFont font = m_pEdit->font();
    font.setPointSizeF(kPrintPointSize);
    return font;
}

int CEditView::LinesPerPage(QPrinter* printer) const {
    const QFontMetricsF metrics(PrintFont(), printer);
    const QRectF page = printer->pageLayout().paintRectPixels(printer->resolution());
    // An empty line and the page number below the text, and the header with
    // its empty line above it.
    const int header = PrintHeader().isEmpty() ? 0 : 2;
    return std::max(1, int(page.height() / metrics.lineSpacing()) - 2 - header);
}
