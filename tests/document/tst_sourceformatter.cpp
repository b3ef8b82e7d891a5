#include "SourceFormatter.h"
#include "dom/DomDocument.h"
#include "dom/DomNamedNodeMap.h"
#include "dom/DomNodeList.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Picks a node by a path: "doc" is the document node, "root" its element; each following
// "/N" steps to child N and a final "@N" to attribute N.
DomNode NodeAt(const DomDocument& document, const QString& path)
{
    const QStringList steps = path.split(u'/');
    DomNode node = steps.first() == u"doc"_s ? document.documentNode() : document.documentElement();
    for (qsizetype i = 1; i < steps.size() && !node.isNull(); ++i) {
        const QString& step = steps[i];
        if (step.startsWith(u'@'))
            node = node.attributes().item(step.mid(1).toInt());
        else
            node = node.childNodes().item(step.toInt());
    }
    return node;
}

QString SaveLike(const DomDocument& document)
{
    SourceFormatter formatter;
    formatter.preserveText = true;
    formatter.indentSpaces = 0;
    return formatter.Format(document.documentNode(), 0);
}

// The string value of node; appends that of each element below it (node included), after its
// descendants, marked true when the element has text, CDATA or entity-reference children.
QString StringValue(const DomNode& node, QList<std::pair<bool, QString>>& elements)
{
    QString value;
    bool hasText = false;
    for (DomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling()) {
        const NodeType type = child.nodeType();
        hasText = hasText || type == NodeType::Text || type == NodeType::CDataSection
            || type == NodeType::EntityReference;
        if (type == NodeType::Text || type == NodeType::CDataSection)
            value += child.nodeValue().value_or(QString());
        else if (type == NodeType::Element || type == NodeType::EntityReference)
            value += StringValue(child, elements);
    }
    if (node.nodeType() == NodeType::Element)
        elements.append({ hasText, value });
    return value;
}

} // namespace

// Checks the formatter's layout rules on documents loaded through the DOM service.
class TestSourceFormatter : public QObject {
    Q_OBJECT

private slots:
    void makeIndent_data();
    void makeIndent();
    void format_data();
    void format();
    void saveIsStableAcrossReload_data();
    void saveIsStableAcrossReload();
    void saveKeepsStringValuesOfTextElements_data();
    void saveKeepsStringValuesOfTextElements();
    void wideMixedContentFormatsInLinearTime_data();
    void wideMixedContentFormatsInLinearTime();
    void deepNestingFormats();
};

void TestSourceFormatter::makeIndent_data()
{
    QTest::addColumn<int>("indentSpaces");
    QTest::addColumn<int>("depth");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zero means a tab per level") << 0 << 3 << u"\t\t\t"_s;
    QTest::newRow("spaces per level") << 3 << 2 << u"      "_s;
    QTest::newRow("negative unit is empty") << -1 << 4 << QString();
    QTest::newRow("depth zero") << 4 << 0 << QString();
    QTest::newRow("negative depth") << 0 << -2 << QString();
}

void TestSourceFormatter::makeIndent()
{
    QFETCH(int, indentSpaces);
    QFETCH(int, depth);
    QFETCH(QString, expected);

    SourceFormatter formatter;
    formatter.indentSpaces = indentSpaces;
    QCOMPARE(formatter.MakeIndent(depth), expected);
}

