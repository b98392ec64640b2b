#pragma once

// The C library locale the program runs under, whatever the user's settings.
// The database client parses its configuration and converts file names under
// the process's character-type locale: a Turkish locale breaks its case
// folding ("i" is not the lower case of "I") and a plain C locale cannot carry
// an "ñ" in a path. Numbers read and written by the C library keep the point.
// Call once the application object exists (it installs the user's locale).
// The user's own formats (dates in the report's information, Qt's QLocale)
// are not affected.
void useNeutralProcessLocale();
