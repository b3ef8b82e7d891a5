#include "TreeSearcher.h"

#include "TreeItems.h"
#include "TreeLabels.h"

#include "dom/DomTextReader.h"

namespace {

bool IsDelimiter(QChar c)
{
    return c == u' ' || c == u'.' || c == u',' || c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace

TreeSearcher::TreeSearcher(const TreeItems& items, const FindRequest& request, int showAttributes)
    : items(items)
    , text(request.text)
    , down(request.direction != 0)
    , names(request.searchNames != 0)
    , values(request.searchValues != 0)
    , attributes(request.searchAttributes != 0)
    , matchCase(request.matchCase != 0)
    , wholeWords(request.wholeWords != 0)
    , showAttributes(showAttributes)
{
}

int TreeSearcher::Search(int selected)
{
    int item = selected == TreeItems::None || selected == TreeItems::Root
        ? items.FirstChild(TreeItems::Root)
        : NextItem(items, selected, down);
    while (item != TreeItems::None && !MatchesItem(item))
        item = NextItem(items, item, down);
    return item;
}

int TreeSearcher::NextItem(const TreeItems& items, int item, bool down)
{
    if (down) {
        if (const int child = items.FirstChild(item); child != TreeItems::None)
            return child;
        for (; item != TreeItems::Root; item = items.Parent(item)) {
            if (const int next = items.NextSibling(item); next != TreeItems::None)
                return next;
        }
        return TreeItems::None;
    }
    int previous = items.PreviousSibling(item);
    if (previous == TreeItems::None) {
        const int parent = items.Parent(item);
        return parent == TreeItems::Root ? TreeItems::None : parent;
    }
    for (int last = items.LastChild(previous); last != TreeItems::None;
         last = items.LastChild(previous))
        previous = last;
    return previous;
}

bool TreeSearcher::MatchesItem(int item)
{
    const DomNode& node = items.Node(item);
    if (node.isNull())
        return false;
    if (names) {
        label.resize(0);
        TreeLabels::AppendLabel(node, showAttributes, label, scratch);
        if (Contains(label))
            return true;
    }
    if (attributes) {
        const bool none = DomTextReader::ForEachAttribute(
            node, scratch, [this](QStringView name, QStringView value) {
                return !Contains(name) && !Contains(value);
            });
        if (!none)
            return true;
    }
    // An element's own text, one node at a time: the label of a text child already holds it, but
    // a search that is not of names still finds the element by what it holds.
    if (values) {
        const bool none = DomTextReader::ForEachTextChild(
            node, scratch, [this](QStringView value) { return !Contains(value); });
        if (!none)
            return true;
    }
    return false;
}

bool TreeSearcher::ContainsText(
    QStringView subject, QStringView text, bool matchCase, bool wholeWords)
{
    if (text.size() > subject.size())
        return false;
    const Qt::CaseSensitivity sensitivity = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (qsizetype from = 0;;) {
        const qsizetype at = subject.indexOf(text, from, sensitivity);
        if (at < 0)
            return false;
        if (!wholeWords)
            return true;
        const qsizetype end = at + text.size();
        if ((at == 0 || IsDelimiter(subject.at(at - 1)))
            && (end == subject.size() || IsDelimiter(subject.at(end))))
            return true;
        from = at + 1;
    }
}
