// XSLT for DomDocument: libxslt with EXSLT, under security settings that allow reading local
// files only.

#include "DomDocument.h"

#include "DomExpandedCopy.h"
#include "DomLibxmlCompat.h"
#include "DomLoader.h"
#include "DomNodeUtil.h"
#include "DomStore.h"

#include <libexslt/exslt.h>
#include <libxml/uri.h>
#include <libxml/xmlerror.h>
#include <libxslt/documents.h>
#include <libxslt/imports.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <QFileInfo>
#include <QUrl>

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <string>

namespace {

// Messages kept for one transformation: a style sheet can send xsl:message in a loop.
constexpr int MaxMessages = 100;
constexpr qsizetype MaxMessageText = 64 * 1024;

// Routes libxml2's and libxslt's messages into one bounded text for the duration of a
// transformation, and notes whether libxml2 reported an error: libxml2 running out of memory in
// the middle of a transformation reports it, and libxslt still returns a (wrong) result.
// xsl:message text arrives through libxslt's generic callback beside libxslt's own errors; those
// set the transformation's state, so the text alone decides nothing.
class ErrorCapture {
public:
    ErrorCapture()
    {
        xmlSetGenericErrorFunc(this, OnGeneric);
        xmlSetStructuredErrorFunc(this, OnStructured);
        xsltSetGenericErrorFunc(this, OnGeneric);
        active = this;
    }
    ~ErrorCapture()
    {
        active = nullptr;
        xmlSetGenericErrorFunc(nullptr, IgnoreError);
        xmlSetStructuredErrorFunc(nullptr, IgnoreStructuredError);
        xsltSetGenericErrorFunc(nullptr, IgnoreError);
    }
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

    // The capture of the transformation under way, or null.
    static ErrorCapture* Active() { return active; }

    void Add(const QString& message)
    {
        if (messages >= MaxMessages || text.size() >= MaxMessageText) {
            if (!truncated)
                text += QStringLiteral("\n(Further messages were left out.)\n");
            truncated = true;
            return;
        }
        // libxslt sends a message's text and its line break apart.
        if (message.endsWith(u'\n'))
            ++messages;
        text += message.left(MaxMessageText - text.size());
    }

    const QString& Text() const { return text; }
    // libxml2 reported an error or worse.
    bool Failed() const { return failed; }

private:
    static void OnGeneric(void* context, const char* format, ...)
    {
        char buffer[2048];
        va_list args;
        va_start(args, format);
        std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
        static_cast<ErrorCapture*>(context)->Add(QString::fromUtf8(buffer));
    }

    static void OnStructured(void* context, XmlErrorArg error)
    {
        auto* capture = static_cast<ErrorCapture*>(context);
        if (error->level >= XML_ERR_ERROR)
            capture->failed = true;
        if (error->message)
            capture->Add(QString::fromUtf8(error->message));
    }

    static void IgnoreError(void*, const char*, ...) { }
    static void IgnoreStructuredError(void*, XmlErrorArg) { }

    static inline ErrorCapture* active = nullptr;
    QString text;
    int messages = 0;
    bool truncated = false;
    bool failed = false;
};

// The local file a URI names, or empty for anything that is not a local file.
QString LocalPath(const xmlChar* uri)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(uri));
    const QUrl url(text);
    // A one-letter scheme is a drive.
    if (url.scheme().size() > 1) {
        if (url.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) != 0)
            return QString();
        return url.toLocalFile();
    }
    // An address libxslt made from a base and a relative reference is escaped.
    if (QFileInfo::exists(text))
        return text;
    return QUrl::fromPercentEncoding(text.toUtf8());
}

