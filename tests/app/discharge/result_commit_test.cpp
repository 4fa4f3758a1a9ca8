// The files beside a scenario after runs that zef_run could not finish: a
// real kill -9 at the end of a run and at each rename of its commit, file
// systems without hard links, renames and put-backs that fail, a folder in
// the way of a file, a full disk in the near-field stage and settings the
// near field cannot use. Each leaves the files of one run, byte for byte.
#include "discharge_fixture.h"
#include "zef_run_process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace discharge_test;
using Files = std::map<QString, QByteArray>;

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

const QByteArray& shippedGasExport() {
    static const QByteArray text =
        readBytes(QStringLiteral(ORVANE_SOURCE_DIR "/examples/scenarios/gas_export.zef"));
    return text;
}

// The shipped gas export run for 600 s (its discharge section saved), so
// that the many runs below stay short.
QByteArray shortGasExport() {
    const QByteArray section =
        "    <zef:release>\n      <control>\n"
        "        <attribute name=\"sim_stop_time\">\n"
        "          <real val=\"600\"/>\n        </attribute>\n"
        "        <attribute name=\"fluid_class\">\n"
        "          <string>#gas#</string>\n        </attribute>\n"
        "      </control>\n    </zef:release>\n";
    return QByteArray(shippedGasExport())
        .replace("    <zef:nearfield", section + "    <zef:nearfield");
}

// Two runs of one scenario that leave different files: the gas export's
// discharge alone, and with a wider leak and its near field (so the commit
// between them replaces some files and adds or removes the plume's).
struct Variant {
    QByteArray zef;
    std::vector<std::string> args;
};

const Variant& variant(int which) {
    static const Variant plain{shortGasExport(), {}};
    static const Variant wide{
        shortGasExport().replace("<attribute name=\"diameter\">\n        <real val=\"0.1\"/>",
                                 "<attribute name=\"diameter\">\n        <real val=\"0.12\"/>"),
        {"--nearfield"}};
    return which == 0 ? plain : wide;
}

// The files beside the scenario, without the scenario and without the run
// folder a killed run may leave (it holds nothing that counts as a result).
Files results(const QString& dir) {
    Files files = FolderContents(dir, QStringLiteral("gas_export.zef"));
    files.erase(QStringLiteral(".gas_export.run"));
    return files;
}

