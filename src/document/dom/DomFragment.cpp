// Markup that travels between documents and programs: a branch written to stand on its own, and
// text parsed as content in a node's place.

#include "DomDocument.h"
#include "DomLoader.h"
#include "DomNamespaces.h"
#include "DomNode.h"
#include "DomNodeUtil.h"
#include "DomStore.h"
#include "DomWriter.h"

#include <libxml/parser.h>

#include <unordered_set>
#include <vector>

namespace {

// The declarations that names in subtree refer to but that no element of subtree makes, one per
// prefix (the nearest, the one a reader of the whole document binds them to).
std::vector<xmlNsPtr> DeclaredOutside(xmlNodePtr subtree)
{
    std::unordered_set<const xmlNs*> inside;
    std::vector<xmlNsPtr> used;
    for (xmlNodePtr node = subtree; node;) {
        if (node->type == XML_ELEMENT_NODE) {
            for (xmlNsPtr ns = node->nsDef; ns; ns = ns->next)
                inside.insert(ns);
            if (node->ns)
                used.push_back(node->ns);
            for (xmlAttrPtr attr = node->properties; attr; attr = attr->next) {
                if (attr->ns)
                    used.push_back(attr->ns);
            }
        }
        node = DomNodeUtil::NextInSubtree(node, subtree, node->type == XML_ELEMENT_NODE);
    }
    std::vector<xmlNsPtr> outside;
    for (xmlNsPtr ns : used) {
        if (inside.count(ns) || xmlStrEqual(ns->prefix, BAD_CAST "xml"))
            continue;
        bool known = false;
        for (const xmlNs* other : outside)
            known = known || xmlStrEqual(other->prefix, ns->prefix);
        if (!known)
            outside.push_back(ns);
    }
    return outside;
}

bool IsBlankWithBreak(const xmlNode* node)
{
    if (node->type != XML_TEXT_NODE)
        return false;
    bool lineBreak = false;
    for (const xmlChar* s = node->content; s && *s; ++s) {
        if (*s == '\n' || *s == '\r')
            lineBreak = true;
        else if (*s != ' ' && *s != '\t')
            return false;
    }
    return lineBreak;
}

bool IsContent(const xmlNode* node)
{
    if (node->type == XML_CDATA_SECTION_NODE || node->type == XML_ENTITY_REF_NODE)
        return true;
    if (node->type != XML_TEXT_NODE)
        return false;
    for (const xmlChar* s = node->content; s && *s; ++s) {
        if (*s != ' ' && *s != '\t' && *s != '\n' && *s != '\r')
            return true;
    }
    return false;
}

// Drops the indentation among siblings from first on, as a load does: blank text holding a line
// break, when no sibling is content. Returns the new first sibling.
xmlNodePtr DropIndentation(xmlNodePtr first)
{
    for (const xmlNode* node = first; node; node = node->next) {
        if (IsContent(node))
            return first;
    }
    for (xmlNodePtr node = first, next; node; node = next) {
        next = node->next;
        if (!IsBlankWithBreak(node))
            continue;
        if (node == first)
            first = next;
        DomNodeUtil::Unlink(node);
        xmlFreeNode(node);
    }
    return first;
}

// xml:space on the element itself: 1 preserve, 0 default, -1 not set.
int OwnSpace(const xmlNode* element)
{
    for (const xmlAttr* attr = element->properties; attr; attr = attr->next) {
        if (attr->ns && xmlStrEqual(attr->ns->prefix, BAD_CAST "xml")
            && xmlStrEqual(attr->name, BAD_CAST "space")) {
            xmlChar* value = xmlNodeGetContent(reinterpret_cast<const xmlNode*>(attr));
            const int space = xmlStrEqual(value, BAD_CAST "preserve") ? 1 : 0;
            xmlFree(value);
            return space;
        }
    }
    return -1;
}

// The indentation below each element of subtree, where xml:space allows; preserve: in force
// where subtree stands. Parsed nodes also forget the clipboard's line numbers.
void DropIndentationBelow(xmlNodePtr subtree, bool preserve)
{
    std::vector<bool> preserved { preserve };
    for (xmlNodePtr node = subtree; node;) {
        node->line = 0;
        const bool element = node->type == XML_ELEMENT_NODE;
        if (element) {
            const int own = OwnSpace(node);
            const bool keep = own < 0 ? preserved.back() : own == 1;
            if (!keep && node->children)
                node->children = DropIndentation(node->children);
            if (node->children)
                preserved.push_back(keep);
        }
        // Down into an element's children, else on, closing finished elements on the way up.
        if (element && node->children) {
            node = node->children;
            continue;
        }
        while (node != subtree && !node->next) {
            node = node->parent;
            preserved.pop_back();
        }
        node = node == subtree ? nullptr : node->next;
    }
}

// Collects the errors of one parse, which libxml2 sends to the thread's structured handler.
struct ParseErrors {
    QString reason;
    int code = 0;
    int line = 0;
    int column = 0;
    bool failed = false;

