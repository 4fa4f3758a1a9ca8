// Result files written by the real library through the example program: the
// viewer lists every curve, labels it, and converts every column.
#include "plot_data.h"
#include "test_support.h"
#include "variable_list.h"

#include <QDir>
#include <QFile>
#include <QSet>

namespace tessel {
namespace {

class RealResult : public test::ScratchTest {
protected:
    QString Run(const QString& caseFile) { return test::RunRealCase(caseFile, dir_.path()); }
};

// The values of one column as the file states them, read independently of
// the viewer: rows are whole lines in the writer's 15-character layout.
std::vector<std::pair<double, double>> FileColumn(const QString& path, int column) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    std::vector<std::pair<double, double>> rows;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (qsizetype i = 3; i < lines.size(); ++i) {
        const QList<QByteArray> words = lines[i].simplified().split(' ');
        if (words.size() <= column) continue;
        rows.emplace_back(words[0].toDouble(), words[column].toDouble());
    }
    return rows;
}

// Every listed column draws in both unit systems (messages are recorded by
// the caller's recorder).
void DrawEveryColumn(ResultData data, const std::vector<VariableEntry>& list) {
    for (int unitSys : {1, 2}) {
        data.UnitSys = unitSys;
        for (const VariableEntry& entry : list) {
            PlotColumn column;
            EXPECT_TRUE(BuildPlotColumn(data, entry.column, column))
                << entry.text.toStdString() << ", UnitSys " << unitSys;
        }
    }
}

TEST_F(RealResult, OneBranchRunListsAndConvertsEveryCurve) {
    const QString plt = Run(QStringLiteral(TESSEL_EXAMPLE_CASES_DIR "/one_branch_blackoil.json"));
    ASSERT_FALSE(plt.isEmpty());
    Write("one_branch_blackoil.brn", test::BranchNames({"Riser base", "Flowline"}));
    ResultData data;
    ASSERT_TRUE(ReadResultFile(data, plt, test::ProgramDir())) << recorder_.texts().toStdString();
    EXPECT_TRUE(recorder_.messages().empty()) << recorder_.texts().toStdString();
    ASSERT_EQ(data.nCol, 19);  // 2N + 17 curves for one branch

    const std::vector<VariableEntry> list = BuildVariableList(data);
    ASSERT_EQ(list.size(), 19u);
    EXPECT_EQ(list[0].text, QStringLiteral("Accumulated Mass Leakage at leak"));
    EXPECT_EQ(list[1].text, QStringLiteral("Leakage, Total Flow Rate at leak"));
    EXPECT_EQ(list[13].text, QStringLiteral("Pressure at Flowline"));
    EXPECT_EQ(list[14].text, QStringLiteral("Pressure at Riser base"));
    EXPECT_EQ(list[15].text, QStringLiteral("Total Liquid Content in a Branch at Flowline"));
    EXPECT_EQ(list[16].text, QStringLiteral("Total Mass Flow at Riser base"));

    // The kept rows are those from the leak's opening on: the warm-up rows
    // (negative times) are dropped.
    const auto leakRate = FileColumn(plt, 2);
    std::vector<std::pair<double, double>> kept;
    for (const auto& row : leakRate) {
        if (row.first < 0)
            kept.clear();
        else
            kept.push_back(row);
    }
    ASSERT_GT(leakRate.size(), kept.size());
    ASSERT_EQ(data.nRow, static_cast<int>(kept.size()));
    for (int i = 0; i < data.nRow; ++i) {
        EXPECT_DOUBLE_EQ(data.Tdata[i], kept[i].first) << i;
        EXPECT_DOUBLE_EQ(data.Ydata[2][i], kept[i].second) << i;
    }

    DrawEveryColumn(data, list);
    EXPECT_TRUE(recorder_.messages().empty()) << recorder_.texts().toStdString();
}

TEST_F(RealResult, TwelveBranchRunListsEveryCurve) {
    const QString plt = Run(QStringLiteral(TESSEL_CASES_DIR "/twelve_branch_gathering.json"));
    ASSERT_FALSE(plt.isEmpty());
    QStringList names{"Export end"};
    for (int b = 1; b <= 12; ++b) names << QStringLiteral("Line %1").arg(b);
    Write("twelve_branch_gathering.brn", test::BranchNames(names));
    ResultData data;
    ASSERT_TRUE(ReadResultFile(data, plt, test::ProgramDir())) << recorder_.texts().toStdString();
    EXPECT_TRUE(recorder_.messages().empty()) << recorder_.texts().toStdString();
    ASSERT_EQ(data.nCol, 2 * 12 + 17);
    const std::vector<VariableEntry> list = BuildVariableList(data);
    ASSERT_EQ(static_cast<int>(list.size()), data.nCol) << "every curve is listed";
    for (int k = 1; k <= data.nCol; ++k) EXPECT_EQ(list[k - 1].column, k);

    // The leak sits on branch 3; pressures at the start of branches 1-12 carry
    // their names, those of branches 10-12 (printed "*") named from the order
    // of the columns.
    EXPECT_EQ(list[1].text, QStringLiteral("Leakage, Total Flow Rate at leak"));
    for (int b = 1; b <= 12; ++b)
        EXPECT_EQ(list[12 + b].text, QStringLiteral("Pressure at Line %1").arg(b));
    EXPECT_EQ(list[25].text, QStringLiteral("Pressure at Export end"))
        << "the outlet end of branch 12";
    EXPECT_EQ(list[26].text, QStringLiteral("Total Liquid Content in a Branch at Line 1"));
    ASSERT_GE(data.nRow, 2);
    DrawEveryColumn(data, list);
    EXPECT_TRUE(recorder_.messages().empty()) << recorder_.texts().toStdString();
}

// The largest network: branches 10-13 are "*" in the file, the leak on
// branch 13. Every curve has its own label; the leak's read "at leak".
TEST_F(RealResult, ThirteenBranchRunNamesEveryCurveApart) {
    const QString plt = Run(QStringLiteral(TESSEL_CASES_DIR "/thirteen_branch_gathering.json"));
    ASSERT_FALSE(plt.isEmpty());
    QStringList names{"Export end"};
    for (int b = 1; b <= 13; ++b) names << QStringLiteral("Line %1").arg(b);
    Write("thirteen_branch_gathering.brn", test::BranchNames(names));
    ResultData data;
    ASSERT_TRUE(ReadResultFile(data, plt, test::ProgramDir())) << recorder_.texts().toStdString();
    ASSERT_EQ(data.nCol, 2 * 13 + 17);
    for (int k = 1; k <= 13; ++k)
        ASSERT_EQ(data.BrNr[k], kUnknownBranch) << "the file says * for branch 13";
    const std::vector<VariableEntry> list = BuildVariableList(data);
    ASSERT_EQ(static_cast<int>(list.size()), data.nCol);
    QStringList texts;
    for (const VariableEntry& entry : list) texts << entry.text;
    for (int k = 0; k < 13; ++k)
        EXPECT_TRUE(texts[k].endsWith(QStringLiteral(" at leak"))) << texts[k].toStdString();
    for (int b = 1; b <= 13; ++b) {
        EXPECT_EQ(texts[12 + b], QStringLiteral("Pressure at Line %1").arg(b));
        EXPECT_EQ(texts[26 + b],
                  QStringLiteral("Total Liquid Content in a Branch at Line %1").arg(b));
    }
    EXPECT_EQ(texts[26], QStringLiteral("Pressure at Export end"));
    EXPECT_EQ(texts[40], QStringLiteral("Total Mass Flow at Export end"));
    EXPECT_EQ(QSet<QString>(texts.begin(), texts.end()).size(), texts.size())
        << texts.join(" | ").toStdString();
    DrawEveryColumn(data, list);
    EXPECT_TRUE(recorder_.messages().empty()) << recorder_.texts().toStdString();
}

}  // namespace
}  // namespace tessel
