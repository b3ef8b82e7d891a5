#include "QtPrompts.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QList>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace {
QMessageBox::StandardButtons ToStandard(Prompts::Buttons buttons)
{
    switch (buttons) {
    case Prompts::Buttons::Ok:
        return QMessageBox::Ok;
    case Prompts::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Prompts::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Prompts::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon ToStandard(Prompts::Icon icon)
{
    switch (icon) {
    case Prompts::Icon::None:
        return QMessageBox::NoIcon;
    case Prompts::Icon::Information:
        return QMessageBox::Information;
    case Prompts::Icon::Warning:
        return QMessageBox::Warning;
    case Prompts::Icon::Error:
        return QMessageBox::Critical;
    case Prompts::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

Prompts::Button FromStandard(int button)
{
    switch (button) {
    case QMessageBox::Ok:
        return Prompts::Button::Ok;
    case QMessageBox::Yes:
        return Prompts::Button::Yes;
    case QMessageBox::No:
        return Prompts::Button::No;
    default:
        return Prompts::Button::Cancel;
    }
}

QWidget* Owner() { return QApplication::activeWindow(); }

// A modal window waits for the user: it shows its own cursors (the arrow, a hand over a link,
// the I-beam in a field) even when it opens in the middle of long work that set the wait
// cursor. The application-wide cursors are put aside while it is open and put back after.
class ArrowWhileOpen {
public:
    ArrowWhileOpen()
    {
        while (const QCursor* cursor = QGuiApplication::overrideCursor()) {
            saved.prepend(*cursor);
            QGuiApplication::restoreOverrideCursor();
        }
    }
    ~ArrowWhileOpen()
    {
        for (const QCursor& cursor : std::as_const(saved))
            QGuiApplication::setOverrideCursor(cursor);
    }
    ArrowWhileOpen(const ArrowWhileOpen&) = delete;
    ArrowWhileOpen& operator=(const ArrowWhileOpen&) = delete;

private:
    QList<QCursor> saved;
};
}

Prompts::Button QtPrompts::MessageBox(
    const QString& text, const QString& caption, Buttons buttons, Icon icon)
{
    const QString title = caption.isEmpty() ? QGuiApplication::applicationDisplayName() : caption;
    QMessageBox box(ToStandard(icon), title, text, ToStandard(buttons), Owner());
    ArrowWhileOpen arrow;
    return FromStandard(box.exec());
}

QString QtPrompts::GetOpenFileName(
    const QString& caption, const QString& filter, const QString& initialPath)
{
    ArrowWhileOpen arrow;
    return QFileDialog::getOpenFileName(Owner(), caption, initialPath, filter);
}

QString QtPrompts::GetSaveFileName(
    const QString& caption, const QString& filter, const QString& initialPath)
{
    ArrowWhileOpen arrow;
    return QFileDialog::getSaveFileName(Owner(), caption, initialPath, filter);
}

int QtPrompts::ExecDialog(QDialog& dialog)
{
    ArrowWhileOpen arrow;
    return dialog.exec();
}

int QtPrompts::TrackPopupMenu(QMenu& menu, const QPoint& globalPos)
{
    const QAction* chosen = menu.exec(globalPos);
    return chosen ? chosen->data().toInt() : 0;
}

bool QtPrompts::OpenWithDesktop(const QString& fileOrUrl)
{
    // A scheme of one letter is a drive name, not an address.
    const QUrl url(fileOrUrl);
    if (url.scheme().size() > 1)
        return QDesktopServices::openUrl(url);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(fileOrUrl));
}

bool QtPrompts::StartProcess(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}
