#include "TestDocumentGenerator.h"

#include <cstdio>
#include <memory>

namespace {

// Real files saved on Windows end their lines with CR LF.
constexpr const char* LineBreak = "\r\n";
constexpr std::size_t FlushBytes = 1 << 20;

const char* const Vocabulary[] = {
    "order",
    "delivery",
    "Straße",
    "Größe",
    "café",
    "naïve",
    "façade",
    "Zürich",
    "København",
    "señal",
    "Ελληνικά",
    "русский",
    "日本語",
    "数据",
    "€",
    "invoice",
    "customer",
    "warehouse",
    "shipment",
    "pending",
    "approved",
    "north",
    "south",
    "quarter",
    "review",
    "reference",
    "account",
    "balance",
    "total",
    "item",
};
constexpr std::uint32_t WordCount = sizeof(Vocabulary) / sizeof(Vocabulary[0]);

// Predefined entities, character references and the internal subset's own entities.
const char* const References[] = {
    "&amp;",
    "&lt;",
    "&gt;",
    "&quot;",
    "&apos;",
    "&#169;",
    "&#x20AC;",
    "&#8212;",
    "&company;",
    "&product;",
};
constexpr std::uint32_t ReferenceCount = sizeof(References) / sizeof(References[0]);

const char* const Types[] = { "invoice", "order", "credit", "receipt", "quote" };
const char* const States[] = { "open", "closed", "pending", "void" };
const char* const Currencies[] = { "EUR", "USD", "CHF", "JPY", "GBP" };
const char* const Inline[] = { "b", "i", "em", "code" };

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

TestDocumentGenerator::TestDocumentGenerator(std::uint64_t seed)
    : state(seed)
{
}

// splitmix64: small, fast and the same sequence on every platform.
std::uint64_t TestDocumentGenerator::Next()
{
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

void TestDocumentGenerator::Line(int depth, const std::string& text)
{
    out.append(static_cast<std::size_t>(depth), '\t');
    out += text;
    out += LineBreak;
}

void TestDocumentGenerator::AppendWords(int count)
{
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            out += ' ';
        out += Pick(Vocabulary, WordCount);
    }
}

// Text with references and inline elements, as in a paragraph of prose.
void TestDocumentGenerator::MixedText()
{
    const int pieces = 2 + static_cast<int>(Below(5));
    for (int i = 0; i < pieces; ++i) {
        if (i > 0)
            out += ' ';
        switch (Below(4)) {
        case 0:
            out += Pick(References, ReferenceCount);
            out += ' ';
            AppendWords(1);
            break;
        case 1: {
            const char* tag = Pick(Inline, 4);
            out += '<';
            out += tag;
            out += '>';
            AppendWords(1 + static_cast<int>(Below(2)));
            out += "</";
            out += tag;
            out += '>';
            break;
        }
        default:
            AppendWords(1 + static_cast<int>(Below(3)));
            break;
        }
    }
    out += '.';
}

void TestDocumentGenerator::Record(int depth)
{
    const std::uint64_t id = ++records;
    std::string open = "<record id=\"r" + std::to_string(id) + '"';
    const std::uint32_t extra = Below(4); // one to four attributes in all
    if (extra >= 1)
        open += std::string(" type=\"") + Pick(Types, 5) + '"';
    if (extra >= 2)
        open += std::string(" status=\"") + Pick(States, 4) + '"';
    if (extra >= 3)
        open += " meta:source=\"batch-" + std::to_string(Below(1000)) + '"';
    Line(depth, open + '>');

    const int inner = depth + 1;
    out.append(static_cast<std::size_t>(inner), '\t');
    out += "<title>";
    AppendWords(1 + static_cast<int>(Below(3)));
    if (Below(4) == 0) {
        out += " &amp; ";
        AppendWords(1);
    }
    out += "</title>";
    out += LineBreak;

    if (Below(3) != 0) {
        Line(inner,
            std::string("<amount currency=\"") + Pick(Currencies, 5) + "\">"
                + std::to_string(Below(100000)) + '.' + std::to_string(10 + Below(90))
                + "</amount>");
    }
    if (Below(5) < 3) {
        out.append(static_cast<std::size_t>(inner), '\t');
        out += "<note>";
        MixedText();
        out += "</note>";
        out += LineBreak;
    }
    if (Below(10) == 0)
        Line(inner, "<!-- checked by " + std::string(Pick(Vocabulary, WordCount)) + " -->");
    if (Below(50) == 0)
        Line(inner, "<?audit step=\"" + std::to_string(Below(9)) + "\"?>");
    if (Below(33) == 0) {
        out.append(static_cast<std::size_t>(inner), '\t');
        out += "<description xml:space=\"preserve\">\t";
        AppendWords(2);
        out += LineBreak;
        out += "  ";
        AppendWords(1);
        out += "  </description>";
        out += LineBreak;
    }
    if (Below(50) == 0) {
        Line(inner,
            "<ext:info xmlns:ext=\"urn:trelvo:bench:ext\" ext:level=\"" + std::to_string(Below(5))
                + "\">" + Pick(Vocabulary, WordCount) + "</ext:info>");
    }
    if (Below(2) == 0) {
        Line(inner, "<items>");
        const std::uint32_t items = 1 + Below(4);
        for (std::uint32_t i = 0; i < items; ++i) {
            out.append(static_cast<std::size_t>(inner + 1), '\t');
            out += "<item sku=\"K-" + std::to_string(Below(100000)) + '"';
            if (Below(2) == 0)
                out += " qty=\"" + std::to_string(1 + Below(20)) + '"';
            out += '>';
            AppendWords(1 + static_cast<int>(Below(2)));
            out += "</item>";
            out += LineBreak;
        }
        Line(inner, "</items>");
    }
    Line(depth, "</record>");
}

void TestDocumentGenerator::OpenGroup(int depth, const char* kind)
{
    ++groups;
    std::string open = "<group id=\"g" + std::to_string(groups) + "\" kind=\"" + kind + '"';
    if (Below(2) == 0)
        open += std::string(" label=\"") + Pick(Vocabulary, WordCount) + " &amp; "
            + Pick(Vocabulary, WordCount) + '"';
    Line(depth, open + '>');
}

void TestDocumentGenerator::CloseGroup(int depth) { Line(depth, "</group>"); }

bool TestDocumentGenerator::Write(const std::string& path, std::uint64_t targetBytes)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    std::uint64_t flushed = 0;
    bool ok = true;
    auto flush = [&](bool force) {
        if (out.size() < FlushBytes && !force)
            return;
        ok = ok && std::fwrite(out.data(), 1, out.size(), file.get()) == out.size();
        flushed += out.size();
        out.clear();
    };
    auto written = [&] { return flushed + out.size(); };

