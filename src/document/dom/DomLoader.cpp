#include "DomLoader.h"

#include "FreedMemory.h"

#include "DomEncoder.h"
#include "DomExpansion.h"
#include "DomLibxmlCompat.h"
#include "DomNamespaces.h"
#include "DomNodeUtil.h"
#include "DomSourceText.h"
#include "DomStore.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThreadPool>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace DomLoader {

namespace {

    struct LoadContext {
        bool preserveWhiteSpace = false;
        bool declaresEntities = false;
        bool haveError = false;
        bool errorIsDecisive = false;
        bool lineNeedsReread = false;
        bool failed = false; // an error that fails the load, whatever libxml2's flags say
        bool placeAtInputEnd = false;
        QByteArray encoding; // the converter of the input when the error was recorded
        DomParseError error;
        QByteArray declaration; // pseudo-attributes, re-quoted; empty when there is none
        bool hasDeclaration = false;
        startDocumentSAXFunc startDocument = nullptr;
        startElementNsSAX2Func startElement = nullptr;
        endElementNsSAX2Func endElement = nullptr;
        charactersSAXFunc characters = nullptr;
        cdataBlockSAXFunc cdataBlock = nullptr;
        // Indentation held back while its element is open: it becomes a text node only if the
        // element turns out to have content, which saves making and freeing a node for nearly
        // every line of an indented file. Entries form a stack (an element's entries lie above
        // its ancestors'), their text in one arena.
        struct Held {
            xmlNodePtr parent;
            xmlNodePtr previous; // the sibling the text follows; null at the start
            size_t offset;
            size_t length;
        };
        std::vector<Held> held;
        std::string arena;
        entityDeclSAXFunc entityDecl = nullptr;
        attributeDeclSAXFunc attributeDecl = nullptr;
        // The document type gives some element a namespace declaration by default.
        bool defaultsDeclarations = false;
        getEntitySAXFunc getEntity = nullptr;
        DomExpansion expansion;
        bool expansionRefused = false;
    };

    LoadContext* ContextOf(void* ctx)
    {
        return static_cast<LoadContext*>(static_cast<xmlParserCtxtPtr>(ctx)->_private);
    }

    bool IsBlank(const xmlChar* s, bool& lineBreak)
    {
        lineBreak = false;
        for (; s && *s; ++s) {
            if (*s == '\n' || *s == '\r')
                lineBreak = true;
            else if (*s != ' ' && *s != '\t')
                return false;
        }
        return true;
    }

    bool IsIndentation(const xmlChar* s, int length)
    {
        bool lineBreak = false;
        for (int i = 0; i < length; ++i) {
            if (s[i] == '\n' || s[i] == '\r')
                lineBreak = true;
            else if (s[i] != ' ' && s[i] != '\t')
                return false;
        }
        return lineBreak;
    }

    // The blanks held last were the last thing read inside parent.
    bool ContinuesHeld(const LoadContext& context, xmlNodePtr parent)
    {
        const auto& held = context.held;
        return !held.empty() && held.back().parent == parent
            && held.back().previous == (parent ? parent->last : nullptr);
    }

    // Hands the blanks held last to libxml2 as the text they are, when they were the last thing
    // read in the current element.
    void GiveBackHeld(void* ctx)
    {
        auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        LoadContext* context = ContextOf(ctx);
        if (!ContinuesHeld(*context, ctxt->node))
            return;
        const auto entry = context->held.back();
        context->held.pop_back();
        const std::string text = context->arena.substr(entry.offset, entry.length);
        context->arena.resize(entry.offset);
        context->characters(ctx, reinterpret_cast<const xmlChar*>(text.data()), int(text.size()));
    }

    void OnCharacters(void* ctx, const xmlChar* chars, int length)
    {
        auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        LoadContext* context = ContextOf(ctx);
        xmlNodePtr parent = ctxt->node;
        // depth > 0: inside an entity's replacement text, which stays as declared.
        // *space == 1: xml:space="preserve" is in force.
        const bool candidate = parent && ctxt->depth == 0 && !(ctxt->space && *ctxt->space == 1)
            && !(parent->last && parent->last->type == XML_TEXT_NODE);
        auto& held = context->held;
        if (candidate && IsIndentation(chars, length)) {
            if (ContinuesHeld(*context, parent)) {
                held.back().length += size_t(length);
            } else {
                held.push_back({ parent, parent->last, context->arena.size(), size_t(length) });
            }
            context->arena.append(reinterpret_cast<const char*>(chars), size_t(length));
            return;
        }
        // The held blanks start the same run of text.
        GiveBackHeld(ctx);
        context->characters(ctx, chars, length);
    }

