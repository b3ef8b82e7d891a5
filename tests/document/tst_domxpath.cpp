#include "dom/DomBindings.h"
#include "dom/DomDocument.h"
#include "dom/DomElement.h"
#include "dom/DomNamedNodeMap.h"
#include "dom/DomXPath.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QString Describe(const DomBindings& bindings)
{
    QStringList pairs;
    for (const DomBindings::Binding& binding : bindings.List())
        pairs << binding.prefix + u'=' + binding.uri;
    return pairs.join(u' ');
}

// Every node of the document with its attribute-map entries, in document order.
void Collect(const DomNode& node, QList<DomNode>& out)
{
    out << node;
    const DomNamedNodeMap attributes = node.attributes();
    for (long i = 0; !attributes.isNull() && i < attributes.length(); ++i)
        out << attributes.item(i);
    for (DomNode child = node.firstChild(); child; child = child.nextSibling())
        Collect(child, out);
}

QString Repeat(const QString& text, int times) { return text.repeated(times); }

} // namespace

class DomXPathTest : public QObject {
    Q_OBJECT

private slots:
    void bindings_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("bindings");
        QTest::newRow("default namespace") << u"<r xmlns='urn:a'/>"_s << u"d=urn:a"_s;
        QTest::newRow("default namespace takes a prefix bound elsewhere")
            << u"<r xmlns='urn:a'><p:x xmlns:p='urn:a'/></r>"_s << u"p=urn:a"_s;
        QTest::newRow("one prefix, two namespaces")
            << u"<r><p:x xmlns:p='urn:a'/><p:y xmlns:p='urn:b'/><p:z xmlns:p='urn:a'/></r>"_s
            << u"p=urn:a p2=urn:b"_s;
        QTest::newRow("made names skip declared prefixes")
            << u"<r xmlns:p2='urn:c' xmlns:d='urn:e' xmlns='urn:f'><p:x xmlns:p='urn:a'/>"
               "<p:y xmlns:p='urn:b'/><x xmlns='urn:g'/></r>"_s
            << u"p2=urn:c d=urn:e p=urn:a p3=urn:b d2=urn:f d3=urn:g"_s;
        QTest::newRow("unused declarations are bound")
            << u"<r xmlns:u='urn:u'><s xmlns:v='urn:v'/></r>"_s << u"u=urn:u v=urn:v"_s;
        QTest::newRow("undeclaring binds nothing")
            << u"<r xmlns='urn:a'><s xmlns=''/></r>"_s << u"d=urn:a"_s;
    }
    void bindings()
    {
        QFETCH(QString, xml);
        QFETCH(QString, bindings);
        DomDocument document = DomDocument::Create();
        QVERIFY(Succeeded(document.loadXML(xml)));
        QCOMPARE(Describe(DomBindings::ForDocument(document)), bindings);
    }

    // Every node XPath sees, found again by its path with the document's own bindings.
    void pathsRoundTrip_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<int>("paths");
        QTest::newRow("every kind")
            << u"<?xml version='1.0'?><?pi a?><!DOCTYPE r [<!ENTITY e 'x'>]><!--c--><r a='1'>"
               "t<![CDATA[c]]><x/>&e;t<x b='2'/><?pi b?><?pi c?><?q?><!--d--><!--e--></r>"_s
            << 16;
        QTest::newRow("namespaces")
            << u"<r xmlns='urn:a' xmlns:p='urn:b' p:a='1'><p:x xmlns:p='urn:c'/><x/><p:x/>"
               "<y xmlns='urn:b' a='2'/><z xmlns=''/></r>"_s
            << 13;
    }
    void pathsRoundTrip()
    {
        QFETCH(QString, xml);
        QFETCH(int, paths);
        DomDocument document = DomDocument::Create();
        QVERIFY(Succeeded(document.loadXML(xml)));
        const DomBindings bindings = DomBindings::ForDocument(document);
        QList<DomNode> nodes;
        Collect(document.documentNode(), nodes);
        int found = 0;
        for (const DomNode& node : nodes) {
            const QString path = node.path(&bindings);
            if (path.isEmpty())
                continue;
            const DomXPath::Result result
                = DomXPath::Evaluate(document.documentNode(), path, bindings);
            QVERIFY2(result.status == DomOk, qPrintable(path + u": "_s + result.error));
            QCOMPARE(result.count, 1);
            QVERIFY2(result.nodes.at(0) == node, qPrintable(path));
            ++found;
        }
        QCOMPARE(found, paths);
    }

    void evaluate_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("expression");
        // Nodes: "count: path path ..." of the nodes kept; other results: the value.
        QTest::addColumn<QString>("outcome");
        const QString doc = u"<?xml version='1.0'?><?pi?><r><e/><e i='1'/><f/></r>"_s;
        QTest::newRow("declaration unseen")
            << doc << u"/processing-instruction()"_s << u"1: /processing-instruction('pi')"_s;
        QTest::newRow("relative to the selected node") << doc << u"../e[@i]"_s << u"1: /r/e[2]"_s;
        QTest::newRow("kept nodes are the first") << doc << u"//*"_s << u"4: /r /r/e[1]"_s;
        QTest::newRow("number") << doc << u"count(//e) div 4"_s << u"0.5"_s;
        QTest::newRow("string") << doc << u"name(/*)"_s << u"r"_s;
        QTest::newRow("boolean") << doc << u"boolean(//f)"_s << u"true"_s;
        QTest::newRow("namespace node is the declaration")
            << u"<r xmlns:p='urn:p'><s/></r>"_s << u"namespace::p"_s << u"1: /r/namespace::p"_s;
        QTest::newRow("namespace node without a declaration attribute")
            << u"<r/>"_s << u"namespace::xml"_s << u"1: /r"_s;
    }
    void evaluate()
    {
        QFETCH(QString, xml);
        QFETCH(QString, expression);
        QFETCH(QString, outcome);
        DomDocument document = DomDocument::Create();
        QVERIFY(Succeeded(document.loadXML(xml)));
        // The context is the first element child of the root, else the root.
        DomNode context = document.documentElement();
        if (DomNode child = context.firstChild())
            context = child;
        const QString before = document.xml();
        const DomXPath::Result result = DomXPath::Evaluate(context, expression, DomBindings(), 2);
        QVERIFY2(result.status == DomOk, qPrintable(result.error));
        QString got = result.value;
        if (result.kind == DomXPath::Kind::Nodes) {
            got = QString::number(result.count) + u':';
            for (const DomNode& node : result.nodes)
                got += u' ' + node.path();
        }
        QCOMPARE(got, outcome);
        // The declaration is back in its place.
        QCOMPARE(document.xml(), before);
    }

    // Nodes come in document order also after an edit moved them.
    void orderAfterAMove()
    {
        DomDocument document = DomDocument::Create();
        QVERIFY(Succeeded(document.loadXML(u"<r><a/><b/></r>"_s)));
        const QString expression = u"/r/b | /r/a"_s;
        const auto names = [&] {
            QString out;
            for (const DomNode& node :
                DomXPath::Evaluate(document.documentNode(), expression, {}).nodes)
                out += node.nodeName();
            return out;
        };
        QCOMPARE(names(), u"ab"_s);
        DomElement root = document.documentElement();
        QVERIFY(Succeeded(root.appendChild(root.firstChild())));
        QCOMPARE(names(), u"ba"_s);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<int>("elements");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<QString>("reason");
        const QString cubic = u"count(//*[count(//*[count(//*) > 0]) > 0])"_s;
        QTest::newRow("within the operation limit") << cubic << 20 << false << QString();
        QTest::newRow("past the operation limit") << cubic << 400 << true << QString();
        QTest::newRow("does not compile") << u"//e[@"_s << 1 << false << u"Invalid"_s;
        QTest::newRow("unbound prefix") << u"//q:e"_s << 1 << false << u"prefix"_s;
    }
    void failures()
    {
        QFETCH(QString, expression);
        QFETCH(int, elements);
        QFETCH(bool, stopped);
        QFETCH(QString, reason);
        DomDocument document = DomDocument::Create();
        QVERIFY(Succeeded(document.loadXML(u"<r>"_s + Repeat(u"<e/>"_s, elements) + u"</r>"_s)));
        const DomXPath::Result result
            = DomXPath::Evaluate(document.documentNode(), expression, DomBindings());
        QCOMPARE(result.stopped, stopped);
        QCOMPARE(Failed(result.status), stopped || !reason.isEmpty());
        QVERIFY2(result.error.contains(reason), qPrintable(result.error));
    }
};

QTEST_GUILESS_MAIN(DomXPathTest)
#include "tst_domxpath.moc"
