#include "CSizingControlBar.h"

#include "DockBar.h"
#include "DockIds.h"
#include "DockSite.h"
#include "MiniDockFrame.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>

CSizingControlBar::CSizingControlBar(QWidget* parent)
    : ControlBar(parent)
{
    setMouseTracking(true);
    dragShowsContent = style()->styleHint(QStyle::SH_Splitter_OpaqueResize, nullptr, this);
}

bool CSizingControlBar::CreateBar(const QString& title, DockSite* site, int id)
{
    if (!site)
        return false;
    setWindowTitle(title);
    SetBarId(id);
    site->AddControlBar(this);
    return true;
}

bool CSizingControlBar::CreateBar(
    const QString& title, DockSite* site, const QSize& defaultSize, bool, int id)
{
    SetAllSizes(defaultSize);
    return CreateBar(title, site, id);
}

void CSizingControlBar::LoadBarSizes(AppSettings& settings, const QString& prefix)
{
    LoadSizes(settings, BarSection(prefix, GetBarId()));
}

void CSizingControlBar::SaveBarSizes(AppSettings& settings, const QString& prefix)
{
    SaveSizes(settings, BarSection(prefix, GetBarId()));
}

void CSizingControlBar::LoadAllBarSizes(
    DockSite& site, AppSettings& settings, const QString& prefix)
{
    for (ControlBar* bar : site.GetControlBars()) {
        if (auto* sizing = qobject_cast<CSizingControlBar*>(bar))
            sizing->LoadBarSizes(settings, prefix);
    }
    site.DelayRecalcLayout();
}

void CSizingControlBar::SaveAllBarSizes(
    DockSite& site, AppSettings& settings, const QString& prefix)
{
    for (ControlBar* bar : site.GetControlBars()) {
        if (auto* sizing = qobject_cast<CSizingControlBar*>(bar))
            sizing->SaveBarSizes(settings, prefix);
    }
}

int CSizingControlBar::Length() const
{
    return IsDockedHorizontally() ? sizeHorz.width() : sizeVert.height();
}

int CSizingControlBar::Thickness() const
{
    return IsDockedHorizontally() ? sizeHorz.height() : sizeVert.width();
}

void CSizingControlBar::SetLength(int length)
{
    if (IsDockedHorizontally())
        sizeHorz.setWidth(length);
    else
        sizeVert.setHeight(length);
}

void CSizingControlBar::SetThickness(int thickness)
{
    if (IsDockedHorizontally())
        sizeHorz.setHeight(thickness);
    else
        sizeVert.setWidth(thickness);
}

QList<CSizingControlBar*> CSizingControlBar::RowSizingBars(int* index) const
{
    QList<CSizingControlBar*> row;
    if (index)
        *index = -1;
    const DockBar* dockBar = GetDockBar();
    if (!dockBar)
        return row;
    const auto [first, last] = dockBar->RowRange(this);
    for (int i = first; i >= 0 && i <= last; ++i) {
        auto* sizing = qobject_cast<CSizingControlBar*>(dockBar->GetBars()[i]);
        if (!sizing || !sizing->IsVisibleBar())
            continue;
        if (sizing == this && index)
            *index = int(row.size());
        row.append(sizing);
    }
    return row;
}

std::vector<RowGeometry::RowBar> CSizingControlBar::RowBars(
    const QList<CSizingControlBar*>& row) const
{
    const bool horizontal = IsDockedHorizontally();
    std::vector<RowGeometry::RowBar> bars;
    for (const CSizingControlBar* bar : row) {
        bars.push_back({ true, horizontal ? bar->sizeHorz.width() : bar->sizeVert.height(),
            horizontal ? bar->sizeHorz.height() : bar->sizeVert.width(),
            horizontal ? bar->minSizeHorz.width() : bar->minSizeVert.height(), bar->keepSize });
    }
    return bars;
}

