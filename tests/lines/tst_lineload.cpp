#include "tests/lines/tst_lines.h"

#include "core/Error.h"
#include "declaration/LineEntry.h"
#include "declaration/LineLoad.h"
#include "declaration/WithholdingGrid.h"
#include "tests/support/GridLines.h"
#include "tests/support/PeakMemory.h"
#include "tests/support/RecordLines.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include <unistd.h>

using recordlines::fileBytes;
using recordlines::goodRecord;
using recordlines::record;

void TestLineLoad::init()
{
    QVERIFY(m_directory.isValid());
}

void TestLineLoad::importExamples_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("receiptColumn");
    QTest::addColumn<QStringList>("withholdingColumn");
    QTest::addColumn<QString>("total");
    QTest::addColumn<qint64>("mismatches");

    const QString cuit = "20-12345678-6";
    const QString date = "20260315";
    const QString name = "PROVEEDOR SA";
    QTest::newRow("receipt number 0 passed over despite its amounts")
        << QStringList{record(cuit, date, "00000000700", "0000000000000", name, "00000138000")} << QStringList{}
        << QStringList{} << "0" << qint64(0);
    QTest::newRow("negative receipt number passed over")
        << QStringList{record(cuit, date, "00000000700", "-000000000005", name, "00000138000")} << QStringList{}
        << QStringList{} << "0" << qint64(0);
    QTest::newRow("1380.00 with 6.90 stands as 7")
        << QStringList{record(cuit, date, "00000000690", "0000000000001", name, "00000138000")}
        << QStringList{"000001380.00"} << QStringList{"7"} << "7" << qint64(0);
    QTest::newRow("1380.00 with 7.00 fails the cross-check")
        << QStringList{record(cuit, date, "00000000700", "0000000000001", name, "00000138000")}
        << QStringList{"000001380.00"} << QStringList{"7"} << "7" << qint64(1);
    QTest::newRow("1234.56 with 6.17") << QStringList{record(
        cuit, date, "00000000617", "0000000000001", name, "00000123456")}
                                       << QStringList{"000001234.56"} << QStringList{"6"} << "6" << qint64(0);
    QTest::newRow("6.50 rounds down") << QStringList{record(
        cuit, date, "00000000650", "0000000000001", name, "00000130000")}
                                      << QStringList{"000001300.00"} << QStringList{"6"} << "6" << qint64(0);
    QTest::newRow("6.51 rounds up") << QStringList{record(
        cuit, date, "00000000651", "0000000000001", name, "00000130200")}
                                    << QStringList{"000001302.00"} << QStringList{"7"} << "7" << qint64(0);
    QTest::newRow("three good lines then one failing: all four added")
        << QStringList{goodRecord(1, 120000), goodRecord(2, 138000), goodRecord(3, 100),
               record(cuit, date, "00000000700", "0000000000004", name, "00000138000")}
        << QStringList{"000001200.00", "000001380.00", "000000001.00", "000001380.00"}
        << QStringList{"6", "7", "0", "7"} << "20" << qint64(1);
}

void TestLineLoad::importExamples()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, receiptColumn);
    QFETCH(QStringList, withholdingColumn);
    QFETCH(QString, total);
    QFETCH(qint64, mismatches);

    const QString path = write("import.txt", fileBytes(lines));
    Lines state;
    const lineload::ImportResult result = lineload::importFile(path, state.declaration);
    QCOMPARE(result.linesAdded, int(receiptColumn.size()));
    QCOMPARE(result.mismatchCount, mismatches);
    QCOMPARE(state.total(), total);
    QCOMPARE(state.nextRow(), qint32(receiptColumn.size() + 1));
    for (int row = 1; row <= receiptColumn.size(); ++row) {
        QCOMPARE(state.grid.cell(row, 0), QString::number(row));
        QCOMPARE(state.grid.cell(row, 3), receiptColumn.at(row - 1));
        QCOMPARE(state.grid.cell(row, 4), withholdingColumn.at(row - 1));
    }
    if (!receiptColumn.isEmpty()) {
        // Every text column of the first line, trimmed, receipt number as in the file.
        const WithholdingLine expected{"1", "0000000000001", "15/03/2026", receiptColumn.first(),
            withholdingColumn.first(), "PROVEEDOR SA", "20-12345678-6"};
        QCOMPARE(state.declaration.line(1), expected);
    }
}

