#include "DomTextReader.h"

#include "DomNamespaces.h"
#include "DomNodeUtil.h"
#include "DomStore.h"

#include <QStringDecoder>

#include <cstring>

namespace {

void AppendUtf8(QString& out, const xmlChar* text)
{
    if (!text)
        return;
    const auto* bytes = reinterpret_cast<const char*>(text);
    const qsizetype length = qsizetype(std::strlen(bytes));
    const qsizetype start = out.size();
    // UTF-8 never takes fewer bytes than UTF-16 takes units; the size is trimmed after.
    out.resize(start + length);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QChar* end = decoder.appendToBuffer(out.data() + start, QByteArrayView(bytes, length));
    out.resize(end - out.constData());
}

void AppendQualifiedName(QString& out, const xmlChar* prefix, const xmlChar* local)
{
    if (prefix) {
        AppendUtf8(out, prefix);
        out += u':';
    }
    AppendUtf8(out, local);
}

void AppendAttributeName(QString& out, const xmlAttr* attr, const xmlNs* declaration)
{
    if (declaration) {
        out += u"xmlns";
        if (declaration->prefix) {
            out += u':';
            AppendUtf8(out, declaration->prefix);
        }
        return;
    }
    AppendQualifiedName(out, attr->ns ? attr->ns->prefix : nullptr, attr->name);
}

void AppendAttributeValue(QString& out, xmlAttrPtr attr, const xmlNs* declaration)
{
    if (declaration) {
        AppendUtf8(out, declaration->href);
        return;
    }
    const xmlNode* child = attr->children;
    if (child && !child->next && child->type == XML_TEXT_NODE)
        AppendUtf8(out, child->content);
    else if (child)
        // Entity references in the value: rare enough for a string of its own.
        out += DomNodeUtil::AttributeValue(attr);
}

} // namespace

void DomTextReader::AppendName(const DomNode& node, QString& out)
{
    const xmlNode* raw = DomAccess::Node(node);
    if (!raw)
        return;
    if (const xmlNs* ns = DomAccess::Ns(node)) {
        AppendAttributeName(out, nullptr, ns);
        return;
    }
    switch (raw->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
        AppendQualifiedName(out, raw->ns ? raw->ns->prefix : nullptr, raw->name);
        return;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
    case XML_DOCUMENT_FRAG_NODE:
        out += node.nodeName();
        return;
    default:
        AppendUtf8(out, raw->name);
    }
}

void DomTextReader::AppendValue(const DomNode& node, QString& out)
{
    xmlNode* raw = DomAccess::Node(node);
    if (!raw)
        return;
    if (const xmlNs* ns = DomAccess::Ns(node)) {
        AppendUtf8(out, ns->href);
        return;
    }
    switch (raw->type) {
    case XML_ATTRIBUTE_NODE:
        AppendAttributeValue(out, reinterpret_cast<xmlAttrPtr>(raw), nullptr);
        return;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        AppendUtf8(out, raw->content);
        return;
    default:
        return;
    }
}

bool DomTextReader::ForEachAttribute(
    const DomNode& element, QString& scratch, AttributeCall call, void* context)
{
    xmlNodePtr raw = DomAccess::Node(element);
    if (!raw || DomAccess::Ns(element) || raw->type != XML_ELEMENT_NODE)
        return true;
    bool goOn = true;
    DomNamespaces::ForEachMapEntry(raw, [&](xmlAttrPtr attr, xmlNsPtr ns) {
        if (!goOn)
            return;
        scratch.resize(0);
        AppendAttributeName(scratch, attr, ns);
        const qsizetype nameLength = scratch.size();
        AppendAttributeValue(scratch, attr, ns);
        const QStringView all(scratch);
        goOn = call(context, all.first(nameLength), all.sliced(nameLength));
    });
    return goOn;
}

bool DomTextReader::ForEachTextChild(
    const DomNode& node, QString& scratch, TextCall call, void* context)
{
    const xmlNode* raw = DomAccess::Node(node);
    if (!raw || DomAccess::Ns(node) || raw->type != XML_ELEMENT_NODE)
        return true;
    for (const xmlNode* child = raw->children; child; child = child->next) {
        if (child->type != XML_TEXT_NODE && child->type != XML_CDATA_SECTION_NODE)
            continue;
        scratch.resize(0);
        AppendUtf8(scratch, child->content);
        if (!call(context, scratch))
            return false;
    }
    return true;
}
