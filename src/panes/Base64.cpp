#include "Base64.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <array>
#include <stdexcept>

namespace {

constexpr unsigned char Invalid = 0xFF;
constexpr unsigned char Pad = 64;

constexpr std::array<unsigned char, 256> MakeDecodeTable()
{
    std::array<unsigned char, 256> table {};
    for (auto& value : table)
        value = Invalid;
    for (int i = 0; i < 26; ++i) {
        table['A' + i] = static_cast<unsigned char>(i);
        table['a' + i] = static_cast<unsigned char>(26 + i);
    }
    for (int i = 0; i < 10; ++i)
        table['0' + i] = static_cast<unsigned char>(52 + i);
    table['+'] = 62;
    table['/'] = 63;
    table['='] = Pad;
    return table;
}

constexpr std::array<unsigned char, 256> DecodeTable = MakeDecodeTable();

const char* const WrongLength = "Invalid source, size is not a multiple of 4";

} // namespace

std::size_t Base64DecodedSize(std::size_t n)
{
    if (n % 4 != 0)
        throw std::runtime_error(WrongLength);
    return n / 4 * 3;
}

std::size_t Base64Decode(unsigned char* out, const char* in, std::size_t n)
{
    if (!out || !in)
        throw std::runtime_error("Invalid parameter");
    if (n % 4 != 0)
        throw std::runtime_error(WrongLength);
    std::size_t count = 0;
    for (std::size_t group = 0; group < n; group += 4) {
        unsigned char c[4];
        for (int k = 0; k < 4; ++k) {
            c[k] = DecodeTable[static_cast<unsigned char>(in[group + k])];
            if (c[k] == Invalid)
                throw k;
        }
        if (c[0] == Pad)
            throw 4;
        if (c[1] == Pad)
            throw 5;
        // A pad contributes zero bits.
        const unsigned bits2 = c[2] == Pad ? 0 : c[2];
        const unsigned bits3 = c[3] == Pad ? 0 : c[3];
        *out++ = static_cast<unsigned char>((c[0] << 2) | ((c[1] >> 4) & 0x03));
        *out++ = static_cast<unsigned char>((c[1] << 4) | ((bits2 >> 2) & 0x0F));
        *out++ = static_cast<unsigned char>((bits2 << 6) | (bits3 & 0x3F));
        count += 3;
        if (c[3] == Pad) {
            --count;
            if (c[2] == Pad)
                --count;
        }
    }
    return count;
}

QImage LoadPictureFromText(const QString& text)
{
    QByteArray source;
    source.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t unit = ch.unicode();
        if (unit == u'\r' || unit == u'\n' || unit == u'\t' || unit == u' ')
            continue;
        // Anything outside Latin-1 is no base64 character; 0 keeps it invalid.
        source.append(unit < 0x100 ? static_cast<char>(unit) : '\0');
    }
    if (source.isEmpty())
        return QImage();
    // A length that is not a multiple of 4 is padded with zero bytes, which always fail below.
    const qsizetype n = (source.size() + 3) / 4 * 4;
    source.append(QByteArray(n - source.size(), '\0'));
    QByteArray bytes;
    try {
        const std::size_t size = Base64DecodedSize(static_cast<std::size_t>(n));
        if (size == 0)
            return QImage();
        bytes.resize(static_cast<qsizetype>(size));
        Base64Decode(reinterpret_cast<unsigned char*>(bytes.data()), source.constData(),
            static_cast<std::size_t>(n));
    } catch (const std::exception&) {
        return QImage();
    } catch (int) {
        return QImage();
    }
    // The buffer keeps the up to two zero bytes the padding added; image readers ignore them.
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    return reader.read();
}
