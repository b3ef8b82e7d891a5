#pragma once

#include "CSizingControlBar.h"

// A sizing bar with a gripper band and a close button while it is docked.
class CSizingControlBarG : public CSizingControlBar {
    Q_OBJECT

public:
    explicit CSizingControlBarG(QWidget* parent = nullptr);

    struct CloseButton {
        bool pushed = false;
        bool hot = false;
        // The top-left corner in the bar's coordinates.
        QPoint pos;
    };

    static constexpr int closeButtonSize = 11;

    virtual bool ShowsGripper() const { return !IsFloating(); }
    QRect CloseButtonRect() const;
    const CloseButton& GetCloseButton() const { return closeButton; }

    void CalcClientArea(QRect& rect, int dockBarId) override;
    int HitTest(const QPoint& pos) const override;
    void PaintGripper(QPainter& painter, const QRect& client) override;
    void OnUpdateCmdUI() override;

    int gripperSize = 12;

protected:
    void PaintCloseButton(QPainter& painter);
    // Recomputes the close button's looks for the mouse at pos (bar coordinates).
    void UpdateCloseButton(const QPoint& pos, bool leftDown);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

    CloseButton closeButton;

private:
    bool closePressed = false;
};