// zef_run started with posix_spawn (so many can run side by side without an
// event loop), with the fault library preloaded and the given settings.
pid_t spawnZefRun(const std::vector<std::string>& args, const QString& zef,
                  const std::vector<std::string>& faults) {
    std::vector<std::string> words{ZEF_RUN_PATH};
    words.insert(words.end(), args.begin(), args.end());
    words.push_back(QFile::encodeName(zef).toStdString());
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.emplace_back("LD_PRELOAD=" FAULT_SHIM_PATH);
    env.emplace_back("ASAN_OPTIONS=verify_asan_link_order=0");
    env.insert(env.end(), faults.begin(), faults.end());
    std::vector<char*> argv, envp;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, ZEF_RUN_PATH, &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// How a run ended: its exit status, or -signal when it was killed.
int waitFor(pid_t pid) {
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1000;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// The reference files of each variant, from undisturbed runs.
struct References {
    Files files[2];
    bool ok = false;
};

const References& references() {
    static const References refs = [] {
        References r;
        r.ok = true;
        for (int v = 0; v < 2; ++v) {
            QTemporaryDir dir;
            const QString zef = dir.filePath("gas_export.zef");
            r.ok = r.ok && writeBytes(zef, variant(v).zef) &&
                   waitFor(spawnZefRun(variant(v).args, zef, {})) == 0;
            r.files[v] = results(dir.path());
        }
        return r;
    }();
    return refs;
}

// One folder where runs of the two variants take turns; after each run the
// scenario is opened (zef_run --verify), and the files must then be those of
// one variant.
class Lane {
public:
    Lane() {
        zef = dir.filePath("gas_export.zef");
        writeBytes(zef, variant(0).zef);
        current = waitFor(spawnZefRun(variant(0).args, zef, {})) == 0 ? 0 : -1;
    }

    // Runs the other variant with the faults, killed after killAfterMs when
    // that is not negative; returns which variant's files are there after
    // the next open (-1: neither) and how the run ended.
    int Round(const std::vector<std::string>& faults, int killAfterMs, int* ended = nullptr) {
        const int next = 1 - current;
        if (!writeBytes(zef, variant(next).zef)) return -1;
        QElapsedTimer clock;
        clock.start();
        const pid_t pid = spawnZefRun(variant(next).args, zef, faults);
        if (killAfterMs >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
            ::kill(pid, SIGKILL);
        }
        const int status = waitFor(pid);
        runMs = static_cast<int>(clock.elapsed());
        if (ended) *ended = status;
        // The scenario opened again: an interrupted commit is completed.
        if (waitFor(spawnZefRun({"--verify"}, zef, {})) != 0) return -1;
        const Files now = results(dir.path());
        const References& refs = references();
        const int found = now == refs.files[current] ? current
                          : now == refs.files[next]  ? next
                                                     : -1;
        if (found >= 0) current = found;
        return found;
    }

    // Milliseconds an undisturbed run of the other variant takes (the
    // files then switch to it).
    int Duration() {
        int ended = -1;
        return Round({}, -1, &ended) >= 0 && ended == 0 ? runMs : -1;
    }

    QTemporaryDir dir;
    QString zef;
    int current = -1;
    int runMs = 0;  // how long the last run took
};

TEST(ResultCommit, kill_at_each_rename_of_the_commit_leaves_one_run_s_files) {
    const References& refs = references();
    ASSERT_TRUE(refs.ok);
    ASSERT_NE(refs.files[0], refs.files[1]);
    ASSERT_EQ(refs.files[0].count("gas_export.dbs"), 0u);
    ASSERT_EQ(refs.files[1].count("gas_export.dbs"), 1u);

    // Both directions, with hard links and with copies where link() fails
    // (side by side).
    const auto rounds = [](bool noLink) {
        Lane lane;
        ASSERT_EQ(lane.current, 0);
        for (int direction = 0; direction < 2; ++direction) {
            for (int k = 1;; ++k) {
                std::vector<std::string> faults{"FAULT_RENAME_KILL=" + std::to_string(k)};
                if (noLink) faults.push_back("FAULT_NO_LINK=1");
                const int before = lane.current;
                int ended = 0;
                const int found = lane.Round(faults, -1, &ended);
                const std::string where = "rename " + std::to_string(k) +
                                          " of the run to variant " + std::to_string(1 - before) +
                                          (noLink ? " without hard links" : "");
                ASSERT_GE(found, 0) << where;
                if (ended == 0) {
                    // Past the last rename: the run finished.
                    EXPECT_EQ(found, 1 - before) << where;
                    EXPECT_GE(k, 4) << where;
                    break;
                }
                EXPECT_EQ(ended, -SIGKILL) << where;
                // Killed at the rename that records the commit: nothing had
                // moved; at any later one the next open finishes it.
                EXPECT_EQ(found, k == 1 ? before : 1 - before) << where;
                if (found == before) continue;
                // Back to where the rounds of this direction start.
                ASSERT_EQ(lane.Round({}, -1), before) << where;
            }
            ASSERT_EQ(lane.current, 1 - direction);
        }
    };
    std::thread withCopies(rounds, true);
    rounds(false);
    withCopies.join();
}

TEST(ResultCommit, kill_in_the_last_100_ms_of_a_run_leaves_one_run_s_files) {
    ASSERT_TRUE(references().ok);
    // Four folders side by side; the rounds are few enough to stay short.
    constexpr int LANES = 4;
    constexpr int ROUNDS = 30;  // per folder
    std::atomic<int> mixed{0}, switched{0}, rounds{0};
    std::vector<std::thread> lanes;
    for (int l = 0; l < LANES; ++l) {
        lanes.emplace_back([&, l] {
            Lane lane;
            if (lane.current != 0) {
                mixed += ROUNDS;
                return;
            }
            // Each direction's length, as loaded as the rounds, follows the
            // runs: a kill that came after the end shortens it, one that
            // came before lengthens it, so the kills stay near the end.
            int duration[2];
            duration[1] = lane.Duration();
            duration[0] = lane.Duration();
            if (duration[0] < 0 || duration[1] < 0) {
                mixed += ROUNDS;
                return;
            }
            std::mt19937 random(static_cast<unsigned>(1234 + l));
            std::uniform_int_distribution<int> early(0, 100);
            for (int r = 0; r < ROUNDS; ++r) {
                const int before = lane.current;
                int& length = duration[1 - before];
                int ended = 0;
                const int found = lane.Round({}, std::max(0, length - early(random)), &ended);
                ++rounds;
                if (found < 0) {
                    ++mixed;
                    return;
                }
                if (found != before) ++switched;
                length = ended == 0 ? std::min(length, lane.runMs) - 20 : length + 20;
            }
        });
    }
    for (std::thread& t : lanes) t.join();
    EXPECT_EQ(mixed.load(), 0);
    EXPECT_EQ(rounds.load(), LANES * ROUNDS);
    // Said so that a change of speed that puts every kill before or after
    // the commit shows in the log.
    std::printf("%d of %d killed runs had put their files in place\n", switched.load(),
                rounds.load());
}

// The zef_run environment with the fault library preloaded and the faults.
QProcessEnvironment faultEnvironment(const QStringList& faults) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LD_PRELOAD", FAULT_SHIM_PATH);
    env.insert("ASAN_OPTIONS", "verify_asan_link_order=0");
    for (const QString& fault : faults) env.insert(fault.section('=', 0, 0), fault.section('=', 1));
    return env;
}

// Permission bits of each file.
std::map<QString, unsigned> modes(const QString& dir, const Files& files) {
    std::map<QString, unsigned> bits;
    for (const auto& [name, bytes] : files) bits[name] = QFileInfo(dir + "/" + name).permissions();
    return bits;
}

// A commit whose rename fails puts the previous files back (with their
// permissions, also where they were kept as copies), the new ones that had
// no previous version removed; one whose put-back fails too says the files
// are mixed, and the next open puts the previous ones back; one whose
// put-back cannot even be recorded puts nothing back and leaves the commit's
// record, and the next open completes the new files.
TEST(ResultCommit, failed_rename_and_failed_put_back_end_with_one_run_s_files) {
    const References& refs = references();
    ASSERT_TRUE(refs.ok);
    struct Case {
        // Renames that fail: the journal is 1, .plt 2, .log 3, .brn 4 and
        // .dbs 5; after a failure the put-back's record is the next.
        const char* fail;
        const char* file;  // whose rename failed
        const char* says;
        int after;  // the variant whose files are there after the next open
    };
    const Case cases[] = {
        {"3", "gas_export.log", "The previous results are kept whole.", 0},
        // 4 records the put-back, 5 puts the .plt back.
        {"3,5", "gas_export.log", "are a mix of two runs until the scenario is next opened", 0},
        {"3,4,5", "gas_export.log",
         ".gas_export.run/journal: recording the commit failed: Input/output error), so nothing "
         "was put back: the files beside the scenario are a mix of two runs until the scenario is "
         "next opened or run, which completes the new results from ",
         1},
    };
    for (const Case& c : cases) {
        for (const bool noLink : {false, true}) {
            const std::string where = std::string(c.fail) + (noLink ? " without hard links" : "");
            QTemporaryDir dir;
            const QString zef = dir.filePath("gas_export.zef");
            ASSERT_TRUE(writeBytes(zef, variant(0).zef));
            ASSERT_EQ(zefRun({zef}).status, 0);
            // Modes a kept copy must carry back.
            for (const auto& [name, bytes] : refs.files[0])
                ASSERT_TRUE(QFile::setPermissions(
                    dir.filePath(name),
                    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
            const auto modesBefore = modes(dir.path(), refs.files[0]);
            ASSERT_TRUE(writeBytes(zef, variant(1).zef));
            QProcess p;
            QStringList faults{"FAULT_RENAME_FAIL=" + QString::fromLatin1(c.fail)};
            if (noLink) faults << "FAULT_NO_LINK=1";
            p.setProcessEnvironment(faultEnvironment(faults));
            p.start(ZEF_RUN_PATH, {"--nearfield", zef});
            ASSERT_TRUE(p.waitForFinished(300000));
            const QString err = QString::fromUtf8(p.readAllStandardError());
            EXPECT_EQ(p.exitCode(), 1) << where;
            EXPECT_TRUE(err.contains(dir.filePath(c.file) +
                                     ": putting the new file in place failed: Input/output error"))
                << where << ": " << err.toStdString();
            EXPECT_TRUE(err.contains(c.says)) << where << ": " << err.toStdString();
            EXPECT_EQ(zefRun({"--verify", zef}).status, 0);
            EXPECT_TRUE(results(dir.path()) == refs.files[c.after]) << where;
            if (c.after == 0) {
                EXPECT_EQ(modes(dir.path(), refs.files[0]), modesBefore) << where;
            }
            EXPECT_FALSE(QFileInfo::exists(dir.filePath(".gas_export.run"))) << where;
        }
    }
}

// The order of a commit's system calls, from the fault library's record of
// them: every staged file is on the disk before the record that moves it,
// the record is on the disk (its folder flushed) before the first rename,
// and it goes only after the folder holding the renames is flushed. A power
// cut anywhere then finds the new files whole or the record to finish them.
TEST(ResultCommit, a_commit_flushes_each_file_before_the_record_that_moves_it) {
    ASSERT_TRUE(references().ok);
    QTemporaryDir dir;
    const QString zef = dir.filePath("gas_export.zef");
    ASSERT_TRUE(writeBytes(zef, variant(0).zef));
    ASSERT_EQ(zefRun({zef}).status, 0);
    ASSERT_TRUE(writeBytes(zef, variant(1).zef));
    const QString trace = dir.filePath("calls.txt");
    QProcess p;
    p.setProcessEnvironment(faultEnvironment({"FAULT_TRACE=" + trace}));
    p.start(ZEF_RUN_PATH, {"--nearfield", zef});
    ASSERT_TRUE(p.waitForFinished(300000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();

    const QString run = dir.filePath(".gas_export.run");
    const QStringList calls = QString::fromUtf8(readBytes(trace)).split('\n', Qt::SkipEmptyParts);
    const auto first = [&](const QString& call, qsizetype from = 0) {
        for (qsizetype i = from; i < calls.size(); ++i)
            if (calls[i] == call) return i;
        return qsizetype(-1);
    };
    const auto last = [&](const QString& call) { return calls.lastIndexOf(call); };
    const qsizetype record = last("rename " + run + "/journal.new " + run + "/journal");
    // This run writes no .dat.
    ASSERT_GE(record, 0) << trace.toStdString();
    const qsizetype recordFlushed = first("fsync " + run, record);
    std::vector<qsizetype> moves;
    for (const QString ext : {".plt", ".log", ".brn", ".dbs"}) {
        const QString name = "gas_export" + ext;
        const qsizetype moved =
            first("rename " + run + "/" + name + " " + dir.filePath(name), record);
        ASSERT_GT(moved, record) << name.toStdString();
        moves.push_back(moved);
        // The staged file flushed after its last write, before the record.
        const qsizetype flushed = last("fsync " + run + "/" + name);
        EXPECT_GE(flushed, 0) << name.toStdString();
        EXPECT_LT(flushed, record) << name.toStdString();
    }
    const qsizetype firstMove = *std::min_element(moves.begin(), moves.end());
    const qsizetype lastMove = *std::max_element(moves.begin(), moves.end());
    EXPECT_GT(recordFlushed, record);
    EXPECT_LT(recordFlushed, firstMove);
    const qsizetype renamesFlushed = first("fsync " + dir.path(), lastMove);
    const qsizetype recordRemoved = first("unlink " + run + "/journal", record);
    EXPECT_GT(renamesFlushed, lastMove);
    EXPECT_GT(recordRemoved, renamesFlushed);
}

// A flush that fails is a failed commit, said with the file, the step and the
// reason: before the record is written the previous files stay whole; after
// the renames (the scenario's folder) the record stays and the next open
// finishes the commit.
TEST(ResultCommit, a_failed_flush_is_a_failed_commit) {
    const References& refs = references();
    ASSERT_TRUE(refs.ok);
    struct Case {
        const char* what;
        const char* failing;  // relative to the scenario's folder
        const char* says;
        int after;
    };
    const Case cases[] = {
        {"staged log", ".gas_export.run/gas_export.log",
         "gas_export.log: flushing the new file failed: Input/output error. The previous results "
         "are kept whole.",
         0},
        {"staged plume file", ".gas_export.run/gas_export.dbs",
         "gas_export.dbs: flushing the new file failed: Input/output error. The previous results "
         "are kept whole.",
         0},
        {"run folder after the record", ".gas_export.run",
         ".gas_export.run: flushing the record of the commit failed: Input/output error. The "
         "previous results are kept whole.",
         0},
        {"scenario folder after the renames", "",
         "are in place but not yet safely on the disk: ", 1},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString zef = dir.filePath("gas_export.zef");
        ASSERT_TRUE(writeBytes(zef, variant(0).zef));
        ASSERT_EQ(zefRun({zef}).status, 0);
        ASSERT_TRUE(writeBytes(zef, variant(1).zef));
        const QString failing = *c.failing ? dir.filePath(c.failing) : dir.path();
        QProcess p;
        p.setProcessEnvironment(faultEnvironment({"FAULT_SYNC_FAIL=" + failing}));
        p.start(ZEF_RUN_PATH, {"--nearfield", zef});
        ASSERT_TRUE(p.waitForFinished(300000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), 1) << c.what;
        EXPECT_TRUE(err.contains(c.says)) << c.what << ": " << err.toStdString();
        if (c.after == 1) {
            EXPECT_TRUE(
                err.contains(dir.path() + "/: flushing the folder failed: Input/output error"))
                << err.toStdString();
        }
        EXPECT_EQ(zefRun({"--verify", zef}).status, 0);
        EXPECT_TRUE(results(dir.path()) == refs.files[c.after]) << c.what;
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(".gas_export.run"))) << c.what;
    }
}

// A journal planted in the run folder by someone who may write the
// scenario's folder, naming files outside the results (or the scenario
// itself): opening the scenario (zef_run --verify) and running it touch
// nothing and say which folder was refused and why.
TEST(ResultCommit, a_planted_journal_is_refused_by_open_and_run) {
    const char* journals[] = {
        "commit\nD 0 ../../home/notes.txt\nR 0 ../../home/.profile\n",
        "commit\nD 1 ../../home/notes.txt\nR 1 ../../home/.profile\n",
        "commit\nD 1 gas_export.zef\n",
    };
    for (const char* journal : journals) {
        QTemporaryDir top;
        const QString dir = top.filePath("a/b");
        ASSERT_TRUE(QDir().mkpath(dir));
        ASSERT_TRUE(QDir().mkpath(top.filePath("home")));
        ASSERT_TRUE(writeBytes(top.filePath("home/notes.txt"), "notes"));
        ASSERT_TRUE(writeBytes(top.filePath("home/.profile"), "profile"));
        const QString zef = dir + "/gas_export.zef";
        ASSERT_TRUE(writeBytes(zef, variant(0).zef));
        const QString run = dir + "/.gas_export.run";
        ASSERT_TRUE(QDir().mkpath(run));
        ASSERT_TRUE(writeBytes(run + "/.profile", "planted"));
        ASSERT_TRUE(writeBytes(run + "/previous..profile", "planted"));
        ASSERT_TRUE(writeBytes(run + "/journal", journal));
        const auto home = FolderContents(top.filePath("home"));
        const auto beside = FolderContents(dir);
        const auto inRun = FolderContents(run);
        const QString says = "The run folder " + run + " of the scenario \"gas_export\" (in " +
                             dir + ") was refused and left as it is: line 2 (";
        for (const QStringList& args : {QStringList{"--verify", zef}, QStringList{zef}}) {
            const Output o = zefRun(args);
            EXPECT_TRUE(o.err.contains(says)) << journal << o.err.toStdString();
            if (args.size() == 1) {
                EXPECT_EQ(o.status, 1) << journal;
            }
            EXPECT_EQ(FolderContents(top.filePath("home")), home) << journal;
            EXPECT_EQ(FolderContents(dir), beside) << journal;
            EXPECT_EQ(FolderContents(run), inRun) << journal;
        }
    }
}

// A text edit of the scenario.
QByteArray edited(QByteArray text, const char* from, const char* to) {
    EXPECT_TRUE(text.contains(from)) << from;
    return text.replace(from, to);
}

// The scenario with the discharge result of an earlier run saved in its
// discharge section (the summary words as zef_run printed them, up to date),
// so that a near-field run uses the .plt beside it and runs the plume alone.
QByteArray withSavedResult(QByteArray text, const QString& out) {
    QByteArray result = "      <result>\n";
    result +=
        "        <attribute name=\"uptodate\">\n          <boolean val=\"true\"/>\n"
        "        </attribute>\n";
    bool after = false;
    for (const QString& line : out.split('\n')) {
        if (line == "IERR 0") {
            after = true;
            continue;
        }
        const QStringList word = line.split(' ');
        if (!after || word.size() != 2 || word[0] == "release_seconds") continue;
        result += "        <attribute name=\"" + word[0].toUtf8() + "\">\n          <real val=\"" +
                  word[1].toUtf8() + "\"/>\n        </attribute>\n";
    }
    result += "      </result>\n";
    return text.replace("    </zef:release>\n", result + "    </zef:release>\n");
}

// A later stage that fails (the branch names, the plume, a disk that fills in
// the plume stage) or settings the near field cannot use leave every
// previous file as it was, byte for byte, and exit 1 saying why.
TEST(ResultCommit, a_failed_stage_keeps_every_previous_file_byte_identical) {
    const QByteArray wide = variant(1).zef;
    struct Case {
        const char* what;
        bool nearfieldBefore;  // the previous run had a near field
        QByteArray zef;        // of the failing run
        const char* ulimit;    // file size limit of the failing run, if any
        QString says;          // standard error holds it
    };
    const Case cases[] = {
        {"folder in place of the branch names", false, wide, nullptr,
         "gas_export.brn: replacing the previous file failed: Is a directory."},
        // Refused with its range before the discharge runs (in the display
        // units of the settings).
        {"near-field water below absolute zero", false,
         edited(wide, "<attribute name=\"water_temperature\">\n          <real val=\"6.5\"/>",
                "<attribute name=\"water_temperature\">\n          <real val=\"-300\"/>"),
         nullptr, "The nearfield model's water temperature of "},
        {"near-field settings not confirmed", false,
         edited(wide, "<attribute name=\"gas_confirmed\">\n          <string>#true#</string>",
                "<attribute name=\"gas_confirmed\">\n          <string>#false#</string>"),
         nullptr,
         "You must confirm the Nearfield settings by pressing OK in the Nearfield Setup dialog "
         "box!\n"},
        // The plume file is written after the branch names, and the disk
        // holds 2 KiB more: the plume file cannot be written whole.
        {"disk full in the plume stage", true,
         edited(wide, "<attribute name=\"water_temperature\">\n          <real val=\"6.5\"/>",
                "<attribute name=\"water_temperature\">\n          <real val=\"10\"/>"),
         "4", "gas_export.dbs: write failed: File too large"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString zef = dir.filePath("gas_export.zef");
        ASSERT_TRUE(writeBytes(zef, c.nearfieldBefore ? wide : variant(0).zef)) << c.what;
        const Output first = c.nearfieldBefore ? zefRun({"--nearfield", zef}) : zefRun({zef});
        ASSERT_EQ(first.status, 0) << c.what;
        QByteArray text = c.zef;
        if (c.ulimit) text = withSavedResult(text, first.out);
        if (QByteArray(c.what).startsWith("folder")) {
            ASSERT_TRUE(QFile::remove(dir.filePath("gas_export.brn")));
            ASSERT_TRUE(QDir(dir.path()).mkpath("gas_export.brn/inside"));
        }
        ASSERT_TRUE(writeBytes(zef, text)) << c.what;
        const auto before = FolderContents(dir.path(), "gas_export.zef");

        QProcess p;
        const QString command = QStringLiteral("trap '' XFSZ; %1 exec \"$0\" \"$@\"")
                                    .arg(c.ulimit ? QString("ulimit -f %1;").arg(c.ulimit) : "");
        p.start("sh", {"-c", command, ZEF_RUN_PATH, "--nearfield", zef});
        ASSERT_TRUE(p.waitForFinished(300000)) << c.what;
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), 1) << c.what;
        EXPECT_TRUE(err.contains(c.says)) << c.what << ": " << err.toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty()) << c.what;
        EXPECT_TRUE(FolderContents(dir.path(), "gas_export.zef") == before) << c.what;
    }
}

// What a run that died left in the run folder (here the plume files of a
// near-field stage) never comes beside the scenario with the next run's
// files, even where the next run does not write such files.
TEST(ResultCommit, files_left_in_the_run_folder_by_a_dead_run_never_reach_the_scenario) {
    const References& refs = references();
    ASSERT_TRUE(refs.ok);
    QTemporaryDir dir;
    const QString zef = dir.filePath("gas_export.zef");
    ASSERT_TRUE(writeBytes(zef, variant(0).zef));
    ASSERT_TRUE(QDir(dir.path()).mkpath(".gas_export.run"));
    for (const char* ext : {".dbs", ".dat", ".brn"})
        ASSERT_TRUE(writeBytes(dir.filePath(".gas_export.run/gas_export") + ext, "dead run\n"));
    ASSERT_EQ(zefRun({zef}).status, 0);
    EXPECT_TRUE(FolderContents(dir.path(), "gas_export.zef") == refs.files[0]);
}

// The machine-readable lines (the summary words, the record) read the same
// under a German locale as under C; the report above them may differ.
TEST(ResultCommit, machine_readable_lines_do_not_follow_the_locale) {
    if (!QFile::exists("/usr/lib/locale/de_DE.utf8") &&
        QProcess::execute("sh", {"-c", "locale -a | grep -qi '^de_DE.utf-*8$'"}) != 0)
        GTEST_SKIP() << "no German locale";
    const auto run = [](const char* locale, const QStringList& args) {
        QTemporaryDir dir;
        const QString zef = dir.filePath("gas_export.zef");
        writeBytes(zef, variant(0).zef);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", locale);
        p.setProcessEnvironment(env);
        p.start(ZEF_RUN_PATH, args + QStringList{zef});
        p.waitForFinished(300000);
        QString out = QString::fromUtf8(p.readAllStandardOutput());
        // The run's own length differs from run to run; its form does not.
        static const QRegularExpression seconds("release_seconds [0-9]+\\.[0-9]{3}\n");
        EXPECT_TRUE(args.contains("--record") || out.contains(seconds)) << locale;
        out.replace(seconds, "release_seconds\n");
        const qsizetype words = out.indexOf("\nIERR 0\n");
        return args.contains("--record") ? out : words < 0 ? QString() : out.mid(words);
    };
    for (const QStringList& args : {QStringList{}, QStringList{"--record"}}) {
        const QString c = run("C", args);
        ASSERT_FALSE(c.isEmpty());
        EXPECT_EQ(run("de_DE.UTF-8", args), c) << args.join(' ').toStdString();
    }
    EXPECT_TRUE(run("C", {}).contains(QRegularExpression("\ntime [0-9]+\\.[0-9]+\n")));
}

}  // namespace
