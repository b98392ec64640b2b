#pragma once

#include "core/Codepage.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Helpers shared by the fuzz targets: texts made from the fuzzer's bytes and
// a check that stops the run with a message (libFuzzer then keeps the input).
namespace fuzzsupport {

[[noreturn]] inline void fail(const char* condition, const char* file, int line, const QString& detail)
{
    std::fprintf(
        stderr, "\nFUZZ CHECK FAILED: %s\n  at %s:%d\n  %s\n", condition, file, line, detail.toUtf8().constData());
    std::abort();
}

// How a run of bytes becomes a text: as a line of a Windows-1252 file, as
// Latin-1, or as raw UTF-16 code units (lone surrogates and all).
enum class TextMode { Windows1252, Latin1, Utf16 };

inline TextMode textMode(uint8_t selector)
{
    switch (selector % 3) {
    case 0:
        return TextMode::Windows1252;
    case 1:
        return TextMode::Latin1;
    default:
        return TextMode::Utf16;
    }
}

inline QString textOf(const char* data, size_t size, TextMode mode)
{
    switch (mode) {
    case TextMode::Windows1252:
        return Codepage::declarationFiles().decode(data, qsizetype(size));
    case TextMode::Latin1:
        return QString::fromLatin1(data, qsizetype(size));
    case TextMode::Utf16:
        break;
    }
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    for (size_t i = 0; i + 1 < size; i += 2)
        text[qsizetype(i / 2)] = QChar(char16_t(uint8_t(data[i]) | uint8_t(data[i + 1]) << 8));
    return text;
}

inline QString textOf(const std::string& bytes, TextMode mode)
{
    return textOf(bytes.data(), bytes.size(), mode);
}

// A printable view of a text for the failure message.
inline QString shown(const QString& text)
{
    QString out;
    for (QChar c : text) {
        if (c.unicode() >= 32 && c.unicode() < 127)
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return QLatin1Char('"') + out + QLatin1Char('"');
}

}  // namespace fuzzsupport

#define FUZZ_CHECK(condition, detail)                                                                                  \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            fuzzsupport::fail(#condition, __FILE__, __LINE__, (detail));                                               \
    } while (0)
