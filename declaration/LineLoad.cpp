#include "declaration/LineLoad.h"

#include "declaration/DeclarationFile.h"
#include "core/Decimal.h"
#include "core/Error.h"
#include "declaration/Record.h"
#include "core/TextRules.h"
#include "declaration/Withholding.h"

#include <limits>
#include <optional>

namespace lineload {

namespace {

// The running total of one load. It adds in exact hundredths while both the
// total and the amounts are plain decimal texts within fifteen digits, which
// gives the same text as adding line by line with text::addToTotal; past that
// it goes on line by line through text::addToTotal itself.
class RunningTotal
{
public:
    explicit RunningTotal(const QString& startText)
        : m_text(startText)
        , m_cents(text::exactCents(startText))
    {
        if (m_cents && !withinExactRange(*m_cents))
            m_cents.reset();
    }

    void add(const QString& amountText)
    {
        if (m_cents) {
            if (const auto amount = text::exactCents(amountText)) {
                const std::optional<qint64> sum = decimal::exactSum(*m_cents, *amount);
                if (sum && withinExactRange(*amount) && withinExactRange(*sum)) {
                    m_cents = sum;
                    return;
                }
            }
            m_text = text::formatGeneralCents(*m_cents);
            m_cents.reset();
        }
        m_text = text::addToTotal(m_text, amountText);
    }

    QString text() const { return m_cents ? text::formatGeneralCents(*m_cents) : m_text; }

private:
    // Below 10^14 units every sum of two such amounts fits 64 bits and the
    // general format writes the hundredths exactly.
    static bool withinExactRange(qint64 cents) { return cents > -(qint64(1) << 52) && cents < (qint64(1) << 52); }

    QString m_text;
    std::optional<qint64> m_cents;
};

QString detailFor(const QString& path, qint64 lineNumber)
{
    QString detail = QStringLiteral("Archivo: %1").arg(path);
    if (lineNumber > 0)
        detail += QStringLiteral("\nLínea: %1").arg(lineNumber);
    return detail;
}

qint32 advanced(qint32 row)
{
    if (row >= std::numeric_limits<qint32>::max() || row < 1)
        throw Error(QStringLiteral("No hay más renglones disponibles en la grilla"));
    return row + 1;
}

// Reads every line of `path` through `handleLine(text, lineNumber)` and adds
// the file and line number to any error that stops the reading.
template<typename Handler>
void readLines(const QString& path, Handler handleLine)
{
    declarationfile::LineReader reader(path);
    qint64 lineNumber = 0;
    try {
        reader.open();
        QString line;
        for (;;) {
            lineNumber = reader.lineNumber() + 1; // the line being read, also for a read error
            if (!reader.next(line))
                break;
            handleLine(line, lineNumber);
        }
    } catch (Error& error) {
        // A failure to open names the file only; there is no line yet.
        const bool opened = lineNumber > 0;
        error.setDetail(detailFor(path, opened ? lineNumber : 0));
        throw;
    }
}

} // namespace

ImportedLine importLine(const QString& recordLine, qint32 gridRow)
{
    const record::RecordView view = record::readRecord(recordLine);
    ImportedLine out;
    if (text::toInt32(view.receiptNumber) <= 0)
        return out;
    const QString receiptAmount = record::RecordView::amountText(view.receiptField);
    const QString withheldAmount = record::RecordView::amountText(view.withheldField);
    out.counts = true;
    out.receiptCents = text::toCents(receiptAmount);
    out.withheldCents = text::toCents(withheldAmount);
    out.withheldAmount = text::trimmed(withheldAmount);
    out.matches = withholding::matchesReceipt(out.receiptCents, out.withheldCents);
    out.withholding = withholding::roundedToUnits(out.withheldCents);
    out.cells = {
        QString::number(gridRow),
        text::trimmed(view.receiptNumber),
        text::trimmed(view.dateText()),
        text::trimmed(receiptAmount),
        QString::number(out.withholding),
        text::trimmed(view.supplierName),
        text::trimmed(view.supplierCuit),
    };
    return out;
}

ReloadedLine reloadLine(const QString& recordLine, qint32 gridRow)
{
    const record::RecordView view = record::readRecord(recordLine);
    ReloadedLine out;
    out.withheldAmount = text::trimmed(record::RecordView::amountText(view.withheldField));
    out.cells = {
        QString::number(gridRow),
        text::trimmed(view.receiptNumber),
        text::trimmed(view.dateText()),
        text::trimmed(record::RecordView::amountText(view.receiptField)),
        out.withheldAmount,
        text::trimmed(view.supplierName),
        text::trimmed(view.supplierCuit),
    };
    return out;
}

ImportResult importFile(const QString& path, WithholdingGrid& grid, qint32& nextRow, QString& total)
{
    ImportResult result;
    std::vector<WithholdingGrid::Line> lines;
    qint32 row = nextRow;
    RunningTotal runningTotal(total);
    readLines(path, [&](const QString& line, qint64 lineNumber) {
        ImportedLine imported = importLine(line, row);
        if (!imported.counts)
            return;
        if (!imported.matches) {
            if (result.mismatches.size() < size_t(MaxListedMismatches)) {
                Mismatch mismatch;
                mismatch.lineNumber = lineNumber;
                mismatch.receiptNumber = imported.cells[1];
                mismatch.receiptAmount = imported.cells[3];
                mismatch.withheldAmount = imported.withheldAmount;
                // 0.5 % in hundredths, truncated like the check truncates it.
                mismatch.expectedWithholding = text::formatFixed2Cents(imported.receiptCents / 200);
                result.mismatches.push_back(std::move(mismatch));
            }
            ++result.mismatchCount;
        }
        runningTotal.add(imported.cells[4]);
        lines.push_back(std::move(imported.cells));
        row = advanced(row);
    });
    const QString newTotal = runningTotal.text();
    result.linesAdded = int(lines.size());
    grid.setLines(nextRow, std::move(lines));
    nextRow = row;
    total = newTotal;
    return result;
}

int reloadDeclaration(const QString& path, WithholdingGrid& grid, qint32& nextRow, QString& total)
{
    std::vector<WithholdingGrid::Line> lines;
    qint32 row = nextRow;
    RunningTotal runningTotal(total);
    readLines(path, [&](const QString& line, qint64) {
        ReloadedLine reloaded = reloadLine(line, row);
        runningTotal.add(reloaded.withheldAmount);
        lines.push_back(std::move(reloaded.cells));
        row = advanced(row);
    });
    const QString newTotal = runningTotal.text();
    const int added = int(lines.size());
    grid.setLines(nextRow, std::move(lines));
    nextRow = row;
    total = newTotal;
    return added;
}

QString mismatchDetail(const ImportResult& result)
{
    QStringList rows;
    rows.reserve(qsizetype(result.mismatches.size()) + 1);
    for (const Mismatch& mismatch : result.mismatches) {
        rows << QStringLiteral("Línea %1: comprobante %2, importe %3, retención declarada %4, retención del 0.5 % %5")
                    .arg(mismatch.lineNumber)
                    .arg(mismatch.receiptNumber, mismatch.receiptAmount, mismatch.withheldAmount,
                         mismatch.expectedWithholding);
    }
    const qint64 unlisted = result.mismatchCount - qint64(result.mismatches.size());
    if (unlisted > 0)
        rows << QStringLiteral("... y %1 líneas más que no coinciden").arg(unlisted);
    return rows.join(QLatin1Char('\n'));
}

} // namespace lineload
