#include "core/InstanceLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Takes an exclusive flock on `fd` without waiting.
InstanceLock::Outcome lockDescriptor(int fd)
{
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0)
        return InstanceLock::Outcome::Acquired;
    return errno == EWOULDBLOCK ? InstanceLock::Outcome::HeldElsewhere : InstanceLock::Outcome::Unavailable;
}

// Locks an open descriptor; one that does not take the lock is closed.
InstanceLock::Outcome lockOrClose(int fd)
{
    const InstanceLock::Outcome outcome = lockDescriptor(fd);
    if (outcome != InstanceLock::Outcome::Acquired)
        ::close(fd);
    return outcome;
}

}  // namespace

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
    for (const auto& [folder, fd] : m_folders)
        ::close(fd);
}

InstanceLock::Outcome InstanceLock::acquireFolder(const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty())
        return Outcome::Unavailable;
    if (holdsFolder(canonical))
        return Outcome::Acquired;
    const int fd = ::open(QFile::encodeName(canonical).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Outcome::Unavailable;
    const Outcome outcome = lockOrClose(fd);
    if (outcome != Outcome::Acquired)
        return outcome;
    m_folders.emplace_back(canonical, fd);
    return Outcome::Acquired;
}

bool InstanceLock::holdsFolder(const QString& folder) const
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    for (const auto& [held, fd] : m_folders) {
        if (!canonical.isEmpty() && held == canonical)
            return true;
    }
    return false;
}

InstanceLock::Outcome InstanceLock::acquire(const QString& folder)
{
    if (m_fd >= 0)
        return Outcome::Acquired;
    if (!QDir().mkpath(folder))
        return Outcome::Unavailable;
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(lockFileName()));
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // A lock file this user may not write (made by another user of a shared
    // folder) still takes the lock: flock needs no write access.
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Outcome::Unavailable;
    const Outcome outcome = lockOrClose(fd);
    if (outcome != Outcome::Acquired)
        return outcome;
    m_fd = fd;
    return Outcome::Acquired;
}
