// The sink on a real session bus: registration with a stand-in database
// server in its own process, the six methods as that server calls them, the
// published interface description, and the clients of an automation start.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "vexil/network_objects.h"
#include "zef_db_mgr.h"
#include "server_process.h"
#include "zef_dbus_ids.h"

namespace {

using namespace sink_test;

TEST(AppPath, the_folder_up_to_the_last_separator_else_a_slash) {
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/orvane/bin/Orvane", "/opt/orvane/bin/"},
        {"/Orvane", "/"},
        {"Orvane", "/"},
        {"C:\\Program Files\\Orvane.exe", "C:\\Program Files\\"},
        {"C:Orvane.exe", "C:"},
        {"/data/a\\b/Orvane", "/data/a\\b/"},
    };
    for (const auto& [module, folder] : cases)
        EXPECT_EQ(AppPathFromModulePath(QString::fromUtf8(module)).toStdString(), folder) << module;
}

class Bus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus: run the test under dbus-run-session";
    }
    void TearDown() override { mgr.StopDatabaseManager(); }
    CZefDBMgr mgr;
};

TEST_F(Bus, without_a_server_the_import_is_unavailable_but_the_sink_is_exported) {
    mgr.StartDatabaseManager();
    EXPECT_FALSE(mgr.IsDatabaseAvailable());
    EXPECT_TRUE(mgr.IsSinkExported());
    mgr.StopDatabaseManager();
    EXPECT_FALSE(mgr.IsSinkExported());
    EXPECT_TRUE(mgr.IsShuttingDown());
}

TEST_F(Bus, server_delivers_segments_that_import_as_pipelines_and_a_join) {
    ServerProcess server({
        QStringLiteral("AddPipeline=North,1200,0.3,5e-05,20,6.5"),
        QString::fromUtf8("AddPipeline=South \xc3\xb8st,800,0.25,4e-05,15,5"),
        QStringLiteral("AddConnectedPipelineSE=Riser,150,0.2,3e-05,10,4,110,5,1"),
        QStringLiteral("GetDefaultValues"),
        QStringLiteral("GetAppPath"),
    });
    mgr.StartDatabaseManager();
    ASSERT_TRUE(mgr.IsDatabaseAvailable());
    ASSERT_TRUE(server.WaitFor(QStringLiteral("done"))) << server.Output().toStdString();

    EXPECT_EQ(server.Result(QStringLiteral("AddPipeline")), QStringLiteral("-> 1"));
    EXPECT_EQ(server.Result(QStringLiteral("AddConnectedPipelineSE")), QStringLiteral("-> 3"));
    // The single-precision defaults, widened.
    EXPECT_EQ(server.Result(QStringLiteral("GetDefaultValues")),
              QStringLiteral("-> %1 %2 %3 %4")
                  .arg(QString::number((double)0.508f, 'g', 17),
                       QString::number((double)4.572e-05f, 'g', 17),
                       QString::number((double)56.570045f, 'g', 17),
                       QString::number((double)4.4444447f, 'g', 17)));
    const QString exe = QCoreApplication::applicationFilePath();
    EXPECT_EQ(server.Result(QStringLiteral("GetAppPath")),
              QStringLiteral("-> ") + exe.left(exe.lastIndexOf('/') + 1));

    ASSERT_EQ(mgr.Segments().size(), 3u);
    const PipelineSegment& south = mgr.Segments()[1];
    EXPECT_EQ(south.name, "South \xc3\xb8st");
    EXPECT_EQ(south.segId, 2);
    EXPECT_EQ(south.diameter, 0.25f);  // narrowed from the double
    EXPECT_FALSE(south.hasDepths);
    const PipelineSegment& riser = mgr.Segments()[2];
    EXPECT_TRUE(riser.connected);
    EXPECT_EQ(riser.connectToId, 1);
    EXPECT_TRUE(riser.hasDepths);
    EXPECT_EQ(riser.startDepth, 110.0f);
    EXPECT_EQ(riser.endDepth, 5.0f);

    diagram_data* d = diagram_data_create();
    ASSERT_TRUE(mgr.BuildNetworkFromDatabase(d, Point{0, 0}));
    int pipes = 0, joins = 0;
    for (GList* l = d->active_layer->objects; l; l = l->next) {
        auto* obj = static_cast<diagram_object*>(l->data);
        pipes += as_pipeline(obj) != nullptr;
        joins += as_point_object(obj) != nullptr;
    }
    EXPECT_EQ(pipes, 3);
    EXPECT_EQ(joins, 1);
    diagram_data_free(d);

    mgr.StopDatabaseManager();
    EXPECT_TRUE(server.WaitFor(QStringLiteral("unadvised ok")));
    EXPECT_TRUE(server.Finished()) << server.Output().toStdString();
}

