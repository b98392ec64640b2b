#include "declaration/Record.h"

#include "core/Codepage.h"
#include "core/TextRules.h"

#include <cmath>

namespace record {

namespace {

// Characters `from`..`from+count-1` (1-based); past the end reads as empty.
// A character outside the Basic Multilingual Plane (a surrogate pair) is one
// character, a lone surrogate too.
QString positions(const QString& line, int from, int count)
{
    const QChar* text = line.constData();
    const qsizetype size = line.size();
    qsizetype unit = 0;
    auto skip = [&](int characters) {
        for (; characters > 0 && unit < size; --characters)
            unit += text[unit].isHighSurrogate() && unit + 1 < size && text[unit + 1].isLowSurrogate() ? 2 : 1;
    };
    skip(from - 1);
    const qsizetype first = unit;
    skip(count);
    return line.mid(first, unit - first);
}

QString rightAligned(const QString& text, int width)
{
    return text.size() >= width ? text : QString(width - text.size(), QLatin1Char(' ')) + text;
}

QString leftAligned(const QString& text, int width)
{
    return text.size() >= width ? text : text + QString(width - text.size(), QLatin1Char(' '));
}

QString zeroFilled(const QString& text, int width)
{
    return text.size() >= width ? text : QString(width - text.size(), QLatin1Char('0')) + text;
}

}  // namespace

QString monthTwoDigits(const QString& monthText)
{
    const qint64 shifted = qint64(text::toInt32(monthText)) + 100;
    return QString::number(shifted).mid(1, 2);
}

QString monthCode(const QString& monthText)
{
    const QString two = monthTwoDigits(monthText);
    if (two == QLatin1String("10"))
        return QStringLiteral("A");
    if (two == QLatin1String("11"))
        return QStringLiteral("B");
    if (two == QLatin1String("12"))
        return QStringLiteral("C");
    if (two.size() == 2 && two.at(0) == QLatin1Char('0') && two.at(1) >= QLatin1Char('1')
        && two.at(1) <= QLatin1Char('9'))
        return two.mid(1);
    return {};
}

QString legajoFive(const QString& legajoText)
{
    const QString legajo = text::trimmed(legajoText);
    if (legajo.isEmpty() || legajo.size() > 5)
        return {};
    return zeroFilled(legajo, 5);
}

QString yearTwoDigits(const QString& yearText)
{
    return text::trimmed(yearText).mid(2, 2);
}

QString baseName(const QString& monthText, const QString& yearText, const QString& legajoText)
{
    return yearTwoDigits(yearText) + monthCode(monthText) + legajoFive(legajoText);
}

QString declarationFileName(const QString& monthText, const QString& yearText, const QString& legajoText)
{
    return baseName(monthText, yearText, legajoText) + QStringLiteral(".txt");
}

QString amountField(const QString& amountText)
{
    const QString amount = text::trimmed(amountText);
    const double value = text::toDouble(amount);
    // Whole part truncated toward zero, written without leading zeros.
    const double whole = value < 0 ? -std::floor(-value) : std::floor(value);
    QString digits = std::fabs(whole) < 9e18 ? QString::number(qint64(whole)) : QString::number(whole, 'f', 0);
    if (whole == 0 && value < 0)
        digits = QStringLiteral("0");
    const qsizetype point = amount.indexOf(QLatin1Char('.'));
    QString decimals = point < 0 ? QString() : amount.mid(point + 1);
    if (decimals.isEmpty())
        decimals = QStringLiteral("00");
    else if (decimals.size() == 1)
        decimals += QLatin1Char('0');
    return zeroFilled(digits + decimals, 11);
}

QString receiptNumberField(const QString& receiptNumber)
{
    return zeroFilled(text::trimmed(receiptNumber), 13);
}

QString declarationRecord(const RecordInput& in)
{
    const QString date = text::trimmed(in.date);
    QString out;
    out.reserve(196);
    out += rightAligned(text::trimmed(in.supplierCuit), 13);
    out += text::trimmed(in.year);
    out += in.monthTwoDigits;
    out += date.mid(0, 2) + date.mid(3, 2) + date.mid(6, 4);
    out += amountField(in.withholding);
    out += receiptNumberField(in.receiptNumber);
    out += leftAligned(text::trimmed(in.supplierName), 60);
    out += rightAligned(text::trimmed(in.declarantCuit), 13);
    out += leftAligned(text::trimmed(in.declarantName), 60);
    out += amountField(in.receiptAmount);
    out += QLatin1Char('\r');
    return out;
}

namespace {

// An amount that fits its eleven digits: 0 to 999999999.99, at most two
// decimals, a plain decimal text.
bool amountFits(const QString& amountText)
{
    const QString amount = text::trimmed(amountText);
    bool digitSeen = false;
    int points = 0;
    int decimals = 0;
    int wholeDigits = 0;  // leading zeros not counted
    for (QChar c : amount) {
        if (c == QLatin1Char('.')) {
            ++points;
        } else if (c.isDigit() && c.unicode() < 128) {
            digitSeen = true;
            if (points)
                ++decimals;
            else if (wholeDigits > 0 || c != QLatin1Char('0'))
                ++wholeDigits;
        } else {
            return false;
        }
    }
    // More than nine whole digits never fit, and their hundredths may not
    // even fit 64 bits.
    if (!digitSeen || points > 1 || decimals > 2 || wholeDigits > 9)
        return false;
    return text::toCents(amount) <= 99999999999LL;
}

bool inCodepage(const QString& value)
{
    bool lossless = true;
    Codepage::declarationFiles().encode(value, &lossless);
    return lossless;
}

}  // namespace

std::optional<FieldProblem> doesNotFit(const RecordInput& in)
{
    struct Check
    {
        const char* field;
        QString value;
        int maxLength;
        bool amount;
    };
    const Check checks[] = {
        {"CUIT Proveedor", text::trimmed(in.supplierCuit), 13, false},
        {"Importe Retención", text::trimmed(in.withholding), 0, true},
        {"Nro. Comprobante", text::trimmed(in.receiptNumber), 13, false},
        {"Razón Social", text::trimmed(in.supplierName), 60, false},
        {"Cuit Declarante", text::trimmed(in.declarantCuit), 13, false},
        {"Razón Social Declarante", text::trimmed(in.declarantName), 60, false},
        {"Importe Comprobante", text::trimmed(in.receiptAmount), 0, true},
    };
    for (const Check& check : checks) {
        const bool fits =
            check.amount ? amountFits(check.value) : check.value.size() <= check.maxLength && inCodepage(check.value);
        if (!fits)
            return FieldProblem{QString::fromUtf8(check.field), check.value};
    }
    // The date and the year must fill their positions exactly: a shorter text
    // would shift every later field of the record.
    if (text::trimmed(in.date).size() != 10 || !inCodepage(in.date))
        return FieldProblem{QStringLiteral("Fecha"), text::trimmed(in.date)};
    if (text::trimmed(in.year).size() != 4 || !inCodepage(in.year))
        return FieldProblem{QStringLiteral("Año"), text::trimmed(in.year)};
    return std::nullopt;
}

QString RecordView::dateText() const
{
    return positions(recordDate, 7, 2) + QLatin1Char('/') + positions(recordDate, 5, 2) + QLatin1Char('/')
        + positions(recordDate, 1, 4);
}

QString RecordView::amountText(const QString& field)
{
    return positions(field, 1, 9) + QLatin1Char('.') + positions(field, 10, 2);
}

RecordView readRecord(const QString& line)
{
    return readRecordWith(line, positions);
}

DeclarantView readDeclarant(const QString& line)
{
    return {positions(line, 112, 13), positions(line, 125, 60)};
}

}  // namespace record
