// DomNode::path: the XPath location path of a node, for messages that point at a node and for
// finding it again.

#include "DomNode.h"

#include "DomBindings.h"

#include "DomNodeUtil.h"
#include "DomStore.h"

#include <QStringList>

namespace {

const xmlChar* Href(const xmlNode* node) { return node->ns ? node->ns->href : nullptr; }

// Whether the step written for a would select b as well: XPath compares an element's namespace
// and local name, whatever prefix either is written with.
bool SameTest(const xmlNode* a, const xmlNode* b)
{
    if (a->type != b->type) {
        const auto isText = [](const xmlNode* n) {
            return n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE;
        };
        return isText(a) && isText(b);
    }
    switch (a->type) {
    case XML_ELEMENT_NODE:
        return xmlStrEqual(a->name, b->name) && xmlStrEqual(Href(a), Href(b));
    case XML_PI_NODE:
        return xmlStrEqual(a->name, b->name);
    default:
        return true;
    }
}

// A literal for uri, in whichever quotes it does not hold.
QString Literal(const QString& text)
{
    const QChar quote = text.contains(QLatin1Char('\'')) ? QLatin1Char('"') : QLatin1Char('\'');
    return quote + text + quote;
}

// The name test of an element or attribute. Without bindings the name as written; with them a
// namespaced name takes the prefix bound to its namespace, or, with none bound, a test of the
// local name and namespace that needs no prefix.
QString NameTest(const xmlNs* ns, const xmlChar* local, const DomBindings* bindings)
{
    // "xml" is bound in every expression.
    if (!bindings || !ns || !ns->href || !*ns->href || xmlStrEqual(ns->prefix, BAD_CAST "xml"))
        return DomNodeUtil::QualifiedName(ns ? ns->prefix : nullptr, local);
    const QString uri = DomStore::ToQString(ns->href);
    const QString name = DomStore::ToQString(local);
    const QString prefix = bindings->PrefixFor(uri, DomStore::ToQString(ns->prefix));
    if (!prefix.isEmpty())
        return prefix + QLatin1Char(':') + name;
    return QStringLiteral("*[local-name()=%1 and namespace-uri()=%2]")
        .arg(Literal(name), Literal(uri));
}

// The step of a node within its parent; empty for a node XPath does not see.
QString Step(const xmlNode* node, const DomBindings* bindings)
{
    QString test;
    switch (node->type) {
    case XML_ELEMENT_NODE:
        test = NameTest(node->ns, node->name, bindings);
        break;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
        test = QStringLiteral("text()");
        break;
    case XML_COMMENT_NODE:
        test = QStringLiteral("comment()");
        break;
    case XML_PI_NODE:
        test = QStringLiteral("processing-instruction('%1')").arg(DomStore::ToQString(node->name));
        break;
    default:
        return QString();
    }
    int position = 1;
    for (const xmlNode* sibling = node->prev; sibling; sibling = sibling->prev)
        position += SameTest(node, sibling) ? 1 : 0;
    bool shared = position > 1;
    for (const xmlNode* sibling = node->next; sibling && !shared; sibling = sibling->next)
        shared = SameTest(node, sibling);
    return shared ? QStringLiteral("%1[%2]").arg(test).arg(position) : test;
}

} // namespace

QString DomNode::namespaceURI() const
{
    if (ns)
        return QStringLiteral("http://www.w3.org/2000/xmlns/");
    if (!node || (node->type != XML_ELEMENT_NODE && node->type != XML_ATTRIBUTE_NODE))
        return QString();
    return DomStore::ToQString(Href(node));
}

QString DomNode::path(const DomBindings* bindings) const
{
    if (!node || DomNodeUtil::InsideEntity(node) || DomNodeUtil::IsDeclaration(node))
        return QString();
    QStringList steps;
    const xmlNode* at = node;
    if (ns) {
        // A declaration is no attribute to XPath but a node of the namespace axis; xmlns=""
        // declares nothing there.
        if (!ns->href || !*ns->href)
            return QString();
        steps << (ns->prefix ? QStringLiteral("namespace::") + DomStore::ToQString(ns->prefix)
                             : QStringLiteral("namespace::*[not(name())]"));
    } else if (node->type == XML_ATTRIBUTE_NODE) {
        steps << QLatin1Char('@') + NameTest(node->ns, node->name, bindings);
        at = node->parent;
    }
    for (; at && at->type != XML_DOCUMENT_NODE; at = at->parent) {
        const QString step = at->parent ? Step(at, bindings) : QString();
        if (step.isEmpty())
            return QString();
        steps.prepend(step);
    }
    if (!at)
        return QString();
    return QLatin1Char('/') + steps.join(QLatin1Char('/'));
}
