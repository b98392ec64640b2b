#pragma once

#include <QString>
#include <utility>
#include <vector>

// Keeps a second copy of the program away from the same data folder: an
// exclusive lock on a file in the folder, held for the life of the object.
// The system drops the lock when the process ends, however it ends, so a lock
// left by a crashed program never blocks the next start.
class InstanceLock
{
public:
    enum class Outcome {
        Acquired,       // this process holds the folder
        HeldElsewhere,  // another running process holds it
        Unavailable,    // the folder or the lock file cannot be made (read-only medium, ...)
    };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Creates the folder when it is missing, then takes the lock without waiting.
    Outcome acquire(const QString& folder);

    // Takes a lock on `folder` itself, without waiting and without putting a
    // file in it: for a folder that other accounts may write to as well (the
    // program's own folder in a shared checkout), where a lock file made by
    // one account could not be opened by another. Any account that can read
    // the folder takes the same lock. May be called for several folders; a
    // folder already held by this object is Acquired again.
    Outcome acquireFolder(const QString& folder);
    // Whether acquireFolder() took `folder`.
    bool holdsFolder(const QString& folder) const;

    static QString lockFileName() { return QStringLiteral(".retenciones.lock"); }

private:
    int m_fd = -1;
    std::vector<std::pair<QString, int>> m_folders;  // canonical path, descriptor
};
