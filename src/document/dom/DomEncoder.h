#pragma once

// Internal to the DOM layer: the conversion of written markup into the declared encoding.

#include <libxml/encoding.h>

#include <QByteArray>
#include <QString>

#include <array>
#include <string>
#include <unordered_map>

// Converts UTF-8 into the bytes of an encoding that libxml2 can both read and write, every
// conversion starting from the converter's initial state.
class DomEncoder {
public:
    explicit DomEncoder(const QString& name);
    ~DomEncoder();
    DomEncoder(const DomEncoder&) = delete;
    DomEncoder& operator=(const DomEncoder&) = delete;

    // False for an unknown encoding and for one libxml2 can only write (its "HTML").
    bool IsUsable() const;
    static bool IsUsable(const QString& name);

    // True when the character, written on its own, reads back as itself.
    bool CanEncode(char32_t code);
    // False when some character has no representation.
    bool Encode(const std::string& utf8, QByteArray& bytes);

private:
    bool Convert(bool toBytes, const char* in, size_t size, std::string& out) const;
    bool IsIcu() const;
    bool ConvertWithFreshHandler(bool toBytes, const char* in, size_t size, std::string& out) const;

    std::string name;
    xmlCharEncodingHandlerPtr handler = nullptr;
    std::unordered_map<char32_t, bool> known;
    // ASCII characters the decoder reads as themselves, for an encoder that spells some of them
    // otherwise; then the markup is converted in runs between them.
    std::array<bool, 128> direct {};
    bool inRuns = false;
};
