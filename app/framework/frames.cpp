#include "frames.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "command_ids.h"
#include "doc_view.h"
#include "message_box.h"
#include "string_table.h"
#include "win_app.h"

// ---------------------------------------------------------- CMDIChildWnd

CMDIChildWnd::CMDIChildWnd(QWidget* parent) : QMdiSubWindow(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
}

CMDIChildWnd::~CMDIChildWnd() = default;

void CMDIChildWnd::SetView(CView* view) {
    m_pView = view;
    setWidget(view);
}

CDocument* CMDIChildWnd::GetActiveDocument() const {
    return m_pView ? m_pView->GetDocument() : nullptr;
}

void CMDIChildWnd::OnUpdateFrameTitle() {
    CDocument* doc = GetActiveDocument();
    if (!doc) return;
    const std::vector<CMDIChildWnd*> frames = doc->GetFrames();
    QString title = doc->GetTitle();
    if (frames.size() > 1) {
        const auto it = std::find(frames.begin(), frames.end(), this);
        title += QStringLiteral(":%1").arg(it - frames.begin() + 1);
    }
    setWindowTitle(title + QStringLiteral("[*]"));
    setWindowModified(doc->IsModified());
    if (AfxGetApp()) AfxGetApp()->OnFrameTitleChanged(this);
}

void CMDIChildWnd::CloseFromDocument() {
    m_bForceClose = true;
    close();
}

bool CMDIChildWnd::OnCmdMsg(int id, CCmdUI* ui) {
    if (m_pView && m_pView->OnCmdMsg(id, ui)) return true;
    return CCmdTarget::OnCmdMsg(id, ui);
}

void CMDIChildWnd::closeEvent(QCloseEvent* event) {
    CDocument* doc = GetActiveDocument();
    if (!m_bForceClose && doc && !doc->CanCloseFrame(this)) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
    if (!event->isAccepted()) return;
    if (doc && m_pView) {
        doc->RemoveView(m_pView);
        doc->OnFrameClosed(this);
    }
}

// ---------------------------------------------------------- CMDIFrameWnd

CMDIFrameWnd::CMDIFrameWnd(QWidget* parent) : QMainWindow(parent), m_pMdiArea(new QMdiArea(this)) {
    m_pMdiArea->setObjectName(QStringLiteral("MDIClient"));
    // A main window made smaller than its sub-windows scrolls to them.
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_pMdiArea);
    OnCommand(ID_WINDOW_NEW, [this] { OnWindowNew(); });
    OnCommand(ID_WINDOW_CASCADE, [this] { m_pMdiArea->cascadeSubWindows(); });
    OnCommand(ID_WINDOW_TILE_HORZ, [this] { m_pMdiArea->tileSubWindows(); });
    OnCommand(ID_WINDOW_NEXT, [this] { m_pMdiArea->activateNextSubWindow(); });
    for (int id : {ID_WINDOW_NEW, ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_WINDOW_NEXT})
        OnUpdateCommand(id, [this](CCmdUI* ui) { ui->Enable(MDIGetActive() != nullptr); });
    // The state of toolbar buttons follows the program between menu visits.
    m_pIdleTimer = new QTimer(this);
    m_pIdleTimer->setInterval(250);
    connect(m_pIdleTimer, &QTimer::timeout, this, &CMDIFrameWnd::UpdateCmdUI);
    m_pIdleTimer->start();
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMDIFrameWnd::UpdateCmdUI);
}

