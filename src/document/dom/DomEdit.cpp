// Renaming an element in place, and the nesting measures that keep an edited tree loadable.

#include "DomElement.h"
#include "DomNode.h"
#include "DomNodeUtil.h"
#include "DomStore.h"

#include <algorithm>

DomResult DomElement::rename(const QString& name)
{
    if (!node || ns || node->type != XML_ELEMENT_NODE || DomNodeUtil::InsideEntity(node))
        return DomFail;
    const QByteArray utf8 = name.toUtf8();
    if (utf8.isEmpty() || xmlValidateQName(DomStore::ToXml(utf8), 0) != 0)
        return DomFail;
    const qsizetype colon = utf8.indexOf(':');
    const QByteArray local = colon < 0 ? utf8 : utf8.mid(colon + 1);
    xmlNsPtr binding = nullptr;
    if (colon >= 0) {
        const QByteArray prefix = utf8.left(colon);
        // A declaration's prefix names no namespace an element could be in.
        if (prefix == "xmlns")
            return DomFail;
        // The element's own declarations count: <p:a xmlns:p="..."> renamed to p:b keeps p.
        binding = xmlSearchNs(node->doc, node, DomStore::ToXml(prefix));
        if (!binding)
            return DomFail;
    } else {
        binding = xmlSearchNs(node->doc, node, nullptr);
        // xmlns="" takes the default namespace away.
        if (binding && (!binding->href || !*binding->href))
            binding = nullptr;
    }
    xmlNodeSetName(node, DomStore::ToXml(local));
    node->ns = binding;
    DomStore::Touch(node);
    return DomOk;
}

int DomNode::elementDepth() const
{
    if (ns)
        return 0;
    int depth = 0;
    for (const xmlNode* n = node; n; n = n->parent) {
        if (n->type == XML_ELEMENT_NODE)
            ++depth;
    }
    return depth;
}

qint64 DomNode::memoryUse() const
{
    if (!node || ns)
        return 0;
    // Each allocation is counted with the allocator's own few bytes of overhead.
    constexpr qint64 overhead = 16;
    const auto textBytes
        = [](const xmlChar* text) { return text ? qint64(xmlStrlen(text)) + 1 + overhead : 0; };
    qint64 bytes = 0;
    for (xmlNodePtr current = node; current;) {
        // An element's content field holds no text: XPath keeps document-order numbers in it.
        const bool text = current->type != XML_ELEMENT_NODE;
        bytes += qint64(sizeof(xmlNode)) + overhead + (text ? textBytes(current->content) : 0);
        if (current->type == XML_ELEMENT_NODE) {
            for (xmlAttrPtr attr = current->properties; attr; attr = attr->next) {
                bytes += qint64(sizeof(xmlAttr)) + overhead;
                for (xmlNodePtr value = attr->children; value; value = value->next)
                    bytes += qint64(sizeof(xmlNode)) + overhead + textBytes(value->content);
            }
        }
        current = DomNodeUtil::NextInSubtree(
            current, node, current->type == XML_ELEMENT_NODE || current == node);
    }
    return bytes;
}

int DomNode::elementHeight() const
{
    if (!node || ns || node->type != XML_ELEMENT_NODE)
        return 0;
    // Iterative: the subtree may be as deep as the loader allows.
    int height = 1;
    int depth = 1;
    xmlNodePtr current = node;
    for (;;) {
        if (xmlNodePtr child = xmlFirstElementChild(current)) {
            current = child;
            height = std::max(height, ++depth);
            continue;
        }
        while (current != node && !xmlNextElementSibling(current)) {
            current = current->parent;
            --depth;
        }
        if (current == node)
            return height;
        current = xmlNextElementSibling(current);
    }
}
