#include "DomTestSupport.h"
#include "dom/DomDocument.h"
#include "dom/DomNamedNodeMap.h"
#include "dom/DomNodeList.h"

#include <algorithm>

#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QString Visible(QString text)
{
    return text.replace(u'\n', u"\\n"_s).replace(u'\r', u"\\r"_s).replace(u'\t', u"\\t"_s);
}

// A compact picture of a subtree that shows every node the loader kept, so a whitespace node
// that should have gone (or stayed) is visible in a failure message.
QString Structure(const DomNode& node)
{
    QStringList children;
    for (DomNode child = node.firstChild(); child; child = child.nextSibling())
        children << Structure(child);
    const QString inner = children.join(u',');
    switch (node.nodeType()) {
    case NodeType::Element:
        return children.isEmpty() ? node.nodeName() : node.nodeName() + u'(' + inner + u')';
    case NodeType::Text:
        return u'\'' + Visible(node.nodeValue().value_or(u"<none>"_s)) + u'\'';
    case NodeType::CDataSection:
        return u"[CDATA:"_s + Visible(node.nodeValue().value_or(u"<none>"_s)) + u']';
    case NodeType::EntityReference:
        return u'&' + node.nodeName() + u';'
            + (children.isEmpty() ? QString() : u'{' + inner + u'}');
    case NodeType::Comment:
        return u"<!--"_s + Visible(node.nodeValue().value_or(QString())) + u"-->"_s;
    case NodeType::ProcessingInstruction:
        return u"<?"_s + node.nodeName() + u"?>"_s;
    default:
        return u'#' + QString::number(int(node.nodeType()));
    }
}

QByteArray Utf16(const QString& text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder(text);
}

QByteArray BigText(qsizetype size)
{
    static const QByteArray alphabet(
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
    QByteArray text(size, 'A');
    for (qsizetype i = 0; i < size; ++i)
        text[i] = alphabet[(i * 7 + i / 64) % alphabet.size()];
    return text;
}

QByteArray BillionLaughsDtd()
{
    QByteArray dtd("<!DOCTYPE r [<!ENTITY lol \"lol\">");
    for (int level = 1; level <= 9; ++level) {
        const QByteArray previous
            = level == 1 ? QByteArray("lol") : "lol" + QByteArray::number(level - 1);
        dtd += "<!ENTITY lol" + QByteArray::number(level) + " \""
            + ("&" + previous + ";").repeated(10) + "\">";
    }
    return dtd + "]>";
}

QByteArray Utf16LeWithoutBom(const QString& text)
{
    QStringEncoder encoder(QStringConverter::Utf16LE);
    return encoder(text);
}

// A gzip file holding bytes in one stored (uncompressed) deflate block.
QByteArray Gzip(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char c : bytes) {
        crc ^= uchar(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    const auto size = quint16(bytes.size());
    QByteArray gzip("\x1F\x8B\x08\0\0\0\0\0\0\xFF\x01", 11);
    for (const quint16 half : { size, quint16(~size) })
        gzip += QByteArray(1, char(half & 0xFF)) + char(half >> 8);
    gzip += bytes;
    for (const quint32 word : { ~crc, quint32(size) }) {
        for (int shift = 0; shift < 32; shift += 8)
            gzip += char((word >> shift) & 0xFF);
    }
    return gzip;
}

bool IsEmpty(const DomDocument& document)
{
    return !document.documentNode().hasChildNodes() && document.documentElement().isNull()
        && document.xml().isEmpty();
}

} // namespace

class TestDomLoad : public QObject {
    Q_OBJECT

private slots:
    void whitespaceRemoval_data();
    void whitespaceRemoval();
    void preserveWhiteSpaceKeepsEveryTextNode();

    void declarationNode_data();
    void declarationNode();

    void encodingsFromFile_data();
    void encodingsFromFile();
    void loadXmlIgnoresDeclaredEncoding_data();
    void loadXmlIgnoresDeclaredEncoding();

    void internalEntityBecomesEntityReference();
    void entityReferenceChildrenAreReadOnly_data();
    void entityReferenceChildrenAreReadOnly();
    void predefinedAndCharacterReferencesBecomeText();
    void entityFromUnreadExternalDtdStaysChildless();
    void nothingOutsideTheFileIsRead_data();
    void nothingOutsideTheFileIsRead();
    void noValidationAndNoDefaultAttributes();
    void networkIsNotReached_data();
    void networkIsNotReached();

    void entityAmplificationIsRefusedQuickly_data();
    void entityAmplificationIsRefusedQuickly();
    void nestingLimit_data();
    void nestingLimit();
    void largeTextNodeOpens_data();
    void largeTextNodeOpens();
    void largeTextNodeWithEntityDeclarationsIsRefused();
    void attributeExpansionIsRefused_data();
    void attributeExpansionIsRefused();

    void parseErrorReportsFirstError();
    void parseErrorUrlIsEmptyAfterLoadXml();
    void parseErrorSourceLine_data();
    void parseErrorSourceLine();
    void inputIsReadToTheEnd_data();
    void inputIsReadToTheEnd();
    void unreadableOrEmptyInputFails_data();
    void unreadableOrEmptyInputFails();
    void malformedInputFails_data();
    void malformedInputFails();
    void parseErrorIsClearedBySuccess();
    void failedLoadLeavesDocumentEmpty();
    void progressAndCancel_data();
    void progressAndCancel();
    void diagnosticsAreNotPrinted_data();
    void diagnosticsAreNotPrinted();
};

void TestDomLoad::whitespaceRemoval_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");

    QTest::newRow("indentation between elements") << u"<a>\n  <b/>\n  <c/>\n</a>"_s << u"a(b,c)"_s;
    QTest::newRow("indentation at every level")
        << u"<a>\n <b>\n  <c/>\n </b>\n</a>"_s << u"a(b(c))"_s;
    QTest::newRow("line break alone in element") << u"<a>\n</a>"_s << u"a"_s;
    QTest::newRow("CR LF indentation") << u"<a>\r\n\t<b/>\r\n</a>"_s << u"a(b)"_s;
    QTest::newRow("blank between inline elements")
        << u"<p><b>big</b> <i>news</i></p>"_s << u"p(b('big'),' ',i('news'))"_s;
    QTest::newRow("tabs without line break") << u"<a>\t<b/>\t</a>"_s << u"a('\\t',b,'\\t')"_s;
    QTest::newRow("mixed content keeps all text")
        << u"<p>\n  text\n  <b/>\n</p>"_s << u"p('\\n  text\\n  ',b,'\\n')"_s;
    QTest::newRow("indentation put back in place when content follows")
        << u"<a>\n <!--c-->\n <b/>\n tail\n</a>"_s
        << u"a('\\n ',<!--c-->,'\\n ',b,'\\n tail\\n')"_s;
    QTest::newRow("text is not trimmed") << u"<a>  x  <b/></a>"_s << u"a('  x  ',b)"_s;
    QTest::newRow("no-break space is content")
        << u"<a>\n&#160;\n<b/>\n</a>"_s << u"a('\\n\u00A0\\n',b,'\\n')"_s;
    QTest::newRow("CDATA sibling is content")
        << u"<a>\n <![CDATA[x]]>\n</a>"_s << u"a('\\n ',[CDATA:x],'\\n')"_s;
    QTest::newRow("blank CDATA is never removed")
        << u"<a>\n <b/><![CDATA[ \n ]]>\n</a>"_s << u"a('\\n ',b,[CDATA: \\n ],'\\n')"_s;
    QTest::newRow("CDATA sections parted by indentation stay apart")
        << u"<a><![CDATA[x]]>\n <![CDATA[y]]></a>"_s << u"a([CDATA:x],'\\n ',[CDATA:y])"_s;
    QTest::newRow("entity reference sibling is content")
        << u"<!DOCTYPE a [<!ENTITY e \"v\">]><a>\n &e;\n</a>"_s << u"a('\\n ',&e;{'v'},'\\n')"_s;
    QTest::newRow("comments and instructions are not content")
        << u"<a>\n <!--c-->\n <?p d?>\n</a>"_s << u"a(<!--c-->,<?p?>)"_s;
    QTest::newRow("xml:space preserve")
        << u"<a xml:space=\"preserve\">\n  <b/>\n</a>"_s << u"a('\\n  ',b,'\\n')"_s;
    QTest::newRow("xml:space preserve inherited")
        << u"<r xml:space=\"preserve\"><a>\n <b/>\n</a></r>"_s << u"r(a('\\n ',b,'\\n'))"_s;
    QTest::newRow("xml:space default inside preserve")
        << u"<r xml:space=\"preserve\">\n<a xml:space=\"default\">\n <b/>\n</a>\n</r>"_s
        << u"r('\\n',a(b),'\\n')"_s;
    QTest::newRow("whitespace inside entity content")
        << u"<!DOCTYPE a [<!ENTITY e \"<x>\n <y/>\n</x>\">]><a>&e;</a>"_s
        << u"a(&e;{x('\\n ',y,'\\n')})"_s;
}

