// tools/zef_run started as a separate process, as people and scripts run it.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace discharge_test {

struct Output {
    int status = -1;
    QString out, err;
};

inline Output zefRun(const QStringList& args) {
    QProcess p;
    p.start(ZEF_RUN_PATH, args);
    p.waitForFinished(300000);
    Output o;
    o.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    o.out = QString::fromUtf8(p.readAllStandardOutput());
    o.err = QString::fromUtf8(p.readAllStandardError());
    return o;
}

}  // namespace discharge_test
