#include "result_files.h"

#include "message_ids.h"
#include "string_table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

bool syncFolder(const QString& folder) {
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

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
    if (::fsync(fd) != 0) {
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

// Opens and locks the folder, creating it with the permissions of the
// scenario's folder (so another user who may write the scenario may run it
// after a run of ours died); -1 with errno set (EWOULDBLOCK: another run
// holds it). The descriptor is not inherited by programs started meanwhile
// (the plot viewer would keep the lock).
int lockFolder(const QString& folder) {
    const QByteArray path = native(folder);
    struct stat parent {};
    if (::stat(native(QFileInfo(folder).path()).constData(), &parent) != 0) return -1;
    const mode_t mode = parent.st_mode & 07777;
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (::mkdir(path.constData(), 0700) == 0) {
            // mkdir's mode passes through the umask; the folder's own does not.
            ::chmod(path.constData(), mode);
        } else if (errno != EEXIST) {
            return -1;
        }
        const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT) continue;  // the last holder just removed it
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
        if (::fstat(fd, &held) == 0 && ::stat(path.constData(), &now) == 0 &&
            held.st_dev == now.st_dev && held.st_ino == now.st_ino)
            return fd;
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

QString keptName(const QString& name) { return QStringLiteral("previous.") + name; }

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
    if (g_locks.count(key) != 0) {
        errno = EWOULDBLOCK;  // another holder of this process
    } else {
        fd = lockFolder(m_folder);
    }
    if (fd < 0) {
        const int error = errno;
        m_busy = error == EWOULDBLOCK;
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
    m_error = AfxLoadString(id).arg(scenarioName(m_basePath), failure(file, step, error));
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

bool CResultFiles::WriteJournal(const char* direction, const std::vector<Move>& moves) {
    QByteArray text = QByteArray(direction) + '\n';
    for (const Move& m : moves)
        text +=
            QByteArray(m.replace ? "R " : "D ") + (m.kept ? "1 " : "0 ") + native(m.name) + '\n';
    const QString draft = m_folder + QLatin1Char('/') + QLatin1String(JOURNAL_DRAFT);
    const QString journal = m_folder + QLatin1Char('/') + QLatin1String(JOURNAL);
    if (!writeDurably(draft, text, 0644) ||
        ::rename(native(draft).constData(), native(journal).constData()) != 0 ||
        !syncFolder(m_folder)) {
        Fail(IDS_RESULTS_NOT_PUT_IN_PLACE, journal, "recording the commit", errno);
        return false;
    }
    return true;
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
    return ok && syncFolder(dir);
}

bool CResultFiles::Commit(const QStringList& extensions) {
    if (!m_locked) return false;
    if (m_outer) return true;  // the outer holder moves the files of every stage
    const QString dir = QFileInfo(m_basePath).path() + QLatin1Char('/');
    const QString fileName = QFileInfo(m_basePath).fileName();
    std::vector<Move> moves;
    for (const QString& extension : extensions) {
        Move m;
        m.name = fileName + extension;
        const QString target = dir + m.name;
        struct stat staged {
        }, previous{};
        m.replace = ::lstat(native(m_folder + QLatin1Char('/') + m.name).constData(), &staged) == 0;
        const bool had = ::lstat(native(target).constData(), &previous) == 0;
        if (!m.replace && !had) continue;
        // Anything but a file in the way would only be found at its rename.
        if (had && S_ISDIR(previous.st_mode)) {
            Fail(IDS_RESULTS_NOT_PUT_IN_PLACE, target, "replacing the previous file", EISDIR);
            return false;
        }
        if (had && !Keep(m.name, target)) return false;
        m.kept = had;
        moves.push_back(m);
    }
    if (moves.empty()) return true;
    if (!WriteJournal(FORWARD, moves)) return false;

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
        // Without the undo record the commit's own must not stay either: a
        // later holder would lead a half put-back on to the new files.
        if (!WriteJournal(BACKWARD, done))
            ::unlink(native(m_folder + QLatin1Char('/') + QLatin1String(JOURNAL)).constData());
        QString undoWhy;
        if (Undo(done, undoWhy)) {
            ::unlink(native(m_folder + QLatin1Char('/') + QLatin1String(JOURNAL)).constData());
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
    syncFolder(dir);
    ::unlink(native(m_folder + QLatin1Char('/') + QLatin1String(JOURNAL)).constData());
    for (const Move& m : moves)
        ::unlink(native(m_folder + QLatin1Char('/') + keptName(m.name)).constData());
    return true;
}

// Completes what a journal left by a killed holder records: the rest of its
// moves, or the rest of its put-back. False, with Error(), when that failed.
bool CResultFiles::Recover() {
    const QString journal = m_folder + QLatin1Char('/') + QLatin1String(JOURNAL);
    QFile file(journal);
    if (!file.open(QIODevice::ReadOnly)) return true;  // no commit was under way
    const QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    const QString dir = QFileInfo(m_basePath).path() + QLatin1Char('/');
    std::vector<Move> moves;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.size() < 5) continue;
        Move m;
        m.replace = line[0] == 'R';
        m.kept = line[2] == '1';
        m.name = QFile::decodeName(line.mid(4));
        moves.push_back(m);
    }
    QString why;
    bool ok = true;
    if (lines.value(0) == BACKWARD) {
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
        ok = ok && syncFolder(dir);
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
    if (!QFileInfo::exists(FolderOf(basePath) + QLatin1Char('/') + QLatin1String(JOURNAL)))
        return QString();
    const CResultFiles files(basePath);
    return files.IsBusy() ? QString() : files.Error();
}

void CResultFiles::Discard() {
    if (m_locked && !m_outer && !m_keepFolder) clearFolder(m_folder);
}
