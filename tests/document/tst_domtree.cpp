#include "dom/DomDocument.h"
#include "dom/DomNamedNodeMap.h"
#include "dom/DomNodeList.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QString Visible(QString text)
{
    return text.replace(u'\n', u"\\n"_s).replace(u'\r', u"\\r"_s).replace(u'\t', u"\\t"_s);
}

// A compact picture of a subtree, independent of the writer.
QString Structure(const DomNode& node)
{
    QStringList children;
    for (DomNode child = node.firstChild(); child; child = child.nextSibling())
        children << Structure(child);
    const QString inner = children.isEmpty() ? QString() : u'(' + children.join(u',') + u')';
    switch (node.nodeType()) {
    case NodeType::Element:
        return node.nodeName() + inner;
    case NodeType::Text:
        return u'\'' + Visible(node.nodeValue().value_or(u"<none>"_s)) + u'\'';
    case NodeType::CDataSection:
        return u"[CDATA:"_s + node.nodeValue().value_or(u"<none>"_s) + u']';
    case NodeType::EntityReference:
        return u'&' + node.nodeName() + u';' + inner;
    case NodeType::Comment:
        return u"<!--"_s + node.nodeValue().value_or(QString()) + u"-->"_s;
    case NodeType::ProcessingInstruction:
        return u"<?"_s + node.nodeName() + u"?>"_s;
    case NodeType::DocumentType:
        return u"<!DOCTYPE>"_s;
    case NodeType::Document:
        return u"#document"_s + inner;
    default:
        return u'#' + QString::number(int(node.nodeType()));
    }
}

QString AttributeNames(const DomNode& element)
{
    const DomNamedNodeMap map = element.attributes();
    QStringList names;
    for (int i = 0; i < map.length(); ++i)
        names << map.item(i).name();
    return names.join(u',');
}

// "" is the start node; "2/0" the first child of its third child; "@1" the second attribute.
DomNode Locate(const DomNode& start, const QString& path)
{
    DomNode node = start;
    if (path.isEmpty())
        return node;
    for (const QString& step : path.split(u'/')) {
        if (step.startsWith(u'@'))
            node = node.attributes().item(step.mid(1).toInt());
        else
            node = node.childNodes().item(step.toInt());
    }
    return node;
}

// The namespace a prefix ("" for the default namespace) resolves to at a node, read from the
// namespace declarations in the attribute maps of the node and its ancestors.
std::optional<QString> LookupNamespace(const DomNode& node, const QString& prefix)
{
    const QString name = prefix.isEmpty() ? u"xmlns"_s : u"xmlns:"_s + prefix;
    for (DomNode n = node; n && n.nodeType() == NodeType::Element; n = n.parentNode()) {
        const DomAttribute declaration = n.toElement().getAttributeNode(name);
        if (declaration)
            return declaration.value();
    }
    return std::nullopt;
}

bool Reparses(const QString& markup)
{
    DomDocument document = DomDocument::Create();
    return Succeeded(document.loadXML(markup));
}

// Each element and attribute with its namespace, in document order, as XPath sees the tree.
QString Namespaces(const DomDocument& document)
{
    DomDocument sheet = DomDocument::Create();
    QString output = u"<failed>"_s;
    if (Succeeded(sheet.loadXML(
            u"<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
            "<xsl:output method=\"text\"/><xsl:template match=\"*|@*\">"
            "<xsl:value-of select=\"concat(local-name(), '{', namespace-uri(), '} ')\"/>"
            "<xsl:apply-templates select=\"@*|*\"/></xsl:template></xsl:stylesheet>"_s)))
        document.transformNode(sheet, output);
    return output;
}

// A richly typed document: declaration, document type, instruction, comment, and an element
// holding text, CDATA, an entity reference and a prefixed child.
const QString kAllKinds
    = u"<?xml version=\"1.0\"?>\n"
      "<!DOCTYPE p:r [<!ENTITY e \"v<i>w</i>\">]>\n"
      "<?pi   some data ?>\n"
      "<!--note-->\n"
      "<p:r xmlns:p=\"urn:p\" p:at=\"1\" plain=\"two\">t<![CDATA[cd]]>&e;<p:x/></p:r>"_s;

// The document the tree-change tables work on.
const QString kTree = u"<?xml version=\"1.0\"?>\n"
                      "<!DOCTYPE r [<!ENTITY e \"<i>v</i>\">]>\n"
                      "<r a=\"1\"><b><c/></b>t<![CDATA[d]]><!--m--><?p q?>&e;</r>"_s;

// "new:KIND" creates a detached node; anything else is a path into the document.
DomNode MakeOrLocate(const DomDocument& document, const QString& what)
{
    if (what == u"new:element"_s)
        return document.createElement(u"n"_s);
    if (what == u"new:text"_s)
        return document.createTextNode(u"n"_s);
    if (what == u"new:cdata"_s)
        return document.createCDATASection(u"n"_s);
    if (what == u"new:comment"_s)
        return document.createComment(u"n"_s);
    if (what == u"new:pi"_s)
        return document.createProcessingInstruction(u"n"_s, u"n"_s);
    if (what == u"new:attribute"_s)
        return document.createAttribute(u"n"_s);
    if (what == u"new:decl"_s)
        return document.createProcessingInstruction(u"xml"_s, u"version=\"1.0\""_s);
    if (what == u"null"_s)
        return DomNode();
    return Locate(document.documentNode(), what);
}

DomResult Apply(DomNode parent, const QString& operation, const DomNode& node, const DomNode& ref)
{
    if (operation == u"append"_s)
        return parent.appendChild(node);
    if (operation == u"insert"_s)
        return parent.insertBefore(node, ref);
    return parent.removeChild(node);
}

} // namespace

class TestDomTree : public QObject {
    Q_OBJECT

private slots:
    void removedNodeKeepsItsSubtree();
    void descendantHandleKeepsDetachedSubtree();
    void handlesOutliveTheDocument();
    void oldContentStaysValidAfterLoad();
    void removedAttributeStaysValid();
    void detachedSubtreeCanBeReinserted();

    void nodeTypesAndNames_data();
    void nodeTypesAndNames();
    void nodeValues_data();
    void nodeValues();
    void setNodeValue_data();
    void setNodeValue();

    void createNodes_data();
    void createNodes();

    void cloneShallowCopiesAttributesOnly();
    void cloneDeepCopiesSubtree();
    void cloneOfOtherKinds_data();
    void cloneOfOtherKinds();
    void cloneKeepsNamespacesWhenOriginalIsGone();

    void allowedChanges_data();
    void allowedChanges();
    void refusedChangesLeaveTreeUnchanged_data();
    void refusedChangesLeaveTreeUnchanged();
    void declarationInsertedFirst();
    void detachedDeclarationKeepsItsValue_data();
    void detachedDeclarationKeepsItsValue();
    void deepTreeCanBeCopiedAndRemoved_data();
    void deepTreeCanBeCopiedAndRemoved();

    void adjacentTextIsNotMerged_data();
    void adjacentTextIsNotMerged();

    void attributeMapOrder_data();
    void attributeMapOrder();
    void attributeNamesAreCaseSensitive();
    void setAttributeKeepsPlaceOrAppends_data();
    void setAttributeKeepsPlaceOrAppends();
    void setAttributeNode_data();
    void setAttributeNode();
    void replacedAttributeStaysValid();
    void removedPrefixedAttributeStandsAlone_data();
    void removedPrefixedAttributeStandsAlone();
    void removeNamedItem_data();
    void removeNamedItem();
    void removedAttributeGoesBackInPlace_data();
    void removedAttributeGoesBackInPlace();
    void attributeMapIsLive();

    void insertChecksPrefixesInDestination_data();
    void insertChecksPrefixesInDestination();
    void setAttributeChecksPrefix_data();
    void setAttributeChecksPrefix();
    void unreadableNamespaceEditsAreRefused_data();
    void unreadableNamespaceEditsAreRefused();
    void declarationAttributeBindsPrefix();
    void movedSubtreeKeepsNamespaces_data();
    void movedSubtreeKeepsNamespaces();
    void removingUsedDeclarationRedeclaresIt_data();
    void removingUsedDeclarationRedeclaresIt();
    void detachedNodeKeepsNamespaceAfterAncestorIsGone();
    void nodeMovedOutOfReleasedTreeKeepsNamespaces_data();
    void nodeMovedOutOfReleasedTreeKeepsNamespaces();
    void namespacesMatchTheMarkup_data();
    void namespacesMatchTheMarkup();
    void redeclaredPrefixBindsToOwnDeclaration();

    void indexedWalkVisitsEveryChildInOrder();
    void childListIsLive();

    void standaloneMarkup_data();
    void standaloneMarkup();
    void parseContent_data();
    void parseContent();
};

void TestDomTree::removedNodeKeepsItsSubtree()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<a><b x=\"1\"><c>t</c></b><d/></a>"_s), DomOk);
    DomNode b = document.documentElement().firstChild();
    QCOMPARE(document.documentElement().removeChild(b), DomOk);

    QVERIFY(b.parentNode().isNull());
    QCOMPARE(b.xml(), u"<b x=\"1\"><c>t</c></b>"_s);
    QCOMPARE(b.firstChild().parentNode(), b);
    QCOMPARE(document.documentElement().xml(), u"<a><d/></a>"_s);
}

void TestDomTree::descendantHandleKeepsDetachedSubtree()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<a><b x=\"1\"><c>t</c></b></a>"_s), DomOk);
    DomNode text;
    {
        DomNode b = document.documentElement().firstChild();
        text = b.firstChild().firstChild();
        QCOMPARE(document.documentElement().removeChild(b), DomOk);
    }
    QCOMPARE(text.nodeValue().value_or(QString()), u"t"_s);
    const DomNode b = text.parentNode().parentNode();
    QCOMPARE(b.nodeName(), u"b"_s);
    QVERIFY(b.parentNode().isNull());
    QCOMPARE(b.xml(), u"<b x=\"1\"><c>t</c></b>"_s);
}

void TestDomTree::handlesOutliveTheDocument()
{
    DomElement element;
    DomNode comment;
    {
        DomDocument document = DomDocument::Create();
        QCOMPARE(document.loadXML(u"<a><b>t</b></a>"_s), DomOk);
        element = document.documentElement();
        comment = document.createComment(u"c"_s);
    }
    QCOMPARE(element.xml(), u"<a><b>t</b></a>"_s);
    QCOMPARE(element.parentNode().nodeType(), NodeType::Document);
    QCOMPARE(element.appendChild(comment), DomOk);
    QCOMPARE(element.setAttribute(u"x"_s, u"1"_s), DomOk);
    QCOMPARE(element.xml(), u"<a x=\"1\"><b>t</b><!--c--></a>"_s);
}

void TestDomTree::oldContentStaysValidAfterLoad()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<old><b>t</b></old>"_s), DomOk);
    const DomNode oldRoot = document.documentElement();
    const DomNode oldText = oldRoot.firstChild().firstChild();

    QCOMPARE(document.loadXML(u"<new/>"_s), DomOk);
    QCOMPARE(document.documentElement().nodeName(), u"new"_s);
    QCOMPARE(oldRoot.xml(), u"<old><b>t</b></old>"_s);
    QCOMPARE(oldText.nodeValue().value_or(QString()), u"t"_s);
    QCOMPARE(oldRoot.parentNode().nodeType(), NodeType::Document);
    QVERIFY(oldRoot.parentNode() != document.documentNode());
}

