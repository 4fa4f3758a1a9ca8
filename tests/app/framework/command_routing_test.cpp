#include <gtest/gtest.h>

#include <QAction>
#include <QKeySequence>

#include "message_box.h"
#include "string_table.h"
#include "test_shell.h"
#include "unknown_id_log.h"

namespace {

enum {
    CMD_VIEW = 40001,
    CMD_DOC = 40002,
    CMD_BOTH = 40003,
    CMD_APP = 40004,
    CMD_NOBODY = 40005,
    CMD_CHECK = 40006
};

// A view and a document that answer a few commands and log who ran them.
class RoutingView : public TextView {
public:
    explicit RoutingView(QStringList* log) : m_log(log) {
        OnCommand(CMD_VIEW, [this] { *m_log << "view"; });
        OnCommand(CMD_BOTH, [this] { *m_log << "view both"; });
        OnCommand(CMD_CHECK, [this] { checked = !checked; });
        OnUpdateCommand(CMD_CHECK, [this](CCmdUI* ui) { ui->SetCheck(checked ? 1 : 0); });
    }
    bool checked = false;

private:
    QStringList* m_log;
};

class RoutingDoc : public TextDoc {
public:
    explicit RoutingDoc(QStringList* log) : m_log(log) {
        OnCommand(CMD_DOC, [this] { *m_log << "doc"; });
        OnCommand(CMD_BOTH, [this] { *m_log << "doc both"; });
        OnUpdateCommand(CMD_DOC, [this](CCmdUI* ui) { ui->Enable(enabled); });
    }
    bool enabled = true;

private:
    QStringList* m_log;
};

class RoutingApp : public CWinApp {
public:
    explicit RoutingApp(QStringList* log) : CWinApp("RoutingTests") {
        OnCommand(CMD_APP, [log] { *log << "app"; });
        OnCommand(CMD_BOTH, [log] { *log << "app both"; });
    }
};

class CommandRouting : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<RoutingApp>(&log);
        auto* tmpl = new CDocTemplate(
            700, "\nText\nText\n\n.txt\nText.Document\n",
            [this] { return doc = new RoutingDoc(&log); }, [] { return new CMDIChildWnd; },
            [this] { return view = new RoutingView(&log); });
        app->AddDocTemplate(tmpl);
        main = new CMDIFrameWnd;
        app->m_pMainWnd = main;
        for (int id : {int(CMD_VIEW), int(CMD_DOC), int(CMD_BOTH), int(CMD_APP), int(CMD_NOBODY),
                       int(CMD_CHECK)})
            main->AddCommand(id, QStringLiteral("Command %1").arg(id));
    }
    void TearDown() override {
        app->CloseAllDocuments();
        delete main;
        app.reset();
    }
    void OpenDocument() { app->OnFileNew(); }

    QStringList log;
    std::unique_ptr<RoutingApp> app;
    CMDIFrameWnd* main = nullptr;
    RoutingDoc* doc = nullptr;
    RoutingView* view = nullptr;
};

}  // namespace

TEST_F(CommandRouting, ViewThenDocumentThenApplication) {
    OpenDocument();
    for (int id : {CMD_VIEW, CMD_DOC, CMD_BOTH, CMD_APP}) EXPECT_TRUE(main->ExecuteCommand(id));
    EXPECT_EQ(log, (QStringList{"view", "doc", "view both", "app"}));
    EXPECT_FALSE(main->ExecuteCommand(CMD_NOBODY));
}

TEST_F(CommandRouting, AnIdNobodyKnowsIsAFailureNotANoOp) {
    OpenDocument();
    const int unknown = 40099;  // no action and no handler on the route
    const struct {
        const char* name;
        std::function<void()> action;
        QString logged;
    } cases[] = {
        {"execute", [&] { EXPECT_FALSE(main->ExecuteCommand(unknown)); },
         "CMDIFrameWnd::ExecuteCommand: unknown command id 40099"},
        {"find", [&] { EXPECT_EQ(main->FindCommand(unknown), nullptr); },
         "CMDIFrameWnd::FindCommand: unknown command id 40099"},
        {"message",
         [] {
             ScriptedMessageBoxes boxes;
             AfxMessageBox(unknown);
         },
         "AfxMessageBox: unknown message id 40099"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectUnknownId(c.action, c.logged);
    }
    EXPECT_TRUE(log.isEmpty());
    // A command of the frame that nobody handles is only disabled.
    CriticalLog quiet;
    EXPECT_FALSE(main->ExecuteCommand(CMD_NOBODY));
    EXPECT_TRUE(quiet.lines.isEmpty());
}

TEST_F(CommandRouting, WithoutADocumentOnlyTheApplicationAnswers) {
    main->UpdateCmdUI();
    EXPECT_FALSE(main->FindCommand(CMD_VIEW)->isEnabled());
    EXPECT_FALSE(main->FindCommand(CMD_DOC)->isEnabled());
    EXPECT_TRUE(main->FindCommand(CMD_APP)->isEnabled());
    main->ExecuteCommand(CMD_BOTH);
    EXPECT_EQ(log, QStringList{"app both"});
}

TEST_F(CommandRouting, UpdateHandlersSetEnabledAndCheckedState) {
    OpenDocument();
    doc->enabled = false;
    main->UpdateCmdUI();
    EXPECT_FALSE(main->FindCommand(CMD_DOC)->isEnabled());
    EXPECT_FALSE(main->FindCommand(CMD_NOBODY)->isEnabled());
    // A disabled command does not run, not even when asked directly.
    EXPECT_FALSE(main->ExecuteCommand(CMD_DOC));
    EXPECT_TRUE(log.isEmpty());

    QAction* check = main->FindCommand(CMD_CHECK);
    main->UpdateCmdUI();
    EXPECT_TRUE(check->isCheckable());
    EXPECT_FALSE(check->isChecked());
    check->trigger();  // the action routes like a menu click
    EXPECT_TRUE(view->checked);
    main->UpdateCmdUI();
    EXPECT_TRUE(check->isChecked());
}

TEST(CommandActions, CarryIdAcceleratorAndPrompt) {
    CMDIFrameWnd frame;
    QAction* verify = frame.AddCommand(ID_SCENARIO_VERIFY, QStringLiteral("&Verify Layout\tF7"));
    EXPECT_EQ(verify->data().toInt(), ID_SCENARIO_VERIFY);
    EXPECT_EQ(verify->text(), "&Verify Layout");
    EXPECT_EQ(verify->shortcut(), QKeySequence(Qt::Key_F7));
    EXPECT_EQ(verify->statusTip(), "Check the network for problems");
    QAction* select = frame.AddCommand(ID_TOOL_SELECT, QStringLiteral("&Select"));
    EXPECT_EQ(select->statusTip(), "Select an object for modification");
    EXPECT_EQ(select->toolTip(), "Select");
    EXPECT_EQ(frame.FindCommand(ID_TOOL_SELECT), select);
}
