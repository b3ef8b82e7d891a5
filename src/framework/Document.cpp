#include "Document.h"

#include "FrameworkIds.h"
#include "Prompts.h"
#include "RecentFileList.h"
#include "View.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {
QString UntitledName() { return QStringLiteral("Untitled"); }
}

Document::Document()
    : title(UntitledName())
{
    AddCommand(ID_FILE_SAVE, [this] { DoFileSave(); });
    AddCommand(ID_FILE_SAVE_AS, [this] { DoSave(QString()); });
}

Document::~Document()
{
    for (View* view : views)
        view->document = nullptr;
}

void Document::SetPathName(const QString& path, bool addToRecent)
{
    pathName = path;
    title = path.isEmpty() ? UntitledName() : QFileInfo(path).fileName();
    if (addToRecent && recentFiles && !path.isEmpty())
        recentFiles->Add(path);
}

void Document::SetFileType(const QString& filter, const QString& extension)
{
    fileFilter = filter;
    defaultExtension = extension;
}

QString Document::GetFileFilter() const
{
    const QString allFiles = QStringLiteral("All Files (*)");
    return fileFilter.isEmpty() ? allFiles : fileFilter + QStringLiteral(";;") + allFiles;
}

void Document::AddView(View* view)
{
    if (view->document == this)
        return;
    if (view->document)
        view->document->RemoveView(view);
    views.push_back(view);
    view->document = this;
}

void Document::RemoveView(View* view)
{
    auto found = std::find(views.begin(), views.end(), view);
    if (found == views.end())
        return;
    views.erase(found);
    view->document = nullptr;
}

void Document::UpdateAllViews(View* sender, long hint)
{
    // A copy, because a view may add or remove views while it updates.
    const std::vector<View*> current = views;
    for (View* view : current) {
        if (view != sender)
            view->OnUpdate(sender, hint);
    }
}

void Document::SendInitialUpdate()
{
    const std::vector<View*> current = views;
    for (View* view : current)
        view->OnInitialUpdate();
}

bool Document::OnNewDocument()
{
    DeleteContents();
    SetPathName(QString(), false);
    SetModifiedFlag(false);
    return true;
}

bool Document::OnOpenDocument(const QString&)
{
    DeleteContents();
    SetModifiedFlag(false);
    return true;
}

bool Document::OnSaveDocument(const QString&)
{
    // The base has no contents of its own to write.
    SetModifiedFlag(false);
    return true;
}

void Document::OnCloseDocument() { DeleteContents(); }

void Document::DeleteContents() { }

QString Document::PromptName() const
{
    if (!pathName.isEmpty())
        return QFileInfo(pathName).fileName();
    return title.isEmpty() ? UntitledName() : title;
}

bool Document::SaveModified()
{
    if (!IsModified())
        return true;
    const Prompts::Button answer
        = Prompts::Instance().MessageBox(QStringLiteral("Save changes to %1?").arg(PromptName()),
            QString(), Prompts::Buttons::YesNoCancel, Prompts::Icon::Question);
    switch (answer) {
    case Prompts::Button::Yes:
        return DoFileSave();
    case Prompts::Button::No:
        return true;
    default:
        return false;
    }
}

bool Document::DoFileSave()
{
    const QFileInfo file(pathName);
    if (pathName.isEmpty() || (file.exists() && !file.isWritable()))
        return DoSave(QString());
    return DoSave(pathName);
}

bool Document::DoSave(const QString& path, bool replace)
{
    QString target = path;
    if (target.isEmpty()) {
        QString proposal = pathName.isEmpty() ? title : pathName;
        if (!defaultExtension.isEmpty() && !QFileInfo(proposal).fileName().contains(u'.'))
            proposal += defaultExtension;
        target = Prompts::Instance().GetSaveFileName(
            QStringLiteral("Save As"), GetFileFilter(), proposal);
        if (target.isEmpty())
            return false;
        if (!defaultExtension.isEmpty() && !QFileInfo(target).fileName().contains(u'.')) {
            target += defaultExtension;
            // The file dialog asked about the name as typed; the name with the extension may
            // be another file that is already there.
            if (QFileInfo::exists(target)
                && Prompts::Instance().MessageBox(
                       QStringLiteral("%1 already exists.\nDo you want to replace it?")
                           .arg(QDir::toNativeSeparators(target)),
                       QStringLiteral("Save As"), Prompts::Buttons::YesNo, Prompts::Icon::Warning)
                    != Prompts::Button::Yes)
                return false;
        }
    }
    if (!OnSaveDocument(target))
        return false;
    if (replace) {
        SetPathName(target);
        SetModifiedFlag(false);
    }
    return true;
}
