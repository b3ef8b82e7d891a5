// The find text matcher on arbitrary UTF-16 (unpaired surrogates included). The first byte
// picks the options, the second where the subject ends and the search text begins.

#include "TreeSearcher.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "find_text: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const bool matchCase = data[0] & 1;
    const bool wholeWords = data[0] & 2;
    const QString all = QString::fromUtf16(
        reinterpret_cast<const char16_t*>(data + 2), qsizetype((size - 2) / 2));
    const qsizetype split = all.size() * data[1] / 256;
    const QString subject = all.left(split);
    const QString text = all.mid(split);

    const bool found = TreeSearcher::ContainsText(subject, text, matchCase, wholeWords);
    const bool anywhere = TreeSearcher::ContainsText(subject, text, matchCase, false);
    Check(!found || anywhere, "a whole word is found anywhere too");
    if (matchCase && !text.isEmpty())
        Check(anywhere == subject.contains(text), "matching case finds exactly the text");
    if (!text.isEmpty() && subject.contains(text))
        Check(TreeSearcher::ContainsText(subject, text, false, false),
            "ignoring case finds the text as it is");
    return 0;
}
