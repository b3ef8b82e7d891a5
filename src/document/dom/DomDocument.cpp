#include "DomDocument.h"

#include "DomElement.h"
#include "DomEncoder.h"
#include "DomLoader.h"
#include "DomNamespaces.h"
#include "DomNodeUtil.h"
#include "DomSaveCheck.h"
#include "DomStore.h"
#include "DomWriter.h"
#include "FileReplacer.h"

namespace {

DocData* NewEmptyData()
{
    DocData* data = DomStore::NewData(xmlNewDoc(BAD_CAST "1.0"));
    DomStore::AddRef(data);
    return data;
}

bool IsName(const QByteArray& name)
{
    return !name.isEmpty() && xmlValidateQName(DomStore::ToXml(name), 0) == 0;
}

} // namespace

DomDocument DomDocument::Create()
{
    DomStore::InitLibxml();
    DomDocument document;
    document.state = new DomDocumentState;
    document.state->data = NewEmptyData();
    return document;
}

DomDocument::DomDocument(const DomDocument& other)
    : state(other.state)
{
    if (state)
        ++state->refs;
}

DomDocument& DomDocument::operator=(const DomDocument& other)
{
    if (other.state)
        ++other.state->refs;
    this->~DomDocument();
    state = other.state;
    return *this;
}

DomDocument::~DomDocument()
{
    if (state && --state->refs == 0) {
        DomStore::Release(state->data);
        delete state;
    }
    state = nullptr;
}

bool DomDocument::preserveWhiteSpace() const { return state && state->preserveWhiteSpace; }

void DomDocument::setPreserveWhiteSpace(bool preserve)
{
    if (state)
        state->preserveWhiteSpace = preserve;
}

namespace {

DomResult Replace(DomDocumentState* state, xmlDocPtr doc, std::string documentType)
{
    DocData* data = doc ? DomStore::NewData(doc) : nullptr;
    if (data) {
        DomStore::AddRef(data);
        if (doc->intSubset && !documentType.empty()) {
            data->documentType = reinterpret_cast<xmlNodePtr>(doc->intSubset);
            data->documentTypeText = std::move(documentType);
        }
    } else {
        data = NewEmptyData();
    }
    DomStore::Release(state->data);
    state->data = data;
    return doc ? DomOk : DomFail;
}

} // namespace

DomResult DomDocument::load(const QString& path) { return load(path, {}); }

DomResult DomDocument::load(
    const QString& path, const std::function<bool(qint64, qint64)>& progress)
{
    if (!state)
        return DomFail;
    std::string documentType;
    DomParseError error;
    bool cancelled = false;
    xmlDocPtr doc = DomLoader::LoadFile(
        path, state->preserveWhiteSpace, error, documentType, progress, &cancelled);
    if (cancelled)
        return DomCancelled;
    state->parseError = error;
    return Replace(state, doc, std::move(documentType));
}

DomResult DomDocument::loadXML(const QString& text)
{
    if (!state)
        return DomFail;
    std::string documentType;
    xmlDocPtr doc
        = DomLoader::LoadText(text, state->preserveWhiteSpace, state->parseError, documentType);
    return Replace(state, doc, std::move(documentType));
}

DomResult DomDocument::loadXML(
    const QByteArray& utf8, const std::function<bool(qint64, qint64)>& progress)
{
    if (!state)
        return DomFail;
    std::string documentType;
    DomParseError error;
    bool cancelled = false;
    xmlDocPtr doc = DomLoader::LoadText(
        utf8, state->preserveWhiteSpace, error, documentType, progress, &cancelled);
    if (cancelled)
        return DomCancelled;
    state->parseError = error;
    return Replace(state, doc, std::move(documentType));
}

const DomParseError& DomDocument::parseError() const
{
    static const DomParseError none;
    return state ? state->parseError : none;
}

long DomDocument::handleCount() const { return state ? state->data->refs : 0; }

