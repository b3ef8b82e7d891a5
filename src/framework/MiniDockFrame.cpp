#include "MiniDockFrame.h"

#include "CSizingControlBar.h"
#include "ControlBar.h"
#include "DockBar.h"
#include "DockIds.h"
#include "DockSite.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>

MiniDockFrame::MiniDockFrame(DockSite* dockSite, ControlBar* floatingBar)
    : QWidget(dockSite->window(), Qt::Tool | Qt::FramelessWindowHint)
    , site(dockSite)
    , bar(floatingBar)
    , dockBar(new DockBar(AFX_IDW_DOCKBAR_FLOAT, this))
{
    setMouseTracking(true);
    dockBar->move(borderWidth, borderWidth + titleHeight);
    bar->setParent(dockBar);
    dockBar->InsertBar(bar, 0, true);
    setWindowTitle(bar->windowTitle());
}

QSize MiniDockFrame::DecorationSize()
{
    return QSize(2 * borderWidth, 2 * borderWidth + titleHeight);
}

void MiniDockFrame::RecalcLayout()
{
    if (!bar)
        return;
    const QSize size = bar->CalcDynamicLayout(0, LM_MRUWIDTH);
    dockBar->resize(size);
    bar->setGeometry(QRect(QPoint(0, 0), size));
    bar->OnPlaced();
    resize(size + DecorationSize());
    if (windowTitle() != bar->windowTitle())
        setWindowTitle(bar->windowTitle());
    update();
}

QRect MiniDockFrame::CloseRect() const
{
    return QRect(width() - borderWidth - 14, borderWidth + 2, 12, 12);
}

int MiniDockFrame::HitTest(const QPoint& pos) const
{
    if (!rect().contains(pos))
        return HTNOWHERE;
    // Corners reach a little further along the sides so they are easy to catch.
    const int corner = borderWidth + 8;
    const bool left = pos.x() < borderWidth;
    const bool right = pos.x() >= width() - borderWidth;
    const bool top = pos.y() < borderWidth;
    const bool bottom = pos.y() >= height() - borderWidth;
    const bool nearLeft = pos.x() < corner;
    const bool nearRight = pos.x() >= width() - corner;
    const bool nearTop = pos.y() < corner;
    const bool nearBottom = pos.y() >= height() - corner;
    if ((top && nearLeft) || (left && nearTop))
        return HTTOPLEFT;
    if ((top && nearRight) || (right && nearTop))
        return HTTOPRIGHT;
    if ((bottom && nearLeft) || (left && nearBottom))
        return HTBOTTOMLEFT;
    if ((bottom && nearRight) || (right && nearBottom))
        return HTBOTTOMRIGHT;
    if (left)
        return HTLEFT;
    if (right)
        return HTRIGHT;
    if (top)
        return HTTOP;
    if (bottom)
        return HTBOTTOM;
    if (CloseRect().contains(pos))
        return HTCLOSE;
    if (pos.y() < borderWidth + titleHeight)
        return HTCAPTION;
    return HTCLIENT;
}

void MiniDockFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.color(QPalette::Button));
    painter.setPen(pal.color(QPalette::Shadow));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(pal.color(QPalette::Light));
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
    const QRect title(borderWidth, borderWidth, width() - 2 * borderWidth, titleHeight);
    const bool active = isActiveWindow();
    const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;
    painter.fillRect(title, pal.color(group, QPalette::Highlight));
    painter.setPen(pal.color(group, QPalette::HighlightedText));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(11);
    painter.setFont(font);
    const QRect text = title.adjusted(4, 0, -CloseRect().width() - 4, 0);
    painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
        painter.fontMetrics().elidedText(windowTitle(), Qt::ElideRight, text.width()));
    const QRect close = CloseRect();
    painter.fillRect(close, pal.color(QPalette::Button));
    painter.setPen(QPen(pal.color(QPalette::ButtonText), 1.5));
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF cross = QRectF(close).adjusted(3.5, 3.5, -3.5, -3.5);
    painter.drawLine(cross.topLeft(), cross.bottomRight());
    painter.drawLine(cross.topRight(), cross.bottomLeft());
}

void MiniDockFrame::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !bar)
        return;
    const int hit = HitTest(event->position().toPoint());
    if (hit == HTCAPTION) {
        site->StartDockingDrag(bar, event->globalPosition().toPoint());
    } else if (hit == HTCLOSE) {
        closePressed = true;
    } else if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) {
        resizeHit = hit;
    }
}

void MiniDockFrame::mouseMoveEvent(QMouseEvent* event)
{
    auto* sizing = qobject_cast<CSizingControlBar*>(bar.data());
    if (resizeHit && sizing) {
        const QRect frame = geometry();
        const QRect barRect(sizing->mapToGlobal(QPoint(0, 0)), sizing->size());
        const BarSizes::FloatingResize resized
            = sizing->ResizeFloating(resizeHit, event->globalPosition().toPoint(), frame, barRect);
        sizing->sizeFloat = resized.sizeFloat;
        move(resized.frameTopLeft);
        RecalcLayout();
        return;
    }
    switch (HitTest(event->position().toPoint())) {
    case HTLEFT:
    case HTRIGHT:
        setCursor(Qt::SizeHorCursor);
        break;
    case HTTOP:
    case HTBOTTOM:
        setCursor(Qt::SizeVerCursor);
        break;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
        setCursor(Qt::SizeFDiagCursor);
        break;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
        setCursor(Qt::SizeBDiagCursor);
        break;
    default:
        unsetCursor();
        break;
    }
}

void MiniDockFrame::mouseReleaseEvent(QMouseEvent* event)
{
    resizeHit = 0;
    if (closePressed && HitTest(event->position().toPoint()) == HTCLOSE && bar)
        site->ShowControlBar(bar, false, false);
    closePressed = false;
}

void MiniDockFrame::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (bar && HitTest(event->position().toPoint()) == HTCAPTION)
        site->ToggleDocking(bar);
}

void MiniDockFrame::closeEvent(QCloseEvent* event)
{
    // Closed from outside, by a window manager: the bar is hidden as by the close box, so that
    // the frame's commands see it hidden and show it again.
    event->ignore();
    if (bar)
        site->ShowControlBar(bar, false, false);
    else
        hide();
}
