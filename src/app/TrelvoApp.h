#pragma once

#include "Application.h"

#include <QString>
#include <QStringList>

#include <memory>

class FrameWindow;

// The application object: ties the document, the main window and its view together, holds every
// user setting while the program runs, and keeps the temporary preview files until exit.
class TrelvoApp : public Application {
public:
    TrelvoApp();
    ~TrelvoApp() override;

    // The one instance, or null.
    static TrelvoApp* Instance();

    // The file to open at start; empty starts a new document. Set before InitInstance.
    void SetCommandLineFile(const QString& path) { commandLineFile = path; }

    bool InitInstance() override;
    int ExitInstance() override;

    // The full path of a new, unique ".htm" file in the temporary folder, deleted at exit.
    QString MakeTempPreviewPath();

    // The settings, read at start and written back at exit.
    bool ExpandOnLoad = false;
    int ShowAttributesInTree = 0;
    int ImageScale = 0;
    int XmlSourceFormat = 1;
    int XmlSourceFormatSpaces = 4;
    int XsltOutput = 0;
    int XsltPreview = 0;
    QString XsltPreviewProgram;
    int InsertItemDlgPosX = -1;
    int InsertItemDlgPosY = -1;
    int InsertItemDlgWidth = 0;
    int InsertItemDlgHeight = 0;
    int AttributeNameWidth = 0;
    int AttributeValueWidth = 0;
    int AttributeSortColumn = -1;
    bool AttributeSortAscending = false;
    int FindDirection = 1;
    int FindCase = 0;
    int FindWholeWords = 0;
    int FindNames = 1;
    int FindValues = 1;
    int FindProps = 1;

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
