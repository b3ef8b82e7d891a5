#pragma once

#include <cstdint>
#include <string>

// Writes a deterministic XML document of about a given size in the shape of real data: a
// declaration, a style-sheet instruction, a small internal subset with entities, comments,
// attributes, mixed content with references, tab indentation with CR LF line breaks, non-ASCII
// text, and one parent that holds a fifth of all records.
class TestDocumentGenerator {
public:
    explicit TestDocumentGenerator(std::uint64_t seed = 0x7472656c766fULL);

    // Writes the document to path; false when the file cannot be written.
    bool Write(const std::string& path, std::uint64_t targetBytes);

    std::uint64_t recordCount() const { return records; }
    std::uint64_t bulkRecordCount() const { return bulkRecords; }

private:
    std::uint64_t Next();
    std::uint32_t Below(std::uint32_t bound) { return static_cast<std::uint32_t>(Next() % bound); }
    const char* Pick(const char* const* words, std::uint32_t count) { return words[Below(count)]; }

    void Line(int depth, const std::string& text);
    void AppendWords(int count);
    void MixedText();
    void Record(int depth);
    void OpenGroup(int depth, const char* kind);
    void CloseGroup(int depth);

    std::uint64_t state;
    std::string out;
    std::uint64_t records = 0;
    std::uint64_t bulkRecords = 0;
    std::uint64_t groups = 0;
};
