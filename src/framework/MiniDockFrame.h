#pragma once

#include <QPointer>
#include <QWidget>

class ControlBar;
class DockBar;
class DockSite;

// The small frame a floating bar lives in: a frameless tool window that draws its own title and
// edges, so that it can be moved, docked again by dragging its title, and sized from its edges
// and corners without help from a window manager.
class MiniDockFrame : public QWidget {
    Q_OBJECT

public:
    MiniDockFrame(DockSite* site, ControlBar* bar);

    static constexpr int borderWidth = 4;
    static constexpr int titleHeight = 16;
    // What the frame adds to the size of its bar.
    static QSize DecorationSize();

    ControlBar* GetBar() const { return bar; }
    DockBar* GetDockBar() const { return dockBar; }
    // Sizes the frame around its bar.
    void RecalcLayout();
    // The hit code of a point in the frame's coordinates: edges and corners, the title (2), the
    // close box (20) or the inside (1).
    int HitTest(const QPoint& pos) const;
    QRect CloseRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    DockSite* site;
    QPointer<ControlBar> bar;
    DockBar* dockBar;
    int resizeHit = 0;
    bool closePressed = false;
};
