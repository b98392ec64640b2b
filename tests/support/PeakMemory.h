#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <algorithm>
#include <sys/resource.h>

// This process's memory as the kernel counts it, in kB.
namespace peakmemory {

// A field of /proc/self/status ("VmHWM", "VmRSS"), -1 where there is none.
inline qint64 statusKilobytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

inline qint64 residentKilobytes()
{
    return statusKilobytes("VmRSS");
}

// VmHWM alone, which a reset starts again (the kernel's maximum does not).
inline qint64 highWaterKilobytes()
{
    return statusKilobytes("VmHWM");
}

// The kernel's maximum resident size of this process (getrusage).
inline qint64 kernelMaximumKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The peak resident size: VmHWM, or the kernel's own maximum where that is
// larger (VmHWM is updated lazily).
inline qint64 peakKilobytes()
{
    return std::max(highWaterKilobytes(), kernelMaximumKilobytes());
}

// Starts a new peak measurement of this process (Linux 4.0 and later).
inline bool resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

}  // namespace peakmemory
