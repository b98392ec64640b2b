#include "declaration/LineEntry.h"

#include "core/TextRules.h"
#include "declaration/Withholding.h"

namespace lineentry {

ReceiptWithholding receiptWithholding(const QString& amountFieldText)
{
    const QString typed = text::trimmed(amountFieldText).isEmpty() ? QStringLiteral("0") : amountFieldText;
    const double value = text::toDouble(typed);
    ReceiptWithholding out;
    // Far beyond the largest amount the "0.00" text would run to hundreds of
    // digits; such an amount is refused as typed.
    if (value >= 1e12) {
        out.outcome = ReceiptWithholding::Outcome::TooLarge;
        out.amountText = amountFieldText;
        return out;
    }
    if (value <= -1e12) {
        out.outcome = ReceiptWithholding::Outcome::NotPositive;
        out.amountText = amountFieldText;
        return out;
    }
    const QString formatted = text::formatFixed2(value);
    const qint64 cents = text::toCents(formatted);
    if (cents <= 0) {
        out.outcome = ReceiptWithholding::Outcome::NotPositive;
        out.amountText = formatted;
        return out;
    }
    if (cents > LargestReceiptCents) {
        out.outcome = ReceiptWithholding::Outcome::TooLarge;
        out.amountText = amountFieldText;
        return out;
    }
    out.amountText = formatted;
    out.withholding = QString::number(withholding::ofReceipt(cents));
    return out;
}

QStringList dateCheckMessages(const QString& dateValue, const QString& monthText, const QString& yearText)
{
    if (text::trimmed(dateValue).isEmpty())
        return {DateMissingMessage};
    const qint32 month = text::toInt32(dateValue.mid(2, 2));
    const qint32 year = text::toInt32(dateValue.mid(4, 4));
    QStringList messages;
    if (month != text::toInt32(text::trimmed(monthText)))
        messages << DateMonthMessage;
    if (year != text::toInt32(text::trimmed(yearText)))
        messages << DateYearMessage;
    return messages;
}

int duplicateCount(const Declaration& declaration, const QString& receiptText)
{
    const QString receipt = text::trimmed(receiptText);
    if (receipt.isEmpty())
        return 0;
    int count = 0;
    const int rows = declaration.usedRows();
    for (int row = 1; row <= rows; ++row) {
        const QString& cell = declaration.line(row).receiptNumber;
        // Cells are written trimmed; trimming again only when needed keeps
        // the check fast on large grids.
        if (cell == receipt || (!cell.isEmpty() && text::trimmed(cell) == receipt))
            ++count;
    }
    return count;
}

bool lineIsComplete(
    const QString& legajo, const QString& receiptNumber, const QString& cuitValue, const QString& withholding)
{
    return !legajo.isEmpty() && !receiptNumber.isEmpty() && !text::trimmed(cuitValue).isEmpty()
        && !withholding.isEmpty();
}

WithholdingLine addedLine(qint32 gridRow, const TypedLine& typed)
{
    const QString date = text::trimmed(typed.dateValue);
    const QString& cuit = typed.cuitValue;
    WithholdingLine line;
    line.lineNumber = QString::number(gridRow);
    line.receiptNumber = text::trimmed(typed.receiptNumber);
    line.date = date.mid(0, 2) + QLatin1Char('/') + date.mid(2, 2) + QLatin1Char('/') + date.mid(4, 4);
    line.receiptAmount = text::trimmed(typed.receiptAmount);
    line.withholding = text::trimmed(typed.withholding);
    line.supplierName = text::trimmed(typed.companyName);
    line.supplierCuit = cuit.mid(0, 2) + QLatin1Char('-') + cuit.mid(2, 8) + QLatin1Char('-') + cuit.mid(10, 1);
    return line;
}

}  // namespace lineentry
