// The sink's place on the session bus and its registration with the
// database server. The import itself is in zef_db_import.cpp.
#include "zef_db_mgr.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QTimer>
#include <algorithm>

#include "zef_db_sink.h"
#include "zef_dbus_ids.h"

CZefDBMgr theDBMgr;

namespace {

// How long a call to the database server may take before it counts as
// unreachable (an activated server has this long to come up).
constexpr int kServerCallTimeoutMs = 10000;
// How often an automation start checks that its bus is still there.
constexpr int kBusCheckMs = 2000;

}  // namespace

QString AppPathFromModulePath(const QString& modulePath) {
    qsizetype cut = -1;
    for (QChar sep : {QLatin1Char('\\'), QLatin1Char('/'), QLatin1Char(':')})
        cut = std::max(cut, modulePath.lastIndexOf(sep));
    if (cut < 0) return QStringLiteral("/");
    return modulePath.left(cut + 1);
}

CZefDBMgr::~CZefDBMgr() {
    // The process ends: the Qt objects must already be gone (StopDatabaseManager),
    // since the application and its bus connection no longer exist.
}

void CZefDBMgr::StartDatabaseManager() {
    m_shutdown = false;
    m_count = 0;
    m_segments.clear();
    ConnectDatabase();
}

void CZefDBMgr::StopDatabaseManager() {
    m_shutdown = true;
    DisconnectDatabase();
    ReleaseBusObjects();
}

void CZefDBMgr::ReleaseBusObjects() {
    delete m_idleTimer;
    m_idleTimer = nullptr;
    delete m_busCheck;
    m_busCheck = nullptr;
    delete m_clientWatch;
    m_clientWatch = nullptr;
    m_clients.clear();
    m_lastClientGone = nullptr;
    if (m_sinkHost) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) bus.unregisterObject(QString::fromLatin1(zefdbus::kSinkPath));
        delete m_sinkHost;
        m_sinkHost = nullptr;
    }
}

bool CZefDBMgr::ExportSink() {
    if (m_sinkHost) return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    auto* host = new CZefDBSinkHost;
    new CZefDBSink(host, this);
    if (!bus.registerObject(QString::fromLatin1(zefdbus::kSinkPath), host,
                            QDBusConnection::ExportAdaptors)) {
        delete host;
        return false;
    }
    m_sinkHost = host;
    return true;
}

bool CZefDBMgr::ConnectDatabase() {
    if (m_connected) return true;
    if (m_shutdown) return false;  // the program is ending: no new link
    if (!ExportSink()) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString server = QString::fromLatin1(zefdbus::kServerService);
    // Watch before asking, so that a server leaving right after the reply is seen.
    if (!m_serverWatch) {
        m_serverWatch =
            new QDBusServiceWatcher(server, bus, QDBusServiceWatcher::WatchForUnregistration);
        QObject::connect(m_serverWatch, &QDBusServiceWatcher::serviceUnregistered, m_serverWatch,
                         [this](const QString&) { ServerVanished(); });
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(server, QString::fromLatin1(zefdbus::kServerPath),
                                       QString::fromLatin1(zefdbus::kServerInterface),
                                       QString::fromLatin1(zefdbus::kServerAdvise));
    call << bus.baseService()
         << QVariant::fromValue(QDBusObjectPath(QString::fromLatin1(zefdbus::kSinkPath)));
    const QDBusMessage reply = bus.call(call, QDBus::Block, kServerCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1 ||
        !reply.arguments().front().canConvert<uint>()) {
        delete m_serverWatch;
        m_serverWatch = nullptr;
        return false;
    }
    m_cookie = reply.arguments().front().toUInt();
    m_connected = true;
    return true;
}

void CZefDBMgr::DisconnectDatabase() {
    if (!m_connected) return;
    m_connected = false;
    delete m_serverWatch;
    m_serverWatch = nullptr;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QString::fromLatin1(zefdbus::kServerService), QString::fromLatin1(zefdbus::kServerPath),
            QString::fromLatin1(zefdbus::kServerInterface),
            QString::fromLatin1(zefdbus::kServerUnadvise));
        call << m_cookie;
        // No reply is awaited: a server that is gone or stuck must not hold up
        // the shutdown.
        bus.send(call);
    }
    m_cookie = 0;
}

void CZefDBMgr::ServerVanished() {
    m_connected = false;
    m_cookie = 0;
    if (m_serverWatch) {
        m_serverWatch->deleteLater();
        m_serverWatch = nullptr;
    }
    if (ClientCount() == 0 && m_lastClientGone && m_idleTimer) m_lastClientGone();
}

int32_t CZefDBMgr::RecordSegment(PipelineSegment seg) {
    seg.segId = ++m_count;
    m_segments.push_back(std::move(seg));
    return m_count;
}

// ---- Clients of an automation start ----

int CZefDBMgr::ClientCount() const {
    return static_cast<int>(m_clients.size()) + (m_connected ? 1 : 0);
}

void CZefDBMgr::NoteClient(const QString& uniqueName) {
    if (uniqueName.isEmpty() || !m_idleTimer)
        return;  // only an automation start keeps track of its clients
    const std::string name = uniqueName.toStdString();
    if (std::find(m_clients.begin(), m_clients.end(), name) != m_clients.end()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_clients.push_back(name);
    m_clientWatch->addWatchedService(uniqueName);
    m_idleTimer->stop();
    // A caller that left before its watch was set up would never be reported.
    if (!bus.interface()->isServiceRegistered(uniqueName))
        QTimer::singleShot(0, m_clientWatch, [this, uniqueName] { ClientVanished(uniqueName); });
}

void CZefDBMgr::ClientVanished(const QString& name) {
    auto it = std::find(m_clients.begin(), m_clients.end(), name.toStdString());
    if (it == m_clients.end()) return;
    m_clients.erase(it);
    if (m_clientWatch) m_clientWatch->removeWatchedService(name);
    if (ClientCount() == 0 && m_lastClientGone) m_lastClientGone();
}

void CZefDBMgr::EnableLifetimeWatch(int idleGraceMs) {
    if (m_idleTimer) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_clientWatch = new QDBusServiceWatcher;
    m_clientWatch->setConnection(bus);
    m_clientWatch->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(m_clientWatch, &QDBusServiceWatcher::serviceUnregistered, m_clientWatch,
                     [this](const QString& name) { ClientVanished(name); });
    m_idleTimer = new QTimer;
    m_idleTimer->setSingleShot(true);
    QObject::connect(m_idleTimer, &QTimer::timeout, m_idleTimer, [this] {
        if (ClientCount() == 0 && m_lastClientGone) m_lastClientGone();
    });
    m_idleTimer->start(idleGraceMs);
    m_busCheck = new QTimer;
    QObject::connect(m_busCheck, &QTimer::timeout, m_busCheck, [this] {
        if (!QDBusConnection::sessionBus().isConnected() && m_lastClientGone) {
            m_busCheck->stop();
            m_lastClientGone();
        }
    });
    m_busCheck->start(kBusCheckMs);
}
