#pragma once

#include "AppSettings.h"
#include "CommandTarget.h"
#include "RecentFileList.h"
#include "SingleDocTemplate.h"

#include <memory>

class Prompts;

// The program's application object: owns the settings, the recent-file list and the one
// document with its main window, and handles New, Open, the recent files and Exit.
class Application : public CommandTarget {
public:
    // Installs real prompts when none are installed yet; tests install theirs first.
    Application();
    ~Application() override;

    // The one instance, or null.
    static Application* Instance();

    // Derived applications set up their template and settings here; false ends the program.
    virtual bool InitInstance();
    // Runs after the event loop; the base stores the recent-file list. Returns the exit code.
    virtual int ExitInstance();

    void SetDocTemplate(SingleDocTemplate docTemplate);
    // Reads the recent-file list from the settings.
    void LoadStdProfileSettings();
    void SaveStdProfileSettings();
    // An empty path starts a new document, otherwise the file is opened. Makes the document and
    // its frame on first use; the frame is not shown.
    bool ProcessShellCommand(const QString& path);

    // The save check, then a new empty document.
    bool OnFileNew();
    // Asks for a file and opens it.
    void OnFileOpen();
    // The save check, then the document reads the file. A file that is already the document's
    // is left as it is. On success the document takes the path, is not modified, and its views
    // get their initial update.
    bool OpenDocumentFile(const QString& path);
    // Opens entry index of the recent-file list; a file that no longer exists is reported and
    // dropped from the list.
    void OnOpenRecentFile(int index);

    Document* GetDocument() const { return document.get(); }
    FrameWindow* GetMainFrame() const { return frame.get(); }
    AppSettings& GetSettings() { return settings; }
    RecentFileList& GetRecentFiles() { return recentFiles; }
    Prompts& GetPrompts();

private:
    bool CreateDocumentFrame();
    void OnUpdateRecentFile(int index, CommandState& state);

    static Application* instance;

    AppSettings settings;
    RecentFileList recentFiles;
    SingleDocTemplate docTemplate;
    std::unique_ptr<Prompts> ownPrompts;
    // Declared before the frame so that the frame, and the views in it, go first.
    std::unique_ptr<Document> document;
    std::unique_ptr<FrameWindow> frame;
};
