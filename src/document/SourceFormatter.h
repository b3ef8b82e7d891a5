#pragma once

#include "dom/DomNode.h"

#include <QString>

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

    QString MakeIndent(int depth) const;
    QString Format(const DomNode& node, int depth) const;

private:
    // What a node's output depends on besides the node itself: where its parent puts it.
    struct Place {
        int siblings = 0; // length of the parent's child list, which decides a text run's line
        bool inlined = false; // written without its Indent and its trailing CR LF
        bool preserveSpace = false; // inside an xml:space="preserve" scope
    };

    void AppendIndent(QString& out, int depth) const;
    void AppendNode(QString& out, const DomNode& node, int depth, const Place& place) const;
    void AppendElement(QString& out, const DomNode& element, int depth, const Place& place) const;
    void AppendText(QString& out, const DomNode& text, int depth, const Place& place) const;
};