long DomDocument::detachedCount() const { return state ? long(state->data->detached.size()) : 0; }

DomNode DomDocument::documentNode() const
{
    return state ? DomAccess::Make(reinterpret_cast<xmlNodePtr>(state->data->doc)) : DomNode();
}

DomElement DomDocument::documentElement() const
{
    return state ? DomAccess::Make<DomElement>(xmlDocGetRootElement(state->data->doc))
                 : DomElement();
}

DomElement DomDocument::createElement(const QString& name) const
{
    const QByteArray utf8 = name.toUtf8();
    if (!state || !IsName(utf8))
        return DomElement();
    xmlNodePtr node = xmlNewDocNode(state->data->doc, nullptr, DomStore::ToXml(utf8), nullptr);
    return node ? DomNamespaces::AdoptDetached(node).toElement() : DomElement();
}

DomAttribute DomDocument::createAttribute(const QString& name) const
{
    const QByteArray utf8 = name.toUtf8();
    if (!state || !IsName(utf8))
        return DomAttribute();
    xmlAttrPtr attr = xmlNewDocProp(state->data->doc, DomStore::ToXml(utf8), nullptr);
    if (!attr)
        return DomAttribute();
    attr->_private = nullptr;
    return DomNamespaces::AdoptDetached(reinterpret_cast<xmlNodePtr>(attr)).toAttribute();
}

DomNode DomDocument::createTextNode(const QString& text) const
{
    if (!state || !DomStore::IsXmlText(text))
        return DomNode();
    const QByteArray utf8 = text.toUtf8();
    xmlNodePtr node = xmlNewDocTextLen(state->data->doc, DomStore::ToXml(utf8), int(utf8.size()));
    return node ? DomNamespaces::AdoptDetached(node) : DomNode();
}

DomNode DomDocument::createComment(const QString& text) const
{
    if (!state || !DomNodeUtil::IsValidComment(text))
        return DomNode();
    xmlNodePtr node = xmlNewDocComment(state->data->doc, DomStore::ToXml(text.toUtf8()));
    return node ? DomNamespaces::AdoptDetached(node) : DomNode();
}

DomNode DomDocument::createCDATASection(const QString& text) const
{
    if (!state || !DomStore::IsXmlText(text))
        return DomNode();
    const QByteArray utf8 = text.toUtf8();
    xmlNodePtr node = xmlNewCDataBlock(state->data->doc, DomStore::ToXml(utf8), int(utf8.size()));
    return node ? DomNamespaces::AdoptDetached(node) : DomNode();
}

DomNode DomDocument::createProcessingInstruction(const QString& target, const QString& data) const
{
    const QByteArray utf8 = target.toUtf8();
    if (!state || !IsName(utf8) || utf8.contains(':') || !DomNodeUtil::IsValidProcessingData(data))
        return DomNode();
    if (target.compare(QLatin1String("xml"), Qt::CaseInsensitive) == 0) {
        // Only the declaration itself may use the reserved target.
        if (target != QLatin1String("xml") || !DomLoader::IsValidDeclaration(data))
            return DomNode();
    }
    xmlNodePtr node
        = xmlNewDocPI(state->data->doc, DomStore::ToXml(utf8), DomStore::ToXml(data.toUtf8()));
    return node ? DomNamespaces::AdoptDetached(node) : DomNode();
}

