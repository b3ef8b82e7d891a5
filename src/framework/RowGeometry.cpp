#include "RowGeometry.h"

#include <algorithm>

namespace RowGeometry {

namespace {
    // Hands delta out one pixel per bar and pass. Bars with keepSize are left alone as long as
    // another bar still takes pixels; a bar never goes below its minimum while the row shrinks.
    void ShareDelta(std::vector<RowBar*>& bars, int delta)
    {
        while (delta != 0) {
            const int before = delta;
            for (RowBar* bar : bars) {
                if (delta == 0)
                    break;
                if (bar->keepSize || (delta < 0 && bar->length <= bar->minLength))
                    continue;
                const int step = delta > 0 ? 1 : -1;
                bar->length += step;
                delta -= step;
            }
            if (delta == before || delta == 0) {
                const bool anyKept = std::any_of(
                    bars.begin(), bars.end(), [](RowBar* bar) { return bar->keepSize; });
                for (RowBar* bar : bars)
                    bar->keepSize = false;
                // Every bar is at its minimum: nothing more can be taken.
                if (delta == before && !anyKept)
                    break;
            }
        }
    }
}

FitRowResult FitRow(std::vector<RowBar>& row, int self, int length)
{
    FitRowResult result;
    int available = length;
    int actual = 0;
    int needed = 2;
    int widest = 0;
    size_t end = row.size();
    for (size_t i = 0; i < end; ++i) {
        RowBar& bar = row[i];
        needed += bar.minLength - 2;
        if (needed > length) {
            const int index = int(i);
            if (index < self) {
                result.fitted = false;
                result.separatorBefore = index + 1;
                return result;
            }
            if (index > self) {
                result.separatorBefore = index;
                end = i;
                break;
            }
            bar.length = bar.minLength;
            return result;
        }
        if (bar.sizing) {
            actual += bar.length - 2;
            widest = std::max(widest, bar.width);
        } else {
            available -= bar.length - 2;
        }
    }

    std::vector<RowBar*> sizing;
    for (size_t i = 0; i < end; ++i) {
        if (row[i].sizing)
            sizing.push_back(&row[i]);
    }
    int delta = available - actual;
    if (sizing.size() == 1) {
        if (delta != 0) {
            sizing.front()->keepSize = false;
            sizing.front()->length += delta;
        }
    } else if (sizing.size() > 1) {
        for (RowBar* bar : sizing)
            bar->width = widest;
        ShareDelta(sizing, delta);
    }
    return result;
}

std::vector<int> RowPositions(const std::vector<RowBar>& row, bool horizontal)
{
    std::vector<int> positions;
    int position = horizontal ? -2 : 0;
    for (const RowBar& bar : row) {
        positions.push_back(position);
        position += bar.length - 2;
    }
    return positions;
}

DragRange RowDragRange(const std::vector<RowBar>& bars, int self, bool trailingEdge, int position)
{
    DragRange range { position, position };
    const int first = self + (trailingEdge ? 1 : 0);
    for (int i = 0; i < int(bars.size()); ++i) {
        const int spare = bars[i].length - bars[i].minLength;
        if (i < first)
            range.minimum -= spare;
        else
            range.maximum += spare;
    }
    return range;
}

DragRange CentreDragRange(int thickness, int minThickness, int room, bool leadingEdge, int position)
{
    const int excess = thickness - minThickness;
    if (leadingEdge)
        return { position - room, position + excess };
    return { position - excess, position + room };
}

void DragRowEdge(std::vector<RowBar>& bars, int self, bool trailingEdge, int delta)
{
    if (delta == 0)
        return;
    // The edge lies between bars before and before + 1.
    const int before = trailingEdge ? self : self - 1;
    const int count = int(bars.size());
    const int grower = delta > 0 ? before : before + 1;
    if (grower < 0 || grower >= count)
        return;
    int remaining = delta > 0 ? delta : -delta;
    bars[grower].length += remaining;
    const int step = delta > 0 ? 1 : -1;
    for (int i = grower + step; remaining > 0 && i >= 0 && i < count; i += step) {
        const int give = std::min(remaining, std::max(0, bars[i].length - bars[i].minLength));
        bars[i].length -= give;
        remaining -= give;
    }
}

}
