// From Database in the running program: a stand-in database program
// delivers segments through the session bus, the command places them in the
// open scenario; without a server (or without a bus) the command is disabled
// and the program works as usual.
#include <QDBusConnection>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "message_box.h"
#include "scenario_script.h"
#include "server_process.h"

namespace {

using namespace sink_test;

bool Enabled(CMainFrame* main, int id) {
    main->UpdateCmdUI();
    return main->FindCommand(id)->isEnabled();
}

std::vector<diagram_object*> OfType(diagram_data* d, const char* type) {
    std::vector<diagram_object*> out;
    for (GList* l = d->active_layer->objects; l; l = l->next) {
        auto* obj = static_cast<diagram_object*>(l->data);
        if (std::string(obj->type->name) == type) out.push_back(obj);
    }
    return out;
}

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class FromDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus: run the test under dbus-run-session";
    }
    QTemporaryDir dir;
    ScriptedMessageBoxes boxes;
};

TEST_F(FromDatabase, delivered_segments_become_pipelines_and_a_join_in_the_open_scenario) {
    ServerProcess server({
        QStringLiteral("AddPipeline=North,1200,0.3,5e-05,20,6.5"),
        QStringLiteral("AddPipeline=South,800,0.25,4e-05,15,5"),
        QStringLiteral("AddConnectedPipelineSE=Riser,150,0.2,3e-05,10,4,110,5,1"),
        QStringLiteral("GetDefaultValues"),
    });
    ScenarioScript s;
    ASSERT_TRUE(s.Start());
    ASSERT_TRUE(server.WaitFor(QStringLiteral("done"))) << server.Output().toStdString();
    EXPECT_EQ(server.Result(QStringLiteral("AddConnectedPipelineSE")), QStringLiteral("-> 3"));
    EXPECT_TRUE(Enabled(s.Main(), ID_OBJECT_FROM_DATABASE));
    EXPECT_FALSE(s.Doc()->IsModified());

    s.Doc()->SetLastClickPoint(Point{2, 3});
    EXPECT_TRUE(s.Main()->ExecuteCommand(ID_OBJECT_FROM_DATABASE));
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join('\n').toStdString();
    const auto pipes = OfType(s.Diagram(), PIPELINE_TYPE);
    const auto joins = OfType(s.Diagram(), PIPE_JOIN_TYPE);
    ASSERT_EQ(pipes.size(), 3u);
    ASSERT_EQ(joins.size(), 1u);
    EXPECT_STREQ(object_label(pipes[0])->line[0], "North");
    EXPECT_STREQ(object_label(pipes[2])->line[0], "Riser");
    EXPECT_EQ(as_pipeline(pipes[1])->diameter, (double)0.25f);
    EXPECT_DOUBLE_EQ(as_pipeline(pipes[0])->conn.endpoints[0].x, 5.0);
    EXPECT_DOUBLE_EQ(as_pipeline(pipes[0])->conn.endpoints[0].y, 4.0);
    // North has no depths: the join takes Riser's start depth.
    EXPECT_EQ(as_point_object(joins[0])->depth, (double)110.0f);
    EXPECT_EQ(as_pipeline(pipes[0])->conn.endpoint_handles[1].connected_to->object, joins[0]);
    EXPECT_EQ(as_pipeline(pipes[2])->conn.endpoint_handles[0].connected_to->object, joins[0]);
    EXPECT_TRUE(s.Doc()->IsModified());
    s.Doc()->SetModifiedFlag(false);

    // The list was used up: a second import adds nothing.
    EXPECT_TRUE(s.Main()->ExecuteCommand(ID_OBJECT_FROM_DATABASE));
    EXPECT_EQ(OfType(s.Diagram(), PIPELINE_TYPE).size(), 3u);
    EXPECT_FALSE(s.Doc()->IsModified());

    s.app->ExitInstance();
    EXPECT_TRUE(server.WaitFor(QStringLiteral("unadvised ok")));
}

TEST_F(FromDatabase, an_unknown_connect_id_fails_and_leaves_the_scenario_as_saved) {
    ServerProcess server({
        QStringLiteral("AddPipeline=A,100,0.3,5e-05,20,6"),
        QStringLiteral("AddConnectedPipeline=B,100,0.3,5e-05,20,6,99"),
    });
    ScenarioScript s;
    ASSERT_TRUE(s.Start());
    ASSERT_TRUE(server.WaitFor(QStringLiteral("done")));
    s.Add(ID_TOOL_JUNCTION, {2, 2});
    const QString before = dir.filePath(QStringLiteral("before.zef"));
    const QString after = dir.filePath(QStringLiteral("after.zef"));
    ASSERT_TRUE(s.Doc()->DoSave(before));

    EXPECT_TRUE(s.Main()->ExecuteCommand(ID_OBJECT_FROM_DATABASE));
    EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("Import FAILED.")});
    EXPECT_FALSE(s.Doc()->IsModified());
    ASSERT_TRUE(s.Doc()->DoSave(after));
    EXPECT_EQ(Bytes(after), Bytes(before));
}

TEST_F(FromDatabase, without_a_server_the_command_is_disabled) {
    ScenarioScript s;
    ASSERT_TRUE(s.Start());
    EXPECT_FALSE(Enabled(s.Main(), ID_OBJECT_FROM_DATABASE));
}

TEST_F(FromDatabase, a_server_that_leaves_disables_the_command) {
    auto server = std::make_unique<ServerProcess>(QStringList{});
    ScenarioScript s;
    ASSERT_TRUE(s.Start());
    EXPECT_TRUE(Enabled(s.Main(), ID_OBJECT_FROM_DATABASE));
    server.reset();
    EXPECT_TRUE(ServeUntil([&] { return !Enabled(s.Main(), ID_OBJECT_FROM_DATABASE); }));
}

// Run without any session bus (DBUS_SESSION_BUS_ADDRESS points nowhere).
TEST(NoBus, the_program_starts_and_edits_with_the_command_disabled) {
    ASSERT_FALSE(QDBusConnection::sessionBus().isConnected());
    ScenarioScript s;
    ASSERT_TRUE(s.Start());
    ASSERT_NE(s.View(), nullptr);
    EXPECT_NE(s.Add(ID_TOOL_JUNCTION, {2, 2}), nullptr);
    EXPECT_TRUE(s.Doc()->IsModified());
    EXPECT_FALSE(Enabled(s.Main(), ID_OBJECT_FROM_DATABASE));
}

}  // namespace
