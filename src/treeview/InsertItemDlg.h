#pragma once

#include "ResizableDialog.h"

#include <QRect>

class QPlainTextEdit;

// Asks for a multi-line value: the dialog grows with its edit, takes Ctrl+Enter as OK, and
// opens with the size it had when it was last closed.
class InsertItemDlg : public ResizableDialog {
    Q_OBJECT

public:
    static constexpr int MinimumWidth = 200;
    static constexpr int MinimumHeight = 120;

    // value: the text shown, line breaks as carriage return + line feed.
    InsertItemDlg(const QString& title, const QString& value, QWidget* parent = nullptr);

    // The screen rectangle to take the size from when the dialog opens (used when its position
    // is not negative and its size positive), and after it was shown the rectangle it had when
    // it closed, in the same measure.
    void SetRememberedRect(const QRect& rect) { remembered = rect; }
    QRect RememberedRect() const { return remembered; }

    // The text exactly as the edit holds it, line breaks as carriage return + line feed; a
    // no-break space and a line separator stay what they are.
    QString GetValue() const;
    // False until the user changes the text.
    bool IsValueModified() const;
    QPlainTextEdit* GetValueEdit() const { return edit; }

protected:
    bool OnInitDialog() override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool IsCtrlEnter(const QEvent* event) const;

    QPlainTextEdit* edit = nullptr;
    QRect remembered { -1, -1, 0, 0 };
};
