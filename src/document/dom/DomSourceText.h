#pragma once

// Internal to the DOM layer: the source text of a document as its author wrote it, for what
// libxml2 does not keep (the document type's internal subset) and for the line an error quotes.

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

namespace DomSourceText {

// Converts bytes in the named encoding (an encoding name libxml2 knows; empty for UTF-8) to UTF-8,
// leaving out a byte-order mark at the start. An incomplete character at the end is dropped;
// false when the encoding is unknown or the bytes are not valid in it.
bool ToUtf8(const QByteArray& encoding, std::string_view bytes, std::string& utf8);

// The document type declaration of a prolog in UTF-8, from "<!DOCTYPE" to its closing ">", with
// its line breaks as line feeds; empty when the prolog has none or it is not complete.
std::string DocumentType(std::string_view prolog);

// Line `line` (1-based) of a file in the named encoding, without its line break.
bool ReadLine(const QString& path, int line, const QByteArray& encoding, QString& result);

} // namespace DomSourceText
