#include "DomStore.h"

#include "DomLibxmlCompat.h"
#include "DomNodeUtil.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>
#include <libxslt/xsltutils.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace DomStore {

namespace {

    // The count of handles on a node lives in its _private field, which libxml2 never reads.
    long HandleCount(const xmlNode* node)
    {
        return long(reinterpret_cast<intptr_t>(node->_private));
    }
    void AddHandles(xmlNodePtr node, long delta)
    {
        node->_private
            = reinterpret_cast<void*>(reinterpret_cast<intptr_t>(node->_private) + delta);
    }

    void FreeSubtree(xmlNodePtr root)
    {
        if (root->type == XML_ATTRIBUTE_NODE)
            xmlFreeProp(reinterpret_cast<xmlAttrPtr>(root));
        else
            xmlFreeNode(root);
    }

    void FreeData(DocData* data)
    {
        // Detached subtrees first: their names may live in the document's dictionary.
        for (auto& [root, handles] : data->detached)
            FreeSubtree(root);
        for (xmlNsPtr ns : data->retiredNs)
            xmlFreeNs(ns);
        data->doc->_private = nullptr;
        xmlFreeDoc(data->doc);
        delete data;
    }

    void SilentGenericError(void*, const char*, ...) { }
    void SilentStructuredError(void*, XmlErrorArg) { }

} // namespace

DocData* Data(const xmlNode* node) { return static_cast<DocData*>(node->doc->_private); }

DocData* NewData(xmlDocPtr doc)
{
    auto* data = new DocData;
    data->doc = doc;
    doc->_private = data;
    return data;
}

void AddRef(DocData* data) { ++data->refs; }

void Release(DocData* data)
{
    if (--data->refs == 0)
        FreeData(data);
}

xmlNodePtr TreeRoot(xmlNodePtr node)
{
    while (node->parent)
        node = node->parent;
    return node;
}

void AcquireNode(xmlNodePtr node, DocData* data)
{
    ++data->refs;
    if (node->type == XML_DOCUMENT_NODE)
        return;
    AddHandles(node, 1);
    // With nothing detached every node is in the document's tree: no need to find the root.
    if (data->detached.empty())
        return;
    xmlNodePtr root = TreeRoot(node);
    if (root != reinterpret_cast<xmlNodePtr>(data->doc))
        ++data->detached[root];
}

void ReleaseNode(xmlNodePtr node, DocData* data)
{
    if (node->type != XML_DOCUMENT_NODE) {
        AddHandles(node, -1);
        xmlNodePtr root = data->detached.empty() ? nullptr : TreeRoot(node);
        if (root && root != reinterpret_cast<xmlNodePtr>(data->doc)) {
            auto it = data->detached.find(root);
            if (it != data->detached.end() && --it->second == 0) {
                data->detached.erase(it);
                FreeSubtree(root);
            }
        }
    }
    Release(data);
}

void AddDetached(xmlNodePtr root) { Data(root)->detached.emplace(root, 0); }

long HandlesIn(xmlNodePtr subtree)
{
    long total = 0;
    xmlNodePtr node = subtree;
    while (node) {
        total += HandleCount(node);
        if (node->type == XML_ELEMENT_NODE) {
            for (xmlAttrPtr attr = node->properties; attr; attr = attr->next)
                total += HandleCount(reinterpret_cast<xmlNodePtr>(attr));
        }
        // Entity references share their children with the entity: never descend into them.
        node = DomNodeUtil::NextInSubtree(
            node, subtree, node->type != XML_ENTITY_REF_NODE && node->type != XML_ATTRIBUTE_NODE);
    }
    return total;
}

void Touch(const xmlNode* node) { ++Data(node)->generation; }

bool IsXmlText(const QString& text)
{
    const qsizetype size = text.size();
    const char16_t* chars = reinterpret_cast<const char16_t*>(text.constData());
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = chars[i];
        if (c < 0x20) {
            if (c != u'\t' && c != u'\n' && c != u'\r')
                return false;
        } else if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= size || chars[i + 1] < 0xDC00 || chars[i + 1] > 0xDFFF)
                return false;
            ++i;
        } else if ((c >= 0xDC00 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF) {
            return false;
        }
    }
    return true;
}

void InitLibxml()
{
    static const bool done = [] {
        xmlInitParser();
        // Deep trees the program can build itself (branches pasted into branches) must open.
        xmlParserMaxDepth = DomMaxElementDepth;
        xmlSetGenericErrorFunc(nullptr, SilentGenericError);
        xmlSetStructuredErrorFunc(nullptr, SilentStructuredError);
        xsltSetGenericErrorFunc(nullptr, SilentGenericError);
#ifdef __GLIBC__
        // Every libxml2 node, attribute and most strings are blocks of at most 128 bytes, which
        // glibc keeps unmerged in its fast bins when freed; the next larger allocation then
        // merges them all at once. After deleting the root element of a 50 MB document that
        // was half a second spent in the paint that followed. Without fast bins a free merges
        // its block as it goes and small blocks still come from the per-thread cache: measured,
        // the open takes as long, deleting the root half as long, Collapse All a quarter less.
        mallopt(M_MXFAST, 0);
#endif
        return true;
    }();
    (void)done;
}

} // namespace DomStore
