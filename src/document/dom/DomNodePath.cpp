// DomNode::path: the XPath location path of a node, for messages that point at a node and for
// finding it again.

#include "DomNode.h"

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

// The step of a node within its parent; empty for a node XPath does not see.
QString Step(const xmlNode* node)
{
    QString test;
    switch (node->type) {
    case XML_ELEMENT_NODE:
        test = DomNodeUtil::QualifiedName(node->ns ? node->ns->prefix : nullptr, node->name);
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

QString DomNode::path() const
{
    if (!node || DomNodeUtil::InsideEntity(node))
        return QString();
    QStringList steps;
    const xmlNode* at = node;
    if (ns) {
        steps << QLatin1Char('@') + nodeName();
    } else if (node->type == XML_ATTRIBUTE_NODE) {
        steps << QLatin1Char('@') + nodeName();
        at = node->parent;
    }
    for (; at && at->type != XML_DOCUMENT_NODE; at = at->parent) {
        const QString step = at->parent ? Step(at) : QString();
        if (step.isEmpty())
            return QString();
        steps.prepend(step);
    }
    if (!at)
        return QString();
    return QLatin1Char('/') + steps.join(QLatin1Char('/'));
}
