#include "DomTestSupport.h"
#include "dom/DomDocument.h"
#include "dom/DomNodeList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <libxml/xmlmemory.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace Qt::StringLiterals;

namespace {

const QString kSource = u"<r a=\"1\"><b>t\u00E9</b><b>u</b></r>"_s;

DomDocument Loaded(const QString& source)
{
    DomDocument document = DomDocument::Create();
    if (Failed(document.loadXML(source)))
        qWarning("test source did not load: %s", qPrintable(document.parseError().reason));
    return document;
}

// A style sheet with the given top-level elements and extra namespace declarations.
QString StyleSheet(
    const QString& body, const QString& namespaces = QString(), const QString& version = u"1.0"_s)
{
    return u"<xsl:stylesheet version=\"%1\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"%2>"_s
               .arg(version, namespaces)
        + body + u"</xsl:stylesheet>"_s;
}

QString TextStyleSheet(const QString& templateBody, const QString& namespaces = QString())
{
    return StyleSheet(u"<xsl:output method=\"text\"/><xsl:template match=\"/\">"_s + templateBody
            + u"</xsl:template>"_s,
        namespaces);
}

const QString kExslt = u" xmlns:exsl=\"http://exslt.org/common\""
                       " xmlns:str=\"http://exslt.org/strings\""
                       " xmlns:date=\"http://exslt.org/dates-and-times\""
                       " xmlns:math=\"http://exslt.org/math\""
                       " xmlns:set=\"http://exslt.org/sets\""
                       " extension-element-prefixes=\"exsl\""_s;

// The output of a successful transform of kSource, or a marked error text.
QString Transform(const QString& styleSheet)
{
    QString output;
    const DomResult result = Loaded(kSource).transformNode(Loaded(styleSheet), output);
    return Succeeded(result) ? output : u"<failed> "_s + output;
}

} // namespace

class TestDomTransform : public QObject {
    Q_OBJECT

private slots:
    void identityTransform();
    void outputFollowsMethod_data();
    void outputFollowsMethod();
    void textOutputIsTheTextAlone();
    void exsltFunctions_data();
    void exsltFunctions();
    void documentFunctionReadsLocalFile();
    void networkIsNotReached_data();
    void networkIsNotReached();
    void writingFilesIsRefused_data();
    void writingFilesIsRefused();
    void invalidStyleSheetFails_data();
    void invalidStyleSheetFails();
    void terminatingMessageFails();
    void documentsAreUnchanged_data();
    void documentsAreUnchanged();
    void diagnosticsAreNotPrinted_data();
    void diagnosticsAreNotPrinted();
    void entitiesAreExpanded_data();
    void entitiesAreExpanded();
    void readFilesStayLocal_data();
    void readFilesStayLocal();
    void messagesAreBounded();
    void outOfMemoryFails();
};

void TestDomTransform::identityTransform()
{
    const QString output = Transform(StyleSheet(
        u"<xsl:output method=\"xml\" omit-xml-declaration=\"yes\"/>"
        "<xsl:template match=\"@*|node()\"><xsl:copy><xsl:apply-templates select=\"@*|node()\"/>"
        "</xsl:copy></xsl:template>"_s));
    QCOMPARE(output.trimmed(), kSource);
}

void TestDomTransform::outputFollowsMethod_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("matches");

    const QString declaration = u"^<\\?xml version=\"1\\.0\" encoding=\"UTF-16\"\\?>"_s;
    const QString body = u"<xsl:template match=\"/\"><out n=\"{count(r/b)}\"/></xsl:template>"_s;
    QTest::newRow("xml has a UTF-16 declaration")
        << u"<xsl:output method=\"xml\"/>"_s + body << declaration << true;
    QTest::newRow("default method is xml") << body << declaration << true;
    QTest::newRow("declared encoding is replaced")
        << u"<xsl:output method=\"xml\" encoding=\"ISO-8859-1\"/>"_s + body << declaration << true;
    QTest::newRow("declaration omitted")
        << u"<xsl:output method=\"xml\" omit-xml-declaration=\"yes\"/>"_s + body << u"<\\?xml"_s
        << false;
    QTest::newRow("xml content follows")
        << u"<xsl:output method=\"xml\"/>"_s + body << u"\\?>\\s*<out n=\"2\"/>\\s*$"_s << true;
    QTest::newRow("html names UTF-16 in a content-type meta")
        << u"<xsl:output method=\"html\"/><xsl:template match=\"/\"><html><head><title>T</title>"
           "</head><body><p><xsl:value-of select=\"r/b\"/></p></body></html></xsl:template>"_s
        << u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-16\">"_s << true;
}

