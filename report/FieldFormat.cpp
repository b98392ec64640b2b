#include "report/FieldFormat.h"

#include "core/Decimal.h"
#include "core/TextRules.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>
#include <optional>

namespace reporttext {

namespace {

std::optional<qint64> powerOfTen(int exponent)
{
    qint64 result = 1;
    for (int i = 0; i < exponent; ++i) {
        if (result > std::numeric_limits<qint64>::max() / 10)
            return std::nullopt;
        result *= 10;
    }
    return result;
}

// `unscaled` × 10^-scale rescaled to `decimals` decimals, halves away from zero.
std::optional<qint64> rescale(qint64 unscaled, int scale, int decimals)
{
    if (scale <= decimals) {
        const std::optional<qint64> factor = powerOfTen(decimals - scale);
        if (!factor)
            return std::nullopt;
        qint64 result = 0;
        if (__builtin_mul_overflow(unscaled, *factor, &result))
            return std::nullopt;
        return result;
    }
    const std::optional<qint64> divisor = powerOfTen(scale - decimals);
    if (!divisor)
        return unscaled == 0 ? std::optional<qint64>(0) : std::nullopt;
    qint64 quotient = unscaled / *divisor;
    const qint64 remainder = unscaled % *divisor;
    // Compare twice the remainder with the divisor without overflowing.
    const qint64 magnitude = remainder < 0 ? -remainder : remainder;
    if (magnitude >= *divisor - magnitude)
        quotient += unscaled < 0 ? -1 : 1;
    return quotient;
}

QString displayText(const FieldValue& value)
{
    switch (value.type) {
    case FieldType::String:
        return value.text;
    case FieldType::Integer:
        return QString::number(value.integer);
    case FieldType::Bcd:
        if (value.scale < 0 || value.scale > 18)
            return QString();
        return decimal::scaledText(value.integer, value.scale, decimal::TrailingZeros::Drop);
    case FieldType::Float:
        return std::isfinite(value.real) ? text::formatGeneral(value.real) : QString();
    }
    return QString();
}

// Decimals of a mask "0", "0.0", "0.00", ...; nothing for any other mask.
std::optional<int> maskDecimals(const QString& mask)
{
    static const QRegularExpression form(QStringLiteral("^0+(?:\\.(0{1,15}))?$"));
    const QRegularExpressionMatch match = form.match(mask);
    if (!match.hasMatch())
        return std::nullopt;
    return static_cast<int>(match.capturedLength(1));
}

}  // namespace

QString fieldText(const FieldValue& value, const QString& mask)
{
    if (value.isNull)
        return QString();
    if (value.type == FieldType::String || mask.isEmpty())
        return displayText(value);

    const std::optional<int> decimals = maskDecimals(mask);
    if (!decimals)
        return QString();
    std::optional<qint64> scaled;
    switch (value.type) {
    case FieldType::Integer:
        scaled = rescale(value.integer, 0, *decimals);
        break;
    case FieldType::Bcd:
        if (value.scale < 0 || value.scale > 18)
            return QString();
        scaled = rescale(value.integer, value.scale, *decimals);
        break;
    case FieldType::Float:
        if (!std::isfinite(value.real) || std::fabs(value.real) >= 1e15)
            return QString();
        if (*decimals == 2)
            return text::formatFixed2(value.real);
        return QString::number(value.real, 'f', *decimals);
    case FieldType::String:
        break;
    }
    if (!scaled)
        return QString();
    return decimal::scaledText(*scaled, *decimals);
}

}  // namespace reporttext
