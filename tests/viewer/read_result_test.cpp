// Reading result files into the viewer's table: header lines, position
// tokens, free-format rows, warm-up rows, time units and every refusal.
#include "result_data.h"
#include "test_support.h"
#include "text_utils.h"

#include <QDir>

namespace tessel {
namespace {

using test::ProgramDir;

// A small discharge result in the writer's layout: two value columns.
const QByteArray kHeader =
    "           Time           MASSLK         PT\n"
    "           S              KG             N/M2\n"
    "           -            50-/BR1         1S/BR1\n";

class ReadResult : public test::ScratchTest {
protected:
    bool Read(const QString& path, ResultData& data) {
        return ReadResultFile(data, path, ProgramDir());
    }
};

TEST_F(ReadResult, NegativeTimesRestartTheTableAndRowsMaySpanLines) {
    const QString path = Write("net.plt", kHeader +
                                              "   -5.0000  1.0  100.0\n"
                                              "   -1.0000  2.0  200.0\n"
                                              "    0.0000  3.0\n"
                                              "            300.0\n"
                                              "   60.000,  4.0, 400.0\n");
    Write("net.brn", test::BranchNames({"Outlet", "Riser"}));
    ResultData data;
    ASSERT_TRUE(Read(path, data)) << recorder_.texts().toStdString();
    EXPECT_TRUE(recorder_.messages().empty()) << recorder_.texts().toStdString();
    EXPECT_TRUE(data.IsPlt);
    EXPECT_EQ(data.nCol, 2);
    ASSERT_EQ(data.nRow, 2);
    EXPECT_EQ(data.Tdata, (std::vector<double>{0.0, 60.0}));
    EXPECT_EQ(data.Ydata[1], (std::vector<double>{3.0, 4.0}));
    EXPECT_EQ(data.Ydata[2], (std::vector<double>{300.0, 400.0}));
    EXPECT_EQ(data.Vunit, (QStringList{"S", "KG", "N/M2"}));
}

// A run stopped between the renames of its commit leaves the new .plt beside
// the previous .brn, and the record of the commit in the scenario's run
// folder: the viewer does not show the new curves under the previous run's
// branch names, nor any file of that set, and says why. Once the commit is
// complete (the record gone) the same files are read.
TEST_F(ReadResult, AHalfCommittedSetIsRefusedUntilItsCommitIsComplete) {
    const QString plt = Write("net.plt", kHeader + "    0.0000  3.0  300.0\n");
    Write("net.brn", test::BranchNames({"Previous outlet", "Previous riser"}));
    const QString dbs = Write("net.dbs", QByteArray("Time A\nS M\n- -\n0 1\n"));
    ASSERT_TRUE(QDir(dir_.path()).mkpath(".net.run"));
    const QString journal = Write(".net.run/journal", "commit\nR 1 net.plt\nR 1 net.brn\n");
    size_t said = 0;
    for (const QString& path : {plt, dbs}) {
        ResultData data;
        EXPECT_FALSE(Read(path, data)) << path.toStdString();
        EXPECT_EQ(data.nCol, 0);
        ASSERT_EQ(recorder_.messages().size(), ++said);
        EXPECT_EQ(recorder_.messages().back().text,
                  "The results of the scenario \"net\" (in " +
                      QDir::toNativeSeparators(dir_.path()) +
                      ") are being put in place by a run, or a run was stopped while it put them "
                      "in place: the files beside the scenario may be of two runs, and " +
                      QDir::toNativeSeparators(path) +
                      " was not shown. Open the scenario in the program (or run it again), which "
                      "completes them, then open the plot again.");
    }
    ASSERT_TRUE(QFile::remove(journal));
    ResultData data;
    EXPECT_TRUE(Read(plt, data)) << recorder_.texts().toStdString();
    EXPECT_EQ(recorder_.messages().size(), said);
    EXPECT_EQ(data.nRow, 1);
}

TEST_F(ReadResult, TimeUnitsScaleTheTimeColumn) {
    const struct {
        const char* unit;
        double factor;
    } cases[] = {{"S", 1},    {"MIN", 60}, {"min", 60}, {"M", 60},
                 {"H", 3600}, {"h", 3600}, {"SEC", 1},  {"D", 1}};
    for (const auto& c : cases) {
        const QString path =
            Write("t.dbs", QByteArray("Time A\n") + c.unit + " M\n- -\n0 1\n2.5 2\n");
        ResultData data;
        ASSERT_TRUE(Read(path, data)) << c.unit;
        ASSERT_EQ(data.nRow, 2) << c.unit;
        EXPECT_DOUBLE_EQ(data.Tdata[1], 2.5 * c.factor) << c.unit;
    }
}

TEST_F(ReadResult, PositionTokensGiveBranchPositionAndLabel) {
    const QString path = Write("net.plt",
                               "           Time           PT             PT             PT\n"
                               "           S              N/M2           N/M2           N/M2\n"
                               "           -            12A/BR3        101B/BR1         1S/BR*\n"
                               "    0.0000  1.0  2.0  3.0\n");
    ResultData data;
    ASSERT_TRUE(Read(path, data)) << recorder_.texts().toStdString();
    EXPECT_EQ(data.BrNr, (std::vector<int>{0, 3, 1, kUnknownBranch}));
    EXPECT_EQ(data.PosNr, (std::vector<int>{0, 12, 101, 1}));
    EXPECT_EQ(data.PosLbl, (QStringList{"", "A/BR3", "B/BR1", "S/BR*"}));
    EXPECT_EQ(data.Vpos.at(1), QStringLiteral("12A/BR3"));
}

TEST_F(ReadResult, PlumeFileWithItsSixColumns) {
    // As the near-field model writes it: names left-aligned in 9 columns,
    // values in 8-character fields.
    const QString path = Write("net.dbs",
                               "Time     Vgas0    Macc     W        Rtime    Qgas     R\n"
                               "s        m3/s     kg       m/s      s        kg/s     m\n"
                               "-        -        -        -        -        -        -\n"
                               "0.00000  0.00000  0.00000  0.00000  0.00000  0.00000  0.00000 \n"
                               "49.0000  1.00000  10.0000  3.02040  35.9718  0.204082 23.2702 \n"
                               "60.0000  0.500000 20.0000  2.39729  45.3217  0.909091 21.2830 \n");
    ResultData data;
    ASSERT_TRUE(Read(path, data)) << recorder_.texts().toStdString();
    EXPECT_TRUE(recorder_.messages().empty())
        << "a plume file has no branch names: " << recorder_.texts().toStdString();
    EXPECT_FALSE(data.IsPlt);
    EXPECT_EQ(data.nCol, 6);
    EXPECT_EQ(data.nRow, 3);
    EXPECT_DOUBLE_EQ(data.Ydata[6][1], 23.2702);
    EXPECT_DOUBLE_EQ(data.Ydata[5][2], 0.909091);
    // The shipped conversion file shows all six under their descriptions.
    EXPECT_EQ(data.Vshow, (std::vector<bool>{false, true, true, true, true, true, true}));
    EXPECT_EQ(data.Vname.at(1), QStringLiteral("Gas volume rate at the leak"));
}

TEST_F(ReadResult, CrLfFilesReadLikeLfFiles) {
    // Fourteen pressure columns, so that the last one is past the leak group
    // and takes its label from the branch-name file.
    QByteArray text = "Time";
    for (int k = 1; k <= 14; ++k) text += " PT";
    text += "\nS";
    for (int k = 1; k <= 14; ++k) text += " N/M2";
    text += "\n-";
    for (int k = 1; k <= 14; ++k) text += " 1S/BR1";
    text += "\n";
    for (int t : {0, 60}) {
        text += QByteArray::number(t);
        for (int k = 1; k <= 14; ++k) text += " " + QByteArray::number(k);
        text += "\n";
    }
    text.replace("\n", "\r\n");
    const QString path = Write("net.plt", text);
    Write("net.brn", QByteArray(test::BranchNames({"Outlet", "Riser"})).replace("\n", "\r\n"));
    ResultData data;
    ASSERT_TRUE(Read(path, data)) << recorder_.texts().toStdString();
    EXPECT_EQ(data.Vunit.last(), QStringLiteral("N/M2"));
    EXPECT_EQ(data.Vpos.last(), QStringLiteral("1S/BR1"));
    EXPECT_EQ(data.BrLabel.last(), QStringLiteral("Riser"));
    EXPECT_EQ(data.Vname.last(), QStringLiteral("Pressure"));
    EXPECT_EQ(data.Vshow.back(), true);
    EXPECT_EQ(data.nRow, 2);
    EXPECT_EQ(data.Ydata[14][1], 14.0);
}

TEST_F(ReadResult, RefusedFilesNameTheLineAndLeaveNothing) {
    const struct {
        const char* what;
        QByteArray content;
        const char* expected;  // part of the message
    } cases[] = {
        {"empty file", "", "line 1: the header line of variable names is missing or empty!"},
        {"blank names", "   \nS KG\n- 1-/BR1\n",
         "line 1: the header line of variable names is missing or empty!"},
        {"no units line", "Time MASSLK\n", "line 2: the header line of units is missing or empty!"},
        {"empty positions", "Time MASSLK\nS KG\n\n0 1\n",
         "line 3: the header line of positions is missing or empty!"},
        {"too few units", "Time MASSLK PT\nS KG\n- 1-/BR1 1S/BR1\n",
         "line 2: the header line holds 2 units for 3 columns!"},
        {"unreadable branch", "Time PT\nS N/M2\n- 1S/BRX\n",
         "line 3: the position token 1S/BRX of column 1 cannot be read!"},
        {"no slash in token", "Time PT\nS N/M2\n- 1SBR1\n",
         "line 3: the position token 1SBR1 of column 1 cannot be read!"},
        {"unreadable position", "Time PT\nS N/M2\n- xS/BR1\n",
         "line 3: the position token xS/BR1 of column 1 cannot be read!"},
        {"unreadable number", "Time PT\nS N/M2\n- 1S/BR1\n0 1\n60 1.2.3\n",
         "line 5: 1.2.3 is not a number!"},
        {"not a number at all", "Time PT\nS N/M2\n- 1S/BR1\n0 1\nNaN 2\n",
         "line 5: NaN is not a number!"},
        {"header without rows", "Time PT\nS N/M2\n- 1S/BR1\n",
         "the file holds its header but no rows of results!"},
        {"header and blank lines", "Time PT\nS N/M2\n- 1S/BR1\n\n  \n",
         "the file holds its header but no rows of results!"},
        {"short last row", "Time PT MASSLK\nS N/M2 KG\n- 1S/BR1 1-/BR1\n0 1 2\n60 1\n",
         "line 5: the last row ends after 2 of 3 numbers!"},
        // Finite in the file, infinite once in seconds (5e304 h and more).
        {"hours beyond seconds", "Time PT\nH N/M2\n- 1S/BR1\n0 1\n1e305 2\n",
         "line 5: the time 1e305 H is too large to be held in seconds!"},
        {"minutes beyond seconds, row over two lines",
         "Time PT\nmin N/M2\n- 1S/BR1\n0 1\n1.7e307\n2\n",
         "line 5: the time 1.7e307 min is too large to be held in seconds!"},
    };
    for (const auto& c : cases) {
        test::MessageRecorder recorder;
        const QString path = Write("bad.plt", c.content);
        ResultData data;
        EXPECT_FALSE(Read(path, data)) << c.what;
        EXPECT_EQ(data.nCol, 0) << c.what;
        EXPECT_EQ(data.nRow, 0) << c.what;
        EXPECT_TRUE(data.Vshow.empty()) << c.what;
        ASSERT_FALSE(recorder.messages().empty()) << c.what;
        const MessageRequest& last = recorder.messages().back();
        EXPECT_EQ(last.text.toStdString(), (path + ": " + c.expected).toStdString()) << c.what;
        EXPECT_EQ(last.title, kAppTitle) << c.what;
        EXPECT_EQ(last.flags, MB_ICONEXCLAMATION) << c.what;
    }
}

TEST_F(ReadResult, MissingOrUnnamedFileIsReportedAndNothingRead) {
    const struct {
        QString name;
        QString expected;
    } cases[] = {
        {QString(), QStringLiteral("No file has been specified!")},
        {Path("gone.plt"), Path("gone.plt") + QStringLiteral(" has been moved or does not exist!")},
        {dir_.path(), dir_.path() + QStringLiteral(" has been moved or does not exist!")},
    };
    for (const auto& c : cases) {
        test::MessageRecorder recorder;
        ResultData data;
        EXPECT_FALSE(Read(c.name, data));
        ASSERT_EQ(recorder.messages().size(), 1u);
        EXPECT_EQ(recorder.messages()[0].text, c.expected);
        EXPECT_EQ(recorder.messages()[0].title, kAppTitle);
    }
}

TEST(TextHelpers, SplitWords) {
    const struct {
        QString line;
        QString delimiter;
        QStringList words;
    } cases[] = {
        {"", " ", {}},
        {"   ", " ", {""}},
        {"  a  b ", " ", {"a", "b"}},
        {"a\tb c", " ", {"a\tb", "c"}},
        {"a,,b,", ",", {"a", "b"}},
        {"abcab", "ab", {"c"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitWords(c.line, c.delimiter), c.words) << c.line.toStdString();
}

TEST(TextHelpers, PhraseTrimsAndCountsFromOne) {
    QString text = QStringLiteral("  yes PT   Pressure at  ");
    EXPECT_EQ(Phrase(text, 0), QStringLiteral("yes"));
    EXPECT_EQ(text, QStringLiteral("yes PT   Pressure at"));
    EXPECT_EQ(Phrase(text, 3), QStringLiteral("Pressure"));
    EXPECT_EQ(Phrase(text, 4), QStringLiteral("at"));
    EXPECT_EQ(Phrase(text, 5), QString());
}

TEST_F(ReadResult, FileExistsOnlyForRegularFiles) {
    const QString file = Write("a.plt", "x");
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(file + "\\"));
    EXPECT_FALSE(FileExists(dir_.path()));
    EXPECT_FALSE(FileExists(dir_.path() + "\\"));
    EXPECT_FALSE(FileExists(Path("b.plt")));
    EXPECT_FALSE(FileExists(QString()));
}

TEST(TextHelpers, ValReadsTheLeadingNumber) {
    const struct {
        const char* text;
        double value;
    } cases[] = {{"12.5", 12.5}, {" 1 2.5 ", 12.5}, {"-3e2x", -300}, {"7abc", 7}, {"abc", 0},
                 {"", 0},        {".5", 0.5},       {"1e", 1},       {"+4", 4},   {"2,5", 2}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(Val(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace tessel
