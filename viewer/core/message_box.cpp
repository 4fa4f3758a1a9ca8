#include "message_box.h"

#include <cstdio>
#include <utility>

namespace tessel {

namespace {

int WriteToStderr(const MessageRequest& request) {
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(request.title), qUtf8Printable(request.text));
    return IDOK;
}

MessageHandler& CurrentHandler() {
    static MessageHandler handler = WriteToStderr;
    return handler;
}

}  // namespace

MessageHandler SetMessageHandler(MessageHandler handler) {
    MessageHandler previous = std::move(CurrentHandler());
    CurrentHandler() = handler ? std::move(handler) : MessageHandler(WriteToStderr);
    return previous;
}

int MsgBox(const QString& text, int flags, const QString& title) {
    return CurrentHandler()(MessageRequest{text, title, flags});
}

}  // namespace tessel
