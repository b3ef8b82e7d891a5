#pragma once

// Internal to the DOM layer: the document as a reader that expands entities sees it, for
// libxslt, which drops entity-reference nodes from what templates read.

#include <libxml/tree.h>

// A new document holding doc's tree with every reference to an internal entity replaced by the
// entity's content and attribute values written out, CDATA sections made text, adjacent text
// merged and the XML declaration node left out; the document type is copied. A reference whose
// text is unknown (an entity that only an unread external subset declares) is left out. Names
// are taken from dict when one is given. Null when memory runs out.
xmlDocPtr DomExpandedCopy(xmlDocPtr doc, xmlDictPtr dict = nullptr);
