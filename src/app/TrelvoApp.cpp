#include "TrelvoApp.h"

#include "AboutDlg.h"
#include "AppCommands.h"
#include "AppIds.h"
#include "AttributeView.h"
#include "FrameworkIds.h"
#include "ImageView.h"
#include "MainFrame.h"
#include "Prompts.h"
#include "SourceView.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTemporaryFile>

#include <algorithm>
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

TrelvoApp::~TrelvoApp()
{
    // The frame, and the attribute pane in it, outlive this object's members (the framework
    // destroys them after): the pane keeps its own copy of the settings from here on.
    if (g_pAttributeView)
        g_pAttributeView->SetSettingsStore({}, {});
}

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
        view->SetSettingsSource([this] {
            return TreeSettings { ExpandOnLoad, ShowAttributesInTree, InsertItemDlgPosX,
                InsertItemDlgPosY, InsertItemDlgWidth, InsertItemDlgHeight };
        });
        view->SetSettingsStore([this](const TreeSettings& changed) {
            InsertItemDlgPosX = changed.InsertItemDlgPosX;
            InsertItemDlgPosY = changed.InsertItemDlgPosY;
            InsertItemDlgWidth = changed.InsertItemDlgWidth;
            InsertItemDlgHeight = changed.InsertItemDlgHeight;
        });
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

void TrelvoApp::ReadSettings()
{
    AppSettings& store = GetSettings();
    const QString& s = SettingsSection;
    ExpandOnLoad = store.GetProfileBool(s, QStringLiteral("ExpandOnLoad"), false);
    ShowAttributesInTree = store.GetProfileInt(s, QStringLiteral("ShowAttributesInTree"), 0);
    ImageScale = store.GetProfileInt(s, QStringLiteral("ImageScale"), 0);
    XmlSourceFormat = store.GetProfileInt(s, QStringLiteral("XmlSourceFormat"), 1);
    // The source pane makes a string of this many spaces per level; a damaged file must not
    // make it build enormous ones.
    XmlSourceFormatSpaces
        = std::min(store.GetProfileInt(s, QStringLiteral("XmlSourceFormatSpaces"), 4), 8);
    XsltOutput = store.GetProfileInt(s, QStringLiteral("XsltOutput"), 0);
    XsltPreview = store.GetProfileInt(s, QStringLiteral("XsltPreview"), 0);
    XsltPreviewProgram = store.GetProfileString(s, QStringLiteral("XsltPreviewProgram"));
    InsertItemDlgPosX = store.GetProfileInt(s, QStringLiteral("InsertItemDlgPosX"), -1);
    InsertItemDlgPosY = store.GetProfileInt(s, QStringLiteral("InsertItemDlgPosY"), -1);
    InsertItemDlgWidth = store.GetProfileInt(s, QStringLiteral("InsertItemDlgWidth"), 0);
    InsertItemDlgHeight = store.GetProfileInt(s, QStringLiteral("InsertItemDlgHeight"), 0);
    AttributeNameWidth = store.GetProfileInt(s, QStringLiteral("AttributeNameWidth"), 0);
    AttributeValueWidth = store.GetProfileInt(s, QStringLiteral("AttributeValueWidth"), 0);
    FindDirection = store.GetProfileInt(s, QStringLiteral("FindDirection"), 1);
    FindCase = store.GetProfileInt(s, QStringLiteral("FindCase"), 0);
    FindWholeWords = store.GetProfileInt(s, QStringLiteral("FindWholeWords"), 0);
    FindNames = store.GetProfileInt(s, QStringLiteral("FindNames"), 1);
    FindValues = store.GetProfileInt(s, QStringLiteral("FindValues"), 1);
    FindProps = store.GetProfileInt(s, QStringLiteral("FindProps"), 1);
    AttributeSortColumn = store.GetProfileInt(s, QStringLiteral("AttributeSortColumn"), -1);
    AttributeSortAscending
        = store.GetProfileBool(s, QStringLiteral("AttributeSortAscending"), false);
}

void TrelvoApp::WriteSettings()
{
    AppSettings& store = GetSettings();
    const QString& s = SettingsSection;
    store.WriteProfileBool(s, QStringLiteral("ExpandOnLoad"), ExpandOnLoad);
    store.WriteProfileInt(s, QStringLiteral("ShowAttributesInTree"), ShowAttributesInTree);
    store.WriteProfileInt(s, QStringLiteral("ImageScale"), ImageScale);
    store.WriteProfileInt(s, QStringLiteral("XmlSourceFormat"), XmlSourceFormat);
    store.WriteProfileInt(s, QStringLiteral("XmlSourceFormatSpaces"), XmlSourceFormatSpaces);
    store.WriteProfileInt(s, QStringLiteral("XsltOutput"), XsltOutput);
    store.WriteProfileInt(s, QStringLiteral("XsltPreview"), XsltPreview);
    store.WriteProfileString(s, QStringLiteral("XsltPreviewProgram"), XsltPreviewProgram);
    store.WriteProfileInt(s, QStringLiteral("InsertItemDlgPosX"), InsertItemDlgPosX);
    store.WriteProfileInt(s, QStringLiteral("InsertItemDlgPosY"), InsertItemDlgPosY);
    store.WriteProfileInt(s, QStringLiteral("InsertItemDlgWidth"), InsertItemDlgWidth);
    store.WriteProfileInt(s, QStringLiteral("InsertItemDlgHeight"), InsertItemDlgHeight);
    store.WriteProfileInt(s, QStringLiteral("AttributeNameWidth"), AttributeNameWidth);
    store.WriteProfileInt(s, QStringLiteral("AttributeValueWidth"), AttributeValueWidth);
    store.WriteProfileInt(s, QStringLiteral("AttributeSortColumn"), AttributeSortColumn);
    store.WriteProfileBool(s, QStringLiteral("AttributeSortAscending"), AttributeSortAscending);
    store.WriteProfileInt(s, QStringLiteral("FindDirection"), FindDirection);
    store.WriteProfileInt(s, QStringLiteral("FindCase"), FindCase);
    store.WriteProfileInt(s, QStringLiteral("FindWholeWords"), FindWholeWords);
    store.WriteProfileInt(s, QStringLiteral("FindNames"), FindNames);
    store.WriteProfileInt(s, QStringLiteral("FindValues"), FindValues);
    store.WriteProfileInt(s, QStringLiteral("FindProps"), FindProps);
}

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
    QString path;
    do {
        // The placeholder only reserves a unique name while the name is made; it is removed
        // when the object goes away.
        QTemporaryFile placeholder(QDir::tempPath() + QStringLiteral("/tmpXXXXXX"));
        if (!placeholder.open())
            return QString();
        path = placeholder.fileName() + QStringLiteral(".htm");
        // Once its placeholder is gone, a name may come round again; a preview that may still be
        // open in a browser must not be overwritten.
    } while (TempFiles.contains(path));
    QFile::remove(path);
    TempFiles.append(path);
    return path;
}

std::unique_ptr<FrameWindow> TrelvoApp::CreateMainFrame()
{
    auto frame = std::make_unique<MainFrame>(*this);
    frame->resize(960, 680);
    return frame;
}

void TrelvoApp::OnAppAbout()
{
    AboutDlg dialog(GetMainFrame());
    GetPrompts().ExecDialog(dialog);
}

void TrelvoApp::OnAppDonate() { GetPrompts().OpenWithDesktop(DonationAddress()); }
