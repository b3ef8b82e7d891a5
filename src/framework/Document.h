#pragma once

#include "CommandTarget.h"

#include <QString>

#include <vector>

class RecentFileList;
class View;

// Keeps a document's file path, title and modified flag, tells its views about changes, and
// runs the save check, Save and Save As around the derived class's reading and writing.
class Document : public CommandTarget {
public:
    Document();
    ~Document() override;

    QString GetPathName() const { return pathName; }
    // Sets the path and the title (the file name); an empty path gives the title "Untitled".
    // addToRecent: put the path at the top of the recent-file list, when one is attached.
    void SetPathName(const QString& path, bool addToRecent = true);
    QString GetTitle() const { return title; }
    void SetTitle(const QString& newTitle) { title = newTitle; }

    bool IsModified() const { return modified; }
    void SetModifiedFlag(bool isModified = true) { modified = isModified; }

    // filter: the document type's file-dialog filter ("*.xml (*.xml)"), to which the dialogs add
    // "All Files (*)"; defaultExtension (".xml") is appended to a typed name that has none.
    void SetFileType(const QString& filter, const QString& defaultExtension);
    QString GetFileFilter() const;
    // Not owned; the list must outlive the document or be detached with null.
    void SetRecentFileList(RecentFileList* list) { recentFiles = list; }

    void AddView(View* view);
    void RemoveView(View* view);
    const std::vector<View*>& GetViews() const { return views; }
    void UpdateAllViews(View* sender, long hint = 0);
    void SendInitialUpdate();

    // Each returns false when it did not succeed; the framework then keeps the previous state.
    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const QString& path);
    virtual bool OnSaveDocument(const QString& path);
    virtual void OnCloseDocument();
    // Drops the document's contents; called by New, Open and Close.
    virtual void DeleteContents();

    // Asks "Save changes to ...?" when modified. True when the caller may go on (saved, or the
    // user chose No); false on Cancel or when the save failed or was cancelled.
    virtual bool SaveModified();
    // Saves to the current path even when not modified; without one, asks like Save As.
    bool DoFileSave();
    // Saves to path, or to a path asked for when it is empty. replace: the document takes the
    // new path (Save As); otherwise it is written as a copy.
    bool DoSave(const QString& path, bool replace = true);

private:
    QString PromptName() const;

    QString pathName;
    QString title;
    bool modified = false;
    QString fileFilter;
    QString defaultExtension;
    RecentFileList* recentFiles = nullptr;
    std::vector<View*> views;
};