CMDIFrameWnd::~CMDIFrameWnd() {
    if (AfxGetApp() && AfxGetApp()->m_pMainWnd == this) AfxGetApp()->m_pMainWnd = nullptr;
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive() const {
    // currentSubWindow, unlike activeSubWindow, also answers while the main
    // window itself is not the active window.
    return qobject_cast<CMDIChildWnd*>(m_pMdiArea->currentSubWindow());
}

CDocument* CMDIFrameWnd::GetActiveDocument() const {
    CMDIChildWnd* child = MDIGetActive();
    return child ? child->GetActiveDocument() : nullptr;
}

CView* CMDIFrameWnd::GetActiveView() const {
    CMDIChildWnd* child = MDIGetActive();
    return child ? child->GetActiveView() : nullptr;
}

void CMDIFrameWnd::MDIActivate(CMDIChildWnd* child) { m_pMdiArea->setActiveSubWindow(child); }

void AfxSplitMenuText(const QString& menuText, QString& text, QString& accelerator) {
    const qsizetype tab = menuText.indexOf(QLatin1Char('\t'));
    text = tab < 0 ? menuText : menuText.left(tab);
    accelerator = tab < 0 ? QString() : menuText.mid(tab + 1);
}

QAction* CMDIFrameWnd::AddCommand(int id, const QString& menuText) {
    QString text;
    QString accelerator;
    AfxSplitMenuText(menuText, text, accelerator);
    auto* action = new QAction(text, this);
    action->setData(id);
    action->setObjectName(QString::number(id));
    if (!accelerator.isEmpty()) {
        action->setShortcut(QKeySequence(accelerator));
        action->setShortcutContext(Qt::WindowShortcut);
    }
    const QString prompt = AfxLoadString(id);
    if (!prompt.isEmpty()) {
        const qsizetype nl = prompt.indexOf(QLatin1Char('\n'));
        action->setStatusTip(nl < 0 ? prompt : prompt.left(nl));
        QString tip = nl < 0 ? QString(text).remove(QLatin1Char('&')) : prompt.mid(nl + 1);
        if (!accelerator.isEmpty()) tip += QStringLiteral(" (%1)").arg(accelerator);
        action->setToolTip(tip);
    }
    connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
    m_actions.insert(id, action);
    addAction(action);  // shortcuts work with the menus closed
    return action;
}

QMenu* CMDIFrameWnd::AddMenu(const QString& title) {
    QMenu* menu = menuBar()->addMenu(title);
    connect(menu, &QMenu::aboutToShow, this, &CMDIFrameWnd::UpdateCmdUI);
    return menu;
}

CCmdUI CMDIFrameWnd::QueryCommand(int id) {
    CCmdUI ui(id);
    if (!OnCmdMsg(id, &ui)) ui.m_bEnabled = false;
    return ui;
}

QAction* CMDIFrameWnd::FindCommand(int id) const {
    QAction* action = m_actions.value(id);
    if (!action) AfxUnknownId("command", id, "CMDIFrameWnd::FindCommand");
    return action;
}

bool CMDIFrameWnd::ExecuteCommand(int id) {
    CCmdUI ui(id);
    const bool known = OnCmdMsg(id, &ui);
    if (!known && !m_actions.contains(id)) {
        AfxUnknownId("command", id, "CMDIFrameWnd::ExecuteCommand");
        return false;
    }
    if (!known || !ui.m_bEnabled) return false;
    const bool handled = OnCmdMsg(id, nullptr);
    // The main window may be on its way out after File Exit.
    if (AfxGetApp() && AfxGetApp()->m_pMainWnd == this) UpdateCmdUI();
    return handled;
}

void CMDIFrameWnd::UpdateCmdUI() {
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const CCmdUI ui = QueryCommand(it.key());
        QAction* action = it.value();
        action->setEnabled(ui.m_bEnabled);
        if (ui.m_bCheckSet) {
            action->setCheckable(true);
            action->setChecked(ui.m_nCheck != 0);
        }
    }
}

bool CMDIFrameWnd::OnCmdMsg(int id, CCmdUI* ui) {
    if (CMDIChildWnd* child = MDIGetActive(); child && child->OnCmdMsg(id, ui)) return true;
    if (CCmdTarget::OnCmdMsg(id, ui)) return true;
    return AfxGetApp() && AfxGetApp()->OnCmdMsg(id, ui);
}

void CMDIFrameWnd::OnWindowNew() {
    CMDIChildWnd* active = MDIGetActive();
    CDocument* doc = active ? active->GetActiveDocument() : nullptr;
    CDocTemplate* tmpl = active ? active->GetTemplate() : nullptr;
    if (!doc || !tmpl) {
        AfxMessageBox(AFX_IDP_COMMAND_FAILURE);
        return;
    }
    if (CMDIChildWnd* frame = tmpl->CreateNewFrame(doc, active))
        tmpl->InitialUpdateFrame(frame, doc);
}

void CMDIFrameWnd::closeEvent(QCloseEvent* event) {
    CWinApp* app = AfxGetApp();
    if (app && !app->SaveAllModified()) {
        event->ignore();
        return;
    }
    if (app) app->CloseAllDocuments();
    QMainWindow::closeEvent(event);
}
