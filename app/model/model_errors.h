// The one failure type of the model code: a message id of the program's
// string table, or id 0 and a text of its own (the library's message, a file
// error naming the file and the reason), with the object number (xref) of
// the diagram object concerned (0 = none). The network check throws them and
// the validation keeps the first one; the task runner and the commands catch
// them.
#pragma once

#include "message_ids.h"

#include <QString>

#include <vector>

struct ValidationError {
    unsigned id;
    int xref;
    // Texts for the message's %1, %2, ... (values and limits in display units).
    std::vector<QString> args = {};
    // The message itself when id is 0.
    QString text = {};
};

// A failure whose message is its text, not a string-table entry.
inline ValidationError TextError(QString text) {
    return ValidationError{0, 0, {}, std::move(text)};
}

// The message text with its %1, %2, ... replaced by the error's arguments.
inline QString FormatValidationMessage(QString text, const ValidationError& e) {
    for (size_t i = e.args.size(); i > 0; --i)  // %10 before %1
        text.replace(QStringLiteral("%") + QString::number(i), e.args[i - 1]);
    return text;
}

inline bool operator==(const ValidationError& a, const ValidationError& b) {
    return a.id == b.id && a.xref == b.xref;
}
