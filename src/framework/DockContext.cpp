#include "DockContext.h"

#include "CSizingControlBar.h"
#include "ControlBar.h"
#include "DockBar.h"
#include "DockIds.h"
#include "DockSite.h"
#include "MiniDockFrame.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRubberBand>

namespace {
// How far inside a side of the site a bar dragged there docks.
constexpr int snap = 16;
}

DockContext::DockContext(DockSite* dockSite)
    : QObject(dockSite)
    , site(dockSite)
{
}

DockContext::~DockContext() = default;

void DockContext::StartDrag(ControlBar* dragged, const QPoint& globalPos)
{
    if (bar)
        return;
    bar = dragged;
    start = globalPos;
    moved = false;
    const MiniDockFrame* frame = site->GetMiniFrame(dragged);
    offset = (frame ? frame->pos() : dragged->mapToGlobal(QPoint(0, 0))) - globalPos;
    qApp->installEventFilter(this);
}

DockGeometry::DockTarget DockContext::TargetAt(const QPoint& globalPos) const
{
    std::vector<DockGeometry::DockBarGeometry> geometry;
    for (int id : { AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM, AFX_IDW_DOCKBAR_LEFT,
             AFX_IDW_DOCKBAR_RIGHT }) {
        const DockBar* dockBar = site->GetDockBar(id);
        DockGeometry::DockBarGeometry entry;
        entry.id = id;
        entry.rect = QRect(dockBar->mapToGlobal(QPoint(0, 0)), dockBar->size());
        // Rows of the visible layout, reported as rows of the whole list.
        const auto& extents = dockBar->RowExtents();
        for (size_t i = 0; i < extents.size(); ++i)
            entry.rows.push_back(extents[i]);
        geometry.push_back(entry);
    }
    QSize horz = bar->CalcFixedLayout(false, true);
    QSize vert = bar->CalcFixedLayout(false, false);
    QSize floating = bar->sizeHint();
    if (const auto* sizing = qobject_cast<const CSizingControlBar*>(bar.data())) {
        horz = sizing->sizeHorz;
        vert = sizing->sizeVert;
        floating = sizing->sizeFloat;
    }
    const QRect area(site->mapToGlobal(QPoint(0, 0)), site->size());
    const QRect floatRect(globalPos + offset, floating + MiniDockFrame::DecorationSize());
    // The whole window counts: the status bar below the site is where a drag aimed at the
    // bottom ends as often as not, and the menu bar the same for the top.
    const QWidget* window = site->window();
    const QRect reach
        = window == site ? area : QRect(window->mapToGlobal(QPoint(0, 0)), window->size());
    DockGeometry::DockTarget target = DockGeometry::FindDockTarget(
        globalPos, area, geometry, horz, vert, floatRect, snap, reach);
    // Map a visible row back to its row in the dock bar's list, which may hold hidden rows.
    if (target.dockBarId) {
        const auto& visible = site->GetDockBar(target.dockBarId)->VisibleRows();
        if (target.row < int(visible.size()))
            target.row = visible[size_t(target.row)];
        else if (!visible.empty())
            target.row = visible.back() + 1;
    }
    return target;
}

bool DockContext::IsOutlineVisible() const { return outline && outline->isVisible(); }

void DockContext::MoveTo(const QPoint& globalPos)
{
    if (!moved && (globalPos - start).manhattanLength() < QApplication::startDragDistance())
        return;
    moved = true;
    if (!outline)
        outline = std::make_unique<QRubberBand>(QRubberBand::Rectangle);
    outline->setGeometry(TargetAt(globalPos).outline);
    outline->show();
}

void DockContext::EndDrag(bool apply, const QPoint& globalPos)
{
    qApp->removeEventFilter(this);
    if (outline)
        outline->hide();
    ControlBar* dragged = bar;
    if (!apply || !moved || !dragged) {
        bar = nullptr;
        return;
    }
    const DockGeometry::DockTarget target = TargetAt(globalPos);
    bar = nullptr;
    if (target.dockBarId)
        site->DockControlBar(dragged, target.dockBarId, target.row, target.newRow);
    else
        site->FloatControlBar(dragged, globalPos + offset);
}

bool DockContext::eventFilter(QObject* watched, QEvent* event)
{
    if (!bar)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
        MoveTo(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    case QEvent::MouseButtonRelease:
        EndDrag(true, static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            EndDrag(false, QPoint());
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
