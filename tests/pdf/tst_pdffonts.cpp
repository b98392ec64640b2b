#include "core/Codepage.h"
#include "report/PdfFonts.h"

#include <QTest>

using namespace pdffonts;

namespace {

ReportFont font(const QString& name, bool bold, bool italic, int charset, int size = 10)
{
    return ReportFont{.name = name, .size = size, .bold = bold, .italic = italic, .charset = charset};
}

// The glyph name the encoding gives byte `code` (2 to 255).
QByteArray glyphNameOf(const QByteArray& encoding, int code)
{
    const qsizetype open = encoding.indexOf("[ 2 ");
    const QList<QByteArray> names = encoding.mid(open + 5, encoding.indexOf(']') - open - 5).split('/');
    return names.value(code - 2);
}

}  // namespace

class TestPdfFonts : public QObject
{
    Q_OBJECT

private slots:
    void fontKey_data();
    void fontKey();
    void codePages_data();
    void codePages();
    void flags_data();
    void flags();
    void glyphNames_data();
    void glyphNames();
    void encodingWithoutCodePage();
    void resourceNames();
    void arialMetrics();
    void styleChangesMetrics();
    void fontObjects();
    void textWidthFromTheSameWidths();
};

void TestPdfFonts::fontKey_data()
{
    QTest::addColumn<ReportFont>("font");
    QTest::addColumn<QString>("key");
    QTest::newRow("regular") << font(QStringLiteral("Arial"), false, false, 1) << QStringLiteral("Arial\t\t1\tArial");
    QTest::newRow("bold") << font(QStringLiteral("Arial"), true, false, 1) << QStringLiteral("Arial\tB\t1\tArial,Bold");
    QTest::newRow("italic") << font(QStringLiteral("Arial"), false, true, 0)
                            << QStringLiteral("Arial\tI\t0\tArial,Italic");
    QTest::newRow("blanks trimmed and removed") << font(QStringLiteral("  Times New Roman "), true, true, 238)
                                                << QStringLiteral("Times New Roman\tBI\t238\tTimesNewRoman,BoldItalic");
}

void TestPdfFonts::fontKey()
{
    QFETCH(ReportFont, font);
    QFETCH(QString, key);
    QCOMPARE(FontKey::of(font).text(), key);
}

void TestPdfFonts::codePages_data()
{
    QTest::addColumn<int>("charset");
    QTest::addColumn<int>("codePage");
    const int pairs[][2] = {{0, 1252}, {1, 1252}, {2, 1252}, {128, 932}, {134, 936}, {136, 950}, {161, 1253},
        {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257}, {204, 1251}, {222, 874}, {238, 1250},
        {255, 850}, {77, 1252}};
    for (const auto& pair : pairs)
        QTest::newRow(qPrintable(QString::number(pair[0]))) << pair[0] << pair[1];
}

void TestPdfFonts::codePages()
{
    QFETCH(int, charset);
    QFETCH(int, codePage);
    QCOMPARE(codePageNumber(charset), codePage);
    QVERIFY(codePageOf(charset) != nullptr);
}

void TestPdfFonts::flags_data()
{
    QTest::addColumn<int>("familyClass");
    QTest::addColumn<int>("flags");
    QTest::newRow("no classification") << 0 << 4;
    QTest::newRow("symbolic") << 12 << 4;
    QTest::newRow("sans serif") << 8 << 32;
    QTest::newRow("scripts") << 10 << 40;
    QTest::newRow("oldstyle serif") << 1 << 34;
    QTest::newRow("ornamentals") << 9 << 34;
}

void TestPdfFonts::flags()
{
    QFETCH(int, familyClass);
    QFETCH(int, flags);
    QCOMPARE(flagsForFamilyClass(familyClass), flags);
}

void TestPdfFonts::glyphNames_data()
{
    QTest::addColumn<int>("charset");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("control character") << 1 << 2 << QByteArray("space");
    QTest::newRow("A") << 1 << 0x41 << QByteArray("A");
    QTest::newRow("euro") << 1 << 0x80 << QByteArray("Euro");
    QTest::newRow("unassigned 0x81") << 1 << 0x81 << QByteArray("space");
    QTest::newRow("no-break space") << 1 << 0xA0 << QByteArray("space");
    QTest::newRow("soft hyphen") << 1 << 0xAD << QByteArray("hyphen");
    QTest::newRow("o acute") << 1 << 0xF3 << QByteArray("oacute");
    QTest::newRow("N tilde") << 1 << 0xD1 << QByteArray("Ntilde");
    QTest::newRow("y dieresis, the last") << 1 << 0xFF << QByteArray("ydieresis");
    QTest::newRow("1251 de") << 204 << 0xE4 << QByteArray("afii10069");
    QTest::newRow("1253 Delta") << 161 << 0xC4 << QByteArray("Delta");
    QTest::newRow("1250 s caron") << 238 << 0x9A << QByteArray("scaron");
    QTest::newRow("932 lead byte") << 128 << 0x82 << QByteArray("space");
}

void TestPdfFonts::glyphNames()
{
    QFETCH(int, charset);
    QFETCH(int, code);
    QFETCH(QByteArray, name);
    const QByteArray encoding = encodingText(charset);
    QVERIFY(encoding.startsWith(" <</Type/Encoding /Differences [ 2 /"));
    QVERIFY(encoding.endsWith("]>>"));
    QCOMPARE(encoding.count('/') - 3, 254);  // /Type /Encoding /Differences
    QCOMPARE(glyphNameOf(encoding, code), name);
}

