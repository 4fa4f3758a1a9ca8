// Putting a run's result files in place: all of them or none.
#include "result_files.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
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

// A rename that fails after a file new to the scenario has moved (the .dbs
// of a first near field, here before a staged folder cannot replace the
// .dat) leaves exactly the previous set: the new .dbs goes again.
TEST(ResultFiles, a_commit_failing_after_a_new_file_moved_leaves_exactly_the_previous_set) {
    QTemporaryDir dir;
    const QString base = dir.filePath("net");
    write(base + ".plt", "previous plt\n");
    write(base + ".log", "previous log\n");
    write(base + ".dat", "previous dat\n");
    {
        CResultFiles files(base);
        ASSERT_TRUE(files.IsLocked()) << files.Error().toStdString();
        for (const char* ext : {".plt", ".log", ".dbs"})
            write(files.StagedPath(base + ext), QByteArray("new ") + ext + "\n");
        ASSERT_TRUE(QDir().mkpath(files.StagedPath(base + ".dat") + "/busy"));
        EXPECT_FALSE(files.Commit(ALL));
        EXPECT_TRUE(
            files.Error().contains("net.dat: putting the new file in place failed: Not a "
                                   "directory. The previous results are kept whole."))
            << files.Error().toStdString();
    }
    EXPECT_EQ(entries(dir.path()), "net.dat net.log net.plt");
    EXPECT_EQ(read(base + ".plt"), "previous plt\n");
    EXPECT_EQ(read(base + ".log"), "previous log\n");
    EXPECT_EQ(read(base + ".dat"), "previous dat\n");
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

// The run folder holds the record the next holder acts on: it is the
// owner's alone in whatever folder the scenario lies (a shared sticky
// folder, a group folder, one open to all), and one left open by an older
// run is closed when it is next taken.
TEST(ResultFiles, the_run_folder_is_the_owner_s_alone_wherever_the_scenario_lies) {
    struct Case {
        const char* what;
        mode_t scenarioFolder;
        mode_t leftBefore;  // a run folder already there with these bits, or 0
    };
    const Case cases[] = {
        {"shared sticky folder", 01777, 0},
        {"group folder", 02770, 0},
        {"folder open to all", 0777, 0},
        {"group folder, run folder left open to the group", 02770, 02770},
        {"shared folder, run folder left open to all", 01777, 0777},
    };
    const mode_t umask = ::umask(0);
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString shared = dir.filePath("shared");
        ASSERT_TRUE(QDir().mkpath(shared));
        ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), c.scenarioFolder), 0);
        const QByteArray folder = QFile::encodeName(CResultFiles::FolderOf(shared + "/net"));
        if (c.leftBefore) {
            ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
            ASSERT_EQ(::chmod(folder.constData(), c.leftBefore), 0);
        }
        CResultFiles files(shared + "/net");
        ASSERT_TRUE(files.IsLocked()) << c.what;
        struct stat info {};
        ASSERT_EQ(::stat(folder.constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700u) << c.what;
    }
    ::umask(umask);
}

// Every file under a folder (links as where they point), by relative path.
std::map<std::string, std::string> tree(const QString& root) {
    std::map<std::string, std::string> files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const std::string name = QDir(root).relativeFilePath(info.filePath()).toStdString();
        files[name] = info.isSymLink() ? "-> " + info.symLinkTarget().toStdString()
                      : info.isDir()   ? "(folder)"
                                       : read(info.filePath());
    }
    return files;
}

using Names = std::map<std::string, std::string>;

void plant(const QString& dir, const Names& files) {
    for (const auto& [name, text] : files)
        write(dir + "/" + QString::fromStdString(name), text.c_str());
}

Names scenarioFiles(const QString& dir) {
    Names files;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
        if (name != "net.zef") files[name.toStdString()] = read(dir + "/" + name);
    return files;
}