void TestDomTransform::outputFollowsMethod()
{
    QFETCH(QString, output);
    QFETCH(QString, pattern);
    QFETCH(bool, matches);

    const QString result = Transform(StyleSheet(output));
    QVERIFY(!result.startsWith(u"<failed>"_s));
    const QRegularExpression expression(pattern, QRegularExpression::CaseInsensitiveOption);
    QVERIFY2(expression.match(result).hasMatch() == matches, qPrintable(result));
}

void TestDomTransform::textOutputIsTheTextAlone()
{
    QCOMPARE(Transform(TextStyleSheet(u"Hello <xsl:value-of select=\"r/@a\"/><xsl:text> "
                                      u"</xsl:text><xsl:value-of select=\"r/b\"/> "
                                      "\u20AC\U0001D11E"_s)),
        u"Hello 1 t\u00E9 \u20AC\U0001D11E"_s);
}

void TestDomTransform::exsltFunctions_data()
{
    QTest::addColumn<QString>("templateBody");
    QTest::addColumn<QString>("expected");

    QTest::newRow("exsl:node-set") << u"<xsl:variable name=\"v\"><x>1</x><x>2</x></xsl:variable>"
                                      "<xsl:value-of select=\"count(exsl:node-set($v)/x)\"/>"_s
                                   << u"2"_s;
    QTest::newRow("str:tokenize")
        << u"<xsl:for-each select=\"str:tokenize('a,b;c', ',;')\"><xsl:value-of select=\".\"/>|"
           "</xsl:for-each>"_s
        << u"a|b|c|"_s;
    QTest::newRow("date:year") << u"<xsl:value-of select=\"date:year('2024-05-06')\"/>"_s
                               << u"2024"_s;
    QTest::newRow("math:max") << u"<xsl:value-of select=\"math:max(str:tokenize('3 9 4'))\"/>"_s
                              << u"9"_s;
    QTest::newRow("set:distinct")
        << u"<xsl:value-of select=\"count(set:distinct(str:tokenize('a b a c b')))\"/>"_s << u"3"_s;
}

void TestDomTransform::exsltFunctions()
{
    QFETCH(QString, templateBody);
    QFETCH(QString, expected);
    QCOMPARE(Transform(TextStyleSheet(templateBody, kExslt)), expected);
}

void TestDomTransform::documentFunctionReadsLocalFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"other.xml"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<d><v>from file</v></d>");
    file.close();

    const QString uri = QUrl::fromLocalFile(path).toString();
    QCOMPARE(Transform(TextStyleSheet(u"<xsl:value-of select=\"document('%1')/d/v\"/>"_s.arg(uri))),
        u"from file"_s);
}

void TestDomTransform::networkIsNotReached_data()
{
    QTest::addColumn<QString>("styleSheet"); // %1 is an address on a local listener

    QTest::newRow("document()") << TextStyleSheet(u"<xsl:value-of select=\"document('%1')\"/>x"_s);
    QTest::newRow("xsl:import") << StyleSheet(u"<xsl:import href=\"%1\"/>"
                                              "<xsl:template match=\"/\">x</xsl:template>"_s);
    QTest::newRow("xsl:include") << StyleSheet(u"<xsl:include href=\"%1\"/>"
                                               "<xsl:template match=\"/\">x</xsl:template>"_s);
    QTest::newRow("exsl:document to the network")
        << StyleSheet(u"<xsl:template match=\"/\"><exsl:document href=\"%1\">x</exsl:document>"
                      "</xsl:template>"_s,
               kExslt);
}

