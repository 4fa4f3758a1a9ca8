// The result files of one run of a scenario, written aside and put in place
// together only when every stage of the run has succeeded.
//
// The results of "/data/net.zef" lie beside it under the base path
// "/data/net" (".plt", ".log", ".brn", ".dbs", ".dat"). A run writes them
// into the private folder "/data/.net.run/" under the same file names, so the
// writers (the library among them) write the same bytes, and Commit moves
// them over the previous files; a cancelled or failed run leaves the previous
// files as they were.
//
// The commit is a journal: before the first rename it flushes every staged
// file, keeps every previous file in the folder (a hard link, else a copy)
// and records what it will move; the record goes once the folder holding the
// renames is flushed. A process killed half-way leaves that record; the next holder of the
// scenario (a run, or the scenario being opened) finishes the commit, so the
// files beside the scenario are those of one run, never a mix of two. A
// rename that fails in a living process puts the previous files back. The
// folder is its owner's alone, and a record is acted on only when it is one
// a commit of this scenario writes, naming the scenario's own result files:
// anything else leaves the folder untouched and says why.
//
// The folder is also the scenario's run lock: a holder keeps an exclusive
// advisory lock (flock) on it, which the system releases when the process
// ends however it ends. A second holder of the same scenario, in this
// process or another one, is refused at once. The stages of one run share
// their outer holder: an inner holder made with it stages into the same
// folder and its Commit leaves the move to the outer one. Files left in the
// folder by a run that died are removed when the lock is next taken.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class CResultFiles {
public:
    // Takes the lock of the scenario whose results lie under basePath, or
    // joins outer when it holds that scenario.
    explicit CResultFiles(const QString& basePath, CResultFiles* outer = nullptr);
    // Removes what was staged and not committed; gives the lock back and
    // removes the folder (an inner holder leaves both to the outer one).
    ~CResultFiles();
    CResultFiles(const CResultFiles&) = delete;
    CResultFiles& operator=(const CResultFiles&) = delete;

    bool IsLocked() const { return m_locked; }
    // Not locked because another holder has the lock (not for want of a
    // folder that can be written).
    bool IsBusy() const { return m_busy; }
    // Why the lock was not taken or a commit failed, naming the scenario.
    const QString& Error() const { return m_error; }

    // Where a run writes: the folder followed by the base file name
    // ("/data/.net.run/net"); the base path itself when not locked.
    const QString& StagedBase() const { return m_stagedBase; }
    // The staged twin of a path under the base path ("/data/net.$$$" ->
    // "/data/.net.run/net.$$$").
    QString StagedPath(const QString& path) const;
    // The file an earlier stage of this run wrote when there is one, else
    // path itself (a later stage reads the run's own results).
    QString CurrentPath(const QString& path) const;

    // Puts the run's files beside the scenario: for each extension the staged
    // file replaces the previous one, and a previous file the run did not
    // write is removed. False, with Error() naming the file, the step and the
    // system's reason, when that could not be done; the previous files are
    // then in place (or, when even that failed, Error() says so). An inner
    // holder only checks that it holds the lock.
    bool Commit(const QStringList& extensions);
    // Removes the staged files.
    void Discard();

    // What a discharge run owns (the near-field files of an older discharge
    // go with it) and what a near-field run owns.
    static const QStringList& DischargeExtensions();
    static const QStringList& NearfieldExtensions();

    // Finishes a commit that a killed process left for the scenario; empty,
    // or why that failed. Nothing happens while another holder has the lock.
    static QString CompleteInterruptedCommit(const QString& basePath);

    // The private folder of a base path ("/data/.net.run").
    static QString FolderOf(const QString& basePath);

    // Tests: replaces the flush of a file or folder to the disk (fsync: 0,
    // else -1 with errno); null restores it.
    using SyncEntry = int (*)(int fd);
    static void SetSyncEntry(SyncEntry entry);

private:
    struct Move;
    enum class JournalState { Written, NotWritten, Unflushed };
    bool Keep(const QString& name, const QString& target);
    JournalState WriteJournal(const char* direction, const std::vector<Move>& moves);
    bool Undo(const std::vector<Move>& moves, QString& why);
    bool ReadJournal(const QByteArray& text, bool& backward, std::vector<Move>& moves,
                     QString& why) const;
    bool Recover();
    void Fail(int id, const QString& file, const char* step, int error);
    // The run folder is not used: why, said with the folder.
    void Refuse(const QString& why);

    QString m_basePath;
    QString m_folder;
    QString m_stagedBase;
    QString m_error;
    QString m_failure;  // the last failure alone: "file: step failed: reason"
    CResultFiles* m_outer = nullptr;
    bool m_locked = false;
    bool m_busy = false;
    // A commit that could not finish nor be undone: its record stays in the
    // folder for the next holder.
    bool m_keepFolder = false;
};
