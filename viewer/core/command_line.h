// The viewer's command line: a result file's path, optionally followed by the
// unit switch "/unit=1" (SI) or "/unit=2" (English).
#pragma once

#include <QString>
#include <QStringList>

namespace tessel {

struct CommandLine {
    bool empty = true;  // nothing was given: show the usage message
    QString fileName;   // the path, trimmed of blanks
    int UnitSys = 1;    // 1 SI display units, 2 English
};

// The usage text shown for an empty command line.
QString UsageMessage();

// `arguments` are the program's arguments without the program name. The
// caller may pass them split (as a shell does) or as one joined text. The
// switch is a word beginning with "/unit" that follows the path and holds no
// further "/" (so ".../units/net.plt" stays a path): the last word, or the
// spaced form "/unit = 2" whose further words hold only "=" and digits.
// UnitSys is 2 when the text after "/unit" holds a "2".
CommandLine ParseCommandLine(const QStringList& arguments);

}  // namespace tessel