void TestLineLoad::importAppendsAndCountsRows()
{
    const QString path = write("twice.txt", fileBytes({goodRecord(10, 138000), goodRecord(11, 123456)}));
    Lines state;
    state.fillWithEarlierLines();
    lineload::importFile(path, state.declaration);
    lineload::importFile(path, state.declaration);
    QCOMPARE(state.nextRow(), 8);
    // 13 before, then 6.90 -> 7 and 6.17 -> 6 twice.
    QCOMPARE(state.total(), QString("39"));
    const QStringList receipts{"0000000000010", "0000000000011", "0000000000010", "0000000000011"};
    for (int row = 4; row <= 7; ++row) {
        QCOMPARE(state.grid.cell(row, 0), QString::number(row));
        QCOMPARE(state.grid.cell(row, 1), receipts.at(row - 4));
    }
    // The earlier lines and the gap stay as they were.
    QCOMPARE(state.grid.cell(1, 1), QString("0000000000001"));
    QCOMPARE(state.grid.cell(2, 0), QString("2"));
    QCOMPARE(state.grid.cell(2, 1), QString());
    QCOMPARE(lineentry::duplicateCount(state.declaration, "0000000000010"), 2);
}

void TestLineLoad::mismatchDetailListsEveryFailingLine()
{
    const QString bad1 = record("20-12345678-9", "20260315", "00000000700", "0000000000777", "A", "00000138000");
    const QString bad2 = record("20-12345678-9", "20260315", "00000000100", "0000000000778", "B", "00000123456");
    const QString ignored = record("20-12345678-9", "20260315", "00000000100", "0000000000000", "C", "00000123456");
    const QString path =
        write("mismatch.txt", fileBytes({goodRecord(1, 1000), ignored, bad1, goodRecord(2, 1000), bad2}));
    Lines state;
    const lineload::ImportResult result = lineload::importFile(path, state.declaration);
    QCOMPARE(result.linesAdded, 4);
    QCOMPARE(result.mismatchCount, qint64(2));
    QCOMPARE(lineload::mismatchDetail(result),
        QString::fromUtf8("Línea 3: comprobante 0000000000777, importe 000001380.00, retención declarada "
                          "000000007.00, retención del 0.5 % 6.90\n"
                          "Línea 5: comprobante 0000000000778, importe 000001234.56, retención declarada "
                          "000000001.00, retención del 0.5 % 6.17"));
}

void TestLineLoad::mismatchListIsBounded()
{
    QStringList lines;
    const int failing = lineload::MaxListedMismatches + 5;
    for (int i = 1; i <= failing; ++i)
        lines << record(
            "20-12345678-9", "20260315", "00000000700", QString::number(i).rightJustified(13, '0'), "X", "00000100000");
    const QString path = write("many.txt", fileBytes(lines));
    Lines state;
    const lineload::ImportResult result = lineload::importFile(path, state.declaration);
    QCOMPARE(result.linesAdded, failing);
    QCOMPARE(result.mismatchCount, qint64(failing));
    QCOMPARE(int(result.mismatches.size()), lineload::MaxListedMismatches);
    const QStringList detail = lineload::mismatchDetail(result).split('\n');
    QCOMPARE(detail.size(), lineload::MaxListedMismatches + 1);
    QCOMPARE(detail.last(), QString::fromUtf8("... y 5 líneas más que no coinciden"));
}

