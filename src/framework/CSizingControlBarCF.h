#pragma once

#include "CSizingControlBarG.h"

#include <QColor>
#include <QRect>

#include <utility>
#include <vector>

// A sizing bar whose gripper is a caption band with the bar's title, highlighted while the
// keyboard focus is inside the bar.
class CSizingControlBarCF : public CSizingControlBarG {
    Q_OBJECT

public:
    explicit CSizingControlBarCF(QWidget* parent = nullptr);

    // The caption band for a client rectangle.
    QRect CaptionRect(const QRect& client) const;
    // Colours of the band: start, gradient end, and text.
    struct CaptionColors {
        QColor start;
        QColor end;
        QColor text;
    };
    CaptionColors GetCaptionColors() const;

    // The 64 slices of a gradient from start to end: left to right when vertical is set (a bar
    // docked at the left or right), else from the bottom upwards. Empty slices are left out.
    static std::vector<std::pair<QRect, QColor>> GradientSlices(
        const QRect& rect, const QColor& start, const QColor& end, bool vertical);
    // The colour a part of the way from one colour to another, the way a gradient step mixes.
    static QColor Blend(const QColor& from, const QColor& to, int step, int steps);

    void PaintGripper(QPainter& painter, const QRect& client) override;
    void OnUpdateCmdUI() override;

    bool captionActive = false;
    QString captionFont;
    // Without gradients the band is one solid colour.
    bool gradientCaptions = true;

protected:
    bool event(QEvent* event) override;
};
