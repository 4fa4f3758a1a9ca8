#include "command_line.h"

#include <utility>
#include <vector>

namespace tessel {

QString UsageMessage() {
    return QStringLiteral(
        "Filename not specified!\r\nTessel <filename>  [/unit = [1] or 2] \r\n"
        "/unit=1 for SI and /unit=2 for english units!");
}

namespace {

bool IsUnitSwitch(const QString& word) {
    return word.startsWith(QLatin1String("/unit")) && word.indexOf(QLatin1Char('/'), 1) < 0;
}

// What may stand after "/unit" in the spaced form ("/unit = 2").
bool IsSwitchValue(QStringView text) {
    for (QChar c : text)
        if (c != QLatin1Char('=') && !c.isDigit()) return false;
    return true;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine result;
    const QString joined = arguments.join(QLatin1Char(' '));
    if (joined.trimmed().isEmpty()) return result;
    result.empty = false;

    // The switch stands at the end, as one word ("/unit=2") or spaced
    // ("/unit = 2", "/unit =2"); whatever stands before it is the path, blanks
    // and all.
    const QString text = joined.trimmed();
    std::vector<std::pair<int, int>> words;  // start, length
    for (int i = 0; i < text.size();) {
        if (text[i] == QLatin1Char(' ')) {
            ++i;
            continue;
        }
        const int start = i;
        while (i < text.size() && text[i] != QLatin1Char(' ')) ++i;
        words.emplace_back(start, i - start);
    }
    const int n = static_cast<int>(words.size());
    for (int w = n - 1; w >= 1 && w >= n - 3; --w) {
        const QString word = text.mid(words[w].first, words[w].second);
        const QString after = text.mid(words[w].first + 5);
        if (!IsUnitSwitch(word)) {
            if (!IsSwitchValue(word)) break;
            continue;
        }
        // Spaced forms hold only "=" and the number after "/unit".
        QString value = after;
        value.remove(QLatin1Char(' '));
        if (w < n - 1 && !IsSwitchValue(value)) break;
        result.fileName = text.left(words[w].first).trimmed();
        result.UnitSys = value.contains(QLatin1Char('2')) ? 2 : 1;
        return result;
    }
    result.fileName = text;
    return result;
}

}  // namespace tessel
