#include "report/PdfText.h"

#include "core/Codepage.h"

#include <QList>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace pdftext {

namespace {

// Writes the character at `i` of `characters` and returns the index of the
// next one.
inline qsizetype putEscapedCharacter(
    char*& out, const QChar* characters, qsizetype i, qsizetype size, const Codepage* page)
{
    const char16_t unit = characters[i].unicode();
    int byte;
    if (unit < 0x80) {
        byte = unit;
    } else if (QChar::isHighSurrogate(unit) || QChar::isLowSurrogate(unit)) {
        // Outside the code pages: one "?" for the pair.
        if (QChar::isHighSurrogate(unit) && i + 1 < size && characters[i + 1].isLowSurrogate())
            ++i;
        byte = -1;
    } else {
        byte = page ? page->byteOf(unit) : -1;
    }
    if (byte >= 32 && byte < 127) {
        if (byte == '\\' || byte == '(' || byte == ')')
            *out++ = '\\';
        *out++ = char(byte);
    } else if (byte < 0) {
        *out++ = '?';
    } else {
        *out++ = '\\';
        *out++ = char('0' + (byte >> 6));
        *out++ = char('0' + ((byte >> 3) & 7));
        *out++ = char('0' + (byte & 7));
    }
    return i + 1;
}

}  // namespace

QByteArray ascii(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (char32_t character : text.toUcs4())
        out.append(character < 0x80 ? char(character) : '?');
    return out;
}

QByteArray literal(const QString& text)
{
    QByteArray out;
    for (char c : ascii(text)) {
        if (c == '\\' || c == '(' || c == ')')
            out.append('\\');
        out.append(c);
    }
    return out;
}

char* putEscaped(char* out, const QString& text, const Codepage* page)
{
    const QChar* characters = text.constData();
    const qsizetype size = text.size();
    qsizetype i = 0;
#ifdef __SSE2__
    // Eight characters at a time where all are printable ASCII other than
    // "\\", "(" and ")", which is most of a report's text: they are their own
    // bytes. Signed comparisons put units from 0x8000 up below the space, so
    // they take the character-by-character way as they must.
    const __m128i space = _mm_set1_epi16(0x20);
    const __m128i tilde = _mm_set1_epi16(0x7E);
    const __m128i backslash = _mm_set1_epi16('\\');
    const __m128i open = _mm_set1_epi16('(');
    const __m128i close = _mm_set1_epi16(')');
    while (i + 8 <= size) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(characters + i));
        const __m128i outside = _mm_or_si128(_mm_cmplt_epi16(units, space), _mm_cmpgt_epi16(units, tilde));
        const __m128i special = _mm_or_si128(_mm_cmpeq_epi16(units, backslash),
            _mm_or_si128(_mm_cmpeq_epi16(units, open), _mm_cmpeq_epi16(units, close)));
        if (_mm_movemask_epi8(_mm_or_si128(outside, special)) == 0) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
            out += 8;
            i += 8;
        } else {
            // A pair may end past these eight; the next group starts after it.
            const qsizetype groupEnd = i + 8;
            while (i < groupEnd)
                i = putEscapedCharacter(out, characters, i, size, page);
        }
    }
#endif
    while (i < size)
        i = putEscapedCharacter(out, characters, i, size, page);
    return out;
}

QByteArray escaped(const QString& text, const Codepage* page)
{
    QByteArray out(text.size() * 4, Qt::Uninitialized);
    out.resize(putEscaped(out.data(), text, page) - out.constData());
    return out;
}

}  // namespace pdftext
