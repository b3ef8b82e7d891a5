#include "DomSchema.h"

#include "DomDocument.h"
#include "DomLibxmlCompat.h"
#include "DomNodeUtil.h"
#include "DomStore.h"

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlschemas.h>

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstring>
#include <memory>
#include <vector>

namespace {

struct SchemaFree {
    void operator()(xmlSchema* schema) const { xmlSchemaFree(schema); }
    void operator()(xmlSchemaParserCtxt* ctxt) const { xmlSchemaFreeParserCtxt(ctxt); }
    void operator()(xmlSchemaValidCtxt* ctxt) const { xmlSchemaFreeValidCtxt(ctxt); }
};
template <class T> using Owned = std::unique_ptr<T, SchemaFree>;

QString Sentence(const xmlError* error)
{
    return QString::fromUtf8(error->message ? error->message : "").trimmed();
}

// What the loader refused while a schema was read, and the first error libxml2 reported.
struct SchemaLoad {
    QStringList network;
    QStringList entities;
    QString firstError;
};

SchemaLoad* activeLoad = nullptr;

bool IsRemote(const char* url)
{
    const char* scheme = std::strstr(url, "://");
    return scheme && !(scheme - url == 4 && xmlStrncasecmp(BAD_CAST url, BAD_CAST "file", 4) == 0);
}

// libxml2 reads schema files with entity substitution on (XML_PARSE_NOENT, fixed inside
// xmlschemas.c) and fetches imports over HTTP. A schema file itself is read through a fresh
// parser context, before any option is applied to it; an external entity or DTD is read while
// a document is being parsed, or through a context that inherits the schema file's options.
xmlParserInputPtr LoadSchemaFile(const char* url, const char* id, xmlParserCtxtPtr ctxt)
{
    const QString name = QString::fromUtf8(url ? url : "");
    if (url && IsRemote(url)) {
        activeLoad->network << name;
        return nullptr;
    }
    if (!url || !ctxt || ctxt->inputNr > 0 || (ctxt->options & XML_PARSE_NOENT)) {
        activeLoad->entities << name;
        return nullptr;
    }
    return xmlNoNetExternalEntityLoader(url, id, ctxt);
}

void OnSchemaError(void*, XmlErrorArg error)
{
    if (error->level >= XML_ERR_ERROR && activeLoad->firstError.isEmpty())
        activeLoad->firstError = Sentence(error);
}

// Installs the loader and the error handler for the time a schema is read.
class SchemaLoadScope {
public:
    explicit SchemaLoadScope(SchemaLoad& load)
        : previousLoader(xmlGetExternalEntityLoader())
        , previousHandler(xmlStructuredError)
        , previousContext(xmlStructuredErrorContext)
    {
        activeLoad = &load;
        xmlSetExternalEntityLoader(LoadSchemaFile);
        xmlSetStructuredErrorFunc(nullptr, OnSchemaError);
    }
    ~SchemaLoadScope()
    {
        xmlSetStructuredErrorFunc(previousContext, previousHandler);
        xmlSetExternalEntityLoader(previousLoader);
        activeLoad = nullptr;
    }
    SchemaLoadScope(const SchemaLoadScope&) = delete;
    SchemaLoadScope& operator=(const SchemaLoadScope&) = delete;

private:
    xmlExternalEntityLoader previousLoader;
    xmlStructuredErrorFunc previousHandler;
    void* previousContext;
};

Owned<xmlSchema> ReadSchema(const QString& path, QString& why)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        why = QStringLiteral("The file cannot be opened for reading.");
        return nullptr;
    }
    SchemaLoad load;
    Owned<xmlSchema> schema;
    {
        SchemaLoadScope scope(load);
        Owned<xmlSchemaParserCtxt> parser(xmlSchemaNewParserCtxt(QFile::encodeName(path)));
        if (!parser) {
            why = QStringLiteral("Out of memory.");
            return nullptr;
        }
        xmlSchemaSetParserStructuredErrors(parser.get(), OnSchemaError, nullptr);
        schema.reset(xmlSchemaParse(parser.get()));
    }
    // libxml2 takes a failed import for a mere warning and goes on without its declarations.
    if (!load.network.isEmpty()) {
        why = QStringLiteral("It refers to %1; schemas are read from local files only, never "
                             "from the network.")
                  .arg(load.network.first());
        return nullptr;
    }
    if (!load.entities.isEmpty()) {
        why = QStringLiteral("It refers to the external entity or document type %1, which is "
                             "not read.")
                  .arg(load.entities.first());
        return nullptr;
    }
    if (!schema)
        why = load.firstError.isEmpty() ? QStringLiteral("It is not an XML Schema.")
                                        : load.firstError;
    return schema;
}

