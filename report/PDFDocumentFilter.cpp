#include "report/PDFDocumentFilter.h"

#include "core/Codepage.h"
#include "core/Error.h"

#include <QDateTime>
#include <QLocale>
#include <QSaveFile>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

const ExportContext defaultContext;

// Delphi's Round: nearest integer, ties to even.
double roundEven(double value)
{
    return std::nearbyint(value);
}

// The "%d" of an extended value: truncated towards zero, kept in range.
qint64 truncated(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double limit = 1e15;
    return qint64(std::clamp(value, -limit, limit));
}

QByteArray integer(double value)
{
    return QByteArray::number(truncated(value));
}

// "%w.df": `decimals` places, halves away from zero, right-aligned in `width`.
QByteArray fixed(double value, int decimals, int width = 0)
{
    if (!std::isfinite(value))
        value = 0;
    const double scale = std::pow(10.0, decimals);
    double scaled = std::round(value * scale) / scale;
    if (scaled == 0)
        scaled = 0; // no "-0.0"
    return QByteArray::number(scaled, 'f', decimals).rightJustified(width, ' ');
}

QByteArray colorText(const RGBColor& color)
{
    return fixed(color[0] / 255.0, 2) + ' ' + fixed(color[1] / 255.0, 2) + ' ' + fixed(color[2] / 255.0, 2);
}

RGBColor rgbOf(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return {(unsigned char)rgb.red(), (unsigned char)rgb.green(), (unsigned char)rgb.blue()};
}

// The output encoding: 7-bit ASCII, one "?" for every other character.
QByteArray ascii(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (char32_t character : text.toUcs4())
        out.append(character < 0x80 ? char(character) : '?');
    return out;
}

// A PDF literal string's content for a text of our own (dates, names).
QByteArray literal(const QString& text)
{
    QByteArray out;
    for (char c : ascii(text)) {
        if (c == '\\' || c == '(' || c == ')')
            out.append('\\');
        out.append(c);
    }
    return out;
}

TPDFShapeType shapeOf(ShapeKind kind)
{
    switch (kind) {
    case ShapeKind::Rectangle: return TPDFShapeType::S_BOX;
    case ShapeKind::Circle: return TPDFShapeType::S_CIRCLE;
    case ShapeKind::HorizontalLine: return TPDFShapeType::S_HLINE;
    case ShapeKind::VerticalLine: return TPDFShapeType::S_VLINE;
    case ShapeKind::TopAndBottom: return TPDFShapeType::S_TOPBOTTOM;
    case ShapeKind::RightAndLeft: return TPDFShapeType::S_LEFTRIGHT;
    case ShapeKind::RoundRectangle: return TPDFShapeType::S_OBLIQUE;
    case ShapeKind::LeftDiagonal: return TPDFShapeType::S_LEFTDIAG;
    case ShapeKind::RightDiagonal: return TPDFShapeType::S_RIGHTDIAG;
    }
    return TPDFShapeType::S_OBLIQUE;
}

// Makes room for at most `count` more bytes at the end of `buffer` and
// returns where they start; `endAppend` then cuts the buffer at the end of
// what was written. The capacity at least doubles, so a page's text grows in
// a few steps.
char* beginAppend(QByteArray& buffer, qsizetype count)
{
    const qsizetype size = buffer.size();
    if (buffer.capacity() - size < count)
        buffer.reserve(std::max<qsizetype>(buffer.capacity() * 2, size + count + 16384));
    buffer.resize(size + count);
    return buffer.data() + size;
}

void endAppend(QByteArray& buffer, const char* end)
{
    buffer.resize(end - buffer.constData());
}

inline char* put(char* out, const char* text, qsizetype size)
{
    std::memcpy(out, text, size_t(size));
    return out + size;
}

template <qsizetype N>
inline char* put(char* out, const char (&text)[N])
{
    return put(out, text, N - 1);
}

inline char* put(char* out, const QByteArray& text)
{
    return put(out, text.constData(), text.size());
}

// Decimal digits of an integer; at most 20 characters.
inline char* putNumber(char* out, qint64 value)
{
    return std::to_chars(out, out + 20, value).ptr;
}

