#include "FrameWindow.h"

#include "DockSite.h"

#include "AppSettings.h"
#include "Document.h"
#include "FrameworkIds.h"
#include "Progress.h"
#include "StatusProgress.h"
#include "View.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

namespace {
// While a long operation runs the document must not change under it: only the commands that
// end it first (New, Open, a recent file, Exit) and those that touch no document stay.
bool RunsDuringProgress(int id)
{
    return id == ID_FILE_NEW || id == ID_FILE_OPEN
        || (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE4) || id == ID_APP_EXIT
        || id == ID_APP_ABOUT || id == ID_VIEW_TOOLBAR || id == ID_VIEW_STATUS_BAR;
}

QString FirstLocalFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return QString();
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return QString();
}
}

FrameWindow::FrameWindow(const CommandTable& commandTable, QWidget* parent)
    : QMainWindow(parent)
    , table(commandTable)
    , appName(QStringLiteral("Trelvo"))
{
    // Every command of the table gets its shared action now, so that keys of commands that are
    // on no menu or toolbar work too.
    for (int id : table.Ids())
        GetAction(id);

    auto* message = new QLabel(QStringLiteral("Ready"), this);
    statusBar()->addWidget(message, 1);
    panes.append(message);
    AddCommand(ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(statusBar()->isHidden()); });
    AddUpdateCommand(ID_VIEW_STATUS_BAR,
        [this](CommandState& state) { state.checked = !statusBar()->isHidden(); });

    new StatusProgress(*this);
    setAcceptDrops(true);
    qApp->installEventFilter(this);
    UpdateFrameTitle();
}

FrameWindow::~FrameWindow() { qApp->removeEventFilter(this); }

QAction* FrameWindow::GetAction(int id)
{
    auto found = actions.find(id);
    if (found != actions.end())
        return found->second;
    QAction* action = table.CreateAction(id, this);
    addAction(action);
    connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
    actions.emplace(id, action);
    return action;
}

void FrameWindow::BuildMenus(const std::vector<MenuItem>& menus)
{
    for (const MenuItem& item : menus) {
        QMenu* menu = menuBar()->addMenu(item.text);
        connect(menu, &QMenu::aboutToShow, this, &FrameWindow::UpdateCommandUI);
        FillMenu(*menu, item.items);
    }
}

void FrameWindow::FillMenu(QMenu& menu, const std::vector<MenuItem>& items)
{
    for (const MenuItem& item : items) {
        if (item.IsSeparator()) {
            menu.addSeparator();
        } else if (item.IsSubmenu()) {
            QMenu* submenu = menu.addMenu(item.text);
            connect(submenu, &QMenu::aboutToShow, this, &FrameWindow::UpdateCommandUI);
            FillMenu(*submenu, item.items);
        } else {
            menu.addAction(GetAction(item.id));
        }
    }
}

QToolBar* FrameWindow::BuildToolBar(const QList<int>& ids)
{
    toolBar = addToolBar(QStringLiteral("Toolbar"));
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    for (int id : ids) {
        if (id == 0)
            toolBar->addSeparator();
        else
            toolBar->addAction(GetAction(id));
    }
    AddCommand(ID_VIEW_TOOLBAR, [this] { toolBar->setVisible(toolBar->isHidden()); });
    AddUpdateCommand(
        ID_VIEW_TOOLBAR, [this](CommandState& state) { state.checked = !toolBar->isHidden(); });
    return toolBar;
}

int FrameWindow::AddStatusPane(const QString& text, int width)
{
    auto* pane = new QLabel(text, this);
    pane->setFrameShape(QFrame::Panel);
    pane->setFrameShadow(QFrame::Sunken);
    statusBar()->addPermanentWidget(pane);
    panes.append(pane);
    const int index = int(panes.size()) - 1;
    if (width >= 0)
        SetPaneWidth(index, width);
    return index;
}

void FrameWindow::SetPaneText(int index, const QString& text)
{
    if (index < 0 || index >= panes.size())
        return;
    panes[index]->setText(text);
    // Callers show progress in the middle of long work, before the event loop runs again.
    panes[index]->repaint();
}

QString FrameWindow::GetPaneText(int index) const
{
    return index >= 0 && index < panes.size() ? panes[index]->text() : QString();
}

void FrameWindow::SetPaneWidth(int index, int width)
{
    if (index > 0 && index < panes.size())
        panes[index]->setFixedWidth(width);
}

void FrameWindow::SetActiveView(View* view)
{
    activeView = view;
    activeViewObject = dynamic_cast<QObject*>(view);
    activeViewIsObject = activeViewObject != nullptr;
    UpdateFrameTitle();
    ScheduleUpdate();
}

View* FrameWindow::GetActiveView() const
{
    if (activeViewIsObject && !activeViewObject)
        return nullptr;
    return activeView;
}

Document* FrameWindow::GetActiveDocument() const
{
    View* view = GetActiveView();
    return view ? view->GetDocument() : nullptr;
}

void FrameWindow::SetDropHandler(std::function<void(const QString&)> handler)
{
    dropHandler = std::move(handler);
}

void FrameWindow::SetAppName(const QString& name)
{
    appName = name;
    UpdateFrameTitle();
}

std::vector<CommandTarget*> FrameWindow::Route() const
{
    std::vector<CommandTarget*> route;
    if (View* view = GetActiveView()) {
        route.push_back(view);
        if (Document* document = view->GetDocument())
            route.push_back(document);
    }
    route.push_back(const_cast<FrameWindow*>(this));
    if (appTarget)
        route.push_back(appTarget);
    return route;
}

