#include "core/Codepage.h"
#include "core/Error.h"
#include "core/TextRules.h"
#include "declaration/Declaration.h"
#include "declaration/DeclarationFile.h"
#include "declaration/Record.h"
#include "declaration/Withholding.h"
#include "declaration/WithholdingGrid.h"
#include "tests/support/GridLines.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace record;

class TestRecord : public QObject
{
    Q_OBJECT

private:
    static RecordInput sampleInput()
    {
        RecordInput in;
        in.supplierCuit = "20-12345678-9";
        in.year = "2026";
        in.monthTwoDigits = "03";
        in.date = "15/03/2026";
        in.withholding = "6";
        in.receiptNumber = "123";
        in.supplierName = QString::fromUtf8("PEÑA HNOS SA");
        in.declarantCuit = "30-71234567-1";
        in.declarantName = "MUNICIPAL SERVICIOS SRL";
        in.receiptAmount = "1234.50";
        return in;
    }

private slots:
    void withholdingOfReceipt_data()
    {
        QTest::addColumn<QString>("receipt");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("100.00") << "100.00" << qint64(0);
        QTest::newRow("100.01") << "100.01" << qint64(1);
        QTest::newRow("300.00 (exactly one half)") << "300.00" << qint64(1);
        QTest::newRow("300.01") << "300.01" << qint64(2);
        QTest::newRow("1234.56") << "1234.56" << qint64(6);
        QTest::newRow("1380.00") << "1380.00" << qint64(7);
        QTest::newRow("largest") << "999999999.99" << qint64(5000000);
    }

    void withholdingOfReceipt()
    {
        QFETCH(QString, receipt);
        QFETCH(qint64, expected);
        QCOMPARE(withholding::ofReceipt(text::toCents(receipt)), expected);
    }

    void crossCheckAndRounding()
    {
        QVERIFY(withholding::matchesReceipt(text::toCents("1234.56"), text::toCents("6.17")));
        QVERIFY(withholding::matchesReceipt(text::toCents("1380.00"), text::toCents("6.90")));
        QVERIFY(!withholding::matchesReceipt(text::toCents("1380.00"), text::toCents("7.00")));
        QVERIFY(withholding::matchesReceipt(text::toCents("000001234.56"), text::toCents("000000006.17")));
        QCOMPARE(withholding::roundedToUnits(text::toCents("6.50")), qint64(6));
        QCOMPARE(withholding::roundedToUnits(text::toCents("6.51")), qint64(7));
        QCOMPARE(withholding::roundedToUnits(text::toCents("6.90")), qint64(7));
        QCOMPARE(withholding::roundedToUnits(text::toCents("6.17")), qint64(6));
        QCOMPARE(withholding::roundedToUnits(text::toCents("0")), qint64(0));
    }

    void fileNames_data()
    {
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("legajo");
        QTest::addColumn<QString>("expected");
        QTest::newRow("month 3") << "3"
                                 << "2026"
                                 << "332"
                                 << "26300332.txt";
        QTest::newRow("month 03") << "03"
                                  << "2026"
                                  << "332"
                                  << "26300332.txt";
        QTest::newRow("month 10") << "10"
                                  << "2026"
                                  << "332"
                                  << "26A00332.txt";
        QTest::newRow("month 11") << "11"
                                  << "2026"
                                  << "332"
                                  << "26B00332.txt";
        QTest::newRow("month 12") << "12"
                                  << "2026"
                                  << "332"
                                  << "26C00332.txt";
        QTest::newRow("legajo 4505") << "1"
                                     << "2015"
                                     << "4505"
                                     << "15104505.txt";
        QTest::newRow("legajo of one digit") << "1"
                                             << "2015"
                                             << "7"
                                             << "15100007.txt";
        QTest::newRow("legajo of six digits") << "1"
                                              << "2015"
                                              << "123456"
                                              << "151.txt";
        QTest::newRow("year with leading zero") << "1"
                                                << "02020"
                                                << "332"
                                                << "02100332.txt";
        QTest::newRow("blanks trimmed") << "3"
                                        << " 2026 "
                                        << " 332 "
                                        << "26300332.txt";
    }

