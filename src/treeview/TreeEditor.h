#pragma once

#include "AttributeEditor.h"
#include "EditHistory.h"
#include "TreeModel.h"

#include <functional>

class TrelvoDoc;
class TrelvoView;

// The one path by which the tree view's commands and the attribute pane change the document:
// each edit runs the document's operation, patches the tree's items in place (never a rebuild),
// sends one update to the views and becomes one step of the undo history. A failed edit, or one
// that changes nothing, leaves the items alone, sends nothing and records nothing; the caller
// decides what to tell the user.
class TreeEditor : public AttributeEditor {
public:
    explicit TreeEditor(TrelvoView& view);

    // Undo and redo take the document back or forward one step through the same path: the
    // changed item (for a removed one, its neighbour) is selected and scrolled into view.
    EditHistory& History() { return history; }
    void Undo();
    void Redo();

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
    // target, collapsed and not selected. An invalid index when the DOM refused. step: the
    // name of the history's step (Paste, Drop).
    QModelIndex CopyBranch(
        const QModelIndex& source, const QModelIndex& target, const QString& step);
    // The nodes text makes, parsed in target's place, appended to target's node (see
    // TrelvoDoc::AppendParsed for what fits where); their items come last under target,
    // collapsed and not selected, and the views are updated once. One step of the history
    // named step (Paste, Drop). The document's result, and reason when it refused.
    DomResult AppendParsed(
        const QModelIndex& target, const QString& text, const QString& step, QString& reason);
    // Moves source's node to the end of target's node; the item follows, collapsed, with the
    // marks on it or inside it cleared, and the selection stays where it was. A false change
    // when the DOM refused.
    TreeChange MoveBranch(
        const QModelIndex& source, const QModelIndex& target, const QString& step);

    TreeChange AddAttribute(
        const DomNode& element, const QString& name, const QString& value, View* sender) override;
    int RemoveAttributes(
        const DomNode& element, const std::vector<DomAttribute>& attributes, View* sender) override;
    TreeChange SetAttributeValue(
        const DomAttribute& attribute, const QString& value, View* sender) override;

private:
    TrelvoDoc* Doc() const;
    TreeModel& Model() const;
    void Record(const QString& text, std::function<void()> undo, std::function<void()> redo,
        qint64 bytes = 0);
    // A new or copied node now in the document: undone by taking it out again.
    void RecordInsert(const QString& text, const DomNode& node);
    // Moves the item one place among its siblings (up or down) and records the step.
    bool MoveItem(const QModelIndex& item, bool up);
    // A node moved from where change says it stood to where it stands now.
    void RecordMove(const QString& text, const TreeChange& change);

    // What undo and redo do, each followed by one update of the views (TreeEditorSteps.cpp).
    // The item of node, found from the DOM's parents; invalid when node has none.
    QModelIndex ItemOf(const DomNode& node) const;
    // Puts node under parent in front of before, moving its item or building one.
    void PutNode(const DomNode& node, const DomNode& parent, const DomNode& before);
    // Takes node and its item out.
    void TakeNode(const DomNode& node);
    void PutName(const DomNode& element, const QString& name);
    void PutValue(const DomNode& node, const QString& value);
    // Shows replacement in node's item in node's place.
    void PutReplacement(const DomNode& node, const DomNode& replacement);
    // Runs change on element's attributes, then shows the element.
    void ChangeAttributes(const DomNode& element, const std::function<void(TrelvoDoc&)>& change);
    // Selects the item, scrolls it into view and updates the views.
    void Show(const QModelIndex& item);
    // Where node's item belongs among the items of parent: after the item of its nearest
    // preceding DOM sibling that has one, else first. Entity references have no item.
    TreeModel::Position PositionOf(const DomNode& node, const QModelIndex& parent) const;
    QModelIndex AddItem(const DomNode& node, const QModelIndex& parent);
    bool PlaceMovedItem(const QModelIndex& item);
    // The label of element's item follows its attributes.
    void RelabelElement(const DomNode& element);
    void Update(View* sender);

    TrelvoView& view;
    EditHistory history;
    // Set while a step is undone or redone: the changes it makes are not steps of their own.
    bool replaying = false;
};
