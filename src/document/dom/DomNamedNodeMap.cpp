#include "DomNamedNodeMap.h"

#include "DomNamespaces.h"
#include "DomStore.h"

DomNamedNodeMap::DomNamedNodeMap(const DomElement& element)
    : element(element)
{
}

void DomNamedNodeMap::Refresh() const
{
    xmlNodePtr owner = DomAccess::Node(element);
    DocData* data = DomAccess::Data(element);
    const unsigned long now = data->generation;
    if (generation == now)
        return;
    generation = now;
    entries.clear();
    DomNamespaces::ForEachMapEntry(owner, [&](xmlAttrPtr attr, xmlNsPtr ns) {
        if (ns)
            entries.push_back(DomAccess::Make<DomAttribute>(owner, ns, data));
        else
            entries.push_back(
                DomAccess::Make<DomAttribute>(reinterpret_cast<xmlNodePtr>(attr), nullptr, data));
    });
}

int DomNamedNodeMap::length() const
{
    if (element.isNull())
        return 0;
    Refresh();
    return int(entries.size());
}

DomAttribute DomNamedNodeMap::item(int index) const
{
    if (index < 0 || index >= length())
        return DomAttribute();
    return entries[size_t(index)];
}

DomAttribute DomNamedNodeMap::getNamedItem(const QString& name) const
{
    const int count = length();
    for (int i = 0; i < count; ++i) {
        if (entries[size_t(i)].nodeName() == name)
            return entries[size_t(i)];
    }
    return DomAttribute();
}
