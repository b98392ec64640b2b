#include "FontSource.h"

#include <QFont>
#include <QFontMetricsF>
#include <cmath>

namespace fontsource {

namespace {

QFont qtFont(const ReportFont& font, double pixelsPerInch)
{
    QFont qfont(font.name);
    qfont.setPixelSize(qMax(1, int(std::lround(font.size * pixelsPerInch / 72.0))));
    qfont.setBold(font.bold);
    qfont.setItalic(font.italic);
    qfont.setKerning(false);
    qfont.setStyleStrategy(QFont::PreferOutline);
    return qfont;
}

} // namespace

double textWidth(const ReportFont& font, const QString& text, double pixelsPerInch)
{
    return QFontMetricsF(qtFont(font, pixelsPerInch)).horizontalAdvance(text);
}

double lineHeight(const ReportFont& font, double pixelsPerInch)
{
    return QFontMetricsF(qtFont(font, pixelsPerInch)).height();
}

} // namespace fontsource
