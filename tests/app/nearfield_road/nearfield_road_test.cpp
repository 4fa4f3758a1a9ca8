// The near-field road end to end on the real library: tools/zef_run
// --nearfield on the shipped examples, and the program's Calculate Nearfield,
// Calculate All and Nearfield Plot driven headless with scripted message
// boxes; both must write the same plume file.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../ui/scenario_script.h"
#include "message_box.h"
#include "nearfield_task.h"
#include "plot_launch.h"
#include "report_view.h"
#include "string_table.h"

namespace {

const QString kExamples = QStringLiteral(ORVANE_SOURCE_DIR "/examples/scenarios/");
const char* const kNames[] = {"oil_line.zef", "two_inlets_junction.zef", "gas_export.zef"};

struct Output {
    int status = -1;
    QString out, err;
};

Output zefRun(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(ORVANE_BIN_DIR "/zef_run"), args);
    p.waitForFinished(300000);
    Output o;
    o.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    o.out = QString::fromUtf8(p.readAllStandardOutput());
    o.err = QString::fromUtf8(p.readAllStandardError());
    return o;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A copy of a shipped example in dir, optionally edited as text.
QString copyExample(const QTemporaryDir& dir, const char* name, const QByteArray& from = {},
                    const QByteArray& to = {})
{
    QByteArray text = readAll(kExamples + name);
    if (!from.isEmpty())
        text.replace(from, to);
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        return QString();
    return path;
}

TEST(ZefRunNearfield, each_example_writes_its_plume_file_and_reports_the_radius)
{
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

TEST(ZefRunNearfield, unconfirmed_settings_exit_1_and_leave_no_plume_file)
{
    QTemporaryDir dir;
    const QString zef = copyExample(dir, "oil_line.zef",
                                    "<attribute name=\"gas_confirmed\">\n          <string>#true#</string>",
                                    "<attribute name=\"gas_confirmed\">\n          <string>#false#</string>");
    ASSERT_FALSE(zef.isEmpty());
    ASSERT_TRUE(readAll(zef).contains("<string>#false#</string>"));
    const Output o = zefRun({"--nearfield", zef});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(o.err.contains(AfxLoadString(16158))) << o.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(ResultFilePath(zef, ".dbs")));
}

TEST(ZefRunNearfield, saving_keeps_the_nearfield_section)
{
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

TEST(NearFieldTask, unprepared_model_fails_with_16148_through_the_task)
{
    CBubblePlume plume;
    CNearFieldTask task(plume);
    const TaskResult r = RunTaskAndWait(task);
    EXPECT_EQ(r.outcome, TaskOutcome::Failed);
    EXPECT_EQ(r.errorId, 16148u);
}

// ------------------------------------------------------------ the program

class RecordingLauncher : public CPlotLauncher {
public:
    void Start(const QString& path, const QStringList& args) override
    {
        program = path;
        arguments = args;
    }
    QString program;
    QStringList arguments;
};

class NearfieldProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(s.Start());
        s.app->GetSettings().SetDisplayUnits(0);  // Metric
        s.app->GetSettings().SetAutoResultOpen(false);
    }

    CScenarioDoc* Open(const char* name, QString* path)
    {
        *path = copyExample(dir, name);
        if (path->isEmpty() || !s.app->OpenDocumentFile(*path))
            return nullptr;
        return s.Doc();
    }

    QTemporaryDir dir;
    ScenarioScript s;
};

TEST_F(NearfieldProgram, calculate_nearfield_needs_a_discharge_then_all_writes_what_zef_run_writes)
{
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
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join("|").toStdString();
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
    EXPECT_TRUE(report->Text().contains(
        QStringLiteral("Average boiling zone radius: %1 m\r\n").arg(double(doc->Plume().ResultValue()), 0, 'g', 6)))
        << report->Text().toStdString();

    RecordingLauncher launcher;
    SetPlotLauncher(&launcher);
    s.Main()->ExecuteCommand(ID_RESULT_NEARFIELD_PLOT);
    SetPlotLauncher(nullptr);
    EXPECT_EQ(launcher.arguments, QStringList({ResultFilePath(path, ".dbs"), "/unit=1"}));
    doc->SetModifiedFlag(false);
}

TEST_F(NearfieldProgram, calculate_nearfield_after_a_discharge_marks_the_scenario_modified)
{
    QString path;
    CScenarioDoc* doc = Open("two_inlets_junction.zef", &path);
    ASSERT_NE(doc, nullptr);
    ScriptedMessageBoxes boxes;
    ASSERT_TRUE(doc->RunDischarge());
    doc->DoSave(path);
    ASSERT_FALSE(doc->IsModified());
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_NEARFIELD);
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join("|").toStdString();
    EXPECT_TRUE(doc->IsModified());
    EXPECT_GT(QFileInfo(ResultFilePath(path, ".dbs")).size(), 0);
    doc->SetModifiedFlag(false);
}

}  // namespace
