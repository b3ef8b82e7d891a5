#pragma once

#include <QList>

class QWidget;

// Moves the keyboard focus from one pane of a window to the next or the previous one, round
// the end, passing over the panes that are not shown: what F6 and Shift+F6 do.
class PaneCycle {
public:
    // panes: in their order, the main view first. A pane gives the focus to its focus proxy,
    // else to its first child that takes it from Tab, else takes it itself. The focus goes on
    // from the pane that holds it, or from the first pane when none does. Returns the pane that
    // got the focus, or null when no other pane is shown.
    static QWidget* FocusNext(const QList<QWidget*>& panes, bool forward);
};