// Writes the character at `i` of `characters` as it stands between the
// parentheses of Tj and returns the index of the next one: a surrogate pair
// is one "?".
inline qsizetype putEscapedCharacter(char*& out, const QChar* characters, qsizetype i, qsizetype size,
                                     const Codepage* page)
{
    const char16_t unit = characters[i].unicode();
    int byte;
    if (unit < 0x80) {
        byte = unit;
    } else if (QChar::isHighSurrogate(unit) || QChar::isLowSurrogate(unit)) {
        // Outside the code pages: one "?" for the pair.
        if (QChar::isHighSurrogate(unit) && i + 1 < size && characters[i + 1].isLowSurrogate())
            ++i;
        byte = -1;
    } else {
        byte = page ? page->byteOf(unit) : -1;
    }
    if (byte >= 32 && byte < 127) {
        if (byte == '\\' || byte == '(' || byte == ')')
            *out++ = '\\';
        *out++ = char(byte);
    } else if (byte < 0) {
        *out++ = '?';
    } else {
        *out++ = '\\';
        *out++ = char('0' + (byte >> 6));
        *out++ = char('0' + ((byte >> 3) & 7));
        *out++ = char('0' + (byte & 7));
    }
    return i + 1;
}

// Writes `text` as it stands between the parentheses of Tj: at most four
// bytes for each UTF-16 unit.
char* putEscaped(char* out, const QString& text, const Codepage* page)
{
    const QChar* characters = text.constData();
    const qsizetype size = text.size();
    qsizetype i = 0;
#ifdef __SSE2__
    // Eight characters at a time where all are printable ASCII other than
    // "\\", "(" and ")", which is most of a report's text: they are their own
    // bytes. Signed comparisons put units from 0x8000 up below the space, so
    // they take the character-by-character way as they must.
    const __m128i space = _mm_set1_epi16(0x20);
    const __m128i tilde = _mm_set1_epi16(0x7E);
    const __m128i backslash = _mm_set1_epi16('\\');
    const __m128i open = _mm_set1_epi16('(');
    const __m128i close = _mm_set1_epi16(')');
    while (i + 8 <= size) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(characters + i));
        const __m128i outside = _mm_or_si128(_mm_cmplt_epi16(units, space), _mm_cmpgt_epi16(units, tilde));
        const __m128i special = _mm_or_si128(_mm_cmpeq_epi16(units, backslash),
                                             _mm_or_si128(_mm_cmpeq_epi16(units, open), _mm_cmpeq_epi16(units, close)));
        if (_mm_movemask_epi8(_mm_or_si128(outside, special)) == 0) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
            out += 8;
            i += 8;
        } else {
            // A pair may end past these eight; the next group starts after it.
            const qsizetype groupEnd = i + 8;
            while (i < groupEnd)
                i = putEscapedCharacter(out, characters, i, size, page);
        }
    }
#endif
    while (i < size)
        i = putEscapedCharacter(out, characters, i, size, page);
    return out;
}

QByteArray segment(double x1, double y1, double x2, double y2)
{
    return integer(x1) + ' ' + integer(y1) + " m " + integer(x2) + ' ' + integer(y2) + " l s";
}

} // namespace

PDFDocumentFilter::PDFDocumentFilter(const QString& fileName)
    : m_fileName(fileName)
{
    SetDocumentInfo(QStringLiteral("Orvandel"), QString(), QString(), QString());
}

void PDFDocumentFilter::SetDocumentInfo(const QString& creator, const QString& author, const QString& title,
                                        const QString& subject)
{
    m_creator = creator;
    m_author = author;
    m_title = title;
    m_subject = subject;
}

const ExportContext& PDFDocumentFilter::context() const
{
    return owner() ? *owner() : defaultContext;
}

void PDFDocumentFilter::Start(int, int, const ReportFont&)
{
    m_active = true;
}

void PDFDocumentFilter::startPage()
{
    const ExportContext& report = context();
    m_horizontalScale = 1.0 / (report.xFactor * 10.0) * 72.0 / 25.4;
    m_verticalScale = 1.0 / (report.yFactor * 10.0) * 72.0 / 25.4;
    ++FPageNumber;
    FPageWidth = roundEven(report.pageWidth) * 0.1 * 72.0 / 25.4;
    FPageHeight = roundEven(report.pageLength) * 0.1 * 72.0 / 25.4;
    // The buffers keep their capacity from one page to the next.
    m_page.width = FPageWidth;
    m_page.height = FPageHeight;
    m_page.graphics.resize(0);
    m_page.text.resize(0);
    m_page.ended = false;
    if (m_pageSizes.empty())
        m_pageSizes.push_back({FPageWidth, FPageHeight});
    FMadeFirstPageFiles = true;
}

