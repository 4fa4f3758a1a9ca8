#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include "main_frame.h"
#include "message_box.h"
#include "report_view.h"
#include "scenario_frame.h"
#include "test_shell.h"

namespace {

// An application with a scenario-like template (601) on a text document and
// the summary template (604).
struct FrameShell {
    FrameShell() {
        app = std::make_unique<CWinApp>(QStringLiteral("ShellTests"));
        app->AddDocTemplate(new CDocTemplate(
            IDR_SCENARIO,
            "\nScenario\nScenario\nZEF Scenario (*.zef)\n.zef\nZEF.Document\nZEF Document",
            [] { return new TextDoc; }, [] { return new CScenarioFrame; },
            [] { return new TextView; }));
        app->AddDocTemplate(new CDocTemplate(
            IDR_REPORT, "\nSummary\n\n\n\nZEF.Report\n", [] { return new TextDoc; },
            [] { return new CMDIChildWnd; }, [] { return new CReportView; }));
        main = new CMainFrame;
        app->m_pMainWnd = main;
        EXPECT_EQ(main->OnCreate(), 0);
        main->resize(900, 650);
        main->show();
    }
    ~FrameShell() {
        app->CloseAllDocuments();
        delete main;
    }
    std::unique_ptr<CWinApp> app;
    CMainFrame* main = nullptr;
};

}  // namespace

TEST(MainFrame, ToolbarsStatusPanesAndScenarioBarToggle) {
    FrameShell shell;
    CMainFrame* main = shell.main;
    EXPECT_EQ(main->findChild<QToolBar*>("600"), main->ToolBar());
    EXPECT_EQ(main->findChild<QToolBar*>("601"), main->ScenarioBar());
    for (const char* pane : {"CAP", "NUM", "SCRL"})
        EXPECT_NE(main->statusBar()->findChild<QLabel*>(pane), nullptr) << pane;

    QAction* toggle = main->FindCommand(ID_VIEW_SCENARIO_BAR);
    main->UpdateCmdUI();
    EXPECT_TRUE(toggle->isChecked());
    toggle->trigger();
    EXPECT_TRUE(main->ScenarioBar()->isHidden());
    EXPECT_FALSE(toggle->isChecked());
    toggle->trigger();
    EXPECT_FALSE(main->ScenarioBar()->isHidden());
    EXPECT_TRUE(toggle->isChecked());

    // The Scenario Bar carries the tools in groups, then Verify and Calculate All.
    QList<int> ids;
    for (QAction* a : main->ScenarioBar()->actions())
        ids << (a->isSeparator() ? 0 : a->data().toInt());
    EXPECT_EQ(ids, (QList<int>{34100, 0, 34101, 34102, 34103, 34104, 34105, 0, 34106, 34108, 0,
                               34115, 34118}));
    main->grab().save(QDir(ORVANE_TEST_ARTIFACTS).filePath("main_frame_empty.png"));
}

TEST(MainFrame, EveryCommandSitsInAMenu) {
    FrameShell shell;
    QSet<int> inMenus;
    for (QMenu* menu : shell.main->menuBar()->findChildren<QMenu*>())
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) inMenus.insert(a->data().toInt());
    for (auto it = shell.main->Commands().cbegin(); it != shell.main->Commands().cend(); ++it)
        EXPECT_TRUE(inMenus.contains(it.key())) << it.key();
    QStringList titles;
    for (QAction* a : shell.main->menuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&View", "&Object", "&Scenario", "&Result",
                                   "&Window", "&Help"}));
}

TEST(ScenarioFrame, NewSummaryWindowOpensAReportOnTheSameDocument) {
    FrameShell shell;
    shell.app->OnFileNew();
    CDocument* doc = shell.main->GetActiveDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(shell.main->ExecuteCommand(ID_WINDOW_NEW_SUMMARY));
    const QList<QMdiSubWindow*> children = shell.main->MdiArea()->subWindowList();
    ASSERT_EQ(children.size(), 2);
    auto* report = dynamic_cast<CReportView*>(shell.main->GetActiveView());
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->GetDocument(), doc);
    // The summary frame does not offer the command itself.
    shell.main->UpdateCmdUI();
    EXPECT_FALSE(shell.main->FindCommand(ID_WINDOW_NEW_SUMMARY)->isEnabled());
}

TEST(ScenarioFrame, WithoutADocumentTheCommandFails) {
    FrameShell shell;
    ScriptedMessageBoxes boxes;
    CScenarioFrame frame;
    frame.OnNewSummaryWindow();
    EXPECT_EQ(boxes.Texts(), QStringList{"Command failed."});
}
