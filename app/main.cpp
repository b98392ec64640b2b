#include "app/Retenciones.h"
#include "app/Startup.h"
#include "app/StartupRecovery.h"

#include <QApplication>

int main(int argc, char** argv)
{
    prepareStartup();
    QApplication application(argc, argv);
    configureApplication(application);
    Collaborators collaborators = realCollaborators();
    createDatabaseIfAbsent(collaborators.databaseName, installedSchemaPath());
    // The main window is the first one created; closing it ends the program.
    const std::unique_ptr<TF_Retenciones> F_Retenciones = createWindows(std::move(collaborators));
    recoverInterruptedConfirmation(F_Retenciones->collaborators);
    F_Retenciones->show();
    return application.exec();
}