    void OnCDataBlock(void* ctx, const xmlChar* chars, int length)
    {
        // libxml2 appends a CDATA section to a CDATA section that is the last child: the blanks
        // held between two sections must be in the tree first, or the sections would become one
        // (with the blanks put back after it).
        GiveBackHeld(ctx);
        ContextOf(ctx)->cdataBlock(ctx, chars, length);
    }

    // Settles the indentation of an element that ends: whitespace-only text holding a line break
    // is dropped when no child is content (CDATA, an entity reference, other text), and put back
    // where it stood otherwise.
    void SettleIndentation(LoadContext* context, xmlNodePtr element)
    {
        bool content = false;
        bool leftover = false; // blank text that reached the tree in pieces
        for (xmlNodePtr c = element->children; c && !content; c = c->next) {
            if (c->type == XML_CDATA_SECTION_NODE || c->type == XML_ENTITY_REF_NODE) {
                content = true;
            } else if (c->type == XML_TEXT_NODE) {
                bool lineBreak;
                content = !IsBlank(c->content, lineBreak);
                leftover = leftover || lineBreak;
            }
        }
        auto& held = context->held;
        size_t first = held.size();
        while (first > 0 && held[first - 1].parent == element)
            --first;
        if (content) {
            for (size_t i = first; i < held.size(); ++i) {
                const auto& entry = held[i];
                xmlNodePtr text = xmlNewDocTextLen(element->doc,
                    reinterpret_cast<const xmlChar*>(context->arena.data() + entry.offset),
                    int(entry.length));
                if (!text)
                    continue;
                xmlNodePtr before = entry.previous ? entry.previous->next : element->children;
                DomNodeUtil::LinkBefore(element, text, before);
            }
        } else if (leftover) {
            for (xmlNodePtr c = element->children, next; c; c = next) {
                next = c->next;
                bool lineBreak;
                if (c->type == XML_TEXT_NODE && IsBlank(c->content, lineBreak) && lineBreak) {
                    DomNodeUtil::Unlink(c);
                    xmlFreeNode(c);
                }
            }
        }
        if (first < held.size()) {
            context->arena.resize(held[first].offset);
            held.resize(first);
        }
    }

    void OnEndElement(
        void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri)
    {
        auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        LoadContext* context = ContextOf(ctx);
        if (ctxt->node && ctxt->depth == 0 && !(ctxt->space && *ctxt->space == 1))
            SettleIndentation(context, ctxt->node);
        context->endElement(ctx, localname, prefix, uri);
    }

    // Records where each namespace declaration stood among the ordinary attributes. The start
    // tag is still in the input buffer, already decoded to UTF-8, when the callback runs.
    // libxml2 appends the declarations that the document type's defaults add after those of the
    // tag: with markDefaulted, those left over are marked.
    void RecordDeclarationOrder(xmlParserCtxtPtr ctxt, xmlNodePtr element, bool markDefaulted)
    {
        const xmlChar* end = ctxt->input->cur;
        const xmlChar* p = end;
        while (p > ctxt->input->base && *p != '<')
            --p;
        if (*p != '<')
            return;
        auto isBlank = [](xmlChar c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
        ++p;
        while (p < end && !isBlank(*p) && *p != '>' && *p != '/')
            ++p;
        long ordinary = 0;
        xmlNsPtr ns = element->nsDef;
        while (p < end) {
            while (p < end && isBlank(*p))
                ++p;
            if (p >= end || *p == '>' || *p == '/')
                break;
            const xmlChar* name = p;
            while (p < end && *p != '=' && !isBlank(*p))
                ++p;
            const auto length = p - name;
            // xmlns:xml makes no declaration node.
            const bool declaration = (length == 5 && !xmlStrncmp(name, BAD_CAST "xmlns", 5))
                || (length > 6 && !xmlStrncmp(name, BAD_CAST "xmlns:", 6)
                    && !(length == 9 && !xmlStrncmp(name + 6, BAD_CAST "xml", 3)));
            while (p < end && *p != '"' && *p != '\'')
                ++p;
            if (p >= end)
                break;
            const xmlChar quote = *p++;
            while (p < end && *p != quote)
                ++p;
            ++p;
            if (!declaration) {
                ++ordinary;
            } else if (ns) {
                ns->_private = reinterpret_cast<void*>(ordinary);
                ns = ns->next;
            }
        }
        for (; markDefaulted && ns; ns = ns->next)
            DomNamespaces::MarkDefaulted(ns);
    }

    // libxml2 keeps a namespace declaration's value without substituting entities: "&amp;"
    // becomes "&#38;" and "&e;" stays as it is. Decode it as any attribute value is decoded.
    void DecodeDeclarations(xmlParserCtxtPtr ctxt, xmlNodePtr element)
    {
        for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
            if (!ns->href || !xmlStrchr(ns->href, '&'))
                continue;
            xmlChar* decoded = xmlStringDecodeEntities(ctxt, ns->href, XML_SUBSTITUTE_REF, 0, 0, 0);
            // An entity only an unread external subset declares decodes to nothing: keep it.
            if (!decoded || !*decoded) {
                xmlFree(decoded);
                continue;
            }
            xmlFree(const_cast<xmlChar*>(ns->href));
            ns->href = decoded;
        }
    }

