#pragma once

#include <QString>
#include <QStringList>

// The database user the tests and benchmarks create and open their
// databases with, and the same login for isql-fb.
namespace credentials {

inline QString user()
{
    return QStringLiteral("SYSDBA");
}

inline QString password()
{
    return QStringLiteral("pinecrest");
}

// Connection parameters for db::Connection.
inline QStringList connectionParameters()
{
    return {QStringLiteral("user_name=") + user(), QStringLiteral("password=") + password()};
}

// The login arguments of isql-fb.
inline QStringList isqlLogin()
{
    return {QStringLiteral("-user"), user(), QStringLiteral("-password"), password()};
}

}  // namespace credentials
