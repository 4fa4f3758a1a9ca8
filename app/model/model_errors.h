// The one failure type of the model code: a message id of the program's
// string table, or id 0 and a text of its own (the library's message, a file
// error naming the file and the reason), with the object number (xref) of
// the diagram object concerned (0 = none). The network check throws them and
// the validation keeps the first one; the task runner and the commands catch
// them.
#pragma once

#include "message_ids.h"

#include <QString>

#include <functional>
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

// The failure as the user reads it, the same in every window and on every
// console: the text alone when the id is 0, else the id's message (looked up
// through strings) with its %1, %2, ... replaced by the arguments and the
// text, when there is one, after an empty line.
inline QString ValidationMessage(const ValidationError& e,
                                 const std::function<QString(unsigned)>& strings) {
    if (e.id == 0) return e.text;
    QString message = strings ? strings(e.id) : QString::number(e.id);
    for (size_t i = e.args.size(); i > 0; --i)  // %10 before %1
        message.replace(QStringLiteral("%") + QString::number(i), e.args[i - 1]);
    return e.text.isEmpty() ? message : message + QStringLiteral("\n\n") + e.text;
}

inline bool operator==(const ValidationError& a, const ValidationError& b) {
    return a.id == b.id && a.xref == b.xref;
}
