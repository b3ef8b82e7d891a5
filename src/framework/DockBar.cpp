#include "DockBar.h"

#include "ControlBar.h"
#include "DockIds.h"

#include <algorithm>

DockBar::DockBar(int id, QWidget* parent)
    : QWidget(parent)
    , barId(id)
{
}

bool DockBar::IsHorizontal() const { return IsHorizontalDockBar(barId); }

bool DockBar::IsFloating() const { return barId == AFX_IDW_DOCKBAR_FLOAT; }

std::vector<std::vector<ControlBar*>> DockBar::Rows() const
{
    std::vector<std::vector<ControlBar*>> rows;
    std::vector<ControlBar*> row;
    for (ControlBar* bar : bars) {
        if (bar) {
            row.push_back(bar);
        } else if (!row.empty()) {
            rows.push_back(row);
            row.clear();
        }
    }
    return rows;
}

void DockBar::InsertBar(ControlBar* bar, int row, bool newRow)
{
    bars.removeAll(bar);
    std::vector<std::vector<ControlBar*>> rows = Rows();
    row = std::clamp(row, 0, int(rows.size()));
    if (newRow || row == int(rows.size()))
        rows.insert(rows.begin() + row, { bar });
    else
        rows[size_t(row)].push_back(bar);
    bars = { nullptr };
    for (const std::vector<ControlBar*>& entries : rows) {
        for (ControlBar* entry : entries)
            bars.append(entry);
        bars.append(nullptr);
    }
    structureChanged = true;
}

void DockBar::RemoveBar(ControlBar* bar)
{
    if (bars.removeAll(bar) > 0) {
        Normalize();
        structureChanged = true;
    }
}

void DockBar::InsertSeparatorBefore(ControlBar* bar)
{
    const int index = int(bars.indexOf(bar));
    // Not in the list, or already the first of its row.
    if (index <= 0 || !bars[index - 1])
        return;
    bars.insert(index, nullptr);
    structureChanged = true;
}

void DockBar::SetBars(const QList<ControlBar*>& list)
{
    bars = list;
    Normalize();
    structureChanged = true;
}

void DockBar::Normalize()
{
    QList<ControlBar*> normal { nullptr };
    for (ControlBar* bar : bars) {
        if (bar || normal.last())
            normal.append(bar);
    }
    if (normal.last())
        normal.append(nullptr);
    bars = normal;
}

std::pair<int, int> DockBar::RowRange(const ControlBar* bar) const
{
    const int index = int(bars.indexOf(bar));
    if (index < 0)
        return { -1, -1 };
    int first = index;
    while (first > 0 && bars[first - 1])
        --first;
    int last = index;
    while (last + 1 < bars.size() && bars[last + 1])
        ++last;
    return { first, last };
}

int DockBar::CalcLayout(int length)
{
    layoutLength = length;
    const bool horizontal = IsHorizontal();
    const int mode = horizontal ? (LM_HORZ | LM_HORZDOCK) : LM_VERTDOCK;
    std::vector<std::vector<DockGeometry::RowItem>> rows;
    // A bar that splits its row changes the list; the rows are then negotiated again. Each pass
    // can only add separators, so the passes end.
    for (int pass = 0; pass <= bars.size(); ++pass) {
        structureChanged = false;
        rows.clear();
        layoutBars.clear();
        visibleRows.clear();
        const std::vector<std::vector<ControlBar*>> all = Rows();
        for (int r = 0; r < int(all.size()) && !structureChanged; ++r) {
            std::vector<DockGeometry::RowItem> items;
            std::vector<ControlBar*> visible;
            for (ControlBar* bar : all[size_t(r)]) {
                if (!bar->IsVisibleBar())
                    continue;
                const QSize size = bar->CalcDynamicLayout(-1, mode);
                if (structureChanged)
                    break;
                items.push_back({ size, bar->IsSizingBar(), bar->MinThickness(horizontal) });
                visible.push_back(bar);
            }
            if (!visible.empty()) {
                rows.push_back(items);
                layoutBars.push_back(visible);
                visibleRows.push_back(r);
            }
        }
        if (!structureChanged)
            break;
    }
    layoutItems = rows;
    layout = DockGeometry::LayoutDockBar(rows, horizontal);
    return layout.thickness;
}

std::vector<int> DockBar::RowThicknesses() const
{
    std::vector<int> thickness;
    for (const auto& [start, rowThickness] : layout.rowExtents)
        thickness.push_back(rowThickness);
    return thickness;
}

std::vector<int> DockBar::RowMinimums() const
{
    return DockGeometry::RowMinimums(layoutItems, IsHorizontal());
}

int DockBar::ThinRows(const std::vector<int>& thickness)
{
    layout = DockGeometry::LayoutDockBar(layoutItems, IsHorizontal(), thickness);
    return layout.thickness;
}

void DockBar::ApplyLayout()
{
    for (size_t r = 0; r < layoutBars.size(); ++r) {
        for (size_t i = 0; i < layoutBars[r].size(); ++i) {
            ControlBar* bar = layoutBars[r][i];
            if (bar->parentWidget() != this)
                continue;
            bar->setGeometry(layout.rects[r][i]);
            bar->OnPlaced();
        }
    }
}
