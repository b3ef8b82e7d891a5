#include "EditStep.h"

#include <utility>

EditStep::EditStep(const QString& text, std::shared_ptr<const Change> change)
    : QUndoCommand(text)
    , change(std::move(change))
{
}

void EditStep::redo()
{
    if (made) {
        made = false;
        return;
    }
    change->redo();
}

void EditStep::undo() { change->undo(); }
