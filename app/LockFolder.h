#pragma once

#include <QString>

// The folder where the embedded database engine keeps its lock files. The
// engine's default folder is made by whichever user first runs it, and
// another user cannot use it; each user gets a folder of its own, the same
// one the scripts choose: /tmp/firebird-retenciones for root, otherwise
// $XDG_RUNTIME_DIR/firebird-retenciones-UID (/tmp when XDG_RUNTIME_DIR is
// unset or empty).
QString userFirebirdLockFolder();

// Sets FIREBIRD_LOCK to userFirebirdLockFolder() and makes the folder, unless
// FIREBIRD_LOCK is already set (a folder given by the scripts or the user is
// kept). Call before the database library is first used. Returns the folder
// in use.
QString useUserFirebirdLockFolder();
