#include "DomLoader.h"

#include "DomEncoder.h"
#include "DomNamespaces.h"
#include "DomNodeUtil.h"
#include "DomStore.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <memory>
#include <string>
#include <vector>

namespace DomLoader {

namespace {

    struct LoadContext {
        bool preserveWhiteSpace = false;
        bool declaresEntities = false;
        bool haveError = false;
        bool errorIsDecisive = false;
        bool lineNeedsReread = false;
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

    void OnError(void* ctx, xmlErrorPtr error);

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

    // The text of the line holding the parser's position, when it is still in the buffer.
    void CaptureLine(xmlParserCtxtPtr ctxt, LoadContext* context)
    {
        xmlParserInputPtr input = ctxt->input;
        if (!input || !input->base || !input->cur) {
            context->lineNeedsReread = true;
            return;
        }
        const xmlChar* cur = std::min(input->cur, input->end);
        const xmlChar* start = cur;
        while (start > input->base && start[-1] != '\n')
            --start;
        const xmlChar* stop = cur;
        while (stop < input->end && *stop != '\n')
            ++stop;
        // The line may have begun before what the buffer still holds: read it again from the
        // source.
        context->lineNeedsReread = start == input->base;
        if (stop > start && stop[-1] == '\r')
            --stop;
        context->error.srcText
            = QString::fromUtf8(reinterpret_cast<const char*>(start), qsizetype(stop - start));
        context->error.filepos = (long long)input->consumed + (input->cur - input->base);
    }

    void OnError(void* ctx, xmlErrorPtr error)
    {
        auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
        LoadContext* context = ContextOf(ctx);
        if (!context || !error || error->level == XML_ERR_WARNING)
            return;
        const bool decisive = error->level == XML_ERR_FATAL || error->domain == XML_FROM_NAMESPACE
            || error->code == XML_ERR_NO_MEMORY;
        if (context->haveError && (context->errorIsDecisive || !decisive))
            return;
        context->haveError = true;
        context->errorIsDecisive = decisive;
        DomParseError& record = context->error;
        record.errorCode = error->code;
        record.reason = QString::fromUtf8(error->message ? error->message : "Unknown error.");
        if (!record.reason.endsWith(QLatin1Char('\n')))
            record.reason += QLatin1Char('\n');
        record.line = error->line;
        record.linepos = error->int2;
        CaptureLine(ctxt, context);
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

    // Reads a line of a file again; files in UTF-16 keep what the parser's buffer held.
    bool ReadLine(const QString& path, int line, QString& result)
    {
        QFile file(path);
        if (line < 1 || !file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray head = file.peek(2);
        if (head.size() == 2
            && (head[0] == '\0' || head[1] == '\0' || uchar(head[0]) == 0xFF
                || uchar(head[0]) == 0xFE))
            return false;
        for (int i = 1; i < line && !file.atEnd(); ++i)
            file.readLine();
        QByteArray text = file.readLine();
        while (text.endsWith('\n') || text.endsWith('\r'))
            text.chop(1);
        result = QString::fromUtf8(text);
        return true;
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

    using Parse = xmlDocPtr (*)(xmlParserCtxtPtr, const void* input, int options);

    // text: the source when it is in memory (UTF-8); path: the file otherwise.
    xmlDocPtr Run(Parse parse, const void* input, int options, bool preserveWhiteSpace,
        DomParseError& error, const QString& path, const QByteArray* text)
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
            Install(ctxt.get(), context);
            xmlDocPtr doc = parse(ctxt.get(), input, options);
            const bool ok
                = doc && ctxt->wellFormed && ctxt->nsWellFormed && xmlDocGetRootElement(doc);
            if (ok) {
                AddDeclarationNode(doc, context);
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
            error.url = path;
            if (text && error.line > 0)
                error.srcText = LineOf(*text, error.line);
            else if (context.lineNeedsReread && !path.isEmpty())
                ReadLine(path, error.line, error.srcText);
            // Without entity declarations nothing can be amplified, so a document that only
            // exceeds the default size limits (a large embedded picture) may be read whole.
            if (attempt > 0 || context.declaresEntities || !IsSizeLimit(error))
                break;
            options |= XML_PARSE_HUGE;
        }
        return nullptr;
    }

} // namespace

xmlDocPtr LoadFile(const QString& path, bool preserveWhiteSpace, DomParseError& error)
{
    error = DomParseError();
    error.url = path;
    const QFileInfo info(path);
    if (!info.exists()) {
        error.errorCode = -1;
        error.reason = QStringLiteral("The system cannot locate the file specified.\n");
        return nullptr;
    }
    QFile probe(path);
    if (info.isDir() || !probe.open(QIODevice::ReadOnly)) {
        error.errorCode = -1;
        error.reason = QStringLiteral("The file cannot be opened for reading.\n");
        return nullptr;
    }
    if (probe.size() == 0) {
        error.errorCode = XML_ERR_DOCUMENT_EMPTY;
        error.reason = QStringLiteral("The file is empty: it holds no XML document.\n");
        return nullptr;
    }
    probe.close();
    const QByteArray fileName = QFile::encodeName(path);
    auto parse = [](xmlParserCtxtPtr ctxt, const void* input, int options) {
        return xmlCtxtReadFile(ctxt, static_cast<const char*>(input), nullptr, options);
    };
    return Run(
        parse, fileName.constData(), XML_PARSE_NONET, preserveWhiteSpace, error, path, nullptr);
}

xmlDocPtr LoadText(const QString& text, bool preserveWhiteSpace, DomParseError& error)
{
    error = DomParseError();
    const QByteArray utf8 = text.toUtf8();
    struct Memory {
        const QByteArray* bytes;
    } memory { &utf8 };
    auto parse = [](xmlParserCtxtPtr ctxt, const void* input, int options) {
        const QByteArray* bytes = static_cast<const Memory*>(input)->bytes;
        return xmlCtxtReadMemory(
            ctxt, bytes->constData(), int(bytes->size()), nullptr, "UTF-8", options);
    };
    // The text is Unicode already: the encoding its declaration names does not apply.
    return Run(parse, &memory, XML_PARSE_NONET | XML_PARSE_IGNORE_ENC, preserveWhiteSpace, error,
        QString(), &utf8);
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
