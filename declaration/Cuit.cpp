#include "declaration/Cuit.h"

namespace cuit {

const QString InvalidMessage = QStringLiteral("Atención el CUIT del proveedor no es válido (dígito verificador) !!!");

namespace {

// Only the ASCII digits: other scripts' digits are no part of a CUIT.
bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool allDigits(const QString& text)
{
    for (const QChar c : text) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

} // namespace

int checkDigit(const QString& firstTenDigits)
{
    static constexpr int weights[10] = {5, 4, 3, 2, 7, 6, 5, 4, 3, 2};
    if (firstTenDigits.size() != 10 || !allDigits(firstTenDigits))
        return -1;
    int sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += (firstTenDigits.at(i).unicode() - u'0') * weights[i];
    const int digit = 11 - sum % 11;
    if (digit == 11)
        return 0;
    if (digit == 10)
        return -1;
    return digit;
}

bool valueIsComplete(const QString& value)
{
    return value.size() == 11 && allDigits(value);
}

bool valueIsValid(const QString& value)
{
    if (!valueIsComplete(value))
        return false;
    const int digit = checkDigit(value.left(10));
    return digit >= 0 && value.at(10).unicode() - u'0' == digit;
}

bool valueHasWrongCheckDigit(const QString& value)
{
    return valueIsComplete(value) && !valueIsValid(value);
}

bool textIsValid(const QString& text)
{
    if (text.size() != 13 || text.at(2) != QLatin1Char('-') || text.at(11) != QLatin1Char('-'))
        return false;
    return valueIsValid(text.left(2) + text.mid(3, 8) + text.at(12));
}

} // namespace cuit
