#include "TreeCommands.h"

#include "TreeViewIds.h"

#include <QKeySequence>

namespace {
QKeySequence Key(const char* text) { return QKeySequence(QString::fromLatin1(text)); }
}

std::vector<CommandInfo> TreeCommands::Commands()
{
    return {
        { ID_ADD_CHILD_ELEMENT, QStringLiteral("Child Element\tIns"), { Key("Ins") }, {}, {} },
        { ID_ADD_TEXT, QStringLiteral("Text\tCtrl+I"), { Key("Ctrl+I") }, {}, {} },
        { ID_ADD_ATTRIBUTE, QStringLiteral("Attribute\tCtrl+Shift+I"), { Key("Ctrl+Shift+I") }, {},
            {} },
        { ID_ADD_COMMENT, QStringLiteral("Comment"), {}, {}, {} },
        { ID_ADD_CDATA_SECTION, QStringLiteral("CDATA Section"), {}, {}, {} },
        { ID_ADD_ROOT_ELEMENT, QStringLiteral("Root Element"), {}, {}, {} },
        { ID_ADD_PROCESSING_INSTRUCTION, QStringLiteral("Processing Instruction"), {}, {}, {} },
        { ID_EDIT_DELETE_ITEM, QStringLiteral("&Delete\tCtrl+Del"), { Key("Ctrl+Del") }, {}, {} },
        { ID_EDIT_ITEM, QStringLiteral("&Edit\tAlt+Enter"), { Key("Alt+Return"), Key("Alt+Enter") },
            {}, {} },
        { ID_EDIT_MOVE_UP, QStringLiteral("Move &Up\tCtrl+Up"), { Key("Ctrl+Up") }, {}, {} },
        { ID_EDIT_MOVE_DOWN, QStringLiteral("Move Dow&n\tCtrl+Down"), { Key("Ctrl+Down") }, {},
            {} },
        { ID_ACTIONS_EXPAND_ALL, QStringLiteral("&Expand All"), {}, {}, {} },
        { ID_ACTIONS_COLLAPSE_ALL, QStringLiteral("&Collapse All"), {}, {}, {} },
        { ID_EDIT_COPY_PATH, QStringLiteral("Copy Pat&h\tCtrl+Shift+C"), { Key("Ctrl+Shift+C") },
            QStringLiteral("Copy the selected node's path\nCopy Path"), {} },
    };
}

CommandTable TreeCommands::Table()
{
    CommandTable table;
    for (const CommandInfo& command : Commands())
        table.Add(command);
    return table;
}

std::vector<MenuItem> TreeCommands::NodePopup()
{
    return {
        MenuItem::Submenu(QStringLiteral("&Add"),
            { MenuItem::Command(ID_ADD_CHILD_ELEMENT), MenuItem::Command(ID_ADD_TEXT),
                MenuItem::Command(ID_ADD_ATTRIBUTE), MenuItem::Command(ID_ADD_COMMENT),
                MenuItem::Command(ID_ADD_CDATA_SECTION) }),
        MenuItem::Command(ID_EDIT_DELETE_ITEM),
        MenuItem::Command(ID_EDIT_ITEM),
        MenuItem::Separator(),
        MenuItem::Command(ID_EDIT_MOVE_UP),
        MenuItem::Command(ID_EDIT_MOVE_DOWN),
        MenuItem::Separator(),
        MenuItem::Command(ID_EDIT_COPY_PATH),
    };
}

std::vector<MenuItem> TreeCommands::DocumentPopup()
{
    return {
        MenuItem::Submenu(QStringLiteral("&Add"),
            { MenuItem::Command(ID_ADD_ROOT_ELEMENT),
                MenuItem::Command(ID_ADD_PROCESSING_INSTRUCTION),
                MenuItem::Command(ID_ADD_COMMENT) }),
        MenuItem::Separator(),
        MenuItem::Command(ID_EDIT_COPY_PATH),
    };
}
