#include "PDFDocumentFilter.h"

#include "Codepage.h"
#include "Error.h"

#include <QDateTime>
#include <QLocale>
#include <QSaveFile>
#include <charconv>
#include <cmath>
#include <limits>

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
    Page page;
    page.width = FPageWidth;
    page.height = FPageHeight;
    m_pages.push_back(std::move(page));
    FMadeFirstPageFiles = true;
}

void PDFDocumentFilter::endPage()
{
    Page& page = m_pages.back();
    if (page.ended)
        return;
    page.text.append("ET\r\n");
    page.ended = true;
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
    QByteArray& graphics = m_pages.back().graphics;
    graphics.append(line);
    graphics.append("\r\n");
}

void PDFDocumentFilter::addTextLine(const QByteArray& line)
{
    QByteArray& text = m_pages.back().text;
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
    if (alignment != Alignment::LeftJustify) {
        const FontInUse& measured = fontInUse(font.name, font.bold, font.italic, font.charset);
        const double width = roundEven(textWidth(measured, font.size, text) * report.xFactor * 254.0 / 72.0);
        if (alignment == Alignment::RightJustify)
            deviceX -= width;
        else
            deviceX -= std::trunc(width / 2);
    }
    TPDFItemRec item;
    item.ItemType = TPDFItemType::IT_TEXT;
    item.XPos = deviceX * m_horizontalScale;
    item.YPos = font.size + deviceY * m_verticalScale;
    item.FontName = font.name;
    item.FText = text;
    item.FontCharset = font.charset;
    item.FontSize = font.size;
    item.fbold = font.bold;
    item.fItalic = font.italic;
    item.FAlignment = int(alignment);
    item.RGBFColor = rgbOf(font.color);
    renderItem(item);
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
    QByteArray out;
    out.reserve(text.size() + 8);
    const QChar* characters = text.constData();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
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
                out.append('\\');
            out.append(char(byte));
        } else if (byte < 0) {
            out.append('?');
        } else {
            const char octal[4] = {'\\', char('0' + (byte >> 6)), char('0' + ((byte >> 3) & 7)), char('0' + (byte & 7))};
            out.append(octal, 4);
        }
    }
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
    const FontInUse& font = fontInUse(item.FontName, item.fbold, item.fItalic, item.FontCharset);
    if (m_lastColorText.isEmpty() || item.RGBFColor != m_lastColor) {
        m_lastColor = item.RGBFColor;
        m_lastColorText = colorText(item.RGBFColor) + " rg\r\n";
    }
    QByteArray& text = m_pages.back().text;
    if (text.capacity() - text.size() < item.FText.size() * 4 + 128)
        text.reserve(std::max<qsizetype>(text.capacity() * 2, 16384));
    text.append(m_lastColorText);
    text.append(font.selector);
    char number[24];
    text.append(number, std::to_chars(number, number + sizeof number, item.FontSize).ptr - number);
    text.append(" Tf\r\n 1 0 0 1 ");
    text.append(number, std::to_chars(number, number + sizeof number, truncated(item.XPos)).ptr - number);
    text.append(' ');
    text.append(number, std::to_chars(number, number + sizeof number, truncated(FPageHeight - item.YPos)).ptr - number);
    text.append(" Tm (");
    text.append(escapedText(item.FText, font.codePage));
    text.append(") Tj\r\n");
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
    const QByteArray document = assemble();
    m_active = false;
    writeFile(document);
}

QByteArray PDFDocumentFilter::assemble() const
{
    const int pageCount = int(m_pages.size());
    const int fontCount = int(m_fonts.size());
    const int infoObject = 2 * pageCount + 4 + 2 * fontCount;
    const int procSetObject = infoObject + 1;
    const int objectCount = procSetObject;

    qsizetype expected = 4096 + fontCount * 4096;
    for (const Page& page : m_pages)
        expected += page.graphics.size() + page.text.size() + 200;
    QByteArray document;
    document.reserve(expected);
    std::vector<qsizetype> offsets(size_t(objectCount) + 1, 0);

    auto line = [&document](const QByteArray& text) {
        document.append(text);
        document.append("\r\n");
    };
    auto object = [&](int number) {
        offsets[size_t(number)] = document.size();
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
    for (int i = 0; i < pageCount; ++i)
        kids += QByteArray::number(2 * i + 4) + " 0 R ";
    line("/Kids [" + kids.trimmed() + ']');
    line("/MediaBox [0 0 " + integer(m_pages.front().width) + ' ' + integer(m_pages.front().height) + ']');
    line("/Resources << ");
    line("/Font << ");
    for (int j = 0; j < fontCount; ++j)
        line("  /" + pdffonts::resourceName(j) + ' ' + QByteArray::number(2 * pageCount + 4 + 2 * j) + " 0 R ");
    line("  >>");
    line("/ProcSet " + QByteArray::number(procSetObject) + " 0 R");
    line(">>");
    line(">>");
    line("endobj");

    for (int i = 0; i < pageCount; ++i) {
        const Page& page = m_pages[size_t(i)];
        object(2 * i + 4);
        line("<<");
        line("/Type /Page");
        line("/Parent 3 0 R");
        line("/Contents " + QByteArray::number(2 * i + 5) + " 0 R");
        line("/MediaBox [0 0 " + integer(page.width) + ' ' + integer(page.height) + ']');
        line(">>");
        line("endobj");
        object(2 * i + 5);
        const qsizetype separator = page.graphics.isEmpty() ? 0 : 2;
        const qsizetype length = page.graphics.size() + separator + 4 + page.text.size();
        line("<< /Length " + QByteArray::number(length) + " >>");
        line("stream");
        if (!page.graphics.isEmpty()) {
            document.append(page.graphics);
            line(QByteArray());
        }
        line("BT");
        document.append(page.text);
        line(QByteArray());
        line("endstream");
        line("endobj");
    }

    for (int j = 0; j < fontCount; ++j) {
        const int first = 2 * pageCount + 4 + 2 * j;
        const pdffonts::FontResource resource = pdffonts::fontResourceLines(m_fonts[j], j, first);
        offsets[size_t(first)] = document.size();
        for (const QByteArray& text : resource.font)
            line(text);
        offsets[size_t(first + 1)] = document.size();
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

    const qsizetype xref = document.size();
    line("xref");
    line("0 " + QByteArray::number(objectCount + 1));
    line("0000000000 65535 f");
    for (int number = 1; number <= objectCount; ++number)
        line(QByteArray::number(offsets[size_t(number)]).rightJustified(10, '0') + " 00000 n");
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

void PDFDocumentFilter::writeFile(const QByteArray& document) const
{
    QSaveFile file(m_fileName);
    auto failed = [&file, this]() {
        return Error(QStringLiteral("Cannot create file \"%1\". %2").arg(m_fileName, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        throw failed();
    if (file.write(document) != document.size())
        throw failed();
    if (!file.commit())
        throw failed();
}
