#include "TrelvoView.h"

#include "AttributeView.h"
#include "ImageView.h"
#include "SourceView.h"

#include "FrameWindow.h"
#include "NodeCommands.h"
#include "NodeRules.h"
#include "Progress.h"
#include "Prompts.h"
#include "TickCount.h"
#include "TreeCommands.h"
#include "TreeLabels.h"
#include "TreeViewIds.h"
#include "TrelvoDoc.h"
#include "WaitCursor.h"
#include "XsltCommands.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace {

void DisableCommands(QMenu& menu, const std::vector<int>& ids)
{
    for (QAction* action : menu.actions()) {
        if (QMenu* submenu = action->menu())
            DisableCommands(*submenu, ids);
        else if (std::find(ids.begin(), ids.end(), action->data().toInt()) != ids.end())
            action->setEnabled(false);
    }
}

} // namespace

TrelvoView::TrelvoView(QWidget* parent)
    : QTreeView(parent)
    , treeModel(new TreeModel(this))
    , nodeCommands(std::make_unique<NodeCommands>(*this))
    , xsltCommands(std::make_unique<XsltCommands>(*this))
{
    setModel(treeModel);
    setHeaderHidden(true);
    // Every row is one line of text beside a 16-pixel image, and a view that may assume so
    // never measures the rows of a million items.
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    // One column as wide as the widest label that has been in view, scrolled sideways like a
    // tree control; measuring only the rows in view keeps a million items cheap.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    header()->setResizeContentsPrecision(0);
    setTextElideMode(Qt::ElideNone);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { ScheduleFitColumn(); });
    connect(this, &QTreeView::expanded, this, [this] { ScheduleFitColumn(); });
    // Not the collapsed signal: with a receiver, collapseAll emits it once per expanded item.
    connect(treeModel, &QAbstractItemModel::rowsInserted, this, [this] { ScheduleFitColumn(); });
    connect(treeModel, &QAbstractItemModel::rowsRemoved, this, [this] { ScheduleFitColumn(true); });
    // Items are removed and moved as a change of layout.
    connect(
        treeModel, &QAbstractItemModel::layoutChanged, this, [this] { ScheduleFitColumn(true); });
    connect(treeModel, &QAbstractItemModel::modelReset, this, [this] { ScheduleFitColumn(true); });
    connect(treeModel, &QAbstractItemModel::dataChanged, this, [this] { ScheduleFitColumn(); });

    for (const auto& [id, handler] : nodeCommands->Handlers())
        AddCommand(id, handler);
    for (const auto& [id, handler] : xsltCommands->Handlers())
        AddCommand(id, handler);
    for (const auto& [id, handler] : xsltCommands->UpdateHandlers())
        AddUpdateCommand(id, handler);
    AddCommand(ID_ACTIONS_EXPAND_ALL, [this] { ExpandAll(); });
    AddCommand(ID_ACTIONS_COLLAPSE_ALL, [this] {
        WaitCursor wait;
        setUpdatesEnabled(false);
        CollapseBranch();
        setUpdatesEnabled(true);
        FitColumn(true);
    });
    AddClipboardCommands();
    AddUndoCommands();
    AddSchemaCommand();
    AddPathCommand();
}

TrelvoView::~TrelvoView()
{
    // The frame may destroy the attribute pane after this view.
    if (g_pAttributeView && g_pAttributeView->GetEditor() == &editor)
        g_pAttributeView->SetEditor(nullptr);
}

TrelvoDoc* TrelvoView::Doc() const { return dynamic_cast<TrelvoDoc*>(GetDocument()); }