void TestLineLoad::failedLoadChangesNothing_data()
{
    QTest::addColumn<bool>("reload");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("failingLine");

    const QString cuit = "20-12345678-9";
    const QString date = "20260315";
    const QStringList good{goodRecord(1, 120000), goodRecord(2, 138000)};
    QTest::newRow("import: receipt number 3000000000")
        << false << (good + QStringList{record(cuit, date, "00000000600", "0003000000000", "X", "00000120000")})
        << "''0003000000000'' is not a valid integer value" << 3;
    QTest::newRow("import: letters in the receipt number")
        << false << (good + QStringList{record(cuit, date, "00000000600", "00000000000AB", "X", "00000120000")})
        << "''00000000000AB'' is not a valid integer value" << 3;
    QTest::newRow("import: blank receipt number")
        << false << (QStringList{good.first(), record(cuit, date, "00000000600", "", "X", "00000120000"), good.last()})
        << "''             '' is not a valid integer value" << 2;
    QTest::newRow("import: receipt number with trailing blanks")
        << false << (good + QStringList{record(cuit, date, "00000000600", "123", "X", "00000120000")})
        << "''123          '' is not a valid integer value" << 3;
    QTest::newRow("import: receipt amount with a letter")
        << false << (good + QStringList{record(cuit, date, "00000000600", "0000000000009", "X", "0000012X456")})
        << "'0000012X4.56' is not a valid floating point value" << 3;
    QTest::newRow("import: blank withheld amount")
        << false << (good + QStringList{record(cuit, date, "", "0000000000009", "X", "00000120000")})
        << "'         .  ' is not a valid floating point value" << 3;
    // Characters of no meaning in Windows-1252 (read as the C1 control of the
    // same value) and DEL stand visibly in the message.
    QTest::newRow("import: byte 0x81 in the receipt number")
        << false
        << (good
               + QStringList{record(
                   cuit, date, "00000000600", QString::fromUtf8("000000000\u0081123"), "X", "00000120000")})
        << "''000000000\\x81123'' is not a valid integer value" << 3;
    QTest::newRow("import: DEL in the receipt amount")
        << false
        << (good
               + QStringList{record(cuit, date, "00000000600", "0000000000009", "X",
                   "0000012\x7f"
                   "456")})
        << "'0000012\\x7F4.56' is not a valid floating point value" << 3;
    QTest::newRow("import: line cut before the receipt number")
        << false << (good + QStringList{QStringLiteral("20-12345678-9202603")}) << "'''' is not a valid integer value"
        << 3;
    QTest::newRow("re-load: blank withheld amount")
        << true << (good + QStringList{record(cuit, date, "", "0000000000009", "X", "00000120000")})
        << "'.' is not a valid floating point value" << 3;
    QTest::newRow("re-load: empty line") << true << (good + QStringList{QString(), good.first()})
                                         << "'.' is not a valid floating point value" << 3;
}

void TestLineLoad::failedLoadChangesNothing()
{
    QFETCH(bool, reload);
    QFETCH(QStringList, lines);
    QFETCH(QString, message);
    QFETCH(int, failingLine);

    const QString path = write("failing.txt", fileBytes(lines));
    Lines state;
    state.fillWithEarlierLines();
    const auto before = gridLines(state.declaration);
    QSignalSpy resets(&state.grid, &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&state.grid, &QAbstractItemModel::rowsInserted);
    QSignalSpy changes(&state.grid, &QAbstractItemModel::dataChanged);
    state.expectLoadStops<ConversionError>(reload, path, message, failingLine);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(gridLines(state.declaration), before);
    QCOMPARE(state.nextRow(), 4);
    QCOMPARE(state.total(), QString("13"));
    // Nothing was shown in between either.
    QCOMPARE(resets.count() + inserts.count() + changes.count(), 0);
}

void TestLineLoad::reloadShowsRecordTexts()
{
    const QString cuit = "20-12345678-9";
    // A re-load neither passes over nor cross-checks: receipt number 0 and
    // amounts that do not match are loaded as they stand.
    const QStringList lines{
        record(cuit, "20260315", "00000000600", "0000000000123", "  PEÑA HNOS SA", "00000123450"),
        record(" 7-87654321-0", "2026XY07", "00000000700", "0000000000000", "OTRO", "00000000100"),
    };
    // Ñ is byte 0xD1 in Windows-1252 as in Latin-1.
    const QString path = write("26300332.txt", fileBytes(lines));
    // An earlier line of withholding 7: the re-loaded lines follow it.
    Lines state;
    state.fillWithOneLine("20-11111111-1");
    QCOMPARE(lineload::reloadDeclaration(path, state.declaration), 2);
    const WithholdingLine first{"2", "0000000000123", "15/03/2026", "000001234.50", "000000006.00",
        QString::fromUtf8("PEÑA HNOS SA"), "20-12345678-9"};
    const WithholdingLine second{
        "3", "0000000000000", "07/XY/2026", "000000001.00", "000000007.00", "OTRO", "7-87654321-0"};
    QCOMPARE(state.declaration.line(2), first);
    QCOMPARE(state.declaration.line(3), second);
    // 7 + 6 + 7, in the general number format.
    QCOMPARE(state.total(), QString("20"));
    QCOMPARE(state.nextRow(), 4);
}

