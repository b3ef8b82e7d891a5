#pragma once

#include <QString>

#include <optional>

// What an update handler reports about a command: whether it can run and how its menu item and
// toolbar button look.
struct CommandState {
    bool enabled = true;
    // Unset: the item is not a check item. Set: the item shows a check mark when true.
    std::optional<bool> checked;
    bool visible = true;
    // Empty: the item keeps its text.
    QString text;
};
