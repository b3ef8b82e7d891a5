// The find text matcher on arbitrary text. The first byte picks the options, the second where
// the subject ends and the search text begins. Both are well-formed UTF-16, as node texts and
// the find box hold: half a surrogate pair is no text a search meets.

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
    const QString all
        = QString::fromUtf8(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    qsizetype split = all.size() * data[1] / 256;
    if (split > 0 && all.at(split).isLowSurrogate())
        --split;
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
