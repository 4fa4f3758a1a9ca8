// The near-field road end to end on the real library: tools/zef_run
// --nearfield on the shipped examples, and the program's Calculate Nearfield,
// Calculate All and Nearfield Plot driven headless with scripted message
// boxes; both must write the same plume file.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "../ui/scenario_script.h"
#include "message_box.h"
#include "nearfield_dlg.h"
#include "nearfield_task.h"
#include "plot_launch.h"
#include "report_view.h"
#include "string_table.h"

#include "../discharge/zef_run_process.h"

namespace {

const QString kExamples = QStringLiteral(ORVANE_SOURCE_DIR "/examples/scenarios/");
const char* const kNames[] = {"oil_line.zef", "two_inlets_junction.zef", "gas_export.zef",
                              "black_oil_line.zef"};

using discharge_test::Output;
using discharge_test::zefRun;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A copy of a shipped example in dir, optionally edited as text.
QString copyExample(const QTemporaryDir& dir, const char* name, const QByteArray& from = {},
                    const QByteArray& to = {}) {
    QByteArray text = readAll(kExamples + name);
    if (!from.isEmpty()) text.replace(from, to);
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) return QString();
    return path;
}

TEST(ZefRunNearfield, each_example_writes_its_plume_file_and_reports_the_radius) {
    for (const char* name : kNames) {
        QTemporaryDir dir;
        const QString zef = copyExample(dir, name);
        ASSERT_FALSE(zef.isEmpty()) << name;
        const Output o = zefRun({"--nearfield", zef});
        EXPECT_EQ(o.status, 0) << name << ": " << o.err.toStdString();
        EXPECT_GT(QFileInfo(ResultFilePath(zef, ".plt")).size(), 0) << name;
        EXPECT_GT(QFileInfo(ResultFilePath(zef, ".dbs")).size(), 0) << name;
        // The shipped settings do not ask for the air emission file.
        EXPECT_FALSE(QFileInfo::exists(ResultFilePath(zef, ".dat"))) << name;
        const int at = o.out.indexOf("Nearfield Summary:");
        ASSERT_GE(at, 0) << name << "\n" << o.out.toStdString();
        const QString section = o.out.mid(at);
        EXPECT_TRUE(section.contains("Start time, output to Ulv/5: Disabled")) << name;
        const int radius = section.indexOf("Average boiling zone radius: ");
        ASSERT_GE(radius, 0) << name;
        bool ok = false;
        const double value = section.mid(radius + 29).section(' ', 0, 0).toDouble(&ok);
        EXPECT_TRUE(ok && value > 0.0) << name << ": " << section.toStdString();
    }
}

// The message that ends a near-field run of the scenario without the Ulv/5
// option: it names the plume file.
QString filesWritten(const QString& zef) {
    return AfxLoadString(16260).arg(ResultFilePath(zef, ".dbs"));
}

// Columns of a result file by their names (the first header line), rows from
// the fourth line on.
std::map<QString, std::vector<double>> readColumns(const QString& path) {
    std::map<QString, std::vector<double>> columns;
    const QList<QByteArray> lines = readAll(path).split('\n');
    if (lines.size() < 4) return columns;
    const QStringList names = QString::fromLatin1(lines[0]).split(' ', Qt::SkipEmptyParts);
    for (qsizetype l = 3; l < lines.size(); ++l) {
        const QList<QByteArray> words = lines[l].simplified().split(' ');
        if (words.size() < names.size()) continue;
        // A name repeated in the header (PT) keeps its first column.
        for (qsizetype c = names.size(); c-- > 0;) {
            std::vector<double>& column = columns[names[c]];
            if (column.size() < static_cast<size_t>(l - 2))
                column.push_back(words[c].toDouble());
            else
                column.back() = words[c].toDouble();
        }
    }
    return columns;
}

