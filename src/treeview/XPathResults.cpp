#include "XPathResults.h"

#include "TreeLabels.h"
#include "dom/DomAttribute.h"

namespace {

// Characters of a label shown in the list: enough to tell nodes apart.
constexpr qsizetype ShortLabel = 80;

QString Label(const DomNode& node)
{
    QString label;
    if (node.nodeType() == NodeType::Attribute)
        label = QStringLiteral("%1=\"%2\"")
                    .arg(node.nodeName(), node.nodeValue().value_or(QString()));
    else
        label = TreeLabels::MakeLabel(node, TreeLabels::ShowAttributeNames);
    if (label.size() > ShortLabel)
        label = label.left(ShortLabel) + QChar(0x2026);
    return TreeLabels::ForDrawing(label);
}

} // namespace

XPathResults::XPathResults(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void XPathResults::SetNodes(std::vector<DomNode> newNodes, const DomBindings& newBindings)
{
    beginResetModel();
    nodes = std::move(newNodes);
    bindings = newBindings;
    paths.assign(nodes.size(), QString());
    endResetModel();
}

void XPathResults::Refresh(const DomBindings& newBindings)
{
    bindings = newBindings;
    paths.assign(nodes.size(), QString());
    if (!nodes.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

DomNode XPathResults::Node(const QModelIndex& index) const
{
    return index.isValid() && size_t(index.row()) < nodes.size() ? nodes[size_t(index.row())]
                                                                 : DomNode();
}

int XPathResults::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(nodes.size());
}

int XPathResults::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant XPathResults::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || size_t(index.row()) >= nodes.size())
        return QVariant();
    const DomNode& node = nodes[size_t(index.row())];
    if (index.column() == LabelColumn)
        return Label(node);
    QString& path = paths[size_t(index.row())];
    if (path.isNull()) {
        path = node.path(&bindings);
        // A node taken out of the document has no path; one XPath does not see never had one.
        if (path.isEmpty())
            path = QStringLiteral("(not in the document)");
    }
    return path;
}

QVariant XPathResults::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    return section == PathColumn ? QStringLiteral("Path") : QStringLiteral("Node");
}
