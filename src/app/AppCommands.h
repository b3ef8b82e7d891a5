#pragma once

#include "CommandTable.h"
#include "MenuItem.h"

#include <QFontMetrics>
#include <QList>
#include <QString>

#include <vector>

// The main window's commands (texts, keys, status texts and icons), the menu bar and toolbar
// built from them, and the status bar's load-time pane.
class AppCommands {
public:
    static CommandTable Table();
    static std::vector<MenuItem> MenuBar();
    // Command ids in order, 0 for a separator.
    static QList<int> ToolBarButtons();

    // The status bar's indicator pane, which shows how long the last open took.
    static constexpr int LoadTimePane = 1;
    // 120 pixels, or wider when the font needs it for a load of up to 99.99 seconds.
    static int LoadTimePaneWidth(const QFontMetrics& metrics);
    // The pane's text before any document was timed.
    static QString InitialLoadTimeText();
    // "Load time: 1.25 secs" for a load that took milliseconds.
    static QString LoadTimeText(quint32 milliseconds);
};