void TestDomTransform::networkIsNotReached()
{
    QFETCH(QString, styleSheet);

    ConnectionCounter server;
    QVERIFY(server.isListening());
    QString output;
    Loaded(kSource).transformNode(Loaded(styleSheet.arg(server.url(u"x.xml"_s))), output);
    QCOMPARE(server.connections(), 0);
}

void TestDomTransform::writingFilesIsRefused_data()
{
    QTest::addColumn<QString>("instruction");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("target"); // relative to a temporary folder

    QTest::newRow("exsl:document") << u"exsl:document"_s << u"1.0"_s << u"out.txt"_s;
    QTest::newRow("exsl:document in a new folder")
        << u"exsl:document"_s << u"1.0"_s << u"sub/dir/out.txt"_s;
    QTest::newRow("xsl:document") << u"xsl:document"_s << u"1.1"_s << u"out.txt"_s;
}

void TestDomTransform::writingFilesIsRefused()
{
    QFETCH(QString, instruction);
    QFETCH(QString, version);
    QFETCH(QString, target);

    QTemporaryDir dir;
    const QString path = dir.filePath(target);
    const QString styleSheet
        = StyleSheet(u"<xsl:output method=\"text\"/><xsl:template match=\"/\">before"
                     "<%1 href=\"%2\" method=\"text\">written</%1>after</xsl:template>"_s.arg(
                         instruction, QUrl::fromLocalFile(path).toString()),
            kExslt, version);
    QString output;
    const DomResult result = Loaded(kSource).transformNode(Loaded(styleSheet), output);

    QVERIFY2(!QFileInfo::exists(path), "the style sheet wrote a file");
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QVERIFY2(Failed(result), qPrintable(output));
    QVERIFY2(!output.trimmed().isEmpty(), "no error text");
}

void TestDomTransform::invalidStyleSheetFails_data()
{
    QTest::addColumn<QString>("styleSheet"); // empty: an empty document

    QTest::newRow("empty document") << QString();
    QTest::newRow("not a style sheet") << u"<notxsl><b/></notxsl>"_s;
    QTest::newRow("XSLT namespace, unknown element")
        << u"<xsl:nothing xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"/>"_s;
    QTest::newRow("bad expression")
        << StyleSheet(u"<xsl:template match=\"/\"><xsl:value-of select=\"((\"/></xsl:template>"_s);
    QTest::newRow("unknown function") << StyleSheet(
        u"<xsl:template match=\"/\"><xsl:value-of select=\"nosuch(1)\"/></xsl:template>"_s);
}

void TestDomTransform::invalidStyleSheetFails()
{
    QFETCH(QString, styleSheet);

    const DomDocument sheet = styleSheet.isEmpty() ? DomDocument::Create() : Loaded(styleSheet);
    QString output;
    QVERIFY(Failed(Loaded(kSource).transformNode(sheet, output)));
    QVERIFY2(!output.trimmed().isEmpty(), "no error text");
}

void TestDomTransform::terminatingMessageFails()
{
    QString output;
    const DomResult result = Loaded(kSource).transformNode(
        Loaded(TextStyleSheet(u"start<xsl:message terminate=\"yes\">Stopped at <xsl:value-of "
                              "select=\"count(r/b)\"/> items</xsl:message>end"_s)),
        output);
    QVERIFY(Failed(result));
    QVERIFY2(output.contains(u"Stopped at 2 items"_s), qPrintable(output));
}

