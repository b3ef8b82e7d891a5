#pragma once

#include <string>

// The transformation's side of the benchmark, in a child process of its own on Qt's offscreen
// platform: an identity style sheet applied to the open document through the tree view's
// ApplyStylesheet into a file (the style sheet loaded, the document copied for libxslt, the
// output encoded and written atomically), against libxslt alone applying the same sheet,
// compiled once, to the document the program holds and saving the result with
// xsltSaveResultToFilename. Runs alternate, best of each.
constexpr const char* ChildXsltFlag = "--child-xslt";

struct XsltFigures {
    double oursMs = 0;
    double libxsltMs = 0;
};

// Runs the child mode on the file argv[2] with argv[3] runs and ends the process.
[[noreturn]] void RunXsltChild(int argc, char** argv);

// Runs the child. False with error set when it fails.
bool MeasureXslt(const std::string& path, int runs, XsltFigures& figures, std::string& error);
void PrintXsltFigures(const XsltFigures& figures);
// The figures as fields to append to the JSON summary, each preceded by ", ".
std::string XsltJsonFields(const XsltFigures& figures);
