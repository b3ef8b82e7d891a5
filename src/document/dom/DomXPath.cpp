#include "DomXPath.h"

#include "DomNamespaces.h"
#include "DomNodeUtil.h"
#include "DomStore.h"

#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <algorithm>
#include <memory>

namespace {

struct ContextFree {
    void operator()(xmlXPathContext* context) const { xmlXPathFreeContext(context); }
};
struct CompiledFree {
    void operator()(xmlXPathCompExpr* compiled) const { xmlXPathFreeCompExpr(compiled); }
};
struct ObjectFree {
    void operator()(xmlXPathObject* object) const { xmlXPathFreeObject(object); }
};

// The first error libxml2 reports while the expression is compiled or run.
struct ErrorRecord {
    bool set = false;
    int code = 0;
    QString message;
    int position = -1;
};

void RecordError(void* user, xmlErrorPtr error)
{
    auto* record = static_cast<ErrorRecord*>(user);
    if (record->set || !error)
        return;
    record->set = true;
    record->code = error->code;
    record->message
        = DomStore::ToQString(reinterpret_cast<const xmlChar*>(error->message)).trimmed();
    // xmlXPathErr gives the offset into the expression where it stopped reading.
    if (error->str1)
        record->position = error->int1;
}

// Sends libxml2's errors to a record for the time it lives. The XPath context's own error
// callback would get the error without its message, which only the global handler receives.
class ErrorCapture {
public:
    explicit ErrorCapture(ErrorRecord& record)
        : handler(xmlStructuredError)
        , handlerContext(xmlStructuredErrorContext)
    {
        xmlSetStructuredErrorFunc(&record, RecordError);
    }
    ~ErrorCapture() { xmlSetStructuredErrorFunc(handlerContext, handler); }
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

private:
    xmlStructuredErrorFunc handler;
    void* handlerContext;
};

// Takes the document's XML declaration node out of its tree for the time of an evaluation, so
// that no expression sees it (processing-instruction() would find it, and count it in
// positions), and puts it back.
class HiddenDeclaration {
public:
    explicit HiddenDeclaration(xmlDocPtr doc)
        : doc(doc)
    {
        if (doc->children && DomNodeUtil::IsDeclaration(doc->children)) {
            declaration = doc->children;
            DomNodeUtil::Unlink(declaration);
        }
    }
    ~HiddenDeclaration()
    {
        if (declaration)
            DomNodeUtil::LinkBefore(reinterpret_cast<xmlNodePtr>(doc), declaration, doc->children);
    }
    HiddenDeclaration(const HiddenDeclaration&) = delete;
    HiddenDeclaration& operator=(const HiddenDeclaration&) = delete;

private:
    xmlDocPtr doc;
    xmlNodePtr declaration = nullptr;
};

// Numbers the elements in document order (in their content fields, which nothing else reads)
// unless they hold the numbers for the document as it is. Without them libxml2 orders a node
// set by walking sibling lists: //*[@id] on the 50 MB benchmark document, with a fifth of its
// records under one parent, took 31 s instead of 2.7 s. Numbering that document takes about as
// long as walking it, so the numbers stay until a change makes them wrong. Returns how many
// elements the document has.
long NumberElements(xmlDocPtr doc, DocData* data)
{
    if (data && data->orderedGeneration == data->generation)
        return data->orderedElements;
    const long elements = xmlXPathOrderDocElems(doc);
    if (data) {
        data->orderedGeneration = data->generation;
        data->orderedElements = elements;
    }
    return elements;
}

// The handle for a node of a result. libxml2 hands out namespace nodes as copies whose next
// field is the element they were found on; the handle is the declaration attribute that
// binds the prefix there, found on the element or its nearest ancestor that declares it.
DomNode HandleOf(xmlNodePtr node, DocData* data)
{
    if (node->type != XML_NAMESPACE_DECL)
        return DomAccess::Make(node, nullptr, data);
    const auto* found = reinterpret_cast<const xmlNs*>(node);
    const auto element = reinterpret_cast<xmlNodePtr>(found->next);
    if (!element || element->type != XML_ELEMENT_NODE)
        return DomNode();
    for (xmlNodePtr at = element; at && at->type == XML_ELEMENT_NODE; at = at->parent) {
        for (xmlNsPtr ns = at->nsDef; ns; ns = ns->next) {
            if (!xmlStrEqual(ns->prefix, found->prefix))
                continue;
            if (xmlStrEqual(ns->href, found->href) && DomNamespaces::IsListed(ns))
                return DomAccess::Make(at, ns, data);
            return DomAccess::Make(element, nullptr, data);
        }
    }
    return DomAccess::Make(element, nullptr, data);
}

QString ErrorText(const ErrorRecord& record)
{
    if (!record.set)
        return QStringLiteral("The expression could not be evaluated.");
    if (record.position < 0)
        return record.message;
    return QStringLiteral("%1 (at character %2)").arg(record.message).arg(record.position + 1);
}

} // namespace

