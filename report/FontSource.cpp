#include "report/FontSource.h"

#include "report/PdfFonts.h"

#include <QFont>
#include <QFontMetricsF>
#include <cmath>

namespace fontsource {

double textWidth(const ReportFont& font, const QString& text, double pixelsPerInch)
{
    // The same advance widths the document's /Widths array carries, so that
    // alignment and auto-size agree with what a viewer draws.
    return pdffonts::textWidth(font, text, pixelsPerInch);
}

double lineHeight(const ReportFont& font, double pixelsPerInch)
{
    QFont qfont(font.name);
    qfont.setPixelSize(qMax(1, int(std::lround(font.size * pixelsPerInch / 72.0))));
    qfont.setBold(font.bold);
    qfont.setItalic(font.italic);
    qfont.setStyleStrategy(QFont::PreferOutline);
    return QFontMetricsF(qfont).height();
}

}  // namespace fontsource
