#pragma once
#include <QHash>
#include <QMainWindow>
#include <QMdiSubWindow>

#include "cmd_target.h"

class CDocument;
class CDocTemplate;
class CView;
class QMdiArea;
class QMenu;
class QTimer;

// A multiple-document child frame holding one view.
class CMDIChildWnd : public QMdiSubWindow, public CCmdTarget {
    Q_OBJECT
public:
    explicit CMDIChildWnd(QWidget* parent = nullptr);
    ~CMDIChildWnd() override;

    void SetView(CView* view);
    CView* GetActiveView() const { return m_pView; }
    CDocument* GetActiveDocument() const;
    CDocTemplate* GetTemplate() const { return m_pTemplate; }
    void SetTemplate(CDocTemplate* tmpl) { m_pTemplate = tmpl; }
    // The window title: the document's title, numbered when it has more windows.
    void OnUpdateFrameTitle();
    // Closes without asking (the document is going).
    void CloseFromDocument();

    bool OnCmdMsg(int id, CCmdUI* ui) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CView* m_pView = nullptr;
    CDocTemplate* m_pTemplate = nullptr;
    bool m_bForceClose = false;
};

// The main frame: menus, toolbars and the MDI area. Commands route from
// here to the active child frame (its view, then the document), the frame
// itself and last the application.
class CMDIFrameWnd : public QMainWindow, public CCmdTarget {
    Q_OBJECT
public:
    explicit CMDIFrameWnd(QWidget* parent = nullptr);
    ~CMDIFrameWnd() override;

    QMdiArea* MdiArea() const { return m_pMdiArea; }
    CMDIChildWnd* MDIGetActive() const;
    CDocument* GetActiveDocument() const;
    CView* GetActiveView() const;
    void MDIActivate(CMDIChildWnd* child);

    // Makes the action of a command. The menu text may carry an accelerator
    // after a tab ("&Verify Layout\tF7"); the prompt comes from the string
    // table ("status text\ntool tip").
    QAction* AddCommand(int id, const QString& menuText);
    // The action of a command made by AddCommand; an id without one is an
    // unknown id (see AfxUnknownId).
    QAction* FindCommand(int id) const;
    const QHash<int, QAction*>& Commands() const { return m_actions; }
    // A menu whose items are brought up to date when it is shown.
    QMenu* AddMenu(const QString& title);

    // Runs the command when it is enabled; true when something took it. An id
    // that is neither a command of the frame nor known to a target on the
    // route is an unknown id.
    bool ExecuteCommand(int id);
    // Asks the route for a command's state; disabled when nobody takes it.
    CCmdUI QueryCommand(int id);
    // Brings every action's enabled and checked state up to date.
    void UpdateCmdUI();

    bool OnCmdMsg(int id, CCmdUI* ui) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void OnWindowNew();

private:
    QMdiArea* m_pMdiArea;
    QHash<int, QAction*> m_actions;
    QTimer* m_pIdleTimer;
};

// Splits "&Text\tAccel" into text and accelerator.
void AfxSplitMenuText(const QString& menuText, QString& text, QString& accelerator);
