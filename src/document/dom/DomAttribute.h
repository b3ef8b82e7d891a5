#pragma once

#include "DomElement.h"

// The attribute view of a node. Namespace declarations (xmlns, xmlns:p) are attributes too.
class DomAttribute : public DomNode {
public:
    DomAttribute() = default;

    QString name() const { return nodeName(); }
    QString value() const { return nodeValue().value_or(QString()); }
    DomResult setValue(const QString& value) { return setNodeValue(value); }
    // The element the attribute belongs to; null for a new or removed attribute.
    DomElement ownerElement() const;

private:
    friend class DomNode;
    friend struct DomAccess;
    using DomNode::DomNode;
};