// The plume file against the discharge it was computed from, on every shipped
// example: the gas rate at the leak has no single-row dip that the discharge's
// gas rate lacks, and the mass between two plume rows is, within a factor of
// two, what left the leak over the discharge interval that reaches the surface
// between them. A plume row's gas left the leak at its arrival time less 1.333
// transit times (the front's delay), within the interval of the .plt that holds
// that moment; the leak opens at 0 s with nothing released.
TEST(ZefRunNearfield, each_examples_plume_follows_its_discharge_without_dips) {
    for (const char* name : kNames) {
        SCOPED_TRACE(name);
        QTemporaryDir dir;
        const QString zef = copyExample(dir, name);
        const Output o = zefRun({"--nearfield", zef});
        ASSERT_EQ(o.status, 0) << o.err.toStdString();
        auto plt = readColumns(ResultFilePath(zef, ".plt"));
        auto dbs = readColumns(ResultFilePath(zef, ".dbs"));
        std::vector<double> t{0.0}, mass{0.0}, rate{0.0};
        for (size_t i = 0; i < plt["Time"].size(); ++i) {
            if (plt["Time"][i] < 0.0) continue;
            t.push_back(plt["Time"][i]);
            mass.push_back(plt["MASSLK"][i]);
            rate.push_back(plt["QGLEAK"][i]);
        }
        const std::vector<double>& T = dbs["Time"];
        const std::vector<double>& V = dbs["Vgas0"];
        const std::vector<double>& M = dbs["Macc"];
        const std::vector<double>& Rt = dbs["Rtime"];
        ASSERT_GT(T.size(), 10u);
        ASSERT_GT(t.size(), 10u);
        // The .plt row that ends the interval holding the release time r.
        auto ending = [&](double r) {
            const size_t k = std::lower_bound(t.begin(), t.end(), r) - t.begin();
            return std::clamp<size_t>(k, 1, t.size() - 1);
        };
        auto dipAt = [](const std::vector<double>& v, size_t i) {
            return i > 0 && i + 1 < v.size() && v[i] < 0.9 * std::min(v[i - 1], v[i + 1]);
        };
        // One row per second of arrival: no row is written twice.
        for (size_t i = 1; i < T.size(); ++i) EXPECT_GT(T[i], T[i - 1]) << "row " << i;
        size_t first = 0;  // the first row with gas at the surface
        while (first < T.size() && !(M[first] > 0.0)) ++first;
        ASSERT_LT(first + 2, T.size());
        int dips = 0, bookings = 0;
        for (size_t i = first + 1; i < T.size(); ++i) {
            const size_t k = ending(T[i] - 1.333 * Rt[i]);
            // A discharge that itself fell away between the releases that
            // reach the surface in the rows beside (the leak shut for a
            // while and opened again) dips the plume as well.
            auto dischargeDipped = [&] {
                if (i + 1 >= T.size()) return false;
                const size_t k0 = ending(T[i - 1] - 1.333 * Rt[i - 1]);
                const size_t k1 = ending(T[i + 1] - 1.333 * Rt[i + 1]);
                const double ends = 0.9 * std::min(rate[std::min(k0, k1)], rate[std::max(k0, k1)]);
                for (size_t j = std::min(k0, k1) + 1; j < std::max(k0, k1); ++j)
                    if (rate[j] < ends) return true;
                return false;
            };
            if (dipAt(V, i) && !dipAt(rate, k) && !dipAt(rate, k - 1) && !dischargeDipped() &&
                ++dips <= 3)
                ADD_FAILURE() << "Vgas0 " << V[i] << " at " << T[i] << " s between " << V[i - 1]
                              << " and " << V[i + 1];
            const double plume = M[i] - M[i - 1];
            const double leak = mass[k] - mass[ending(T[i - 1] - 1.333 * Rt[i - 1])];
            if (!(plume >= 0.5 * leak && plume <= 2.0 * leak) && ++bookings <= 3)
                ADD_FAILURE() << "Macc gains " << plume << " kg over " << T[i - 1] << "-" << T[i]
                              << " s, the discharge " << leak << " kg";
        }
        EXPECT_EQ(dips, 0);
        EXPECT_EQ(bookings, 0);
        // All the leaked mass reaches the surface.
        EXPECT_NEAR(M.back(), mass.back(), 1e-3 * mass.back());
    }
}

TEST(ZefRunNearfield, ulv5_option_also_writes_the_air_emission_file) {
    QTemporaryDir dir;
    const QString zef =
        copyExample(dir, "oil_line.zef",
                    "<attribute name=\"option_Ulv5\">\n          <boolean val=\"false\"/>\n        "
                    "</attribute>",
                    "<attribute name=\"option_Ulv5\"><boolean val=\"true\"/></attribute>"
                    "<attribute name=\"start_year\"><int val=\"2024\"/></attribute>"
                    "<attribute name=\"start_month\"><int val=\"12\"/></attribute>"
                    "<attribute name=\"start_day\"><int val=\"31\"/></attribute>"
                    "<attribute name=\"start_hour\"><int val=\"23\"/></attribute>"
                    "<attribute name=\"start_minute\"><int val=\"30\"/></attribute>");
    ASSERT_TRUE(readAll(zef).contains(
        "<boolean val=\"true\"/></attribute><attribute name=\"start_year\">"));
    const Output o = zefRun({"--nearfield", zef});
    EXPECT_EQ(o.status, 0) << o.err.toStdString();
    EXPECT_GT(QFileInfo(ResultFilePath(zef, ".dbs")).size(), 0);
    EXPECT_GT(QFileInfo(ResultFilePath(zef, ".dat")).size(), 0);
    EXPECT_TRUE(o.out.contains("Start time, output to Ulv/5: 2024-12-31 23:30 UTC"))
        << o.out.toStdString();
}

