#include "TreeItems.h"

#include <cstdlib>
#include <limits>

namespace {
// The parent link of a freed item, which no live item has.
constexpr qint32 Freed = -2;

// The next node, from node on, that gets an item.
DomNode FirstShown(DomNode node)
{
    while (node && !TreeItems::HasItem(node.nodeType()))
        node = node.nextSibling();
    return node;
}
}

TreeItems::TreeItems() { Clear(); }

void TreeItems::SetNode(int id, DomNode node)
{
    Item& item = At(id);
    item.type = qint8(node.nodeType());
    item.node = std::move(node);
}

void TreeItems::Clear()
{
    pages.clear();
    pages.push_back(std::make_unique<Item[]>(PageSize));
    used = 1;
    freeList = None;
    count = 0;
}

int TreeItems::ChildCount(int id) const
{
    const int last = At(id).last;
    return last == None ? 0 : At(last).row + 1;
}

int TreeItems::ChildAt(int parent, int row) const
{
    const Item& item = At(parent);
    const int childCount = ChildCount(parent);
    if (row < 0 || row >= childCount)
        return None;

    // Start from whichever known position is nearest: the first child, the last child, or the
    // one found last time.
    int from = item.first;
    int fromRow = 0;
    if (childCount - 1 - row < row) {
        from = item.last;
        fromRow = childCount - 1;
    }
    if (item.cursor != None && std::abs(At(item.cursor).row - row) < std::abs(fromRow - row)) {
        from = item.cursor;
        fromRow = At(from).row;
    }
    while (fromRow < row) {
        from = At(from).next;
        ++fromRow;
    }
    while (fromRow > row) {
        from = At(from).prev;
        --fromRow;
    }
    item.cursor = from;
    return from;
}

bool TreeItems::IsInBranch(int id, int ancestor) const
{
    for (int item = id; item != None; item = At(item).parent) {
        if (item == ancestor)
            return true;
    }
    return false;
}

bool TreeItems::HasItem(NodeType type)
{
    switch (type) {
    case NodeType::Element:
    case NodeType::Text:
    case NodeType::CDataSection:
    case NodeType::ProcessingInstruction:
    case NodeType::Comment:
    case NodeType::Document:
    case NodeType::DocumentType:
        return true;
    default:
        return false;
    }
}

int TreeItems::AddBranch(const DomNode& node, int parent, int after)
{
    Walk walk = StartBranch(node);
    if (walk.top == None)
        return None;
    while (!ContinueBranch(walk, std::numeric_limits<int>::max())) { }
    Link(walk.top, parent, after);
    return walk.top;
}

TreeItems::Walk TreeItems::StartBranch(const DomNode& node)
{
    Walk walk;
    if (!HasItem(node.nodeType()))
        return walk;
    walk.top = walk.current = Create(DomNode(node));
    return walk;
}

bool TreeItems::ContinueBranch(Walk& walk, int budget)
{
    // Depth first in document order without recursion: documents may nest thousands deep.
    int& current = walk.current;
    if (current == None)
        return true;
    const int top = walk.top;
    for (int made = 0; made < budget; ++made) {
        if (DomNode child = FirstShown(At(current).node.firstChild())) {
            current = Append(current, std::move(child));
            continue;
        }
        // A leaf: go on with the next sibling of it or of the nearest ancestor that has one.
        for (;;) {
            if (current == top) {
                current = None;
                return true;
            }
            DomNode sibling = FirstShown(At(current).node.nextSibling());
            const int up = At(current).parent;
            if (sibling) {
                current = Append(up, std::move(sibling));
                break;
            }
            current = up;
        }
    }
    return false;
}

int TreeItems::Create(DomNode&& node)
{
    int id = freeList;
    if (id != None) {
        freeList = At(id).next;
        At(id) = Item();
    } else {
        if (std::size_t(used) == pages.size() << PageBits)
            pages.push_back(std::make_unique<Item[]>(PageSize));
        id = used++;
    }
    SetNode(id, std::move(node));
    ++count;
    return id;
}

int TreeItems::Append(int parent, DomNode&& node)
{
    const int id = Create(std::move(node));
    Item& item = At(id);
    Item& owner = At(parent);
    item.parent = parent;
    item.prev = owner.last;
    if (owner.last == None) {
        owner.first = id;
    } else {
        item.row = At(owner.last).row + 1;
        At(owner.last).next = id;
    }
    owner.last = id;
    owner.cursor = None;
    return id;
}

void TreeItems::Link(int id, int parent, int after)
{
    Item& item = At(id);
    Item& owner = At(parent);
    item.parent = parent;
    item.prev = after;
    if (after == None) {
        item.next = owner.first;
        owner.first = id;
    } else {
        item.next = At(after).next;
        At(after).next = id;
    }
    if (item.next == None)
        owner.last = id;
    else
        At(item.next).prev = id;
    Renumber(id, after == None ? 0 : At(after).row + 1);
    owner.cursor = None;
}

void TreeItems::Unlink(int id)
{
    Item& item = At(id);
    Item& owner = At(item.parent);
    if (item.prev == None)
        owner.first = item.next;
    else
        At(item.prev).next = item.next;
    if (item.next == None)
        owner.last = item.prev;
    else
        At(item.next).prev = item.prev;
    Renumber(item.next, item.row);
    item.parent = None;
    item.prev = None;
    item.next = None;
    item.row = 0;
    owner.cursor = None;
}

void TreeItems::Free(int id)
{
    // Post-order without a stack: free the first leaf, make its next sibling its parent's first
    // child, and go back up to that parent.
    int current = id;
    for (;;) {
        Item& item = At(current);
        if (item.first != None) {
            current = item.first;
            continue;
        }
        const int parent = item.parent;
        const int next = item.next;
        item.node = DomNode();
        item.parent = Freed;
        item.next = freeList;
        freeList = current;
        --count;
        if (current == id)
            break;
        Item& owner = At(parent);
        owner.first = next;
        if (next == None)
            owner.last = None;
        current = parent;
    }
}

void TreeItems::Renumber(int from, int row)
{
    for (int id = from; id != None; id = At(id).next)
        At(id).row = row++;
}
