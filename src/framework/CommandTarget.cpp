#include "CommandTarget.h"

bool CommandTarget::OnCommand(int id)
{
    auto handler = commandHandlers.find(id);
    if (handler == commandHandlers.end())
        return false;
    // A copy, because the handler may replace its own table entry while it runs.
    auto run = handler->second;
    run();
    return true;
}

bool CommandTarget::OnUpdateCommand(int id, CommandState& state)
{
    auto update = updateHandlers.find(id);
    if (update != updateHandlers.end()) {
        update->second(state);
        return true;
    }
    if (commandHandlers.contains(id)) {
        state.enabled = true;
        return true;
    }
    return false;
}

void CommandTarget::AddCommand(int id, std::function<void()> handler)
{
    commandHandlers[id] = std::move(handler);
}

void CommandTarget::AddUpdateCommand(int id, std::function<void(CommandState&)> handler)
{
    updateHandlers[id] = std::move(handler);
}
