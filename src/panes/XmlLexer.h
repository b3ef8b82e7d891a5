#pragma once

#include <QStringView>
#include <QtGlobal>

#include <vector>

// Splits one line of XML text into the spans a source view colours, starting from the state the
// previous line ended in. Plain character data gets no span. It reads what well-formed XML
// allows and never fails: odd text is taken as plain text or as the construct it is in.
class XmlLexer {
public:
    // Where a line starts: in character data, inside a tag, inside an attribute value (with its
    // quote), a comment, a CDATA section, a processing instruction or a document type. Inside a
    // document type, its internal subset, a declaration in it and their quoted literals are told
    // apart because each ends differently.
    enum class State : quint8 {
        Text,
        Tag,
        ValueDouble,
        ValueSingle,
        Comment,
        CData,
        Pi,
        Doctype,
        DoctypeDouble,
        DoctypeSingle,
        Subset,
        SubsetComment,
        SubsetPi,
        Decl,
        DeclDouble,
        DeclSingle,
    };

    enum class Kind : quint8 {
        Markup, // the brackets, slashes, equals signs and spaces of a tag
        ElementName,
        AttributeName,
        AttributeValue, // with its quotes
        Comment,
        CData,
        ProcessingInstruction,
        Reference, // entity and character references
        Doctype,
    };
    static constexpr int KindCount = 9;

    struct Span {
        qsizetype start;
        qsizetype length;
        Kind kind;
        bool operator==(const Span&) const = default;
    };

    // Appends the spans of line to spans (if not null), neighbours of one kind merged, and
    // returns the state at the end of the line.
    static State Lex(QStringView line, State state, std::vector<Span>* spans);
};
