#include "LabelEdit.h"

#include <QKeyEvent>

#include <limits>

LabelEdit::LabelEdit(QWidget* parent)
    : QLineEdit(parent)
{
    setFrame(false);
    // QLineEdit stops at 32,767 characters by default, which would cut a long attribute value on
    // the next commit.
    setMaxLength(std::numeric_limits<int>::max());
}

void LabelEdit::focusInEvent(QFocusEvent* event)
{
    done = false;
    QLineEdit::focusInEvent(event);
}

void LabelEdit::focusOutEvent(QFocusEvent* event)
{
    // A popup (the editor's own context menu, the menu bar) only borrows the focus: the edit
    // goes on when it closes, and a Paste chosen from it lands in the edit.
    if (!done && event->reason() != Qt::PopupFocusReason) {
        done = true;
        emit EditCommit();
    }
    QLineEdit::focusOutEvent(event);
}

void LabelEdit::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        done = true;
        emit EditCommit();
        break;
    case Qt::Key_Escape:
        done = true;
        emit EditCancel();
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}
