#include "result_files.h"

#include "message_ids.h"
#include "string_table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folders whose lock this process holds, by absolute path, and their
// open descriptors.
std::mutex g_locksMutex;
std::map<QString, int> g_locks;

// The record of a commit in progress, and its draft before it counts.
constexpr const char* JOURNAL = "journal";
constexpr const char* JOURNAL_DRAFT = "journal.new";
// A journal's first line: the files go to the new run's (commit) or back to
// the previous ones (undo).
constexpr const char* FORWARD = "commit";
constexpr const char* BACKWARD = "undo";

std::atomic<CResultFiles::SyncEntry> g_syncEntry{nullptr};

int syncFd(int fd) {
    const CResultFiles::SyncEntry entry = g_syncEntry;
    return entry ? entry(fd) : ::fsync(fd);
}

QByteArray native(const QString& path) { return QFile::encodeName(path); }

QString scenarioName(const QString& basePath) {
    const QFileInfo info(basePath);
    return QStringLiteral("\"%1\" (in %2)")
        .arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath()));
}

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// "file: step failed: reason", as every file failure of a run is told.
QString failure(const QString& file, const char* step, int error) {
    return QStringLiteral("%1: %2 failed: %3")
        .arg(QDir::toNativeSeparators(file), QLatin1String(step), systemError(error));
}

// Removes every entry of the folder (the folder stays).
void clearFolder(const QString& folder) {
    QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            ::unlink(native(entry.filePath()).constData());
    }
}

// Flushes a file or a folder to the disk; false with errno.
bool syncPath(const QString& path, int flags) {
    const int fd = ::open(native(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | flags);
    if (fd < 0) return false;
    const bool ok = syncFd(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

bool syncFolder(const QString& folder) { return syncPath(folder, O_DIRECTORY); }

// Writes bytes to a new file and flushes it to the disk; false with errno.
bool writeDurably(const QString& path, const QByteArray& bytes, mode_t mode) {
    const int fd = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            errno = error;
            return false;
        }
        done += n;
    }
    if (syncFd(fd) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    return ::close(fd) == 0;
}

// A copy of a file with its permissions, flushed to the disk; false with
// errno.
bool copyDurably(const QString& from, const QString& to) {
    struct stat info {};
    if (::stat(native(from).constData(), &info) != 0) return false;
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        errno = EACCES;
        return false;
    }
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError) {
        errno = EIO;
        return false;
    }
    return writeDurably(to, bytes, info.st_mode & 07777);
}

// Opens and locks the folder, creating it for the owner alone: it holds the
// record that the next holder of the scenario acts on, so nobody else may
// write there, whatever the scenario's folder allows. -1 with errno set
// (EWOULDBLOCK: another run holds it), or -1 with refused saying why a
// folder that is there is not used (errno then EPERM). The descriptor is not
// inherited by programs started meanwhile (the plot viewer would keep the
// lock).
int lockFolder(const QString& folder, QString& refused) {
    const QByteArray path = native(folder);
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return -1;
        const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT) continue;  // the last holder just removed it
            if (errno == ELOOP || errno == ENOTDIR) {
                refused = QStringLiteral("it is not a folder but a link or a file");
                errno = EPERM;
            }
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return -1;
        }
        // A folder that its last holder removed after this open is no lock
        // any more: take the one that is there now.
        struct stat held {
        }, now{};
        if (::fstat(fd, &held) == 0 && ::lstat(path.constData(), &now) == 0 &&
            held.st_dev == now.st_dev && held.st_ino == now.st_ino) {
            if (held.st_uid != ::geteuid()) {
                ::close(fd);
                refused = QStringLiteral("it belongs to another user");
                errno = EPERM;
                return -1;
            }
            if ((held.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0) {
                const int error = errno;
                ::close(fd);
                errno = error;
                return -1;
            }
            return fd;
        }
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

QString keptName(const QString& name) { return QStringLiteral("previous.") + name; }

// The longest journal a commit writes: five lines of a few words and a name.
constexpr qint64 JOURNAL_LIMIT = 64 * 1024;

}  // namespace