void TestDomTree::removedAttributeStaysValid()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<a x=\"1\" y=\"2\"/>"_s), DomOk);
    DomElement a = document.documentElement();
    const DomAttribute x = a.getAttributeNode(u"x"_s);
    QCOMPARE(x.ownerElement(), a);
    QCOMPARE(a.removeAttribute(u"x"_s), DomOk);

    QCOMPARE(x.name(), u"x"_s);
    QCOMPARE(x.value(), u"1"_s);
    QVERIFY(x.ownerElement().isNull());
    QCOMPARE(a.xml(), u"<a y=\"2\"/>"_s);
}

void TestDomTree::detachedSubtreeCanBeReinserted()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<a><b><c>t</c><!--m--></b><d/></a>"_s), DomOk);
    DomNode a = document.documentElement();
    DomNode b = a.firstChild();
    QCOMPARE(a.removeChild(b), DomOk);
    QCOMPARE(a.firstChild().appendChild(b), DomOk);
    QCOMPARE(a.xml(), u"<a><d><b><c>t</c><!--m--></b></d></a>"_s);
    QCOMPARE(b.parentNode().nodeName(), u"d"_s);
    QVERIFY(Reparses(document.xml()));
}

void TestDomTree::nodeTypesAndNames_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");

    QTest::newRow("document") << u""_s << 9 << u"#document"_s;
    QTest::newRow("declaration") << u"0"_s << 7 << u"xml"_s;
    QTest::newRow("document type") << u"1"_s << 10 << u"p:r"_s;
    QTest::newRow("processing instruction") << u"2"_s << 7 << u"pi"_s;
    QTest::newRow("comment") << u"3"_s << 8 << u"#comment"_s;
    QTest::newRow("prefixed element") << u"4"_s << 1 << u"p:r"_s;
    QTest::newRow("namespace declaration") << u"4/@0"_s << 2 << u"xmlns:p"_s;
    QTest::newRow("prefixed attribute") << u"4/@1"_s << 2 << u"p:at"_s;
    QTest::newRow("attribute") << u"4/@2"_s << 2 << u"plain"_s;
    QTest::newRow("text") << u"4/0"_s << 3 << u"#text"_s;
    QTest::newRow("CDATA section") << u"4/1"_s << 4 << u"#cdata-section"_s;
    QTest::newRow("entity reference") << u"4/2"_s << 5 << u"e"_s;
    QTest::newRow("element inside entity reference") << u"4/2/1"_s << 1 << u"i"_s;
    QTest::newRow("prefixed child") << u"4/3"_s << 1 << u"p:x"_s;
}

void TestDomTree::nodeTypesAndNames()
{
    QFETCH(QString, path);
    QFETCH(int, type);
    QFETCH(QString, name);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(kAllKinds), DomOk);
    const DomNode node = Locate(document.documentNode(), path);
    QVERIFY(!node.isNull());
    QCOMPARE(int(node.nodeType()), type);
    QCOMPARE(node.nodeName(), name);
}

void TestDomTree::nodeValues_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("hasValue");
    QTest::addColumn<QString>("value");

    QTest::newRow("document") << u""_s << false << QString();
    QTest::newRow("declaration") << u"0"_s << true << u"version=\"1.0\""_s;
    QTest::newRow("document type") << u"1"_s << false << QString();
    QTest::newRow("instruction data after target and blanks") << u"2"_s << true << u"some data "_s;
    QTest::newRow("comment") << u"3"_s << true << u"note"_s;
    QTest::newRow("element") << u"4"_s << false << QString();
    QTest::newRow("namespace declaration") << u"4/@0"_s << true << u"urn:p"_s;
    QTest::newRow("attribute") << u"4/@2"_s << true << u"two"_s;
    QTest::newRow("text") << u"4/0"_s << true << u"t"_s;
    QTest::newRow("CDATA section") << u"4/1"_s << true << u"cd"_s;
    QTest::newRow("entity reference") << u"4/2"_s << false << QString();
    QTest::newRow("text inside entity reference") << u"4/2/0"_s << true << u"v"_s;
}

void TestDomTree::nodeValues()
{
    QFETCH(QString, path);
    QFETCH(bool, hasValue);
    QFETCH(QString, value);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(kAllKinds), DomOk);
    const std::optional<QString> actual = Locate(document.documentNode(), path).nodeValue();
    QCOMPARE(actual.has_value(), hasValue);
    if (hasValue)
        QCOMPARE(*actual, value);
}

void TestDomTree::setNodeValue_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("document") << u""_s << u"x"_s << false;
    QTest::newRow("declaration") << u"0"_s << u"version=\"1.0\" encoding=\"UTF-8\""_s << false;
    QTest::newRow("document type") << u"1"_s << u"x"_s << false;
    QTest::newRow("element") << u"4"_s << u"x"_s << false;
    QTest::newRow("entity reference") << u"4/2"_s << u"x"_s << false;
    QTest::newRow("text inside entity reference") << u"4/2/0"_s << u"x"_s << false;

    QTest::newRow("instruction") << u"2"_s << u"other data"_s << true;
    QTest::newRow("comment") << u"3"_s << u" - a - "_s << true;
    QTest::newRow("attribute with markup") << u"4/@2"_s << u"q\"<&>'\t"_s << true;
    QTest::newRow("text with markup") << u"4/0"_s << u"a<&>]]>b"_s << true;
    QTest::newRow("CDATA with markup") << u"4/1"_s << u"x<y&z]]"_s << true;
    QTest::newRow("CDATA with terminator") << u"4/1"_s << u"a]]>b"_s << true;
    QTest::newRow("text with surrogate pair") << u"4/0"_s << u"\U0001D11E"_s << true;

    QTest::newRow("comment with double hyphen") << u"3"_s << u"a--b"_s << false;
    QTest::newRow("comment ending in hyphen") << u"3"_s << u"a-"_s << false;
    QTest::newRow("instruction with terminator") << u"2"_s << u"a?>b"_s << false;
    QTest::newRow("text with control character") << u"4/0"_s << u"a\u0001b"_s << false;
    QTest::newRow("attribute with U+FFFE") << u"4/@2"_s << u"a\uFFFEb"_s << false;
    QTest::newRow("comment with U+FFFF") << u"3"_s << u"a\uFFFFb"_s << false;
    QTest::newRow("text with unpaired surrogate") << u"4/0"_s << QString(QChar(0xD800)) << false;
}

void TestDomTree::setNodeValue()
{
    QFETCH(QString, path);
    QFETCH(QString, value);
    QFETCH(bool, accepted);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(kAllKinds), DomOk);
    DomNode node = Locate(document.documentNode(), path);
    const std::optional<QString> before = node.nodeValue();
    const QString xmlBefore = document.xml();

    const DomResult result = node.setNodeValue(value);
    if (accepted) {
        QCOMPARE(result, DomOk);
        QCOMPARE(node.nodeValue().value_or(QString()), value);
        QVERIFY(Reparses(document.xml()));
    } else {
        QVERIFY2(Failed(result), "the value was accepted");
        QVERIFY(node.nodeValue() == before);
        QCOMPARE(document.xml(), xmlBefore);
    }
}

void TestDomTree::createNodes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("data");
    QTest::addColumn<bool>("valid");

    const QString none;
    QTest::newRow("element") << u"element"_s << u"a"_s << none << true;
    QTest::newRow("element underscore, hyphen, dot") << u"element"_s << u"_a-b.c"_s << none << true;
    QTest::newRow("element non-ASCII") << u"element"_s << u"\u00E9t\u00E9"_s << none << true;
    QTest::newRow("element ideographs") << u"element"_s << u"\u65E5\u672C"_s << none << true;
    QTest::newRow("element qualified") << u"element"_s << u"p:a"_s << none << true;
    QTest::newRow("element empty") << u"element"_s << u""_s << none << false;
    QTest::newRow("element leading digit") << u"element"_s << u"1a"_s << none << false;
    QTest::newRow("element leading hyphen") << u"element"_s << u"-a"_s << none << false;
    QTest::newRow("element leading dot") << u"element"_s << u".a"_s << none << false;
    QTest::newRow("element blank") << u"element"_s << u"a b"_s << none << false;
    QTest::newRow("element trailing tab") << u"element"_s << u"a\t"_s << none << false;
    QTest::newRow("element less-than") << u"element"_s << u"a<b"_s << none << false;
    QTest::newRow("element ampersand") << u"element"_s << u"a&b"_s << none << false;
    QTest::newRow("element quote") << u"element"_s << u"a\"b"_s << none << false;
    QTest::newRow("element slash") << u"element"_s << u"a/b"_s << none << false;
    QTest::newRow("element leading colon") << u"element"_s << u":a"_s << none << false;
    QTest::newRow("element trailing colon") << u"element"_s << u"a:"_s << none << false;
    QTest::newRow("element two colons") << u"element"_s << u"a:b:c"_s << none << false;
    QTest::newRow("element local part digit") << u"element"_s << u"p:1"_s << none << false;

    QTest::newRow("attribute") << u"attribute"_s << u"x"_s << none << true;
    QTest::newRow("attribute qualified") << u"attribute"_s << u"p:x"_s << none << true;
    QTest::newRow("attribute empty") << u"attribute"_s << u""_s << none << false;
    QTest::newRow("attribute leading digit") << u"attribute"_s << u"9x"_s << none << false;
    QTest::newRow("attribute blank") << u"attribute"_s << u"x y"_s << none << false;
    QTest::newRow("attribute equals") << u"attribute"_s << u"x=y"_s << none << false;
    QTest::newRow("attribute two colons") << u"attribute"_s << u"p:x:y"_s << none << false;

    QTest::newRow("instruction") << u"pi"_s << u"target"_s << u"some data"_s << true;
    QTest::newRow("instruction starting with xml")
        << u"pi"_s << u"xml-stylesheet"_s << u"href=\"a.xsl\""_s << true;
    QTest::newRow("instruction question mark") << u"pi"_s << u"t"_s << u"a?b>c"_s << true;
    QTest::newRow("instruction empty target") << u"pi"_s << u""_s << u"d"_s << false;
    QTest::newRow("instruction leading digit") << u"pi"_s << u"1t"_s << u"d"_s << false;
    QTest::newRow("instruction target XML") << u"pi"_s << u"XML"_s << u"d"_s << false;
    QTest::newRow("instruction target Xml") << u"pi"_s << u"Xml"_s << u"d"_s << false;
    QTest::newRow("instruction target xmL") << u"pi"_s << u"xmL"_s << u"d"_s << false;
    QTest::newRow("instruction terminator in data") << u"pi"_s << u"t"_s << u"a?>b"_s << false;
    QTest::newRow("instruction control character") << u"pi"_s << u"t"_s << u"a\u0002"_s << false;
    QTest::newRow("instruction U+FFFE") << u"pi"_s << u"t"_s << u"\uFFFE"_s << false;

    QTest::newRow("declaration version") << u"pi"_s << u"xml"_s << u"version=\"1.0\""_s << true;
    QTest::newRow("declaration UTF-8")
        << u"pi"_s << u"xml"_s << u"version=\"1.0\" encoding=\"UTF-8\""_s << true;
    QTest::newRow("declaration Latin-1 standalone")
        << u"pi"_s << u"xml"_s << u"version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"yes\""_s
        << true;
    QTest::newRow("declaration UTF-16 standalone no")
        << u"pi"_s << u"xml"_s << u"version=\"1.0\" encoding=\"UTF-16\" standalone=\"no\""_s
        << true;
    QTest::newRow("declaration empty") << u"pi"_s << u"xml"_s << u""_s << false;
    QTest::newRow("declaration without version")
        << u"pi"_s << u"xml"_s << u"encoding=\"UTF-8\""_s << false;
    QTest::newRow("declaration unknown encoding")
        << u"pi"_s << u"xml"_s << u"version=\"1.0\" encoding=\"no-such-charset\""_s << false;
    QTest::newRow("declaration bad standalone")
        << u"pi"_s << u"xml"_s << u"version=\"1.0\" standalone=\"maybe\""_s << false;
    QTest::newRow("declaration wrong order")
        << u"pi"_s << u"xml"_s << u"encoding=\"UTF-8\" version=\"1.0\""_s << false;
    QTest::newRow("declaration unknown pseudo-attribute")
        << u"pi"_s << u"xml"_s << u"version=\"1.0\" color=\"red\""_s << false;
    QTest::newRow("declaration garbage") << u"pi"_s << u"xml"_s << u"hello"_s << false;
    QTest::newRow("declaration of a write-only encoding")
        << u"pi"_s << u"xml"_s << u"version=\"1.0\" encoding=\"HTML\""_s << false;

    QTest::newRow("comment") << u"comment"_s << none << u" a - b "_s << true;
    QTest::newRow("comment empty") << u"comment"_s << none << u""_s << true;
    QTest::newRow("comment leading hyphen") << u"comment"_s << none << u"-a"_s << true;
    QTest::newRow("comment double hyphen") << u"comment"_s << none << u"a--b"_s << false;
    QTest::newRow("comment trailing hyphen") << u"comment"_s << none << u"a-"_s << false;
    QTest::newRow("comment control character") << u"comment"_s << none << u"\u001F"_s << false;

    QTest::newRow("CDATA") << u"cdata"_s << none << u"<a>&]]"_s << true;
    QTest::newRow("CDATA terminator") << u"cdata"_s << none << u"a]]>b"_s << true;
    QTest::newRow("CDATA vertical tab") << u"cdata"_s << none << u"a\u000Bb"_s << false;

    QTest::newRow("text markup") << u"text"_s << none << u"a<&>\"'b"_s << true;
    QTest::newRow("text blanks") << u"text"_s << none << u"\t\r\n "_s << true;
    QTest::newRow("text surrogate pair") << u"text"_s << none << u"\U0001F600"_s << true;
    QTest::newRow("text NUL") << u"text"_s << none << QString(QChar(0)) << false;
    QTest::newRow("text escape") << u"text"_s << none << u"\u001B[0m"_s << false;
    QTest::newRow("text U+FFFF") << u"text"_s << none << u"\uFFFF"_s << false;
    QTest::newRow("text unpaired high surrogate")
        << u"text"_s << none << u"a"_s + QChar(0xD800) + u"b"_s << false;
    QTest::newRow("text unpaired low surrogate")
        << u"text"_s << none << u"a"_s + QChar(0xDC00) << false;
    QTest::newRow("text reversed surrogates")
        << u"text"_s << none << QString(QChar(0xDC00)) + QChar(0xD800) << false;
}

