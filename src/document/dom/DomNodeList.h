#pragma once

#include "DomNode.h"

// The live list of a node's children. Walking it by index in either direction costs O(1) per
// step: the list remembers the last position it visited until the document changes.
class DomNodeList {
public:
    DomNodeList() = default;
    explicit DomNodeList(const DomNode& parent);

    int length() const;
    // Null when index is out of range.
    DomNode item(int index) const;

private:
    void Refresh() const;

    DomNode parent;
    mutable unsigned long generation = 0;
    mutable int cachedLength = -1;
    mutable int cursorIndex = -1;
    mutable _xmlNode* cursor = nullptr;
};
