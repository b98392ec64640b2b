#include "app/Startup.h"

#include "app/Ayuda.h"
#include "app/Retenciones.h"

#include <QApplication>
#include <QStyleFactory>

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