QSize CSizingControlBar::CalcFixedLayout(bool stretch, bool horizontal)
{
    if (stretch)
        return horizontal ? QSize(32767, sizeHorz.height()) : QSize(sizeVert.width(), 32767);
    DockBar* dockBar = GetDockBar();
    if (dockBar && IsVisibleBar() && !IsFloating() && parentSizing) {
        // A dock bar squeezed to nothing measures the row against the whole frame instead, so
        // that the bars keep their lengths for when the frame grows again.
        int layoutLength = dockBar->LayoutLength();
        if (const DockSite* site = GetDockSite(); layoutLength <= 0 && site)
            layoutLength = horizontal ? site->width() : site->height();
        const int length = horizontal ? layoutLength + 2 : layoutLength - 2;
        int index = -1;
        RowSizingBars(&index);
        if (index == 0 && FitRow(length, horizontal))
            PlaceRowBars();
    }
    parentSizing = false;
    return horizontal ? sizeHorz.expandedTo(minSizeHorz) : sizeVert.expandedTo(minSizeVert);
}

QSize CSizingControlBar::CalcDynamicLayout(int length, int mode)
{
    if (mode & (LM_HORZDOCK | LM_VERTDOCK)) {
        if (length == -1)
            parentSizing = true;
        return CalcFixedLayout(mode & LM_STRETCH, mode & LM_HORZ);
    }
    if (mode & (LM_MRUWIDTH | LM_COMMIT))
        return sizeFloat;
    if (mode & LM_LENGTHY)
        sizeFloat.setHeight(length);
    else
        sizeFloat.setWidth(length);
    sizeFloat = sizeFloat.expandedTo(minSizeFloat);
    return sizeFloat;
}

bool CSizingControlBar::FitRow(int length, bool horizontal)
{
    DockBar* dockBar = GetDockBar();
    const auto [first, last] = dockBar->RowRange(this);
    std::vector<ControlBar*> visible;
    std::vector<RowGeometry::RowBar> row;
    int self = -1;
    for (int i = first; i >= 0 && i <= last; ++i) {
        ControlBar* bar = dockBar->GetBars()[i];
        if (!bar->IsVisibleBar())
            continue;
        if (bar == this)
            self = int(row.size());
        if (auto* sizing = qobject_cast<CSizingControlBar*>(bar)) {
            row.push_back({ true, horizontal ? sizing->sizeHorz.width() : sizing->sizeVert.height(),
                horizontal ? sizing->sizeHorz.height() : sizing->sizeVert.width(),
                horizontal ? sizing->minSizeHorz.width() : sizing->minSizeVert.height(),
                sizing->keepSize });
        } else {
            const QSize size = bar->CalcFixedLayout(false, horizontal);
            const int barLength = horizontal ? size.width() : size.height();
            row.push_back(
                { false, barLength, horizontal ? size.height() : size.width(), barLength, false });
        }
        visible.push_back(bar);
    }
    const RowGeometry::FitRowResult result = RowGeometry::FitRow(row, self, length);
    for (size_t i = 0; i < visible.size(); ++i) {
        auto* sizing = qobject_cast<CSizingControlBar*>(visible[i]);
        if (!sizing)
            continue;
        sizing->keepSize = row[i].keepSize;
        if (horizontal)
            sizing->sizeHorz = QSize(row[i].length, row[i].width);
        else
            sizing->sizeVert = QSize(row[i].width, row[i].length);
    }
    if (result.separatorBefore >= 0)
        dockBar->InsertSeparatorBefore(visible[size_t(result.separatorBefore)]);
    return result.fitted;
}