// Feeds the document's tree to libxml2's schema validator as the SAX2 events a parser would
// send for its text: entity references are entered, since a reader of the text sees what they
// stand for (libxml2 2.9 refuses a tree holding entity-reference nodes), and comments and
// instructions, which the validator ignores, are left out. Validating from the events keeps
// the tree as it is (validating a tree registers xs:ID values in the document's ID table) and
// costs no copy: a copy of the tree took two to three times as long as the validation itself.
class TreeFeeder {
public:
    TreeFeeder(xmlSAXHandlerPtr sax, void* userData, xmlDocPtr doc)
        : sax(sax)
        , userData(userData)
        , doc(doc)
    {
    }

    // The element of the document the event being fed is about: for markup inside an entity,
    // the element that holds the reference.
    xmlNodePtr Current() const { return current; }

    void Run(xmlNodePtr root)
    {
        Start(root, false);
        frames.push_back({ root, root->children, true, false });
        while (!frames.empty()) {
            Frame& frame = frames.back();
            xmlNodePtr node = frame.next;
            if (!node) {
                const Frame ended = frame;
                frames.pop_back();
                if (ended.element)
                    End(ended);
                continue;
            }
            frame.next = node->next;
            const bool inEntity = frame.inEntity;
            switch (node->type) {
            case XML_ELEMENT_NODE:
                Start(node, inEntity);
                frames.push_back({ node, node->children, true, inEntity });
                break;
            case XML_TEXT_NODE:
            case XML_CDATA_SECTION_NODE:
                if (node->content) {
                    current = Outer();
                    const int length = xmlStrlen(node->content);
                    if (node->type == XML_CDATA_SECTION_NODE && sax->cdataBlock)
                        sax->cdataBlock(userData, node->content, length);
                    else if (sax->characters)
                        sax->characters(userData, node->content, length);
                }
                break;
            case XML_ENTITY_REF_NODE:
                // An entity the loader never read (declared only in an external subset) stands
                // for nothing that is known.
                if (auto* entity = reinterpret_cast<xmlEntityPtr>(node->children))
                    frames.push_back({ node, entity->children, false, true });
                break;
            default:
                break;
            }
        }
    }

private:
    struct Frame {
        xmlNodePtr node;
        xmlNodePtr next; // the next child to feed
        bool element; // else an entity reference
        bool inEntity; // the node lies in an entity's content
    };

