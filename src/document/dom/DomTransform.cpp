// XSLT for DomDocument: libxslt with EXSLT, under security settings that allow reading local
// files only.

#include "DomDocument.h"

#include "DomNamespaces.h"
#include "DomNodeUtil.h"
#include "DomStore.h"

#include <libexslt/exslt.h>
#include <libxml/xmlerror.h>
#include <libxslt/documents.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <cstdarg>
#include <cstdio>

namespace {

void CollectError(void* context, const char* format, ...)
{
    char buffer[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    *static_cast<QString*>(context) += QString::fromUtf8(buffer);
}

void IgnoreError(void*, const char*, ...) { }
void IgnoreStructuredError(void*, xmlErrorPtr) { }

// Routes libxml2's and libxslt's messages into one text for the duration of a transformation.
class ErrorCapture {
public:
    explicit ErrorCapture(QString& text)
    {
        xmlSetGenericErrorFunc(&text, CollectError);
        xmlSetStructuredErrorFunc(nullptr, nullptr);
        xsltSetGenericErrorFunc(&text, CollectError);
    }
    ~ErrorCapture()
    {
        xmlSetGenericErrorFunc(nullptr, IgnoreError);
        xmlSetStructuredErrorFunc(nullptr, IgnoreStructuredError);
        xsltSetGenericErrorFunc(nullptr, IgnoreError);
    }
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;
};

// Takes the XML declaration node out of the way while libxslt reads the document: it would
// otherwise be copied into the result as an ordinary instruction.
class DeclarationHider {
public:
    explicit DeclarationHider(xmlDocPtr doc)
        : doc(doc)
    {
        if (doc->children && DomNodeUtil::IsDeclaration(doc->children)) {
            declaration = doc->children;
            DomNodeUtil::Unlink(declaration);
        }
    }
    ~DeclarationHider()
    {
        if (declaration)
            DomNodeUtil::LinkBefore(reinterpret_cast<xmlNodePtr>(doc), declaration, doc->children);
    }
    DeclarationHider(const DeclarationHider&) = delete;
    DeclarationHider& operator=(const DeclarationHider&) = delete;

private:
    xmlDocPtr doc;
    xmlNodePtr declaration = nullptr;
};

// The document type for a copy of the document. libxml2 copies an entity's replacement text
// but not the nodes parsed from it, which XPath reads through entity references: those are
// copied as well.
xmlNodePtr CopyDocumentType(xmlDtdPtr dtd, xmlDocPtr copy)
{
    xmlDtdPtr made = xmlCopyDtd(dtd);
    if (!made)
        return nullptr;
    xmlSetTreeDoc(reinterpret_cast<xmlNodePtr>(made), copy);
    copy->intSubset = made;
    for (xmlNodePtr node = dtd->children; node; node = node->next) {
        const auto* entity = reinterpret_cast<xmlEntityPtr>(node);
        if (node->type != XML_ENTITY_DECL || entity->etype != XML_INTERNAL_GENERAL_ENTITY)
            continue;
        xmlEntityPtr target = xmlGetDocEntity(copy, entity->name);
        if (!target || target->children || !entity->children)
            continue;
        target->owner = 1; // the entity frees the nodes
        for (xmlNodePtr child = entity->children; child; child = child->next) {
            xmlNodePtr childCopy = DomNamespaces::CopySubtree(child, copy);
            if (!childCopy) {
                copy->intSubset = nullptr;
                xmlFreeDtd(made);
                return nullptr;
            }
            DomNodeUtil::LinkBefore(reinterpret_cast<xmlNodePtr>(target), childCopy, nullptr);
        }
    }
    return reinterpret_cast<xmlNodePtr>(made);
}

// A copy of the document for libxslt, which edits the tree it is given: xsl:strip-space unlinks
// and frees blank text nodes, which handles may still refer to. The declaration node is left
// out: it would otherwise be copied into the result as an ordinary instruction.
xmlDocPtr CopyForTransform(xmlDocPtr doc)
{
    xmlDocPtr copy = xmlCopyDoc(doc, 0); // the document's own properties: address, version
    if (!copy)
        return nullptr;
    copy->_private = nullptr;
    for (xmlNodePtr child = doc->children; child; child = child->next) {
        if (DomNodeUtil::IsDeclaration(child))
            continue;
        xmlNodePtr childCopy = child->type == XML_DTD_NODE
            ? CopyDocumentType(reinterpret_cast<xmlDtdPtr>(child), copy)
            : DomNamespaces::CopySubtree(child, copy);
        if (!childCopy) {
            xmlFreeDoc(copy);
            return nullptr;
        }
        DomNodeUtil::LinkBefore(reinterpret_cast<xmlNodePtr>(copy), childCopy, nullptr);
    }
    return copy;
}

xsltDocLoaderFunc defaultLoader = nullptr;

// Style sheets, imports and document() never reach the network, also through a DTD.
xmlDocPtr LoadWithoutNetwork(
    const xmlChar* uri, xmlDictPtr dict, int options, void* context, xsltLoadType type)
{
    return defaultLoader(uri, dict, options | XML_PARSE_NONET, context, type);
}

// Reading local files is allowed; writing files, creating folders and the network are not.
xsltSecurityPrefsPtr SecurityPrefs()
{
    static const xsltSecurityPrefsPtr prefs = [] {
        exsltRegisterAll();
        defaultLoader = xsltDocDefaultLoader;
        xsltSetLoaderFunc(LoadWithoutNetwork);
        xsltSecurityPrefsPtr made = xsltNewSecurityPrefs();
        xsltSetSecurityPrefs(made, XSLT_SECPREF_WRITE_FILE, xsltSecurityForbid);
        xsltSetSecurityPrefs(made, XSLT_SECPREF_CREATE_DIRECTORY, xsltSecurityForbid);
        xsltSetSecurityPrefs(made, XSLT_SECPREF_READ_NETWORK, xsltSecurityForbid);
        xsltSetSecurityPrefs(made, XSLT_SECPREF_WRITE_NETWORK, xsltSecurityForbid);
        // The default applies while a style sheet is compiled (xsl:import, xsl:include).
        xsltSetDefaultSecurityPrefs(made);
        return made;
    }();
    return prefs;
}

xmlDocPtr DocOf(const DomDocument& document)
{
    DomNode node = document.documentNode();
    return node.isNull() ? nullptr : DomAccess::Node(node)->doc;
}

} // namespace

DomResult DomDocument::transformNode(const DomDocument& styleSheet, QString& output) const
{
    xsltSecurityPrefsPtr security = SecurityPrefs();
    output.clear();
    xmlDocPtr source = DocOf(*this);
    xmlDocPtr sheet = DocOf(styleSheet);
    if (!source || !sheet || !xmlDocGetRootElement(sheet)) {
        output = QStringLiteral("The style sheet is empty.");
        return DomFail;
    }

    QString errors;
    ErrorCapture capture(errors);
    xmlDocPtr sheetCopy;
    {
        // libxslt takes the document it is given and edits it: give it a copy.
        DeclarationHider hideSheetDeclaration(sheet);
        sheetCopy = xmlCopyDoc(sheet, 1);
    }
    if (!sheetCopy) {
        output = QStringLiteral("Out of memory.");
        return DomFail;
    }
    sheetCopy->_private = nullptr;
    xsltStylesheetPtr style = xsltParseStylesheetDoc(sheetCopy);
    if (!style) {
        xmlFreeDoc(sheetCopy);
        output = errors.isEmpty() ? QStringLiteral("The document is not a style sheet.") : errors;
        return DomFail;
    }

    DomResult result = DomFail;
    xmlDocPtr sourceCopy = CopyForTransform(source);
    if (sourceCopy) {
        xsltTransformContextPtr context = xsltNewTransformContext(style, sourceCopy);
        if (context) {
            xsltSetCtxtSecurityPrefs(security, context);
            xmlDocPtr transformed
                = xsltApplyStylesheetUser(style, sourceCopy, nullptr, nullptr, nullptr, context);
            const bool ok = transformed && context->state != XSLT_STATE_ERROR
                && context->state != XSLT_STATE_STOPPED;
            if (ok) {
                // The text goes back as Unicode: the declaration and the HTML meta element say so.
                const xmlChar* encoding = style->encoding;
                style->encoding = BAD_CAST "UTF-16";
                xmlChar* bytes = nullptr;
                int size = 0;
                const int saved = xsltSaveResultToString(&bytes, &size, transformed, style);
                style->encoding = const_cast<xmlChar*>(encoding);
                if (saved == 0) {
                    const auto* units = reinterpret_cast<const char16_t*>(bytes);
                    qsizetype count = size / 2;
                    if (count > 0 && units[0] == 0xFEFF) {
                        ++units;
                        --count;
                    }
                    output = count > 0 ? QString::fromUtf16(units, count) : QString();
                    result = DomOk;
                }
                xmlFree(bytes);
            }
            if (transformed)
                xmlFreeDoc(transformed);
            xsltFreeTransformContext(context);
        }
        xmlFreeDoc(sourceCopy);
    }
    xsltFreeStylesheet(style);
    if (result != DomOk)
        output = errors.isEmpty() ? QStringLiteral("The transformation failed.") : errors;
    return result;
}
