#include "TreeEditor.h"

#include "TrelvoDoc.h"
#include "TrelvoView.h"

namespace {

// Keeps selection changes during an edit from updating the views: the edit sends the one
// update when the items are in place. Deleting the selected item, for one, selects a neighbour,
// which would otherwise refresh the panes before the edit is done.
class HeldSelection {
public:
    explicit HeldSelection(TrelvoView& view)
        : view(view)
        , wasHeld(view.HoldSelectionUpdates(true))
    {
    }
    ~HeldSelection() { view.HoldSelectionUpdates(wasHeld); }
    HeldSelection(const HeldSelection&) = delete;
    HeldSelection& operator=(const HeldSelection&) = delete;

private:
    TrelvoView& view;
    bool wasHeld;
};

} // namespace

TreeEditor::TreeEditor(TrelvoView& view)
    : view(view)
{
}

TrelvoDoc* TreeEditor::Doc() const { return view.Doc(); }

TreeModel& TreeEditor::Model() const { return *view.GetModel(); }

QModelIndex TreeEditor::InsertElement(const QModelIndex& parent, const QString& name)
{
    TrelvoDoc* doc = Doc();
    if (!doc || !parent.isValid())
        return QModelIndex();
    const DomElement element = doc->InsertElement(view.NodeOf(parent), name, DomNode());
    return AddItem(element, parent);
}

QModelIndex TreeEditor::AppendChild(NodeType type, const QModelIndex& parent, const QString& text)
{
    TrelvoDoc* doc = Doc();
    if (!doc || !parent.isValid())
        return QModelIndex();
    const DomNode node = view.NodeOf(parent);
    DomNode added;
    if (type == NodeType::Text)
        added = doc->AppendText(node, text);
    else if (type == NodeType::Comment)
        added = doc->AppendComment(node, text);
    else if (type == NodeType::CDataSection)
        added = doc->AppendCDATASection(node, text);
    return AddItem(added, parent);
}

QModelIndex TreeEditor::InsertProcessingInstruction(
    const QModelIndex& parent, const QString& target, const QString& data)
{
    TrelvoDoc* doc = Doc();
    if (!doc || !parent.isValid())
        return QModelIndex();
    return AddItem(doc->InsertProcessingInstruction(view.NodeOf(parent), target, data), parent);
}

QModelIndex TreeEditor::AddItem(const DomNode& node, const QModelIndex& parent)
{
    if (node.isNull())
        return QModelIndex();
    const QModelIndex item = view.BuildBranch(node, parent, PositionOf(node, parent));
    Update(nullptr);
    return item;
}

bool TreeEditor::DeleteItem(const QModelIndex& item)
{
    TrelvoDoc* doc = Doc();
    if (!doc || !item.isValid() || !doc->DeleteNode(view.NodeOf(item)))
        return false;
    {
        HeldSelection held(view);
        // A mark inside the branch would point at an item that is gone.
        view.ClearMarksIn(item);
        view.RemoveItem(item);
    }
    Update(nullptr);
    return true;
}

TreeChange TreeEditor::RenameItem(const QModelIndex& item, const QString& name)
{
    TrelvoDoc* doc = Doc();
    if (!doc || !item.isValid())
        return TreeChange();
    TreeChange change = doc->RenameElement(view.NodeOf(item), name);
    if (change.changed) {
        Model().Relabel(item);
        Update(nullptr);
    }
    return change;
}

TreeChange TreeEditor::SetItemValue(const QModelIndex& item, const QString& value)
{
    TrelvoDoc* doc = Doc();
    if (!doc || !item.isValid())
        return TreeChange();
    const DomNode node = view.NodeOf(item);
    const bool declaration
        = node.nodeType() == NodeType::ProcessingInstruction && node.nodeName() == u"xml";
    TreeChange change
        = declaration ? doc->ReplaceDeclaration(node, value) : doc->SetNodeValue(node, value);
    if (!change.changed)
        return change;
    if (declaration) {
        // The item shows the declaration that took the old one's place.
        Model().SetNode(item, change.node);
        if (doc->SelectedNode == node)
            doc->SelectedNode = change.node;
    } else {
        Model().Relabel(item);
    }
    Update(nullptr);
    return change;
}

bool TreeEditor::MoveItemUp(const QModelIndex& item)
{
    TrelvoDoc* doc = Doc();
    return doc && item.isValid() && doc->MoveNodeUp(view.NodeOf(item)) && PlaceMovedItem(item);
}

