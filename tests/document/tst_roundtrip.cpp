#include "DomOutline.h"
#include "ScriptedPrompts.h"
#include "TrelvoDoc.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray Utf16(const QString& text)
{
    const QString withMark = QChar(0xFEFF) + text;
    return QByteArray(reinterpret_cast<const char*>(withMark.utf16()), withMark.size() * 2);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList Loaded(const QString& path)
{
    DomDocument document = DomDocument::Create();
    if (Failed(document.load(path)))
        return { u"not loaded: "_s + document.parseError().reason };
    return Outline(document.documentNode());
}

} // namespace

// Load, save through the document, load again: the DOM is the same, and a second save writes
// the same bytes.
class TestRoundTrip : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void loadSaveLoad_data();
    void loadSaveLoad();

private:
    QString Saved(const QString& from, const QString& name);

    ScriptedPrompts prompts;
    QTemporaryDir dir;
};

void TestRoundTrip::initTestCase()
{
    QVERIFY(dir.isValid());
    Prompts::SetInstance(&prompts);
}

QString TestRoundTrip::Saved(const QString& from, const QString& name)
{
    TrelvoDoc doc;
    const QString path = dir.filePath(name);
    if (!doc.OnOpenDocument(from) || !doc.OnSaveDocument(path))
        return QString();
    return path;
}

// One row per document.
void TestRoundTrip::loadSaveLoad_data()
{
    QTest::addColumn<QByteArray>("source");

    QTest::newRow("plain") << "<r><a x=\"1\" y=\"2\">t</a>\n  <b/></r>"_ba;
    QTest::newRow("mixed content") << "<p>see <b>bold <i>it</i></b> now <br/>\n end</p>"_ba;
    QTest::newRow("namespaces")
        << "<r xmlns=\"urn:d\" a=\"1\" xmlns:p=\"urn:p\" p:b=\"2\"><p:c xmlns:q=\"urn:q\"/></r>"_ba;
    QTest::newRow("DTD with entities")
        << "<!DOCTYPE r [\n<!ENTITY e \"ent <i>x</i>\">\n<!ATTLIST r a CDATA \"d\">\n]>\n"
           "<r>&e; and &lt;&amp;</r>"_ba;
    QTest::newRow("comments and instructions after the root")
        << "<?xml version=\"1.0\"?>\n<!-- before -->\n<r/>\n<!-- after -->\n<?pi data?>"_ba;
    QTest::newRow("CDATA and a multi-line comment")
        << "<r><![CDATA[a < b]]><!-- one\n two --></r>"_ba;
    QTest::newRow("ISO-8859-1")
        << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<r a=\"\xE9\">caf\xE9 &#8364;</r>"_ba;
    QTest::newRow("UTF-16") << Utf16(
        u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<r a=\"\u00E9\">\u65E5</r>"_s);
    QTest::newRow("inline markup in mixed content")
        << "<p>see <code><a href=\"#x\">f</a></code> now</p>"_ba;
    QTest::newRow("inline names in DocBook")
        << "<para>by <personname><firstname>N</firstname><surname>W</surname></personname>."
           "</para>"_ba;
    QTest::newRow("CDATA split around ]]>") << "<r><![CDATA[a]]]]><![CDATA[>b]]></r>"_ba;
    QTest::newRow("internal subset as written")
        << "<!DOCTYPE r [\n<!ENTITY % local \"<!ENTITY e 'x'>\">\n%local;\n"
           "<!ATTLIST r op CDATA \"a&#60;b&#9;&#10;\">\n]>\n<r>&e;</r>"_ba;
    QTest::newRow("ISO-8859-1 default beyond the encoding")
        << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
           "<!DOCTYPE r [<!ATTLIST r c CDATA \"&#x20AC;\">]>\n<r>&#21462;</r>"_ba;
    QTest::newRow("ISO-2022-JP")
        << "<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?>\n<r>\x1B$BF|K\\\x1B(B</r>"_ba;
    QTest::newRow("UTF-7") << "<?xml version=\"1.0\" encoding=\"UTF-7\"?>\n<r>caf+AOk-</r>"_ba;
    QTest::newRow("UCS-2 beyond the BMP")
        << Utf16(u"<?xml version=\"1.0\" encoding=\"UCS-2\"?>\n<r a=\"&#128512;\">&#128512;</r>"_s);
    QTest::newRow("byte-order mark over the declaration")
        << "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<r>caf\xC3\xA9</r>"_ba;
    QTest::newRow("escaped namespace value")
        << "<!DOCTYPE r [<!ENTITY ns \"urn:x\">]>\n"
           "<r xmlns:p=\"http://x/?a=1&amp;b=2\"><p:c xmlns:q=\"&ns;\"><q:d/></p:c></r>"_ba;
    QTest::newRow("zero-width no-break space in ISO-8859-1")
        << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<r a=\"&#65279;\">&#xFEFF;</r>"_ba;
    QTest::newRow("encoding name only ICU knows")
        << "<?xml version=\"1.0\" encoding=\"ISO8-859-1\"?>\n<r a=\"\xB5\">\xB5 &#8364;</r>"_ba;
    QTest::newRow("namespace default from the DTD")
        << "<!DOCTYPE m [<!ATTLIST m xmlns CDATA #FIXED \"urn:fixed\">]>\n<m><c/></m>"_ba;
}

void TestRoundTrip::loadSaveLoad()
{
    QFETCH(QByteArray, source);

    const QString original = dir.filePath(u"original.xml"_s);
    QFile file(original);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(source) == source.size());
    file.close();

    const QString first = Saved(original, u"first.xml"_s);
    QVERIFY2(!first.isEmpty(), "the first save succeeds");
    QCOMPARE(Loaded(first), Loaded(original));
    const QString second = Saved(first, u"second.xml"_s);
    QVERIFY2(!second.isEmpty(), "the second save succeeds");
    QCOMPARE(ReadFile(second), ReadFile(first));
    QVERIFY(prompts.Calls().empty());
}

QTEST_GUILESS_MAIN(TestRoundTrip)
#include "tst_roundtrip.moc"
