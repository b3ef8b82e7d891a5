#include "DomNode.h"

#include "DomAttribute.h"
#include "DomElement.h"
#include "DomNamedNodeMap.h"
#include "DomNamespaces.h"
#include "DomNodeList.h"
#include "DomNodeUtil.h"
#include "DomStore.h"
#include "DomWriter.h"

using namespace DomNodeUtil;

DomNode::DomNode(_xmlNode* node, _xmlNs* ns, DocData* data)
    : node(node)
    , ns(ns)
{
    if (node) {
        this->data = data ? data : DomStore::Data(node);
        DomStore::AcquireNode(node, this->data);
    }
}

DomNode::DomNode(const DomNode& other)
    : DomNode(other.node, other.ns, other.data)
{
}

DomNode::DomNode(DomNode&& other) noexcept
    : node(other.node)
    , ns(other.ns)
    , data(other.data)
{
    other.node = nullptr;
    other.ns = nullptr;
    other.data = nullptr;
}

DomNode& DomNode::operator=(const DomNode& other)
{
    if (this != &other) {
        DomNode copy(other);
        *this = std::move(copy);
    }
    return *this;
}

DomNode& DomNode::operator=(DomNode&& other) noexcept
{
    if (this != &other) {
        if (node)
            DomStore::ReleaseNode(node, data);
        node = other.node;
        ns = other.ns;
        data = other.data;
        other.node = nullptr;
        other.ns = nullptr;
        other.data = nullptr;
    }
    return *this;
}

DomNode::~DomNode()
{
    if (node)
        DomStore::ReleaseNode(node, data);
}

NodeType DomNode::nodeType() const
{
    if (!node)
        return NodeType::Invalid;
    return ns ? NodeType::Attribute : NodeType(TypeOf(node));
}

QString DomNode::nodeName() const
{
    if (!node)
        return QString();
    if (ns) {
        return ns->prefix ? QStringLiteral("xmlns:") + DomStore::ToQString(ns->prefix)
                          : QStringLiteral("xmlns");
    }
    switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
        return QualifiedName(node->ns ? node->ns->prefix : nullptr, node->name);
    case XML_TEXT_NODE:
        return QStringLiteral("#text");
    case XML_CDATA_SECTION_NODE:
        return QStringLiteral("#cdata-section");
    case XML_COMMENT_NODE:
        return QStringLiteral("#comment");
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
        return QStringLiteral("#document");
    case XML_DOCUMENT_FRAG_NODE:
        return QStringLiteral("#document-fragment");
    default:
        // Instruction target, document type's root name, entity and entity reference name.
        return DomStore::ToQString(node->name);
    }
}

std::optional<QString> DomNode::nodeValue() const
{
    if (!node)
        return std::nullopt;
    if (ns)
        return DomStore::ToQString(ns->href);
    switch (node->type) {
    case XML_ATTRIBUTE_NODE:
        return AttributeValue(reinterpret_cast<xmlAttrPtr>(node));
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        return DomStore::ToQString(node->content);
    default:
        return std::nullopt;
    }
}

DomResult DomNode::setNodeValue(const QString& value)
{
    if (!node)
        return DomFail;
    if (!DomStore::IsXmlText(value))
        return DomFail;
    // An entity's replacement content is read-only.
    if (InsideEntity(node))
        return DomFail;
    if (ns)
        return DomNamespaces::SetDeclarationValue(node, ns, value);
    const QByteArray utf8 = value.toUtf8();
    switch (node->type) {
    case XML_ATTRIBUTE_NODE: {
        auto* attr = reinterpret_cast<xmlAttrPtr>(node);
        xmlNodePtr text = xmlNewDocTextLen(node->doc, DomStore::ToXml(utf8), int(utf8.size()));
        if (!text)
            return DomFail;
        xmlFreeNodeList(attr->children);
        text->parent = node;
        attr->children = text;
        attr->last = text;
        return DomOk;
    }
    case XML_COMMENT_NODE:
        if (!IsValidComment(value))
            return DomFail;
        break;
    case XML_PI_NODE:
        if (IsDeclaration(node) || !IsValidProcessingData(value))
            return DomFail;
        break;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE: // the writer splits a section around "]]>"
        break;
    default:
        return DomFail;
    }
    xmlNodeSetContentLen(node, DomStore::ToXml(utf8), int(utf8.size()));
    return DomOk;
}

DomNode DomNode::parentNode() const
{
    if (!node || ns || node->type == XML_ATTRIBUTE_NODE)
        return DomNode();
    return DomNode(node->parent, nullptr, data);
}

DomNode DomNode::firstChild() const
{
    return node && !ns ? DomNode(FirstChildOf(node), nullptr, data) : DomNode();
}

DomNode DomNode::lastChild() const
{
    return node && !ns ? DomNode(LastChildOf(node), nullptr, data) : DomNode();
}

DomNode DomNode::previousSibling() const
{
    if (!node || ns || node->type == XML_ATTRIBUTE_NODE)
        return DomNode();
    return DomNode(node->prev, nullptr, data);
}

DomNode DomNode::nextSibling() const
{
    if (!node || ns || node->type == XML_ATTRIBUTE_NODE)
        return DomNode();
    return DomNode(node->next, nullptr, data);
}

bool DomNode::hasChildNodes() const { return node && !ns && FirstChildOf(node); }

DomNodeList DomNode::childNodes() const { return DomNodeList(*this); }

DomNamedNodeMap DomNode::attributes() const { return DomNamedNodeMap(toElement()); }

DomNode DomNode::cloneNode(bool deep) const
{
    if (!node)
        return DomNode();
    if (ns) {
        QByteArray name("xmlns");
        if (ns->prefix)
            name += QByteArray(":") + reinterpret_cast<const char*>(ns->prefix);
        // The value as plain text: xmlNewDocProp would read "&" in it as the start of a reference.
        xmlAttrPtr attr = xmlNewDocProp(node->doc, DomStore::ToXml(name), nullptr);
        if (!attr)
            return DomNode();
        attr->_private = nullptr;
        if (xmlNodePtr text = xmlNewDocText(node->doc, ns->href)) {
            text->parent = reinterpret_cast<xmlNodePtr>(attr);
            attr->children = attr->last = text;
        }
        return DomNamespaces::AdoptDetached(reinterpret_cast<xmlNodePtr>(attr));
    }
    return DomNamespaces::Clone(node, deep);
}

QString DomNode::xml() const { return node ? DomWriter::Xml(node, ns) : QString(); }

DomElement DomNode::toElement() const
{
    return node && !ns && node->type == XML_ELEMENT_NODE ? DomElement(node, nullptr, data)
                                                         : DomElement();
}

DomAttribute DomNode::toAttribute() const
{
    return node && (ns || node->type == XML_ATTRIBUTE_NODE) ? DomAttribute(node, ns, data)
                                                            : DomAttribute();
}