    void OnError(void* ctx, XmlErrorArg error);

    // libxml2 lets one level more than xmlParserMaxDepth through, and with XML_PARSE_HUGE (taken
    // again for a document with a large text) any depth: the limit is kept here.
    void RefuseDeepNesting(xmlParserCtxtPtr ctxt)
    {
        xmlError error {};
        error.domain = XML_FROM_PARSER;
        error.code = XML_ERR_INTERNAL_ERROR;
        error.level = XML_ERR_FATAL;
        const QByteArray message = "Excessive depth in document: more than "
            + QByteArray::number(xmlParserMaxDepth) + " nested elements.";
        error.message = const_cast<char*>(message.constData());
        error.line = ctxt->input ? ctxt->input->line : 0;
        error.int2 = ctxt->input ? ctxt->input->col : 0;
        OnError(ctxt, &error);
        ctxt->wellFormed = 0;
        xmlStopParser(ctxt);
    }

    void OnStartElement(void* ctx, const xmlChar* localname, const xmlChar* prefix,
        const xmlChar* uri, int namespaceCount, const xmlChar** namespaces, int attributeCount,
        int defaultedCount, const xmlChar** attributes)
    {
        auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        ContextOf(ctx)->startElement(ctx, localname, prefix, uri, namespaceCount, namespaces,
            attributeCount, defaultedCount, attributes);
        // libxml2 stops an element's line at 65,535 and, unlike a text node's, keeps the real
        // one nowhere, even with XML_PARSE_BIG_LINES: keep it where text nodes keep theirs.
        if (ctxt->node && ctxt->node->line == 65535 && ctxt->input)
            DomNodeUtil::SetBigLine(ctxt->node, ctxt->input->line);
        if (ctxt->nodeNr > int(xmlParserMaxDepth)) {
            RefuseDeepNesting(ctxt);
            return;
        }
        if (namespaceCount == 0 || !ctxt->node)
            return;
        const bool defaults = ContextOf(ctx)->defaultsDeclarations;
        if ((defaults || attributeCount - defaultedCount > 0) && ctxt->input)
            RecordDeclarationOrder(ctxt, ctxt->node, defaults);
        DecodeDeclarations(ctxt, ctxt->node);
    }

    void OnAttributeDecl(void* ctx, const xmlChar* element, const xmlChar* name, int type, int def,
        const xmlChar* defaultValue, xmlEnumerationPtr tree)
    {
        LoadContext* context = ContextOf(ctx);
        if (defaultValue
            && (xmlStrEqual(name, BAD_CAST "xmlns") || xmlStrncmp(name, BAD_CAST "xmlns:", 6) == 0))
            context->defaultsDeclarations = true;
        context->attributeDecl(ctx, element, name, type, def, defaultValue, tree);
    }

    void OnEntityDecl(void* ctx, const xmlChar* name, int type, const xmlChar* publicId,
        const xmlChar* systemId, xmlChar* content)
    {
        LoadContext* context = ContextOf(ctx);
        context->declaresEntities = true;
        context->entityDecl(ctx, name, type, publicId, systemId, content);
    }