void TestDomTree::createNodes()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(QString, data);
    QFETCH(bool, valid);

    const DomDocument document = DomDocument::Create();
    DomNode node;
    NodeType type = NodeType::Invalid;
    QString expectedName = name;
    if (kind == u"element"_s) {
        node = document.createElement(name);
        type = NodeType::Element;
    } else if (kind == u"attribute"_s) {
        node = document.createAttribute(name);
        type = NodeType::Attribute;
    } else if (kind == u"pi"_s) {
        node = document.createProcessingInstruction(name, data);
        type = NodeType::ProcessingInstruction;
    } else if (kind == u"comment"_s) {
        node = document.createComment(data);
        type = NodeType::Comment;
        expectedName = u"#comment"_s;
    } else if (kind == u"cdata"_s) {
        node = document.createCDATASection(data);
        type = NodeType::CDataSection;
        expectedName = u"#cdata-section"_s;
    } else {
        node = document.createTextNode(data);
        type = NodeType::Text;
        expectedName = u"#text"_s;
    }

    if (!valid) {
        QVERIFY2(node.isNull(), "an invalid node was created");
        return;
    }
    QVERIFY2(!node.isNull(), "a valid node was refused");
    QCOMPARE(node.nodeType(), type);
    QCOMPARE(node.nodeName(), expectedName);
    QVERIFY(node.parentNode().isNull());
    if (type != NodeType::Element && type != NodeType::Attribute)
        QCOMPARE(node.nodeValue().value_or(u"<none>"_s), data);
}

void TestDomTree::cloneShallowCopiesAttributesOnly()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<r><a x=\"1\" y=\"2\"><b/>t</a></r>"_s), DomOk);
    const DomNode a = document.documentElement().firstChild();
    DomNode copy = a.cloneNode(false);
    QVERIFY(!copy.isNull());
    QVERIFY(copy != a);
    QVERIFY(copy.parentNode().isNull());
    QVERIFY(!copy.hasChildNodes());
    QCOMPARE(AttributeNames(copy), u"x,y"_s);
    QCOMPARE(copy.toElement().getAttribute(u"y"_s).value_or(QString()), u"2"_s);
    QCOMPARE(document.documentElement().appendChild(copy), DomOk);
    QCOMPARE(document.documentElement().xml(),
        u"<r><a x=\"1\" y=\"2\"><b/>t</a><a x=\"1\" y=\"2\"/></r>"_s);
}

void TestDomTree::cloneDeepCopiesSubtree()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<r><a x=\"1\"><b>t</b><!--c--></a></r>"_s), DomOk);
    const DomNode a = document.documentElement().firstChild();
    DomNode copy = a.cloneNode(true);
    QVERIFY(copy.parentNode().isNull());
    QCOMPARE(copy.xml(), a.xml());

    QCOMPARE(copy.toElement().setAttribute(u"x"_s, u"9"_s), DomOk);
    QCOMPARE(copy.firstChild().firstChild().setNodeValue(u"changed"_s), DomOk);
    QCOMPARE(a.xml(), u"<a x=\"1\"><b>t</b><!--c--></a>"_s);
    QCOMPARE(document.documentElement().insertBefore(copy, a), DomOk);
    QCOMPARE(document.documentElement().xml(),
        u"<r><a x=\"9\"><b>changed</b><!--c--></a><a x=\"1\"><b>t</b><!--c--></a></r>"_s);
}

void TestDomTree::cloneOfOtherKinds_data()
{
    QTest::addColumn<QString>("path");

    QTest::newRow("text") << u"4/0"_s;
    QTest::newRow("CDATA section") << u"4/1"_s;
    QTest::newRow("entity reference") << u"4/2"_s;
    QTest::newRow("comment") << u"3"_s;
    QTest::newRow("processing instruction") << u"2"_s;
    QTest::newRow("attribute") << u"4/@2"_s;
}

void TestDomTree::cloneOfOtherKinds()
{
    QFETCH(QString, path);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(kAllKinds), DomOk);
    const DomNode original = Locate(document.documentNode(), path);
    const DomNode copy = original.cloneNode(true);
    QVERIFY(!copy.isNull());
    QVERIFY(copy != original);
    QCOMPARE(copy.nodeType(), original.nodeType());
    QCOMPARE(copy.nodeName(), original.nodeName());
    QVERIFY(copy.nodeValue() == original.nodeValue());
    QVERIFY(copy.parentNode().isNull());
    if (copy.nodeType() == NodeType::Attribute)
        QVERIFY(copy.toAttribute().ownerElement().isNull());
}

void TestDomTree::cloneKeepsNamespacesWhenOriginalIsGone()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(
        document.loadXML(u"<p:r xmlns:p=\"urn:p\"><p:a p:x=\"1\"><p:b/></p:a></p:r>"_s), DomOk);
    DomNode copy;
    {
        DomNode root = document.documentElement();
        copy = root.firstChild().cloneNode(true);
        QCOMPARE(document.documentNode().removeChild(root), DomOk);
    }
    QVERIFY(document.documentElement().isNull());
    QCOMPARE(Structure(copy), u"p:a(p:b)"_s);
    QCOMPARE(copy.toElement().getAttribute(u"p:x"_s).value_or(QString()), u"1"_s);

    DomElement root = document.createElement(u"n"_s);
    QCOMPARE(root.setAttribute(u"xmlns:p"_s, u"urn:p"_s), DomOk);
    QCOMPARE(document.documentNode().appendChild(root), DomOk);
    QCOMPARE(root.appendChild(copy), DomOk);
    QCOMPARE(LookupNamespace(copy.firstChild(), u"p"_s).value_or(QString()), u"urn:p"_s);
    QVERIFY2(Reparses(document.xml()), qPrintable(document.xml()));
}

void TestDomTree::allowedChanges_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("child");
    QTest::addColumn<QString>("ref");
    QTest::addColumn<QString>("expected"); // structure of the parent afterwards

    QTest::newRow("append element")
        << u"append"_s << u"2/0"_s << u"new:element"_s << u"null"_s << u"b(c,n)"_s;
    QTest::newRow("append text") << u"append"_s << u"2/0"_s << u"new:text"_s << u"null"_s
                                 << u"b(c,'n')"_s;
    QTest::newRow("append CDATA") << u"append"_s << u"2/0"_s << u"new:cdata"_s << u"null"_s
                                  << u"b(c,[CDATA:n])"_s;
    QTest::newRow("append comment")
        << u"append"_s << u"2/0"_s << u"new:comment"_s << u"null"_s << u"b(c,<!--n-->)"_s;
    QTest::newRow("append instruction")
        << u"append"_s << u"2/0"_s << u"new:pi"_s << u"null"_s << u"b(c,<?n?>)"_s;
    QTest::newRow("move entity reference")
        << u"append"_s << u"2/0"_s << u"2/5"_s << u"null"_s << u"b(c,&e;(i('v')))"_s;
    QTest::newRow("insert before first")
        << u"insert"_s << u"2/0"_s << u"new:element"_s << u"2/0/0"_s << u"b(n,c)"_s;
    QTest::newRow("insert with null reference appends")
        << u"insert"_s << u"2/0"_s << u"new:text"_s << u"null"_s << u"b(c,'n')"_s;
    QTest::newRow("move to a later place among siblings")
        << u"insert"_s << u"2"_s << u"2/0"_s << u"2/2"_s
        << u"r('t',b(c),[CDATA:d],<!--m-->,<?p?>,&e;(i('v')))"_s;
    QTest::newRow("move to an earlier place among siblings")
        << u"insert"_s << u"2"_s << u"2/3"_s << u"2/0"_s
        << u"r(<!--m-->,b(c),'t',[CDATA:d],<?p?>,&e;(i('v')))"_s;
    QTest::newRow("move grandchild up") << u"append"_s << u"2"_s << u"2/0/0"_s << u"null"_s
                                        << u"r(b,'t',[CDATA:d],<!--m-->,<?p?>,&e;(i('v')),c)"_s;
    QTest::newRow("remove element") << u"remove"_s << u"2"_s << u"2/0"_s << u"null"_s
                                    << u"r('t',[CDATA:d],<!--m-->,<?p?>,&e;(i('v')))"_s;
    QTest::newRow("remove entity reference") << u"remove"_s << u"2"_s << u"2/5"_s << u"null"_s
                                             << u"r(b(c),'t',[CDATA:d],<!--m-->,<?p?>)"_s;
    QTest::newRow("comment under document")
        << u"append"_s << u""_s << u"new:comment"_s << u"null"_s
        << u"#document(<?xml?>,<!DOCTYPE>,r(b(c),'t',[CDATA:d],<!--m-->,<?p?>,&e;(i('v'))),<!--n-->)"_s;
    QTest::newRow("instruction before root")
        << u"insert"_s << u""_s << u"new:pi"_s << u"2"_s
        << u"#document(<?xml?>,<!DOCTYPE>,<?n?>,r(b(c),'t',[CDATA:d],<!--m-->,<?p?>,&e;(i('v'))))"_s;
    QTest::newRow("comment before document type")
        << u"insert"_s << u""_s << u"new:comment"_s << u"1"_s
        << u"#document(<?xml?>,<!--n-->,<!DOCTYPE>,r(b(c),'t',[CDATA:d],<!--m-->,<?p?>,&e;(i('v'))))"_s;
    QTest::newRow("remove root element")
        << u"remove"_s << u""_s << u"2"_s << u"null"_s << u"#document(<?xml?>,<!DOCTYPE>)"_s;
}

