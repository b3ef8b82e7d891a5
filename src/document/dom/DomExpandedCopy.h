#pragma once

// Internal to the DOM layer: a copy of a document in which references to internal entities are
// replaced by what they stand for. libxml2 2.9's schema validator refuses a tree that holds
// entity-reference nodes ("Please substitute entities before validation"), and the loader keeps
// them as nodes.

#include <libxml/tree.h>

namespace DomExpandedCopy {

// A new document with a copy of doc's top-level nodes (not the XML declaration node, not the
// document type) and everything below them. Every entity reference, in content and in attribute
// values, is replaced by a copy of its entity's content; a reference to an entity whose content
// was never read (declared only in an unread external subset) leaves nothing. Each copied
// element's _private points to the element of doc it was copied from; elements that came from
// an entity's content point nowhere. Null when memory runs out; free it with xmlFreeDoc.
xmlDocPtr Make(xmlDocPtr doc);

// The element of the original document that a node of the copy (an element, attribute or text)
// stands for: the nearest element at or above it that was copied from one; null when none was.
xmlNodePtr Original(const xmlNode* node);

} // namespace DomExpandedCopy
