// Which columns are listed, under which description, and their branch labels.
#include "test_support.h"
#include "variable_list.h"

namespace tessel {
namespace {

class VariableList : public test::ScratchTest {
protected:
    // A discharge result whose columns carry the given names and tokens, with
    // one row so that it reads.
    QString WriteResult(const QStringList& names, const QStringList& tokens) {
        QByteArray text = "Time";
        for (const QString& n : names) text += ' ' + n.toUtf8();
        text += "\nS";
        for (int i = 0; i < names.size(); ++i) text += " N/M2";
        text += "\n-";
        for (const QString& t : tokens) text += ' ' + t.toUtf8();
        text += "\n0";
        for (int i = 0; i < names.size(); ++i) text += " 1";
        text += "\n";
        return Write("net.plt", text);
    }

    // The 13 leak quantities of a discharge result, all taken at `token`.
    static void AddLeakGroup(QStringList& names, QStringList& tokens, const QString& token) {
        for (int k = 1; k <= 13; ++k) {
            names << QStringLiteral("PT");
            tokens << token;
        }
    }

    // Writes and reads the result and returns the texts of its list.
    std::vector<QString> ReadAndList(const QStringList& names, const QStringList& tokens) {
        const QString plt = WriteResult(names, tokens);
        ResultData data;
        EXPECT_TRUE(ReadResultFile(data, plt, test::ProgramDir()))
            << recorder_.texts().toStdString();
        return Listed(data);
    }

