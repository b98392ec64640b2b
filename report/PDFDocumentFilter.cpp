#include "report/PDFDocumentFilter.h"

#include "core/Codepage.h"
#include "core/Error.h"
#include "report/PdfText.h"

#include <cmath>

using namespace pdfnumbers;

namespace {

const ExportContext defaultContext;

RGBColor rgbOf(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return {(unsigned char)rgb.red(), (unsigned char)rgb.green(), (unsigned char)rgb.blue()};
}

TPDFShapeType shapeOf(ShapeKind kind)
{
    switch (kind) {
    case ShapeKind::Rectangle:
        return TPDFShapeType::S_BOX;
    case ShapeKind::Circle:
        return TPDFShapeType::S_CIRCLE;
    case ShapeKind::HorizontalLine:
        return TPDFShapeType::S_HLINE;
    case ShapeKind::VerticalLine:
        return TPDFShapeType::S_VLINE;
    case ShapeKind::TopAndBottom:
        return TPDFShapeType::S_TOPBOTTOM;
    case ShapeKind::RightAndLeft:
        return TPDFShapeType::S_LEFTRIGHT;
    case ShapeKind::RoundRectangle:
        return TPDFShapeType::S_OBLIQUE;
    case ShapeKind::LeftDiagonal:
        return TPDFShapeType::S_LEFTDIAG;
    case ShapeKind::RightDiagonal:
        return TPDFShapeType::S_RIGHTDIAG;
    }
    return TPDFShapeType::S_OBLIQUE;
}

}  // namespace

PDFDocumentFilter::PDFDocumentFilter(const QString& fileName)
    : m_fileName(fileName)
{
    SetDocumentInfo(QStringLiteral("Orvandel"), QString(), QString(), QString());
}

void PDFDocumentFilter::SetDocumentInfo(
    const QString& creator, const QString& author, const QString& title, const QString& subject)
{
    m_info = {creator, author, title, subject};
}

const ExportContext& PDFDocumentFilter::context() const
{
    return owner() ? *owner() : defaultContext;
}

void PDFDocumentFilter::Start(int paperWidth, int paperHeight, const ReportFont&)
{
    m_paperWidth = paperWidth;
    m_paperHeight = paperHeight;
    m_active = true;
}

void PDFDocumentFilter::startPage()
{
    const ExportContext& report = context();
    m_horizontalScale = 1.0 / (report.xFactor * 10.0) * 72.0 / 25.4;
    m_verticalScale = 1.0 / (report.yFactor * 10.0) * 72.0 / 25.4;
    m_page.start(m_paperWidth * 0.1 * 72.0 / 25.4, m_paperHeight * 0.1 * 72.0 / 25.4);
    if (!m_madePage) {
        m_pageObjects.firstWidth = m_page.width();
        m_pageObjects.firstHeight = m_page.height();
    }
    m_madePage = true;
}

// The page's two objects go to the body at once.
void PDFDocumentFilter::endPage()
{
    if (!m_page.end())
        return;
    m_page.writeObjects(m_body, 2 * m_pageObjects.count + 4);
    ++m_pageObjects.count;
}