void TestSourceFormatter::format_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("preserveText");
    QTest::addColumn<int>("indentSpaces");
    QTest::addColumn<int>("depth");
    QTest::addColumn<QString>("expected");

    const QString entityDtd = u"<!DOCTYPE r [<!ENTITY e \"ee\">]>"_s;

    // Element layout, text flattened (the source pane's settings).
    QTest::newRow("lone text child and empty sibling")
        << u"<a x=\"1\"><b>hi</b><c/></a>"_s << u"root"_s << false << 0 << 0
        << u"<a x=\"1\">\r\n\t<b>hi</b>\r\n\t<c/>\r\n</a>\r\n"_s;
    QTest::newRow("mixed content gets a line per run")
        << u"<p>Hello <b>x</b> world</p>"_s << u"root"_s << false << 0 << 0
        << u"<p>\r\n\tHello\r\n\t<b>x</b>\r\n\tworld\r\n</p>\r\n"_s;
    QTest::newRow("spaces per level")
        << u"<a>\n <b>\n  <c/>\n </b>\n</a>"_s << u"root"_s << false << 2 << 0
        << u"<a>\r\n  <b>\r\n    <c/>\r\n  </b>\r\n</a>\r\n"_s;
    QTest::newRow("negative unit indents nothing")
        << u"<a><b><c/></b></a>"_s << u"root"_s << false << -3 << 0
        << u"<a>\r\n<b>\r\n<c/>\r\n</b>\r\n</a>\r\n"_s;
    QTest::newRow("starting depth indents the whole branch")
        << u"<a><b>t</b></a>"_s << u"root"_s << false << 0 << 2
        << u"\t\t<a>\r\n\t\t\t<b>t</b>\r\n\t\t</a>\r\n"_s;
    QTest::newRow("empty element in long form comes out short")
        << u"<a x=\"1\" y=\"2\"></a>"_s << u"root"_s << false << 0 << 0
        << u"<a x=\"1\" y=\"2\"/>\r\n"_s;
    QTest::newRow("attributes and text stay escaped")
        << u"<a x=\"1&amp;&quot;2\">x &lt; y &amp; z</a>"_s << u"root"_s << false << 0 << 0
        << u"<a x=\"1&amp;&quot;2\">x &lt; y &amp; z</a>\r\n"_s;
    QTest::newRow("namespace declarations are attributes")
        << u"<p:a xmlns:p=\"urn:p\" p:k=\"v\"><p:b/></p:a>"_s << u"root"_s << false << 0 << 0
        << u"<p:a xmlns:p=\"urn:p\" p:k=\"v\">\r\n\t<p:b/>\r\n</p:a>\r\n"_s;
    QTest::newRow("lone CDATA child is not a lone text")
        << u"<a><![CDATA[x<y]]></a>"_s << u"root"_s << false << 0 << 0
        << u"<a>\r\n\t<![CDATA[x<y]]>\r\n</a>\r\n"_s;
    QTest::newRow("lone comment child is not a lone text")
        << u"<a><!--c--></a>"_s << u"root"_s << false << 0 << 0
        << u"<a>\r\n\t<!--c-->\r\n</a>\r\n"_s;
    QTest::newRow("multi-line comment starts at column 0")
        << u"<a><b><!--one\n\ttwo--></b></a>"_s << u"root"_s << false << 0 << 0
        << u"<a>\r\n\t<b>\r\n<!--one\r\n\ttwo-->\r\n\t</b>\r\n</a>\r\n"_s;
    QTest::newRow("multi-line CDATA starts at column 0")
        << u"<a><![CDATA[one\ntwo]]></a>"_s << u"root"_s << false << 0 << 0
        << u"<a>\r\n<![CDATA[one\r\ntwo]]>\r\n</a>\r\n"_s;
    QTest::newRow("instruction without data keeps its space")
        << u"<a><?go?><?pi some data?></a>"_s << u"root"_s << false << 0 << 0
        << u"<a>\r\n\t<?go ?>\r\n\t<?pi some data?>\r\n</a>\r\n"_s;
    QTest::newRow("entity reference on its own line")
        << entityDtd + u"<r>a&e;b</r>"_s << u"root"_s << false << 0 << 0
        << u"<r>\r\n\ta\r\n\t&e;\r\n\tb\r\n</r>\r\n"_s;

    // Text runs.
    QTest::newRow("multi-line text flattened and trimmed")
        << u"<a> \n\tone\n\ttwo \n</a>"_s << u"root"_s << false << 0 << 0
        << u"<a>one   two</a>\r\n"_s;
    QTest::newRow("multi-line text kept verbatim")
        << u"<a> \n\tone\n\ttwo \n</a>"_s << u"root"_s << true << 0 << 0
        << u"<a> \r\n\tone\r\n\ttwo \r\n</a>\r\n"_s;
    QTest::newRow("non-breaking space is not trimmed")
        << u"<a>\u00a0x\u00a0</a>"_s << u"root"_s << false << 0 << 0
        << u"<a>\u00a0x\u00a0</a>\r\n"_s;
    QTest::newRow("blank between elements becomes an indentation-only line")
        << u"<p><b>big</b> <i>news</i></p>"_s << u"root"_s << false << 0 << 0
        << u"<p>\r\n\t<b>big</b>\r\n\t\r\n\t<i>news</i>\r\n</p>\r\n"_s;
    QTest::newRow("text with siblings formatted alone gets its line")
        << u"<p>Hello <b>x</b></p>"_s << u"root/0"_s << false << 0 << 1 << u"\tHello\r\n"_s;
    QTest::newRow("lone text formatted alone stays bare")
        << u"<p> Hello </p>"_s << u"root/0"_s << false << 0 << 1 << u"Hello"_s;
    QTest::newRow("attribute formatted alone")
        << u"<a x=\"1\" y=\"&lt;\"/>"_s << u"root/@1"_s << false << 0 << 3 << u" y=\"&lt;\""_s;

    // The document node.
    const QString prolog
        = u"<?xml version=\"1.0\"?>\n<!DOCTYPE r>\n<!--c-->\n<r><x/></r>\n<?end?>"_s;
    const QString prologOut
        = u"<?xml version=\"1.0\"?>\r\n<!DOCTYPE r>\r\n<!--c-->\r\n<r>\r\n\t<x/>\r\n</r>\r\n"
          u"<?end ?>\r\n"_s;
    QTest::newRow("document children start at column 0")
        << prolog << u"doc"_s << false << 0 << 0 << prologOut;
    QTest::newRow("document ignores the starting depth")
        << prolog << u"doc"_s << true << 0 << 3 << prologOut;

    // Saving: nothing is added where a reload would keep it.
    QTest::newRow("save: mixed content on one line")
        << u"<r><p>Hello <b>x</b> world</p></r>"_s << u"root"_s << true << 0 << 0
        << u"<r>\r\n\t<p>Hello <b>x</b> world</p>\r\n</r>\r\n"_s;
    QTest::newRow("save: nothing added at any depth below mixed content")
        << u"<p>a<b><i/><j/></b></p>"_s << u"root"_s << true << 0 << 0
        << u"<p>a<b><i/><j/></b></p>\r\n"_s;
    QTest::newRow("save: CDATA holding the terminator is split")
        << u"<a><![CDATA[x]]]]><![CDATA[>y]]></a>"_s << u"root"_s << true << 0 << 0
        << u"<a><![CDATA[x]]]]><![CDATA[>y]]></a>\r\n"_s;
    QTest::newRow("save: markup beside text")
        << u"<p>t<!--c--><?pi d?><br/></p>"_s << u"root"_s << true << 0 << 0
        << u"<p>t<!--c--><?pi d?><br/></p>\r\n"_s;
    QTest::newRow("save: lone CDATA child")
        << u"<r><a><![CDATA[x]]></a></r>"_s << u"root"_s << true << 0 << 0
        << u"<r>\r\n\t<a><![CDATA[x]]></a>\r\n</r>\r\n"_s;
    QTest::newRow("save: lone entity reference")
        << entityDtd + u"<r>&e;</r>"_s << u"root"_s << true << 0 << 0 << u"<r>&e;</r>\r\n"_s;
    QTest::newRow("save: lone comment keeps the normal layout")
        << u"<a><!--c--></a>"_s << u"root"_s << true << 0 << 0
        << u"<a>\r\n\t<!--c-->\r\n</a>\r\n"_s;
    QTest::newRow("save: preserve scope keeps its whitespace only")
        << u"<r><a xml:space=\"preserve\">\n  <b/>\n</a></r>"_s << u"root"_s << true << 0 << 0
        << u"<r>\r\n\t<a xml:space=\"preserve\">\r\n  <b/>\r\n</a>\r\n</r>\r\n"_s;
    QTest::newRow("save: preserve scope reaches descendants")
        << u"<a xml:space=\"preserve\"><b><c/></b></a>"_s << u"root"_s << true << 0 << 0
        << u"<a xml:space=\"preserve\"><b><c/></b></a>\r\n"_s;
    QTest::newRow("save: default ends the preserve scope")
        << u"<a xml:space=\"preserve\"><b xml:space=\"default\"><c/></b></a>"_s << u"root"_s << true
        << 0 << 0
        << u"<a xml:space=\"preserve\"><b xml:space=\"default\">\r\n\t\t<c/>\r\n\t</b></a>\r\n"_s;
    QTest::newRow("save: branch inherits the scope of its ancestors")
        << u"<a xml:space=\"preserve\"><b><c/></b></a>"_s << u"root/0"_s << true << 0 << 1
        << u"\t<b><c/></b>\r\n"_s;
    QTest::newRow("flattened text ignores the preserve scope")
        << u"<a xml:space=\"preserve\"><b/></a>"_s << u"root"_s << false << 0 << 0
        << u"<a xml:space=\"preserve\">\r\n\t<b/>\r\n</a>\r\n"_s;
}