    void fileNames()
    {
        QFETCH(QString, month);
        QFETCH(QString, year);
        QFETCH(QString, legajo);
        QFETCH(QString, expected);
        QCOMPARE(declarationFileName(month, year, legajo), expected);
    }

    void monthTwoDigitsAndCodes()
    {
        QCOMPARE(monthTwoDigits("3"), QStringLiteral("03"));
        QCOMPARE(monthTwoDigits("03"), QStringLiteral("03"));
        QCOMPARE(monthTwoDigits("012"), QStringLiteral("12"));
        QCOMPARE(monthCode("10"), QStringLiteral("A"));
        QCOMPARE(monthCode("13"), QString());
        QVERIFY_THROWS_EXCEPTION(ConversionError, monthTwoDigits(""));
        QVERIFY_THROWS_EXCEPTION(ConversionError, monthTwoDigits("x"));
    }

    void amountFields_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("expected");
        QTest::newRow("6") << "6"
                           << "00000000600";
        QTest::newRow("1234.50") << "1234.50"
                                 << "00000123450";
        QTest::newRow("re-loaded 000001234.50") << "000001234.50"
                                                << "00000123450";
        QTest::newRow("0.05") << "0.05"
                              << "00000000005";
        QTest::newRow("one decimal") << "12.5"
                                     << "00000001250";
        QTest::newRow("largest") << "999999999.99"
                                 << "99999999999";
        QTest::newRow("zero") << "0"
                              << "00000000000";
    }

    void amountFields()
    {
        QFETCH(QString, amount);
        QFETCH(QString, expected);
        QCOMPARE(amountField(amount), expected);
    }

    void recordIsByteExact()
    {
        const QString record = declarationRecord(sampleInput());
        QCOMPARE(record.size(), 196);
        const QString expected = QStringLiteral("20-12345678-9") + "2026" + "03" + "15032026" + "00000000600"
            + "0000000000123" + QString::fromUtf8("PEÑA HNOS SA").leftJustified(60, ' ') + "30-71234567-1"
            + QStringLiteral("MUNICIPAL SERVICIOS SRL").leftJustified(60, ' ') + "00000123450" + "\r";
        QCOMPARE(record, expected);
        QCOMPARE(record.mid(27, 11), QStringLiteral("00000000600"));     // positions 28-38
        QCOMPARE(record.mid(184, 11), QStringLiteral("00000123450"));    // positions 185-195
        QCOMPARE(record.mid(13, 14), QStringLiteral("20260315032026"));  // positions 14-27

        RecordInput shortCuit = sampleInput();
        shortCuit.supplierCuit = "123";
        QCOMPARE(declarationRecord(shortCuit).left(13), QStringLiteral("          123"));

        RecordInput name59 = sampleInput();
        name59.supplierName = QString(59, QLatin1Char('X'));
        QCOMPARE(declarationRecord(name59).mid(51, 60), QString(59, QLatin1Char('X')) + QLatin1Char(' '));
    }

    void fileBytesEndWith13_13_10()
    {
        const QByteArray bytes =
            declarationfile::encode({declarationRecord(sampleInput()), declarationRecord(sampleInput())});
        QCOMPARE(bytes.size(), 2 * 198);
        for (int line = 0; line < 2; ++line) {
            QCOMPARE(quint8(bytes.at(line * 198 + 195)), quint8(13));
            QCOMPARE(quint8(bytes.at(line * 198 + 196)), quint8(13));
            QCOMPARE(quint8(bytes.at(line * 198 + 197)), quint8(10));
        }
        QCOMPARE(quint8(bytes.at(51 + 2)), quint8(0xD1));  // Ñ is one byte in Windows-1252
        QVERIFY(declarationfile::encode({}).isEmpty());
    }

    void fitCheck()
    {
        QVERIFY(!doesNotFit(sampleInput()));
        auto check = [](auto change, const QString& field) {
            RecordInput in = sampleInput();
            change(in);
            auto problem = doesNotFit(in);
            QVERIFY2(problem, qPrintable(field));
            QCOMPARE(problem->field, field);
        };
        check([](RecordInput& in) { in.receiptNumber = QString(14, '1'); }, QStringLiteral("Nro. Comprobante"));
        check([](RecordInput& in) { in.receiptAmount = "1000000000"; }, QStringLiteral("Importe Comprobante"));
        check([](RecordInput& in) { in.receiptAmount = "1.005"; }, QStringLiteral("Importe Comprobante"));
        check([](RecordInput& in) { in.withholding = "-6"; }, QString::fromUtf8("Importe Retención"));
        // Amounts whose hundredths do not fit 64 bits are named, not a conversion error.
        check(
            [](RecordInput& in) { in.withholding = "999999900000000000.90"; }, QString::fromUtf8("Importe Retención"));
        check([](RecordInput& in) { in.receiptAmount = QString(30, '9'); }, QStringLiteral("Importe Comprobante"));
        check([](RecordInput& in) { in.supplierName = QString(61, 'A'); }, QString::fromUtf8("Razón Social"));
        check([](RecordInput& in) { in.supplierName = QString::fromUtf8("ŐRSÉG"); }, QString::fromUtf8("Razón Social"));
        check([](RecordInput& in) { in.date = "//"; }, QStringLiteral("Fecha"));
        check([](RecordInput& in) { in.year = "02020"; }, QString::fromUtf8("Año"));
        // Four UTF-16 units but two characters, or a character without its byte:
        // the year would shift or change the record.
        check([](RecordInput& in) { in.year = QString::fromUtf8("20\xF0\x9F\x98\x80"); }, QString::fromUtf8("Año"));
        check([](RecordInput& in) { in.year = QString::fromUtf8("202\xC5\x90"); }, QString::fromUtf8("Año"));
        RecordInput fits = sampleInput();
        fits.receiptNumber = QString(13, '9');
        fits.receiptAmount = "999999999.99";
        fits.supplierName = QString(60, 'A');
        QVERIFY(!doesNotFit(fits));
    }

    void readerView()
    {
        RecordInput in = sampleInput();
        in.receiptAmount = "1234.56";
        const RecordView view = readRecord(declarationRecord(in).chopped(1));
        QCOMPARE(view.supplierCuit, QStringLiteral("20-12345678-9"));
        QCOMPARE(view.recordDate, QStringLiteral("20260315"));
        QCOMPARE(view.dateText(), QStringLiteral("15/03/2026"));
        QCOMPARE(RecordView::amountText(view.receiptField), QStringLiteral("000001234.56"));
        QCOMPARE(RecordView::amountText(view.withheldField), QStringLiteral("000000006.00"));
        QCOMPARE(view.receiptNumber, QStringLiteral("0000000000123"));

        const RecordView shortLine = readRecord(QStringLiteral("20-12345678-9202603"));
        QCOMPARE(shortLine.recordDate, QStringLiteral("202603"));
        QCOMPARE(shortLine.dateText(), QStringLiteral("/03/2026"));
        QVERIFY(shortLine.receiptField.isEmpty());
        QCOMPARE(RecordView::amountText(shortLine.receiptField), QStringLiteral("."));
        QVERIFY(readRecord(QString()).supplierName.isEmpty());
    }

    // Positions are characters: a character outside the Basic Multilingual
    // Plane (two UTF-16 units) or a lone surrogate is one position, and the
    // fields after it stay where they are.
    void readerCountsCharacters_data()
    {
        QTest::addColumn<QString>("cuit");
        QTest::addColumn<QString>("recordDate");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("receiptField");
        QTest::addColumn<QString>("dateText");
        QTest::addColumn<QString>("receiptAmount");

        const QString face = QString::fromUtf8("\xF0\x9F\x98\x80");
        const QString name = QString(60, 'N');
        QTest::newRow("in the date") << "20-12345678-9"
                                     << "202603" + face + "5" << name << "00000123456" << face + "5/03/2026"
                                     << "000001234.56";
        QTest::newRow("in the CUIT") << "20-1234567" + face + "-9"
                                     << "20260315" << name << "00000123456"
                                     << "15/03/2026"
                                     << "000001234.56";
        QTest::newRow("in the receipt amount") << "20-12345678-9"
                                               << "20260315" << name << "00000" + face + "12345"
                                               << "15/03/2026"
                                               << "00000" + face + "123.45";
        QTest::newRow("lone surrogate in the name")
            << "20-12345678-9"
            << "20260315" << QString(QChar(0xD800)) + QString(59, 'N') << "00000123456"
            << "15/03/2026"
            << "000001234.56";
    }

    void readerCountsCharacters()
    {
        QFETCH(QString, cuit);
        QFETCH(QString, recordDate);
        QFETCH(QString, name);
        QFETCH(QString, receiptField);
        QFETCH(QString, dateText);
        QFETCH(QString, receiptAmount);

        const QString line =
            cuit + recordDate + "000000" + "00000000617" + "0000000000123" + name + QString(73, 'D') + receiptField;
        const RecordView view = readRecord(line);
        QCOMPARE(view.supplierCuit, cuit);
        QCOMPARE(view.recordDate, recordDate);
        QCOMPARE(view.withheldField, QStringLiteral("00000000617"));
        QCOMPARE(view.receiptNumber, QStringLiteral("0000000000123"));
        QCOMPARE(view.supplierName, name);
        QCOMPARE(view.receiptField, receiptField);
        QCOMPARE(view.dateText(), dateText);
        QCOMPARE(RecordView::amountText(view.receiptField), receiptAmount);
        QCOMPARE(RecordView::amountText(view.withheldField), QStringLiteral("000000006.17"));
    }

    void lineReader()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("lines.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // CR CR LF, plain LF, CR-only, a Windows-1252 letter, a NUL and a long line.
        file.write("first\r\r\nsecond\nthird\rfourth\r\n\xd1"
                   "A\0B\n",
            35);
        file.write(QByteArray(100000, 'x'));
        file.write("\r\nlast");
        file.close();

        declarationfile::LineReader reader(path, 4096);
        reader.open();
        QStringList lines;
        QString line;
        while (reader.next(line))
            lines << line;
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.at(0), QStringLiteral("first"));
        QCOMPARE(lines.at(1), QStringLiteral("second"));
        QCOMPARE(lines.at(2), QStringLiteral("third"));
        QCOMPARE(lines.at(3), QStringLiteral("fourth"));
        QCOMPARE(lines.at(4), QString::fromUtf8("ÑA") + QChar(0) + QStringLiteral("B"));
        QCOMPARE(lines.at(5).size(), 4096);
        QCOMPARE(lines.at(6), QStringLiteral("last"));
        QCOMPARE(reader.lineNumber(), qint64(7));

        QFile empty(dir.filePath("empty.txt"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        declarationfile::LineReader emptyReader(empty.fileName());
        emptyReader.open();
        QVERIFY(!emptyReader.next(line));

        declarationfile::LineReader directory(dir.path());
        QVERIFY_THROWS_EXCEPTION(Error, directory.open());
        declarationfile::LineReader missing(dir.filePath("none.txt"));
        QVERIFY_THROWS_EXCEPTION(Error, missing.open());
    }

    void lineReaderEncodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("encoding");  // -1: not decided (ASCII only)

        using declarationfile::Encoding;
        const QString enye = QString::fromUtf8("Ñ");
        const QByteArray utf8Enye = "\xC3\x91";
        // In Windows-1252 the two bytes of a UTF-8 Ñ are Ã and ‘.
        const QString misread = QString::fromUtf8("Ã‘");
        const QByteArray filler(70000, 'x');  // longer than one chunk of the reader

        QTest::newRow("ASCII only") << QByteArray("AB\r\r\nC") << QStringList{"AB", "C"} << -1;
        QTest::newRow("Windows-1252") << QByteArray("\xD1"
                                                    "A\r\r\nB")
                                      << QStringList{enye + "A", "B"} << int(Encoding::Windows1252);
        QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF" + utf8Enye + "A\r\r\nB")
                                    << QStringList{enye + "A", "B"} << int(Encoding::Utf8);
        QTest::newRow("UTF-8 without mark") << QByteArray("A" + utf8Enye
            + "\r\r\n\xC3\x89"
              "B") << QStringList{"A" + enye, QString::fromUtf8("ÉB")}
                                            << int(Encoding::Utf8);
        QTest::newRow("UTF-8 mark, a byte that is no UTF-8")
            << QByteArray("\xEF\xBB\xBF"
                          "A\xD1"
                          "B")
            << QStringList{QString::fromUtf8("A\uFFFDB")} << int(Encoding::Utf8);
        QTest::newRow("UTF-8 mark inside the file is a character") << QByteArray(
            "\xEF\xBB\xBF"
            "A\xEF\xBB\xBF"
            "B") << QStringList{QString::fromUtf8("A\uFEFFB")} << int(Encoding::Utf8);
        QTest::newRow("UTF-8 through a long file")
            << QByteArray(utf8Enye + "\r\r\n" + filler + "\r\r\n" + utf8Enye)
            << QStringList{enye, QString::fromLatin1(filler), enye} << int(Encoding::Utf8);
        QTest::newRow("UTF-8 at first, an invalid byte past the first chunk")
            << QByteArray(utf8Enye + "\r\r\n" + filler + "\r\r\n\xD1")
            << QStringList{misread, QString::fromLatin1(filler), enye} << int(Encoding::Windows1252);
        QTest::newRow("UTF-8 sequence cut by the end of the file")
            << QByteArray(utf8Enye + "\xC3") << QStringList{misread + QString::fromUtf8("Ã")}
            << int(Encoding::Windows1252);
        QTest::newRow("UTF-8 sequence across two chunks, no mark")
            << QByteArray(QByteArray(65535, 'x') + utf8Enye) << QStringList{QString(65535, 'x') + enye}
            << int(Encoding::Utf8);
        QTest::newRow("UTF-8 sequence across two chunks, mark")
            << QByteArray("\xEF\xBB\xBF" + QByteArray(65532, 'x') + utf8Enye) << QStringList{QString(65532, 'x') + enye}
            << int(Encoding::Utf8);
        // U+010A is the bytes 0A 01 in UTF-16 LE, U+0A0A the bytes 0A 0A: no line end.
        QTest::newRow("UTF-16 LE mark") << QByteArray("\xFF\xFE"
                                                      "\x0A\x01"
                                                      "A\0\r\0\r\0\n\0\xD1\0"
                                                      "B\0",
            16) << QStringList{QString::fromUtf8("ĊA"), enye + "B"}
                                        << int(Encoding::Utf16LittleEndian);
        QTest::newRow("UTF-16 BE mark") << QByteArray("\xFE\xFF"
                                                      "\x0A\x0A"
                                                      "\0A\0\r\0\r\0\n\0\xD1\0B",
            16) << QStringList{QString::fromUtf8("ਊA"), enye + "B"}
                                        << int(Encoding::Utf16BigEndian);
        QTest::newRow("UTF-16 LE, a character outside the BMP and a last odd byte") << QByteArray("\xFF\xFE"
                                                                                                  "\x3D\xD8\x00\xDE"
                                                                                                  "A",
            7) << QStringList{QString::fromUtf8("😀\uFFFD")} << int(Encoding::Utf16LittleEndian);
        QTest::newRow("UTF-16 LE, lone surrogates read as U+FFFD") << QByteArray("\xFF\xFE"
                                                                                 "\x00\xD8"
                                                                                 "A\0"
                                                                                 "\x00\xDC"
                                                                                 "\r\0\n\0"
                                                                                 "\x3D\xD8",
            14) << QStringList{QString::fromUtf8("\uFFFDA\uFFFD"), QString::fromUtf8("\uFFFD")}
                                                                   << int(Encoding::Utf16LittleEndian);
        {
            // The high surrogate is the first chunk's last unit, the low one the second's first.
            QByteArray wide("\xFE\xFF");
            for (int i = 0; i < 32766; ++i)
                wide += QByteArray("\0x", 2);
            wide += QByteArray("\xD8\x3D\xDE\x00", 4);
            QTest::newRow("UTF-16 BE, a character outside the BMP across two chunks")
                << wide << QStringList{QString(32766, 'x') + QString::fromUtf8("😀")} << int(Encoding::Utf16BigEndian);
        }
        QTest::newRow("UTF-8 mark only") << QByteArray("\xEF\xBB\xBF") << QStringList{} << int(Encoding::Utf8);
        QTest::newRow("UTF-16 LE mark only")
            << QByteArray("\xFF\xFE") << QStringList{} << int(Encoding::Utf16LittleEndian);
        QTest::newRow("UTF-16 BE mark only")
            << QByteArray("\xFE\xFF") << QStringList{} << int(Encoding::Utf16BigEndian);
        QTest::newRow("empty") << QByteArray() << QStringList{} << -1;
    }

    void lineReaderEncodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QFETCH(int, encoding);

        QTemporaryDir dir;
        const QString path = dir.filePath("lines.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();

        declarationfile::LineReader reader(path, 100000);
        reader.open();
        QStringList read;
        QString line;
        while (reader.next(line))
            read << line;
        QCOMPARE(read, lines);
        QCOMPARE(reader.encoding() ? int(*reader.encoding()) : -1, encoding);
    }

    void gridModel()
    {
        Declaration declaration;
        WithholdingGrid grid(declaration);
        QCOMPARE(grid.rowCount(), 499);
        QCOMPARE(grid.columnCount(), 7);
        grid.setHeading(1, "Nro.Comp.");
        QCOMPARE(grid.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Nro.Comp."));
        declaration.addLine({"1", "123", "15/03/2026", "1234.50", "6", "ACME", "20-12345678-9"});
        QCOMPARE(grid.data(grid.index(0, 1)).toString(), QStringLiteral("123"));
        declaration.deleteLine(1);
        QCOMPARE(grid.cell(1, 0), QStringLiteral("1"));
        QVERIFY(grid.cell(1, 1).isEmpty());
        // Lines past the shown rows grow the grid instead of being lost.
        while (declaration.nextRow() < 600) {
            const int gap = declaration.nextRow();
            declaration.addLine({QString::number(gap), "8", "", "", "1", "", ""});
            declaration.deleteLine(gap);
        }
        QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
        declaration.addLine({"600", "9", "", "", "1", "", ""});
        QCOMPARE(grid.rowCount(), 600);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(grid.cell(600, 1), QStringLiteral("9"));
        declaration.clear();
        QCOMPARE(grid.rowCount(), 499);
        QVERIFY(grid.cell(600, 1).isEmpty());
        QCOMPARE(grid.heading(1), QStringLiteral("Nro.Comp."));
        QVERIFY(grid.cell(0, 1).isEmpty());
        QVERIFY(grid.cell(-5, 9).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRecord)
#include "tst_record.moc"