    static void Collect(void* context, xmlErrorPtr error)
    {
        auto* self = static_cast<ParseErrors*>(context);
        if (!error || error->level == XML_ERR_WARNING)
            return;
        const bool fails = DomLoader::FailsLoad(error);
        // The first error that fails the parse, else the first of all.
        if (self->failed || (!fails && self->code != 0))
            return;
        self->failed = fails;
        self->code = error->code;
        self->reason = QString::fromUtf8(error->message ? error->message : "Unknown error.");
        self->line = error->line;
        self->column = error->int2;
    }
};

bool StartsAt(const QString& text, int line, int column, QLatin1StringView what)
{
    qsizetype at = 0;
    for (int i = 1; i < line && at >= 0; ++i) {
        at = text.indexOf(u'\n', at);
        at = at < 0 ? -1 : at + 1;
    }
    return at >= 0 && column > 0 && QStringView(text).mid(at + column - 1).startsWith(what);
}

} // namespace

QByteArray DomNode::standaloneXml() const
{
    if (!node)
        return QByteArray();
    std::string out;
    DomWriter::Writer writer(out, {});
    writer.lineBreak = "\n";
    if (!ns && node->type == XML_ELEMENT_NODE)
        writer.rootDeclarations = DeclaredOutside(node);
    writer.Node(node, ns);
    if (ns) // a declaration on its own reads like any attribute: name="value"
        out.erase(0, 1);
    return QByteArray(out.data(), qsizetype(out.size()));
}

DomResult DomDocument::parseContent(
    const DomNode& context, const QString& text, std::vector<DomNode>& nodes, QString& reason) const
{
    nodes.clear();
    reason.clear();
    xmlNodePtr parent = DomAccess::Node(context);
    if (!state || !parent || DomAccess::Ns(context) || parent->doc != state->data->doc
        || (parent->type != XML_ELEMENT_NODE && parent->type != XML_DOCUMENT_NODE)
        || DomNodeUtil::InsideEntity(parent))
        return DomInvalidArgument;
    const QByteArray utf8 = text.toUtf8();
    if (utf8.isEmpty())
        return DomNoValue;
    xmlDocPtr doc = parent->doc;
    ParseErrors errors;
    const xmlStructuredErrorFunc handler = xmlStructuredError;
    void* const handlerContext = xmlStructuredErrorContext;
    xmlSetStructuredErrorFunc(&errors, ParseErrors::Collect);
    // libxml2 decodes the text in the encoding the document was read in, but it is UTF-8 here.
    const xmlChar* encoding = doc->encoding;
    doc->encoding = nullptr;
    xmlNodePtr list = nullptr;
    // It links the new nodes under parent while it reads, then takes them out again.
    const int code
        = xmlParseInNodeContext(parent, utf8.constData(), int(utf8.size()), XML_PARSE_NONET, &list);
    doc->encoding = encoding;
    xmlSetStructuredErrorFunc(handlerContext, handler);
    DomStore::Touch(parent);
    if (code != XML_ERR_OK || errors.failed) {
        xmlFreeNodeList(list);
        // At the top of content, libxml2 reads "<!DOCTYPE" as an element without a name.
        if (StartsAt(text, errors.line, errors.column, QLatin1StringView("!DOCTYPE")))
            errors.reason = QStringLiteral("A document type declaration cannot stand here.");
        reason = errors.reason.isEmpty() ? QStringLiteral("Unknown error.") : errors.reason;
        if (!reason.endsWith(u'\n'))
            reason += u'\n';
        if (errors.line > 0)
            reason += QStringLiteral("Line %1. Position %2\n").arg(errors.line).arg(errors.column);
        return DomFail;
    }
    const bool preserve = state->preserveWhiteSpace || xmlNodeGetSpacePreserve(parent) == 1;
    for (xmlNodePtr node = list; node; node = node->next)
        DropIndentationBelow(node, preserve);
    if (!preserve)
        list = DropIndentation(list);
    for (xmlNodePtr node = list, next; node; node = next) {
        next = node->next;
        node->prev = node->next = nullptr;
        // The names still refer to the declarations in parent's scope: a node that stands
        // alone declares them itself until it is placed.
        DomNamespaces::Fix(node);
        nodes.push_back(DomNamespaces::AdoptDetached(node));
    }
    return nodes.empty() ? DomNoValue : DomOk;
}
