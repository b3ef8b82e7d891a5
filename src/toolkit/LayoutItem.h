#pragma once

#include "Anchor.h"

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

// One control tied to a layout area: each corner keeps a fixed pixel offset from its anchor.
// Rectangles here are edge-exclusive on the right and bottom (right = left + width).
struct LayoutItem {
    QPointer<QWidget> window;
    Anchor topLeft;
    int leftOffset = 0;
    int topOffset = 0;
    Anchor bottomRight;
    int rightOffset = 0;
    int bottomOffset = 0;

    // The pixel position of percent of extent; the division truncates toward zero.
    static int AnchorPoint(int extent, int percent) { return extent * percent / 100; }

    // The item for a control at rect (in the owner's client coordinates) of an area of the
    // given size. AnchorNone as bottomRight stands for topLeft.
    static LayoutItem Make(
        QWidget* window, const QRect& rect, QSize area, Anchor topLeft, Anchor bottomRight);

    // Where the control goes in a client area of the given size.
    QRect Place(QSize client) const;
};
