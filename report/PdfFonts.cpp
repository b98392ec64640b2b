#include "report/PdfFonts.h"

#include "core/Codepage.h"
#include "report/AdobeGlyphList.h"

#include <QHash>

namespace pdffonts {

namespace {

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

QByteArray makeEncodingText(int charset)
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

}  // namespace

QByteArray encodingText(int charset)
{
    // The same for every document: made once per character set.
    static QHash<int, QByteArray> made;
    const auto found = made.constFind(charset);
    if (found != made.constEnd())
        return *found;
    return *made.insert(charset, makeEncodingText(charset));
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

FontInUse& FontTable::fontInUse(const QString& name, bool bold, bool italic, int charset)
{
    for (FontInUse& font : m_inUse) {
        if (font.key.bold == bold && font.key.italic == italic && font.key.charset == charset && font.name == name)
            return font;
    }
    FontInUse font;
    font.name = name;
    font.key.faceName = name.trimmed();
    font.key.bold = bold;
    font.key.italic = italic;
    font.key.charset = charset;
    font.index = indexOf(font.key);
    font.selector = '/' + resourceName(font.index) + ' ';
    font.codePage = textCodePageOf(charset);
    m_inUse.push_back(font);
    return m_inUse.back();
}

double FontTable::textWidth(FontInUse& font, int size, const QString& text)
{
    if (!font.metrics)
        font.metrics = &metricsOf(font.key);
    return double(widthInThousandths(*font.metrics, font.codePage, text)) * size / 1000.0;
}

int FontTable::indexOf(const FontKey& key)
{
    const QString text = key.text();
    auto found = m_indexes.constFind(text);
    if (found != m_indexes.constEnd())
        return *found;
    const int index = int(m_keys.size());
    m_keys.append(key);
    m_indexes.insert(text, index);
    return index;
}

}  // namespace pdffonts