// The oil line laid at 1000 m (outlet pressure above the water's 10.2 MPa so
// that the leak flows) and at its own 120 m: the report's near-field lines
// carry the deep-water warning once, and only for the deep line.
TEST(ZefRunNearfield, a_leak_1000_m_deep_warns_in_the_report) {
    const QString warning = QStringLiteral(
        "Warning: The plume model leaves out gas dissolution and hydrate formation, which matter "
        "at "
        "leak depths below 500 m.\r\n");
    QTemporaryDir dir;
    QByteArray text = readAll(kExamples + "oil_line.zef");
    text.replace("<real val=\"120\"/>", "<real val=\"1000\"/>")
        .replace("<real val=\"1.31343e+06\"/>", "<real val=\"1.02022e+07\"/>")
        .replace("<real val=\"2e+06\"/>", "<real val=\"1.2e+07\"/>");
    const QString deep = dir.filePath("deep.zef");
    QFile f(deep);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
    f.close();
    const QString shallow = copyExample(dir, "oil_line.zef");
    for (const QString& zef : {deep, shallow}) {
        SCOPED_TRACE(zef.toStdString());
        const Output o = zefRun({"--nearfield", zef});
        ASSERT_EQ(o.status, 0) << o.err.toStdString();
        const QString section = o.out.mid(o.out.indexOf("Nearfield Summary:"));
        EXPECT_EQ(o.out.count(warning), zef == deep ? 1 : 0) << o.out.toStdString();
        EXPECT_EQ(section.count(warning), zef == deep ? 1 : 0);
        EXPECT_FALSE(o.out.contains("THE LEAK DOES NOT FLOW"));
    }
}

TEST(ZefRunNearfield, unconfirmed_settings_exit_1_and_leave_no_plume_file) {
    QTemporaryDir dir;
    const QString zef =
        copyExample(dir, "oil_line.zef",
                    "<attribute name=\"gas_confirmed\">\n          <string>#true#</string>",
                    "<attribute name=\"gas_confirmed\">\n          <string>#false#</string>");
    ASSERT_FALSE(zef.isEmpty());
    ASSERT_TRUE(readAll(zef).contains("<string>#false#</string>"));
    const Output o = zefRun({"--nearfield", zef});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(o.err.contains(AfxLoadString(16158))) << o.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(ResultFilePath(zef, ".dbs")));
}

TEST(ZefRunNearfield, saving_keeps_the_nearfield_section) {
    QTemporaryDir dir;
    const QString zef = copyExample(dir, "two_inlets_junction.zef");
    const QString out = dir.filePath("saved.zef");
    ASSERT_EQ(zefRun({"--save", out, zef}).status, 0);
    const QByteArray saved = readAll(out);
    EXPECT_TRUE(saved.contains("<zef:nearfield confirmed=\"true\">"));
    EXPECT_TRUE(saved.contains("<attribute name=\"smooth_massrate\">"));
    // And the saved file runs the same way.
    EXPECT_EQ(zefRun({"--nearfield", out}).status, 0);
}

TEST(NearFieldTask, unprepared_model_fails_with_16148_through_the_task) {
    CBubblePlume plume;
    CNearFieldTask task(plume);
    const TaskResult r = RunTaskAndWait(task);
    EXPECT_EQ(r.outcome, TaskOutcome::Failed);
    EXPECT_EQ(r.errorId, 16148u);
}

// ------------------------------------------------------------ the program

class RecordingLauncher : public CPlotLauncher {
public:
    void Start(const QString& path, const QStringList& args) override {
        program = path;
        arguments = args;
    }
    QString program;
    QStringList arguments;
};

class NearfieldProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(s.Start());
        s.app->GetSettings().SetDisplayUnits(0);  // Metric
        s.app->GetSettings().SetAutoResultOpen(false);
    }

    CScenarioDoc* Open(const char* name, QString* path) {
        *path = copyExample(dir, name);
        if (path->isEmpty() || !s.app->OpenDocumentFile(*path)) return nullptr;
        return s.Doc();
    }

    QTemporaryDir dir;
    ScenarioScript s;
};

