#pragma once
// Catches the failure of an unknown control, command or message id: the
// logged critical line where assertions are off, the stop of a debug build
// otherwise.
#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

class CriticalLog {
public:
    CriticalLog() : m_previous(qInstallMessageHandler(&CriticalLog::Handle)) { Current() = this; }
    ~CriticalLog() {
        qInstallMessageHandler(m_previous);
        Current() = nullptr;
    }
    CriticalLog(const CriticalLog&) = delete;
    CriticalLog& operator=(const CriticalLog&) = delete;

    QStringList lines;

private:
    static CriticalLog*& Current() {
        static CriticalLog* current = nullptr;
        return current;
    }
    static void Handle(QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg && Current()) Current()->lines << text;
    }
    QtMessageHandler m_previous;
};

// Runs the action and expects exactly the one failure with that text.
inline void ExpectUnknownId(const std::function<void()>& action, const QString& expected) {
#ifdef QT_NO_DEBUG
    CriticalLog log;
    action();
    EXPECT_EQ(log.lines, QStringList{expected});
#else
    EXPECT_DEATH(action(), "unknown id");
    (void)expected;
#endif
}
