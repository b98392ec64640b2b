#pragma once

#include <QByteArray>
#include <QString>

// Files that must survive the program being killed or the machine stopping:
// written to a temporary name and synced, put in place with one rename, and
// the folder synced after every rename and removal so that the new name is
// on disk too.
namespace durable {

// Creates a new file beside `finalPath`, named as filenames::temporaryName()
// makes it (".~retenciones.26300332.txt.AbC123"), writes `content` to it and
// syncs it. Returns
// its path. Throws Error with the system's reason (a temporary file that
// could not be written whole is removed), also when a folder stands at
// `finalPath`.
QString writeTemporary(const QString& finalPath, const QByteArray& content);

// Renames `from` to `to`, replacing a file there in one step, then syncs the
// folder of `to`. Throws Error with the system's reason.
void replace(const QString& from, const QString& to);

// Removes `path` if it is there; true when it is gone. Does not sync.
bool remove(const QString& path);

// Syncs a folder, so that the renames and removals made in it are on disk.
// Throws Error with the system's reason.
void syncDirectory(const QString& directory);

// The folder of a path, without a trailing separator.
QString directoryOf(const QString& path);

}  // namespace durable
