// TreeEditor: taking the document back and forward along its undo history.
#include "TreeEditor.h"

#include "HeldSelection.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <vector>

namespace {

// The row of node's item among the items of its parent, counted from whichever end of the
// siblings is nearer: a step on a node among a hundred thousand siblings, usually at one end,
// walks a few of them, not all.
int RowOf(const DomNode& node, int rows)
{
    int before = 0;
    int after = 0;
    DomNode back = node.previousSibling();
    DomNode forward = node.nextSibling();
    while (back && forward) {
        before += TreeItems::HasItem(back.nodeType());
        after += TreeItems::HasItem(forward.nodeType());
        back = back.previousSibling();
        forward = forward.nextSibling();
    }
    return back ? rows - 1 - after : before;
}

} // namespace

void TreeEditor::Undo()
{
    if (replaying || !history.CanUndo())
        return;
    replaying = true;
    history.Undo();
    replaying = false;
}

void TreeEditor::Redo()
{
    if (replaying || !history.CanRedo())
        return;
    replaying = true;
    history.Redo();
    replaying = false;
}

QModelIndex TreeEditor::ItemOf(const DomNode& node) const
{
    std::vector<DomNode> path;
    for (DomNode up = node; up; up = up.parentNode())
        path.push_back(up);
    const TreeModel& model = Model();
    QModelIndex item = model.index(0, 0);
    if (path.empty() || !(model.Node(item) == path.back()))
        return QModelIndex();
    for (auto down = path.rbegin() + 1; down != path.rend() && item.isValid(); ++down) {
        if (!TreeItems::HasItem(down->nodeType()))
            return QModelIndex();
        item = model.index(RowOf(*down, model.rowCount(item)), 0, item);
        if (!(model.Node(item) == *down))
            return QModelIndex();
    }
    return item;
}

void TreeEditor::PutNode(const DomNode& node, const DomNode& parent, const DomNode& before)
{
    TrelvoDoc* doc = Doc();
    if (!doc)
        return;
    // Found before the DOM changes: a node that moves takes its item along.
    const QPersistentModelIndex moved = node.parentNode() ? ItemOf(node) : QModelIndex();
    const QPersistentModelIndex parentItem = ItemOf(parent);
    if (!parentItem.isValid() || !doc->PutNode(node, parent, before))
        return;
    HeldSelection held(view);
    if (!moved.isValid()) {
        Show(view.BuildBranch(node, parentItem, PositionOf(node, parentItem)));
        return;
    }
    view.MoveItem(moved, parentItem, PositionOf(node, parentItem));
    view.ClearMarksIn(moved);
    Show(moved);
}

void TreeEditor::TakeNode(const DomNode& node)
{
    TrelvoDoc* doc = Doc();
    const QModelIndex item = ItemOf(node);
    if (!doc || !item.isValid() || !doc->DeleteNode(node))
        return;
    // Where the item was: the next item, else the previous one, else the parent.
    QPersistentModelIndex neighbour = item.siblingAtRow(item.row() + 1);
    if (!neighbour.isValid())
        neighbour = item.row() > 0 ? item.siblingAtRow(item.row() - 1) : item.parent();
    HeldSelection held(view);
    view.SelectItem(neighbour);
    view.ClearMarksIn(item);
    view.RemoveItem(item);
    Show(neighbour);
}

void TreeEditor::PutName(const DomNode& element, const QString& name)
{
    TrelvoDoc* doc = Doc();
    const QModelIndex item = ItemOf(element);
    if (!doc || !item.isValid() || !doc->RenameElement(element, name))
        return;
    HeldSelection held(view);
    Model().Relabel(item);
    Show(item);
}

void TreeEditor::PutValue(const DomNode& node, const QString& value)
{
    TrelvoDoc* doc = Doc();
    const QModelIndex item = ItemOf(node);
    if (!doc || !item.isValid() || !doc->SetNodeValue(node, value))
        return;
    HeldSelection held(view);
    Model().Relabel(item);
    Show(item);
}

void TreeEditor::PutReplacement(const DomNode& node, const DomNode& replacement)
{
    TrelvoDoc* doc = Doc();
    const QModelIndex item = ItemOf(node);
    if (!doc || !item.isValid() || !doc->ReplaceNode(node, replacement))
        return;
    HeldSelection held(view);
    Model().SetNode(item, replacement);
    if (doc->SelectedNode == node)
        doc->SelectedNode = replacement;
    Show(item);
}

void TreeEditor::ChangeAttributes(
    const DomNode& element, const std::function<void(TrelvoDoc&)>& change)
{
    TrelvoDoc* doc = Doc();
    const QModelIndex item = ItemOf(element);
    if (!doc || !item.isValid())
        return;
    change(*doc);
    HeldSelection held(view);
    Model().Relabel(item);
    Show(item);
}

void TreeEditor::Show(const QModelIndex& item)
{
    {
        HeldSelection held(view);
        view.SelectItem(item);
        view.scrollTo(item);
    }
    Update(nullptr);
}
