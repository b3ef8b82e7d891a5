#pragma once

#include "CommandState.h"

#include <functional>
#include <unordered_map>

// Receives commands by numeric identifier and reports their state, through handler tables that
// derived classes fill in their constructors.
class CommandTarget {
public:
    CommandTarget() = default;
    CommandTarget(const CommandTarget&) = delete;
    CommandTarget& operator=(const CommandTarget&) = delete;
    virtual ~CommandTarget() = default;

    // Runs the handler for id; false when this target has none, so routing goes on.
    virtual bool OnCommand(int id);
    // Fills state through the update handler for id. A target with a command handler but no
    // update handler reports the command enabled. False when this target knows nothing of id.
    virtual bool OnUpdateCommand(int id, CommandState& state);

protected:
    void AddCommand(int id, std::function<void()> handler);
    void AddUpdateCommand(int id, std::function<void(CommandState&)> handler);

private:
    std::unordered_map<int, std::function<void()>> commandHandlers;
    std::unordered_map<int, std::function<void(CommandState&)>> updateHandlers;
};
