#include "ResizableLayout.h"

#include <QWidget>

void ResizableLayout::AnchorControl(QWidget* control, Anchor topLeft, Anchor bottomRight)
{
    const QRect area = GetLayoutArea();
    items.push_back(
        LayoutItem::Make(control, RectInOwner(control), area.size(), topLeft, bottomRight));
}

void ResizableLayout::ArrangeControls()
{
    QWidget* owner = GetLayoutWindow();
    const std::vector<Move> moves = PlanArrangement(owner->rect().size());
    if (moves.empty())
        return;
    // Painting stays off until every control is in place, so a border drag shows no
    // intermediate states where one control has moved and its neighbour has not.
    const bool updates = owner->updatesEnabled();
    owner->setUpdatesEnabled(false);
    for (const Move& move : moves) {
        QWidget* parent = move.window->parentWidget();
        const QPoint topLeft
            = parent == owner ? move.rect.topLeft() : parent->mapFrom(owner, move.rect.topLeft());
        move.window->setGeometry(QRect(topLeft, move.rect.size()));
    }
    owner->setUpdatesEnabled(updates);
}

std::vector<ResizableLayout::Move> ResizableLayout::PlanArrangement(QSize client) const
{
    std::vector<Move> moves;
    moves.reserve(items.size());
    for (const LayoutItem& item : items) {
        if (!item.window)
            continue;
        const QRect rect = item.Place(client);
        if (rect == RectInOwner(item.window))
            continue;
        moves.push_back({ item.window, rect });
    }
    return moves;
}

QRect ResizableLayout::GetLayoutArea() const { return GetLayoutWindow()->rect(); }

QRect ResizableLayout::RectInOwner(const QWidget* control) const
{
    const QWidget* owner = GetLayoutWindow();
    const QWidget* parent = control->parentWidget();
    if (parent == owner)
        return control->geometry();
    return QRect(parent->mapTo(owner, control->pos()), control->size());
}
