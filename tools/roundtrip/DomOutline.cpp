#include "DomOutline.h"

#include "dom/DomDocument.h"
#include "dom/DomNamedNodeMap.h"

using namespace Qt::StringLiterals;

namespace {

bool IsText(NodeType type) { return type == NodeType::Text || type == NodeType::CDataSection; }

bool HasContent(const DomNode& node)
{
    for (DomNode child = node.firstChild(); child; child = child.nextSibling()) {
        const NodeType type = child.nodeType();
        if (type == NodeType::CDataSection || type == NodeType::EntityReference)
            return true;
        if (type == NodeType::Text && !child.nodeValue().value_or(QString()).trimmed().isEmpty())
            return true;
    }
    return false;
}

bool IsDroppedWhitespace(NodeType type, const QString& text, bool parentHasContent)
{
    return type == NodeType::Text && !parentHasContent && text.trimmed().isEmpty()
        && (text.contains(u'\n') || text.contains(u'\r'));
}

QString NodeLine(const DomNode& node)
{
    QString line = QString::number(int(node.nodeType())) + u':' + node.nodeName();
    if (node.nodeType() == NodeType::DocumentType)
        line += u'=' + node.xml();
    else if (const auto value = node.nodeValue())
        line += u'=' + *value;
    const DomNamedNodeMap attributes = node.attributes();
    for (int i = 0; !attributes.isNull() && i < attributes.length(); ++i) {
        line += u" @"_s + attributes.item(i).nodeName() + u'='
            + attributes.item(i).nodeValue().value_or(QString());
    }
    return line;
}

void Walk(const DomNode& parent, QStringList& lines)
{
    const bool parentHasContent = HasContent(parent);
    NodeType pendingType = NodeType::Element;
    QString pending;
    const auto flush = [&] {
        if (IsText(pendingType) && !IsDroppedWhitespace(pendingType, pending, parentHasContent))
            lines << QString::number(int(pendingType)) + u"="_s + pending;
        pendingType = NodeType::Element;
        pending.clear();
    };
    for (DomNode child = parent.firstChild(); child; child = child.nextSibling()) {
        const NodeType type = child.nodeType();
        if (IsText(type)) {
            if (type != pendingType)
                flush();
            pendingType = type;
            pending += child.nodeValue().value_or(QString());
            continue;
        }
        flush();
        lines << NodeLine(child);
        if (type == NodeType::Element || type == NodeType::EntityReference) {
            lines << QStringLiteral("{");
            Walk(child, lines);
            lines << QStringLiteral("}");
        }
    }
    flush();
}

QString StringValue(const DomNode& node)
{
    QString value;
    for (DomNode child = node.firstChild(); child; child = child.nextSibling()) {
        const NodeType type = child.nodeType();
        if (IsText(type))
            value += child.nodeValue().value_or(QString());
        else if (type == NodeType::Element || type == NodeType::EntityReference)
            value += StringValue(child);
    }
    return value;
}

void Elements(const DomNode& parent, QList<DomNode>& elements)
{
    for (DomNode child = parent.firstChild(); child; child = child.nextSibling()) {
        if (child.nodeType() == NodeType::Element) {
            elements << child;
            Elements(child, elements);
        }
    }
}

bool HasTextChildren(const DomNode& element)
{
    for (DomNode child = element.firstChild(); child; child = child.nextSibling()) {
        if (IsText(child.nodeType()) || child.nodeType() == NodeType::EntityReference)
            return true;
    }
    return false;
}

} // namespace

QStringList DomOutline::Structure(const DomDocument& document)
{
    QStringList lines;
    Walk(document.documentNode(), lines);
    return lines;
}

QStringList DomOutline::MixedStringValues(const DomDocument& document)
{
    QList<DomNode> elements;
    Elements(document.documentNode(), elements);
    QStringList values;
    for (const DomNode& element : elements)
        values << (HasTextChildren(element) ? u'=' + StringValue(element) : QString());
    return values;
}

QStringList DomOutline::StringValuesAt(const DomDocument& document, const QStringList& mixed)
{
    QList<DomNode> elements;
    Elements(document.documentNode(), elements);
    QStringList values;
    for (qsizetype i = 0; i < elements.size(); ++i)
        values << (i < mixed.size() && !mixed[i].isNull() ? u'=' + StringValue(elements[i])
                                                          : QString());
    return values;
}