void TestDomTree::allowedChanges()
{
    QFETCH(QString, operation);
    QFETCH(QString, parent);
    QFETCH(QString, child);
    QFETCH(QString, ref);
    QFETCH(QString, expected);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(kTree), DomOk);
    DomNode parentNode = Locate(document.documentNode(), parent);
    const DomNode node = MakeOrLocate(document, child);
    const DomNode refNode = MakeOrLocate(document, ref);
    QVERIFY(!node.isNull());

    QCOMPARE(Apply(parentNode, operation, node, refNode), DomOk);
    QCOMPARE(Structure(parentNode), expected);
    if (operation == u"remove"_s)
        QVERIFY(node.parentNode().isNull());
    else
        QCOMPARE(node.parentNode(), parentNode);
    if (document.documentElement())
        QVERIFY2(Reparses(document.xml()), qPrintable(document.xml()));
}

void TestDomTree::refusedChangesLeaveTreeUnchanged_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("child");
    QTest::addColumn<QString>("ref");

    QTest::newRow("new attribute") << u"append"_s << u"2/0"_s << u"new:attribute"_s << u"null"_s;
    QTest::newRow("existing attribute") << u"append"_s << u"2/0"_s << u"2/@0"_s << u"null"_s;
    QTest::newRow("document node") << u"append"_s << u"2/0"_s << u""_s << u"null"_s;
    QTest::newRow("document type into element") << u"append"_s << u"2/0"_s << u"1"_s << u"null"_s;
    QTest::newRow("document type moved in document") << u"insert"_s << u""_s << u"1"_s << u"0"_s;
    QTest::newRow("document type to end") << u"append"_s << u""_s << u"1"_s << u"null"_s;

    QTest::newRow("parent is text") << u"append"_s << u"2/1"_s << u"new:element"_s << u"null"_s;
    QTest::newRow("parent is CDATA") << u"append"_s << u"2/2"_s << u"new:text"_s << u"null"_s;
    QTest::newRow("parent is comment") << u"append"_s << u"2/3"_s << u"new:text"_s << u"null"_s;
    QTest::newRow("parent is instruction") << u"append"_s << u"2/4"_s << u"new:text"_s << u"null"_s;
    QTest::newRow("parent is attribute") << u"append"_s << u"2/@0"_s << u"new:text"_s << u"null"_s;
    QTest::newRow("parent is declaration") << u"append"_s << u"0"_s << u"new:text"_s << u"null"_s;
    QTest::newRow("parent is entity reference")
        << u"append"_s << u"2/5"_s << u"new:element"_s << u"null"_s;
    QTest::newRow("parent inside entity reference")
        << u"append"_s << u"2/5/0"_s << u"new:comment"_s << u"null"_s;
    QTest::newRow("remove from inside entity reference")
        << u"remove"_s << u"2/5/0"_s << u"2/5/0/0"_s << u"null"_s;

    QTest::newRow("node into itself") << u"append"_s << u"2/0"_s << u"2/0"_s << u"null"_s;
    QTest::newRow("parent into child") << u"append"_s << u"2/0"_s << u"2"_s << u"null"_s;
    QTest::newRow("ancestor into grandchild") << u"append"_s << u"2/0/0"_s << u"2"_s << u"null"_s;
    QTest::newRow("ancestor before own child") << u"insert"_s << u"2/0"_s << u"2"_s << u"2/0/0"_s;

    QTest::newRow("reference is grandchild")
        << u"insert"_s << u"2"_s << u"new:element"_s << u"2/0/0"_s;
    QTest::newRow("reference is detached")
        << u"insert"_s << u"2"_s << u"new:element"_s << u"new:comment"_s;
    QTest::newRow("reference is parent") << u"insert"_s << u"2/0"_s << u"2/1"_s << u"2/0"_s;
    QTest::newRow("remove grandchild") << u"remove"_s << u"2"_s << u"2/0/0"_s << u"null"_s;
    QTest::newRow("remove detached node") << u"remove"_s << u"2"_s << u"new:element"_s << u"null"_s;
    QTest::newRow("remove attribute as child") << u"remove"_s << u"2"_s << u"2/@0"_s << u"null"_s;
    QTest::newRow("remove null") << u"remove"_s << u"2"_s << u"null"_s << u"null"_s;

    QTest::newRow("second root element") << u"append"_s << u""_s << u"new:element"_s << u"null"_s;
    QTest::newRow("move element under document") << u"append"_s << u""_s << u"2/0"_s << u"null"_s;
    QTest::newRow("root element before document type") << u"insert"_s << u""_s << u"2"_s << u"1"_s;
    QTest::newRow("text under document") << u"append"_s << u""_s << u"new:text"_s << u"null"_s;
    QTest::newRow("CDATA under document") << u"insert"_s << u""_s << u"new:cdata"_s << u"2"_s;
    QTest::newRow("move text under document") << u"append"_s << u""_s << u"2/1"_s << u"null"_s;
    QTest::newRow("entity reference under document")
        << u"append"_s << u""_s << u"2/5"_s << u"null"_s;
    QTest::newRow("declaration not first") << u"append"_s << u""_s << u"new:decl"_s << u"null"_s;
    QTest::newRow("second declaration") << u"insert"_s << u""_s << u"new:decl"_s << u"0"_s;
    QTest::newRow("declaration moved to end") << u"append"_s << u""_s << u"0"_s << u"null"_s;
    QTest::newRow("declaration under element")
        << u"append"_s << u"2"_s << u"new:decl"_s << u"null"_s;
    QTest::newRow("existing declaration under element")
        << u"append"_s << u"2"_s << u"0"_s << u"null"_s;
    QTest::newRow("null child") << u"append"_s << u"2"_s << u"null"_s << u"null"_s;
}

void TestDomTree::refusedChangesLeaveTreeUnchanged()
{
    QFETCH(QString, operation);
    QFETCH(QString, parent);
    QFETCH(QString, child);
    QFETCH(QString, ref);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(kTree), DomOk);
    DomNode parentNode = Locate(document.documentNode(), parent);
    const DomNode node = MakeOrLocate(document, child);
    const DomNode refNode = MakeOrLocate(document, ref);
    QVERIFY(!parentNode.isNull());
    QVERIFY(child == u"null"_s || !node.isNull());
    const QString before = document.xml();
    const DomNode oldParent = node ? node.parentNode() : DomNode();
    const DomNode oldNext = node ? node.nextSibling() : DomNode();

    QVERIFY2(Failed(Apply(parentNode, operation, node, refNode)), "the change was made");
    QCOMPARE(document.xml(), before);
    if (node) {
        QCOMPARE(node.parentNode(), oldParent);
        QCOMPARE(node.nextSibling(), oldNext);
    }
}

void TestDomTree::declarationInsertedFirst()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<!--c--><r/>"_s), DomOk);
    const DomNode declaration
        = document.createProcessingInstruction(u"xml"_s, u"version=\"1.0\" encoding=\"UTF-8\""_s);
    QVERIFY(!declaration.isNull());
    DomNode documentNode = document.documentNode();
    QCOMPARE(documentNode.insertBefore(declaration, documentNode.firstChild()), DomOk);
    QCOMPARE(Structure(documentNode), u"#document(<?xml?>,<!--c-->,r)"_s);
    QVERIFY(document.xml().startsWith(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"_s));
    QVERIFY(Reparses(document.xml()));
}

void TestDomTree::detachedDeclarationKeepsItsValue_data()
{
    QTest::addColumn<QString>("origin");
    QTest::addColumn<QString>("value");

    QTest::newRow("removed, any text") << u"removed"_s << u"garbage"_s;
    QTest::newRow("removed, unknown encoding")
        << u"removed"_s << u"version=\"1.0\" encoding=\"no-such-charset\""_s;
    QTest::newRow("copied, any text") << u"copied"_s << u"garbage"_s;
    QTest::newRow("copied, no version") << u"copied"_s << u"standalone=\"yes\""_s;
    QTest::newRow("created, any text") << u"created"_s << u"garbage"_s;
    QTest::newRow("created, empty") << u"created"_s << u""_s;
}

// A declaration node taken out of the document, copied or new holds its value as firmly as the
// one in place, so whatever is put first again writes a document that opens.
void TestDomTree::detachedDeclarationKeepsItsValue()
{
    QFETCH(QString, origin);
    QFETCH(QString, value);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<?xml version=\"1.0\"?>\n<!--c-->\n<r/>"_s), DomOk);
    DomNode documentNode = document.documentNode();
    const DomNode existing = documentNode.firstChild();
    DomNode declaration;
    if (origin == u"removed"_s)
        declaration = existing;
    else if (origin == u"copied"_s)
        declaration = existing.cloneNode(true);
    else
        declaration = document.createProcessingInstruction(u"xml"_s, u"version=\"1.0\""_s);
    QVERIFY(!declaration.isNull());
    QCOMPARE(documentNode.removeChild(existing), DomOk);
    const std::optional<QString> before = declaration.nodeValue();

    QVERIFY2(Failed(declaration.setNodeValue(value)), "the declaration took the value");
    QVERIFY(declaration.nodeValue() == before);
    QCOMPARE(documentNode.insertBefore(declaration, documentNode.firstChild()), DomOk);
    QVERIFY2(Reparses(document.xml()), qPrintable(document.xml()));
}

void TestDomTree::deepTreeCanBeCopiedAndRemoved_data()
{
    QTest::addColumn<int>("pastes");

    QTest::newRow("deepest document that opens") << 0;
    // Pasting the whole tree into its deepest element doubles the depth each time.
    QTest::newRow("pasted into itself six times") << 6;
}

void TestDomTree::deepTreeCanBeCopiedAndRemoved()
{
    QFETCH(int, pastes);

    const int levels = 4096;
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<p:d xmlns:p=\"urn:p\">"_s + u"<p:d>"_s.repeated(levels - 1)
                 + u"</p:d>"_s.repeated(levels)),
        DomOk);
    auto deepest = [](DomNode node) {
        while (node.firstChild())
            node = node.firstChild();
        return node;
    };
    for (int i = 0; i < pastes; ++i) {
        DomNode bottom = deepest(document.documentElement());
        QCOMPARE(bottom.appendChild(document.documentElement().cloneNode(true)), DomOk);
    }
    DomNode top = document.documentElement();
    const DomNode copy = top.cloneNode(true);
    QVERIFY(!copy.isNull());
    QCOMPARE(document.documentNode().removeChild(top), DomOk);
    QCOMPARE(document.documentNode().appendChild(copy), DomOk);
    top = DomNode();

    int depth = 0;
    for (DomNode node = document.documentElement(); node; node = node.firstChild())
        ++depth;
    QCOMPARE(depth, levels << pastes);
    const DomNode bottom = deepest(document.documentElement());
    QCOMPARE(bottom.nodeName(), u"p:d"_s);
    QCOMPARE(LookupNamespace(bottom, u"p"_s).value_or(QString()), u"urn:p"_s);
    if (pastes == 0)
        QVERIFY(Reparses(document.xml()));
}

