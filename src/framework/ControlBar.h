#pragma once

#include <QWidget>

class DockBar;
class DockSite;

// A bar that lives in a dock bar of a frame or floats in a mini frame: it reports the size it
// wants for each docking orientation and can be dragged to another place.
class ControlBar : public QWidget {
    Q_OBJECT

public:
    explicit ControlBar(QWidget* parent = nullptr);

    int GetBarId() const { return barId; }
    void SetBarId(int id) { barId = id; }

    // The dock bar the bar is in; null before it is docked.
    DockBar* GetDockBar() const;
    // The dock bar's identifier, or 0.
    int GetDockBarId() const;
    DockSite* GetDockSite() const { return dockSite; }
    void SetDockSite(DockSite* site) { dockSite = site; }
    bool IsFloating() const;
    bool IsDockedHorizontally() const;
    bool IsDockedVertically() const;

    // Visible, counting a delayed show or hide that has not been applied yet.
    bool IsVisibleBar() const;
    // -1: none; 0: hide; 1: show at the next layout.
    int PendingShow() const { return pendingShow; }
    void SetPendingShow(int show) { pendingShow = show; }

    // The size of the bar stretched over the whole dock bar, or its own size.
    virtual QSize CalcFixedLayout(bool stretch, bool horizontal);
    // length -1 with a docking mode asks for the docked size; see the LM_ modes.
    virtual QSize CalcDynamicLayout(int length, int mode);
    // Called when the user interface is idle: the bar brings its looks up to date.
    virtual void OnUpdateCmdUI() { }
    // Called when the bar was shown by the frame.
    virtual void OnShown() { }
    // Called after the dock bar placed the bar.
    virtual void OnPlaced() { }
    virtual bool IsSizingBar() const { return false; }
    // The least thickness across its row that a sizing bar may be given when docked at the
    // top or bottom (horizontal) or at a side.
    virtual int MinThickness(bool horizontal) const
    {
        Q_UNUSED(horizontal);
        return 0;
    }

protected:
    // Starts the docking drag of the bar.
    void StartDockingDrag(const QPoint& globalPos);
    void ToggleDocking();

private:
    int barId = 0;
    int pendingShow = -1;
    DockSite* dockSite = nullptr;
};
