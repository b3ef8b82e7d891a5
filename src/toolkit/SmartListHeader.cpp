#include "SmartListHeader.h"
#include "SmartList.h"

#include <QMouseEvent>
#include <QPainter>

SmartListHeader::SmartListHeader(SmartList* list)
    : QHeaderView(Qt::Horizontal, list)
    , list(list)
{
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

    if (logicalIndex == list->sortColumn)
        DrawSortArrow(*painter, SortArrowPosition(item, justify & Qt::AlignRight));
    painter->restore();
}

void SmartListHeader::DrawSortArrow(QPainter& painter, const QPoint& topLeft) const
{
    // Two thirds of the way from the face to the text colour: dark grey on a light face, light
    // grey on a dark one. Drawn rather than loaded, it stays sharp on a screen of any density.
    const QColor text = palette().color(QPalette::ButtonText);
    const QColor face = palette().color(QPalette::Button);
    const auto mix = [](int ink, int paper) { return (2 * ink + paper + 1) / 3; };
    const QColor ink(mix(text.red(), face.red()), mix(text.green(), face.green()),
        mix(text.blue(), face.blue()));
    // Four steps two pixels high, 2 to 8 pixels wide, centred in the 10 × 12 cell; the tip is
    // at the top when ascending.
    for (int step = 0; step < 4; ++step) {
        const int row = list->sortAscending ? 2 + 2 * step : 8 - 2 * step;
        painter.fillRect(QRect(topLeft + QPoint(4 - step, row), QSize(2 + 2 * step, 2)), ink);
    }
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
