#pragma once

#include "DomAttribute.h"
#include "DomNode.h"
#include "DomParseError.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

struct DomDocumentState;

// The program's handle to a DOM document: loads, saves, creates nodes and transforms. Copies of
// the handle share one document. Loading replaces the content; handles to nodes of the old
// content keep those nodes alive.
class DomDocument {
public:
    // A new, empty document.
    static DomDocument Create();

    DomDocument() = default;
    DomDocument(const DomDocument& other);
    DomDocument& operator=(const DomDocument& other);
    ~DomDocument();

    bool isNull() const { return state == nullptr; }

    // Whitespace-only text nodes are kept on load when set; read when a load starts.
    bool preserveWhiteSpace() const;
    void setPreserveWhiteSpace(bool preserve);

    // Replace the content from a file or from text; DomOk on success, a failure otherwise, with
    // parseError() telling why. A failure leaves the document empty.
    DomResult load(const QString& path);
    // The same, telling progress the bytes read and the file's size between the pieces it
    // reads; when progress returns false the load stops: DomCancelled, and the content, the
    // parse error and the setting are as they were.
    DomResult load(const QString& path, const std::function<bool(qint64, qint64)>& progress);
    DomResult loadXML(const QString& text);
    // The same from UTF-8 text, telling progress the bytes parsed and the text's size, and
    // stopping as load does when it returns false.
    DomResult loadXML(const QByteArray& utf8, const std::function<bool(qint64, qint64)>& progress);
    const DomParseError& parseError() const;

    // Writes the markup in the encoding the declaration names, replacing the file atomically.
    // The bytes are parsed once more first: DomUnreadable, and the file untouched, when they
    // would not load again (a document without a root element may lack only that).
    // progress is told the bytes checked with a total of 0, then the bytes written and their
    // total while the file is written; when it returns false the save stops with DomCancelled
    // and the file stays as it was.
    DomResult save(const QString& path, QString* errorText = nullptr,
        const std::function<bool(qint64, qint64)>& progress = {}) const;

    // Parses text as content in context's place (an element or the document node of this
    // document): in its namespace scope, with the document's entities, indentation dropped as on
    // load. nodes: what the text makes, in order, owned by the document and linked nowhere.
    // DomNoValue when it makes nothing; DomFail, with reason (sentences ending with a line
    // break), when it is not well-formed there.
    DomResult parseContent(const DomNode& context, const QString& text, std::vector<DomNode>& nodes,
        QString& reason) const;

    // The document node (type 9).
    DomNode documentNode() const;
    DomElement documentElement() const;
    QString xml() const { return documentNode().xml(); }

    DomElement createElement(const QString& name) const;
    DomAttribute createAttribute(const QString& name) const;
    DomNode createTextNode(const QString& text) const;
    DomNode createComment(const QString& text) const;
    DomNode createCDATASection(const QString& text) const;
    DomNode createProcessingInstruction(const QString& target, const QString& data) const;

    // Applies the style sheet held by styleSheet (XSLT 1.0 with EXSLT); on failure, output
    // holds the error text.
    DomResult transformNode(const DomDocument& styleSheet, QString& output) const;

    // Bookkeeping figures, to check that a change leaves nothing behind: the handles that refer
    // to the current content (this one included) and the subtrees held apart from its tree.
    long handleCount() const;
    long detachedCount() const;

private:
    DomDocumentState* state = nullptr;
};
