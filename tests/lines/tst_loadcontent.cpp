// What the import and the re-load make of the bytes of a file: its encoding,
// control characters in its fields, files with no lines.
#include "tests/lines/tst_lines.h"

#include "core/Codepage.h"
#include "core/Error.h"
#include "declaration/LineLoad.h"
#include "declaration/WithholdingGrid.h"
#include "tests/support/GridLines.h"
#include "tests/support/RecordLines.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

using recordlines::fileBytes;
using recordlines::goodRecord;
using recordlines::record;

namespace {

const QString Cuit = QStringLiteral("20-12345678-9");
const QString Date = QStringLiteral("20260315");

// 10.00 withheld 0.05 (stands as 0), 1380.00 withheld 6.90 (stands as 7).
QString firstLine(const QString& name = QString::fromUtf8("ÑANDU SRL"))
{
    return record(Cuit, Date, "00000000005", "0000000000001", name, "00000001000");
}

QString secondLine()
{
    return record(Cuit, Date, "00000000690", "0000000000002", QString::fromUtf8("CAFÉ ÓPTIMO ÜBER SA"), "00000138000");
}

QStringList cells(const WithholdingLine& line)
{
    return {line.lineNumber, line.receiptNumber, line.date, line.receiptAmount, line.withholding, line.supplierName,
        line.supplierCuit};
}

enum class Form {
    Windows1252,
    Utf8,
    Utf8Mark,
    Utf16LittleEndian,
    Utf16BigEndian,
    Utf16LittleEndianMark,
    Utf16BigEndianMark
};

// The lines with CR CR LF in the given encoding, written here byte by byte.
QByteArray encoded(const QStringList& lines, Form form)
{
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\r\n");
    switch (form) {
    case Form::Windows1252: {
        bool lossless = false;
        const QByteArray bytes = Codepage::declarationFiles().encode(text, &lossless);
        if (!lossless)
            qFatal("a test line has no Windows-1252 form");
        return bytes;
    }
    case Form::Utf8:
        return text.toUtf8();
    case Form::Utf8Mark:
        return "\xEF\xBB\xBF" + text.toUtf8();
    default:
        break;
    }
    const bool big = form == Form::Utf16BigEndian || form == Form::Utf16BigEndianMark;
    QByteArray out;
    if (form == Form::Utf16LittleEndianMark)
        out += "\xFF\xFE";
    if (form == Form::Utf16BigEndianMark)
        out += "\xFE\xFF";
    for (QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        out += big ? high : low;
        out += big ? low : high;
    }
    return out;
}

// The line with the character at 1-based `position` replaced by U+1F600, two
// UTF-16 units and one character.
QString withWideCharacter(QString line, int position)
{
    return line.replace(position - 1, 1, QString::fromUtf8("😀"));
}

}  // namespace

void TestLoadContent::init()
{
    QVERIFY(m_directory.isValid());
}

void TestLoadContent::encodedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("firstName");

    const QStringList lines{firstLine(), secondLine()};
    const QString name = QString::fromUtf8("ÑANDU SRL");
    QTest::newRow("Windows-1252") << encoded(lines, Form::Windows1252) << name;
    QTest::newRow("UTF-8 without mark") << encoded(lines, Form::Utf8) << name;
    QTest::newRow("UTF-8 with mark") << encoded(lines, Form::Utf8Mark) << name;
    QTest::newRow("UTF-16 LE with mark") << encoded(lines, Form::Utf16LittleEndianMark) << name;
    QTest::newRow("UTF-16 BE with mark") << encoded(lines, Form::Utf16BigEndianMark) << name;
    QByteArray padded;
    for (const QString& line : lines)
        padded += Codepage::declarationFiles().encode(line) + QByteArray(61, '\0') + "\r\r\n";
    QTest::newRow("Windows-1252, NUL padding after position 195") << padded << name;
    // Positions count characters: one outside the BMP shifts no later field.
    const QStringList wideDeclarant{firstLine(), withWideCharacter(secondLine(), 130)};
    QTest::newRow("UTF-8, wide character in the declarant's name") << encoded(wideDeclarant, Form::Utf8) << name;
    QTest::newRow("UTF-16 LE, wide character in the declarant's name")
        << encoded(wideDeclarant, Form::Utf16LittleEndianMark) << name;
    const QStringList wideName{withWideCharacter(firstLine(), 52), secondLine()};
    QTest::newRow("UTF-8, wide character in the company name")
        << encoded(wideName, Form::Utf8) << QString::fromUtf8("😀ANDU SRL");
}

