#pragma once

#include "app/Collaborators.h"

#include <QString>
#include <memory>

class InstanceLock;
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

// Loads Qt's own Spanish translation (message box buttons, file dialog,
// progress window) from the toolkit's translations folder; false when it is
// not installed, and the toolkit's texts stay in English.
bool installToolkitTranslation(QApplication& application);

// The database schema installed with the program, found from the executable's
// folder as the install layout places it; the start-up makes the database from
// it (storesettings::createDatabaseIfAbsent) when there is none.
QString installedSchemaPath();
// The text of the box shown when the data folder is held by another program.
extern const QString AlreadyRunningMessage;

// The folder of the database: one program at a time works in it.
QString dataFolder(const Collaborators& collaborators);

// Takes the data folder and the folder the declaration files are written to
// (collaborators.programDirectory) for this process with `lock`. When another
// running program holds either, shows AlreadyRunningMessage and returns
// false; the program then ends without opening the database or writing any
// file. A folder that cannot be locked (a read-only medium) does not keep the
// program from starting; the start-up recovery then leaves that folder alone.
bool takeDataFolder(InstanceLock& lock, const Collaborators& collaborators);

// Ends the program the way closing the main window does: every window is
// closed (an open message box or the export progress window included) and
// every running event loop is left, so the windows go and the database is
// detached on the way out.
void endProgram();
// True once endProgram() ran: the windows close without asking anything.
bool programIsEnding();

// From the data folder check to the end of the event loop: SIGTERM, SIGINT
// and SIGHUP end the program through endProgram(); then the windows are
// created and the event loop runs until the main window is closed. Returns
// the program's exit code: 0, or 128 plus the number of the signal that
// ended it.
int runProgram(Collaborators collaborators);
