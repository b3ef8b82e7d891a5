#include "ControlToolBar.h"

#include "DockIds.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolBar>

ControlToolBar::ControlToolBar(QWidget* parent)
    : ControlBar(parent)
    , toolBar(new QToolBar(this))
{
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
}

bool ControlToolBar::RunsAcross() const { return !IsDockedVertically(); }

QSize ControlToolBar::CalcFixedLayout(bool stretch, bool horizontal)
{
    toolBar->setOrientation(horizontal ? Qt::Horizontal : Qt::Vertical);
    const QSize hint = toolBar->sizeHint();
    QSize size = horizontal ? QSize(hint.width() + gripperWidth, hint.height())
                            : QSize(hint.width(), hint.height() + gripperWidth);
    if (stretch)
        size = horizontal ? QSize(32767, size.height()) : QSize(size.width(), 32767);
    return size;
}

QSize ControlToolBar::CalcDynamicLayout(int, int mode)
{
    if (mode & (LM_HORZDOCK | LM_VERTDOCK))
        return CalcFixedLayout(mode & LM_STRETCH, mode & LM_HORZ);
    // Floating: one row of buttons.
    return CalcFixedLayout(false, true);
}

QRect ControlToolBar::GripperRect() const
{
    return RunsAcross() ? QRect(0, 0, gripperWidth, height()) : QRect(0, 0, width(), gripperWidth);
}

void ControlToolBar::OnPlaced()
{
    const bool across = RunsAcross();
    toolBar->setOrientation(across ? Qt::Horizontal : Qt::Vertical);
    toolBar->setGeometry(
        across ? rect().adjusted(gripperWidth, 0, 0, 0) : rect().adjusted(0, gripperWidth, 0, 0));
    update();
}

void ControlToolBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (IsFloating())
        return;
    // Two raised lines along the leading side.
    const QRect grip = GripperRect().adjusted(2, 2, -2, -2);
    for (int line = 0; line < 2; ++line) {
        const int offset = 3 * line;
        const QRect band = RunsAcross() ? QRect(grip.left() + offset, grip.top(), 2, grip.height())
                                        : QRect(grip.left(), grip.top() + offset, grip.width(), 2);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(band.topLeft(), RunsAcross() ? band.bottomLeft() : band.topRight());
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(band.bottomRight(), RunsAcross() ? band.topRight() : band.bottomLeft());
    }
}

void ControlToolBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && GripperRect().contains(event->position().toPoint()))
        StartDockingDrag(event->globalPosition().toPoint());
}

void ControlToolBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && GripperRect().contains(event->position().toPoint()))
        ToggleDocking();
}
