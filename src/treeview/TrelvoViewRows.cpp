#include "TrelvoView.h"

#include <QScrollBar>

#include <algorithm>
#include <vector>

// QTreeView keeps a list of its laid-out rows, one per row inside expanded items, and answers a
// change of the model's layout by laying out all of them again: with the 50 MB test document
// fully expanded (two million rows) that is most of a second per deleted or moved item.
// Expanding or collapsing one item changes the list in place. So the view closes the items
// around a removal or a move, keeps the rows it has when none of them changed, and opens the
// items again, which lays out their branches alone.
//
// Expanding an item lays out its branch by inserting the rows of each expanded item in it into
// that list separately, each insert moving every row after it: with two million rows laid out
// Move Down of an item whose parent held 38,000 expanded records did not end in ten minutes.
// So only items with few expanded items below them are closed and opened; around the others
// the view lays out every row once, which takes about a second there.

bool TrelvoView::FewExpandedIn(const QModelIndex& item) const
{
    constexpr int MostExpanded = 32;
    int expanded = 0;
    std::vector<QModelIndex> open { item };
    while (!open.empty()) {
        const QModelIndex parent = open.back();
        open.pop_back();
        for (int row = 0, rows = treeModel->rowCount(parent); row < rows; ++row) {
            const QModelIndex child = treeModel->index(row, 0, parent);
            if (!isExpanded(child))
                continue;
            if (++expanded > MostExpanded)
                return false;
            open.push_back(child);
        }
    }
    return true;
}

bool TrelvoView::LaysOutChildrenOf(const QModelIndex& item) const
{
    for (QModelIndex above = item; above.isValid(); above = above.parent()) {
        if (!isExpanded(above))
            return false;
    }
    return true;
}

QModelIndex TrelvoView::ClosedAround(const QModelIndex& parent, int change) const
{
    // The parent, or the item above it when the parent gains its first child or loses its last:
    // the mark that shows whether an item can be expanded comes from the layout of its parent.
    const int rows = treeModel->rowCount(parent);
    if (!parent.isValid() || (rows > 0 && rows + change > 0))
        return parent;
    return parent.parent();
}

void TrelvoView::ChangeOutOfSight(
    const std::vector<QPersistentModelIndex>& around, const std::function<void()>& change)
{
    std::vector<QPersistentModelIndex> reopen;
    const int scrolled = verticalScrollBar()->value();
    for (const QPersistentModelIndex& item : around) {
        if (item.isValid() && LaysOutChildrenOf(item) && FewExpandedIn(item)) {
            collapse(item);
            reopen.push_back(item);
        }
    }
    // A layout asked for before is still needed.
    executeDelayedItemsLayout();
    keepLayout
        = std::all_of(around.begin(), around.end(), [this](const QPersistentModelIndex& item) {
              return item.isValid() && !LaysOutChildrenOf(item);
          });
    change();
    executeDelayedItemsLayout();
    keepLayout = false;
    for (auto item = reopen.rbegin(); item != reopen.rend(); ++item)
        expand(*item);
    if (!reopen.empty())
        verticalScrollBar()->setValue(scrolled);
}

void TrelvoView::doItemsLayout()
{
    if (keepLayout) {
        QAbstractItemView::doItemsLayout();
        return;
    }
    QTreeView::doItemsLayout();
}

void TrelvoView::RemoveItem(const QModelIndex& item)
{
    if (item == copySource)
        copySource = QPersistentModelIndex();
    if (item == cutSource)
        cutSource = QPersistentModelIndex();
    const QPersistentModelIndex removed(item);
    const QModelIndex parent = item.parent();
    // The selected item going with the branch selects its next sibling, else the previous one,
    // else its parent, and tells the document like any selection change; before the parent is
    // closed, since the view opens the parents of a new current item.
    if (IsInBranch(currentIndex(), item)) {
        QModelIndex neighbour = item.siblingAtRow(item.row() + 1);
        if (!neighbour.isValid())
            neighbour = item.row() > 0 ? item.siblingAtRow(item.row() - 1) : parent;
        SelectItem(neighbour);
    }
    ChangeOutOfSight({ ClosedAround(parent, -1) }, [&] { treeModel->RemoveItem(removed); });
}

void TrelvoView::MoveItem(
    const QModelIndex& item, const QModelIndex& parent, const TreeModel::Position& position)
{
    const QPersistentModelIndex moved(item);
    const QPersistentModelIndex target(parent);
    ChangeOutOfSight({ ClosedAround(item.parent(), -1), ClosedAround(parent, 1) },
        [&] { treeModel->MoveItem(moved, target, position); });
    collapse(moved);
}
