#pragma once

#include "TreeChange.h"
#include "dom/DomAttribute.h"

#include <QString>

#include <vector>

class View;

// What the attribute pane asks of the one path that changes the document: each call changes
// the DOM through the document, brings the tree's items into line and updates every view but
// sender once. A failed call, or one that changes nothing, updates nothing.
class AttributeEditor {
public:
    virtual ~AttributeEditor() = default;

    // node: the attribute added; false when the DOM refused.
    virtual TreeChange AddAttribute(
        const DomNode& element, const QString& name, const QString& value, View* sender)
        = 0;
    // Removes each attribute of the list from element; the number removed.
    virtual int RemoveAttributes(
        const DomNode& element, const std::vector<DomAttribute>& attributes, View* sender)
        = 0;
    // False when the DOM refused; changed is false for the value the attribute already had.
    virtual TreeChange SetAttributeValue(
        const DomAttribute& attribute, const QString& value, View* sender)
        = 0;
};
