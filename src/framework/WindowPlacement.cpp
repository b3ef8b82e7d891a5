#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <limits>

namespace WindowPlacement {

namespace {
    qint64 Area(const QRect& rect)
    {
        return rect.isEmpty() ? 0 : qint64(rect.width()) * rect.height();
    }

    // How far the rectangle lies outside the screen, added over both axes.
    qint64 Distance(const QRect& rect, const QRect& screen)
    {
        const auto gap = [](int low, int high, int screenLow, int screenHigh) -> qint64 {
            if (high < screenLow)
                return qint64(screenLow) - high;
            if (low > screenHigh)
                return qint64(low) - screenHigh;
            return 0;
        };
        return gap(rect.left(), rect.right(), screen.left(), screen.right())
            + gap(rect.top(), rect.bottom(), screen.top(), screen.bottom());
    }

    // The start nearest to start that keeps [start, start + length) inside [low, low + room).
    int Clamp(int start, int length, int low, int room)
    {
        return std::max(low, std::min(start, low + room - length));
    }
}

QRect FitOnScreens(const QRect& rect, const QList<QRect>& screens)
{
    const QRect* best = nullptr;
    qint64 bestArea = 0;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (const QRect& screen : screens) {
        if (screen.isEmpty())
            continue;
        const qint64 area = Area(rect & screen);
        const qint64 distance = area > 0 ? 0 : Distance(rect, screen);
        if (!best || area > bestArea || (bestArea == 0 && area == 0 && distance < bestDistance)) {
            best = &screen;
            bestArea = area;
            bestDistance = distance;
        }
    }
    if (!best)
        return rect;
    const QSize size = rect.size().boundedTo(best->size());
    return QRect(QPoint(Clamp(rect.left(), size.width(), best->left(), best->width()),
                     Clamp(rect.top(), size.height(), best->top(), best->height())),
        size);
}

QRect Centred(const QRect& screen, int percent)
{
    const QSize size(screen.width() * percent / 100, screen.height() * percent / 100);
    const QPoint topLeft(screen.left() + (screen.width() - size.width()) / 2,
        screen.top() + (screen.height() - size.height()) / 2);
    return QRect(topLeft, size);
}

QList<QRect> AvailableScreens()
{
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    return screens;
}

}