void TrelvoView::OnInitialUpdate()
{
    const quint32 start = TickCount();
    TrelvoDoc* doc = Doc();
    if (treeModel->ItemCount() > 0)
        ClearTree();
    pathBindings.reset();
    if (doc && !doc->dom.isNull()) {
        // Five million items take seconds to make: the window keeps painting meanwhile, and
        // the frame keeps the document from changing under the walk.
        Progress progress(QStringLiteral("Building the tree"), false);
        treeModel->BuildBranch(doc->dom.documentNode(), QModelIndex(), TreeModel::Position::Last(),
            [&progress](int built) { progress.Step(built, 0); });
    }
    if (Settings().ExpandOnLoad)
        ExpandAll();
    View::OnInitialUpdate();

    const quint32 elapsed = TickCount() - start + (doc ? doc->LoadTime : 0);
    if (FrameWindow* frame = Frame()) {
        frame->SetPaneText(
            LoadTimePane, QStringLiteral("Load time: %1 secs").arg(elapsed / 1000.0, 0, 'f', 2));
    }
}

void TrelvoView::OnUpdate(View*, long hint)
{
    if (hint == TrelvoDoc::HintSaved) {
        editor.History().MarkSaved();
        return;
    }
    if (hint == TrelvoDoc::HintClear) {
        // The steps hold nodes of the DOM that is going.
        editor.History().Clear();
        ClearTree();
        pathBindings.reset();
    }
    // Labels follow the setting as soon as the views hear of a change: all of them, since
    // they are made when drawn.
    const int mode = Settings().ShowAttributesInTree;
    if (mode != treeModel->AttributeMode()) {
        treeModel->SetAttributeMode(mode);
        RefreshElementLabels(QModelIndex());
    } else if (const TrelvoDoc* doc = Doc();
               doc && doc->SelectedNode.nodeType() == NodeType::Element) {
        // Its attributes may have changed.
        RefreshElementLabels(SelectedItem());
    }
    viewport()->update();
    // The panes that are not views of their own follow the selection through the tree.
    if (g_pSourceView)
        g_pSourceView->RefreshSource();
    if (g_pImageView)
        g_pImageView->RefreshImage();
}

QModelIndex TrelvoView::BuildBranch(
    const DomNode& node, const QModelIndex& parent, const TreeModel::Position& position)
{
    // Rows arriving under an expanded item would have QTreeView lay out every row again: the
    // insert is made out of sight like a removal or a move (see TrelvoViewRows).
    QModelIndex item;
    ChangeOutOfSight({ ClosedAround(parent, 1) },
        [&] { item = treeModel->BuildBranch(node, parent, position); });
    return item;
}

QString TrelvoView::MakeElementLabel(const DomNode& node) const
{
    return TreeLabels::MakeElementLabel(node, Settings().ShowAttributesInTree);
}

void TrelvoView::RefreshElementLabels(const QModelIndex&)
{
    FitColumn(true);
    viewport()->update();
}

void TrelvoView::ReleaseBranchNodes(const QModelIndex& item)
{
    treeModel->ReleaseBranchNodes(item);
}

void TrelvoView::ClearMarksIn(const QModelIndex& branch)
{
    if (treeModel->IsInBranch(copySource, branch))
        copySource = QPersistentModelIndex();
    if (treeModel->IsInBranch(cutSource, branch))
        cutSource = QPersistentModelIndex();
}

bool TrelvoView::HoldSelectionUpdates(bool hold)
{
    const bool wasHeld = selectionHeld;
    selectionHeld = hold;
    return wasHeld;
}

void TrelvoView::ClearTree()
{
    // Deleting the items drops their references; the document has already let go of its
    // selected node.
    treeModel->Clear();
    copySource = QPersistentModelIndex();
    cutSource = QPersistentModelIndex();
    // The text of a branch still on the clipboard is written now, so that the document it came
    // from can go (Copy on the root of a large document costs its writing here, once).
    if (clipboardData)
        clipboardData->Freeze(QGuiApplication::clipboard()->mimeData() == clipboardData);
}

void TrelvoView::ExpandAll(const QModelIndex& item)
{
    WaitCursor wait;
    setUpdatesEnabled(false);
    if (item.isValid())
        expandRecursively(item);
    else
        expandAll();
    setUpdatesEnabled(true);
    const QModelIndex top = item.isValid() ? item : treeModel->index(0, 0);
    if (top.isValid()) {
        scrollTo(top, QAbstractItemView::PositionAtTop);
        SelectItem(top);
    }
}

