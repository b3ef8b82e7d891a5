#pragma once

#include "Stopwatch.h"

#include <string>

// The tree view's side of the benchmark: the real document and tree view on Qt's offscreen
// platform, in child processes of their own.
//
// A timing child opens the file the program's way (TrelvoDoc loads it, TrelvoView builds every
// item) side by side with libxml2's plain parse, then times the first paint, selecting the
// "Document" item, Expand All and Collapse All, each to the end of the paint it causes. A memory
// child opens the file once and reports its peak resident set, to set against the peak of the
// child that only parses with libxml2.
constexpr const char* ChildTreeTimesFlag = "--child-tree-times";
constexpr const char* ChildTreeOpenFlag = "--child-tree-open";
// A source child opens the file with the source pane shown beside the tree and times selecting
// the "Document" item (the pane formats all of it) against SourceFormatter alone, and selecting
// an ordinary element; it also reports the memory the pane holds for the whole document's text.
constexpr const char* ChildSourceFlag = "--child-source";
// An edit child opens the file with the panes hidden and times the tree's commands on it: Move
// Down of a large branch, Copy and Paste of it, an insert and a delete in the middle of the fully
// expanded tree, and deleting the root element.
constexpr const char* ChildTreeEditsFlag = "--child-tree-edits";
// A reopen child opens the file ten times in a row the program's way and reports its resident
// memory after the first open and after the last.
constexpr const char* ChildTreeReopenFlag = "--child-tree-reopen";

bool IsTreeChildFlag(const std::string& argument);

// Runs the child mode named by argv[1] on the file argv[2] (the timing child takes the number of
// runs as argv[3]) and ends the process.
[[noreturn]] void RunTreeChild(int argc, char** argv);

struct TreeFigures {
    Timing open;
    Timing libxml2Parse;
    double firstPaintMs = 0;
    double selectMs = 0;
    double expandAllMs = 0;
    double collapseAllMs = 0;
    long items = 0;
    long openPeakKb = 0;
    double sourceDocMs = 0;
    double sourceFormatMs = 0;
    double sourceElementMs = 0;
    long sourceElementChars = 0;
    double sourceTextBytes = 0;
    long sourceHeldKb = 0;
    long sourcePeakKb = 0;
    // Items in the branch that is moved and copied.
    long branchItems = 0;
    double moveBranchMs = 0;
    double copyBranchMs = 0;
    // The DOM's handle and detached-subtree counts were back where they were once the copy was
    // deleted.
    bool copyLeftNothing = false;
    double editExpandedMs = 0;
    double deleteRootMs = 0;
    long firstOpenRssKb = 0;
    long lastOpenRssKb = 0;
};

// Runs the children: the timing child once with runs runs (best of each figure), the memory
// child twice (lowest peak), the reopen child once. False with error set when a child fails.
bool MeasureTree(
    const std::string& path, int runs, bool verbose, TreeFigures& figures, std::string& error);

// Prints the figures with their targets; libxml2PeakKb is the peak of the libxml2-only child.
void PrintTreeFigures(const TreeFigures& figures, long libxml2PeakKb);
// The figures as fields to append to the JSON summary, each preceded by ", ".
std::string TreeJsonFields(const TreeFigures& figures, long libxml2PeakKb);
