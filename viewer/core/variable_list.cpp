#include "variable_list.h"

#include "message_box.h"
#include "text_utils.h"

#include <QDir>
#include <QFile>

namespace tessel {

namespace {

// The lines of a text file after its header line, without CR of CR LF ends.
QStringList LinesAfterHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty()) lines.removeFirst();
    for (QString& line : lines) line = WithoutCarriageReturn(line);
    return lines;
}

// The branch of a time-series column whose branch field is "*" (branches
// 10 and up), from the fixed order in which the library writes the curves
// (release.h). 0 when the column count fits no network, or for the leak's
// curves.
int BranchByOrder(int column, int nCol) {
    const int none = release_curve_count(0);
    if (nCol < release_curve_count(1) || (nCol - none) % 2 != 0) return 0;
    return release_curve_branch(column, (nCol - none) / 2);
}

}  // namespace

void ReadVariableConversion(ResultData& data, const QString& programDir) {
    const QString path =
        QDir(programDir).filePath(data.IsPlt ? kVariableConversionFile : kVariableConversionFileNf);
    if (!FileExists(path)) {
        MsgBox(QStringLiteral("Variable conversion file: ") + path + QStringLiteral(" not found!"),
               MB_ICONEXCLAMATION);
        return;
    }
    QStringList flags, codes, descriptions;
    for (QString line : LinesAfterHeader(path)) {
        line.replace(QLatin1Char('\t'), QLatin1Char(' '));
        flags.append(Phrase(line, 1));
        codes.append(Phrase(line, 2).trimmed());
        QStringList words;
        for (int w = 3; w <= 10; ++w) {
            const QString word = Phrase(line, w);
            if (!word.isEmpty()) words.append(word);
        }
        descriptions.append(words.join(QLatin1Char(' ')));
    }
    for (int k = 1; k <= data.nCol; ++k) {
        const qsizetype match = codes.indexOf(data.Vname.at(k));
        if (match < 0) continue;
        data.Vname[k] = descriptions.at(match);
        data.Vshow[k] = flags.at(match).toUpper() == QLatin1String("YES");
    }
}

QString BranchNameFile(const QString& resultFileName) {
    return resultFileName.left(resultFileName.size() - 3) + QStringLiteral("brn");
}

void ReadBranchNames(ResultData& data, const QString& resultFileName) {
    const QString path = BranchNameFile(resultFileName);
    if (!FileExists(path)) {
        MsgBox(QStringLiteral("GUI branch identification file not found: ") + path +
                   QStringLiteral(" !"),
               MB_ICONINFORMATION);
        return;
    }
    struct Entry {
        int number;
        QString name;
    };
    std::vector<Entry> entries;
    for (const QString& line : LinesAfterHeader(path)) {
        if (static_cast<int>(entries.size()) == kMaxBranchEntries) break;
        // A whole number, one delimiter, then the name (the rest, trimmed).
        const QString text = line.trimmed();
        int i = 0;
        if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) ++i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) ++i;
        bool ok = false;
        const int number = text.left(i).toInt(&ok);
        if (!ok) continue;
        entries.push_back(Entry{number, text.mid(i + 1).trimmed()});
    }
    size_t outlet = 0;
    for (size_t e = 0; e < entries.size(); ++e) {
        if (entries[e].number == 0) outlet = e;
    }
    for (int k = 1; k <= data.nCol; ++k) {
        int branch = data.BrNr[k];
        if (branch == kUnknownBranch) {
            if (k <= kLeakColumns) {
                data.BrLabel[k] = QStringLiteral("leak");
                continue;
            }
            branch = BranchByOrder(k, data.nCol);
            if (branch == 0) continue;
        }
        for (const Entry& entry : entries) {
            if (entry.number != branch) continue;
            if (k <= kLeakColumns) {
                data.BrLabel[k] = QStringLiteral("leak");
            } else if (data.PosNr[k] == 1) {
                data.BrLabel[k] = entry.name;
            } else if (data.PosNr[k] > 1) {
                data.BrLabel[k] = entries[outlet].name;
            } else {
                continue;
            }
            break;
        }
    }
}

std::vector<VariableEntry> BuildVariableList(const ResultData& data) {
    std::vector<VariableEntry> list;
    for (int k = 1; k <= data.nCol; ++k) {
        if (k >= static_cast<int>(data.Vshow.size()) || !data.Vshow[k]) continue;
        QString text = data.Vname.at(k);
        if (data.IsPlt) {
            const QString& label = data.BrLabel.at(k);
            if (!label.isEmpty()) {
                text += QStringLiteral(" at ") + label;
            } else {
                text += QStringLiteral(" Branch: ") + (data.BrNr[k] == kUnknownBranch
                                                           ? QStringLiteral("*")
                                                           : QString::number(data.BrNr[k]));
            }
        }
        list.push_back(VariableEntry{text, k});
    }
    return list;
}

}  // namespace tessel
