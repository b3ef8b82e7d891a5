#pragma once

#include "CommandTable.h"
#include "MenuItem.h"

#include <vector>

// The tree view's commands as the command table describes them, and the layouts of its two
// context menus.
class TreeCommands {
public:
    // Entries for the frame's command table: the context menu's commands with the texts the
    // menu shows and their keys, and Expand All and Collapse All.
    static std::vector<CommandInfo> Commands();
    // A table of those entries alone, for a view that is not in a frame.
    static CommandTable Table();

    // The menu of any node but the document ("1").
    static std::vector<MenuItem> NodePopup();
    // The menu of the document node ("2").
    static std::vector<MenuItem> DocumentPopup();
};
