#include "SourceFormatter.h"

#include "dom/DomNamedNodeMap.h"
#include "dom/DomNodeList.h"

namespace {

constexpr QStringView LineBreak = u"\r\n";
constexpr QStringView XmlSpacePrefix = u"xml:space=\"";
constexpr QStringView XmlSpacePreserve = u"xml:space=\"preserve\"";

// Text, CDATA and entity references are content: whitespace written next to them is kept by the
// loader, so nothing may be added beside them.
bool IsTextContent(NodeType type)
{
    return type == NodeType::Text || type == NodeType::CDataSection
        || type == NodeType::EntityReference;
}

// The attribute's markup is name="value" in double quotes, so the xml:space value can be read
// from it without converting the name and the value separately.
std::optional<bool> XmlSpacePreserves(QStringView attributeXml)
{
    if (!attributeXml.startsWith(XmlSpacePrefix))
        return std::nullopt;
    return attributeXml == XmlSpacePreserve;
}

// Whether the nearest xml:space on node or its ancestors says "preserve".
bool InPreserveScope(const DomNode& node)
{
    for (DomNode current = node; !current.isNull(); current = current.parentNode()) {
        if (current.nodeType() != NodeType::Element)
            continue;
        const DomNamedNodeMap attributes = current.attributes();
        for (int i = 0; i < attributes.length(); ++i) {
            if (const auto preserves = XmlSpacePreserves(attributes.item(i).xml()))
                return *preserves;
        }
    }
    return false;
}

bool IsLineBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// Appends the text on one line: CR, LF and tab become spaces, and the ends are trimmed of XML
// whitespace only (a non-breaking space is content).
void AppendFlattened(QString& out, QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsLineBlank(text[begin]))
        ++begin;
    while (end > begin && IsLineBlank(text[end - 1]))
        --end;
    const qsizetype start = out.size();
    out.append(text.sliced(begin, end - begin));
    QChar* data = out.data() + start;
    for (qsizetype i = 0; i < end - begin; ++i) {
        if (IsLineBlank(data[i]))
            data[i] = u' ';
    }
}

} // namespace

QString SourceFormatter::MakeIndent(int depth) const
{
    QString indent;
    AppendIndent(indent, depth);
    return indent;
}

QString SourceFormatter::Format(const DomNode& node, int depth) const
{
    QString out;
    if (node.isNull())
        return out;
    out.reserve(4096);

    Place place;
    const NodeType type = node.nodeType();
    if (type == NodeType::Text && !preserveText) {
        const DomNode parent = node.parentNode();
        place.siblings = parent.isNull() ? 1 : parent.childNodes().length();
    } else if (type == NodeType::Element && preserveText) {
        place.preserveSpace = InPreserveScope(node.parentNode());
    }
    AppendNode(out, node, depth, place);
    return out;
}

void SourceFormatter::AppendIndent(QString& out, int depth) const
{
    if (depth <= 0 || indentSpaces < 0)
        return;
    const qsizetype unit = indentSpaces == 0 ? 1 : indentSpaces;
    out.resize(out.size() + unit * depth, indentSpaces == 0 ? u'\t' : u' ');
}

void SourceFormatter::AppendNode(
    QString& out, const DomNode& node, int depth, const Place& place) const
{
    switch (node.nodeType()) {
    case NodeType::Element:
        AppendElement(out, node, depth, place);
        return;
    case NodeType::Attribute:
        out += u' ';
        out += node.xml();
        return;
    case NodeType::Text:
        AppendText(out, node, depth, place);
        return;
    case NodeType::CDataSection:
    case NodeType::Comment: {
        const QString xml = node.xml();
        // A multi-line section starts at column 0 so that its inner lines keep their own layout.
        if (!place.inlined && !xml.contains(u'\r'))
            AppendIndent(out, depth);
        out += xml;
        break;
    }
    case NodeType::Entity:
        return;
    case NodeType::ProcessingInstruction:
        if (!place.inlined)
            AppendIndent(out, depth);
        out += u"<?";
        out += node.nodeName();
        out += u' ';
        out += node.nodeValue().value_or(QString());
        out += u"?>";
        break;
    case NodeType::Document:
    case NodeType::DocumentFragment: {
        const Place childPlace { node.childNodes().length(), false, false };
        for (DomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
            AppendNode(out, child, 0, childPlace);
        return;
    }
    default:
        if (!place.inlined)
            AppendIndent(out, depth);
        out += node.xml();
        break;
    }
    if (!place.inlined)
        out += LineBreak;
}

void SourceFormatter::AppendElement(
    QString& out, const DomNode& element, int depth, const Place& place) const
{
    // One pass over the children reads their count and what the layout depends on; walking by
    // sibling links costs less than indexing a child list.
    int n = 0;
    NodeType firstType = NodeType::Invalid;
    bool hasTextContent = false;
    for (DomNode child = element.firstChild(); !child.isNull(); child = child.nextSibling()) {
        const NodeType type = child.nodeType();
        if (n == 0)
            firstType = type;
        hasTextContent = hasTextContent || IsTextContent(type);
        ++n;
    }
    const bool singleText = n == 1 && firstType == NodeType::Text;
    const QString name = element.nodeName();

    if (!place.inlined)
        AppendIndent(out, depth);
    out += u'<';
    out += name;
    bool preserveSpace = place.preserveSpace;
    const DomNamedNodeMap attributes = element.attributes();
    for (int i = 0; i < attributes.length(); ++i) {
        const QString xml = attributes.item(i).xml();
        if (preserveText) {
            if (const auto preserves = XmlSpacePreserves(xml))
                preserveSpace = *preserves;
        }
        out += u' ';
        out += xml;
    }

    if (n == 0) {
        out += u"/>";
        if (!place.inlined)
            out += LineBreak;
        return;
    }

    // On reload, a line break or indentation added here would become part of the neighbouring
    // text (or of the preserved whitespace), so every save would grow the text.
    const bool inlineChildren = preserveText && (preserveSpace || hasTextContent);
    const bool ownLines = !singleText && !inlineChildren;
    out += u'>';
    if (ownLines)
        out += LineBreak;
    const Place childPlace { n, inlineChildren, preserveSpace };
    for (DomNode child = element.firstChild(); !child.isNull(); child = child.nextSibling())
        AppendNode(out, child, depth + 1, childPlace);
    if (ownLines)
        AppendIndent(out, depth);
    out += u"</";
    out += name;
    out += u'>';
    if (!place.inlined)
        out += LineBreak;
}

void SourceFormatter::AppendText(
    QString& out, const DomNode& text, int depth, const Place& place) const
{
    if (preserveText) {
        out += text.xml();
        return;
    }
    const bool ownLine = place.siblings > 1;
    if (ownLine)
        AppendIndent(out, depth);
    AppendFlattened(out, text.xml());
    if (ownLine)
        out += LineBreak;
}
