// The number conversions and formats, each against a reference written here
// from the rules alone: toInt32, toDouble, toCents, formatGeneral,
// formatFixed2, addToTotal, and the amount field of a declaration record,
// which record::doesNotFit guards.
#include "fuzz/FuzzSupport.h"

#include "core/Error.h"
#include "core/TextRules.h"
#include "declaration/Record.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QRegularExpression>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

using fuzzsupport::shown;

namespace {

// ---- References --------------------------------------------------------

struct Outcome
{
    bool ok = false;
    QString message;  // the error's message when refused
};

template <typename F>
Outcome run(F&& f)
{
    try {
        f();
        return {true, {}};
    } catch (const ConversionError& error) {
        return {false, error.message()};
    }
}

QString integerMessage(const QString& text)
{
    return QStringLiteral("''") + text + QStringLiteral("'' is not a valid integer value");
}
QString floatMessage(const QString& text)
{
    return QLatin1Char('\'') + text + QStringLiteral("' is not a valid floating point value");
}

// Leading blanks, one sign, digits only, within 32 bits.
std::optional<qint32> referenceInt32(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    if (i == text.size())
        return std::nullopt;
    __int128 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > (__int128(1) << 40))
            value = __int128(1) << 40;  // far outside, keep it from growing
    }
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return qint32(value);
}

// The text without blanks at both ends, when it is ASCII and has the shape
// [sign] digits [. digits] [e [sign] digits] with a digit in the mantissa.
std::optional<std::string> numberShape(const QString& text, bool* plainTwoDecimals = nullptr)
{
    std::string s;
    for (QChar c : text) {
        if (c.unicode() > 127)
            return std::nullopt;
        s.push_back(char(c.unicode()));
    }
    const size_t begin = s.find_first_not_of(' ');
    if (begin == std::string::npos)
        return std::nullopt;
    s = s.substr(begin, s.find_last_not_of(' ') - begin + 1);
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    size_t mantissaDigits = 0, decimals = 0;
    bool point = false, exponent = false;
    for (; i < s.size() && (std::isdigit((unsigned char)s[i]) || (s[i] == '.' && !point)); ++i) {
        if (s[i] == '.') {
            point = true;
            continue;
        }
        ++mantissaDigits;
        if (point)
            ++decimals;
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        exponent = true;
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        size_t digits = 0;
        for (; i < s.size() && std::isdigit((unsigned char)s[i]); ++i)
            ++digits;
        if (digits == 0)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;
    if (plainTwoDecimals)
        *plainTwoDecimals = !exponent && decimals <= 2;
    return s;
}

// strtod in the C locale (the fuzzer never sets another): nothing when the
// value is out of a double's range.
struct ReferenceDouble
{
    double value = 0;
    bool tiny = false;  // below the normal range: 0 is also a fair answer
};
std::optional<ReferenceDouble> referenceDouble(const QString& text)
{
    const auto shape = numberShape(text);
    if (!shape)
        return std::nullopt;
    errno = 0;
    const double value = std::strtod(shape->c_str(), nullptr);
    if (std::isinf(value))
        return std::nullopt;
    ReferenceDouble out;
    out.value = value;
    out.tiny = std::fabs(value) < DBL_MIN;
    return out;
}

// Exact hundredths of a plain text with at most two decimals, as a wide integer.
std::optional<__int128> referencePlainCents(const QString& text)
{
    bool plain = false;
    const auto shape = numberShape(text, &plain);
    if (!shape || !plain)
        return std::nullopt;
    bool negative = false;
    __int128 units = 0;
    int decimals = -1;
    __int128 fraction = 0;
    for (char c : *shape) {
        if (c == '-')
            negative = true;
        else if (c == '.')
            decimals = 0;
        else if (c >= '0' && c <= '9') {
            if (decimals < 0)
                units = std::min<__int128>(units * 10 + (c - '0'), __int128(1) << 100);
            else {
                fraction = fraction * 10 + (c - '0');
                ++decimals;
            }
        }
    }
    while (decimals < 2) {
        fraction *= 10;
        decimals = decimals < 0 ? 1 : decimals + 1;
    }
    const __int128 cents = units * 100 + fraction;
    return negative ? -cents : cents;
}

QString decimalOf(__int128 value)
{
    const bool negative = value < 0;
    unsigned __int128 magnitude = negative ? (unsigned __int128)(-value) : (unsigned __int128)value;
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude);
    return QString::fromStdString((negative ? "-" : "") + digits);
}

