#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

struct CommandState;
class TrelvoView;

// The tree view's XSLT commands: apply a style sheet the user picks, or the one the document
// links to, write the result to a file the user names or to a temporary preview file, and show
// it as the settings say.
class XsltCommands {
public:
    explicit XsltCommands(TrelvoView& view);

    // The command identifiers with their handlers, for the view's command table.
    std::vector<std::pair<int, std::function<void()>>> Handlers();
    std::vector<std::pair<int, std::function<void(CommandState&)>>> UpdateHandlers();

    void OnApplyXslt();
    void OnApplyLinkedXslt();
    // Transforms the document with the style sheet at path and writes and shows the result.
    void ApplyStylesheet(const QString& styleSheetPath);

    // The program and arguments that preview path with the program setting: the whole setting
    // when it names an executable file (blanks and all), else the setting split as a command
    // line; the path is always one argument of its own. An empty program: the setting names
    // nothing to run.
    static std::pair<QString, QStringList> PreviewCommand(
        const QString& setting, const QString& path);

private:
    bool HasRootElement() const;
    // Writes the text as UTF-16 little-endian with a byte-order mark; false after telling the
    // user why it could not.
    bool WriteOutput(const QString& path, const QString& text, bool preview);
    void Preview(const QString& path);

    TrelvoView& view;
};
