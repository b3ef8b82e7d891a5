#pragma once

#include <QWidget>

// The halftone line that shows where a dragged bar edge would go while the bars do not follow
// the mouse.
class DragLine : public QWidget {
    Q_OBJECT

public:
    explicit DragLine(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};
