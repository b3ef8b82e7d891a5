#pragma once

#include "CommandTarget.h"

class Document;

// One presentation of a document: told when the document changes, and a receiver of commands
// while it is the frame's active view. Widget views inherit it beside their QWidget base.
class View : public CommandTarget {
public:
    ~View() override;

    // Null until the view is added to a document, and again after the document goes away.
    Document* GetDocument() const { return document; }

    // Called once the document is new or freshly opened; the base refreshes like an update.
    virtual void OnInitialUpdate();
    // sender: the view that changed the document (it is skipped), or null; hint: what changed.
    virtual void OnUpdate(View* sender, long hint);

private:
    friend class Document;
    Document* document = nullptr;
};
