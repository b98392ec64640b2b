#pragma once

#include "app/Collaborators.h"

#include <memory>

class InstanceLock;
class QApplication;
class TF_Retenciones;

// Settings that must be made before the application object exists: the
// layout is in pixels and is not scaled with the screen's resolution.
void prepareStartup();
// Application name and style, once the application object exists.
void configureApplication(QApplication& application);
// Creates the main window F_Retenciones and, hidden, the help window F_ayuda.
std::unique_ptr<TF_Retenciones> createWindows(Collaborators collaborators);

// The text of the box shown when the data folder is held by another program.
extern const QString AlreadyRunningMessage;

// The folder of the database: one program at a time works in it.
QString dataFolder(const Collaborators& collaborators);

// Takes the data folder for this process with `lock`. When another running
// program holds it, shows AlreadyRunningMessage and returns false; the program
// then ends without opening the database or writing any file. A folder that
// cannot be locked (a read-only medium) does not keep the program from
// starting.
bool takeDataFolder(InstanceLock& lock, const Collaborators& collaborators);

// Ends the program the way closing the main window does: every window is
// closed (an open message box or the export progress window included) and
// every running event loop is left, so the windows go and the database is
// detached on the way out.
void endProgram();

// From the data folder check to the end of the event loop: SIGTERM, SIGINT
// and SIGHUP end the program through endProgram(); then the windows are
// created and the event loop runs until the main window is closed. Returns
// the program's exit code: 0, or 128 plus the number of the signal that
// ended it.
int runProgram(Collaborators collaborators);