// Hundredths as the general format writes them: no trailing zeros, no point
// for whole amounts.
QString referenceGeneralCents(__int128 cents)
{
    const bool negative = cents < 0;
    const __int128 magnitude = negative ? -cents : cents;
    QString out = decimalOf(magnitude / 100);
    const int fraction = int(magnitude % 100);
    if (fraction % 10)
        out += QStringLiteral(".%1%2").arg(fraction / 10).arg(fraction % 10);
    else if (fraction)
        out += QStringLiteral(".%1").arg(fraction / 10);
    return negative && magnitude ? QLatin1Char('-') + out : out;
}

// "0.00" of a finite double from its shortest decimal digits, halves away
// from zero.
QString referenceFixed2(double value)
{
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific).ptr;
    std::string text(buffer, end);
    const bool negative = text[0] == '-';
    if (negative)
        text.erase(0, 1);
    const size_t e = text.find('e');
    const int exponent = std::stoi(text.substr(e + 1));
    std::string digits;
    for (char c : text.substr(0, e))
        if (c != '.')
            digits.push_back(c);
    // value = 0.digits * 10^(exponent + 1); hundredths keep len + k digits.
    const long keep = long(exponent) + 3;
    std::string cents;
    bool roundUp = false;
    if (keep >= long(digits.size())) {
        cents = digits + std::string(size_t(keep - long(digits.size())), '0');
    } else if (keep >= 0) {
        cents = digits.substr(0, size_t(keep));
        roundUp = digits[size_t(keep)] >= '5';
    }
    if (cents.empty())
        cents = "0";
    if (roundUp) {
        int i = int(cents.size()) - 1;
        while (i >= 0 && cents[size_t(i)] == '9')
            cents[size_t(i--)] = '0';
        if (i < 0)
            cents.insert(cents.begin(), '1');
        else
            ++cents[size_t(i)];
    }
    const size_t nonZero = cents.find_first_not_of('0');
    cents = nonZero == std::string::npos ? "0" : cents.substr(nonZero);
    const bool zero = cents == "0";
    while (cents.size() < 3)
        cents.insert(cents.begin(), '0');
    cents.insert(cents.size() - 2, ".");
    return QString::fromStdString((negative && !zero ? "-" : "") + cents);
}

// ---- Checks ------------------------------------------------------------

void checkInt32(const QString& text)
{
    qint32 got = 0;
    const Outcome outcome = run([&] { got = text::toInt32(text); });
    const auto expected = referenceInt32(text);
    FUZZ_CHECK(outcome.ok == expected.has_value(),
        QStringLiteral("toInt32(%1) accepted: %2").arg(shown(text)).arg(outcome.ok));
    if (expected)
        FUZZ_CHECK(
            got == *expected, QStringLiteral("toInt32(%1) = %2, expected %3").arg(shown(text)).arg(got).arg(*expected));
    else
        FUZZ_CHECK(
            outcome.message == integerMessage(text), QStringLiteral("toInt32 message %1").arg(shown(outcome.message)));
}

void checkDouble(const QString& text)
{
    double got = 0;
    const Outcome outcome = run([&] { got = text::toDouble(text); });
    const auto expected = referenceDouble(text);
    FUZZ_CHECK(outcome.ok == expected.has_value(),
        QStringLiteral("toDouble(%1) accepted: %2").arg(shown(text)).arg(outcome.ok));
    if (!expected) {
        FUZZ_CHECK(
            outcome.message == floatMessage(text), QStringLiteral("toDouble message %1").arg(shown(outcome.message)));
        return;
    }
    const bool same = got == expected->value && std::signbit(got) == std::signbit(expected->value);
    FUZZ_CHECK(same || (expected->tiny && got == 0),
        QStringLiteral("toDouble(%1) = %2, expected %3")
            .arg(shown(text))
            .arg(got, 0, 'g', 17)
            .arg(expected->value, 0, 'g', 17));
}

