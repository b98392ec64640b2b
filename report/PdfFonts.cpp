#include "report/PdfFonts.h"

#include "report/AdobeGlyphList.h"
#include "core/Codepage.h"
#include "core/Error.h"

#include <QFont>
#include <QGuiApplication>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QRawFont>
#include <QtEndian>
#include <cmath>
#include <map>
#include <memory>

namespace pdffonts {

namespace {

// OEM code page of a Spanish-language Windows system.
constexpr int oemCodePage = 850;

// Font-file units to thousandths of an em, halves away from zero.
int toThousandths(double value, int unitsPerEm)
{
    return int(std::lround(value * 1000.0 / unitsPerEm));
}

qint16 readInt16(const QByteArray& table, int offset)
{
    return qFromBigEndian<qint16>(table.constData() + offset);
}

quint16 readUInt16(const QByteArray& table, int offset)
{
    return qFromBigEndian<quint16>(table.constData() + offset);
}

// First glyph name of the list for each character.
const QHash<char32_t, QByteArray>& glyphNames()
{
    static const QHash<char32_t, QByteArray> names = [] {
        QHash<char32_t, QByteArray> map;
        for (const GlyphListEntry& entry : adobeGlyphList()) {
            if (!map.contains(entry.character))
                map.insert(entry.character, QByteArray(entry.name));
        }
        return map;
    }();
    return names;
}

FontMetrics measure(const FontKey& key)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        throw Error(QStringLiteral("Font widths for \"%1\" not obtainable (%2)")
                        .arg(key.faceName, QStringLiteral("no font services without a graphical application")));
    QFont font(key.faceName);
    font.setBold(key.bold);
    font.setItalic(key.italic);
    font.setStyleStrategy(QFont::PreferOutline);
    QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid() || raw.unitsPerEm() <= 0)
        throw Error(QStringLiteral("Font widths for \"%1\" not obtainable (%2)")
                        .arg(key.faceName, QStringLiteral("no installed font can be loaded for it")));

    const QByteArray head = raw.fontTable("head");
    if (head.size() < 54)
        throw Error(QStringLiteral("GetFontData error"));
    const int unitsPerEm = readUInt16(head, 18) > 0 ? readUInt16(head, 18) : int(raw.unitsPerEm());

    FontMetrics metrics;
    metrics.boundingBox = {toThousandths(readInt16(head, 36), unitsPerEm),
                           toThousandths(readInt16(head, 38), unitsPerEm),
                           toThousandths(readInt16(head, 40), unitsPerEm),
                           toThousandths(readInt16(head, 42), unitsPerEm)};

    const QByteArray os2 = raw.fontTable("OS/2");
    const int familyClass = os2.size() > 30 ? (unsigned char)os2.at(30) : 0;
    metrics.flags = flagsForFamilyClass(familyClass);

    const QByteArray post = raw.fontTable("post");
    if (post.size() >= 8)
        metrics.italicAngle = readInt16(post, 4) + readUInt16(post, 6) / 65536.0;

    // At a pixel size of one em the design metrics come out in font units.
    raw.setPixelSize(unitsPerEm);
    metrics.ascent = qint16(toThousandths(raw.ascent(), unitsPerEm));
    metrics.descent = qint16(-toThousandths(raw.descent(), unitsPerEm));

    const Codepage* page = codePageOf(key.charset);
    if (!page)
        page = Codepage::windows(1252);
    quint32 glyphs[256];
    for (int code = 0; code < 256; ++code) {
        const char32_t character = page ? page->character((unsigned char)code) : char32_t(code);
        glyphs[code] = 0;
        if (character != 0) {
            const QString text = QString::fromUcs4(&character, 1);
            const QList<quint32> indexes = raw.glyphIndexesForString(text);
            if (indexes.size() == 1)
                glyphs[code] = indexes.first();
        }
    }
    QPointF advances[256];
    if (!raw.advancesForGlyphIndexes(glyphs, advances, 256,
                                     QRawFont::SeparateAdvances | QRawFont::UseDesignMetrics))
        throw Error(QStringLiteral("Font widths for \"%1\" not obtainable (%2)")
                        .arg(key.faceName, QStringLiteral("the font gives no advance widths")));
    for (int code = 0; code < 256; ++code)
        metrics.widths[size_t(code)] = toThousandths(advances[code].x(), unitsPerEm);
    return metrics;
}

// A PDF name's characters: regular characters as they are, everything else
// (blanks, delimiters, "#", bytes outside printable ASCII) as #hh.
QByteArray pdfName(const QString& name)
{
    static const QByteArray delimiters("()<>[]{}/%#");
    QByteArray out;
    for (char c : name.toUtf8()) {
        const unsigned char byte = (unsigned char)c;
        if (byte > 32 && byte < 127 && !delimiters.contains(c)) {
            out.append(c);
        } else {
            static const char hex[] = "0123456789ABCDEF";
            out.append('#');
            out.append(hex[byte >> 4]);
            out.append(hex[byte & 15]);
        }
    }
    return out;
}

} // namespace

