#pragma once

#include "declaration/Declaration.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The rules of typing one withholding line in the line-entry panel, apart from
// the window that applies them.
namespace lineentry {

// The largest receipt amount that fits its record field, in hundredths.
constexpr qint64 LargestReceiptCents = 99999999999LL;  // 999999999.99

// Leaving the receipt amount field.
struct ReceiptWithholding
{
    enum class Outcome {
        Accepted,     // `withholding` goes into E_Importe
        NotPositive,  // zero, negative or empty
        TooLarge,     // above 999999999.99: no room in the record
    };
    Outcome outcome = Outcome::Accepted;
    // What the receipt amount field shows afterwards: the amount in the
    // "0.00" pattern; a refused amount that is too large stays as typed.
    QString amountText;
    QString withholding;
};
// Throws ConversionError when the text is no number ("1,5", "1.2.3").
ReceiptWithholding receiptWithholding(const QString& amountFieldText);
inline const QString NotPositiveMessage = QStringLiteral("El Importe  debe ser Mayor a Cero !!!");
inline const QString TooLargeMessage = QStringLiteral("Atención El Importe no puede superar 999999999.99 !!!");

// The messages that leaving the date field shows, in order: none, one, or the
// month and the year messages both. `dateValue` is the field's value without
// its slashes (DDMMYYYY). Throws ConversionError when the month or year places
// of the value, or the header's month or year, are no integer.
QStringList dateCheckMessages(const QString& dateValue, const QString& monthText, const QString& yearText);
inline const QString DateMissingMessage = QStringLiteral("Atención error en la Fecha !!!");
inline const QString DateMonthMessage =
    QStringLiteral("Atención El MES de la fecha es distinto al declarado arriba !!!");
inline const QString DateYearMessage =
    QStringLiteral("Atención El AÑO de la fecha es distinto al declarado arriba !!!");

// How many line rows hold this receipt number (trimmed, exact comparison);
// gaps never match, and an empty receipt number matches nothing.
int duplicateCount(const Declaration& declaration, const QString& receiptText);
inline const QString DuplicateMessage = QStringLiteral("Atención Comprobante ya Ingresado !!!");

// ADICIONA requires these four texts; the CUIT is the masked field's value.
bool lineIsComplete(
    const QString& legajo, const QString& receiptNumber, const QString& cuitValue, const QString& withholding);
inline const QString IncompleteMessage = QStringLiteral("Atención Falta ingresar Legajo o Nro. Comprobante !!!");

// The line ADICIONA adds into grid row `gridRow`, its texts as the grid shows them.
struct TypedLine
{
    QString receiptNumber;  // E_Comprobante
    QString dateValue;      // E_FECha without slashes, DDMMYYYY
    QString receiptAmount;  // Impo_compro
    QString withholding;    // E_Importe
    QString companyName;    // empresa
    QString cuitValue;      // E_CuitReten without dashes, 11 digits
};
WithholdingLine addedLine(qint32 gridRow, const TypedLine& typed);

}  // namespace lineentry
