#include "MainFrame.h"

#include "AppCommands.h"
#include "AppIds.h"
#include "AttributeView.h"
#include "CViewBar.h"
#include "ControlToolBar.h"
#include "DockIds.h"
#include "DockSite.h"
#include "Document.h"
#include "FindDlg.h"
#include "FrameworkIds.h"
#include "ImageView.h"
#include "InfoDlg.h"
#include "OptionsDlg.h"
#include "PaneCycle.h"
#include "Prompts.h"
#include "SourceView.h"
#include "TreeViewIds.h"
#include "TrelvoApp.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"
#include "XPathDlg.h"

#include <QToolBar>

const QString MainFrame::LayoutSection = QStringLiteral("Layout");
const QString MainFrame::LayoutPrefix = QStringLiteral("Layout\\");
const QString MainFrame::WindowSection = QStringLiteral("Layout\\Window");

MainFrame::MainFrame(TrelvoApp& application, QWidget* parent)
    : FrameWindow(AppCommands::Table(), parent)
    , app(application)
{
    BuildMenus(AppCommands::MenuBar());

    AddCommand(ID_EXPAND_ON_LOAD, [this] { app.ExpandOnLoad = !app.ExpandOnLoad; });
    AddUpdateCommand(
        ID_EXPAND_ON_LOAD, [this](CommandState& state) { state.checked = app.ExpandOnLoad; });
    AddBarToggle(ID_VIEW_TOOLBAR, [this] { return toolBar; });
    AddBarToggle(ID_VIEW_ATTRIBUTES, [this] { return attributesBar; });
    AddBarToggle(ID_VIEW_XML_SOURCE, [this] { return sourceBar; });
    AddBarToggle(ID_VIEW_IMAGE, [this] { return imageBar; });
    AddCommand(ID_HELP_PRODUCTS, [this] { OnHelpProducts(); });
    AddCommand(ID_VIEW_OPTIONS, [this] { OnViewOptions(); });
    AddCommand(ID_EDIT_FIND, [this] { OnEditFind(); });
    AddCommand(ID_EDIT_FIND_XPATH, [this] { OnEditFindXPath(); });
    AddUpdateCommand(ID_EDIT_FIND_XPATH, [this](CommandState& state) {
        const auto* doc = dynamic_cast<const TrelvoDoc*>(GetActiveDocument());
        state.enabled = doc && doc->HasRootElement();
    });
    AddCommand(ID_NEXT_PANE, [this] { PaneCycle::FocusNext(FocusOrder(), true); });
    AddCommand(ID_PREV_PANE, [this] { PaneCycle::FocusNext(FocusOrder(), false); });
    const auto repeatFind = [this](bool down) {
        if (TrelvoView* view = GetTreeView())
            down ? view->FindNext() : view->FindPrevious();
    };
    AddCommand(ID_EDIT_FIND_NEXT, [repeatFind] { repeatFind(true); });
    AddCommand(ID_EDIT_FIND_PREVIOUS, [repeatFind] { repeatFind(false); });
    for (int id : { ID_EDIT_FIND_NEXT, ID_EDIT_FIND_PREVIOUS }) {
        AddUpdateCommand(id, [this](CommandState& state) {
            const TrelvoView* view = GetTreeView();
            state.enabled = view && view->HasLastFind();
        });
    }
}

MainFrame::~MainFrame() = default;

QList<QWidget*> MainFrame::FocusOrder() const
{
    QList<QWidget*> panes { GetTreeView() };
    for (const CViewBar* bar : { attributesBar, sourceBar, imageBar })
        panes.append(bar ? bar->GetView() : nullptr);
    return panes;
}

void MainFrame::AddBarToggle(int command, std::function<ControlBar*()> bar)
{
    AddCommand(command, [this, bar] { ToggleBar(bar()); });
    AddUpdateCommand(command, [bar](CommandState& state) {
        const ControlBar* current = bar();
        state.enabled = current != nullptr;
        state.checked = current && current->IsVisibleBar();
    });
}

bool MainFrame::OnCreate(Document& document)
{
    if (!FrameWindow::OnCreate(document))
        return false;
    // The view the template put in the middle becomes the dock site's client.
    site = DockSite::Install(*this);
    if (!CreateToolBar())
        return false;
    AddStatusPane(
        AppCommands::InitialLoadTimeText(), AppCommands::LoadTimePaneWidth(fontMetrics()));
    attributesBar = CreatePaneBar(document, QStringLiteral("Attributes"), IDW_ATTRIBUTES_BAR);
    sourceBar = CreatePaneBar(document, QStringLiteral("XML Source"), IDW_SOURCE_BAR);
    imageBar = CreatePaneBar(document, QStringLiteral("Image"), IDW_IMAGE_BAR);
    if (!attributesBar || !sourceBar || !imageBar)
        return false;

    // A tree squeezed to a strip leaves nothing to click; the panes give way first.
    site->SetMinClientSize(QSize(MinTreeSize, MinTreeSize));
    // Two thirds of the screen: room for the tree and the panes, and the desktop still shows.
    LoadWindowPlacement(app.GetSettings(), WindowSection, 66);
    // The site is laid out only when the window shows; docked into a site of no size, a
    // column's panes would not fit in one column.
    site->resize(size());
    site->DockControlBar(toolBar, AFX_IDW_DOCKBAR_TOP);
    // Without a saved layout: the node's attributes and picture in one column at the right,
    // its source in a wide strip below, where long lines of markup fit.
    site->DockControlBar(attributesBar, AFX_IDW_DOCKBAR_RIGHT);
    site->DockControlBar(imageBar, AFX_IDW_DOCKBAR_RIGHT, 0, false);
    site->DockControlBar(sourceBar, AFX_IDW_DOCKBAR_BOTTOM);
    // Each docking shared the column as it stood then, the first pane taking it all; from the
    // same length the two share the real height evenly once the window shows.
    imageBar->sizeVert = attributesBar->sizeVert = sourceBar->sizeVert;
    LoadLayout();
    CreateFindDialog();
    CreateXPathDialog(document);
    return true;
}

