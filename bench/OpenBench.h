#pragma once

#include <string>

// How the window fares while a large file opens, in a child process of its own on Qt's
// offscreen platform with the program's frame, document and tree view: the longest time the
// event loop goes unserved while the file opens over an empty document (ExpandOnLoad off), and
// the time from Cancel, pressed half-way through a load, until the window serves events again.
constexpr const char* ChildOpenFlag = "--child-open-stall";

struct OpenFigures {
    double maxStallMs = 0;
    double cancelMs = 0;
    // How far the cancelled load had got when Cancel was pressed, 0 to 1.
    double cancelledAt = 0;
};

// Runs the child mode on the file argv[2] with argv[3] runs and ends the process.
[[noreturn]] void RunOpenChild(int argc, char** argv);

// Runs the child (best of runs of each figure). False with error set when it fails.
bool MeasureOpen(const std::string& path, int runs, OpenFigures& figures, std::string& error);
void PrintOpenFigures(const OpenFigures& figures);
// The figures as fields to append to the JSON summary, each preceded by ", ".
std::string OpenJsonFields(const OpenFigures& figures);
