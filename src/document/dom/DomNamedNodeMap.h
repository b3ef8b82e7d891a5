#pragma once

#include "DomAttribute.h"

#include <vector>

// The live attribute map of an element, in document order; namespace declarations are entries
// in their source order.
class DomNamedNodeMap {
public:
    DomNamedNodeMap() = default;
    explicit DomNamedNodeMap(const DomElement& element);

    bool isNull() const { return element.isNull(); }
    int length() const;
    // Null when index is out of range.
    DomAttribute item(int index) const;
    DomAttribute getNamedItem(const QString& name) const;
    // DomNoValue when there is no attribute of that name (nothing changes).
    DomResult removeNamedItem(const QString& name);

private:
    void Refresh() const;

    DomElement element;
    mutable unsigned long generation = 0;
    mutable std::vector<DomAttribute> entries;
};
