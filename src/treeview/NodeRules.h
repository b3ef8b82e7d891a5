#pragma once

#include <vector>

class DomNode;
class TrelvoDoc;

// Which commands make sense for a node: the node-kind predicates and the graying of the tree's
// context menu.
namespace NodeRules {

// An element or the document.
bool CanHaveChildren(const DomNode& node);
// A node with an attribute map that is not text, CDATA, a comment, the document or the "xml"
// declaration: in practice an element.
bool CanAddAttribute(const DomNode& node);
// The node has a previous sibling in the DOM and that is not a processing instruction.
bool CanMoveUp(const DomNode& node);
// The node is not a processing instruction and has a next sibling in the DOM.
bool CanMoveDown(const DomNode& node);

// The commands of the context menus to gray for the selected node; the document is asked
// whether it already has a root element.
std::vector<int> GrayedCommands(const DomNode& node, const TrelvoDoc& document);

} // namespace NodeRules
