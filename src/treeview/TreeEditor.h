#pragma once

#include "AttributeEditor.h"
#include "TreeModel.h"

class TrelvoDoc;
class TrelvoView;

// The one path by which the tree view's commands and the attribute pane change the document:
// each edit runs the document's operation, patches the tree's items in place (never a rebuild)
// and sends one update to the views. A failed edit, or one that changes nothing, leaves the
// items alone and sends nothing; the caller decides what to tell the user.
class TreeEditor : public AttributeEditor {
public:
    explicit TreeEditor(TrelvoView& view);

    // New nodes under the node of parent; the new item goes where the node went, neither
    // selected nor shown. An invalid index when the DOM refused.
    QModelIndex InsertElement(const QModelIndex& parent, const QString& name);
    // type: text, comment or CDATA section.
    QModelIndex AppendChild(NodeType type, const QModelIndex& parent, const QString& text);
    QModelIndex InsertProcessingInstruction(
        const QModelIndex& parent, const QString& target, const QString& data);
    // Removes the item's node and the item with its branch; false when the DOM refused.
    bool DeleteItem(const QModelIndex& item);
    // The item keeps its place, expansion and children.
    TreeChange RenameItem(const QModelIndex& item, const QString& name);
    // The value of a text, CDATA section, comment or processing instruction, the XML
    // declaration included.
    TreeChange SetItemValue(const QModelIndex& item, const QString& value);
    // Moves the node one DOM sibling up or down; the item follows, collapsed and selected, with
    // the Copy or Cut mark on it or inside it cleared. False when the DOM refused.
    bool MoveItemUp(const QModelIndex& item);
    bool MoveItemDown(const QModelIndex& item);

    // A deep copy of source's node appended to target's node; the new item comes last under
    // target, collapsed and not selected. An invalid index when the DOM refused.
    QModelIndex CopyBranch(const QModelIndex& source, const QModelIndex& target);
    // Moves source's node to the end of target's node; the item follows, collapsed, with the
    // marks on it or inside it cleared, and the selection stays where it was. A false change
    // when the DOM refused.
    TreeChange MoveBranch(const QModelIndex& source, const QModelIndex& target);

    TreeChange AddAttribute(
        const DomNode& element, const QString& name, const QString& value, View* sender) override;
    int RemoveAttributes(
        const DomNode& element, const std::vector<DomAttribute>& attributes, View* sender) override;
    TreeChange SetAttributeValue(
        const DomAttribute& attribute, const QString& value, View* sender) override;

private:
    TrelvoDoc* Doc() const;
    TreeModel& Model() const;
    // Where node's item belongs among the items of parent: after the item of its nearest
    // preceding DOM sibling that has one, else first. Entity references have no item.
    TreeModel::Position PositionOf(const DomNode& node, const QModelIndex& parent) const;
    QModelIndex AddItem(const DomNode& node, const QModelIndex& parent);
    bool PlaceMovedItem(const QModelIndex& item);
    // The label of element's item follows its attributes.
    void RelabelElement(const DomNode& element);
    void Update(View* sender);

    TrelvoView& view;
};
