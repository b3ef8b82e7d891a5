#include "DomElement.h"

#include "DomAttribute.h"
#include "DomNamedNodeMap.h"
#include "DomNamespaces.h"
#include "DomNodeUtil.h"
#include "DomStore.h"

#include <libxml/tree.h>

namespace {

bool IsQualifiedName(const QByteArray& name)
{
    return !name.isEmpty() && xmlValidateQName(DomStore::ToXml(name), 0) == 0;
}

// "xmlns" -> the default declaration; "xmlns:p" -> p; anything else is not a declaration.
bool DeclarationPrefix(const QByteArray& name, QByteArray& prefix)
{
    if (name == "xmlns") {
        prefix.clear();
        return true;
    }
    if (name.startsWith("xmlns:")) {
        prefix = name.mid(6);
        return true;
    }
    return false;
}

xmlAttrPtr FindAttribute(xmlNodePtr element, const QString& name)
{
    for (xmlAttrPtr attr = element->properties; attr; attr = attr->next) {
        if (DomNodeUtil::QualifiedName(attr->ns ? attr->ns->prefix : nullptr, attr->name) == name)
            return attr;
    }
    return nullptr;
}

// Gives a newly set attribute the namespace its prefix names in the element's scope.
void BindPrefix(xmlNodePtr element, xmlAttrPtr attr)
{
    const xmlChar* colon = xmlStrchr(attr->name, ':');
    if (attr->ns || !colon)
        return;
    const QByteArray prefix(reinterpret_cast<const char*>(attr->name), colon - attr->name);
    xmlNsPtr ns = xmlSearchNs(element->doc, element, DomStore::ToXml(prefix));
    if (!ns)
        return;
    const QByteArray local(reinterpret_cast<const char*>(colon + 1));
    xmlNodeSetName(reinterpret_cast<xmlNodePtr>(attr), DomStore::ToXml(local));
    attr->ns = ns;
}

// True when the attribute, set on the element, would have the same namespace and local name as
// another of its attributes (other than except, the one it replaces): the file written would
// not open again.
bool DuplicatesExpandedName(xmlNodePtr element, xmlAttrPtr attr, const xmlAttr* except)
{
    const xmlChar* local = attr->name;
    const xmlChar* href = attr->ns ? attr->ns->href : nullptr;
    if (!href) {
        const xmlChar* colon = xmlStrchr(attr->name, ':');
        if (!colon)
            return false;
        const QByteArray prefix(reinterpret_cast<const char*>(attr->name), colon - attr->name);
        const xmlNs* ns = xmlSearchNs(element->doc, element, DomStore::ToXml(prefix));
        if (!ns)
            return false;
        href = ns->href;
        local = colon + 1;
    }
    for (const xmlAttr* other = element->properties; other; other = other->next) {
        if (other != attr && other != except && other->ns && xmlStrEqual(other->name, local)
            && xmlStrEqual(DomNamespaces::EffectiveHref(element, other), href))
            return true;
    }
    return false;
}

// Keeps handle bookkeeping right when an attribute leaves its element: it becomes a detached
// root of its own, freed at once when nothing refers to it.
void DetachAttribute(xmlNodePtr element, xmlAttrPtr attr)
{
    DocData* data = DomStore::Data(element);
    xmlNodePtr root = DomStore::TreeRoot(element);
    auto node = reinterpret_cast<xmlNodePtr>(attr);
    const long handles = DomStore::HandlesIn(node);
    DomNodeUtil::UnlinkAttribute(attr);
    DomNamespaces::Unbind(attr);
    if (root != reinterpret_cast<xmlNodePtr>(data->doc)) {
        auto it = data->detached.find(root);
        if (it != data->detached.end())
            it->second -= handles;
    }
    if (handles == 0)
        xmlFreeProp(attr);
    else
        data->detached[node] = handles;
}

} // namespace

std::optional<QString> DomElement::getAttribute(const QString& name) const
{
    DomAttribute attr = getAttributeNode(name);
    if (attr.isNull())
        return std::nullopt;
    return attr.value();
}

