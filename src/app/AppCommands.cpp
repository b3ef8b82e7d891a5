#include "AppCommands.h"

#include "AppIds.h"
#include "FrameworkIds.h"
#include "TreeCommands.h"
#include "TreeViewIds.h"

#include <QKeySequence>

#include <algorithm>

namespace {
QKeySequence Key(const char* text) { return QKeySequence(QString::fromLatin1(text)); }

QString Icon(const char* name)
{
    return QStringLiteral(":/icons/") + QString::fromLatin1(name) + QStringLiteral(".png");
}
}

CommandTable AppCommands::Table()
{
    CommandTable table {
        { ID_FILE_NEW, QStringLiteral("&New"), { Key("Ctrl+N") },
            QStringLiteral("Create a new document\nNew"), Icon("new") },
        { ID_FILE_OPEN, QStringLiteral("&Open..."), { Key("Ctrl+O") },
            QStringLiteral("Open an existing document\nOpen"), Icon("open") },
        { ID_FILE_SAVE, QStringLiteral("&Save"), { Key("Ctrl+S") },
            QStringLiteral("Save the active document\nSave"), Icon("save") },
        { ID_FILE_SAVE_AS, QStringLiteral("Save &As..."), {},
            QStringLiteral("Save the active document with a new name\nSave As"), QString() },
        { ID_APP_EXIT, QStringLiteral("E&xit"), {},
            QStringLiteral("Quit the application; prompts to save documents\nExit"), QString() },
        { ID_EDIT_CUT, QStringLiteral("Cu&t\tCtrl+X"), { Key("Ctrl+X"), Key("Shift+Del") },
            QStringLiteral("Cut the selected branch to the clipboard\nCut"), Icon("cut") },
        { ID_EDIT_COPY, QStringLiteral("&Copy\tCtrl+C"), { Key("Ctrl+C"), Key("Ctrl+Ins") },
            QStringLiteral("Copy the selected branch to the clipboard\nCopy"), Icon("copy") },
        { ID_EDIT_PASTE, QStringLiteral("&Paste\tCtrl+V"), { Key("Ctrl+V"), Key("Shift+Ins") },
            QStringLiteral("Insert the clipboard's branch below the selected node\nPaste"),
            Icon("paste") },
        { ID_SELECT_ALL, QStringLiteral("Select &All\tCtrl+A"), { Key("Ctrl+A") }, {}, {} },
        { ID_EDIT_UNDO, QStringLiteral("&Undo\tCtrl+Z"), { Key("Ctrl+Z"), Key("Alt+Backspace") },
            QStringLiteral("Undo the last change\nUndo"), {} },
        // Bound literally: the platform's Redo keys include Ctrl+Y, which is Apply XSLT.
        { ID_EDIT_REDO, QStringLiteral("&Redo\tCtrl+Shift+Z"),
            { Key("Ctrl+Shift+Z"), Key("Alt+Shift+Backspace") },
            QStringLiteral("Redo the last change undone\nRedo"), {} },
        { ID_FILE_APPLY_XSLT, QStringLiteral("Appl&y XSLT...\tCtrl+Y"), { Key("Ctrl+Y") },
            QStringLiteral("Apply an XSLT style sheet on the currently opened XML document."),
            QString() },
        { ID_FILE_APPLY_LINKED_XSLT, QStringLiteral("Apply &linked XSLT..."), {},
            QStringLiteral("Apply the XSLT style sheet embedded in the current document (only "
                           "works if the document is saved on the disk)."),
            QString() },
        { ID_NEXT_PANE, QStringLiteral("Next Pane\tF6"), { Key("F6") }, {}, {} },
        { ID_PREV_PANE, QStringLiteral("Previous Pane\tShift+F6"), { Key("Shift+F6") }, {}, {} },
        { ID_SHIFT_ESCAPE, QString(), { Key("Shift+Esc") }, {}, {} },
        { ID_VIEW_TOOLBAR, QStringLiteral("&Toolbar"), {},
            QStringLiteral("Show or hide the toolbar\nToggle Toolbar"), QString() },
        { ID_VIEW_STATUS_BAR, QStringLiteral("&Status Bar"), {},
            QStringLiteral("Show or hide the status bar\nToggle Status Bar"), QString() },
        { ID_VIEW_ATTRIBUTES, QStringLiteral("&Attributes\tCtrl+Alt+A"), { Key("Ctrl+Alt+A") },
            QStringLiteral("Show or hide the attributes pane\nAttributes"), QString() },
        { ID_VIEW_XML_SOURCE, QStringLiteral("&XML Source\tCtrl+Alt+X"), { Key("Ctrl+Alt+X") },
            QStringLiteral("Show or hide the XML source pane\nXML Source"), QString() },
        { ID_VIEW_IMAGE, QStringLiteral("&Image\tCtrl+Alt+I"), { Key("Ctrl+Alt+I") },
            QStringLiteral("Show or hide the image pane\nImage"), QString() },
        { ID_EXPAND_ON_LOAD, QStringLiteral("Expand On Load"), {},
            QStringLiteral(
                "Expand all tree view items when a new document is loaded.\nExpand On Load"),
            QString() },
        { ID_APP_ABOUT, QStringLiteral("&About Trelvo..."), {},
            QStringLiteral("Display program information, version number and copyright\nAbout"),
            Icon("about") },
        { ID_HELP_PRODUCTS, QStringLiteral("&Other Great Products..."), {},
            QStringLiteral(
                "Check some great Korvane products for developers.\nOther Great Products"),
            Icon("products") },
        { ID_APP_DONATE, QStringLiteral("&Donate..."), {},
            QStringLiteral("Make a donation.\nDonate"), Icon("donate") },
    };
    for (const CommandInfo& command : TreeCommands::Commands())
        table.Add(command);
    // F3 and Shift+F3 are the tree's own keys, not shortcuts: the text only shows them.
    table.Add({ ID_EDIT_FIND, QStringLiteral("Find...\tCtrl+F"), { Key("Ctrl+F") },
        QStringLiteral("Find text in the tree's labels and attributes\nFind"), QString() });
    table.Add({ ID_EDIT_FIND_NEXT, QStringLiteral("Find &Next\tF3"), {},
        QStringLiteral("Repeat the last search downwards\nFind Next"), QString() });
    table.Add({ ID_EDIT_FIND_PREVIOUS, QStringLiteral("Find &Previous\tShift+F3"), {},
        QStringLiteral("Repeat the last search upwards\nFind Previous"), QString() });
    table.Add({ ID_EDIT_FIND_XPATH, QStringLiteral("Find by &XPath...\tCtrl+Shift+F"),
        { Key("Ctrl+Shift+F") },
        QStringLiteral("Find nodes with an XPath expression\nFind by XPath"), QString() });
    table.Add({ ID_VIEW_OPTIONS, QStringLiteral("&Options..."), {},
        QStringLiteral("Show options panel.\nOptions"), QString() });
    table.Add({ ID_VALIDATE_SCHEMA, QStringLiteral("&Validate Schema..."), {},
        QStringLiteral("Validate the XML document using an external XSD schema\nValidate Schema"),
        QString() });
    for (int id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_FILE4; ++id)
        table.Add({ id, QStringLiteral("Recent File"), {},
            QStringLiteral("Open this document\nRecent File"), QString() });
    return table;
}