void PDFDocumentFilter::endPage()
{
    Page& page = m_page;
    if (page.ended)
        return;
    page.text.append("ET\r\n");
    page.ended = true;

    // The page's two objects go to the document at once, numbered 2i + 4 and
    // 2i + 5 for the i-th page; the offsets are from the start of m_body.
    const int pageObject = 2 * int(m_pageOffsets.size() / 2) + 4;
    const qsizetype separator = page.graphics.isEmpty() ? 0 : 2;
    const qsizetype length = page.graphics.size() + separator + 4 + page.text.size();
    const qsizetype start = m_body.size();
    char* const begin = beginAppend(m_body, 256 + length);
    char* out = begin;
    m_pageOffsets.push_back(start);
    out = putNumber(out, pageObject);
    out = put(out, " 0 obj\r\n<<\r\n/Type /Page\r\n/Parent 3 0 R\r\n/Contents ");
    out = putNumber(out, pageObject + 1);
    out = put(out, " 0 R\r\n/MediaBox [0 0 ");
    out = putNumber(out, truncated(page.width));
    *out++ = ' ';
    out = putNumber(out, truncated(page.height));
    out = put(out, "]\r\n>>\r\nendobj\r\n");
    m_pageOffsets.push_back(start + (out - begin));
    out = putNumber(out, pageObject + 1);
    out = put(out, " 0 obj\r\n<< /Length ");
    out = putNumber(out, length);
    out = put(out, " >>\r\nstream\r\n");
    if (!page.graphics.isEmpty()) {
        out = put(out, page.graphics);
        out = put(out, "\r\n");
    }
    out = put(out, "BT\r\n");
    out = put(out, page.text);
    out = put(out, "\r\nendstream\r\nendobj\r\n");
    endAppend(m_body, out);
}

void PDFDocumentFilter::ensurePage()
{
    if (!FMadeFirstPageFiles)
        startPage();
}

void PDFDocumentFilter::NewPage()
{
    if (FFirstPage) {
        FFirstPage = false;
        return;
    }
    ensurePage();
    endPage();
    startPage();
}

void PDFDocumentFilter::EndPage()
{
}

void PDFDocumentFilter::addGraphicsLine(const QByteArray& line)
{
    QByteArray& graphics = m_page.graphics;
    graphics.append(line);
    graphics.append("\r\n");
}

void PDFDocumentFilter::addTextLine(const QByteArray& line)
{
    QByteArray& text = m_page.text;
    text.append(line);
    text.append("\r\n");
}

int PDFDocumentFilter::fontIndex(const pdffonts::FontKey& key)
{
    const QString text = key.text();
    auto found = FReportFonts.constFind(text);
    if (found != FReportFonts.constEnd())
        return *found;
    const int index = int(m_fonts.size());
    m_fonts.append(key);
    FReportFonts.insert(text, index);
    return index;
}

void PDFDocumentFilter::TextOut(double x, double y, const ReportFont& font, const QColor&, Alignment alignment,
                                const QString& text)
{
    ensurePage();
    const ExportContext& report = context();
    double deviceX = roundEven(x * report.xFactor);
    const double deviceY = roundEven(y * report.yFactor);
    const FontInUse& used = fontInUse(font.name, font.bold, font.italic, font.charset);
    if (alignment != Alignment::LeftJustify) {
        const double width = roundEven(textWidth(used, font.size, text) * report.xFactor * 254.0 / 72.0);
        if (alignment == Alignment::RightJustify)
            deviceX -= width;
        else
            deviceX -= std::trunc(width / 2);
    }
    // What renderItem does with the text item of these values, without
    // building the item.
    writeText(used, font.size, rgbOf(font.color), deviceX * m_horizontalScale, font.size + deviceY * m_verticalScale, text);
}

