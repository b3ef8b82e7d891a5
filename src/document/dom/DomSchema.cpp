#include "DomSchema.h"

#include "DomDocument.h"
#include "DomExpandedCopy.h"
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

namespace {

struct SchemaFree {
    void operator()(xmlSchema* schema) const { xmlSchemaFree(schema); }
    void operator()(xmlSchemaParserCtxt* ctxt) const { xmlSchemaFreeParserCtxt(ctxt); }
    void operator()(xmlSchemaValidCtxt* ctxt) const { xmlSchemaFreeValidCtxt(ctxt); }
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
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

void OnSchemaError(void*, xmlErrorPtr error)
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

struct Validation {
    DomSchema::Result* result;
    int maxErrors;
};

void OnValidityError(void* context, xmlErrorPtr error)
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
    if (xmlNodePtr original = DomExpandedCopy::Original(static_cast<const xmlNode*>(error->node))) {
        found.node = DomAccess::Make(original);
        found.line = DomNodeUtil::LineOf(original);
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

    // libxml2 2.9 refuses a tree with entity-reference nodes, and validating the document
    // itself would register its xs:ID values in the document's ID table.
    Owned<xmlDoc> copy(DomExpandedCopy::Make(doc));
    Owned<xmlSchemaValidCtxt> validator(xmlSchemaNewValidCtxt(schema.get()));
    if (!copy || !validator) {
        result.schemaError = QStringLiteral("Out of memory.");
        return result;
    }
    Validation validation { &result, maxErrors };
    xmlSchemaSetValidStructuredErrors(validator.get(), OnValidityError, &validation);
    const int outcome = xmlSchemaValidateDoc(validator.get(), copy.get());
    if (outcome == 0) {
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