void TrelvoView::CollapseBranch(const QModelIndex& item)
{
    if (!item.isValid()) {
        collapseAll();
        return;
    }
    // Collapsing the item first hides its branch in one step; the items below then only
    // forget that they were expanded, which gives the same end as collapsing bottom up.
    collapse(item);
    for (QModelIndex below = treeModel->index(0, 0, item); below.isValid();) {
        if (isExpanded(below))
            collapse(below);
        if (treeModel->hasChildren(below)) {
            below = treeModel->index(0, 0, below);
            continue;
        }
        while (below.isValid() && below != item && !below.siblingAtRow(below.row() + 1).isValid())
            below = below.parent();
        below = below == item ? QModelIndex() : below.siblingAtRow(below.row() + 1);
    }
}

QModelIndex TrelvoView::SelectedItem() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() && selectionModel()->isSelected(current) ? current : QModelIndex();
}

void TrelvoView::SelectItem(const QModelIndex& item) { setCurrentIndex(item); }

DomNode TrelvoView::NodeOf(const QModelIndex& item) const { return treeModel->Node(item); }

bool TrelvoView::CanMoveUp(const QModelIndex& item) const
{
    return item.isValid() && NodeRules::CanMoveUp(NodeOf(item));
}

bool TrelvoView::CanMoveDown(const QModelIndex& item) const
{
    return item.isValid() && NodeRules::CanMoveDown(NodeOf(item));
}

void TrelvoView::ShowContextMenu(const QPoint& point)
{
    const QModelIndex item = SelectedItem();
    if (!item.isValid())
        return;
    const QPoint global = viewport()->mapToGlobal(point);
    const DomNode node = NodeOf(item);
    FrameWindow* frame = Frame();
    const CommandTable table = frame ? frame->GetCommandTable() : TreeCommands::Table();
    const std::unique_ptr<QMenu> menu = table.CreatePopupMenu(node.nodeType() == NodeType::Document
            ? TreeCommands::DocumentPopup()
            : TreeCommands::NodePopup(),
        this);
    // Commands without a handler anywhere are grayed as in the menu bar; then the node's rules.
    if (frame)
        frame->UpdateMenuUI(*menu);
    if (const TrelvoDoc* doc = Doc())
        DisableCommands(*menu, NodeRules::GrayedCommands(node, *doc));
    const int id = Prompts::Instance().TrackPopupMenu(*menu, global);
    if (id == 0)
        return;
    if (frame)
        frame->RouteCommand(id);
    else
        OnCommand(id);
}

QRect TrelvoView::LabelRect(const QModelIndex& item) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(item);
    option.index = item;
    option.text = item.data(Qt::DisplayRole).toString();
    option.features |= QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    option.icon = qvariant_cast<QIcon>(item.data(Qt::DecorationRole));
    option.font = qvariant_cast<QFont>(item.data(Qt::FontRole)).resolve(font());
    return style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
}

void TrelvoView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTreeView::currentChanged(current, previous);
    // The tree makes an item current without selecting it when it gets the focus with nothing
    // selected; only a selected item is the document's node.
    if (!current.isValid() || selectionModel()->isSelected(current))
        TellDocument(current);
}

void TrelvoView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTreeView::selectionChanged(selected, deselected);
    // The current item selected after it became current (a click on it, Space).
    const QModelIndex current = currentIndex();
    if (current.isValid() && selected.contains(current))
        TellDocument(current);
}

