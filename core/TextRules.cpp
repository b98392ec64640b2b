#include "core/TextRules.h"

#include "core/Decimal.h"
#include "core/Error.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace text {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ');
}

ConversionError integerError(const QString& text)
{
    return ConversionError(QStringLiteral("''%1'' is not a valid integer value").arg(text));
}

ConversionError floatError(const QString& text)
{
    return ConversionError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

// The shortest fixed-point decimal text that reads back as the same double.
std::string shortestFixed(double value)
{
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

// Parses [sign]digits[.digits] with at least one digit; returns false on
// anything else. Splits into sign, integer digits and fraction digits.
struct PlainDecimal
{
    bool negative = false;
    std::string whole;
    std::string fraction;
};

bool parsePlainDecimal(std::string_view s, PlainDecimal& out)
{
    size_t i = 0;
    out = {};
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        out.negative = s[i] == '-';
        ++i;
    }
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        out.whole.push_back(s[i++]);
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            out.fraction.push_back(s[i++]);
    }
    return i == s.size() && !(out.whole.empty() && out.fraction.empty());
}

// Rounds a plain decimal to two decimals, halves away from zero, and returns
// the magnitude as integer digits plus exactly two fraction digits.
std::string roundedMagnitude(const PlainDecimal& d)
{
    std::string digits = d.whole.empty() ? std::string("0") : d.whole;
    std::string fraction = d.fraction;
    bool roundUp = fraction.size() > 2 && fraction[2] >= '5';
    fraction.resize(2, '0');
    std::string all = digits + fraction;
    if (roundUp) {
        int i = int(all.size()) - 1;
        while (i >= 0 && all[size_t(i)] == '9') {
            all[size_t(i)] = '0';
            --i;
        }
        if (i < 0)
            all.insert(all.begin(), '1');
        else
            ++all[size_t(i)];
    }
    // Drop leading zeros of the integer part, keeping at least one digit.
    size_t firstNonZero = 0;
    while (firstNonZero + 3 < all.size() && all[firstNonZero] == '0')
        ++firstNonZero;
    return all.substr(firstNonZero);
}

std::string asciiOrEmpty(const QString& text, bool& ascii)
{
    std::string out;
    out.reserve(size_t(text.size()));
    ascii = true;
    for (QChar c : text) {
        if (c.unicode() > 127) {
            ascii = false;
            return {};
        }
        out.push_back(char(c.unicode()));
    }
    return out;
}

std::optional<qint64> centsOfDigits(const std::string& magnitudeWithTwoDecimals, bool negative)
{
    qint64 value = 0;
    for (char c : magnitudeWithTwoDecimals) {
        if (value > (std::numeric_limits<qint64>::max() - 9) / 10)
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

std::string fixed2Magnitude(double value, bool& negative)
{
    PlainDecimal d;
    parsePlainDecimal(shortestFixed(value), d);
    negative = d.negative;
    return roundedMagnitude(d);
}

QString withPoint(const std::string& magnitude, bool negative)
{
    std::string out = magnitude;
    out.insert(out.size() - 2, 1, '.');
    bool zero = out.find_first_not_of("0.") == std::string::npos;
    if (negative && !zero)
        out.insert(out.begin(), '-');
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

// Whether a validated unsigned number text has a decimal exponent below zero
// (its value is less than one), looking at digits and exponent only.
bool magnitudeBelowOne(std::string_view number)
{
    long long position = 0;  // decimal exponent of the first significant digit
    bool seenPoint = false;
    bool found = false;
    long long integerDigits = 0;
    long long leadingFractionZeros = 0;
    size_t i = 0;
    for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
        const char c = number[i];
        if (c == '.') {
            seenPoint = true;
            continue;
        }
        if (!found && c != '0') {
            found = true;
            position = seenPoint ? -(leadingFractionZeros + 1) : 0;
        }
        if (!seenPoint && found)
            ++integerDigits;
        if (seenPoint && !found)
            ++leadingFractionZeros;
    }
    if (!found)
        return true;
    if (!seenPoint || position == 0)
        position = integerDigits - 1;
    long long exponent = 0;
    if (i < number.size()) {
        ++i;
        bool negative = false;
        if (i < number.size() && (number[i] == '+' || number[i] == '-'))
            negative = number[i++] == '-';
        for (; i < number.size(); ++i)
            exponent = std::min(exponent * 10 + (number[i] - '0'), 1000000000LL);
        if (negative)
            exponent = -exponent;
    }
    return position + exponent < 0;
}

}  // namespace

QString trimmed(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

std::optional<qint64> exactCents(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    bool ascii = false;
    std::string s = asciiOrEmpty(text.mid(begin, end - begin), ascii);
    PlainDecimal d;
    if (!ascii || !parsePlainDecimal(s, d) || d.fraction.size() > 2)
        return std::nullopt;
    return centsOfDigits(roundedMagnitude(d), d.negative);
}

qint32 toInt32(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text.at(i)))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        throw integerError(text);
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const ushort c = text.at(i).unicode();
        if (c < '0' || c > '9')
            throw integerError(text);
        value = value * 10 + (c - '0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            throw integerError(text);
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<qint32>::max() || value < std::numeric_limits<qint32>::min())
        throw integerError(text);
    return qint32(value);
}

