#pragma once

#include <QString>
#include <QStringList>

// Where the withholdings store lives and how it is opened and made: the one
// home of the database's name, credentials and creation, used by the start-up,
// CONFIRMA and the recovery of an interrupted CONFIRMA.
namespace storesettings {

// The user and password the program opens and creates its database with.
inline constexpr const char* UserName = "SYSDBA";
inline constexpr const char* Password = "pinecrest";
// The character set the database is created with.
inline constexpr const char* CharacterSet = "WIN1252";
// The database file's name in the data folder.
inline constexpr const char* DatabaseFileName = "RETENCIONES.FDB";

// The connection parameters of the user and password above.
QStringList connectionParameters();

// The folder of the database, with a trailing separator: "C:\Retenciones\" on
// Windows; elsewhere the folder Retenciones in the user's home folder.
QString dataDirectory();
// RETENCIONES.FDB in the data folder.
QString databaseName();

// Makes the database from `schemaPath` when `databaseName` does not exist,
// under a temporary name renamed when complete, so a failed start leaves no
// half-made database. Without the schema, or when the file exists, nothing is
// done; a failure is written to the standard error and the program goes on
// (CONFIRMA then shows the database's own text).
void createDatabaseIfAbsent(const QString& databaseName, const QString& schemaPath);

}  // namespace storesettings
