#pragma once

// Internal to the DOM layer: parsing into a libxml2 document with the layer's rules for
// whitespace, the XML declaration, limits and errors.

#include "DomParseError.h"

#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <QByteArray>
#include <QString>

#include <functional>
#include <string>

namespace DomLoader {

// Told the bytes read so far and the file's size between the pieces a load reads; false stops
// the load, which then returns null with cancelled set.
using ProgressFunction = std::function<bool(qint64 done, qint64 total)>;

// A new document, or null with error filled in. documentType receives the document type
// declaration as the source wrote it (UTF-8, line feeds), or nothing when there is none.
// A cancelled load fills in no error; the part already built is freed on another thread.
xmlDocPtr LoadFile(const QString& path, bool preserveWhiteSpace, DomParseError& error,
    std::string& documentType, const ProgressFunction& progress = {}, bool* cancelled = nullptr);
xmlDocPtr LoadText(
    const QString& text, bool preserveWhiteSpace, DomParseError& error, std::string& documentType);
// The same from UTF-8 text, with progress told the bytes parsed and the text's size.
xmlDocPtr LoadText(const QByteArray& utf8, bool preserveWhiteSpace, DomParseError& error,
    std::string& documentType, const ProgressFunction& progress = {}, bool* cancelled = nullptr);

// Fatal errors, namespace errors, exhausted memory and every error of decoding or reading fail
// a load; other errors (a reference to an entity only an unread external DTD declares) do not.
bool FailsLoad(const xmlError* error);

// Checks the data of an "xml" instruction: a version, then optionally an encoding this build
// can write and a standalone of yes or no.
bool IsValidDeclaration(const QString& data);
// The encoding the declaration data names, or an empty string.
QString DeclaredEncoding(const QString& data);

} // namespace DomLoader
