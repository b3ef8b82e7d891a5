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
    // Puts attribute into the attribute map in front of before (null: at the end): a new or
    // removed attribute, or a namespace declaration removed from this element, which binds its
    // prefix again. Fails, changing nothing, when the element already has an attribute of that
    // name, for a declaration of another element, and where setAttributeNode fails.
    DomResult insertAttributeBefore(const DomAttribute& attribute, const DomAttribute& before);
    // Gives the element another qualified name in place: it keeps its attributes, children and
    // place. A prefix is resolved against the element's own declarations and its ancestors';
    // without one the element takes the default namespace in scope. Fails, changing nothing, for
    // a name that is not a qualified name, an undeclared prefix, or an entity's content.
    DomResult rename(const QString& name);

private:
    friend class DomNode;
    friend struct DomAccess;
    using DomNode::DomNode;
};
