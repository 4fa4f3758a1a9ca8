#include "text_utils.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cmath>

namespace tessel {

QStringList SplitWords(const QString& line, const QString& delimiter) {
    QStringList words;
    if (line.isEmpty()) return words;
    const QStringList pieces = line.split(delimiter);
    for (const QString& piece : pieces) {
        if (!piece.isEmpty() && piece != delimiter) words.append(piece);
    }
    if (words.isEmpty()) words.append(QString());
    return words;
}

QString Phrase(QString& Inp, int nr) {
    Inp = Inp.trimmed();
    const QStringList words = Inp.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const int index = nr <= 1 ? 0 : nr - 1;
    return index < words.size() ? words.at(index) : QString();
}

bool FileExists(const QString& strPathName) {
    QString path = strPathName;
    if (path.endsWith(QLatin1Char('\\'))) path.chop(1);
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    if (!info.isFile()) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    file.close();
    return true;
}

namespace {

// The value of the leading number of text (see Val) and whether that number
// is all the text holds, blanks apart.
double ReadNumber(const QString& text, bool* whole) {
    QString compact;
    for (QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') &&
            c != QLatin1Char('\r'))
            compact.append(c);
    }
    // Longest prefix of the form [sign] digits [. digits] [(e|d) [sign] digits].
    int i = 0;
    const int n = compact.size();
    auto isDigit = [&](int k) {
        return k < n && compact.at(k).isDigit() && compact.at(k).unicode() < 128;
    };
    if (i < n && (compact.at(i) == QLatin1Char('+') || compact.at(i) == QLatin1Char('-'))) ++i;
    int digits = 0;
    while (isDigit(i)) {
        ++i;
        ++digits;
    }
    if (i < n && compact.at(i) == QLatin1Char('.')) {
        ++i;
        while (isDigit(i)) {
            ++i;
            ++digits;
        }
    }
    *whole = false;
    if (digits == 0) return 0.0;
    int end = i;
    if (i < n && (compact.at(i).toLower() == QLatin1Char('e') ||
                  compact.at(i).toLower() == QLatin1Char('d'))) {
        int j = i + 1;
        if (j < n && (compact.at(j) == QLatin1Char('+') || compact.at(j) == QLatin1Char('-'))) ++j;
        if (isDigit(j)) {
            while (isDigit(j)) ++j;
            end = j;
        }
    }
    QString number = compact.left(end);
    number.replace(QLatin1Char('d'), QLatin1Char('e')).replace(QLatin1Char('D'), QLatin1Char('e'));
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    *whole = ok && std::isfinite(value) && end == n;
    return ok && std::isfinite(value) ? value : 0.0;
}

}  // namespace

double Val(const QString& text) {
    bool whole = false;
    return ReadNumber(text, &whole);
}

bool IsNumber(const QString& text) {
    bool whole = false;
    ReadNumber(text, &whole);
    return whole;
}

QString PlainDecimal(double value) {
    if (!std::isfinite(value)) return QStringLiteral("0");
    QString text = QString::number(value, 'g', 15);
    if (!text.contains(QLatin1Char('e'))) return text;
    const int exponent =
        value == 0.0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::max(0, 14 - exponent);
    text = QString::number(value, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0'))) text.chop(1);
        if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    }
    if (text == QLatin1String("-0")) text = QStringLiteral("0");
    return text;
}

QString WithoutCarriageReturn(QString line) {
    while (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    return line;
}

}  // namespace tessel
