#include "TrelvoApp.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstring>

namespace {
void Describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("Trelvo, a viewer and editor for XML files."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("file"), QStringLiteral("The XML file to open."), QStringLiteral("[file]"));
}

// Help and version are printed without a display, so they work over ssh and in scripts.
bool AsksForHelpOrVersion(int argc, char* argv[])
{
    for (int index = 1; index < argc; ++index) {
        for (const char* option : { "-h", "--help", "-?", "--help-all", "-v", "--version" }) {
            if (std::strcmp(argv[index], option) == 0)
                return true;
        }
    }
    return false;
}
}

int main(int argc, char* argv[])
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvane Limited"));
    QCoreApplication::setApplicationName(QStringLiteral("Trelvo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TRELVO_VERSION));
    QCommandLineParser parser;
    Describe(parser);
    if (AsksForHelpOrVersion(argc, argv)) {
        QCoreApplication console(argc, argv);
        parser.process(console); // prints and exits
        return 0;
    }

    QApplication qapp(argc, argv);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Trelvo"));
    // The installed desktop entry's name without ".desktop": Wayland compositors and task bars
    // match the window to the entry, and so to its icon, by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.korvane.trelvo"));
    // As a file manager or a shortcut may pass them: the first file name is opened, anything
    // after it and any option this program does not know are ignored.
    parser.parse(QApplication::arguments());

    TrelvoApp app;
    app.SetCommandLineFile(parser.positionalArguments().value(0));
    if (!app.InitInstance()) {
        app.ExitInstance();
        return 1;
    }
    QApplication::exec();
    return app.ExitInstance();
}
