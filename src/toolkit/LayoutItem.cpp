#include "LayoutItem.h"

LayoutItem LayoutItem::Make(
    QWidget* window, const QRect& rect, QSize area, Anchor topLeft, Anchor bottomRight)
{
    if (bottomRight == AnchorNone)
        bottomRight = topLeft;
    LayoutItem item;
    item.window = window;
    item.topLeft = topLeft;
    item.bottomRight = bottomRight;
    item.leftOffset = rect.left() - AnchorPoint(area.width(), topLeft.x);
    item.topOffset = rect.top() - AnchorPoint(area.height(), topLeft.y);
    item.rightOffset = rect.left() + rect.width() - AnchorPoint(area.width(), bottomRight.x);
    item.bottomOffset = rect.top() + rect.height() - AnchorPoint(area.height(), bottomRight.y);
    return item;
}

QRect LayoutItem::Place(QSize client) const
{
    const int left = AnchorPoint(client.width(), topLeft.x) + leftOffset;
    const int top = AnchorPoint(client.height(), topLeft.y) + topOffset;
    const int right = AnchorPoint(client.width(), bottomRight.x) + rightOffset;
    const int bottom = AnchorPoint(client.height(), bottomRight.y) + bottomOffset;
    return QRect(left, top, right - left, bottom - top);
}
