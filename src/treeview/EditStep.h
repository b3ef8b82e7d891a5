#pragma once

#include <QUndoCommand>

#include <functional>
#include <memory>

// One step of the undo history: a change already made to the document, with what takes it back
// and what makes it again.
class EditStep : public QUndoCommand {
public:
    struct Change {
        std::function<void()> undo;
        std::function<void()> redo;
        // What the step keeps alive while the change is made: a removed branch, old text.
        qint64 bytes = 0;
    };

    EditStep(const QString& text, std::shared_ptr<const Change> change);

    // The stack runs redo as it takes a step; the first one finds the change made already.
    void redo() override;
    void undo() override;

    const std::shared_ptr<const Change>& GetChange() const { return change; }

private:
    std::shared_ptr<const Change> change;
    bool made = true;
};
