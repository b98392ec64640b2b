#pragma once

#include "db/Connection.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

// Database files for the tests: each made from the project's schema (or a
// schema of the test's own) in the test's temporary directory.
namespace fixture {

inline QStringList sysdba()
{
    return {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=pinecrest")};
}

inline QString projectSchema()
{
    const QString path = qEnvironmentVariable("RETENCIONES_SOURCE_DIR") + QStringLiteral("/db/schema.sql");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("schema not found at %s (RETENCIONES_SOURCE_DIR)", qPrintable(path));
    return QString::fromUtf8(file.readAll());
}

// Creates `name` in `directory` and returns its path.
inline QString createDatabase(const QTemporaryDir& directory, const QString& name,
                              const QString& schema = projectSchema())
{
    const QString path = directory.filePath(name);
    db::Connection::createDatabase(path, sysdba(), QStringLiteral("WIN1252"), schema);
    return path;
}

} // namespace fixture
