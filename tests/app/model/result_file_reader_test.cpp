// The result-file reader on hand-made files: columns by name and position
// label, unit conversion, and the two failures.
#include "result_file_reader.h"
#include "units.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ResultFileReaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadUnitConversions(ORVANE_PROGRAM_DIR "unitconv.txt")); }
    QString Write(const QByteArray& text) {
        QString path = dir.filePath("r.plt");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }
    QTemporaryDir dir;
};

// Two positions of PT on two branches, a column before Time, tabs and CR LF.
const char PLT[] =
    "Extra          Time           MASSLK         PT             PT             TM\r\n"
    "X              S              KG             N/M2           N/M2           C\r\n"
    "-              -              -              1A/BR1         3B/BR2\t12L/BR1\r\n"
    "  9   -5.0000   0.0000   0.20000E+06  0.10000E+06  20.000\r\n"
    "  9    0.0000   10.000   0.30000E+06  0.15000E+06  25.000\r\n"
    "  9    60.000   1000.0\t0.40000E+06  0.20000E+06  -40.000\r\n";

TEST_F(ResultFileReaderTest, columns_by_name_and_label_converted_to_the_table_units) {
    const ResultColumn table[] = {{"TM", "°F", nullptr},      {"PT", "bar", "3B/BR2"},
                                  {"MASSLK", "lb", nullptr},  {"Time", "s", nullptr},
                                  {"PT", "psi", nullptr},     {"MISSING", "kg", nullptr},
                                  {nullptr, nullptr, nullptr}};
    ResultFileReader reader;
    reader.Open(Write(PLT));
    ResultColumnMap map;
    ASSERT_TRUE(reader.ReadHeader(table, map));
    ASSERT_EQ(map.size(), 5u);
    EXPECT_EQ(map[0].file_column, 1);  // Time, in file order
    EXPECT_EQ(map[0].table_row, 3);

    // Hand values: 1 kg = 2.20462262 lb; 1 bar = 1e5 Pa; 1 psi = 6894.757 Pa; F = 1.8 C + 32.
    const float expected[3][6] = {{68.0f, 1.0f, 0.0f, -5.0f, 29.00755f, 0.0f},
                                  {77.0f, 1.5f, 22.0462262f, 0.0f, 43.51132f, 0.0f},
                                  {-40.0f, 2.0f, 2204.62262f, 60.0f, 58.01510f, 0.0f}};
    std::vector<float> row;
    for (const auto& want : expected) {
        ASSERT_TRUE(reader.ReadRow(map, row));
        ASSERT_EQ(row.size(), 6u);
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(row[i], want[i], 1e-5f * std::max(1.0f, std::fabs(want[i]))) << i;
    }
    EXPECT_FALSE(reader.ReadRow(map, row));

    // Rewind returns to the first data row.
    ASSERT_TRUE(reader.Rewind());
    ASSERT_TRUE(reader.ReadRow(map, row));
    EXPECT_FLOAT_EQ(row[3], -5.0f);
}

TEST_F(ResultFileReaderTest, a_pair_missing_from_the_unit_table_leaves_values_as_read) {
    const ResultColumn table[] = {{"MASSLK", "tonnes", nullptr}, {nullptr, nullptr, nullptr}};
    ResultFileReader reader;
    reader.Open(Write(PLT));
    ResultColumnMap map;
    ASSERT_TRUE(reader.ReadHeader(table, map));
    std::vector<float> row;
    ASSERT_TRUE(reader.ReadRow(map, row));
    ASSERT_TRUE(reader.ReadRow(map, row));
    EXPECT_FLOAT_EQ(row[0], 10.0f);
}

TEST_F(ResultFileReaderTest, failures) {
    ResultFileReader reader;
    try {
        reader.Open(dir.filePath("missing.plt"));
        ADD_FAILURE() << "opened a missing file";
    } catch (const ValidationError& e) {
        EXPECT_EQ(e.id, 16163u);
    }
    const ResultColumn table[] = {{"Time", "s", nullptr}, {nullptr, nullptr, nullptr}};
    ResultColumnMap map;
    for (const char* text : {"", "Time\nS\n"}) {  // an empty file, a header cut short
        reader.Open(Write(text));
        EXPECT_FALSE(reader.ReadHeader(table, map)) << "caller throws 16164";
    }
    // A row with an unreadable number ends the data.
    reader.Open(Write("Time MASSLK\nS KG\n- -\n1 2\n2 ***\n"));
    ASSERT_TRUE(reader.ReadHeader(table, map));
    std::vector<float> row;
    const ResultColumn both[] = {
        {"Time", "s", nullptr}, {"MASSLK", "kg", nullptr}, {nullptr, nullptr, nullptr}};
    ASSERT_TRUE(reader.ReadHeader(both, map));
    EXPECT_TRUE(reader.ReadRow(map, row));
    EXPECT_FALSE(reader.ReadRow(map, row));
}

}  // namespace
