#pragma once

#include "db/Connection.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "tests/support/Credentials.h"
#include "tests/support/Schema.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Database files for the tests and benchmarks: each made from the project's schema (or a
// schema of the test's own) in the test's temporary directory.
namespace fixture {

inline QStringList sysdba()
{
    return credentials::connectionParameters();
}

// Creates `name` in `directory` and returns its path.
inline QString createDatabase(
    const QTemporaryDir& directory, const QString& name, const QString& schema = projectSchema())
{
    const QString path = directory.filePath(name);
    db::Connection::createDatabase(path, sysdba(), QStringLiteral("WIN1252"), schema);
    return path;
}

// The rows `sql` selects from `database`, each field's text trimmed, read
// through an attachment of the caller's own (committed rows only).
inline QList<QStringList> selectRows(const QString& database, const QString& sql)
{
    db::Connection connection(database, sysdba());
    db::Transaction transaction(connection);
    db::Query query(transaction);
    query.setSql(sql);
    query.open();
    QList<QStringList> rows;
    for (; !query.eof(); query.next()) {
        QStringList row;
        for (int field = 0; field < query.fieldCount(); ++field)
            row << query.text(field).trimmed();
        rows << row;
    }
    return rows;
}

}  // namespace fixture
