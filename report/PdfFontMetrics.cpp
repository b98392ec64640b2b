#include "report/PdfFontMetrics.h"

#include "core/Codepage.h"
#include "core/Error.h"

#include <QFont>
#include <QGuiApplication>
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

[[noreturn]] void notObtainable(const FontKey& key, const QString& reason)
{
    throw Error(QStringLiteral("Font widths for \"%1\" not obtainable (%2)").arg(key.faceName, reason));
}

QRawFont rawFontOf(const FontKey& key)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        notObtainable(key, QStringLiteral("no font services without a graphical application"));
    QFont font(key.faceName);
    font.setBold(key.bold);
    font.setItalic(key.italic);
    font.setStyleStrategy(QFont::PreferOutline);
    QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid() || raw.unitsPerEm() <= 0)
        notObtainable(key, QStringLiteral("no installed font can be loaded for it"));
    return raw;
}

// The bounding box, flags and italic angle from the font's tables; returns
// the font's units per em.
int readTables(const QRawFont& raw, FontMetrics& metrics)
{
    const QByteArray head = raw.fontTable("head");
    if (head.size() < 54)
        throw Error(QStringLiteral("GetFontData error"));
    const int unitsPerEm = readUInt16(head, 18) > 0 ? readUInt16(head, 18) : int(raw.unitsPerEm());
    metrics.boundingBox = {toThousandths(readInt16(head, 36), unitsPerEm),
        toThousandths(readInt16(head, 38), unitsPerEm), toThousandths(readInt16(head, 40), unitsPerEm),
        toThousandths(readInt16(head, 42), unitsPerEm)};

    const QByteArray os2 = raw.fontTable("OS/2");
    const int familyClass = os2.size() > 30 ? (unsigned char)os2.at(30) : 0;
    metrics.flags = flagsForFamilyClass(familyClass);

    const QByteArray post = raw.fontTable("post");
    if (post.size() >= 8)
        metrics.italicAngle = readInt16(post, 4) + readUInt16(post, 6) / 65536.0;
    return unitsPerEm;
}

// The ascent, descent and the width of every byte of the key's code page,
// with `raw` at a pixel size of one em.
void measureGlyphs(const FontKey& key, const QRawFont& raw, int unitsPerEm, FontMetrics& metrics)
{
    metrics.ascent = qint16(toThousandths(raw.ascent(), unitsPerEm));
    metrics.descent = qint16(-toThousandths(raw.descent(), unitsPerEm));

    const Codepage* page = textCodePageOf(key.charset);
    quint32 glyphs[256];
    for (int code = 0; code < 256; ++code) {
        const char32_t character = page ? page->character((unsigned char)code) : char32_t(code);
        glyphs[code] = 0;
        // A tab has no glyph of its own; the platform would give it the space's.
        if (character != 0 && character != U'\t') {
            const QString text = QString::fromUcs4(&character, 1);
            const QList<quint32> indexes = raw.glyphIndexesForString(text);
            if (indexes.size() == 1)
                glyphs[code] = indexes.first();
        }
    }
    QPointF advances[256];
    if (!raw.advancesForGlyphIndexes(glyphs, advances, 256, QRawFont::SeparateAdvances | QRawFont::UseDesignMetrics))
        notObtainable(key, QStringLiteral("the font gives no advance widths"));
    for (int code = 0; code < 256; ++code)
        metrics.widths[size_t(code)] = toThousandths(advances[code].x(), unitsPerEm);
}

FontMetrics measure(const FontKey& key)
{
    QRawFont raw = rawFontOf(key);
    FontMetrics metrics;
    const int unitsPerEm = readTables(raw, metrics);
    // At a pixel size of one em the design metrics come out in font units.
    raw.setPixelSize(unitsPerEm);
    measureGlyphs(key, raw, unitsPerEm, metrics);
    return metrics;
}

}  // namespace

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
    return faceName + QLatin1Char('\t') + style() + QLatin1Char('\t') + QString::number(charset) + QLatin1Char('\t')
        + baseFontName();
}

int codePageNumber(int charset)
{
    switch (charset) {
    case 128:
        return 932;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return oemCodePage;
    default:
        return 1252;
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
    case 12:
        return 4;
    case 8:
        return 32;
    case 10:
        return 40;
    default:
        return 34;
    }
}

const Codepage* textCodePageOf(int charset)
{
    const Codepage* page = codePageOf(charset);
    return page ? page : Codepage::windows(1252);
}

qint64 widthInThousandths(const FontMetrics& metrics, const Codepage* page, const QString& text)
{
    qint64 thousandths = 0;
    const QChar* characters = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = characters[i].unicode();
        int byte = unit < 0x80 ? int(unit) : -1;
        if (byte < 0 && !QChar::isSurrogate(unit))
            byte = page ? page->byteOf(unit) : -1;
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && characters[i + 1].isLowSurrogate())
            ++i;
        thousandths += metrics.widths[size_t(byte < 0 ? '?' : byte)];
    }
    return thousandths;
}

double textWidth(const ReportFont& font, const QString& text, double pixelsPerInch)
{
    const FontKey key = FontKey::of(font);
    const qint64 thousandths = widthInThousandths(metricsOf(key), textCodePageOf(key.charset), text);
    return double(thousandths) * font.size / 1000.0 * pixelsPerInch / 72.0;
}

}  // namespace pdffonts