void TestDomTransform::documentsAreUnchanged_data()
{
    QTest::addColumn<QString>("sourceText");
    QTest::addColumn<bool>("preserveWhiteSpace");

    const QString indented = u"<r>\n  <b>1</b>\n  <!--c-->\n  <b>2</b>\n</r>"_s;
    QTest::newRow("indentation removed on load") << indented << false;
    QTest::newRow("indentation kept on load") << indented << true;
    QTest::newRow("blank between elements") << u"<r><b>1</b> <!--c--> <b>2</b></r>"_s << false;
    QTest::newRow("blank beside an entity reference")
        << u"<!DOCTYPE r [<!ENTITY two \"2\">]><r><b>1</b> <b>&two;</b></r>"_s << false;
}

// xsl:strip-space removes blank text from what the transformation reads, never from the
// documents the program holds: handles may refer to those nodes.
void TestDomTransform::documentsAreUnchanged()
{
    QFETCH(QString, sourceText);
    QFETCH(bool, preserveWhiteSpace);

    const DomDocument sheet = Loaded(StyleSheet(
        u"\n  <xsl:output method=\"text\"/>\n  <xsl:strip-space elements=\"*\"/>\n"
        "  <xsl:template match=\"b\">[<xsl:value-of select=\".\"/>]</xsl:template>\n"_s));
    DomDocument source = DomDocument::Create();
    source.setPreserveWhiteSpace(preserveWhiteSpace);
    QCOMPARE(source.loadXML(sourceText), DomOk);
    const DomNode root = source.documentElement();
    QList<DomNode> children;
    QStringList values;
    for (DomNode child = root.firstChild(); child; child = child.nextSibling()) {
        children << child;
        values << child.nodeValue().value_or(u"<none>"_s);
    }
    const QString sheetBefore = sheet.xml();
    const QString sourceBefore = source.xml();

    QString first;
    QString second;
    QVERIFY(Succeeded(source.transformNode(sheet, first)));
    QVERIFY(Succeeded(source.transformNode(sheet, second)));
    QCOMPARE(first, u"[1][2]"_s);
    QCOMPARE(second, first);
    QCOMPARE(sheet.xml(), sheetBefore);
    QCOMPARE(source.xml(), sourceBefore);
    QCOMPARE(root.childNodes().length(), int(children.size()));
    for (qsizetype i = 0; i < children.size(); ++i) {
        QCOMPARE(children[i].parentNode(), root);
        QCOMPARE(children[i].nodeValue().value_or(u"<none>"_s), values[i]);
    }
}

void TestDomTransform::diagnosticsAreNotPrinted_data()
{
    QTest::addColumn<QString>("styleSheet");

    QTest::newRow("not a style sheet") << u"<notxsl/>"_s;
    QTest::newRow("bad expression")
        << StyleSheet(u"<xsl:template match=\"/\"><xsl:value-of select=\"((\"/></xsl:template>"_s);
    QTest::newRow("message") << TextStyleSheet(u"<xsl:message>note</xsl:message>x"_s);
    QTest::newRow("terminating message")
        << TextStyleSheet(u"<xsl:message terminate=\"yes\">stop</xsl:message>"_s);
    QTest::newRow("missing document")
        << TextStyleSheet(u"<xsl:value-of select=\"document('/nonexistent/trelvo.xml')\"/>x"_s);
    QTest::newRow("refused write")
        << StyleSheet(u"<xsl:template match=\"/\"><exsl:document href=\"/nonexistent/out.txt\">"
                      "x</exsl:document></xsl:template>"_s,
               kExslt);
}

void TestDomTransform::diagnosticsAreNotPrinted()
{
    QFETCH(QString, styleSheet);

    const DomDocument sheet = Loaded(styleSheet);
    const DomDocument source = Loaded(kSource);
    QString output;
    const QByteArray printed = CapturedOutput([&] { source.transformNode(sheet, output); });
    QVERIFY2(printed.isEmpty(), printed.constData());
}

