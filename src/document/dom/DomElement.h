#pragma once

#include "DomNode.h"

// The element view of a node.
class DomElement : public DomNode {
public:
    DomElement() = default;

    QString tagName() const { return nodeName(); }
    // The attribute's value, or nothing when the element has no attribute of that name.
    std::optional<QString> getAttribute(const QString& name) const;
    DomAttribute getAttributeNode(const QString& name) const;
    // An existing attribute keeps its place and gets the value; a new one is appended.
    DomResult setAttribute(const QString& name, const QString& value);
    // Replaces the attribute of the same name in place, or appends; fails for an attribute that
    // belongs to another element.
    DomResult setAttributeNode(const DomAttribute& attribute);
    DomResult removeAttribute(const QString& name);

private:
    friend class DomNode;
    friend struct DomAccess;
    using DomNode::DomNode;
};
