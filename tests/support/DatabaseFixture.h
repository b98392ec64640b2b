#pragma once

#include "db/Connection.h"
#include "tests/support/Credentials.h"
#include "tests/support/Schema.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

// Database files for the tests: each made from the project's schema (or a
// schema of the test's own) in the test's temporary directory.
namespace fixture {

inline QStringList sysdba()
{
    return credentials::connectionParameters();
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
