#pragma once

#include "DomNode.h"

#include <QString>
#include <QStringView>

// Reads the texts of nodes into the caller's buffers, for walks over many nodes such as the
// tree's search: once the buffers have grown, no handle and no string is made per node. The
// texts are those that nodeName, nodeValue and the attribute map give.
class DomTextReader {
public:
    // Appends the node's nodeName to out.
    static void AppendName(const DomNode& node, QString& out);
    // Appends the node's nodeValue to out; nothing for the types without a value.
    static void AppendValue(const DomNode& node, QString& out);

    // Calls visit(name, value) for each attribute in map order until it returns false, and
    // returns false when it did. The views point into scratch and last until the next call.
    // Nodes other than elements have no attributes.
    template <class Visit>
    static bool ForEachAttribute(const DomNode& element, QString& scratch, Visit&& visit)
    {
        return ForEachAttribute(
            element, scratch,
            [](void* context, QStringView name, QStringView value) {
                return (*static_cast<std::remove_reference_t<Visit>*>(context))(name, value);
            },
            &visit);
    }
    // Calls visit(text) for each text and CDATA child of the node, in order, until it returns
    // false, and returns false when it did. The view points into scratch.
    template <class Visit>
    static bool ForEachTextChild(const DomNode& node, QString& scratch, Visit&& visit)
    {
        return ForEachTextChild(
            node, scratch,
            [](void* context, QStringView text) {
                return (*static_cast<std::remove_reference_t<Visit>*>(context))(text);
            },
            &visit);
    }

private:
    using AttributeCall = bool (*)(void* context, QStringView name, QStringView value);
    using TextCall = bool (*)(void* context, QStringView text);
    static bool ForEachAttribute(
        const DomNode& element, QString& scratch, AttributeCall call, void* context);
    static bool ForEachTextChild(
        const DomNode& node, QString& scratch, TextCall call, void* context);
};