void TestDomTree::adjacentTextIsNotMerged_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("expected");

    QTest::newRow("append after text") << u"append"_s << u"a('x',b,'y','n')"_s;
    QTest::newRow("insert before text") << u"insertBefore"_s << u"a('n','x',b,'y')"_s;
    QTest::newRow("insert between texts") << u"insertBetween"_s << u"a('x','n',b,'y')"_s;
    QTest::newRow("move text next to text") << u"moveText"_s << u"a(b,'y','x')"_s;
    QTest::newRow("remove element between texts") << u"removeBetween"_s << u"a('x','y')"_s;
}

void TestDomTree::adjacentTextIsNotMerged()
{
    QFETCH(QString, operation);
    QFETCH(QString, expected);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<a>x<b/>y</a>"_s), DomOk);
    DomElement a = document.documentElement();
    const DomNode x = a.firstChild();
    const DomNode y = a.lastChild();
    DomNode text = document.createTextNode(u"n"_s);

    DomResult result = DomFail;
    if (operation == u"append"_s)
        result = a.appendChild(text);
    else if (operation == u"insertBefore"_s)
        result = a.insertBefore(text, x);
    else if (operation == u"insertBetween"_s)
        result = a.insertBefore(text, x.nextSibling());
    else if (operation == u"moveText"_s)
        result = a.appendChild(text = x);
    else if (operation == u"removeBetween"_s)
        result = a.removeChild(x.nextSibling());
    QCOMPARE(result, DomOk);
    QCOMPARE(Structure(a), expected);

    // The handles given and held stay the nodes in the tree.
    QCOMPARE(x.nodeValue().value_or(QString()), u"x"_s);
    QCOMPARE(y.nodeValue().value_or(QString()), u"y"_s);
    QCOMPARE(y.parentNode(), a);
    if (operation != u"removeBetween"_s) {
        QCOMPARE(text.parentNode(), a);
        QCOMPARE(text.setNodeValue(u"Z"_s), DomOk);
        QVERIFY2(a.xml().contains(u'Z'), qPrintable(a.xml()));
    }
}

void TestDomTree::attributeMapOrder_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("names");

    QTest::newRow("document order, not sorted") << u"<a z=\"1\" y=\"2\" x=\"3\"/>"_s << u"z,y,x"_s;
    QTest::newRow("declarations between attributes")
        << u"<a z=\"1\" xmlns:p=\"urn:p\" b=\"2\" xmlns=\"urn:d\" p:c=\"3\"/>"_s
        << u"z,xmlns:p,b,xmlns,p:c"_s;
    QTest::newRow("declarations first")
        << u"<a xmlns=\"urn:d\" xmlns:p=\"urn:p\" x=\"1\"/>"_s << u"xmlns,xmlns:p,x"_s;
    QTest::newRow("declaration last") << u"<a x=\"1\" xmlns:p=\"urn:p\"/>"_s << u"x,xmlns:p"_s;
    QTest::newRow("alternating") << u"<a xmlns:q=\"urn:q\" x=\"1\" xmlns:p=\"urn:p\" q:y=\"2\"/>"_s
                                 << u"xmlns:q,x,xmlns:p,q:y"_s;
    QTest::newRow("declarations only")
        << u"<a xmlns:b=\"urn:b\" xmlns:a=\"urn:a\"/>"_s << u"xmlns:b,xmlns:a"_s;
}

void TestDomTree::attributeMapOrder()
{
    QFETCH(QString, source);
    QFETCH(QString, names);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(source), DomOk);
    const DomElement a = document.documentElement();
    QCOMPARE(AttributeNames(a), names);
    const DomNamedNodeMap map = a.attributes();
    for (int i = 0; i < map.length(); ++i) {
        QCOMPARE(map.item(i).nodeType(), NodeType::Attribute);
        QCOMPARE(map.item(i).ownerElement(), a);
        QCOMPARE(map.getNamedItem(map.item(i).name()), map.item(i));
    }
    QVERIFY(map.item(map.length()).isNull());
}

void TestDomTree::attributeNamesAreCaseSensitive()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<a x=\"1\" X=\"2\"/>"_s), DomOk);
    DomElement a = document.documentElement();
    QCOMPARE(a.getAttribute(u"x"_s).value_or(QString()), u"1"_s);
    QCOMPARE(a.getAttribute(u"X"_s).value_or(QString()), u"2"_s);
    QVERIFY(!a.getAttribute(u"Y"_s).has_value());
    DomNamedNodeMap map = a.attributes();
    QCOMPARE(map.getNamedItem(u"X"_s).value(), u"2"_s);
    QCOMPARE(map.removeNamedItem(u"X"_s), DomOk);
    QCOMPARE(AttributeNames(a), u"x"_s);
}

void TestDomTree::setAttributeKeepsPlaceOrAppends_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("names");

    QTest::newRow("existing first") << u"x"_s << u"x,y,z"_s;
    QTest::newRow("existing middle") << u"y"_s << u"x,y,z"_s;
    QTest::newRow("new") << u"w"_s << u"x,y,z,w"_s;
    QTest::newRow("differs in case") << u"Y"_s << u"x,y,z,Y"_s;
}

void TestDomTree::setAttributeKeepsPlaceOrAppends()
{
    QFETCH(QString, name);
    QFETCH(QString, names);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<a x=\"1\" y=\"2\" z=\"3\"/>"_s), DomOk);
    DomElement a = document.documentElement();
    QCOMPARE(a.setAttribute(name, u"new \"value\""_s), DomOk);
    QCOMPARE(AttributeNames(a), names);
    QCOMPARE(a.getAttribute(name).value_or(QString()), u"new \"value\""_s);
}

void TestDomTree::setAttributeNode_data()
{
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("names");

    QTest::newRow("new attribute replaces in place") << u"new:y"_s << true << u"x,y,z"_s;
    QTest::newRow("new attribute appends") << u"new:w"_s << true << u"x,y,z,w"_s;
    QTest::newRow("removed attribute appends") << u"removed:w"_s << true << u"x,y,z,w"_s;
    QTest::newRow("own attribute stays") << u"own:y"_s << true << u"x,y,z"_s;
    QTest::newRow("attribute of another element, same name") << u"other:y"_s << false << u"x,y,z"_s;
    QTest::newRow("attribute of another element, new name") << u"other:w"_s << false << u"x,y,z"_s;
    QTest::newRow("attribute made by another document") << u"foreign:w"_s << false << u"x,y,z"_s;
    QTest::newRow("attribute removed in another document")
        << u"foreignRemoved:y"_s << false << u"x,y,z"_s;
}

void TestDomTree::setAttributeNode()
{
    QFETCH(QString, attribute);
    QFETCH(bool, accepted);
    QFETCH(QString, names);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<r><a x=\"1\" y=\"2\" z=\"3\"/><o y=\"5\" w=\"6\"/></r>"_s), DomOk);
    DomElement a = document.documentElement().firstChild().toElement();
    DomElement o = document.documentElement().lastChild().toElement();
    DomDocument foreign = DomDocument::Create();
    QCOMPARE(foreign.loadXML(u"<f y=\"7\"/>"_s), DomOk);
    const QString source = attribute.section(u':', 0, 0);
    const QString name = attribute.section(u':', 1);
    DomAttribute node;
    if (source == u"new"_s) {
        node = document.createAttribute(name);
        QCOMPARE(node.setValue(u"9"_s), DomOk);
    } else if (source == u"own"_s) {
        node = a.getAttributeNode(name);
    } else if (source == u"foreign"_s) {
        node = foreign.createAttribute(name);
        QCOMPARE(node.setValue(u"9"_s), DomOk);
    } else if (source == u"foreignRemoved"_s) {
        node = foreign.documentElement().getAttributeNode(name);
        QCOMPARE(foreign.documentElement().removeAttribute(name), DomOk);
    } else {
        node = o.getAttributeNode(name);
        if (source == u"removed"_s)
            QCOMPARE(o.attributes().removeNamedItem(name), DomOk);
    }
    QVERIFY(!node.isNull());
    const QString value = node.value();
    const QString otherBefore = o.xml();
    const DomElement ownerBefore = node.ownerElement();

    const DomResult result = a.setAttributeNode(node);
    QCOMPARE(AttributeNames(a), names);
    QCOMPARE(o.xml(), otherBefore);
    if (!accepted) {
        QVERIFY2(Failed(result), "an attribute of another element or document was taken");
        QCOMPARE(node.ownerElement(), ownerBefore);
        // The refused attribute stays with its own document, also when the program lets go of it.
        foreign = DomDocument();
        QCOMPARE(node.value(), value);
        QVERIFY(Reparses(document.xml()));
        return;
    }
    QVERIFY(Succeeded(result));
    QCOMPARE(node.ownerElement(), a);
    QCOMPARE(a.getAttributeNode(name), node);
    QCOMPARE(a.getAttribute(name).value_or(QString()), value);
}

void TestDomTree::replacedAttributeStaysValid()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<a x=\"1\" y=\"2\"/>"_s), DomOk);
    DomElement a = document.documentElement();
    const DomAttribute old = a.getAttributeNode(u"x"_s);
    DomAttribute replacement = document.createAttribute(u"x"_s);
    QCOMPARE(replacement.setValue(u"new"_s), DomOk);
    QVERIFY(Succeeded(a.setAttributeNode(replacement)));

    QCOMPARE(old.value(), u"1"_s);
    QVERIFY(old.ownerElement().isNull());
    QCOMPARE(a.xml(), u"<a x=\"new\" y=\"2\"/>"_s);
}

void TestDomTree::removedPrefixedAttributeStandsAlone_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("removal");
    QTest::addColumn<bool>("releaseFormerElement");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("accepted");

    // 0/0/0 holds p:a; 0/0 is then removed from the tree, after which 0/0 does not declare p and
    // 0/1 does.
    const QString onElement
        = u"<r><q><x xmlns:p=\"urn:p\" p:a=\"1\"/></q><y/><z xmlns:p=\"urn:z\"/></r>"_s;
    const QString onAncestor
        = u"<r><q xmlns:p=\"urn:p\"><x p:a=\"1\"/></q><y/><z xmlns:p=\"urn:z\"/></r>"_s;
    QTest::newRow("removed, its declaration released")
        << onElement << u"remove"_s << true << u"0/1"_s << true;
    QTest::newRow("removed through the map, ancestor's declaration released")
        << onAncestor << u"removeNamedItem"_s << true << u"0/1"_s << true;
    QTest::newRow("replaced, its declaration released")
        << onElement << u"replace"_s << true << u"0/1"_s << true;
    QTest::newRow("replaced, ancestor's declaration released")
        << onAncestor << u"replace"_s << true << u"0/1"_s << true;
    QTest::newRow("removed, set where the prefix is undeclared")
        << onElement << u"remove"_s << false << u"0/0"_s << false;
    QTest::newRow("removed from below a declaration, set where it is undeclared")
        << onAncestor << u"remove"_s << false << u"0/0"_s << false;
    QTest::newRow("replaced, set where the prefix is undeclared")
        << onElement << u"replace"_s << false << u"0/0"_s << false;
    QTest::newRow("removed and released, set where the prefix is undeclared")
        << onAncestor << u"remove"_s << true << u"0/0"_s << false;
}

