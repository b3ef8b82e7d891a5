#include "CommandTable.h"

#include <QAction>
#include <QDebug>
#include <QIcon>
#include <QMenu>

CommandTable::CommandTable(std::initializer_list<CommandInfo> list)
{
    for (const CommandInfo& command : list)
        Add(command);
}

void CommandTable::Add(const CommandInfo& command) { commands[command.id] = command; }

const CommandInfo* CommandTable::Find(int id) const
{
    auto found = commands.find(id);
    return found == commands.end() ? nullptr : &found->second;
}

std::vector<int> CommandTable::Ids() const
{
    std::vector<int> ids;
    ids.reserve(commands.size());
    for (const auto& entry : commands)
        ids.push_back(entry.first);
    return ids;
}

QString CommandTable::Prompt(const QString& status) { return status.section(u'\n', 0, 0); }

QString CommandTable::Tip(const QString& status) { return status.section(u'\n', 1); }

QAction* CommandTable::CreateAction(int id, QObject* parent) const
{
    QAction* action = CreatePopupAction(id, parent);
    if (const CommandInfo* command = Find(id)) {
        action->setText(command->text);
        action->setShortcuts(command->keys);
    }
    return action;
}

QAction* CommandTable::CreatePopupAction(int id, QObject* parent) const
{
    auto* action = new QAction(parent);
    action->setData(id);
    const CommandInfo* command = Find(id);
    if (!command) {
        qWarning() << "CommandTable: no entry for command" << id;
        return action;
    }
    QString text = command->text;
    if (!command->keys.isEmpty() && !text.contains(u'\t'))
        text += u'\t' + command->keys.first().toString(QKeySequence::NativeText);
    action->setText(text);
    action->setStatusTip(Prompt(command->status));
    const QString tip = Tip(command->status);
    if (!tip.isEmpty())
        action->setToolTip(tip);
    if (!command->iconPath.isEmpty())
        action->setIcon(QIcon(command->iconPath));
    return action;
}

std::unique_ptr<QMenu> CommandTable::CreatePopupMenu(
    const std::vector<MenuItem>& items, QWidget* parent) const
{
    auto menu = std::make_unique<QMenu>(parent);
    FillMenu(*menu, items);
    return menu;
}

void CommandTable::FillMenu(QMenu& menu, const std::vector<MenuItem>& items) const
{
    for (const MenuItem& item : items) {
        if (item.IsSeparator())
            menu.addSeparator();
        else if (item.IsSubmenu())
            FillMenu(*menu.addMenu(item.text), item.items);
        else
            menu.addAction(CreatePopupAction(item.id, &menu));
    }
}
