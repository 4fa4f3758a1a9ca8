#include "units.h"

#include "system_settings.h"

#include <QFile>
#include <QtDebug>

#include <cmath>
#include <locale>
#include <map>
#include <mutex>
#include <sstream>

namespace {

// One lock for the table and the selection list.
std::mutex& tablesMutex() {
    static std::mutex m;
    return m;
}

std::map<std::string, UnitConversion>& table() {
    static std::map<std::string, UnitConversion> t;
    return t;
}

std::vector<UnitSelection>& selections() {
    static std::vector<UnitSelection> s;
    return s;
}

constexpr float MIN_FACTOR = 1e-6f;

void appendBracketed(std::string& key, const char* name) {
    if (!name) return;
    std::string n(name);
    if (n.empty() || n.front() != '[') n.insert(n.begin(), '[');
    if (n.back() != ']') n.push_back(']');
    key += n;
}

// Reads a text table line by line; parseLine returns false to end the load.
// The last line is taken even without a line end; "\r" of CR LF files is
// dropped.
template <class ParseLine>
bool readLines(QFile& file, ParseLine parseLine) {
    int lineNo = 0;
    while (!file.atEnd()) {
        QByteArray raw = file.readLine();
        ++lineNo;
        while (raw.endsWith('\n') || raw.endsWith('\r')) raw.chop(1);
        std::istringstream in(raw.toStdString());
        in.imbue(std::locale::classic());
        if (!parseLine(in, lineNo)) return false;
    }
    return true;
}

QString lineProblem(const QString& path, int lineNo, const char* what) {
    return QStringLiteral("%1, line %2: %3").arg(path).arg(lineNo).arg(QLatin1String(what));
}

std::optional<UnitSelection> findSelectionLocked(const std::string& key) {
    for (const UnitSelection& s : selections())
        if (s.key == key) return s;
    return std::nullopt;
}

std::optional<UnitConversion> findConversionLocked(const std::string& from, const std::string& to) {
    auto& t = table();
    const std::string key = UnitKey(from, to);
    if (auto it = t.find(key); it != t.end()) return it->second;
    auto rev = t.find(UnitKey(to, from));
    if (rev == t.end()) return std::nullopt;
    const UnitConversion& a = rev->second;
    if (std::fabs(a.factor) < MIN_FACTOR) throw UnitFactorError();
    UnitConversion inverse(1.0f / a.factor, -a.offset / a.factor);
    t.insert_or_assign(key, inverse);
    return inverse;
}

float convertKey(const std::string& key, float x, int column, bool toDisplay) {
    if (column < 0 || column > 2) column = 0;
    std::optional<UnitSelection> sel = FindUnitSelection(key);
    if (!sel) return x;
    const std::string& internal = sel->unit[0];
    const std::string& display = sel->unit[column];
    try {
        return toDisplay ? ApplyConversion(FindConversion(internal, display), x)
                         : ApplyConversion(FindConversion(display, internal), x);
    } catch (const ValidationError&) {
        qWarning("unit conversion between \"%s\" and \"%s\" refused: factor too small",
                 internal.c_str(), display.c_str());
        return x;
    }
}

}  // namespace

UnitConversion::UnitConversion(float f, float o) : factor(f), offset(o) {
    if (f > -MIN_FACTOR && f < MIN_FACTOR) throw UnitFactorError();
}

std::string UnitKey(const char* from, const char* to) {
    std::string key;
    appendBracketed(key, from);
    appendBracketed(key, to);
    return key;
}

std::string UnitKey(const std::string& from, const std::string& to) {
    return UnitKey(from.c_str(), to.c_str());
}

bool LoadUnitConversions(const QString& path, QString* problem) {
    std::lock_guard lock(tablesMutex());
    table().clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (problem) *problem = QStringLiteral("%1: cannot be opened").arg(path);
        return false;
    }
    return readLines(file, [&](std::istringstream& in, int lineNo) {
        std::string from, to;
        float factor = 0, offset = 0;
        if (!(in >> from >> to >> factor >> offset)) {
            if (problem) *problem = lineProblem(path, lineNo, "not \"from to factor offset\"");
            qWarning("%s", qUtf8Printable(lineProblem(path, lineNo, "unit conversions end here")));
            return false;
        }
        try {
            table().insert_or_assign(UnitKey(from, to), UnitConversion(factor, offset));
        } catch (const ValidationError&) {
            if (problem) *problem = lineProblem(path, lineNo, "factor within +-1e-6");
            qWarning("%s", qUtf8Printable(lineProblem(
                               path, lineNo, "factor within +-1e-6; unit conversions end here")));
            return false;
        }
        return true;
    });
}

