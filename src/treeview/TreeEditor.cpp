#include "TreeEditor.h"

#include "HeldSelection.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"
#include "dom/DomNamedNodeMap.h"

TreeEditor::TreeEditor(TrelvoView& view)
    : view(view)
    , history([this](bool modified) {
        if (TrelvoDoc* doc = Doc())
            doc->SetModifiedFlag(modified);
    })
{
}

TrelvoDoc* TreeEditor::Doc() const { return view.Doc(); }

TreeModel& TreeEditor::Model() const { return *view.GetModel(); }

QModelIndex TreeEditor::InsertElement(const QModelIndex& parent, const QString& name)
{
    TrelvoDoc* doc = Doc();
    if (!doc || !parent.isValid())
        return QModelIndex();
    const DomNode node = view.NodeOf(parent);
    const DomElement element = doc->InsertElement(node, name, DomNode());
    const QModelIndex item = AddItem(element, parent);
    if (item.isValid()) {
        RecordInsert(node.nodeType() == NodeType::Document ? QStringLiteral("Add Root Element")
                                                           : QStringLiteral("Add Child Element"),
            element);
    }
    return item;
}

QModelIndex TreeEditor::AppendChild(NodeType type, const QModelIndex& parent, const QString& text)
{
    TrelvoDoc* doc = Doc();
    if (!doc || !parent.isValid())
        return QModelIndex();
    const DomNode node = view.NodeOf(parent);
    DomNode added;
    QString step;
    if (type == NodeType::Text) {
        added = doc->AppendText(node, text);
        step = QStringLiteral("Add Text");
    } else if (type == NodeType::Comment) {
        added = doc->AppendComment(node, text);
        step = QStringLiteral("Add Comment");
    } else if (type == NodeType::CDataSection) {
        added = doc->AppendCDATASection(node, text);
        step = QStringLiteral("Add CDATA Section");
    }
    const QModelIndex item = AddItem(added, parent);
    if (item.isValid())
        RecordInsert(step, added);
    return item;
}

QModelIndex TreeEditor::InsertProcessingInstruction(
    const QModelIndex& parent, const QString& target, const QString& data)
{
    TrelvoDoc* doc = Doc();
    if (!doc || !parent.isValid())
        return QModelIndex();
    const DomNode added = doc->InsertProcessingInstruction(view.NodeOf(parent), target, data);
    const QModelIndex item = AddItem(added, parent);
    if (item.isValid())
        RecordInsert(QStringLiteral("Add Processing Instruction"), added);
    return item;
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
    if (!doc || !item.isValid())
        return false;
    const DomNode node = view.NodeOf(item);
    // Counted before the node leaves the document: it is what the step keeps alive.
    const qint64 bytes = node.memoryUse();
    const TreeChange change = doc->DeleteNode(node);
    if (!change)
        return false;
    Record(
        QStringLiteral("Delete"),
        [this, change] { PutNode(change.node, change.oldParent, change.oldNext); },
        [this, node] { TakeNode(node); }, bytes);
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
        Record(
            QStringLiteral("Rename"), [this, change] { PutName(change.node, change.oldText); },
            [this, change, name] { PutName(change.node, name); });
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
        Record(
            QStringLiteral("Edit"),
            [this, change] { PutReplacement(change.node, change.replaced); },
            [this, change] { PutReplacement(change.replaced, change.node); });
    } else {
        Model().Relabel(item);
        Record(
            QStringLiteral("Edit"), [this, node, change] { PutValue(node, change.oldText); },
            [this, node, value] { PutValue(node, value); },
            2 * (change.oldText.size() + value.size()));
    }
    Update(nullptr);
    return change;
}

bool TreeEditor::MoveItemUp(const QModelIndex& item) { return MoveItem(item, true); }

bool TreeEditor::MoveItemDown(const QModelIndex& item) { return MoveItem(item, false); }

bool TreeEditor::MoveItem(const QModelIndex& item, bool up)
{
    TrelvoDoc* doc = Doc();
    if (!doc || !item.isValid())
        return false;
    const DomNode node = view.NodeOf(item);
    const TreeChange change = up ? doc->MoveNodeUp(node) : doc->MoveNodeDown(node);
    if (!change || !PlaceMovedItem(item))
        return false;
    RecordMove(up ? QStringLiteral("Move Up") : QStringLiteral("Move Down"), change);
    return true;
}

QModelIndex TreeEditor::CopyBranch(
    const QModelIndex& source, const QModelIndex& target, const QString& step)
{
    TrelvoDoc* doc = Doc();
    if (!doc || !source.isValid() || !target.isValid())
        return QModelIndex();
    const DomNode copy = doc->CopyNodeTo(view.NodeOf(source), view.NodeOf(target));
    const QModelIndex item = AddItem(copy, target);
    if (item.isValid())
        RecordInsert(step, copy);
    return item;
}

DomResult TreeEditor::AppendParsed(
    const QModelIndex& target, const QString& text, const QString& step, QString& reason)
{
    TrelvoDoc* doc = Doc();
    if (!doc || !target.isValid())
        return DomInvalidArgument;
    const DomNode parent = view.NodeOf(target);
    std::vector<DomNode> nodes;
    const DomResult result = doc->AppendParsed(parent, text, nodes, reason);
    if (result != DomOk)
        return result;
    for (const DomNode& node : nodes)
        view.BuildBranch(node, target, TreeModel::Position::Last());
    Update(nullptr);
    // Put back last first: each goes in front of the one after it.
    const DomNode next = nodes.back().nextSibling();
    Record(
        step,
        [this, nodes] {
            for (auto node = nodes.rbegin(); node != nodes.rend(); ++node)
                TakeNode(*node);
        },
        [this, nodes, parent, next] {
            for (size_t i = nodes.size(); i-- > 0;)
                PutNode(nodes[i], parent, i + 1 < nodes.size() ? nodes[i + 1] : next);
        });
    return DomOk;
}

