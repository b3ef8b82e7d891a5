#include "DomTestSupport.h"
#include "dom/DomDocument.h"
#include "dom/DomSchema.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Elements a (holding b elements with an integer attribute n) and v (an integer) in urn:t.
const QString Schema = u"<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'"
                       " targetNamespace='urn:t' xmlns='urn:t' elementFormDefault='qualified'>"
                       "<xs:element name='a'><xs:complexType><xs:sequence>"
                       "<xs:element name='b' minOccurs='0' maxOccurs='unbounded'><xs:complexType>"
                       "<xs:attribute name='n' type='xs:int' default='7'/>"
                       "<xs:attribute name='q' type='xs:QName'/></xs:complexType>"
                       "</xs:element><xs:element name='v' type='xs:int' minOccurs='0'/>"
                       "</xs:sequence></xs:complexType></xs:element></xs:schema>"_s;

// %1: a network address; %2: a local file.
const QString NetworkImport = u"<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
                              "<xs:import namespace='urn:o' schemaLocation='%1'/></xs:schema>"_s;
const QString ExternalEntity = u"<!DOCTYPE xs:schema [<!ENTITY x SYSTEM '%2'>]>"
                               "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
                               "<xs:annotation><xs:documentation>&x;</xs:documentation>"
                               "</xs:annotation></xs:schema>"_s;

} // namespace

class DomSchemaTest : public QObject {
    Q_OBJECT

private slots:
    void validate_data()
    {
        QTest::addColumn<QString>("xml");
        // "line path" of each error; none for a valid document.
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("valid") << u"<p:a xmlns:p='urn:t'><p:b/><p:b n='1'/></p:a>"_s
                               << QStringList();
        QTest::newRow("lines and paths with the document's prefixes")
            << u"<p:a xmlns:p='urn:t'>\n<p:b/>\n<p:b/>\n<p:b n='x'/>\n<p:w/>\n</p:a>"_s
            << QStringList { u"4 /p:a/p:b[3]"_s, u"5 /p:a/p:w"_s };
        QTest::newRow("entity text in content and attributes")
            << u"<!DOCTYPE a [<!ENTITY n '42'>]><a xmlns='urn:t'><b n='&n;'/><v>&n;</v></a>"_s
            << QStringList();
        QTest::newRow("markup from an entity takes the reference's namespace")
            << u"<!DOCTYPE a [<!ENTITY e '<b/>'>]><a xmlns='urn:t'>&e;</a>"_s << QStringList();
        QTest::newRow("prefixed markup from an entity")
            << u"<!DOCTYPE p:a [<!ENTITY e '<p:b/>'>]><p:a xmlns:p='urn:t'>&e;</p:a>"_s
            << QStringList();
        QTest::newRow("QName value with the declarations in scope")
            << u"<a xmlns='urn:t' xmlns:p='urn:p'><b q='p:x'/></a>"_s << QStringList();
        QTest::newRow("error inside an entity points at the reference's element")
            << u"<!DOCTYPE a [<!ENTITY e '<b n=\"x\"/>'>]>\n<a xmlns='urn:t'>\n&e;</a>"_s
            << QStringList { u"2 /a"_s };
        QTest::newRow("line past 65,535") << u"<a xmlns='urn:t'>"_s + QString(70000, u'\n')
                + u"<b/><b n='x'/></a>"_s << QStringList { u"70001 /a/b[2]"_s };
    }
    void validate()
    {
        QFETCH(QString, xml);
        QFETCH(QStringList, errors);
        QTemporaryDir dir;
        DomDocument document = DomDocument::Create();
        QVERIFY(Succeeded(document.loadXML(xml)));
        const QString before = document.xml();
        const DomSchema::Result result
            = DomSchema::Validate(document, WriteFile(dir, u"t.xsd"_s, Schema.toUtf8()), 20);
        QCOMPARE(result.status, errors.isEmpty() ? DomOk : DomFail);
        QStringList found;
        for (const DomSchema::Error& error : result.errors) {
            QVERIFY2(!error.reason.isEmpty(), "no reason given");
            found << u"%1 %2"_s.arg(error.line).arg(error.node.path());
        }
        QCOMPARE(found, errors);
        // Nothing added: b has a default for n.
        QCOMPARE(document.xml(), before);
    }