void CSizingControlBar::PlaceRowBars()
{
    DockBar* dockBar = GetDockBar();
    if (!dockBar)
        return;
    const bool horizontal = IsDockedHorizontally();
    const auto [first, last] = dockBar->RowRange(this);
    std::vector<ControlBar*> visible;
    std::vector<RowGeometry::RowBar> row;
    for (int i = first; i >= 0 && i <= last; ++i) {
        ControlBar* bar = dockBar->GetBars()[i];
        if (!bar->IsVisibleBar())
            continue;
        QSize size = bar->size();
        if (auto* sizing = qobject_cast<CSizingControlBar*>(bar))
            size = horizontal ? sizing->sizeHorz : sizing->sizeVert;
        row.push_back({ true, horizontal ? size.width() : size.height(), 0, 0, false });
        visible.push_back(bar);
    }
    const std::vector<int> positions = RowGeometry::RowPositions(row, horizontal);
    bool moved = false;
    for (size_t i = 0; i < visible.size(); ++i) {
        QRect rect = visible[i]->geometry();
        if (qobject_cast<CSizingControlBar*>(visible[i])) {
            const auto* sizing = static_cast<CSizingControlBar*>(visible[i]);
            rect.setSize(horizontal ? sizing->sizeHorz : sizing->sizeVert);
        }
        if ((horizontal ? rect.left() : rect.top()) != positions[i]) {
            if (horizontal)
                rect.moveLeft(positions[i]);
            else
                rect.moveTop(positions[i]);
            visible[i]->setGeometry(rect);
            moved = true;
        }
    }
    DockSite* site = GetDockSite();
    if (moved && site && !site->IsInLayout())
        site->DelayRecalcLayout();
}

void CSizingControlBar::OnShown()
{
    if (!IsFloating())
        keepSize = true;
}

void CSizingControlBar::OnPlaced() { UpdateNonClient(); }

void CSizingControlBar::CalcClientArea(QRect& rect, int id)
{
    const int margin = id == AFX_IDW_DOCKBAR_FLOAT ? 3 : 5;
    rect.adjust(margin, 5, -margin, -margin);
    switch (id) {
    case AFX_IDW_DOCKBAR_TOP:
        edgeStyle |= EdgeBottom;
        break;
    case AFX_IDW_DOCKBAR_LEFT:
        edgeStyle |= EdgeRight;
        break;
    case AFX_IDW_DOCKBAR_RIGHT:
        edgeStyle |= EdgeLeft;
        break;
    case AFX_IDW_DOCKBAR_BOTTOM:
        edgeStyle |= EdgeTop;
        break;
    default:
        break;
    }
}

void CSizingControlBar::UpdateNonClient()
{
    dockBarId = GetDockBarId();
    edgeStyle = 0;
    if (dockBarId && !IsFloating()) {
        int index = -1;
        const QList<CSizingControlBar*> row = RowSizingBars(&index);
        const bool horizontal = IsDockedHorizontally();
        if (index > 0)
            edgeStyle |= horizontal ? EdgeLeft : EdgeTop;
        if (index >= 0 && index < row.size() - 1)
            edgeStyle |= horizontal ? EdgeRight : EdgeBottom;
    }
    QRect client = rect();
    CalcClientArea(client, dockBarId);
    if (client != clientRect) {
        clientRect = client;
        OnClientRectChanged(client);
    }
    update();
}

void CSizingControlBar::OnClientRectChanged(const QRect&) { }

std::optional<QRect> CSizingControlBar::EdgeRect(const QRect& window, int hitCode) const
{
    const bool horizontal = IsDockedHorizontally();
    QRect strip = window;
    switch (hitCode) {
    case HTLEFT:
    case HTRIGHT:
        if (!(edgeStyle & (hitCode == HTLEFT ? EdgeLeft : EdgeRight)))
            return std::nullopt;
        if (hitCode == HTLEFT)
            strip.setWidth(edgeWidth);
        else
            strip.setLeft(window.right() + 1 - edgeWidth);
        if (horizontal)
            strip.adjust(0, edgeWidth, 0, -edgeWidth);
        return strip;
    case HTTOP:
    case HTBOTTOM:
        if (!(edgeStyle & (hitCode == HTTOP ? EdgeTop : EdgeBottom)))
            return std::nullopt;
        if (hitCode == HTTOP)
            strip.setHeight(edgeWidth);
        else
            strip.setTop(window.bottom() + 1 - edgeWidth);
        if (!horizontal)
            strip.adjust(edgeWidth, 0, -edgeWidth, 0);
        return strip;
    default:
        return strip;
    }
}