void TestSourceFormatter::format()
{
    QFETCH(QString, input);
    QFETCH(QString, path);
    QFETCH(bool, preserveText);
    QFETCH(int, indentSpaces);
    QFETCH(int, depth);
    QFETCH(QString, expected);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(input), DomOk);
    const DomNode node = NodeAt(document, path);
    QVERIFY(!node.isNull());

    SourceFormatter formatter;
    formatter.preserveText = preserveText;
    formatter.indentSpaces = indentSpaces;
    QCOMPARE(formatter.Format(node, depth), expected);
}

void TestSourceFormatter::saveIsStableAcrossReload_data()
{
    QTest::addColumn<QString>("input");

    QTest::newRow("mixed content") << u"<p>Hello <b>x</b> world</p>"_s;
    QTest::newRow("mixed content nested in element-only content")
        << u"<doc>\n  <p>Hello <b>x<i>y</i></b> world</p>\n  <q><r/></q>\n</doc>"_s;
    QTest::newRow("element-only content inside mixed content")
        << u"<p>a<b>\n  <i/>\n  <j>t</j>\n</b>z</p>"_s;
    QTest::newRow("lone CDATA section") << u"<doc><a><![CDATA[x < y]]></a></doc>"_s;
    QTest::newRow("CDATA among elements") << u"<doc><a/><![CDATA[x]]><b/></doc>"_s;
    QTest::newRow("entity reference")
        << u"<!DOCTYPE doc [<!ENTITY e \"ee\">]>\n<doc><a>&e;</a><b>x&e;y</b></doc>"_s;
    QTest::newRow("preserve scope")
        << u"<doc>\n  <pre xml:space=\"preserve\">\n    <b/>\n  <c>\n </c></pre>\n</doc>"_s;
    QTest::newRow("default inside preserve")
        << u"<doc xml:space=\"preserve\"> <a xml:space=\"default\">\n  <b/>\n</a> </doc>"_s;
    QTest::newRow("prolog, comments and instructions")
        << u"<?xml version=\"1.0\"?>\n<!--top\nlines-->\n<doc>\n  <!--c-->\n  <?pi d?>\n"
           u"  <a>multi\nline</a>\n</doc>"_s;
}