double toDouble(const QString& text)
{
    bool ascii = false;
    std::string s = asciiOrEmpty(text, ascii);
    if (!ascii)
        throw floatError(text);
    size_t begin = s.find_first_not_of(' ');
    size_t end = s.find_last_not_of(' ');
    if (begin == std::string::npos)
        throw floatError(text);
    std::string_view core(s.data() + begin, end - begin + 1);

    // Grammar: [sign] digits [. digits] [(e|E) [sign] digits], one digit at least
    // in the mantissa; checked by hand so that from_chars sees only what we allow.
    size_t i = 0;
    bool negative = false;
    if (i < core.size() && (core[i] == '+' || core[i] == '-')) {
        negative = core[i] == '-';
        ++i;
    }
    const size_t mantissaStart = i;
    size_t digits = 0;
    while (i < core.size() && core[i] >= '0' && core[i] <= '9') {
        ++i;
        ++digits;
    }
    if (i < core.size() && core[i] == '.') {
        ++i;
        while (i < core.size() && core[i] >= '0' && core[i] <= '9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        throw floatError(text);
    if (i < core.size() && (core[i] == 'e' || core[i] == 'E')) {
        ++i;
        if (i < core.size() && (core[i] == '+' || core[i] == '-'))
            ++i;
        size_t exponentDigits = 0;
        while (i < core.size() && core[i] >= '0' && core[i] <= '9') {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            throw floatError(text);
    }
    if (i != core.size())
        throw floatError(text);

    std::string_view number = core.substr(mantissaStart);
    double value = 0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range && magnitudeBelowOne(number))
        value = 0;  // underflow: closer to zero than a double can hold
    else if (result.ec != std::errc() || !std::isfinite(value))
        throw floatError(text);
    return negative ? -value : value;
}

qint64 toCents(const QString& text)
{
    const double value = toDouble(text);
    if (auto exact = exactCents(text))
        return *exact;
    bool negative = false;
    const std::string magnitude = fixed2Magnitude(value, negative);
    auto cents = centsOfDigits(magnitude, negative);
    if (!cents)
        throw floatError(text);
    return *cents;
}

QString formatGeneral(double value)
{
    if (value == 0 || !std::isfinite(value))
        return value == 0 ? QStringLiteral("0") : QString::number(value);
    // As printf's "%.15G" in the C locale, whatever the process's locale.
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string s(buffer, written.ptr);
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return c == 'e' ? 'E' : c; });
    const size_t e = s.find('E');
    std::string mantissa = e == std::string::npos ? s : s.substr(0, e);
    if (mantissa.find('.') != std::string::npos) {
        while (!mantissa.empty() && mantissa.back() == '0')
            mantissa.pop_back();
        if (!mantissa.empty() && mantissa.back() == '.')
            mantissa.pop_back();
    }
    if (e != std::string::npos) {
        // Exponent without "+" and without leading zeros: 1.5E15, 1E-5.
        std::string exponent = s.substr(e + 1);
        bool negativeExponent = !exponent.empty() && exponent[0] == '-';
        size_t firstDigit = exponent.find_first_not_of("+-0");
        exponent = firstDigit == std::string::npos ? "0" : exponent.substr(firstDigit);
        mantissa += std::string("E") + (negativeExponent ? "-" : "") + exponent;
    }
    return QString::fromLatin1(mantissa.c_str());
}

QString formatGeneralCents(qint64 cents)
{
    // Beyond 15 significant digits the general format rounds; leave that to it.
    if (cents > 99999999999999LL * 10 || cents < -99999999999999LL * 10)
        return formatGeneral(double(cents) / 100.0);
    return decimal::scaledText(cents, 2, decimal::TrailingZeros::Drop);
}

QString formatFixed2(double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    bool negative = false;
    const std::string magnitude = fixed2Magnitude(value, negative);
    return withPoint(magnitude, negative);
}

QString formatFixed2Cents(qint64 cents)
{
    return decimal::scaledText(cents, 2);
}

namespace {

QString combineTotal(const QString& totalText, const QString& amountText, int sign)
{
    const double total = toDouble(totalText);
    const double amount = toDouble(amountText);
    const auto totalCents = exactCents(totalText);
    const auto amountCents = exactCents(amountText);
    if (totalCents && amountCents) {
        if (const auto sum = decimal::exactSum(*totalCents, sign * *amountCents))
            return formatGeneralCents(*sum);
    }
    return formatGeneral(total + sign * amount);
}

}  // namespace

QString addToTotal(const QString& totalText, const QString& amountText)
{
    return combineTotal(totalText, amountText, +1);
}

QString subtractFromTotal(const QString& totalText, const QString& amountText)
{
    return combineTotal(totalText, amountText, -1);
}

}  // namespace text
