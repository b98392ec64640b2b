#pragma once

#include "report/PdfNumbers.h"

#include <QByteArray>
#include <QString>

class Codepage;

namespace pdfoutput {
class CountingSink;
}

// One page of a PDF document: its content stream as the items are drawn onto
// it, and its two objects (the page and its content) once the document is
// written.
namespace pdfpage {

class Page
{
public:
    Page(double width, double height)
        : m_width(width)
        , m_height(height)
    {
    }

    double width() const { return m_width; }

    // Room for content of the size of `other`'s, so that pages alike grow in one step.
    void reserveLike(const Page& other);
    double height() const { return m_height; }

    // A line of the graphics part, which comes before the text; CR LF is added.
    void addGraphicsLine(const QByteArray& line);

    // A text's lines: the colour, "/Fnn size Tf" (`selector` is "/Fnn "), the
    // position (x from the left, y the baseline from the top, in points) and
    // the text in the font's code page.
    void writeText(const QByteArray& selector, const Codepage* codePage, int size, const pdfnumbers::RGBColor& color,
                   double x, double y, const QString& content);

    // Closes the text part with "ET"; once only.
    void end();

    // The page object `pageObject`, under page tree 3, and its content
    // stream as object `pageObject` + 1.
    void writeObjects(pdfoutput::CountingSink& out, int pageObject) const;

private:
    double m_width = 0;  // points
    double m_height = 0; // points
    QByteArray m_graphics; // lines, each ended by CR LF
    QByteArray m_text;     // lines, each ended by CR LF; "ET" last once ended
    bool m_ended = false;
    pdfnumbers::RGBColor m_lastColor {};
    QByteArray m_lastColorText;
};

} // namespace pdfpage
