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
DockBarLayout LayoutDockBar(const std::vector<std::vector<RowItem>>& rows, bool horizontal);

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
// sizes when docked at the top/bottom and left/right.
DockTarget FindDockTarget(const QPoint& point, const QRect& site,
    const std::vector<DockBarGeometry>& dockBars, const QSize& horzSize, const QSize& vertSize,
    const QRect& floatRect, int snap = 16);

}
