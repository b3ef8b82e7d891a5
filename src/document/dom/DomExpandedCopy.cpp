#include "DomExpandedCopy.h"

#include <libxml/entities.h>
#include <libxml/parserInternals.h>

#include <vector>

namespace {

bool IsDeclaration(const xmlNode* node)
{
    return node->type == XML_PI_NODE && xmlStrEqual(node->name, BAD_CAST "xml");
}

// The declaration in scope at element that binds ns's prefix to ns's name, or a new one on
// element: entity content keeps the bindings of the place it was first read at.
xmlNsPtr Resolve(xmlNodePtr element, const xmlNs* ns)
{
    if (!ns)
        return nullptr;
    xmlNsPtr found = xmlSearchNs(element->doc, element, ns->prefix);
    if (found && xmlStrEqual(found->href, ns->href))
        return found;
    xmlNsPtr made = xmlNewNs(element, ns->href, ns->prefix);
    return made ? made : found;
}

// Appends text to parent, merged into a text node it ends with, as a parser that expands
// entities builds it.
bool AppendText(xmlNodePtr parent, const xmlChar* text)
{
    if (!text || !*text)
        return true;
    xmlNodePtr last = parent->last;
    if (last && last->type == XML_TEXT_NODE && last->name == xmlStringText)
        return xmlTextConcat(last, text, xmlStrlen(text)) == 0;
    xmlNodePtr made = xmlNewDocText(parent->doc, text);
    return made && xmlAddChild(parent, made);
}

bool AppendLeaf(xmlNodePtr parent, xmlNodePtr made)
{
    if (made && xmlAddChild(parent, made))
        return true;
    xmlFreeNode(made);
    return false;
}

// The attribute value with its references replaced.
bool CopyAttribute(xmlNodePtr element, xmlAttrPtr attr)
{
    xmlNodePtr child = attr->children;
    const bool plain = !child || (!child->next && child->type == XML_TEXT_NODE);
    xmlChar* expanded = plain ? nullptr : xmlNodeListGetString(attr->doc, child, 1);
    const xmlChar* value = plain ? (child ? child->content : nullptr) : expanded;
    const xmlAttrPtr made = xmlNewNsProp(
        element, Resolve(element, attr->ns), attr->name, value ? value : BAD_CAST "");
    xmlFree(expanded);
    return made != nullptr;
}

xmlNodePtr CopyElement(xmlNodePtr node, xmlNodePtr parent)
{
    xmlNodePtr made = xmlNewDocNode(parent->doc, nullptr, node->name, nullptr);
    if (!made)
        return nullptr;
    made->line = node->line;
    // Linked first, so that the declarations in scope are found.
    xmlAddChild(parent, made);
    if (node->nsDef && !(made->nsDef = xmlCopyNamespaceList(node->nsDef)))
        return nullptr;
    made->ns = Resolve(made, node->ns);
    for (xmlAttrPtr attr = node->properties; attr; attr = attr->next) {
        if (!CopyAttribute(made, attr))
            return nullptr;
    }
    return made;
}

xmlEntityPtr EntityOf(xmlNodePtr reference)
{
    auto* entity = reinterpret_cast<xmlEntityPtr>(reference->children);
    if (entity && entity->type == XML_ENTITY_DECL)
        return entity;
    return xmlGetDocEntity(reference->doc, reference->name);
}

// Copies the siblings from first on, and everything below them, to the end of into. The walk
// keeps its own stack: documents may be nested thousands deep.
bool CopySiblings(xmlNodePtr first, xmlNodePtr into)
{
    struct Level {
        xmlNodePtr next; // the next node to copy at this level
        xmlNodePtr into; // where its copy goes
    };
    std::vector<Level> stack { { first, into } };
    xmlDocPtr doc = into->doc;
    while (!stack.empty()) {
        xmlNodePtr node = stack.back().next;
        xmlNodePtr parent = stack.back().into;
        if (!node) {
            stack.pop_back();
            continue;
        }
        stack.back().next = node->next;
        bool ok = true;
        switch (node->type) {
        case XML_ELEMENT_NODE: {
            xmlNodePtr made = CopyElement(node, parent);
            ok = made != nullptr;
            if (ok && node->children)
                stack.push_back({ node->children, made });
            break;
        }
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            ok = AppendText(parent, node->content);
            break;
        case XML_ENTITY_REF_NODE: {
            xmlEntityPtr entity = EntityOf(node);
            if (!entity || entity->etype == XML_INTERNAL_PREDEFINED_ENTITY) {
                ok = !entity || AppendText(parent, entity->content);
            } else if (entity->etype == XML_INTERNAL_GENERAL_ENTITY) {
                // The parser reads an entity's content into nodes at its first reference.
                if (entity->children)
                    stack.push_back({ entity->children, parent });
                else if (!xmlStrchr(entity->content, '<') && !xmlStrchr(entity->content, '&'))
                    ok = AppendText(parent, entity->content);
            }
            break;
        }
        case XML_COMMENT_NODE:
            ok = AppendLeaf(parent, xmlNewDocComment(doc, node->content));
            break;
        case XML_PI_NODE:
            if (!IsDeclaration(node))
                ok = AppendLeaf(parent, xmlNewDocPI(doc, node->name, node->content));
            break;
        case XML_DTD_NODE: {
            xmlDtdPtr dtd = xmlCopyDtd(reinterpret_cast<xmlDtdPtr>(node));
            ok = dtd != nullptr;
            if (ok) {
                xmlSetTreeDoc(reinterpret_cast<xmlNodePtr>(dtd), doc);
                doc->intSubset = dtd;
                // Before the elements, whose ID attributes it declares.
                xmlAddChild(parent, reinterpret_cast<xmlNodePtr>(dtd));
            }
            break;
        }
        default:
            break;
        }
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

xmlDocPtr DomExpandedCopy(xmlDocPtr doc, xmlDictPtr dict)
{
    xmlDocPtr copy = xmlCopyDoc(doc, 0); // the document's own properties: address, version
    if (!copy)
        return nullptr;
    copy->_private = nullptr;
    if (dict) {
        copy->dict = dict;
        xmlDictReference(dict);
    }
    if (doc->children && !CopySiblings(doc->children, reinterpret_cast<xmlNodePtr>(copy))) {
        xmlFreeDoc(copy);
        return nullptr;
    }
    return copy;
}