DomAttribute DomElement::getAttributeNode(const QString& name) const
{
    return attributes().getNamedItem(name);
}

DomResult DomElement::setAttribute(const QString& name, const QString& value)
{
    if (!node || DomNodeUtil::InsideEntity(node) || !DomStore::IsXmlText(value))
        return DomFail;
    const QByteArray utf8Name = name.toUtf8();
    if (!IsQualifiedName(utf8Name))
        return DomFail;
    QByteArray prefix;
    if (DeclarationPrefix(utf8Name, prefix))
        return DomNamespaces::Declare(
            node, prefix.isEmpty() ? nullptr : DomStore::ToXml(prefix), value);
    if (xmlAttrPtr existing = FindAttribute(node, name))
        return DomAccess::Make<DomAttribute>(reinterpret_cast<xmlNodePtr>(existing))
            .setValue(value);
    if (!DomNamespaces::PrefixDeclared(DomStore::ToXml(utf8Name), node))
        return DomFail;
    xmlAttrPtr attr = xmlNewProp(node, DomStore::ToXml(utf8Name), DomStore::ToXml(value.toUtf8()));
    if (!attr)
        return DomFail;
    attr->_private = nullptr;
    if (DuplicatesExpandedName(node, attr, nullptr)) {
        xmlUnlinkNode(reinterpret_cast<xmlNodePtr>(attr));
        xmlFreeProp(attr);
        return DomFail;
    }
    BindPrefix(node, attr);
    DomStore::Touch(node);
    return DomOk;
}

DomResult DomElement::setAttributeNode(const DomAttribute& attribute)
{
    if (!node || attribute.isNull() || DomNodeUtil::InsideEntity(node))
        return DomFail;
    xmlNodePtr attrNode = DomAccess::Node(attribute);
    if (attrNode->doc != node->doc)
        return DomFail;
    if (xmlNsPtr declaration = DomAccess::Ns(attribute)) {
        for (xmlNsPtr ns = attrNode->nsDef; ns; ns = ns->next) {
            if (ns == declaration)
                return attrNode == node ? DomOk : DomFail;
        }
        // A declaration taken off its element may be set again.
        return DomNamespaces::Declare(
            node, declaration->prefix, DomStore::ToQString(declaration->href));
    }
    auto* attr = reinterpret_cast<xmlAttrPtr>(attrNode);
    if (attr->parent)
        return attr->parent == node ? DomOk : DomFail;
    const QByteArray name(reinterpret_cast<const char*>(attr->name));
    QByteArray prefix;
    if (DeclarationPrefix(name, prefix))
        return DomNamespaces::Declare(
            node, prefix.isEmpty() ? nullptr : DomStore::ToXml(prefix), attribute.value());
    if (!attr->ns && !DomNamespaces::PrefixDeclared(attr->name, node))
        return DomFail;

    DocData* data = DomStore::Data(node);
    xmlAttrPtr old = FindAttribute(node, attribute.name());
    if (DuplicatesExpandedName(node, attr, old))
        return DomFail;
    const long handles = DomStore::HandlesIn(attrNode);
    data->detached.erase(attrNode);
    attr->parent = node;
    if (old) {
        attr->prev = old->prev;
        attr->next = old->next;
        if (old->prev)
            old->prev->next = attr;
        else
            node->properties = attr;
        if (old->next)
            old->next->prev = attr;
        old->prev = old->next = nullptr;
        old->parent = nullptr;
        DomNamespaces::Unbind(old);
        const long oldHandles = DomStore::HandlesIn(reinterpret_cast<xmlNodePtr>(old));
        xmlNodePtr root = DomStore::TreeRoot(node);
        if (root != reinterpret_cast<xmlNodePtr>(data->doc))
            data->detached[root] -= oldHandles;
        if (oldHandles == 0)
            xmlFreeProp(old);
        else
            data->detached[reinterpret_cast<xmlNodePtr>(old)] = oldHandles;
    } else {
        xmlAttrPtr last = node->properties;
        while (last && last->next)
            last = last->next;
        attr->prev = last;
        attr->next = nullptr;
        if (last)
            last->next = attr;
        else
            node->properties = attr;
    }
    xmlNodePtr root = DomStore::TreeRoot(node);
    if (root != reinterpret_cast<xmlNodePtr>(data->doc))
        data->detached[root] += handles;
    BindPrefix(node, attr);
    DomStore::Touch(node);
    return DomOk;
}

