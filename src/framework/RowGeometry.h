#pragma once

#include <vector>

// The arithmetic of one row of a dock bar, over plain numbers. Lengths run along the row
// (cx of sizeHorz when docked at the top or bottom, cy of sizeVert at the left or right),
// widths across it. Bars of a row overlap their neighbours by 2 pixels.
namespace RowGeometry {

// One visible bar of a row.
struct RowBar {
    // A sizing bar negotiates its length; any other bar keeps the length of its window.
    bool sizing = true;
    int length = 0;
    int width = 0;
    int minLength = 0;
    bool keepSize = false;
};

struct FitRowResult {
    // False when the row was split before this bar could be fitted; the caller lays it out again.
    bool fitted = true;
    // Index into the row before which a row separator goes; -1 for none.
    int separatorBefore = -1;
};

// Shares length (the dock bar's length as the row sees it) among the sizing bars of the row,
// one pixel at a time in turn. self is the index of the bar that negotiates for the row. A row
// whose minimums do not fit is split: the bars from separatorBefore on belong to a new row, and
// when the split comes after self the remaining bars are fitted.
FitRowResult FitRow(std::vector<RowBar>& row, int self, int length);

// The leading coordinate of each bar, relative to its dock bar.
std::vector<int> RowPositions(const std::vector<RowBar>& row, bool horizontal);

struct DragRange {
    int minimum = 0;
    int maximum = 0;
};

// The range of the mouse coordinate while the edge between two sizing bars of a row is dragged.
// bars: the sizing bars of the row; trailingEdge: the right or bottom edge of bar self.
DragRange RowDragRange(const std::vector<RowBar>& bars, int self, bool trailingEdge, int position);

// The range while the edge toward the frame's centre is dragged. thickness is the bar's width,
// minThickness the largest minimum width in the row, room what the view may still give up.
// leadingEdge: a top or left edge.
DragRange CentreDragRange(
    int thickness, int minThickness, int room, bool leadingEdge, int position);

// Moves the edge between two bars of a row by delta: the bar that the edge moves away from gains
// |delta|, the bars on the other side give it up, nearest first, each down to its minimum.
void DragRowEdge(std::vector<RowBar>& bars, int self, bool trailingEdge, int delta);

}