TEST_F(Bus, every_sink_method_answers_and_bad_reals_are_refused) {
    ServerProcess server({
        QStringLiteral("AddPipeline=A,100,0.3,5e-05,20,6"),
        QStringLiteral("AddPipelineSE=B,100,0.3,5e-05,20,6,50,60"),
        QStringLiteral("AddConnectedPipeline=C,100,0.3,5e-05,20,6,2"),
        QStringLiteral("AddPipeline=Bad,nan,0.3,5e-05,20,6"),
        QStringLiteral("AddPipelineSE=Huge,100,0.3,5e-05,20,6,1e300,0"),
        QStringLiteral("AddConnectedPipelineSE=D,100,0.3,5e-05,20,6,60,70,3"),
        QStringLiteral("GetAppPath"),
        QStringLiteral("GetDefaultValues"),
    });
    mgr.StartDatabaseManager();
    ASSERT_TRUE(server.WaitFor(QStringLiteral("done"))) << server.Output().toStdString();
    const QStringList expected = {
        QStringLiteral("AddPipeline -> 1"),
        QStringLiteral("AddPipelineSE -> 2"),
        QStringLiteral("AddConnectedPipeline -> 3"),
        QStringLiteral("AddPipeline !! org.freedesktop.DBus.Error.InvalidArgs"),
        QStringLiteral("AddPipelineSE !! org.freedesktop.DBus.Error.InvalidArgs"),
        QStringLiteral("AddConnectedPipelineSE -> 4"),
    };
    const QStringList printed = server.Output().split(QLatin1Char('\n'));
    for (const QString& line : expected)
        EXPECT_TRUE(printed.contains(line)) << line.toStdString() << "\n"
                                            << server.Output().toStdString();
    EXPECT_FALSE(server.Result(QStringLiteral("GetAppPath")).isEmpty());
    EXPECT_FALSE(server.Result(QStringLiteral("GetDefaultValues")).isEmpty());
    ASSERT_EQ(mgr.Segments().size(), 4u);
    EXPECT_EQ(mgr.Segments()[3].connectToId, 3);
    EXPECT_EQ(mgr.Segments()[3].startDepth, 60.0f);
}

TEST_F(Bus, a_server_that_leaves_disables_the_import) {
    ServerProcess server({});
    mgr.StartDatabaseManager();
    ASSERT_TRUE(mgr.IsDatabaseAvailable());
    server.proc.kill();
    server.proc.waitForFinished();
    EXPECT_TRUE(ServeUntil([&] { return !mgr.IsDatabaseAvailable(); }));
    // A new server is found again.
    ServerProcess again({});
    EXPECT_TRUE(mgr.ConnectDatabase());
    EXPECT_TRUE(mgr.IsDatabaseAvailable());
    // Once the program is ending, no new link is made.
    mgr.StopDatabaseManager();
    EXPECT_FALSE(mgr.ConnectDatabase());
    EXPECT_FALSE(mgr.IsSinkExported());
}

// The method signatures (name, direction, type of every argument) of an
// introspection text's sink interface.
QStringList Signatures(const QString& xml) {
    QDomDocument doc;
    EXPECT_TRUE(doc.setContent(xml));
    QStringList out;
    const QDomNodeList ifaces = doc.elementsByTagName(QStringLiteral("interface"));
    for (int i = 0; i < ifaces.size(); ++i) {
        const QDomElement iface = ifaces.at(i).toElement();
        if (iface.attribute(QStringLiteral("name")) != QLatin1String(zefdbus::kSinkInterface))
            continue;
        for (QDomElement m = iface.firstChildElement(QStringLiteral("method")); !m.isNull();
             m = m.nextSiblingElement(QStringLiteral("method"))) {
            // In and out arguments are two separate signatures on the bus.
            QString in, outArgs;
            for (QDomElement a = m.firstChildElement(QStringLiteral("arg")); !a.isNull();
                 a = a.nextSiblingElement(QStringLiteral("arg"))) {
                const bool isOut = a.attribute(QStringLiteral("direction"), QStringLiteral("in")) ==
                                   QLatin1String("out");
                (isOut ? outArgs : in) += a.attribute(QStringLiteral("type"));
            }
            out << QStringLiteral("%1(%2) -> (%3)")
                       .arg(m.attribute(QStringLiteral("name")), in, outArgs);
        }
    }
    out.sort();
    return out;
}

