#include "declaration/ReportLayout.h"

#include "report/FontSource.h"

#include <cmath>

namespace reportlayout {

ReportFont arial(int size, bool bold)
{
    ReportFont font;
    font.name = QStringLiteral("Arial");
    font.size = size;
    font.bold = bold;
    return font;
}

double labelHeight(const ReportFont& font)
{
    return std::ceil(fontsource::lineHeight(font, pixelsPerInch)) / devicePerTenth;
}

ReportControl textControl(ControlKind kind, const QString& name, const QString& widthText, double left, double top,
    double height, const ReportFont& font, bool wordWrap)
{
    ReportControl control;
    control.kind = kind;
    control.name = name;
    control.left = millimetres(left);
    control.top = millimetres(top);
    control.font = font;
    control.width = fontsource::textWidth(font, widthText, pixelsPerInch) / devicePerTenth;
    control.height = height;
    control.autoSize = true;
    control.wordWrap = wordWrap;
    control.color = Qt::white;
    control.transparent = false;
    return control;
}

ReportControl label(const QString& name, const QString& caption, double left, double top, const ReportFont& font)
{
    ReportControl control =
        textControl(ControlKind::FixedText, name, caption, left, top, labelHeight(font), font, false);
    control.caption = caption;
    return control;
}

ReportControl rightAligned(
    ControlKind kind, const QString& name, const QString& designText, double right, double top, const ReportFont& font)
{
    ReportControl control = textControl(kind, name, designText, 0, top, labelHeight(font), font, false);
    control.alignment = Alignment::RightJustify;
    control.left = millimetres(right) - control.width;
    if (kind == ControlKind::FixedText)
        control.caption = designText;
    return control;
}

ReportControl picture(
    const QString& name, const QImage& image, double left, double top, double width, double height, bool ownSize)
{
    ReportControl control;
    control.kind = ControlKind::Picture;
    control.name = name;
    control.picture = image;
    control.left = millimetres(left);
    control.top = millimetres(top);
    control.width = millimetres(width);
    control.height = millimetres(height);
    control.autoSize = ownSize;
    control.stretch = false;
    return control;
}

ReportBand band(BandType type, const QString& name, double height)
{
    ReportBand result;
    result.type = type;
    result.name = name;
    result.height = millimetres(height);
    result.width = millimetres(189.97);
    result.color = Qt::white;
    result.transparent = false;
    return result;
}

}  // namespace reportlayout
