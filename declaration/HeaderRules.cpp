#include "declaration/HeaderRules.h"

#include "core/TextRules.h"

namespace headerrules {

std::optional<qint32> acceptedMonth(const QString& monthText)
{
    if (text::trimmed(monthText).isEmpty())
        return std::nullopt;
    const qint32 month = text::toInt32(monthText);
    if (month > 12 || month == 0)
        return std::nullopt;
    return month;
}

std::optional<qint32> acceptedYear(const QString& yearText)
{
    if (text::trimmed(yearText).isEmpty())
        return std::nullopt;
    const qint32 year = text::toInt32(yearText);
    if (year < 2015 || year > 2030)
        return std::nullopt;
    return year;
}

}  // namespace headerrules
