#pragma once

#include <QCursor>

#include <array>

// The three cursors shown while a branch is dragged in the tree: black and white 32 × 32
// drawings, made once per view.
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

    // A fresh drawing of the cursor, for comparing with what a widget shows.
    static QCursor Draw(Kind kind);

private:
    std::array<QCursor, 3> cursors;
};
