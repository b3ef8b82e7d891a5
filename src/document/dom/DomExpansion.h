#pragma once

// Internal to the DOM layer: how much text entity references add to attribute values. libxml2
// keeps such a value as a list of references and checks each entity for amplification only once,
// so a small file can hold a value that reads as gigabytes.

#include <libxml/tree.h>

#include <cstddef>

namespace DomExpansion {

// The first element (the elements of entity replacement text first, then the document's) at
// which the text that entity references add to attribute values and namespace declarations passes
// limit bytes in total, or null when it stays within it.
xmlNodePtr FirstBeyond(xmlDocPtr doc, size_t limit);

// The line of an element; for an element of entity replacement text, which has none, the line
// of the element that first references the entity. Zero when unknown.
int LineOf(xmlDocPtr doc, xmlNodePtr element);

} // namespace DomExpansion