void TestDomLoad::whitespaceRemoval()
{
    QFETCH(QString, source);
    QFETCH(QString, expected);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(source), DomOk);
    QCOMPARE(Structure(document.documentElement()), expected);
}

void TestDomLoad::preserveWhiteSpaceKeepsEveryTextNode()
{
    DomDocument document = DomDocument::Create();
    document.setPreserveWhiteSpace(true);
    QCOMPARE(document.loadXML(u"<a>\n  <b>\n  </b>\n</a>"_s), DomOk);
    QCOMPARE(Structure(document.documentElement()), u"a('\\n  ',b('\\n  '),'\\n')"_s);
}

void TestDomLoad::declarationNode_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expectedValue"); // empty: no declaration node

    QTest::newRow("single quotes re-quoted") << u"<?xml version='1.0' encoding='utf-8'?><a/>"_s
                                             << u"version=\"1.0\" encoding=\"utf-8\""_s;
    QTest::newRow("version only") << u"<?xml version=\"1.0\"?><a/>"_s << u"version=\"1.0\""_s;
    QTest::newRow("standalone")
        << u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone='no'?>\n<a/>"_s
        << u"version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\""_s;
    QTest::newRow("no declaration") << u"<!--c--><a/>"_s << QString();
}

void TestDomLoad::declarationNode()
{
    QFETCH(QString, source);
    QFETCH(QString, expectedValue);

    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(source), DomOk);
    const DomNode first = document.documentNode().firstChild();
    if (expectedValue.isEmpty()) {
        QVERIFY2(first.nodeName() != u"xml"_s, "a source without declaration gained one");
        return;
    }
    QCOMPARE(first.nodeType(), NodeType::ProcessingInstruction);
    QCOMPARE(first.nodeName(), u"xml"_s);
    QCOMPARE(first.nodeValue().value_or(QString()), expectedValue);
    QCOMPARE(first.nextSibling().nodeType(), NodeType::Element);
}

