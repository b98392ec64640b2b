// The PDF writer's text escaping and font keys. Any text, in any character
// set, comes out as 7-bit printable ASCII that stays inside the parentheses
// of a PDF string and reads back, through PDF's string escapes, as the
// text's bytes in the font's code page ("?" for a character it lacks). Font
// keys of different fonts never coincide, and their fields are as written.
#include "fuzz/FuzzSupport.h"

#include "core/Codepage.h"
#include "report/PDFDocumentFilter.h"
#include "report/PdfFonts.h"

#include <fuzzer/FuzzedDataProvider.h>

using fuzzsupport::shown;

namespace {

// The bytes of a PDF literal string's body, or an error: every "(" and ")"
// must be escaped (balanced pairs are legal PDF, but the writer escapes
// them all), a backslash starts one of \\ \( \) or three octal digits.
QByteArray readPdfString(const QByteArray& body, QString& error)
{
    QByteArray out;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c < 32 || c > 126) {
            error = QStringLiteral("byte %1 at %2").arg(int(uint8_t(c))).arg(i);
            return {};
        }
        if (c == '(' || c == ')') {
            error = QStringLiteral("unescaped parenthesis at %1").arg(i);
            return {};
        }
        if (c != '\\') {
            out.append(c);
            continue;
        }
        if (i + 1 >= body.size()) {
            error = QStringLiteral("backslash at the end");
            return {};
        }
        const char next = body[i + 1];
        if (next == '\\' || next == '(' || next == ')') {
            out.append(next);
            ++i;
            continue;
        }
        if (i + 3 >= body.size() || next < '0' || next > '3') {
            error = QStringLiteral("bad escape at %1").arg(i);
            return {};
        }
        int value = 0;
        for (int k = 1; k <= 3; ++k) {
            const char digit = body[i + k];
            if (digit < '0' || digit > '7') {
                error = QStringLiteral("bad octal escape at %1").arg(i);
                return {};
            }
            value = value * 8 + (digit - '0');
        }
        out.append(char(value));
        i += 3;
    }
    return out;
}

void checkEscaping(const QString& text, int charset)
{
    const QByteArray escaped = PDFDocumentFilter::escapedText(text, charset);
    QString error;
    const QByteArray bytes = readPdfString(escaped, error);
    FUZZ_CHECK(error.isEmpty(), QStringLiteral("%1 for %2 in charset %3").arg(error, shown(text)).arg(charset));

    const Codepage* page = pdffonts::codePageOf(charset);
    if (!page)
        page = Codepage::windows(1252);
    QByteArray expected;
    for (char32_t c : text.toUcs4()) {  // lone surrogates read as U+FFFD
        const int byte = c < 0x80 ? int(c) : page ? page->byteOf(c) : -1;
        expected.append(byte < 0 ? '?' : char(byte));
    }
    FUZZ_CHECK(bytes == expected,
        QStringLiteral("%1 in charset %2 escaped as %3")
            .arg(shown(text))
            .arg(charset)
            .arg(QString::fromLatin1(escaped)));
}

pdffonts::FontKey keyOf(FuzzedDataProvider& provider, fuzzsupport::TextMode mode, ReportFont& font)
{
    static const int charsets[] = {0, 1, 2, 128, 161, 162, 177, 186, 204, 238, 255, -1, 1000};
    font.name = fuzzsupport::textOf(provider.ConsumeRandomLengthString(64), mode);
    font.bold = provider.ConsumeBool();
    font.italic = provider.ConsumeBool();
    font.charset = charsets[provider.ConsumeIntegralInRange<int>(0, int(std::size(charsets)) - 1)];
    return pdffonts::FontKey::of(font);
}

void checkKey(const ReportFont& font, const pdffonts::FontKey& key)
{
    FUZZ_CHECK(key.faceName == font.name.trimmed() && key.bold == font.bold && key.italic == font.italic
            && key.charset == font.charset,
        shown(key.faceName));
    const QString style = QString(font.bold ? "B" : "") + (font.italic ? "I" : "");
    FUZZ_CHECK(key.style() == style, key.style());
    QString base = key.faceName;
    base.remove(QLatin1Char(' '));
    if (font.bold || font.italic)
        base += QLatin1Char(',') + QString(font.bold ? "Bold" : "") + (font.italic ? "Italic" : "");
    FUZZ_CHECK(key.baseFontName() == base, shown(key.baseFontName()));
    if (!key.faceName.contains(QLatin1Char('\t'))) {
        const QStringList fields = key.text().split(QLatin1Char('\t'));
        FUZZ_CHECK(fields.size() == 4 && fields[0] == key.faceName && fields[1] == style
                && fields[2] == QString::number(font.charset) && fields[3] == base,
            shown(key.text()));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const auto mode = fuzzsupport::textMode(provider.ConsumeIntegral<uint8_t>());
    if (provider.ConsumeBool()) {
        ReportFont first, second;
        const pdffonts::FontKey a = keyOf(provider, mode, first);
        const pdffonts::FontKey b = keyOf(provider, mode, second);
        checkKey(first, a);
        checkKey(second, b);
        const bool same =
            a.faceName == b.faceName && a.bold == b.bold && a.italic == b.italic && a.charset == b.charset;
        FUZZ_CHECK((a.text() == b.text()) == same,
            QStringLiteral("keys %1 and %2 (same font: %3)").arg(shown(a.text()), shown(b.text())).arg(same));
        FUZZ_CHECK(pdffonts::resourceName(provider.ConsumeIntegralInRange<int>(0, 100000)).startsWith('F'), QString());
        return 0;
    }
    static const int charsets[] = {
        0, 1, 2, 77, 128, 134, 136, 161, 162, 163, 177, 178, 186, 204, 222, 238, 255, -7, 70000};
    const int charset = provider.ConsumeBool()
        ? charsets[provider.ConsumeIntegralInRange<int>(0, int(std::size(charsets)) - 1)]
        : provider.ConsumeIntegral<int>();
    checkEscaping(fuzzsupport::textOf(provider.ConsumeRemainingBytesAsString(), mode), charset);
    return 0;
}
