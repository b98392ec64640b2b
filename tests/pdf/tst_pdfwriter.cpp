#include "core/Error.h"
#include "report/PDFDocumentFilter.h"
#include "report/PdfOutput.h"
#include "tests/pdf/PdfFiles.h"

#include "core/Codepage.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using pdffiles::objectLines;
using pdffiles::problems;
using pdffiles::readFile;
using pdffiles::streamOf;

namespace {

ReportFont arial(int size = 8, bool bold = false)
{
    ReportFont font;
    font.name = QStringLiteral("Arial");
    font.size = size;
    font.bold = bold;
    return font;
}

ShapeControl shape(ShapeKind kind, int width, int height, PenStyle pen, BrushStyle brush)
{
    ShapeControl control;
    control.shape = kind;
    control.width = width;
    control.height = height;
    control.pen.style = pen;
    control.pen.color = QColor(255, 0, 0);
    control.brush.style = brush;
    control.brush.color = QColor(0, 0, 255);
    return control;
}

// A picture of four 20 x 20 squares: red, green (top), blue, yellow (bottom).
QImage quadrants()
{
    QImage image(40, 40, QImage::Format_ARGB32);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixelColor(x, y, y < 20 ? (x < 20 ? Qt::red : Qt::green) : (x < 20 ? Qt::blue : Qt::yellow));
    return image;
}

// One export the way the report engine runs it: Start, EndPage, then per page
// NewPage, the page's elements, EndPage, and Finish.
class Export
{
public:
    Export()
        : path(directory.filePath(QStringLiteral("report.pdf")))
        , writer(path)
    {
        writer.setOwner(&context);
        writer.Start(2100, 2970, arial());
        writer.EndPage();
    }

    void page(const std::function<void(PDFDocumentFilter&)>& elements)
    {
        writer.NewPage();
        elements(writer);
        writer.EndPage();
    }

    QByteArray finish()
    {
        writer.Finish();
        return readFile(path);
    }

    QTemporaryDir directory;
    ExportContext context;
    QString path;
    PDFDocumentFilter writer;
};

}  // namespace

class TestPdfWriter : public QObject
{
    Q_OBJECT

private slots:
    void emptyDocument();
    void textItem_data();
    void textItem();
    void escaping_data();
    void escaping();
    void escapingMatchesCharacterByCharacter();
    void accentedLettersReadBack();
    void emptyLineBeforeTextOnlyWithGraphics();
    void twoPages();
    void fontsNumberedUpToF100();
    void boldIsASeparateFont();
    void shapes_data();
    void shapes();
    void pictureRenderedWhereItIsPlaced_data();
    void pictureRenderedWhereItIsPlaced();
    void zeroSizedPictureWritesNothing();
    void alignedTextsFitTheirWidths();
    void fileCannotBeCreated_data();
    void fileCannotBeCreated();
    void existingFileReplaced();
    void invalidItem();
    void badInputStillValid();
    void tenThousandPages();
    void checkerFindsDamage_data();
    void checkerFindsDamage();
    void fileSinkWritesEveryPiece();
    void fileSinkWritesThroughALink();
    void crossReferenceFromCountedOffsets();
    void sinkAndSharedPictureCache();
};

