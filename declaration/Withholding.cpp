#include "declaration/Withholding.h"

namespace withholding {

qint64 ofReceipt(qint64 receiptCents)
{
    return receiptCents / 20000 + (receiptCents % 20000 > 10000 ? 1 : 0);
}

bool matchesReceipt(qint64 receiptCents, qint64 withheldCents)
{
    return receiptCents / 20000 == withheldCents / 100;
}

qint64 roundedToUnits(qint64 withheldCents)
{
    return withheldCents / 100 + (withheldCents % 100 > 50 ? 1 : 0);
}

}  // namespace withholding
