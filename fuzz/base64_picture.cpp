// Base64 text decoded on its own and as a picture: no read or write outside the buffers, and a
// decoded length within the buffer's size.

#include "Base64.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    try {
        std::vector<unsigned char> out(Base64DecodedSize(size));
        // An exact-size heap buffer: AddressSanitizer sees a write past it.
        if (Base64Decode(out.data(), text, size) > out.size()) {
            std::fprintf(stderr, "base64_picture: decoded more than the buffer holds\n");
            std::abort();
        }
    } catch (const std::runtime_error&) {
    } catch (int) {
    }
    // The text as a document holds it: Latin-1 and, from the same bytes, UTF-16 with any
    // surrogates.
    (void)LoadPictureFromText(QString::fromLatin1(text, qsizetype(size)));
    (void)LoadPictureFromText(
        QString::fromUtf16(reinterpret_cast<const char16_t*>(data), qsizetype(size / 2)));
    return 0;
}
