#include "app/Collaborators.h"

#include "declaration/StoreSettings.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QTemporaryFile>

namespace {

// Boxes without a parent are centred on the screen.
class DesktopMessageBoxes : public MessageBoxes
{
public:
    void information(const QString& text) override
    {
        QMessageBox box(QMessageBox::Information, title(), text, QMessageBox::Ok);
        box.exec();
    }

    void informationWithDetail(const QString& text, const QString& detail) override
    {
        QMessageBox box(QMessageBox::Information, title(), text, QMessageBox::Ok);
        if (!detail.isEmpty())
            box.setDetailedText(detail);
        box.exec();
    }

    bool question(const QString& text, DefaultButton defaultButton) override
    {
        QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(defaultButton == DefaultButton::Yes ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }

    void error(const QString& message, const QString& detail) override
    {
        QMessageBox box(QMessageBox::Critical, title(), message, QMessageBox::Ok);
        if (!detail.isEmpty())
            box.setDetailedText(detail);
        box.exec();
    }

private:
    static QString title() { return QCoreApplication::applicationName(); }
};

class DesktopBeep : public SystemBeep
{
public:
    void beep() override { QApplication::beep(); }
};

class DesktopOpenFileDialog : public OpenFileDialog
{
public:
    QString getOpenFileName(const QString& title, const QString& folder) override
    {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, folder);
    }
};

class XdgOpener : public DesktopOpener
{
public:
    bool open(const QString& path) override { return QProcess::startDetached(QStringLiteral("xdg-open"), {path}); }
};

class QSettingsUserSettings : public UserSettings
{
public:
    QString importFolder() const override { return settings().value(ImportFolderKey).toString(); }
    void setImportFolder(const QString& folder) override
    {
        QSettings stored = settings();
        stored.setValue(ImportFolderKey, folder);
        stored.sync();
    }

private:
    static inline const QString ImportFolderKey = QStringLiteral("importacion/carpeta");
    // Read afresh each time, so a second copy of the program sees what the
    // first one stored.
    static QSettings settings() { return QSettings(QStringLiteral("Retenciones"), QStringLiteral("Retenciones")); }
};

}  // namespace

QString realProgramDirectory()
{
    QString directory = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    if (!directory.endsWith(QDir::separator()))
        directory += QDir::separator();
    return directory;
}

QString outputDirectory(const QString& programDirectory, const QString& dataDirectory)
{
    // Making a file is the only test that holds for every reason a folder
    // may refuse one: permissions, a read-only mount, a folder that is gone.
    QTemporaryFile probe(programDirectory + QStringLiteral(".retenciones-XXXXXX"));
    if (probe.open())
        return programDirectory;
    QDir().mkpath(dataDirectory);
    return dataDirectory;
}

std::shared_ptr<MessageBoxes> desktopMessageBoxes()
{
    return std::make_shared<DesktopMessageBoxes>();
}

std::shared_ptr<DesktopOpener> desktopOpener()
{
    return std::make_shared<XdgOpener>();
}

std::shared_ptr<UserSettings> desktopSettings()
{
    return std::make_shared<QSettingsUserSettings>();
}

Collaborators realCollaborators()
{
    Collaborators collaborators;
    collaborators.messages = desktopMessageBoxes();
    collaborators.opener = desktopOpener();
    collaborators.settings = desktopSettings();
    collaborators.beep = std::make_shared<DesktopBeep>();
    collaborators.fileDialog = std::make_shared<DesktopOpenFileDialog>();
    collaborators.programDirectory = outputDirectory(realProgramDirectory(), storesettings::dataDirectory());
    collaborators.databaseName = storesettings::databaseName();
    return collaborators;
}
