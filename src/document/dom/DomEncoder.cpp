#include "DomEncoder.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <limits>

DomEncoder::DomEncoder(const QString& name)
    : name(name.toUtf8().toStdString())
    , handler(xmlFindCharEncodingHandler(this->name.c_str()))
{
}

bool DomEncoder::IsIcu() const
{
#ifdef LIBXML_ICU_ENABLED
    return handler && handler->uconv_in && handler->uconv_out;
#else
    return false;
#endif
}

DomEncoder::~DomEncoder()
{
    if (handler)
        xmlCharEncCloseFunc(handler);
}

bool DomEncoder::IsUsable() const
{
    // libxml2's own converters have functions for the directions they support; the ones it
    // opens through iconv or ICU have both. ICU finds names iconv does not ("ISO8-859-1"), and
    // a file declaring one opens, so it must save too.
    return handler
        && ((handler->input && handler->output) || (handler->iconv_in && handler->iconv_out)
            || IsIcu());
}

bool DomEncoder::IsUsable(const QString& name) { return DomEncoder(name).IsUsable(); }

bool DomEncoder::CanEncode(char32_t code)
{
    auto [it, added] = known.try_emplace(code, false);
    if (added) {
        // Not QString::fromUcs4: it takes a leading U+FEFF for a byte-order mark and drops it,
        // so that character passed for encodable everywhere and failed the save of any file
        // holding it in a single-byte encoding.
        const auto chars = QChar::fromUcs4(code);
        const std::string utf8 = QStringView(chars).toUtf8().toStdString();
        std::string bytes, back;
        it->second = Convert(true, utf8.data(), utf8.size(), bytes)
            && Convert(false, bytes.data(), bytes.size(), back) && back == utf8;
    }
    return it->second;
}

bool DomEncoder::Encode(const std::string& utf8, QByteArray& bytes)
{
    // iconv's UTF-7 writes "<" as "+ADw-", and the parser, looking for "<?xml", cannot read the
    // file; its decoder reads "<" written directly. Such characters are copied as they are.
    for (size_t c = 0; c < direct.size() && IsUsable() && !handler->output; ++c) {
        const char one = char(c);
        std::string encoded, back;
        const bool same = Convert(true, &one, 1, encoded) && encoded == std::string(1, one);
        direct[c] = same || (Convert(false, &one, 1, back) && back == std::string(1, one));
        inRuns = inRuns || (direct[c] && !same);
    }
    std::string out;
    if (!inRuns && !Convert(true, utf8.data(), utf8.size(), out))
        return false;
    const auto isDirect = [this](char c) { return c >= 0 && direct[size_t(c)]; };
    const size_t size = inRuns ? utf8.size() : 0;
    for (size_t i = 0; i < size;) {
        size_t end = i;
        while (end < size && isDirect(utf8[end]))
            ++end;
        out.append(utf8, i, end - i);
        i = end;
        while (end < size && !isDirect(utf8[end]))
            ++end;
        if (end > i && !Convert(true, utf8.data() + i, end - i, out))
            return false;
        i = end;
    }
    bytes = QByteArray(out.data(), qsizetype(out.size()));
    return true;
}

bool DomEncoder::Convert(bool toBytes, const char* in, size_t size, std::string& out) const
{
    if (!IsUsable())
        return false;
    char buffer[4096];
    if (handler->output) {
        // libxml2's own converters keep no state between calls.
        const auto convert = toBytes ? handler->output : handler->input;
        const auto* s = reinterpret_cast<const unsigned char*>(in);
        for (size_t left = size; left > 0;) {
            int inLength = int(std::min<size_t>(left, 512));
            int outLength = int(sizeof buffer);
            // A character without a representation stops the call before it (-2); the next
            // call, starting at it, converts nothing.
            convert(reinterpret_cast<unsigned char*>(buffer), &outLength, s, &inLength);
            if (inLength <= 0)
                return false;
            out.append(buffer, size_t(outLength));
            s += inLength;
            left -= size_t(inLength);
        }
        return true;
    }
    if (IsIcu())
        return ConvertWithFreshHandler(toBytes, in, size, out);
    // iconv keeps the shift state of ISO-2022-JP or UTF-7 between calls: start from the
    // initial state, and return to it at the end so the bytes stand on their own.
    iconv_t cd = toBytes ? handler->iconv_out : handler->iconv_in;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* s = const_cast<char*>(in);
    size_t left = size;
    for (bool flushing = false;;) {
        char* o = buffer;
        size_t room = sizeof buffer;
        const size_t result
            = flushing ? iconv(cd, nullptr, nullptr, &o, &room) : iconv(cd, &s, &left, &o, &room);
        out.append(buffer, size_t(o - buffer));
        if (result == size_t(-1)) {
            if (errno != E2BIG)
                return false;
        } else if (flushing) {
            return true;
        } else {
            flushing = true;
        }
    }
}

// An ICU converter's state cannot be reset from outside libxml2: every conversion gets a
// converter of its own. libxml2 writes a character the encoding lacks as a reference, which
// the caller's read-back comparison tells from the character itself.
bool DomEncoder::ConvertWithFreshHandler(
    bool toBytes, const char* in, size_t size, std::string& out) const
{
    if (size > size_t(std::numeric_limits<int>::max()))
        return false;
    xmlCharEncodingHandlerPtr fresh = xmlFindCharEncodingHandler(name.c_str());
    xmlBufferPtr source = xmlBufferCreateSize(size + 1);
    xmlBufferPtr target = xmlBufferCreateSize(size * 4 + 64);
    bool ok = fresh && source && target
        && xmlBufferAdd(source, reinterpret_cast<const xmlChar*>(in), int(size)) == 0;
    while (ok && xmlBufferLength(source) > 0) {
        const int before = xmlBufferLength(source);
        const int written = toBytes ? xmlCharEncOutFunc(fresh, target, source)
                                    : xmlCharEncInFunc(fresh, target, source);
        ok = written >= 0 && xmlBufferLength(source) < before;
    }
    if (ok) {
        out.append(reinterpret_cast<const char*>(xmlBufferContent(target)),
            size_t(xmlBufferLength(target)));
    }
    if (target)
        xmlBufferFree(target);
    if (source)
        xmlBufferFree(source);
    if (fresh)
        xmlCharEncCloseFunc(fresh);
    return ok;
}