void TestDomTransform::entitiesAreExpanded_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("styleSheet");
    QTest::addColumn<QString>("expected");

    const QString identity = StyleSheet(u"<xsl:output method=\"xml\" omit-xml-declaration=\"yes\"/>"
                                        "<xsl:template match=\"@*|node()\"><xsl:copy>"
                                        "<xsl:apply-templates select=\"@*|node()\"/></xsl:copy>"
                                        "</xsl:template>"_s);
    const QString entities
        = u"<!DOCTYPE r [<!ENTITY c \"&#67;\"><!ENTITY e \"<b>in</b>\"><!ENTITY v \"&c;&e;\">]>"_s;
    QTest::newRow("identity sees the elements")
        << entities + u"<r a=\"1&c;\">x&e;y</r>"_s << identity << u"<r a=\"1C\">x<b>in</b>y</r>"_s;
    QTest::newRow("copy-of writes no reference")
        << entities + u"<r>x&v;y<![CDATA[<z>]]></r>"_s
        << StyleSheet(u"<xsl:output method=\"xml\" omit-xml-declaration=\"yes\"/>"
                      "<xsl:template match=\"/\"><xsl:copy-of select=\"r\"/>|"
                      "<xsl:value-of select=\"count(r/text())\"/></xsl:template>"_s)
        << u"<r>xC<b>in</b>y&lt;z&gt;</r>|2"_s;
    QTest::newRow("the style sheet's own entities")
        << kSource
        << u"<!DOCTYPE xsl:stylesheet [<!ENTITY copy \"&#169;\"><!ENTITY who \"World\">]>"_s
            + TextStyleSheet(u"Hello, &who; &copy; 2024"_s)
        << u"Hello, World \u00A9 2024"_s;
}

// XSLT reads documents with their entity references expanded.
void TestDomTransform::entitiesAreExpanded()
{
    QFETCH(QString, source);
    QFETCH(QString, styleSheet);
    QString output;
    QVERIFY(Succeeded(Loaded(source).transformNode(Loaded(styleSheet), output)));
    QTEST(output.trimmed(), "expected");
}

void TestDomTransform::readFilesStayLocal_data()
{
    QTest::addColumn<QByteArray>("target"); // the file document() and xsl:import read
    QTest::addColumn<QString>("expected");

    QTest::newRow("external entity not read")
        << QByteArray("<!DOCTYPE d [<!ENTITY x SYSTEM \"secret.txt\">]><d><v>&x;</v></d>")
        << u"[]"_s;
    QTest::newRow("external subset not read")
        << QByteArray("<!DOCTYPE d SYSTEM \"secret.dtd\"><d><v>&s;</v></d>") << u"[]"_s;
    QTest::newRow("a pipe is refused") << QByteArray() << u"[]"_s;
}

// document(), xsl:import and xsl:include read local files as documents are read: no external
// entity or subset, and never a pipe, which would block.
void TestDomTransform::readFilesStayLocal()
{
    QFETCH(QByteArray, target);
    QTemporaryDir dir;
    const auto write = [&](const char* name, const QByteArray& bytes) {
        return !WriteFile(dir, QString::fromLatin1(name), bytes).isEmpty();
    };
    QVERIFY(write("secret.txt", "SECRET"));
    QVERIFY(write("secret.dtd", "<!ENTITY s SYSTEM \"secret.txt\">"));
    const QString path = dir.filePath(u"target.xml"_s);
    if (target.isEmpty())
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else
        QVERIFY(write("target.xml", target));

    const QString uri = QUrl::fromLocalFile(path).toString();
    QString output;
    Loaded(kSource).transformNode(
        Loaded(TextStyleSheet(u"[<xsl:value-of select=\"document('%1')/d/v\"/>]"_s.arg(uri))),
        output);
    QTEST(output, "expected");

    // An imported sheet's entities follow the same rules.
    QVERIFY(write("imported.xsl",
        "<!DOCTYPE xsl:stylesheet [<!ENTITY x SYSTEM \"secret.txt\">]>"
            + StyleSheet(u"<xsl:template name=\"t\">[&x;]</xsl:template>"_s).toUtf8()));
    Loaded(kSource).transformNode(
        Loaded(StyleSheet(u"<xsl:import href=\"%1\"/><xsl:output method=\"text\"/><xsl:template "
                          "match=\"/\"><xsl:call-template name=\"t\"/></xsl:template>"_s.arg(
                              QUrl::fromLocalFile(dir.filePath(u"imported.xsl"_s)).toString()))),
        output);
    QCOMPARE(output, u"[]"_s);
}