void TestLineLoad::gridGrowsPastItsShownRows()
{
    QStringList lines;
    for (int i = 1; i <= 600; ++i)
        lines << goodRecord(i, 100000 + i);
    const QString path = write("six-hundred.txt", fileBytes(lines));
    Lines state;
    QSignalSpy inserts(&state.grid, &QAbstractItemModel::rowsInserted);
    lineload::importFile(path, state.declaration);
    QCOMPARE(state.grid.rowCount(), 600);
    QCOMPARE(state.nextRow(), 601);
    QCOMPARE(inserts.count(), 1);
    QCOMPARE(inserts.first().at(1).toInt(), WithholdingGrid::ShownRows);
    QCOMPARE(inserts.first().at(2).toInt(), 599);
    QCOMPARE(state.grid.cell(600, 0), QString("600"));
    QCOMPARE(state.grid.data(state.grid.index(599, 1)).toString(), QString("0000000000600"));
    QCOMPARE(lineentry::duplicateCount(state.declaration, "0000000000600"), 1);
    QCOMPARE(state.total(), QString("3000"));

    state.declaration.clear();
    QCOMPARE(state.declaration.usedRows(), 0);
    QCOMPARE(state.grid.rowCount(), WithholdingGrid::ShownRows);
    QCOMPARE(state.grid.cell(600, 1), QString());
    QCOMPARE(lineentry::duplicateCount(state.declaration, "0000000000600"), 0);
}

void TestLineLoad::unreadableInputs_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("a directory") << m_directory.path();
    QTest::newRow("a file removed before the open") << m_directory.filePath("vanished.txt");
    // Opens, then every read fails with an input/output error.
    QTest::newRow("a read error") << QStringLiteral("/proc/self/mem");
    if (geteuid() != 0) {
        const QString path = write("locked.txt", fileBytes({goodRecord(1, 1000)}));
        QFile::setPermissions(path, QFileDevice::Permissions());
        QTest::newRow("no permission to read") << path;
    }
}

void TestLineLoad::unreadableInputs()
{
    QFETCH(QString, path);
    for (const bool reload : {false, true}) {
        Lines state;
        state.fillWithEarlierLines();
        const auto before = gridLines(state.declaration);
        try {
            state.load(reload, path);
            QFAIL("the load did not stop");
        } catch (const Error& error) {
            QVERIFY2(!error.message().isEmpty(), "the error box needs a text");
            QVERIFY2(error.message().contains(path), qPrintable(error.message()));
            QVERIFY2(error.detail().startsWith("Archivo: " + path), qPrintable(error.detail()));
        }
        QCOMPARE(gridLines(state.declaration), before);
        QCOMPARE(state.nextRow(), 4);
        QCOMPARE(state.total(), QString("13"));
    }
}

void TestLineLoad::oddFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("added");  // -1: the import stops with an error
    QTest::addColumn<QString>("lastName");
    QTest::addColumn<QString>("message");  // of the error; empty: any

    const QString first = goodRecord(1, 120000);
    const QString second =
        record("20-12345678-9", "20260315", "00000000600", "0000000000002", "SEGUNDO SA", "00000120000");
    QTest::newRow("empty file") << QByteArray() << 0 << QString() << QString();
    QTest::newRow("LF line ends") << fileBytes({first, second}, "\n") << 2 << "SEGUNDO SA" << QString();
    QTest::newRow("CR-only line ends") << fileBytes({first, second}, "\r") << 2 << "SEGUNDO SA" << QString();
    QTest::newRow("no line end after the last line")
        << fileBytes({first}).append(second.toLatin1()) << 2 << "SEGUNDO SA" << QString();
    QTest::newRow("lines of 100,000 characters")
        << fileBytes({first + QString(99805, 'X'), second + QString(99805, ' ')}) << 2 << "SEGUNDO SA" << QString();
    QByteArray withNul = fileBytes({first, second});
    withNul[21] = '\0';         // between the date and the withheld amount
    withNul[198 + 150] = '\0';  // in the declarant's name
    QTest::newRow("NUL bytes outside the read fields") << withNul << 2 << "SEGUNDO SA" << QString();
    QByteArray nulInNumber = fileBytes({first, second});
    nulInNumber[198 + 45] = '\0';
    QTest::newRow("NUL byte in a receipt number")
        << nulInNumber << -1 << QString()
        << QString::fromUtf8("Carácter de control \\x00 en la línea 2, posición 46 (Nro. Comprobante): no se carga "
                             "ninguna línea del archivo");
    QByteArray latin = fileBytes({first, second});
    latin[198 + 51] = char(0xD1);  // Ñ in Windows-1252
    QTest::newRow("company name in Windows-1252") << latin << 2 << QString::fromUtf8("ÑEGUNDO SA") << QString();
    // "Ã‘" in Windows-1252 is C3 91, which is also "Ñ" in UTF-8: read as
    // UTF-8 the line would be one character short of a record and every
    // field after the name would move.
    QByteArray alsoUtf8 = fileBytes({first, second});
    alsoUtf8.replace(198 + 51, 5,
        "PE\xC3\x91"
        "A");
    QTest::newRow("Windows-1252 bytes that are valid UTF-8")
        << alsoUtf8 << 2 << QString::fromUtf8("PEÃ‘ADO SA") << QString();
    QByteArray binary(65536, Qt::Uninitialized);
    QRandomGenerator generator(7);
    for (char& byte : binary)
        byte = char(generator.bounded(256));
    QTest::newRow("binary file") << binary << -1 << QString() << QString();
}