TEST_F(NearfieldProgram,
       calculate_nearfield_needs_a_discharge_then_all_writes_what_zef_run_writes) {
    QString path;
    CScenarioDoc* doc = Open("oil_line.zef", &path);
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(doc->Plume().IsConfirmed());
    EXPECT_FALSE(s.Main()->QueryCommand(ID_RESULT_NEARFIELD_PLOT).m_bEnabled);

    ScriptedMessageBoxes boxes;
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_NEARFIELD);
    EXPECT_EQ(boxes.Texts(), QStringList{AfxLoadString(16161)});
    EXPECT_FALSE(QFileInfo::exists(ResultFilePath(path, ".dbs")));

    boxes.Clear();
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_ALL);
    EXPECT_EQ(boxes.Texts(), QStringList{filesWritten(path)});
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].icon, unsigned(MB_ICONINFORMATION));
    EXPECT_TRUE(doc->IsNearfieldPrepared());
    EXPECT_TRUE(doc->Plume().HasResult());
    EXPECT_TRUE(s.Main()->QueryCommand(ID_RESULT_NEARFIELD_PLOT).m_bEnabled);

    // The headless runner on another copy writes the same plume file.
    QTemporaryDir other;
    const QString copy = copyExample(other, "oil_line.zef");
    ASSERT_EQ(zefRun({"--nearfield", copy}).status, 0);
    const QByteArray programDbs = readAll(ResultFilePath(path, ".dbs"));
    EXPECT_FALSE(programDbs.isEmpty());
    EXPECT_EQ(programDbs, readAll(ResultFilePath(copy, ".dbs")));

    s.Main()->ExecuteCommand(ID_WINDOW_NEW_SUMMARY);
    auto* report = dynamic_cast<CReportView*>(s.Main()->GetActiveView());
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->Text().contains(QStringLiteral("Average boiling zone radius: %1 m\r\n")
                                            .arg(double(doc->Plume().ResultValue()), 0, 'g', 6)))
        << report->Text().toStdString();
    QDir().mkpath(QStringLiteral(ORVANE_TEST_ARTIFACTS));
    EXPECT_TRUE(
        s.Main()->grab().save(QStringLiteral(ORVANE_TEST_ARTIFACTS "/nearfield_report.png")));

    RecordingLauncher launcher;
    SetPlotLauncher(&launcher);
    s.Main()->ExecuteCommand(ID_RESULT_NEARFIELD_PLOT);
    SetPlotLauncher(nullptr);
    EXPECT_EQ(launcher.arguments, QStringList({ResultFilePath(path, ".dbs"), "/unit=1"}));
    doc->SetModifiedFlag(false);
}

TEST_F(NearfieldProgram, calculate_nearfield_after_a_discharge_saves_the_scenario_with_it) {
    QString path;
    CScenarioDoc* doc = Open("two_inlets_junction.zef", &path);
    ASSERT_NE(doc, nullptr);
    ScriptedMessageBoxes boxes;
    ASSERT_TRUE(doc->RunDischarge());
    doc->DoSave(path);
    ASSERT_FALSE(doc->IsModified());

    // The saved scenario holds an up-to-date result: the headless runner goes
    // straight to the plume and leaves the discharge files alone.
    QFile plt(ResultFilePath(path, ".plt"));
    ASSERT_TRUE(plt.open(QIODevice::ReadWrite));
    plt.seek(plt.size());
    ASSERT_EQ(plt.write("\n"), 1);  // a marker a new discharge run would not keep
    plt.close();
    const QByteArray marked = readAll(ResultFilePath(path, ".plt"));
    const Output o = zefRun({"--nearfield", path});
    EXPECT_EQ(o.status, 0) << o.err.toStdString();
    EXPECT_TRUE(o.out.contains("Average boiling zone radius: "));
    EXPECT_EQ(readAll(ResultFilePath(path, ".plt")), marked);
    QFile::remove(ResultFilePath(path, ".dbs"));
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_NEARFIELD);
    EXPECT_EQ(boxes.Texts(), QStringList{filesWritten(path)});
    EXPECT_FALSE(doc->IsModified());  // the result is saved with the scenario
    EXPECT_GT(QFileInfo(ResultFilePath(path, ".dbs")).size(), 0);
    doc->SetModifiedFlag(false);
}

// Calculate Discharge, save, close, reopen, then the near-field commands: the
// saved result is up to date but the reopened network has not been checked.
class ReopenedScenario : public NearfieldProgram {
protected:
    // Runs the discharge on a copy of the example, saves and closes it; then
    // changes the saved text and reopens it.
    CScenarioDoc* SaveAndReopen(const char* name, const QByteArray& from = {},
                                const QByteArray& to = {}) {
        CScenarioDoc* doc = Open(name, &path);
        if (!doc || !doc->RunDischarge()) return nullptr;
        doc->DoSave(path);
        s.app->CloseAllDocuments();
        QFile::remove(ResultFilePath(path, ".dbs"));
        QByteArray text = readAll(path);
        if (!from.isEmpty()) text.replace(from, to);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) return nullptr;
        f.close();
        if (!s.app->OpenDocumentFile(path)) return nullptr;
        return s.Doc();
    }

    QString path;
};

