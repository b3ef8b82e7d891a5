#pragma once

#include "dom/DomNamedNodeMap.h"
#include "dom/DomNode.h"

#include <QStringList>

// One line per node, indented by depth: kind, name, value, then the attributes in map order.
// The document type is its whole text. Adjacent CDATA sections are one, as the parser reads
// them back. Two trees that load alike have equal outlines.
inline void AppendOutline(const DomNode& node, int depth, QStringList& lines)
{
    QString line
        = QString(depth, u' ') + QString::number(int(node.nodeType())) + u' ' + node.nodeName();
    if (node.nodeType() == NodeType::DocumentType)
        line += u' ' + node.xml();
    else if (const auto value = node.nodeValue())
        line += u'=' + *value;
    const DomNamedNodeMap attributes = node.attributes();
    for (int i = 0; !attributes.isNull() && i < attributes.length(); ++i)
        line += QStringLiteral(" @") + attributes.item(i).nodeName() + u'='
            + attributes.item(i).nodeValue().value_or(QString());
    lines << line;
    for (DomNode child = node.firstChild(); child; child = child.nextSibling()) {
        if (child.nodeType() == NodeType::CDataSection
            && child.previousSibling().nodeType() == NodeType::CDataSection)
            lines.last() += child.nodeValue().value_or(QString());
        else
            AppendOutline(child, depth + 1, lines);
    }
}

inline QStringList Outline(const DomNode& node)
{
    QStringList lines;
    AppendOutline(node, 0, lines);
    return lines;
}
