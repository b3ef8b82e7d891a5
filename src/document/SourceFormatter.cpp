#include "SourceFormatter.h"

#include "dom/DomNodeUtil.h"
#include "dom/DomStore.h"
#include "dom/DomTypes.h"
#include "dom/DomWriter.h"

#include <string>

namespace {

// What a node's output depends on besides the node itself: where its parent puts it.
struct Place {
    int siblings = 0; // length of the parent's child list, which decides a text run's line
    bool inlined = false; // written without its indentation and its trailing CR LF
    bool preserveSpace = false; // inside an xml:space="preserve" scope
    bool inText = false; // below an element that has text content
};

// Text, CDATA and entity references are content: whitespace written next to them is kept by the
// loader, so nothing may be added beside them.
bool IsTextContent(const xmlNode* node)
{
    return node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE
        || node->type == XML_ENTITY_REF_NODE;
}

// The element's own xml:space setting, if it has a valid one: true for "preserve", false for
// "default". Any other value changes nothing, as when the file is read.
std::optional<bool> XmlSpaceOf(const xmlNode* element)
{
    for (xmlAttrPtr attr = element->properties; attr; attr = attr->next) {
        if (attr->ns && xmlStrEqual(attr->ns->prefix, BAD_CAST "xml")
            && xmlStrEqual(attr->name, BAD_CAST "space")) {
            const QString value = DomNodeUtil::AttributeValue(attr);
            if (value == QLatin1String("preserve"))
                return true;
            if (value == QLatin1String("default"))
                return false;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool HasTextContent(const xmlNode* element)
{
    for (const xmlNode* child = element->children; child; child = child->next) {
        if (IsTextContent(child))
            return true;
    }
    return false;
}

bool InPreserveScope(const xmlNode* node)
{
    for (; node; node = node->parent) {
        if (node->type == XML_ELEMENT_NODE) {
            if (const auto preserve = XmlSpaceOf(node))
                return *preserve;
        }
    }
    return false;
}

bool InTextContent(const xmlNode* node)
{
    for (; node; node = node->parent) {
        if (node->type == XML_ELEMENT_NODE && HasTextContent(node))
            return true;
    }
    return false;
}

bool IsLineBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Builds the text as UTF-8 in one buffer; the leaves are written by the DOM's own writer, so
// they read exactly as the node's markup.
class Formatter {
public:
    Formatter(const SourceFormatter& settings, std::string& out)
        : settings(settings)
        , out(out)
        , writer(out, {})
    {
        if (settings.indentSpaces == 0)
            unit = "\t";
        else if (settings.indentSpaces > 0)
            unit.assign(size_t(settings.indentSpaces), ' ');
    }

    void Node(xmlNodePtr node, xmlNsPtr ns, int depth, const Place& place);

private:
    void Indent(int depth)
    {
        for (int i = 0; i < depth; ++i)
            out += unit;
    }
    void LineBreak(const Place& place)
    {
        if (!place.inlined)
            out += "\r\n";
    }
    void Element(xmlNodePtr element, int depth, const Place& place);
    void Text(xmlNodePtr text, int depth, const Place& place);

    const SourceFormatter& settings;
    std::string& out;
    DomWriter::Writer writer;
    std::string unit;
    unsigned elements = 0;
};

void Formatter::Node(xmlNodePtr node, xmlNsPtr ns, int depth, const Place& place)
{
    if (ns) {
        writer.Declaration(ns);
        return;
    }
    switch (node->type) {
    case XML_ELEMENT_NODE:
        Element(node, depth, place);
        return;
    case XML_ATTRIBUTE_NODE:
        out += ' ';
        writer.Leaf(node);
        return;
    case XML_TEXT_NODE:
        Text(node, depth, place);
        return;
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE: {
        // A section that spans lines starts at column 0 so its inner lines keep their layout.
        std::string markup;
        DomWriter::Writer(markup, {}).Leaf(node);
        if (!place.inlined && markup.find('\r') == std::string::npos)
            Indent(depth);
        out += markup;
        break;
    }
    case XML_ENTITY_DECL:
        return;
    case XML_PI_NODE:
        if (!place.inlined)
            Indent(depth);
        out += "<?";
        writer.Escaped(node->name, DomWriter::RawContext);
        out += ' ';
        writer.Escaped(node->content, DomWriter::RawContext);
        out += "?>";
        break;
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
    case XML_DOCUMENT_FRAG_NODE: {
        Place childPlace;
        for (xmlNodePtr child = node->children; child; child = child->next)
            ++childPlace.siblings;
        for (xmlNodePtr child = node->children; child; child = child->next)
            Node(child, nullptr, 0, childPlace);
        return;
    }
    default:
        if (!place.inlined)
            Indent(depth);
        writer.Leaf(node);
        break;
    }
    LineBreak(place);
}

void Formatter::Element(xmlNodePtr element, int depth, const Place& place)
{
    if (settings.pause && ++elements % 16384 == 0)
        settings.pause(qint64(out.size()));
    int n = 0;
    bool inText = place.inText;
    for (xmlNodePtr child = element->children; child; child = child->next) {
        inText = inText || IsTextContent(child);
        ++n;
    }
    const bool singleText = n == 1 && element->children->type == XML_TEXT_NODE;

    if (!place.inlined)
        Indent(depth);
    writer.StartTag(element);
    if (n == 0) {
        out += "/>";
        LineBreak(place);
        return;
    }
    bool preserveSpace = place.preserveSpace;
    if (settings.preserveText) {
        if (const auto preserve = XmlSpaceOf(element))
            preserveSpace = *preserve;
    }
    // On reload, a line break or indentation added here would become part of the neighbouring
    // text (or of the preserved whitespace), so every save would grow the text. Below text
    // content nothing is added at any depth, whatever xml:space says: the loader would drop a
    // break between <code> and <a> in <p>see <code><a>f</a></code></p>, but a browser shows it
    // as a space and a DocBook processor prints a line break inside a name.
    const bool inlineChildren = settings.preserveText && (preserveSpace || inText);
    const bool ownLines = !singleText && !inlineChildren;
    out += '>';
    if (ownLines)
        out += "\r\n";
    const Place childPlace { n, inlineChildren, preserveSpace, inText };
    for (xmlNodePtr child = element->children; child; child = child->next)
        Node(child, nullptr, depth + 1, childPlace);
    if (ownLines)
        Indent(depth);
    out += "</";
    writer.Name(element->ns ? element->ns->prefix : nullptr, element->name);
    out += '>';
    LineBreak(place);
}

void Formatter::Text(xmlNodePtr text, int depth, const Place& place)
{
    if (settings.preserveText) {
        writer.Leaf(text);
        return;
    }
    const bool ownLine = place.siblings > 1;
    if (ownLine)
        Indent(depth);
    // On one line: CR, LF and tab become spaces, and the ends are trimmed of XML whitespace only
    // (a non-breaking space is content).
    const size_t start = out.size();
    writer.Leaf(text);
    size_t end = out.size();
    size_t begin = start;
    while (begin < end && IsLineBlank(out[begin]))
        ++begin;
    while (end > begin && IsLineBlank(out[end - 1]))
        --end;
    for (size_t i = begin; i < end; ++i) {
        if (IsLineBlank(out[i]))
            out[i] = ' ';
    }
    out.erase(end);
    out.erase(start, begin - start);
    if (ownLine)
        out += "\r\n";
}

} // namespace

QString SourceFormatter::MakeIndent(int depth) const
{
    if (depth <= 0 || indentSpaces < 0)
        return QString();
    const qsizetype unit = indentSpaces == 0 ? 1 : indentSpaces;
    return QString(unit * depth, indentSpaces == 0 ? u'\t' : u' ');
}

QString SourceFormatter::Format(const DomNode& node, int depth) const
{
    xmlNodePtr target = DomAccess::Node(node);
    if (!target)
        return QString();
    std::string out;
    Formatter formatter(*this, out);
    Place place;
    if (target->type == XML_TEXT_NODE && !preserveText) {
        place.siblings = 1;
        if (target->parent && !DomAccess::Ns(node)) {
            place.siblings = 0;
            for (xmlNodePtr c = DomNodeUtil::FirstChildOf(target->parent); c; c = c->next)
                ++place.siblings;
        }
    } else if (target->type == XML_ELEMENT_NODE && preserveText) {
        place.preserveSpace = InPreserveScope(target->parent);
        place.inText = InTextContent(target->parent);
    }
    formatter.Node(target, DomAccess::Ns(node), depth, place);
    return QString::fromUtf8(out.data(), qsizetype(out.size()));
}
