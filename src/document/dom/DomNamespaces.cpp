#include "DomNamespaces.h"

#include "DomNodeUtil.h"
#include "DomStore.h"

#include <libxml/uri.h>
#include <libxml/valid.h>

#include <algorithm>
#include <cstdint>
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

    // Positions are small and never negative; the layer's own declarations carry implicitNsMark.
    void* const defaultedMark = reinterpret_cast<void*>(~std::uintptr_t(1));

    bool DeclaredOn(const xmlNode* element, const xmlNs* ns)
    {
        for (const xmlNs* own = element->nsDef; own; own = own->next) {
            if (own == ns)
                return true;
        }
        return false;
    }

    bool DeclaresPrefix(const xmlNode* element, const xmlChar* prefix)
    {
        for (const xmlNs* own = element->nsDef; own; own = own->next) {
            if (SamePrefix(own->prefix, prefix))
                return true;
        }
        return false;
    }

    // True when the element's name is written with prefix (null: without one).
    bool NameUsesPrefix(const xmlNode* element, const xmlChar* prefix)
    {
        if (element->ns)
            return SamePrefix(element->ns->prefix, prefix);
        return !prefix && !xmlStrchr(element->name, ':');
    }

    // After a declaration of prefix on element was added, changed or removed, every name in its
    // reach (down to the next declaration of the prefix) takes the binding now in scope, as a
    // reader of the written markup would. A prefix left undeclared keeps its old binding, which
    // Fix declares again; unprefixed attributes are never in a namespace.
    void Rebind(xmlNodePtr element, const xmlChar* prefix)
    {
        xmlNsPtr binding = xmlSearchNs(element->doc, element, prefix);
        if (binding && !prefix && !(binding->href && *binding->href))
            binding = nullptr; // xmlns="": no namespace
        if (prefix && !binding)
            return;
        xmlNodePtr node = element;
        while (node) {
            const bool isElement = node->type == XML_ELEMENT_NODE;
            const bool inReach = isElement && (node == element || !DeclaresPrefix(node, prefix));
            if (inReach) {
                if (NameUsesPrefix(node, prefix))
                    node->ns = binding;
                for (xmlAttrPtr attr = node->properties; prefix && attr; attr = attr->next) {
                    if (attr->ns && SamePrefix(attr->ns->prefix, prefix))
                        attr->ns = binding;
                }
            }
            node = DomNodeUtil::NextInSubtree(node, element, inReach);
        }
    }

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
            AddDocumentTypeDefaults(element);
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
                if (!prefix) {
                    // An element in no namespace takes the default namespace where it now
                    // stands (a new <p> inserted into XHTML), as a reader of the markup does.
                    if (node == element) {
                        xmlNsPtr found = Lookup(nullptr);
                        if (found && found->href && *found->href)
                            node->ns = found;
                    }
                    return;
                }
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
            // A declaration on the element itself binds its names whatever they had before:
            // nothing else can be written for them, and a reference to a declaration elsewhere
            // would dangle once that element is gone.
            if (found && (xmlStrEqual(found->href, ns->href) || DeclaredOn(element, found))) {
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

        // The declarations the document type's defaults give an element of that name, as the
        // parser adds them: only where the scope does not bind the prefix to that value already.
        // An element made or moved here has them too, like one read from the written file.
        void AddDocumentTypeDefaults(xmlNodePtr element)
        {
            xmlDtdPtr dtd = doc->intSubset;
            if (!dtd || !dtd->attributes)
                return;
            const QString name = DomNodeUtil::QualifiedName(
                element->ns ? element->ns->prefix : nullptr, element->name);
            const xmlElement* declared = xmlGetDtdElementDesc(dtd, DomStore::ToXml(name.toUtf8()));
            for (const xmlAttribute* a = declared ? declared->attributes : nullptr; a;
                 a = a->nexth) {
                const xmlChar* prefix = a->name;
                if (!a->prefix && xmlStrEqual(a->name, BAD_CAST "xmlns"))
                    prefix = nullptr;
                else if (!xmlStrEqual(a->prefix, BAD_CAST "xmlns"))
                    continue;
                if (!a->defaultValue || DeclaresPrefix(element, prefix))
                    continue;
                const xmlNs* inScope = Lookup(prefix);
                if (inScope && xmlStrEqual(inScope->href, a->defaultValue))
                    continue;
                if (xmlNsPtr made = xmlNewNs(element, a->defaultValue, prefix))
                    MarkDefaulted(made);
            }
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
    if (copy->type == XML_ATTRIBUTE_NODE) {
        // libxml2 copies an attribute's namespace only when it copies it onto an element: give
        // the copy the prefix of the original.
        copy->ns = node->ns;
        Unbind(reinterpret_cast<xmlAttrPtr>(copy));
    }
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

void MarkDefaulted(xmlNsPtr ns) { ns->_private = defaultedMark; }

bool IsDefaulted(const xmlNs* ns) { return ns->_private == defaultedMark; }

bool IsListed(const xmlNs* ns) { return !IsImplicit(ns) && !IsDefaulted(ns); }

bool IsLoadableName(const QString& uri)
{
    // libxml2's parser (2.9) checks a declaration's value with xmlParseURI as it keeps it: without
    // entity substitution, so the "&amp;" the writer makes of "&" reaches the check as "&#38;"
    // ("a&b&c" fails for its second "#"). Character references are replaced before the check.
    if (uri.isEmpty())
        return true;
    QByteArray kept = uri.toUtf8();
    kept.replace("&", "&#38;");
    xmlURIPtr parsed = xmlParseURI(kept.constData());
    if (!parsed)
        return false;
    xmlFreeURI(parsed);
    return true;
}

DomResult Declare(xmlNodePtr element, const xmlChar* prefix, const QString& uri)
{
    if (prefix && (IsXmlPrefix(prefix) || xmlStrEqual(prefix, BAD_CAST "xmlns")))
        return DomFail;
    if (IsReservedUri(uri) || !IsLoadableName(uri))
        return DomFail;
    if (prefix && uri.isEmpty())
        return DomFail; // a prefix cannot be undeclared in XML 1.0
    long ordinary = 0;
    for (xmlAttrPtr attr = element->properties; attr; attr = attr->next)
        ++ordinary;
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
        if (!SamePrefix(ns->prefix, prefix) || IsImplicit(ns))
            continue;
        if (!IsDefaulted(ns))
            return SetDeclarationValue(element, ns, uri);
        // Set explicitly, what the document type gave becomes an attribute of its own.
        SetPosition(ns, ordinary);
        const DomResult result = SetDeclarationValue(element, ns, uri);
        if (Failed(result))
            MarkDefaulted(ns);
        return result;
    }
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
    Rebind(element, prefix);
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
    if ((ns->prefix && uri.isEmpty()) || IsReservedUri(uri) || !IsLoadableName(uri))
        return DomFail;
    const xmlChar* previous = ns->href;
    ns->href = xmlStrdup(DomStore::ToXml(uri.toUtf8()));
    if (ns->prefix && HasDuplicateAttributes(element)) {
        xmlFree(const_cast<xmlChar*>(ns->href));
        ns->href = previous;
        return DomFail;
    }
    xmlFree(const_cast<xmlChar*>(previous));
    // Between no namespace (xmlns="") and a namespace, unprefixed elements change binding.
    Rebind(element, ns->prefix);
    Fix(element);
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
    Rebind(element, ns->prefix);
    Fix(element);
    DomStore::Touch(element);
}

void AttributeRemovedAt(xmlNodePtr element, long index)
{
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
        if (IsListed(ns) && Position(ns) > index)
            SetPosition(ns, Position(ns) - 1);
    }
}

