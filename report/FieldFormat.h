#pragma once

#include "report/DataSet.h"

#include <QString>

namespace reporttext {

// The text a data-bound control prints for `value`. Strings print as they
// are; with an empty mask every field prints its display text; numbers with a
// mask of the form "0", "0.0", "0.00", ... print with that many decimals,
// halves away from zero. Null values and numbers the mask cannot format (an
// unknown mask, an overflow, not a number) print as empty text.
QString fieldText(const FieldValue& value, const QString& mask);

}  // namespace reporttext
