#include "app/LockFolder.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

QString userFirebirdLockFolder()
{
    const uid_t user = ::getuid();
    if (user == 0)
        return QStringLiteral("/tmp/firebird-retenciones");
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty())
        base = QStringLiteral("/tmp");
    return base + QStringLiteral("/firebird-retenciones-") + QString::number(user);
}

QString useUserFirebirdLockFolder()
{
    if (!qEnvironmentVariableIsEmpty("FIREBIRD_LOCK"))
        return qEnvironmentVariable("FIREBIRD_LOCK");
    const QString folder = userFirebirdLockFolder();
    // Only this user needs the folder; the engine reports its own error at
    // the first attachment when the folder cannot be made.
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        qWarning("cannot create the database lock folder %s", path.constData());
    struct stat status
    { };
    if (::lstat(path.constData(), &status) == 0 && (!S_ISDIR(status.st_mode) || status.st_uid != ::getuid()))
        qWarning("the database lock folder %s is not a folder of this user", path.constData());
    qputenv("FIREBIRD_LOCK", path);
    return folder;
}
