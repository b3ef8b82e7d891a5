#include "DomNodeList.h"

#include "DomNodeUtil.h"
#include "DomStore.h"

DomNodeList::DomNodeList(const DomNode& parent)
    : parent(parent)
{
}

void DomNodeList::Refresh() const
{
    xmlNodePtr owner = DomAccess::Node(parent);
    const unsigned long now = DomAccess::Data(parent)->generation;
    if (generation == now && cachedLength >= 0)
        return;
    generation = now;
    cursor = nullptr;
    cursorIndex = -1;
    int count = 0;
    if (!DomAccess::Ns(parent)) {
        for (xmlNodePtr c = DomNodeUtil::FirstChildOf(owner); c; c = c->next)
            ++count;
    }
    cachedLength = count;
}

int DomNodeList::length() const
{
    if (parent.isNull())
        return 0;
    Refresh();
    return cachedLength;
}

DomNode DomNodeList::item(int index) const
{
    if (index < 0 || index >= length())
        return DomNode();
    xmlNodePtr owner = DomAccess::Node(parent);
    // Start from whichever known position is nearest: the first child, the last one, or the
    // position visited last.
    xmlNodePtr node = DomNodeUtil::FirstChildOf(owner);
    int at = 0;
    int distance = index;
    if (cachedLength - 1 - index < distance) {
        node = DomNodeUtil::LastChildOf(owner);
        at = cachedLength - 1;
        distance = cachedLength - 1 - index;
    }
    if (cursor && std::abs(index - cursorIndex) < distance) {
        node = cursor;
        at = cursorIndex;
    }
    for (; at < index; ++at)
        node = node->next;
    for (; at > index; --at)
        node = node->prev;
    cursor = node;
    cursorIndex = index;
    return DomAccess::Make(node, nullptr, DomAccess::Data(parent));
}
