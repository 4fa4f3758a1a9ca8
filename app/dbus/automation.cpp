#include "automation.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

#include "zef_db_mgr.h"
#include "zef_dbus_ids.h"

namespace {

bool g_ownsService = false;

// Quotes a path for the Exec line when it holds anything but plain
// characters (the bus splits Exec like a shell).
QString ExecWord(const QString& path) {
    bool plain = !path.isEmpty();
    for (QChar c : path)
        plain = plain && (c.isLetterOrNumber() || QStringLiteral("/._-+,=@%").contains(c));
    if (plain) return path;
    QString quoted;
    for (QChar c : path) {
        if (QStringLiteral("\"\\$`").contains(c)) quoted += QLatin1Char('\\');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void SetError(QString* error, const QString& text) {
    if (error) *error = text;
}

}  // namespace

QString ActivationFilePath() {
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        home = QDir::homePath() + QStringLiteral("/.local/share");
    return home + QStringLiteral("/dbus-1/services/") +
           QString::fromLatin1(zefdbus::kActivationFileName);
}

QString ActivationFileText(const QString& programPath) {
    return QStringLiteral("[D-BUS Service]\nName=%1\nExec=%2 -%3\n")
        .arg(QString::fromLatin1(zefdbus::kSinkService), ExecWord(programPath),
             QString::fromLatin1(zefdbus::kAutomationSwitch));
}

bool RegisterAutomationServer(const QString& programPath, QString* error) {
    const QString path = ActivationFilePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        SetError(error, QStringLiteral("Cannot create the folder of %1").arg(path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(ActivationFileText(programPath).toUtf8()) < 0 || !file.commit()) {
        SetError(error, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

bool UnregisterAutomationServer(QString* error) {
    QFile file(ActivationFilePath());
    if (!file.exists() || file.remove()) return true;
    SetError(error,
             QStringLiteral("Cannot remove %1: %2").arg(file.fileName(), file.errorString()));
    return false;
}

int InitComServer(ComServerAction action, const QString& programPath, bool& run) {
    run = action == ComServerAction::Run;
    if (!run) {
        QString error;
        const bool ok = action == ComServerAction::Register
                            ? RegisterAutomationServer(programPath, &error)
                            : UnregisterAutomationServer(&error);
        if (!ok) std::fprintf(stderr, "Orvane: %s\n", qPrintable(error));
        return ok ? 0 : 1;
    }
    if (!theDBMgr.ExportSink())
        return 0;  // no session bus: the program runs without the database link
    QDBusConnection bus = QDBusConnection::sessionBus();
    const auto reply = bus.interface()->registerService(
        QString::fromLatin1(zefdbus::kSinkService), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    g_ownsService = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    return 0;
}

void TermComServer() {
    if (!g_ownsService) return;
    g_ownsService = false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        bus.interface()->unregisterService(QString::fromLatin1(zefdbus::kSinkService));
}

bool OwnsSinkService() { return g_ownsService; }
