#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// Marks a long operation (opening or saving a large file): reports how far it got and lets the
// user cancel it, through a presenter the frame installs, which also keeps the window painting
// between steps. Without a presenter the operation runs to its end unseen. One runs at a time;
// a second one made while the first runs only counts and cannot be cancelled.
class Progress {
public:
    class Presenter {
    public:
        virtual ~Presenter() = default;
        virtual void Begin(const QString& text, bool cancellable) = 0;
        // done of total units; the presenter may process events here.
        virtual void Step(qint64 done, qint64 total) = 0;
        virtual void End() = 0;
    };

    // cancellable: the presenter offers Cancel, and Interrupt cancels the operation.
    explicit Progress(const QString& text, bool cancellable = true);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // False once the operation is cancelled: the caller stops at once.
    bool Step(qint64 done, qint64 total);
    bool Cancelled() const { return cancelled; }
    // Asks the operation to stop; it sees the request at its next step.
    void Cancel() { cancelled = cancelled || cancellable; }

    // Not owned; null uninstalls.
    static void Install(Presenter* presenter);
    // Uninstalls presenter when it is the one installed.
    static void Uninstall(Presenter* presenter);
    // The operation being shown, or null.
    static Progress* Running();
    // Runs then once nothing runs any more: at once when idle, otherwise after the running
    // operation, which is cancelled first when it may be, has ended and returned to the event
    // loop. So New, Open or Close never start inside the load they replace.
    static void Interrupt(std::function<void()> then);

private:
    bool shown = false;
    bool cancellable = true;
    bool cancelled = false;
    static Presenter* presenter;
    static Progress* running;
};
