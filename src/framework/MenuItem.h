#pragma once

#include <QString>

#include <vector>

// One entry of a menu layout: a command, a separator, or a submenu with entries of its own.
struct MenuItem {
    int id = 0;
    QString text;
    std::vector<MenuItem> items;

    bool IsSeparator() const { return id == 0 && text.isEmpty(); }
    bool IsSubmenu() const { return id == 0 && !text.isEmpty(); }

    static MenuItem Command(int id) { return MenuItem { id, QString(), {} }; }
    static MenuItem Separator() { return MenuItem {}; }
    static MenuItem Submenu(const QString& text, std::vector<MenuItem> items)
    {
        return MenuItem { 0, text, std::move(items) };
    }
};
