// The viewer's one road to the user for messages: every message box goes
// through MsgBox, whose handler a program (QMessageBox) or a test (a recorder
// that answers) installs. The core itself never touches a widget.
#pragma once

#include <QString>

#include <functional>

namespace tessel {

// Icon and button flags, numbered as the message-box flags the viewer's
// forms were written against.
enum MessageFlags : int {
    MB_OK = 0x00,
    MB_ICONINFORMATION = 0x40,
    MB_ICONEXCLAMATION = 0x30,
};
constexpr int IDOK = 1;

// The application title: messages without their own title bear it.
inline const QString kAppTitle = QStringLiteral("TORVAL - Plot");
// Messages raised while drawing a column.
inline const QString kPlotTitle = QStringLiteral("Tessel");

struct MessageRequest {
    QString text;
    QString title;
    int flags = MB_OK;
};

using MessageHandler = std::function<int(const MessageRequest&)>;

// Installs a handler and returns the previous one. An empty handler restores
// the default, which writes the message to standard error and answers IDOK.
MessageHandler SetMessageHandler(MessageHandler handler);

int MsgBox(const QString& text, int flags = MB_OK, const QString& title = kAppTitle);

}  // namespace tessel
