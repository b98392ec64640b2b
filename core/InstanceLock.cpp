#include "core/InstanceLock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
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
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? Outcome::HeldElsewhere : Outcome::Unavailable;
    }
    m_fd = fd;
    return Outcome::Acquired;
}
