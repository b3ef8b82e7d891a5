// Arbitrary data of an xml-stylesheet instruction through the linked style sheet's tokenizer.

#include "TrelvoDoc.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TrelvoDoc doc;
    doc.dom = DomDocument::Create();
    DomNode document = doc.dom.documentNode();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const DomNode instruction
        = doc.dom.createProcessingInstruction(QStringLiteral("xml-stylesheet"), text);
    if (instruction.isNull())
        return 0;
    (void)document.appendChild(instruction);
    (void)document.appendChild(doc.dom.createElement(QStringLiteral("r")));
    (void)doc.GetLinkedStylesheet();
    // A relative href takes the folder of the saved document in front.
    doc.SetPathName(QStringLiteral("/tmp/folder/doc.xml"), false);
    (void)doc.GetLinkedStylesheet();
    return 0;
}
