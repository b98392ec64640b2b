#include "declaration/Withholding.h"

namespace withholding {

namespace {

// Hundredths of a receipt amount that give one whole unit withheld: 20000.
constexpr qint64 ReceiptCentsPerUnit = 100 * 1000 / RatePerThousand;
static_assert(100 * 1000 % RatePerThousand == 0, "a whole unit must stand for whole hundredths");

}  // namespace

qint64 ofReceiptInCents(qint64 receiptCents)
{
    return receiptCents / (1000 / RatePerThousand);
}

qint64 ofReceipt(qint64 receiptCents)
{
    return receiptCents / ReceiptCentsPerUnit + (receiptCents % ReceiptCentsPerUnit > ReceiptCentsPerUnit / 2 ? 1 : 0);
}

bool matchesReceipt(qint64 receiptCents, qint64 withheldCents)
{
    return receiptCents / ReceiptCentsPerUnit == withheldCents / 100;
}

qint64 roundedToUnits(qint64 withheldCents)
{
    return withheldCents / 100 + (withheldCents % 100 > 50 ? 1 : 0);
}

}  // namespace withholding