    std::vector<QString> Listed(const ResultData& data) {
        std::vector<QString> texts;
        for (const VariableEntry& e : BuildVariableList(data)) texts.push_back(e.text);
        return texts;
    }
};

TEST_F(VariableList, ConversionFileDescribesAndSelectsColumns) {
    Write("variable_conversion.txt",
          "Flag Code Description\n"
          "yes PT Pressure at the inlet end\n"
          "YES PT Second description never used\n"
          "NO MASSLK Accumulated Mass Leakage\n"
          "yes\tGT\t Total   mass\tflow \n"
          "Yes LONG w1 w2 w3 w4 w5 w6 w7 w8 w9 w10\n"
          "YES pt lower case code\n");
    const QString plt = WriteResult({"PT", "MASSLK", "GT", "LONG", "UL"},
                                    {"1S/BR1", "1-/BR1", "1B/BR1", "1-/BR1", "1B/BR1"});
    ResultData data;
    ASSERT_TRUE(ReadResultFile(data, plt, dir_.path()));
    EXPECT_EQ(data.Vname,
              (QStringList{"Time", "Pressure at the inlet end", "Accumulated Mass Leakage",
                           "Total mass flow", "w1 w2 w3 w4 w5 w6 w7 w8", "UL"}));
    EXPECT_EQ(data.Vshow, (std::vector<bool>{false, true, false, true, true, false}));
    std::vector<int> columns;
    for (const VariableEntry& e : BuildVariableList(data)) columns.push_back(e.column);
    EXPECT_EQ(columns, (std::vector<int>{1, 3, 4}));
}

TEST_F(VariableList, MissingConversionFileListsNothing) {
    const QString plt = WriteResult({"PT"}, {"1S/BR1"});
    Write("net.brn", test::BranchNames({"Outlet", "Riser"}));
    ResultData data;
    ASSERT_TRUE(ReadResultFile(data, plt, Path("nowhere")));
    ASSERT_EQ(recorder_.messages().size(), 1u);
    EXPECT_EQ(
        recorder_.messages()[0].text,
        "Variable conversion file: " + Path("nowhere/variable_conversion.txt") + " not found!");
    EXPECT_EQ(recorder_.messages()[0].flags, MB_ICONEXCLAMATION);
    EXPECT_EQ(recorder_.messages()[0].title, kAppTitle);
    EXPECT_TRUE(BuildVariableList(data).empty());
}

TEST_F(VariableList, BranchLabelsFromTheBranchNameFile) {
    // Columns 1-13 are the leak quantities; then a pressure at the start of
    // branch 1, one further along it, one at a position 0, one on branch 4 that
    // has no entry and one on a branch the writer printed as "*".
    QStringList names, tokens;
    AddLeakGroup(names, tokens, QStringLiteral("50S/BR1"));
    names << "PT"
          << "PT"
          << "PT"
          << "PT"
          << "PT";
    tokens << "1S/BR1"
           << "5S/BR1"
           << "0S/BR2"
           << "1S/BR4"
           << "1S/BR*";
    Write("net.brn",
          "BranchNo Name\n"
          "0 First outlet\n"
          "1 Riser\n"
          "2 Spur\n"
          "2 Spur again\n"
          "0  Export end  \n"
          "1 Never used\n");
    const std::vector<QString> listed = ReadAndList(names, tokens);
    EXPECT_TRUE(recorder_.messages().empty()) << recorder_.texts().toStdString();
    ASSERT_EQ(listed.size(), 18u);
    EXPECT_EQ(listed[0], QStringLiteral("Pressure at leak"));
    EXPECT_EQ(listed[12], QStringLiteral("Pressure at leak"));
    EXPECT_EQ(listed[13], QStringLiteral("Pressure at Riser"));
    EXPECT_EQ(listed[14], QStringLiteral("Pressure at Export end"))
        << "the last entry numbered 0 is the outlet";
    EXPECT_EQ(listed[15], QStringLiteral("Pressure Branch: 2")) << "position 0 matches no entry";
    EXPECT_EQ(listed[16], QStringLiteral("Pressure Branch: 4"));
    EXPECT_EQ(listed[17], QStringLiteral("Pressure Branch: *"));
}

TEST_F(VariableList, OutletAndRiserAsInTheNetworkExample) {
    QStringList names, tokens;
    AddLeakGroup(names, tokens, QStringLiteral("50-/BR1"));
    names[2] = QStringLiteral("GGLEAK");
    names << "PT"
          << "PT";
    tokens << "1S/BR1"
           << "5S/BR1";
    Write("net.brn", test::BranchNames({"Outlet", "Riser"}));
    const std::vector<QString> listed = ReadAndList(names, tokens);
    ASSERT_EQ(listed.size(), 15u);
    EXPECT_EQ(listed[2], QStringLiteral("Leakage, Gas Flow Rate at leak"));
    EXPECT_EQ(listed[13], QStringLiteral("Pressure at Riser"));
    EXPECT_EQ(listed[14], QStringLiteral("Pressure at Outlet"));
}

TEST_F(VariableList, MissingBranchNameFileLabelsByNumber) {
    const QString plt = WriteResult({"PT", "PT"}, {"1S/BR1", "1S/BR3"});
    ResultData data;
    ASSERT_TRUE(ReadResultFile(data, plt, test::ProgramDir()));
    ASSERT_EQ(recorder_.messages().size(), 1u);
    EXPECT_EQ(recorder_.messages()[0].text,
              "GUI branch identification file not found: " + Path("net.brn") + " !");
    EXPECT_EQ(recorder_.messages()[0].flags, MB_ICONINFORMATION);
    EXPECT_EQ(Listed(data), (std::vector<QString>{"Pressure Branch: 1", "Pressure Branch: 3"}));
}

TEST_F(VariableList, EntriesBeyondFiftyOneAreIgnored) {
    QStringList entries;
    for (int i = 0; i < 60; ++i) entries << QStringLiteral("Name %1").arg(i);
    Write("net.brn", test::BranchNames(entries));
    QStringList names, tokens;
    AddLeakGroup(names, tokens, QStringLiteral("1-/BR1"));
    names << "PT"
          << "PT";
    tokens << "1S/BR50"
           << "1S/BR51";
    const std::vector<QString> listed = ReadAndList(names, tokens);
    ASSERT_EQ(listed.size(), 15u);
    EXPECT_EQ(listed[13], QStringLiteral("Pressure at Name 50"));
    EXPECT_EQ(listed[14], QStringLiteral("Pressure Branch: 51"));
}

}  // namespace
}  // namespace tessel
