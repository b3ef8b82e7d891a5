#pragma once

#include "DomNode.h"
#include "DomTypes.h"

#include <QString>

#include <vector>

class DomDocument;

// Validation of a document, as it stands in memory, against an XML Schema (libxml2's XSD 1.0).
class DomSchema {
public:
    // One place where the document breaks the schema.
    struct Error {
        // The element the error is about; for an element or text that an entity reference
        // stands for, the element holding the reference. Null when libxml2 names no node.
        DomNode node;
        // The element's line in what the document was loaded from; 0 for one made since.
        long line = 0;
        // libxml2's sentence, without a trailing line break.
        QString reason;
    };

    struct Result {
        // DomOk: valid. DomFail: invalid, with errors. DomInvalidArgument: the schema could not
        // be used (unreadable, not a schema, or it needs the network or an external entity),
        // or the document has no root element; schemaError says why.
        DomResult status = DomInvalidArgument;
        QString schemaError;
        // The first errors, in the order libxml2 found them (document order).
        std::vector<Error> errors;
        // All errors found, also those not kept.
        long errorCount = 0;
    };

    // Reads the schema at schemaPath and validates document against it, keeping at most
    // maxErrors errors. Schema files are read from local files only: an import, include or
    // redefine of a network address, and any external entity in a schema file, make the schema
    // unusable. The document is not changed: no default attribute of the schema is added to it.
    static Result Validate(const DomDocument& document, const QString& schemaPath, int maxErrors);
};
