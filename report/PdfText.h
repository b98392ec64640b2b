#pragma once

#include <QByteArray>
#include <QString>

class Codepage;

// Text as it stands in a PDF document of 7-bit ASCII.
namespace pdftext {

// The output encoding: 7-bit ASCII, one "?" for every other character.
QByteArray ascii(const QString& text);

// A PDF literal string's content for a text of our own (dates, names).
QByteArray literal(const QString& text);

// Writes `text` as it stands between the parentheses of Tj and returns the
// end of what was written: "\", "(" and ")" escaped, control characters and
// bytes above 7-bit ASCII in `page` as three-digit octal escapes, "?" for a
// character `page` lacks (a surrogate pair is one "?"). At most four bytes
// for each UTF-16 unit.
char* putEscaped(char* out, const QString& text, const Codepage* page);

QByteArray escaped(const QString& text, const Codepage* page);

}  // namespace pdftext
