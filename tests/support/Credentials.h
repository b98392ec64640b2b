#pragma once

#include "declaration/StoreSettings.h"

#include <QString>
#include <QStringList>

// The database user the tests and benchmarks create and open their
// databases with, the program's own (StoreSettings.h), and the same login for
// isql-fb.
namespace credentials {

inline QString user()
{
    return QLatin1String(storesettings::UserName);
}

inline QString password()
{
    return QLatin1String(storesettings::Password);
}

// Connection parameters for db::Connection.
inline QStringList connectionParameters()
{
    return storesettings::connectionParameters();
}

// The login arguments of isql-fb.
inline QStringList isqlLogin()
{
    return {QStringLiteral("-user"), user(), QStringLiteral("-password"), password()};
}

}  // namespace credentials
