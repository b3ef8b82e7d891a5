#include "DomBindings.h"

#include "DomDocument.h"
#include "DomNodeUtil.h"
#include "DomStore.h"

#include <algorithm>
#include <set>
#include <utility>

namespace {

// The first free name of base, base2, base3, ...
QString FreeName(const QString& base, const std::set<QString>& taken)
{
    if (!taken.count(base))
        return base;
    for (int number = 2;; ++number) {
        const QString name = base + QString::number(number);
        if (!taken.count(name))
            return name;
    }
}

} // namespace

DomBindings DomBindings::ForDocument(const DomDocument& document)
{
    const DomNode top = document.documentNode();
    const xmlNodePtr root = DomAccess::Node(top);
    if (!root)
        return DomBindings();
    // Every declaration in document order: (prefix, uri), the prefix empty for a default
    // namespace. "xml" is bound in every expression already, and xmlns="" binds nothing.
    std::vector<Binding> declared;
    std::set<std::pair<QString, QString>> seen;
    std::set<QString> taken;
    // Documents that repeat one declaration on many elements skip the conversions.
    const xmlNs* last = nullptr;
    for (xmlNodePtr node = root->children; node;) {
        if (node->type == XML_ELEMENT_NODE) {
            for (const xmlNs* ns = node->nsDef; ns; ns = ns->next) {
                if (last && xmlStrEqual(ns->prefix, last->prefix)
                    && xmlStrEqual(ns->href, last->href))
                    continue;
                last = ns;
                const QString prefix = DomStore::ToQString(ns->prefix);
                const QString uri = DomStore::ToQString(ns->href);
                if (uri.isEmpty() || prefix == QLatin1String("xml")
                    || !seen.insert({ prefix, uri }).second)
                    continue;
                declared.push_back({ prefix, uri });
                if (!prefix.isEmpty())
                    taken.insert(prefix);
            }
        }
        node = DomNodeUtil::NextInSubtree(node, root, node->type == XML_ELEMENT_NODE);
    }

    std::vector<Binding> list;
    const auto name = [&](const QString& base) {
        const QString made = FreeName(base, taken);
        taken.insert(made);
        return made;
    };
    // Prefixed declarations first, so that a default namespace finds the prefix a later
    // declaration gives its namespace.
    std::set<QString> named;
    for (const Binding& declaration : declared) {
        if (declaration.prefix.isEmpty())
            continue;
        // The first namespace of a prefix keeps it; the document declared it, so it is taken.
        const QString made = named.insert(declaration.prefix).second ? declaration.prefix
                                                                     : name(declaration.prefix);
        list.push_back({ made, declaration.uri });
    }
    for (const Binding& declaration : declared) {
        const auto sameUri
            = [&declaration](const Binding& binding) { return binding.uri == declaration.uri; };
        if (!declaration.prefix.isEmpty() || std::any_of(list.begin(), list.end(), sameUri))
            continue;
        list.push_back({ name(QStringLiteral("d")), declaration.uri });
    }
    return DomBindings(std::move(list));
}

QString DomBindings::PrefixFor(const QString& uri, const QString& written) const
{
    const Binding* first = nullptr;
    for (const Binding& binding : list) {
        if (binding.uri != uri)
            continue;
        if (binding.prefix == written)
            return written;
        if (!first)
            first = &binding;
    }
    return first ? first->prefix : QString();
}