// One file of a commit: the staged file replaces the previous one, or the
// previous one is removed. Kept: the previous file has a kept twin.
struct CResultFiles::Move {
    bool replace = false;
    bool kept = false;
    QString name;
};

const QStringList& CResultFiles::DischargeExtensions() {
    static const QStringList extensions{QStringLiteral(".plt"), QStringLiteral(".log"),
                                        QStringLiteral(".brn"), QStringLiteral(".dbs"),
                                        QStringLiteral(".dat")};
    return extensions;
}

const QStringList& CResultFiles::NearfieldExtensions() {
    static const QStringList extensions{QStringLiteral(".dbs"), QStringLiteral(".dat")};
    return extensions;
}

void CResultFiles::SetSyncEntry(SyncEntry entry) { g_syncEntry = entry; }

QString CResultFiles::FolderOf(const QString& basePath) {
    const QFileInfo info(basePath);
    return info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".run");
}

CResultFiles::CResultFiles(const QString& basePath, CResultFiles* outer)
    : m_basePath(basePath), m_folder(FolderOf(basePath)), m_stagedBase(basePath) {
    if (outer && outer->m_locked && outer->m_basePath == basePath) {
        m_outer = outer;
        m_locked = true;
        m_stagedBase = outer->m_stagedBase;
        return;
    }
    const QString key = QFileInfo(m_folder).absoluteFilePath();
    std::lock_guard<std::mutex> guard(g_locksMutex);
    int fd = -1;
    QString refused;
    if (g_locks.count(key) != 0) {
        errno = EWOULDBLOCK;  // another holder of this process
    } else {
        fd = lockFolder(m_folder, refused);
    }
    if (fd < 0) {
        const int error = errno;
        m_busy = error == EWOULDBLOCK;
        if (!refused.isEmpty())
            Refuse(refused);
        else
            m_error = m_busy ? AfxLoadString(IDS_RESULTS_BUSY).arg(scenarioName(basePath))
                             : AfxLoadString(IDS_RESULTS_CANNOT_WRITE)
                                   .arg(scenarioName(basePath), failure(m_folder, "create", error));
        return;
    }
    g_locks[key] = fd;
    m_locked = true;
    if (!Recover()) {
        // What the record needs stays in the folder for the next holder.
        ::close(fd);
        g_locks.erase(key);
        m_locked = false;
        return;
    }
    clearFolder(m_folder);  // left by a run that died
    m_stagedBase = m_folder + QLatin1Char('/') + QFileInfo(basePath).fileName();
}

CResultFiles::~CResultFiles() {
    if (!m_locked || m_outer) return;
    if (!m_keepFolder) Discard();
    const QString key = QFileInfo(m_folder).absoluteFilePath();
    std::lock_guard<std::mutex> guard(g_locksMutex);
    const auto it = g_locks.find(key);
    if (it == g_locks.end()) return;
    // Removed while still locked, so no other run takes this folder between.
    if (!m_keepFolder) ::rmdir(native(m_folder).constData());
    ::close(it->second);
    g_locks.erase(it);
}

QString CResultFiles::StagedPath(const QString& path) const {
    if (!m_locked || !path.startsWith(m_basePath)) return path;
    return m_stagedBase + path.mid(m_basePath.size());
}

QString CResultFiles::CurrentPath(const QString& path) const {
    const QString staged = StagedPath(path);
    return staged != path && QFileInfo::exists(staged) ? staged : path;
}

void CResultFiles::Fail(int id, const QString& file, const char* step, int error) {
    m_failure = failure(file, step, error);
    m_error = AfxLoadString(id).arg(scenarioName(m_basePath), m_failure);
}

void CResultFiles::Refuse(const QString& why) {
    m_error = AfxLoadString(IDS_RESULTS_FOLDER_REFUSED)
                  .arg(scenarioName(m_basePath), QDir::toNativeSeparators(m_folder), why);
}

// The previous file beside the scenario is kept in the folder before anything
// moves: a hard link, or a copy where the file system has none.
bool CResultFiles::Keep(const QString& name, const QString& target) {
    const QString kept = m_folder + QLatin1Char('/') + keptName(name);
    ::unlink(native(kept).constData());
    if (::link(native(target).constData(), native(kept).constData()) == 0) return true;
    if (copyDurably(target, kept)) return true;
    Fail(IDS_RESULTS_NOT_PUT_IN_PLACE, target, "keeping a copy of the previous file", errno);
    return false;
}

