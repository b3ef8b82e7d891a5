#pragma once

#include "Stopwatch.h"

#include <string>
#include <vector>

// Hidden modes in which the benchmark runs as a child process: load one file one way, print the
// load's wall and CPU time ("load_s T cpu_s C") and the process's peak resident set ("peak_kb N")
// and exit, so that each load's peak is measured apart from the other's and from the parent's, and
// its time with a fresh heap.
constexpr const char* ChildLoadLibxml2Flag = "--child-load-libxml2";
constexpr const char* ChildLoadDomFlag = "--child-load-dom";

bool IsLoadChildFlag(const std::string& argument);

// Runs the child mode named by flag on path and ends the process.
[[noreturn]] void RunLoadChild(const std::string& flag, const char* path, int argc, char** argv);

struct ChildLoadFigures {
    Timing timing;
    long peakKb = 0;
};

// Starts this program in the child mode named by flag and waits for its figures; false with
// error set when the child fails.
bool MeasureChildLoad(
    const char* flag, const std::string& path, ChildLoadFigures& figures, std::string& error);

// Starts this program with arguments, collects its standard output and waits for it; false with
// error set when it cannot start or does not end with status 0.
bool RunSelf(const std::vector<std::string>& arguments, std::string& output, std::string& error);
