#pragma once

#include <QString>

// Names of the files the program writes: the temporary files it writes
// before a rename puts them in place, and the real file behind a link.
namespace filenames {

// Every temporary file of the program begins with this: a leading dot and
// the program's own word, a name nobody gives a file by hand.
extern const QString TemporaryPrefix;  // ".~retenciones."

// A new name for a temporary file that will become `finalName` (a plain
// file name): TemporaryPrefix + finalName + "." + six random letters and
// digits.
QString temporaryName(const QString& finalName);

// The file name a temporary file name stands for ("26300332.txt" for
// ".~retenciones.26300332.txt.AbC123"); empty when `fileName` is not of that
// form.
QString finalNameOf(const QString& fileName);

// The file a path names once every symbolic link on the way is followed: the
// path itself when it is no link, the link's target (absolute) otherwise,
// also when that target does not exist yet. A file written "through" a link
// is written there, so that the link stays.
QString realFilePath(const QString& path);

}  // namespace filenames
