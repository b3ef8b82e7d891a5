#include "DomExpansion.h"

#include "DomNodeUtil.h"

#include <libxml/entities.h>

#include <algorithm>
#include <string>
#include <unordered_map>

namespace DomExpansion {

namespace {

    // Expanded lengths, each entity measured once, every count stopping just past the limit.
    class Counter {
    public:
        Counter(xmlDocPtr doc, size_t limit)
            : doc(doc)
            , limit(limit)
        {
        }

        // The length of text with its references replaced, as libxml2 keeps an entity's
        // replacement text or a namespace value: character references already decoded,
        // entity references as written.
        size_t Expanded(const xmlChar* text, int depth)
        {
            size_t length = 0;
            for (const xmlChar* p = text; p && *p && length <= limit;) {
                const xmlChar* semicolon = *p == '&' ? xmlStrchr(p, ';') : nullptr;
                if (!semicolon) {
                    ++length;
                    ++p;
                    continue;
                }
                if (p[1] == '#') {
                    length += 4; // at most four bytes of UTF-8
                } else {
                    const std::string name(
                        reinterpret_cast<const char*>(p + 1), size_t(semicolon - p - 1));
                    length += Entity(
                        xmlGetDocEntity(doc, reinterpret_cast<const xmlChar*>(name.c_str())),
                        depth + 1);
                }
                p = semicolon + 1;
            }
            return std::min(length, limit + 1);
        }

        size_t Entity(xmlEntityPtr entity, int depth)
        {
            if (!entity)
                return 0;
            if (entity->etype == XML_INTERNAL_PREDEFINED_ENTITY)
                return 1;
            if (entity->etype != XML_INTERNAL_GENERAL_ENTITY)
                return 0; // an external entity is never read
            auto [it, added] = lengths.try_emplace(entity, 0);
            if (!added)
                return it->second; // measured, or a loop libxml2 has refused already
            // libxml2 refuses references nested more than 40 deep.
            const size_t length = depth > 64 ? limit + 1 : Expanded(entity->content, depth);
            lengths[entity] = length;
            return length;
        }

        // False once the total passes the limit.
        bool Add(size_t length)
        {
            total = std::min(total + length, limit + 1);
            return total <= limit;
        }

        bool Element(xmlNodePtr element)
        {
            for (xmlAttrPtr attr = element->properties; attr; attr = attr->next) {
                for (xmlNodePtr child = attr->children; child; child = child->next) {
                    if (child->type == XML_ENTITY_REF_NODE
                        && !Add(Entity(xmlGetDocEntity(doc, child->name), 0)))
                        return false;
                }
            }
            for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
                if (xmlStrchr(ns->href, '&') && !Add(Expanded(ns->href, 0)))
                    return false;
            }
            return true;
        }

    private:
        xmlDocPtr doc;
        size_t limit;
        size_t total = 0;
        std::unordered_map<const xmlEntity*, size_t> lengths;
    };

} // namespace

xmlNodePtr FirstBeyond(xmlDocPtr doc, size_t limit)
{
    Counter counter(doc, limit);
    // The document type comes first, and through its entity declarations the elements of their
    // replacement content, each once however often it is referenced.
    auto* top = reinterpret_cast<xmlNodePtr>(doc);
    for (xmlNodePtr node = top; node;) {
        if (node->type == XML_ELEMENT_NODE && !counter.Element(node))
            return node;
        // An entity reference's children field points at the entity, not at nodes of its own.
        node = DomNodeUtil::NextInSubtree(node, top, node->type != XML_ENTITY_REF_NODE);
    }
    return nullptr;
}

int LineOf(xmlDocPtr doc, xmlNodePtr element)
{
    auto* top = reinterpret_cast<xmlNodePtr>(doc);
    // Entities nest no deeper than libxml2 allows (40), and never in a loop.
    for (int depth = 0; element && depth < 64; ++depth) {
        const long line = xmlGetLineNo(element);
        if (line > 0)
            return int(line);
        xmlNodePtr entity = element->parent;
        while (entity && entity->type != XML_ENTITY_DECL)
            entity = entity->parent;
        if (!entity)
            return 0;
        xmlNodePtr reference = top;
        while (reference
            && !(reference->type == XML_ENTITY_REF_NODE
                && xmlStrEqual(reference->name, entity->name)))
            reference = DomNodeUtil::NextInSubtree(
                reference, top, reference->type != XML_ENTITY_REF_NODE);
        element = reference ? reference->parent : nullptr;
    }
    return 0;
}

} // namespace DomExpansion
