// The result files of one run of a scenario, written aside and put in place
// only when the run has succeeded.
//
// The results of "/data/net.zef" lie beside it under the base path
// "/data/net" (".plt", ".log", ".brn", ".dbs", ".dat"). A run writes them
// into the private folder "/data/.net.run/" under the same file names, so the
// writers (the library among them) write the same bytes, and Commit moves
// them over the previous files; a cancelled or failed run leaves the previous
// files as they were.
//
// The folder is also the scenario's run lock: a holder keeps an exclusive
// advisory lock (flock) on it, which the system releases when the process
// ends however it ends. A second run of the same scenario, in another
// process or through another holder's lock elsewhere, is refused at once.
// Within one process holders nest: an outer holder (a tool that runs the
// discharge and the near field one after the other) lets the inner ones in.
// Files left in the folder by a run that died are removed when the lock is
// next taken.
#pragma once

#include <QString>

class CResultFiles {
public:
    // Takes the lock of the scenario whose results lie under basePath.
    explicit CResultFiles(const QString& basePath);
    // Removes what was staged and not committed; gives the lock back (the
    // last holder of the process also removes the folder).
    ~CResultFiles();
    CResultFiles(const CResultFiles&) = delete;
    CResultFiles& operator=(const CResultFiles&) = delete;

    bool IsLocked() const { return m_locked; }
    // Not locked because another run holds the lock (not for want of a
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

    // Moves every staged file over its namesake beside the scenario. False,
    // with Error(), when one could not be moved.
    bool Commit();
    // Removes the staged files.
    void Discard();

    // The private folder of a base path ("/data/.net.run").
    static QString FolderOf(const QString& basePath);

private:
    QString m_basePath;
    QString m_folder;
    QString m_stagedBase;
    QString m_error;
    bool m_locked = false;
    bool m_busy = false;
};