    // The nearest element on the way down that lies outside every entity.
    xmlNodePtr Outer() const
    {
        for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
            if (it->element && !it->inEntity)
                return it->node;
        }
        return nullptr;
    }

    // libxml2 parses an entity's content apart from the document: a name whose prefix (or
    // default namespace) the content does not declare itself is left without a namespace,
    // with a declaration of the prefix that names none. In the document's text the prefix
    // means what it means at the reference.
    const xmlChar* InScope(const xmlChar* prefix) const
    {
        for (auto it = scope.rbegin(); it != scope.rend(); ++it) {
            if (xmlStrEqual((*it)->prefix, prefix))
                return *(*it)->href ? (*it)->href : nullptr;
        }
        return nullptr;
    }

    const xmlChar* Uri(const xmlNode* element, xmlNsPtr ns, bool inEntity, bool isElement) const
    {
        if (ns && ns->href)
            return *ns->href ? ns->href : nullptr;
        if (!inEntity)
            return nullptr;
        const xmlChar* prefix = ns ? ns->prefix : nullptr;
        if (!ns && isElement) {
            for (xmlNsPtr def = element->nsDef; def; def = def->next) {
                if (!def->href) {
                    prefix = def->prefix;
                    break;
                }
            }
        }
        // An attribute without a prefix is in no namespace.
        return isElement || prefix ? InScope(prefix) : nullptr;
    }

    void Start(xmlNodePtr element, bool inEntity)
    {
        current = inEntity ? Outer() : element;
        const size_t mark = scope.size();
        namespaces.clear();
        for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
            if (!ns->href)
                continue;
            scope.push_back(ns);
            namespaces.push_back(ns->prefix);
            namespaces.push_back(ns->href);
        }
        attributes.clear();
        for (xmlAttrPtr attr = element->properties; attr; attr = attr->next) {
            const xmlChar* value;
            xmlNodePtr text = attr->children;
            if (text && !text->next && text->type == XML_TEXT_NODE && text->content) {
                value = text->content;
            } else {
                // Values with references, which the validator sees replaced.
                values.push_back(xmlNodeListGetString(doc, attr->children, 1));
                value = values.back() ? values.back() : BAD_CAST "";
            }
            attributes.push_back(attr->name);
            attributes.push_back(attr->ns ? attr->ns->prefix : nullptr);
            attributes.push_back(Uri(element, attr->ns, inEntity, false));
            attributes.push_back(value);
            attributes.push_back(value + xmlStrlen(value));
        }
        const xmlChar* prefix = element->ns ? element->ns->prefix : nullptr;
        sax->startElementNs(userData, element->name, prefix,
            Uri(element, element->ns, inEntity, true), int(namespaces.size() / 2),
            namespaces.data(), int(attributes.size() / 5), 0, attributes.data());
        for (xmlChar* made : values)
            xmlFree(made);
        values.clear();
        scopeMarks.push_back(mark);
    }

    void End(const Frame& frame)
    {
        current = frame.inEntity ? Outer() : frame.node;
        xmlNodePtr element = frame.node;
        sax->endElementNs(userData, element->name, element->ns ? element->ns->prefix : nullptr,
            Uri(element, element->ns, frame.inEntity, true));
        scope.resize(scopeMarks.back());
        scopeMarks.pop_back();
    }

    xmlSAXHandlerPtr sax;
    void* userData;
    xmlDocPtr doc;
    xmlNodePtr current = nullptr;
    std::vector<Frame> frames;
    std::vector<xmlNsPtr> scope;
    std::vector<size_t> scopeMarks;
    std::vector<const xmlChar*> namespaces;
    std::vector<const xmlChar*> attributes;
    std::vector<xmlChar*> values;
};

struct Validation {
    DomSchema::Result* result;
    int maxErrors;
    const TreeFeeder* feeder;
};

void OnValidityError(void* context, XmlErrorArg error)
{
    if (error->level < XML_ERR_ERROR)
        return;
    auto* validation = static_cast<Validation*>(context);
    DomSchema::Result& result = *validation->result;
    ++result.errorCount;
    if (int(result.errors.size()) >= validation->maxErrors)
        return;
    DomSchema::Error found;
    found.reason = Sentence(error);
    if (xmlNodePtr element = validation->feeder->Current()) {
        found.node = DomAccess::Make(element);
        found.line = DomNodeUtil::LineOf(element);
    }
    result.errors.push_back(std::move(found));
}

} // namespace

DomSchema::Result DomSchema::Validate(
    const DomDocument& document, const QString& schemaPath, int maxErrors)
{
    DomStore::InitLibxml();
    Result result;
    const DomNode top = document.isNull() ? DomNode() : document.documentNode();
    xmlDocPtr doc = top.isNull() ? nullptr : DomAccess::Node(top)->doc;
    if (!doc || !xmlDocGetRootElement(doc)) {
        result.schemaError = QStringLiteral("The document has no root element.");
        return result;
    }
    Owned<xmlSchema> schema = ReadSchema(schemaPath, result.schemaError);
    if (!schema)
        return result;

    Owned<xmlSchemaValidCtxt> validator(xmlSchemaNewValidCtxt(schema.get()));
    xmlSAXHandlerPtr sax = nullptr;
    void* userData = nullptr;
    xmlSchemaSAXPlugPtr plug
        = validator ? xmlSchemaSAXPlug(validator.get(), &sax, &userData) : nullptr;
    if (!plug) {
        result.schemaError = QStringLiteral("Out of memory.");
        return result;
    }
    TreeFeeder feeder(sax, userData, doc);
    Validation validation { &result, maxErrors, &feeder };
    xmlSchemaSetValidStructuredErrors(validator.get(), OnValidityError, &validation);
    feeder.Run(xmlDocGetRootElement(doc));
    xmlSchemaSAXUnplug(plug);
    if (xmlSchemaIsValid(validator.get()) == 1 && result.errorCount == 0) {
        result.status = DomOk;
    } else {
        result.status = DomFail;
        if (result.errors.empty() && maxErrors > 0) {
            ++result.errorCount;
            result.errors.push_back({ DomNode(), 0, QStringLiteral("The validation failed.") });
        }
    }
    return result;
}