// Writes the record of the moves and flushes the folder that holds it. Fails
// Written when nothing replaced the record there was; Unflushed when the new
// record is in place but the folder could not be flushed.
CResultFiles::JournalState CResultFiles::WriteJournal(const char* direction,
                                                      const std::vector<Move>& moves) {
    QByteArray text = QByteArray(direction) + '\n';
    for (const Move& m : moves)
        text +=
            QByteArray(m.replace ? "R " : "D ") + (m.kept ? "1 " : "0 ") + native(m.name) + '\n';
    const QString draft = m_folder + QLatin1Char('/') + QLatin1String(JOURNAL_DRAFT);
    const QString journal = m_folder + QLatin1Char('/') + QLatin1String(JOURNAL);
    if (!writeDurably(draft, text, 0600) ||
        ::rename(native(draft).constData(), native(journal).constData()) != 0) {
        Fail(IDS_RESULTS_NOT_PUT_IN_PLACE, journal, "recording the commit", errno);
        return JournalState::NotWritten;
    }
    if (!syncFolder(m_folder)) {
        Fail(IDS_RESULTS_NOT_PUT_IN_PLACE, m_folder, "flushing the record of the commit", errno);
        return JournalState::Unflushed;
    }
    return JournalState::Written;
}

// Puts every previous file back and removes the new ones that had none;
// false with why when one could not be put back.
bool CResultFiles::Undo(const std::vector<Move>& moves, QString& why) {
    const QString dir = QFileInfo(m_basePath).path() + QLatin1Char('/');
    bool ok = true;
    for (auto m = moves.rbegin(); m != moves.rend(); ++m) {
        const QByteArray target = native(dir + m->name);
        if (m->kept) {
            const QString kept = m_folder + QLatin1Char('/') + keptName(m->name);
            if (::rename(native(kept).constData(), target.constData()) != 0 && errno != ENOENT) {
                if (ok) why = failure(dir + m->name, "putting the previous file back", errno);
                ok = false;
            }
        } else if (m->replace && ::unlink(target.constData()) != 0 && errno != ENOENT) {
            if (ok) why = failure(dir + m->name, "removing the new file", errno);
            ok = false;
        }
    }
    if (ok && !syncFolder(dir)) {
        why = failure(dir, "flushing the folder", errno);
        ok = false;
    }
    return ok;
}

