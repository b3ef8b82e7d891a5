#include "CSizingControlBarG.h"

#include "DockIds.h"
#include "DockSite.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

CSizingControlBarG::CSizingControlBarG(QWidget* parent)
    : CSizingControlBar(parent)
{
}

QRect CSizingControlBarG::CloseButtonRect() const
{
    return QRect(closeButton.pos, QSize(closeButtonSize, closeButtonSize));
}

void CSizingControlBarG::CalcClientArea(QRect& rect, int id)
{
    CSizingControlBar::CalcClientArea(rect, id);
    if (!ShowsGripper())
        return;
    if (IsHorizontalDockBar(id)) {
        rect.setLeft(rect.left() + gripperSize);
        closeButton.pos = QPoint(rect.left() - 13, rect.top());
    } else {
        rect.setTop(rect.top() + gripperSize);
        closeButton.pos = QPoint(rect.right() + 1 - 12, rect.top() - 13);
    }
}

int CSizingControlBarG::HitTest(const QPoint& pos) const
{
    const int hit = CSizingControlBar::HitTest(pos);
    if (hit == HTCLIENT && ShowsGripper() && CloseButtonRect().contains(pos))
        return HTCLOSE;
    return hit;
}

void CSizingControlBarG::PaintGripper(QPainter& painter, const QRect& client)
{
    if (!ShowsGripper())
        return;
    const QRect r = client.adjusted(1, 1, -1, -1);
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    // Two raised lines, each a highlight and a shadow stroke, 3 pixels apart.
    for (int line = 0; line < 2; ++line) {
        QRect band;
        if (IsDockedHorizontally()) {
            band = QRect(QPoint(r.left() - 12 + 3 * line, closeButton.pos.y() + 14),
                QPoint(r.left() - 12 + 3 * line + 2, r.bottom()));
        } else {
            band = QRect(QPoint(r.left(), r.top() - 12 + 3 * line),
                QPoint(closeButton.pos.x() - 4, r.top() - 12 + 3 * line + 2));
        }
        painter.setPen(light);
        painter.drawLine(band.topLeft(), band.topRight());
        painter.drawLine(band.topLeft(), band.bottomLeft());
        painter.setPen(shadow);
        painter.drawLine(band.bottomLeft(), band.bottomRight());
        painter.drawLine(band.topRight(), band.bottomRight());
    }
    PaintCloseButton(painter);
}

void CSizingControlBarG::PaintCloseButton(QPainter& painter)
{
    const QRect button = CloseButtonRect();
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    if (closeButton.pushed || closeButton.hot) {
        const QColor topLeft = closeButton.pushed ? shadow : light;
        const QColor bottomRight = closeButton.pushed ? light : shadow;
        painter.setPen(topLeft);
        painter.drawLine(button.topLeft(), button.topRight());
        painter.drawLine(button.topLeft(), button.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(button.bottomLeft(), button.bottomRight());
        painter.drawLine(button.topRight(), button.bottomRight());
    }
    // The cross stays in place in all three looks; only the frame around it changes.
    const QRectF cross = QRectF(button).adjusted(3, 3, -3, -3);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::ButtonText), 1.4));
    painter.drawLine(cross.topLeft(), cross.bottomRight());
    painter.drawLine(cross.topRight(), cross.bottomLeft());
    painter.restore();
}

void CSizingControlBarG::UpdateCloseButton(const QPoint& pos, bool leftDown)
{
    if (!ShowsGripper())
        return;
    const bool onButton = HitTest(pos) == HTCLOSE;
    const bool pushed = onButton && leftDown;
    const bool hot = onButton && !leftDown;
    if (pushed != closeButton.pushed || hot != closeButton.hot) {
        closeButton.pushed = pushed;
        closeButton.hot = hot;
        update();
    }
}

void CSizingControlBarG::OnUpdateCmdUI()
{
    UpdateCloseButton(mapFromGlobal(QCursor::pos()), QApplication::mouseButtons() & Qt::LeftButton);
}

void CSizingControlBarG::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && HitTest(event->position().toPoint()) == HTCLOSE) {
        closePressed = true;
        UpdateCloseButton(event->position().toPoint(), true);
        return;
    }
    CSizingControlBar::mousePressEvent(event);
}

void CSizingControlBarG::mouseMoveEvent(QMouseEvent* event)
{
    CSizingControlBar::mouseMoveEvent(event);
    UpdateCloseButton(event->position().toPoint(), event->buttons() & Qt::LeftButton);
}

void CSizingControlBarG::mouseReleaseEvent(QMouseEvent* event)
{
    if (closePressed && event->button() == Qt::LeftButton) {
        closePressed = false;
        const bool onButton = HitTest(event->position().toPoint()) == HTCLOSE;
        UpdateCloseButton(event->position().toPoint(), false);
        if (onButton && GetDockSite())
            GetDockSite()->ShowControlBar(this, false, false);
        return;
    }
    CSizingControlBar::mouseReleaseEvent(event);
}

void CSizingControlBarG::leaveEvent(QEvent* event)
{
    UpdateCloseButton(QPoint(-1, -1), false);
    CSizingControlBar::leaveEvent(event);
}