void TestLineLoad::oddFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, added);
    QFETCH(QString, lastName);
    QFETCH(QString, message);

    const QString path = write("odd.txt", bytes);
    Lines state;
    state.fillWithEarlierLines();
    const auto before = gridLines(state.declaration);
    try {
        const lineload::ImportResult result = lineload::importFile(path, state.declaration);
        QCOMPARE(result.linesAdded, added);
        QCOMPARE(state.nextRow(), 4 + added);
        if (added > 0) {
            QCOMPARE(state.grid.cell(3 + added, 5), lastName);
            QCOMPARE(state.grid.cell(3 + added, 1), QString("0000000000002"));
        }
    } catch (const Error& error) {
        QVERIFY2(added < 0, qPrintable(error.message()));
        if (!message.isEmpty())
            QCOMPARE(error.message(), message);
        // Whatever the file holds, the box shows no raw control character.
        for (const QString& text : {error.message(), error.detail()}) {
            for (QChar c : text)
                QVERIFY2(c.category() != QChar::Other_Control || c == QLatin1Char('\n'), qPrintable(text));
        }
        QVERIFY2(error.detail().contains(QString::fromUtf8("\nLínea: 1"))
                || error.detail().contains(QString::fromUtf8("\nLínea: 2")),
            qPrintable(error.detail()));
        QCOMPARE(gridLines(state.declaration), before);
        QCOMPARE(state.total(), QString("13"));
    }
}

void TestLineLoad::hugeFileIsReadInBoundedMemory()
{
    // About 200 MB: lines that count for nothing (receipt number 0), then one
    // line of 100 MB without a line end that is no record at all.
    const QString path = m_directory.filePath("huge.txt");
    const QByteArray passedOver =
        fileBytes({record("20-12345678-9", "20260315", "00000000700", "0000000000000", "NADA", "00000138000")});
    const int passedOverLines = 500000;
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray block;
        for (int i = 0; i < 1000; ++i)
            block += passedOver;
        for (int i = 0; i < passedOverLines / 1000; ++i)
            QCOMPARE(file.write(block), block.size());
        const QByteArray junk(1 << 20, 'Z');
        for (int i = 0; i < 100; ++i)
            QCOMPARE(file.write(junk), junk.size());
    }
    QVERIFY(QFileInfo(path).size() > 190 * 1000 * 1000);

    Lines state;
    state.fillWithEarlierLines();
    const auto before = gridLines(state.declaration);
    const bool measured = peakmemory::resetPeak();
    const qint64 residentBefore = peakmemory::residentKilobytes();
    try {
        lineload::importFile(path, state.declaration);
        QFAIL("the last line is no record");
    } catch (const ConversionError& error) {
        QCOMPARE(error.message(), QString("''ZZZZZZZZZZZZZ'' is not a valid integer value"));
        QCOMPARE(error.detail(), QString::fromUtf8("Archivo: %1\nLínea: %2").arg(path).arg(passedOverLines + 1));
    }
    QCOMPARE(gridLines(state.declaration), before);
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer holds freed blocks in its quarantine (256 MB), so the
    // peak would measure the sanitizer rather than the reader.
    const bool meaningful = false;
#else
    const bool meaningful = true;
#endif
    if (measured && meaningful) {
        const qint64 growthKilobytes = peakmemory::highWaterKilobytes() - residentBefore;
        QVERIFY2(growthKilobytes < 32 * 1024, qPrintable(QString("peak grew by %1 kB").arg(growthKilobytes)));
    }
    QFile::remove(path);
}
