#include "BarSizes.h"

#include "AppSettings.h"
#include "DockIds.h"

#include <algorithm>

void BarSizes::SetAllSizes(const QSize& size)
{
    sizeHorz = size;
    sizeVert = size;
    sizeFloat = size;
}

QString BarSizes::BarSection(const QString& prefix, int id)
{
    return prefix + QStringLiteral("SCBar-") + QString::number(id);
}

namespace {
struct SizeField {
    const char16_t* name;
    QSize BarSizes::*size;
    QSize BarSizes::*minimum;
    bool height;
};

// In the order the values are stored.
constexpr SizeField sizeFields[] = {
    { u"sizeHorzCX", &BarSizes::sizeHorz, &BarSizes::minSizeHorz, false },
    { u"sizeHorzCY", &BarSizes::sizeHorz, &BarSizes::minSizeHorz, true },
    { u"sizeVertCX", &BarSizes::sizeVert, &BarSizes::minSizeVert, false },
    { u"sizeVertCY", &BarSizes::sizeVert, &BarSizes::minSizeVert, true },
    { u"sizeFloatCX", &BarSizes::sizeFloat, &BarSizes::minSizeFloat, false },
    { u"sizeFloatCY", &BarSizes::sizeFloat, &BarSizes::minSizeFloat, true },
};
}

void BarSizes::LoadSizes(AppSettings& settings, const QString& section)
{
    for (const SizeField& field : sizeFields) {
        QSize& size = this->*field.size;
        const QSize& minimum = this->*field.minimum;
        const QString name = QString::fromUtf16(field.name);
        const int lowest = field.height ? minimum.height() : minimum.width();
        const int value = std::clamp(
            settings.GetProfileInt(section, name, field.height ? size.height() : size.width()),
            lowest, std::max(lowest, maxSize));
        if (field.height)
            size.setHeight(value);
        else
            size.setWidth(value);
    }
}

void BarSizes::SaveSizes(AppSettings& settings, const QString& section) const
{
    for (const SizeField& field : sizeFields) {
        const QSize& size = this->*field.size;
        settings.WriteProfileInt(
            section, QString::fromUtf16(field.name), field.height ? size.height() : size.width());
    }
}

BarSizes::FloatingResize BarSizes::ResizeFloating(
    int hitCode, const QPoint& point, const QRect& frame, const QRect& bar) const
{
    FloatingResize result { sizeFloat, frame.topLeft() };
    const bool left = hitCode == HTLEFT || hitCode == HTTOPLEFT || hitCode == HTBOTTOMLEFT;
    const bool right = hitCode == HTRIGHT || hitCode == HTTOPRIGHT || hitCode == HTBOTTOMRIGHT;
    const bool top = hitCode == HTTOP || hitCode == HTTOPLEFT || hitCode == HTTOPRIGHT;
    const bool bottom = hitCode == HTBOTTOM || hitCode == HTBOTTOMLEFT || hitCode == HTBOTTOMRIGHT;
    // Frame rectangles are inclusive; the outer coordinate of the right and bottom sides is one
    // past them.
    if (left) {
        result.sizeFloat.setWidth(bar.width() + frame.left() - point.x());
        result.frameTopLeft.setX(
            std::min(point.x(), frame.left() + bar.width() - minSizeFloat.width()));
    }
    if (top) {
        result.sizeFloat.setHeight(bar.height() + frame.top() - point.y());
        result.frameTopLeft.setY(
            std::min(point.y(), frame.top() + bar.height() - minSizeFloat.height()));
    }
    if (right)
        result.sizeFloat.setWidth(bar.width() + point.x() - (frame.right() + 1));
    if (bottom)
        result.sizeFloat.setHeight(bar.height() + point.y() - (frame.bottom() + 1));
    result.sizeFloat = result.sizeFloat.expandedTo(minSizeFloat);
    return result;
}
