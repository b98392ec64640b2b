// Files of any bytes through the line reader and the two whole-file loads.
// The reader's lines are compared with a splitter written here from the rule
// (a line ends at LF, or at a lone CR followed by anything but CR or LF; a CR
// before a line end is dropped; a line keeps its first `keep` bytes). The
// import and the re-load must give the grid exactly the lines, row numbers
// and running total that the one-line functions and text::addToTotal give
// line by line, or stop on the first bad line and change nothing.
#include "fuzz/FuzzSupport.h"

#include "core/Codepage.h"
#include "declaration/DeclarationFile.h"
#include "core/Error.h"
#include "declaration/LineLoad.h"
#include "core/TextRules.h"
#include "declaration/WithholdingGrid.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <limits>
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

std::vector<QByteArray> referenceLines(const QByteArray& bytes, qsizetype keep)
{
    std::vector<QByteArray> lines;
    QByteArray line;
    bool open = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        open = true;
        bool end = false;
        if (c == '\n') {
            end = true;
        } else if (c == '\r') {
            const bool lone = i + 1 < bytes.size() && bytes[i + 1] != '\r' && bytes[i + 1] != '\n';
            if (!lone)
                continue; // stands before the line end (or the end of the file)
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

// Lines that the import passes over (receipt number 0), to pad a file so that
// what the fuzzer wrote straddles the reader's 64 KiB chunks.
QByteArray padding(qsizetype size)
{
    const QByteArray record = "20-12345678-6" "2026" "03" "15032026" "00000000600" "0000000000000"
                              + QByteArray(144, 'x') + "\r\n";
    QByteArray out;
    while (size - out.size() >= 2 * record.size())
        out += record;
    // One longer last line makes up the size.
    out += record.left(record.size() - 2) + QByteArray(size - out.size() - record.size(), 'y') + "\r\n";
    return out;
}

template<typename F>
std::optional<QString> errorOf(F&& f)
{
    try {
        f();
        return std::nullopt;
    } catch (const Error& error) {
        return error.message();
    }
}

void checkReader(const QByteArray& bytes, qsizetype keep)
{
    declarationfile::LineReader reader(scratchPath(), keep);
    reader.open();
    const std::vector<QByteArray> expected = referenceLines(bytes, keep);
    QString line;
    size_t count = 0;
    while (reader.next(line)) {
        FUZZ_CHECK(count < expected.size(), QStringLiteral("line %1 past the %2 lines").arg(count + 1).arg(expected.size()));
        const QString wanted = Codepage::declarationFiles().decode(expected[count]);
        FUZZ_CHECK(line == wanted, QStringLiteral("line %1: %2, expected %3").arg(count + 1).arg(shown(line), shown(wanted)));
        ++count;
        FUZZ_CHECK(reader.lineNumber() == qint64(count), QStringLiteral("line number %1").arg(reader.lineNumber()));
    }
    FUZZ_CHECK(count == expected.size(), QStringLiteral("%1 lines, expected %2").arg(count).arg(expected.size()));
    FUZZ_CHECK(!reader.next(line), QStringLiteral("a line after the end"));
}

void checkLoads(const QByteArray& bytes, qint32 firstRow, const QString& startTotal)
{
    std::vector<QString> lines;
    for (const QByteArray& raw : referenceLines(bytes, 4096))
        lines.push_back(Codepage::declarationFiles().decode(raw));

    // Import, line by line with the one-line function.
    {
        std::vector<WithholdingGrid::Line> wantedLines;
        qint64 wantedMismatches = 0;
        qint32 row = firstRow;
        QString total = startTotal;
        std::optional<QString> wantedError;
        for (size_t i = 0; i < lines.size() && !wantedError; ++i) {
            wantedError = errorOf([&] {
                const lineload::ImportedLine imported = lineload::importLine(lines[i], row);
                if (imported.passedOver)
                    return;
                if (!imported.matches)
                    ++wantedMismatches;
                total = text::addToTotal(total, imported.cells[4]);
                wantedLines.push_back(imported.cells);
                if (row == std::numeric_limits<qint32>::max())
                    throw Error(QStringLiteral("no more rows"));
                ++row;
            });
        }
        WithholdingGrid grid;
        qint32 nextRow = firstRow;
        QString gridTotal = startTotal;
        lineload::ImportResult result;
        const auto error = errorOf([&] { result = lineload::importFile(scratchPath(), grid, nextRow, gridTotal); });
        FUZZ_CHECK(error.has_value() == wantedError.has_value(),
                   QStringLiteral("import error %1, expected %2").arg(error.value_or("none"), wantedError.value_or("none")));
        if (error) {
            FUZZ_CHECK(grid.usedRows() == 0 && nextRow == firstRow && gridTotal == startTotal,
                       QStringLiteral("a failed import changed the grid"));
        } else {
            FUZZ_CHECK(result.linesAdded == int(wantedLines.size()) && result.mismatchCount == wantedMismatches,
                       QStringLiteral("%1 lines and %2 mismatches, expected %3 and %4")
                           .arg(result.linesAdded).arg(result.mismatchCount).arg(wantedLines.size()).arg(wantedMismatches));
            FUZZ_CHECK(gridTotal == total, QStringLiteral("import total %1, expected %2").arg(gridTotal, total));
            FUZZ_CHECK(nextRow == row, QStringLiteral("next row %1, expected %2").arg(nextRow).arg(row));
            for (size_t i = 0; i < wantedLines.size(); ++i)
                FUZZ_CHECK(grid.line(firstRow + int(i)) == wantedLines[i], QStringLiteral("grid row %1").arg(firstRow + int(i)));
        }
    }

    // Re-load.
    {
        qint32 row = firstRow;
        QString total = startTotal;
        std::optional<QString> wantedError;
        for (size_t i = 0; i < lines.size() && !wantedError; ++i) {
            wantedError = errorOf([&] {
                const lineload::ReloadedLine reloaded = lineload::reloadLine(lines[i], row);
                total = text::addToTotal(total, reloaded.withheldAmount);
                if (row == std::numeric_limits<qint32>::max())
                    throw Error(QStringLiteral("no more rows"));
                ++row;
            });
        }
        WithholdingGrid grid;
        qint32 nextRow = firstRow;
        QString gridTotal = startTotal;
        int added = 0;
        const auto error = errorOf([&] { added = lineload::reloadDeclaration(scratchPath(), grid, nextRow, gridTotal); });
        FUZZ_CHECK(error.has_value() == wantedError.has_value(),
                   QStringLiteral("re-load error %1, expected %2").arg(error.value_or("none"), wantedError.value_or("none")));
        if (error) {
            FUZZ_CHECK(grid.usedRows() == 0 && nextRow == firstRow && gridTotal == startTotal,
                       QStringLiteral("a failed re-load changed the grid"));
        } else {
            FUZZ_CHECK(added == int(lines.size()) && nextRow == row, QStringLiteral("%1 lines re-loaded").arg(added));
            FUZZ_CHECK(gridTotal == total, QStringLiteral("re-load total %1, expected %2").arg(gridTotal, total));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const bool padded = provider.ConsumeIntegralInRange<int>(0, 7) == 7; // costly: one run in eight
    const int shift = provider.ConsumeIntegralInRange<int>(0, 15);
    const qsizetype keep = provider.ConsumeBool() ? 4096 : provider.ConsumeIntegralInRange<qsizetype>(0, 300);
    static const qint32 firstRows[] = {1, 7, 499, 500};
    const qint32 firstRow = firstRows[provider.ConsumeIntegralInRange<int>(0, 3)];
    // Totals as the window writes them: the general number format.
    static const char* const totals[] = {"0", "13", "6.17", "-0.5", "1E20", "99999999999999.99", "-7"};
    const QString startTotal = QString::fromLatin1(totals[provider.ConsumeIntegralInRange<int>(0, 6)]);
    QByteArray bytes = QByteArray::fromStdString(provider.ConsumeRemainingBytesAsString());
    if (padded)
        bytes.prepend(padding((1 << 16) - 8 + shift));
    writeFile(bytes);
    checkReader(bytes, keep);
    checkLoads(bytes, firstRow, startTotal);
    return 0;
}
