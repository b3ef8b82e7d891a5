#pragma once

#include "FrameWindow.h"

#include <functional>

class CViewBar;
class ControlBar;
class ControlToolBar;
class DockSite;
class FindDlg;
class XPathDlg;
class TrelvoApp;
class TrelvoView;

// The main window: the tree view in the middle, the toolbar and the three pane bars docked
// around it, the status bar below; shows and hides the panes, and keeps the docking layout
// from one run to the next.
class MainFrame : public FrameWindow {
    Q_OBJECT

public:
    // The settings section of the docking layout, and the prefix of the bars' own sections.
    static const QString LayoutSection;
    static const QString LayoutPrefix;
    // The settings section of the main window's size, position and maximised state.
    static const QString WindowSection;
    // The least the docked panes leave to the tree, across and down.
    static constexpr int MinTreeSize = 120;

    explicit MainFrame(TrelvoApp& app, QWidget* parent = nullptr);
    ~MainFrame() override;

    bool OnCreate(Document& document) override;

    // The tree view filling the client area, or null.
    TrelvoView* GetTreeView() const;
    DockSite* GetDockSite() const { return site; }
    ControlToolBar* GetToolBar() const { return toolBar; }
    CViewBar* GetAttributesBar() const { return attributesBar; }
    CViewBar* GetSourceBar() const { return sourceBar; }
    CViewBar* GetImageBar() const { return imageBar; }

    // The products dialog, modal.
    void OnHelpProducts();
    // The options dialog, modal; OK applies its settings to every view at once.
    void OnViewOptions();
    // Shows the find dialog and gives it the focus.
    void OnEditFind();
    FindDlg* GetFindDialog() const { return findDialog; }
    // Shows the XPath dialog and gives it the focus.
    void OnEditFindXPath();
    XPathDlg* GetXPathDialog() const { return xpathDialog; }

protected:
    void OnClose() override;

private:
    bool CreateToolBar();
    CViewBar* CreatePaneBar(Document& document, const QString& title, int id);
    void LoadLayout();
    // Shows the bar if it is hidden, hides it if it is shown, at once.
    void ToggleBar(ControlBar* bar);
    // The command toggles the bar; its check mark shows whether the bar is visible.
    void AddBarToggle(int command, std::function<ControlBar*()> bar);
    void CreateFindDialog();
    void CreateXPathDialog(Document& document);
    // The tree view, then the panes as the View menu lists them: the order of F6.
    QList<QWidget*> FocusOrder() const;
    // The find dialog's options go back into the settings.
    void SaveFindSettings();

    TrelvoApp& app;
    DockSite* site = nullptr;
    ControlToolBar* toolBar = nullptr;
    CViewBar* attributesBar = nullptr;
    CViewBar* sourceBar = nullptr;
    CViewBar* imageBar = nullptr;
    FindDlg* findDialog = nullptr;
    XPathDlg* xpathDialog = nullptr;
};