void TrelvoView::TellDocument(const QModelIndex& item)
{
    // The selection model reports one change twice (selection, then current item).
    TrelvoDoc* doc = Doc();
    const DomNode node = treeModel->Node(item);
    if (!doc || (node == doc->SelectedNode && !node.isNull()))
        return;
    doc->SelectedNode = node;
    // The path counts the node's like-named siblings: once the selection has settled, not for
    // every step of a burst of undos or of a find that walks the tree.
    if (!pathTimer) {
        pathTimer = new QTimer(this);
        pathTimer->setSingleShot(true);
        connect(pathTimer, &QTimer::timeout, this, &TrelvoView::ShowSelectedPath);
    }
    pathTimer->start(0);
    if (!selectionHeld)
        doc->UpdateAllViews(nullptr, TrelvoDoc::HintRefresh);
}

int TrelvoView::LabelColumnRight() const { return columnViewportPosition(0) + columnWidth(0) - 1; }

QModelIndex TrelvoView::ItemOnRow(const QPoint& pos) const
{
    // Like a tree control, the whole width of a row belongs to its item, also to the right of
    // the label column.
    const QModelIndex item = indexAt(pos);
    if (item.isValid() || pos.x() < 0)
        return item;
    return pos.x() > LabelColumnRight() ? indexAt(QPoint(LabelColumnRight(), pos.y())) : item;
}

QItemSelectionModel::SelectionFlags TrelvoView::selectionCommand(
    const QModelIndex& index, const QEvent* event) const
{
    // The selection is made on the press alone: after a drop another item may be under the
    // release.
    if (event && event->type() == QEvent::MouseButtonRelease)
        return QItemSelectionModel::NoUpdate;
    // Like a tree control, the current item is always the selected one: Ctrl+click, which
    // starts a copying drag, must not deselect it.
    const QItemSelectionModel::SelectionFlags flags = QTreeView::selectionCommand(index, event);
    if (flags & QItemSelectionModel::Deselect)
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return flags;
}

void TrelvoView::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex item = ItemOnRow(event->position().toPoint());
    if (event->button() == Qt::RightButton) {
        CancelDrag();
        UpdateDragCursor();
        if (item.isValid())
            SelectItem(item);
        return;
    }
    // Only the left button selects and clicks; the others do nothing here.
    if (event->button() != Qt::LeftButton)
        return;
    if (item.isValid() && item != SelectedItem())
        SelectItem(item);
    dragArmed = item.isValid();
    dragStart = event->position().toPoint();
    // The item view sees a press beside the label as one on the label's row.
    pressPos = event->position().toPoint();
    if (item.isValid() && !indexAt(pressPos).isValid())
        pressPos.setX(LabelColumnRight());
    QMouseEvent press(event->type(), QPointF(pressPos), event->globalPosition(), event->button(),
        event->buttons(), event->modifiers());
    QTreeView::mousePressEvent(&press);
}

void TrelvoView::mouseMoveEvent(QMouseEvent* event)
{
    // Moving with the button down drags the selected branch, not the selection along the rows.
    if (event->buttons() & Qt::LeftButton) {
        DragMouseMove(event->position().toPoint(), event->modifiers());
        return;
    }
    QTreeView::mouseMoveEvent(event);
}

void TrelvoView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        ShowContextMenu(event->position().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    DragMouseRelease(event->position().toPoint(), event->modifiers());
    // The item view would select the item under the release when the press was on the
    // selected item; the selection is made on the press alone.
    QMouseEvent release(event->type(), QPointF(pressPos), event->globalPosition(), event->button(),
        event->buttons(), event->modifiers());
    QTreeView::mouseReleaseEvent(&release);
}

void TrelvoView::contextMenuEvent(QContextMenuEvent* event)
{
    // The mouse's menu comes with the release of the right button, and Qt sends this event on
    // the press on Linux, so only the keyboard's (the menu key) is taken here.
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard)
        ShowKeyboardMenu();
}

