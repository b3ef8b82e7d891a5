#pragma once

#include "CommandInfo.h"
#include "MenuItem.h"

#include <map>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QObject;
class QWidget;

// The one description of every command's text, keys, status text and icon, from which the
// frame's shared actions and the popup menus' own actions are made.
class CommandTable {
public:
    CommandTable() = default;
    CommandTable(std::initializer_list<CommandInfo> commands);

    // A later entry with the same id replaces the earlier one.
    void Add(const CommandInfo& command);
    // Null for an id the table does not hold.
    const CommandInfo* Find(int id) const;
    std::vector<int> Ids() const;

    // The action of the menu bar, toolbar and accelerator, with the command's keys bound.
    // Its data is the command id.
    QAction* CreateAction(int id, QObject* parent) const;
    // An action for a popup menu: it shows the key in its text but binds none, so graying it
    // leaves the accelerator working.
    QAction* CreatePopupAction(int id, QObject* parent) const;
    // A popup menu of popup actions, laid out by items.
    std::unique_ptr<QMenu> CreatePopupMenu(
        const std::vector<MenuItem>& items, QWidget* parent) const;

    static QString Prompt(const QString& status);
    static QString Tip(const QString& status);

private:
    void FillMenu(QMenu& menu, const std::vector<MenuItem>& items) const;

    std::map<int, CommandInfo> commands;
};