void TestLoadContent::encodedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, firstName);

    const QString path = write("encoded.txt", bytes);
    const QString second = QString::fromUtf8("CAFÉ ÓPTIMO ÜBER SA");
    {
        Lines state;
        const lineload::ImportResult result = lineload::importFile(path, state.declaration);
        QCOMPARE(result.linesAdded, 2);
        QCOMPARE(result.mismatchCount, qint64(0));
        QCOMPARE(cells(state.declaration.line(1)),
            QStringList({"1", "0000000000001", "15/03/2026", "000000010.00", "0", firstName, Cuit}));
        QCOMPARE(cells(state.declaration.line(2)),
            QStringList({"2", "0000000000002", "15/03/2026", "000001380.00", "7", second, Cuit}));
        QCOMPARE(state.total(), QString("7"));
    }
    {
        Lines state;
        QCOMPARE(lineload::reloadDeclaration(path, state.declaration), 2);
        QCOMPARE(cells(state.declaration.line(1)),
            QStringList({"1", "0000000000001", "15/03/2026", "000000010.00", "000000000.05", firstName, Cuit}));
        QCOMPARE(cells(state.declaration.line(2)),
            QStringList({"2", "0000000000002", "15/03/2026", "000001380.00", "000000006.90", second, Cuit}));
        QCOMPARE(state.total(), QString("6.95"));
    }
}

void TestLoadContent::encodingOfTheWholeFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("first");

    // A UTF-8 first line, 400 plain lines (past the reader's first chunk),
    // then a last line with an Ñ as UTF-8 or as Windows-1252.
    QStringList plain;
    for (int i = 2; i <= 401; ++i)
        plain << goodRecord(i, 120000);
    const QString last =
        record(Cuit, Date, "00000000600", "0000000000999", QString::fromUtf8("ÑANDU SRL"), "00000120000");
    const QByteArray start = encoded({firstLine()}, Form::Utf8) + fileBytes(plain);
    QTest::newRow("UTF-8 to the end") << start + encoded({last}, Form::Utf8)
                                      << QStringList({"1", "0000000000001", "15/03/2026", "000000010.00", "0",
                                             QString::fromUtf8("ÑANDU SRL"), Cuit});
    // Read as Windows-1252 from the start: the two bytes of the first line's
    // Ñ are two characters, and every later field of that line moves by one.
    QTest::newRow("an invalid byte late")
        << start + encoded({last}, Form::Windows1252)
        << QStringList({"1", "0000000000001", "15/03/2026", "00000001.00", "0", QString::fromUtf8("Ã‘ANDU SRL"), Cuit});
}

void TestLoadContent::encodingOfTheWholeFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, first);

    QVERIFY(bytes.size() > 65536);
    const QString path = write("long.txt", bytes);
    Lines state;
    const lineload::ImportResult result = lineload::importFile(path, state.declaration);
    QCOMPARE(result.linesAdded, 402);
    QCOMPARE(cells(state.declaration.line(1)), first);
    QCOMPARE(state.grid.cell(402, 1), QString("0000000000999"));
    QCOMPARE(state.grid.cell(402, 5), QString::fromUtf8("ÑANDU SRL"));
}