// An attribute that leaves its element keeps its name as written and no longer depends on the
// declarations around its former place; set again, it takes its prefix's binding where it lands.
void TestDomTree::removedPrefixedAttributeStandsAlone()
{
    QFETCH(QString, source);
    QFETCH(QString, removal);
    QFETCH(bool, releaseFormerElement);
    QFETCH(QString, target);
    QFETCH(bool, accepted);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(source), DomOk);
    DomAttribute attribute;
    DomNode formerElement;
    {
        DomNode q = Locate(document.documentNode(), u"0/0"_s);
        DomElement x = q.firstChild().toElement();
        attribute = x.getAttributeNode(u"p:a"_s);
        QVERIFY(!attribute.isNull());
        if (removal == u"remove"_s) {
            QCOMPARE(x.removeAttribute(u"p:a"_s), DomOk);
        } else if (removal == u"removeNamedItem"_s) {
            QCOMPARE(x.attributes().removeNamedItem(u"p:a"_s), DomOk);
        } else {
            DomAttribute replacement = document.createAttribute(u"p:a"_s);
            QCOMPARE(replacement.setValue(u"2"_s), DomOk);
            QVERIFY(Succeeded(x.setAttributeNode(replacement)));
        }
        QCOMPARE(document.documentElement().removeChild(q), DomOk);
        if (!releaseFormerElement)
            formerElement = q;
    }
    QCOMPARE(attribute.name(), u"p:a"_s);
    QCOMPARE(attribute.value(), u"1"_s);
    QCOMPARE(attribute.xml(), u"p:a=\"1\""_s);
    QVERIFY(attribute.ownerElement().isNull());

    DomElement element = Locate(document.documentNode(), target).toElement();
    const QString before = document.xml();
    const DomResult result = element.setAttributeNode(attribute);
    if (!accepted) {
        QVERIFY2(Failed(result), "an attribute with an undeclared prefix was set");
        QCOMPARE(document.xml(), before);
        return;
    }
    QVERIFY(Succeeded(result));
    QCOMPARE(attribute.ownerElement(), element);
    QCOMPARE(element.getAttribute(u"p:a"_s).value_or(QString()), u"1"_s);
    QVERIFY2(Reparses(document.xml()), qPrintable(document.xml()));
}

void TestDomTree::removeNamedItem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("names");

    QTest::newRow("existing") << u"y"_s << int(DomOk) << u"x,z"_s;
    QTest::newRow("last") << u"z"_s << int(DomOk) << u"x,y"_s;
    QTest::newRow("missing") << u"w"_s << int(DomNoValue) << u"x,y,z"_s;
    QTest::newRow("differs in case") << u"Y"_s << int(DomNoValue) << u"x,y,z"_s;
    QTest::newRow("empty name") << u""_s << int(DomNoValue) << u"x,y,z"_s;
}

void TestDomTree::removeNamedItem()
{
    QFETCH(QString, name);
    QFETCH(int, result);
    QFETCH(QString, names);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<a x=\"1\" y=\"2\" z=\"3\"/>"_s), DomOk);
    DomNamedNodeMap map = document.documentElement().attributes();
    QCOMPARE(int(map.removeNamedItem(name)), result);
    QCOMPARE(AttributeNames(document.documentElement()), names);
}

void TestDomTree::removedAttributeGoesBackInPlace_data()
{
    QTest::addColumn<QString>("xml");
    QTest::newRow("ordinary") << u"<a x=\"1\" y=\"2\" z=\"3\"/>"_s;
    QTest::newRow("declarations in use among attributes")
        << u"<a x=\"1\" xmlns:p=\"u\" p:y=\"2\" xmlns=\"d\" z=\"3\"><p:b p:c=\"4\"/><e/></a>"_s;
    QTest::newRow("declarations side by side") << u"<a xmlns:p=\"u\" xmlns:q=\"v\" x=\"1\"/>"_s;
}

// Each entry of the map, removed and inserted in front of the entry that followed it, comes back
// where it was, with the bindings of the names that use it.
void TestDomTree::removedAttributeGoesBackInPlace()
{
    QFETCH(QString, xml);
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(xml), DomOk);
    DomElement a = document.documentElement();
    const QString markup = a.xml();
    DomNamedNodeMap map = a.attributes();
    for (int i = 0; i < map.length(); ++i) {
        const DomAttribute removed = map.item(i);
        QCOMPARE(map.removeNamedItem(removed.name()), DomOk);
        QCOMPARE(a.insertAttributeBefore(removed, map.item(i)), DomOk);
        QCOMPARE(a.xml(), markup);
        QCOMPARE(a.insertAttributeBefore(removed, DomAttribute()), DomFail);
    }
}

void TestDomTree::attributeMapIsLive()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<a x=\"1\" y=\"2\"/>"_s), DomOk);
    DomElement a = document.documentElement();
    const DomNamedNodeMap map = a.attributes();
    QCOMPARE(map.length(), 2);
    QCOMPARE(a.setAttribute(u"z"_s, u"3"_s), DomOk);
    QCOMPARE(map.length(), 3);
    QCOMPARE(map.item(2).name(), u"z"_s);
    QCOMPARE(a.removeAttribute(u"x"_s), DomOk);
    QCOMPARE(map.length(), 2);
    QCOMPARE(map.item(0).name(), u"y"_s);
    QVERIFY(map.getNamedItem(u"x"_s).isNull());
}

void TestDomTree::insertChecksPrefixesInDestination_data()
{
    QTest::addColumn<QString>("child");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("accepted");

    // 0/0 declares p; 0/1 is outside its scope; 0/2 binds p to another namespace.
    QTest::newRow("new prefixed element in scope") << u"new:p:x"_s << u"0/0"_s << true;
    QTest::newRow("new prefixed element out of scope") << u"new:p:x"_s << u"0/1"_s << false;
    QTest::newRow("new prefixed element under root") << u"new:p:x"_s << u"0"_s << false;
    QTest::newRow("new element with unknown prefix") << u"new:q:x"_s << u"0/0"_s << false;
    QTest::newRow("prefixed element moved out of scope") << u"0/0/0"_s << u"0/1"_s << false;
    QTest::newRow("element with prefixed attribute moved out of scope")
        << u"0/0/1"_s << u"0/1"_s << false;
    QTest::newRow("element declaring its own prefix") << u"0/0/2"_s << u"0/1"_s << true;
    QTest::newRow("xml prefix needs no declaration") << u"0/0/3"_s << u"0/1"_s << true;
    QTest::newRow("prefixed element moved within scope") << u"0/0/0"_s << u"0/0/1"_s << true;
}

void TestDomTree::insertChecksPrefixesInDestination()
{
    QFETCH(QString, child);
    QFETCH(QString, destination);
    QFETCH(bool, accepted);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<r><a xmlns:p=\"urn:p\"><p:x/><y p:z=\"1\"/>"
                              "<p:w xmlns:p=\"urn:p\"/><s xml:lang=\"en\"/></a><b/>"
                              "<c xmlns:p=\"urn:other\"/></r>"_s),
        DomOk);
    const DomNode node = child.startsWith(u"new:"_s) ? DomNode(document.createElement(child.mid(4)))
                                                     : Locate(document.documentNode(), child);
    QVERIFY(!node.isNull());
    DomNode target = Locate(document.documentNode(), destination);
    const QString before = document.xml();
    const DomNode oldParent = node.parentNode();

    const DomResult result = target.appendChild(node);
    if (!accepted) {
        QVERIFY2(Failed(result), "a node with an undeclared prefix was inserted");
        QCOMPARE(document.xml(), before);
        QCOMPARE(node.parentNode(), oldParent);
        return;
    }
    QCOMPARE(result, DomOk);
    QCOMPARE(node.parentNode(), target);
    QVERIFY2(Reparses(document.xml()), qPrintable(document.xml()));
}

void TestDomTree::setAttributeChecksPrefix_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("prefix in scope") << u"0/0"_s << u"p:n"_s << true;
    QTest::newRow("prefix out of scope") << u"0/1"_s << u"p:n"_s << false;
    QTest::newRow("prefix on detached element") << u"new"_s << u"p:n"_s << false;
    QTest::newRow("xml prefix out of scope") << u"0/1"_s << u"xml:lang"_s << true;
    QTest::newRow("xml prefix on detached element") << u"new"_s << u"xml:space"_s << true;
    QTest::newRow("declaration") << u"0/1"_s << u"xmlns:q"_s << true;
}

void TestDomTree::setAttributeChecksPrefix()
{
    QFETCH(QString, element);
    QFETCH(QString, name);
    QFETCH(bool, accepted);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<r><a xmlns:p=\"urn:p\"/><b/></r>"_s), DomOk);
    DomElement target = element == u"new"_s ? document.createElement(u"n"_s)
                                            : Locate(document.documentNode(), element).toElement();
    const QString before = target.xml();

    const DomResult result = target.setAttribute(name, u"urn:v"_s);
    if (!accepted) {
        QVERIFY2(Failed(result), "an attribute with an undeclared prefix was set");
        QCOMPARE(target.xml(), before);
        return;
    }
    QCOMPARE(result, DomOk);
    QCOMPARE(target.getAttribute(name).value_or(QString()), u"urn:v"_s);
    QVERIFY2(Reparses(target.xml()), qPrintable(target.xml()));
}

void TestDomTree::unreadableNamespaceEditsAreRefused_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("byNode");
    QTest::addColumn<bool>("accepted");
    const QString twoPrefixes = u"<r xmlns:p=\"urn:u\" xmlns:q=\"urn:u\" p:a=\"1\"/>"_s;
    QTest::newRow("same namespace and local name under another prefix")
        << twoPrefixes << u"0"_s << u"q:a"_s << u"2"_s << false << false;
    QTest::newRow("the same, as an attribute node")
        << twoPrefixes << u"0"_s << u"q:a"_s << u"2"_s << true << false;
    QTest::newRow("another local name")
        << twoPrefixes << u"0"_s << u"q:b"_s << u"2"_s << false << true;
    QTest::newRow("a prefix bound to the XML namespace")
        << u"<r/>"_s << u"0"_s << u"xmlns:p"_s << u"http://www.w3.org/XML/1998/namespace"_s << false
        << false;
    QTest::newRow("the default namespace bound to the xmlns namespace")
        << u"<r/>"_s << u"0"_s << u"xmlns"_s << u"http://www.w3.org/2000/xmlns/"_s << false
        << false;
    const QString apart = u"<r xmlns:p=\"urn:u\" xmlns:q=\"urn:v\"><c p:a=\"1\" q:a=\"2\"/></r>"_s;
    QTest::newRow("rebinding a prefix makes two attributes one")
        << u"<r xmlns:p=\"urn:u\" xmlns:q=\"urn:v\" p:a=\"1\" q:a=\"2\"/>"_s << u"0"_s
        << u"xmlns:q"_s << u"urn:u"_s << false << false;
    QTest::newRow("a new declaration below makes two attributes one")
        << apart << u"0/0"_s << u"xmlns:q"_s << u"urn:u"_s << false << false;
    QTest::newRow("a new declaration below that keeps them apart")
        << apart << u"0/0"_s << u"xmlns:q"_s << u"urn:w"_s << false << true;
    // libxml2 refuses a namespace name that xmlParseURI refuses, read with "&" kept as "&#38;".
    QTest::newRow("a blank in a namespace name")
        << u"<r/>"_s << u"0"_s << u"xmlns:p"_s << u"urn:a b"_s << false << false;
    QTest::newRow("a namespace name that is not ASCII")
        << u"<r/>"_s << u"0"_s << u"xmlns"_s << u"http://example.org/\u00E9"_s << false << false;
    QTest::newRow("braces, as a new attribute node")
        << u"<r/>"_s << u"0"_s << u"xmlns:p"_s << u"{x}"_s << true << false;
    QTest::newRow("a declaration changed to two ampersands")
        << u"<r xmlns:p=\"urn:p\"/>"_s << u"0"_s << u"xmlns:p"_s << u"a&b&c"_s << false << false;
}

