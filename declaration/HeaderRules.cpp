#include "declaration/HeaderRules.h"

#include "core/TextRules.h"

namespace headerrules {

const QString MonthMessage = QStringLiteral("Atención error en el nro de mes !!!");
const QString YearMessage = QStringLiteral("Atención error en el año !!!");
const QString LegajoMessage = QStringLiteral("Atención Legajo no existente !!!");

std::optional<qint32> acceptedMonth(const QString& monthText)
{
    if (text::trimmed(monthText).isEmpty())
        return std::nullopt;
    const qint32 month = text::toInt32(monthText);
    if (month > 12 || month == 0)
        return std::nullopt;
    return month;
}

bool yearAccepted(const QString& yearText)
{
    if (text::trimmed(yearText).isEmpty())
        return false;
    const qint32 year = text::toInt32(yearText);
    return year >= 2015 && year <= 2030;
}

} // namespace headerrules
