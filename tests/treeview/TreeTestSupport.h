#pragma once

// Helpers shared by the tree view tests: documents from text, nodes by position, a compact
// picture of a model's items, and the check that the items show the DOM.

#include "TreeModel.h"
#include "dom/DomDocument.h"

#include <QStringList>

#include <utility>
#include <vector>

inline DomDocument LoadXml(const QString& xml)
{
    DomDocument document = DomDocument::Create();
    if (Failed(document.loadXML(xml)))
        qWarning("test document does not parse: %s", qPrintable(document.parseError().reason));
    return document;
}

// The top-level nodes' markup without the line breaks between them.
inline QString Markup(const DomDocument& dom)
{
    QString markup;
    for (DomNode child = dom.documentNode().firstChild(); child; child = child.nextSibling())
        markup += child.xml();
    return markup;
}

// The node at path, given as the index of each DOM child from the document node ("1/0").
inline DomNode NodeAt(const DomDocument& document, const QString& path)
{
    DomNode node = document.documentNode();
    for (const QString& step : path.split(u'/', Qt::SkipEmptyParts)) {
        node = node.firstChild();
        for (int i = step.toInt(); i > 0 && node; --i)
            node = node.nextSibling();
    }
    return node;
}

// One line per item in display order, indented by depth: the label with line breaks shown as
// \n, followed by "*" when the item is bold.
inline void Outline(
    const QAbstractItemModel& model, const QModelIndex& parent, int depth, QStringList& lines)
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex item = model.index(row, 0, parent);
        QString label = item.data(TreeModel::LabelRole).toString();
        label.replace(u'\n', QStringLiteral("\\n"));
        if (qvariant_cast<QFont>(item.data(Qt::FontRole)).bold())
            label += u'*';
        lines << QString(depth * 2, u' ') + label;
        Outline(model, item, depth + 1, lines);
    }
}

inline QStringList Outline(const QAbstractItemModel& model)
{
    QStringList lines;
    Outline(model, QModelIndex(), 0, lines);
    return lines;
}

// The first item, depth first, whose whole label is label.
inline QModelIndex FindItem(const QAbstractItemModel& model, const QString& label,
    const QModelIndex& parent = QModelIndex())
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex item = model.index(row, 0, parent);
        if (item.data(TreeModel::LabelRole).toString() == label)
            return item;
        if (const QModelIndex found = FindItem(model, label, item); found.isValid())
            return found;
    }
    return QModelIndex();
}

// Walks the items and the DOM side by side from the "Document" item down, skipping the nodes
// that get no item (and what lies below them): empty when every item holds the node at its
// place, else a description of the first place where they part.
inline QString TreeMismatch(const TreeModel& model, const DomDocument& document)
{
    const DomNode top = document.isNull() ? DomNode() : document.documentNode();
    if (model.rowCount() != (top ? 1 : 0))
        return QStringLiteral("%1 top-level items").arg(model.rowCount());
    std::vector<std::pair<QModelIndex, DomNode>> pending;
    if (top)
        pending.emplace_back(model.index(0, 0), top);
    while (!pending.empty()) {
        const auto [item, node] = pending.back();
        pending.pop_back();
        const QString where = model.Label(item.isValid() ? item : QModelIndex());
        if (!(model.Node(item) == node))
            return QStringLiteral("item '%1' holds another node than %2")
                .arg(where, node.nodeName());
        int row = 0;
        for (DomNode child = node.firstChild(); child; child = child.nextSibling()) {
            if (!TreeItems::HasItem(child.nodeType()))
                continue;
            const QModelIndex childItem = model.index(row++, 0, item);
            if (!childItem.isValid())
                return QStringLiteral("no item for %1 under '%2'").arg(child.nodeName(), where);
            pending.emplace_back(childItem, child);
        }
        if (model.rowCount(item) != row)
            return QStringLiteral("'%1' has %2 items for %3 nodes")
                .arg(where)
                .arg(model.rowCount(item))
                .arg(row);
    }
    return QString();
}
