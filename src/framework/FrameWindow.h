#pragma once

#include "CommandTable.h"
#include "CommandTarget.h"

#include <QList>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <vector>

class AppSettings;
class Document;
class QLabel;
class QToolBar;
class View;

// The main window: builds its menus, toolbar and accelerators from a command table, routes
// every command to the active view, its document, itself and the application in turn, keeps
// the items' enabled and check state current, and owns the status bar panes.
class FrameWindow : public QMainWindow, public CommandTarget {
    Q_OBJECT

public:
    explicit FrameWindow(const CommandTable& table, QWidget* parent = nullptr);
    ~FrameWindow() override;

    const CommandTable& GetCommandTable() const { return table; }
    // The shared action of a command, made from the table on first use.
    QAction* GetAction(int id);

    // Each top-level item is a submenu of the menu bar.
    void BuildMenus(const std::vector<MenuItem>& menus);
    // ids: commands in order, 0 for a separator. The frame handles ID_VIEW_TOOLBAR for it.
    QToolBar* BuildToolBar(const QList<int>& ids);

    // Status bar: pane 0 is the message pane; indicator panes follow. width < 0: fit the text.
    int AddStatusPane(const QString& text, int width = -1);
    void SetPaneText(int index, const QString& text);
    QString GetPaneText(int index) const;
    void SetPaneWidth(int index, int width);

    // Not owned. The view becomes the first receiver of commands.
    void SetActiveView(View* view);
    View* GetActiveView() const;
    Document* GetActiveDocument() const;
    // The application's commands, routed after the frame's own. Not owned.
    void SetAppTarget(CommandTarget* target) { appTarget = target; }
    // Called with each local file dropped on the window.
    void SetDropHandler(std::function<void(const QString&)> handler);
    // Shown after the document's title: "name - Trelvo", "name* - Trelvo" while it is modified.
    void SetAppName(const QString& name);

    // Runs the command through the route unless its update state disables it. False when it
    // was disabled or nothing handled it.
    bool RouteCommand(int id);
    // The state the first target on the route that knows the command reports; disabled when
    // none does.
    CommandState RouteUpdateCommand(int id);
    // Updates every shared action, and the title; runs before a menu opens and after input.
    void UpdateCommandUI();
    // Updates the commands of a popup menu and its submenus before it is shown.
    void UpdateMenuUI(QMenu& menu);
    void UpdateFrameTitle();

    // Gives the window, before it is shown, the size, position and maximised state saved in
    // section, moved onto a screen if it is off every one and cut to the screen if larger.
    // Without a saved place: percent of the primary screen's available area, centred.
    void LoadWindowPlacement(AppSettings& settings, const QString& section, int percent);
    void SaveWindowPlacement(AppSettings& settings, const QString& section) const;

    // Runs once the main view is in place and active, so that views the frame adds to the
    // document (panes) come after it; false fails the creation of the window.
    virtual bool OnCreate(Document& document);

protected:
    // Runs once the save check allowed the window to close; the base closes the document.
    // Frames that save their layout override it and call the base last.
    virtual void OnClose();

    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::vector<CommandTarget*> Route() const;
    void ScheduleUpdate();
    void ApplyState(QAction& action, const CommandState& state);
    void FillMenu(QMenu& menu, const std::vector<MenuItem>& items);
    // Moves the window, and cuts it if need be, so that its frame lies wholly on a screen.
    void FitFrameOnScreen();

    CommandTable table;
    std::map<int, QAction*> actions;
    View* activeView = nullptr;
    // Set when the active view is a widget, so that a deleted view stops receiving commands.
    QPointer<QObject> activeViewObject;
    bool activeViewIsObject = false;
    CommandTarget* appTarget = nullptr;
    std::function<void(const QString&)> dropHandler;
    QString appName;
    QToolBar* toolBar = nullptr;
    QList<QLabel*> panes;
    bool updatePending = false;
    bool fitFrameOnShow = false;
};
