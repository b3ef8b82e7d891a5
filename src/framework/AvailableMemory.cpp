#include "AvailableMemory.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

qint64 AvailableMemory::forced = -1;

namespace {

// Free memory plus what the kernel can reclaim (page cache, reclaimable slabs), the figure the
// kernel itself estimates since Linux 3.14.
qint64 FromMeminfo()
{
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (!meminfo.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = meminfo.readLine(); !line.isEmpty(); line = meminfo.readLine()) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        bool ok = false;
        const qint64 kb = line.mid(13).trimmed().split(' ').value(0).toLongLong(&ok);
        return ok ? kb * 1024 : -1;
    }
    return -1;
}

qint64 FromSystem()
{
#if defined(Q_OS_WIN)
    MEMORYSTATUSEX status {};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? qint64(status.ullAvailPhys) : -1;
#elif defined(_SC_AVPHYS_PAGES)
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : -1;
#else
    return -1;
#endif
}

} // namespace

qint64 AvailableMemory::Bytes()
{
    if (forced >= 0)
        return forced;
    const qint64 bytes = FromMeminfo();
    return bytes >= 0 ? bytes : FromSystem();
}

void AvailableMemory::SetForTesting(qint64 bytes) { forced = bytes; }
