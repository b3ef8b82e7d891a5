#include "DomNodeUtil.h"

#include "DomStore.h"
#include "DomTypes.h"

#include <cstdint>

namespace DomNodeUtil {

int TypeOf(const xmlNode* node)
{
    switch (node->type) {
    case XML_ELEMENT_NODE:
        return int(NodeType::Element);
    case XML_ATTRIBUTE_NODE:
    case XML_NAMESPACE_DECL:
        return int(NodeType::Attribute);
    case XML_TEXT_NODE:
        return int(NodeType::Text);
    case XML_CDATA_SECTION_NODE:
        return int(NodeType::CDataSection);
    case XML_ENTITY_REF_NODE:
        return int(NodeType::EntityReference);
    case XML_ENTITY_NODE:
    case XML_ENTITY_DECL:
        return int(NodeType::Entity);
    case XML_PI_NODE:
        return int(NodeType::ProcessingInstruction);
    case XML_COMMENT_NODE:
        return int(NodeType::Comment);
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
        return int(NodeType::Document);
    case XML_DOCUMENT_TYPE_NODE:
    case XML_DTD_NODE:
        return int(NodeType::DocumentType);
    case XML_DOCUMENT_FRAG_NODE:
        return int(NodeType::DocumentFragment);
    case XML_NOTATION_NODE:
        return int(NodeType::Notation);
    default:
        return int(NodeType::Invalid);
    }
}

xmlNodePtr FirstChildOf(const xmlNode* node)
{
    switch (node->type) {
    case XML_ENTITY_REF_NODE: {
        auto* entity = reinterpret_cast<xmlEntityPtr>(node->children);
        return entity ? entity->children : nullptr;
    }
    case XML_ELEMENT_NODE:
    case XML_DOCUMENT_NODE:
    case XML_ENTITY_DECL:
    case XML_DOCUMENT_FRAG_NODE:
        return node->children;
    default:
        return nullptr;
    }
}

xmlNodePtr LastChildOf(const xmlNode* node)
{
    switch (node->type) {
    case XML_ENTITY_REF_NODE: {
        auto* entity = reinterpret_cast<xmlEntityPtr>(node->children);
        return entity ? entity->last : nullptr;
    }
    case XML_ELEMENT_NODE:
    case XML_DOCUMENT_NODE:
    case XML_ENTITY_DECL:
    case XML_DOCUMENT_FRAG_NODE:
        return node->last;
    default:
        return nullptr;
    }
}

bool InsideEntity(const xmlNode* node)
{
    for (const xmlNode* p = node; p; p = p->parent) {
        if (p->type == XML_ENTITY_DECL)
            return true;
    }
    return false;
}

bool IsDeclaration(const xmlNode* node)
{
    return node->type == XML_PI_NODE && xmlStrEqual(node->name, BAD_CAST "xml");
}

QString QualifiedName(const xmlChar* prefix, const xmlChar* local)
{
    if (!prefix)
        return DomStore::ToQString(local);
    return DomStore::ToQString(prefix) + QLatin1Char(':') + DomStore::ToQString(local);
}

QString AttributeValue(xmlAttrPtr attr)
{
    xmlNodePtr child = attr->children;
    if (!child)
        return QString();
    if (!child->next && child->type == XML_TEXT_NODE)
        return DomStore::ToQString(child->content);
    xmlChar* value = xmlNodeListGetString(attr->doc, child, 1);
    QString result = DomStore::ToQString(value);
    xmlFree(value);
    return result;
}

bool IsValidComment(const QString& text)
{
    return DomStore::IsXmlText(text) && !text.contains(QLatin1String("--"))
        && !text.endsWith(QLatin1Char('-'));
}

bool IsValidProcessingData(const QString& data)
{
    return DomStore::IsXmlText(data) && !data.contains(QLatin1String("?>"));
}

void LinkBefore(xmlNodePtr parent, xmlNodePtr node, xmlNodePtr ref)
{
    node->parent = parent;
    if (!ref) {
        node->prev = parent->last;
        node->next = nullptr;
        if (parent->last)
            parent->last->next = node;
        else
            parent->children = node;
        parent->last = node;
        return;
    }
    node->next = ref;
    node->prev = ref->prev;
    if (ref->prev)
        ref->prev->next = node;
    else
        parent->children = node;
    ref->prev = node;
}

void Unlink(xmlNodePtr node)
{
    xmlNodePtr parent = node->parent;
    if (node->prev)
        node->prev->next = node->next;
    else if (parent)
        parent->children = node->next;
    if (node->next)
        node->next->prev = node->prev;
    else if (parent)
        parent->last = node->prev;
    node->parent = nullptr;
    node->prev = nullptr;
    node->next = nullptr;
}

void UnlinkAttribute(xmlAttrPtr attr)
{
    xmlNodePtr owner = attr->parent;
    if (attr->prev)
        attr->prev->next = attr->next;
    else if (owner)
        owner->properties = attr->next;
    if (attr->next)
        attr->next->prev = attr->prev;
    attr->parent = nullptr;
    attr->prev = nullptr;
    attr->next = nullptr;
}

void SetBigLine(xmlNodePtr element, int line)
{
    element->psvi = reinterpret_cast<void*>(static_cast<std::intptr_t>(line));
}

long LineOf(const xmlNode* node)
{
    if (node->type == XML_ELEMENT_NODE && node->line == 65535 && node->psvi)
        return long(reinterpret_cast<std::intptr_t>(node->psvi));
    // Text nodes, and an element copied from one past line 65,535 (a copy has no psvi), are
    // libxml2's to answer.
    return node->line == 65535 ? xmlGetLineNo(node) : node->line;
}

} // namespace DomNodeUtil