    out.clear();
    records = bulkRecords = groups = 0;
    Line(0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    Line(0, "<?xml-stylesheet type=\"text/xsl\" href=\"catalog.xsl\"?>");
    Line(0, "<!DOCTYPE catalog [");
    Line(1, "<!ENTITY company \"Trelvo Ärzte &amp; Söhne\">");
    Line(1, "<!ENTITY product \"Zählwerk № 7\">");
    Line(0, "]>");
    Line(0, "<!-- Test catalogue for the benchmark; every value below is made up. -->");
    Line(0,
        "<catalog xmlns=\"urn:trelvo:bench:catalog\" xmlns:meta=\"urn:trelvo:bench:meta\" "
        "version=\"3\" generated=\"2024-05-17T09:30:00Z\">");

    // The bulk group opens at 40 % of the file and closes at 60 %.
    const std::uint64_t bulkStart = targetBytes * 2 / 5;
    const std::uint64_t bulkEnd = targetBytes * 3 / 5;
    const std::uint64_t end = targetBytes > 64 ? targetBytes - 64 : 0;
    bool bulkDone = false;
    std::uint64_t sections = 0;
    while (written() < end) {
        ++sections;
        Line(1,
            "<section id=\"s" + std::to_string(sections) + "\" title=\""
                + Pick(Vocabulary, WordCount) + "\">");
        if (Below(3) == 0)
            Line(2, "<!-- section " + std::to_string(sections) + " -->");
        const std::uint32_t groupsInSection = 2 + Below(4);
        for (std::uint32_t g = 0; g < groupsInSection && written() < end; ++g) {
            if (!bulkDone && written() >= bulkStart) {
                OpenGroup(2, "archive");
                while (written() < bulkEnd && written() < end) {
                    Record(3);
                    ++bulkRecords;
                    flush(false);
                }
                CloseGroup(2);
                bulkDone = true;
                continue;
            }
            OpenGroup(2, "current");
            const std::uint32_t count = 3 + Below(23);
            for (std::uint32_t r = 0; r < count && written() < end; ++r) {
                Record(3);
                flush(false);
            }
            CloseGroup(2);
        }
        Line(1, "</section>");
    }
    Line(0, "</catalog>");
    flush(true);
    return ok && std::fflush(file.get()) == 0;
}
