// The tree-changing operations of DomNode: each either succeeds completely or leaves the tree as
// it was.

#include "DomNamespaces.h"
#include "DomNode.h"
#include "DomNodeUtil.h"
#include "DomStore.h"

using namespace DomNodeUtil;

namespace {

bool CanHaveChildren(const xmlNode* parent)
{
    return (parent->type == XML_ELEMENT_NODE || parent->type == XML_DOCUMENT_NODE)
        && !InsideEntity(parent);
}

bool IsMovable(const xmlNode* node)
{
    switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
    case XML_ENTITY_REF_NODE:
        return !InsideEntity(node);
    default:
        return false;
    }
}

bool IsAncestorOrSelf(const xmlNode* candidate, const xmlNode* node)
{
    for (const xmlNode* p = node; p; p = p->parent) {
        if (p == candidate)
            return true;
    }
    return false;
}

bool IsXmlTarget(const xmlNode* node)
{
    return node->type == XML_PI_NODE && xmlStrEqual(node->name, BAD_CAST "xml");
}

// What the document node may hold: one element (after the document type), one declaration
// (first), and comments, instructions and the document type.
bool FitsUnderDocument(xmlNodePtr document, xmlNodePtr node, xmlNodePtr ref)
{
    switch (node->type) {
    case XML_ELEMENT_NODE:
        for (xmlNodePtr c = document->children; c; c = c->next) {
            if (c->type == XML_ELEMENT_NODE && c != node)
                return false;
        }
        for (xmlNodePtr c = ref; c; c = c->next) {
            if (c->type == XML_DTD_NODE || c->type == XML_DOCUMENT_TYPE_NODE)
                return false;
        }
        break;
    case XML_PI_NODE:
        if (IsXmlTarget(node)) {
            for (xmlNodePtr c = document->children; c; c = c->next) {
                if (IsXmlTarget(c) && c != node)
                    return false;
            }
            xmlNodePtr first = document->children == node ? node->next : document->children;
            return ref == first;
        }
        break;
    case XML_COMMENT_NODE:
        break;
    default:
        return false;
    }
    // Nothing may come before the declaration.
    xmlNodePtr first = document->children;
    return !(first && IsXmlTarget(first) && ref == first && first != node);
}

} // namespace

DomResult DomNode::insertBefore(const DomNode& newChild, const DomNode& refChild)
{
    xmlNodePtr parent = node;
    xmlNodePtr child = newChild.node;
    xmlNodePtr ref = refChild.node;
    if (!parent || ns || !child || newChild.ns || refChild.ns)
        return DomFail;
    if (!CanHaveChildren(parent) || !IsMovable(child) || child->doc != parent->doc)
        return DomFail;
    if (IsAncestorOrSelf(child, parent))
        return DomFail;
    if (ref && (ref->parent != parent || ref->type == XML_ATTRIBUTE_NODE))
        return DomFail;
    if (parent->type == XML_DOCUMENT_NODE) {
        if (!FitsUnderDocument(parent, child, ref))
            return DomFail;
    } else if (IsXmlTarget(child)) {
        return DomFail;
    }
    if (ref == child)
        return DomOk;
    // Reordering among siblings keeps the scope, so namespaces need no work.
    const bool sameParent = child->parent == parent;
    if (!sameParent && child->type == XML_ELEMENT_NODE
        && !DomNamespaces::PrefixesDeclared(child, parent))
        return DomFail;

    DocData* data = DomStore::Data(parent);
    const auto document = reinterpret_cast<xmlNodePtr>(data->doc);
    xmlNodePtr oldRoot = DomStore::TreeRoot(child);
    xmlNodePtr newRoot = DomStore::TreeRoot(parent);
    const long handles = oldRoot == newRoot ? 0 : DomStore::HandlesIn(child);
    const bool wasRoot = oldRoot == child;

    Unlink(child);
    LinkBefore(parent, child, ref);
    // Before the old tree may be freed below: the moved names may still use its declarations.
    if (!sameParent && child->type == XML_ELEMENT_NODE)
        DomNamespaces::Fix(child);

    if (oldRoot != newRoot) {
        if (wasRoot) {
            data->detached.erase(child);
        } else if (oldRoot != document) {
            auto it = data->detached.find(oldRoot);
            if (it != data->detached.end() && (it->second -= handles) == 0) {
                data->detached.erase(it);
                xmlFreeNode(oldRoot);
            }
        }
        if (newRoot != document)
            data->detached[newRoot] += handles;
    }
    DomStore::Touch(parent);
    return DomOk;
}

DomResult DomNode::appendChild(const DomNode& newChild)
{
    return insertBefore(newChild, DomNode());
}

DomResult DomNode::removeChild(const DomNode& oldChild)
{
    xmlNodePtr parent = node;
    xmlNodePtr child = oldChild.node;
    if (!parent || ns || !child || oldChild.ns || child->parent != parent)
        return DomFail;
    // A document type holds the entities that references elsewhere in the tree point to.
    if (!CanHaveChildren(parent) || !IsMovable(child))
        return DomFail;

    DocData* data = DomStore::Data(parent);
    xmlNodePtr root = DomStore::TreeRoot(parent);
    const long handles = DomStore::HandlesIn(child);
    Unlink(child);
    if (root != reinterpret_cast<xmlNodePtr>(data->doc)) {
        auto it = data->detached.find(root);
        if (it != data->detached.end())
            it->second -= handles;
    }
    data->detached[child] = handles;
    if (child->type == XML_ELEMENT_NODE)
        DomNamespaces::Fix(child);
    DomStore::Touch(parent);
    return DomOk;
}
