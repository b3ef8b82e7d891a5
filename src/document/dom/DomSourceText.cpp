#include "DomSourceText.h"

#include <libxml/encoding.h>
#include <libxml/tree.h>

#include <QFile>

namespace DomSourceText {

namespace {

    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

    // Converts a stream of bytes piece by piece, with the same converter libxml2 reads with.
    class Decoder {
    public:
        explicit Decoder(const QByteArray& encoding)
            : handler(
                encoding.isEmpty() ? nullptr : xmlFindCharEncodingHandler(encoding.constData()))
            , in(xmlBufferCreate())
            , out(xmlBufferCreate())
            , valid(in && out && (encoding.isEmpty() || handler))
        {
        }
        ~Decoder()
        {
            if (handler)
                xmlCharEncCloseFunc(handler);
            xmlBufferFree(in);
            xmlBufferFree(out);
        }
        Decoder(const Decoder&) = delete;
        Decoder& operator=(const Decoder&) = delete;

        bool Valid() const { return valid; }

        // Appends the UTF-8 of bytes; an incomplete character at the end waits for the next
        // piece. False at bytes the encoding does not define (what came before them is added).
        bool Add(std::string_view bytes, std::string& utf8)
        {
            if (!handler) {
                utf8.append(bytes);
                return true;
            }
            xmlBufferAdd(in, reinterpret_cast<const xmlChar*>(bytes.data()), int(bytes.size()));
            while (xmlBufferLength(in) > 0) {
                const int before = xmlBufferLength(in);
                const int result = xmlCharEncInFunc(handler, out, in);
                utf8.append(reinterpret_cast<const char*>(xmlBufferContent(out)),
                    size_t(xmlBufferLength(out)));
                xmlBufferEmpty(out);
                if (result == -2)
                    return false;
                if (xmlBufferLength(in) == before)
                    break;
            }
            return true;
        }

    private:
        xmlCharEncodingHandlerPtr handler;
        xmlBufferPtr in;
        xmlBufferPtr out;
        bool valid;
    };

    void SkipByteOrderMark(std::string& utf8)
    {
        if (std::string_view(utf8).substr(0, 3) == byteOrderMark)
            utf8.erase(0, 3);
    }

    // The end of the construct that opens at `at` and closes with `close`, or npos.
    size_t EndOf(std::string_view text, size_t at, std::string_view close)
    {
        const size_t found = text.find(close, at);
        return found == std::string_view::npos ? found : found + close.size();
    }

} // namespace

bool ToUtf8(const QByteArray& encoding, std::string_view bytes, std::string& utf8)
{
    Decoder decoder(encoding);
    utf8.clear();
    const bool ok = decoder.Valid() && decoder.Add(bytes, utf8);
    SkipByteOrderMark(utf8);
    return ok;
}

std::string DocumentType(std::string_view prolog)
{
    constexpr auto npos = std::string_view::npos;
    size_t at = prolog.substr(0, 3) == byteOrderMark ? 3 : 0;
    // Past the declaration, comments, instructions and blanks that may precede it.
    while (at < prolog.size() && prolog.compare(at, 9, "<!DOCTYPE") != 0) {
        const char c = prolog[at];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            ++at;
        else if (prolog.compare(at, 4, "<!--") == 0)
            at = EndOf(prolog, at + 4, "-->");
        else if (prolog.compare(at, 2, "<?") == 0)
            at = EndOf(prolog, at + 2, "?>");
        else
            return {};
        if (at == npos)
            return {};
    }
    const size_t start = at;
    bool inSubset = false;
    for (at = start + 9; at < prolog.size();) {
        const char c = prolog[at];
        if (c == '"' || c == '\'') {
            at = EndOf(prolog, at + 1, std::string_view(&c, 1));
        } else if (inSubset && prolog.compare(at, 4, "<!--") == 0) {
            at = EndOf(prolog, at + 4, "-->");
        } else if (inSubset && prolog.compare(at, 2, "<?") == 0) {
            at = EndOf(prolog, at + 2, "?>");
        } else if (c == '>' && !inSubset) {
            break;
        } else {
            inSubset = c == '[' || (inSubset && c != ']');
            ++at;
        }
        if (at == npos)
            return {};
    }
    if (at >= prolog.size())
        return {};
    // A parser reads every CR LF and lone CR as a line feed.
    std::string text;
    text.reserve(at + 1 - start);
    for (size_t i = start; i <= at; ++i) {
        if (prolog[i] != '\r')
            text += prolog[i];
        else if (i == at || prolog[i + 1] != '\n')
            text += '\n';
    }
    return text;
}

bool ReadLine(const QString& path, int line, const QByteArray& encoding, QString& result)
{
    QFile file(path);
    if (line < 1 || !file.open(QIODevice::ReadOnly))
        return false;
    Decoder decoder(encoding);
    if (!decoder.Valid())
        return false;
    std::string text; // the decoded text from the start of line `current` on
    int current = 1;
    size_t scanned = 0; // how much of the wanted line is known to hold no line break
    for (bool end = false, first = true; !end; first = false) {
        char chunk[65536];
        const qint64 read = file.read(chunk, sizeof chunk);
        // Decoding stops at a byte the encoding does not define: the line ends there.
        end = read <= 0 || !decoder.Add(std::string_view(chunk, size_t(read)), text);
        if (first)
            SkipByteOrderMark(text);
        size_t start = 0;
        while (current < line) {
            const size_t newline = text.find('\n', start);
            if (newline == std::string::npos)
                break;
            start = newline + 1;
            ++current;
        }
        if (current < line) {
            text.clear();
            continue;
        }
        text.erase(0, start);
        const size_t stop = text.find('\n', scanned);
        if (stop != std::string::npos) {
            text.resize(stop);
            break;
        }
        scanned = text.size();
    }
    if (current < line)
        return false;
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    result = QString::fromUtf8(text.data(), qsizetype(text.size()));
    return true;
}

} // namespace DomSourceText