void TestDomLoad::encodingsFromFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<QString>("declaration"); // empty: none

    const QString text = u"caf\u00E9 \u20AC \U0001D11E"_s;
    const QString utf16Source
        = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>"_s + text + u"</a>"_s;
    QTest::newRow("UTF-16 little-endian with BOM") << Utf16(utf16Source,
        QStringConverter::Utf16LE) << text << u"version=\"1.0\" encoding=\"UTF-16\""_s;
    QTest::newRow("UTF-16 big-endian with BOM") << Utf16(utf16Source, QStringConverter::Utf16BE)
                                                << text << u"version=\"1.0\" encoding=\"UTF-16\""_s;
    QTest::newRow("UTF-16 without declaration")
        << Utf16(u"<a>"_s + text + u"</a>"_s, QStringConverter::Utf16LE) << text << QString();
    QTest::newRow("UTF-8 with BOM")
        << QByteArray("\xEF\xBB\xBF<a>caf\xC3\xA9</a>") << u"caf\u00E9"_s << QString();
    QTest::newRow("UTF-8 declared")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xE2\x82\xAC</a>")
        << u"\u20AC"_s << u"version=\"1.0\" encoding=\"UTF-8\""_s;
    QTest::newRow("ISO-8859-1 declared")
        << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xE9 \xFC</a>")
        << u"caf\u00E9 \u00FC"_s << u"version=\"1.0\" encoding=\"ISO-8859-1\""_s;
    QTest::newRow("ISO-8859-15 declared")
        << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?><a>\xA4</a>") << u"\u20AC"_s
        << u"version=\"1.0\" encoding=\"ISO-8859-15\""_s;
    QTest::newRow("windows-1252 declared")
        << QByteArray("<?xml version='1.0' encoding='windows-1252'?><a>\x80\x93q\x94</a>")
        << u"\u20AC\u201Cq\u201D"_s << u"version=\"1.0\" encoding=\"windows-1252\""_s;
    const QString latin1Declared = u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"_s;
    QTest::newRow("UTF-8 byte-order mark over a declared ISO-8859-1")
        << QByteArray("\xEF\xBB\xBF" + latin1Declared.toLatin1() + "<a>caf\xC3\xA9</a>")
        << u"caf\u00E9"_s << u"version=\"1.0\" encoding=\"ISO-8859-1\""_s;
    QTest::newRow("UTF-8 byte-order mark over a declared UTF-16")
        << QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>caf\xC3\xA9</a>")
        << u"caf\u00E9"_s << u"version=\"1.0\" encoding=\"UTF-16\""_s;
    QTest::newRow("UTF-16 byte-order mark over a declared ISO-8859-1")
        << Utf16(latin1Declared + u"<a>"_s + text + u"</a>"_s, QStringConverter::Utf16LE) << text
        << u"version=\"1.0\" encoding=\"ISO-8859-1\""_s;
}

void TestDomLoad::encodingsFromFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expectedText);
    QFETCH(QString, declaration);

    QTemporaryDir dir;
    const QString path = WriteFile(dir, u"encoded.xml"_s, bytes);
    QVERIFY(!path.isEmpty());
    DomDocument document = DomDocument::Create();
    QVERIFY2(Succeeded(document.load(path)), qPrintable(document.parseError().reason));
    QCOMPARE(document.documentElement().firstChild().nodeValue().value_or(QString()), expectedText);
    const DomNode first = document.documentNode().firstChild();
    if (declaration.isEmpty()) {
        QCOMPARE(first.nodeType(), NodeType::Element);
    } else {
        QCOMPARE(first.nodeName(), u"xml"_s);
        QCOMPARE(first.nodeValue().value_or(QString()), declaration);
    }
}

void TestDomLoad::loadXmlIgnoresDeclaredEncoding_data()
{
    QTest::addColumn<QString>("source");

    QTest::newRow("ISO-8859-1")
        << u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\u20AC\u00FC</a>"_s;
    QTest::newRow("UTF-16") << u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\u20AC\u00FC</a>"_s;
    QTest::newRow("windows-1252")
        << u"<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\u20AC\u00FC</a>"_s;
}

void TestDomLoad::loadXmlIgnoresDeclaredEncoding()
{
    QFETCH(QString, source);

    DomDocument document = DomDocument::Create();
    QVERIFY2(Succeeded(document.loadXML(source)), qPrintable(document.parseError().reason));
    QCOMPARE(
        document.documentElement().firstChild().nodeValue().value_or(QString()), u"\u20AC\u00FC"_s);
}

void TestDomLoad::internalEntityBecomesEntityReference()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<!DOCTYPE a [<!ENTITY e \"hello <b>world</b>\">]><a>x&e;y</a>"_s),
        DomOk);
    const DomNode reference = document.documentElement().firstChild().nextSibling();
    QCOMPARE(reference.nodeType(), NodeType::EntityReference);
    QCOMPARE(reference.nodeName(), u"e"_s);
    QVERIFY(!reference.nodeValue().has_value());
    QCOMPARE(Structure(document.documentElement()), u"a('x',&e;{'hello ',b('world')},'y')"_s);
}

void TestDomLoad::entityReferenceChildrenAreReadOnly_data()
{
    QTest::addColumn<QString>("change");

    QTest::newRow("set value of text") << u"setValue"_s;
    QTest::newRow("append to entity reference") << u"appendToReference"_s;
    QTest::newRow("append to element inside") << u"appendToElement"_s;
    QTest::newRow("insert before child") << u"insertBefore"_s;
    QTest::newRow("remove child of entity reference") << u"removeChild"_s;
    QTest::newRow("set attribute of element inside") << u"setAttribute"_s;
    QTest::newRow("change attribute value inside") << u"attributeValue"_s;
    QTest::newRow("remove attribute inside") << u"removeAttribute"_s;
    QTest::newRow("set attribute node inside") << u"setAttributeNode"_s;
    QTest::newRow("move child out") << u"moveOut"_s;
}

