#pragma once

#include "app/Collaborators.h"

#include <memory>

class QApplication;
class TF_Retenciones;

// Settings that must be made before the application object exists: the
// layout is in pixels and is not scaled with the screen's resolution.
void prepareStartup();
// Application name and style, once the application object exists.
void configureApplication(QApplication& application);
// Creates the main window F_Retenciones and, hidden, the help window F_ayuda.
std::unique_ptr<TF_Retenciones> createWindows(Collaborators collaborators);
