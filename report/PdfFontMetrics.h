#pragma once

#include "report/ReportTypes.h"

#include <QString>
#include <array>

class Codepage;

// The installed fonts behind a PDF document's font resources: the key that
// identifies a resource, the metrics of the font it resolves to, and the one
// measure of a text's width that both the document's /Widths and the
// alignment of text come from.
namespace pdffonts {

struct FontKey
{
    QString faceName;  // leading and trailing blanks removed
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

// Metrics of one font at an em of 1000 units.
struct FontMetrics
{
    int firstChar = 0;
    int lastChar = 255;
    int flags = 0;
    qint16 ascent = 0;
    qint16 descent = 0;  // negative below the baseline, as PDF wants it
    double italicAngle = 0;
    std::array<int, 4> boundingBox{};
    // By byte of the font's code page; the missing glyph's width for a byte
    // without a glyph of its own (control characters, tab included).
    std::array<int, 256> widths{};
};

// Windows code page number of a character set number (1252 for 0, 1 and
// every number without a code page of its own).
int codePageNumber(int charset);

// The code page table of a character set, or null when the platform does not
// have it.
const Codepage* codePageOf(int charset);

// The code page text of the character set is written in: its own, or 1252
// when the platform does not have it.
const Codepage* textCodePageOf(int charset);

// Measures the installed font that the key's face resolves to (or the one the
// platform substitutes for it). Results are kept for the run of the program.
// Throws Error "GetFontData error" when the font file's tables cannot be read
// and "Font widths for ... not obtainable (...)" when there is no font.
const FontMetrics& metricsOf(const FontKey& key);

// Flags of the font descriptor for the high byte of the OS/2 family class.
int flagsForFamilyClass(int familyClass);

// The sum of the widths of the bytes `text` is written as in `page`, "?" for
// a character without a byte (a surrogate pair is one "?"), in thousandths of
// an em.
qint64 widthInThousandths(const FontMetrics& metrics, const Codepage* page, const QString& text);

// The advance width of `text` in `font` at `pixelsPerInch`, in device units,
// from the same widths the document's /Widths array carries.
double textWidth(const ReportFont& font, const QString& text, double pixelsPerInch);

}  // namespace pdffonts