void TestPdfWriter::emptyDocument()
{
    Export pdf;
    pdf.page([](PDFDocumentFilter&) {});
    const QByteArray document = pdf.finish();
    QCOMPARE(problems(pdf.path), QString());
    QVERIFY(!pdf.writer.isActive());

    // Everything but the date is fixed; the offsets are checked by problems().
    QList<QByteArray> lines = document.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    const qsizetype date = std::find_if(lines.begin(), lines.end(), [](const QByteArray& line) {
        return line.startsWith("/CreationDate (");
    }) - lines.begin();
    QVERIFY(date > 0 && date < lines.size());
    QVERIFY(lines[date].endsWith(")\r"));
    lines.removeAt(date);
    const qsizetype xref = lines.indexOf("xref\r");
    for (const QByteArray& entry : lines.mid(xref + 3, 7))
        QVERIFY(entry.endsWith(" 00000 n\r"));
    lines.remove(xref + 3, 7);
    const QByteArray startxref = lines[lines.size() - 2];
    lines.remove(lines.size() - 2);
    QCOMPARE(startxref, QByteArray::number(document.indexOf("\r\nxref\r\n") + 2) + '\r');

    const QList<QByteArray> expected = {
        "%PDF-1.3",
        "%??o?",
        "1 0 obj",
        "<<",
        "/Type /Catalog",
        "/Pages 3 0 R",
        "/Outlines 2 0 R",
        "/ViewerPreferences << /HideToolbar false /FitWindow true >>",
        ">>",
        "endobj",
        "2 0 obj",
        "<<",
        "/Type /Outlines",
        "/Count 0",
        ">>",
        "endobj",
        "3 0 obj",
        "<<",
        "/Type /Pages",
        "/Count 1",
        "/Kids [4 0 R]",
        "/MediaBox [0 0 595 841]",
        "/Resources << ",
        "/Font << ",
        "  >>",
        "/ProcSet 7 0 R",
        ">>",
        ">>",
        "endobj",
        "4 0 obj",
        "<<",
        "/Type /Page",
        "/Parent 3 0 R",
        "/Contents 5 0 R",
        "/MediaBox [0 0 595 841]",
        ">>",
        "endobj",
        "5 0 obj",
        "<< /Length 8 >>",
        "stream",
        "BT",
        "ET",
        "",
        "endstream",
        "endobj",
        "6 0 obj",
        "<<",
        "/Producer (Orvandel PDF Export)",
        "/Subject ( )",
        "/Creator (Orvandel)",
        "/Title ()",
        "/Author ()",
        ">>",
        "endobj",
        "7 0 obj",
        "[/PDF /Text]",
        "endobj",
        "xref",
        "0 8",
        "0000000000 65535 f",
        "trailer",
        "<<",
        "/Size 8",
        "/Root 1 0 R",
        "/Info 6 0 R",
        ">>",
        "startxref",
        "%%EOF",
    };
    QCOMPARE(lines.size(), expected.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        QCOMPARE(lines[i], expected[i] + '\r');
}

void TestPdfWriter::textItem_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("expected");
    // x: Round(100 x 96/254) = 38 device units = 28.5 points; y: Round(75.59)
    // = 76 device units, 57 points, baseline 8 points lower: 841.89 - 65.
    QTest::newRow("black 8 pt") << 100.0 << 200.0 << QColor(Qt::black) << 8
                                << QByteArray("0.00 0.00 0.00 rg\r\n/F00 8 Tf\r\n 1 0 0 1 28 776 Tm (Hola) Tj\r\n");
    QTest::newRow("colour") << 100.0 << 200.0 << QColor(255, 128, 0) << 10
                            << QByteArray("1.00 0.50 0.00 rg\r\n/F00 10 Tf\r\n 1 0 0 1 28 774 Tm (Hola) Tj\r\n");
    // Round(1.5 x 96/254 ...) ties to even: 1.5 tenths -> 0.567 -> 1.
    QTest::newRow("page corner") << 0.0 << 0.0 << QColor(Qt::black) << 8
                                 << QByteArray("0.00 0.00 0.00 rg\r\n/F00 8 Tf\r\n 1 0 0 1 0 833 Tm (Hola) Tj\r\n");
}

void TestPdfWriter::textItem()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(QColor, color);
    QFETCH(int, size);
    QFETCH(QByteArray, expected);
    Export pdf;
    pdf.page([&](PDFDocumentFilter& writer) {
        ReportFont font = arial(size);
        font.color = color;
        writer.TextOut(x, y, font, Qt::white, Alignment::LeftJustify, QStringLiteral("Hola"));
    });
    const QByteArray document = pdf.finish();
    QCOMPARE(problems(pdf.path), QString());
    QCOMPARE(streamOf(document, 5), "BT\r\n" + expected + "ET\r\n\r\n");
}

void TestPdfWriter::escaping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("charset");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("parentheses") << QStringLiteral("(a)") << 1 << QByteArray("\\(a\\)");
    QTest::newRow("backslash") << QStringLiteral("a\\b") << 1 << QByteArray("a\\\\b");
    QTest::newRow("euro") << QStringLiteral("€ 5") << 1 << QByteArray("\\200 5");
    QTest::newRow("accents in 1252") << QStringLiteral("Retención Ñ") << 0 << QByteArray("Retenci\\363n \\321");
    QTest::newRow("no byte in 1252") << QStringLiteral("a中b") << 1 << QByteArray("a?b");
    QTest::newRow("control characters") << QStringLiteral("a\tb\rc\x01") << 1 << QByteArray("a\\011b\\015c\\001");
    QTest::newRow("Cyrillic in 1251") << QStringLiteral("Да") << 204 << QByteArray("\\304\\340");
    QTest::newRow("euro in 1251 is its own byte") << QStringLiteral("€") << 204 << QByteArray("\\210");
    QTest::newRow("character outside the BMP") << QStringLiteral("x\U0001F600y") << 1 << QByteArray("x?y");
    // Texts longer than eight characters, which the writer copies eight at a
    // time while they are plain.
    QTest::newRow("long plain text") << QStringLiteral("CONSTRUCCIONES DEL SUR S.A.  30-12345678-7") << 1
                                     << QByteArray("CONSTRUCCIONES DEL SUR S.A.  30-12345678-7");
    QTest::newRow("parentheses after eight plain")
        << QStringLiteral("abcdefgh(ijklmnop)q") << 1 << QByteArray("abcdefgh\\(ijklmnop\\)q");
    QTest::newRow("pair across a group of eight")
        << QStringLiteral("abcdefg\U0001F600hijklmnopq") << 1 << QByteArray("abcdefg?hijklmnopq");
    QTest::newRow("DEL and a unit above 0x8000 in a long text") << QStringLiteral(
        "abcdefgh\x7Fijklmnop\uFFFDqrstuvwxyz") << 1 << QByteArray("abcdefgh\\177ijklmnop?qrstuvwxyz");
    QTest::newRow("tilde and space are plain")
        << QStringLiteral("~~~~    ~~~~    ~") << 1 << QByteArray("~~~~    ~~~~    ~");
}

