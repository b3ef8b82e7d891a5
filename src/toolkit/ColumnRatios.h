#pragma once

#include <QList>

// The arithmetic that keeps a list's columns in proportion to its width.
class ColumnRatios {
public:
    // The widest a column gets: what a 16-bit window system coordinate holds. Saved widths come
    // from a file the user can damage, and a width near the integer limit times a ratio does
    // not fit an int.
    static constexpr int maxWidth = 32767;

    // Each width as a fraction of the client width; empty when the client width is 0, where
    // no fraction is defined.
    static QList<double> FromWidths(const QList<int>& widths, int clientWidth);
    // True when some ratio is large enough to size columns by (more than 0.001).
    static bool AnyRecorded(const QList<double>& ratios);
    // floor(clientWidth × ratio), within [0, maxWidth], for each of the first count ratios.
    static QList<int> ProportionalWidths(const QList<double>& ratios, int clientWidth, int count);
    // floor((clientWidth − 20) / count) for every column.
    static QList<int> EqualWidths(int clientWidth, int count);
};
