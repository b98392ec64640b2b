#include "declaration/Cuit.h"

#include <QStringView>
#include <algorithm>

namespace cuit {

const QString InvalidMessage = QStringLiteral("Atención el CUIT del proveedor no es válido (dígito verificador) !!!");

namespace {

// Only the ASCII digits: other scripts' digits are no part of a CUIT.
bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool allDigits(QStringView text)
{
    for (const QChar c : text) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

// The check digit of ten characters known to be ASCII digits, or -1.
int checkDigitOfDigits(QStringView firstTen)
{
    static constexpr int weights[10] = {5, 4, 3, 2, 7, 6, 5, 4, 3, 2};
    int sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += (firstTen.at(i).unicode() - u'0') * weights[i];
    const int digit = 11 - sum % 11;
    if (digit == 11)
        return 0;
    if (digit == 10)
        return -1;
    return digit;
}

// Eleven ASCII digits, the last one the check digit of the first ten.
bool validDigits(QStringView eleven)
{
    if (eleven.size() != 11 || !allDigits(eleven))
        return false;
    const int digit = checkDigitOfDigits(eleven.first(10));
    return digit >= 0 && eleven.at(10).unicode() - u'0' == digit;
}

}  // namespace

int checkDigit(const QString& firstTenDigits)
{
    if (firstTenDigits.size() != 10 || !allDigits(firstTenDigits))
        return -1;
    return checkDigitOfDigits(firstTenDigits);
}

bool valueIsComplete(const QString& value)
{
    return value.size() == 11 && allDigits(value);
}

bool valueIsValid(const QString& value)
{
    return validDigits(value);
}

bool valueHasWrongCheckDigit(const QString& value)
{
    return valueIsComplete(value) && !valueIsValid(value);
}

bool textIsValid(const QString& text)
{
    if (text.size() != 13 || text.at(2) != QLatin1Char('-') || text.at(11) != QLatin1Char('-'))
        return false;
    // The eleven digits without their dashes, without a heap allocation: an
    // import judges every line.
    QChar digits[11];
    std::copy_n(text.constData(), 2, digits);
    std::copy_n(text.constData() + 3, 8, digits + 2);
    digits[10] = text.at(12);
    return validDigits(QStringView(digits, 11));
}

}  // namespace cuit
