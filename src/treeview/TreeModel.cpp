#include "TreeModel.h"

#include "TreeLabels.h"

#include <limits>

static void InitTreeViewResources() { Q_INIT_RESOURCE(treeview); }

namespace {

// Model indexes carry the item number multiplied by an odd constant: Qt hashes an index by
// adding its row to its internal id, so consecutive ids crowd into neighbouring buckets and
// expanding a million items takes minutes. The multiplication spreads them and is undone by the
// constant's inverse modulo 2^64.
constexpr quint64 Spread = 0x9E3779B97F4A7C15ull;

constexpr quint64 InverseOf(quint64 odd)
{
    quint64 inverse = odd; // right in the low three bits; each step doubles that
    for (int i = 0; i < 6; ++i)
        inverse *= 2 - odd * inverse;
    return inverse;
}
constexpr quint64 Unspread = InverseOf(Spread);
static_assert(Spread * Unspread == 1);

// The image and the selected image of an item.
std::pair<TreeModel::Image, TreeModel::Image> ImagesOf(NodeType type)
{
    switch (type) {
    case NodeType::Text:
        return { TreeModel::TextImage, TreeModel::TextImage };
    case NodeType::CDataSection:
        return { TreeModel::CDataImage, TreeModel::CDataImage };
    case NodeType::ProcessingInstruction:
        return { TreeModel::InstructionImage, TreeModel::InstructionImage };
    case NodeType::Comment:
        return { TreeModel::CommentImage, TreeModel::CommentImage };
    default:
        return { TreeModel::FolderImage, TreeModel::OpenFolderImage };
    }
}

void AddImage(QIcon& icon, const char* name, QIcon::Mode mode)
{
    const QString base = QStringLiteral(":/treeview/") + QLatin1String(name);
    icon.addFile(base + QStringLiteral(".png"), QSize(), mode);
    icon.addFile(base + QStringLiteral("@2x.png"), QSize(), mode);
}

QIcon LoadIcon(const char* name)
{
    QIcon icon;
    AddImage(icon, name, QIcon::Normal);
    return icon;
}

} // namespace

TreeModel::TreeModel(QObject* parent)
    : QAbstractItemModel(parent)
{
}

QModelIndex TreeModel::BuildBranch(const DomNode& node, const QModelIndex& parent,
    const Position& position, const std::function<void(int)>& pause)
{
    if (!TreeItems::HasItem(node.nodeType()))
        return QModelIndex();
    TreeItems::Walk walk = items.StartBranch(node);
    // A slice of 16,384 items takes a few milliseconds; the branch stays out of the model, so
    // views see nothing of it until it is whole.
    constexpr int Slice = 1 << 14;
    int built = 1;
    while (!items.ContinueBranch(walk, pause ? Slice : std::numeric_limits<int>::max())) {
        built += Slice;
        pause(built);
    }
    const int owner = IdOf(parent);
    const int after = AfterFor(owner, position);
    const int row = after == TreeItems::None ? 0 : items.Row(after) + 1;
    // The whole branch arrives as one new row: its children are part of it.
    beginInsertRows(parent, row, row);
    items.Link(walk.top, owner, after);
    endInsertRows();
    return IndexOf(walk.top);
}

// A removal and a move are announced as a change of layout, with the persistent indexes that
// change updated here, rather than as rows removed or moved. For those Qt finds the persistent
// indexes to update itself, by asking each one for its parent, and for a removal its parent's
// parent, up to the root: with the 50 MB test document fully expanded, whose view keeps 1.1
// million persistent indexes, deleting one leaf took 1.2 s of processor time. Here only the
// items whose index changes are looked up: the removed branch and the siblings after it, or the
// item and the siblings after its old and its new place.
void TreeModel::RemoveItem(const QModelIndex& item)
{
    const int id = IdOf(item);
    if (id == TreeItems::Root)
        return;
    const QList<QPersistentModelIndex> parents { item.parent() };
    emit layoutAboutToBeChanged(parents);
    ForgetBranch(id);
    const std::vector<std::pair<int, int>> rows = RowsFrom(items.NextSibling(id));
    items.Unlink(id);
    items.Free(id);
    UpdateRows(rows);
    emit layoutChanged(parents);
}

