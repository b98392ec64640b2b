#pragma once

#include <QString>
#include <optional>

// The checks of the declarant header, shared by the header's exit handlers and
// by CONFIRMA, which reads the header again before writing anything.
namespace headerrules {

// The month when the header accepts it: not blank, not 0, not above 12.
// Throws ConversionError for a month that is no 32-bit integer.
std::optional<qint32> acceptedMonth(const QString& monthText);
inline const QString MonthMessage = QStringLiteral("Atención error en el nro de mes !!!");

// The year when the header accepts it: not blank, from 2015 to 2030. Throws
// ConversionError for a year that is no 32-bit integer.
std::optional<qint32> acceptedYear(const QString& yearText);
inline const QString YearMessage = QStringLiteral("Atención error en el año !!!");

// A legajo is checked by the agent registry's lookup; one it does not hold is
// refused with this message.
inline const QString LegajoMessage = QStringLiteral("Atención Legajo no existente !!!");

}  // namespace headerrules