const PDFDocumentFilter::EncodedBitmap& PDFDocumentFilter::encodedBitmap(const PictureControl& control)
{
    const PictureKey key {control.picture.cacheKey(), control.width, control.height, control.stretch,
                          FPDFCompressionOn};
    auto found = m_encodedBitmaps.constFind(key);
    if (found != m_encodedBitmaps.constEnd())
        return *found;
    const pdfencoding::RasterizedPicture bitmap = pdfencoding::rasterizePicture(control);
    EncodedBitmap encoded;
    encoded.width = bitmap.width;
    encoded.height = bitmap.height;
    if (bitmap.width > 0 && bitmap.height > 0)
        encoded.picture = pdfencoding::encodePictureData(bitmap.rgb, FPDFCompressionOn);
    return *m_encodedBitmaps.insert(key, encoded);
}

void PDFDocumentFilter::AcceptGraphic(double xOffset, double yOffset, const GraphicControl& control)
{
    if (const auto* picture = std::get_if<PictureControl>(&control)) {
        ensurePage();
        const EncodedBitmap& bitmap = encodedBitmap(*picture);
        if (bitmap.width <= 0 || bitmap.height <= 0)
            return;
        TPDFItemRec item;
        item.ItemType = TPDFItemType::IT_IMAGE;
        item.XPos = xOffset * m_horizontalScale;
        item.YPos = (yOffset + picture->height) * m_verticalScale;
        item.Width = bitmap.width * m_horizontalScale;
        item.Height = bitmap.height * m_horizontalScale;
        item.xscale = double(picture->width) / bitmap.width;
        item.yscale = double(picture->height) / bitmap.height;
        item.pixelWidth = bitmap.width;
        item.pixelHeight = bitmap.height;
        item.imgstr = bitmap.picture.data;
        item.ImageFilter = bitmap.picture.filter;
        renderItem(item);
        return;
    }

    ensurePage();
    TPDFItemRec item;
    item.ItemType = TPDFItemType::IT_GRAPHIC;
    item.XPos = xOffset * m_horizontalScale;
    item.YPos = yOffset * m_verticalScale;
    if (const auto* rule = std::get_if<RuleControl>(&control)) {
        item.Shape = TPDFShapeType::S_HLINE;
        item.Width = rule->width * m_horizontalScale;
        item.Height = rule->height * m_horizontalScale;
        item.thickness = rule->pen.width * m_horizontalScale;
        item.RGBStrokeColor = rgbOf(rule->pen.color);
        item.Filled = false;
        renderItem(item);
        return;
    }
    if (const auto* shape = std::get_if<ShapeControl>(&control)) {
        item.Shape = shapeOf(shape->shape);
        item.Width = shape->width * m_horizontalScale;
        item.Height = shape->height * m_horizontalScale;
        item.thickness = shape->pen.width * m_horizontalScale;
        item.RGBStrokeColor = rgbOf(shape->pen.color);
        item.RGBFColor = rgbOf(shape->brush.color);
        if (shape->brush.style != BrushStyle::Clear) {
            item.Filled = true;
            renderItem(item);
        }
        if (shape->pen.style != PenStyle::Clear) {
            item.Filled = false;
            renderItem(item);
        }
        return;
    }
    item.ItemType = TPDFItemType::IT_INVALID;
    renderItem(item);
}

void PDFDocumentFilter::renderItem(const TPDFItemRec& item)
{
    switch (item.ItemType) {
    case TPDFItemType::IT_TEXT: renderText(item); return;
    case TPDFItemType::IT_GRAPHIC: renderShape(item); return;
    case TPDFItemType::IT_IMAGE: renderImage(item); return;
    case TPDFItemType::IT_NEWPAGE: return;
    case TPDFItemType::IT_INVALID: break;
    }
    throw Error(QStringLiteral("Internal error: IT_INVALID"));
}

QByteArray PDFDocumentFilter::escapedText(const QString& text, int charset)
{
    const Codepage* page = pdffonts::codePageOf(charset);
    return escapedText(text, page ? page : Codepage::windows(1252));
}

QByteArray PDFDocumentFilter::escapedText(const QString& text, const Codepage* page)
{
    QByteArray out(text.size() * 4, Qt::Uninitialized);
    out.resize(putEscaped(out.data(), text, page) - out.constData());
    return out;
}

