#include "TreeLabels.h"

#include "dom/DomNode.h"
#include "dom/DomTextReader.h"

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

void AppendLabel(const DomNode& node, int showAttributes, QString& out, QString& scratch)
{
    switch (node.nodeType()) {
    case NodeType::Element: {
        DomTextReader::AppendName(node, out);
        if (showAttributes == ShowNoAttributes)
            return;
        bool first = true;
        DomTextReader::ForEachAttribute(node, scratch, [&](QStringView name, QStringView value) {
            out += first ? QStringView(u" ") : QStringView(u"  ");
            first = false;
            if (showAttributes != ShowAttributeValues) {
                out += name;
                out += u'=';
            }
            out += u'"';
            out += value;
            out += u'"';
            return true;
        });
        return;
    }
    case NodeType::ProcessingInstruction:
        DomTextReader::AppendName(node, out);
        out += u' ';
        DomTextReader::AppendValue(node, out);
        return;
    case NodeType::Document:
        out += u"Document";
        return;
    case NodeType::DocumentType:
        // A document type has no value; its markup says what it declares.
        out += OneLine(node.xml());
        return;
    default:
        DomTextReader::AppendValue(node, out);
    }
}

QString MakeElementLabel(const DomNode& element, int showAttributes)
{
    return MakeLabel(element, showAttributes);
}

QString MakeLabel(const DomNode& node, int showAttributes)
{
    QString label;
    QString scratch;
    AppendLabel(node, showAttributes, label, scratch);
    return label;
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
