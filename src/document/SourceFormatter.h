#pragma once

#include "dom/DomNode.h"

#include <QString>

#include <functional>

// Turns a node and its subtree into text with one element, comment, instruction or text run per
// line, indented by a tab or by a number of spaces per level, with CR LF line breaks.
class SourceFormatter {
public:
    // false: text nodes are flattened, trimmed and put on lines of their own;
    // true: text is copied verbatim, and mixed content and xml:space="preserve" scopes are
    // written without added line breaks or indentation, so saving never changes the text.
    bool preserveText = false;
    // 0: one tab per level; N > 0: N spaces per level; negative: no indentation.
    int indentSpaces = 0;
    // Called with the bytes of markup made so far every few thousand elements, so that a long
    // run can serve the window's events.
    std::function<void(qint64)> pause;

    QString MakeIndent(int depth) const;
    QString Format(const DomNode& node, int depth) const;
};