    // Reads the declaration as written at the start of the (decoded) input.
    void CaptureDeclaration(xmlParserCtxtPtr ctxt, LoadContext* context)
    {
        const xmlChar* p = ctxt->input->base;
        const xmlChar* end = ctxt->input->end;
        if (end - p >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
            p += 3;
        if (end - p < 6 || xmlStrncmp(p, BAD_CAST "<?xml", 5) != 0)
            return;
        const xmlChar c = p[5];
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return;
        const xmlChar* close = p + 5;
        while (close + 1 < end && !(close[0] == '?' && close[1] == '>'))
            ++close;
        const QString text
            = QString::fromUtf8(reinterpret_cast<const char*>(p + 5), qsizetype(close - (p + 5)));
        static const QRegularExpression pseudoAttribute(
            QStringLiteral("([A-Za-z]+)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')"));
        QStringList parts;
        for (auto it = pseudoAttribute.globalMatch(text); it.hasNext();) {
            const auto match = it.next();
            const QString value = match.capturedLength(2) || match.capturedStart(3) < 0
                ? match.captured(2)
                : match.captured(3);
            parts << match.captured(1) + QStringLiteral("=\"") + value + QLatin1Char('"');
        }
        context->hasDeclaration = true;
        context->declaration = parts.join(QLatin1Char(' ')).toUtf8();
    }

    void OnStartDocument(void* ctx)
    {
        auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        LoadContext* context = ContextOf(ctx);
        if (ctxt->input)
            CaptureDeclaration(ctxt, context);
        // A declared single-byte encoding makes libxml2 convert the input after the declaration,
        // so the text may be gone: rebuild it from what the parser read.
        if (!context->hasDeclaration && ctxt->standalone != -1) {
            QByteArray declaration = "version=\"";
            declaration += ctxt->version ? reinterpret_cast<const char*>(ctxt->version) : "1.0";
            declaration += '"';
            const xmlChar* encoding
                = ctxt->input && ctxt->input->encoding ? ctxt->input->encoding : ctxt->encoding;
            if (encoding)
                declaration
                    += QByteArray(" encoding=\"") + reinterpret_cast<const char*>(encoding) + '"';
            if (ctxt->standalone == 0 || ctxt->standalone == 1)
                declaration += ctxt->standalone ? " standalone=\"yes\"" : " standalone=\"no\"";
            context->hasDeclaration = true;
            context->declaration = declaration;
        }
        context->startDocument(ctx);
    }

    xmlParserInputPtr MainInput(xmlParserCtxtPtr ctxt)
    {
        return ctxt->inputNr > 0 ? ctxt->inputTab[0] : ctxt->input;
    }

    // The text of the line holding position `at` of input, when it is still in the buffer.
    void CaptureLine(xmlParserInputPtr input, const xmlChar* at, LoadContext* context)
    {
        if (!input || !input->base || !at) {
            context->lineNeedsReread = true;
            return;
        }
        const xmlChar* cur = std::min(at, input->end);
        const xmlChar* start = cur;
        while (start > input->base && start[-1] != '\n')
            --start;
        const xmlChar* stop = cur;
        while (stop < input->end && *stop != '\n' && *stop != 0)
            ++stop;
        // The line may have begun before what the buffer still holds, or go on past what it
        // holds yet: read it again from the source.
        context->lineNeedsReread = start == input->base || stop == input->end;
        if (stop > start && stop[-1] == '\r')
            --stop;
        context->error.srcText
            = QString::fromUtf8(reinterpret_cast<const char*>(start), qsizetype(stop - start));
        context->error.filepos = (long long)input->consumed + (cur - input->base);
    }

    // Keeps error when it is the first, or the first that fails the load.
    bool Record(xmlParserCtxtPtr ctxt, const xmlError* error, bool decisive)
    {
        LoadContext* context = ContextOf(ctxt);
        context->failed = context->failed || decisive;
        if (context->haveError && (context->errorIsDecisive || !decisive))
            return false;
        context->haveError = true;
        context->errorIsDecisive = decisive;
        DomParseError& record = context->error;
        record.errorCode = error->code;
        record.reason = QString::fromUtf8(error->message ? error->message : "Unknown error.");
        if (!record.reason.endsWith(QLatin1Char('\n')))
            record.reason += QLatin1Char('\n');
        record.line = error->line;
        record.linepos = error->int2;
        xmlParserInputPtr input = MainInput(ctxt);
        context->encoding = input && input->buf && input->buf->encoder
            ? QByteArray(input->buf->encoder->name)
            : QByteArray();
        return true;
    }

    void OnError(void* ctx, XmlErrorArg error)
    {
        auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        LoadContext* context = ContextOf(ctx);
        if (!context || !error || error->level == XML_ERR_WARNING)
            return;
        if (Record(ctxt, error, FailsLoad(error))) {
            context->placeAtInputEnd = false;
            CaptureLine(ctxt->input, ctxt->input ? ctxt->input->cur : nullptr, context);
        }
    }

    // libxml2 raises the errors of decoding and reading (a byte the declared encoding does not
    // define, an unpaired surrogate, a failed read) without its parser context, so they reach
    // the thread's structured handler, which a load points here. Each fails the load, and stands
    // where the decoded input ends, known once the parser has stopped.
    void OnInputError(void* ctx, XmlErrorArg error)
    {
        auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        if (!ContextOf(ctx) || !error || error->level == XML_ERR_WARNING)
            return;
        if (Record(ctxt, error, true))
            ContextOf(ctx)->placeAtInputEnd = true;
    }

    // Sends the thread's structured errors to the load for as long as it parses.
    class InputErrors {
    public:
        explicit InputErrors(xmlParserCtxtPtr ctxt)
            : handler(xmlStructuredError)
            , handlerContext(xmlStructuredErrorContext)
        {
            xmlSetStructuredErrorFunc(ctxt, OnInputError);
        }
        ~InputErrors() { xmlSetStructuredErrorFunc(handlerContext, handler); }
        InputErrors(const InputErrors&) = delete;
        InputErrors& operator=(const InputErrors&) = delete;

    private:
        xmlStructuredErrorFunc handler;
        void* handlerContext;
    };

    // The parser reads everything that was decoded before a decoding fault, so the fault lies
    // where the decoded text ends.
    void PlaceAtInputEnd(xmlParserCtxtPtr ctxt, LoadContext* context)
    {
        xmlParserInputPtr input = MainInput(ctxt);
        if (!input || !input->buf || !input->cur || !input->end || input->cur > input->end)
            return;
        int line = input->line;
        int column = input->col;
        for (const xmlChar* p = input->cur; p < input->end; ++p) {
            if (*p == '\n') {
                ++line;
                column = 1;
            } else if ((*p & 0xC0) != 0x80) {
                ++column;
            }
        }
        context->error.line = line;
        context->error.linepos = column;
        CaptureLine(input, input->end, context);
    }

    void Refuse(xmlParserCtxtPtr ctxt, int code, const char* message)
    {
        xmlParserInputPtr input = MainInput(ctxt);
        xmlError error {};
        error.domain = XML_FROM_PARSER;
        error.code = code;
        error.level = XML_ERR_FATAL;
        error.message = const_cast<char*>(message);
        error.line = input ? input->line : 0;
        error.int2 = input ? input->col : 0;
        OnError(ctxt, &error);
    }

    // libxml2 ends a document at a NUL byte, and where decoding failed, without an error when
    // the root element is complete: what follows would be lost without a word.
    bool ReadToEnd(xmlParserCtxtPtr ctxt, bool sourceAtEnd)
    {
        xmlParserInputPtr input = MainInput(ctxt);
        if (!input || !input->cur)
            return false;
        const bool undecoded = input->buf && input->buf->raw && xmlBufUse(input->buf->raw) > 0;
        if (input->cur >= input->end && sourceAtEnd && !undecoded)
            return true;
        if (input->cur < input->end && *input->cur == 0) {
            Refuse(ctxt, XML_ERR_INVALID_CHAR,
                "The document holds a NUL character, which XML does not allow.\n");
        } else {
            Refuse(ctxt, XML_ERR_DOCUMENT_END,
                undecoded ? "The document ends inside a character: its last bytes are incomplete.\n"
                          : "The document could not be read to its end.\n");
            ContextOf(ctxt)->placeAtInputEnd = true;
        }
        return false;
    }

    // The text that entity references may stand for in one document: libxml2's own limit for a
    // value written out in a file, or ten times the size of the input when that is more.
    size_t ExpansionLimit(qint64 inputSize)
    {
        return std::max<size_t>(10'000'000, size_t(inputSize) * 10);
    }

    // libxml2 checks an entity for amplification once, when first referenced, but keeps an
    // attribute value as a list of references, expanded each time the value is read: 20,000
    // references to a 64 KB entity in a 185 KB file make a 1.3 GB value, built by repeated
    // concatenation. Every reference is counted here, in content, values and declarations alike.
    xmlEntityPtr OnGetEntity(void* ctx, const xmlChar* name)
    {
        auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        LoadContext* context = ContextOf(ctx);
        xmlEntityPtr entity = context->getEntity(ctx, name);
        if (entity && !context->expansion.Add(ctxt->myDoc, entity) && !context->expansionRefused) {
            context->expansionRefused = true;
            const QByteArray message = "Entity references stand for more than "
                + QByteArray::number(qulonglong(ExpansionLimit(0)))
                + " bytes of text, and more than ten times the size of the document.\n";
            Refuse(ctxt, XML_ERR_ENTITY_LOOP, message.constData());
        }
        return entity;
    }

    bool IsSizeLimit(const DomParseError& error)
    {
        const QString& reason = error.reason;
        // libxml2 names XML_PARSE_HUGE in its nesting-limit message too, but a document nested
        // deeper than the limit stays refused.
        if (reason.contains(QLatin1String("depth"), Qt::CaseInsensitive))
            return false;
        switch (error.errorCode) {
        case XML_ERR_NAME_TOO_LONG:
            return true;
        case XML_ERR_NO_MEMORY:
            return reason.contains(QLatin1String("huge text node"));
        case XML_ERR_ATTRIBUTE_NOT_FINISHED:
        case XML_ERR_COMMENT_NOT_FINISHED:
        case XML_ERR_PI_NOT_FINISHED:
        case XML_ERR_CDATA_NOT_FINISHED:
            return reason.contains(QLatin1String("too big"))
                || reason.contains(QLatin1String("too long"))
                || reason.contains(QLatin1String("huge"), Qt::CaseInsensitive);
        default:
            return reason.contains(QLatin1String("huge"), Qt::CaseInsensitive);
        }
    }

    // Line `line` (1-based) of UTF-8 text, without its line break.
    QString LineOf(const QByteArray& text, int line)
    {
        qsizetype start = 0;
        for (int i = 1; i < line && start >= 0; ++i) {
            start = text.indexOf('\n', start);
            if (start >= 0)
                ++start;
        }
        if (line < 1 || start < 0)
            return QString();
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        if (end > start && text[end - 1] == '\r')
            --end;
        return QString::fromUtf8(text.constData() + start, end - start);
    }

    // Freeing what a cancelled load built takes about as long as a third of building it (half a
    // second for 100 MB): done on a pooled thread, the window stays responsive. Nothing else
    // refers to the document; its dictionary's reference count is guarded by libxml2's lock.
    void FreeAside(xmlDocPtr doc)
    {
        if (!doc)
            return;
        QThreadPool::globalInstance()->start([doc] {
            xmlFreeDoc(doc);
            // A cancelled load of a large file leaves gigabytes of freed pages resident.
            ReturnFreedMemory();
        });
    }

    struct ParserDeleter {
        void operator()(xmlParserCtxtPtr ctxt) const { xmlFreeParserCtxt(ctxt); }
    };

    void Install(xmlParserCtxtPtr ctxt, LoadContext& context)
    {
        xmlSAXHandlerPtr sax = ctxt->sax;
        context.startDocument = sax->startDocument;
        context.startElement = sax->startElementNs;
        context.endElement = sax->endElementNs;
        context.entityDecl = sax->entityDecl;
        context.attributeDecl = sax->attributeDecl;
        sax->attributeDecl = OnAttributeDecl;
        context.getEntity = sax->getEntity;
        sax->getEntity = OnGetEntity;
        sax->startDocument = OnStartDocument;
        sax->startElementNs = OnStartElement;
        context.characters = sax->characters;
        context.cdataBlock = sax->cdataBlock;
        if (!context.preserveWhiteSpace) {
            sax->cdataBlock = OnCDataBlock;
            sax->endElementNs = OnEndElement;
            sax->characters = OnCharacters;
            sax->ignorableWhitespace = OnCharacters;
        }
        sax->entityDecl = OnEntityDecl;
        sax->serror = OnError;
        ctxt->_private = &context;
    }

    void AddDeclarationNode(xmlDocPtr doc, const LoadContext& context)
    {
        if (!context.hasDeclaration)
            return;
        xmlNodePtr pi = xmlNewDocPI(doc, BAD_CAST "xml", DomStore::ToXml(context.declaration));
        if (!pi)
            return;
        DomNodeUtil::LinkBefore(reinterpret_cast<xmlNodePtr>(doc), pi, doc->children);
    }

    // What a load reads, through a plain read callback: UTF-8 text in memory, or a file.
    // libxml2's own file reader opens gzip, xz and lzma data transparently (a 78 KB file became
    // 512 MB), and a compressed file would then be saved back uncompressed under its own name.
    // Its memory reader copies the whole text first, and gives no place to process events.
    struct Source {
        const QByteArray* text = nullptr;
        QString path;
        qint64 size = 0;
        QFile file;
        xmlParserCtxtPtr ctxt = nullptr;
        std::vector<char> chunk; // read from the file, handed out from next on
        size_t next = 0;
        bool atEnd = false;
        bool inProlog = true;
        // The bytes read before the root element: libxml2 keeps the document type only as
        // parsed declarations.
        QByteArray prolog;
        const ProgressFunction* progress = nullptr;
        qint64 done = 0;
        bool cancelled = false;
        xmlDocPtr partial = nullptr;

        qint64 Size() const { return text ? text->size() : size; }
    };

    int ReadPiece(void* context, char* buffer, int length)
    {
        auto* source = static_cast<Source*>(context);
        // libxml2 asks for 4,000 bytes at a time: reading the file in larger pieces saves three
        // system calls in four (measured 5-10% of a load's time).
        if (source->next == source->chunk.size()) {
            // Between pieces the parser holds no half-read construct of ours: the caller may
            // repaint its window here, and stop the load.
            if (source->progress && *source->progress
                && !(*source->progress)(source->done, source->Size())) {
                // libxml2 frees the document of a parse that ends badly, on this thread: it is
                // taken away first, and the parser told to build nothing more. xmlStopParser
                // cannot be used here: it frees the input buffer this read is filling.
                xmlParserCtxtPtr ctxt = source->ctxt;
                source->cancelled = true;
                source->partial = ctxt->myDoc;
                ctxt->myDoc = nullptr;
                ctxt->disableSAX = 1;
                ctxt->instate = XML_PARSER_EOF;
                return 0;
            }
            source->chunk.resize(256 * 1024);
            qint64 read = 0;
            if (source->text) {
                read = std::min(qint64(source->chunk.size()), source->Size() - source->done);
                std::memcpy(
                    source->chunk.data(), source->text->constData() + source->done, size_t(read));
            } else {
                read = source->file.read(source->chunk.data(), qint64(source->chunk.size()));
            }
            if (read < 0)
                return -1;
            source->chunk.resize(size_t(read));
            source->next = 0;
            source->done += read;
        }
        const size_t read = std::min(size_t(length), source->chunk.size() - source->next);
        std::memcpy(buffer, source->chunk.data() + source->next, read);
        source->next += read;
        source->atEnd = read == 0;
        // Once the root element is open, the document type lies behind.
        source->inProlog = source->inProlog && source->ctxt->nodeNr == 0
            && source->ctxt->instate != XML_PARSER_EPILOG;
        if (source->inProlog)
            source->prolog.append(buffer, qsizetype(read));
        return int(read);
    }

    xmlDocPtr Parse(xmlParserCtxtPtr ctxt, Source& source, int options)
    {
        source.file.close();
        source.ctxt = ctxt;
        source.chunk.clear();
        source.next = 0;
        source.atEnd = false;
        source.inProlog = true;
        source.prolog.clear();
        source.done = 0;
        if (source.text)
            return xmlCtxtReadIO(ctxt, ReadPiece, nullptr, &source, nullptr, "UTF-8", options);
        source.file.setFileName(source.path);
        if (!source.file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return nullptr;
        const QByteArray url = QFile::encodeName(source.path);
        return xmlCtxtReadIO(ctxt, ReadPiece, nullptr, &source, url.constData(), nullptr, options);
    }

    bool SourceAtEnd(Source& source)
    {
        return source.atEnd
            || (source.next == source.chunk.size()
                && (source.text ? source.done == source.Size() : source.file.atEnd()));
    }

    // The internal subset as written, decoded as libxml2 decoded the file.
    std::string DocumentTypeText(xmlParserCtxtPtr ctxt, const Source& source)
    {
        if (source.text)
            return DomSourceText::DocumentType(
                std::string_view(source.text->constData(), size_t(source.text->size())));
        xmlParserInputPtr input = MainInput(ctxt);
        const QByteArray encoding = input && input->buf && input->buf->encoder
            ? QByteArray(input->buf->encoder->name)
            : QByteArray();
        std::string prolog;
        DomSourceText::ToUtf8(encoding,
            std::string_view(source.prolog.constData(), size_t(source.prolog.size())), prolog);
        return DomSourceText::DocumentType(prolog);
    }

    xmlDocPtr Run(Source& source, int options, bool preserveWhiteSpace, DomParseError& error,
        std::string& documentType)
    {
        DomStore::InitLibxml();
        for (int attempt = 0; attempt < 2; ++attempt) {
            std::unique_ptr<xmlParserCtxt, ParserDeleter> ctxt(xmlNewParserCtxt());
            if (!ctxt) {
                error.reason = QStringLiteral("Out of memory.\n");
                return nullptr;
            }
            LoadContext context;
            context.preserveWhiteSpace = preserveWhiteSpace;
            context.expansion = DomExpansion(ExpansionLimit(source.Size()));
            Install(ctxt.get(), context);
            xmlDocPtr doc = nullptr;
            {
                InputErrors inputErrors(ctxt.get());
                doc = Parse(ctxt.get(), source, options);
            }
            if (source.cancelled) {
                FreeAside(doc ? doc : std::exchange(source.partial, nullptr));
                return nullptr;
            }
            bool ok = doc && ctxt->wellFormed && ctxt->nsWellFormed && !context.failed
                && xmlDocGetRootElement(doc);
            ok = ok && ReadToEnd(ctxt.get(), SourceAtEnd(source));
            if (context.placeAtInputEnd)
                PlaceAtInputEnd(ctxt.get(), &context);
            if (ok) {
                AddDeclarationNode(doc, context);
                documentType
                    = doc->intSubset ? DocumentTypeText(ctxt.get(), source) : std::string();
                error = DomParseError();
                return doc;
            }
            if (doc)
                xmlFreeDoc(doc);
            error = context.error;
            if (!context.haveError) {
                error.reason = QStringLiteral("The document has no top-level element.\n");
                error.errorCode = XML_ERR_DOCUMENT_EMPTY;
            }
            error.url = source.path;
            if (source.text && error.line > 0)
                error.srcText = LineOf(*source.text, error.line);
            else if (context.lineNeedsReread && !source.text)
                DomSourceText::ReadLine(source.path, error.line, context.encoding, error.srcText);
            // Without entity declarations nothing can be amplified, so a document that only
            // exceeds the default size limits (a large embedded picture) may be read whole.
            if (attempt > 0 || context.declaresEntities || !IsSizeLimit(error))
                break;
            options |= XML_PARSE_HUGE;
        }
        return nullptr;
    }

    // gzip, xz and lzma ("alone" format, as libxml2 reads it). No XML document starts so.
    bool IsCompressed(const QByteArray& head)
    {
        return head.startsWith("\x1F\x8B")
            || head.startsWith(QByteArray("\xFD"
                                          "7zXZ\0",
                6))
            || head.startsWith(QByteArray("\x5D\0\0", 3));
    }

    bool HasByteOrderMark(const QByteArray& head)
    {
        return head.startsWith("\xEF\xBB\xBF") || head.startsWith("\xFF\xFE")
            || head.startsWith("\xFE\xFF");
    }

} // namespace

xmlDocPtr LoadFile(const QString& path, bool preserveWhiteSpace, DomParseError& error,
    std::string& documentType, const ProgressFunction& progress, bool* cancelled)
{
    error = DomParseError();
    error.url = path;
    const QFileInfo info(path);
    if (!info.exists()) {
        error.errorCode = -1;
        error.reason = QStringLiteral("The system cannot locate the file specified.\n");
        return nullptr;
    }
    // Opening a pipe or a device waits for a writer or reads without end.
    if (!info.isFile()) {
        error.errorCode = -1;
        error.reason = QStringLiteral("%1 is not a regular file.\n").arg(path);
        return nullptr;
    }
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) {
        error.errorCode = -1;
        error.reason = QStringLiteral("The file cannot be opened for reading.\n");
        return nullptr;
    }
    if (probe.size() == 0) {
        error.errorCode = XML_ERR_DOCUMENT_EMPTY;
        error.reason = QStringLiteral("The file is empty: it holds no XML document.\n");
        return nullptr;
    }
    const QByteArray head = probe.peek(6);
    if (IsCompressed(head)) {
        error.errorCode = -1;
        error.reason = QStringLiteral("%1 is a compressed file. Decompress it first.\n").arg(path);
        return nullptr;
    }
    Source source;
    source.path = path;
    source.size = probe.size();
    source.progress = &progress;
    probe.close();
    int options = XML_PARSE_NONET | XML_PARSE_BIG_LINES;
    // A byte-order mark settles the encoding: when the declaration names another, the mark
    // wins, as in browsers (libxml2 2.9 would switch to the declared one and misread the text).
    if (HasByteOrderMark(head))
        options |= XML_PARSE_IGNORE_ENC;
    xmlDocPtr doc = Run(source, options, preserveWhiteSpace, error, documentType);
    if (cancelled)
        *cancelled = source.cancelled;
    if (source.cancelled)
        error = DomParseError();
    return doc;
}

xmlDocPtr LoadText(
    const QString& text, bool preserveWhiteSpace, DomParseError& error, std::string& documentType)
{
    return LoadText(text.toUtf8(), preserveWhiteSpace, error, documentType);
}

xmlDocPtr LoadText(const QByteArray& utf8, bool preserveWhiteSpace, DomParseError& error,
    std::string& documentType, const ProgressFunction& progress, bool* cancelled)
{
    error = DomParseError();
    Source source;
    source.text = &utf8;
    source.progress = &progress;
    // The text is Unicode already: the encoding its declaration names does not apply.
    xmlDocPtr doc = Run(source, XML_PARSE_NONET | XML_PARSE_IGNORE_ENC | XML_PARSE_BIG_LINES,
        preserveWhiteSpace, error, documentType);
    if (cancelled)
        *cancelled = source.cancelled;
    if (source.cancelled)
        error = DomParseError();
    return doc;
}

bool FailsLoad(const xmlError* error)
{
    return error->level == XML_ERR_FATAL || error->domain == XML_FROM_NAMESPACE
        || error->code == XML_ERR_NO_MEMORY || error->domain == XML_FROM_MEMORY
        || error->domain == XML_FROM_IO || error->domain == XML_FROM_I18N
        || error->domain == XML_FROM_BUFFER;
}

bool IsValidDeclaration(const QString& data)
{
    static const QRegularExpression form(QStringLiteral(
        "^\\s*version\\s*=\\s*(\"1\\.[0-9]+\"|'1\\.[0-9]+')"
        "(\\s+encoding\\s*=\\s*(\"[A-Za-z][A-Za-z0-9._-]*\"|'[A-Za-z][A-Za-z0-9._-]*'))?"
        "(\\s+standalone\\s*=\\s*(\"(yes|no)\"|'(yes|no)'))?\\s*$"));
    if (!form.match(data).hasMatch())
        return false;
    const QString encoding = DeclaredEncoding(data);
    return encoding.isEmpty() || DomEncoder::IsUsable(encoding);
}

QString DeclaredEncoding(const QString& data)
{
    static const QRegularExpression encoding(
        QStringLiteral("encoding\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')"));
    const auto match = encoding.match(data);
    if (!match.hasMatch())
        return QString();
    return match.capturedStart(1) >= 0 ? match.captured(1) : match.captured(2);
}

} // namespace DomLoader
