#include "QtPrompts.h"

#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QHeaderView>
#include <QList>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QTreeView>
#include <QUrl>

#include <algorithm>
#include <iterator>

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

// Qt's own file dialog opens at its size hint, where the detail view cuts a long file name and
// the modification time short. Each column gets room for the widest text it usually shows (a
// long name, a size, a type, a time in the user's format), and the dialog the width of them
// all, within the screen it opens on. The view shares the width with the sidebar of places,
// whose width Qt restores from the last dialog, so the dialog is widened once it is laid out,
// when it is about to show, and before it reaches the screen.
class ColumnSizer : public QObject {
public:
    ColumnSizer(QFileDialog& dialog, QTreeView& view)
        : QObject(&dialog)
        , dialog(dialog)
        , view(view)
    {
        QHeaderView* header = view.header();
        const QFontMetrics metrics = view.fontMetrics();
        // Room for the cell's margins, and in the header for the sort arrow.
        const int padding = metrics.horizontalAdvance(QLatin1Char('M')) * 2;
        const QDateTime late(QDate(2000, 12, 28), QTime(23, 58, 58));
        const QString widest[] = { QStringLiteral("a-rather-long-document-name.xml"),
            QStringLiteral("1023.9 KiB"), QStringLiteral("XSLT stylesheet"),
            QLocale::system().toString(late, QLocale::ShortFormat) };
        const int count = std::min(header->count(), int(std::size(widest)));
        for (int column = 0; column < count; ++column) {
            int width = metrics.horizontalAdvance(widest[column]) + padding;
            if (column == 0)
                width += view.iconSize().width() + view.indentation();
            header->resizeSection(column, std::max(header->sectionSize(column), width));
        }
        dialog.resize(dialog.width(), std::max(dialog.height(), metrics.height() * 30));
        dialog.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &dialog && event->type() == QEvent::Show) {
            dialog.removeEventFilter(this);
            const int needed
                = view.header()->length() + view.verticalScrollBar()->sizeHint().width();
            QSize wanted(
                dialog.width() + std::max(needed - view.viewport()->width(), 0), dialog.height());
            // Room is left for the window's frame.
            if (const QScreen* screen = dialog.screen())
                wanted = wanted.boundedTo(screen->availableSize() - QSize(32, 32));
            dialog.resize(wanted);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QFileDialog& dialog;
    QTreeView& view;
};

QString RunFileDialog(QFileDialog::AcceptMode mode, const QString& caption, const QString& filter,
    const QString& initialPath)
{
    // A proposed file in initialPath is selected in its folder, as the static functions do.
    QFileDialog dialog(Owner(), caption, initialPath, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(
        mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // A dialog the desktop draws has no view of ours, and sizes itself.
    if (auto* view = dialog.findChild<QTreeView*>())
        new ColumnSizer(dialog, *view);
    ArrowWhileOpen arrow;
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}
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
    return RunFileDialog(QFileDialog::AcceptOpen, caption, filter, initialPath);
}

QString QtPrompts::GetSaveFileName(
    const QString& caption, const QString& filter, const QString& initialPath)
{
    return RunFileDialog(QFileDialog::AcceptSave, caption, filter, initialPath);
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
