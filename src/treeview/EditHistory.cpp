#include "EditHistory.h"

#include <utility>
#include <vector>

namespace {

const EditStep* StepAt(const QUndoStack& stack, int index)
{
    return static_cast<const EditStep*>(stack.command(index));
}

} // namespace

EditHistory::EditHistory(std::function<void(bool)> setModified)
    : setModified(std::move(setModified))
{
    stack.setUndoLimit(MaxSteps);
    QObject::connect(&stack, &QUndoStack::indexChanged, &stack, [this] {
        if (!refilling && this->setModified)
            this->setModified(!stack.isClean());
    });
}

void EditHistory::Add(const QString& text, EditStep::Change change)
{
    stack.push(new EditStep(text, std::make_shared<const EditStep::Change>(std::move(change))));
    Trim();
}

void EditHistory::Undo() { stack.undo(); }

void EditHistory::Redo() { stack.redo(); }

void EditHistory::Clear() { stack.clear(); }

void EditHistory::MarkSaved() { stack.setClean(); }

qint64 EditHistory::Bytes() const
{
    qint64 bytes = 0;
    for (int i = 0; i < stack.count(); ++i)
        bytes += StepAt(stack, i)->GetChange()->bytes;
    return bytes;
}

void EditHistory::Trim()
{
    // A new step has just discarded the undone ones: every step kept is made.
    qint64 bytes = Bytes();
    int drop = 0;
    while (bytes > MaxBytes && drop < stack.count() - 1)
        bytes -= StepAt(stack, drop++)->GetChange()->bytes;
    if (drop == 0)
        return;
    std::vector<std::pair<QString, std::shared_ptr<const EditStep::Change>>> kept;
    for (int i = drop; i < stack.count(); ++i)
        kept.emplace_back(stack.text(i), StepAt(stack, i)->GetChange());
    // The saved state is reachable only when its step is kept.
    const int clean = stack.cleanIndex() >= drop ? stack.cleanIndex() - drop : -1;
    refilling = true;
    stack.clear();
    if (clean < 0)
        stack.resetClean();
    for (int i = 0; i < int(kept.size()); ++i) {
        if (i == clean)
            stack.setClean();
        stack.push(new EditStep(kept[size_t(i)].first, kept[size_t(i)].second));
    }
    if (clean == int(kept.size()))
        stack.setClean();
    refilling = false;
}
