#include "TreeLabels.h"

#include "dom/DomNamedNodeMap.h"
#include "dom/DomNode.h"

namespace {

bool IsLineBreak(QChar c) { return c == u'\n' || c == u'\r'; }
bool IsBlank(QChar c) { return c == u' ' || c == u'\t' || IsLineBreak(c); }

// Each run of blanks that holds a line break becomes one space; other blanks stay as they are.
QString OneLine(const QString& text)
{
    QString line;
    line.reserve(text.size());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        if (!IsBlank(text.at(i))) {
            line += text.at(i++);
            continue;
        }
        qsizetype end = i;
        bool breaks = false;
        while (end < size && IsBlank(text.at(end)))
            breaks = IsLineBreak(text.at(end++)) || breaks;
        if (breaks)
            line += u' ';
        else
            line += QStringView(text).sliced(i, end - i);
        i = end;
    }
    return line;
}

} // namespace

namespace TreeLabels {

QString MakeElementLabel(const DomNode& element, int showAttributes)
{
    QString label = element.nodeName();
    if (showAttributes == ShowNoAttributes)
        return label;
    const DomNamedNodeMap attributes = element.attributes();
    const int count = attributes.isNull() ? 0 : attributes.length();
    for (int i = 0; i < count; ++i) {
        const DomAttribute attribute = attributes.item(i);
        label += u' ';
        if (showAttributes != ShowAttributeValues)
            label += attribute.name() + u'=';
        label += u'"' + attribute.value() + u'"';
        if (i < count - 1)
            label += u' ';
    }
    return label;
}

QString MakeLabel(const DomNode& node, int showAttributes)
{
    switch (node.nodeType()) {
    case NodeType::Element:
        return MakeElementLabel(node, showAttributes);
    case NodeType::ProcessingInstruction:
        return node.nodeName() + u' ' + node.nodeValue().value_or(QString());
    case NodeType::Document:
        return QStringLiteral("Document");
    case NodeType::DocumentType:
        // A document type has no value; its markup says what it declares.
        return OneLine(node.xml());
    default:
        return node.nodeValue().value_or(QString());
    }
}

QString ForDrawing(const QString& label)
{
    QStringView text(label);
    bool cut = false;
    if (text.size() > MaxDrawnLength) {
        qsizetype length = MaxDrawnLength;
        if (text.at(length - 1).isHighSurrogate())
            --length;
        text = text.first(length);
        cut = true;
    }
    if (!cut && !text.contains(u'\n') && !text.contains(u'\r'))
        return label;

    QString drawn;
    drawn.reserve(text.size() + 1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!IsLineBreak(c)) {
            drawn += c;
            continue;
        }
        drawn += QChar(LineBreakMark);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
    }
    if (cut)
        drawn += QChar(0x2026);
    return drawn;
}

} // namespace TreeLabels
