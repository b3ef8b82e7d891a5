#pragma once

// Helpers shared by the tree view tests: documents from text, nodes by position, a compact
// picture of a model's items, and the check that the items show the DOM.

#include "TreeModel.h"
#include "dom/DomDocument.h"

#include <QStringList>

inline DomDocument LoadXml(const QString& xml)
{
    DomDocument document = DomDocument::Create();
    if (Failed(document.loadXML(xml)))
        qWarning("test document does not parse: %s", qPrintable(document.parseError().reason));
    return document;
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

// The first place where the items below item differ from the DOM below node, as a path of item
// labels; empty when each item holds its node and the nodes that get items all have one, in
// document order.
inline QString TreeDomDifference(
    const TreeModel& model, const QModelIndex& item, const DomNode& node)
{
    const QString path = item.data(TreeModel::LabelRole).toString();
    if (!(model.Node(item) == node))
        return path + QStringLiteral(": holds another node than ") + node.nodeName();
    int row = 0;
    for (DomNode child = node.firstChild(); child; child = child.nextSibling()) {
        if (!TreeItems::HasItem(child.nodeType()))
            continue;
        const QModelIndex childItem = model.index(row++, 0, item);
        if (!childItem.isValid())
            return path + QStringLiteral(": no item for ") + child.nodeName();
        if (const QString difference = TreeDomDifference(model, childItem, child);
            !difference.isEmpty())
            return path + QStringLiteral(" / ") + difference;
    }
    if (model.rowCount(item) != row)
        return path + QStringLiteral(": ") + QString::number(model.rowCount(item) - row)
            + QStringLiteral(" items too many");
    return QString();
}

inline QString TreeDomDifference(const TreeModel& model, const DomDocument& document)
{
    if (model.rowCount() != 1)
        return QStringLiteral("not one top-level item");
    return TreeDomDifference(model, model.index(0, 0), document.documentNode());
}
