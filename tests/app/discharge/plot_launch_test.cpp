// Result paths beside a scenario, the branch-name file for the plot viewer
// and the viewer's start through the launcher.
#include "discharge_fixture.h"
#include "plot_launch.h"
#include "release_section.h"
#include "system_settings.h"

#include <vexil/diagram_file.h>

#include <QFile>

#include <gtest/gtest.h>

namespace {

using namespace discharge_test;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST(ResultPaths, base_path_cuts_only_a_file_extension) {
    const struct {
        const char* scenario;
        const char* base;
    } cases[] = {
        {"/data/net.zef", "/data/net"},
        {"/data/net.1.zef", "/data/net.1"},
        {"/data/run.v2/net", "/data/run.v2/net"},  // a dot in a folder name is no extension
        {"/data/run.v2/net.zef", "/data/run.v2/net"},
        {"net", "net"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ResultBasePath(c.scenario), c.base) << c.scenario;
    EXPECT_EQ(ResultFilePath("/data/run.v2/net", ".$$$"), "/data/run.v2/net.$$$");
    EXPECT_EQ(ResultFilePath("/data/net.1.zef", ".plt"), "/data/net.1.plt");
}

TEST(ResultPaths, result_file_counts_only_when_it_has_content) {
    QTemporaryDir dir;
    const QString path = dir.filePath("net.plt");
    EXPECT_FALSE(HasResultFile(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_FALSE(HasResultFile(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Time\n");
    f.close();
    EXPECT_TRUE(HasResultFile(path));
    EXPECT_FALSE(HasResultFile(dir.path()));
}

TEST(BranchNames, named_network_gives_the_labels_in_branch_order) {
    QTemporaryDir dir;
    Network net;
    DrawTwoInlets(net, /*labelSouth=*/false);
    CReleaseModel model;
    ASSERT_TRUE(Validate(model, net, dir));
    ASSERT_EQ(model.GetBranchCount(), 3);
    const QString brn = dir.filePath("net.brn");
    ASSERT_TRUE(WriteBranchNameFile(brn, model, net.data));
    EXPECT_EQ(readAll(brn), "BranchNo Name\n0 Riser\n1 North\n2 <branch-2>\n3 J1\n");

    QString name;
    EXPECT_FALSE(model.GetBranchName(net.data, -1, name));
    EXPECT_FALSE(model.GetBranchName(net.data, 4, name));
    EXPECT_TRUE(model.GetBranchName(net.data, 3, name));
    EXPECT_EQ(name, "J1");
}

TEST(BranchNames, without_a_record_only_the_outlet_line) {
    QTemporaryDir dir;
    Network net;
    CReleaseModel model;
    const QString brn = dir.filePath("net.brn");
    ASSERT_TRUE(WriteBranchNameFile(brn, model, net.data));
    EXPECT_EQ(readAll(brn), "BranchNo Name\n0 <branch-0>\n");
    EXPECT_FALSE(WriteBranchNameFile(dir.filePath("missing/net.brn"), model, net.data));
}

TEST(BranchNames, reloaded_scenario_names_branches_before_any_validation) {
    QTemporaryDir dir;
    const QString zef = dir.filePath("net.zef");
    {
        Network net;
        DrawTwoInlets(net);
        CReleaseModel model;
        ASSERT_TRUE(Validate(model, net, dir, "net"));
        const FileSection sections[] = {{&model, "release", SaveReleaseSection, LoadReleaseSection},
                                        {nullptr, nullptr, nullptr, nullptr}};
        ASSERT_TRUE(diagram_file_save(net.data, zef.toUtf8().constData(), 0, sections));
    }
    diagram_data* data = diagram_data_create();
    CReleaseModel model;
    const FileSection sections[] = {{&model, "release", SaveReleaseSection, LoadReleaseSection},
                                    {nullptr, nullptr, nullptr, nullptr}};
    ASSERT_TRUE(diagram_file_load(zef.toUtf8().constData(), data, sections));
    EXPECT_FALSE(model.IsValidated());
    const QString brn = dir.filePath("net.brn");
    EXPECT_TRUE(WriteBranchNameFile(brn, model, data));
    diagram_data_free(data);
    EXPECT_EQ(readAll(brn), "BranchNo Name\n0 Riser\n1 North\n2 South\n3 J1\n");
}

class RecordingLauncher : public CPlotLauncher {
public:
    void Start(const QString& path, const QStringList& args) override {
        program = path;
        arguments = args;
        ++starts;
    }
    QString program;
    QStringList arguments;
    int starts = 0;
};

TEST(PlotViewer, starts_beside_the_program_with_result_path_and_unit_switch) {
    QTemporaryDir dir;
    Network net;
    DrawFlowline(net);
    CReleaseModel model;
    ASSERT_TRUE(Validate(model, net, dir, "net"));
    RecordingLauncher launcher;
    SetPlotLauncher(&launcher);
    const QString scenario = dir.filePath("net.zef");
    const struct {
        int displayUnits;
        const char* ext;
        const char* unitSwitch;
    } cases[] = {{0, ".plt", "/unit=1"}, {1, ".plt", "/unit=2"}, {5, ".dbs", "/unit=0"}};
    for (const auto& c : cases) {
        StartPlotViewer(scenario, c.ext, model, net.data, c.displayUnits);
        EXPECT_EQ(launcher.program, AppSettings()->GetProgramDir() + "Tessel");
        EXPECT_EQ(launcher.arguments,
                  QStringList({dir.filePath(QString("net") + c.ext), c.unitSwitch}));
    }
    SetPlotLauncher(nullptr);
    EXPECT_EQ(launcher.starts, 3);
    EXPECT_EQ(readAll(dir.filePath("net.brn")), "BranchNo Name\n0 Platform\n1 Well A\n");
}

}  // namespace
