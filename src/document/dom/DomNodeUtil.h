#pragma once

// Internal to the DOM layer: node classification and navigation shared by the layer's files.

#include <libxml/entities.h>
#include <libxml/tree.h>

#include <QString>

namespace DomNodeUtil {

// The node type number of the DOM for a libxml2 node.
int TypeOf(const xmlNode* node);

// Children as the DOM shows them: an entity reference's children are the entity's content; an
// attribute, a document type and the leaves have none.
xmlNodePtr FirstChildOf(const xmlNode* node);
xmlNodePtr LastChildOf(const xmlNode* node);

// True for nodes of an entity's replacement content (read-only).
bool InsideEntity(const xmlNode* node);
// The XML declaration node: an "xml" instruction, under the document or taken out of it (no
// other instruction may have that target).
bool IsDeclaration(const xmlNode* node);

// The node after node in document order within subtree, going into node's children when
// descend is true; null after the last.
inline xmlNodePtr NextInSubtree(xmlNodePtr node, const xmlNode* subtree, bool descend)
{
    if (descend && node->children)
        return node->children;
    while (node != subtree && !node->next)
        node = node->parent;
    return node == subtree ? nullptr : node->next;
}

// Source lines: libxml2 keeps a node's line in 16 bits, 65,535 standing for that line or any
// later one. The loader keeps an element's later line in its psvi field, which libxml2 uses for
// the same purpose on text nodes and reads nowhere else in a tree it did not validate.
void SetBigLine(xmlNodePtr element, int line);
// The line a node was read from (1-based); 0 for a node made after loading.
long LineOf(const xmlNode* node);

// Prefix and local part of a name as written ("p:x" -> "p", "x").
QString QualifiedName(const xmlChar* prefix, const xmlChar* local);

// The value of an attribute, with entity references replaced.
QString AttributeValue(xmlAttrPtr attr);

// Content checks for values that must survive a round trip through the writer.
bool IsValidComment(const QString& text);
bool IsValidProcessingData(const QString& data);

// Pointer-level linking that never merges text and never frees anything.
void LinkBefore(xmlNodePtr parent, xmlNodePtr node, xmlNodePtr ref);
void Unlink(xmlNodePtr node);
void UnlinkAttribute(xmlAttrPtr attr);

} // namespace DomNodeUtil