FontKey FontKey::of(const ReportFont& font)
{
    FontKey key;
    key.faceName = font.name.trimmed();
    key.bold = font.bold;
    key.italic = font.italic;
    key.charset = font.charset;
    return key;
}

QString FontKey::style() const
{
    return QString(bold ? QStringLiteral("B") : QString()) + (italic ? QStringLiteral("I") : QString());
}

QString FontKey::baseFontName() const
{
    QString name = faceName;
    name.remove(QLatin1Char(' '));
    if (bold || italic) {
        name += QLatin1Char(',');
        if (bold)
            name += QStringLiteral("Bold");
        if (italic)
            name += QStringLiteral("Italic");
    }
    return name;
}

QString FontKey::text() const
{
    return faceName + QLatin1Char('\t') + style() + QLatin1Char('\t') + QString::number(charset)
           + QLatin1Char('\t') + baseFontName();
}

int codePageNumber(int charset)
{
    switch (charset) {
    case 128: return 932;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 255: return oemCodePage;
    default: return 1252;
    }
}

const Codepage* codePageOf(int charset)
{
    return Codepage::windows(codePageNumber(charset));
}

const FontMetrics& metricsOf(const FontKey& key)
{
    static QMutex mutex;
    static std::map<QString, std::unique_ptr<FontMetrics>> measured;
    QMutexLocker lock(&mutex);
    const QString text = key.text();
    auto found = measured.find(text);
    if (found == measured.end())
        found = measured.emplace(text, std::make_unique<FontMetrics>(measure(key))).first;
    return *found->second;
}

int flagsForFamilyClass(int familyClass)
{
    switch (familyClass) {
    case 0:
    case 12: return 4;
    case 8: return 32;
    case 10: return 40;
    default: return 34;
    }
}

QByteArray encodingText(int charset)
{
    const Codepage* page = codePageOf(charset);
    if (!page)
        return QByteArrayLiteral(" <</Type/Encoding /BaseEncoding /WinAnsiEncoding>>");
    const QHash<char32_t, QByteArray>& names = glyphNames();
    QByteArray text = QByteArrayLiteral(" <</Type/Encoding /Differences [ 2 ");
    for (int code = 2; code < 256; ++code) {
        text.append('/');
        const char32_t character = page->character((unsigned char)code);
        const auto found = character ? names.constFind(character) : names.constEnd();
        text.append(found != names.constEnd() ? *found : QByteArrayLiteral("space"));
    }
    text.append("]>>");
    return text;
}

QByteArray resourceName(int index)
{
    return 'F' + QByteArray::number(index).rightJustified(2, '0');
}

FontResource fontResourceLines(const FontKey& key, int index, int firstObjectNumber)
{
    const FontMetrics& metrics = metricsOf(key);
    QByteArray widths;
    widths.reserve(256 * 5 + 2);
    for (int width : metrics.widths) {
        widths.append(QByteArray::number(width));
        widths.append(' ');
    }
    widths.append(" ]");
    const QByteArray angle = QByteArray::number(metrics.italicAngle, 'g', 6);
    const auto& box = metrics.boundingBox;
    FontResource resource;
    resource.font = {
        QByteArray::number(firstObjectNumber) + " 0 obj",
        "<<",
        "/Type /Font",
        "/Subtype /TrueType",
        "/Name /" + resourceName(index),
        "/BaseFont /" + pdfName(key.baseFontName()),
        "/FirstChar " + QByteArray::number(metrics.firstChar),
        "/LastChar " + QByteArray::number(metrics.lastChar),
        "/Widths [ ",
        widths,
        "/Encoding " + encodingText(key.charset),
        "/FontDescriptor " + QByteArray::number(firstObjectNumber + 1) + " 0 R",
        ">>",
        "endobj",
    };
    resource.descriptor = {
        QByteArray::number(firstObjectNumber + 1) + " 0 obj",
        "<<",
        "/Type /FontDescriptor",
        "/Ascent " + QByteArray::number(metrics.ascent),
        "/Descent " + QByteArray::number(metrics.descent),
        "/Flags " + QByteArray::number(metrics.flags),
        "/FontBBox [ " + QByteArray::number(box[0]) + ' ' + QByteArray::number(box[1]) + ' '
            + QByteArray::number(box[2]) + ' ' + QByteArray::number(box[3]) + " ]",
        "/FontName /" + resourceName(index),
        "/ItalicAngle " + angle,
        ">>",
        "endobj",
    };
    return resource;
}

double textWidth(const ReportFont& font, const QString& text, double pixelsPerInch)
{
    const FontKey key = FontKey::of(font);
    const FontMetrics& metrics = metricsOf(key);
    const Codepage* page = codePageOf(key.charset);
    if (!page)
        page = Codepage::windows(1252);
    qint64 thousandths = 0;
    for (char32_t character : text.toUcs4()) {
        int byte = character < 0x80 ? int(character) : (page ? page->byteOf(character) : -1);
        if (byte < 0)
            byte = '?';
        thousandths += metrics.widths[size_t(byte)];
    }
    return double(thousandths) * font.size / 1000.0 * pixelsPerInch / 72.0;
}

} // namespace pdffonts