bool TreeModel::MoveItem(
    const QModelIndex& item, const QModelIndex& parent, const Position& position)
{
    const int id = IdOf(item);
    const int owner = IdOf(parent);
    if (id == TreeItems::Root || items.IsInBranch(owner, id))
        return false;
    int after = AfterFor(owner, position);
    if (after == id)
        after = items.PreviousSibling(id);
    if (owner == items.Parent(id) && after == items.PreviousSibling(id))
        return true;
    const QList<QPersistentModelIndex> parents { item.parent(), parent };
    emit layoutAboutToBeChanged(parents);
    std::vector<std::pair<int, int>> rows = RowsFrom(id);
    const std::vector<std::pair<int, int>> there
        = RowsFrom(after == TreeItems::None ? items.FirstChild(owner) : items.NextSibling(after));
    rows.insert(rows.end(), there.begin(), there.end());
    items.Unlink(id);
    items.Link(id, owner, after);
    UpdateRows(rows);
    emit layoutChanged(parents);
    return true;
}

void TreeModel::Clear()
{
    beginResetModel();
    items.Clear();
    endResetModel();
}

DomNode TreeModel::Node(const QModelIndex& item) const
{
    return item.isValid() ? items.Node(IdOf(item)) : DomNode();
}

void TreeModel::SetNode(const QModelIndex& item, const DomNode& node)
{
    if (!item.isValid())
        return;
    items.SetNode(IdOf(item), node);
    emit dataChanged(item, item);
}

void TreeModel::Relabel(const QModelIndex& item)
{
    if (item.isValid())
        emit dataChanged(item, item);
}

void TreeModel::ReleaseBranchNodes(const QModelIndex& item)
{
    const int top = IdOf(item);
    if (top == TreeItems::Root)
        return;
    items.SetNode(top, DomNode());
    for (int id = items.FirstChild(top); id != TreeItems::None;) {
        items.SetNode(id, DomNode());
        // Depth first: down, else along, else up until an ancestor below top has a sibling.
        if (items.FirstChild(id) != TreeItems::None) {
            id = items.FirstChild(id);
            continue;
        }
        while (id != top && items.NextSibling(id) == TreeItems::None)
            id = items.Parent(id);
        id = id == top ? TreeItems::None : items.NextSibling(id);
    }
}

QString TreeModel::Label(const QModelIndex& item) const
{
    const DomNode& node = items.Node(IdOf(item));
    return item.isValid() && node ? TreeLabels::MakeLabel(node, showAttributes) : QString();
}

bool TreeModel::IsInBranch(const QModelIndex& item, const QModelIndex& branch) const
{
    return item.isValid() && branch.isValid() && items.IsInBranch(IdOf(item), IdOf(branch));
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0)
        return QModelIndex();
    const int id = items.ChildAt(IdOf(parent), row);
    return id == TreeItems::None ? QModelIndex() : createIndex(row, 0, quintptr(id * Spread));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const
{
    return child.isValid() ? IndexOf(items.Parent(IdOf(child))) : QModelIndex();
}

QModelIndex TreeModel::sibling(int row, int column, const QModelIndex& index) const
{
    if (index.isValid() && row == index.row() && column == 0)
        return index;
    return QAbstractItemModel::sibling(row, column, index);
}

int TreeModel::rowCount(const QModelIndex& parent) const
{
    return parent.column() > 0 ? 0 : items.ChildCount(IdOf(parent));
}

int TreeModel::columnCount(const QModelIndex&) const { return 1; }