bool TreeEditor::MoveItemDown(const QModelIndex& item)
{
    TrelvoDoc* doc = Doc();
    return doc && item.isValid() && doc->MoveNodeDown(view.NodeOf(item)) && PlaceMovedItem(item);
}

QModelIndex TreeEditor::CopyBranch(const QModelIndex& source, const QModelIndex& target)
{
    TrelvoDoc* doc = Doc();
    if (!doc || !source.isValid() || !target.isValid())
        return QModelIndex();
    return AddItem(doc->CopyNodeTo(view.NodeOf(source), view.NodeOf(target)), target);
}

TreeChange TreeEditor::MoveBranch(const QModelIndex& source, const QModelIndex& target)
{
    TrelvoDoc* doc = Doc();
    if (!doc || !source.isValid() || !target.isValid())
        return TreeChange();
    const TreeChange change = doc->MoveNodeTo(view.NodeOf(source), view.NodeOf(target));
    if (!change.changed)
        return change;
    const QPersistentModelIndex moved(source);
    {
        HeldSelection held(view);
        Model().MoveItem(moved, target, PositionOf(view.NodeOf(moved), target));
        view.collapse(moved);
        view.ClearMarksIn(moved);
    }
    // The selection stays where it was (the target of a paste, the dragged item of a drop), and
    // its branch has changed.
    Update(nullptr);
    return change;
}

bool TreeEditor::PlaceMovedItem(const QModelIndex& item)
{
    const QPersistentModelIndex moved(item);
    {
        HeldSelection held(view);
        const QModelIndex parent = moved.parent();
        Model().MoveItem(moved, parent, PositionOf(view.NodeOf(moved), parent));
        view.collapse(moved);
        view.ClearMarksIn(moved);
        view.SelectItem(moved);
    }
    Update(nullptr);
    return true;
}

TreeModel::Position TreeEditor::PositionOf(const DomNode& node, const QModelIndex& parent) const
{
    if (node.nextSibling().isNull())
        return TreeModel::Position::Last();
    DomNode previous = node.previousSibling();
    while (previous && !TreeItems::HasItem(previous.nodeType()))
        previous = previous.previousSibling();
    if (previous.isNull())
        return TreeModel::Position::First();
    const TreeModel& model = Model();
    for (int row = 0, rows = model.rowCount(parent); row < rows; ++row) {
        const QModelIndex sibling = model.index(row, 0, parent);
        if (model.Node(sibling) == previous)
            return TreeModel::Position::After(sibling);
    }
    return TreeModel::Position::Last();
}

TreeChange TreeEditor::AddAttribute(
    const DomNode& element, const QString& name, const QString& value, View* sender)
{
    TrelvoDoc* doc = Doc();
    if (!doc)
        return TreeChange();
    TreeChange change = doc->AddAttribute(element, name, value);
    if (change) {
        RelabelElement(element);
        Update(sender);
    }
    return change;
}

int TreeEditor::RemoveAttributes(
    const DomNode& element, const std::vector<DomAttribute>& attributes, View* sender)
{
    TrelvoDoc* doc = Doc();
    if (!doc)
        return 0;
    int removed = 0;
    for (const DomAttribute& attribute : attributes)
        removed += bool(doc->RemoveAttribute(element, attribute));
    if (removed > 0) {
        RelabelElement(element);
        Update(sender);
    }
    return removed;
}

TreeChange TreeEditor::SetAttributeValue(
    const DomAttribute& attribute, const QString& value, View* sender)
{
    TrelvoDoc* doc = Doc();
    if (!doc || attribute.isNull())
        return TreeChange();
    TreeChange change = doc->SetNodeValue(attribute, value);
    if (change.changed) {
        RelabelElement(attribute.ownerElement());
        Update(sender);
    }
    return change;
}

void TreeEditor::RelabelElement(const DomNode& element)
{
    // The pane edits the selected node's attributes, so its item is the selected one.
    const QModelIndex selected = view.SelectedItem();
    if (selected.isValid() && view.NodeOf(selected) == element)
        Model().Relabel(selected);
}

void TreeEditor::Update(View* sender)
{
    if (TrelvoDoc* doc = Doc())
        doc->UpdateAllViews(sender, TrelvoDoc::HintRefresh);
}
