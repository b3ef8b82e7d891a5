#include "Progress.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <utility>
#include <vector>

Progress::Presenter* Progress::presenter = nullptr;
Progress* Progress::running = nullptr;

namespace {

std::vector<std::function<void()>>& Waiting()
{
    static std::vector<std::function<void()>> waiting;
    return waiting;
}

// Queued, so that the work starts once the operation's caller has unwound.
void RunWaiting()
{
    auto waiting = std::exchange(Waiting(), {});
    for (auto& then : waiting) {
        if (QCoreApplication::instance())
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), std::move(then), Qt::QueuedConnection);
        else
            then();
    }
}

} // namespace

Progress::Progress(const QString& text, bool cancellable)
    : cancellable(cancellable)
{
    if (running)
        return;
    running = this;
    shown = true;
    if (presenter)
        presenter->Begin(text, cancellable);
}

Progress::~Progress()
{
    if (!shown)
        return;
    if (presenter)
        presenter->End();
    running = nullptr;
    RunWaiting();
}

bool Progress::Step(qint64 done, qint64 total)
{
    if (shown && presenter && !cancelled)
        presenter->Step(done, total);
    return !cancelled;
}

void Progress::Install(Presenter* installed) { presenter = installed; }

void Progress::Uninstall(Presenter* installed)
{
    if (presenter == installed)
        presenter = nullptr;
}

Progress* Progress::Running() { return running; }

void Progress::Interrupt(std::function<void()> then)
{
    if (!running) {
        then();
        return;
    }
    running->Cancel();
    Waiting().push_back(std::move(then));
}
