#pragma once

#include "DomBindings.h"
#include "DomNode.h"
#include "DomTypes.h"

#include <QString>

#include <vector>

// XPath 1.0 over a document as it is held in memory, by libxml2: the document's XML
// declaration node is not seen, prefixes come from the bindings, and an expression that would
// run too long is stopped.
class DomXPath {
public:
    // libxml2 counts an operation for each step of the compiled expression it runs and for each
    // node an axis visits. Measured on the 50 MB benchmark document (3.3 million nodes):
    // //*[@id] takes 11.5 million (0.9 s), //*[contains(., 'x')] 15.4 million; //*[count(//*) >
    // 0] reaches 30 million after 2.7 s (9 s on a two-core machine busy with builds) and is
    // stopped there.
    // That is the least limit; a larger document gets OperationsPerElement per element.
    static constexpr unsigned long OperationLimit = 30000000;
    static constexpr unsigned long OperationsPerElement = 12;
    // Nodes a result keeps; the count still tells how many the expression selected.
    static constexpr long DefaultMaxNodes = 100000;

    enum class Kind { Nodes, Boolean, Number, String };

    struct Result {
        // DomOk, or a failure with error telling why.
        DomResult status = DomFail;
        Kind kind = Kind::Nodes;
        // The first maxNodes nodes of a node set in document order. A namespace node is the
        // declaration attribute it comes from, or its element when no attribute declares it.
        std::vector<DomNode> nodes;
        // How many nodes the set holds.
        long count = 0;
        // A boolean, number or string result as XPath's string() gives it.
        QString value;
        QString error;
        // The operation limit stopped it.
        bool stopped = false;
    };

    // Evaluates expression with context as the context node (the document node when context is
    // null or the declaration node).
    static Result Evaluate(const DomNode& context, const QString& expression,
        const DomBindings& bindings, long maxNodes = DefaultMaxNodes);
};
