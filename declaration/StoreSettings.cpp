#include "declaration/StoreSettings.h"

#include "core/Error.h"
#include "db/Connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace storesettings {

QStringList connectionParameters()
{
    return {
        QStringLiteral("user_name=") + QLatin1String(UserName), QStringLiteral("password=") + QLatin1String(Password)};
}

QString dataDirectory()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Retenciones\\");
#else
    return QDir::homePath() + QStringLiteral("/Retenciones/");
#endif
}

QString databaseName()
{
    return dataDirectory() + QLatin1String(DatabaseFileName);
}

void createDatabaseIfAbsent(const QString& databaseName, const QString& schemaPath)
{
    QFile schema(schemaPath);
    if (QFileInfo::exists(databaseName) || !schema.open(QIODevice::ReadOnly))
        return;
    QDir().mkpath(QFileInfo(databaseName).absolutePath());
    const QString partial = databaseName + QStringLiteral(".creating");
    QFile::remove(partial);
    try {
        db::Connection::createDatabase(
            partial, connectionParameters(), QLatin1String(CharacterSet), QString::fromUtf8(schema.readAll()));
    } catch (const Error& error) {
        QFile::remove(partial);
        std::fprintf(stderr, "retenciones: %s: %s\n", qPrintable(databaseName), qPrintable(error.message()));
        return;
    }
    if (!QFile::rename(partial, databaseName)) {
        QFile::remove(partial);
        std::fprintf(
            stderr, "retenciones: %s could not be renamed to %s\n", qPrintable(partial), qPrintable(databaseName));
    }
}

}  // namespace storesettings
