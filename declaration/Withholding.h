#pragma once

#include <QtGlobal>

// The 0.5 % withholding rules, in exact hundredths.
namespace withholding {

// 0.5 % of a receipt amount in whole units: c div 20000, plus 1 when
// c mod 20000 exceeds 10000 (a fraction of exactly one half rounds down).
qint64 ofReceipt(qint64 receiptCents);

// The import cross-check: the whole units of 0.5 % of the receipt amount must
// equal the whole units of the declared withholding, both truncated.
bool matchesReceipt(qint64 receiptCents, qint64 withheldCents);

// A declared withholding rounded to whole units; exactly one half rounds down.
qint64 roundedToUnits(qint64 withheldCents);

}  // namespace withholding
