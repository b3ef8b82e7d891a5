// An arbitrary style sheet applied to a small document with the security preferences the
// program uses: no crash, no leak, and an error text whenever it fails.

#include "dom/DomDocument.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const DomDocument source = [] {
        DomDocument made = DomDocument::Create();
        (void)made.loadXML(QStringLiteral(
            "<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?>\n"
            "<!DOCTYPE r [<!ENTITY e \"ent\">]>\n"
            "<r xmlns:p=\"urn:p\" a=\"1\"><p:b c=\"2\">t &e;</p:b><!-- c --><![CDATA[<x>]]>"
            "<?pi d?><d>3</d><d>1</d></r>"));
        return made;
    }();
    DomDocument sheet = DomDocument::Create();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    if (Failed(sheet.loadXML(text)))
        return 0;
    QString output;
    if (Failed(source.transformNode(sheet, output)) && output.isEmpty()) {
        std::fprintf(stderr, "transform: a failure without a reason\n");
        std::abort();
    }
    return 0;
}