// Every file written must open again: an attribute or declaration that would give an element
// two attributes with the same namespace and local name, or bind a reserved namespace, is
// refused and changes nothing.
void TestDomTree::unreadableNamespaceEditsAreRefused()
{
    QFETCH(QString, xml);
    QFETCH(QString, element);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(bool, byNode);
    QFETCH(bool, accepted);
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(xml), DomOk);
    DomElement target = Locate(document.documentNode(), element).toElement();
    QVERIFY(!target.isNull());
    const QString before = document.xml();
    DomResult result = DomFail;
    if (byNode) {
        DomAttribute attribute = document.createAttribute(name);
        QCOMPARE(attribute.setValue(value), DomOk);
        result = target.setAttributeNode(attribute);
    } else {
        result = target.setAttribute(name, value);
    }
    QCOMPARE(Succeeded(result), accepted);
    if (!accepted)
        QCOMPARE(document.xml(), before);
    QVERIFY2(Reparses(document.xml()), qPrintable(document.xml()));
}

void TestDomTree::declarationAttributeBindsPrefix()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<r><b/></r>"_s), DomOk);
    DomElement b = document.documentElement().firstChild().toElement();
    QVERIFY(Failed(b.appendChild(document.createElement(u"q:k"_s))));

    QCOMPARE(b.setAttribute(u"xmlns:q"_s, u"urn:q"_s), DomOk);
    QCOMPARE(b.appendChild(document.createElement(u"q:k"_s)), DomOk);
    QCOMPARE(b.setAttribute(u"q:m"_s, u"1"_s), DomOk);
    QCOMPARE(b.xml(), u"<b xmlns:q=\"urn:q\" q:m=\"1\"><q:k/></b>"_s);
    QVERIFY(Reparses(document.xml()));
}

void TestDomTree::movedSubtreeKeepsNamespaces_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("uri");

    // In each source, 0/0/0 moves into 0/1 and then 0/0 is removed and released; the moved
    // subtree holds prefixed names that must keep their prefix and namespace.
    QTest::newRow("prefix declared on former ancestor")
        << u"<r><a xmlns:p=\"urn:p\"><c><p:x p:y=\"1\"><p:z/></p:x></c></a><b/></r>"_s << u"p"_s
        << u"urn:p"_s;
    QTest::newRow("prefix bound elsewhere at destination")
        << u"<r xmlns:p=\"urn:one\"><a xmlns:p=\"urn:two\"><c><p:x p:y=\"1\"><p:z/></p:x></c></a>"
           "<b/></r>"_s
        << u"p"_s << u"urn:two"_s;
    QTest::newRow("default namespace of former ancestor")
        << u"<r><a xmlns=\"urn:d\"><c><x><z/></x></c></a><b/></r>"_s << u""_s << u"urn:d"_s;
}

void TestDomTree::movedSubtreeKeepsNamespaces()
{
    QFETCH(QString, source);
    QFETCH(QString, prefix);
    QFETCH(QString, uri);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(source), DomOk);
    const DomNode c = Locate(document.documentNode(), u"0/0/0"_s);
    const QString namesBefore = Structure(c);
    {
        DomNode b = Locate(document.documentNode(), u"0/1"_s);
        QCOMPARE(b.appendChild(c), DomOk);
        DomNode a = Locate(document.documentNode(), u"0/0"_s);
        QCOMPARE(document.documentElement().removeChild(a), DomOk);
    }
    QCOMPARE(Structure(c), namesBefore);
    const DomNode x = c.firstChild();
    QCOMPARE(LookupNamespace(x, prefix).value_or(u"<undeclared>"_s), uri);
    QCOMPARE(LookupNamespace(x.firstChild(), prefix).value_or(u"<undeclared>"_s), uri);

    DomDocument reparsed = DomDocument::Create();
    QVERIFY2(Succeeded(reparsed.loadXML(document.xml())), qPrintable(document.xml()));
    const DomNode reparsedX = Locate(reparsed.documentNode(), u"0/0/0/0"_s);
    QCOMPARE(Structure(reparsedX.parentNode()), namesBefore);
    QCOMPARE(LookupNamespace(reparsedX, prefix).value_or(u"<undeclared>"_s), uri);
    QCOMPARE(LookupNamespace(reparsedX.firstChild(), prefix).value_or(u"<undeclared>"_s), uri);
}

void TestDomTree::removingUsedDeclarationRedeclaresIt_data()
{
    QTest::addColumn<bool>("throughMap");

    QTest::newRow("removeAttribute") << false;
    QTest::newRow("removeNamedItem") << true;
}

void TestDomTree::removingUsedDeclarationRedeclaresIt()
{
    QFETCH(bool, throughMap);

    DomDocument document = DomDocument::Create();
    QCOMPARE(
        document.loadXML(u"<r xmlns:p=\"urn:p\" x=\"1\"><p:a><p:e/></p:a><b p:c=\"1\"/><d/></r>"_s),
        DomOk);
    DomElement r = document.documentElement();
    const DomResult result = throughMap ? r.attributes().removeNamedItem(u"xmlns:p"_s)
                                        : r.removeAttribute(u"xmlns:p"_s);
    QCOMPARE(result, DomOk);
    QCOMPARE(AttributeNames(r), u"x"_s);
    QCOMPARE(Structure(r), u"r(p:a(p:e),b,d)"_s);

    DomDocument reparsed = DomDocument::Create();
    QVERIFY2(Succeeded(reparsed.loadXML(document.xml())), qPrintable(document.xml()));
    const DomElement root = reparsed.documentElement();
    QVERIFY(!root.getAttribute(u"xmlns:p"_s).has_value());
    QCOMPARE(LookupNamespace(Locate(root, u"0/0"_s), u"p"_s).value_or(QString()), u"urn:p"_s);
    QCOMPARE(LookupNamespace(Locate(root, u"1"_s), u"p"_s).value_or(QString()), u"urn:p"_s);
    QVERIFY(!LookupNamespace(Locate(root, u"2"_s), u"p"_s).has_value());
}

void TestDomTree::detachedNodeKeepsNamespaceAfterAncestorIsGone()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<top><p:r xmlns:p=\"urn:p\"><p:a p:x=\"1\"><p:b/></p:a></p:r>"
                              "<other/></top>"_s),
        DomOk);
    DomNode a;
    {
        DomNode r = document.documentElement().firstChild();
        a = r.firstChild();
        QCOMPARE(r.removeChild(a), DomOk);
        QCOMPARE(document.documentElement().removeChild(r), DomOk);
    }
    QCOMPARE(Structure(document.documentElement()), u"top(other)"_s);

    QCOMPARE(Structure(a), u"p:a(p:b)"_s);
    QCOMPARE(a.toElement().getAttribute(u"p:x"_s).value_or(QString()), u"1"_s);
    QCOMPARE(LookupNamespace(a.firstChild(), u"p"_s).value_or(QString()), u"urn:p"_s);
    QVERIFY2(Reparses(a.xml()), qPrintable(a.xml()));
    QCOMPARE(document.documentElement().lastChild().appendChild(a), DomOk);
    QVERIFY2(Reparses(document.xml()), qPrintable(document.xml()));
}

void TestDomTree::nodeMovedOutOfReleasedTreeKeepsNamespaces_data()
{
    QTest::addColumn<QString>("tree"); // removed from the document; its first child moves
    QTest::addColumn<QString>("prefixed"); // a path below the moved node to a prefixed name
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("uri");

    QTest::newRow("prefixed element")
        << u"<p:t xmlns:p=\"urn:p\"><p:c/></p:t>"_s << u""_s << u"p"_s << u"urn:p"_s;
    QTest::newRow("prefixed attribute bound elsewhere at the destination")
        << u"<p:t xmlns:p=\"urn:other\"><c p:a=\"1\"/></p:t>"_s << u"@0"_s << u"p"_s
        << u"urn:other"_s;
    QTest::newRow("prefix bound elsewhere at the destination")
        << u"<p:t xmlns:p=\"urn:other\"><p:c/></p:t>"_s << u""_s << u"p"_s << u"urn:other"_s;
    QTest::newRow("prefixed descendant")
        << u"<t xmlns:q=\"urn:q\"><c><q:d/></c></t>"_s << u"0"_s << u"q"_s << u"urn:q"_s;
    QTest::newRow("default namespace")
        << u"<t xmlns=\"urn:d\"><c><d/></c></t>"_s << u"0"_s << u""_s << u"urn:d"_s;
}

// The moved node is the last thing held in its detached tree, so the rest of that tree goes
// during the move; what the moved names used must survive it.
void TestDomTree::nodeMovedOutOfReleasedTreeKeepsNamespaces()
{
    QFETCH(QString, tree);
    QFETCH(QString, prefixed);
    QFETCH(QString, prefix);
    QFETCH(QString, uri);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<r><dest xmlns:p=\"urn:p\"/>"_s + tree + u"</r>"_s), DomOk);
    DomNode moved;
    {
        DomNode detached = document.documentElement().lastChild();
        moved = detached.firstChild();
        QCOMPARE(document.documentElement().removeChild(detached), DomOk);
    }
    const QString namesBefore = Structure(moved);
    DomNode destination = document.documentElement().firstChild();

    QCOMPARE(destination.appendChild(moved), DomOk);
    QCOMPARE(moved.parentNode(), destination);
    QCOMPARE(Structure(moved), namesBefore);
    const DomNode node = Locate(moved, prefixed);
    const DomNode scope = node.nodeType() == NodeType::Attribute
        ? DomNode(node.toAttribute().ownerElement())
        : node;
    QCOMPARE(LookupNamespace(scope, prefix).value_or(u"<undeclared>"_s), uri);
    QVERIFY2(Reparses(document.xml()), qPrintable(document.xml()));
}