    void unusableSchema_data()
    {
        QTest::addColumn<QString>("schema"); // %1: a network address; empty: no file
        QTest::addColumn<QString>("why"); // a part of the reason
        QTest::newRow("missing file") << QString() << u"cannot be opened"_s;
        QTest::newRow("not well-formed") << u"<xs:schema"_s << QString();
        QTest::newRow("import over the network") << NetworkImport << u"network"_s;
        QTest::newRow("external entity") << ExternalEntity << u"external entity"_s;
    }
    void unusableSchema()
    {
        QFETCH(QString, schema);
        QFETCH(QString, why);
        QTemporaryDir dir;
        ConnectionCounter server;
        QVERIFY(server.isListening());
        const QString secret = WriteFile(dir, u"secret.txt"_s, "secret");
        const QString path = schema.isEmpty() ? dir.filePath(u"none.xsd"_s)
                                              : WriteFile(dir, u"s.xsd"_s,
                                                  QString(schema)
                                                      .replace(u"%1"_s, server.url(u"o.xsd"_s))
                                                      .replace(u"%2"_s, secret)
                                                      .toUtf8());
        DomDocument document = DomDocument::Create();
        QVERIFY(Succeeded(document.loadXML(u"<a>secret</a>"_s)));
        DomSchema::Result result;
        const QByteArray output
            = CapturedOutput([&] { result = DomSchema::Validate(document, path, 20); });
        QCOMPARE(result.status, DomInvalidArgument);
        QVERIFY2(result.schemaError.contains(why), qPrintable(result.schemaError));
        QVERIFY(!result.schemaError.isEmpty());
        QCOMPARE(server.connections(), 0);
        QCOMPARE(output, QByteArray());
    }

    void localInclude()
    {
        QTemporaryDir dir;
        WriteFile(dir, u"part.xsd"_s,
            u"<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
            "<xs:element name='a' type='xs:int'/></xs:schema>"_s.toUtf8());
        const QString path = WriteFile(dir, u"main.xsd"_s,
            u"<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
            "<xs:include schemaLocation='part.xsd'/></xs:schema>"_s.toUtf8());
        DomDocument document = DomDocument::Create();
        QVERIFY(Succeeded(document.loadXML(u"<a>x</a>"_s)));
        const DomSchema::Result result = DomSchema::Validate(document, path, 20);
        QCOMPARE(result.status, DomFail);
        // The included declaration was read: the complaint is about the value.
        QVERIFY2(result.errors.at(0).reason.contains(u"xs:int"_s),
            qPrintable(result.errors.at(0).reason));
    }

    void path_data()
    {
        QTest::addColumn<QString>("xml");
        // child indexes from the document node, then @name for an attribute
        QTest::addColumn<QString>("at");
        QTest::addColumn<QString>("path");
        const QString prefixes = u"<r xmlns:p='urn:x' xmlns:q='urn:x'><p:e/><q:e/><e/></r>"_s;
        QTest::newRow("prefixes of one namespace share a position")
            << prefixes << u"0/1"_s << u"/r/q:e[2]"_s;
        QTest::newRow("no position for a unique name") << prefixes << u"0/2"_s << u"/r/e"_s;
        QTest::newRow("text and CDATA together")
            << u"<r>a<![CDATA[b]]><x/>c</r>"_s << u"0/3"_s << u"/r/text()[3]"_s;
        QTest::newRow("comment") << u"<r><!--c--></r>"_s << u"0/0"_s << u"/r/comment()"_s;
        QTest::newRow("inside an entity")
            << u"<!DOCTYPE r [<!ENTITY e '<x/>'>]><r>&e;</r>"_s << u"1/0/0"_s << QString();
        QTest::newRow("attribute") << u"<r><s/><s a='1'/></r>"_s << u"0/1/@a"_s << u"/r/s[2]/@a"_s;
    }
    void path()
    {
        QFETCH(QString, xml);
        QFETCH(QString, at);
        QFETCH(QString, path);
        DomDocument document = DomDocument::Create();
        QVERIFY(Succeeded(document.loadXML(xml)));
        DomNode node = document.documentNode();
        for (const QString& step : at.split(u'/')) {
            if (step.startsWith(u'@')) {
                node = node.toElement().getAttributeNode(step.mid(1));
                break;
            }
            node = node.firstChild();
            for (int i = step.toInt(); i > 0; --i)
                node = node.nextSibling();
        }
        QVERIFY(node);
        QCOMPARE(node.path(), path);
    }
};

QTEST_GUILESS_MAIN(DomSchemaTest)
#include "tst_domschema.moc"
