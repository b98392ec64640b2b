#include "report/PdfShapes.h"

#include "report/PdfPage.h"

#include <QList>

namespace pdfshapes {

using namespace pdfnumbers;

namespace {

// A shape's box in points, `top` measured from the bottom of the page.
struct Box
{
    double x = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

QByteArray segment(double x1, double y1, double x2, double y2)
{
    return integer(x1) + ' ' + integer(y1) + " m " + integer(x2) + ' ' + integer(y2) + " l s";
}

QByteArray strokeColor(const TPDFItemRec& item)
{
    return colorText(item.RGBStrokeColor) + " RG";
}

void drawRectangle(pdfpage::Page& page, const TPDFItemRec& item, const Box& box)
{
    page.addGraphicsLine(fixed(item.thickness, 2) + " w");
    const QByteArray rectangle = integer(box.x) + ' ' + integer(box.top - box.height) + ' ' + integer(box.width) + ' '
        + integer(box.height) + " re ";
    if (item.Filled) {
        page.addGraphicsLine(colorText(item.RGBFColor) + " rg");
        page.addGraphicsLine(rectangle + 'f');
    } else {
        page.addGraphicsLine(strokeColor(item));
        page.addGraphicsLine(rectangle + 's');
    }
}

// Four Bézier arcs from the top of the ellipse, clockwise.
void drawEllipse(pdfpage::Page& page, const TPDFItemRec& item, const Box& box)
{
    constexpr double k = 0.55229;
    const double x = box.x;
    const double t = box.top;
    const double w = box.width;
    const double h = box.height;
    const double rx = w / 2;
    const double ry = h / 2;
    page.addGraphicsLine(fixed(item.thickness, 0, 2) + " w");
    page.addGraphicsLine(item.Filled ? colorText(item.RGBFColor) + " rg" : strokeColor(item));
    page.addGraphicsLine(fixed(x + rx, 1, 6) + ' ' + fixed(t, 1, 6) + " m");
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
        page.addGraphicsLine(line);
    }
}

// The segments of the line shapes; none for a shape that is not one.
QList<QByteArray> lineSegments(TPDFShapeType shape, const Box& box)
{
    const double x = box.x;
    const double t = box.top;
    const double w = box.width;
    const double h = box.height;
    switch (shape) {
    case TPDFShapeType::S_HLINE:
        return {segment(x, t - h / 2, x + w, t - h / 2)};
    case TPDFShapeType::S_VLINE:
        return {segment(x + w / 2, t - h, x + w / 2, t)};
    case TPDFShapeType::S_TOPBOTTOM:
        return {segment(x, t, x + w, t), segment(x, t - h, x + w, t - h)};
    case TPDFShapeType::S_LEFTRIGHT:
        return {segment(x, t - h, x, t), segment(x + w, t - h, x + w, t)};
    case TPDFShapeType::S_RIGHTDIAG:
        return {segment(x, t, x + w, t - h)};
    case TPDFShapeType::S_LEFTDIAG:
        return {segment(x, t - h, x + w, t)};
    default:
        return {};
    }
}

void drawLines(pdfpage::Page& page, const TPDFItemRec& item, const Box& box)
{
    page.addGraphicsLine(fixed(item.thickness, 0, 2) + " w");
    page.addGraphicsLine(strokeColor(item));
    for (const QByteArray& line : lineSegments(item.Shape, box))
        page.addGraphicsLine(line);
}

}  // namespace

void drawShape(pdfpage::Page& page, const TPDFItemRec& item)
{
    const Box box{item.XPos, page.height() - item.YPos, item.Width, item.Height};
    switch (item.Shape) {
    case TPDFShapeType::S_BOX:
        drawRectangle(page, item, box);
        return;
    case TPDFShapeType::S_CIRCLE:
        drawEllipse(page, item, box);
        return;
    case TPDFShapeType::S_OBLIQUE:
        return;
    case TPDFShapeType::S_HLINE:
    case TPDFShapeType::S_VLINE:
    case TPDFShapeType::S_TOPBOTTOM:
    case TPDFShapeType::S_LEFTRIGHT:
    case TPDFShapeType::S_RIGHTDIAG:
    case TPDFShapeType::S_LEFTDIAG:
        drawLines(page, item, box);
        return;
    }
}

void drawImage(pdfpage::Page& page, const TPDFItemRec& item)
{
    page.addGraphicsLine("q " + integer(item.Width * item.xscale) + " 0 0 " + integer(item.Height * item.yscale) + ' '
        + integer(item.XPos) + ' ' + integer(page.height() - item.YPos) + " cm");
    page.addGraphicsLine("BI");
    page.addGraphicsLine("/Width " + QByteArray::number(item.pixelWidth));
    page.addGraphicsLine("/Height " + QByteArray::number(item.pixelHeight));
    page.addGraphicsLine("/BitsPerComponent 8");
    page.addGraphicsLine("/ColorSpace /DeviceRGB");
    page.addGraphicsLine("/Filter [" + item.ImageFilter + ']');
    page.addGraphicsLine("ID");
    page.addGraphicsLine(item.imgstr);
    page.addGraphicsLine("EI");
    page.addGraphicsLine("Q");
}

}  // namespace pdfshapes
