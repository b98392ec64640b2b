#pragma once

#include "report/PdfNumbers.h"

#include <QByteArray>
#include <QString>

class Codepage;

namespace pdfoutput {
class CountingSink;
}

// The page of a PDF document being written: its content stream as the items
// are drawn onto it, and its two objects (the page and its content) once it
// has ended. The buffers keep their room from one page to the next.
namespace pdfpage {

class Page
{
public:
    // Empties the page for the next one, of this size in points.
    void start(double width, double height);

    double width() const { return m_width; }
    double height() const { return m_height; }

    // A line of the graphics part, which comes before the text; CR LF is added.
    void addGraphicsLine(const QByteArray& line);

    // A text's lines: the colour, "/Fnn size Tf" (`selector` is "/Fnn "), the
    // position (x from the left, y the baseline from the top, in points) and
    // the text in the font's code page.
    void writeText(const QByteArray& selector, const Codepage* codePage, int size, const pdfnumbers::RGBColor& color,
        double x, double y, const QString& content);

    // Closes the text part with "ET" and returns true, once only after start().
    bool end();

    // The page object `pageObject`, under page tree 3, and its content
    // stream as object `pageObject` + 1.
    void writeObjects(pdfoutput::CountingSink& out, int pageObject) const;

private:
    double m_width = 0;     // points
    double m_height = 0;    // points
    QByteArray m_graphics;  // lines, each ended by CR LF
    QByteArray m_text;      // lines, each ended by CR LF; "ET" last once ended
    bool m_ended = true;
    pdfnumbers::RGBColor m_lastColor{};
    QByteArray m_lastColorText;
};

}  // namespace pdfpage
