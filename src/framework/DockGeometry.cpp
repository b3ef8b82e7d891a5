#include "DockGeometry.h"

#include "DockIds.h"

#include <algorithm>

namespace DockGeometry {

DockBarLayout LayoutDockBar(const std::vector<std::vector<RowItem>>& rows, bool horizontal,
    const std::vector<int>& rowThickness)
{
    DockBarLayout layout;
    int across = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::vector<RowItem>& row = rows[r];
        const bool sizingRow
            = std::any_of(row.begin(), row.end(), [](const RowItem& item) { return item.sizing; });
        int along = sizingRow && horizontal ? -2 : 0;
        int thickness = 0;
        std::vector<QRect> rects;
        for (const RowItem& item : row) {
            QSize size = item.size;
            if (item.sizing && r < rowThickness.size()) {
                if (horizontal)
                    size.setHeight(rowThickness[r]);
                else
                    size.setWidth(rowThickness[r]);
            }
            const QRect rect = horizontal ? QRect(along, across, size.width(), size.height())
                                          : QRect(across, along, size.width(), size.height());
            rects.push_back(rect);
            const int length = horizontal ? size.width() : size.height();
            along += sizingRow ? length - 2 : length;
            thickness = std::max(thickness, horizontal ? size.height() : size.width());
        }
        layout.rects.push_back(rects);
        layout.rowExtents.emplace_back(across, thickness);
        across += thickness;
    }
    layout.thickness = across;
    return layout;
}

std::vector<int> RowMinimums(const std::vector<std::vector<RowItem>>& rows, bool horizontal)
{
    std::vector<int> minimums;
    for (const std::vector<RowItem>& row : rows) {
        int minimum = 0;
        for (const RowItem& item : row) {
            const int thickness = horizontal ? item.size.height() : item.size.width();
            minimum = std::max(
                minimum, item.sizing ? std::min(item.minThickness, thickness) : thickness);
        }
        minimums.push_back(minimum);
    }
    return minimums;
}

std::vector<int> ShrinkRows(
    const std::vector<int>& thickness, const std::vector<int>& minimum, int limit)
{
    std::vector<int> result = thickness;
    qint64 total = 0;
    qint64 spare = 0;
    for (size_t i = 0; i < thickness.size(); ++i) {
        total += thickness[i];
        spare += std::max(0, thickness[i] - minimum[i]);
    }
    const qint64 excess = total - std::max(0, limit);
    if (excess <= 0 || spare <= 0)
        return result;
    if (excess >= spare) {
        for (size_t i = 0; i < result.size(); ++i)
            result[i] = std::min(thickness[i], minimum[i]);
        return result;
    }
    // Each row gives its share rounded down; the pixels that rounding leaves are taken one at a
    // time from the rows in order, so the rows add up to the limit exactly.
    qint64 taken = 0;
    for (size_t i = 0; i < result.size(); ++i) {
        const int give = int(std::max(0, thickness[i] - minimum[i]) * excess / spare);
        result[i] -= give;
        taken += give;
    }
    for (size_t i = 0; taken < excess; i = (i + 1) % result.size()) {
        if (result[i] > minimum[i]) {
            --result[i];
            ++taken;
        }
    }
    return result;
}

DockSiteLayout LayoutDockSite(const QRect& area, int top, int left, int right, int bottom)
{
    DockSiteLayout layout;
    top = std::clamp(top, 0, area.height());
    bottom = std::clamp(bottom, 0, area.height() - top);
    const int middle = area.height() - top - bottom;
    left = std::clamp(left, 0, area.width());
    right = std::clamp(right, 0, area.width() - left);
    layout.top = QRect(area.left(), area.top(), area.width(), top);
    layout.bottom = QRect(area.left(), area.bottom() + 1 - bottom, area.width(), bottom);
    layout.left = QRect(area.left(), area.top() + top, left, middle);
    layout.right = QRect(area.right() + 1 - right, area.top() + top, right, middle);
    layout.client
        = QRect(area.left() + left, area.top() + top, area.width() - left - right, middle);
    return layout;
}

namespace {
    // The strip a new row would take at the inner side of a dock bar.
    QRect NewRowOutline(const DockBarGeometry& bar, const QRect& site, int thickness)
    {
        const QRect& r = bar.rect;
        switch (bar.id) {
        case AFX_IDW_DOCKBAR_TOP:
            return QRect(site.left(), r.bottom() + 1, site.width(), thickness);
        case AFX_IDW_DOCKBAR_BOTTOM:
            return QRect(site.left(), r.top() - thickness, site.width(), thickness);
        case AFX_IDW_DOCKBAR_LEFT:
            return QRect(r.right() + 1, r.top(), thickness, r.height());
        default:
            return QRect(r.left() - thickness, r.top(), thickness, r.height());
        }
    }

    int Thickness(int id, const QSize& horzSize, const QSize& vertSize)
    {
        return IsHorizontalDockBar(id) ? horzSize.height() : vertSize.width();
    }

    // How far inside the site the point is from the dock bar's outer side.
    int DepthFromSide(int id, const QPoint& p, const QRect& site)
    {
        switch (id) {
        case AFX_IDW_DOCKBAR_TOP:
            return p.y() - site.top();
        case AFX_IDW_DOCKBAR_BOTTOM:
            return site.bottom() - p.y();
        case AFX_IDW_DOCKBAR_LEFT:
            return p.x() - site.left();
        default:
            return site.right() - p.x();
        }
    }
}

DockTarget FindDockTarget(const QPoint& point, const QRect& site,
    const std::vector<DockBarGeometry>& dockBars, const QSize& horzSize, const QSize& vertSize,
    const QRect& floatRect, int snap, const QRect& reach)
{
    DockTarget target;
    target.outline = floatRect;
    if (!site.contains(point) && !reach.contains(point))
        return target;
    // Over an existing row: join it; over the rest of a dock bar or its inner band: a new row.
    for (const DockBarGeometry& bar : dockBars) {
        if (!bar.rect.contains(point))
            continue;
        const bool horizontal = IsHorizontalDockBar(bar.id);
        const int across = horizontal ? point.y() - bar.rect.top() : point.x() - bar.rect.left();
        for (int i = 0; i < int(bar.rows.size()); ++i) {
            const auto [start, thickness] = bar.rows[i];
            if (across < start || across >= start + thickness)
                continue;
            target.dockBarId = bar.id;
            target.row = i;
            target.newRow = false;
            target.outline = horizontal
                ? QRect(bar.rect.left(), bar.rect.top() + start, bar.rect.width(), thickness)
                : QRect(bar.rect.left() + start, bar.rect.top(), thickness, bar.rect.height());
            return target;
        }
    }
    // Near a side: a new row at the inner side of that dock bar.
    const DockBarGeometry* nearest = nullptr;
    int nearestDepth = 0;
    for (const DockBarGeometry& bar : dockBars) {
        const int band
            = (IsHorizontalDockBar(bar.id) ? bar.rect.height() : bar.rect.width()) + snap;
        const int depth = DepthFromSide(bar.id, point, site);
        if (depth < band && (!nearest || depth < nearestDepth)) {
            nearest = &bar;
            nearestDepth = depth;
        }
    }
    if (!nearest)
        return target;
    target.dockBarId = nearest->id;
    target.row = int(nearest->rows.size());
    target.newRow = true;
    const int thickness = Thickness(nearest->id, horzSize, vertSize);
    target.outline = NewRowOutline(*nearest, site, thickness);
    return target;
}

}
