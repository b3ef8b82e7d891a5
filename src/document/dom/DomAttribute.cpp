#include "DomAttribute.h"

#include "DomStore.h"

#include <libxml/tree.h>

DomElement DomAttribute::ownerElement() const
{
    if (!node)
        return DomElement();
    if (ns) {
        for (xmlNsPtr declaration = node->nsDef; declaration; declaration = declaration->next) {
            if (declaration == ns)
                return DomAccess::Make<DomElement>(node);
        }
        return DomElement();
    }
    return node->parent ? DomAccess::Make<DomElement>(node->parent) : DomElement();
}