void PDFDocumentFilter::ensurePage()
{
    if (!m_madePage)
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

void PDFDocumentFilter::TextOut(
    double x, double y, const ReportFont& font, const QColor&, Alignment alignment, const QString& text)
{
    ensurePage();
    const ExportContext& report = context();
    double deviceX = roundEven(x * report.xFactor);
    const double deviceY = roundEven(y * report.yFactor);
    pdffonts::FontInUse& used = m_fonts.fontInUse(font.name, font.bold, font.italic, font.charset);
    if (alignment != Alignment::LeftJustify) {
        const double points = pdffonts::FontTable::textWidth(used, font.size, text);
        const double width = roundEven(points * report.xFactor * 254.0 / 72.0);
        if (alignment == Alignment::RightJustify)
            deviceX -= width;
        else
            deviceX -= std::trunc(width / 2);
    }
    // What renderItem does with the text item of these values, without
    // building the item.
    page().writeText(used.selector, used.codePage, font.size, rgbOf(font.color), deviceX * m_horizontalScale,
        font.size + deviceY * m_verticalScale, text);
}

const PDFDocumentFilter::EncodedBitmap& PDFDocumentFilter::encodedBitmap(const PictureControl& control)
{
    const PictureKey key{control.picture.cacheKey(), control.width, control.height, control.stretch, FPDFCompressionOn};
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
    ensurePage();
    if (const auto* picture = std::get_if<PictureControl>(&control)) {
        acceptPicture(xOffset, yOffset, *picture);
        return;
    }
    TPDFItemRec item;
    item.ItemType = TPDFItemType::IT_GRAPHIC;
    item.XPos = xOffset * m_horizontalScale;
    item.YPos = yOffset * m_verticalScale;
    if (const auto* rule = std::get_if<RuleControl>(&control))
        acceptRule(item, *rule);
    else if (const auto* shape = std::get_if<ShapeControl>(&control))
        acceptShape(item, *shape);
}

void PDFDocumentFilter::acceptPicture(double xOffset, double yOffset, const PictureControl& picture)
{
    const EncodedBitmap& bitmap = encodedBitmap(picture);
    if (bitmap.width <= 0 || bitmap.height <= 0)
        return;
    TPDFItemRec item;
    item.ItemType = TPDFItemType::IT_IMAGE;
    item.XPos = xOffset * m_horizontalScale;
    item.YPos = (yOffset + picture.height) * m_verticalScale;
    item.Width = bitmap.width * m_horizontalScale;
    item.Height = bitmap.height * m_horizontalScale;
    item.xscale = double(picture.width) / bitmap.width;
    item.yscale = double(picture.height) / bitmap.height;
    item.pixelWidth = bitmap.width;
    item.pixelHeight = bitmap.height;
    item.imgstr = bitmap.picture.data;
    item.ImageFilter = bitmap.picture.filter;
    renderItem(item);
}

void PDFDocumentFilter::acceptRule(TPDFItemRec& item, const RuleControl& rule)
{
    item.Shape = TPDFShapeType::S_HLINE;
    item.Width = rule.width * m_horizontalScale;
    item.Height = rule.height * m_horizontalScale;
    item.thickness = rule.pen.width * m_horizontalScale;
    item.RGBStrokeColor = rgbOf(rule.pen.color);
    item.Filled = false;
    renderItem(item);
}

// The fill first, then the outline.
void PDFDocumentFilter::acceptShape(TPDFItemRec& item, const ShapeControl& shape)
{
    item.Shape = shapeOf(shape.shape);
    item.Width = shape.width * m_horizontalScale;
    item.Height = shape.height * m_horizontalScale;
    item.thickness = shape.pen.width * m_horizontalScale;
    item.RGBStrokeColor = rgbOf(shape.pen.color);
    item.RGBFColor = rgbOf(shape.brush.color);
    if (shape.brush.style != BrushStyle::Clear) {
        item.Filled = true;
        renderItem(item);
    }
    if (shape.pen.style != PenStyle::Clear) {
        item.Filled = false;
        renderItem(item);
    }
}

void PDFDocumentFilter::renderItem(const TPDFItemRec& item)
{
    if (item.ItemType != TPDFItemType::IT_INVALID)
        ensurePage();
    switch (item.ItemType) {
    case TPDFItemType::IT_TEXT:
        renderText(item);
        return;
    case TPDFItemType::IT_GRAPHIC:
        pdfshapes::drawShape(page(), item);
        return;
    case TPDFItemType::IT_IMAGE:
        pdfshapes::drawImage(page(), item);
        return;
    case TPDFItemType::IT_NEWPAGE:
        return;
    case TPDFItemType::IT_INVALID:
        break;
    }
    throw Error(QStringLiteral("Internal error: IT_INVALID"));
}

QByteArray PDFDocumentFilter::escapedText(const QString& text, int charset)
{
    return pdftext::escaped(text, pdffonts::textCodePageOf(charset));
}

void PDFDocumentFilter::renderText(const TPDFItemRec& item)
{
    const pdffonts::FontInUse& font = m_fonts.fontInUse(item.FontName, item.fbold, item.fItalic, item.FontCharset);
    page().writeText(font.selector, font.codePage, item.FontSize, item.RGBFColor, item.XPos, item.YPos, item.FText);
}

void PDFDocumentFilter::Finish()
{
    ensurePage();
    endPage();
    m_pageObjects.objects = &m_body;
    m_pageObjects.bytes = &m_bodyBytes.bytes();
    const pdfdocument::Document document(m_pageObjects, m_fonts.keys(), m_info);
    m_active = false;
    pdfoutput::FileSink file(m_fileName);
    document.write(file);
}