// Calls the sink from a second connection of this process without blocking
// the thread that serves it.
QDBusMessage CallSink(QDBusConnection& peer, const QString& method, const QVariantList& args = {}) {
    const QString iface = method == QLatin1String("Introspect")
                              ? QStringLiteral("org.freedesktop.DBus.Introspectable")
                              : QString::fromLatin1(zefdbus::kSinkInterface);
    QDBusMessage msg =
        QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(),
                                       QString::fromLatin1(zefdbus::kSinkPath), iface, method);
    msg.setArguments(args);
    QDBusPendingCall pending = peer.asyncCall(msg);
    ServeUntil([&] { return pending.isFinished(); });
    return pending.reply();
}

TEST_F(Bus, the_exported_interface_is_the_published_one) {
    ASSERT_TRUE(mgr.ExportSink());
    QDBusConnection peer =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("peer"));
    const QDBusMessage reply = CallSink(peer, QStringLiteral("Introspect"));
    QDBusConnection::disconnectFromBus(QStringLiteral("peer"));
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage);
    QFile published(QStringLiteral(SINK_XML_DIR "/IZefDBSink.xml"));
    ASSERT_TRUE(published.open(QIODevice::ReadOnly));
    const QStringList expected = Signatures(QString::fromUtf8(published.readAll()));
    EXPECT_EQ(expected.size(), 6);
    EXPECT_EQ(
        Signatures(reply.arguments().front().toString()).join(QLatin1Char('\n')).toStdString(),
        expected.join(QLatin1Char('\n')).toStdString());
}

