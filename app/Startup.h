#pragma once

#include "app/Collaborators.h"

#include <QString>
#include <memory>

class QApplication;
class TF_Retenciones;

// The program's id on the desktop: the name of its desktop entry, icon and
// metadata files.
inline constexpr const char* ApplicationId = "ar.gob.vestora.Retenciones";

// Settings that must be made before the application object exists: the
// layout is in pixels and is not scaled with the screen's resolution, and the
// Firebird lock folder is chosen before the library is first used.
void prepareStartup();
// Application name, style, icon and the toolkit's Spanish texts, once the
// application object exists.
void configureApplication(QApplication& application);
// Creates the main window F_Retenciones and, hidden, the help window F_ayuda.
std::unique_ptr<TF_Retenciones> createWindows(Collaborators collaborators);

// The lock folder when FIREBIRD_LOCK is not set, the one scripts/env.sh
// chooses: /tmp/firebird-retenciones for root, otherwise
// firebird-retenciones-<uid> in XDG_RUNTIME_DIR (or /tmp).
QString defaultFirebirdLockFolder();
// Loads Qt's own Spanish translation (message box buttons, file dialog,
// progress window) from the toolkit's translations folder; false when it is
// not installed, and the toolkit's texts stay in English.
bool installToolkitTranslation(QApplication& application);

// The database schema installed with the program, found from the executable's
// folder as the install layout places it.
QString installedSchemaPath();
// Makes the database from `schemaPath` when `databaseName` does not exist,
// under a temporary name renamed when complete, so a failed start leaves no
// half-made database. Without the schema, or when the file exists, nothing is
// done; a failure is written to the standard error and the program goes on
// (CONFIRMA then shows the database's own text).
void createDatabaseIfAbsent(const QString& databaseName, const QString& schemaPath);
