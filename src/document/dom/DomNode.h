#pragma once

#include "DomTypes.h"

#include <QString>

#include <optional>

struct _xmlNode;
struct _xmlNs;
struct DocData;

class DomAttribute;
class DomBindings;
class DomElement;
class DomNamedNodeMap;
class DomNodeList;

// A reference-counted handle to one node of a DOM document. A handle never dangles: the node,
// its subtree and its document stay alive while any handle refers to them, also after the node
// has been removed from its tree or the document has loaded other content.
class DomNode {
public:
    DomNode() = default;
    DomNode(const DomNode& other);
    DomNode(DomNode&& other) noexcept;
    DomNode& operator=(const DomNode& other);
    DomNode& operator=(DomNode&& other) noexcept;
    ~DomNode();

    bool isNull() const { return node == nullptr; }
    explicit operator bool() const { return node != nullptr; }
    // Two handles are equal when they refer to the same node.
    bool operator==(const DomNode& other) const { return node == other.node && ns == other.ns; }

    NodeType nodeType() const;
    QString nodeName() const;
    // The namespace of an element's or attribute's name; empty for other nodes and for names in
    // no namespace. A namespace declaration is in the xmlns namespace.
    QString namespaceURI() const;
    // The value, or nothing for the types that have none (element, document, ...).
    std::optional<QString> nodeValue() const;
    DomResult setNodeValue(const QString& value);

    DomNode parentNode() const;
    DomNode firstChild() const;
    DomNode lastChild() const;
    DomNode previousSibling() const;
    DomNode nextSibling() const;
    bool hasChildNodes() const;
    DomNodeList childNodes() const;
    // The attribute map of an element; a null map for every other node.
    DomNamedNodeMap attributes() const;

    // Tree changes: each either succeeds completely or fails with the tree unchanged.
    // A null reference appends; an attached newChild is moved.
    DomResult insertBefore(const DomNode& newChild, const DomNode& refChild);
    DomResult appendChild(const DomNode& newChild);
    DomResult removeChild(const DomNode& oldChild);
    // A copy owned by the same document, with no parent; attributes are always copied,
    // children only when deep. A null handle on failure.
    DomNode cloneNode(bool deep) const;

    // Elements from this node up to the top, the node itself counted when it is one.
    int elementDepth() const;
    // Levels of elements in the node's subtree, the node included: 0 when it holds none.
    int elementHeight() const;
    // An estimate of the memory the node and its subtree take, in bytes: nodes, attributes and
    // text, without what the document shares (interned names).
    qint64 memoryUse() const;

    // An XPath location path that selects this node from the document: "/a/b[3]/@c", a
    // position wherever siblings share the step, a namespace declaration as "namespace::p".
    // Names take the prefixes they are written with, or with bindings the prefix bound to their
    // namespace. Empty for a node that XPath does not see (an entity reference or what lies in
    // one, a document type, the XML declaration) and for one outside the document's tree.
    QString path(const DomBindings* bindings = nullptr) const;

    // The node's markup, with nothing added (see the writer for the exact rules).
    QString xml() const;
    // The markup as UTF-8 that stands on its own, for other programs: line breaks are line feeds,
    // and an element's start tag also declares the namespaces its branch uses that are declared
    // outside it.
    QByteArray standaloneXml() const;

    // Views of the same node; null when the node is not of that type.
    DomElement toElement() const;
    DomAttribute toAttribute() const;

protected:
    friend struct DomAccess;
    // data: the node's document bookkeeping when the caller has it at hand (it saves a look-up
    // on a cache line of the node that is otherwise not needed).
    DomNode(_xmlNode* node, _xmlNs* ns, DocData* data = nullptr);

    // For an attribute made from a namespace declaration, node is the owning element and ns the
    // declaration; otherwise ns is null.
    _xmlNode* node = nullptr;
    _xmlNs* ns = nullptr;
    DocData* data = nullptr;
};
