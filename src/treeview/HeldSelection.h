#pragma once

#include "TrelvoView.h"

// Keeps selection changes during an edit, or an undo or redo step, from updating the views: the
// edit sends the one update when the items are in place. Deleting the selected item, for one,
// selects a neighbour, which would otherwise refresh the panes before the edit is done.
class HeldSelection {
public:
    explicit HeldSelection(TrelvoView& view)
        : view(view)
        , wasHeld(view.HoldSelectionUpdates(true))
    {
    }
    ~HeldSelection() { view.HoldSelectionUpdates(wasHeld); }
    HeldSelection(const HeldSelection&) = delete;
    HeldSelection& operator=(const HeldSelection&) = delete;

private:
    TrelvoView& view;
    bool wasHeld;
};
