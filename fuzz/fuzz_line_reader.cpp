// Files of any bytes through the line reader and the two whole-file loads.
// The reader's lines are compared with a decoder and a splitter written here
// from the rules. Decoding: a byte-order mark (UTF-8, UTF-16 little or big
// endian) tells the encoding and is no part of the text; without a mark a file
// that is valid UTF-8 as a whole is UTF-8, any other Windows-1252; bytes that
// are no character of a UTF encoding (lone surrogates included) read as
// U+FFFD. Splitting: a line ends at LF, or at a lone CR followed by anything
// but CR or LF; a CR before a line end is dropped; a line keeps its first
// `keep` UTF-16 units. The import and the re-load must give the declaration
// exactly the lines, row numbers and running total (in hundredths) that the
// one-line functions give line by line, or stop on the first bad line and
// change nothing. A control character (below 32) at a position of a field that is
// read (positions in characters: 1-13, 14-21, 28-38, 39-51, 52-111, 185-195)
// is such a bad line, and its error names the line and the position. No error
// text holds a control character other than a line feed.
#include "fuzz/FuzzSupport.h"

#include "core/Error.h"
#include "core/TextRules.h"
#include "declaration/Declaration.h"
#include "declaration/DeclarationFile.h"
#include "declaration/LineLoad.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <limits>
#include <optional>
#include <vector>

using fuzzsupport::shown;