const PDFDocumentFilter::FontInUse& PDFDocumentFilter::fontInUse(const QString& name, bool bold, bool italic,
                                                                 int charset)
{
    for (const FontInUse& font : m_fontsInUse) {
        if (font.bold == bold && font.italic == italic && font.charset == charset && font.name == name)
            return font;
    }
    pdffonts::FontKey key;
    key.faceName = name.trimmed();
    key.bold = bold;
    key.italic = italic;
    key.charset = charset;
    FontInUse font;
    font.name = name;
    font.bold = bold;
    font.italic = italic;
    font.charset = charset;
    font.index = fontIndex(key);
    font.selector = '/' + pdffonts::resourceName(font.index) + ' ';
    font.codePage = pdffonts::codePageOf(charset);
    if (!font.codePage)
        font.codePage = Codepage::windows(1252);
    m_fontsInUse.push_back(font);
    return m_fontsInUse.back();
}

// In points at `size`, from the widths the document's /Widths array carries.
double PDFDocumentFilter::textWidth(const FontInUse& font, int size, const QString& text) const
{
    if (!font.metrics) {
        pdffonts::FontKey key;
        key.faceName = font.name.trimmed();
        key.bold = font.bold;
        key.italic = font.italic;
        key.charset = font.charset;
        const_cast<FontInUse&>(font).metrics = &pdffonts::metricsOf(key);
    }
    qint64 thousandths = 0;
    const QChar* characters = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = characters[i].unicode();
        int byte = unit < 0x80 ? int(unit) : -1;
        if (byte < 0 && !QChar::isSurrogate(unit))
            byte = font.codePage ? font.codePage->byteOf(unit) : -1;
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && characters[i + 1].isLowSurrogate())
            ++i;
        thousandths += font.metrics->widths[size_t(byte < 0 ? '?' : byte)];
    }
    return double(thousandths) * size / 1000.0;
}

void PDFDocumentFilter::renderText(const TPDFItemRec& item)
{
    writeText(fontInUse(item.FontName, item.fbold, item.fItalic, item.FontCharset), item.FontSize, item.RGBFColor,
              item.XPos, item.YPos, item.FText);
}

void PDFDocumentFilter::writeText(const FontInUse& font, int size, const RGBColor& color, double x, double y,
                                  const QString& content)
{
    if (m_lastColorText.isEmpty() || color != m_lastColor) {
        m_lastColor = color;
        m_lastColorText = colorText(color) + " rg\r\n";
    }
    // The colour line, "/Fnn size Tf", " 1 0 0 1 x y Tm (" and ") Tj" with
    // three numbers of at most 20 characters, and the escaped text.
    QByteArray& text = m_page.text;
    const qsizetype most = m_lastColorText.size() + font.selector.size() + 3 * 20 + 32 + content.size() * 4;
    char* out = beginAppend(text, most);
    out = put(out, m_lastColorText);
    out = put(out, font.selector);
    out = putNumber(out, size);
    out = put(out, " Tf\r\n 1 0 0 1 ");
    out = putNumber(out, truncated(x));
    *out++ = ' ';
    out = putNumber(out, truncated(FPageHeight - y));
    out = put(out, " Tm (");
    out = putEscaped(out, content, font.codePage);
    out = put(out, ") Tj\r\n");
    endAppend(text, out);
}

