#include "declaration/DurableFile.h"

#include "core/Error.h"
#include "core/FileNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace durable {

namespace {

const QString CannotCreate = QStringLiteral("No se puede crear el archivo \"%1\": %2");
const QString CannotRename = QStringLiteral("No se puede reemplazar el archivo \"%1\": %2");
const QString CannotSync = QStringLiteral("No se puede asegurar la carpeta \"%1\": %2");

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

QString directoryOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

QString writeTemporary(const QString& finalPath, const QByteArray& content)
{
    // A folder in the final file's place would refuse only the rename, when
    // everything else has changed.
    if (QFileInfo(finalPath).isDir())
        throw Error(CannotCreate.arg(finalPath, systemReason(EISDIR)));
    const QFileInfo finalInfo(finalPath);
    const QString folder = finalInfo.absolutePath() + QLatin1Char('/');
    QString path;
    int descriptor = -1;
    for (int attempt = 0; descriptor < 0; ++attempt) {
        path = folder + filenames::temporaryName(finalInfo.fileName());
        // The permissions a new file of the user gets, as for the final file.
        descriptor = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && (errno != EEXIST || attempt == 100))
            throw Error(CannotCreate.arg(finalPath, systemReason(errno)));
    }
    // Written straight to the descriptor, so that a write that fails tells
    // the system's reason (a full disk, a size limit) before anything else
    // changes; a short write is followed by another one, whose refusal
    // carries that reason.
    auto fail = [&](int error) {
        ::close(descriptor);
        remove(path);
        return Error(CannotCreate.arg(finalPath, systemReason(error)));
    };
    qint64 written = 0;
    while (written < content.size()) {
        const ssize_t count = ::write(descriptor, content.constData() + written, size_t(content.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            throw fail(count < 0 ? errno : ENOSPC);
        written += count;
    }
    if (::fsync(descriptor) != 0)
        throw fail(errno);
    if (::close(descriptor) != 0) {
        const int error = errno;
        remove(path);
        throw Error(CannotCreate.arg(finalPath, systemReason(error)));
    }
    return path;
}

void replace(const QString& from, const QString& to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw Error(CannotRename.arg(to, systemReason(errno)));
    syncDirectory(directoryOf(to));
}

bool remove(const QString& path)
{
    return ::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT;
}

void syncDirectory(const QString& directory)
{
    const int descriptor = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        throw Error(CannotSync.arg(directory, systemReason(errno)));
    const int result = ::fsync(descriptor);
    const int error = errno;
    ::close(descriptor);
    if (result != 0)
        throw Error(CannotSync.arg(directory, systemReason(error)));
}

}  // namespace durable
