// TrelvoView: Undo and Redo.
#include "TrelvoView.h"

#include "FrameworkIds.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

// The editable text field that has the focus, or null. While there is one, Undo and Redo act on
// what was typed into it, as its own keys do: Alt+Backspace, for one, is not a key of Qt's line
// edit on Linux and would otherwise take back a change of the document.
QWidget* FocusedField()
{
    QWidget* focus = QApplication::focusWidget();
    if (auto* combo = qobject_cast<QComboBox*>(focus); combo && combo->lineEdit())
        focus = combo->lineEdit();
    if (auto* line = qobject_cast<QLineEdit*>(focus))
        return line->isReadOnly() ? nullptr : line;
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focus))
        return plain->isReadOnly() ? nullptr : plain;
    if (auto* rich = qobject_cast<QTextEdit*>(focus))
        return rich->isReadOnly() ? nullptr : rich;
    return nullptr;
}

bool FieldCan(QWidget* field, bool redo)
{
    if (auto* line = qobject_cast<QLineEdit*>(field))
        return redo ? line->isRedoAvailable() : line->isUndoAvailable();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(field))
        return redo ? plain->document()->isRedoAvailable() : plain->document()->isUndoAvailable();
    if (auto* rich = qobject_cast<QTextEdit*>(field))
        return redo ? rich->document()->isRedoAvailable() : rich->document()->isUndoAvailable();
    return false;
}

void FieldDo(QWidget* field, bool redo)
{
    if (auto* line = qobject_cast<QLineEdit*>(field))
        redo ? line->redo() : line->undo();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(field))
        redo ? plain->redo() : plain->undo();
    else if (auto* rich = qobject_cast<QTextEdit*>(field))
        redo ? rich->redo() : rich->undo();
}

} // namespace

void TrelvoView::AddUndoCommands()
{
    const auto run = [this](bool redo) {
        if (QWidget* field = FocusedField()) {
            FieldDo(field, redo);
            return;
        }
        // The dragged item may be one the step takes away.
        CancelDrag();
        UpdateDragCursor();
        redo ? editor.Redo() : editor.Undo();
    };
    AddCommand(ID_EDIT_UNDO, [run] { run(false); });
    AddCommand(ID_EDIT_REDO, [run] { run(true); });
    const auto update = [this](CommandState& state, bool redo) {
        const EditHistory& history = editor.History();
        QString step = redo ? history.RedoText() : history.UndoText();
        if (QWidget* field = FocusedField()) {
            state.enabled = FieldCan(field, redo);
            step.clear();
        } else {
            state.enabled = redo ? history.CanRedo() : history.CanUndo();
        }
        if (!state.enabled)
            step.clear();
        const QString command = redo ? QStringLiteral("&Redo") : QStringLiteral("&Undo");
        state.text = (step.isEmpty() ? command : command + u' ' + step)
            + (redo ? QStringLiteral("\tCtrl+Shift+Z") : QStringLiteral("\tCtrl+Z"));
    };
    AddUpdateCommand(ID_EDIT_UNDO, [update](CommandState& state) { update(state, false); });
    AddUpdateCommand(ID_EDIT_REDO, [update](CommandState& state) { update(state, true); });
}
