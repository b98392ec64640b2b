#include "report/FontSource.h"

#include "report/PdfFonts.h"

#include <QFont>
#include <QFontMetricsF>
#include <cmath>
#include <utility>
#include <vector>

namespace {

double measuredLineHeight(const ReportFont& font, double pixelsPerInch)
{
    QFont qfont(font.name);
    qfont.setPixelSize(qMax(1, int(std::lround(font.size * pixelsPerInch / 72.0))));
    qfont.setBold(font.bold);
    qfont.setItalic(font.italic);
    qfont.setStyleStrategy(QFont::PreferOutline);
    return QFontMetricsF(qfont).height();
}

}  // namespace

namespace fontsource {

double textWidth(const ReportFont& font, const QString& text, double pixelsPerInch)
{
    // The same advance widths the document's /Widths array carries, so that
    // alignment and auto-size agree with what a viewer draws.
    return pdffonts::textWidth(font, text, pixelsPerInch);
}

double lineHeight(const ReportFont& font, double pixelsPerInch)
{
    // Asked for every text a report prints, for a handful of fonts: each is
    // measured once.
    struct Key
    {
        QString name;
        int size;
        bool bold;
        bool italic;
        double pixelsPerInch;
        bool operator==(const Key&) const = default;
    };
    static std::vector<std::pair<Key, double>> measured;
    const Key key{font.name, font.size, font.bold, font.italic, pixelsPerInch};
    for (const auto& [known, height] : measured) {
        if (known == key)
            return height;
    }
    const double height = measuredLineHeight(font, pixelsPerInch);
    measured.emplace_back(key, height);
    return height;
}

}  // namespace fontsource