void TestPdfWriter::escaping()
{
    QFETCH(QString, text);
    QFETCH(int, charset);
    QFETCH(QByteArray, expected);
    QCOMPARE(PDFDocumentFilter::escapedText(text, charset), expected);
}

void TestPdfWriter::escapingMatchesCharacterByCharacter()
{
    // Random texts of every length up to 40 from characters of each kind the
    // rule treats apart, compared with the rule applied one character at a
    // time.
    const QList<char16_t> pool = {u'a', u'Z', u'0', u' ', u'~', u'(', u')', u'\\', u'\x1F', u'\x7F', u'\t', u'\u00F3',
        u'\u00D1', u'\u20AC', u'\u4E2D', u'\uFFFD', char16_t(0xD83D), char16_t(0xDE00)};
    const Codepage* page = Codepage::windows(1252);
    QVERIFY(page);
    auto expectedOf = [page](const QString& text) {
        QByteArray out;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar character = text[i];
            int byte = -1;
            if (character.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
            else if (!character.isSurrogate())
                byte = page->byteOf(character.unicode());
            if (byte < 0)
                out += '?';
            else if (byte == '(' || byte == ')' || byte == '\\')
                out += '\\' + QByteArray(1, char(byte));
            else if (byte >= 32 && byte < 127)
                out += char(byte);
            else
                out += QByteArray::number(byte, 8).rightJustified(3, '0').prepend('\\');
        }
        return out;
    };
    QRandomGenerator generator(77);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = generator.bounded(41);
        // Mostly plain letters, so that groups of eight plain ones occur.
        for (int i = 0; i < length; ++i)
            text += QChar(generator.bounded(4) != 0 ? char16_t(u'a' + generator.bounded(26))
                                                    : pool[generator.bounded(int(pool.size()))]);
        const QByteArray actual = PDFDocumentFilter::escapedText(text, 1);
        if (actual != expectedOf(text))
            QFAIL(qPrintable(QStringLiteral("text %1: %2 instead of %3")
                                 .arg(QString::fromLatin1(text.toUtf8().toHex()), QString::fromLatin1(actual),
                                     QString::fromLatin1(expectedOf(text)))));
    }
}

void TestPdfWriter::accentedLettersReadBack()
{
    const QStringList texts = {QStringLiteral("DDJJ Agentes de Retención"), QStringLiteral("Razón Social"),
        QStringLiteral("ÑANDÚ CONSTRUCCIONES S.A."), QStringLiteral("Total (€) 1.234,50 \\ fin")};
    Export pdf;
    pdf.page([&](PDFDocumentFilter& writer) {
        double y = 100;
        for (const QString& text : texts) {
            writer.TextOut(100, y, arial(10), Qt::white, Alignment::LeftJustify, text);
            y += 100;
        }
    });
    pdf.finish();
    QCOMPARE(problems(pdf.path), QString());
    const QString text = pdffiles::pdfText(pdf.path);
    for (const QString& expected : texts)
        QVERIFY2(text.contains(expected), qPrintable(text));
    const QByteArray fonts = runTool(QStringLiteral("pdffonts"), {pdf.path}).output;
    QVERIFY2(fonts.contains("Arial") && fonts.contains("TrueType") && fonts.contains(" no "), fonts.constData());
}

void TestPdfWriter::emptyLineBeforeTextOnlyWithGraphics()
{
    Export pdf;
    pdf.page([](PDFDocumentFilter& writer) {
        writer.TextOut(0, 0, arial(), Qt::white, Alignment::LeftJustify, QStringLiteral("a"));
    });
    pdf.page([](PDFDocumentFilter& writer) {
        writer.AcceptGraphic(0, 0, shape(ShapeKind::HorizontalLine, 10, 2, PenStyle::Solid, BrushStyle::Clear));
    });
    const QByteArray document = pdf.finish();
    QCOMPARE(problems(pdf.path), QString());
    QVERIFY(streamOf(document, 5).startsWith("BT\r\n0.00"));
    QCOMPARE(
        streamOf(document, 7), QByteArray(" 1 w\r\n1.00 0.00 0.00 RG\r\n0 841 m 7 841 l s\r\n\r\nBT\r\nET\r\n\r\n"));
    QVERIFY(objectLines(document, 7).contains("<< /Length 54 >>\r"));
}

