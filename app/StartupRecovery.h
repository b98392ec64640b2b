#pragma once

#include "app/Collaborators.h"

// Run once at start-up, before the window takes input: finishes or undoes a
// CONFIRMA that was interrupted (the program killed, the machine stopped), so
// that the declaration file, the control report and the stored lines tell the
// same declaration, and removes temporary files left in the program's
// directory. A recovery that cannot be made (the database out of reach) is
// shown in the standard error box and tried again at the next start.
void recoverInterruptedConfirmation(const Collaborators& collaborators);
