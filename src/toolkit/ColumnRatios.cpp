#include "ColumnRatios.h"

#include <algorithm>
#include <cmath>

QList<double> ColumnRatios::FromWidths(const QList<int>& widths, int clientWidth)
{
    QList<double> ratios;
    if (clientWidth == 0)
        return ratios;
    for (int width : widths)
        ratios.append(double(width) / double(clientWidth));
    return ratios;
}

bool ColumnRatios::AnyRecorded(const QList<double>& ratios)
{
    for (double ratio : ratios) {
        if (std::abs(ratio) > 0.001)
            return true;
    }
    return false;
}

QList<int> ColumnRatios::ProportionalWidths(const QList<double>& ratios, int clientWidth, int count)
{
    QList<int> widths;
    for (int j = 0; j < count && j < ratios.size(); ++j)
        widths.append(
            int(std::clamp(std::floor(double(clientWidth) * ratios[j]), 0.0, double(maxWidth))));
    return widths;
}

QList<int> ColumnRatios::EqualWidths(int clientWidth, int count)
{
    QList<int> widths;
    if (count <= 0)
        return widths;
    const int width = int(std::floor(double(clientWidth - 20) / double(count)));
    for (int j = 0; j < count; ++j)
        widths.append(width);
    return widths;
}