void TestPdfFonts::encodingWithoutCodePage()
{
    // Every code page of the table is there on glibc; the fallback text is
    // only reachable through a character set whose code page is missing, so
    // check the tables instead: 1252 gives the same names as WinAnsi.
    QVERIFY(Codepage::windows(1252) != nullptr);
    const QByteArray encoding = encodingText(0);
    QCOMPARE(glyphNameOf(encoding, 0x9F), QByteArray("Ydieresis"));
    QCOMPARE(glyphNameOf(encoding, 0x8C), QByteArray("OE"));
}

void TestPdfFonts::resourceNames()
{
    QCOMPARE(resourceName(0), QByteArray("F00"));
    QCOMPARE(resourceName(7), QByteArray("F07"));
    QCOMPARE(resourceName(99), QByteArray("F99"));
    QCOMPARE(resourceName(100), QByteArray("F100"));
}

void TestPdfFonts::arialMetrics()
{
    // "Arial" is Liberation Sans here, with Arial's widths: 2048 units per em.
    const FontMetrics& metrics = metricsOf(FontKey::of(font(QStringLiteral("Arial"), false, false, 1)));
    QCOMPARE(metrics.widths[' '], 278);
    // Control characters, the tab among them, have the missing glyph's width.
    QCOMPARE(metrics.widths['\t'], 365);
    QCOMPARE(metrics.widths[0x01], 365);
    QCOMPARE(metrics.widths[0x1F], 365);
    QCOMPARE(metrics.widths['A'], 667);
    QCOMPARE(metrics.widths['W'], 944);
    QCOMPARE(metrics.widths['i'], 222);
    QCOMPARE(metrics.widths[0x80], 556);  // euro through code page 1252
    QCOMPARE(metrics.widths[0xF3], 556);  // o acute
    QCOMPARE(metrics.boundingBox, (std::array<int, 4>{-203, -303, 1050, 910}));
    QCOMPARE(metrics.flags, 32);  // family class 8, sans serif
    QCOMPARE(int(metrics.ascent), 905);
    QCOMPARE(int(metrics.descent), -212);
    QCOMPARE(metrics.italicAngle, 0.0);
    QCOMPARE(metrics.firstChar, 0);
    QCOMPARE(metrics.lastChar, 255);
}

void TestPdfFonts::styleChangesMetrics()
{
    const FontMetrics& regular = metricsOf(FontKey::of(font(QStringLiteral("Arial"), false, false, 1)));
    const FontMetrics& bold = metricsOf(FontKey::of(font(QStringLiteral("Arial"), true, false, 1)));
    const FontMetrics& italic = metricsOf(FontKey::of(font(QStringLiteral("Arial"), false, true, 1)));
    QCOMPARE(bold.widths['a'], 556);
    QCOMPARE(regular.widths['a'], 556);
    QCOMPARE(bold.widths['r'], 389);
    QCOMPARE(regular.widths['r'], 333);
    QCOMPARE(italic.italicAngle, -12.0);
}

void TestPdfFonts::fontObjects()
{
    const FontResource resource = fontResourceLines(FontKey::of(font(QStringLiteral("Arial"), true, false, 1)), 3, 12);
    const QList<QByteArray> head = {"12 0 obj", "<<", "/Type /Font", "/Subtype /TrueType", "/Name /F03",
        "/BaseFont /Arial,Bold", "/FirstChar 0", "/LastChar 255", "/Widths [ "};
    QCOMPARE(resource.font.mid(0, 9), head);
    const QList<QByteArray> widths = resource.font[9].split(' ');
    QCOMPARE(widths.size(), 256 + 2);         // "w " 256 times, then " ]"
    QCOMPARE(widths[65], QByteArray("722"));  // bold A
    QVERIFY(resource.font[9].endsWith("  ]"));
    QVERIFY(resource.font[10].startsWith("/Encoding  <</Type/Encoding /Differences [ 2 /space"));
    QCOMPARE(resource.font.mid(11), (QList<QByteArray>{"/FontDescriptor 13 0 R", ">>", "endobj"}));
    const QList<QByteArray> descriptor = {"13 0 obj", "<<", "/Type /FontDescriptor", "/Ascent 905", "/Descent -212",
        "/Flags 32", "/FontBBox [ -184 -303 1062 1033 ]", "/FontName /F03", "/ItalicAngle 0", ">>", "endobj"};
    QCOMPARE(resource.descriptor, descriptor);
}

void TestPdfFonts::textWidthFromTheSameWidths()
{
    // Three A at 10 points, 96 pixels per inch: 3 x 667 / 1000 x 10 x 96 / 72.
    QCOMPARE(textWidth(font(QStringLiteral("Arial"), false, false, 1), QStringLiteral("AAA"), 96), 26.68);
    // A letter outside the code page is measured as the "?" written for it.
    QCOMPARE(textWidth(font(QStringLiteral("Arial"), false, false, 1), QStringLiteral("中"), 72),
        textWidth(font(QStringLiteral("Arial"), false, false, 1), QStringLiteral("?"), 72));
    QCOMPARE(textWidth(font(QStringLiteral("Arial"), false, false, 1), QStringLiteral("ó"), 72), 5.56);
    // A tab is measured as the missing glyph /Widths gives it, not as a space.
    QCOMPARE(textWidth(font(QStringLiteral("Arial"), false, false, 1), QStringLiteral("a\tb"), 72), 14.77);
}

QTEST_MAIN(TestPdfFonts)
#include "tst_pdffonts.moc"
