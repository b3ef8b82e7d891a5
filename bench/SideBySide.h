#pragma once

#include "Stopwatch.h"

#include <cstddef>
#include <string>

// The figures of one benchmark run: the best timings of each side, peaks in kB, output sizes.
struct SideBySideFigures {
    Timing libxml2Load;
    Timing domLoad;
    Timing libxml2FreshLoad;
    Timing domFreshLoad;
    Timing libxml2Format;
    Timing domFormat;
    // The parse a save makes of the formatted document's bytes before they replace the file.
    Timing saveCheck;
    long libxml2PeakKb = 0;
    long domPeakKb = 0;
    std::size_t libxml2FormatBytes = 0;
    std::size_t domFormatChars = 0;
};

// Loads the file in child processes of their own, one per load, alternating sides: the best
// timing with a fresh heap and the lowest peak resident set of each side.
bool MeasureChildLoads(const std::string& path, int runs, bool verbose, SideBySideFigures& figures,
    std::string& error);

// Times libxml2 and our DOM side by side in this process on one file, each the best of runs,
// alternating which side goes first; then the save's check of the formatted text. false with error
// when either side fails to load.
bool MeasureTimes(const std::string& path, int runs, bool verbose, SideBySideFigures& figures,
    std::string& error);

// Reads the file once so that every timed load finds it in the page cache.
bool WarmPageCache(const std::string& path);
