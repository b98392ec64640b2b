#pragma once

#include "declaration/Declaration.h"
#include "declaration/LineLoad.h"
#include "declaration/WithholdingGrid.h"

#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>

// A declaration with the grid model over it, as the window holds them.
struct Lines
{
    Declaration declaration;
    WithholdingGrid grid{declaration};

    qint32 nextRow() const { return declaration.nextRow(); }
    QString total() const { return declaration.totalText(); }

    // Three lines already in the declaration, the second deleted: a gap in row 2.
    void fillWithEarlierLines()
    {
        declaration.addLine({"1", "0000000000001", "01/03/2026", "000001380.00", "7", "PRIMERO SA", "20-11111111-1"});
        declaration.addLine({"2", "55", "02/03/2026", "1200.00", "6", "SEGUNDO SA", "20-22222222-2"});
        declaration.addLine({"3", "77", "03/03/2026", "1300.00", "6", "TERCERO SA", "20-33333333-3"});
        declaration.deleteLine(2);
    }

    // Reads `path` into the declaration as a re-load or as an import.
    void load(bool reload, const QString& path)
    {
        if (reload)
            lineload::reloadDeclaration(path, declaration);
        else
            lineload::importFile(path, declaration);
    }

    // The load of `path` must stop with a `Failure` saying `message`, its
    // detail naming the file and line `line`.
    template <typename Failure>
    void expectLoadStops(bool reload, const QString& path, const QString& message, int line)
    {
        try {
            load(reload, path);
            QFAIL("the load did not stop");
        } catch (const Failure& error) {
            QCOMPARE(error.message(), message);
            QCOMPARE(error.detail(), QString::fromUtf8("Archivo: %1\nLínea: %2").arg(path).arg(line));
        }
    }

    // One line of supplier `cuit` already in the declaration.
    void fillWithOneLine(const QString& cuit)
    {
        declaration.addLine({"1", "0000000000001", "01/03/2026", "000001380.00", "7", "PRIMERO SA", cuit});
    }
};

// The files a load test reads, written to a directory of its own.
class LoadFileTest : public QObject
{
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_directory.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QTemporaryDir m_directory;
};

class TestLineLoad : public LoadFileTest
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
};

class TestLoadContent : public LoadFileTest
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
