#pragma once

#include "EditStep.h"

#include <QUndoStack>

#include <functional>

// The undo history of the open document: the steps of the changes made to it, the oldest dropped
// beyond MaxSteps or once the steps hold more than MaxBytes (the newest is always kept). The
// document counts as modified unless the history stands where it was last saved.
class EditHistory {
public:
    static constexpr int MaxSteps = 1000;
    static constexpr qint64 MaxBytes = qint64(512) << 20;

    // setModified: told the document's modified state whenever a step is taken, undone or redone.
    explicit EditHistory(std::function<void(bool)> setModified);

    // Records a change that has been made.
    void Add(const QString& text, EditStep::Change change);
    void Undo();
    void Redo();
    // Drops every step; what the document holds counts as saved.
    void Clear();
    // What the document holds now is what its file holds.
    void MarkSaved();

    bool CanUndo() const { return stack.canUndo(); }
    bool CanRedo() const { return stack.canRedo(); }
    QString UndoText() const { return stack.undoText(); }
    QString RedoText() const { return stack.redoText(); }
    // Steps kept, undone ones included.
    int Count() const { return stack.count(); }
    // The steps before this one have been made; those from it on are undone.
    int Index() const { return stack.index(); }
    qint64 Bytes() const;
    const QUndoStack& Stack() const { return stack; }

private:
    // Drops the oldest steps while more than one is kept and they hold more than MaxBytes. The
    // stack cannot drop its oldest steps itself other than by count, so it is filled again with
    // the changes of the steps kept.
    void Trim();

    QUndoStack stack;
    std::function<void(bool)> setModified;
    bool refilling = false;
};