void checkCents(const QString& text)
{
    qint64 got = 0;
    const Outcome outcome = run([&] { got = text::toCents(text); });
    const auto number = referenceDouble(text);
    if (!number) {
        FUZZ_CHECK(!outcome.ok && outcome.message == floatMessage(text),
            QStringLiteral("toCents(%1) not refused as no number").arg(shown(text)));
        return;
    }
    if (!outcome.ok)
        FUZZ_CHECK(
            outcome.message == floatMessage(text), QStringLiteral("toCents message %1").arg(shown(outcome.message)));
    const __int128 limit = __int128(9) * 1000000000000000000LL;  // 9e18 hundredths
    if (const auto plain = referencePlainCents(text)) {
        if (*plain > -limit && *plain < limit) {
            FUZZ_CHECK(outcome.ok && got == qint64(*plain),
                QStringLiteral("toCents(%1) = %2, expected %3").arg(shown(text)).arg(got).arg(decimalOf(*plain)));
        } else {
            FUZZ_CHECK(!outcome.ok || __int128(got) == *plain,
                QStringLiteral("toCents(%1) = %2 past 64 bits").arg(shown(text)).arg(got));
        }
        return;
    }
    const long double hundredths = (long double)number->value * 100;
    if (std::fabs(hundredths) < 9e18L) {
        FUZZ_CHECK(outcome.ok, QStringLiteral("toCents(%1) refused").arg(shown(text)));
        FUZZ_CHECK(std::fabs((long double)got - hundredths) <= 0.5L + std::fabs(hundredths) * 1e-15L,
            QStringLiteral("toCents(%1) = %2, value %3").arg(shown(text)).arg(got).arg(number->value, 0, 'g', 17));
    } else if (std::fabs(hundredths) > 9.3e18L) {
        FUZZ_CHECK(!outcome.ok, QStringLiteral("toCents(%1) = %2 for a value past 64 bits").arg(shown(text)).arg(got));
    }
}

void checkFormatGeneral(double value)
{
    const QString got = text::formatGeneral(value);
    if (!std::isfinite(value))
        return;
    static const QRegularExpression shape(QStringLiteral("^-?[0-9]+(\\.[0-9]*[1-9])?(E-?[1-9][0-9]*)?$"));
    FUZZ_CHECK(shape.match(got).hasMatch(), QStringLiteral("formatGeneral(%1) = %2").arg(value, 0, 'g', 17).arg(got));
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    const double expected = std::strtod(buffer, nullptr);
    if (std::isinf(expected))
        return;  // within 15 digits of the largest double: past the range once rounded
    double back = 0;
    const Outcome outcome = run([&] { back = text::toDouble(got); });
    FUZZ_CHECK(outcome.ok && back == expected,
        QStringLiteral("formatGeneral(%1) = %2, reads back as %3, expected %4")
            .arg(value, 0, 'g', 17)
            .arg(got)
            .arg(back, 0, 'g', 17)
            .arg(expected, 0, 'g', 17));
    int significant = 0;
    for (QChar c : got) {
        if (c == QLatin1Char('E'))
            break;
        if (c.isDigit() && (significant || c != QLatin1Char('0')))
            ++significant;
    }
    FUZZ_CHECK(significant <= 15, QStringLiteral("formatGeneral(%1) = %2").arg(value, 0, 'g', 17).arg(got));
}

void checkFormatFixed2(double value)
{
    const QString got = text::formatFixed2(value);
    if (!std::isfinite(value))
        return;
    if (std::fabs(value) >= 1e15) {
        // No hundredths left to round: whichever digits stand for the same
        // double (shortest or exact) are right.
        static const QRegularExpression shape(QStringLiteral("^-?[1-9][0-9]*\\.00$"));
        FUZZ_CHECK(shape.match(got).hasMatch() && std::strtod(got.toLatin1().constData(), nullptr) == value,
            QStringLiteral("formatFixed2(%1) = %2").arg(value, 0, 'g', 17).arg(got));
        return;
    }
    const QString expected = referenceFixed2(value);
    FUZZ_CHECK(got == expected,
        QStringLiteral("formatFixed2(%1) = %2, expected %3").arg(value, 0, 'g', 17).arg(got, expected));
}

void checkTotal(const QString& total, const QString& amount, bool add)
{
    QString got;
    const Outcome outcome =
        run([&] { got = add ? text::addToTotal(total, amount) : text::subtractFromTotal(total, amount); });
    const auto a = referenceDouble(total);
    const auto b = referenceDouble(amount);
    FUZZ_CHECK(outcome.ok == (a && b),
        QStringLiteral("total %1 %2 %3 accepted: %4")
            .arg(shown(total), add ? "+" : "-", shown(amount))
            .arg(outcome.ok));
    if (!outcome.ok)
        return;
    const auto ca = referencePlainCents(total);
    const auto cb = referencePlainCents(amount);
    // Exact hundredths while both amounts are well inside 64 bits and the sum
    // has at most fifteen digits; past that the general format rounds.
    const __int128 inputLimit = __int128(900000000000000000LL);
    const __int128 exactLimit = __int128(999999999999990LL);
    if (ca && cb && *ca > -inputLimit && *ca<inputLimit&& * cb> - inputLimit && *cb < inputLimit) {
        const __int128 sum = add ? *ca + *cb : *ca - *cb;
        if (sum >= -exactLimit && sum <= exactLimit) {
            FUZZ_CHECK(got == referenceGeneralCents(sum),
                QStringLiteral("total %1 %2 %3 = %4, expected %5")
                    .arg(shown(total), add ? "+" : "-", shown(amount), got, referenceGeneralCents(sum)));
            return;
        }
    }
    const double sum = add ? a->value + b->value : a->value - b->value;
    if (!std::isfinite(sum) || std::fabs(sum) < 1e-300)
        return;
    // The double sum loses digits of large operands that cancel; allow for them.
    const double tolerance = (std::fabs(a->value) + std::fabs(b->value)) * 1e-14 + 0.006;
    double back = 0;
    const Outcome readBack = run([&] { back = text::toDouble(got); });
    FUZZ_CHECK(readBack.ok && std::fabs(back - sum) <= tolerance,
        QStringLiteral("total %1 %2 %3 = %4").arg(shown(total), add ? "+" : "-", shown(amount), got));
}

