#pragma once

#include "DockGeometry.h"

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <memory>

class ControlBar;
class DockSite;
class QRubberBand;

// The drag of a control bar to another place: while the mouse moves, an outline shows where the
// bar would go (docked on the nearest side, in a row, or floating); releasing the button puts it
// there, Escape cancels.
class DockContext : public QObject {
    Q_OBJECT

public:
    explicit DockContext(DockSite* site);
    ~DockContext() override;

    void StartDrag(ControlBar* bar, const QPoint& globalPos);
    bool IsDragging() const { return bar != nullptr; }
    // Where the bar would go with the mouse at globalPos.
    DockGeometry::DockTarget TargetAt(const QPoint& globalPos) const;
    // Whether the outline is showing.
    bool IsOutlineVisible() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MoveTo(const QPoint& globalPos);
    void EndDrag(bool apply, const QPoint& globalPos);

    DockSite* site;
    QPointer<ControlBar> bar;
    QPoint start;
    // From the mouse to the top-left corner of the floating frame the bar would get.
    QPoint offset;
    bool moved = false;
    std::unique_ptr<QRubberBand> outline;
};