void AttributeInsertedAt(xmlNodePtr element, long index, const xmlNs* first)
{
    bool reached = false;
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
        reached = reached || ns == first;
        if (IsListed(ns) && (Position(ns) > index || (Position(ns) == index && reached)))
            SetPosition(ns, Position(ns) + 1);
    }
}

DomResult Redeclare(xmlNodePtr element, xmlNsPtr ns, long position, xmlNsPtr before)
{
    std::vector<xmlNsPtr>& retired = DomStore::Data(element)->retiredNs;
    auto found = std::find(retired.begin(), retired.end(), ns);
    if (found == retired.end())
        return DomFail;
    for (const xmlNs* own = element->nsDef; own; own = own->next) {
        if (SamePrefix(own->prefix, ns->prefix) && IsListed(own))
            return DomFail;
    }
    retired.erase(found);
    // What stood in for the declaration while it was away (the layer's own, to keep names
    // bound, or the document type's default) gives way to it.
    for (xmlNsPtr* own = &element->nsDef; *own;) {
        xmlNsPtr other = *own;
        if (SamePrefix(other->prefix, ns->prefix)) {
            *own = other->next;
            other->next = nullptr;
            retired.push_back(other);
        } else {
            own = &other->next;
        }
    }
    // The list keeps the map's order: once attributes between two declarations go, both stand
    // at one position and the list decides.
    xmlNsPtr* link = &element->nsDef;
    while (*link && *link != before && !(!before && IsListed(*link) && Position(*link) > position))
        link = &(*link)->next;
    ns->next = *link;
    *link = ns;
    SetPosition(ns, position);
    Rebind(element, ns->prefix);
    Fix(element);
    if (ns->prefix && HasDuplicateAttributes(element)) {
        Undeclare(element, ns);
        return DomFail;
    }
    DomStore::Touch(element);
    return DomOk;
}

} // namespace DomNamespaces