DomXPath::Result DomXPath::Evaluate(
    const DomNode& context, const QString& expression, const DomBindings& bindings, long maxNodes)
{
    Result result;
    xmlNodePtr contextNode = DomAccess::Node(context);
    if (!contextNode) {
        result.error = QStringLiteral("There is no document.");
        return result;
    }
    DomStore::InitLibxml();
    xmlDocPtr doc = contextNode->doc;
    DocData* data = DomAccess::Data(context);
    // A declaration attribute's handle holds its element; the declaration node is hidden.
    if (DomNodeUtil::IsDeclaration(contextNode))
        contextNode = reinterpret_cast<xmlNodePtr>(doc);

    const std::unique_ptr<xmlXPathContext, ContextFree> xpath(xmlXPathNewContext(doc));
    if (!xpath) {
        result.error = QStringLiteral("Out of memory.");
        return result;
    }
    ErrorRecord record;
    const ErrorCapture capture(record);
    xpath->node = contextNode;
    xpath->opLimit = OperationLimit;
    xpath->opCount = 0;
    for (const DomBindings::Binding& binding : bindings.List()) {
        if (binding.prefix.isEmpty() || binding.uri.isEmpty())
            continue;
        const QByteArray prefix = binding.prefix.toUtf8();
        const QByteArray uri = binding.uri.toUtf8();
        xmlXPathRegisterNs(xpath.get(), DomStore::ToXml(prefix), DomStore::ToXml(uri));
    }

    const QByteArray text = expression.toUtf8();
    const std::unique_ptr<xmlXPathCompExpr, CompiledFree> compiled(
        xmlXPathCtxtCompile(xpath.get(), DomStore::ToXml(text)));
    if (!compiled) {
        result.error = ErrorText(record);
        return result;
    }
    const HiddenDeclaration hidden(doc);
    const long elements = NumberElements(doc, data);
    // A walk of the whole document costs about six operations per element, so the limit grows
    // with the document: a plain search of a 200 MB one must not be stopped as a runaway.
    xpath->opLimit = std::max(
        OperationLimit, static_cast<unsigned long>(std::max(elements, 0L)) * OperationsPerElement);
    const std::unique_ptr<xmlXPathObject, ObjectFree> object(
        xmlXPathCompiledEval(compiled.get(), xpath.get()));
    if (!object || record.set) {
        // libxml2 reports XPath's own codes shifted into its error numbers.
        result.stopped = record.code == int(XML_XPATH_EXPRESSION_OK) + int(XPATH_OP_LIMIT_EXCEEDED);
        result.error = result.stopped
            ? QStringLiteral("The expression was stopped: it needed too many steps.")
            : ErrorText(record);
        return result;
    }
    switch (object->type) {
    case XPATH_NODESET: {
        const xmlNodeSet* set = object->nodesetval;
        result.count = set ? set->nodeNr : 0;
        const long kept = std::min<long>(result.count, std::max<long>(maxNodes, 0));
        result.nodes.reserve(size_t(kept));
        for (long index = 0; index < kept; ++index) {
            if (DomNode node = HandleOf(set->nodeTab[index], data))
                result.nodes.push_back(std::move(node));
        }
        break;
    }
    case XPATH_BOOLEAN:
    case XPATH_NUMBER:
    case XPATH_STRING: {
        result.kind = object->type == XPATH_BOOLEAN ? Kind::Boolean
            : object->type == XPATH_NUMBER          ? Kind::Number
                                                    : Kind::String;
        xmlChar* value = xmlXPathCastToString(object.get());
        result.value = DomStore::ToQString(value);
        xmlFree(value);
        break;
    }
    default:
        result.error
            = QStringLiteral("The expression gave a result of a type XPath 1.0 does not have.");
        return result;
    }
    result.status = DomOk;
    return result;
}
