#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Text and number rules shared by the whole program. Every conversion uses the
// point as decimal separator, whatever the user's locale.
namespace text {

// Removes blanks and control characters (codes up to 32) at both ends.
QString trimmed(const QString& text);

// Reads a signed 32-bit integer: leading blanks and one sign allowed; trailing
// blanks, any other character and values outside the range are refused with
// ConversionError "''<text>'' is not a valid integer value".
qint32 toInt32(const QString& text);

// Reads a decimal number: leading and trailing blanks allowed, one sign, digits
// with an optional point and an optional exponent. Refused with ConversionError
// "'<text>' is not a valid floating point value".
double toDouble(const QString& text);

// The number in exact hundredths. Plain decimal texts are read digit by digit;
// other forms (an exponent, more than two decimals) are rounded to the nearest
// hundredth, halves away from zero. Throws the toDouble error for a text that
// is no number, and for an amount whose hundredths do not fit 64 bits.
qint64 toCents(const QString& text);

// The hundredths of a plain decimal text ([sign] digits [. at most two
// digits], blanks around allowed), read digit by digit; nothing for any other
// text or one whose hundredths do not fit 64 bits. Throws nothing.
std::optional<qint64> exactCents(const QString& text);

// Shortest text with at most 15 significant digits, no thousands separator,
// a point only when there is a fraction: 0, 13, 6.17.
QString formatGeneral(double value);
// The same for an exact amount in hundredths.
QString formatGeneralCents(qint64 cents);

// Pattern "0.00": at least one integer digit, exactly two decimals, halves
// rounded away from zero (on the shortest decimal text of the value).
QString formatFixed2(double value);
QString formatFixed2Cents(qint64 cents);

// Running total arithmetic: total text plus (or minus) an amount text, written
// back in the general format. Exact when both texts are amounts in hundredths.
QString addToTotal(const QString& totalText, const QString& amountText);
QString subtractFromTotal(const QString& totalText, const QString& amountText);
}  // namespace text
