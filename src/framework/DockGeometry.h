#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

// Where dock bars, their rows and a dragged bar go, over plain rectangles.
namespace DockGeometry {

// One bar of a dock bar row: its size (width × height) and whether it is a sizing bar.
struct RowItem {
    QSize size;
    bool sizing = false;
    // For a sizing bar, the least it may be across its row when the view needs the room.
    int minThickness = 0;
};

struct DockBarLayout {
    // Per row, the bars' rectangles relative to the dock bar.
    std::vector<std::vector<QRect>> rects;
    // Per row, its start and thickness across the dock bar.
    std::vector<std::pair<int, int>> rowExtents;
    int thickness = 0;
};

// Rows follow each other across the dock bar. In a row with a sizing bar the bars overlap by
// 2 pixels and a horizontal row starts 2 pixels before the dock bar (the row arithmetic counts
// those pixels); other rows are laid edge to edge from 0.
// rowThickness, when given, makes each row's sizing bars that thick across the dock bar.
DockBarLayout LayoutDockBar(const std::vector<std::vector<RowItem>>& rows, bool horizontal,
    const std::vector<int>& rowThickness = {});

// The least thickness of each row: its largest minimum across a sizing bar, or the thickness of
// a bar that does not size.
std::vector<int> RowMinimums(const std::vector<std::vector<RowItem>>& rows, bool horizontal);

// Thins the rows so that together they take at most limit, each giving in proportion to what it
// has above its minimum, none below it. Rows already within the limit keep their thickness.
std::vector<int> ShrinkRows(
    const std::vector<int>& thickness, const std::vector<int>& minimum, int limit);

struct DockSiteLayout {
    QRect top;
    QRect left;
    QRect right;
    QRect bottom;
    // What is left to the view; never negative.
    QRect client;
};

// The top and bottom dock bars take the whole width, the left and right ones the height between
// them.
DockSiteLayout LayoutDockSite(const QRect& area, int top, int left, int right, int bottom);

// A dock bar as the docking drag sees it, in screen coordinates.
struct DockBarGeometry {
    int id = 0;
    QRect rect;
    // Per row, its start and thickness across the dock bar.
    std::vector<std::pair<int, int>> rows;
};

struct DockTarget {
    // 0 when the bar would float.
    int dockBarId = 0;
    // The row to join, or, with newRow, the row to insert before (rows.size(): after the last).
    int row = 0;
    bool newRow = true;
    QRect outline;
};

// Where a bar dragged to point would go. site is the docking area (screen coordinates);
// dockBars the four dock bars; a point within snap pixels inside a side of the site, or over a
// dock bar, docks; elsewhere the bar floats at floatRect. horzSize and vertSize are the bar's
// sizes when docked at the top/bottom and left/right. reach, when given, is the window around
// the site: a point between a side of the site and the window's edge (over a status bar below
// the site) docks at that side too.
DockTarget FindDockTarget(const QPoint& point, const QRect& site,
    const std::vector<DockBarGeometry>& dockBars, const QSize& horzSize, const QSize& vertSize,
    const QRect& floatRect, int snap = 16, const QRect& reach = QRect());

}
