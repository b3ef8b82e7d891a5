#include "ValidateBench.h"

#include "dom/DomDocument.h"
#include "dom/DomSchema.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <cstdio>
#include <memory>

namespace {

constexpr double ValidateTarget = 1.5;

// The generated catalogue's structure, with lax wildcards where records vary.
const char* const CatalogSchema = R"(<?xml version="1.0" encoding="UTF-8"?>
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema" targetNamespace="urn:trelvo:bench:catalog"
    xmlns="urn:trelvo:bench:catalog" elementFormDefault="qualified">
  <xs:element name="catalog"><xs:complexType><xs:sequence>
    <xs:element ref="section" maxOccurs="unbounded"/></xs:sequence>
    <xs:attribute name="version" type="xs:int"/>
    <xs:attribute name="generated" type="xs:dateTime"/></xs:complexType></xs:element>
  <xs:element name="section"><xs:complexType><xs:sequence>
    <xs:element ref="group" maxOccurs="unbounded"/></xs:sequence>
    <xs:attribute name="id" type="xs:string"/>
    <xs:attribute name="title" type="xs:string"/></xs:complexType></xs:element>
  <xs:element name="group"><xs:complexType><xs:sequence>
    <xs:element ref="record" minOccurs="0" maxOccurs="unbounded"/></xs:sequence>
    <xs:attribute name="id" type="xs:string"/>
    <xs:attribute name="kind" type="xs:string"/>
    <xs:attribute name="label" type="xs:string"/></xs:complexType></xs:element>
  <xs:element name="record"><xs:complexType><xs:sequence>
    <xs:any namespace="##any" processContents="lax" minOccurs="0" maxOccurs="unbounded"/>
    </xs:sequence>
    <xs:attribute name="id" type="xs:string" use="required"/>
    <xs:attribute name="type" type="xs:string"/>
    <xs:attribute name="status" type="xs:string"/>
    <xs:anyAttribute namespace="##other" processContents="skip"/></xs:complexType></xs:element>
  <xs:element name="title" type="xs:string"/>
  <xs:element name="amount"><xs:complexType><xs:simpleContent>
    <xs:extension base="xs:decimal"><xs:attribute name="currency" type="xs:string"/>
    </xs:extension></xs:simpleContent></xs:complexType></xs:element>
  <xs:element name="note"><xs:complexType mixed="true"><xs:sequence>
    <xs:any processContents="skip" minOccurs="0" maxOccurs="unbounded"/></xs:sequence>
    </xs:complexType></xs:element>
  <xs:element name="items"><xs:complexType><xs:sequence>
    <xs:element name="item" maxOccurs="unbounded"><xs:complexType><xs:simpleContent>
      <xs:extension base="xs:string"><xs:attribute name="sku" type="xs:string"/>
      <xs:attribute name="qty" type="xs:int"/></xs:extension></xs:simpleContent>
    </xs:complexType></xs:element></xs:sequence></xs:complexType></xs:element>
</xs:schema>
)";

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

double Ratio(double ours, double baseline) { return baseline > 0 ? ours / baseline : 0; }

} // namespace

bool MeasureValidate(
    const std::string& path, int runs, bool verbose, ValidateFigures& figures, std::string& error)
{
    QTemporaryDir dir;
    const QString schemaPath = dir.filePath(QStringLiteral("catalog.xsd"));
    QFile schemaFile(schemaPath);
    if (!schemaFile.open(QIODevice::WriteOnly) || schemaFile.write(CatalogSchema) < 0) {
        error = "cannot write the benchmark's schema";
        return false;
    }
    schemaFile.close();
    const QByteArray schemaName = QFile::encodeName(schemaPath);

    DomDocument document = DomDocument::Create();
    if (Failed(document.load(QString::fromLocal8Bit(path.c_str())))) {
        error = "DomDocument cannot load " + path + " for validation";
        return false;
    }
    // libxml2 validates no entity-reference node: a user of libxml2 alone substitutes them.
    std::unique_ptr<xmlDoc, DocFree> doc(
        xmlReadFile(path.c_str(), nullptr, XML_PARSE_NOENT | XML_PARSE_NONET));
    if (!doc) {
        error = "libxml2 cannot load " + path + " for validation";
        return false;
    }

    figures = ValidateFigures();
    for (int run = 0; run < runs; ++run) {
        auto ours = [&] {
            const Stopwatch stopwatch;
            const DomSchema::Result result = DomSchema::Validate(document, schemaPath, 20);
            const Timing timing = stopwatch.Elapsed();
            figures.ours = figures.ours.Best(timing);
            if (result.status != DomOk) {
                error = "DomSchema finds the document invalid: "
                    + (result.errors.empty() ? result.schemaError : result.errors[0].reason)
                          .toStdString();
            }
            return timing;
        };
        auto baseline = [&] {
            const Stopwatch stopwatch;
            xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(schemaName.constData());
            xmlSchemaPtr schema = parser ? xmlSchemaParse(parser) : nullptr;
            xmlSchemaValidCtxtPtr validator = schema ? xmlSchemaNewValidCtxt(schema) : nullptr;
            const int outcome = validator ? xmlSchemaValidateDoc(validator, doc.get()) : -1;
            xmlSchemaFreeValidCtxt(validator);
            xmlSchemaFree(schema);
            xmlSchemaFreeParserCtxt(parser);
            const Timing timing = stopwatch.Elapsed();
            figures.libxml2 = figures.libxml2.Best(timing);
            if (outcome != 0)
                error = "xmlSchemaValidateDoc finds the document invalid";
            return timing;
        };
        const Timing first = run % 2 == 0 ? baseline() : ours();
        const Timing second = run % 2 == 0 ? ours() : baseline();
        if (!error.empty())
            return false;
        if (verbose) {
            std::printf("  validate run %d: %s %.3f s, then %.3f s\n", run + 1,
                run % 2 == 0 ? "libxml2 first" : "ours first", first.wall, second.wall);
        }
    }
    return true;
}

void PrintValidateFigures(const ValidateFigures& figures)
{
    const double ratio = Ratio(figures.ours.wall, figures.libxml2.wall);
    std::printf("validate: %.3f s  libxml2: %.3f s  ratio %.2f  (target <= %.2f %s)  "
                "[cpu %.3f s / %.3f s]\n",
        figures.ours.wall, figures.libxml2.wall, ratio, ValidateTarget,
        ratio <= ValidateTarget ? "met" : "MISSED", figures.ours.cpu, figures.libxml2.cpu);
}

std::string ValidateJsonFields(const ValidateFigures& figures)
{
    char text[64];
    std::snprintf(text, sizeof text, ", \"validate_ratio\": %.3f",
        Ratio(figures.ours.wall, figures.libxml2.wall));
    return text;
}
