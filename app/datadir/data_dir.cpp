#include "data_dir.h"

#include <QDir>
#include <QFileInfo>

#ifndef ORVANE_DATA_FROM_BIN
#define ORVANE_DATA_FROM_BIN "../share/orvane"
#endif

QString DataDirOf(const QString& programDir) {
    // Any one of them marks a folder that holds the data files.
    static const char* const kMarkers[] = {"unitconv.txt", "variable_conversion.txt"};
    const QDir beside(programDir.isEmpty() ? QStringLiteral(".") : programDir);
    for (const char* name : kMarkers)
        if (QFileInfo(beside.filePath(QLatin1String(name))).isFile()) {
            QString dir = programDir.isEmpty() ? QStringLiteral("./") : programDir;
            if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
            return dir;
        }
    return QDir::cleanPath(beside.filePath(QStringLiteral(ORVANE_DATA_FROM_BIN))) +
           QLatin1Char('/');
}
