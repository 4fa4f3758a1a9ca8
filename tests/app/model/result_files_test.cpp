// Putting a run's result files in place: all of them or none.
#include "result_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

void write(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(text), text.size());
}

std::string read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<missing>";
}

// A rename that fails half-way (here onto a folder that stands where the
// log belongs) puts back the files already replaced, and removes the ones
// that had no previous version: the scenario keeps the previous run's
// results whole, never a mix of two runs.
TEST(ResultFiles, a_commit_that_fails_half_way_keeps_the_previous_results_whole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString base = dir.filePath("net");
    write(base + ".brn", "previous brn\n");
    write(base + ".plt", "previous plt\n");
    ASSERT_TRUE(QDir().mkpath(base + ".log/busy"));
    {
        CResultFiles files(base);
        ASSERT_TRUE(files.IsLocked()) << files.Error().toStdString();
        // Put in place in name order: .brn, .dbs (new), then .log fails.
        for (const char* ext : {".brn", ".dbs", ".log", ".plt"})
            write(files.StagedPath(base + ext), QByteArray("new ") + ext + "\n");
        EXPECT_FALSE(files.Commit());
        EXPECT_TRUE(files.Error().contains(QDir::toNativeSeparators(base + ".log")))
            << files.Error().toStdString();
    }
    EXPECT_EQ(read(base + ".brn"), "previous brn\n");
    EXPECT_EQ(read(base + ".plt"), "previous plt\n");
    EXPECT_FALSE(QFile::exists(base + ".dbs"));
    EXPECT_EQ(QDir(dir.path())
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                  .join(' ')
                  .toStdString(),
              "net.brn net.log net.plt");

    // Once nothing stands in the way the next run replaces them all.
    ASSERT_TRUE(QDir(base + ".log").removeRecursively());
    CResultFiles files(base);
    ASSERT_TRUE(files.IsLocked());
    for (const char* ext : {".brn", ".log", ".plt"})
        write(files.StagedPath(base + ext), QByteArray("new ") + ext + "\n");
    EXPECT_TRUE(files.Commit()) << files.Error().toStdString();
    for (const char* ext : {".brn", ".log", ".plt"})
        EXPECT_EQ(read(base + ext), std::string("new ") + ext + "\n") << ext;
}

}  // namespace