// A style sheet that sends messages without end fails with a bounded text.
void TestDomTransform::messagesAreBounded()
{
    QString output;
    const DomResult result = Loaded(kSource).transformNode(
        Loaded(TextStyleSheet(u"<xsl:call-template name=\"m\"/></xsl:template>"
                              "<xsl:template name=\"m\"><xsl:param name=\"n\" select=\"0\"/>"
                              "<xsl:message>message <xsl:value-of select=\"$n\"/> of 2000 "
                              "<xsl:value-of select=\"str:padding(100)\"/></xsl:message>"
                              "<xsl:choose><xsl:when test=\"$n &lt; 2000\"><xsl:call-template "
                              "name=\"m\"><xsl:with-param name=\"n\" select=\"$n + 1\"/>"
                              "</xsl:call-template></xsl:when><xsl:otherwise><xsl:message "
                              "terminate=\"yes\">end</xsl:message></xsl:otherwise></xsl:choose>"_s,
            kExslt)),
        output);
    QVERIFY(Failed(result));
    QVERIFY2(output.startsWith(u"message 0 of 2000"_s), qPrintable(output.left(200)));
    QVERIFY(output.size() <= 70 * 1024);
    QVERIFY(output.count(u" of 2000"_s) <= 100);
}

namespace {
// libxml2's allocator, failing every call after the first allowedCalls.
long allowedCalls = -1;
bool MayAllocate() { return allowedCalls < 0 || allowedCalls-- > 0; }
void* FailingMalloc(size_t size) { return MayAllocate() ? std::malloc(size) : nullptr; }
void* FailingRealloc(void* block, size_t size)
{
    return MayAllocate() ? std::realloc(block, size) : nullptr;
}
char* FailingStrdup(const char* text) { return MayAllocate() ? strdup(text) : nullptr; }
}

// Memory running out part of the way through a transformation fails it: it never passes for a
// success with a part of the result. Each run is a child process with an allocator that fails
// after a number of calls.
void TestDomTransform::outOfMemoryFails()
{
    QString source = u"<r>"_s;
    for (int i = 0; i < 200; ++i)
        source += u"<b n=\"%1\">text %1</b>"_s.arg(i);
    source += u"</r>"_s;
    const QString sheet
        = TextStyleSheet(u"<xsl:for-each select=\"r/b\"><xsl:value-of select=\"concat(@n, "
                         "':', ., ';')\"/></xsl:for-each>"_s);
    QString expected;
    QVERIFY(Succeeded(Loaded(source).transformNode(Loaded(sheet), expected)));

    int failures = 0;
    for (long calls = 50; calls < 6000; calls += 230) {
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // libxml2 does not survive every failed allocation; its crash reports are noise.
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDERR_FILENO);
            const DomDocument sourceDocument = Loaded(source);
            const DomDocument sheetDocument = Loaded(sheet);
            xmlMemSetup(std::free, FailingMalloc, FailingRealloc, FailingStrdup);
            allowedCalls = calls;
            QString output;
            const DomResult result = sourceDocument.transformNode(sheetDocument, output);
            // Exit at once: the child shares the parent's test state.
            _exit(Failed(result) ? 3 : output == expected ? 0 : 4);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        // What a surviving run returns must be right.
        QVERIFY2(!WIFEXITED(status) || WEXITSTATUS(status) != 4,
            qPrintable(u"after %1 calls"_s.arg(calls)));
        failures += WIFEXITED(status) && WEXITSTATUS(status) == 3;
    }
    QVERIFY(failures > 0);
}

QTEST_GUILESS_MAIN(TestDomTransform)
#include "tst_domtransform.moc"
