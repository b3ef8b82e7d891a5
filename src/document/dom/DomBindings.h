#pragma once

#include <QString>

#include <vector>

class DomDocument;

// Prefixes bound to namespace URIs for XPath expressions and the paths written for them: made
// from every namespace declaration of a document, or as the user changed them.
class DomBindings {
public:
    struct Binding {
        QString prefix;
        QString uri;
        bool operator==(const Binding&) const = default;
    };

    DomBindings() = default;
    explicit DomBindings(std::vector<Binding> list)
        : list(std::move(list))
    {
    }

    // Each prefix declared in the document bound to its namespace; a prefix declared with a
    // second or third namespace becomes p2, p3 for it. A default namespace takes a prefix
    // already bound to the same namespace, else d, d2, ... No name is taken twice or taken from
    // a prefix the document declares. Prefixes in the order of their first declarations, then
    // the default namespaces.
    static DomBindings ForDocument(const DomDocument& document);

    const std::vector<Binding>& List() const { return list; }
    bool operator==(const DomBindings&) const = default;

    // The prefix bound to uri: written when it is bound to that uri, else the first bound to it;
    // empty when none is.
    QString PrefixFor(const QString& uri, const QString& written) const;

private:
    std::vector<Binding> list;
};