// Style sheets that xsl:import and xsl:include name and documents that document() reads. The
// library's own loader expands entities with external ones and the external subset loaded,
// through libxml2's reader, which opens compressed files and reaches the network: a local file
// with an external entity would pull any readable file into the output. Here the file is read as
// the program reads documents (local, plain bytes, regular files only, nothing external) and the
// internal entities are expanded in a copy.
xmlDocPtr LoadLocalDocument(const xmlChar* uri, xmlDictPtr dict, int, void*, xsltLoadType)
{
    const QString path = LocalPath(uri);
    if (path.isEmpty())
        return nullptr;
    DomParseError error;
    std::string documentType;
    xmlDocPtr parsed = DomLoader::LoadFile(path, true, error, documentType);
    if (!parsed) {
        if (ErrorCapture* capture = ErrorCapture::Active())
            capture->Add(path + QStringLiteral(": ") + error.reason);
        return nullptr;
    }
    xmlDocPtr copy = DomExpandedCopy(parsed, dict);
    xmlFreeDoc(parsed);
    return copy;
}

// Reading local files is allowed; writing files, creating folders and the network are not.
xsltSecurityPrefsPtr SecurityPrefs()
{
    static const xsltSecurityPrefsPtr prefs = [] {
        exsltRegisterAll();
        xsltSetLoaderFunc(LoadLocalDocument);
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

// A copy for libxslt, which edits the tree it is given (xsl:strip-space unlinks and frees blank
// text nodes, which handles may still refer to) and drops the entity references it meets. Its
// address is made a URI, so that relative references resolve also from a path with blanks.
xmlDocPtr CopyForTransform(xmlDocPtr doc)
{
    // The names come from the document's own dictionary: found there, not allocated one by one.
    xmlDocPtr copy = DomExpandedCopy(doc, doc->dict);
    if (copy && copy->URL) {
        xmlChar* uri = xmlPathToURI(copy->URL);
        if (uri) {
            xmlFree(const_cast<xmlChar*>(copy->URL));
            copy->URL = uri;
        }
    }
    return copy;
}

// True when libxslt would read the tree otherwise than a reader that expands entities: it
// drops entity references, keeps CDATA sections apart from the text beside them and sees
// adjacent text nodes (the layer never merges them) as several.
bool NeedsExpandedCopy(xmlDocPtr doc)
{
    const auto root = reinterpret_cast<xmlNodePtr>(doc);
    for (xmlNodePtr node = doc->children; node;) {
        switch (node->type) {
        case XML_ENTITY_REF_NODE:
        case XML_CDATA_SECTION_NODE:
            return true;
        case XML_TEXT_NODE:
            if (node->next && node->next->type == XML_TEXT_NODE)
                return true;
            break;
        case XML_ELEMENT_NODE:
            for (xmlAttrPtr attr = node->properties; attr; attr = attr->next) {
                const xmlNode* value = attr->children;
                if (value && (value->next || value->type != XML_TEXT_NODE))
                    return true;
            }
            break;
        default:
            break;
        }
        node = DomNodeUtil::NextInSubtree(node, root, node->type == XML_ELEMENT_NODE);
    }
    return false;
}

// xsl:strip-space makes libxslt unlink and free blank text nodes of the document it reads.
bool StripsSpace(xsltStylesheetPtr style)
{
    for (xsltStylesheetPtr sheet = style; sheet; sheet = xsltNextImport(sheet)) {
        if (sheet->stripSpaces || sheet->stripAll)
            return true;
    }
    return false;
}

// The document libxslt reads. Copying a large document and freeing the copy cost more than the
// transformation itself (measured on 50 MB), so the program's own tree is lent when libxslt
// reads it as it should and leaves it as it was: the declaration node taken out (it would be
// copied into the result as an ordinary instruction), the address made a URI for the time, and
// the document-order marks libxslt writes into the elements' content fields (for a document that
// stays as it is, which this one does not) removed afterwards. Otherwise libxslt reads an
// expanded copy.
class TransformSource {
public:
    TransformSource(xmlDocPtr doc, bool stripsSpace)
        : own(doc)
    {
        if (stripsSpace || NeedsExpandedCopy(doc)) {
            copied = true;
            copy = CopyForTransform(doc);
            return;
        }
        if (doc->children && DomNodeUtil::IsDeclaration(doc->children)) {
            declaration = doc->children;
            DomNodeUtil::Unlink(declaration);
        }
        if (doc->URL) {
            address = doc->URL;
            doc->URL = xmlPathToURI(address);
        }
    }
    ~TransformSource()
    {
        if (copied) {
            xmlFreeDoc(copy);
            return;
        }
        if (declaration)
            DomNodeUtil::LinkBefore(reinterpret_cast<xmlNodePtr>(own), declaration, own->children);
        if (address) {
            xmlFree(const_cast<xmlChar*>(own->URL));
            own->URL = address;
        }
        const auto root = reinterpret_cast<xmlNodePtr>(own);
        for (xmlNodePtr node = own->children; node;) {
            if (node->type == XML_ELEMENT_NODE && reinterpret_cast<ptrdiff_t>(node->content) < 0)
                node->content = nullptr;
            node = DomNodeUtil::NextInSubtree(node, root, node->type == XML_ELEMENT_NODE);
        }
        if (auto* data = static_cast<DocData*>(own->_private))
            data->orderedGeneration = 0;
    }
    TransformSource(const TransformSource&) = delete;
    TransformSource& operator=(const TransformSource&) = delete;

    // Null when memory ran out.
    xmlDocPtr Doc() const { return copied ? copy : own; }

private:
    xmlDocPtr own;
    bool copied = false;
    xmlDocPtr copy = nullptr;
    xmlNodePtr declaration = nullptr;
    const xmlChar* address = nullptr;
};

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

    ErrorCapture capture;
    // The style sheet's own entities (&nbsp; declared in its internal subset) are text to libxslt
    // only when expanded: it drops the references while it prepares the sheet.
    xmlDocPtr sheetCopy = CopyForTransform(sheet);
    if (!sheetCopy) {
        output = QStringLiteral("Out of memory.");
        return DomFail;
    }
    xsltStylesheetPtr style = xsltParseStylesheetDoc(sheetCopy);
    if (!style || capture.Failed()) {
        if (style)
            xsltFreeStylesheet(style);
        else
            xmlFreeDoc(sheetCopy);
        output = capture.Text().isEmpty() ? QStringLiteral("The document is not a style sheet.")
                                          : capture.Text();
        return DomFail;
    }

    bool ok = false;
    // XSLT reads a document with its entity references expanded: templates see the text and
    // elements an internal entity stands for.
    const TransformSource input(source, StripsSpace(style));
    if (xmlDocPtr read = input.Doc()) {
        xsltTransformContextPtr context = xsltNewTransformContext(style, read);
        if (context) {
            xsltSetCtxtSecurityPrefs(security, context);
            xmlDocPtr transformed
                = xsltApplyStylesheetUser(style, read, nullptr, nullptr, nullptr, context);
            ok = transformed && context->state != XSLT_STATE_ERROR
                && context->state != XSLT_STATE_STOPPED && !capture.Failed();
            if (ok) {
                // The text goes back as Unicode: the declaration and the HTML meta element say so.
                const xmlChar* encoding = style->encoding;
                style->encoding = BAD_CAST "UTF-16";
                xmlChar* bytes = nullptr;
                int size = 0;
                const int saved = xsltSaveResultToString(&bytes, &size, transformed, style);
                style->encoding = const_cast<xmlChar*>(encoding);
                ok = saved == 0 && !capture.Failed();
                if (ok) {
                    const auto* units = reinterpret_cast<const char16_t*>(bytes);
                    qsizetype count = size / 2;
                    if (count > 0 && units[0] == 0xFEFF) {
                        ++units;
                        --count;
                    }
                    output = count > 0 ? QString::fromUtf16(units, count) : QString();
                }
                xmlFree(bytes);
            }
            if (transformed)
                xmlFreeDoc(transformed);
            xsltFreeTransformContext(context);
        }
    }
    xsltFreeStylesheet(style);
    if (ok)
        return DomOk;
    output
        = capture.Text().isEmpty() ? QStringLiteral("The transformation failed.") : capture.Text();
    return DomFail;
}