void TestDomLoad::entityReferenceChildrenAreReadOnly()
{
    QFETCH(QString, change);

    DomDocument document = DomDocument::Create();
    QCOMPARE(
        document.loadXML(u"<!DOCTYPE a [<!ENTITY e \"t<b x='1'>w</b>\">]><a>&e;<c/></a>"_s), DomOk);
    const QString before = document.xml();
    DomNode reference = document.documentElement().firstChild();
    DomNode text = reference.firstChild();
    DomElement inner = reference.lastChild().toElement();
    QCOMPARE(text.nodeType(), NodeType::Text);
    QCOMPARE(inner.nodeName(), u"b"_s);

    DomResult result = DomOk;
    if (change == u"setValue"_s)
        result = text.setNodeValue(u"changed"_s);
    else if (change == u"appendToReference"_s)
        result = reference.appendChild(document.createElement(u"n"_s));
    else if (change == u"appendToElement"_s)
        result = inner.appendChild(document.createTextNode(u"n"_s));
    else if (change == u"insertBefore"_s)
        result = reference.insertBefore(document.createComment(u"n"_s), text);
    else if (change == u"removeChild"_s)
        result = reference.removeChild(text);
    else if (change == u"setAttribute"_s)
        result = inner.setAttribute(u"n"_s, u"v"_s);
    else if (change == u"attributeValue"_s)
        result = inner.getAttributeNode(u"x"_s).setValue(u"2"_s);
    else if (change == u"removeAttribute"_s)
        result = inner.removeAttribute(u"x"_s);
    else if (change == u"setAttributeNode"_s)
        result = inner.setAttributeNode(document.createAttribute(u"x"_s));
    else if (change == u"moveOut"_s)
        result = document.documentElement().lastChild().appendChild(inner);
    QVERIFY2(Failed(result), "entity content was changed");
    QCOMPARE(document.xml(), before);
    QCOMPARE(Structure(reference), u"&e;{'t',b('w')}"_s);
    QCOMPARE(inner.attributes().length(), 1);
    QCOMPARE(inner.getAttribute(u"x"_s).value_or(QString()), u"1"_s);
}

void TestDomLoad::predefinedAndCharacterReferencesBecomeText()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<a>x&amp;&lt;&gt;&quot;&apos;&#65;&#x20AC;y</a>"_s), DomOk);
    QString text;
    for (DomNode child = document.documentElement().firstChild(); child;
         child = child.nextSibling()) {
        QCOMPARE(child.nodeType(), NodeType::Text);
        text += child.nodeValue().value_or(QString());
    }
    QCOMPARE(text, u"x&<>\"'A\u20ACy"_s);
}

void TestDomLoad::entityFromUnreadExternalDtdStaysChildless()
{
    const QString source
        = u"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
          "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">"
          "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body>a&nbsp;b</body></html>"_s;
    DomDocument document = DomDocument::Create();
    QVERIFY2(Succeeded(document.loadXML(source)), qPrintable(document.parseError().reason));
    QCOMPARE(document.parseError().errorCode, 0);
    const DomNode body = document.documentElement().firstChild();
    QCOMPARE(Structure(body), u"body('a',&nbsp;,'b')"_s);
    QCOMPARE(body.xml(), u"<body>a&nbsp;b</body>"_s);
}

void TestDomLoad::nothingOutsideTheFileIsRead_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("loads");

    QTest::newRow("external general entity")
        << QByteArray("<!DOCTYPE r [<!ENTITY x SYSTEM \"secret.txt\">]><r>&x;</r>") << true;
    QTest::newRow("external DTD subset")
        << QByteArray("<!DOCTYPE r SYSTEM \"secret.dtd\"><r>&x;</r>") << true;
    // Unread, the parameter entity leaves x undeclared, which is a well-formedness error.
    QTest::newRow("external parameter entity")
        << QByteArray("<!DOCTYPE r [<!ENTITY % p SYSTEM \"secret.dtd\"> %p;]><r>&x;</r>") << false;
}

void TestDomLoad::nothingOutsideTheFileIsRead()
{
    QFETCH(QByteArray, source);
    QFETCH(bool, loads);

    QTemporaryDir dir;
    QVERIFY(!WriteFile(dir, u"secret.txt"_s, "SECRET").isEmpty());
    QVERIFY(
        !WriteFile(dir, u"secret.dtd"_s, "<!ENTITY x \"SECRET\"><!ATTLIST r d CDATA \"SECRET\">")
             .isEmpty());
    const QString path = WriteFile(dir, u"doc.xml"_s, source);
    DomDocument document = DomDocument::Create();
    const DomResult result = document.load(path);
    QVERIFY(!document.xml().contains(u"SECRET"_s));
    if (!loads) {
        QVERIFY2(Failed(result), "the external parameter entity was read");
        return;
    }
    QVERIFY2(Succeeded(result), qPrintable(document.parseError().reason));
    QCOMPARE(Structure(document.documentElement()), u"r(&x;)"_s);
    QCOMPARE(document.documentElement().xml(), u"<r>&x;</r>"_s);
}

void TestDomLoad::noValidationAndNoDefaultAttributes()
{
    DomDocument document = DomDocument::Create();
    const QString source
        = u"<!DOCTYPE r [<!ELEMENT r (b)><!ATTLIST r d CDATA \"def\">]><r><c/></r>"_s;
    QVERIFY2(Succeeded(document.loadXML(source)), qPrintable(document.parseError().reason));
    QCOMPARE(document.documentElement().attributes().length(), 0);
}

