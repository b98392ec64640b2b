#pragma once

#include "report/PdfNumbers.h"

#include <QByteArray>
#include <QString>

namespace pdfpage {
class Page;
}

enum class TPDFItemType { IT_INVALID, IT_TEXT, IT_NEWPAGE, IT_GRAPHIC, IT_IMAGE };

enum class TPDFShapeType {
    S_BOX,
    S_CIRCLE,
    S_HLINE,
    S_VLINE,
    S_OBLIQUE,
    S_TOPBOTTOM,
    S_LEFTRIGHT,
    S_RIGHTDIAG,
    S_LEFTDIAG,
};

using RGBColor = pdfnumbers::RGBColor;

// One element as the writer renders it; positions and sizes in points.
struct TPDFItemRec
{
    TPDFItemType ItemType = TPDFItemType::IT_INVALID;
    double XPos = 0;
    double YPos = 0;  // from the top: text baseline, shape top, picture bottom
    QString FontName;
    QString FText;
    int FontCharset = 1;
    int FontSize = 0;
    bool fbold = false;
    bool fItalic = false;
    bool Filled = false;
    double Width = 0;
    double Height = 0;
    double thickness = 0;
    double xscale = 1;
    double yscale = 1;
    QByteArray imgstr;
    QByteArray ImageFilter;
    TPDFShapeType Shape = TPDFShapeType::S_BOX;
    int pixelWidth = 0;
    int pixelHeight = 0;
    RGBColor RGBStrokeColor{};
    RGBColor RGBFColor{};
};

// The graphics lines of shapes and pictures.
namespace pdfshapes {

// A shape item, filled or stroked by item.Filled; a rounded rectangle draws
// nothing.
void drawShape(pdfpage::Page& page, const TPDFItemRec& item);

// A picture item as an inline image, scaled and placed by a "cm" of its own.
void drawImage(pdfpage::Page& page, const TPDFItemRec& item);

}  // namespace pdfshapes
