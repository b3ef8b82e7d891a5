#include "TrelvoView.h"

#include "FrameWindow.h"
#include "TreeViewIds.h"
#include "TrelvoDoc.h"
#include "dom/DomAttribute.h"
#include "dom/DomElement.h"

#include <QClipboard>
#include <QGuiApplication>

#include <vector>

void TrelvoView::AddPathCommand()
{
    AddCommand(ID_EDIT_COPY_PATH, [this] {
        const TrelvoDoc* doc = Doc();
        const QString path = doc ? NodePath(doc->SelectedNode) : QString();
        if (!path.isEmpty())
            QGuiApplication::clipboard()->setText(path);
    });
    AddUpdateCommand(ID_EDIT_COPY_PATH, [this](CommandState& state) {
        const TrelvoDoc* doc = Doc();
        // The document type is the one item XPath does not see.
        state.enabled
            = doc && doc->SelectedNode && doc->SelectedNode.nodeType() != NodeType::DocumentType;
    });
}

const DomBindings& TrelvoView::PathBindings()
{
    if (!pathBindings) {
        const TrelvoDoc* doc = Doc();
        pathBindings
            = doc && !doc->dom.isNull() ? DomBindings::ForDocument(doc->dom) : DomBindings();
    }
    return *pathBindings;
}

void TrelvoView::SetPathBindings(const DomBindings& bindings)
{
    pathBindings = bindings;
    ShowSelectedPath();
}

QString TrelvoView::NodePath(const DomNode& node)
{
    if (!node)
        return QString();
    // The bindings are made from the whole document (tens of milliseconds for 50 MB): not for
    // the path of a node whose steps have no namespace, such as the document's after a load.
    bool namespaced = !node.namespaceURI().isEmpty();
    const DomAttribute attribute = node.toAttribute();
    DomNode at = attribute.isNull() ? node.parentNode() : DomNode(attribute.ownerElement());
    for (; at && !namespaced && !pathBindings; at = at.parentNode())
        namespaced = !at.namespaceURI().isEmpty();
    return node.path(namespaced || pathBindings ? &PathBindings() : nullptr);
}

void TrelvoView::ShowSelectedPath()
{
    FrameWindow* frame = Frame();
    const TrelvoDoc* doc = Doc();
    if (!frame || !doc)
        return;
    frame->SetPaneText(
        0, doc->SelectedNode ? NodePath(doc->SelectedNode) : QStringLiteral("Ready"));
}

QModelIndex TrelvoView::ItemOfNode(const DomNode& node) const
{
    // The nodes from the document down to node, each looked for among the items of the one
    // above (the items keep no map from nodes); the deepest found is the nearest item.
    std::vector<DomNode> chain;
    DomNode at = node;
    if (node.nodeType() == NodeType::Attribute) {
        const DomAttribute attribute = node.toAttribute();
        at = attribute.isNull() ? DomNode() : DomNode(attribute.ownerElement());
    }
    for (; at; at = at.parentNode())
        chain.push_back(at);
    QModelIndex item = treeModel->index(0, 0);
    if (chain.empty() || treeModel->Node(item) != chain.back())
        return QModelIndex();
    for (auto it = chain.rbegin() + 1; it != chain.rend(); ++it) {
        QModelIndex found;
        for (int row = 0; row < treeModel->rowCount(item) && !found.isValid(); ++row) {
            if (treeModel->Node(treeModel->index(row, 0, item)) == *it)
                found = treeModel->index(row, 0, item);
        }
        if (!found.isValid())
            break;
        item = found;
    }
    return item;
}

bool TrelvoView::SelectNode(const DomNode& node)
{
    const QModelIndex item = ItemOfNode(node);
    if (!item.isValid())
        return false;
    for (QModelIndex parent = item.parent(); parent.isValid(); parent = parent.parent())
        expand(parent);
    scrollTo(item);
    SelectItem(item);
    return true;
}
