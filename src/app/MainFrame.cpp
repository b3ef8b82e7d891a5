#include "MainFrame.h"

#include "AppCommands.h"
#include "AppIds.h"
#include "AttributeView.h"
#include "CViewBar.h"
#include "ControlToolBar.h"
#include "DockIds.h"
#include "DockSite.h"
#include "Document.h"
#include "FrameworkIds.h"
#include "ImageView.h"
#include "InfoDlg.h"
#include "Prompts.h"
#include "SourceView.h"
#include "TrelvoApp.h"
#include "TrelvoView.h"

#include <QToolBar>

const QString MainFrame::LayoutSection = QStringLiteral("Layout");
const QString MainFrame::LayoutPrefix = QStringLiteral("Layout\\");

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
}

MainFrame::~MainFrame() = default;

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

    site->DockControlBar(toolBar, AFX_IDW_DOCKBAR_TOP);
    for (CViewBar* bar : { attributesBar, sourceBar, imageBar })
        site->DockControlBar(bar, AFX_IDW_DOCKBAR_LEFT);
    LoadLayout();
    return true;
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
    if (site) {
        CSizingControlBar::SaveAllBarSizes(*site, settings, LayoutPrefix);
        site->SaveBarState(settings, LayoutSection);
    }
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

void MainFrame::OnHelpProducts()
{
    InfoDlg dialog(this);
    Prompts::Instance().ExecDialog(dialog);
}
