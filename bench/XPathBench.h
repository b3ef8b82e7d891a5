#pragma once

#include <string>

// The XPath dialog's side of the benchmark, in a child process of its own on Qt's offscreen
// platform: //*[@id] evaluated from the dialog with the document node as context and every
// result listed (the nodes held, the list shown and painted), against libxml2 alone evaluating
// the same expression on the same parsed document. libxml2 gets its document-order numbers
// (xmlXPathOrderDocElems) before its clock starts, as the program keeps them in an unchanged
// document: without them, ordering the result on the 50 MB document took 31 s. Runs alternate,
// best of each; the program's first run, which numbers the elements, is shown apart.
constexpr const char* ChildXPathFlag = "--child-xpath";

struct XPathFigures {
    double allMs = 0;
    double libxml2Ms = 0;
    // The first run, which numbers the elements in document order.
    double firstMs = 0;
    long nodes = 0;
};

// Runs the child mode on the file argv[2] with argv[3] runs and ends the process.
[[noreturn]] void RunXPathChild(int argc, char** argv);

// Runs the child. False with error set when it fails.
bool MeasureXPath(const std::string& path, int runs, XPathFigures& figures, std::string& error);
void PrintXPathFigures(const XPathFigures& figures);
// The figures as fields to append to the JSON summary, each preceded by ", ".
std::string XPathJsonFields(const XPathFigures& figures);
