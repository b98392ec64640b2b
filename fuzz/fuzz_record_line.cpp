// One line of a declaration or import file as the readers take it: the
// record view (UTF-16 units), the import of one line (receipt number and amounts read as
// numbers, the cross-check, the rounding) and the re-load of one line. And
// the other way round: a record that record::doesNotFit lets through is
// written with its fixed layout and reads back as the same fields. The import
// and the re-load of a line count positions in characters: a character
// outside the Basic Multilingual Plane (a surrogate pair) is one position, a
// lone surrogate is one too.
#include "fuzz/FuzzSupport.h"

#include "core/Codepage.h"
#include "core/Error.h"
#include "core/TextRules.h"
#include "declaration/LineLoad.h"
#include "declaration/Record.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <limits>

using fuzzsupport::shown;

namespace {

template <typename F>
bool converts(F&& f)
{
    try {
        f();
        return true;
    } catch (const ConversionError&) {
        return false;
    }
}

// Characters `from` (1-based) to `from + width - 1` of the line; past its end, nothing.
QString charactersAt(const QString& line, int from, int width)
{
    QString out;
    int position = 0;
    for (qsizetype i = 0; i < line.size() && position < from - 1 + width; ++i) {
        ++position;
        const bool pair = line[i].isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate();
        if (position >= from)
            out += line.mid(i, pair ? 2 : 1);
        if (pair)
            ++i;
    }
    return out;
}

record::RecordView characterView(const QString& line)
{
    return record::readRecordWith(line, charactersAt);
}

// DD/MM/YYYY from the record date, character by character: characters 7-8,
// "/", 5-6, "/", 1-4.
QString dateOf(const QString& recordDate)
{
    return charactersAt(recordDate, 7, 2) + QLatin1Char('/') + charactersAt(recordDate, 5, 2) + QLatin1Char('/')
        + charactersAt(recordDate, 1, 4);
}

// The first nine characters, ".", characters 10 and 11.
QString amountOf(const QString& field)
{
    return charactersAt(field, 1, 9) + QLatin1Char('.') + charactersAt(field, 10, 2);
}

void checkView(const QString& line, const record::RecordView& view, const record::RecordView& wanted)
{
    FUZZ_CHECK(view.supplierCuit == wanted.supplierCuit && view.recordDate == wanted.recordDate
            && view.withheldField == wanted.withheldField && view.receiptNumber == wanted.receiptNumber
            && view.supplierName == wanted.supplierName && view.receiptField == wanted.receiptField,
        QStringLiteral("fields of %1").arg(shown(line)));
    FUZZ_CHECK(view.dateText() == dateOf(view.recordDate), shown(view.dateText()));
    FUZZ_CHECK(
        record::RecordView::amountText(view.receiptField) == amountOf(view.receiptField), shown(view.receiptField));
}

void checkReadLine(const QString& line, qint32 row)
{
    const record::RecordView view = characterView(line);
    checkView(line, record::readRecord(line), view);

    // Re-load: texts only, never an error.
    const lineload::ReloadedLine reloaded = lineload::reloadLine(line, row);
    FUZZ_CHECK(reloaded.line.lineNumber == QString::number(row), reloaded.line.lineNumber);
    FUZZ_CHECK(reloaded.line.receiptNumber == text::trimmed(view.receiptNumber), reloaded.line.receiptNumber);
    FUZZ_CHECK(reloaded.line.withholding == reloaded.withheldAmount
            && reloaded.withheldAmount == text::trimmed(amountOf(view.withheldField)),
        reloaded.withheldAmount);
    FUZZ_CHECK(reloaded.line.supplierCuit == text::trimmed(view.supplierCuit), reloaded.line.supplierCuit);
    FUZZ_CHECK(reloaded.line.date == text::trimmed(dateOf(view.recordDate))
            && reloaded.line.supplierName == text::trimmed(view.supplierName)
            && reloaded.line.receiptAmount == text::trimmed(amountOf(view.receiptField)),
        shown(line));

    // Import: a conversion error only where a field is no number.
    lineload::ImportedLine imported;
    const bool ok = converts([&] { imported = lineload::importLine(line, row); });
    qint32 receipt = 0;
    const bool receiptOk = converts([&] { receipt = text::toInt32(view.receiptNumber); });
    if (!receiptOk) {
        FUZZ_CHECK(
            !ok, QStringLiteral("import of %1 with receipt number %2").arg(shown(line), shown(view.receiptNumber)));
        return;
    }
    if (receipt <= 0) {
        FUZZ_CHECK(ok && imported.passedOver, QStringLiteral("receipt number %1 not passed over").arg(receipt));
        return;
    }
    const QString receiptAmount = amountOf(view.receiptField);
    const QString withheldAmount = amountOf(view.withheldField);
    qint64 receiptCents = 0, withheldCents = 0;
    const bool amountsOk = converts([&] { receiptCents = text::toCents(receiptAmount); })
        && converts([&] { withheldCents = text::toCents(withheldAmount); });
    FUZZ_CHECK(ok == amountsOk, QStringLiteral("import of %1 accepted: %2").arg(shown(line)).arg(ok));
    if (!ok)
        return;
    FUZZ_CHECK(!imported.passedOver, shown(line));
    FUZZ_CHECK(imported.receiptCents == receiptCents && imported.withheldCents == withheldCents, shown(line));
    // Whole units, a fraction of exactly one half rounding down.
    const qint64 units = withheldCents / 100;
    const qint64 rest = withheldCents % 100;
    FUZZ_CHECK(imported.withholding == units + (rest > 50 ? 1 : 0),
        QStringLiteral("withholding %1 of %2 hundredths").arg(imported.withholding).arg(withheldCents));
    FUZZ_CHECK(imported.matches == (receiptCents / 20000 == units),
        QStringLiteral("cross-check of %1 / %2").arg(receiptCents).arg(withheldCents));
    FUZZ_CHECK(imported.line.lineNumber == QString::number(row)
            && imported.line.receiptNumber == text::trimmed(view.receiptNumber)
            && imported.line.date == text::trimmed(dateOf(view.recordDate))
            && imported.line.receiptAmount == text::trimmed(receiptAmount)
            && imported.line.withholding == QString::number(imported.withholding)
            && imported.line.supplierName == text::trimmed(view.supplierName)
            && imported.line.supplierCuit == text::trimmed(view.supplierCuit),
        shown(line));
}

// A record written from fuzzed fields: when it fits, it has its 196 bytes
// and every field reads back where the readers look for it.
void checkWrittenRecord(FuzzedDataProvider& provider, fuzzsupport::TextMode mode)
{
    const int month = provider.ConsumeIntegralInRange<int>(1, 12);
    auto field = [&] { return fuzzsupport::textOf(provider.ConsumeRandomLengthString(80), mode); };
    record::RecordInput in;
    in.supplierCuit = field();
    in.year = field();
    in.monthTwoDigits = record::monthTwoDigits(QString::number(month));
    in.date = field();
    in.withholding = field();
    in.receiptNumber = field();
    in.supplierName = field();
    in.declarantCuit = field();
    in.declarantName = field();
    in.receiptAmount = field();
    std::optional<record::FieldProblem> problem;
    FUZZ_CHECK(
        converts([&] { problem = record::doesNotFit(in); }), QStringLiteral("doesNotFit raised a conversion error"));
    if (problem)
        return;

    const QString written = record::declarationRecord(in);
    const QByteArray bytes = Codepage::declarationFiles().encode(written);
    FUZZ_CHECK(bytes.size() == 196 && bytes.endsWith('\r'),
        QStringLiteral("record of %1 bytes for year %2, date %3")
            .arg(bytes.size())
            .arg(shown(in.year), shown(in.date)));
    const QString line = Codepage::declarationFiles().decode(bytes.left(195));
    FUZZ_CHECK(line == written.left(195),
        QStringLiteral("record changes through the file's code page: %1").arg(shown(written)));

    const record::RecordView view = record::readRecord(line);
    const QString date = text::trimmed(in.date);
    FUZZ_CHECK(view.supplierCuit == text::trimmed(in.supplierCuit).rightJustified(13, QLatin1Char(' ')),
        shown(view.supplierCuit));
    FUZZ_CHECK(view.recordDate == text::trimmed(in.year) + in.monthTwoDigits + date.left(2), shown(view.recordDate));
    FUZZ_CHECK(view.withheldField == record::amountField(in.withholding), shown(view.withheldField));
    FUZZ_CHECK(view.receiptNumber == text::trimmed(in.receiptNumber).rightJustified(13, QLatin1Char('0')),
        shown(view.receiptNumber));
    FUZZ_CHECK(view.supplierName == text::trimmed(in.supplierName).leftJustified(60, QLatin1Char(' ')),
        shown(view.supplierName));
    FUZZ_CHECK(line.mid(111, 13) == text::trimmed(in.declarantCuit).rightJustified(13, QLatin1Char(' ')), shown(line));
    FUZZ_CHECK(line.mid(124, 60) == text::trimmed(in.declarantName).leftJustified(60, QLatin1Char(' ')), shown(line));
    FUZZ_CHECK(view.receiptField == record::amountField(in.receiptAmount), shown(view.receiptField));
    FUZZ_CHECK(text::toCents(record::RecordView::amountText(view.receiptField))
            == text::toCents(text::trimmed(in.receiptAmount)),
        QStringLiteral("receipt amount %1 reads back as %2").arg(shown(in.receiptAmount), shown(view.receiptField)));
    FUZZ_CHECK(text::toCents(record::RecordView::amountText(view.withheldField))
            == text::toCents(text::trimmed(in.withholding)),
        QStringLiteral("withholding %1 reads back as %2").arg(shown(in.withholding), shown(view.withheldField)));

    // The re-load gives the grid the line's texts back.
    const lineload::ReloadedLine reloaded = lineload::reloadLine(line, 1);
    FUZZ_CHECK(reloaded.line.supplierName == text::trimmed(in.supplierName)
            && reloaded.line.supplierCuit == text::trimmed(in.supplierCuit),
        shown(line));
    FUZZ_CHECK(reloaded.line.date
            == text::trimmed(
                date.left(2) + QLatin1Char('/') + in.monthTwoDigits + QLatin1Char('/') + text::trimmed(in.year)),
        reloaded.line.date);
    checkReadLine(line, 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const bool write = provider.ConsumeBool();
    const auto mode = fuzzsupport::textMode(provider.ConsumeIntegral<uint8_t>());
    if (write) {
        checkWrittenRecord(provider, mode);
    } else {
        const qint32 row = provider.ConsumeIntegralInRange<qint32>(1, std::numeric_limits<qint32>::max());
        checkReadLine(fuzzsupport::textOf(provider.ConsumeRemainingBytesAsString(), mode), row);
    }
    return 0;
}
