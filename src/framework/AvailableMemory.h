#pragma once

#include <QtGlobal>

// How much memory the system can still give this program without swapping: MemAvailable from
// /proc/meminfo on Linux, the free physical memory elsewhere. Tests set a figure instead.
class AvailableMemory {
public:
    // Bytes, or -1 when the system does not say.
    static qint64 Bytes();
    // bytes < 0 goes back to asking the system.
    static void SetForTesting(qint64 bytes);

private:
    static qint64 forced;
};
