#pragma once

#include "dom/DomNode.h"

#include <QString>

#include <utility>

// The outcome of one of the document's tree changes, with what it takes to reverse it. False
// when the DOM refused and nothing changed.
struct TreeChange {
    TreeChange() = default;
    explicit TreeChange(DomNode node, DomNode oldParent = DomNode(), DomNode oldNext = DomNode())
        : node(std::move(node))
        , oldParent(std::move(oldParent))
        , oldNext(std::move(oldNext))
    {
    }

    // The node moved, removed, renamed or given a value; the attribute added or removed.
    DomNode node;
    // Where a moved or removed node stood: its parent and the sibling it stood before (null
    // when it was the last child).
    DomNode oldParent;
    DomNode oldNext;
    // A node the change took out of the tree in node's place: the attribute of the same name an
    // added one replaced, the declaration a new one replaced.
    DomNode replaced;
    // The name or value before the change.
    QString oldText;
    // The attribute-map position of a removed attribute.
    int oldIndex = -1;
    // False when the change found nothing to do (the same name or value): the document was
    // neither changed nor marked modified.
    bool changed = false;

    explicit operator bool() const { return !node.isNull(); }
};