void TestPdfWriter::twoPages()
{
    Export pdf;
    for (int i = 0; i < 2; ++i) {
        pdf.page([](PDFDocumentFilter& writer) {
            writer.TextOut(100, 100, arial(), Qt::white, Alignment::LeftJustify, QStringLiteral("página"));
        });
    }
    const QByteArray document = pdf.finish();
    QCOMPARE(problems(pdf.path), QString());
    const QList<QByteArray> tree = objectLines(document, 3);
    QVERIFY(tree.contains("/Count 2\r"));
    QVERIFY(tree.contains("/Kids [4 0 R 6 0 R]\r"));
    QVERIFY(tree.contains("  /F00 8 0 R \r"));
    QVERIFY(tree.contains("/ProcSet 11 0 R\r"));
    QVERIFY(objectLines(document, 4).contains("/Contents 5 0 R\r"));
    QVERIFY(objectLines(document, 6).contains("/Contents 7 0 R\r"));
    QVERIFY(objectLines(document, 8).contains("/Type /Font\r"));
    QVERIFY(objectLines(document, 9).contains("/Type /FontDescriptor\r"));
    QVERIFY(objectLines(document, 10).contains("/Producer (Orvandel PDF Export)\r"));
    QCOMPARE(streamOf(document, 7), streamOf(document, 5));
    QCOMPARE(pdffiles::pdfText(pdf.path).count(QStringLiteral("página")), 2);
}

void TestPdfWriter::fontsNumberedUpToF100()
{
    // 101 fonts: the same face under 101 character set numbers, all of which
    // fall back to code page 1252.
    Export pdf;
    pdf.page([](PDFDocumentFilter& writer) {
        for (int charset = 0; charset <= 100; ++charset) {
            ReportFont font = arial();
            font.charset = charset;
            writer.TextOut(100, 20 * charset, font, Qt::white, Alignment::LeftJustify, QStringLiteral("x"));
        }
    });
    const QByteArray document = pdf.finish();
    QCOMPARE(problems(pdf.path), QString());
    const QList<QByteArray> tree = objectLines(document, 3);
    QVERIFY(tree.contains("  /F00 6 0 R \r"));
    QVERIFY(tree.contains("  /F09 24 0 R \r"));
    QVERIFY(tree.contains("  /F100 206 0 R \r"));
    QVERIFY(streamOf(document, 5).contains("/F100 8 Tf"));
    QVERIFY(objectLines(document, 206).contains("/Name /F100\r"));
    QVERIFY(objectLines(document, 207).contains("/FontName /F100\r"));
}

void TestPdfWriter::boldIsASeparateFont()
{
    Export pdf;
    pdf.page([](PDFDocumentFilter& writer) {
        writer.TextOut(100, 100, arial(8), Qt::white, Alignment::LeftJustify, QStringLiteral("a"));
        writer.TextOut(100, 200, arial(10, true), Qt::white, Alignment::LeftJustify, QStringLiteral("b"));
        writer.TextOut(100, 300, arial(12), Qt::white, Alignment::LeftJustify, QStringLiteral("c"));
    });
    const QByteArray document = pdf.finish();
    QCOMPARE(problems(pdf.path), QString());
    QVERIFY(objectLines(document, 6).contains("/BaseFont /Arial\r"));
    QVERIFY(objectLines(document, 8).contains("/BaseFont /Arial,Bold\r"));
    // The third text reuses F00: two fonts, so object 10 is the information.
    QVERIFY(objectLines(document, 10).contains("/Producer (Orvandel PDF Export)\r"));
    const QByteArray stream = streamOf(document, 5);
    QCOMPARE(stream.count("/F00 "), 2);
    QCOMPARE(stream.count("/F01 10 Tf"), 1);
    // Bold letters are wider: the widths lines differ.
    QVERIFY(objectLines(document, 6)[9] != objectLines(document, 8)[9]);
}

