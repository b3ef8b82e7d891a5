#pragma once

#include "DockGeometry.h"

#include <QList>
#include <QWidget>

#include <utility>
#include <vector>

class ControlBar;

// One side of a frame (or the inside of a floating frame) that holds control bars in rows. The
// bars are kept in one list in which null entries separate the rows, with one at each end.
class DockBar : public QWidget {
    Q_OBJECT

public:
    DockBar(int id, QWidget* parent);

    int GetBarId() const { return barId; }
    bool IsHorizontal() const;
    bool IsFloating() const;

    // The list with its null row separators.
    const QList<ControlBar*>& GetBars() const { return bars; }
    // The bars of each row, visible or not.
    std::vector<std::vector<ControlBar*>> Rows() const;
    bool Contains(const ControlBar* bar) const { return bars.contains(bar); }
    // Puts the bar into row (an index of Rows()), at its end, or, with newRow, into a new row
    // before that row (a row past the last appends).
    void InsertBar(ControlBar* bar, int row, bool newRow);
    void RemoveBar(ControlBar* bar);
    // Starts a new row at bar.
    void InsertSeparatorBefore(ControlBar* bar);
    // Replaces the whole list; unknown or repeated bars must have been removed by the caller.
    void SetBars(const QList<ControlBar*>& list);
    // Indexes into GetBars() of the first and last bar of the bar's row.
    std::pair<int, int> RowRange(const ControlBar* bar) const;

    // Lets every visible bar negotiate its size for a dock bar of this length and works out
    // where the bars go; returns the dock bar's thickness.
    int CalcLayout(int length);
    // The length of the last CalcLayout.
    int LayoutLength() const { return layoutLength; }
    // Moves the bars where CalcLayout put them.
    void ApplyLayout();
    // The visible rows' start and thickness across the dock bar, from the last CalcLayout.
    const std::vector<std::pair<int, int>>& RowExtents() const { return layout.rowExtents; }
    // The thickness and the least thickness of each visible row, from the last CalcLayout.
    std::vector<int> RowThicknesses() const;
    std::vector<int> RowMinimums() const;
    // Lays the rows out again with their sizing bars thinned to thickness (one per visible row,
    // as RowThicknesses); returns the dock bar's thickness. The bars keep their own sizes.
    int ThinRows(const std::vector<int>& thickness);
    // The index in Rows() of each visible row.
    const std::vector<int>& VisibleRows() const { return visibleRows; }

private:
    void Normalize();

    int barId;
    QList<ControlBar*> bars { nullptr };
    int layoutLength = 0;
    bool structureChanged = false;
    DockGeometry::DockBarLayout layout;
    std::vector<std::vector<DockGeometry::RowItem>> layoutItems;
    std::vector<std::vector<ControlBar*>> layoutBars;
    std::vector<int> visibleRows;
};
