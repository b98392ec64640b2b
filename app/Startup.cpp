#include "app/Startup.h"

#include "app/Ayuda.h"
#include "app/Retenciones.h"
#include "declaration/StoreSettings.h"

#include "app/LockFolder.h"
#include "app/StartupRecovery.h"
#include "core/InstanceLock.h"
#include "core/TerminationSignals.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QTranslator>

const QString AlreadyRunningMessage = QStringLiteral("Atención el programa ya está abierto !!!");

namespace {

void disableScreenScaling()
{
    if (!qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
}

void setApplicationIcon(QApplication& application)
{
    QIcon icon;
    for (const int size : {48, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(QLatin1String(ApplicationId)).arg(size));
    application.setWindowIcon(icon);
    // Lets the desktop match the windows to the installed desktop entry.
    application.setDesktopFileName(QLatin1String(ApplicationId));
}

}  // namespace

void prepareStartup()
{
    disableScreenScaling();
    // Before the database library is first used.
    useUserFirebirdLockFolder();
}

void configureApplication(QApplication& application)
{
    application.setApplicationName(QStringLiteral("Retenciones"));
    application.setApplicationVersion(QStringLiteral(RETENCIONES_VERSION));
    // The same look on every desktop, so the pixel layout holds.
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
        application.setStyle(style);
    setApplicationIcon(application);
    installToolkitTranslation(application);
}

std::unique_ptr<TF_Retenciones> createWindows(Collaborators collaborators)
{
    auto mainWindow = std::make_unique<TF_Retenciones>(std::move(collaborators));
    mainWindow->F_ayuda = new TF_ayuda(mainWindow.get());
    return mainWindow;
}

bool installToolkitTranslation(QApplication& application)
{
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qtbase_es"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QApplication::installTranslator(translator);
    return true;
}

QString installedSchemaPath()
{
    return QDir::cleanPath(
        QCoreApplication::applicationDirPath() + QLatin1Char('/') + QStringLiteral(RETENCIONES_SCHEMA_FROM_BINDIR));
}

QString dataFolder(const Collaborators& collaborators)
{
    return QFileInfo(collaborators.databaseName).absolutePath();
}

bool takeDataFolder(InstanceLock& lock, const Collaborators& collaborators)
{
    // The data folder, and the folder the declarations are written to, which
    // another account's program may write to as well.
    if (lock.acquire(dataFolder(collaborators)) != InstanceLock::Outcome::HeldElsewhere
        && lock.acquireFolder(collaborators.programDirectory) != InstanceLock::Outcome::HeldElsewhere)
        return true;
    collaborators.messages->information(AlreadyRunningMessage);
    return false;
}

namespace {
bool ending = false;
}  // namespace

bool programIsEnding()
{
    return ending;
}

void endProgram()
{
    ending = true;
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

    // Only the program that holds the data folder makes the database, and
    // finishes a CONFIRMA that an earlier run left half done, before the
    // window takes input.
    storesettings::createDatabaseIfAbsent(collaborators.databaseName, installedSchemaPath());
    const Collaborators recoveryCollaborators = collaborators;
    // The recovery touches the declaration folder only while this program
    // holds it.
    const bool declarationFolderHeld = instanceLock.holdsFolder(collaborators.programDirectory);
    // The main window is the first one created; closing it ends the program.
    std::unique_ptr<TF_Retenciones> F_Retenciones = createWindows(std::move(collaborators));
    if (declarationFolderHeld)
        recoverInterruptedConfirmation(recoveryCollaborators);
    F_Retenciones->show();
    const int exitCode = QApplication::exec();
    // The windows go, and with them the store's attachment, before the lock.
    F_Retenciones.reset();
    return endingSignal != 0 ? 128 + endingSignal : exitCode;
}
