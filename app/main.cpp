#include "app/Startup.h"
#include "core/ProcessLocale.h"

#include <QApplication>

int main(int argc, char** argv)
{
    prepareStartup();
    QApplication application(argc, argv);
    // The application object has installed the user's locale; the C library
    // goes back to neutral character and number rules for the database library.
    useNeutralProcessLocale();
    configureApplication(application);
    return runProgram(realCollaborators());
}
