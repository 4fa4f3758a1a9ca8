#include "plot_data.h"

#include "message_box.h"
#include "unit_conversion.h"

#include <QLocale>

#include <cmath>

namespace tessel {

namespace {

struct DisplayRow {
    const char16_t* fileUnit;
    const char16_t* si;
    const char16_t* english;
};

// First matching row wins. Surface tension ("N/M") gets real units so that
// the column can be drawn.
constexpr DisplayRow kDisplayTable[] = {
    {u"%", u"%", u"%"},           {u"PPM", u"ppm", u"ppm"},
    {u"M", u"m", u"ft"},          {u"MM", u"mm", u"in"},
    {u"M/S", u"m/s", u"ft/s"},    {u"CM/S", u"cm/s", u"ft/s"},
    {u"S", u"sec", u"sec"},       {u"SEC", u"sec", u"sec"},
    {u"M2/S", u"m2/s", u"ft2/s"}, {u"KG", u"kg", u"lb"},
    {u"KG/S", u"kg/s", u"lb/s"},  {u"SM3/S", u"Sm3/d", u"scft/d"},
    {u"M3/S", u"m3/d", u"ft3/d"}, {u"KG/M3", u"kg/m3", u"lb/ft3"},
    {u"N/M2", u"bar", u"psi"},    {u"DEG C", u"°C", u"°F"},
    {u"C", u"°C", u"°F"},         {u"°C", u"°C", u"°F"},
    {u"DEGC", u"°C", u"°F"},      {u"M3", u"m3", u"bbls"},
    {u"N/M", u"N/m", u"dyne/cm"},
};

}  // namespace

TimeUnit TimeUnitFor(double lastTime) {
    if (lastTime < 120) return {QStringLiteral("[sec]"), 1};
    if (lastTime < 7200) return {QStringLiteral("[min]"), 60};
    if (lastTime < 172800) return {QStringLiteral("[hours]"), 3600};
    return {QStringLiteral("[days]"), 86400};
}

QString DisplayUnitFor(const QString& fileUnit, int UnitSys, bool& known) {
    const QString upper = fileUnit.toUpper();
    for (const DisplayRow& row : kDisplayTable) {
        if (upper == QString::fromUtf16(row.fileUnit)) {
            known = true;
            return QString::fromUtf16(UnitSys == 1 ? row.si : row.english);
        }
    }
    known = false;
    return QString();
}

std::vector<QString> DisplayTableFileUnits() {
    std::vector<QString> units;
    for (const DisplayRow& row : kDisplayTable) units.push_back(QString::fromUtf16(row.fileUnit));
    return units;
}

double RoundTo15Decimals(double value) {
    return QLocale::c().toDouble(QLocale::c().toString(value, 'f', 15));
}

bool BuildPlotColumn(const ResultData& data, int column, PlotColumn& out) {
    if (data.nRow < 2 || column < 1 || column > data.nCol) return false;
    out = PlotColumn();
    out.timeUnit = TimeUnitFor(data.Tdata[data.nRow - 1]);
    const QString& fileUnit = data.Vunit.at(column);
    bool known = false;
    out.displayUnit = DisplayUnitFor(fileUnit, data.UnitSys, known);
    if (!known)
        MsgBox(fileUnit + QStringLiteral(" not defined in updateplot!"), MB_ICONEXCLAMATION,
               kPlotTitle);
    out.x.resize(data.nRow);
    out.y.resize(data.nRow);
    for (int i = 0; i < data.nRow; ++i) {
        out.x[i] = RoundTo15Decimals(data.Tdata[i] / out.timeUnit.divisor);
        QString err;
        const double value = cnvUnit(data.Ydata[column][i], fileUnit, out.displayUnit, err);
        if (!err.isEmpty()) {
            MsgBox(err, MB_ICONEXCLAMATION, kPlotTitle);
            return false;
        }
        out.y[i] = RoundTo15Decimals(value);
    }
    out.timeTitle = QStringLiteral("Time ") + out.timeUnit.text;
    out.valueTitle =
        data.Vname.at(column) + QStringLiteral(" [") + out.displayUnit + QStringLiteral("]");
    return true;
}

}  // namespace tessel