int CSizingControlBar::HitTest(const QPoint& pos) const
{
    if (!rect().contains(pos))
        return HTNOWHERE;
    if (!IsFloating()) {
        for (int hit : { HTLEFT, HTTOP, HTRIGHT, HTBOTTOM }) {
            const std::optional<QRect> edge = EdgeRect(rect(), hit);
            if (edge && edge->contains(pos))
                return hit;
        }
    }
    return HTCLIENT;
}

bool CSizingControlBar::DragsAlongRow() const
{
    const bool acrossX = trackedEdge == HTLEFT || trackedEdge == HTRIGHT;
    const bool acrossY = trackedEdge == HTTOP || trackedEdge == HTBOTTOM;
    return (acrossX && IsDockedHorizontally()) || (acrossY && IsDockedVertically());
}

void CSizingControlBar::BeginEdgeDrag(int hitCode, const QPoint& globalPos)
{
    DockSite* site = GetDockSite();
    if (!site)
        return;
    trackedEdge = hitCode;
    tracking = true;
    const bool alongX = hitCode == HTLEFT || hitCode == HTRIGHT;
    dragPosition = alongX ? globalPos.x() : globalPos.y();
    const QRect edge
        = EdgeRect(rect(), hitCode).value_or(rect()).translated(mapToGlobal(QPoint(0, 0)));
    dragOffset
        = dragPosition - (alongX ? edge.left() + edge.width() / 2 : edge.top() + edge.height() / 2);
    const bool trailing = hitCode == HTRIGHT || hitCode == HTBOTTOM;
    int index = -1;
    const QList<CSizingControlBar*> row = RowSizingBars(&index);
    RowGeometry::DragRange range { dragPosition, dragPosition };
    if (DragsAlongRow()) {
        range = RowGeometry::RowDragRange(RowBars(row), index, trailing, dragPosition);
    } else {
        const bool horizontal = IsDockedHorizontally();
        int minThickness = 0;
        for (const CSizingControlBar* bar : row)
            minThickness = std::max(
                minThickness, horizontal ? bar->minSizeHorz.height() : bar->minSizeVert.width());
        const QRect client = site->QueryClientRect();
        const QSize least = site->MinClientSize();
        const int room = (horizontal ? client.height() - std::max(2, least.height())
                                     : client.width() - std::max(2, least.width()));
        // A row the site thinned to keep the view's room is dragged from where it shows.
        const int shown = horizontal ? height() : width();
        if (shown < Thickness()) {
            for (CSizingControlBar* bar : row)
                bar->SetThickness(shown);
        }
        range = RowGeometry::CentreDragRange(
            Thickness(), minThickness, room, !trailing, dragPosition);
    }
    dragMinimum = range.minimum;
    dragMaximum = range.maximum;
    // With no room to give (a view squeezed to nothing while the bar is at its minimum) the
    // edge stays where it is rather than taking the bar below its minimum.
    if (dragMinimum > dragMaximum)
        dragMinimum = dragMaximum = dragPosition;
    ToggleDragLine();
}

void CSizingControlBar::DragEdgeTo(const QPoint& globalPos)
{
    if (!tracking)
        return;
    const bool alongX = trackedEdge == HTLEFT || trackedEdge == HTRIGHT;
    const int coordinate
        = std::clamp(alongX ? globalPos.x() : globalPos.y(), dragMinimum, dragMaximum);
    const int delta = coordinate - dragPosition;
    if (delta == 0)
        return;
    ToggleDragLine();
    dragPosition = coordinate;
    const bool trailing = trackedEdge == HTRIGHT || trackedEdge == HTBOTTOM;
    int index = -1;
    const QList<CSizingControlBar*> row = RowSizingBars(&index);
    if (DragsAlongRow()) {
        std::vector<RowGeometry::RowBar> bars = RowBars(row);
        RowGeometry::DragRowEdge(bars, index, trailing, delta);
        for (int i = 0; i < row.size(); ++i)
            row[i]->SetLength(bars[size_t(i)].length);
    } else {
        const int thickness = Thickness() + (trailing ? delta : -delta);
        for (CSizingControlBar* bar : row)
            bar->SetThickness(thickness);
    }
    ToggleDragLine();
    if (dragShowsContent && GetDockSite())
        GetDockSite()->DelayRecalcLayout();
}