TEST_F(ReopenedScenario, nearfield_runs_the_plume_on_the_saved_discharge_result) {
    struct Case {
        const char* what;
        int command;
        bool dischargeRuns;
    };
    const Case cases[] = {
        {"Calculate Nearfield", ID_SCENARIO_CALC_NEARFIELD, false},
        {"Calculate All", ID_SCENARIO_CALC_ALL, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedMessageBoxes boxes;
        CScenarioDoc* doc = SaveAndReopen("oil_line.zef");
        ASSERT_NE(doc, nullptr);
        ASSERT_TRUE(doc->ReleaseModel().IsUpToDate());
        ASSERT_FALSE(doc->ReleaseModel().IsValidated());
        ASSERT_FALSE(QFileInfo::exists(ResultFilePath(path, ".dbs")));
        // A blank line that a new discharge run would not write.
        QFile plt(ResultFilePath(path, ".plt"));
        ASSERT_TRUE(plt.open(QIODevice::Append));
        ASSERT_EQ(plt.write("\n"), 1);
        plt.close();
        const QByteArray marked = readAll(ResultFilePath(path, ".plt"));

        s.Main()->ExecuteCommand(c.command);
        EXPECT_EQ(boxes.Texts(), QStringList{filesWritten(path)});
        EXPECT_GT(QFileInfo(ResultFilePath(path, ".dbs")).size(), 0);
        EXPECT_TRUE(doc->ReleaseModel().IsUpToDate());
        EXPECT_TRUE(doc->IsNearfieldPrepared());
        EXPECT_EQ(readAll(ResultFilePath(path, ".plt")) != marked, c.dischargeRuns);

        s.Main()->ExecuteCommand(ID_WINDOW_NEW_SUMMARY);
        auto* report = dynamic_cast<CReportView*>(s.Main()->GetActiveView());
        ASSERT_NE(report, nullptr);
        const QString text = report->Text();
        EXPECT_FALSE(text.contains("(needs recalculation)")) << text.toStdString();
        EXPECT_TRUE(text.contains("Nearfield Summary:\r\n")) << text.toStdString();
        EXPECT_TRUE(text.contains("Average boiling zone radius: ")) << text.toStdString();
        // 120 m deep: no warning about deep water.
        EXPECT_FALSE(text.contains("Warning: The plume model")) << text.toStdString();
        doc->SetModifiedFlag(false);
        s.app->CloseAllDocuments();
    }
}

TEST_F(ReopenedScenario, a_network_that_no_longer_checks_out_gives_the_checks_message) {
    ScriptedMessageBoxes boxes;
    // The outlet turned into a second inlet behind the program's back.
    CScenarioDoc* doc = SaveAndReopen("oil_line.zef", "type=\"FlowOutlet\"", "type=\"FlowInlet\"");
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(doc->ReleaseModel().IsUpToDate());
    boxes.Clear();
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_NEARFIELD);
    EXPECT_EQ(boxes.Texts(), QStringList{AfxLoadString(16103)});
    EXPECT_FALSE(QFileInfo::exists(ResultFilePath(path, ".dbs")));
    EXPECT_FALSE(doc->IsNearfieldPrepared());
    doc->SetModifiedFlag(false);
}

// ------------------------------------------------------------ set-up dialog

