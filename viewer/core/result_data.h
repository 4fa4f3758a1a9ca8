// The result table as the viewer holds it: a discharge time series (".plt")
// or a plume result file (".dbs"), read once at start.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace tessel {

// Branch number of a column whose position token names no readable branch
// (the writer prints "*" for branches 10 to 15).
constexpr int kUnknownBranch = -1;

struct ResultData {
    int UnitSys = 1;            // 1 SI display units, 2 English
    bool IsPlt = false;         // a result time-series file (name ends in "PLT", any case)
    QStringList Vname;          // 0..nCol: line 1; word 0 names the time column
    QStringList Vunit;          // 0..nCol: line 2; word 0 is the unit of time
    QStringList Vpos;           // 0..nCol: line 3, the position tokens
    int nCol = 0;               // number of value columns
    std::vector<bool> Vshow;    // 0..nCol, column listed (index 0 unused)
    std::vector<int> BrNr;      // 0..nCol, branch number (kUnknownBranch: none)
    std::vector<int> PosNr;     // 0..nCol, position number
    QStringList PosLbl;         // 0..nCol, position label
    QStringList BrLabel;        // 0..nCol, branch label from the branch-name file
    std::vector<double> Tdata;  // time of each kept row, s
    std::vector<std::vector<double>> Ydata;  // [column 1..nCol][row], file units
    int nRow = 0;

    void Clear();
};

// The result file's name says which kind it is: its last three characters,
// upper-cased, are "PLT" for a result time-series file.
bool IsResultTimeSeries(const QString& fileName);

// Reads the file into `data` (which keeps its UnitSys) and runs the variable
// conversion (from `programDir`) and, for a result time-series file, the
// branch names. Problems go to the user through MsgBox; a refused file leaves
// `data` empty (nothing listed) and returns false.
bool ReadResultFile(ResultData& data, const QString& fileName, const QString& programDir);

}  // namespace tessel