void TestDomLoad::networkIsNotReached_data()
{
    QTest::addColumn<QString>("source"); // %1 is an address on a local listener

    QTest::newRow("external DTD subset") << u"<!DOCTYPE a SYSTEM \"%1\"><a>&x;</a>"_s;
    QTest::newRow("external general entity")
        << u"<!DOCTYPE a [<!ENTITY x SYSTEM \"%1\">]><a>&x;</a>"_s;
    QTest::newRow("external parameter entity")
        << u"<!DOCTYPE a [<!ENTITY % p SYSTEM \"%1\"> %p;]><a/>"_s;
    QTest::newRow("entity in attribute")
        << u"<!DOCTYPE a [<!ENTITY x SYSTEM \"%1\">]><a v=\"&x;\"/>"_s;
}

void TestDomLoad::networkIsNotReached()
{
    QFETCH(QString, source);

    ConnectionCounter server;
    QVERIFY(server.isListening());
    const QString text = source.arg(server.url(u"x.dtd"_s));
    DomDocument document = DomDocument::Create();
    document.loadXML(text);
    QTemporaryDir dir;
    document.load(WriteFile(dir, u"doc.xml"_s, text.toUtf8()));
    QCOMPARE(server.connections(), 0);
}

void TestDomLoad::entityAmplificationIsRefusedQuickly_data()
{
    QTest::addColumn<QByteArray>("source");

    QTest::newRow("in content") << BillionLaughsDtd() + "<r>&lol9;</r>";
    QTest::newRow("in attribute") << BillionLaughsDtd() + "<r a=\"&lol9;\"/>";
}

void TestDomLoad::entityAmplificationIsRefusedQuickly()
{
    QFETCH(QByteArray, source);

    QTemporaryDir dir;
    const QString path = WriteFile(dir, u"lol.xml"_s, source);
    DomDocument document = DomDocument::Create();
    QElapsedTimer timer;
    timer.start();
    const DomResult result = document.load(path);
    QVERIFY2(timer.elapsed() < 10000, "entity expansion was not cut short");
    QVERIFY(Failed(result));
    QVERIFY(!document.parseError().reason.isEmpty());
    QVERIFY(IsEmpty(document));
}

void TestDomLoad::attributeExpansionIsRefused_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("refused");

    // 20,000 references to a 64 KB entity: a file of 145 KB holding a value of 1.3 GB.
    const QByteArray entity = "<!ENTITY e \"" + BigText(65536) + "\">";
    const QByteArray references = QByteArray("&e;").repeated(20000);
    QTest::newRow("attribute value")
        << "<!DOCTYPE r [" + entity + "]><r a=\"" + references + "\"/>" << true;
    QTest::newRow("attribute inside entity content")
        << "<!DOCTYPE r [" + entity + "<!ENTITY w \"<x a='" + references + "'/>\">]><r>&w;</r>"
        << true;
    QTest::newRow("namespace declaration")
        << "<!DOCTYPE r [" + entity + "]><r xmlns:p=\"" + references + "\"/>" << true;
    QTest::newRow("references within the limit")
        << "<!DOCTYPE r [" + entity + "]><r a=\"&e;&e;\" xmlns:p=\"urn:&e;\"/>" << false;
}

void TestDomLoad::attributeExpansionIsRefused()
{
    QFETCH(QByteArray, source);
    QFETCH(bool, refused);

    QTemporaryDir dir;
    DomDocument document = DomDocument::Create();
    const DomResult result = document.load(WriteFile(dir, u"wide.xml"_s, source));
    if (!refused) {
        QCOMPARE(result, DomOk);
        return;
    }
    QVERIFY(Failed(result));
    QVERIFY(document.parseError().errorCode != 0);
    QVERIFY(document.parseError().reason.endsWith(u'\n'));
    QCOMPARE(document.parseError().line, 1);
    QVERIFY(IsEmpty(document));
}

void TestDomLoad::nestingLimit_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("fromFile");
    QTest::addColumn<bool>("largeText");
    QTest::addColumn<bool>("opens");

    QTest::newRow("at the limit, from file") << 4096 << true << false << true;
    QTest::newRow("at the limit, from text") << 4096 << false << false << true;
    QTest::newRow("one level deeper, from file") << 4097 << true << false << false;
    QTest::newRow("one level deeper, from text") << 4097 << false << false << false;
    QTest::newRow("far deeper, from file") << 200000 << true << false << false;
    // The text exceeds libxml2's default size limit, which the loader lifts for it.
    QTest::newRow("at the limit, after a large text") << 4096 << true << true << true;
    QTest::newRow("one level deeper, after a large text") << 4097 << true << true << false;
}

// Trees as deep as the program builds open; deeper ones are refused like any malformed input,
// also when a large text makes the loader lift libxml2's size limits.
void TestDomLoad::nestingLimit()
{
    QFETCH(int, depth);
    QFETCH(bool, fromFile);
    QFETCH(bool, largeText);
    QFETCH(bool, opens);

    const QByteArray text = largeText ? "<t>" + BigText(12 * 1024 * 1024) + "</t>" : QByteArray();
    const QByteArray source
        = "<d>" + text + QByteArray("<d>").repeated(depth - 1) + QByteArray("</d>").repeated(depth);
    QTemporaryDir dir;
    DomDocument document = DomDocument::Create();
    const DomResult result = fromFile ? document.load(WriteFile(dir, u"deep.xml"_s, source))
                                      : document.loadXML(QString::fromLatin1(source));
    if (!opens) {
        QVERIFY2(Failed(result), "a document nested deeper than the limit was read");
        QVERIFY(document.parseError().errorCode != 0);
        QVERIFY(document.parseError().reason.endsWith(u'\n'));
        QVERIFY(IsEmpty(document));
        return;
    }
    QVERIFY2(Succeeded(result), qPrintable(document.parseError().reason));
    int levels = 0;
    for (DomNode node = document.documentElement(); node; node = node.lastChild())
        ++levels;
    QCOMPARE(levels, depth);
}

