#pragma once

#include <QtGlobal>

// The withholding rules, in exact hundredths.
namespace withholding {

// The rate: 5 per thousand (0.5 %) of the receipt amount.
inline constexpr qint64 RatePerThousand = 5;

// The rate in truncated hundredths: receipt hundredths × 5 / 1000, the
// fraction dropped toward zero (123456 gives 617, that is 6.17).
qint64 ofReceiptInCents(qint64 receiptCents);

// The rate in whole units: a fraction of more than one half rounds up, exactly
// one half down (1234.50 gives 6, 1380.00 gives 7).
qint64 ofReceipt(qint64 receiptCents);

// The import cross-check: the whole units of the rate on the receipt amount
// must equal the whole units of the declared withholding, both truncated.
bool matchesReceipt(qint64 receiptCents, qint64 withheldCents);

// A declared withholding rounded to whole units; exactly one half rounds down.
qint64 roundedToUnits(qint64 withheldCents);

}  // namespace withholding
