#pragma once

#include "BarState.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <array>
#include <map>

class AppSettings;
class ControlBar;
class DockBar;
class DockContext;
class DragLine;
class MiniDockFrame;
class QMainWindow;

// The docking area of a frame: four dock bars around the view, the frame's control bars, the
// floating frames, and the layout that gives the view what the bars leave.
class DockSite : public QWidget {
    Q_OBJECT

public:
    explicit DockSite(QWidget* parent = nullptr);
    ~DockSite() override;

    // Makes a dock site the frame's central widget, with the old central widget as its view.
    static DockSite* Install(QMainWindow& frame);

    void SetClientWidget(QWidget* widget);
    QWidget* GetClientWidget() const { return client; }
    // One of the four dock bars (59419 to 59422), else null.
    DockBar* GetDockBar(int id) const;

    // Registers a bar of the frame; the site becomes its parent until it is docked.
    void AddControlBar(ControlBar* bar);
    const QList<ControlBar*>& GetControlBars() const { return bars; }
    // A control bar or dock bar with the identifier, else null.
    QWidget* GetControlBar(int id) const;

    // Docks the bar into a row of a dock bar (see DockBar::InsertBar); row -1 appends a new row.
    void DockControlBar(ControlBar* bar, int dockBarId, int row = -1, bool newRow = true);
    // Floats the bar in a frame of its own whose top-left corner is at pos (screen coordinates),
    // moved as little as needed to lie wholly on a screen.
    void FloatControlBar(ControlBar* bar, const QPoint& pos);
    // Docks a floating bar where it was docked last, or floats a docked one where it is.
    void ToggleDocking(ControlBar* bar);
    // delay: the change waits for the next layout.
    void ShowControlBar(ControlBar* bar, bool show, bool delay);
    void RecalcLayout();
    // Lays the bars out once control returns to the event loop.
    void DelayRecalcLayout();
    bool IsLayoutPending() const { return recalcPending; }
    bool IsInLayout() const { return inLayout; }
    // The rectangle the bars leave to the view, in the site's coordinates.
    QRect QueryClientRect();
    // The least the docked bars leave to the view: rows of sizing bars are thinned, down to
    // their minimums, rather than squeeze it further. Their own sizes are kept for when the
    // site grows again. None by default.
    void SetMinClientSize(const QSize& size) { minClientSize = size; }
    QSize MinClientSize() const { return minClientSize; }
    MiniDockFrame* GetMiniFrame(const ControlBar* bar) const;

    BarState GetBarState() const;
    void SetBarState(const BarState& state);
    // True when the section holds a layout that names only bars of this site.
    bool VerifyBarState(AppSettings& settings, const QString& section) const;
    void LoadBarState(AppSettings& settings, const QString& section);
    void SaveBarState(AppSettings& settings, const QString& section) const;

    void StartDockingDrag(ControlBar* bar, const QPoint& globalPos);
    DockContext* GetDockContext() const { return dockContext; }
    // The overlay line of an edge drag, in screen coordinates; an empty rectangle hides it.
    void SetDragLine(const QRect& globalRect);
    bool IsDragLineVisible() const;

    // Brings every bar's looks up to date (close buttons, captions).
    void UpdateBars();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Detach(ControlBar* bar);
    void RecalcFloating();
    // Thins the rows of two opposite dock bars so that the view keeps minimum of space.
    void KeepClientRoom(DockBar* first, DockBar* second, int space, int minimum,
        int& firstThickness, int& secondThickness);

    std::array<DockBar*, 4> dockBars {};
    QWidget* client = nullptr;
    QList<ControlBar*> bars;
    std::map<const ControlBar*, QPointer<MiniDockFrame>> miniFrames;
    // Where a bar was last docked and where it last floated, for the docking toggle.
    struct DockedPlace {
        int dockBarId = 0;
        int row = -1;
        bool alone = true;
    };
    void RememberDockedPlace(const ControlBar* bar);
    std::map<const ControlBar*, DockedPlace> lastDocked;
    std::map<const ControlBar*, QPoint> lastFloatPos;
    DockContext* dockContext = nullptr;
    DragLine* dragLine = nullptr;
    QSize minClientSize;
    bool recalcPending = false;
    bool inLayout = false;
};
