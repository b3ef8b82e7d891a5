#pragma once

#include <QList>
#include <QRect>

// Where a top-level window goes on the screens at hand, over plain rectangles.
namespace WindowPlacement {

// The rectangle moved the least distance that puts it wholly on one of screens (available
// geometries): on the screen it overlaps most, or the nearest one when it is off every screen.
// A rectangle larger than its screen is cut to it, so its top-left corner and caption show.
// Unchanged when there is no screen.
QRect FitOnScreens(const QRect& rect, const QList<QRect>& screens);

// A rectangle of percent of the screen's width and height, centred on it.
QRect Centred(const QRect& screen, int percent);

// The available geometries of the screens the application knows.
QList<QRect> AvailableScreens();

}
