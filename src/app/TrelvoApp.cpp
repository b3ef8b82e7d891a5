#include "TrelvoApp.h"

#include "AboutDlg.h"
#include "AppCommands.h"
#include "AppIds.h"
#include "AttributeView.h"
#include "FrameworkIds.h"
#include "ImageView.h"
#include "MainFrame.h"
#include "Prompts.h"
#include "SettingsTable.h"
#include "SourceView.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTemporaryFile>

#include <utility>

namespace {
const QString SettingsSection = QStringLiteral("Settings");

QIcon AppIcon()
{
    QIcon icon;
    for (int size : { 16, 32, 48, 64, 128, 256 })
        icon.addFile(QStringLiteral(":/icons/trelvo-%1.png").arg(size), QSize(size, size));
    return icon;
}
}

TrelvoApp::TrelvoApp()
{
    // The resources live in a static library; nothing else would pull them into the program.
    Q_INIT_RESOURCE(trelvo);

    AddCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
    AddCommand(ID_APP_DONATE, [this] { OnAppDonate(); });
}

TrelvoApp::~TrelvoApp() = default;

TrelvoApp* TrelvoApp::Instance() { return dynamic_cast<TrelvoApp*>(Application::Instance()); }

QString TrelvoApp::DonationAddress()
{
    return QStringLiteral("https://www.korvane.example/donate");
}

bool TrelvoApp::InitInstance()
{
    QApplication::setWindowIcon(AppIcon());
    LoadStdProfileSettings();

    SingleDocTemplate docTemplate;
    docTemplate.createDocument = [] { return std::make_unique<TrelvoDoc>(); };
    docTemplate.createFrame = [this](Document&) { return CreateMainFrame(); };
    docTemplate.createView = [this](FrameWindow& frame, Document&) {
        auto* view = new TrelvoView(&frame);
        view->SetSettings(this);
        view->SetPreviewPaths([this] { return MakeTempPreviewPath(); });
        // The panes exist by now: the frame made them.
        if (g_pAttributeView)
            g_pAttributeView->SetEditor(&view->Editor());
        return view;
    };
    docTemplate.filter = TrelvoDoc::FileFilter();
    docTemplate.defaultExtension = TrelvoDoc::DefaultExtension();
    SetDocTemplate(docTemplate);

    ReadSettings();

    // A file that cannot be opened has been reported by the document; the user still gets a
    // window, with a new document in it.
    if (!ProcessShellCommand(commandLineFile) && (commandLineFile.isEmpty() || !OnFileNew()))
        return false;

    FrameWindow* frame = GetMainFrame();
    frame->show();
    frame->repaint();
    if (g_pAttributeView)
        g_pAttributeView->ApplyAttributeSettings();
    // The panes skipped the first selection while the window was still hidden.
    if (g_pSourceView)
        g_pSourceView->RefreshSource();
    if (g_pImageView)
        g_pImageView->RefreshImage();
    frame->setAcceptDrops(true);

    ShowProductsOnFirstStart();
    return true;
}

int TrelvoApp::ExitInstance()
{
    WriteSettings();
    for (const QString& path : std::as_const(TempFiles))
        QFile::remove(path);
    TempFiles.clear();
    return Application::ExitInstance();
}

void TrelvoApp::ReadSettings() { SettingsTable::Read(GetSettings(), SettingsSection, *this); }

void TrelvoApp::WriteSettings() { SettingsTable::Write(GetSettings(), SettingsSection, *this); }

void TrelvoApp::ShowProductsOnFirstStart()
{
    AppSettings& store = GetSettings();
    if (store.GetProfileInt(SettingsSection, QStringLiteral("FirstTime"), 1) == 0)
        return;
    if (auto* frame = dynamic_cast<MainFrame*>(GetMainFrame()))
        frame->OnHelpProducts();
    // Stored at once rather than at exit, so that a crash does not show the dialog again.
    store.WriteProfileInt(SettingsSection, QStringLiteral("FirstTime"), 0);
    store.Sync();
}

QString TrelvoApp::MakeTempPreviewPath()
{
    // The file is made here, under a name no file had, readable by the user alone: a name that
    // is only reserved could meanwhile be taken by a link that another user put in the shared
    // folder, and the preview would be written wherever that points.
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/tmpXXXXXX.htm"));
    file.setAutoRemove(false);
    if (!file.open())
        return QString();
    const QString path = file.fileName();
    file.close();
    TempFiles.append(path);
    return path;
}

std::unique_ptr<FrameWindow> TrelvoApp::CreateMainFrame()
{
    return std::make_unique<MainFrame>(*this);
}

void TrelvoApp::OnAppAbout()
{
    AboutDlg dialog(GetMainFrame());
    GetPrompts().ExecDialog(dialog);
}

void TrelvoApp::OnAppDonate() { GetPrompts().OpenWithDesktop(DonationAddress()); }
