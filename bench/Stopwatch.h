#pragma once

#include <algorithm>
#include <chrono>
#include <ctime>
#include <limits>

// A span of wall-clock time and the CPU time this process used in it, in seconds. On a busy
// machine the wall time grows while the CPU time does not, which tells a slow run from a run
// that waited for a core.
struct Timing {
    double wall = std::numeric_limits<double>::infinity();
    double cpu = std::numeric_limits<double>::infinity();

    // The best of two timings, each figure on its own.
    Timing Best(const Timing& other) const
    {
        return { std::min(wall, other.wall), std::min(cpu, other.cpu) };
    }
};

// Measures a Timing from its construction.
class Stopwatch {
public:
    Stopwatch()
        : wallStart(std::chrono::steady_clock::now())
        , cpuStart(CpuSeconds())
    {
    }

    Timing Elapsed() const
    {
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
        return { wall.count(), CpuSeconds() - cpuStart };
    }

private:
    static double CpuSeconds()
    {
        timespec now {};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    }

    std::chrono::steady_clock::time_point wallStart;
    double cpuStart;
};