DomResult DomElement::removeAttribute(const QString& name)
{
    DomNamedNodeMap map = attributes();
    return map.removeNamedItem(name);
}

DomResult DomElement::insertAttributeBefore(
    const DomAttribute& attribute, const DomAttribute& before)
{
    if (!node || attribute.isNull() || DomNodeUtil::InsideEntity(node))
        return DomFail;
    xmlNsPtr beforeNs = DomAccess::Ns(before);
    auto* beforeAttr
        = before && !beforeNs ? reinterpret_cast<xmlAttrPtr>(DomAccess::Node(before)) : nullptr;
    if (before && !(before.ownerElement() == *this))
        return DomFail;
    // The entry's place as the declarations record it: the index among the ordinary attributes
    // in front of which it stands.
    long position = 0;
    xmlAttrPtr at = node->properties;
    while (at && at != beforeAttr && !(beforeNs && position == DomNamespaces::Position(beforeNs))) {
        at = at->next;
        ++position;
    }
    if (xmlNsPtr declaration = DomAccess::Ns(attribute)) {
        if (DomAccess::Node(attribute) != node)
            return DomFail;
        return DomNamespaces::Redeclare(node, declaration, position, beforeNs);
    }
    xmlNodePtr attrNode = DomAccess::Node(attribute);
    auto* attr = reinterpret_cast<xmlAttrPtr>(attrNode);
    QByteArray prefix;
    if (attrNode->doc != node->doc || attr->parent
        || DeclarationPrefix(QByteArray(reinterpret_cast<const char*>(attr->name)), prefix)
        || FindAttribute(node, attribute.name())
        || (!attr->ns && !DomNamespaces::PrefixDeclared(attr->name, node))
        || DuplicatesExpandedName(node, attr, nullptr))
        return DomFail;

    DocData* data = DomStore::Data(node);
    const long handles = DomStore::HandlesIn(attrNode);
    data->detached.erase(attrNode);
    attr->parent = node;
    attr->next = at;
    attr->prev = at ? at->prev : nullptr;
    if (!at) {
        xmlAttrPtr last = node->properties;
        while (last && last->next)
            last = last->next;
        attr->prev = last;
    }
    if (attr->prev)
        attr->prev->next = attr;
    else
        node->properties = attr;
    if (at)
        at->prev = attr;
    xmlNodePtr root = DomStore::TreeRoot(node);
    if (root != reinterpret_cast<xmlNodePtr>(data->doc))
        data->detached[root] += handles;
    DomNamespaces::AttributeInsertedAt(node, position, beforeNs);
    BindPrefix(node, attr);
    DomStore::Touch(node);
    return DomOk;
}

DomResult DomNamedNodeMap::removeNamedItem(const QString& name)
{
    xmlNodePtr owner = DomAccess::Node(element);
    if (!owner || DomNodeUtil::InsideEntity(owner))
        return DomFail;
    DomAttribute attr = getNamedItem(name);
    if (attr.isNull())
        return DomNoValue;
    if (xmlNsPtr declaration = DomAccess::Ns(attr)) {
        DomNamespaces::Undeclare(owner, declaration);
        return DomOk;
    }
    auto* target = reinterpret_cast<xmlAttrPtr>(DomAccess::Node(attr));
    long index = 0;
    for (xmlAttrPtr a = owner->properties; a && a != target; a = a->next)
        ++index;
    attr = DomAttribute();
    DetachAttribute(owner, target);
    DomNamespaces::AttributeRemovedAt(owner, index);
    DomStore::Touch(owner);
    return DomOk;
}
