#pragma once

#include <QObject>
#include <QTemporaryDir>

class TestLineLoad : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void importExamples_data();
    void importExamples();
    void importAppendsAndCountsRows();
    void mismatchDetailListsEveryFailingLine();
    void mismatchListIsBounded();
    void failedLoadChangesNothing_data();
    void failedLoadChangesNothing();
    void reloadShowsRecordTexts();
    void gridGrowsPastItsShownRows();
    void unreadableInputs_data();
    void unreadableInputs();
    void oddFiles_data();
    void oddFiles();
    void hugeFileIsReadInBoundedMemory();

private:
    QString write(const QString& name, const QByteArray& bytes);
    QTemporaryDir m_directory;
};

class TestLoadContent : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void encodedFiles_data();
    void encodedFiles();
    void encodingOfTheWholeFile_data();
    void encodingOfTheWholeFile();
    void controlCharactersRefuseTheFile_data();
    void controlCharactersRefuseTheFile();
    void filesWithoutLines_data();
    void filesWithoutLines();
    void pathIsShownVisibly();

private:
    QString write(const QString& name, const QByteArray& bytes);
    QTemporaryDir m_directory;
};

class TestLineEntry : public QObject
{
    Q_OBJECT
private slots:
    void receiptWithholding_data();
    void receiptWithholding();
    void receiptWithholdingRefusesNoNumber_data();
    void receiptWithholdingRefusesNoNumber();
    void dateCheck_data();
    void dateCheck();
    void duplicateCount_data();
    void duplicateCount();
    void lineIsComplete_data();
    void lineIsComplete();
    void addedLine();
};
