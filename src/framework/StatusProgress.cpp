#include "StatusProgress.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>

namespace {

// Events are served at least this often (milliseconds): often enough that the window follows
// the pointer, rarely enough that serving them costs nothing next to the parse.
constexpr qint64 EventInterval = 15;

} // namespace

StatusProgress::StatusProgress(QMainWindow& window)
    : QObject(&window)
    , window(window)
{
    box = new QWidget(&window);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    label = new QLabel(box);
    bar = new QProgressBar(box);
    bar->setRange(0, 1000);
    bar->setTextVisible(false);
    bar->setFixedWidth(200);
    cancel = new QPushButton(QStringLiteral("Cancel"), box);
    cancel->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(label);
    layout->addWidget(bar);
    layout->addWidget(cancel);
    // Permanent: a command's status tip hides the ordinary widgets of the status bar.
    window.statusBar()->insertPermanentWidget(0, box);
    box->hide();
    connect(cancel, &QPushButton::clicked, this, [] {
        if (Progress* running = Progress::Running())
            running->Cancel();
    });
    Progress::Install(this);
}

StatusProgress::~StatusProgress() { Progress::Uninstall(this); }

void StatusProgress::Begin(const QString& text, bool cancellable)
{
    label->setText(text);
    bar->setRange(0, 1000);
    bar->setValue(0);
    cancel->setVisible(cancellable);
    // The Cancel button must be reachable even when the user hid the status bar.
    statusBarHidden = window.statusBar()->isHidden();
    window.statusBar()->show();
    box->show();
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child == window.statusBar() || child == window.menuBar() || child == box
            || qobject_cast<QToolBar*>(child) || !child->isEnabled())
            continue;
        child->setEnabled(false);
        disabled.emplace_back(child);
    }
    sinceEvents.start();
    QCoreApplication::processEvents();
}

void StatusProgress::Step(qint64 done, qint64 total)
{
    // Without a total the bar only shows that work goes on.
    const int maximum = total > 0 ? 1000 : 0;
    if (bar->maximum() != maximum)
        bar->setRange(0, maximum);
    const int value = total > 0 ? int(std::min<qint64>(done, total) * 1000 / total) : 0;
    if (value != bar->value())
        bar->setValue(value);
    if (sinceEvents.elapsed() < EventInterval)
        return;
    QCoreApplication::processEvents();
    sinceEvents.restart();
}

void StatusProgress::End()
{
    box->hide();
    if (statusBarHidden)
        window.statusBar()->hide();
    for (const QPointer<QWidget>& child : disabled) {
        if (child)
            child->setEnabled(true);
    }
    disabled.clear();
}
