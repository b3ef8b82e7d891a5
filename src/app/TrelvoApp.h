#pragma once

#include "Application.h"
#include "UserSettings.h"

#include <QString>
#include <QStringList>

#include <memory>

class FrameWindow;

// The application object: ties the document, the main window and its view together, holds every
// user setting while the program runs, and keeps the temporary preview files until exit.
// The settings come first among the bases so that they outlive the frame, whose panes use them
// until they are gone.
class TrelvoApp : public UserSettings, public Application {
public:
    TrelvoApp();
    ~TrelvoApp() override;

    // The one instance, or null.
    static TrelvoApp* Instance();

    // The file to open at start; empty starts a new document. Set before InitInstance.
    void SetCommandLineFile(const QString& path) { commandLineFile = path; }

    bool InitInstance() override;
    int ExitInstance() override;

    // The full path of a new, empty ".htm" file made in the temporary folder for the user alone,
    // deleted at exit; empty when none can be made.
    QString MakeTempPreviewPath();

    // Temporary preview files made by MakeTempPreviewPath, oldest first.
    QStringList TempFiles;

    // The address the Donate command opens.
    static QString DonationAddress();

private:
    void ReadSettings();
    void WriteSettings();
    void ShowProductsOnFirstStart();
    std::unique_ptr<FrameWindow> CreateMainFrame();

    void OnAppAbout();
    void OnAppDonate();

    QString commandLineFile;
};