void MainFrame::CreateXPathDialog(Document& document)
{
    xpathDialog = new XPathDlg(this);
    xpathDialog->SetTreeView(GetTreeView());
    // A view of the document, so that it lets go of its nodes when the document is cleared.
    document.AddView(xpathDialog);
}

void MainFrame::OnEditFindXPath()
{
    if (xpathDialog)
        xpathDialog->Activate();
}

void MainFrame::CreateFindDialog()
{
    FindRequest options;
    options.direction = app.FindDirection;
    options.matchCase = app.FindCase;
    options.wholeWords = app.FindWholeWords;
    options.searchNames = app.FindNames;
    options.searchValues = app.FindValues;
    options.searchAttributes = app.FindProps;
    findDialog = new FindDlg(this);
    findDialog->SetValues(options);
    connect(findDialog, &FindDlg::FindRequested, this, [this](const FindRequest& request) {
        if (TrelvoView* view = GetTreeView())
            view->Find(request);
    });
}

void MainFrame::SaveFindSettings()
{
    if (!findDialog)
        return;
    const FindRequest& options = findDialog->Values();
    app.FindDirection = options.direction;
    app.FindCase = options.matchCase;
    app.FindWholeWords = options.wholeWords;
    app.FindNames = options.searchNames;
    app.FindValues = options.searchValues;
    app.FindProps = options.searchAttributes;
}

void MainFrame::OnEditFind()
{
    if (!findDialog)
        return;
    findDialog->Activate();
}

bool MainFrame::CreateToolBar()
{
    toolBar = new ControlToolBar(site);
    toolBar->SetBarId(AFX_IDW_TOOLBAR);
    QToolBar* buttons = toolBar->GetToolBar();
    buttons->setIconSize(QSize(32, 32));
    buttons->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int id : AppCommands::ToolBarButtons()) {
        if (id == 0)
            buttons->addSeparator();
        else
            buttons->addAction(GetAction(id));
    }
    site->AddControlBar(toolBar);
    return true;
}

CViewBar* MainFrame::CreatePaneBar(Document& document, const QString& title, int id)
{
    auto* bar = new CViewBar(site);
    UserSettings& settings = app;
    const auto makePane = [&document, &settings, id](QWidget* innerFrame) -> ResizableFormView* {
        ResizableFormView* pane = nullptr;
        if (id == IDW_ATTRIBUTES_BAR) {
            auto* attributes = new AttributeView(innerFrame);
            attributes->SetSettings(&settings);
            attributes->SetupAttributeList();
            pane = attributes;
        } else if (id == IDW_SOURCE_BAR) {
            auto* source = new SourceView(innerFrame);
            source->SetSettings(&settings);
            source->SetupSourceEdit();
            pane = source;
        } else {
            auto* image = new ImageView(innerFrame);
            image->SetSettings(&settings);
            pane = image;
        }
        document.AddView(pane);
        return pane;
    };
    return bar->CreateWithView(site, makePane, title, id) ? bar : nullptr;
}

void MainFrame::LoadLayout()
{
    AppSettings& settings = app.GetSettings();
    // A layout saved by a version with other bars would put bars in places nobody knows.
    if (!site->VerifyBarState(settings, LayoutSection))
        return;
    site->LoadBarState(settings, LayoutSection);
    CSizingControlBar::LoadAllBarSizes(*site, settings, LayoutPrefix);
}

void MainFrame::OnClose()
{
    AppSettings& settings = app.GetSettings();
    if (g_pAttributeView)
        g_pAttributeView->SaveAttributeColumnWidths();
    // Here rather than when the frame goes: the settings are written before that.
    SaveFindSettings();
    if (site) {
        CSizingControlBar::SaveAllBarSizes(*site, settings, LayoutPrefix);
        site->SaveBarState(settings, LayoutSection);
    }
    SaveWindowPlacement(settings, WindowSection);
    FrameWindow::OnClose();
}

TrelvoView* MainFrame::GetTreeView() const
{
    return qobject_cast<TrelvoView*>(site ? site->GetClientWidget() : centralWidget());
}

void MainFrame::ToggleBar(ControlBar* bar)
{
    if (!site || !bar)
        return;
    site->ShowControlBar(bar, !bar->IsVisibleBar(), false);
    // A hidden pane skipped the selection's updates: bring it up to date now it shows.
    if (bar->IsVisibleBar() && bar == sourceBar && g_pSourceView)
        g_pSourceView->RefreshSource();
    if (bar->IsVisibleBar() && bar == imageBar && g_pImageView)
        g_pImageView->RefreshImage();
}

void MainFrame::OnViewOptions()
{
    OptionsDlg dialog(this);
    dialog.SetValues(app);
    if (Prompts::Instance().ExecDialog(dialog) != QDialog::Accepted)
        return;
    dialog.ApplyTo(app);
    if (Document* document = GetActiveDocument())
        document->UpdateAllViews(nullptr, TrelvoDoc::HintRefresh);
}

void MainFrame::OnHelpProducts()
{
    InfoDlg dialog(this);
    Prompts::Instance().ExecDialog(dialog);
}
