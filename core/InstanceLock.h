#pragma once

#include <QString>

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

    static QString lockFileName() { return QStringLiteral(".retenciones.lock"); }

private:
    int m_fd = -1;
};
