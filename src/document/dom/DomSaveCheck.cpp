#include "DomSaveCheck.h"

#include "DomLibxmlCompat.h"
#include "DomLoader.h"
#include "DomStore.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <cstring>
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

    // Hands the bytes to libxml2 as a file's are: its memory reader copies them all first (a
    // second copy of a large document's markup) and gives no place to process events.
    struct Reader {
        const QByteArray* bytes = nullptr;
        const std::function<bool(qint64)>* progress = nullptr;
        xmlParserCtxtPtr ctxt = nullptr;
        qint64 next = 0;
        qint64 nextStep = 0;
        bool cancelled = false;
    };

    int ReadPiece(void* context, char* buffer, int length)
    {
        auto* reader = static_cast<Reader*>(context);
        if (reader->next >= reader->nextStep && reader->progress && *reader->progress) {
            reader->nextStep = reader->next + 256 * 1024;
            if (!(*reader->progress)(reader->next)) {
                // As a cancelled load stops: the parser builds nothing more and sees the end.
                reader->cancelled = true;
                reader->ctxt->disableSAX = 1;
                reader->ctxt->instate = XML_PARSER_EOF;
                return 0;
            }
        }
        const qint64 read = std::min(qint64(length), reader->bytes->size() - reader->next);
        std::memcpy(buffer, reader->bytes->constData() + reader->next, size_t(read));
        reader->next += read;
        return int(read);
    }

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

    bool Parse(const QByteArray& bytes, int options, CheckState& state, Reader& reader)
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
        reader.ctxt = ctxt.get();
        reader.next = 0;
        reader.nextStep = 0;
        xmlDocPtr doc
            = xmlCtxtReadIO(ctxt.get(), ReadPiece, nullptr, &reader, nullptr, nullptr, options);
        xmlSetStructuredErrorFunc(previousContext, previous);
        if (doc)
            xmlFreeDoc(doc);
        if (reader.cancelled)
            return false;
        if (!state.failed && !ctxt->nsWellFormed)
            Fail(&state, nullptr);
        if (!state.failed && state.requireRoot && !ctxt->wellFormed)
            Fail(&state, nullptr);
        // A NUL byte ends libxml2's input as if the file ended there.
        if (!state.failed && (!AtEnd(ctxt.get()) || reader.next < bytes.size())) {
            state.failed = true;
            state.reason = QStringLiteral("The parser stopped before the end of the text.");
        }
        return !state.failed;
    }

} // namespace

bool Loads(const QByteArray& bytes, bool requireRoot, QString& reason,
    const std::function<bool(qint64)>& progress, bool* cancelled)
{
    DomStore::InitLibxml();
    if (bytes.size() > std::numeric_limits<int>::max()) {
        reason = QStringLiteral("The document is too large to be read again.");
        return false;
    }
    CheckState state;
    state.requireRoot = requireRoot;
    Reader reader;
    reader.bytes = &bytes;
    reader.progress = &progress;
    bool ok = Parse(bytes, XML_PARSE_NONET, state, reader);
    // As on load: without entity declarations nothing can be amplified, so a document that
    // only exceeds the default size limits is read whole.
    if (!ok && !reader.cancelled && !state.declaresEntities) {
        CheckState huge;
        huge.requireRoot = requireRoot;
        ok = Parse(bytes, XML_PARSE_NONET | XML_PARSE_HUGE, huge, reader);
        state.reason = huge.reason.isEmpty() ? state.reason : huge.reason;
    }
    if (cancelled)
        *cancelled = reader.cancelled;
    if (!ok && !reader.cancelled)
        reason = state.reason;
    return ok;
}

} // namespace DomSaveCheck
