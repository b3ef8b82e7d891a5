#pragma once

#include "BarSizes.h"
#include "ControlBar.h"
#include "RowGeometry.h"

#include <QList>

#include <optional>
#include <vector>

class AppSettings;
class DockSite;
class QPainter;

// A control bar that remembers a size per docking orientation, shares the length of its row
// with its neighbours, is sized by dragging its edges, and paints the margin around its client
// area itself.
class CSizingControlBar : public ControlBar, public BarSizes {
    Q_OBJECT

public:
    static constexpr int EdgeLeft = 0x01;
    static constexpr int EdgeRight = 0x02;
    static constexpr int EdgeTop = 0x04;
    static constexpr int EdgeBottom = 0x08;

    explicit CSizingControlBar(QWidget* parent = nullptr);

    // Makes the bar one of the site's control bars; it is docked separately.
    virtual bool CreateBar(const QString& title, DockSite* site, int id);
    // The same with a default size for every orientation; the gripper flag is not used.
    virtual bool CreateBar(
        const QString& title, DockSite* site, const QSize& defaultSize, bool gripper, int id);
    virtual void LoadBarSizes(AppSettings& settings, const QString& prefix);
    virtual void SaveBarSizes(AppSettings& settings, const QString& prefix);
    // Every sizing bar of the site loads or saves its sizes below prefix.
    static void LoadAllBarSizes(DockSite& site, AppSettings& settings, const QString& prefix);
    static void SaveAllBarSizes(DockSite& site, AppSettings& settings, const QString& prefix);

    virtual void BeginEdgeDrag(int hitCode, const QPoint& globalPos);
    virtual void EndEdgeDrag();
    virtual void DragEdgeTo(const QPoint& globalPos);
    virtual void ToggleDragLine();
    // Paints the decorations of the margin; client is the client rectangle.
    virtual void PaintGripper(QPainter& painter, const QRect& client);
    // Shrinks rect (the whole bar) to the client area for a bar in dock bar dockBarId.
    virtual void CalcClientArea(QRect& rect, int dockBarId);
    virtual void PlaceRowBars();

    QSize CalcFixedLayout(bool stretch, bool horizontal) override;
    QSize CalcDynamicLayout(int length, int mode) override;
    bool IsSizingBar() const override { return true; }
    int MinThickness(bool horizontal) const override
    {
        return horizontal ? minSizeHorz.height() : minSizeVert.width();
    }
    void OnShown() override;
    void OnPlaced() override;

    // The hit code of a point in the bar's coordinates.
    virtual int HitTest(const QPoint& pos) const;
    // The strip of an edge (hit code 10, 11, 12 or 15) inside window, if the bar has that edge.
    std::optional<QRect> EdgeRect(const QRect& window, int hitCode) const;
    QRect ClientRect() const { return clientRect; }
    bool IsTracking() const { return tracking; }
    bool DragsAlongRow() const;

    // The visible sizing bars of the bar's row, in order; index receives this bar's place.
    QList<CSizingControlBar*> RowSizingBars(int* index = nullptr) const;

    int edgeStyle = 0;
    int trackedEdge = 0;
    int dragMinimum = 0;
    int dragMaximum = 0;
    int dragPosition = 0;
    int dragOffset = 0;
    bool tracking = false;
    bool keepSize = false;
    bool parentSizing = false;
    bool dragShowsContent = true;
    int dockBarId = 0;
    int edgeWidth = 5;

protected:
    // Works out the edges and the client rectangle and puts the client there.
    void UpdateNonClient();
    // The client rectangle moved; a bar that hosts a widget puts it there.
    virtual void OnClientRectChanged(const QRect& client);

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool FitRow(int length, bool horizontal);
    std::vector<RowGeometry::RowBar> RowBars(const QList<CSizingControlBar*>& row) const;
    int Length() const;
    int Thickness() const;
    void SetLength(int length);
    void SetThickness(int thickness);
    QRect DragLineRect() const;

    QRect clientRect;
    bool dragLineShown = false;
};