void TestDomLoad::largeTextNodeOpens_data()
{
    QTest::addColumn<bool>("fromFile");

    QTest::newRow("from file") << true;
    QTest::newRow("from text") << false;
}

void TestDomLoad::largeTextNodeOpens()
{
    QFETCH(bool, fromFile);

    const QByteArray text = BigText(12 * 1024 * 1024);
    const QByteArray source = "<img>" + text + "</img>";
    DomDocument document = DomDocument::Create();
    DomResult result = DomFail;
    QTemporaryDir dir;
    if (fromFile)
        result = document.load(WriteFile(dir, u"big.xml"_s, source));
    else
        result = document.loadXML(QString::fromLatin1(source));
    QVERIFY2(Succeeded(result), qPrintable(document.parseError().reason));
    const DomNode textNode = document.documentElement().firstChild();
    QCOMPARE(textNode.nodeType(), NodeType::Text);
    QVERIFY(textNode.nextSibling().isNull());
    QVERIFY(textNode.nodeValue().value_or(QString()) == QLatin1String(text));
}

void TestDomLoad::largeTextNodeWithEntityDeclarationsIsRefused()
{
    const QByteArray source
        = "<!DOCTYPE img [<!ENTITY e \"x\">]><img>" + BigText(12 * 1024 * 1024) + "</img>";
    QTemporaryDir dir;
    DomDocument document = DomDocument::Create();
    QVERIFY2(Failed(document.load(WriteFile(dir, u"big.xml"_s, source))),
        "a document declaring entities was parsed without size limits");
    QVERIFY(!document.parseError().reason.isEmpty());
    QVERIFY(IsEmpty(document));
}

void TestDomLoad::parseErrorReportsFirstError()
{
    // The tag mismatch on line 4 comes first; the unclosed <tail> at the end is a later error.
    const QString faultyLine = u"  <n\u00E4me>\u00DCn\u00EFc\u00F6d\u00E9 text</nome>"_s;
    const QString source = u"<?xml version=\"1.0\"?>\n<root>\n  <item>\u00E9</item>\n"_s
        + faultyLine + u"\n  <tail>\n"_s;
    QTemporaryDir dir;
    const QString path = WriteFile(dir, u"broken.xml"_s, source.toUtf8());
    DomDocument document = DomDocument::Create();
    QVERIFY(Failed(document.load(path)));

    const DomParseError& error = document.parseError();
    QCOMPARE(error.errorCode, 76); // XML_ERR_TAG_NAME_MISMATCH
    QCOMPARE(error.line, 4);
    QCOMPARE(error.linepos, 28); // just after "</nome>", counted in characters
    QCOMPARE(error.srcText, faultyLine);
    QCOMPARE(error.url, path);
    QVERIFY(error.reason.size() > 1);
    QVERIFY2(error.reason.endsWith(u'\n'), qPrintable(error.reason));
    const qsizetype lineStart = source.indexOf(faultyLine);
    const qsizetype lineEndInBytes = source.left(lineStart + faultyLine.size()).toUtf8().size();
    QVERIFY2(error.filepos >= lineStart && error.filepos <= lineEndInBytes,
        qPrintable(QString::number(error.filepos)));
}

void TestDomLoad::parseErrorUrlIsEmptyAfterLoadXml()
{
    DomDocument document = DomDocument::Create();
    QVERIFY(Failed(document.loadXML(u"<a>\n<b></a>"_s)));
    QVERIFY(document.parseError().errorCode != 0);
    QCOMPARE(document.parseError().line, 2);
    QCOMPARE(document.parseError().srcText, u"<b></a>"_s);
    QVERIFY(document.parseError().url.isEmpty());
}

void TestDomLoad::parseErrorSourceLine_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("srcText");

    QTest::newRow("first line") << QByteArray("<a><b></a>\n") << 1 << u"<a><b></a>"_s;
    QTest::newRow("CR LF line ends")
        << QByteArray("<a>\r\n<b>\r\n</a>\r\n</b>\r\n") << 3 << u"</a>"_s;
    QTest::newRow("last line without line break") << QByteArray("<a>\n<b>\n</c>") << 3 << u"</c>"_s;
    const QByteArray longLine = "<b v=\"" + QByteArray(200000, 'x') + "\"></c>";
    QTest::newRow("error far along a long line")
        << QByteArray("<a>\n" + longLine + "\n</a>\n") << 2 << QString::fromLatin1(longLine);
    const QByteArray longBefore = "<p>" + QByteArray(300000, 'y') + "</p>\n";
    QTest::newRow("error at the start of a long line")
        << QByteArray("<a>\n<b></c>" + QByteArray(200000, 'z') + "\n</a>\n") << 2
        << u"<b></c>"_s + QString(200000, u'z');
    QTest::newRow("error after a long line")
        << QByteArray("<a>\n" + longBefore + "<q></a>\n") << 3 << u"<q></a>"_s;

    // The line is decoded as the file is.
    const QString first
        = u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r a=\"\u00E9\"><b></r>"_s;
    QTest::newRow("ISO-8859-1, first line") << first.toLatin1() << 1 << first;
    const QString longText = u"<b v=\""_s + QString(200000, u'\u00E9') + u"\"></c>"_s;
    QTest::newRow("UTF-16, error far along a long line")
        << Utf16(u"<a>\n"_s + longText + u"\n</a>"_s, QStringConverter::Utf16LE) << 2 << longText;
}

