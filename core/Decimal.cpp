#include "core/Decimal.h"

namespace decimal {

QString scaledText(qint64 unscaled, int decimals, TrailingZeros zeros)
{
    const bool negative = unscaled < 0;
    // Through unsigned arithmetic, so that the most negative value has a magnitude.
    quint64 magnitude = negative ? quint64(0) - quint64(unscaled) : quint64(unscaled);
    char digits[20];  // of the magnitude, the units first
    int count = 0;
    do {
        digits[count++] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    // The digit of weight 10^(position - fraction); zeros beyond the magnitude's own digits.
    const auto digitAt = [&](int position) { return QLatin1Char(position < count ? digits[position] : '0'); };

    const int fraction = qMax(decimals, 0);
    int fractionShown = fraction;
    if (zeros == TrailingZeros::Drop) {
        while (fractionShown > 0 && digitAt(fraction - fractionShown) == QLatin1Char('0'))
            --fractionShown;
    }
    const int whole = qMax(count - fraction, 1);
    QString out(int(negative) + whole + (fractionShown > 0 ? 1 + fractionShown : 0), Qt::Uninitialized);
    QChar* next = out.data();
    if (negative)
        *next++ = QLatin1Char('-');
    for (int position = fraction + whole - 1; position >= fraction; --position)
        *next++ = digitAt(position);
    if (fractionShown > 0) {
        *next++ = QLatin1Char('.');
        for (int position = fraction - 1; position >= fraction - fractionShown; --position)
            *next++ = digitAt(position);
    }
    return out;
}

std::optional<qint64> exactSum(qint64 first, qint64 second)
{
    qint64 sum = 0;
    if (__builtin_add_overflow(first, second, &sum))
        return std::nullopt;
    return sum;
}

}  // namespace decimal
