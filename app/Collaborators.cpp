#include "app/Collaborators.h"

#include "declaration/StoreSettings.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
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

    bool question(const QString& text) override
    {
        QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
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
    QString getOpenFileName() override { return QFileDialog::getOpenFileName(QApplication::activeWindow()); }
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

Collaborators realCollaborators()
{
    Collaborators collaborators;
    collaborators.messages = std::make_shared<DesktopMessageBoxes>();
    collaborators.beep = std::make_shared<DesktopBeep>();
    collaborators.fileDialog = std::make_shared<DesktopOpenFileDialog>();
    collaborators.programDirectory = outputDirectory(realProgramDirectory(), storesettings::dataDirectory());
    collaborators.databaseName = storesettings::databaseName();
    return collaborators;
}
