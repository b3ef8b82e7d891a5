#pragma once

// The differences between the libxml2 versions the DOM layer builds with, in one place. Known to
// work: 2.9.14 (Debian 12, which the tests run on). 2.12 changed the type below.

#include <libxml/xmlerror.h>
#include <libxml/xmlversion.h>

#include <type_traits>

// The error a structured error callback receives. libxml2 2.12 made it const in
// xmlStructuredErrorFunc, so a C++ function taking the other type no longer converts to the
// handler type: every callback given to xmlSetStructuredErrorFunc, a SAX handler's serror or a
// schema context's structured errors takes this.
#if LIBXML_VERSION >= 21200
using XmlErrorArg = const xmlError*;
#else
using XmlErrorArg = xmlError*;
#endif

// A library whose version number and handler type disagree (a patched or backported build)
// stops the build here rather than at every callback.
static_assert(std::is_same_v<xmlStructuredErrorFunc, void (*)(void*, XmlErrorArg)>,
    "XmlErrorArg does not match this libxml2's xmlStructuredErrorFunc");
