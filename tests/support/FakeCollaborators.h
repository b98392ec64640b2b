#pragma once

// Message boxes, beep and file dialog for tests: the boxes are answered from
// a script and everything shown is recorded, so no handler blocks on a modal
// box. Other GUI tests may include this header as well.

#include "app/Collaborators.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

struct ShownBox
{
    enum Kind { Information, Question, Error };
    Kind kind;
    QString text;
    QString detail;
};

class RecordingMessageBoxes : public MessageBoxes
{
public:
    QList<ShownBox> shown;
    // Answers to the next questions, in order; once used up, `defaultAnswer`.
    QList<bool> answers;
    bool defaultAnswer = false;
    // Runs while a box is "open", e.g. to take the activation away from the
    // window the way a real modal box does.
    std::function<void(const ShownBox&)> whileShown;

    void information(const QString& text) override { record({ShownBox::Information, text, {}}); }
    void informationWithDetail(const QString& text, const QString& detail) override
    {
        record({ShownBox::Information, text, detail});
    }
    bool question(const QString& text) override
    {
        record({ShownBox::Question, text, {}});
        return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
    }
    void error(const QString& message, const QString& detail) override { record({ShownBox::Error, message, detail}); }

    QStringList texts() const
    {
        QStringList result;
        for (const ShownBox& box : shown)
            result << box.text;
        return result;
    }

private:
    void record(const ShownBox& box)
    {
        shown << box;
        if (whileShown)
            whileShown(box);
    }
};

class CountingBeep : public SystemBeep
{
public:
    int count = 0;
    void beep() override { ++count; }
};

class ScriptedFileDialog : public OpenFileDialog
{
public:
    // The paths the next dialogs return; an empty text or none left cancels.
    QStringList paths;
    int calls = 0;
    // Runs with the chosen path before the dialog returns it, e.g. to remove
    // the file the way another program might.
    std::function<void(const QString& path)> whileChosen;
    QString getOpenFileName() override
    {
        ++calls;
        const QString path = paths.isEmpty() ? QString() : paths.takeFirst();
        if (whileChosen && !path.isEmpty())
            whileChosen(path);
        return path;
    }
};

struct FakeDesktop
{
    std::shared_ptr<RecordingMessageBoxes> messages = std::make_shared<RecordingMessageBoxes>();
    std::shared_ptr<CountingBeep> beep = std::make_shared<CountingBeep>();
    std::shared_ptr<ScriptedFileDialog> fileDialog = std::make_shared<ScriptedFileDialog>();

    Collaborators collaborators(
        const QString& programDirectory = QString(), const QString& databaseName = QString()) const
    {
        Collaborators result;
        result.messages = messages;
        result.beep = beep;
        result.fileDialog = fileDialog;
        result.programDirectory = programDirectory;
        result.databaseName = databaseName;
        return result;
    }
};