void TestDomTree::namespacesMatchTheMarkup_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("operation"); // "append PATH NAME", "set PATH NAME VALUE",
                                            // "clone PATH ATTRIBUTE TO-PATH" or nothing
    QTest::addColumn<QString>("written"); // the root element's markup afterwards

    const QString entity = u"<!DOCTYPE r [<!ENTITY ns \"urn:ent\">]>"_s;
    const QString fixed
        = u"<!DOCTYPE m [<!ATTLIST m xmlns CDATA #FIXED \"urn:m\" a CDATA \"d\">"
          "<!ATTLIST m xmlns:p CDATA \"urn:p\"><!ATTLIST f xmlns CDATA \"urn:f\">]>"_s;
    QTest::newRow("references in namespace names")
        << entity + u"<r xmlns:p=\"http://x/?a=1&amp;b=2\" xmlns=\"a&#38;b\" xmlns:q=\"&ns;\"/>"_s
        << QString()
        << u"<r xmlns:p=\"http://x/?a=1&amp;b=2\" xmlns=\"a&amp;b\" xmlns:q=\"urn:ent\"/>"_s;
    QTest::newRow("new element under a default namespace")
        << u"<html xmlns=\"urn:h\"><body/></html>"_s << u"append 0/0 p"_s
        << u"<html xmlns=\"urn:h\"><body><p/></body></html>"_s;
    QTest::newRow("default namespace declared above children")
        << u"<r><a><b/></a></r>"_s << u"set 0/0 xmlns urn:d"_s
        << u"<r><a xmlns=\"urn:d\"><b/></a></r>"_s;
    QTest::newRow("no namespace made a namespace")
        << u"<r xmlns=\"urn:d\"><a xmlns=\"\"><b/></a></r>"_s << u"set 0/0 xmlns urn:e"_s
        << u"<r xmlns=\"urn:d\"><a xmlns=\"urn:e\"><b/></a></r>"_s;
    QTest::newRow("prefix declared again on the element of its attribute")
        << u"<r xmlns:p=\"urn:one\"><a p:x=\"1\"/></r>"_s << u"set 0/0 xmlns:p urn:two"_s
        << u"<r xmlns:p=\"urn:one\"><a p:x=\"1\" xmlns:p=\"urn:two\"/></r>"_s;
    QTest::newRow("cloned prefixed attribute")
        << u"<r xmlns:p=\"urn:p\" p:b=\"1\"><e/></r>"_s << u"clone 0 p:b 0/0"_s
        << u"<r xmlns:p=\"urn:p\" p:b=\"1\"><e p:b=\"1\"/></r>"_s;
    QTest::newRow("namespaces the document type gives")
        << fixed + u"<m><p:x/></m>"_s << QString() << u"<m><p:x/></m>"_s;
    QTest::newRow("new element the document type gives a namespace")
        << fixed + u"<m><g/></m>"_s << u"append 1/0 f"_s << u"<m><g><f/></g></m>"_s;
}

// XSLT, validation and XPath read the live tree: they must see what a reader of the written
// markup sees.
void TestDomTree::namespacesMatchTheMarkup()
{
    QFETCH(QString, source);
    QFETCH(QString, operation);
    QFETCH(QString, written);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(source), DomOk);
    const QStringList words = operation.split(u' ');
    DomElement target = Locate(document.documentNode(), words.value(1)).toElement();
    if (words[0] == u"append"_s)
        QCOMPARE(target.appendChild(document.createElement(words[2])), DomOk);
    else if (words[0] == u"set"_s)
        QCOMPARE(target.setAttribute(words[2], words[3]), DomOk);
    else if (words[0] == u"clone"_s)
        QCOMPARE(
            Locate(document.documentNode(), words[3])
                .toElement()
                .setAttributeNode(target.getAttributeNode(words[2]).cloneNode(false).toAttribute()),
            DomOk);
    QCOMPARE(document.documentElement().xml(), written);
    // Every attribute written in the root's start tag is listed, and nothing else.
    QCOMPARE(document.documentElement().attributes().length(),
        int(written.section(u'>', 0, 0).count(u"=\""_s)));
    DomDocument reloaded = DomDocument::Create();
    QCOMPARE(reloaded.loadXML(document.xml()), DomOk);
    QCOMPARE(Namespaces(document), Namespaces(reloaded));
}

// Its names must not use the declaration of the element it stood in, which goes with that
// element (run under AddressSanitizer).
void TestDomTree::redeclaredPrefixBindsToOwnDeclaration()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<r/>"_s), DomOk);
    DomElement c = document.createElement(u"p:c"_s);
    {
        DomElement h = document.createElement(u"h"_s);
        QCOMPARE(h.setAttribute(u"xmlns:p"_s, u"urn:one"_s), DomOk);
        QCOMPARE(h.appendChild(c), DomOk);
        QCOMPARE(c.setAttribute(u"p:a"_s, u"1"_s), DomOk);
        QCOMPARE(c.setAttribute(u"xmlns:p"_s, u"urn:two"_s), DomOk);
        QCOMPARE(document.documentElement().appendChild(c), DomOk);
    }
    QCOMPARE(c.xml(), u"<p:c p:a=\"1\" xmlns:p=\"urn:two\"/>"_s);
}

void TestDomTree::indexedWalkVisitsEveryChildInOrder()
{
    const int count = 200000;
    QString source = u"<r>"_s;
    source.reserve(count * 4 + 10);
    for (int i = 0; i < count; ++i)
        source += i % 3 == 0 ? u"<c/>"_s : (i % 3 == 1 ? u"<d/>"_s : u"t"_s + u"<e/>"_s);
    source += u"</r>"_s;
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(source), DomOk);
    const DomNode root = document.documentElement();
    const DomNodeList list = root.childNodes();

    QElapsedTimer timer;
    timer.start();
    const int length = list.length();
    int mismatches = 0;
    DomNode expected = root.firstChild();
    for (int i = 0; i < length; ++i, expected = expected.nextSibling())
        mismatches += list.item(i) == expected ? 0 : 1;
    QVERIFY(expected.isNull());
    expected = root.lastChild();
    for (int i = length - 1; i >= 0; --i, expected = expected.previousSibling())
        mismatches += list.item(i) == expected ? 0 : 1;
    QVERIFY(expected.isNull());
    const qint64 elapsed = timer.elapsed();

    QVERIFY(length > count);
    QCOMPARE(mismatches, 0);
    QVERIFY(list.item(length).isNull());
    QVERIFY(list.item(-1).isNull());
    QVERIFY2(elapsed < 1000, qPrintable(u"walking took %1 ms"_s.arg(elapsed)));
}

void TestDomTree::childListIsLive()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<r><c0/><c1/><c2/><c3/><c4/><c5/></r>"_s), DomOk);
    DomNode r = document.documentElement();
    const DomNodeList list = r.childNodes();
    QCOMPARE(list.item(4).nodeName(), u"c4"_s);

    QCOMPARE(r.removeChild(list.item(1)), DomOk);
    QCOMPARE(list.length(), 5);
    QCOMPARE(list.item(4).nodeName(), u"c5"_s);
    QCOMPARE(list.item(3).nodeName(), u"c4"_s);

    QCOMPARE(r.insertBefore(document.createElement(u"n"_s), list.item(0)), DomOk);
    QCOMPARE(list.length(), 6);
    QCOMPARE(list.item(0).nodeName(), u"n"_s);
    QCOMPARE(list.item(4).nodeName(), u"c4"_s);
    QCOMPARE(list.item(5).nodeName(), u"c5"_s);
}

void TestDomTree::standaloneMarkup_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("prefix and default namespace declared above")
        << u"0/0"_s << u"<p:a xmlns:p=\"urn:p\" xmlns=\"urn:d\" p:k=\"1\"><b>l1\nl2</b></p:a>"_s;
    QTest::newRow("own declaration of a prefix")
        << u"0/1"_s << u"<c xmlns=\"urn:d\" xmlns:p=\"urn:p2\"><p:d/></c>"_s;
    QTest::newRow("comment") << u"0/2"_s << u"<!--x\ny-->"_s;
}

// A branch copied out of its document declares the namespaces it uses, and no others.
void TestDomTree::standaloneMarkup()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    DomDocument document = DomDocument::Create();
    QVERIFY(Succeeded(document.loadXML(
        u"<r xmlns=\"urn:d\" xmlns:p=\"urn:p\" xmlns:u=\"urn:u\"><p:a p:k=\"1\"><b>l1\nl2</b>"
        "</p:a><c xmlns:p=\"urn:p2\"><p:d/></c><!--x\ny--></r>"_s)));
    const QString markup = QString::fromUtf8(Locate(document.documentNode(), path).standaloneXml());
    QCOMPARE(markup, expected);
    if (markup.startsWith(u'<') && !markup.startsWith(u"<!--"))
        QVERIFY(Reparses(markup));
}

void TestDomTree::parseContent_data()
{
    // expected: the element's markup after the nodes were appended, or "!" and the start of
    // the reason; uris: the namespaces then, when given.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("uris");
    const QString r = u"<r xmlns=\"urn:d\" xmlns:p=\"urn:p\"><c/>"_s;
    QTest::newRow("names bound in the element's scope")
        << u"<p:a><b/></p:a>"_s << r + u"<p:a><b/></p:a></r>"_s
        << u"r{urn:d} c{urn:d} a{urn:p} b{urn:d} "_s;
    QTest::newRow("indentation dropped")
        << u"\n<a>\n  <b/>\n</a>\n<!--n-->\n"_s << r + u"<a><b/></a><!--n--></r>"_s << QString();
    QTest::newRow("xml:space keeps it")
        << u"<a xml:space=\"preserve\">\n</a>"_s << r + u"<a xml:space=\"preserve\">\r\n</a></r>"_s
        << QString();
    QTest::newRow("text read as Unicode, not in the file's encoding")
        << u"<a>\u00e9</a>"_s << r + u"<a>\u00e9</a></r>"_s << QString();
    QTest::newRow("entity of the document") << u"&e;"_s << r + u"&e;</r>"_s << QString();
    QTest::newRow("not well-formed")
        << u"<a><b></a>"_s << u"!Opening and ending tag mismatch"_s << QString();
    QTest::newRow("undeclared prefix") << u"<q:a/>"_s << u"!Namespace prefix q"_s << QString();
    QTest::newRow("declaration") << u"<?xml version=\"1.0\"?><a/>"_s
                                 << u"!XML declaration allowed only at the start"_s << QString();
    QTest::newRow("document type")
        << u"<!DOCTYPE a><a/>"_s << u"!A document type declaration cannot stand here."_s
        << QString();
    QTest::newRow("entity no one declares") << u"&nbsp;"_s << u"!Entity 'nbsp'"_s << QString();
}

// Text parsed in an element's place reads as it would in the document, or is refused with the
// parser's reason and leaves nothing behind.
void TestDomTree::parseContent()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(QString, uris);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"latin1.xml"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><!DOCTYPE r "
                              "[<!ENTITY e \"v\">]><r xmlns=\"urn:d\" xmlns:p=\"urn:p\"><c/></r>")
                   .toLatin1());
    file.close();
    DomDocument document = DomDocument::Create();
    QVERIFY(Succeeded(document.load(path)));
    DomNode r = document.documentElement();
    const QString before = r.xml();
    {
        std::vector<DomNode> nodes;
        QString reason;
        const DomResult result = document.parseContent(r, text, nodes, reason);
        if (expected.startsWith(u'!')) {
            QCOMPARE(result, DomFail);
            QVERIFY2(reason.startsWith(expected.mid(1)), qPrintable(reason));
            QVERIFY(nodes.empty());
            QCOMPARE(r.xml(), before);
            return;
        }
        QCOMPARE(result, DomOk);
        for (const DomNode& node : nodes)
            QVERIFY(Succeeded(r.appendChild(node)));
    }
    QCOMPARE(r.xml(), expected);
    QCOMPARE(document.detachedCount(), 0);
    if (!uris.isEmpty())
        QCOMPARE(Namespaces(document), uris);
}

QTEST_GUILESS_MAIN(TestDomTree)
#include "tst_domtree.moc"
