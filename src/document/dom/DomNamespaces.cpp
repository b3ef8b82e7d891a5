#include "DomNamespaces.h"

#include "DomNodeUtil.h"
#include "DomStore.h"

#include <vector>

namespace DomNamespaces {

const xmlChar* EffectiveHref(const xmlNode* element, const xmlAttr* attr)
{
    if (!attr->ns)
        return nullptr;
    const xmlNs* ns = xmlSearchNs(element->doc, const_cast<xmlNodePtr>(element), attr->ns->prefix);
    return ns ? ns->href : attr->ns->href;
}

namespace {

    const xmlChar* PrefixOfName(const xmlChar* name, std::vector<xmlChar>& buffer)
    {
        const xmlChar* colon = xmlStrchr(name, ':');
        if (!colon)
            return nullptr;
        buffer.assign(name, colon);
        buffer.push_back(0);
        return buffer.data();
    }

    // The two namespaces no prefix may be bound to (other than xml to its own).
    bool IsReservedUri(const QString& uri)
    {
        return uri == u"http://www.w3.org/XML/1998/namespace"
            || uri == u"http://www.w3.org/2000/xmlns/";
    }

    // True when an element of the subtree has two attributes with the same namespace and local
    // name, which no parser reads back.
    bool HasDuplicateAttributes(xmlNodePtr subtree)
    {
        xmlNodePtr node = subtree;
        while (node) {
            if (node->type == XML_ELEMENT_NODE) {
                for (const xmlAttr* a = node->properties; a; a = a->next) {
                    const xmlChar* href = a->ns ? EffectiveHref(node, a) : nullptr;
                    for (const xmlAttr* b = a->next; href && b; b = b->next) {
                        if (b->ns && xmlStrEqual(a->name, b->name)
                            && xmlStrEqual(href, EffectiveHref(node, b)))
                            return true;
                    }
                }
            }
            node = DomNodeUtil::NextInSubtree(node, subtree, node->type == XML_ELEMENT_NODE);
        }
        return false;
    }

    bool IsXmlPrefix(const xmlChar* prefix)
    {
        return prefix && xmlStrEqual(prefix, BAD_CAST "xml");
    }

    bool SamePrefix(const xmlChar* a, const xmlChar* b) { return a == b || xmlStrEqual(a, b); }

    // Explicit declarations of element (implicit ones are the layer's own, made to keep a
    // subtree self-contained).
    template <class F> void ForExplicit(xmlNodePtr element, F f)
    {
        for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
            if (!IsImplicit(ns))
                f(ns);
        }
    }

    class Fixer {
    public:
        Fixer(xmlDocPtr doc, xmlNodePtr outer)
            : doc(doc)
            , outer(outer)
        {
        }

        // Iterative, so a subtree of any depth is fixed without exhausting the stack.
        void Visit(xmlNodePtr root)
        {
            std::vector<size_t> marks; // where each open element's declarations start in scope
            xmlNodePtr element = root;
            for (;;) {
                marks.push_back(scope.size());
                Enter(element);
                if (xmlNodePtr child = xmlFirstElementChild(element)) {
                    element = child;
                    continue;
                }
                for (;;) {
                    scope.resize(marks.back());
                    marks.pop_back();
                    if (element == root)
                        return;
                    if (xmlNodePtr next = xmlNextElementSibling(element)) {
                        element = next;
                        break;
                    }
                    element = element->parent;
                }
            }
        }

    private:
        void Enter(xmlNodePtr element)
        {
            RetireImplicit(element);
            ForExplicit(element, [this](xmlNsPtr ns) { scope.push_back(ns); });
            Bind(element, element);
            for (xmlAttrPtr attr = element->properties; attr; attr = attr->next)
                Bind(element, reinterpret_cast<xmlNodePtr>(attr));
        }

        xmlNsPtr Lookup(const xmlChar* prefix)
        {
            for (auto it = scope.rbegin(); it != scope.rend(); ++it) {
                if (SamePrefix((*it)->prefix, prefix))
                    return *it;
            }
            return outer ? xmlSearchNs(doc, outer, prefix) : nullptr;
        }

        void Bind(xmlNodePtr element, xmlNodePtr node)
        {
            xmlNsPtr ns = node->ns;
            if (!ns) {
                // A name made before its prefix had a declaration ("p:x" with no namespace).
                std::vector<xmlChar> buffer;
                const xmlChar* prefix = PrefixOfName(node->name, buffer);
                if (!prefix)
                    return;
                xmlNsPtr found
                    = IsXmlPrefix(prefix) ? xmlSearchNs(doc, element, prefix) : Lookup(prefix);
                if (!found)
                    return;
                const xmlChar* local = xmlStrchr(node->name, ':') + 1;
                xmlChar* localCopy = xmlStrdup(local);
                xmlNodeSetName(node, localCopy);
                xmlFree(localCopy);
                node->ns = found;
                return;
            }
            if (IsXmlPrefix(ns->prefix))
                return;
            xmlNsPtr found = Lookup(ns->prefix);
            if (found == ns)
                return;
            if (found && xmlStrEqual(found->href, ns->href)) {
                node->ns = found;
                return;
            }
            xmlNsPtr made = xmlNewNs(element, ns->href, ns->prefix);
            if (!made)
                return; // the element itself binds the prefix otherwise: nothing better to do
            made->_private = DomStore::implicitNsMark;
            scope.push_back(made);
            node->ns = made;
        }