std::vector<MenuItem> AppCommands::MenuBar()
{
    return {
        MenuItem::Submenu(QStringLiteral("&File"),
            { MenuItem::Command(ID_FILE_NEW), MenuItem::Command(ID_FILE_OPEN),
                MenuItem::Command(ID_FILE_SAVE), MenuItem::Command(ID_FILE_SAVE_AS),
                MenuItem::Separator(), MenuItem::Command(ID_FILE_APPLY_XSLT),
                MenuItem::Command(ID_FILE_APPLY_LINKED_XSLT), MenuItem::Command(ID_VALIDATE_SCHEMA),
                MenuItem::Separator(), MenuItem::Command(ID_FILE_MRU_FILE1),
                MenuItem::Command(ID_FILE_MRU_FILE2), MenuItem::Command(ID_FILE_MRU_FILE3),
                MenuItem::Command(ID_FILE_MRU_FILE4), MenuItem::Separator(),
                MenuItem::Command(ID_APP_EXIT) }),
        MenuItem::Submenu(QStringLiteral("&Edit"),
            { MenuItem::Command(ID_EDIT_UNDO), MenuItem::Command(ID_EDIT_REDO),
                MenuItem::Separator(), MenuItem::Command(ID_EDIT_CUT),
                MenuItem::Command(ID_EDIT_COPY), MenuItem::Command(ID_EDIT_PASTE),
                MenuItem::Command(ID_EDIT_COPY_PATH), MenuItem::Separator(),
                MenuItem::Command(ID_EDIT_FIND), MenuItem::Command(ID_EDIT_FIND_NEXT),
                MenuItem::Command(ID_EDIT_FIND_PREVIOUS), MenuItem::Separator(),
                MenuItem::Command(ID_EDIT_FIND_XPATH) }),
        MenuItem::Submenu(QStringLiteral("&View"),
            { MenuItem::Command(ID_VIEW_TOOLBAR), MenuItem::Command(ID_VIEW_STATUS_BAR),
                MenuItem::Separator(), MenuItem::Command(ID_VIEW_ATTRIBUTES),
                MenuItem::Command(ID_VIEW_XML_SOURCE), MenuItem::Command(ID_VIEW_IMAGE),
                MenuItem::Separator(), MenuItem::Command(ID_VIEW_OPTIONS) }),
        MenuItem::Submenu(QStringLiteral("&Actions"),
            { MenuItem::Command(ID_ACTIONS_EXPAND_ALL),
                MenuItem::Command(ID_ACTIONS_COLLAPSE_ALL) }),
        MenuItem::Submenu(QStringLiteral("&Help"),
            { MenuItem::Command(ID_APP_ABOUT), MenuItem::Command(ID_HELP_PRODUCTS),
                MenuItem::Command(ID_APP_DONATE) }),
    };
}

QList<int> AppCommands::ToolBarButtons()
{
    return { ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE,
        0, ID_HELP_PRODUCTS, ID_APP_DONATE };
}

QString AppCommands::InitialLoadTimeText() { return QStringLiteral("Load time: 0 secs"); }

int AppCommands::LoadTimePaneWidth(const QFontMetrics& metrics)
{
    // The label's frame and margins take a few pixels of the width.
    constexpr int frame = 12;
    return std::max(120, metrics.horizontalAdvance(LoadTimeText(99990)) + frame);
}

QString AppCommands::LoadTimeText(quint32 milliseconds)
{
    return QStringLiteral("Load time: %1 secs").arg(milliseconds / 1000.0, 0, 'f', 2);
}
