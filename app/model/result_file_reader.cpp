#include "result_file_reader.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <locale>
#include <sstream>

namespace {

std::vector<std::string> splitBlanks(const std::string& line) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) tokens.emplace_back(line, start, i - start);
    }
    return tokens;
}

}  // namespace

void ResultFileReader::Open(const QString& path) {
    if (m_in.is_open()) m_in.close();
    m_in.clear();
    m_in.open(QFile::encodeName(path).toStdString());
    if (!m_in.is_open()) throw ValidationError{IDS_RESULT_FILE_OPEN, 0};
}

bool ResultFileReader::ReadLine(std::string& line) {
    if (!std::getline(m_in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool ResultFileReader::ReadHeader(const ResultColumn* table, ResultColumnMap& map) {
    map.clear();
    m_tableRows = 0;
    for (const ResultColumn* c = table; c && c->name; ++c) ++m_tableRows;
    m_in.clear();
    m_in.seekg(0);
    std::string names, units, labels;
    if (!ReadLine(names) || !ReadLine(units) || !ReadLine(labels)) return false;
    const auto n = splitBlanks(names), u = splitBlanks(units), p = splitBlanks(labels);
    const size_t columns = std::min({n.size(), u.size(), p.size()});
    // A table row takes the first matching column only (a name repeats once
    // per position in the file).
    std::vector<bool> taken(m_tableRows, false);
    for (size_t col = 0; col < columns; ++col) {
        for (size_t row = 0; row < m_tableRows; ++row) {
            const ResultColumn& want = table[row];
            if (taken[row] || n[col] != want.name) continue;
            if (want.position_label && p[col] != want.position_label) continue;
            map.push_back({static_cast<int>(col), static_cast<int>(row),
                           FindConversion(u[col], want.unit ? want.unit : "")});
            taken[row] = true;
            break;
        }
    }
    return true;
}

bool ResultFileReader::Rewind() {
    m_in.clear();
    m_in.seekg(0);
    std::string line;
    return ReadLine(line) && ReadLine(line) && ReadLine(line);
}

bool ResultFileReader::ReadRow(const ResultColumnMap& map, std::vector<float>& row) {
    row.assign(m_tableRows, 0.0f);
    std::string line;
    if (!ReadLine(line)) return false;
    int lastColumn = -1;
    for (const ResultColumnMapEntry& e : map) lastColumn = std::max(lastColumn, e.file_column);
    std::istringstream in(line);
    in.imbue(std::locale::classic());
    std::vector<float> values;
    for (int col = 0; col <= lastColumn; ++col) {
        float v = 0.0f;
        if (!(in >> v)) return false;
        values.push_back(v);
    }
    for (const ResultColumnMapEntry& e : map)
        if (e.table_row >= 0 && static_cast<size_t>(e.table_row) < row.size())
            row[static_cast<size_t>(e.table_row)] =
                ApplyConversion(e.conversion, values[static_cast<size_t>(e.file_column)]);
    return true;
}
