#include "DomExpandedCopy.h"

#include "DomNodeUtil.h"

#include <libxml/entities.h>

#include <vector>

namespace {

struct Expander {
    xmlDocPtr original;
    xmlDocPtr copy;
    // References and attributes with references met in the copy, expanded once the element
    // walk is over: expanding earlier would put elements into the copy that the original lacks.
    std::vector<xmlNodePtr> references;
    std::vector<xmlAttrPtr> attributes;

    // Notes the references among element's children and in its attribute values.
    void Scan(xmlNodePtr element)
    {
        for (xmlNodePtr child = element->children; child; child = child->next) {
            if (child->type == XML_ENTITY_REF_NODE)
                references.push_back(child);
        }
        for (xmlAttrPtr attr = element->properties; attr; attr = attr->next) {
            for (xmlNodePtr child = attr->children; child; child = child->next) {
                if (child->type == XML_ENTITY_REF_NODE) {
                    attributes.push_back(attr);
                    break;
                }
            }
        }
    }

    // Walks the elements of both trees side by side: the copy has the same elements in the same
    // places (libxml2's copy merges adjacent text nodes, and elements never).
    void Link(xmlNodePtr from, xmlNodePtr to)
    {
        xmlNodePtr const top = from;
        while (from && to) {
            to->_private = from;
            Scan(to);
            xmlNodePtr fromChild = xmlFirstElementChild(from);
            if (fromChild) {
                from = fromChild;
                to = xmlFirstElementChild(to);
                continue;
            }
            while (from != top && !xmlNextElementSibling(from)) {
                from = from->parent;
                to = to->parent;
            }
            if (from == top)
                return;
            from = xmlNextElementSibling(from);
            to = xmlNextElementSibling(to);
        }
    }

    // libxml2 parses an entity's content apart from the document: a name whose prefix (or
    // default namespace) the content itself does not declare is left in no namespace, with a
    // declaration of its prefix that has no namespace name. Where the content now stands, the
    // prefix means what it means at the reference, as for a reader of the document's text.
    static xmlNsPtr InScope(const xmlNode* node, const xmlChar* prefix)
    {
        for (; node && node->type == XML_ELEMENT_NODE; node = node->parent) {
            for (xmlNsPtr ns = node->nsDef; ns; ns = ns->next) {
                if (ns->href && xmlStrEqual(ns->prefix, prefix))
                    return *ns->href ? ns : nullptr;
            }
        }
        return nullptr;
    }

    static void Rebind(xmlNodePtr element)
    {
        if (!element->ns || !element->ns->href) {
            const xmlChar* prefix = element->ns ? element->ns->prefix : nullptr;
            for (xmlNsPtr ns = element->nsDef; ns && !element->ns; ns = ns->next) {
                if (!ns->href) {
                    prefix = ns->prefix;
                    break;
                }
            }
            element->ns = InScope(element, prefix);
        }
        for (xmlAttrPtr attr = element->properties; attr; attr = attr->next) {
            if (attr->ns && !attr->ns->href)
                attr->ns = InScope(element, attr->ns->prefix);
        }
    }

    // Notes the references in a subtree copied from an entity's content.
    void ScanCopied(xmlNodePtr node)
    {
        if (node->type == XML_ENTITY_REF_NODE)
            references.push_back(node);
        for (xmlNodePtr n = node; n && node->type == XML_ELEMENT_NODE;
             n = DomNodeUtil::NextInSubtree(n, node, true)) {
            if (n->type == XML_ELEMENT_NODE) {
                Rebind(n);
                Scan(n);
            }
        }
    }

    bool ExpandReference(xmlNodePtr reference)
    {
        xmlEntityPtr entity = xmlGetDocEntity(original, reference->name);
        xmlNodePtr content = nullptr;
        if (entity && entity->etype == XML_INTERNAL_GENERAL_ENTITY && entity->children) {
            content = xmlDocCopyNodeList(copy, entity->children);
            if (!content)
                return false;
        }
        while (content) {
            xmlNodePtr next = content->next;
            content->prev = content->next = nullptr;
            DomNodeUtil::LinkBefore(reference->parent, content, reference);
            ScanCopied(content);
            content = next;
        }
        DomNodeUtil::Unlink(reference);
        xmlFreeNode(reference);
        return true;
    }

    // An attribute value with references becomes one text node holding the value they make.
    bool ExpandAttribute(xmlAttrPtr attr)
    {
        xmlChar* value = xmlNodeListGetString(original, attr->children, 1);
        xmlNodePtr text = xmlNewDocText(copy, value ? value : BAD_CAST "");
        xmlFree(value);
        if (!text)
            return false;
        xmlFreeNodeList(attr->children);
        text->parent = reinterpret_cast<xmlNodePtr>(attr);
        attr->children = attr->last = text;
        return true;
    }

    bool ExpandAll()
    {
        while (!references.empty()) {
            xmlNodePtr reference = references.back();
            references.pop_back();
            if (!ExpandReference(reference))
                return false;
        }
        for (xmlAttrPtr attr : attributes) {
            if (!ExpandAttribute(attr))
                return false;
        }
        return true;
    }
};

} // namespace

namespace DomExpandedCopy {

xmlDocPtr Make(xmlDocPtr doc)
{
    xmlDocPtr copy = xmlNewDoc(doc->version);
    if (!copy)
        return nullptr;
    if (doc->URL)
        copy->URL = xmlStrdup(doc->URL);
    Expander expander { doc, copy, {}, {} };
    for (xmlNodePtr child = doc->children; child; child = child->next) {
        if (child->type == XML_DTD_NODE || DomNodeUtil::IsDeclaration(child))
            continue;
        xmlNodePtr childCopy = xmlDocCopyNode(child, copy, 1);
        if (!childCopy) {
            xmlFreeDoc(copy);
            return nullptr;
        }
        DomNodeUtil::LinkBefore(reinterpret_cast<xmlNodePtr>(copy), childCopy, nullptr);
        if (child->type == XML_ELEMENT_NODE)
            expander.Link(child, childCopy);
    }
    if (!expander.ExpandAll()) {
        xmlFreeDoc(copy);
        return nullptr;
    }
    return copy;
}

xmlNodePtr Original(const xmlNode* node)
{
    for (; node; node = node->parent) {
        if (node->type == XML_ELEMENT_NODE && node->_private)
            return static_cast<xmlNodePtr>(node->_private);
    }
    return nullptr;
}

} // namespace DomExpandedCopy
