#pragma once

#include "dom/DomNode.h"

#include <QtGlobal>

#include <memory>
#include <vector>

// The tree view's items in one array with index links: each item holds one node handle, its
// parent, first and last child, siblings and its row among them. Item 0 is the invisible root.
class TreeItems {
public:
    static constexpr int Root = 0;
    static constexpr int None = -1;

    TreeItems();
    TreeItems(const TreeItems&) = delete;
    TreeItems& operator=(const TreeItems&) = delete;

    // Drops every item but the root, and with them their node references.
    void Clear();
    // Items in use, the root not counted.
    int Count() const { return count; }

    const DomNode& Node(int id) const { return At(id).node; }
    void SetNode(int id, DomNode node);
    int Parent(int id) const { return At(id).parent; }
    int FirstChild(int id) const { return At(id).first; }
    int LastChild(int id) const { return At(id).last; }
    int NextSibling(int id) const { return At(id).next; }
    int PreviousSibling(int id) const { return At(id).prev; }
    int Row(int id) const { return At(id).row; }
    // The type of the item's node, kept with the item so that a view asking whether items may
    // have children does not reach into a million nodes.
    NodeType Type(int id) const { return NodeType(At(id).type); }
    int ChildCount(int id) const;
    // None when row is out of range. Each parent remembers the child it last gave, so a view
    // walking the rows in order, even with walks through the children's own branches in
    // between, takes one step per row.
    int ChildAt(int parent, int row) const;
    // True when id is ancestor or lies below it.
    bool IsInBranch(int id, int ancestor) const;

    // The node types that get an item; the nodes below a type without one get none either.
    static bool HasItem(NodeType type);
    // Items for node and every node below it that gets one, linked under parent after the
    // sibling after (None: first), each holding its own reference. None when node gets no item.
    int AddBranch(const DomNode& node, int parent, int after);

    // The same in slices, so that a window can serve its events between them: StartBranch makes
    // the branch's top item, unlinked (top None when node gets no item), and ContinueBranch adds
    // up to budget items below it, true once the branch is complete. The caller links the top.
    struct Walk {
        int top = None;
        int current = None;
    };
    Walk StartBranch(const DomNode& node);
    bool ContinueBranch(Walk& walk, int budget);
    // Links an unlinked item under parent after the sibling after (None: first).
    void Link(int id, int parent, int after);
    void Unlink(int id);
    // Frees an unlinked item and everything below it, dropping their node references.
    void Free(int id);

private:
    struct Item {
        DomNode node;
        qint32 parent = None;
        qint32 first = None;
        qint32 last = None;
        qint32 next = None;
        qint32 prev = None;
        qint32 row = 0;
        // The child ChildAt last found, None when unknown; forgotten when the children change.
        mutable qint32 cursor = None;
        qint8 type = 0;
    };

    // Pages keep items where they are while the array grows: no copy of a growing array and no
    // moment with two copies in memory, which would double the peak on a document of millions
    // of nodes.
    static constexpr int PageBits = 14;
    static constexpr int PageSize = 1 << PageBits;

    Item& At(int id) { return pages[std::size_t(id) >> PageBits][id & (PageSize - 1)]; }
    const Item& At(int id) const { return pages[std::size_t(id) >> PageBits][id & (PageSize - 1)]; }
    int Create(DomNode&& node);
    int Append(int parent, DomNode&& node);
    void Renumber(int from, int row);

    std::vector<std::unique_ptr<Item[]>> pages;
    // Slots handed out so far; freed items are chained through their next link.
    int used = 0;
    int freeList = None;
    int count = 0;
};