void TestSourceFormatter::saveIsStableAcrossReload()
{
    QFETCH(QString, input);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(input), DomOk);
    const QString saved = SaveLike(document);

    DomDocument reloaded = DomDocument::Create();
    QCOMPARE(reloaded.loadXML(saved), DomOk);
    QCOMPARE(SaveLike(reloaded), saved);
}

void TestSourceFormatter::saveKeepsStringValuesOfTextElements_data()
{
    QTest::addColumn<QString>("input");

    QTest::newRow("inline markup") << u"<p>see <code><a href=\"#x\">f</a></code> now</p>"_s;
    QTest::newRow("element-only child of a paragraph")
        << u"<para>by <personname><firstname>N</firstname><surname>W</surname></personname>."
           u"</para>"_s;
    QTest::newRow("xml:space default below text")
        << u"<doc><p>t<b xml:space=\"default\"><i><j>x</j></i></b></p></doc>"_s;
    QTest::newRow("text beside an entity reference")
        << u"<!DOCTYPE p [<!ENTITY e \"ee\">]><p>&e;<q><r>x</r></q></p>"_s;
    QTest::newRow("CDATA beside nested elements")
        << u"<doc><p><![CDATA[c]]><q><r/><s>x</s></q></p></doc>"_s;
}

void TestSourceFormatter::saveKeepsStringValuesOfTextElements()
{
    QFETCH(QString, input);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(input), DomOk);
    // Read with every whitespace node kept, as other readers see the file.
    DomDocument reloaded = DomDocument::Create();
    reloaded.setPreserveWhiteSpace(true);
    QCOMPARE(reloaded.loadXML(SaveLike(document)), DomOk);

    QList<std::pair<bool, QString>> before, after;
    StringValue(document.documentNode(), before);
    StringValue(reloaded.documentNode(), after);
    QCOMPARE(after.size(), before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        if (before[i].first)
            QCOMPARE(after[i].second, before[i].second);
    }
}

void TestSourceFormatter::wideMixedContentFormatsInLinearTime_data()
{
    QTest::addColumn<bool>("preserveText");

    QTest::newRow("flattened") << false;
    QTest::newRow("verbatim") << true;
}

void TestSourceFormatter::wideMixedContentFormatsInLinearTime()
{
    QFETCH(bool, preserveText);

    // A text run's layout depends on its sibling count; reading it per run would be quadratic.
    constexpr int runs = 100000;
    QString input = u"<p>"_s;
    for (int i = 0; i < runs; ++i)
        input += u"t<b/>"_s;
    input += u"</p>"_s;
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(input), DomOk);

    SourceFormatter formatter;
    formatter.preserveText = preserveText;
    QElapsedTimer timer;
    timer.start();
    const QString text = formatter.Format(document.documentElement(), 0);
    QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
    const qsizetype lineBreaks = text.count(u"\r\n"_s);
    QCOMPARE(lineBreaks, preserveText ? 1 : 2 * runs + 2);
}

void TestSourceFormatter::deepNestingFormats()
{
    // The loader accepts 4096 levels, and the program can build such trees by pasting branches.
    constexpr int levels = 4000;
    QString input;
    for (int i = 0; i < levels; ++i)
        input += u"<a>"_s;
    for (int i = 0; i < levels; ++i)
        input += u"</a>"_s;
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(input), DomOk);

    SourceFormatter formatter;
    formatter.indentSpaces = -1;
    const QString text = formatter.Format(document.documentNode(), 0);
    const QString expected
        = u"<a>\r\n"_s.repeated(levels - 1) + u"<a/>\r\n"_s + u"</a>\r\n"_s.repeated(levels - 1);
    QCOMPARE(text, expected);
}

QTEST_GUILESS_MAIN(TestSourceFormatter)
#include "tst_sourceformatter.moc"
