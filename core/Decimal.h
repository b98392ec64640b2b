#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Exact decimals held as an integer and a count of decimals: `unscaled` ×
// 10^-decimals (600 with 2 decimals is 6.00). Amounts in hundredths are such
// decimals with 2 decimals.
namespace decimal {

// Whether the zeros at the end of the fraction are written.
enum class TrailingZeros { Keep, Drop };

// `unscaled` × 10^-decimals as text with a point: a minus sign for a negative
// value, at least one integer digit, and with Keep exactly `decimals` fraction
// digits (-5 with 2 decimals is "-0.05", 0 is "0.00"). Drop leaves out the
// zeros at the end of the fraction and then a point with nothing after it
// (600 with 2 decimals is "6", 610 is "6.1"). No thousands separator, whatever
// the locale. A count of decimals below zero counts as zero.
QString scaledText(qint64 unscaled, int decimals, TrailingZeros zeros = TrailingZeros::Keep);

// The exact sum of two decimals of the same scale; nothing when it does not
// fit 64 bits.
std::optional<qint64> exactSum(qint64 first, qint64 second);

}  // namespace decimal
