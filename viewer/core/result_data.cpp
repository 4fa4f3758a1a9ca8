#include "result_data.h"

#include "message_box.h"
#include "text_utils.h"
#include "variable_list.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <charconv>
#include <cmath>
#include <optional>

namespace tessel {

void ResultData::Clear() {
    const int unitSys = UnitSys;
    const bool isPlt = IsPlt;
    *this = ResultData();
    UnitSys = unitSys;
    IsPlt = isPlt;
}

bool IsResultTimeSeries(const QString& fileName) {
    return fileName.right(3).toUpper() == QLatin1String("PLT");
}

namespace {

const QString kLineWhat[3] = {QStringLiteral("variable names"), QStringLiteral("units"),
                              QStringLiteral("positions")};

bool Refuse(ResultData& data, const QString& text) {
    data.Clear();
    MsgBox(text, MB_ICONEXCLAMATION);
    return false;
}

QString AtLine(const QString& fileName, int line) {
    return fileName + QStringLiteral(": line ") + QString::number(line) + QStringLiteral(": ");
}

std::optional<double> ParseNumber(QStringView token) {
    const QByteArray bytes = token.toLatin1();
    const char* first = bytes.constData();
    const char* last = first + bytes.size();
    if (first != last && *first == '+') ++first;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

// Leading whole number of `text` (digits after an optional sign), if any.
std::optional<int> LeadingInteger(const QString& text) {
    int i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) ++i;
    const int digitsStart = i;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) ++i;
    if (i == digitsStart) return std::nullopt;
    bool ok = false;
    const int value = text.left(i).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// Branch and position of one position token, e.g. "12A/BR3": branch 3,
// position 12, label "A/BR3". A branch field "*" is an unknown branch.
bool ParsePositionToken(const QString& token, int& branch, int& position, QString& label) {
    const int br = token.indexOf(QLatin1String("BR"));
    const int slash = token.indexOf(QLatin1Char('/'));
    if (br < 0 || slash < 1) return false;
    const QString afterBr = token.mid(br + 2);
    if (afterBr.startsWith(QLatin1Char('*'))) {
        branch = kUnknownBranch;
    } else {
        const std::optional<int> number = LeadingInteger(afterBr);
        if (!number) return false;
        branch = *number;
    }
    bool ok = false;
    const int pos = token.left(slash - 1).toInt(&ok);
    if (!ok) return false;
    position = pos;
    label = token.mid(slash - 1);
    return true;
}

// A run puts a scenario's result files in place one after the other, and
// keeps the record of that in its folder beside them (".NAME.run/journal")
// until all have moved. While the record is there the files may be of two
// runs (a run stopped half-way leaves it for the program to complete): the
// set is not shown. The message, or empty when the set is whole.
QString InterruptedCommit(const QString& fileName) {
    const QFileInfo info(fileName);
    const QString folder =
        info.path() + QStringLiteral("/.") + info.completeBaseName() + QStringLiteral(".run");
    if (!QFileInfo(folder + QStringLiteral("/journal")).exists()) return QString();
    return QStringLiteral(
               "The results of the scenario \"%1\" (in %2) are being put in place by a run, or a "
               "run was stopped while it put them in place: the files beside the scenario may "
               "be of two runs, and %3 was not shown. Open the scenario in the program (or run "
               "it again), which completes them, then open the plot again.")
        .arg(info.completeBaseName(), QDir::toNativeSeparators(info.absolutePath()),
             QDir::toNativeSeparators(fileName));
}

// What tells one version of a file from another.
QString Identity(const QString& fileName) {
    const QFileInfo info(fileName);
    return QStringLiteral("%1 %2 %3")
        .arg(info.exists() ? info.lastModified().toMSecsSinceEpoch() : -1)
        .arg(info.size())
        .arg(info.birthTime().toMSecsSinceEpoch());
}

}  // namespace

bool ReadResultFile(ResultData& data, const QString& fileName, const QString& programDir) {
    data.IsPlt = IsResultTimeSeries(fileName);
    data.Clear();
    if (fileName.isEmpty()) {
        MsgBox(QStringLiteral("No file has been specified!"), MB_ICONEXCLAMATION);
        return false;
    }
    QFile file(fileName);
    if (!FileExists(fileName) || !file.open(QIODevice::ReadOnly)) {
        MsgBox(fileName + QStringLiteral(" has been moved or does not exist!"), MB_ICONEXCLAMATION);
        return false;
    }
    if (const QString mixed = InterruptedCommit(fileName); !mixed.isEmpty())
        return Refuse(data, mixed);
    const QString before = Identity(fileName);
    const QString content = QString::fromUtf8(file.readAll());
    file.close();
    QStringList lines = content.split(QLatin1Char('\n'));
    if (!content.isEmpty() && content.endsWith(QLatin1Char('\n'))) lines.removeLast();
    for (QString& line : lines) line = WithoutCarriageReturn(line);

    // The three header lines: names, units, position tokens. Only blanks
    // separate words there.
    QStringList header[3];
    for (int h = 0; h < 3; ++h) {
        const QString line = h < lines.size() ? lines.at(h) : QString();
        header[h] = SplitWords(line, QStringLiteral(" "));
        if (line.trimmed().isEmpty())
            return Refuse(data, AtLine(fileName, h + 1) + QStringLiteral("the header line of ") +
                                    kLineWhat[h] + QStringLiteral(" is missing or empty!"));
        if (h == 0) {
            data.Vname = header[0];
            data.nCol = static_cast<int>(data.Vname.size()) - 1;
            data.Vshow.assign(data.nCol + 1, false);
            ReadVariableConversion(data, programDir);
        } else if (header[h].size() < data.nCol + 1) {
            return Refuse(data, AtLine(fileName, h + 1) + QStringLiteral("the header line holds ") +
                                    QString::number(header[h].size()) + QStringLiteral(" ") +
                                    kLineWhat[h] + QStringLiteral(" for ") +
                                    QString::number(data.nCol + 1) + QStringLiteral(" columns!"));
        }
    }
    data.Vunit = header[1];
    data.Vpos = header[2];
    for (QString& token : data.Vpos) token = token.trimmed();

    data.BrNr.assign(data.nCol + 1, 0);
    data.PosNr.assign(data.nCol + 1, 0);
    data.PosLbl = QStringList(QList<QString>(data.nCol + 1));
    data.BrLabel = QStringList(QList<QString>(data.nCol + 1));
    if (data.IsPlt) {
        for (int k = 1; k <= data.nCol; ++k) {
            if (!ParsePositionToken(data.Vpos.at(k), data.BrNr[k], data.PosNr[k], data.PosLbl[k]))
                return Refuse(data, AtLine(fileName, 3) + QStringLiteral("the position token ") +
                                        data.Vpos.at(k) + QStringLiteral(" of column ") +
                                        QString::number(k) + QStringLiteral(" cannot be read!"));
        }
        ReadBranchNames(data, fileName);
        // A run that put its files in place meanwhile: the names may be the
        // new run's and the curves the previous one's.
        QString mixed = InterruptedCommit(fileName);
        if (mixed.isEmpty() && Identity(fileName) != before)
            mixed = fileName + QStringLiteral(
                                   " was replaced by a run while it was read. Open "
                                   "the plot again.");
        if (!mixed.isEmpty()) return Refuse(data, mixed);
    }

    const QString timeUnit = data.Vunit.at(0).trimmed().toUpper();
    const float timeFactor = timeUnit == QLatin1String("H") ? 3600.0f
                             : (timeUnit == QLatin1String("M") || timeUnit == QLatin1String("MIN"))
                                 ? 60.0f
                                 : 1.0f;

    // Rows: free-format numbers separated by blanks, commas or line ends, so a
    // row may span lines. A negative time restarts the table (warm-up rows).
    const int perRow = data.nCol + 1;
    std::vector<double> row(perRow);
    int filled = 0;
    int rowStartLine = 0;
    int k = 0;
    data.Ydata.assign(data.nCol + 1, {});
    QString rowTime;
    // False when the time, in seconds, is no finite number.
    auto storeRow = [&] {
        const double time = row[0] * static_cast<double>(timeFactor);
        if (!std::isfinite(time)) return false;
        if (static_cast<int>(data.Tdata.size()) <= k) {
            data.Tdata.resize(k + 1);
            for (int c = 1; c <= data.nCol; ++c) data.Ydata[c].resize(k + 1);
        }
        data.Tdata[k] = time;
        for (int c = 1; c <= data.nCol; ++c) data.Ydata[c][k] = row[c];
        k = time >= 0 ? k + 1 : 0;
        return true;
    };
    for (int l = 3; l < lines.size(); ++l) {
        const QString& line = lines.at(l);
        int start = -1;
        for (int i = 0; i <= line.size(); ++i) {
            const bool separator = i == line.size() || line[i] == QLatin1Char(' ') ||
                                   line[i] == QLatin1Char('\t') || line[i] == QLatin1Char(',') ||
                                   line[i] == QLatin1Char('\r');
            if (!separator) {
                if (start < 0) start = i;
                continue;
            }
            if (start < 0) continue;
            const QStringView token = QStringView(line).mid(start, i - start);
            start = -1;
            const std::optional<double> value = ParseNumber(token);
            if (!value)
                return Refuse(data, AtLine(fileName, l + 1) + token.toString() +
                                        QStringLiteral(" is not a number!"));
            if (filled == 0) {
                rowStartLine = l + 1;
                rowTime = token.toString();
            }
            row[filled++] = *value;
            if (filled == perRow) {
                if (!storeRow())
                    return Refuse(data, AtLine(fileName, rowStartLine) +
                                            QStringLiteral("the time ") + rowTime +
                                            QStringLiteral(" ") + data.Vunit.at(0) +
                                            QStringLiteral(" is too large to be held in seconds!"));
                filled = 0;
            }
        }
    }
    // A run that wrote its header and no row leaves nothing to plot; an
    // empty chart would look like a result.
    if (filled == 0 && data.Tdata.empty())
        return Refuse(data, fileName + QStringLiteral(": the file holds its header but no rows of "
                                                      "results!"));
    if (filled != 0)
        return Refuse(data, AtLine(fileName, rowStartLine) +
                                QStringLiteral("the last row ends after ") +
                                QString::number(filled) + QStringLiteral(" of ") +
                                QString::number(perRow) + QStringLiteral(" numbers!"));
    data.nRow = k;
    data.Tdata.resize(k);
    for (int c = 1; c <= data.nCol; ++c) data.Ydata[c].resize(k);
    return true;
}

}  // namespace tessel
