#pragma once

#include <QString>
#include <optional>

// The checks of the declarant header, shared by the header's exit handlers and
// by CONFIRMA, which reads the header again before writing anything.
namespace headerrules {

extern const QString MonthMessage;   // "Atención error en el nro de mes !!!"
extern const QString YearMessage;    // "Atención error en el año !!!"
extern const QString LegajoMessage;  // "Atención Legajo no existente !!!"

// The month when the header accepts it: not blank, not 0, not above 12.
// Throws ConversionError for a month that is no 32-bit integer.
std::optional<qint32> acceptedMonth(const QString& monthText);

// Whether the year lies from 2015 to 2030 (blank is refused). Throws
// ConversionError for a year that is no 32-bit integer.
bool yearAccepted(const QString& yearText);

} // namespace headerrules