void TestPdfWriter::shapes_data()
{
    QTest::addColumn<ShapeControl>("control");
    QTest::addColumn<QByteArray>("expected");
    // At (38, 38) device units, 718 x 149: x 28.5, top 841.89 - 28.5 =
    // 813.39, w 538.5, h 111.75.
    QTest::newRow("outline only: re s") << shape(ShapeKind::Rectangle, 718, 149, PenStyle::Solid, BrushStyle::Clear)
                                        << QByteArray("0.75 w\r\n1.00 0.00 0.00 RG\r\n28 701 538 111 re s\r\n");
    QTest::newRow("fill only: re f") << shape(ShapeKind::Rectangle, 718, 149, PenStyle::Clear, BrushStyle::Solid)
                                     << QByteArray("0.75 w\r\n0.00 0.00 1.00 rg\r\n28 701 538 111 re f\r\n");
    QTest::newRow("fill, then outline") << shape(ShapeKind::Rectangle, 718, 149, PenStyle::Solid, BrushStyle::Solid)
                                        << QByteArray("0.75 w\r\n0.00 0.00 1.00 rg\r\n28 701 538 111 re f\r\n"
                                                      "0.75 w\r\n1.00 0.00 0.00 RG\r\n28 701 538 111 re s\r\n");
    QTest::newRow("rounded rectangle writes nothing")
        << shape(ShapeKind::RoundRectangle, 718, 149, PenStyle::Solid, BrushStyle::Solid) << QByteArray();
    QTest::newRow("horizontal line through the middle of its box") << shape(ShapeKind::HorizontalLine, 718, 4,
        PenStyle::Solid, BrushStyle::Clear) << QByteArray(" 1 w\r\n1.00 0.00 0.00 RG\r\n28 811 m 567 811 l s\r\n");
    QTest::newRow("vertical line") << shape(ShapeKind::VerticalLine, 4, 149, PenStyle::Solid, BrushStyle::Clear)
                                   << QByteArray(" 1 w\r\n1.00 0.00 0.00 RG\r\n30 701 m 30 813 l s\r\n");
    QTest::newRow("top and bottom")
        << shape(ShapeKind::TopAndBottom, 718, 149, PenStyle::Solid, BrushStyle::Clear)
        << QByteArray(" 1 w\r\n1.00 0.00 0.00 RG\r\n28 813 m 567 813 l s\r\n28 701 m 567 701 l s\r\n");
    QTest::newRow("right and left")
        << shape(ShapeKind::RightAndLeft, 718, 149, PenStyle::Solid, BrushStyle::Clear)
        << QByteArray(" 1 w\r\n1.00 0.00 0.00 RG\r\n28 701 m 28 813 l s\r\n567 701 m 567 813 l s\r\n");
    QTest::newRow("right diagonal") << shape(ShapeKind::RightDiagonal, 718, 149, PenStyle::Solid, BrushStyle::Clear)
                                    << QByteArray(" 1 w\r\n1.00 0.00 0.00 RG\r\n28 813 m 567 701 l s\r\n");
    QTest::newRow("left diagonal") << shape(ShapeKind::LeftDiagonal, 718, 149, PenStyle::Solid, BrushStyle::Clear)
                                   << QByteArray(" 1 w\r\n1.00 0.00 0.00 RG\r\n28 701 m 567 813 l s\r\n");
    // 40 x 40 at (38, 38): x 28.5, t 813.39, w = h = 30, r 15.
    QTest::newRow("circle outline") << shape(ShapeKind::Circle, 40, 40, PenStyle::Solid, BrushStyle::Clear)
                                    << QByteArray(" 1 w\r\n1.00 0.00 0.00 RG\r\n  43.5  813.4 m\r\n"
                                                  "51.8   813.4    58.5   806.7    58.5   798.4 c\r\n"
                                                  "58.5   790.1    51.8   783.4    43.5   783.4 c\r\n"
                                                  "35.2   783.4    28.5   790.1    28.5   798.4 c\r\n"
                                                  "28.5   806.7    35.2   813.4    43.5   813.4 c s\r\n");
    QTest::newRow("circle filled, pen clear") << shape(ShapeKind::Circle, 40, 40, PenStyle::Clear, BrushStyle::Solid)
                                              << QByteArray(" 1 w\r\n0.00 0.00 1.00 rg\r\n  43.5  813.4 m\r\n"
                                                            "51.8   813.4    58.5   806.7    58.5   798.4 c\r\n"
                                                            "58.5   790.1    51.8   783.4    43.5   783.4 c\r\n"
                                                            "35.2   783.4    28.5   790.1    28.5   798.4 c\r\n"
                                                            "28.5   806.7    35.2   813.4    43.5   813.4 c f\r\n");
    QTest::newRow("nothing drawn with pen and brush clear")
        << shape(ShapeKind::Rectangle, 718, 149, PenStyle::Clear, BrushStyle::Clear) << QByteArray();
}

void TestPdfWriter::shapes()
{
    QFETCH(ShapeControl, control);
    QFETCH(QByteArray, expected);
    Export pdf;
    pdf.page([&](PDFDocumentFilter& writer) { writer.AcceptGraphic(38, 38, control); });
    const QByteArray document = pdf.finish();
    QCOMPARE(problems(pdf.path), QString());
    QCOMPARE(streamOf(document, 5), expected + (expected.isEmpty() ? "" : "\r\n") + "BT\r\nET\r\n\r\n");
}

void TestPdfWriter::pictureRenderedWhereItIsPlaced_data()
{
    QTest::addColumn<QString>("renderer");
    QTest::addColumn<bool>("compressed");
    QTest::newRow("poppler, LZW") << QStringLiteral("poppler") << true;
    QTest::newRow("mupdf, LZW") << QStringLiteral("mupdf") << true;
    QTest::newRow("poppler, ASCII85 only") << QStringLiteral("poppler") << false;
    QTest::newRow("mupdf, ASCII85 only") << QStringLiteral("mupdf") << false;
}

