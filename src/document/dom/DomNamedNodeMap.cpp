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
    // Declarations stand among the ordinary attributes at the place they had in the source;
    // those the layer added itself come last.
    auto addDeclarationsAt = [&](long position) {
        for (xmlNsPtr ns = owner->nsDef; ns; ns = ns->next) {
            if (DomNamespaces::IsListed(ns) && DomNamespaces::Position(ns) == position)
                entries.push_back(DomAccess::Make<DomAttribute>(owner, ns, data));
        }
    };
    long index = 0;
    for (xmlAttrPtr attr = owner->properties; attr; attr = attr->next, ++index) {
        if (owner->nsDef)
            addDeclarationsAt(index);
        entries.push_back(
            DomAccess::Make<DomAttribute>(reinterpret_cast<xmlNodePtr>(attr), nullptr, data));
    }
    for (xmlNsPtr ns = owner->nsDef; ns; ns = ns->next) {
        if (DomNamespaces::IsListed(ns) && DomNamespaces::Position(ns) >= index)
            entries.push_back(DomAccess::Make<DomAttribute>(owner, ns, data));
    }
    for (xmlNsPtr ns = owner->nsDef; ns; ns = ns->next) {
        if (DomNamespaces::IsImplicit(ns))
            entries.push_back(DomAccess::Make<DomAttribute>(owner, ns, data));
    }
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