bool LoadUnitSelectionsFrom(const QString& path, QString* problem) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (problem) *problem = QStringLiteral("%1: cannot be opened").arg(path);
        return false;
    }
    std::lock_guard lock(tablesMutex());
    selections().clear();
    return readLines(file, [&](std::istringstream& in, int lineNo) {
        UnitSelection s;
        if (!(in >> s.key >> s.unit[0] >> s.unit[1] >> s.unit[2])) {
            if (problem)
                *problem = lineProblem(path, lineNo, "not \"KEY internal metric english\"");
            qWarning("%s", qUtf8Printable(lineProblem(path, lineNo, "unit selections end here")));
            return false;
        }
        selections().push_back(std::move(s));
        return true;
    });
}

bool LoadUnitSelections(QString* problem) {
    const CSystemSettings* s = AppSettings();
    const QString dir = s ? s->GetDataDir() : QStringLiteral("./");
    return LoadUnitSelectionsFrom(dir + QStringLiteral("unitsel.txt"), problem);
}

bool LoadUnitTables(QString* problem) {
    const CSystemSettings* s = AppSettings();
    const QString dir = s ? s->GetDataDir() : QStringLiteral("./");
    QString convProblem, selProblem;
    const bool conv = LoadUnitConversions(dir + QStringLiteral("unitconv.txt"), &convProblem);
    const bool sel = LoadUnitSelections(&selProblem);
    if (problem) *problem = (convProblem + QLatin1Char('\n') + selProblem).trimmed();
    return conv && sel;
}

void AddUnitConversion(const std::string& from, const std::string& to, UnitConversion conv) {
    std::lock_guard lock(tablesMutex());
    table().insert_or_assign(UnitKey(from, to), conv);
}

void ClearUnitTables() {
    std::lock_guard lock(tablesMutex());
    table().clear();
    selections().clear();
}

std::optional<UnitConversion> FindConversion(const std::string& from, const std::string& to) {
    std::lock_guard lock(tablesMutex());
    return findConversionLocked(from, to);
}

float ApplyConversion(const std::optional<UnitConversion>& conv, float x) {
    if (!conv) return x;
    return static_cast<float>(x * conv->factor + conv->offset);
}

std::optional<UnitSelection> FindUnitSelection(const std::string& key) {
    std::lock_guard lock(tablesMutex());
    return findSelectionLocked(key);
}

int DisplayUnitIndex(int displayUnits) {
    if (displayUnits == 0) return 1;
    if (displayUnits == 1) return 2;
    return 0;
}

int DisplayUnitIndex() {
    const CSystemSettings* s = AppSettings();
    return DisplayUnitIndex(s ? s->DisplayUnits() : 1);
}

float ToDisplayUnits(const std::string& key, float x, int column) {
    return convertKey(key, x, column, true);
}

float FromDisplayUnits(const std::string& key, float x, int column) {
    return convertKey(key, x, column, false);
}

float ToDisplayUnits(const std::string& key, float x) {
    return ToDisplayUnits(key, x, DisplayUnitIndex());
}

float FromDisplayUnits(const std::string& key, float x) {
    return FromDisplayUnits(key, x, DisplayUnitIndex());
}

bool GetUnitLabel(const std::string& key, bool bracketed, std::string& out) {
    std::optional<UnitSelection> sel = FindUnitSelection(key);
    if (!sel) {
        out = bracketed ? "[?]" : "";
        return false;
    }
    std::string name;
    for (char c : sel->unit[DisplayUnitIndex()])
        if (c != '[' && c != ']') name.push_back(c);
    out = bracketed ? "[" + name + "]" : name;
    return true;
}

QString GetUnitLabel(const std::string& key, bool bracketed) {
    std::string out;
    GetUnitLabel(key, bracketed, out);
    return QString::fromStdString(out);
}

void DDX_ToDisplayUnits(const UnitField* table) {
    const int column = DisplayUnitIndex();
    for (const UnitField* f = table; f && f->key; ++f)
        if (f->member) *f->member = ToDisplayUnits(f->key, *f->member, column);
}

void DDX_UnitLabels(const UnitField* table, const UnitLabelSetter& setLabel) {
    const int column = DisplayUnitIndex();
    for (const UnitField* f = table; f && f->key; ++f) {
        if (!f->label_id || !setLabel) continue;
        if (std::optional<UnitSelection> sel = FindUnitSelection(f->key))
            setLabel(f->label_id, QString::fromStdString(sel->unit[column]));
    }
}

void DDX_FromDisplayUnits(const UnitField* table, const UnitLabelSetter& setLabel) {
    const int column = DisplayUnitIndex();
    for (const UnitField* f = table; f && f->key; ++f) {
        std::optional<UnitSelection> sel = FindUnitSelection(f->key);
        if (!sel) continue;
        if (f->label_id && setLabel) setLabel(f->label_id, QString::fromStdString(sel->unit[0]));
        if (f->member) *f->member = FromDisplayUnits(f->key, *f->member, column);
    }
}
