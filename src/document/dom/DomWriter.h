#pragma once

// Internal to the DOM layer: the serialiser behind xml() and save().

#include <libxml/tree.h>

#include <QString>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace DomWriter {

// Tells whether the target encoding can represent a character (a Unicode code point).
using CanEncode = std::function<bool(char32_t)>;

// The contexts of escaping: text, attribute values, and markup copied as it is (names,
// comments, instructions, CDATA), where only line feeds change.
enum Context { TextContext, AttributeContext, RawContext };

// Appends markup as UTF-8 to a string; the pieces are public for the source formatter, which
// lays out elements itself and writes every leaf the same way.
class Writer {
public:
    Writer(std::string& out, CanEncode canEncode)
        : out(out)
        , canEncode(std::move(canEncode))
    {
    }

    bool failed = false;
    // What a line feed in text, comments, CDATA sections and instructions is written as.
    const char* lineBreak = "\r\n";
    // Declarations written on the start tag of the element Node() is called for, before its
    // attributes: where a parser reading the text back lists declarations it cannot place.
    std::vector<xmlNsPtr> rootDeclarations;

    void Node(xmlNodePtr node, xmlNsPtr ns);
    void Escaped(const xmlChar* text, Context context);
    void Name(const xmlChar* prefix, const xmlChar* local);
    // "<name" and the attributes in the attribute map's order.
    void StartTag(xmlNodePtr element);
    void Attribute(xmlAttrPtr attr);
    void Declaration(xmlNsPtr ns);
    // Any node but an element or the document.
    void Leaf(xmlNodePtr node);

private:
    void Element(xmlNodePtr root);
    void CData(const xmlChar* text);

    std::string& out;
    CanEncode canEncode;
    const xmlNode* declaringRoot = nullptr;
};

QString Xml(xmlNodePtr node, xmlNsPtr ns);

// Appends the markup of node as UTF-8. Characters canEncode rejects become character references
// in text and attribute values; anywhere else they make the call return false.
bool Write(std::string& out, xmlNodePtr node, const CanEncode& canEncode = {});

} // namespace DomWriter