bool TreeModel::hasChildren(const QModelIndex& parent) const
{
    return parent.column() <= 0 && items.FirstChild(IdOf(parent)) != TreeItems::None;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const DomNode& node = items.Node(IdOf(index));
    if (!node)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return TreeLabels::ForDrawing(TreeLabels::MakeLabel(node, showAttributes));
    case LabelRole:
        return TreeLabels::MakeLabel(node, showAttributes);
    case Qt::DecorationRole:
        return Decoration(ImagesOf(node.nodeType()).first);
    case Qt::FontRole:
        if (node.nodeType() != NodeType::Text)
            return QVariant();
        boldFont.setBold(true);
        return boldFont;
    case ImageRole:
        return int(ImagesOf(node.nodeType()).first);
    case SelectedImageRole:
        return int(ImagesOf(node.nodeType()).second);
    default:
        return QVariant();
    }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    switch (items.Type(IdOf(index))) {
    case NodeType::Element:
    case NodeType::Document:
        break;
    default:
        flags |= Qt::ItemNeverHasChildren;
        break;
    }
    return flags;
}

int TreeModel::IdOf(const QModelIndex& index) const
{
    if (!index.isValid())
        return TreeItems::Root;
    Q_ASSERT(index.model() == this);
    return int(quint64(index.internalId()) * Unspread);
}

QModelIndex TreeModel::IndexOf(int id) const
{
    if (id == TreeItems::Root || id == TreeItems::None)
        return QModelIndex();
    return createIndex(items.Row(id), 0, quintptr(quint64(id) * Spread));
}

void TreeModel::ForgetBranch(int top)
{
    // Depth first, as in ReleaseBranchNodes.
    changePersistentIndex(IndexOf(top), QModelIndex());
    for (int id = items.FirstChild(top); id != TreeItems::None;) {
        changePersistentIndex(IndexOf(id), QModelIndex());
        if (items.FirstChild(id) != TreeItems::None) {
            id = items.FirstChild(id);
            continue;
        }
        while (id != top && items.NextSibling(id) == TreeItems::None)
            id = items.Parent(id);
        id = id == top ? TreeItems::None : items.NextSibling(id);
    }
}

std::vector<std::pair<int, int>> TreeModel::RowsFrom(int first) const
{
    std::vector<std::pair<int, int>> rows;
    for (int id = first; id != TreeItems::None; id = items.NextSibling(id))
        rows.emplace_back(id, items.Row(id));
    return rows;
}

void TreeModel::UpdateRows(const std::vector<std::pair<int, int>>& rows)
{
    for (const auto& [id, row] : rows) {
        if (items.Row(id) != row) {
            const quintptr internal = quintptr(quint64(id) * Spread);
            changePersistentIndex(
                createIndex(row, 0, internal), createIndex(items.Row(id), 0, internal));
        }
    }
}

int TreeModel::AfterFor(int parent, const Position& position) const
{
    switch (position.kind) {
    case Position::Kind::First:
        return TreeItems::None;
    case Position::Kind::After:
        if (position.sibling.isValid() && items.Parent(IdOf(position.sibling)) == parent)
            return IdOf(position.sibling);
        break;
    case Position::Kind::Last:
        break;
    }
    return items.LastChild(parent);
}

QVariant TreeModel::Decoration(Image image) const
{
    if (!iconsLoaded) {
        InitTreeViewResources();
        // The folder shows open while its item is selected, as the item's selected image.
        icons[FolderImage] = LoadIcon("folder");
        AddImage(icons[FolderImage], "folder-open", QIcon::Selected);
        icons[OpenFolderImage] = LoadIcon("folder-open");
        icons[TextImage] = LoadIcon("text");
        icons[CommentImage] = LoadIcon("comment");
        icons[InstructionImage] = LoadIcon("instruction");
        icons[CDataImage] = LoadIcon("cdata");
        iconsLoaded = true;
    }
    return icons[image];
}