void PDFDocumentFilter::renderShape(const TPDFItemRec& item)
{
    const double x = item.XPos;
    const double t = FPageHeight - item.YPos;
    const double w = item.Width;
    const double h = item.Height;
    const double rx = w / 2;
    const double ry = h / 2;
    const QByteArray lineWidth = fixed(item.thickness, 0, 2) + " w";
    const QByteArray stroke = colorText(item.RGBStrokeColor) + " RG";

    switch (item.Shape) {
    case TPDFShapeType::S_BOX: {
        addGraphicsLine(fixed(item.thickness, 2) + " w");
        const QByteArray rectangle =
            integer(x) + ' ' + integer(t - h) + ' ' + integer(w) + ' ' + integer(h) + " re ";
        if (item.Filled) {
            addGraphicsLine(colorText(item.RGBFColor) + " rg");
            addGraphicsLine(rectangle + 'f');
        } else {
            addGraphicsLine(stroke);
            addGraphicsLine(rectangle + 's');
        }
        return;
    }
    case TPDFShapeType::S_CIRCLE: {
        constexpr double k = 0.55229;
        addGraphicsLine(lineWidth);
        addGraphicsLine(item.Filled ? colorText(item.RGBFColor) + " rg" : stroke);
        addGraphicsLine(fixed(x + rx, 1, 6) + ' ' + fixed(t, 1, 6) + " m");
        const double arcs[4][6] = {
            {x + rx + k * rx, t, x + w, t - ry + k * ry, x + w, t - ry},
            {x + w, t - ry - k * ry, x + rx + k * rx, t - h, x + rx, t - h},
            {x + rx - k * rx, t - h, x, t - ry - k * ry, x, t - ry},
            {x, t - ry + k * ry, x + rx - k * rx, t, x + rx, t},
        };
        for (int arc = 0; arc < 4; ++arc) {
            QByteArray line;
            for (double number : arcs[arc])
                line += ' ' + fixed(number, 1, 6) + ' ';
            line = line.trimmed() + " c";
            if (arc == 3)
                line += item.Filled ? " f" : " s";
            addGraphicsLine(line);
        }
        return;
    }
    case TPDFShapeType::S_HLINE:
        addGraphicsLine(lineWidth);
        addGraphicsLine(stroke);
        addGraphicsLine(segment(x, t - h / 2, x + w, t - h / 2));
        return;
    case TPDFShapeType::S_VLINE:
        addGraphicsLine(lineWidth);
        addGraphicsLine(stroke);
        addGraphicsLine(segment(x + w / 2, t - h, x + w / 2, t));
        return;
    case TPDFShapeType::S_TOPBOTTOM:
        addGraphicsLine(lineWidth);
        addGraphicsLine(stroke);
        addGraphicsLine(segment(x, t, x + w, t));
        addGraphicsLine(segment(x, t - h, x + w, t - h));
        return;
    case TPDFShapeType::S_LEFTRIGHT:
        addGraphicsLine(lineWidth);
        addGraphicsLine(stroke);
        addGraphicsLine(segment(x, t - h, x, t));
        addGraphicsLine(segment(x + w, t - h, x + w, t));
        return;
    case TPDFShapeType::S_RIGHTDIAG:
        addGraphicsLine(lineWidth);
        addGraphicsLine(stroke);
        addGraphicsLine(segment(x, t, x + w, t - h));
        return;
    case TPDFShapeType::S_LEFTDIAG:
        addGraphicsLine(lineWidth);
        addGraphicsLine(stroke);
        addGraphicsLine(segment(x, t - h, x + w, t));
        return;
    case TPDFShapeType::S_OBLIQUE:
        return;
    }
}

void PDFDocumentFilter::renderImage(const TPDFItemRec& item)
{
    addGraphicsLine("q " + integer(item.Width * item.xscale) + " 0 0 " + integer(item.Height * item.yscale) + ' '
                    + integer(item.XPos) + ' ' + integer(FPageHeight - item.YPos) + " cm");
    addGraphicsLine("BI");
    addGraphicsLine("/Width " + QByteArray::number(item.pixelWidth));
    addGraphicsLine("/Height " + QByteArray::number(item.pixelHeight));
    addGraphicsLine("/BitsPerComponent 8");
    addGraphicsLine("/ColorSpace /DeviceRGB");
    addGraphicsLine("/Filter [" + item.ImageFilter + ']');
    addGraphicsLine("ID");
    addGraphicsLine(item.imgstr);
    addGraphicsLine("EI");
    addGraphicsLine("Q");
}

void PDFDocumentFilter::Finish()
{
    ensurePage();
    endPage();
    const Document document = assemble();
    m_active = false;
    writeFile(document);
}