bool CResultFiles::Commit(const QStringList& extensions) {
    if (!m_locked) return false;
    if (m_outer) return true;  // the outer holder moves the files of every stage
    const QString dir = QFileInfo(m_basePath).path() + QLatin1Char('/');
    const QString fileName = QFileInfo(m_basePath).fileName();
    const QString journal = m_folder + QLatin1Char('/') + QLatin1String(JOURNAL);
    std::vector<Move> moves;
    for (const QString& extension : extensions) {
        Move m;
        m.name = fileName + extension;
        const QString target = dir + m.name;
        const QString staged = m_folder + QLatin1Char('/') + m.name;
        struct stat stagedInfo {
        }, previous{};
        m.replace = ::lstat(native(staged).constData(), &stagedInfo) == 0;
        const bool had = ::lstat(native(target).constData(), &previous) == 0;
        if (!m.replace && !had) continue;
        // Anything but a file in the way would only be found at its rename.
        if (had && S_ISDIR(previous.st_mode)) {
            Fail(IDS_RESULTS_NOT_PUT_IN_PLACE, target, "replacing the previous file", EISDIR);
            return false;
        }
        // On the disk before the record that moves it: after a power cut the
        // new name never points at a file that was still in the cache.
        if (m.replace && S_ISREG(stagedInfo.st_mode) && !syncPath(staged, 0)) {
            Fail(IDS_RESULTS_NOT_PUT_IN_PLACE, target, "flushing the new file", errno);
            return false;
        }
        if (had && !Keep(m.name, target)) return false;
        m.kept = had;
        moves.push_back(m);
    }
    if (moves.empty()) return true;
    // Nothing has moved: a record that is there unflushed goes with the
    // folder's other files.
    if (WriteJournal(FORWARD, moves) != JournalState::Written) return false;

    for (size_t i = 0; i < moves.size(); ++i) {
        const Move& m = moves[i];
        const QByteArray target = native(dir + m.name);
        const bool moved = m.replace
                               ? ::rename(native(m_folder + QLatin1Char('/') + m.name).constData(),
                                          target.constData()) == 0
                               : ::unlink(target.constData()) == 0 || errno == ENOENT;
        if (moved) continue;
        const int error = errno;
        const QString why =
            failure(dir + m.name,
                    m.replace ? "putting the new file in place" : "removing the older file", error);
        // From here a kill must lead back to the previous files, not on.
        const std::vector<Move> done(moves.begin(), moves.begin() + static_cast<qsizetype>(i));
        if (WriteJournal(BACKWARD, done) == JournalState::NotWritten) {
            // Without the undo record nothing is put back: the commit's own
            // record stays, with every kept copy, and the next holder
            // finishes the commit (a put-back half done could be led on by
            // nobody).
            const QString recordWhy = m_failure;
            m_keepFolder = true;
            m_error = AfxLoadString(IDS_RESULTS_LEFT_TO_COMPLETE)
                          .arg(scenarioName(m_basePath), why, recordWhy,
                               QDir::toNativeSeparators(m_folder));
            return false;
        }
        QString undoWhy;
        if (Undo(done, undoWhy)) {
            ::unlink(native(journal).constData());
            m_error =
                AfxLoadString(IDS_RESULTS_NOT_PUT_IN_PLACE).arg(scenarioName(m_basePath), why);
        } else {
            m_keepFolder = true;
            m_error = AfxLoadString(IDS_RESULTS_MIXED)
                          .arg(scenarioName(m_basePath), why, undoWhy,
                               QDir::toNativeSeparators(m_folder));
        }
        return false;
    }
    // The record goes only once the renames are on the disk; until then the
    // next holder does them again.
    if (!syncFolder(dir)) {
        const int error = errno;
        m_keepFolder = true;
        m_error = AfxLoadString(IDS_RESULTS_NOT_FLUSHED)
                      .arg(scenarioName(m_basePath), failure(dir, "flushing the folder", error),
                           QDir::toNativeSeparators(m_folder));
        return false;
    }
    ::unlink(native(journal).constData());
    for (const Move& m : moves)
        ::unlink(native(m_folder + QLatin1Char('/') + keptName(m.name)).constData());
    return true;
}

// The moves of a journal, when it holds exactly what a commit of this
// scenario writes: "commit" or "undo", then one line "R 0 NAME", "R 1 NAME"
// or "D 1 NAME" per result file of the scenario, each at most once. Anything
// else (a name with a folder in it, another file, a line of another form) is
// not acted on: empty with why.
bool CResultFiles::ReadJournal(const QByteArray& text, bool& backward, std::vector<Move>& moves,
                               QString& why) const {
    if (!text.endsWith('\n')) {
        why = QStringLiteral("its record of an interrupted commit is cut short");
        return false;
    }
    const QList<QByteArray> lines = text.left(text.size() - 1).split('\n');
    if (lines[0] != FORWARD && lines[0] != BACKWARD) {
        why = QStringLiteral("its record of an interrupted commit does not begin as a commit's");
        return false;
    }
    backward = lines[0] == BACKWARD;
    const QString fileName = QFileInfo(m_basePath).fileName();
    QStringList own;
    for (const QString& extension : DischargeExtensions()) own << fileName + extension;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const QByteArray kind = line.left(4);
        const QString name = QFile::decodeName(line.mid(4));
        const QString quoted =
            QStringLiteral("line %1 (\"%2\")").arg(i + 1).arg(QString::fromUtf8(line.left(200)));
        if (kind != "R 0 " && kind != "R 1 " && kind != "D 1 ") {
            why = QStringLiteral(
                      "%1 of its record of an interrupted commit is not of a commit's "
                      "form")
                      .arg(quoted);
            return false;
        }
        if (!own.contains(name)) {
            why = QStringLiteral(
                      "%1 of its record of an interrupted commit names a file that is "
                      "not one of the scenario's results")
                      .arg(quoted);
            return false;
        }
        for (const Move& m : moves) {
            if (m.name == name) {
                why = QStringLiteral(
                          "%1 of its record of an interrupted commit names a file "
                          "twice")
                          .arg(quoted);
                return false;
            }
        }
        Move m;
        m.replace = kind[0] == 'R';
        m.kept = kind[2] == '1';
        m.name = name;
        moves.push_back(m);
    }
    if (moves.empty()) {
        why = QStringLiteral("its record of an interrupted commit names no file");
        return false;
    }
    return true;
}

