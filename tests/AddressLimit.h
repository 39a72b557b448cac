// Running code under an address-space limit (RLIMIT_AS, as `prlimit --as`):
// the room a process maps now, and whether a limit holds at all here.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/resource.h>

// The process's address space now (VmSize).
inline rlim_t mappedNow()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            return rlim_t(line.mid(7).trimmed().split(' ').first().toULongLong()) * 1024;
    return 0;
}

// qemu's user mode takes a limit and keeps none: whether one holds.
inline bool addressLimitHolds()
{
    struct rlimit before {}, seen {};
    if (::getrlimit(RLIMIT_AS, &before) != 0)
        return false;
    const struct rlimit trial {before.rlim_max == RLIM_INFINITY ? rlim_t(1) << 46 : before.rlim_max - 1,
                               before.rlim_max};
    const bool holds = ::setrlimit(RLIMIT_AS, &trial) == 0 && ::getrlimit(RLIMIT_AS, &seen) == 0
        && seen.rlim_cur == trial.rlim_cur;
    ::setrlimit(RLIMIT_AS, &before);
    return holds;
}
