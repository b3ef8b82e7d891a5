#include "NodeRules.h"

#include "TreeViewIds.h"
#include "TrelvoDoc.h"
#include "dom/DomNamedNodeMap.h"

namespace NodeRules {

bool CanHaveChildren(const DomNode& node)
{
    const NodeType type = node.nodeType();
    return type == NodeType::Element || type == NodeType::Document;
}

bool CanAddAttribute(const DomNode& node)
{
    switch (node.nodeType()) {
    case NodeType::Text:
    case NodeType::CDataSection:
    case NodeType::Comment:
    case NodeType::Document:
        return false;
    case NodeType::ProcessingInstruction:
        if (node.nodeName() == u"xml")
            return false;
        break;
    default:
        break;
    }
    return !node.attributes().isNull();
}

bool CanMoveUp(const DomNode& node)
{
    const DomNode previous = node.previousSibling();
    return previous && previous.nodeType() != NodeType::ProcessingInstruction;
}

bool CanMoveDown(const DomNode& node)
{
    return node && node.nodeType() != NodeType::ProcessingInstruction
        && !TrelvoDoc::IsLastSibling(node);
}

std::vector<int> GrayedCommands(const DomNode& node, const TrelvoDoc& document)
{
    std::vector<int> grayed;
    // The root element stays in place from the menu; its keys still move it.
    const bool rootElement = TrelvoDoc::IsRootElement(node);
    if (!CanMoveUp(node) || rootElement)
        grayed.push_back(ID_EDIT_MOVE_UP);
    if (!CanMoveDown(node) || rootElement)
        grayed.push_back(ID_EDIT_MOVE_DOWN);
    if (!CanHaveChildren(node)) {
        grayed.insert(grayed.end(),
            { ID_ADD_CHILD_ELEMENT, ID_ADD_CDATA_SECTION, ID_ADD_COMMENT, ID_ADD_TEXT });
    }
    if (document.HasRootElement())
        grayed.push_back(ID_ADD_ROOT_ELEMENT);
    if (!CanAddAttribute(node))
        grayed.push_back(ID_ADD_ATTRIBUTE);
    return grayed;
}

} // namespace NodeRules
