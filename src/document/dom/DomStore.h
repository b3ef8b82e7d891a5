#pragma once

// Internal to the DOM layer: the bookkeeping that keeps libxml2 nodes alive while handles refer
// to them, and the conversions between libxml2 strings and QString.

#include "DomNode.h"
#include "DomParseError.h"

#include <libxml/tree.h>

#include <QString>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// Per libxml2 document: how many handles refer to it, and the subtrees that are not attached to
// it. A detached subtree is freed when the last handle into it goes; the document and whatever
// is still detached go with the last handle of all.
struct DocData {
    xmlDocPtr doc = nullptr;
    long refs = 0;
    // Bumped by every change, so cached list positions know they are stale.
    unsigned long generation = 1;
    // The generation whose document order the elements' content fields hold (see DomXPath);
    // 0 when they hold none.
    unsigned long orderedGeneration = 0;
    // How many elements were numbered then.
    long orderedElements = 0;
    // Root of each detached subtree -> handles that refer into it.
    std::unordered_map<xmlNodePtr, long> detached;
    // Namespace declarations taken off their element; handles and nodes may still point to them.
    std::vector<xmlNsPtr> retiredNs;
    // The document type declaration as the source wrote it (UTF-8, line feeds), and the node it
    // belongs to: libxml2 keeps only the parsed declarations.
    const xmlNode* documentType = nullptr;
    std::string documentTypeText;
};

// The program-level document: the current content plus the load settings and error.
struct DomDocumentState {
    long refs = 1;
    DocData* data = nullptr;
    bool preserveWhiteSpace = false;
    DomParseError parseError;
};

// Gives the DOM layer's own code access to the handles' pointers.
struct DomAccess {
    static xmlNodePtr Node(const DomNode& handle) { return handle.node; }
    static xmlNsPtr Ns(const DomNode& handle) { return handle.ns; }
    static DocData* Data(const DomNode& handle) { return handle.data; }
    template <class T = DomNode>
    static T Make(xmlNodePtr node, xmlNsPtr ns = nullptr, DocData* data = nullptr)
    {
        return T(node, ns, data);
    }
};

namespace DomStore {

// Marks a namespace declaration that the layer added to keep a detached or copied subtree
// self-contained; such declarations are written but are not attribute-map entries.
inline void* const implicitNsMark = reinterpret_cast<void*>(~std::uintptr_t(0));

DocData* Data(const xmlNode* node);
DocData* NewData(xmlDocPtr doc);
void AddRef(DocData* data);
void Release(DocData* data);

void AcquireNode(xmlNodePtr node, DocData* data);
void ReleaseNode(xmlNodePtr node, DocData* data);

xmlNodePtr TreeRoot(xmlNodePtr node);
// Registers a new node (created or cloned) as the root of a detached subtree.
void AddDetached(xmlNodePtr root);
// Keeps the detached-subtree bookkeeping right around a change of a node's tree: call Detaching
// before unlinking node from its parent and Attached after linking it under its new parent.
long HandlesIn(xmlNodePtr subtree);
void Touch(const xmlNode* node);

// String conversions: libxml2 keeps UTF-8.
inline QString ToQString(const xmlChar* text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QString();
}
inline const xmlChar* ToXml(const QByteArray& utf8)
{
    return reinterpret_cast<const xmlChar*>(utf8.constData());
}

// True when every character of text may appear in an XML 1.0 document.
bool IsXmlText(const QString& text);

void InitLibxml();

} // namespace DomStore
