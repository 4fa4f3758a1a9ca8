// What the chart shows of one column: the time unit chosen from the last
// time, the display unit chosen from the column's file unit, and the values
// converted and rounded as the chart holds them.
#pragma once

#include "result_data.h"

#include <QString>

#include <vector>

namespace tessel {

struct TimeUnit {
    QString text;    // "[sec]", "[min]", "[hours]" or "[days]"
    double divisor;  // seconds per unit
};

// By the last kept time T in seconds: below 120 s seconds, below 7200 s
// minutes, below 172800 s hours, else days.
TimeUnit TimeUnitFor(double lastTime);

// The display unit of a file unit (compared upper-cased) for UnitSys 1 (SI)
// or 2 (English). `known` is false for a unit outside the table; the display
// unit is then empty.
QString DisplayUnitFor(const QString& fileUnit, int UnitSys, bool& known);

// The file units the display table knows, each once (upper case).
std::vector<QString> DisplayTableFileUnits();

// A number as the chart holds it: rounded to 15 decimal places.
double RoundTo15Decimals(double value);

struct PlotColumn {
    TimeUnit timeUnit;
    QString displayUnit;
    std::vector<double> x;  // time in the time unit
    std::vector<double> y;  // value in the display unit
    QString timeTitle;      // "Time " + time unit
    QString valueTitle;     // name + " [" + display unit + "]"
};

// Builds the chart data of `column`. Fewer than 2 rows: false, no message.
// A unit outside the display table or a failed conversion: message titled
// "Tessel" and false.
bool BuildPlotColumn(const ResultData& data, int column, PlotColumn& out);

}  // namespace tessel
