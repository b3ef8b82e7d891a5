#pragma once

#include <QLineEdit>

// The in-place cell editor: reports Enter, Escape or loss of focus, at most once per focus
// period, so one edit ends exactly once.
class LabelEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit LabelEdit(QWidget* parent = nullptr);

    // True once the current focus period has committed or cancelled.
    bool IsDone() const { return done; }

signals:
    void EditCommit();
    void EditCancel();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool done = false;
};
