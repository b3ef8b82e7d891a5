#include "TrelvoView.h"

#include "Prompts.h"
#include "TreeSearcher.h"
#include "WaitCursor.h"

void TrelvoView::Find(const FindRequest& request)
{
    hasLastFind = true;
    lastFind = request;
    int hit = TreeItems::None;
    {
        WaitCursor wait;
        TreeSearcher searcher(treeModel->Items(), request, treeModel->AttributeMode());
        const QModelIndex selected = SelectedItem();
        hit = searcher.Search(selected.isValid() ? treeModel->IdOf(selected) : TreeItems::None);
    }
    if (hit == TreeItems::None) {
        Prompts::Instance().MessageBox(QStringLiteral("Text not found!"), QString(),
            Prompts::Buttons::Ok, Prompts::Icon::None);
        return;
    }
    // Scrolling to the item expands its ancestors, as a tree control does for an item it is
    // asked to make visible.
    const QModelIndex item = treeModel->IndexOf(hit);
    for (QModelIndex parent = item.parent(); parent.isValid(); parent = parent.parent())
        expand(parent);
    scrollTo(item);
    SelectItem(item);
}

void TrelvoView::FindNext()
{
    lastFind.direction = 1;
    if (hasLastFind)
        Find(lastFind);
}

void TrelvoView::FindPrevious()
{
    lastFind.direction = 0;
    if (hasLastFind)
        Find(lastFind);
}
