#include "DomWriter.h"

#include "DomNamespaces.h"
#include "DomNodeUtil.h"
#include "DomStore.h"

#include <libxml/entities.h>

#include <array>
#include <cstdio>
#include <utility>

namespace DomWriter {

namespace {

    // Bytes that need attention in each context; everything else is copied in runs.
    constexpr std::array<std::array<bool, 256>, 3> MakeSpecial()
    {
        std::array<std::array<bool, 256>, 3> special {};
        for (auto& table : special) {
            for (int c = 0x80; c < 256; ++c)
                table[size_t(c)] = true;
            table['\n'] = true;
            table['\r'] = true;
        }
        special[TextContext]['&'] = special[TextContext]['<'] = special[TextContext]['>'] = true;
        special[AttributeContext]['&'] = special[AttributeContext]['<'] = true;
        special[AttributeContext]['"'] = special[AttributeContext]['\t'] = true;
        return special;
    }
    constexpr auto special = MakeSpecial();

    // Decodes one UTF-8 sequence at s; returns its length.
    int Decode(const unsigned char* s, char32_t& c)
    {
        if (s[0] < 0xE0) {
            c = char32_t(s[0] & 0x1F) << 6 | (s[1] & 0x3F);
            return 2;
        }
        if (s[0] < 0xF0) {
            c = char32_t(s[0] & 0x0F) << 12 | char32_t(s[1] & 0x3F) << 6 | (s[2] & 0x3F);
            return 3;
        }
        c = char32_t(s[0] & 0x07) << 18 | char32_t(s[1] & 0x3F) << 12 | char32_t(s[2] & 0x3F) << 6
            | (s[3] & 0x3F);
        return 4;
    }

} // namespace

void Writer::Escaped(const xmlChar* text, Context context)
{
    if (!text)
        return;
    const auto& table = special[context];
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* run = s;
    for (;; ++s) {
        while (*s && !table[*s])
            ++s;
        out.append(reinterpret_cast<const char*>(run), size_t(s - run));
        if (!*s)
            return;
        const unsigned char c = *s;
        run = s + 1;
        if (c >= 0x80) {
            char32_t code;
            const int length = Decode(s, code);
            run = s + length;
            if (!canEncode || canEncode(code)) {
                out.append(reinterpret_cast<const char*>(s), size_t(length));
            } else if (context == RawContext) {
                failed = true;
            } else {
                // Decimal, as most hand-edited files write them.
                out += "&#";
                char buffer[16];
                std::snprintf(buffer, sizeof buffer, "%u;", unsigned(code));
                out += buffer;
            }
            s = run - 1;
            continue;
        }
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\t':
            out += "&#9;";
            break;
        case '\r':
            // Raw text (comments, CDATA sections, instructions) cannot carry a character
            // reference: each of its line breaks is written as CR LF, as a reader sees it.
            if (context != RawContext)
                out += "&#13;";
            else if (s[1] != '\n')
                out += lineBreak;
            break;
        case '\n':
            out += context == AttributeContext ? "&#10;" : lineBreak;
            break;
        }
    }
}

void Writer::Name(const xmlChar* prefix, const xmlChar* local)
{
    if (prefix) {
        Escaped(prefix, RawContext);
        out += ':';
    }
    Escaped(local, RawContext);
}

void Writer::Declaration(xmlNsPtr ns)
{
    out += " xmlns";
    if (ns->prefix) {
        out += ':';
        Escaped(ns->prefix, RawContext);
    }
    out += "=\"";
    Escaped(ns->href, AttributeContext);
    out += '"';
}

void Writer::Attribute(xmlAttrPtr attr)
{
    out += ' ';
    Name(attr->ns ? attr->ns->prefix : nullptr, attr->name);
    out += "=\"";
    for (xmlNodePtr child = attr->children; child; child = child->next) {
        if (child->type == XML_ENTITY_REF_NODE) {
            out += '&';
            Escaped(child->name, RawContext);
            out += ';';
        } else {
            Escaped(child->content, AttributeContext);
        }
    }
    out += '"';
}

void Writer::StartTag(xmlNodePtr element)
{
    out += '<';
    Name(element->ns ? element->ns->prefix : nullptr, element->name);
    if (element == declaringRoot) {
        for (xmlNsPtr ns : rootDeclarations)
            Declaration(ns);
    }
    if (!element->nsDef) {
        for (xmlAttrPtr attr = element->properties; attr; attr = attr->next)
            Attribute(attr);
        return;
    }
    // The same order as the attribute map: declarations at their source places, the
    // layer's own declarations last; those the document type gives are left to it.
    long index = 0;
    auto declarationsAt = [&](long position, bool orLater) {
        for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
            if (!DomNamespaces::IsListed(ns))
                continue;
            const long at = DomNamespaces::Position(ns);
            if (at == position || (orLater && at > position))
                Declaration(ns);
        }
    };
    for (xmlAttrPtr attr = element->properties; attr; attr = attr->next, ++index) {
        declarationsAt(index, false);
        Attribute(attr);
    }
    declarationsAt(index, true);
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
        if (DomNamespaces::IsImplicit(ns))
            Declaration(ns);
    }
}