// Completes what a journal left by a killed holder records: the rest of its
// moves, or the rest of its put-back. False, with Error(), when that failed
// or the journal is not one a commit of this scenario wrote (nothing is then
// touched).
bool CResultFiles::Recover() {
    const QString journal = m_folder + QLatin1Char('/') + QLatin1String(JOURNAL);
    struct stat info {};
    if (::lstat(native(journal).constData(), &info) != 0) return true;  // no commit under way
    if (!S_ISREG(info.st_mode)) {
        Refuse(QStringLiteral("its record of an interrupted commit is not a plain file"));
        return false;
    }
    if (info.st_size > JOURNAL_LIMIT) {
        Refuse(
            QStringLiteral("its record of an interrupted commit is larger than any commit "
                           "writes"));
        return false;
    }
    QFile file(journal);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = AfxLoadString(IDS_RESULTS_INTERRUPTED)
                      .arg(scenarioName(m_basePath), failure(journal, "reading", EACCES),
                           QDir::toNativeSeparators(m_folder));
        return false;
    }
    const QByteArray text = file.read(JOURNAL_LIMIT + 1);
    file.close();
    bool backward = false;
    std::vector<Move> moves;
    QString why;
    if (!ReadJournal(text, backward, moves, why)) {
        Refuse(why);
        return false;
    }
    // What the moves would put beside the scenario is one of the folder's
    // own plain files, never a link to somewhere else.
    const QString dir = QFileInfo(m_basePath).path() + QLatin1Char('/');
    for (const Move& m : moves) {
        for (const QString& source : {m_folder + QLatin1Char('/') + m.name,
                                      m_folder + QLatin1Char('/') + keptName(m.name)}) {
            struct stat entry {};
            if (::lstat(native(source).constData(), &entry) == 0 && !S_ISREG(entry.st_mode)) {
                Refuse(
                    QStringLiteral("%1 is not a plain file").arg(QDir::toNativeSeparators(source)));
                return false;
            }
        }
    }
    bool ok = true;
    if (backward) {
        ok = Undo(moves, why);
    } else {
        for (const Move& m : moves) {
            const QByteArray target = native(dir + m.name);
            if (m.replace) {
                const QByteArray staged = native(m_folder + QLatin1Char('/') + m.name);
                // Already moved when the staged file is gone.
                if (::rename(staged.constData(), target.constData()) != 0 && errno != ENOENT) {
                    why = failure(dir + m.name, "putting the new file in place", errno);
                    ok = false;
                    break;
                }
            } else if (::unlink(target.constData()) != 0 && errno != ENOENT) {
                why = failure(dir + m.name, "removing the older file", errno);
                ok = false;
                break;
            }
        }
        if (ok && !syncFolder(dir)) {
            why = failure(dir, "flushing the folder", errno);
            ok = false;
        }
    }
    if (!ok) {
        m_error = AfxLoadString(IDS_RESULTS_INTERRUPTED)
                      .arg(scenarioName(m_basePath), why, QDir::toNativeSeparators(m_folder));
        return false;
    }
    ::unlink(native(journal).constData());
    return true;
}

QString CResultFiles::CompleteInterruptedCommit(const QString& basePath) {
    struct stat info {};
    if (::lstat(native(FolderOf(basePath) + QLatin1Char('/') + QLatin1String(JOURNAL)).constData(),
                &info) != 0)
        return QString();
    const CResultFiles files(basePath);
    return files.IsBusy() ? QString() : files.Error();
}

void CResultFiles::Discard() {
    if (m_locked && !m_outer && !m_keepFolder) clearFolder(m_folder);
}
