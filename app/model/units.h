// Unit conversion: every engineering value is held in one internal unit per
// quantity key and converted only for display and entry.
//
//  - UnitTable: linear conversions between pairs of unit names, loaded from
//    "unitconv.txt" (lines "from to factor offset").
//  - UnitSelection: per quantity key the internal, Metric and English (US)
//    unit, loaded from "unitsel.txt" (lines "KEY internal metric english").
//  - UnitField: one row of a dialog's table of unit-converted float members,
//    walked by the DDX_* helpers.
//
// Unit names and keys compare as byte strings (UTF-8, case-sensitive).
// The table and the selection list are process-wide; every access takes one
// lock, so FindConversion may be called from the worker thread while its
// inverse cache fills.
#pragma once

#include "model_errors.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What is thrown for a conversion factor within +-1e-6 (or one whose inverse
// is).
inline ValidationError UnitFactorError() {
    return ValidationError{NearFieldMsg::UnitConversion, 0};
}

// y = x * factor + offset, rounded to float.
struct UnitConversion {
    UnitConversion(float factor, float offset);  // throws UnitFactorError()
    float factor;
    float offset;
};

struct UnitSelection {
    std::string key;
    std::string unit[3];  // 0 internal, 1 Metric, 2 English (US)
};

// Key of the pair (from, to): each name in square brackets (unless it is
// already), from-unit first. "[kg]" and "kg" give the same key.
std::string UnitKey(const char* from, const char* to);
std::string UnitKey(const std::string& from, const std::string& to);

// Clears the table, then reads "from to factor offset" lines until the first
// line that does not parse; a later line with the same pair replaces an
// earlier one. A line whose factor is within +-1e-6 ends the load like an
// unparsable one (the entries before it stay). Returns true when the whole
// file was read; otherwise *problem (when given) says why and where.
bool LoadUnitConversions(const QString& path, QString* problem = nullptr);

// Reads "unitsel.txt" from the program directory (settings), or the given
// file; a missing file leaves the list as it was. Same line rules as above.
bool LoadUnitSelections(QString* problem = nullptr);
bool LoadUnitSelectionsFrom(const QString& path, QString* problem = nullptr);

// Start-up: "unitconv.txt" and "unitsel.txt" from the program directory.
// True when both loaded whole; otherwise *problem says what went wrong.
bool LoadUnitTables(QString* problem = nullptr);

// Adds or replaces one conversion (tests and tools).
void AddUnitConversion(const std::string& from, const std::string& to, UnitConversion conv);
void ClearUnitTables();

// The direct pair, or the inverse of the reverse pair (then cached under the
// direct key); none when neither exists. Throws UnitFactorError() when the
// inverse factor falls within +-1e-6.
std::optional<UnitConversion> FindConversion(const std::string& from, const std::string& to);
float ApplyConversion(const std::optional<UnitConversion>& conv, float x);

// The selection of a key (first in file order), or none.
std::optional<UnitSelection> FindUnitSelection(const std::string& key);

// Display column of a DisplayUnits setting: 0 Metric -> 1, 1 English -> 2,
// anything else -> 0 (internal units shown).
int DisplayUnitIndex(int displayUnits);
// The column of the application's current setting (English without one).
int DisplayUnitIndex();

// Internal -> display unit and back for a quantity key. An unknown key, a
// missing pair or a refused factor leaves x unchanged.
float ToDisplayUnits(const std::string& key, float x);
float FromDisplayUnits(const std::string& key, float x);
float ToDisplayUnits(const std::string& key, float x, int column);
float FromDisplayUnits(const std::string& key, float x, int column);

// Display unit name without "[" and "]", in brackets when bracketed. For an
// unknown key: "[?]" (bracketed) or "" and false.
bool GetUnitLabel(const std::string& key, bool bracketed, std::string& out);
QString GetUnitLabel(const std::string& key, bool bracketed = true);

// One row of a dialog's table of unit-converted fields. A row with a null
// key ends a table given as a plain array.
struct UnitField {
    const char* key;
    int edit_id;
    int label_id;  // 0: no unit label
    float* member;
};

// Sets the text of a unit-label control (label_id, text).
using UnitLabelSetter = std::function<void(int, const QString&)>;

// Converts every member whose key is known from internal to display units.
void DDX_ToDisplayUnits(const UnitField* table);
// Writes the display unit (brackets as in the file) into each label control.
void DDX_UnitLabels(const UnitField* table, const UnitLabelSetter& setLabel);
// Converts every member whose key is known back to internal units (rows with
// and without a label alike, so a value never stays in display units) and
// writes the internal unit into the label controls.
void DDX_FromDisplayUnits(const UnitField* table, const UnitLabelSetter& setLabel = {});
