#include "DomDocument.h"

#include "DomElement.h"
#include "DomLoader.h"
#include "DomNamespaces.h"
#include "DomNodeUtil.h"
#include "DomStore.h"
#include "DomWriter.h"

#include <libxml/encoding.h>

#include <QSaveFile>

#include <unordered_map>

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

// Converts UTF-8 markup into the bytes of an encoding libxml2 (through iconv) knows.
class Encoder {
public:
    explicit Encoder(xmlCharEncodingHandlerPtr handler)
        : handler(handler)
    {
    }
    ~Encoder() { xmlCharEncCloseFunc(handler); }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    bool CanEncode(char32_t code)
    {
        auto [it, added] = known.try_emplace(code, false);
        if (added) {
            const QByteArray utf8 = QString::fromUcs4(&code, 1).toUtf8();
            QByteArray bytes;
            it->second = Convert(utf8, bytes, false);
        }
        return it->second;
    }

    // False when a character has no representation.
    bool Convert(const QByteArray& utf8, QByteArray& bytes, bool allowReferences)
    {
        xmlBufferPtr in = xmlBufferCreateSize(size_t(utf8.size()) + 1);
        xmlBufferPtr out = xmlBufferCreateSize(size_t(utf8.size()) * 2 + 16);
        xmlBufferAdd(in, DomStore::ToXml(utf8), int(utf8.size()));
        bool ok = true;
        while (ok && xmlBufferLength(in) > 0) {
            const int before = xmlBufferLength(in);
            const int written = xmlCharEncOutFunc(handler, out, in);
            if (written < 0
                || (!allowReferences && xmlStrstr(xmlBufferContent(out), BAD_CAST "&#")
                    && !utf8.contains("&#")))
                ok = false;
            if (xmlBufferLength(in) == before)
                break;
        }
        ok = ok && xmlBufferLength(in) == 0;
        bytes = QByteArray(
            reinterpret_cast<const char*>(xmlBufferContent(out)), xmlBufferLength(out));
        xmlBufferFree(in);
        xmlBufferFree(out);
        return ok;
    }

private:
    xmlCharEncodingHandlerPtr handler;
    std::unordered_map<char32_t, bool> known;
};

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

DomResult DomDocument::load(const QString& path)
{
    if (!state)
        return DomFail;
    std::string documentType;
    xmlDocPtr doc
        = DomLoader::LoadFile(path, state->preserveWhiteSpace, state->parseError, documentType);
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

const DomParseError& DomDocument::parseError() const
{
    static const DomParseError none;
    return state ? state->parseError : none;
}

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
    if (!state || !DomNodeUtil::IsValidCData(text))
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

DomResult DomDocument::save(const QString& path, QString* errorText) const
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

    std::string markup;
    QByteArray bytes;
    auto* document = reinterpret_cast<xmlNodePtr>(doc);
    if (upper.isEmpty() || upper == QLatin1String("UTF-8") || upper == QLatin1String("UTF8")) {
        DomWriter::Write(markup, document);
        bytes = QByteArray(markup.data(), qsizetype(markup.size()));
    } else if (upper.startsWith(QLatin1String("UTF-16")) || upper == QLatin1String("UCS-2")) {
        DomWriter::Write(markup, document);
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
        xmlCharEncodingHandlerPtr handler
            = xmlFindCharEncodingHandler(encoding.toUtf8().constData());
        if (!handler)
            return fail(QStringLiteral("The encoding \"%1\" is not supported.").arg(encoding));
        Encoder encoder(handler);
        const bool written = DomWriter::Write(
            markup, document, [&encoder](char32_t code) { return encoder.CanEncode(code); });
        if (!written) {
            return fail(QStringLiteral("The document holds characters that the encoding \"%1\" "
                                       "cannot represent outside text and attribute values.")
                            .arg(encoding));
        }
        if (!encoder.Convert(QByteArray(markup.data(), qsizetype(markup.size())), bytes, true))
            return fail(QStringLiteral("The document cannot be written in the encoding \"%1\".")
                            .arg(encoding));
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return DomOk;
}