void TestLoadContent::controlCharactersRefuseTheFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("line");

    const QString good = goodRecord(7, 120000);
    const QString nul(QChar(0));
    auto refused = [](const char* shown, int line, int position, const char* field) {
        return QString::fromUtf8("Carácter de control %1 en la línea %2, posición %3 (%4): no se carga ninguna línea "
                                 "del archivo")
            .arg(QLatin1String(shown))
            .arg(line)
            .arg(position)
            .arg(QString::fromUtf8(field));
    };
    QTest::newRow("NUL inside the company name")
        << fileBytes({good, record(Cuit, Date, "00000000600", "0000000000008", "ACME" + nul + "SA", "00000120000")})
        << refused("\\x00", 2, 56, "Razón Social") << 2;
    // Positions count characters: the Ñ before the NUL is two bytes and one position.
    QTest::newRow("NUL inside the company name, UTF-8")
        << encoded({good, firstLine(QString::fromUtf8("ÑANDU") + nul + "SRL")}, Form::Utf8)
        << refused("\\x00", 2, 57, "Razón Social") << 2;
    QTest::newRow("tab in the CUIT") << fileBytes(
        {record("20\t12345678-9", Date, "00000000600", "0000000000008", "ACME SA", "00000120000")})
                                     << refused("\\x09", 1, 3, "CUIT") << 1;
    QTest::newRow("escape in the date") << fileBytes({good, good,
        record(Cuit,
            "2\x1b"
            "260315",
            "00000000600", "0000000000008", "A", "00000120000")})
                                        << refused("\\x1B", 3, 15, "Fecha") << 3;
    QTest::newRow("in a line that would be passed over")
        << fileBytes({record(Cuit, Date, "00000000600", "0000000000000", "A" + nul, "00000120000"), good})
        << refused("\\x00", 1, 53, "Razón Social") << 1;
    // A short line padded with NULs to 256 characters: the padding reaches the receipt amount.
    QTest::newRow("NUL padding into a read field") << fileBytes({good, good.left(120) + QString(136, QChar(0))})
                                                   << refused("\\x00", 2, 185, "Importe Comprobante") << 2;
    QTest::newRow("UTF-16 LE without mark")
        << encoded({good}, Form::Utf16LittleEndian) << refused("\\x00", 1, 2, "CUIT") << 1;
    QTest::newRow("UTF-16 BE without mark")
        << encoded({good}, Form::Utf16BigEndian) << refused("\\x00", 1, 1, "CUIT") << 1;
}

void TestLoadContent::controlCharactersRefuseTheFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QFETCH(int, line);

    const QString path = write("control.txt", bytes);
    for (const bool reload : {false, true}) {
        Lines state;
        state.fillWithOneLine(Cuit);
        const auto before = gridLines(state.declaration);
        QSignalSpy inserts(&state.grid, &QAbstractItemModel::rowsInserted);
        QSignalSpy changes(&state.grid, &QAbstractItemModel::dataChanged);
        state.expectLoadStops<Error>(reload, path, message, line);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(gridLines(state.declaration), before);
        QCOMPARE(state.nextRow(), 2);
        QCOMPARE(state.total(), QString("7"));
        QCOMPARE(inserts.count() + changes.count(), 0);
    }
}

void TestLoadContent::filesWithoutLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("UTF-8 mark only") << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("UTF-16 LE mark only") << QByteArray("\xFF\xFE");
    QTest::newRow("UTF-16 BE mark only") << QByteArray("\xFE\xFF");
}

void TestLoadContent::filesWithoutLines()
{
    QFETCH(QByteArray, bytes);

    const QString path = write("nothing.txt", bytes);
    Lines state;
    state.fillWithOneLine(Cuit);
    const auto before = gridLines(state.declaration);
    QSignalSpy inserts(&state.grid, &QAbstractItemModel::rowsInserted);
    QSignalSpy changes(&state.grid, &QAbstractItemModel::dataChanged);
    QCOMPARE(lineload::importFile(path, state.declaration).linesAdded, 0);
    QCOMPARE(lineload::reloadDeclaration(path, state.declaration), 0);
    QCOMPARE(gridLines(state.declaration), before);
    QCOMPARE(state.nextRow(), 2);
    QCOMPARE(state.total(), QString("7"));
    QCOMPARE(inserts.count() + changes.count(), 0);
}

void TestLoadContent::pathIsShownVisibly()
{
    const QString named = write(QStringLiteral("bad\x01name.txt"), fileBytes({QStringLiteral("20-12345678-9")}));
    const QString shownPath = m_directory.filePath(QStringLiteral("bad\\x01name.txt"));
    Lines state;
    try {
        lineload::importFile(named, state.declaration);
        QFAIL("the line has no receipt number");
    } catch (const ConversionError& error) {
        QCOMPARE(error.message(), QString("'''' is not a valid integer value"));
        QCOMPARE(error.detail(), QString::fromUtf8("Archivo: %1\nLínea: 1").arg(shownPath));
    }
    const QString missing = m_directory.filePath(QStringLiteral("gone\x1b.txt"));
    try {
        lineload::reloadDeclaration(missing, state.declaration);
        QFAIL("the file is not there");
    } catch (const Error& error) {
        QVERIFY2(error.message().contains(m_directory.filePath(QStringLiteral("gone\\x1B.txt"))),
            qPrintable(error.message()));
        QVERIFY2(!error.message().contains(QChar(0x1b)), qPrintable(error.message()));
    }
}
