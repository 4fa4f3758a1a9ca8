// A stand-in for the external pipeline-database program: it owns the
// database server's bus name, accepts a sink's registration (Advise) and
// then calls the sink's methods as its command line lists them.
//
//   zefdb_server [--linger] CALL...
//   CALL: Method or Method=arg,arg,...   e.g. AddPipeline=North,1200,0.3,5e-5,20,6
//
// Prints "ready" once it owns the name, one line per call ("Method -> results"
// or "Method !! error name"), "done" after the last call, and "unadvised"
// when the sink ends its registration; it then exits 0 (with --linger it
// stays until its standard input closes). Exits 2 when nothing happens for a
// minute, so a broken test cannot hang.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

#include "zef_dbus_ids.h"

namespace {

void Say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QString Show(const QVariant& v) {
    if (v.metaType().id() == QMetaType::Double) return QString::number(v.toDouble(), 'g', 17);
    return v.toString();
}

// The argument types of the sink's methods, after the name.
QVariantList ConvertArgs(const QString& method, const QStringList& raw) {
    QVariantList args;
    for (int i = 0; i < raw.size(); ++i) {
        const bool isName = i == 0;
        const bool isConnectId =
            method.startsWith(QLatin1String("AddConnected")) && i == raw.size() - 1;
        if (isName)
            args << raw[i];
        else if (isConnectId)
            args << raw[i].toInt();
        else
            args << raw[i].toDouble();
    }
    return args;
}

}  // namespace

class ZefDBServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.holvik.Torval.ZefDB")

public:
    ZefDBServer(QStringList calls, bool linger) : m_calls(std::move(calls)), m_linger(linger) {}

public slots:
    uint Advise(const QString& sSinkService, const QDBusObjectPath& oSinkPath) {
        m_sinkService = sSinkService;
        m_sinkPath = oSinkPath.path();
        Say(QStringLiteral("advised %1 %2").arg(sSinkService, m_sinkPath));
        QTimer::singleShot(0, this, &ZefDBServer::RunCalls);
        return kCookie;
    }
    void Unadvise(uint dwCookie) {
        Say(QStringLiteral("unadvised %1")
                .arg(dwCookie == kCookie ? QStringLiteral("ok") : QStringLiteral("bad")));
        if (!m_linger) QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    }

private:
    void RunCalls() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        for (const QString& call : m_calls) {
            const qsizetype eq = call.indexOf(QLatin1Char('='));
            const QString method = eq < 0 ? call : call.left(eq);
            QDBusMessage msg = QDBusMessage::createMethodCall(
                m_sinkService, m_sinkPath, QString::fromLatin1(zefdbus::kSinkInterface), method);
            if (eq >= 0)
                msg.setArguments(ConvertArgs(method, call.mid(eq + 1).split(QLatin1Char(','))));
            const QDBusMessage reply = bus.call(msg);
            if (reply.type() == QDBusMessage::ErrorMessage) {
                Say(QStringLiteral("%1 !! %2").arg(method, reply.errorName()));
                continue;
            }
            QStringList shown;
            for (const QVariant& v : reply.arguments()) shown << Show(v);
            Say(QStringLiteral("%1 -> %2").arg(method, shown.join(QLatin1Char(' '))));
        }
        Say(QStringLiteral("done"));
    }

    static constexpr uint kCookie = 4711;
    QStringList m_calls;
    bool m_linger;
    QString m_sinkService;
    QString m_sinkPath;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool linger = args.removeAll(QStringLiteral("--linger")) > 0;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Say(QStringLiteral("no session bus"));
        return 1;
    }
    ZefDBServer server(args, linger);
    if (!bus.registerObject(QString::fromLatin1(zefdbus::kServerPath), &server,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QString::fromLatin1(zefdbus::kServerService))) {
        Say(QStringLiteral("cannot own %1").arg(QString::fromLatin1(zefdbus::kServerService)));
        return 1;
    }
    QSocketNotifier stdinClosed(STDIN_FILENO, QSocketNotifier::Read);
    if (linger)
        QObject::connect(&stdinClosed, &QSocketNotifier::activated, &app, [] {
            char c;
            if (::read(STDIN_FILENO, &c, 1) <= 0) QCoreApplication::exit(0);
        });
    else
        stdinClosed.setEnabled(false);
    QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(2); });
    Say(QStringLiteral("ready"));
    return app.exec();
}

#include "zefdb_server.moc"
