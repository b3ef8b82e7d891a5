#include "SmartListHeader.h"
#include "SmartList.h"

#include <QMouseEvent>
#include <QPainter>

SmartListHeader::SmartListHeader(SmartList* list)
    : QHeaderView(Qt::Horizontal, list)
    , list(list)
{
    // The images are compiled into this static library, whose resource initialiser the linker
    // would otherwise drop.
    Q_INIT_RESOURCE(toolkit);
    ascendingArrow.load(QStringLiteral(":/toolkit/sort-ascending.xpm"));
    descendingArrow.load(QStringLiteral(":/toolkit/sort-descending.xpm"));
    connect(this, &QHeaderView::sectionPressed, this, [this](int logicalIndex) {
        pressedSection = logicalIndex;
        viewport()->update();
    });
    connect(this, &QHeaderView::sectionResized, this, [this] {
        if (buttonDown)
            resizedWhileDown = true;
    });
}

void SmartListHeader::SetOwnerDrawn(bool on)
{
    ownerDrawn = on;
    viewport()->update();
}

QPoint SmartListHeader::SortArrowPosition(const QRect& section, bool rightJustified)
{
    const int right = section.left() + section.width();
    const int x = rightJustified ? section.left() + 4 : right - 14;
    return QPoint(x, section.top() + section.height() / 2 - 6);
}

void SmartListHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!ownerDrawn) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    painter->save();
    painter->fillRect(rect, palette().color(QPalette::Button));
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());

    const bool pressed = logicalIndex == pressedSection;
    const QRect item = pressed ? rect.translated(1, 1) : rect;
    const QString text
        = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString().left(1024);
    const Qt::Alignment justify
        = Qt::Alignment(
              model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole).toInt())
        & Qt::AlignHorizontal_Mask;
    painter->setFont(list->font());
    painter->setPen(palette().color(QPalette::ButtonText));
    painter->drawText(item.translated(3, 0),
        Qt::TextSingleLine | Qt::AlignVCenter | (justify ? justify : Qt::AlignLeft), text);

    if (logicalIndex == list->sortColumn) {
        const QPixmap& arrow = list->sortAscending ? ascendingArrow : descendingArrow;
        painter->drawPixmap(SortArrowPosition(item, justify & Qt::AlignRight), arrow);
    }
    painter->restore();
}

void SmartListHeader::mousePressEvent(QMouseEvent* event)
{
    buttonDown = event->button() == Qt::LeftButton;
    resizedWhileDown = false;
    QHeaderView::mousePressEvent(event);
}

void SmartListHeader::mouseReleaseEvent(QMouseEvent* event)
{
    QHeaderView::mouseReleaseEvent(event);
    const bool dragged = buttonDown && resizedWhileDown;
    buttonDown = false;
    resizedWhileDown = false;
    if (pressedSection != -1) {
        pressedSection = -1;
        viewport()->update();
    }
    if (dragged)
        emit DividerDragEnded();
}
