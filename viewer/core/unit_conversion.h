// The viewer's own unit conversion: a table of unit spellings, each with a
// factor f and an offset o so that (value in the base unit) = f * value + o.
// Every spelling converts through the base unit of its quantity.
#pragma once

#include <QString>

namespace tessel {

inline const QString kUnknownInputUnit = QStringLiteral("UnKnown Input Unit");
inline const QString kUnknownOutputUnit = QStringLiteral("UnKnown Output Unit");

// Converts `val` from `InU` to `OutU`. Spellings are compared in lower case,
// exactly (no trimming). `Err` is cleared on entry and set to one of the two
// texts above when a unit is unknown; the result is then 0. The table does not
// check that both units measure the same quantity.
double cnvUnit(double val, const QString& InU, const QString& OutU, QString& Err);

// True when the spelling is in the table (in any case).
bool IsKnownUnit(const QString& unit);

}  // namespace tessel