namespace {

const QString& scratchPath()
{
    static const QString path = [] {
        const QString dir = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        return QStringLiteral("%1/retenciones-fuzz-%2.txt").arg(dir).arg(QCoreApplication::applicationPid());
    }();
    return path;
}

void writeFile(const QByteArray& bytes)
{
    QFile file(scratchPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fuzzsupport::fail("scratch file written", __FILE__, __LINE__, scratchPath());
}

enum class Form { Ascii, Windows1252, Utf8, Utf16LittleEndian, Utf16BigEndian };

// Strictly well-formed UTF-8: each sequence decoded and its value checked
// against the shortest form of its length, the surrogates and U+10FFFF.
bool wellFormedUtf8(const QByteArray& bytes)
{
    qsizetype i = 0;
    while (i < bytes.size()) {
        const uchar lead = uchar(bytes[i]);
        int length = 0;
        char32_t value = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            value = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            value = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            value = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > bytes.size())
            return false;
        for (int k = 1; k < length; ++k) {
            const uchar next = uchar(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = value << 6 | (next & 0x3F);
        }
        static const char32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < shortest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

QString windows1252(const QByteArray& bytes)
{
    // 0x80 to 0x9F; the five bytes without a character read as the control
    // character of the same value. Every other byte is its Latin-1 character.
    static const char16_t high[32] = {
        0x20AC,
        0x0081,
        0x201A,
        0x0192,
        0x201E,
        0x2026,
        0x2020,
        0x2021,
        0x02C6,
        0x2030,
        0x0160,
        0x2039,
        0x0152,
        0x008D,
        0x017D,
        0x008F,
        0x0090,
        0x2018,
        0x2019,
        0x201C,
        0x201D,
        0x2022,
        0x2013,
        0x2014,
        0x02DC,
        0x2122,
        0x0161,
        0x203A,
        0x0153,
        0x009D,
        0x017E,
        0x0178,
    };
    QString out;
    for (char c : bytes) {
        const uchar b = uchar(c);
        out += QChar(b >= 0x80 && b < 0xA0 ? high[b - 0x80] : char16_t(b));
    }
    return out;
}

QString utf16(const QByteArray& bytes, bool big)
{
    std::vector<char16_t> units;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const uchar first = uchar(bytes[i]);
        const uchar second = uchar(bytes[i + 1]);
        units.push_back(char16_t(big ? first << 8 | second : second << 8 | first));
    }
    QString out;
    for (size_t i = 0; i < units.size(); ++i) {
        const QChar unit(units[i]);
        if (unit.isHighSurrogate() && i + 1 < units.size() && QChar(units[i + 1]).isLowSurrogate()) {
            out += unit;
            out += QChar(units[++i]);
        } else {
            out += unit.isSurrogate() ? QChar(QChar::ReplacementCharacter) : unit;
        }
    }
    if (bytes.size() % 2 != 0)
        out += QChar(QChar::ReplacementCharacter);
    return out;
}

QString utf8(const QByteArray& bytes)
{
    // The whole file at once; a mark after the first is the character U+FEFF.
    QStringDecoder decoder(
        QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

Form formOf(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return Form::Utf8;
    if (bytes.startsWith("\xFF\xFE"))
        return Form::Utf16LittleEndian;
    if (bytes.startsWith("\xFE\xFF"))
        return Form::Utf16BigEndian;
    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && uchar(c) < 0x80;
    if (ascii)
        return Form::Ascii;
    return wellFormedUtf8(bytes) ? Form::Utf8 : Form::Windows1252;
}

qsizetype markLength(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return 3;
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") ? 2 : 0;
}

QString decoded(const QByteArray& bytes)
{
    const QByteArray text = bytes.mid(markLength(bytes));
    switch (formOf(bytes)) {
    case Form::Ascii:
        return QString::fromLatin1(text);
    case Form::Windows1252:
        return windows1252(text);
    case Form::Utf8:
        return utf8(text);
    case Form::Utf16LittleEndian:
        return utf16(text, false);
    case Form::Utf16BigEndian:
        return utf16(text, true);
    }
    return {};
}

std::vector<QString> referenceLines(const QString& text, qsizetype keep)
{
    std::vector<QString> lines;
    QString line;
    bool open = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        open = true;
        bool end = false;
        if (c == QLatin1Char('\n')) {
            end = true;
        } else if (c == QLatin1Char('\r')) {
            const bool lone =
                i + 1 < text.size() && text[i + 1] != QLatin1Char('\r') && text[i + 1] != QLatin1Char('\n');
            if (!lone)
                continue;  // stands before the line end (or the end of the file)
            end = true;
        } else if (line.size() < keep) {
            line.append(c);
        }
        if (end) {
            lines.push_back(line);
            line.clear();
            open = false;
        }
    }
    if (open)
        lines.push_back(line);
    return lines;
}

// The first control character at a position of a field that is read:
// its 1-based position in characters, a surrogate pair being one.
std::optional<qsizetype> controlPosition(const QString& line)
{
    static const int fields[][2] = {{1, 13}, {14, 21}, {28, 38}, {39, 51}, {52, 111}, {185, 195}};
    qsizetype position = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        ++position;
        if (line[i].isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate())
            ++i;
        else if (line[i].unicode() < 32) {
            for (const auto& field : fields) {
                if (position >= field[0] && position <= field[1])
                    return position;
            }
        }
    }
    return std::nullopt;
}

bool showsControlCharacter(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 32 && c != QLatin1Char('\n'))
            return true;
    }
    return false;
}

// Lines that the import passes over (receipt number 0), to pad a file so that
// what the fuzzer wrote straddles the reader's 64 KiB chunks.
QByteArray padding(qsizetype size)
{
    const QByteArray record = "20-12345678-6"
                              "2026"
                              "03"
                              "15032026"
                              "00000000600"
                              "0000000000000"
        + QByteArray(144, 'x') + "\r\n";
    QByteArray out;
    while (size - out.size() >= 2 * record.size())
        out += record;
    // One longer last line makes up the size.
    out += record.left(record.size() - 2) + QByteArray(size - out.size() - record.size(), 'y') + "\r\n";
    return out;
}

template <typename F>
std::optional<Error> errorOf(F&& f)
{
    try {
        f();
        return std::nullopt;
    } catch (const Error& error) {
        return error;
    }
}

QString messageOf(const std::optional<Error>& error)
{
    return error ? shown(error->message()) : QStringLiteral("none");
}

// A load's error against the one wanted: both or neither, the line in the
// detail, the position of a refused control character, nothing unshowable.
void checkError(const char* load, const std::optional<Error>& error, const std::optional<Error>& wanted,
    qint64 wantedLine, std::optional<qsizetype> wantedPosition)
{
    FUZZ_CHECK(error.has_value() == wanted.has_value(),
        QStringLiteral("%1 error %2, expected %3").arg(QLatin1String(load), messageOf(error), messageOf(wanted)));
    if (!error)
        return;
    FUZZ_CHECK(!showsControlCharacter(error->message()) && !showsControlCharacter(error->detail()),
        QStringLiteral("%1 error %2 / %3").arg(QLatin1String(load), shown(error->message()), shown(error->detail())));
    FUZZ_CHECK(error->detail().endsWith(QStringLiteral("\nLínea: %1").arg(wantedLine)),
        QStringLiteral("%1 error detail %2, expected line %3")
            .arg(QLatin1String(load), shown(error->detail()))
            .arg(wantedLine));
    if (wantedPosition) {
        const QString place = QStringLiteral("línea %1, posición %2").arg(wantedLine).arg(*wantedPosition);
        FUZZ_CHECK(error->message().contains(place),
            QStringLiteral("%1 error %2, expected line %3, position %4")
                .arg(QLatin1String(load), shown(error->message()))
                .arg(wantedLine)
                .arg(*wantedPosition));
    }
}

void checkReader(const QByteArray& bytes, qsizetype keep)
{
    declarationfile::LineReader reader(scratchPath(), keep);
    reader.open();
    const std::vector<QString> expected = referenceLines(decoded(bytes), keep);
    QString line;
    size_t count = 0;
    while (reader.next(line)) {
        FUZZ_CHECK(
            count < expected.size(), QStringLiteral("line %1 past the %2 lines").arg(count + 1).arg(expected.size()));
        const QString& wanted = expected[count];
        FUZZ_CHECK(
            line == wanted, QStringLiteral("line %1: %2, expected %3").arg(count + 1).arg(shown(line), shown(wanted)));
        ++count;
        FUZZ_CHECK(reader.lineNumber() == qint64(count), QStringLiteral("line number %1").arg(reader.lineNumber()));
    }
    FUZZ_CHECK(count == expected.size(), QStringLiteral("%1 lines, expected %2").arg(count).arg(expected.size()));
    FUZZ_CHECK(!reader.next(line), QStringLiteral("a line after the end"));

    using declarationfile::Encoding;
    std::optional<Encoding> encoding;
    switch (formOf(bytes)) {
    case Form::Ascii:
        break;
    case Form::Windows1252:
        encoding = Encoding::Windows1252;
        break;
    case Form::Utf8:
        encoding = Encoding::Utf8;
        break;
    case Form::Utf16LittleEndian:
        encoding = Encoding::Utf16LittleEndian;
        break;
    case Form::Utf16BigEndian:
        encoding = Encoding::Utf16BigEndian;
        break;
    }
    FUZZ_CHECK(reader.encoding() == encoding,
        QStringLiteral("encoding %1, expected %2")
            .arg(reader.encoding() ? int(*reader.encoding()) : -1)
            .arg(encoding ? int(*encoding) : -1));
}

// A declaration holding `firstRow` - 1 earlier lines whose withholdings make
// `startCents` (none, and a total of 0, for the first row).
void fillEarlierLines(Declaration& declaration, qint32 firstRow, qint64 startCents)
{
    for (qint32 row = 1; row < firstRow; ++row) {
        const QString withholding = row == 1 ? text::formatGeneralCents(startCents) : QStringLiteral("0");
        declaration.addLine({QString::number(row), QStringLiteral("1"), QStringLiteral("01/03/2026"),
            QStringLiteral("1.00"), withholding, QStringLiteral("EARLIER"), QStringLiteral("20-12345678-6")});
    }
}

void checkLoads(const QByteArray& bytes, qint32 firstRow, qint64 startCents)
{
    const std::vector<QString> lines = referenceLines(decoded(bytes), 4096);
    if (firstRow == 1)
        startCents = 0;

    // Import, line by line with the one-line function.
    {
        std::vector<WithholdingLine> wantedLines;
        qint64 wantedMismatches = 0;
        qint32 row = firstRow;
        qint64 total = startCents;
        std::optional<Error> wantedError;
        qint64 wantedLine = 0;
        std::optional<qsizetype> wantedPosition;
        for (size_t i = 0; i < lines.size() && !wantedError; ++i) {
            wantedLine = qint64(i) + 1;
            wantedPosition = controlPosition(lines[i]);
            if (wantedPosition) {
                wantedError = Error(QStringLiteral("control character"));
                break;
            }
            wantedError = errorOf([&] {
                const lineload::ImportedLine imported = lineload::importLine(lines[i], row);
                if (imported.passedOver)
                    return;
                if (!imported.matches)
                    ++wantedMismatches;
                total += imported.withholding * 100;
                wantedLines.push_back(imported.line);
                if (row == std::numeric_limits<qint32>::max())
                    throw Error(QStringLiteral("no more rows"));
                ++row;
            });
        }
        Declaration declaration;
        fillEarlierLines(declaration, firstRow, startCents);
        const int earlierRows = declaration.usedRows();
        lineload::ImportResult result;
        const auto error = errorOf([&] { result = lineload::importFile(scratchPath(), declaration); });
        checkError("import", error, wantedError, wantedLine, wantedPosition);
        if (error) {
            FUZZ_CHECK(declaration.usedRows() == earlierRows && declaration.nextRow() == firstRow
                    && declaration.totalCents() == startCents,
                QStringLiteral("a failed import changed the declaration"));
        } else {
            FUZZ_CHECK(result.linesAdded == int(wantedLines.size()) && result.mismatchCount == wantedMismatches,
                QStringLiteral("%1 lines and %2 mismatches, expected %3 and %4")
                    .arg(result.linesAdded)
                    .arg(result.mismatchCount)
                    .arg(wantedLines.size())
                    .arg(wantedMismatches));
            FUZZ_CHECK(declaration.totalCents() == total,
                QStringLiteral("import total %1, expected %2").arg(declaration.totalCents()).arg(total));
            FUZZ_CHECK(declaration.nextRow() == row,
                QStringLiteral("next row %1, expected %2").arg(declaration.nextRow()).arg(row));
            for (size_t i = 0; i < wantedLines.size(); ++i)
                FUZZ_CHECK(declaration.line(firstRow + int(i)) == wantedLines[i],
                    QStringLiteral("grid row %1").arg(firstRow + int(i)));
        }
    }

    // Re-load.
    {
        qint32 row = firstRow;
        qint64 total = startCents;
        std::optional<Error> wantedError;
        qint64 wantedLine = 0;
        std::optional<qsizetype> wantedPosition;
        for (size_t i = 0; i < lines.size() && !wantedError; ++i) {
            wantedLine = qint64(i) + 1;
            wantedPosition = controlPosition(lines[i]);
            if (wantedPosition) {
                wantedError = Error(QStringLiteral("control character"));
                break;
            }
            wantedError = errorOf([&] {
                const lineload::ReloadedLine reloaded = lineload::reloadLine(lines[i], row);
                total += text::toCents(reloaded.withheldAmount);
                if (row == std::numeric_limits<qint32>::max())
                    throw Error(QStringLiteral("no more rows"));
                ++row;
            });
        }
        Declaration declaration;
        fillEarlierLines(declaration, firstRow, startCents);
        const int earlierRows = declaration.usedRows();
        int added = 0;
        const auto error = errorOf([&] { added = lineload::reloadDeclaration(scratchPath(), declaration); });
        checkError("re-load", error, wantedError, wantedLine, wantedPosition);
        if (error) {
            FUZZ_CHECK(declaration.usedRows() == earlierRows && declaration.nextRow() == firstRow
                    && declaration.totalCents() == startCents,
                QStringLiteral("a failed re-load changed the declaration"));
        } else {
            FUZZ_CHECK(added == int(lines.size()) && declaration.nextRow() == row,
                QStringLiteral("%1 lines re-loaded").arg(added));
            FUZZ_CHECK(declaration.totalCents() == total,
                QStringLiteral("re-load total %1, expected %2").arg(declaration.totalCents()).arg(total));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const bool padded = provider.ConsumeIntegralInRange<int>(0, 7) == 7;  // costly: one run in eight
    const int shift = provider.ConsumeIntegralInRange<int>(0, 15);
    const qsizetype keep = provider.ConsumeBool() ? 4096 : provider.ConsumeIntegralInRange<qsizetype>(0, 300);
    static const qint32 firstRows[] = {1, 7, 499, 500};
    const qint32 firstRow = firstRows[provider.ConsumeIntegralInRange<int>(0, 3)];
    // Running totals in hundredths, as the declaration holds them.
    static const qint64 totals[] = {0, 1300, 617, -50, 9999999999999999, -700};
    const qint64 startCents = totals[provider.ConsumeIntegralInRange<int>(0, 5)];
    QByteArray bytes = QByteArray::fromStdString(provider.ConsumeRemainingBytesAsString());
    if (padded) {
        // After the mark, in the file's encoding, so that the bytes after the
        // padding start near the end of the first chunk.
        const qsizetype mark = markLength(bytes);
        const qsizetype size = (1 << 16) - 8 + shift - mark;
        QByteArray pad;
        if (mark == 2) {
            const bool big = bytes.startsWith("\xFE\xFF");
            for (char c : padding(size / 2))
                pad += big ? QByteArray(1, '\0') + c : QByteArray(1, c) + '\0';
        } else {
            pad = padding(size);
        }
        bytes.insert(mark, pad);
    }
    writeFile(bytes);
    checkReader(bytes, keep);
    checkLoads(bytes, firstRow, startCents);
    return 0;
}