TreeChange TreeEditor::MoveBranch(
    const QModelIndex& source, const QModelIndex& target, const QString& step)
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
        view.MoveItem(moved, target, PositionOf(view.NodeOf(moved), target));
        view.ClearMarksIn(moved);
    }
    // The selection stays where it was (the target of a paste, the dragged item of a drop), and
    // its branch has changed.
    Update(nullptr);
    RecordMove(step, change);
    return change;
}

bool TreeEditor::PlaceMovedItem(const QModelIndex& item)
{
    const QPersistentModelIndex moved(item);
    {
        HeldSelection held(view);
        const QModelIndex parent = moved.parent();
        view.MoveItem(moved, parent, PositionOf(view.NodeOf(moved), parent));
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
    if (!change)
        return change;
    RelabelElement(element);
    Update(sender);
    const DomNode added = change.node;
    const DomNode replaced = change.replaced;
    const QString oldValue = change.oldText;
    if (replaced && element.attributes().getNamedItem(name) == replaced) {
        // A namespace declaration took the new value in place.
        Record(
            QStringLiteral("Add Attribute"),
            [this, element, replaced, oldValue] {
                ChangeAttributes(
                    element, [&](TrelvoDoc& doc) { (void)doc.SetNodeValue(replaced, oldValue); });
            },
            [this, element, replaced, value] {
                ChangeAttributes(
                    element, [&](TrelvoDoc& doc) { (void)doc.SetNodeValue(replaced, value); });
            });
    } else {
        Record(
            QStringLiteral("Add Attribute"),
            [this, element, added, replaced] {
                ChangeAttributes(element, [&](TrelvoDoc& doc) {
                    (void)(replaced ? doc.PutAttribute(element, replaced)
                                    : doc.RemoveAttribute(element, added));
                });
            },
            [this, element, added] {
                ChangeAttributes(
                    element, [&](TrelvoDoc& doc) { (void)doc.PutAttribute(element, added); });
            });
    }
    return change;
}

int TreeEditor::RemoveAttributes(
    const DomNode& element, const std::vector<DomAttribute>& attributes, View* sender)
{
    TrelvoDoc* doc = Doc();
    if (!doc)
        return 0;
    std::vector<TreeChange> removed;
    for (const DomAttribute& attribute : attributes) {
        if (TreeChange change = doc->RemoveAttribute(element, attribute))
            removed.push_back(std::move(change));
    }
    if (removed.empty())
        return 0;
    RelabelElement(element);
    Update(sender);
    Record(
        QStringLiteral("Delete Attributes"),
        [this, element, removed] {
            ChangeAttributes(element, [&](TrelvoDoc& doc) {
                // Each goes back at the index it had when it went, the last removed first.
                for (auto change = removed.rbegin(); change != removed.rend(); ++change)
                    (void)doc.InsertAttribute(element, change->node, change->oldIndex);
            });
        },
        [this, element, removed] {
            ChangeAttributes(element, [&](TrelvoDoc& doc) {
                for (const TreeChange& change : removed)
                    (void)doc.RemoveAttribute(element, change.node);
            });
        });
    return int(removed.size());
}

TreeChange TreeEditor::SetAttributeValue(
    const DomAttribute& attribute, const QString& value, View* sender)
{
    TrelvoDoc* doc = Doc();
    if (!doc || attribute.isNull())
        return TreeChange();
    TreeChange change = doc->SetNodeValue(attribute, value);
    if (change.changed) {
        const DomElement element = attribute.ownerElement();
        RelabelElement(element);
        Update(sender);
        const QString oldValue = change.oldText;
        Record(
            QStringLiteral("Edit Attribute"),
            [this, element, attribute, oldValue] {
                ChangeAttributes(
                    element, [&](TrelvoDoc& doc) { (void)doc.SetNodeValue(attribute, oldValue); });
            },
            [this, element, attribute, value] {
                ChangeAttributes(
                    element, [&](TrelvoDoc& doc) { (void)doc.SetNodeValue(attribute, value); });
            },
            2 * (oldValue.size() + value.size()));
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

void TreeEditor::Record(
    const QString& text, std::function<void()> undo, std::function<void()> redo, qint64 bytes)
{
    if (replaying)
        return;
    // Handles, names and the closures themselves.
    constexpr qint64 stepBytes = 256;
    history.Add(text, { std::move(undo), std::move(redo), stepBytes + bytes });
}

void TreeEditor::RecordInsert(const QString& text, const DomNode& node)
{
    const DomNode parent = node.parentNode();
    const DomNode next = node.nextSibling();
    Record(
        text, [this, node] { TakeNode(node); },
        [this, node, parent, next] { PutNode(node, parent, next); });
}

void TreeEditor::RecordMove(const QString& text, const TreeChange& change)
{
    const DomNode node = change.node;
    const DomNode parent = node.parentNode();
    const DomNode next = node.nextSibling();
    Record(
        text, [this, change] { PutNode(change.node, change.oldParent, change.oldNext); },
        [this, node, parent, next] { PutNode(node, parent, next); });
}

void TreeEditor::Update(View* sender)
{
    if (TrelvoDoc* doc = Doc())
        doc->UpdateAllViews(sender, TrelvoDoc::HintRefresh);
}
