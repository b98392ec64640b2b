#include "app/Startup.h"

#include "app/Ayuda.h"
#include "app/Retenciones.h"
#include "core/InstanceLock.h"
#include "core/TerminationSignals.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyleFactory>

const QString AlreadyRunningMessage = QStringLiteral("Atención el programa ya está abierto !!!");

void prepareStartup()
{
    if (!qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
}

void configureApplication(QApplication& application)
{
    application.setApplicationName(QStringLiteral("Retenciones"));
    application.setApplicationVersion(QStringLiteral("6.0"));
    // The same look on every desktop, so the pixel layout holds.
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
        application.setStyle(style);
}

std::unique_ptr<TF_Retenciones> createWindows(Collaborators collaborators)
{
    auto mainWindow = std::make_unique<TF_Retenciones>(std::move(collaborators));
    mainWindow->F_ayuda = new TF_ayuda(mainWindow.get());
    return mainWindow;
}

QString dataFolder(const Collaborators& collaborators)
{
    return QFileInfo(collaborators.databaseName).absolutePath();
}

bool takeDataFolder(InstanceLock& lock, const Collaborators& collaborators)
{
    if (lock.acquire(dataFolder(collaborators)) != InstanceLock::Outcome::HeldElsewhere)
        return true;
    collaborators.messages->information(AlreadyRunningMessage);
    return false;
}

void endProgram()
{
    QApplication::closeAllWindows();
    QCoreApplication::exit(0);
}

int runProgram(Collaborators collaborators)
{
    TerminationSignals terminationSignals;
    int endingSignal = 0;
    QObject::connect(&terminationSignals, &TerminationSignals::received, [&endingSignal](int signalNumber) {
        if (endingSignal == 0)
            endingSignal = signalNumber;
        endProgram();
    });

    InstanceLock instanceLock;
    if (!takeDataFolder(instanceLock, collaborators))
        return endingSignal != 0 ? 128 + endingSignal : 0;

    // The main window is the first one created; closing it ends the program.
    std::unique_ptr<TF_Retenciones> F_Retenciones = createWindows(std::move(collaborators));
    F_Retenciones->show();
    const int exitCode = QApplication::exec();
    // The windows go, and with them the store's attachment, before the lock.
    F_Retenciones.reset();
    return endingSignal != 0 ? 128 + endingSignal : exitCode;
}
