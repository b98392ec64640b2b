#include "declaration/AmountWords.h"

#include <QStringList>

namespace amountwords {

namespace {

// "UNO" and the numbers ending in it lose their last letter before a noun
// ("UN MIL", "VEINTIÚN MILLONES"); at the end of the amount they keep it.
enum class Ending { Full, Shortened };

const char* const Units[30] = {"CERO", "UNO", "DOS", "TRES", "CUATRO", "CINCO", "SEIS", "SIETE", "OCHO", "NUEVE",
    "DIEZ", "ONCE", "DOCE", "TRECE", "CATORCE", "QUINCE", "DIECISÉIS", "DIECISIETE", "DIECIOCHO", "DIECINUEVE",
    "VEINTE", "VEINTIUNO", "VEINTIDÓS", "VEINTITRÉS", "VEINTICUATRO", "VEINTICINCO", "VEINTISÉIS", "VEINTISIETE",
    "VEINTIOCHO", "VEINTINUEVE"};
const char* const Tens[10] = {
    "", "", "", "TREINTA", "CUARENTA", "CINCUENTA", "SESENTA", "SETENTA", "OCHENTA", "NOVENTA"};
const char* const Hundreds[10] = {"", "CIENTO", "DOSCIENTOS", "TRESCIENTOS", "CUATROCIENTOS", "QUINIENTOS",
    "SEISCIENTOS", "SETECIENTOS", "OCHOCIENTOS", "NOVECIENTOS"};

QString below30(unsigned number, Ending ending)
{
    if (ending == Ending::Shortened) {
        if (number == 1)
            return QStringLiteral("UN");
        if (number == 21)
            return QStringLiteral("VEINTIÚN");
    }
    return QString::fromUtf8(Units[number]);
}

// 1 to 999.
QString belowThousand(unsigned number, Ending ending)
{
    if (number == 100)
        return QStringLiteral("CIEN");
    QStringList words;
    if (number >= 100)
        words << QString::fromUtf8(Hundreds[number / 100]);
    const unsigned rest = number % 100;
    if (rest >= 30) {
        QString tens = QString::fromUtf8(Tens[rest / 10]);
        if (rest % 10 != 0)
            tens += QStringLiteral(" Y ") + below30(rest % 10, ending);
        words << tens;
    } else if (rest > 0) {
        words << below30(rest, ending);
    }
    return words.join(QLatin1Char(' '));
}

// 1 to 999999.
QString belowMillion(unsigned number, Ending ending)
{
    const unsigned thousands = number / 1000;
    const unsigned rest = number % 1000;
    QStringList words;
    if (thousands == 1)
        words << QStringLiteral("MIL");
    else if (thousands > 1)
        words << belowThousand(thousands, Ending::Shortened) + QStringLiteral(" MIL");
    if (rest > 0)
        words << belowThousand(rest, ending);
    return words.join(QLatin1Char(' '));
}

// `count` of a scale word: "UN MILLÓN", "DOS MILLONES", "VEINTIÚN MILLONES".
QString scaled(unsigned count, const char* one, const char* many)
{
    if (count == 1)
        return QStringLiteral("UN ") + QString::fromUtf8(one);
    return belowMillion(count, Ending::Shortened) + QLatin1Char(' ') + QString::fromUtf8(many);
}

}  // namespace

QString wholeInWords(quint64 number)
{
    if (number == 0)
        return QString::fromUtf8(Units[0]);
    constexpr quint64 Million = 1000000;
    constexpr quint64 Billion = Million * Million;
    constexpr quint64 Trillion = Billion * Million;
    QStringList words;
    const unsigned trillions = unsigned(number / Trillion);
    const unsigned billions = unsigned((number / Billion) % Million);
    const unsigned millions = unsigned((number / Million) % Million);
    const unsigned rest = unsigned(number % Million);
    if (trillions > 0)
        words << scaled(trillions, "TRILLÓN", "TRILLONES");
    if (billions > 0)
        words << scaled(billions, "BILLÓN", "BILLONES");
    if (millions > 0)
        words << scaled(millions, "MILLÓN", "MILLONES");
    if (rest > 0)
        words << belowMillion(rest, Ending::Full);
    return words.join(QLatin1Char(' '));
}

QString inWords(qint64 cents)
{
    // The magnitude in unsigned arithmetic, so that the most negative amount has one too.
    const quint64 magnitude = cents < 0 ? quint64(0) - quint64(cents) : quint64(cents);
    const QString fraction = QString::number(magnitude % 100).rightJustified(2, QLatin1Char('0'));
    QString words = wholeInWords(magnitude / 100) + QStringLiteral(" CON ") + fraction + QStringLiteral("/100");
    if (cents < 0)
        words.prepend(QStringLiteral("MENOS "));
    return words;
}

}  // namespace amountwords
