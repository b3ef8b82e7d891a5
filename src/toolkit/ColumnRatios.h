#pragma once

#include <QList>

// The arithmetic that keeps a list's columns in proportion to its width.
class ColumnRatios {
public:
    // Each width as a fraction of the client width; empty when the client width is 0, where
    // no fraction is defined.
    static QList<double> FromWidths(const QList<int>& widths, int clientWidth);
    // True when some ratio is large enough to size columns by (more than 0.001).
    static bool AnyRecorded(const QList<double>& ratios);
    // floor(clientWidth × ratio) for each of the first count ratios.
    static QList<int> ProportionalWidths(const QList<double>& ratios, int clientWidth, int count);
    // floor((clientWidth − 20) / count) for every column.
    static QList<int> EqualWidths(int clientWidth, int count);
};
