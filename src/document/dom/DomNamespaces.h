#pragma once

// Internal to the DOM layer: keeps namespace references valid and prefixes unchanged when nodes
// move, are copied, are detached, or when declarations change.

#include "DomNode.h"
#include "DomTypes.h"

#include <libxml/tree.h>

#include <QString>

namespace DomNamespaces {

// Registers a new, unattached node and returns the first handle to it.
DomNode AdoptDetached(xmlNodePtr node);

// A copy of node in the same document with no parent; children only when deep.
DomNode Clone(xmlNodePtr node, bool deep);

// A deep copy of node owned by doc, which may be another document, linked nowhere; null when
// memory runs out. Adjacent text nodes stay apart.
xmlNodePtr CopySubtree(xmlNodePtr node, xmlDocPtr doc);

// Gives an attribute on its own its prefix back in its name and drops its namespace reference,
// the form a new prefixed attribute has: the declaration it referred to may go with the element
// it left. The prefix is bound again when the attribute is set on an element.
void Unbind(xmlAttrPtr attr);

// True when every prefix used by the names in subtree is declared inside subtree or in scope
// at parent ("xml" always is).
bool PrefixesDeclared(xmlNodePtr subtree, xmlNodePtr parent);
bool PrefixDeclared(const xmlChar* qualifiedName, xmlNodePtr element);

// Makes every namespace reference in subtree point to a declaration in scope where it now
// stands, declaring what is missing on the topmost element that needs it; also binds the
// prefixes of names created before they had a declaration.
void Fix(xmlNodePtr subtree);

// The attribute-map position of a declaration among the ordinary attributes.
long Position(const xmlNs* ns);
void SetPosition(xmlNsPtr ns, long position);
bool IsImplicit(const xmlNs* ns);
// A declaration the document type's attribute defaults give an element (<!ATTLIST m xmlns
// CDATA #FIXED "urn:m">): it binds names like any other, but is neither listed nor written,
// because the document type gives it again to whoever reads the written file.
void MarkDefaulted(xmlNsPtr ns);
bool IsDefaulted(const xmlNs* ns);
// Declarations that are attribute-map entries: neither the layer's own nor defaulted.
bool IsListed(const xmlNs* ns);

// Calls visit(attr, ns) for each attribute-map entry of element in map order: ordinary
// attributes with ns null, declarations with attr null. Declarations stand among the ordinary
// attributes at the place they had in the source; those added later come after them, and the
// layer's own last.
template <class Visit> void ForEachMapEntry(xmlNodePtr element, Visit&& visit)
{
    auto declarationsAt = [&](long position) {
        for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
            if (IsListed(ns) && Position(ns) == position)
                visit(nullptr, ns);
        }
    };
    long index = 0;
    for (xmlAttrPtr attr = element->properties; attr; attr = attr->next, ++index) {
        if (element->nsDef)
            declarationsAt(index);
        visit(attr, nullptr);
    }
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
        if (IsListed(ns) && Position(ns) >= index)
            visit(nullptr, ns);
    }
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
        if (IsImplicit(ns))
            visit(nullptr, ns);
    }
}

// True when a file holding uri as a namespace declaration's value opens again.
bool IsLoadableName(const QString& uri);

// Adds or changes the declaration that an xmlns or xmlns:p attribute stands for.
DomResult Declare(xmlNodePtr element, const xmlChar* prefix, const QString& uri);
// The namespace a prefixed attribute of the element has when the element is read back: the one
// its prefix names in the element's scope.
const xmlChar* EffectiveHref(const xmlNode* element, const xmlAttr* attr);
DomResult SetDeclarationValue(xmlNodePtr element, xmlNsPtr ns, const QString& uri);
// Takes a declaration off its element: the names in its reach take the binding now in scope; those
// whose prefix is left undeclared are re-declared.
void Undeclare(xmlNodePtr element, xmlNsPtr ns);
// Shifts the recorded positions when the ordinary attribute at index is removed.
void AttributeRemovedAt(xmlNodePtr element, long index);
// Shifts the recorded positions when an ordinary attribute is inserted at index: declarations
// behind it move up, and of those at index the ones from first on in list order (none when
// first is null, the new attribute then follows them).
void AttributeInsertedAt(xmlNodePtr element, long index, const xmlNs* first);
// Puts a declaration that Undeclare took off element back at position, in front of before
// (another declaration of element at that position, or null), and binds its prefix again.
DomResult Redeclare(xmlNodePtr element, xmlNsPtr ns, long position, xmlNsPtr before);

} // namespace DomNamespaces
