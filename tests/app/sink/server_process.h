// The stand-in database program (zefdb_server) run as a child process, and
// an event loop that serves the sink while a test waits for it.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

#include <functional>

namespace sink_test {

// Serves events (the sink's incoming calls among them) until `done` holds;
// false when it still does not after a generous guard time.
inline bool ServeUntil(const std::function<bool()>& done, int guardMs = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > guardMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// The stand-in database program (tests/app/sink/zefdb_server.cpp).
class ServerProcess {
public:
    explicit ServerProcess(const QStringList& calls) {
        proc.start(QStringLiteral(ZEFDB_SERVER), calls);
        EXPECT_TRUE(WaitFor(QStringLiteral("ready"))) << Output().toStdString();
    }
    ~ServerProcess() {
        if (proc.state() != QProcess::NotRunning) {
            proc.kill();
            proc.waitForFinished();
        }
    }
    bool WaitFor(const QString& line) {
        return ServeUntil([&] {
                   proc.waitForReadyRead(10);
                   lines += QString::fromUtf8(proc.readAllStandardOutput());
                   return lines.split(QLatin1Char('\n')).contains(line) ||
                          proc.state() == QProcess::NotRunning;
               }) &&
               lines.split(QLatin1Char('\n')).contains(line);
    }
    // The printed result of the first call of `method`.
    QString Result(const QString& method) const {
        for (const QString& l : lines.split(QLatin1Char('\n')))
            if (l.startsWith(method + QLatin1Char(' '))) return l.mid(method.size() + 1);
        return QString();
    }
    QString Output() const { return lines; }
    bool Finished() {
        return ServeUntil([&] { return proc.state() == QProcess::NotRunning; }) &&
               proc.exitStatus() == QProcess::NormalExit && proc.exitCode() == 0;
    }

    QProcess proc;
    QString lines;
};

}  // namespace sink_test
