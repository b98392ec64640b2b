#pragma once

#include "report/ReportTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

class Codepage;

// Fonts of a PDF document: the key that identifies a font resource, the
// metrics of the installed font it resolves to, and the font and
// font-descriptor objects written for it (TrueType, not embedded).
namespace pdffonts {

struct FontKey {
    QString faceName; // leading and trailing blanks removed
    bool bold = false;
    bool italic = false;
    int charset = 1;

    static FontKey of(const ReportFont& font);

    // "B" if bold, then "I" if italic.
    QString style() const;
    // The face name without blanks, then ",Bold", ",Italic" or ",BoldItalic".
    QString baseFontName() const;
    // The four fields joined by tabs: face, style, character set, base font.
    QString text() const;
};

// Metrics of one font at an em of 1000 units. Only the fields the document
// uses are measured; the others keep their zero values.
struct FontMetrics {
    int firstChar = 0;
    int lastChar = 255;
    int flags = 0;
    int numMetrics = 256;
    qint16 ascent = 0;
    qint16 descent = 0; // negative below the baseline, as PDF wants it
    double italicAngle = 0;
    std::array<int, 4> boundingBox {};
    std::array<int, 256> widths {};
    int capHeight = 0;
    int stemV = 0;
    int stemH = 0;
    int xHeight = 0;
    int mapMode = 0;
    int fileLength = 0;
};

// Windows code page number of a character set number (1252 for 0, 1 and
// every number without a code page of its own).
int codePageNumber(int charset);

// The code page table of a character set, or null when the platform does not
// have it.
const Codepage* codePageOf(int charset);

// Measures the installed font that the key's face resolves to (or the one the
// platform substitutes for it). Results are kept for the run of the program.
// Throws Error "GetFontData error" when the font file's tables cannot be read
// and "Font widths for ... not obtainable (...)" when there is no font.
const FontMetrics& metricsOf(const FontKey& key);

// Flags of the font descriptor for the high byte of the OS/2 family class.
int flagsForFamilyClass(int familyClass);

// " <</Type/Encoding /Differences [ 2 /name/name...]>>" for the character
// set's code page, or the /BaseEncoding /WinAnsiEncoding dictionary when the
// code page is not available.
QByteArray encodingText(int charset);

// "F00", "F01", ..., "F99", "F100".
QByteArray resourceName(int index);

struct FontResource {
    QList<QByteArray> font;       // object `firstObjectNumber`
    QList<QByteArray> descriptor; // the next object
};

// The lines of the font object and of its descriptor.
FontResource fontResourceLines(const FontKey& key, int index, int firstObjectNumber);

// The advance width of `text` in `font` at `pixelsPerInch`, in device units,
// from the same widths the document's /Widths array carries.
double textWidth(const ReportFont& font, const QString& text, double pixelsPerInch);

} // namespace pdffonts
