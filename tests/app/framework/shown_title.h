#pragma once
#include <QWidget>

// A window's title as the desktop shows it: Qt puts the modified mark where
// the title has its "[*]".
inline QString shownTitle(const QWidget* w) {
    return QString(w->windowTitle())
        .replace(QStringLiteral("[*]"), w->isWindowModified() ? QStringLiteral("*") : QString());
}
