#pragma once

// Internal to the DOM layer: parsing into a libxml2 document with the layer's rules for
// whitespace, the XML declaration, limits and errors.

#include "DomParseError.h"

#include <libxml/tree.h>

#include <QString>

namespace DomLoader {

// A new document, or null with error filled in.
xmlDocPtr LoadFile(const QString& path, bool preserveWhiteSpace, DomParseError& error);
xmlDocPtr LoadText(const QString& text, bool preserveWhiteSpace, DomParseError& error);

// Checks the data of an "xml" instruction: a version, then optionally an encoding this build
// can write and a standalone of yes or no.
bool IsValidDeclaration(const QString& data);
// The encoding the declaration data names, or an empty string.
QString DeclaredEncoding(const QString& data);

} // namespace DomLoader