// What a Pipeline or PipeJoin dialog would refuse is refused over the bus
// with InvalidArgs and uses no id; what it accepts is recorded as given.
TEST_F(Bus, values_a_dialog_would_refuse_are_refused_and_use_no_id) {
    struct Case {
        const char* what;
        QString name;
        std::vector<double>
            values;  // length, diameter, roughness, heat transfer, temperature[, start, end depth]
        const char* refusal;  // null: accepted
    };
    const QString longest(32767, QLatin1Char('x'));
    const Case cases[] = {
        {"plain", "A", {100, 0.3, 5e-05, 20, 6}, nullptr},
        {"negative length",
         "B",
         {-100, 0.3, 5e-05, 20, 6},
         "The pipeline's length -100 is not above 0."},
        {"zero length", "B", {0, 0.3, 5e-05, 20, 6}, "The pipeline's length 0 is not above 0."},
        {"zero diameter", "B", {100, 0, 5e-05, 20, 6}, "The pipeline's diameter 0 is not above 0."},
        {"diameter beyond mm",
         "B",
         {100, 3.4e38, 5e-05, 20, 6},
         "is not a normal single-precision number in range."},
        {"length beyond a float",
         "B",
         {1e39, 0.3, 5e-05, 20, 6},
         "is not a normal single-precision number in range."},
        {"double denormal",
         "B",
         {100, 5e-324, 5e-05, 20, 6},
         "is not a normal single-precision number in range."},
        {"float denormal",
         "B",
         {100, 1e-39, 5e-05, 20, 6},
         "is not a normal single-precision number in range."},
        {"not a number",
         "B",
         {100, 0.3, std::nan(""), 20, 6},
         "is not a normal single-precision number in range."},
        {"infinite",
         "B",
         {100, 0.3, 5e-05, HUGE_VAL, 6},
         "is not a normal single-precision number in range."},
        {"negative roughness",
         "B",
         {100, 0.3, -5e-05, 20, 6},
         "The pipeline's roughness -5e-05 is below 0."},
        {"smooth pipe", "C", {100, 0.3, 0, 20, 6}, nullptr},
        {"negative heat transfer",
         "B",
         {100, 0.3, 5e-05, -1, 6},
         "The pipeline's heat transfer coefficient -1 is below 0."},
        {"below absolute zero",
         "B",
         {100, 0.3, 5e-05, 20, -300},
         "The pipeline's temperature -300 is below -273.15."},
        {"absolute zero", "D", {100, 0.3, 5e-05, 20, -273.15}, nullptr},
        {"negative start depth",
         "B",
         {100, 0.3, 5e-05, 20, 6, -50, 60},
         "The pipeline's start depth -50 is below 0."},
        {"infinite end depth",
         "B",
         {100, 0.3, 5e-05, 20, 6, 50, HUGE_VAL},
         "is not a normal single-precision number in range."},
        {"depths at the surface", "E", {100, 0.3, 5e-05, 20, 6, 0, 0}, nullptr},
        {"longest label", longest, {100, 0.3, 5e-05, 20, 6}, nullptr},
        {"label one too long",
         longest + "x",
         {100, 0.3, 5e-05, 20, 6},
         "The pipeline's name is longer than 32767 characters."},
        {"label of a million",
         QString(1000000, QLatin1Char('y')),
         {100, 0.3, 5e-05, 20, 6},
         "The pipeline's name is longer than 32767 characters."},
    };
    ASSERT_TRUE(mgr.ExportSink());
    QDBusConnection peer =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("database"));
    int nextId = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QVariantList args{c.name};
        for (double v : c.values) args << v;
        const QDBusMessage reply = CallSink(
            peer,
            c.values.size() > 5 ? QStringLiteral("AddPipelineSE") : QStringLiteral("AddPipeline"),
            args);
        if (c.refusal) {
            ASSERT_EQ(reply.type(), QDBusMessage::ErrorMessage);
            EXPECT_EQ(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
            EXPECT_TRUE(reply.errorMessage().contains(QLatin1String(c.refusal)))
                << reply.errorMessage().toStdString();
            continue;
        }
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        EXPECT_EQ(reply.arguments().value(0).toInt(), nextId++);
        const PipelineSegment& seg = mgr.Segments().back();
        EXPECT_EQ(seg.name, c.name.toStdString());
        EXPECT_EQ(seg.roughness, static_cast<float>(c.values[2]));
        EXPECT_EQ(seg.temp, static_cast<float>(c.values[4]));
    }
    EXPECT_EQ(mgr.Segments().size(), static_cast<size_t>(nextId - 1));

    // A segment that continues from an id nobody delivered still records, and
    // the import fails as a whole.
    const QDBusMessage orphan = CallSink(peer, QStringLiteral("AddConnectedPipeline"),
                                         {QStringLiteral("F"), 100.0, 0.3, 5e-05, 20.0, 6.0, 99});
    QDBusConnection::disconnectFromBus(QStringLiteral("database"));
    ASSERT_EQ(orphan.type(), QDBusMessage::ReplyMessage);
    diagram_data* d = diagram_data_create();
    EXPECT_FALSE(mgr.BuildNetworkFromDatabase(d, Point{0, 0}));
    EXPECT_EQ(g_list_length(d->active_layer->objects), 0u);
    diagram_data_free(d);
    EXPECT_EQ(mgr.Segments().size(), static_cast<size_t>(nextId));
}

TEST_F(Bus, an_automation_start_lasts_while_a_client_is_connected) {
    int gone = 0;
    mgr.SetLastClientGoneHandler([&] { gone++; });
    ASSERT_TRUE(mgr.ExportSink());
    mgr.EnableLifetimeWatch(600000);
    {
        // The connection closes only when no handle of it is left.
        QDBusConnection peer =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client"));
        ASSERT_TRUE(peer.isConnected());
        EXPECT_EQ(CallSink(peer, QStringLiteral("GetAppPath")).type(), QDBusMessage::ReplyMessage);
        EXPECT_EQ(CallSink(peer, QStringLiteral("GetDefaultValues")).type(),
                  QDBusMessage::ReplyMessage);
        EXPECT_EQ(mgr.ClientCount(), 1);
        EXPECT_EQ(gone, 0);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    EXPECT_TRUE(ServeUntil([&] { return gone == 1; }));
    EXPECT_EQ(mgr.ClientCount(), 0);
}

TEST_F(Bus, an_automation_start_nobody_uses_ends_after_its_grace_time) {
    int gone = 0;
    mgr.SetLastClientGoneHandler([&] { gone++; });
    ASSERT_TRUE(mgr.ExportSink());
    mgr.EnableLifetimeWatch(0);
    EXPECT_TRUE(ServeUntil([&] { return gone == 1; }));
}

}  // namespace
