#pragma once

#include "ControlBar.h"

class QToolBar;

// A toolbar as a control bar: docks on any side with a gripper, turning its buttons to run
// along the side it is docked on, or floats.
class ControlToolBar : public ControlBar {
    Q_OBJECT

public:
    explicit ControlToolBar(QWidget* parent = nullptr);

    static constexpr int gripperWidth = 8;

    QToolBar* GetToolBar() const { return toolBar; }

    QSize CalcFixedLayout(bool stretch, bool horizontal) override;
    QSize CalcDynamicLayout(int length, int mode) override;
    void OnPlaced() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // True when the buttons run across: docked at the top or bottom, or floating.
    bool RunsAcross() const;
    QRect GripperRect() const;

    QToolBar* toolBar;
};
