// Putting a run's result files in place: all of them or none.
#include "result_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>

namespace {

void write(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(text), text.size());
}

std::string read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<missing>";
}

std::string entries(const QString& dir) {
    return QDir(dir)
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
        .join(' ')
        .toStdString();
}

const QStringList ALL{".plt", ".log", ".brn", ".dbs", ".dat"};

// Something that cannot be replaced (a folder where the branch names
// belong) is found before anything moves; a rename that fails half-way (a
// staged folder cannot replace the previous log) puts back the files already
// replaced and removes the ones that had no previous version. Either way the
// scenario keeps the previous run's results whole, and the message names the
// file, the step and the system's reason.
TEST(ResultFiles, a_commit_that_cannot_finish_keeps_the_previous_results_whole) {
    struct Case {
        const char* what;
        const char* blocked;  // the entry that is a folder
        bool staged;          // in the run folder, else beside the scenario
        const char* says;
    };
    const Case cases[] = {
        {"folder in place of the branch names", ".brn", false,
         "net.brn: replacing the previous file failed: Is a directory. The previous results are "
         "kept whole."},
        {"staged folder for the log", ".log", true,
         "net.log: putting the new file in place failed: Not a directory. The previous results "
         "are kept whole."},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString base = dir.filePath("net");
        write(base + ".plt", "previous plt\n");
        write(base + ".log", "previous log\n");
        if (c.staged) write(base + ".brn", "previous brn\n");
        if (!c.staged) {
            ASSERT_TRUE(QDir().mkpath(base + c.blocked + "/busy"));
        }
        {
            CResultFiles files(base);
            ASSERT_TRUE(files.IsLocked()) << files.Error().toStdString();
            for (const char* ext : {".plt", ".log", ".brn", ".dbs"}) {
                if (c.staged && QLatin1String(ext) == QLatin1String(c.blocked)) {
                    ASSERT_TRUE(QDir().mkpath(files.StagedPath(base + ext) + "/busy"));
                } else {
                    write(files.StagedPath(base + ext), QByteArray("new ") + ext + "\n");
                }
            }
            EXPECT_FALSE(files.Commit(ALL)) << c.what;
            EXPECT_TRUE(files.Error().endsWith(QDir::toNativeSeparators(dir.path()) + "/" + c.says))
                << c.what << ": " << files.Error().toStdString();
        }
        EXPECT_EQ(read(base + ".plt"), "previous plt\n") << c.what;
        EXPECT_EQ(read(base + ".log"), "previous log\n") << c.what;
        EXPECT_EQ(entries(dir.path()), "net.brn net.log net.plt") << c.what;
    }
}

// A discharge run owns every result of the scenario: what it did not write
// (the plume files of an older discharge) goes in the same commit; a
// near-field run owns only the plume files.
TEST(ResultFiles, a_commit_removes_the_older_files_its_run_did_not_write) {
    QTemporaryDir dir;
    const QString base = dir.filePath("net");
    for (const char* ext : {".plt", ".log", ".brn", ".dbs", ".dat"})
        write(base + ext, QByteArray("old ") + ext);
    {
        CResultFiles files(base);
        write(files.StagedPath(base + ".dbs"), "new .dbs");
        ASSERT_TRUE(files.Commit(CResultFiles::NearfieldExtensions()));
    }
    EXPECT_EQ(entries(dir.path()), "net.brn net.dbs net.log net.plt");
    EXPECT_EQ(read(base + ".plt"), "old .plt");
    EXPECT_EQ(read(base + ".dbs"), "new .dbs");
    {
        CResultFiles files(base);
        for (const char* ext : {".plt", ".log", ".brn"})
            write(files.StagedPath(base + ext), QByteArray("new ") + ext);
        ASSERT_TRUE(files.Commit(CResultFiles::DischargeExtensions()));
    }
    EXPECT_EQ(entries(dir.path()), "net.brn net.log net.plt");
    EXPECT_EQ(read(base + ".log"), "new .log");
}

// Holders of one process exclude each other like those of two processes;
// the stages of one run join their outer holder, stage into its folder and
// leave the move to it.
TEST(ResultFiles, holders_in_one_process_exclude_each_other_and_stages_join_the_outer_one) {
    QTemporaryDir dir;
    const QString base = dir.filePath("net");
    write(base + ".plt", "old");
    CResultFiles outer(base);
    ASSERT_TRUE(outer.IsLocked());

    CResultFiles other(base);
    EXPECT_FALSE(other.IsLocked());
    EXPECT_TRUE(other.IsBusy());
    EXPECT_TRUE(other.Error().contains("is being calculated by another run"));

    {
        CResultFiles stage(base, &outer);
        ASSERT_TRUE(stage.IsLocked());
        EXPECT_EQ(stage.StagedPath(base + ".plt"), outer.StagedPath(base + ".plt"));
        write(stage.StagedPath(base + ".plt"), "new");
        EXPECT_TRUE(stage.Commit(ALL));
        EXPECT_EQ(read(base + ".plt"), "old");  // not yet: the outer holder commits
        EXPECT_EQ(outer.CurrentPath(base + ".plt"), outer.StagedPath(base + ".plt"));
        EXPECT_EQ(outer.CurrentPath(base + ".log"), base + ".log");
    }
    EXPECT_EQ(read(outer.StagedPath(base + ".plt")), "new");
    ASSERT_TRUE(outer.Commit(ALL));
    EXPECT_EQ(read(base + ".plt"), "new");
}

// The run folder is made with the scenario folder's permissions, not the
// process's umask: another user who may write the scenario can run it after
// a run of ours died and left its folder behind.
TEST(ResultFiles, the_run_folder_takes_the_permissions_of_the_scenario_folder) {
    QTemporaryDir dir;
    const QString shared = dir.filePath("shared");
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 0775), 0);
    const mode_t umask = ::umask(077);
    {
        CResultFiles files(shared + "/net");
        ASSERT_TRUE(files.IsLocked());
        struct stat info {};
        ASSERT_EQ(
            ::stat(QFile::encodeName(CResultFiles::FolderOf(shared + "/net")).constData(), &info),
            0);
        EXPECT_EQ(info.st_mode & 07777, 0775u);
    }
    ::umask(umask);
}

}  // namespace
