#pragma once
#include "frames.h"

class QLabel;
class QToolBar;

// The program's main window: menus, the standard toolbar (600), the
// Scenario Bar (601) and a status bar with the message, CAP, NUM and SCRL
// panes.
class CMainFrame : public CMDIFrameWnd {
    Q_OBJECT
public:
    enum { IDW_TOOLBAR = 600, IDW_SCENARIO_BAR = 601 };

    CMainFrame();
    // Builds menus, toolbars and status bar; -1 when that failed.
    int OnCreate();

    QToolBar* ToolBar() const { return m_pToolBar; }
    QToolBar* ScenarioBar() const { return m_pScenarioBar; }
    void OnToggleScenarioBar();

private:
    QToolBar* MakeToolBar(int id, const QString& title, const std::initializer_list<int>& ids);
    void UpdateRecentFileMenu();

    QToolBar* m_pToolBar = nullptr;
    QToolBar* m_pScenarioBar = nullptr;
    QLabel* m_pCapPane = nullptr;
    QLabel* m_pNumPane = nullptr;
    QLabel* m_pScrlPane = nullptr;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentSeparator = nullptr;
};

// The menu text of every command of the program ("&Text\tAccelerator").
QString MenuTextOf(int id);