        void RetireImplicit(xmlNodePtr element)
        {
            xmlNsPtr* link = &element->nsDef;
            while (*link) {
                xmlNsPtr ns = *link;
                if (IsImplicit(ns)) {
                    *link = ns->next;
                    ns->next = nullptr;
                    DomStore::Data(element)->retiredNs.push_back(ns);
                } else {
                    link = &ns->next;
                }
            }
        }

        xmlDocPtr doc;
        xmlNodePtr outer;
        std::vector<xmlNsPtr> scope;
    };

    void CopyPrivateFields(xmlNodePtr from, xmlNodePtr to)
    {
        to->_private = nullptr;
        if (to->type == XML_ELEMENT_NODE) {
            for (xmlAttrPtr attr = to->properties; attr; attr = attr->next)
                attr->_private = nullptr;
            xmlNsPtr source = from->nsDef;
            for (xmlNsPtr ns = to->nsDef; ns; ns = ns->next) {
                ns->_private = source ? source->_private : DomStore::implicitNsMark;
                if (source)
                    source = source->next;
            }
        }
    }

    // One node, an element without its children.
    xmlNodePtr CopyNode(xmlNodePtr node, xmlDocPtr doc)
    {
        xmlNodePtr copy = xmlDocCopyNode(node, doc, node->type == XML_ELEMENT_NODE ? 2 : 1);
        if (copy)
            CopyPrivateFields(node, copy);
        return copy;
    }

    xmlNodePtr CopyTree(xmlNodePtr root, xmlDocPtr doc, bool deep)
    {
        // Elements are copied one level at a time and linked by hand: libxml2's deep copy
        // merges adjacent text nodes. The walk is iterative, so a subtree of any depth is copied
        // without exhausting the stack.
        xmlNodePtr top = CopyNode(root, doc);
        if (!top || !deep || root->type != XML_ELEMENT_NODE)
            return top;
        xmlNodePtr node = root->children;
        xmlNodePtr into = top; // the copy of node's parent
        while (node) {
            xmlNodePtr copy = CopyNode(node, doc);
            if (!copy) {
                xmlFreeNode(top);
                return nullptr;
            }
            DomNodeUtil::LinkBefore(into, copy, nullptr);
            if (node->type == XML_ELEMENT_NODE && node->children) {
                node = node->children;
                into = copy;
                continue;
            }
            while (node->parent != root && !node->next) {
                node = node->parent;
                into = into->parent;
            }
            node = node->next;
        }
        return top;
    }

} // namespace

xmlNodePtr CopySubtree(xmlNodePtr node, xmlDocPtr doc) { return CopyTree(node, doc, true); }

DomNode AdoptDetached(xmlNodePtr node)
{
    DomStore::AddDetached(node);
    return DomAccess::Make(node);
}

DomNode Clone(xmlNodePtr node, bool deep)
{
    switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
    case XML_ENTITY_REF_NODE:
    case XML_ATTRIBUTE_NODE:
        break;
    default:
        return DomNode();
    }
    xmlNodePtr copy = CopyTree(node, node->doc, deep);
    if (!copy)
        return DomNode();
    if (copy->type == XML_ATTRIBUTE_NODE)
        Unbind(reinterpret_cast<xmlAttrPtr>(copy));
    if (copy->type == XML_ELEMENT_NODE)
        Fixer(node->doc, nullptr).Visit(copy);
    return AdoptDetached(copy);
}

void Unbind(xmlAttrPtr attr)
{
    xmlNsPtr ns = attr->ns;
    if (!ns)
        return;
    attr->ns = nullptr;
    if (!ns->prefix)
        return;
    const QByteArray name = QByteArray(reinterpret_cast<const char*>(ns->prefix)) + ':'
        + reinterpret_cast<const char*>(attr->name);
    xmlNodeSetName(reinterpret_cast<xmlNodePtr>(attr), DomStore::ToXml(name));
}

bool PrefixDeclared(const xmlChar* qualifiedName, xmlNodePtr element)
{
    std::vector<xmlChar> buffer;
    const xmlChar* prefix = PrefixOfName(qualifiedName, buffer);
    if (!prefix || IsXmlPrefix(prefix))
        return true;
    if (xmlStrEqual(prefix, BAD_CAST "xmlns"))
        return false;
    return element && element->type == XML_ELEMENT_NODE
        && xmlSearchNs(element->doc, element, prefix) != nullptr;
}

