// Small text and file helpers shared by the viewer's readers and forms.
#pragma once

#include <QString>
#include <QStringList>

namespace tessel {

// The pieces of `line` between occurrences of `delimiter`, keeping only pieces
// that are neither empty nor the delimiter itself. An empty line gives no
// words at all; a line of delimiters only gives one empty word.
QStringList SplitWords(const QString& line, const QString& delimiter);

// The nr-th blank-separated word of `Inp` (1-based; nr of 1 or less gives the
// first word; past the last word gives ""). Trims `Inp` in place.
QString Phrase(QString& Inp, int nr);

// True only for an existing regular file that can be opened for reading
// (a directory is not a file). A trailing "\" is removed first.
bool FileExists(const QString& strPathName);

// Lenient number reading for typed-in boxes: the leading decimal number of the
// text with "." as decimal point, blanks ignored; reading stops at the first
// character that cannot continue the number; no number reads as 0.
double Val(const QString& text);
// True when the text (blanks apart) is one finite number as Val reads it.
bool IsNumber(const QString& text);

// A number as plain decimal text (no exponent), shortest form up to 15
// significant digits.
QString PlainDecimal(double value);

// A line without the carriage return of a CR LF line end.
QString WithoutCarriageReturn(QString line);

}  // namespace tessel
