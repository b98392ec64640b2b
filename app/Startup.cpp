#include "app/Startup.h"

#include "app/Ayuda.h"
#include "app/Retenciones.h"
#include "core/Error.h"
#include "db/Connection.h"
#include "declaration/Store.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QTranslator>

#include <cstdio>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

void disableScreenScaling()
{
    if (!qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
}

// Firebird's default lock folder belongs to root; another user gets a folder
// of its own, made before the embedded engine first looks for it.
void chooseFirebirdLockFolder()
{
    if (qEnvironmentVariable("FIREBIRD_LOCK").isEmpty())
        qputenv("FIREBIRD_LOCK", QFile::encodeName(defaultFirebirdLockFolder()));
    QDir().mkpath(qEnvironmentVariable("FIREBIRD_LOCK"));
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

} // namespace

void prepareStartup()
{
    disableScreenScaling();
    chooseFirebirdLockFolder();
}

void configureApplication(QApplication& application)
{
    application.setApplicationName(QStringLiteral("Retenciones"));
    application.setApplicationVersion(QStringLiteral("6.0"));
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

QString defaultFirebirdLockFolder()
{
#ifdef Q_OS_UNIX
    const uid_t user = ::getuid();
    if (user == 0)
        return QStringLiteral("/tmp/firebird-retenciones");
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        runtime = QStringLiteral("/tmp");
    return runtime + QStringLiteral("/firebird-retenciones-") + QString::number(user);
#else
    return QDir::tempPath() + QStringLiteral("/firebird-retenciones");
#endif
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
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/')
                           + QStringLiteral(RETENCIONES_SCHEMA_FROM_BINDIR));
}

void createDatabaseIfAbsent(const QString& databaseName, const QString& schemaPath)
{
    QFile schema(schemaPath);
    if (QFileInfo::exists(databaseName) || !schema.open(QIODevice::ReadOnly))
        return;
    QDir().mkpath(QFileInfo(databaseName).absolutePath());
    const QString partial = databaseName + QStringLiteral(".creating");
    QFile::remove(partial);
    try {
        db::Connection::createDatabase(partial,
                                       {QStringLiteral("user_name=SYSDBA"),
                                        QStringLiteral("password=") + QLatin1String(WithholdingStore::Password)},
                                       QStringLiteral("WIN1252"), QString::fromUtf8(schema.readAll()));
    } catch (const Error& error) {
        QFile::remove(partial);
        std::fprintf(stderr, "retenciones: %s: %s\n", qPrintable(databaseName), qPrintable(error.message()));
        return;
    }
    if (!QFile::rename(partial, databaseName)) {
        QFile::remove(partial);
        std::fprintf(stderr, "retenciones: %s could not be renamed to %s\n", qPrintable(partial),
                     qPrintable(databaseName));
    }
}
