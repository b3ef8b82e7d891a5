#pragma once

#include "Anchor.h"
#include "LayoutItem.h"

#include <QRect>

#include <vector>

class QWidget;

// Keeps registered child controls anchored to their window's layout area while it is resized.
// Qt paints children double-buffered and never erases them with the parent's background, so
// unlike the background-clipping layouts of other toolkits nothing is cut out of any region.
class ResizableLayout {
public:
    struct Move {
        QWidget* window = nullptr;
        QRect rect;
    };

    ResizableLayout() = default;
    ResizableLayout(const ResizableLayout&) = delete;
    ResizableLayout& operator=(const ResizableLayout&) = delete;
    virtual ~ResizableLayout() = default;

    // control must be a descendant of GetLayoutWindow().
    void AnchorControl(QWidget* control, Anchor topLeft, Anchor bottomRight = AnchorNone);
    // Moves and sizes all registered controls to the current client size in one batch.
    void ArrangeControls();
    // The moves ArrangeControls makes for a client of the given size: controls already in place
    // and controls that no longer exist are left out.
    std::vector<Move> PlanArrangement(QSize client) const;

    const std::vector<LayoutItem>& Items() const { return items; }

protected:
    // The reference rectangle when anchoring; the base gives the layout window's client rectangle.
    virtual QRect GetLayoutArea() const;
    virtual QWidget* GetLayoutWindow() const = 0;

private:
    QRect RectInOwner(const QWidget* control) const;

    std::vector<LayoutItem> items;
};
