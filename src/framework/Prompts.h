#pragma once

#include <QString>
#include <QStringList>

class QDialog;
class QMenu;
class QPoint;

// Everything that waits for the user or hands work to another program, behind one interface,
// so that the program shows real windows and tests answer from a script.
class Prompts {
public:
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Button { Ok, Cancel, Yes, No };
    enum class Icon { None, Information, Warning, Error, Question };

    Prompts() = default;
    Prompts(const Prompts&) = delete;
    Prompts& operator=(const Prompts&) = delete;
    // Uninstalls this instance when it is the current one.
    virtual ~Prompts();

    // An empty caption stands for the application's name.
    virtual Button MessageBox(
        const QString& text, const QString& caption, Buttons buttons, Icon icon)
        = 0;
    // filter: Qt's form, "Name (*.ext);;All Files (*)". initialPath: a folder or a proposed file.
    // The result is the chosen path, or empty when the user cancelled.
    virtual QString GetOpenFileName(
        const QString& caption, const QString& filter, const QString& initialPath)
        = 0;
    virtual QString GetSaveFileName(
        const QString& caption, const QString& filter, const QString& initialPath)
        = 0;
    // Runs a modal dialog; the result is QDialog::exec()'s.
    virtual int ExecDialog(QDialog& dialog) = 0;
    // Shows a popup menu; the result is the command id (the action's data) of the chosen item,
    // or 0 when the menu was dismissed.
    virtual int TrackPopupMenu(QMenu& menu, const QPoint& globalPos) = 0;
    // Opens a file or a web address (anything with a scheme) with the desktop's handler.
    virtual bool OpenWithDesktop(const QString& fileOrUrl) = 0;
    // Starts a program detached from this one.
    virtual bool StartProcess(const QString& program, const QStringList& arguments) = 0;

    // The process-wide instance; without one installed, every call fails without waiting.
    static Prompts& Instance();
    // Not owned; null uninstalls.
    static void SetInstance(Prompts* prompts);
    static bool HasInstance();

private:
    static Prompts* current;
};
