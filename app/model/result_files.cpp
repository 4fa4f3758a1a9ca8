#include "result_files.h"

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

// The locks this process holds, by folder: the open folder and its holders.
struct HeldLock {
    int fd = -1;
    int holders = 0;
};

std::mutex g_locksMutex;
std::map<QString, HeldLock> g_locks;

QByteArray native(const QString& path) { return QFile::encodeName(path); }

QString scenarioName(const QString& basePath) {
    const QFileInfo info(basePath);
    return QStringLiteral("\"%1\" (in %2)")
        .arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath()));
}

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

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

// Opens and locks the folder, creating it when needed; -1 with errno set
// (EWOULDBLOCK: another run holds it). The descriptor is not inherited by
// programs started meanwhile (the plot viewer would keep the lock).
int lockFolder(const QString& folder) {
    const QByteArray path = native(folder);
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return -1;
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

}  // namespace

QString CResultFiles::FolderOf(const QString& basePath) {
    const QFileInfo info(basePath);
    return info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".run");
}

CResultFiles::CResultFiles(const QString& basePath)
    : m_basePath(basePath), m_folder(FolderOf(basePath)), m_stagedBase(basePath) {
    const QString key = QFileInfo(m_folder).absoluteFilePath();
    std::lock_guard<std::mutex> guard(g_locksMutex);
    HeldLock& held = g_locks[key];
    if (held.holders == 0) {
        held.fd = lockFolder(m_folder);
        if (held.fd < 0) {
            const int error = errno;
            g_locks.erase(key);
            m_busy = error == EWOULDBLOCK;
            m_error =
                error == EWOULDBLOCK
                    ? QStringLiteral(
                          "The scenario %1 is being calculated by another run (another window or "
                          "program). Only one run at a time can write its results; try again when "
                          "that run has finished.")
                          .arg(scenarioName(basePath))
                    : QStringLiteral("The results of the scenario %1 cannot be written: %2 (%3).")
                          .arg(scenarioName(basePath), systemError(error),
                               QDir::toNativeSeparators(m_folder));
            return;
        }
        clearFolder(m_folder);  // left by a run that died
    }
    ++held.holders;
    m_locked = true;
    m_stagedBase = m_folder + QLatin1Char('/') + QFileInfo(basePath).fileName();
}

CResultFiles::~CResultFiles() {
    if (!m_locked) return;
    Discard();
    const QString key = QFileInfo(m_folder).absoluteFilePath();
    std::lock_guard<std::mutex> guard(g_locksMutex);
    const auto it = g_locks.find(key);
    if (it == g_locks.end() || --it->second.holders > 0) return;
    // Removed while still locked, so no other run takes this folder between.
    ::rmdir(native(m_folder).constData());
    ::close(it->second.fd);
    g_locks.erase(it);
}

QString CResultFiles::StagedPath(const QString& path) const {
    if (!m_locked || !path.startsWith(m_basePath)) return path;
    return m_stagedBase + path.mid(m_basePath.size());
}

// The files are put in place one by one. Each previous file is first kept
// under a second name in the folder (a hard link), so that a rename that
// fails half-way can put back the ones already replaced: the scenario then
// keeps the previous results whole instead of a mix of two runs (where the
// file system has hard links).
bool CResultFiles::Commit() {
    if (!m_locked) return false;
    const QString dir = QFileInfo(m_basePath).path() + QLatin1Char('/');
    const QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    const auto kept = [&](const QString& name) {
        return m_folder + QStringLiteral("/previous.") + name;
    };
    std::vector<bool> hadPrevious;
    for (const QString& name : names) {
        const QByteArray previous = native(dir + name);
        hadPrevious.push_back(::access(previous.constData(), F_OK) == 0);
        if (hadPrevious.back()) ::link(previous.constData(), native(kept(name)).constData());
    }
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        const QString from = m_folder + QLatin1Char('/') + name;
        if (::rename(native(from).constData(), native(dir + name).constData()) == 0) continue;
        const int error = errno;
        for (qsizetype k = i - 1; k >= 0; --k) {
            const QByteArray target = native(dir + names[k]);
            if (hadPrevious[static_cast<size_t>(k)])
                ::rename(native(kept(names[k])).constData(), target.constData());
            else
                ::unlink(target.constData());
        }
        m_error = QStringLiteral("The results of the scenario %1 cannot be put in place: %2 (%3).")
                      .arg(scenarioName(m_basePath), systemError(error),
                           QDir::toNativeSeparators(dir + name));
        return false;
    }
    for (const QString& name : names) ::unlink(native(kept(name)).constData());
    return true;
}

void CResultFiles::Discard() {
    if (m_locked) clearFolder(m_folder);
}
