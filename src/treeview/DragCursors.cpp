#include "DragCursors.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace {

constexpr int Size = 32;

// The arrow with its tip on the hot spot (1, 1), white with a black edge like the system's.
void DrawArrow(QPainter& painter)
{
    const QPolygon arrow(
        { { 1, 1 }, { 1, 16 }, { 5, 12 }, { 8, 19 }, { 10, 18 }, { 7, 11 }, { 12, 11 } });
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawPolygon(arrow);
}

// The box the arrow carries: the branch being dragged.
void DrawBox(QPainter& painter)
{
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.setBrush(Qt::white);
    painter.drawRect(9, 21, 12, 8);
}

void DrawPlus(QPainter& painter)
{
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(21, 11, 10, 10);
    painter.drawLine(23, 16, 29, 16);
    painter.drawLine(26, 13, 26, 19);
}

// The circle with the bar from top left to bottom right, centred on the hot spot (15, 15); the
// white rim keeps it visible on dark rows.
void DrawNoDrop(QPainter& painter)
{
    painter.setBrush(Qt::NoBrush);
    for (const auto& [color, width] : { std::pair { Qt::white, 6 }, std::pair { Qt::black, 3 } }) {
        painter.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
        painter.drawEllipse(QPoint(15, 15), 11, 11);
        painter.drawLine(8, 8, 22, 22);
    }
}

} // namespace

DragCursors::DragCursors()
    : cursors { Draw(Move, Scale()), Draw(NoDrop, Scale()), Draw(Copy, Scale()) }
{
}

qreal DragCursors::Scale() { return qApp->devicePixelRatio(); }

QCursor DragCursors::Draw(Kind kind, qreal scale)
{
    // Drawn at the screen's density in device pixels, so that it stays sharp on a screen scaled
    // to 200 %; the painter takes the drawing's coordinates as logical pixels.
    QPixmap pixmap(QSize(Size, Size) * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    {
        // Two colours and no shades, like the monochrome cursors of a tree control.
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing, false);
        if (kind == NoDrop) {
            DrawNoDrop(painter);
        } else {
            DrawBox(painter);
            DrawArrow(painter);
            if (kind == Copy)
                DrawPlus(painter);
        }
    }
    return kind == NoDrop ? QCursor(pixmap, 15, 15) : QCursor(pixmap, 1, 1);
}
