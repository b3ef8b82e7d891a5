#pragma once

#include <QCursor>

#include <array>

// The three cursors shown while a branch is dragged in the tree: black and white drawings of
// 32 × 32 logical pixels, made once per view.
class DragCursors {
public:
    enum Kind {
        // An arrow with a small box: a drop here moves the branch.
        Move,
        // A circle with a diagonal bar: no drop here.
        NoDrop,
        // An arrow with a small box and a plus sign: a drop here copies the branch.
        Copy,
    };

    DragCursors();
    const QCursor& Cursor(Kind kind) const { return cursors[kind]; }

    // A fresh drawing of the cursor, for comparing with what a widget shows. scale: device
    // pixels per logical pixel; the hot spot is in logical pixels.
    static QCursor Draw(Kind kind, qreal scale);
    // The highest density of the screens, at which the view's cursors are drawn.
    static qreal Scale();

private:
    std::array<QCursor, 3> cursors;
};