PDFDocumentFilter::Document PDFDocumentFilter::assemble() const
{
    const int pageCount = int(m_pageOffsets.size() / 2);
    const int fontCount = int(m_fonts.size());
    const int infoObject = 2 * pageCount + 4 + 2 * fontCount;
    const int procSetObject = infoObject + 1;
    const int objectCount = procSetObject;

    Document document;
    document.body = m_body;
    std::vector<qsizetype> offsets(size_t(objectCount) + 1, 0);

    QByteArray* part = &document.head;
    qsizetype partStart = 0; // the part's offset in the file
    auto line = [&part](const QByteArray& text) {
        part->append(text);
        part->append("\r\n");
    };
    auto object = [&](int number) {
        offsets[size_t(number)] = partStart + part->size();
        line(QByteArray::number(number) + " 0 obj");
    };

    line("%PDF-1.3");
    line(ascii(QString(QChar(u'%')) + QChar(0x00C5) + QChar(0x00AD) + QChar(u'o') + QChar(0x0081)));

    object(1);
    for (const char* text : {"<<", "/Type /Catalog", "/Pages 3 0 R", "/Outlines 2 0 R",
                             "/ViewerPreferences << /HideToolbar false /FitWindow true >>", ">>", "endobj"})
        line(text);
    object(2);
    for (const char* text : {"<<", "/Type /Outlines", "/Count 0", ">>", "endobj"})
        line(text);

    object(3);
    line("<<");
    line("/Type /Pages");
    line("/Count " + QByteArray::number(pageCount));
    QByteArray kids;
    kids.reserve(qsizetype(pageCount) * 12 + 16);
    kids.append("/Kids [");
    for (int i = 0; i < pageCount; ++i) {
        char number[24];
        if (i > 0)
            kids.append(' ');
        kids.append(number, std::to_chars(number, number + sizeof number, 2 * i + 4).ptr - number);
        kids.append(" 0 R");
    }
    kids.append(']');
    line(kids);
    const PageSize& firstPage = m_pageSizes.front();
    line("/MediaBox [0 0 " + integer(firstPage.width) + ' ' + integer(firstPage.height) + ']');
    line("/Resources << ");
    line("/Font << ");
    for (int j = 0; j < fontCount; ++j)
        line("  /" + pdffonts::resourceName(j) + ' ' + QByteArray::number(2 * pageCount + 4 + 2 * j) + " 0 R ");
    line("  >>");
    line("/ProcSet " + QByteArray::number(procSetObject) + " 0 R");
    line(">>");
    line(">>");
    line("endobj");

    for (int number = 4; number < 2 * pageCount + 4; ++number)
        offsets[size_t(number)] = document.head.size() + m_pageOffsets[size_t(number - 4)];

    part = &document.tail;
    partStart = document.head.size() + document.body.size();
    for (int j = 0; j < fontCount; ++j) {
        const int first = 2 * pageCount + 4 + 2 * j;
        const pdffonts::FontResource resource = pdffonts::fontResourceLines(m_fonts[j], j, first);
        offsets[size_t(first)] = partStart + part->size();
        for (const QByteArray& text : resource.font)
            line(text);
        offsets[size_t(first + 1)] = partStart + part->size();
        for (const QByteArray& text : resource.descriptor)
            line(text);
    }

    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    const QString created =
        locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') + locale.toString(now.time(), QLocale::LongFormat);
    object(infoObject);
    line("<<");
    line("/CreationDate (" + literal(created) + ')');
    line("/Producer (Orvandel PDF Export)");
    line("/Subject (" + literal(m_subject) + " )");
    line("/Creator (" + literal(m_creator) + ')');
    line("/Title (" + literal(m_title) + ')');
    line("/Author (" + literal(m_author) + ')');
    line(">>");
    line("endobj");
    object(procSetObject);
    line("[/PDF /Text]");
    line("endobj");

    const qsizetype xref = partStart + part->size();
    line("xref");
    line("0 " + QByteArray::number(objectCount + 1));
    // Every entry is exactly 20 bytes: ten digits, " 00000 n", CR LF.
    char* out = beginAppend(*part, 20 * qsizetype(objectCount + 1));
    out = put(out, "0000000000 65535 f\r\n");
    for (int number = 1; number <= objectCount; ++number) {
        char digits[24];
        const qsizetype size = std::to_chars(digits, digits + sizeof digits, offsets[size_t(number)]).ptr - digits;
        for (qsizetype i = size; i < 10; ++i)
            *out++ = '0';
        out = put(out, digits, size);
        out = put(out, " 00000 n\r\n");
    }
    endAppend(*part, out);
    line("trailer");
    line("<<");
    line("/Size " + QByteArray::number(objectCount + 1));
    line("/Root 1 0 R");
    line("/Info " + QByteArray::number(infoObject) + " 0 R");
    line(">>");
    line("startxref");
    line(QByteArray::number(xref));
    line("%%EOF");
    return document;
}

void PDFDocumentFilter::writeFile(const Document& document) const
{
    QSaveFile file(m_fileName);
    auto failed = [&file, this]() {
        return Error(QStringLiteral("Cannot create file \"%1\". %2").arg(m_fileName, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        throw failed();
    for (const QByteArray* part : {&document.head, &document.body, &document.tail}) {
        if (file.write(*part) != part->size())
            throw failed();
    }
    if (!file.commit())
        throw failed();
}
