#include "ControlBar.h"

#include "DockBar.h"
#include "DockIds.h"
#include "DockSite.h"

ControlBar::ControlBar(QWidget* parent)
    : QWidget(parent)
{
}

DockBar* ControlBar::GetDockBar() const { return qobject_cast<DockBar*>(parentWidget()); }

int ControlBar::GetDockBarId() const
{
    const DockBar* dockBar = GetDockBar();
    return dockBar ? dockBar->GetBarId() : 0;
}

bool ControlBar::IsFloating() const { return GetDockBarId() == AFX_IDW_DOCKBAR_FLOAT; }

bool ControlBar::IsDockedHorizontally() const { return IsHorizontalDockBar(GetDockBarId()); }

bool ControlBar::IsDockedVertically() const { return IsVerticalDockBar(GetDockBarId()); }

bool ControlBar::IsVisibleBar() const
{
    if (pendingShow >= 0)
        return pendingShow == 1;
    return !isHidden();
}

QSize ControlBar::CalcFixedLayout(bool stretch, bool horizontal)
{
    const QSize hint = sizeHint().expandedTo(QSize(1, 1));
    if (stretch)
        return horizontal ? QSize(32767, hint.height()) : QSize(hint.width(), 32767);
    return hint;
}

QSize ControlBar::CalcDynamicLayout(int, int mode)
{
    return CalcFixedLayout(mode & LM_STRETCH, mode & LM_HORZ);
}

void ControlBar::StartDockingDrag(const QPoint& globalPos)
{
    if (dockSite)
        dockSite->StartDockingDrag(this, globalPos);
}

void ControlBar::ToggleDocking()
{
    if (dockSite)
        dockSite->ToggleDocking(this);
}
