#pragma once

#include <QStringList>

class DomDocument;

// What a load, save and load must keep, as comparable lines: the structure of a document with
// what a reload legitimately changes taken out, and the string values of the elements with text.
class DomOutline {
public:
    // One line per node: kind, name, value (the whole text for the document type), attributes
    // in map order; element and entity-reference children between braces. Adjacent text nodes
    // and adjacent CDATA sections are merged; whitespace-only text holding a line break among
    // element-only content is dropped.
    static QStringList Structure(const DomDocument& document);
    // For every element in document order: the string value of those with text, CDATA or
    // entity-reference children (as loaded by the program), a null string for the others.
    static QStringList MixedStringValues(const DomDocument& document);
    // The string values of the elements of a document in document order, for the elements that
    // "mixed" marks with a non-null entry.
    static QStringList StringValuesAt(const DomDocument& document, const QStringList& mixed);
};