void TestDomLoad::parseErrorSourceLine()
{
    QFETCH(QByteArray, source);
    QFETCH(int, line);
    QFETCH(QString, srcText);

    QTemporaryDir dir;
    DomDocument document = DomDocument::Create();
    QVERIFY(Failed(document.load(WriteFile(dir, u"broken.xml"_s, source))));
    QCOMPARE(document.parseError().line, line);
    QVERIFY2(document.parseError().srcText == srcText,
        qPrintable(document.parseError().srcText.left(200)));

    // ASCII sources read the same from text.
    if (std::any_of(source.begin(), source.end(), [](char c) { return c <= 0; }))
        return;
    QVERIFY(Failed(document.loadXML(QString::fromLatin1(source))));
    QCOMPARE(document.parseError().line, line);
    QVERIFY2(document.parseError().srcText == srcText,
        qPrintable(document.parseError().srcText.left(200)));
}

void TestDomLoad::inputIsReadToTheEnd_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");

    // After a complete root element libxml2 stops at each of these faults without an error, and
    // the comment and instruction after it would be gone.
    const QByteArray tail = "<!--c--><?p x?>";
    QTest::newRow("NUL byte") << QByteArray("<r>a</r>\n\0", 10) + tail << 2 << 1;
    QTest::newRow("byte windows-1252 does not define")
        << "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<r>\x80</r>\x81" + tail << 2 << 9;
    QTest::newRow("unpaired surrogate in UTF-16") << Utf16(u"<r/>\n"_s, QStringConverter::Utf16LE)
            + QByteArray("\0\xD8", 2) + Utf16LeWithoutBom(QString::fromLatin1(tail))
                                                  << 2 << 1;
    QTest::newRow("UTF-16 ending inside a character")
        << Utf16(u"<r/>"_s + QString::fromLatin1(tail), QStringConverter::Utf16LE) + "<" << 1 << 20;
}

void TestDomLoad::inputIsReadToTheEnd()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QFETCH(int, column);

    QTemporaryDir dir;
    DomDocument document = DomDocument::Create();
    QVERIFY(Failed(document.load(WriteFile(dir, u"cut.xml"_s, bytes))));
    const DomParseError& error = document.parseError();
    QVERIFY2(error.errorCode != 0 && error.reason.endsWith(u'\n'), qPrintable(error.reason));
    QCOMPARE(error.line, line);
    QCOMPARE(error.linepos, column);
    QVERIFY(IsEmpty(document));
    if (bytes.startsWith("<r>"))
        QVERIFY(Failed(document.loadXML(QString::fromLatin1(bytes))));
}

void TestDomLoad::unreadableOrEmptyInputFails_data()
{
    QTest::addColumn<QString>("fileName"); // empty: the file does not exist
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("missing file") << QString() << QByteArray();
    QTest::newRow("empty file") << u"empty.xml"_s << QByteArray();
    QTest::newRow("declaration only") << u"decl.xml"_s << QByteArray("<?xml version=\"1.0\"?>\n");
    QTest::newRow("a folder") << u"."_s << QByteArray();
    QTest::newRow("gzip") << u"packed.xml"_s << Gzip("<r><!--" + QByteArray(4000, 'x') + "--></r>");
    QTest::newRow("xz") << u"packed.xml"_s
                        << QByteArray("\xFD"
                                      "7zXZ\0\0\x04\xE6\xD6\xB4\x46",
                               12);
    QTest::newRow("lzma") << u"packed.xml"_s
                          << QByteArray("\x5D\0\0\x80\0\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\0", 14);
}

void TestDomLoad::unreadableOrEmptyInputFails()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);

    QTemporaryDir dir;
    QString path = dir.filePath(u"missing.xml"_s);
    if (fileName == u"."_s)
        path = dir.path();
    else if (!fileName.isEmpty())
        path = WriteFile(dir, fileName, bytes);
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<old/>"_s), DomOk);

    QVERIFY(Failed(document.load(path)));
    const DomParseError& error = document.parseError();
    QVERIFY(error.errorCode != 0);
    QVERIFY(error.reason.size() > 1);
    QVERIFY2(error.reason.endsWith(u'\n'), qPrintable(error.reason));
    QCOMPARE(error.url, path);
    QVERIFY(IsEmpty(document));
    if (fileName == u"packed.xml"_s)
        QCOMPARE(error.reason, path + u" is a compressed file. Decompress it first.\n"_s);
}

void TestDomLoad::malformedInputFails_data()
{
    QTest::addColumn<QString>("source");

    QTest::newRow("undeclared element prefix") << u"<p:a/>"_s;
    QTest::newRow("undeclared attribute prefix") << u"<a p:x=\"1\"/>"_s;
    QTest::newRow("undeclared prefix below a declaration")
        << u"<a xmlns:q=\"urn:q\"><q:b/><p:c/></a>"_s;
    QTest::newRow("two root elements") << u"<a/><b/>"_s;
    QTest::newRow("unclosed element") << u"<a><b></a>"_s;
    QTest::newRow("undeclared entity without DTD") << u"<a>&foo;</a>"_s;
    QTest::newRow("control character reference") << u"<a>&#1;</a>"_s;
    QTest::newRow("duplicate attribute") << u"<a x=\"1\" x=\"2\"/>"_s;
    QTest::newRow("text outside the root") << u"<a/>text"_s;
    QTest::newRow("only text") << u"just text"_s;
}

