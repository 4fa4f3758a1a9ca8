// Reads the discharge result time series (".plt") back by column name.
//
// The file has three header lines (variable names, units, position labels),
// split in parallel on blanks and tabs, then one row of numbers per output
// time. The caller names the columns it wants in a table; ReadHeader maps
// file columns to table rows and ReadRow returns one float per table row,
// converted from the file's unit to the table's unit through the unit table
// (values stay as read when the table has no such pair).
//
//     static const ResultColumn cols[] = {
//         {"Time", "s", nullptr}, {"MASSLK", "kg", nullptr}, {"QGLEAK", "m3/s", nullptr},
//         {nullptr, nullptr, nullptr}};
//     ResultFileReader reader;
//     reader.Open(path);                       // throws ValidationError 16163
//     ResultColumnMap map;
//     if (!reader.ReadHeader(cols, map)) throw ValidationError{16164, 0};
//     std::vector<float> row;
//     while (reader.ReadRow(map, row)) { ... row[0], row[1], row[2] ... }
#pragma once

#include "message_ids.h"
#include "units.h"

#include <QString>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

// One wanted variable; a row with a null name ends a table.
struct ResultColumn {
    const char* name;            // as in the first header line (case-sensitive)
    const char* unit;            // unit the caller wants (a unit-table name)
    const char* position_label;  // when given, the third-line token must equal it too
};

struct ResultColumnMapEntry {
    int file_column;                           // 0-based position in the file
    int table_row;                             // index into the caller's table
    std::optional<UnitConversion> conversion;  // none: values as read
};
using ResultColumnMap = std::vector<ResultColumnMapEntry>;

class ResultFileReader {
public:
    // Opens the file; throws ValidationError IDS_RESULT_FILE_OPEN on failure.
    void Open(const QString& path);
    // Empties map, rereads the three header lines and maps the columns.
    // False when a header line cannot be read. May throw ValidationError
    // NearFieldMsg::UnitConversion (a refused conversion factor).
    bool ReadHeader(const ResultColumn* table, ResultColumnMap& map);
    // Back to the first data row; false when a header line cannot be read.
    bool Rewind();
    // One data row: row gets one float per table row, 0 where no column
    // maps. False at end of file or when a mapped value cannot be read.
    bool ReadRow(const ResultColumnMap& map, std::vector<float>& row);

private:
    bool ReadLine(std::string& line);

    std::ifstream m_in;
    size_t m_tableRows = 0;
};
