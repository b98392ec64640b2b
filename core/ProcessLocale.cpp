#include "core/ProcessLocale.h"

#include <clocale>

void useNeutralProcessLocale()
{
    // C.UTF-8 is part of the C library on Debian; an older system may only know
    // the spelling without the dash.
    if (!std::setlocale(LC_CTYPE, "C.UTF-8"))
        std::setlocale(LC_CTYPE, "C.utf8");
    std::setlocale(LC_NUMERIC, "C");
}
