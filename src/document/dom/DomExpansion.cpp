#include "DomExpansion.h"

#include <algorithm>
#include <string>

bool DomExpansion::Add(xmlDocPtr doc, xmlEntityPtr entity)
{
    total = std::min(total + Entity(doc, entity, 0), limit + 1);
    return total <= limit;
}

// The length of text with its references replaced, as libxml2 keeps an entity's replacement
// text: character references decoded already, entity references as written.
size_t DomExpansion::Expanded(xmlDocPtr doc, const xmlChar* text, int depth)
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
            const std::string name(reinterpret_cast<const char*>(p + 1), size_t(semicolon - p - 1));
            length += Entity(doc,
                xmlGetDocEntity(doc, reinterpret_cast<const xmlChar*>(name.c_str())), depth + 1);
        }
        p = semicolon + 1;
    }
    return std::min(length, limit + 1);
}

size_t DomExpansion::Entity(xmlDocPtr doc, xmlEntityPtr entity, int depth)
{
    if (!entity)
        return 0;
    if (entity->etype == XML_INTERNAL_PREDEFINED_ENTITY)
        return 1;
    if (entity->etype != XML_INTERNAL_GENERAL_ENTITY)
        return 0; // an external entity is never read
    const auto [it, added] = lengths.try_emplace(entity, 0);
    if (!added)
        return it->second; // measured, or a loop, which libxml2 refuses
    // libxml2 refuses references nested more than 40 deep.
    const size_t length = depth > 64 ? limit + 1 : Expanded(doc, entity->content, depth);
    lengths[entity] = length;
    return length;
}
