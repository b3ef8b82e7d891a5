#include "PaneCycle.h"

#include <QApplication>
#include <QWidget>

namespace {

// A pane that scrolls a form takes the focus itself, but the field in the form is what the
// user works in.
QWidget* FocusTarget(QWidget* pane)
{
    if (pane->focusProxy())
        return pane;
    const QList<QWidget*> children = pane->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if ((child->focusPolicy() & Qt::TabFocus) && child->isVisible() && child->isEnabled())
            return child;
    }
    return pane;
}

} // namespace

QWidget* PaneCycle::FocusNext(const QList<QWidget*>& panes, bool forward)
{
    const int count = int(panes.size());
    const QWidget* focus = QApplication::focusWidget();
    int current = 0;
    for (int index = 0; index < count; ++index) {
        const QWidget* pane = panes[index];
        if (pane && focus && (pane == focus || pane->isAncestorOf(focus)))
            current = index;
    }
    for (int step = 1; step < count; ++step) {
        QWidget* pane = panes[(current + (forward ? step : count - step)) % count];
        if (!pane || !pane->isVisible())
            continue;
        // A floating pane lives in a window of its own, which must be active to take keys.
        pane->window()->activateWindow();
        FocusTarget(pane)->setFocus(Qt::ShortcutFocusReason);
        return pane;
    }
    return nullptr;
}
