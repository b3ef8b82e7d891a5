#include "CSizingControlBarCF.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QPainter>

CSizingControlBarCF::CSizingControlBarCF(QWidget* parent)
    : CSizingControlBarG(parent)
{
    const QString tahoma = QStringLiteral("Tahoma");
    if (QFontDatabase::families().contains(tahoma)) {
        captionFont = tahoma;
    } else {
        QFont sans;
        sans.setStyleHint(QFont::SansSerif);
        sans.setFamily(QStringLiteral("Sans Serif"));
        captionFont = QFontInfo(sans).family();
    }
}

QRect CSizingControlBarCF::CaptionRect(const QRect& client) const
{
    // Corners as exclusive coordinates, the way the band is worked out, then widened across.
    if (IsDockedHorizontally()) {
        const int left = client.left() - 13 - 1;
        const int right = client.left() - 2 + 1;
        return QRect(QPoint(left, closeButton.pos.y() + 14), QPoint(right - 1, client.bottom()));
    }
    const int top = client.top() - 13 - 1;
    const int bottom = client.top() - 2 + 1;
    return QRect(QPoint(client.left(), top), QPoint(closeButton.pos.x() - 3 - 1, bottom - 1));
}

QColor CSizingControlBarCF::Blend(const QColor& from, const QColor& to, int step, int steps)
{
    const auto channel = [&](int a, int b) { return (a * (steps - step) + b * step) / steps; };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
        channel(from.blue(), to.blue()));
}

CSizingControlBarCF::CaptionColors CSizingControlBarCF::GetCaptionColors() const
{
    const QPalette& pal = palette();
    const QColor window = pal.color(QPalette::Active, QPalette::Window);
    CaptionColors colors;
    if (captionActive) {
        colors.start = pal.color(QPalette::Active, QPalette::Highlight);
        colors.text = pal.color(QPalette::Active, QPalette::HighlightedText);
    } else {
        colors.start = Blend(pal.color(QPalette::Inactive, QPalette::Highlight), window, 1, 2);
        colors.text = pal.color(QPalette::Active, QPalette::WindowText);
    }
    colors.end = Blend(colors.start, window, 3, 5);
    return colors;
}

std::vector<std::pair<QRect, QColor>> CSizingControlBarCF::GradientSlices(
    const QRect& rect, const QColor& start, const QColor& end, bool vertical)
{
    constexpr int steps = 64;
    std::vector<std::pair<QRect, QColor>> slices;
    for (int m = 0; m < steps; ++m) {
        QRect slice;
        if (vertical) {
            const int from = rect.left() + m * rect.width() / steps;
            const int to = rect.left() + (m + 1) * rect.width() / steps;
            slice = QRect(from, rect.top(), to - from, rect.height());
        } else {
            const int bottom = rect.top() + rect.height();
            const int from = bottom - (m + 1) * rect.height() / steps;
            const int to = bottom - m * rect.height() / steps;
            slice = QRect(rect.left(), from, rect.width(), to - from);
        }
        if (!slice.isEmpty())
            slices.emplace_back(slice, Blend(start, end, m, steps));
    }
    return slices;
}

void CSizingControlBarCF::PaintGripper(QPainter& painter, const QRect& client)
{
    if (!ShowsGripper())
        return;
    const QRect caption = CaptionRect(client);
    const CaptionColors colors = GetCaptionColors();
    const bool horizontal = IsDockedHorizontally();
    if (gradientCaptions) {
        for (const auto& [slice, color] :
            GradientSlices(caption, colors.start, colors.end, !horizontal))
            painter.fillRect(slice, color);
    } else {
        painter.fillRect(caption, colors.start);
    }

    QFont font(captionFont);
    font.setPixelSize(11);
    painter.save();
    painter.setClipRect(caption, Qt::IntersectClip);
    painter.setFont(font);
    painter.setPen(colors.text);
    const int ascent = painter.fontMetrics().ascent();
    if (horizontal) {
        // Turned a quarter to the left, reading upwards from the bottom of the band.
        painter.translate(caption.left() - 1 + ascent, caption.bottom() + 1 - 3);
        painter.rotate(-90);
        painter.drawText(QPoint(0, 0), windowTitle());
    } else {
        painter.drawText(QPoint(caption.left() + 3, caption.top() - 1 + ascent), windowTitle());
    }
    painter.restore();
    PaintCloseButton(painter);
}

void CSizingControlBarCF::OnUpdateCmdUI()
{
    CSizingControlBarG::OnUpdateCmdUI();
    if (!ShowsGripper())
        return;
    const QWidget* focus = QApplication::focusWidget();
    const bool active = focus && isAncestorOf(focus);
    if (active != captionActive) {
        captionActive = active;
        update();
    }
}

bool CSizingControlBarCF::event(QEvent* event)
{
    const bool result = CSizingControlBarG::event(event);
    if (event->type() == QEvent::WindowTitleChange)
        update();
    return result;
}
