#pragma once

// Internal to the DOM layer: the serialiser behind xml() and save().

#include <libxml/tree.h>

#include <QString>

#include <functional>
#include <string>

namespace DomWriter {

// Tells whether the target encoding can represent a character (a Unicode code point).
using CanEncode = std::function<bool(char32_t)>;

QString Xml(xmlNodePtr node, xmlNsPtr ns);

// Appends the markup of node as UTF-8. Characters canEncode rejects become character references
// in text and attribute values; anywhere else they make the call return false.
bool Write(std::string& out, xmlNodePtr node, const CanEncode& canEncode = {});

} // namespace DomWriter
