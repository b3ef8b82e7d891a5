#include "Application.h"

#include "BusyCursor.h"
#include "Document.h"
#include "FrameWindow.h"
#include "FrameworkIds.h"
#include "Progress.h"
#include "QtPrompts.h"
#include "View.h"
#include "WaitCursor.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

Application* Application::instance = nullptr;

Application::Application()
{
    instance = this;
    if (!Prompts::HasInstance()) {
        ownPrompts = std::make_unique<QtPrompts>();
        Prompts::SetInstance(ownPrompts.get());
    }
    // The document core marks its long operations (saving) through BusyCursor.
    BusyCursor::Install([] { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); },
        [] { QGuiApplication::restoreOverrideCursor(); });
    AddCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    AddCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
    AddCommand(ID_APP_EXIT, [this] {
        if (frame)
            frame->close();
    });
    for (int index = 0; index < recentFiles.MaxSize(); ++index) {
        AddCommand(ID_FILE_MRU_FILE1 + index, [this, index] { OnOpenRecentFile(index); });
        AddUpdateCommand(ID_FILE_MRU_FILE1 + index,
            [this, index](CommandState& state) { OnUpdateRecentFile(index, state); });
    }
}

Application::~Application()
{
    frame.reset();
    document.reset();
    if (instance == this) {
        instance = nullptr;
        BusyCursor::Install(nullptr, nullptr);
    }
}

Application* Application::Instance() { return instance; }

bool Application::InitInstance() { return true; }

int Application::ExitInstance()
{
    SaveStdProfileSettings();
    settings.Sync();
    return 0;
}

void Application::SetDocTemplate(SingleDocTemplate newTemplate)
{
    docTemplate = std::move(newTemplate);
}

void Application::LoadStdProfileSettings() { recentFiles.Load(settings); }

void Application::SaveStdProfileSettings() { recentFiles.Save(settings); }

Prompts& Application::GetPrompts() { return Prompts::Instance(); }

bool Application::CreateDocumentFrame()
{
    if (document)
        return true;
    if (!docTemplate.createDocument || !docTemplate.createFrame || !docTemplate.createView)
        return false;
    document = docTemplate.createDocument();
    if (!document)
        return false;
    document->SetFileType(docTemplate.filter, docTemplate.defaultExtension);
    document->SetRecentFileList(&recentFiles);
    frame = docTemplate.createFrame(*document);
    if (!frame) {
        document.reset();
        return false;
    }
    View* view = docTemplate.createView(*frame, *document);
    if (auto* widget = dynamic_cast<QWidget*>(view))
        frame->setCentralWidget(widget);
    if (view) {
        document->AddView(view);
        frame->SetActiveView(view);
    }
    frame->SetAppTarget(this);
    frame->SetDropHandler([this](const QString& path) { OpenDocumentFile(path); });
    if (!frame->OnCreate(*document)) {
        frame.reset();
        document.reset();
        return false;
    }
    return true;
}

bool Application::ProcessShellCommand(const QString& path)
{
    return path.isEmpty() ? OnFileNew() : OpenDocumentFile(path);
}

bool Application::OnFileNew()
{
    // A load still running ends first; its caller must have unwound before another starts.
    if (Progress::Running()) {
        Progress::Interrupt([this] { OnFileNew(); });
        return false;
    }
    if (!CreateDocumentFrame())
        return false;
    if (!document->SaveModified() || !document->OnNewDocument())
        return false;
    document->SendInitialUpdate();
    frame->UpdateFrameTitle();
    return true;
}

void Application::OnFileOpen()
{
    if (Progress::Running()) {
        Progress::Interrupt([this] { OnFileOpen(); });
        return;
    }
    const QString filter = document ? document->GetFileFilter() : QString();
    const QString path = GetPrompts().GetOpenFileName(QStringLiteral("Open"), filter, QString());
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

bool Application::OpenDocumentFile(const QString& path)
{
    if (Progress::Running()) {
        Progress::Interrupt([this, path] { OpenDocumentFile(path); });
        return false;
    }
    if (!CreateDocumentFrame())
        return false;
    const QString fullPath = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!document->GetPathName().isEmpty()
        && QDir::cleanPath(QFileInfo(document->GetPathName()).absoluteFilePath()) == fullPath) {
        frame->activateWindow();
        return true;
    }
    if (!document->SaveModified())
        return false;
    WaitCursor wait;
    const bool wasModified = document->IsModified();
    document->SetModifiedFlag(false);
    if (!document->OnOpenDocument(fullPath)) {
        // The document reported what went wrong and kept its old contents.
        if (!document->IsModified())
            document->SetModifiedFlag(wasModified);
        return false;
    }
    document->SetPathName(fullPath);
    document->SetModifiedFlag(false);
    document->SendInitialUpdate();
    frame->UpdateFrameTitle();
    return true;
}

void Application::OnOpenRecentFile(int index)
{
    const QString path = recentFiles.At(index);
    if (path.isEmpty())
        return;
    if (!QFileInfo::exists(path)) {
        GetPrompts().MessageBox(
            QStringLiteral("%1\nThe file could not be found and is removed from the recent file "
                           "list.")
                .arg(QDir::toNativeSeparators(path)),
            QString(), Prompts::Buttons::Ok, Prompts::Icon::Warning);
        recentFiles.Remove(index);
        return;
    }
    OpenDocumentFile(path);
}

void Application::OnUpdateRecentFile(int index, CommandState& state)
{
    if (index < recentFiles.Count()) {
        state.text = recentFiles.MenuText(index);
        return;
    }
    // An empty list shows one grayed placeholder in the first entry's place.
    state.visible = index == 0;
    state.enabled = false;
    state.text = QStringLiteral("Recent File");
}
