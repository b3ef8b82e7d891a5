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
    QCoreApplication::setApplicationVersion(QStringLiteral("3.1.1"));
    QCommandLineParser parser;
    Describe(parser);
    if (AsksForHelpOrVersion(argc, argv)) {
        QCoreApplication console(argc, argv);
        parser.process(console); // prints and exits
        return 0;
    }

    QApplication qapp(argc, argv);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Trelvo"));
    parser.process(qapp);
    if (parser.positionalArguments().size() > 1)
        parser.showHelp(1);

    TrelvoApp app;
    app.SetCommandLineFile(parser.positionalArguments().value(0));
    if (!app.InitInstance())
        return 1;
    QApplication::exec();
    return app.ExitInstance();
}