TEST(NearFieldModelDlg, month_lengths_follow_the_calendar) {
    const struct {
        int year, month, days;
    } cases[] = {{2023, 1, 31},  {2023, 2, 28},  {2024, 2, 29}, {1900, 2, 28},
                 {2000, 2, 29},  {2023, 4, 30},  {2023, 6, 30}, {2023, 9, 30},
                 {2023, 11, 30}, {2023, 12, 31}, {2023, 13, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(CNearFieldModelDlg::DaysInMonth(c.year, c.month), c.days)
            << c.year << "-" << c.month;
}

// Inside the running program, so that the unit tables and the metric display
// units are in place.
// Nearfield Setup in the program lists the profiles shipped beside it, and
// every example opens with its settings confirmed and its site's profile chosen.
TEST_F(NearfieldProgram, setup_lists_the_shipped_profiles_and_the_examples_are_confirmed) {
    const QStringList shipped = {"NorthSea_Summer.AHP", "NorthSea_Winter.AHP",
                                 "NorwegianSea_Summer.AHP"};
    for (const char* name : kNames) {
        SCOPED_TRACE(name);
        QString path;
        CScenarioDoc* doc = Open(name, &path);
        ASSERT_NE(doc, nullptr);
        EXPECT_TRUE(doc->Plume().IsConfirmed());
        QStringList listed;
        QString chosen;
        s.WithDialog(
            ID_SCENARIO_NEARFIELD_SETUP,
            [&](CDialog* d) {
                auto* list = d->Item<QComboBox>(CNearFieldModelDlg::IDC_AMBIENT);
                for (int i = 0; list && i < list->count(); ++i) listed << list->itemText(i);
                if (list) chosen = list->currentText();
            },
            IDCANCEL);
        for (const QString& profile : shipped)
            EXPECT_TRUE(listed.contains(profile)) << qPrintable(profile);
        EXPECT_TRUE(shipped.contains(chosen)) << qPrintable(chosen);
        doc->SetModifiedFlag(false);
        s.app->CloseAllDocuments();
    }
}

class NearFieldDialog : public NearfieldProgram {
protected:
    void SetUp() override {
        NearfieldProgram::SetUp();
        ASSERT_TRUE(dir.isValid());
        for (const char* name :
             {"North.AHP", "south.ahp", "east.Ahp", "notes.txt", "west.AHP.bak"}) {
            QFile f(dir.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        QDir().mkpath(QStringLiteral(ORVANE_TEST_ARTIFACTS));
    }
    // Runs the dialog on the plume; the script gets it initialised.
    int Run(const std::function<void(CNearFieldModelDlg&)>& script) {
        CNearFieldModelDlg dlg(&plume, dir.path());
        const CDialog::ModalHook previous = CDialog::SetModalHook(
            [&](CDialog* d) { script(*static_cast<CNearFieldModelDlg*>(d)); });
        const int result = dlg.DoModal();
        CDialog::SetModalHook(previous);
        return result;
    }
    static void SetText(CDialog& d, int id, const QString& text) {
        d.Item<QLineEdit>(id)->setText(text);
    }

    CBubblePlume plume;
};

TEST_F(NearFieldDialog, lists_ahp_files_in_any_case_and_stores_the_name_without_extension) {
    EXPECT_EQ(CNearFieldModelDlg::AmbientFiles(dir.path()),
              QStringList({"east.Ahp", "North.AHP", "south.ahp"}));
    plume.Setup().ambient = QStringLiteral("SOUTH");
    const int result = Run([](CNearFieldModelDlg& d) {
        auto* combo = d.Item<QComboBox>(CNearFieldModelDlg::IDC_AMBIENT);
        EXPECT_EQ(combo->currentText(), QStringLiteral("south.ahp"));
        // Without the Ulv/5 option the date is empty and disabled.
        EXPECT_TRUE(d.Item<QLineEdit>(CNearFieldModelDlg::IDC_YEAR)->text().isEmpty());
        EXPECT_FALSE(d.Item<QLineEdit>(CNearFieldModelDlg::IDC_YEAR)->isEnabled());
        EXPECT_TRUE(d.Item<QLabel>(CNearFieldModelDlg::IDC_WATER_TEMP_UNIT)->text().contains("C"));
        combo->setCurrentIndex(0);
        SetText(d, CNearFieldModelDlg::IDC_WATER_TEMP, "7.5");
        SetText(d, CNearFieldModelDlg::IDC_SMOOTHING, "3");
        d.accept();
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(plume.Setup().ambient, QStringLiteral("east"));
    EXPECT_FLOAT_EQ(plume.Setup().water_temperature, 7.5f);
    EXPECT_EQ(plume.smooth_massrate(), 3);
    EXPECT_FALSE(plume.Setup().option_Ulv5);
    EXPECT_TRUE(plume.IsConfirmed());
}

TEST_F(NearFieldDialog, ulv5_date_is_checked_against_the_month_length) {
    const struct {
        const char* what;
        const char *year, *month, *day, *hour, *minute;
        const char* message;  // empty: accepted
    } cases[] = {
        {"leap day", "2024", "2", "29", "23", "30", ""},
        {"no leap day in 2023", "2023", "2", "29", "23", "30",
         "Enter an integer between 1 and 28."},
        {"year after 2038", "2039", "2", "1", "23", "30",
         "Enter an integer between 1970 and 2038."},
        {"month 0", "2024", "0", "1", "23", "30", "Enter an integer between 1 and 12."},
        {"month 13", "2024", "13", "1", "23", "30", "Enter an integer between 1 and 12."},
        {"hour 24", "2024", "2", "1", "24", "30", "Enter an integer between 0 and 23."},
        {"minute 60", "2024", "2", "1", "23", "60", "Enter an integer between 0 and 59."},
    };
    for (const auto& c : cases) {
        const bool accepted = !*c.message;
        plume.Setup() = NearFieldSetup();
        plume.gas_confirmed = false;
        ScriptedMessageBoxes boxes;
        const int result = Run([&](CNearFieldModelDlg& d) {
            d.Item<QCheckBox>(CNearFieldModelDlg::IDC_OPTION_ULV5)->setChecked(true);
            EXPECT_TRUE(d.Item<QLineEdit>(CNearFieldModelDlg::IDC_YEAR)->isEnabled());
            SetText(d, CNearFieldModelDlg::IDC_YEAR, c.year);
            SetText(d, CNearFieldModelDlg::IDC_MONTH, c.month);
            SetText(d, CNearFieldModelDlg::IDC_DAY, c.day);
            SetText(d, CNearFieldModelDlg::IDC_HOUR, c.hour);
            SetText(d, CNearFieldModelDlg::IDC_MINUTE, c.minute);
            if (accepted) {
                EXPECT_TRUE(d.grab().save(
                    QStringLiteral(ORVANE_TEST_ARTIFACTS "/nearfield_setup_dialog.png")));
            }
            d.accept();
        });
        EXPECT_EQ(boxes.Texts(), accepted ? QStringList() : QStringList{c.message}) << c.what;
        EXPECT_EQ(result == IDOK, accepted) << c.what;
        EXPECT_EQ(plume.IsConfirmed(), accepted) << c.what;
        if (accepted) {
            EXPECT_TRUE(plume.Setup().option_Ulv5);
            EXPECT_EQ(plume.Setup().start_year, 2024);
            EXPECT_EQ(plume.Setup().start_month, 2);
            EXPECT_EQ(plume.Setup().start_day, 29);
            EXPECT_EQ(plume.Setup().start_hour, 23);
            EXPECT_EQ(plume.Setup().start_minute, 30);
        }
    }
}

TEST_F(NearfieldProgram, nearfield_setup_ok_on_an_edit_marks_modified_and_drops_the_preparation) {
    QString path;
    CScenarioDoc* doc = Open("gas_export.zef", &path);
    ASSERT_NE(doc, nullptr);
    ScriptedMessageBoxes boxes;
    ASSERT_TRUE(doc->RunDischarge());
    ASSERT_TRUE(doc->RunNearfield(false));
    ASSERT_TRUE(doc->IsNearfieldPrepared());
    doc->SetModifiedFlag(false);
    // OK on the settings as shown keeps everything.
    CDialog::ModalHook previous = CDialog::SetModalHook([](CDialog* d) { d->accept(); });
    s.Main()->ExecuteCommand(ID_SCENARIO_NEARFIELD_SETUP);
    CDialog::SetModalHook(previous);
    EXPECT_TRUE(doc->IsNearfieldPrepared());
    EXPECT_FALSE(doc->IsModified());
    previous = CDialog::SetModalHook([](CDialog* d) {
        d->Item<QLineEdit>(CNearFieldModelDlg::IDC_SMOOTHING)->setText("9");
        d->accept();
    });
    s.Main()->ExecuteCommand(ID_SCENARIO_NEARFIELD_SETUP);
    CDialog::SetModalHook(previous);
    EXPECT_FALSE(doc->IsNearfieldPrepared());
    EXPECT_TRUE(doc->IsModified());
    // The report then leaves out the near-field section.
    s.Main()->ExecuteCommand(ID_WINDOW_NEW_SUMMARY);
    auto* report = dynamic_cast<CReportView*>(s.Main()->GetActiveView());
    ASSERT_NE(report, nullptr);
    EXPECT_FALSE(report->Text().contains("Nearfield Summary:"));
    doc->SetModifiedFlag(false);
}

}  // namespace

namespace {

// ------------------------------------------------------ settings in range

// Each near-field number at the ends of what it can be and one step past:
// the dialog takes the ends and refuses the step past with the message the
// check before a run gives (setting, value and range), and keeps the dialog
// open. The dialog says which settings the plume uses.
TEST_F(NearFieldDialog, each_setting_is_taken_at_its_limits_and_refused_one_step_past) {
    const double warmest = 40.0, coldest = -2.0, longest = 2592000.0, hours = 720.0;
    const struct {
        const char* what;
        int id;
        double value;
        const char* message;  // empty: accepted
    } cases[] = {
        {"coldest water", CNearFieldModelDlg::IDC_WATER_TEMP, coldest, ""},
        {"warmest water", CNearFieldModelDlg::IDC_WATER_TEMP, warmest, ""},
        {"water below", CNearFieldModelDlg::IDC_WATER_TEMP,
         double(std::nextafter(float(coldest), -100.0f)),
         "The nearfield model's water temperature of -2.0000002 °C lies outside -2 °C to 40 °C."},
        {"water above", CNearFieldModelDlg::IDC_WATER_TEMP,
         double(std::nextafter(float(warmest), 100.0f)),
         "The nearfield model's water temperature of 40.000004 °C lies outside -2 °C to 40 °C."},
        {"water at 1e30", CNearFieldModelDlg::IDC_WATER_TEMP, 1e30,
         "The nearfield model's water temperature of 1e+30 °C lies outside -2 °C to 40 °C."},
        {"no tracking", CNearFieldModelDlg::IDC_PLUME_TRACKING, 0.0, ""},
        {"tracking 30 days", CNearFieldModelDlg::IDC_PLUME_TRACKING, longest, ""},
        {"tracking -10 s", CNearFieldModelDlg::IDC_PLUME_TRACKING, -10.0,
         "The nearfield model's plume tracking time of -10 s lies outside 0 s to 2592000 s."},
        {"tracking past 30 days", CNearFieldModelDlg::IDC_PLUME_TRACKING, 2592000.5,
         "The nearfield model's plume tracking time of 2592000.5 s lies outside 0 s to 2592000 "
         "s."},
        {"step of an hour", CNearFieldModelDlg::IDC_PLUME_STEP, 3600.0, ""},
        {"step of 0 s", CNearFieldModelDlg::IDC_PLUME_STEP, 0.0,
         "The nearfield model's plume time step of 0 s must be above 0 s and at most 3600 s."},
        {"step past an hour", CNearFieldModelDlg::IDC_PLUME_STEP, 3600.5,
         "The nearfield model's plume time step of 3600.5 s must be above 0 s and at most 3600 "
         "s."},
        {"output -1 s", CNearFieldModelDlg::IDC_PLUME_OUTPUT, -1.0,
         "The nearfield model's plume output interval of -1 s lies outside 0 s to 2592000 s."},
        {"current from 720 hours", CNearFieldModelDlg::IDC_AMBIENT_START, hours, ""},
        {"current from -1 hours", CNearFieldModelDlg::IDC_AMBIENT_START, -1.0,
         "The nearfield model's start of the current of -1 hours lies outside 0 hours to 720 "
         "hours."},
        {"snapshots 721 hours apart", CNearFieldModelDlg::IDC_SNAPSHOT_INTERVAL, 721.0,
         "The nearfield model's snapshot interval of 721 hours lies outside 0 hours to 720 "
         "hours."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool accepted = !*c.message;
        plume.Setup() = NearFieldSetup();
        plume.gas_confirmed = false;
        ScriptedMessageBoxes boxes;
        QString used;
        const int result = Run([&](CNearFieldModelDlg& d) {
            used = d.Item<QLabel>(CNearFieldModelDlg::IDC_SETTINGS_USED)->text();
            SetText(d, c.id, QString::number(c.value, 'g', 17));
            d.accept();
        });
        EXPECT_EQ(boxes.Texts(), accepted ? QStringList() : QStringList{c.message});
        EXPECT_EQ(result == IDOK, accepted);
        EXPECT_EQ(plume.IsConfirmed(), accepted);
        EXPECT_TRUE(used.startsWith("The plume uses the smoothing")) << used.toStdString();
        // The check before a run gives the same verdict on the stored value.
        if (accepted) {
            EXPECT_EQ(CheckNearFieldSetup(plume.Setup()).id, 0u);
        }
    }
}

// A scenario saved with water at 1e30 C (as older versions took it): Verify
// Layout and Calculate Nearfield in the program name it, and zef_run
// --nearfield and --verify exit 1 naming it, writing no plume file.
TEST_F(NearfieldProgram, a_stored_setting_out_of_range_is_refused_by_verify_run_and_zef_run) {
    const QString message =
        "The nearfield model's water temperature of 1e+30 °C lies outside -2 °C to 40 °C.";
    QTemporaryDir other;
    const QString copy =
        copyExample(other, "oil_line.zef", "<real val=\"7.2\"/>", "<real val=\"1e30\"/>");
    ASSERT_TRUE(readAll(copy).contains("<real val=\"1e30\"/>"));
    for (const char* mode : {"--nearfield", "--verify"}) {
        const Output o = zefRun({mode, copy});
        EXPECT_EQ(o.status, 1) << mode;
        EXPECT_TRUE(o.err.contains(message)) << mode << ": " << o.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(ResultFilePath(copy, ".dbs")));

    ASSERT_TRUE(s.app->OpenDocumentFile(copy));
    CScenarioDoc* doc = s.Doc();
    ASSERT_NE(doc, nullptr);
    ScriptedMessageBoxes boxes;
    s.Main()->ExecuteCommand(ID_SCENARIO_VERIFY);
    EXPECT_EQ(boxes.Texts(), QStringList{message});
    boxes.Clear();
    ASSERT_TRUE(doc->RunDischarge());
    boxes.Clear();
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_NEARFIELD);
    EXPECT_EQ(boxes.Texts(), QStringList{message});
    EXPECT_FALSE(QFileInfo::exists(ResultFilePath(copy, ".dbs")));
    doc->SetModifiedFlag(false);
}

}  // namespace