void TestDomLoad::malformedInputFails()
{
    QFETCH(QString, source);

    DomDocument document = DomDocument::Create();
    QVERIFY(Failed(document.loadXML(source)));
    QVERIFY(document.parseError().errorCode != 0);
    QVERIFY(document.parseError().reason.endsWith(u'\n'));
    QVERIFY(document.parseError().line >= 1);
    QVERIFY(IsEmpty(document));
}

void TestDomLoad::parseErrorIsClearedBySuccess()
{
    QTemporaryDir dir;
    DomDocument document = DomDocument::Create();
    QVERIFY(Failed(document.load(WriteFile(dir, u"broken.xml"_s, "<a>\n<b></a>"))));
    QVERIFY(document.parseError().errorCode != 0);
    QVERIFY(!document.parseError().url.isEmpty());

    QCOMPARE(document.loadXML(u"<a/>"_s), DomOk);
    const DomParseError& error = document.parseError();
    QCOMPARE(error.errorCode, 0);
    QVERIFY(error.reason.isEmpty());
    QVERIFY(error.srcText.isEmpty());
    QVERIFY(error.url.isEmpty());
    QCOMPARE(error.line, 0);
    QCOMPARE(error.linepos, 0);
    QCOMPARE(error.filepos, 0);
}

void TestDomLoad::failedLoadLeavesDocumentEmpty()
{
    DomDocument document = DomDocument::Create();
    QCOMPARE(document.loadXML(u"<?xml version=\"1.0\"?><!--c--><a><b/></a>"_s), DomOk);
    QVERIFY(Failed(document.loadXML(u"<a><b></a>"_s)));
    QVERIFY(IsEmpty(document));
}

void TestDomLoad::progressAndCancel_data()
{
    QTest::addColumn<int>("stopAt"); // the call of the progress function that answers false
    QTest::addColumn<bool>("fromText");
    QTest::newRow("stopped before reading") << 0 << false;
    QTest::newRow("stopped half-way") << 3 << false;
    QTest::newRow("not stopped") << -1 << false;
    QTest::newRow("text stopped half-way") << 3 << true;
    QTest::newRow("text not stopped") << -1 << true;
}

// The progress function hears of every piece read up to the whole file; a load it stops leaves
// the document as it was.
void TestDomLoad::progressAndCancel()
{
    QFETCH(int, stopAt);
    QFETCH(bool, fromText);
    QTemporaryDir dir;
    QByteArray bytes = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY e \"E\">]>\n<r>";
    while (bytes.size() < 2'000'000)
        bytes += "\n  <item a=\"&e;\">text \xC3\xA9</item>";
    bytes += "</r>";
    const QString path = WriteFile(dir, u"large.xml"_s, bytes);
    DomDocument document = DomDocument::Create();
    const QString old = u"<?xml version=\"1.0\"?>\r\n<!--c-->\r\n<a><b/></a>\r\n"_s;
    QCOMPARE(document.loadXML(old), DomOk);
    const DomElement oldRoot = document.documentElement();

    int calls = 0;
    qint64 lastDone = -1;
    bool climbs = true;
    const auto progress = [&](qint64 done, qint64 total) {
        climbs = climbs && done >= lastDone && total == bytes.size();
        lastDone = done;
        return calls++ != stopAt;
    };
    const DomResult result
        = fromText ? document.loadXML(bytes, progress) : document.load(path, progress);
    QVERIFY(climbs);
    if (stopAt >= 0) {
        QCOMPARE(result, DomCancelled);
        QCOMPARE(calls, stopAt + 1);
        QCOMPARE(document.xml(), old);
        QCOMPARE(document.documentElement(), oldRoot);
        QVERIFY(document.parseError().reason.isEmpty());
    } else {
        QCOMPARE(result, DomOk);
        QCOMPARE(lastDone, qint64(bytes.size()));
        QCOMPARE(document.documentElement().childNodes().length(), int(bytes.count("<item")));
    }
}

void TestDomLoad::diagnosticsAreNotPrinted_data()
{
    QTest::addColumn<QByteArray>("source"); // empty: a missing file

    QTest::newRow("missing file") << QByteArray();
    QTest::newRow("tag mismatch") << QByteArray("<a><b></a>");
    QTest::newRow("undeclared prefix") << QByteArray("<p:a/>");
    QTest::newRow("entity of an unread external DTD")
        << QByteArray("<!DOCTYPE a SYSTEM \"http://example.invalid/a.dtd\"><a>&nbsp;</a>");
    QTest::newRow("external entity")
        << QByteArray("<!DOCTYPE a [<!ENTITY x SYSTEM \"missing.txt\">]><a>&x;</a>");
    QTest::newRow("entity amplification") << BillionLaughsDtd() + "<r a=\"&lol9;\"/>";
    QTest::newRow("invalid encoding")
        << QByteArray("<?xml version=\"1.0\" encoding=\"no-such\"?><a/>");
    QTest::newRow("bad UTF-8") << QByteArray("<a>\xFF\xFE</a>");
}

void TestDomLoad::diagnosticsAreNotPrinted()
{
    QFETCH(QByteArray, source);

    QTemporaryDir dir;
    const QString path
        = source.isEmpty() ? dir.filePath(u"missing.xml"_s) : WriteFile(dir, u"doc.xml"_s, source);
    DomDocument document = DomDocument::Create();
    const QByteArray printed = CapturedOutput([&] {
        document.load(path);
        document.loadXML(QString::fromUtf8(source));
    });
    QVERIFY2(printed.isEmpty(), printed.constData());
}

QTEST_GUILESS_MAIN(TestDomLoad)
#include "tst_domload.moc"
