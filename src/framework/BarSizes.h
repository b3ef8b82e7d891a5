#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class AppSettings;

// The sizes a sizing bar remembers per docking orientation, their minimums, and the arithmetic
// on them that needs no window.
class BarSizes {
public:
    // While docked at the top or bottom, at the left or right, and while floating.
    QSize sizeHorz { 200, 200 };
    QSize sizeVert { 200, 200 };
    QSize sizeFloat { 200, 200 };
    QSize minSizeHorz { 33, 32 };
    QSize minSizeVert { 33, 32 };
    QSize minSizeFloat { 37, 32 };

    void SetAllSizes(const QSize& size);

    // The settings section of a bar: prefix + "SCBar-" + id.
    static QString BarSection(const QString& prefix, int id);
    // The largest size a saved value gives: what a 16-bit window system coordinate holds. Rows
    // add their bars' lengths up, so a size near the integer limit would overflow them.
    static constexpr int maxSize = 32767;

    // Missing values keep the current sizes; values are clamped to [minimum, maxSize].
    void LoadSizes(AppSettings& settings, const QString& section);
    void SaveSizes(AppSettings& settings, const QString& section) const;

    struct FloatingResize {
        QSize sizeFloat;
        // Where the floating frame's top-left corner goes, so that the opposite sides stay.
        QPoint frameTopLeft;
    };
    // Resizing a floating frame from an edge or corner (hit codes 10 to 17) with the mouse at
    // point: frame is the floating frame's rectangle, bar the bar's rectangle inside it. The
    // result keeps at least minSizeFloat.
    FloatingResize ResizeFloating(
        int hitCode, const QPoint& point, const QRect& frame, const QRect& bar) const;
};
