#pragma once

#include "Progress.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

class QLabel;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QWidget;

// Shows a long operation in the window's status bar, a progress bar with a Cancel button, and
// keeps the window painting and answering between its steps. The window's contents (the views
// and panes) take no input meanwhile, so nothing changes the document under the operation; the
// menus stay, and the frame lets through only the commands that end the operation first.
class StatusProgress : public QObject, public Progress::Presenter {
    Q_OBJECT

public:
    // Installs itself as the presenter until it is destroyed.
    explicit StatusProgress(QMainWindow& window);
    ~StatusProgress() override;

    void Begin(const QString& text, bool cancellable) override;
    void Step(qint64 done, qint64 total) override;
    void End() override;

    QProgressBar* Bar() const { return bar; }
    QPushButton* CancelButton() const { return cancel; }

private:
    QMainWindow& window;
    QWidget* box = nullptr;
    QLabel* label = nullptr;
    QProgressBar* bar = nullptr;
    QPushButton* cancel = nullptr;
    std::vector<QPointer<QWidget>> disabled;
    QElapsedTimer sinceEvents;
    bool statusBarHidden = false;
};
