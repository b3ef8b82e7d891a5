#include "TreeLabels.h"
#include "TreeTestSupport.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TreeLabelsTest : public QObject {
    Q_OBJECT

private slots:
    void elementLabel_data();
    void elementLabel();
    void nodeLabel_data();
    void nodeLabel();
    void drawnLabel_data();
    void drawnLabel();
};

void TreeLabelsTest::elementLabel_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("label");

    const QString two = u"<e a='1' b='2'/>"_s;
    QTest::newRow("none") << two << 0 << u"e"_s;
    QTest::newRow("values") << two << 1 << u"e \"1\"  \"2\""_s;
    QTest::newRow("names") << two << 2 << u"e a=\"1\"  b=\"2\""_s;
    QTest::newRow("other stored value shows names") << two << 7 << u"e a=\"1\"  b=\"2\""_s;
    QTest::newRow("one attribute, no trailing blank") << u"<e a='x'/>"_s << 1 << u"e \"x\""_s;
    QTest::newRow("no attributes") << u"<e/>"_s << 2 << u"e"_s;
    QTest::newRow("values unescaped") << u"<e a='&lt;&amp;\"'/>"_s << 2 << u"e a=\"<&\"\""_s;
    QTest::newRow("line feed kept") << u"<e a='1&#10;2'/>"_s << 1 << u"e \"1\n2\""_s;
    QTest::newRow("namespace declaration is an attribute")
        << u"<p:e xmlns:p='urn:x' p:a='v'/>"_s << 2 << u"p:e xmlns:p=\"urn:x\"  p:a=\"v\""_s;
}

void TreeLabelsTest::elementLabel()
{
    QFETCH(QString, xml);
    QFETCH(int, mode);
    QFETCH(QString, label);
    const DomDocument document = LoadXml(xml);
    QCOMPARE(TreeLabels::MakeElementLabel(document.documentElement(), mode), label);
    QCOMPARE(TreeLabels::MakeLabel(document.documentElement(), mode), label);
}

void TreeLabelsTest::nodeLabel_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("label");

    QTest::newRow("document") << u"<r/>"_s << QString() << u"Document"_s;
    QTest::newRow("text keeps its lines") << u"<r>one\ntwo </r>"_s << u"0/0"_s << u"one\ntwo "_s;
    QTest::newRow("CDATA") << u"<r><![CDATA[<x>]]></r>"_s << u"0/0"_s << u"<x>"_s;
    QTest::newRow("comment") << u"<!-- c --><r/>"_s << u"0"_s << u" c "_s;
    QTest::newRow("style-sheet instruction")
        << u"<?xml-stylesheet type=\"text/xsl\"  href=\"a.xsl\"?><r/>"_s << u"0"_s
        << u"xml-stylesheet type=\"text/xsl\"  href=\"a.xsl\""_s;
    QTest::newRow("declaration") << u"<?xml version='1.0'?><r/>"_s << u"0"_s
                                 << u"xml version=\"1.0\""_s;
    QTest::newRow("instruction without data") << u"<r><?pi?></r>"_s << u"0/0"_s << u"pi "_s;
    QTest::newRow("document type on one line")
        << u"<!DOCTYPE r [\n  <!ENTITY e \"a  b\">\n  <!ELEMENT r ANY>\n]>\n<r/>"_s << u"0"_s
        << u"<!DOCTYPE r [ <!ENTITY e \"a  b\"> <!ELEMENT r ANY> ]>"_s;
    QTest::newRow("document type without subset")
        << u"<!DOCTYPE r SYSTEM \"r.dtd\"><r/>"_s << u"0"_s << u"<!DOCTYPE r SYSTEM \"r.dtd\">"_s;
}

void TreeLabelsTest::nodeLabel()
{
    QFETCH(QString, xml);
    QFETCH(QString, path);
    QFETCH(QString, label);
    QCOMPARE(TreeLabels::MakeLabel(NodeAt(LoadXml(xml), path), 2), label);
}

void TreeLabelsTest::drawnLabel_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("drawn");

    const QString cut = QString(TreeLabels::MaxDrawnLength, u'x');
    QTest::newRow("one line") << u"a b"_s << u"a b"_s;
    QTest::newRow("line feeds") << u"a\nb\n"_s << u"a\u21B5b\u21B5"_s;
    QTest::newRow("CR LF is one break") << u"a\r\nb\rc"_s << u"a\u21B5b\u21B5c"_s;
    QTest::newRow("longest drawn whole") << cut << cut;
    QTest::newRow("longer is cut") << cut + u"yz"_s << cut + u"\u2026"_s;
    QTest::newRow("cut keeps characters whole")
        << cut.left(cut.size() - 1) + u"\U0001F600"_s << cut.left(cut.size() - 1) + u"\u2026"_s;
}

void TreeLabelsTest::drawnLabel()
{
    QFETCH(QString, label);
    QFETCH(QString, drawn);
    QCOMPARE(TreeLabels::ForDrawing(label), drawn);
}

QTEST_GUILESS_MAIN(TreeLabelsTest)
#include "tst_treelabels.moc"