bool FrameWindow::RouteCommand(int id)
{
    // A key may arrive before the update pass has grayed its command, so the state is checked
    // again here.
    if (!RouteUpdateCommand(id).enabled)
        return false;
    for (CommandTarget* target : Route()) {
        if (target->OnCommand(id)) {
            ScheduleUpdate();
            return true;
        }
    }
    return false;
}

CommandState FrameWindow::RouteUpdateCommand(int id)
{
    if (Progress::Running() && !RunsDuringProgress(id)) {
        CommandState busy;
        busy.enabled = false;
        return busy;
    }
    for (CommandTarget* target : Route()) {
        CommandState state;
        if (target->OnUpdateCommand(id, state))
            return state;
    }
    CommandState unhandled;
    unhandled.enabled = false;
    return unhandled;
}

void FrameWindow::ApplyState(QAction& action, const CommandState& state)
{
    action.setEnabled(state.enabled);
    action.setVisible(state.visible);
    action.setCheckable(state.checked.has_value());
    action.setChecked(state.checked.value_or(false));
    if (!state.text.isEmpty())
        action.setText(state.text);
}

void FrameWindow::UpdateCommandUI()
{
    for (const auto& [id, action] : actions)
        ApplyState(*action, RouteUpdateCommand(id));
    UpdateFrameTitle();
    // The docking bars' close buttons and captions follow the mouse and the focus.
    if (DockSite* site = qobject_cast<DockSite*>(centralWidget()))
        site->UpdateBars();
}

void FrameWindow::UpdateMenuUI(QMenu& menu)
{
    for (QAction* action : menu.actions()) {
        if (QMenu* submenu = action->menu())
            UpdateMenuUI(*submenu);
        else if (const int id = action->data().toInt())
            ApplyState(*action, RouteUpdateCommand(id));
    }
}

void FrameWindow::UpdateFrameTitle()
{
    const Document* document = GetActiveDocument();
    // Qt shows "[*]" as "*" while the window is modified and drops it otherwise; a "[*]" of the
    // file's own name is doubled, which Qt shows as it is.
    const QString title = document
        ? document->GetTitle().replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"))
            + QStringLiteral("[*] - ") + appName
        : appName;
    if (windowTitle() != title)
        setWindowTitle(title);
    setWindowModified(document && document->IsModified());
}

void FrameWindow::ScheduleUpdate()
{
    if (updatePending)
        return;
    updatePending = true;
    QTimer::singleShot(0, this, [this] {
        updatePending = false;
        UpdateCommandUI();
    });
}

void FrameWindow::LoadWindowPlacement(AppSettings& settings, const QString& section, int percent)
{
    const auto entry = [&settings, &section](const char* name) {
        return settings.GetProfileInt(section, QString::fromLatin1(name), 0);
    };
    QRect place(entry("Left"), entry("Top"), entry("Width"), entry("Height"));
    if (place.width() <= 0 || place.height() <= 0) {
        const QScreen* primary = QGuiApplication::primaryScreen();
        place = primary ? WindowPlacement::Centred(primary->availableGeometry(), percent)
                        : QRect(0, 0, 960, 680);
    }
    setGeometry(WindowPlacement::FitOnScreens(place, WindowPlacement::AvailableScreens()));
    // The frame the window system draws around the window must fit too; its size is known
    // once the window shows.
    fitFrameOnShow = true;
    if (entry("Maximized"))
        setWindowState(windowState() | Qt::WindowMaximized);
}

void FrameWindow::SaveWindowPlacement(AppSettings& settings, const QString& section) const
{
    // The size the window returns to from maximised, so that it does not come back as large
    // as the screen and unmaximised.
    const QRect place = normalGeometry().isValid() ? normalGeometry() : geometry();
    settings.WriteProfileInt(section, QStringLiteral("Left"), place.left());
    settings.WriteProfileInt(section, QStringLiteral("Top"), place.top());
    settings.WriteProfileInt(section, QStringLiteral("Width"), place.width());
    settings.WriteProfileInt(section, QStringLiteral("Height"), place.height());
    settings.WriteProfileBool(section, QStringLiteral("Maximized"), isMaximized());
}

bool FrameWindow::OnCreate(Document&) { return true; }

void FrameWindow::OnClose()
{
    if (Document* document = GetActiveDocument())
        document->OnCloseDocument();
}

void FrameWindow::closeEvent(QCloseEvent* event)
{
    if (Progress::Running()) {
        event->ignore();
        Progress::Interrupt([window = QPointer<FrameWindow>(this)] {
            if (window)
                window->close();
        });
        return;
    }
    Document* document = GetActiveDocument();
    if (document && !document->SaveModified()) {
        event->ignore();
        return;
    }
    OnClose();
    event->accept();
}

void FrameWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!FirstLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void FrameWindow::dropEvent(QDropEvent* event)
{
    const QString path = FirstLocalFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop is over: the save check may ask a question, and the program the
    // file came from should not wait for the answer.
    QTimer::singleShot(0, this, [this, path] {
        activateWindow();
        if (dropHandler)
            dropHandler(path);
        UpdateCommandUI();
    });
}

bool FrameWindow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
    case QEvent::Enter:
    case QEvent::Leave:
        ScheduleUpdate();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrameWindow::FitFrameOnScreen()
{
    const QRect frame = frameGeometry();
    const QRect fitted = WindowPlacement::FitOnScreens(frame, WindowPlacement::AvailableScreens());
    if (fitted == frame)
        return;
    setGeometry(QRect(fitted.topLeft() + (geometry().topLeft() - frame.topLeft()),
        geometry().size() - (frame.size() - fitted.size())));
}

void FrameWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (fitFrameOnShow && !event->spontaneous()) {
        fitFrameOnShow = false;
        if (!isMaximized())
            FitFrameOnScreen();
    }
    ScheduleUpdate();
}