void TestPdfWriter::pictureRenderedWhereItIsPlaced()
{
    QFETCH(QString, renderer);
    QFETCH(bool, compressed);
    Export pdf;
    pdf.writer.setCompression(compressed ? pdfencoding::Compression::On : pdfencoding::Compression::Off);
    pdf.page([](PDFDocumentFilter& writer) {
        writer.AcceptGraphic(200, 100, PictureControl{quadrants(), 40, 40, false});
        writer.TextOut(100, 1000, arial(), Qt::white, Alignment::LeftJustify, QStringLiteral("after"));
    });
    const QByteArray document = pdf.finish();
    QCOMPARE(problems(pdf.path), QString());
    // 200 x 0.75 = 150, bottom at 841.89 - 140 * 0.75 = 736.89, 30 points.
    QVERIFY(
        streamOf(document, 5)
            .startsWith(QByteArray("q 30 0 0 30 150 736 cm\r\nBI\r\n/Width 40\r\n/Height 40\r\n/BitsPerComponent 8\r\n"
                                   "/ColorSpace /DeviceRGB\r\n/Filter [")
                + (compressed ? "/ASCII85Decode /LZWDecode" : "/ASCII85Decode") + "]\r\nID\r\n"));

    // At 96 dots per inch the page's pixels are the writer's device units.
    QString errors;
    const QImage page = pdffiles::renderPage(renderer, pdf.path, 96, &errors);
    QCOMPARE(errors, QString());
    QCOMPARE(page.size(), QSize(794, 1122));
    auto near = [](QRgb pixel, QColor color) {
        return qAbs(qRed(pixel) - color.red()) < 40 && qAbs(qGreen(pixel) - color.green()) < 40
            && qAbs(qBlue(pixel) - color.blue()) < 40;
    };
    QVERIFY(near(page.pixel(210, 110), Qt::red));
    QVERIFY(near(page.pixel(230, 110), Qt::green));
    QVERIFY(near(page.pixel(210, 130), Qt::blue));
    QVERIFY(near(page.pixel(230, 130), Qt::yellow));
    QVERIFY(near(page.pixel(195, 95), Qt::white));
    QVERIFY(near(page.pixel(245, 145), Qt::white));
}

void TestPdfWriter::zeroSizedPictureWritesNothing()
{
    Export pdf;
    pdf.page([](PDFDocumentFilter& writer) {
        writer.AcceptGraphic(10, 10, PictureControl{quadrants(), 0, 40, false});
        writer.AcceptGraphic(10, 10, PictureControl{QImage(), 40, 0, true});
    });
    const QByteArray document = pdf.finish();
    QCOMPARE(problems(pdf.path), QString());
    QCOMPARE(streamOf(document, 5), QByteArray("BT\r\nET\r\n\r\n"));
}

void TestPdfWriter::alignedTextsFitTheirWidths()
{
    // Right-aligned text ends at its X and centred text is centred on it, as
    // mutool places the glyphs by the document's /Widths. X = 1000 tenths of
    // a millimetre: Round(377.95) = 378 device units, 283.5 points.
    Export pdf;
    const QString right = QStringLiteral("Total Retenido ====> 1234.56");
    const QString centred = QStringLiteral("DECLARACIÓN JURADA");
    pdf.page([&](PDFDocumentFilter& writer) {
        writer.TextOut(1000, 500, arial(10, true), Qt::white, Alignment::RightJustify, right);
        writer.TextOut(1000, 800, arial(12), Qt::white, Alignment::Center, centred);
        writer.TextOut(1000, 1100, arial(8), Qt::white, Alignment::LeftJustify, QStringLiteral("Wide left"));
    });
    pdf.finish();
    QCOMPARE(problems(pdf.path), QString());
    const ToolResult stext = runTool(QStringLiteral("mutool"),
        {QStringLiteral("draw"), QStringLiteral("-q"), QStringLiteral("-F"), QStringLiteral("stext"),
            QStringLiteral("-o"), QStringLiteral("-"), pdf.path, QStringLiteral("1")});
    const QString xml = QString::fromUtf8(stext.output);
    static const QRegularExpression linePattern(
        QStringLiteral("<line bbox=\"([-\\d.]+) ([-\\d.]+) ([-\\d.]+) ([-\\d.]+)\""));
    QList<QList<double>> boxes;
    for (const QRegularExpressionMatch& match : linePattern.globalMatch(xml))
        boxes.append({match.captured(1).toDouble(), match.captured(3).toDouble()});
    QCOMPARE(boxes.size(), 3);
    QVERIFY2(qAbs(boxes[0][1] - 283.5) < 1.0, qPrintable(QString::number(boxes[0][1])));
    QVERIFY2(qAbs((boxes[1][0] + boxes[1][1]) / 2 - 283.5) < 1.0,
        qPrintable(QStringLiteral("%1 %2").arg(boxes[1][0]).arg(boxes[1][1])));
    QVERIFY2(qAbs(boxes[2][0] - 283.5) < 1.0, qPrintable(QString::number(boxes[2][0])));
    QVERIFY(xml.contains(QStringLiteral("c=\"&#xd3;\"")));
}

void TestPdfWriter::fileCannotBeCreated_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::newRow("missing directory") << QStringLiteral("no/such/dir/report.pdf");
    QTest::newRow("target is a directory") << QStringLiteral("folder");
}

