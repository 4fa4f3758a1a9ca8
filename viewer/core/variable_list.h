// Which columns the viewer lists, under which description, and where along
// the network each column was taken (branch labels from the branch-name file).
#pragma once

#include "result_data.h"

#include <release/release.h>

#include <QString>

#include <vector>

namespace tessel {

inline const QString kVariableConversionFile = QStringLiteral("variable_conversion.txt");
inline const QString kVariableConversionFileNf = QStringLiteral("variable_conversion_nf.txt");

// The branch-name file holds at most this many entries (0 to 50); further
// lines are ignored.
constexpr int kMaxBranchEntries = 51;

// The leak quantities are the first columns of a discharge result.
constexpr int kLeakColumns = RELEASE_LEAK_CURVES;

// Sets Vshow and replaces matched names by their descriptions, from the
// conversion file in `programDir` chosen by IsPlt. The first line whose code
// equals the column name (case-sensitive) decides.
void ReadVariableConversion(ResultData& data, const QString& programDir);

// The branch-name file beside a result file: its name with the last three
// characters replaced by "brn".
QString BranchNameFile(const QString& resultFileName);

// Sets BrLabel of every column from the branch-name file.
void ReadBranchNames(ResultData& data, const QString& resultFileName);

struct VariableEntry {
    QString text;  // as listed in lstVariable
    int column;    // kept at the same position in lstColumn
};

// The entries of the variable list, one per shown column, in column order.
std::vector<VariableEntry> BuildVariableList(const ResultData& data);

}  // namespace tessel
