#pragma once

#include "FindRequest.h"

#include <QString>
#include <QStringView>

class TreeItems;

// One search over the tree's items, up or down from an item, for the first item whose label,
// attributes or element text holds the search text. It walks the item store's links, not model
// indexes, and reads the nodes' texts into buffers it keeps, so that a search over a million
// items makes no string per item.
class TreeSearcher {
public:
    // showAttributes: the labels' ShowAttributesInTree mode, as the items show them.
    TreeSearcher(const TreeItems& items, const FindRequest& request, int showAttributes);

    // The hit searching from the item after selected in the request's direction; with nothing
    // selected (TreeItems::None or Root) only from the first top-level item, the "Document"
    // item, whatever the direction. TreeItems::None when nothing matches: there is no
    // wrap-around.
    int Search(int selected);

    // The item after item in pre-order over all items, collapsed or not, down or up;
    // TreeItems::None past the first or the last.
    static int NextItem(const TreeItems& items, int item, bool down);

    // Whether the item's label holds the text (names), one of its node's attribute names or
    // values does (attributes), or one of its element's own text or CDATA children does
    // (values), each compared on its own. An item without a node never matches.
    bool MatchesItem(int item);

    // Whether text occurs in subject. Without matchCase, both are compared under simple Unicode
    // case folding (the same in every locale, one UTF-16 unit for one, so positions hold). With
    // wholeWords, an occurrence counts only when the characters just before and just after it,
    // where there are any, are delimiters: blank, period, comma, tab, CR or LF.
    static bool ContainsText(
        QStringView subject, QStringView text, bool matchCase, bool wholeWords);

private:
    bool Contains(QStringView subject) const
    {
        return ContainsText(subject, text, matchCase, wholeWords);
    }

    const TreeItems& items;
    QString text;
    bool down;
    bool names;
    bool values;
    bool attributes;
    bool matchCase;
    bool wholeWords;
    int showAttributes;
    QString label;
    QString scratch;
};