void CSizingControlBar::EndEdgeDrag()
{
    if (dragLineShown)
        ToggleDragLine();
    tracking = false;
    if (DockSite* site = GetDockSite())
        site->DelayRecalcLayout();
}

QRect CSizingControlBar::DragLineRect() const
{
    QRect line
        = EdgeRect(rect(), trackedEdge).value_or(QRect()).translated(mapToGlobal(QPoint(0, 0)));
    const bool alongX = trackedEdge == HTLEFT || trackedEdge == HTRIGHT;
    if (!DragsAlongRow()) {
        if (const DockBar* dockBar = GetDockBar()) {
            const QRect dock(dockBar->mapToGlobal(QPoint(0, 0)), dockBar->size());
            if (IsDockedHorizontally()) {
                line.setLeft(dock.left() + 1);
                line.setRight(dock.right() - 1);
            } else {
                line.setTop(dock.top() + 1);
                line.setBottom(dock.bottom() - 1);
            }
        }
    }
    const int middle = alongX ? line.left() + line.width() / 2 : line.top() + line.height() / 2;
    const int shift = dragPosition - dragOffset - middle;
    return alongX ? line.translated(shift, 0) : line.translated(0, shift);
}

void CSizingControlBar::ToggleDragLine()
{
    DockSite* site = GetDockSite();
    if (dragShowsContent || !site)
        return;
    dragLineShown = !dragLineShown;
    site->SetDragLine(dragLineShown ? DragLineRect() : QRect());
}

bool CSizingControlBar::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::StyleChange:
        dragShowsContent = style()->styleHint(QStyle::SH_Splitter_OpaqueResize, nullptr, this);
        break;
    case QEvent::ParentChange:
        dockBarId = GetDockBarId();
        break;
    case QEvent::WindowDeactivate:
        // The mouse went elsewhere (another window, a popup) in the middle of an edge drag.
        if (tracking)
            EndEdgeDrag();
        break;
    case QEvent::WindowTitleChange:
        // A floating frame shows the bar's title.
        if (DockSite* site = GetDockSite()) {
            if (MiniDockFrame* frame = site->GetMiniFrame(this))
                frame->RecalcLayout();
        }
        break;
    default:
        break;
    }
    return ControlBar::event(event);
}

void CSizingControlBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setClipRegion(QRegion(rect()) - QRegion(clientRect));
    painter.fillRect(rect(), palette().color(QPalette::Button));
    PaintGripper(painter, clientRect);
}

void CSizingControlBar::PaintGripper(QPainter&, const QRect&) { }

void CSizingControlBar::resizeEvent(QResizeEvent*) { UpdateNonClient(); }

void CSizingControlBar::mousePressEvent(QMouseEvent* event)
{
    const QPoint globalPos = event->globalPosition().toPoint();
    if (event->button() == Qt::RightButton && tracking) {
        EndEdgeDrag();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const int hit = HitTest(event->position().toPoint());
    if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) {
        if (!tracking && !IsFloating())
            BeginEdgeDrag(hit, globalPos);
    } else if (hit == HTCLIENT && GetDockBar()) {
        StartDockingDrag(globalPos);
    }
}

void CSizingControlBar::mouseMoveEvent(QMouseEvent* event)
{
    // A move without the button means its release went to another window.
    if (tracking && !(event->buttons() & Qt::LeftButton))
        EndEdgeDrag();
    if (tracking) {
        DragEdgeTo(event->globalPosition().toPoint());
        return;
    }
    switch (HitTest(event->position().toPoint())) {
    case HTLEFT:
    case HTRIGHT:
        setCursor(Qt::SplitHCursor);
        break;
    case HTTOP:
    case HTBOTTOM:
        setCursor(Qt::SplitVCursor);
        break;
    default:
        unsetCursor();
        break;
    }
}

void CSizingControlBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (tracking && event->button() == Qt::LeftButton)
        EndEdgeDrag();
}

void CSizingControlBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && HitTest(event->position().toPoint()) == HTCLIENT
        && GetDockBar())
        ToggleDocking();
}