void Writer::CData(const xmlChar* text)
{
    // The parser merges adjacent sections into one node, so the text may hold the terminator:
    // end the section after its "]]" and open a new one for the ">".
    out += "<![CDATA[";
    const xmlChar* rest = text;
    for (const xmlChar* end; rest && (end = xmlStrstr(rest, BAD_CAST "]]>"));) {
        const std::string piece(reinterpret_cast<const char*>(rest), size_t(end - rest) + 2);
        Escaped(BAD_CAST piece.c_str(), RawContext);
        out += "]]><![CDATA[";
        rest = end + 2;
    }
    Escaped(rest, RawContext);
    out += "]]>";
}

void Writer::Leaf(xmlNodePtr node)
{
    switch (node->type) {
    case XML_TEXT_NODE:
        Escaped(node->content, TextContext);
        break;
    case XML_CDATA_SECTION_NODE:
        CData(node->content);
        break;
    case XML_COMMENT_NODE:
        out += "<!--";
        Escaped(node->content, RawContext);
        out += "-->";
        break;
    case XML_PI_NODE:
        out += "<?";
        Escaped(node->name, RawContext);
        if (node->content && *node->content) {
            out += ' ';
            Escaped(node->content, RawContext);
        }
        out += "?>";
        break;
    case XML_ENTITY_REF_NODE:
        out += '&';
        Escaped(node->name, RawContext);
        out += ';';
        break;
    case XML_DTD_NODE: {
        // libxml2's dump writes attribute defaults expanded ("a&#60;b" becomes the unreadable
        // "a<b", "&#9;" a tab that a reader turns into a blank) and parameter-entity references
        // replaced by what they declared: the source's text is written where there is one.
        const DocData* data = node->doc ? DomStore::Data(node) : nullptr;
        if (data && data->documentType == node) {
            Escaped(reinterpret_cast<const xmlChar*>(data->documentTypeText.c_str()), RawContext);
            break;
        }
        xmlBufferPtr buffer = xmlBufferCreate();
        xmlNodeDump(buffer, node->doc, node, 0, 0);
        const xmlChar* dumped = xmlBufferContent(buffer);
        Escaped(dumped, RawContext);
        xmlBufferFree(buffer);
        break;
    }
    case XML_ATTRIBUTE_NODE: {
        auto* attr = reinterpret_cast<xmlAttrPtr>(node);
        const size_t start = out.size();
        Attribute(attr);
        out.erase(start, 1); // no leading blank for the attribute on its own
        break;
    }
    default:
        break;
    }
}

// Iterative, so a tree of any depth is written without exhausting the stack.
void Writer::Element(xmlNodePtr root)
{
    declaringRoot = root;
    xmlNodePtr node = root;
    for (;;) {
        if (node->type == XML_ELEMENT_NODE) {
            StartTag(node);
            if (node->children) {
                out += '>';
                node = node->children;
                continue;
            }
            out += "/>";
        } else {
            Leaf(node);
        }
        // Close finished elements on the way back up.
        while (node != root && !node->next) {
            node = node->parent;
            out += "</";
            Name(node->ns ? node->ns->prefix : nullptr, node->name);
            out += '>';
        }
        if (node == root)
            return;
        node = node->next;
    }
}

void Writer::Node(xmlNodePtr node, xmlNsPtr ns)
{
    if (ns) {
        Declaration(ns);
        return;
    }
    switch (node->type) {
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
        for (xmlNodePtr child = node->children; child; child = child->next) {
            Node(child, nullptr);
            out += "\r\n";
        }
        break;
    case XML_ELEMENT_NODE:
        Element(node);
        break;
    default:
        Leaf(node);
        break;
    }
}

namespace {

    // The UTF-8 text of one node, in a buffer kept between calls.
    std::string& Markup(xmlNodePtr node, xmlNsPtr ns)
    {
        thread_local std::string buffer;
        buffer.clear();
        Writer writer(buffer, {});
        writer.Node(node, ns);
        if (ns) // a declaration on its own reads like any attribute: name="value"
            buffer.erase(0, 1);
        return buffer;
    }

} // namespace

QString Xml(xmlNodePtr node, xmlNsPtr ns)
{
    const std::string& markup = Markup(node, ns);
    return QString::fromUtf8(markup.data(), qsizetype(markup.size()));
}

bool Write(std::string& out, xmlNodePtr node, const CanEncode& canEncode)
{
    Writer writer(out, canEncode);
    writer.Node(node, nullptr);
    return !writer.failed;
}

} // namespace DomWriter