void TrelvoView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Control) {
        dragCopy = true;
        UpdateDragCursor();
    }
    if (event->key() == Qt::Key_Escape && dragging) {
        CancelDrag();
        UpdateDragCursor();
        event->accept();
        return;
    }
    // F3 and Shift+F3 repeat the search here rather than as the menu items' shortcuts, which
    // would run the command a second time while the tree has the focus.
    if (event->key() == Qt::Key_F3
        && (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::ShiftModifier)) {
        if (event->modifiers() == Qt::ShiftModifier)
            FindPrevious();
        else
            FindNext();
        event->accept();
        return;
    }
    // The platform turns the menu key into a context-menu event, but not Shift+F10.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        ShowKeyboardMenu();
        return;
    }
    // Backspace goes to the parent item, as in a tree control.
    if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier) {
        const QModelIndex parent = currentIndex().parent();
        if (parent.isValid())
            SelectItem(parent);
        event->accept();
        return;
    }
    // The item view would put the label's text on the clipboard; copying is the frame's
    // command, which copies the node.
    if (event->matches(QKeySequence::Copy)) {
        event->ignore();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TrelvoView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Control) {
        dragCopy = false;
        UpdateDragCursor();
    }
    QTreeView::keyReleaseEvent(event);
}

void TrelvoView::focusOutEvent(QFocusEvent* event)
{
    QTreeView::focusOutEvent(event);
    CancelDrag();
    UpdateDragCursor();
}

void TrelvoView::ShowKeyboardMenu()
{
    const QModelIndex item = SelectedItem();
    if (!item.isValid())
        return;
    const QRect label = LabelRect(item);
    ShowContextMenu(QPoint(label.left(), label.bottom() + 1));
}

void TrelvoView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const
{
    // Dotted lines join each item to its parent and to its siblings below, down to the root
    // item, as in a tree control; the style then draws the expand and collapse marks on top.
    const int indent = indentation();
    const bool rightToLeft = isRightToLeft();
    auto columnLeft = [&](int fromEdge) {
        // fromEdge counts columns back from the item's own one, nearest the label.
        return rightToLeft ? rect.left() + fromEdge * indent
                           : rect.right() + 1 - (fromEdge + 1) * indent;
    };
    QPen pen(palette().color(QPalette::Mid));
    pen.setStyle(Qt::DotLine);
    painter->save();
    painter->setPen(pen);
    const int middle = rect.top() + rect.height() / 2;
    const QModelIndex parent = index.parent();
    const bool hasNext = index.sibling(index.row() + 1, 0).isValid();
    const int own = columnLeft(0) + indent / 2;
    const int ownEnd = rightToLeft ? columnLeft(0) : columnLeft(0) + indent - 1;
    painter->drawLine(own, middle, ownEnd, middle);
    const bool firstRoot = !parent.isValid() && index.row() == 0;
    painter->drawLine(own, firstRoot ? middle : rect.top(), own, hasNext ? rect.bottom() : middle);
    int level = 1;
    for (QModelIndex ancestor = parent; ancestor.isValid(); ancestor = ancestor.parent(), ++level) {
        if (!ancestor.sibling(ancestor.row() + 1, 0).isValid())
            continue;
        const int x = columnLeft(level) + indent / 2;
        if (rightToLeft ? x > rect.right() : x < rect.left())
            break;
        painter->drawLine(x, rect.top(), x, rect.bottom());
    }
    painter->restore();
    QTreeView::drawBranches(painter, rect, index);
}

FrameWindow* TrelvoView::Frame() const { return qobject_cast<FrameWindow*>(window()); }

void TrelvoView::FitColumn(bool mayShrink)
{
    fitPending = false;
    fitMayShrink = false;
    const int needed = sizeHintForColumn(0);
    const int width = mayShrink ? needed : std::max(needed, columnWidth(0));
    if (width > 0 && width != columnWidth(0))
        setColumnWidth(0, width);
}

void TrelvoView::ScheduleFitColumn(bool mayShrink)
{
    fitMayShrink = fitMayShrink || mayShrink;
    if (fitPending)
        return;
    fitPending = true;
    QTimer::singleShot(0, this, [this] {
        if (fitPending)
            FitColumn(fitMayShrink);
    });
}

void TrelvoView::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    ScheduleFitColumn();
}
