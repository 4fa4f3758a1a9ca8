// tools/zef_run as people and scripts use it: exit codes, what goes to
// standard output and standard error, and the files beside the scenario.
#include "example_scenarios.h"
#include "plot_launch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

using namespace discharge_test;

struct Output {
    int status = -1;
    QString out, err;
};

Output zefRun(const QStringList &args) {
    QProcess p;
    p.start(ZEF_RUN_PATH, args);
    p.waitForFinished(300000);
    Output o;
    o.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    o.out = QString::fromUtf8(p.readAllStandardOutput());
    o.err = QString::fromUtf8(p.readAllStandardError());
    return o;
}

// "NAME value" lines of standard output.
std::map<QString, double> words(const QString &out) {
    std::map<QString, double> w;
    for (const QString &line : out.split('\n')) {
        const QStringList parts = line.trimmed().split(' ');
        bool ok = false;
        if (parts.size() == 2) {
            const double v = parts[1].toDouble(&ok);
            if (ok) w[parts[0]] = v;
        }
    }
    return w;
}

class ZefRun : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
};

TEST_F(ZefRun, each_example_runs_and_prints_its_report) {
    for (const ExampleScenario &example : ExampleScenarios()) {
        const QString zef = dir.filePath(example.file);
        ASSERT_TRUE(SaveExample(example, zef)) << example.file;
        const Output o = zefRun({zef});
        ASSERT_EQ(o.status, 0) << example.file << ": " << o.err.toStdString();
        EXPECT_TRUE(o.out.startsWith("Inlets:\r\n\r\n")) << example.file;
        EXPECT_TRUE(o.out.contains("Release Summary:\r\n\r\nTime to get total mass: ")) << example.file;
        EXPECT_TRUE(o.out.contains("\nIERR 0\n")) << example.file;
        const auto w = words(o.out);
        for (const char *key : DISCHARGE_SUMMARY_KEYS) {
            ASSERT_EQ(w.count(key), 1u) << example.file << " " << key;
            EXPECT_TRUE(std::isfinite(w.at(key))) << example.file << " " << key;
        }
        EXPECT_GT(w.at("total_mass"), 0.0) << example.file;
        const QString base = ResultBasePath(zef);
        for (const char *ext : {".plt", ".log", ".brn"})
            EXPECT_GT(QFileInfo(base + ext).size(), 0) << example.file << ext;
    }
}

TEST_F(ZefRun, verify_and_record_stop_after_the_check) {
    const QString zef = dir.filePath("oil_line.zef");
    ASSERT_TRUE(SaveExample(ExampleScenarios()[0], zef));
    const Output verify = zefRun({"--verify", zef});
    EXPECT_EQ(verify.status, 0);
    EXPECT_EQ(verify.out, "No problems detected - The network is valid!\n");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("oil_line.plt")));

    const Output record = zefRun({"--record", zef});
    ASSERT_EQ(record.status, 0) << record.err.toStdString();
    const auto w = words(record.out);
    EXPECT_EQ(w.at("NBR"), 1);
    EXPECT_EQ(w.at("NJUN"), 0);
    EXPECT_EQ(w.at("LEKBR"), 1);
    EXPECT_FLOAT_EQ(w.at("LEKX"), 1500.0f);  // 1000 m upstream pipeline + 500 m into this one
    EXPECT_FLOAT_EQ(w.at("POUT"), 2.0e6f);
    EXPECT_FLOAT_EQ(w.at("ZBR0(1)"), -150.0f);
    EXPECT_FLOAT_EQ(w.at("ZEND(1,2)"), -125.0f);
    EXPECT_FLOAT_EQ(w.at("DIAM(1,1)"), 0.254f);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("oil_line.plt")));
}

TEST_F(ZefRun, saved_copy_builds_the_same_record) {
    const QString zef = dir.filePath("two.zef"), copy = dir.filePath("copy.zef");
    ASSERT_TRUE(SaveExample(ExampleScenarios()[1], zef));
    ASSERT_EQ(zefRun({"--save", copy, zef}).status, 0);
    const Output a = zefRun({"--record", zef}), b = zefRun({"--record", copy});
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(words(a.out).at("NJUN"), 1);
}

TEST_F(ZefRun, failures_and_their_exit_codes) {
    // A pipeline of 29 m: the check names the message and the object.
    const QString shortPipe = dir.filePath("short.zef");
    {
        Network net;
        auto *outlet = net.Outlet(100);
        auto *pipe = net.Pipe(29);
        auto *inlet = net.Inlet(110);
        net.Chain(outlet, pipe, inlet);
        net.Leak(net.Spill(10), pipe);
        CBlackOilModel oil;
        oil.Set(0.85f, 850.0f, 100.0f, 10.0f);
        FluidComponentList comps;
        CFluidModel fluid(oil, comps);
        CReleaseModel release;
        release.SetFluidClass(FLUID_BLACK_OIL);
        const FileSection sections[] = {{&fluid, "fluid", SaveFluidSection, LoadFluidSection},
                                        {&release, "release", SaveReleaseSection, LoadReleaseSection},
                                        {nullptr, nullptr, nullptr, nullptr}};
        ASSERT_TRUE(diagram_file_save(net.data, shortPipe.toUtf8().constData(), 0, sections));
    }
    const Output invalid = zefRun({shortPipe});
    EXPECT_EQ(invalid.status, 1);
    EXPECT_TRUE(invalid.err.startsWith("A Pipeline must have a length of at least 30 m or 100 ft.")) << invalid.err.toStdString();
    EXPECT_TRUE(invalid.err.contains("(object 2)")) << invalid.err.toStdString();
    EXPECT_TRUE(invalid.out.isEmpty());

    const QString garbage = dir.filePath("garbage.zef");
    QFile f(garbage);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is no scenario");
    f.close();
    const Output unreadable = zefRun({garbage});
    EXPECT_EQ(unreadable.status, 2);
    EXPECT_FALSE(unreadable.err.isEmpty());
    EXPECT_EQ(zefRun({dir.filePath("missing.zef")}).status, 2);
    EXPECT_EQ(zefRun({}).status, 2);
}

}  // namespace

namespace {

TEST(ZefRunExamples, shipped_scenarios_run_with_ierr_0) {
    const QDir shipped(ORVANE_SOURCE_DIR "/examples/scenarios");
    const QStringList files = shipped.entryList({"*.zef"}, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 3);
    QTemporaryDir dir;
    for (const QString &name : files) {
        // A copy, so the results do not land in the source tree.
        const QString zef = dir.filePath(name);
        ASSERT_TRUE(QFile::copy(shipped.filePath(name), zef)) << name.toStdString();
        const Output o = zefRun({zef});
        EXPECT_EQ(o.status, 0) << name.toStdString() << ": " << o.err.toStdString();
        EXPECT_TRUE(o.out.contains("\nIERR 0\n")) << name.toStdString();
        EXPECT_GT(words(o.out)["total_mass"], 0.0) << name.toStdString();
    }
}

}  // namespace
