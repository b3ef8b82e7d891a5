#pragma once

// Internal to the DOM layer: adds up the text that references to internal entities stand for,
// each entity measured once (its replacement text with the references in it expanded), every
// count stopping just past a limit.

#include <libxml/entities.h>

#include <cstddef>
#include <unordered_map>

class DomExpansion {
public:
    explicit DomExpansion(size_t limit = 0)
        : limit(limit)
    {
    }

    // Adds what one reference to entity stands for; false once the total passes the limit.
    bool Add(xmlDocPtr doc, xmlEntityPtr entity);

private:
    size_t Expanded(xmlDocPtr doc, const xmlChar* text, int depth);
    size_t Entity(xmlDocPtr doc, xmlEntityPtr entity, int depth);

    size_t limit;
    size_t total = 0;
    std::unordered_map<const xmlEntity*, size_t> lengths;
};