// A record input whose every field fits, with one amount from the fuzzer.
record::RecordInput fittingInput()
{
    record::RecordInput in;
    in.supplierCuit = QStringLiteral("20-12345678-6");
    in.year = QStringLiteral("2026");
    in.monthTwoDigits = QStringLiteral("03");
    in.date = QStringLiteral("15/03/2026");
    in.withholding = QStringLiteral("6");
    in.receiptNumber = QStringLiteral("123");
    in.supplierName = QStringLiteral("PROVEEDOR");
    in.declarantCuit = QStringLiteral("30-70707070-1");
    in.declarantName = QStringLiteral("AGENTE");
    in.receiptAmount = QStringLiteral("1200.00");
    return in;
}

QString elevenDigits(__int128 cents)
{
    return decimalOf(cents).rightJustified(11, QLatin1Char('0'));
}

void checkAmountField(const QString& amount)
{
    QString field;
    const Outcome outcome = run([&] { field = record::amountField(amount); });
    if (!referenceDouble(text::trimmed(amount)))
        FUZZ_CHECK(!outcome.ok, QStringLiteral("amountField(%1) = %2 for no number").arg(shown(amount), field));

    record::RecordInput in = fittingInput();
    in.withholding = amount;
    in.receiptAmount = amount;
    const auto problem = record::doesNotFit(in);
    if (problem) {
        FUZZ_CHECK(
            problem->field == QStringLiteral("Importe Retención"), QStringLiteral("field %1").arg(problem->field));
        return;
    }
    // It fits: a plain amount from 0 to 999999999.99 in eleven digits.
    const auto cents = referencePlainCents(text::trimmed(amount));
    FUZZ_CHECK(cents && *cents >= 0 && *cents <= 99999999999LL,
        QStringLiteral("doesNotFit passes the amount %1").arg(shown(amount)));
    FUZZ_CHECK(outcome.ok && field == elevenDigits(*cents),
        QStringLiteral("amountField(%1) = %2, expected %3").arg(shown(amount), field, elevenDigits(*cents)));
}

double doubleOf(FuzzedDataProvider& provider)
{
    if (provider.ConsumeBool())
        return provider.ConsumeFloatingPoint<double>();
    // Amount-like values: hundredths and thirds of them, halves.
    const qint64 cents = provider.ConsumeIntegralInRange<qint64>(-100000000000000LL, 100000000000000LL);
    switch (provider.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return double(cents) / 100;
    case 1:
        return double(cents) / 1000;
    case 2:
        return (double(cents) + 0.5) / 100;
    default:
        return double(cents) / 3;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const int operation = provider.ConsumeIntegralInRange<int>(0, 7);
    const auto mode = fuzzsupport::textMode(provider.ConsumeIntegral<uint8_t>());
    switch (operation) {
    case 0:
        checkInt32(fuzzsupport::textOf(provider.ConsumeRemainingBytesAsString(), mode));
        break;
    case 1:
        checkDouble(fuzzsupport::textOf(provider.ConsumeRemainingBytesAsString(), mode));
        break;
    case 2:
        checkCents(fuzzsupport::textOf(provider.ConsumeRemainingBytesAsString(), mode));
        break;
    case 3:
        checkFormatGeneral(doubleOf(provider));
        break;
    case 4:
        checkFormatFixed2(doubleOf(provider));
        break;
    case 5:
    case 6: {
        const QString total = fuzzsupport::textOf(provider.ConsumeRandomLengthString(64), mode);
        checkTotal(total, fuzzsupport::textOf(provider.ConsumeRemainingBytesAsString(), mode), operation == 5);
        break;
    }
    default:
        checkAmountField(fuzzsupport::textOf(provider.ConsumeRemainingBytesAsString(), mode));
        break;
    }
    return 0;
}