// The journal a killed commit left, replayed by the next holder: a commit is
// led on to the new files from wherever it stopped, a put-back back to the
// previous ones (a new file that had no previous one removed), and the run
// folder is then empty. States as a kill leaves them, one by one.
TEST(ResultFiles, an_interrupted_commit_is_completed_from_its_journal) {
    const Names oldSet{{"net.plt", "old plt"}, {"net.log", "old log"}, {"net.brn", "old brn"}};
    const Names newSet{{"net.plt", "new plt"}, {"net.log", "new log"}, {"net.dbs", "new dbs"}};
    struct Case {
        const char* what;
        const char* journal;
        Names beside;  // files beside the scenario
        Names folder;  // files in the run folder
        const Names& expected;
    };
    const Case cases[] = {
        {"commit recorded, nothing moved",
         "commit\nR 1 net.plt\nR 1 net.log\nD 1 net.brn\nR 0 net.dbs\n",
         oldSet,
         {{"net.plt", "new plt"},
          {"net.log", "new log"},
          {"net.dbs", "new dbs"},
          {"previous.net.plt", "old plt"},
          {"previous.net.log", "old log"},
          {"previous.net.brn", "old brn"}},
         newSet},
        {"commit killed after the .log moved",
         "commit\nR 1 net.plt\nR 1 net.log\nD 1 net.brn\nR 0 net.dbs\n",
         {{"net.plt", "new plt"}, {"net.log", "new log"}, {"net.brn", "old brn"}},
         {{"net.dbs", "new dbs"},
          {"previous.net.plt", "old plt"},
          {"previous.net.log", "old log"},
          {"previous.net.brn", "old brn"}},
         newSet},
        {"commit killed after the last move",
         "commit\nR 1 net.plt\nR 1 net.log\nD 1 net.brn\nR 0 net.dbs\n",
         newSet,
         {{"previous.net.plt", "old plt"},
          {"previous.net.log", "old log"},
          {"previous.net.brn", "old brn"}},
         newSet},
        {"put-back recorded after the .dbs moved, nothing put back",
         "undo\nR 1 net.plt\nR 1 net.log\nD 1 net.brn\nR 0 net.dbs\n",
         newSet,
         {{"previous.net.plt", "old plt"},
          {"previous.net.log", "old log"},
          {"previous.net.brn", "old brn"}},
         oldSet},
        {"put-back killed after the .brn came back",
         "undo\nR 1 net.plt\nR 1 net.log\nD 1 net.brn\nR 0 net.dbs\n",
         {{"net.plt", "new plt"}, {"net.log", "new log"}, {"net.brn", "old brn"}},
         {{"previous.net.plt", "old plt"}, {"previous.net.log", "old log"}},
         oldSet},
        {"put-back killed after the .plt came back",
         "undo\nR 1 net.plt\nR 1 net.log\n",
         oldSet,
         {},
         oldSet},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString run = CResultFiles::FolderOf(dir.filePath("net"));
        ASSERT_TRUE(QDir().mkpath(run));
        write(dir.filePath("net.zef"), "scenario");
        plant(dir.path(), c.beside);
        plant(run, c.folder);
        write(run + "/journal", c.journal);
        EXPECT_EQ(CResultFiles::CompleteInterruptedCommit(dir.filePath("net")), "") << c.what;
        EXPECT_EQ(scenarioFiles(dir.path()), c.expected) << c.what;
        EXPECT_EQ(read(dir.filePath("net.zef")), "scenario") << c.what;
        EXPECT_FALSE(QFileInfo::exists(run)) << c.what;
    }
}

