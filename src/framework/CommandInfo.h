#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

// One row of the command table: how a command looks in menus, on the toolbar and in the
// status bar, and the keys that run it.
struct CommandInfo {
    int id = 0;
    // Menu text with its mnemonic ("&Save"); a tab may precede a key shown but not bound.
    QString text;
    // Accelerators; the first is the one the menu shows.
    QList<QKeySequence> keys;
    // "prompt\ntip": the prompt shows in the status bar, the tip on the toolbar button.
    QString status;
    // An icon file or resource path for the toolbar; empty for none.
    QString iconPath;
};