void TestPdfWriter::fileCannotBeCreated()
{
    QFETCH(QString, relativePath);
    QTemporaryDir directory;
    QVERIFY(QDir(directory.path()).mkdir(QStringLiteral("folder")));
    const QString path = directory.filePath(relativePath);
    PDFDocumentFilter writer(path);
    writer.Start(2100, 2970, arial());
    writer.TextOut(0, 0, arial(), Qt::white, Alignment::LeftJustify, QStringLiteral("x"));
    try {
        writer.Finish();
        QFAIL("Finish wrote a file it cannot create");
    } catch (const Error& error) {
        const QString prefix = QStringLiteral("Cannot create file \"%1\". ").arg(path);
        QVERIFY2(
            error.message().startsWith(prefix) && error.message().size() > prefix.size(), qPrintable(error.message()));
    }
    QCOMPARE(QDir(directory.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
        QStringList{QStringLiteral("folder")});
    QVERIFY(QFileInfo(directory.filePath(QStringLiteral("folder"))).isDir());
}

void TestPdfWriter::existingFileReplaced()
{
    Export pdf;
    {
        QFile old(pdf.path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
    }
    pdf.page([](PDFDocumentFilter&) {});
    const QByteArray document = pdf.finish();
    QVERIFY(document.startsWith("%PDF-1.3\r\n"));
    QCOMPARE(problems(pdf.path), QString());
    QCOMPARE(QDir(pdf.directory.path()).entryList(QDir::Files), QStringList{QStringLiteral("report.pdf")});
}

void TestPdfWriter::invalidItem()
{
    QTemporaryDir directory;
    PDFDocumentFilter writer(directory.filePath(QStringLiteral("x.pdf")));
    writer.Start(2100, 2970, arial());
    writer.TextOut(0, 0, arial(), Qt::white, Alignment::LeftJustify, QStringLiteral("x"));
    try {
        writer.renderItem(TPDFItemRec());
        QFAIL("an item without a type was rendered");
    } catch (const Error& error) {
        QCOMPARE(error.message(), QStringLiteral("Internal error: IT_INVALID"));
    }
    // An export that stops never writes.
    QVERIFY(QDir(directory.path()).isEmpty());
}

void TestPdfWriter::badInputStillValid()
{
    QString longText;
    for (int i = 0; i < 100000; ++i)
        longText += QChar(u"a(b)c\\d\x01\x1f\t\r\nñ€中"[i % 15]);
    Export pdf;
    pdf.page([&](PDFDocumentFilter& writer) {
        writer.TextOut(0, 0, arial(), Qt::white, Alignment::RightJustify, longText);
        writer.TextOut(-1e300, 1e300, arial(), Qt::white, Alignment::Center, QStringLiteral(")("));
        writer.TextOut(qQNaN(), 5, arial(), Qt::white, Alignment::LeftJustify, QString());
        ReportFont odd = arial();
        odd.name = QStringLiteral("  No (such) /font#\tname  ");
        writer.TextOut(100, 100, odd, Qt::white, Alignment::LeftJustify, QStringLiteral("substituted"));
        writer.AcceptGraphic(-50, 1e9, shape(ShapeKind::Circle, 10, 10, PenStyle::Solid, BrushStyle::Solid));
    });
    const QByteArray document = pdf.finish();
    QCOMPARE(problems(pdf.path), QString());
    QVERIFY(document.contains("/BaseFont /No#28such#29#2Ffont#23#09name\r\n"));
    QVERIFY(pdffiles::pdfText(pdf.path).contains(QStringLiteral("substituted")));
}

void TestPdfWriter::tenThousandPages()
{
    Export pdf;
    for (int i = 0; i < 10000; ++i) {
        pdf.page([i](PDFDocumentFilter& writer) {
            writer.TextOut(100, 100, arial(), Qt::white, Alignment::LeftJustify, QString::number(i + 1));
        });
    }
    const QByteArray document = pdf.finish();
    QCOMPARE(problems(pdf.path), QString());
    QVERIFY(objectLines(document, 3).contains("/Count 10000\r"));
    QVERIFY(streamOf(document, 2 * 9999 + 5).contains("(10000) Tj"));
}

void TestPdfWriter::checkerFindsDamage_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::newRow("stream length one short") << QByteArray("<< /Length 8 >>") << QByteArray("<< /Length 7 >>");
    QTest::newRow("offset one byte off") << QByteArray("0000000017 00000 n") << QByteArray("0000000018 00000 n");
    QTest::newRow("a byte above 127") << QByteArray("%??o?") << QByteArray("%\xc5?o?");
}

// The documents above are only as well checked as problems() checks them:
// each kind of damage it looks for must be found.
void TestPdfWriter::checkerFindsDamage()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    Export pdf;
    pdf.page([](PDFDocumentFilter&) {});
    QByteArray document = pdf.finish();
    QCOMPARE(problems(pdf.path), QString());
    QVERIFY(document.contains(from));
    document.replace(from, to);
    QFile damaged(pdf.path);
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(document);
    damaged.close();
    QVERIFY(!problems(pdf.path).isEmpty());
}