// A journal that is not one a commit of this scenario writes is not acted on
// at all: whoever could write the scenario's folder might have planted it to
// have files outside the results removed or replaced. The folder is left as
// it is (for whoever looks into it) and the message names it and says why;
// no run of the scenario starts while it is there.
TEST(ResultFiles, a_journal_a_commit_did_not_write_is_refused_and_nothing_is_touched) {
    struct Case {
        const char* journal;
        const char* says;
    };
    const Case cases[] = {
        {"commit\nD 0 ../../home/notes.txt\nR 0 ../../home/.profile\n",
         "line 2 (\"D 0 ../../home/notes.txt\") of its record of an interrupted commit is not of "
         "a commit's form"},
        {"commit\nR 0 ../../home/.profile\n",
         "line 2 (\"R 0 ../../home/.profile\") of its record of an interrupted commit names a "
         "file that is not one of the scenario's results"},
        {"commit\nD 1 net.zef\n", "names a file that is not one of the scenario's results"},
        {"commit\nR 1 /etc/passwd\n", "names a file that is not one of the scenario's results"},
        {"commit\nR 1 sub/net.plt\n", "names a file that is not one of the scenario's results"},
        {"commit\nR 1 net.plt \n", "names a file that is not one of the scenario's results"},
        {"commit\nR 1 net.plt\nD 1 net.plt\n",
         "line 3 (\"D 1 net.plt\") of its record of an "
         "interrupted commit names a file twice"},
        {"undo\nR 1 net.plt\n\n",
         "line 3 (\"\") of its record of an interrupted commit is not "
         "of a commit's form"},
        {"commit\nR 1 net.plt", "its record of an interrupted commit is cut short"},
        {"restore\nR 1 net.plt\n",
         "its record of an interrupted commit does not begin as a commit's"},
        {"commit\n", "its record of an interrupted commit names no file"},
        {"commit\nR 2 net.plt\n", "is not of a commit's form"},
        {"commit\nR 0 net.log\n", ".run/net.log is not a plain file"},
    };
    for (const Case& c : cases) {
        QTemporaryDir top;
        const QString dir = top.filePath("a/b");
        ASSERT_TRUE(QDir().mkpath(dir));
        ASSERT_TRUE(QDir().mkpath(top.filePath("home")));
        write(top.filePath("home/notes.txt"), "notes");
        write(top.filePath("home/.profile"), "profile");
        write(dir + "/net.zef", "scenario");
        write(dir + "/net.plt", "old plt");
        write(dir + "/net.log", "old log");
        const QString run = CResultFiles::FolderOf(dir + "/net");
        ASSERT_TRUE(QDir().mkpath(run));
        ::chmod(QFile::encodeName(run).constData(), 0700);
        write(run + "/net.plt", "planted plt");
        write(run + "/previous.net.plt", "old plt");
        write(run + "/notes.txt", "planted");
        write(run + "/.profile", "planted");
        ASSERT_TRUE(QFile::link(top.filePath("home/notes.txt"), run + "/net.log"));
        write(run + "/journal", c.journal);
        const auto before = tree(top.path());

        const QString said = CResultFiles::CompleteInterruptedCommit(dir + "/net");
        EXPECT_TRUE(said.contains("The run folder " + run + " of the scenario \"net\" (in " + dir +
                                  ") was refused and left as it is: "))
            << c.journal << said.toStdString();
        EXPECT_TRUE(said.contains(c.says)) << c.journal << said.toStdString();
        EXPECT_EQ(tree(top.path()), before) << c.journal;
        // A run is refused with the same words, and touches nothing either.
        {
            CResultFiles files(dir + "/net");
            EXPECT_FALSE(files.IsLocked()) << c.journal;
            EXPECT_FALSE(files.IsBusy()) << c.journal;
            EXPECT_EQ(files.Error(), said) << c.journal;
        }
        EXPECT_EQ(tree(top.path()), before) << c.journal;
    }
}

// A run folder that is no folder of the owner's own (a link to another
// folder, a file) is not used: clearing it would empty the folder the link
// points at.
TEST(ResultFiles, a_run_folder_that_is_a_link_is_refused) {
    QTemporaryDir top;
    const QString dir = top.filePath("scenario");
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(QDir().mkpath(top.filePath("home")));
    write(top.filePath("home/notes.txt"), "notes");
    const QString run = CResultFiles::FolderOf(dir + "/net");
    for (const bool link : {true, false}) {
        if (link)
            ASSERT_TRUE(QFile::link(top.filePath("home"), run));
        else
            write(run, "a file");
        const auto before = tree(top.path());
        CResultFiles files(dir + "/net");
        EXPECT_FALSE(files.IsLocked());
        EXPECT_TRUE(files.Error().contains(run + " of the scenario \"net\" (in " + dir +
                                           ") was refused and left as it is: it is not a folder "
                                           "but a link or a file"))
            << files.Error().toStdString();
        EXPECT_EQ(tree(top.path()), before);
        ASSERT_TRUE(QFile::remove(run));
    }
}

}  // namespace
