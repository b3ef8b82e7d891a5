#pragma once

#include <string>

// The undo history's side of the benchmark, in a child process of its own with the real
// document and tree view on Qt's offscreen platform and the panes hidden: undoing the deletion
// of the root element until its items are back and painted, and 1,000 child elements inserted
// under the root element, then all undone and all redone.
constexpr const char* ChildUndoFlag = "--child-undo";

// Runs the child on the file argv[2] with argv[3] runs and ends the process.
[[noreturn]] void RunUndoChild(int argc, char** argv);

struct UndoFigures {
    double undoDeleteRootMs = -1;
    double undoManyMs = -1;
};

// Runs the child; false with error set when it fails.
bool MeasureUndo(const std::string& path, int runs, UndoFigures& figures, std::string& error);
void PrintUndoFigures(const UndoFigures& figures);
// The figures as fields to append to the JSON summary, each preceded by ", ".
std::string UndoJsonFields(const UndoFigures& figures);
