#pragma once

#include <string>

// The search's and the options dialog's side of the benchmark, in a child process of its own on
// Qt's offscreen platform: a search over every item that finds nothing (names and attributes
// searched, attributes shown in the labels), the same with whole words and case, and OK in the
// options dialog with a changed ShowAttributesInTree on the fully expanded tree.
constexpr const char* ChildFindFlag = "--child-find";

struct FindFigures {
    double findAllMs = 0;
    double findWordsMs = 0;
    double optionsRelabelMs = 0;
};

// Runs the child mode on the file argv[2] with argv[3] runs and ends the process.
[[noreturn]] void RunFindChild(int argc, char** argv);

// Runs the child (best of runs of each figure). False with error set when it fails.
bool MeasureFind(const std::string& path, int runs, FindFigures& figures, std::string& error);
void PrintFindFigures(const FindFigures& figures);
// The figures as fields to append to the JSON summary, each preceded by ", ".
std::string FindJsonFields(const FindFigures& figures);