namespace {

// The bytes replace the file only when they load again, so that no save turns a file that
// opens into one that does not.
DomResult WriteChecked(xmlDocPtr doc, const QString& path, const QByteArray& bytes,
    QString* errorText, const std::function<bool(qint64, qint64)>& progress)
{
    bool cancelled = false;
    auto step = [&progress, &cancelled](qint64 done, qint64 total) {
        cancelled = !progress(done, total);
        return !cancelled;
    };
    QString reason;
    DomResult result = DomOk;
    // The check reads as long as a load: it reports its bytes with no total, so that the bar
    // shows only that the work goes on until the write, which alone reports how far it got.
    const auto checking = [&progress](qint64 read) { return progress(read, 0); };
    if (!DomSaveCheck::Loads(bytes, xmlDocGetRootElement(doc) != nullptr, reason,
            progress ? std::function<bool(qint64)>(checking) : nullptr, &cancelled)) {
        if (cancelled)
            return DomCancelled;
        reason = QStringLiteral("The markup written for the document would not open again: %1")
                     .arg(reason);
        result = DomUnreadable;
    } else if (!FileReplacer::Replace(path, bytes, reason, FileReplacer::Links::Follow,
                   progress ? FileReplacer::ProgressFunction(step) : nullptr)) {
        result = cancelled ? DomCancelled : DomFail;
    }
    if (Failed(result) && errorText)
        *errorText = reason;
    return result;
}

} // namespace

DomResult DomDocument::save(const QString& path, QString* errorText,
    const std::function<bool(qint64, qint64)>& progress) const
{
    auto fail = [errorText](const QString& reason) {
        if (errorText)
            *errorText = reason;
        return DomFail;
    };
    if (!state)
        return fail(QStringLiteral("There is no document to save."));
    xmlDocPtr doc = state->data->doc;
    QString encoding;
    if (doc->children && DomNodeUtil::IsDeclaration(doc->children))
        encoding = DomLoader::DeclaredEncoding(DomStore::ToQString(doc->children->content));
    const QString upper = encoding.toUpper();
    auto unrepresentable = [&encoding] {
        return QStringLiteral("The document holds characters that the encoding \"%1\" cannot "
                              "represent outside text and attribute values.")
            .arg(encoding);
    };

    std::string markup;
    QByteArray bytes;
    auto* document = reinterpret_cast<xmlNodePtr>(doc);
    if (upper.isEmpty() || upper == QLatin1String("UTF-8") || upper == QLatin1String("UTF8")) {
        DomWriter::Write(markup, document);
        // No copy: the markup outlives the check and the write, and a second copy of a large
        // document's bytes raised the save's peak memory by their size.
        bytes = QByteArray::fromRawData(markup.data(), qsizetype(markup.size()));
    } else if (upper.startsWith(QLatin1String("UTF-16")) || upper == QLatin1String("UCS-2")) {
        // UCS-2 readers refuse surrogate pairs: a character beyond the Basic Multilingual Plane
        // can only be a character reference.
        DomWriter::CanEncode canEncode;
        if (upper == QLatin1String("UCS-2"))
            canEncode = [](char32_t code) { return code <= 0xFFFF; };
        if (!DomWriter::Write(markup, document, canEncode))
            return fail(unrepresentable());
        const QString text = QString::fromUtf8(markup.data(), qsizetype(markup.size()));
        const bool bigEndian = upper == QLatin1String("UTF-16BE");
        if (upper == QLatin1String("UTF-16") || upper == QLatin1String("UCS-2"))
            bytes.append("\xFF\xFE", 2);
        bytes.reserve(bytes.size() + text.size() * 2);
        for (QChar c : text) {
            const char16_t u = c.unicode();
            const char low = char(u & 0xFF), high = char(u >> 8);
            bytes.append(bigEndian ? high : low);
            bytes.append(bigEndian ? low : high);
        }
    } else {
        DomEncoder encoder(encoding);
        if (!encoder.IsUsable())
            return fail(QStringLiteral("The encoding \"%1\" is not supported.").arg(encoding));
        const bool written = DomWriter::Write(
            markup, document, [&encoder](char32_t code) { return encoder.CanEncode(code); });
        if (!written)
            return fail(unrepresentable());
        if (!encoder.Encode(markup, bytes))
            return fail(QStringLiteral("The document cannot be written in the encoding \"%1\".")
                            .arg(encoding));
    }

    return WriteChecked(doc, path, bytes, errorText, progress);
}