// More than two pieces of odd sizes reach the file as written, and only once
// the sink is finished: an unfinished one leaves the old file as it was.
void TestPdfWriter::fileSinkWritesEveryPiece()
{
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("sink.pdf"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    QByteArray expected;
    for (int i = 0; expected.size() < 2'500'000; ++i)
        expected.append(QByteArray(1 + (i * 7919) % 70'000, char('a' + i % 26)));
    for (bool finished : {false, true}) {
        pdfoutput::FileSink sink(path);
        for (qsizetype at = 0, i = 0; at < expected.size(); ++i) {
            const qsizetype size = std::min<qsizetype>(expected.size() - at, 1 + (i * 104'729) % 300'000);
            sink.write(expected.constData() + at, size);
            at += size;
        }
        if (finished)
            sink.finish();
        else
            QCOMPARE(readFile(path), QByteArray("old"));
    }
    QCOMPARE(readFile(path), expected);
    // Nothing else beside it, neither from the dropped sink nor from the finished one.
    QCOMPARE(QDir(directory.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"sink.pdf"});
}

// A target that is a symbolic link is written through: the file it leads to
// gets the document, its folder gets no leftover, and the link stays.
void TestPdfWriter::fileSinkWritesThroughALink()
{
    QTemporaryDir directory;
    QVERIFY(QDir(directory.path()).mkdir("real"));
    const QString target = directory.filePath(QStringLiteral("real/marzo.pdf"));
    const QString link = directory.filePath(QStringLiteral("26300332.pdf"));
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    QVERIFY(QFile::link(target, link));
    {
        pdfoutput::FileSink sink(link);
        sink.write("new document", 12);
        sink.finish();
    }
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), target);
    QCOMPARE(readFile(target), QByteArray("new document"));
    QCOMPARE(QDir(directory.filePath("real")).entryList(QDir::Files | QDir::Hidden), QStringList{"marzo.pdf"});
}

// Each entry is the offset at which its object was begun, whatever the
// order the objects come in; startxref's number is where "xref" is.
void TestPdfWriter::crossReferenceFromCountedOffsets()
{
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("xref.pdf"));
    qint64 xref = 0;
    {
        pdfoutput::FileSink file(path);
        pdfoutput::CountingSink out(file);
        out.line("%PDF-1.3");
        for (int number : {3, 1, 2}) {
            out.beginObject(number);
            out.line(QByteArray::number(number) + " 0 obj");
            out.write(QByteArray(number * 1000, ' '));
            out.line("endobj");
        }
        xref = out.writeCrossReference();
        out.finish();
    }
    const QByteArray document = readFile(path);
    QCOMPARE(document.indexOf("xref\r\n"), xref);
    const QList<QByteArray> entries = document.mid(xref).split('\n');
    QCOMPARE(entries.mid(0, 3), (QList<QByteArray>{"xref\r", "0 4\r", "0000000000 65535 f\r"}));
    QCOMPARE(document.size(), xref + 11 + 4 * 20);  // "xref", "0 4", four entries
    for (int number = 1; number <= 3; ++number) {
        const QByteArray object = "\n" + QByteArray::number(number) + " 0 obj\r\n";
        const QByteArray offset = QByteArray::number(document.indexOf(object) + 1).rightJustified(10, '0');
        QCOMPARE(entries[2 + number], offset + " 00000 n\r");
    }
}

QTEST_MAIN(TestPdfWriter)
// Documents written into a sink by writers that share their encoded
// pictures are the documents a writer of its own writes to a file; the
// cache keeps the compressed and the uncompressed encoding apart.
void TestPdfWriter::sinkAndSharedPictureCache()
{
    static const QRegularExpression date(QStringLiteral("/CreationDate \\([^)]*\\)"));
    auto withoutDate = [](const QByteArray& document) {
        return QString::fromLatin1(document).replace(date, QString()).toLatin1();
    };
    const QImage picture = quadrants();
    auto draw = [&](PDFDocumentFilter& writer) {
        writer.AcceptGraphic(200, 100, PictureControl{picture, 40, 40, false});
        writer.TextOut(100, 1000, arial(), Qt::white, Alignment::LeftJustify, QStringLiteral("Retención"));
    };
    PDFDocumentFilter::PictureCache cache;
    for (const auto compression : {pdfencoding::Compression::On, pdfencoding::Compression::Off}) {
        Export file;
        file.writer.setCompression(compression);
        file.page(draw);
        const QByteArray expected = withoutDate(file.finish());
        for (int round = 0; round < 2; ++round) {
            pdfoutput::MemorySink sink;
            PDFDocumentFilter writer(sink);
            writer.setPictureCache(cache);
            writer.setCompression(compression);
            ExportContext context;
            writer.setOwner(&context);
            writer.Start(2100, 2970, arial());
            writer.EndPage();
            writer.NewPage();
            draw(writer);
            writer.EndPage();
            writer.Finish();
            QCOMPARE(withoutDate(sink.bytes()), expected);
        }
    }
}

#include "tst_pdfwriter.moc"
