#pragma once

#include "report/ReportDefinition.h"

#include <QImage>
#include <QString>

// Building blocks of the program's reports (the control report, the
// certificates): designed in millimetres for a screen of 96 pixels per inch,
// every control on a white background with black text.
namespace reportlayout {

// Device units per tenth of a millimetre at the screen resolution the
// reports are laid out for.
inline constexpr double pixelsPerInch = 96;
inline constexpr double devicePerTenth = pixelsPerInch / 254.0;

// The reports are designed in millimetres; the engine works in tenths.
constexpr double millimetres(double value)
{
    return value * 10;
}

ReportFont arial(int size, bool bold = false);

// Height of an auto-size label: its font's line, in whole pixels.
double labelHeight(const ReportFont& font);

// An auto-size text control, as wide as `widthText` printed in `font`;
// `left` and `top` in millimetres, `height` in tenths.
ReportControl textControl(ControlKind kind, const QString& name, const QString& widthText, double left, double top,
    double height, const ReportFont& font, bool wordWrap);

// An auto-size label, left-aligned; `left` and `top` in millimetres.
ReportControl label(const QString& name, const QString& caption, double left, double top, const ReportFont& font);

// An auto-size text whose right edge stays at `right` (millimetres) whatever
// its text; `designText` gives its width in the design.
ReportControl rightAligned(
    ControlKind kind, const QString& name, const QString& designText, double right, double top, const ReportFont& font);

// A picture control; sizes in millimetres. `ownSize` draws it at its own
// size, otherwise at the box's.
ReportControl picture(
    const QString& name, const QImage& image, double left, double top, double width, double height, bool ownSize);

// A band as wide as the printable width of an A4 page with margins of 10 mm;
// `height` in millimetres.
ReportBand band(BandType type, const QString& name, double height);

}  // namespace reportlayout