bool PrefixesDeclared(xmlNodePtr subtree, xmlNodePtr parent)
{
    // Only the inserted node itself is checked: what its descendants use is declared again below
    // it by Fix when the destination does not declare it.
    if (subtree->type != XML_ELEMENT_NODE)
        return true;
    auto declared = [&](const xmlChar* prefix) {
        if (!prefix || IsXmlPrefix(prefix))
            return true;
        if (xmlStrEqual(prefix, BAD_CAST "xmlns"))
            return false;
        for (xmlNsPtr ns = subtree->nsDef; ns; ns = ns->next) {
            if (SamePrefix(ns->prefix, prefix))
                return true;
        }
        return parent && parent->type == XML_ELEMENT_NODE
            && xmlSearchNs(parent->doc, parent, prefix) != nullptr;
    };
    auto check = [&](xmlNodePtr node) {
        if (node->ns)
            return declared(node->ns->prefix);
        std::vector<xmlChar> buffer;
        return declared(PrefixOfName(node->name, buffer));
    };
    if (!check(subtree))
        return false;
    for (xmlAttrPtr attr = subtree->properties; attr; attr = attr->next) {
        if (!check(reinterpret_cast<xmlNodePtr>(attr)))
            return false;
    }
    return true;
}

void Fix(xmlNodePtr subtree)
{
    if (subtree->type != XML_ELEMENT_NODE)
        return;
    xmlNodePtr outer
        = subtree->parent && subtree->parent->type == XML_ELEMENT_NODE ? subtree->parent : nullptr;
    Fixer(subtree->doc, outer).Visit(subtree);
}

long Position(const xmlNs* ns) { return reinterpret_cast<long>(ns->_private); }

void SetPosition(xmlNsPtr ns, long position) { ns->_private = reinterpret_cast<void*>(position); }

bool IsImplicit(const xmlNs* ns) { return ns->_private == DomStore::implicitNsMark; }

DomResult Declare(xmlNodePtr element, const xmlChar* prefix, const QString& uri)
{
    if (prefix && (IsXmlPrefix(prefix) || xmlStrEqual(prefix, BAD_CAST "xmlns")))
        return DomFail;
    if (IsReservedUri(uri))
        return DomFail;
    if (prefix && uri.isEmpty())
        return DomFail; // a prefix cannot be undeclared in XML 1.0
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
        if (SamePrefix(ns->prefix, prefix) && !IsImplicit(ns))
            return SetDeclarationValue(element, ns, uri);
    }
    long ordinary = 0;
    for (xmlAttrPtr attr = element->properties; attr; attr = attr->next)
        ++ordinary;
    // An implicit declaration of the same prefix gives way to the explicit one.
    xmlNsPtr* link = &element->nsDef;
    while (*link) {
        xmlNsPtr ns = *link;
        if (SamePrefix(ns->prefix, prefix)) {
            *link = ns->next;
            ns->next = nullptr;
            DomStore::Data(element)->retiredNs.push_back(ns);
        } else {
            link = &ns->next;
        }
    }
    xmlNsPtr made = xmlNewNs(element, DomStore::ToXml(uri.toUtf8()), prefix);
    if (!made)
        return DomFail;
    SetPosition(made, ordinary);
    Fix(element);
    if (prefix && HasDuplicateAttributes(element)) {
        Undeclare(element, made);
        return DomFail;
    }
    DomStore::Touch(element);
    return DomOk;
}

DomResult SetDeclarationValue(xmlNodePtr element, xmlNsPtr ns, const QString& uri)
{
    if ((ns->prefix && uri.isEmpty()) || IsReservedUri(uri))
        return DomFail;
    const xmlChar* previous = ns->href;
    ns->href = xmlStrdup(DomStore::ToXml(uri.toUtf8()));
    if (ns->prefix && HasDuplicateAttributes(element)) {
        xmlFree(const_cast<xmlChar*>(ns->href));
        ns->href = previous;
        return DomFail;
    }
    xmlFree(const_cast<xmlChar*>(previous));
    DomStore::Touch(element);
    return DomOk;
}

void Undeclare(xmlNodePtr element, xmlNsPtr ns)
{
    xmlNsPtr* link = &element->nsDef;
    while (*link && *link != ns)
        link = &(*link)->next;
    if (!*link)
        return;
    *link = ns->next;
    ns->next = nullptr;
    // Freed with the document: handles and entity content may still point to it.
    DomStore::Data(element)->retiredNs.push_back(ns);
    Fix(element);
    DomStore::Touch(element);
}

void AttributeRemovedAt(xmlNodePtr element, long index)
{
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
        if (!IsImplicit(ns) && Position(ns) > index)
            SetPosition(ns, Position(ns) - 1);
    }
}

} // namespace DomNamespaces
