#pragma once

#include <QByteArray>
#include <array>
#include <charconv>
#include <cstring>

// Numbers as the PDF writer puts them into a document, and the appending of
// bytes into a buffer that the writer's stages share.
namespace pdfnumbers {

using RGBColor = std::array<unsigned char, 3>;

// Delphi's Round: nearest integer, ties to even.
double roundEven(double value);

// The "%d" of an extended value: truncated towards zero, kept in range.
qint64 truncated(double value);

// truncated() as decimal digits.
QByteArray integer(double value);

// "%w.df": `decimals` places, halves away from zero, right-aligned in `width`.
QByteArray fixed(double value, int decimals, int width = 0);

// "r g b", each component "%.2f" of its fraction of 255.
QByteArray colorText(const RGBColor& color);

// Makes room for at most `count` more bytes at the end of `buffer` and
// returns where they start; `endAppend` then cuts the buffer at the end of
// what was written. The capacity at least doubles, so a page's text grows in
// a few steps.
char* beginAppend(QByteArray& buffer, qsizetype count);

inline void endAppend(QByteArray& buffer, const char* end)
{
    buffer.resize(end - buffer.constData());
}

inline char* put(char* out, const char* text, qsizetype size)
{
    std::memcpy(out, text, size_t(size));
    return out + size;
}

template <qsizetype N>
inline char* put(char* out, const char (&text)[N])
{
    return put(out, text, N - 1);
}

inline char* put(char* out, const QByteArray& text)
{
    return put(out, text.constData(), text.size());
}

// Decimal digits of an integer; at most 20 characters.
inline char* putNumber(char* out, qint64 value)
{
    return std::to_chars(out, out + 20, value).ptr;
}

}  // namespace pdfnumbers
