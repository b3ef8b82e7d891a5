#include "DomSaveCheck.h"

#include "DomLibxmlCompat.h"
#include "DomLoader.h"
#include "DomStore.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <limits>
#include <memory>

namespace DomSaveCheck {

namespace {

    struct CheckState {
        bool requireRoot = true;
        bool failed = false;
        bool declaresEntities = false;
        QString reason;
    };

    CheckState* StateOf(void* ctx)
    {
        return static_cast<CheckState*>(static_cast<xmlParserCtxtPtr>(ctx)->_private);
    }

    // True when the parser has read every byte: nothing left undecoded, no decoding error.
    bool AtEnd(xmlParserCtxtPtr ctxt)
    {
        xmlParserInputPtr input = ctxt ? ctxt->input : nullptr;
        if (!input || input->cur < input->end)
            return false;
        xmlParserInputBufferPtr buffer = input->buf;
        return !buffer || (buffer->error == 0 && (!buffer->raw || xmlBufUse(buffer->raw) == 0));
    }

    void Fail(CheckState* state, const xmlError* error)
    {
        if (state->failed)
            return;
        state->failed = true;
        QString message
            = QString::fromUtf8(error && error->message ? error->message : "").trimmed();
        if (message.isEmpty())
            message = QStringLiteral("The parser stopped early.");
        state->reason = error && error->line > 0
            ? QStringLiteral("%1 (line %2)").arg(message).arg(error->line)
            : message;
    }

    void Record(CheckState* state, xmlParserCtxtPtr ctxt, const xmlError* error)
    {
        if (!error || error->level == XML_ERR_WARNING)
            return;
        // A reference to an entity only an unread external DTD declares (&nbsp; in XHTML)
        // loads.
        if (error->code == XML_WAR_UNDECLARED_ENTITY)
            return;
        // A document without a root element is saved on purpose; what comes before must still
        // be sound, and nothing may follow it.
        if (!state->requireRoot && error->code == XML_ERR_DOCUMENT_EMPTY && AtEnd(ctxt))
            return;
        if (DomLoader::FailsLoad(error))
            Fail(state, error);
    }

    void OnError(void* ctx, XmlErrorArg error)
    {
        Record(StateOf(ctx), static_cast<xmlParserCtxtPtr>(ctx), error);
    }

    // Decoding errors reach only the global handler.
    void OnGlobalError(void* data, XmlErrorArg error)
    {
        Record(static_cast<CheckState*>(data), nullptr, error);
    }

    void OnEntityDecl(void* ctx, const xmlChar* name, int type, const xmlChar* publicId,
        const xmlChar* systemId, xmlChar* content)
    {
        StateOf(ctx)->declaresEntities = true;
        xmlSAX2EntityDecl(ctx, name, type, publicId, systemId, content);
    }

    // With XML_PARSE_HUGE libxml2 checks no depth; the loader refuses what lies deeper than
    // xmlParserMaxDepth in any case.
    void OnStartElement(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*, int,
        const xmlChar**, int, int, const xmlChar**)
    {
        auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        if (ctxt->nameNr + 1 > int(xmlParserMaxDepth)) {
            xmlError error {};
            error.message = const_cast<char*>("Excessive depth in document.");
            error.line = ctxt->input ? ctxt->input->line : 0;
            Fail(StateOf(ctx), &error);
            xmlStopParser(ctxt);
        }
    }

    struct ParserDeleter {
        void operator()(xmlParserCtxtPtr ctxt) const { xmlFreeParserCtxt(ctxt); }
    };

    // The declarations of the document type are kept (entity references and attribute
    // defaults are checked against them); nothing of the content becomes a node.
    void Install(xmlParserCtxtPtr ctxt, CheckState& state)
    {
        xmlSAXHandlerPtr sax = ctxt->sax;
        sax->startElementNs = OnStartElement;
        sax->endElementNs = nullptr;
        sax->startElement = nullptr;
        sax->endElement = nullptr;
        sax->characters = nullptr;
        sax->ignorableWhitespace = nullptr;
        sax->cdataBlock = nullptr;
        sax->comment = nullptr;
        sax->processingInstruction = nullptr;
        sax->reference = nullptr;
        sax->entityDecl = OnEntityDecl;
        sax->serror = OnError;
        ctxt->_private = &state;
    }

    bool Parse(const QByteArray& bytes, int options, CheckState& state)
    {
        std::unique_ptr<xmlParserCtxt, ParserDeleter> ctxt(xmlNewParserCtxt());
        if (!ctxt) {
            state.failed = true;
            state.reason = QStringLiteral("Out of memory.");
            return false;
        }
        Install(ctxt.get(), state);
        const xmlStructuredErrorFunc previous = xmlStructuredError;
        void* previousContext = xmlStructuredErrorContext;
        xmlSetStructuredErrorFunc(&state, OnGlobalError);
        xmlDocPtr doc = xmlCtxtReadMemory(
            ctxt.get(), bytes.constData(), int(bytes.size()), nullptr, nullptr, options);
        xmlSetStructuredErrorFunc(previousContext, previous);
        if (doc)
            xmlFreeDoc(doc);
        if (!state.failed && !ctxt->nsWellFormed)
            Fail(&state, nullptr);
        if (!state.failed && state.requireRoot && !ctxt->wellFormed)
            Fail(&state, nullptr);
        // A NUL byte ends libxml2's input as if the file ended there.
        if (!state.failed && !AtEnd(ctxt.get())) {
            state.failed = true;
            state.reason = QStringLiteral("The parser stopped before the end of the text.");
        }
        return !state.failed;
    }

} // namespace

bool Loads(const QByteArray& bytes, bool requireRoot, QString& reason)
{
    DomStore::InitLibxml();
    if (bytes.size() > std::numeric_limits<int>::max()) {
        reason = QStringLiteral("The document is too large to be read again.");
        return false;
    }
    CheckState state;
    state.requireRoot = requireRoot;
    bool ok = Parse(bytes, XML_PARSE_NONET, state);
    // As on load: without entity declarations nothing can be amplified, so a document that
    // only exceeds the default size limits is read whole.
    if (!ok && !state.declaresEntities) {
        CheckState huge;
        huge.requireRoot = requireRoot;
        ok = Parse(bytes, XML_PARSE_NONET | XML_PARSE_HUGE, huge);
        state.reason = huge.reason.isEmpty() ? state.reason : huge.reason;
    }
    if (!ok)
        reason = state.reason;
    return ok;
}

} // namespace DomSaveCheck
