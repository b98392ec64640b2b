#pragma once

#include <QString>
#include <memory>

// What the main window asks of the desktop: message boxes, the beep and the
// file-open dialog. The window receives them through its constructor, so that
// tests answer the boxes and record what was shown instead of blocking on a
// modal box.

class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // Modal box with an information icon and one OK button.
    virtual void information(const QString& text) = 0;
    // The same box with extra lines in its detail area (the lines of a file
    // that failed a check). Boxes that cannot show detail show the text alone.
    virtual void informationWithDetail(const QString& text, const QString& detail)
    {
        Q_UNUSED(detail);
        information(text);
    }
    // Modal box with a question icon and the buttons Yes and No; true for Yes
    // only (No and closing the box give false).
    virtual bool question(const QString& text) = 0;
    // The standard error box: the error's own text, and extra lines (file,
    // line number, ...) that may be empty.
    virtual void error(const QString& message, const QString& detail) = 0;
};

class SystemBeep
{
public:
    virtual ~SystemBeep() = default;
    virtual void beep() = 0;
};

class OpenFileDialog
{
public:
    virtual ~OpenFileDialog() = default;
    // The full path of the chosen file, or an empty text when cancelled.
    // No title, no file-type filter, no default folder.
    virtual QString getOpenFileName() = 0;
};

struct Collaborators
{
    std::shared_ptr<MessageBoxes> messages;
    std::shared_ptr<SystemBeep> beep;
    std::shared_ptr<OpenFileDialog> fileDialog;
    // The folder the declaration file and the control report are written to
    // and the status line names, ending with a separator: the folder of the
    // running executable, or the data folder when that one cannot be written.
    QString programDirectory;
    // The Firebird database file the store opens.
    QString databaseName;
};

// The desktop's own: QMessageBox, QApplication::beep, QFileDialog, the
// output folder chosen by outputDirectory() and the database of the store's
// settings (storesettings::databaseName()).
Collaborators realCollaborators();

// The folder of the running executable with a trailing separator.
QString realProgramDirectory();
// `programDirectory` when a file can be made in it (the build tree, a copy in
// the user's own folder); otherwise `dataDirectory`, made when missing (an
// installed program, whose folder belongs to the system). Both end with a
// separator.
QString outputDirectory(const QString& programDirectory, const QString& dataDirectory);
