#include "dom/DomDocument.h"
#include "dom/DomNodeList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Utf16LeWithBom(const QString& text)
{
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    return encoder(text);
}

DomDocument Loaded(const QString& source)
{
    DomDocument document = DomDocument::Create();
    if (Failed(document.loadXML(source)))
        qWarning("test source did not load: %s", qPrintable(document.parseError().reason));
    return document;
}

// An element <e> holding one node of the given kind made from value.
QString ElementMarkup(const QString& kind, const QString& value)
{
    DomDocument document = Loaded(u"<e/>"_s);
    DomElement e = document.documentElement();
    DomResult result = DomFail;
    if (kind == u"text"_s)
        result = e.appendChild(document.createTextNode(value));
    else if (kind == u"attribute"_s)
        result = e.setAttribute(u"a"_s, value);
    else if (kind == u"comment"_s)
        result = e.appendChild(document.createComment(value));
    else if (kind == u"cdata"_s)
        result = e.appendChild(document.createCDATASection(value));
    else if (kind == u"pi"_s)
        result = e.appendChild(document.createProcessingInstruction(u"t"_s, value));
    return Succeeded(result) ? e.xml() : u"<refused>"_s;
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class TestDomWriter : public QObject {
    Q_OBJECT

private slots:
    void textEscaping_data();
    void textEscaping();
    void attributeEscaping_data();
    void attributeEscaping();
    void lineFeedsWrittenAsCrLf_data();
    void lineFeedsWrittenAsCrLf();
    void valuesSurviveReload_data();
    void valuesSurviveReload();

    void documentXmlEndsEachTopLevelNodeWithCrLf();
    void emptyDocumentGivesEmptyString();
    void nodeXmlHasNoTrailingLineBreak_data();
    void nodeXmlHasNoTrailingLineBreak();
    void attributesInMapOrderWithDoubleQuotes();
    void removedWhitespaceIsNotReconstructed();
    void documentTypeKeepsInternalSubset();
    void documentTypeKeepsExternalIds();
    void documentTypeWrittenAsInSource_data();
    void documentTypeWrittenAsInSource();
    void entityReferenceWrittenByName();

    void saveUsesDeclaredEncoding_data();
    void saveUsesDeclaredEncoding();
    void saveWritesCharacterReferencesOutsideEncoding_data();
    void saveWritesCharacterReferencesOutsideEncoding();
    void saveFailsForUnrepresentableMarkup_data();
    void saveFailsForUnrepresentableMarkup();
    void saveKeepsPermissions();
    void saveThroughSymlinkUpdatesTarget();
    void saveToUnwritableLocationFails_data();
    void saveToUnwritableLocationFails();
    void savedFileLoadsToSameXml_data();
    void savedFileLoadsToSameXml();
};

void TestDomWriter::textEscaping_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("ampersand") << u"a&b"_s << u"<e>a&amp;b</e>"_s;
    QTest::newRow("less and greater") << u"<tag>"_s << u"<e>&lt;tag&gt;</e>"_s;
    QTest::newRow("CDATA terminator") << u"]]>"_s << u"<e>]]&gt;</e>"_s;
    QTest::newRow("carriage return") << u"a\rb"_s << u"<e>a&#13;b</e>"_s;
    QTest::newRow("quotes stay") << u"\"'"_s << u"<e>\"'</e>"_s;
    QTest::newRow("tab stays") << u"a\tb"_s << u"<e>a\tb</e>"_s;
    QTest::newRow("non-ASCII stays")
        << u"\u00E9\u20AC\U0001D11E"_s << u"<e>\u00E9\u20AC\U0001D11E</e>"_s;
    QTest::newRow("entity-like text") << u"&amp;"_s << u"<e>&amp;amp;</e>"_s;
}

void TestDomWriter::textEscaping()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(ElementMarkup(u"text"_s, value), expected);
}

void TestDomWriter::attributeEscaping_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("ampersand") << u"a&b"_s << u"<e a=\"a&amp;b\"/>"_s;
    QTest::newRow("less-than") << u"a<b"_s << u"<e a=\"a&lt;b\"/>"_s;
    QTest::newRow("double quote") << u"say \"hi\""_s << u"<e a=\"say &quot;hi&quot;\"/>"_s;
    QTest::newRow("tab") << u"a\tb"_s << u"<e a=\"a&#9;b\"/>"_s;
    QTest::newRow("carriage return") << u"a\rb"_s << u"<e a=\"a&#13;b\"/>"_s;
    QTest::newRow("line feed") << u"a\nb"_s << u"<e a=\"a&#10;b\"/>"_s;
    QTest::newRow("CR LF") << u"a\r\nb"_s << u"<e a=\"a&#13;&#10;b\"/>"_s;
    QTest::newRow("greater-than and apostrophe stay") << u"a>'b"_s << u"<e a=\"a>'b\"/>"_s;
    QTest::newRow("non-ASCII stays") << u"\u00FC\u20AC"_s << u"<e a=\"\u00FC\u20AC\"/>"_s;
}

void TestDomWriter::attributeEscaping()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(ElementMarkup(u"attribute"_s, value), expected);
}

void TestDomWriter::lineFeedsWrittenAsCrLf_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("text") << u"text"_s << u"a\nb\n"_s << u"<e>a\r\nb\r\n</e>"_s;
    QTest::newRow("comment") << u"comment"_s << u"a\nb"_s << u"<e><!--a\r\nb--></e>"_s;
    QTest::newRow("CDATA") << u"cdata"_s << u"a\nb"_s << u"<e><![CDATA[a\r\nb]]></e>"_s;
    QTest::newRow("instruction") << u"pi"_s << u"a\nb"_s << u"<e><?t a\r\nb?></e>"_s;
    // A reader turns CR LF and a lone CR into one line feed; each is one line break here.
    QTest::newRow("comment CR LF") << u"comment"_s << u"a\r\nb"_s << u"<e><!--a\r\nb--></e>"_s;
    QTest::newRow("CDATA lone CR") << u"cdata"_s << u"a\rb"_s << u"<e><![CDATA[a\r\nb]]></e>"_s;
    QTest::newRow("instruction CR LF and CR")
        << u"pi"_s << u"a\r\n\rb"_s << u"<e><?t a\r\n\r\nb?></e>"_s;
    QTest::newRow("verbatim comment") << u"comment"_s << u"<&>"_s << u"<e><!--<&>--></e>"_s;
    QTest::newRow("verbatim CDATA") << u"cdata"_s << u"<&>"_s << u"<e><![CDATA[<&>]]></e>"_s;
    QTest::newRow("CDATA split after each ]]")
        << u"cdata"_s << u"]]>a]]>"_s << u"<e><![CDATA[]]]]><![CDATA[>a]]]]><![CDATA[>]]></e>"_s;
}

void TestDomWriter::lineFeedsWrittenAsCrLf()
{
    QFETCH(QString, kind);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(ElementMarkup(kind, value), expected);
}

void TestDomWriter::valuesSurviveReload_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("value");

    QTest::newRow("text line feed") << u"text"_s << u"a\nb"_s;
    QTest::newRow("text carriage return") << u"text"_s << u"a\rb"_s;
    QTest::newRow("text CR LF") << u"text"_s << u"a\r\nb"_s;
    QTest::newRow("text markup") << u"text"_s << u"<&>]]>\"'"_s;
    QTest::newRow("attribute blanks") << u"attribute"_s << u" a\tb\nc\rd "_s;
    QTest::newRow("attribute markup") << u"attribute"_s << u"\"<&>'"_s;
    QTest::newRow("comment line feed") << u"comment"_s << u"x\ny"_s;
    QTest::newRow("CDATA line feed") << u"cdata"_s << u"x\ny<&"_s;
    QTest::newRow("CDATA terminators") << u"cdata"_s << u"]]>a]]]>\n>"_s;
    QTest::newRow("instruction line feed") << u"pi"_s << u"x\ny"_s;
}

void TestDomWriter::valuesSurviveReload()
{
    QFETCH(QString, kind);
    QFETCH(QString, value);

    const QString markup = ElementMarkup(kind, value);
    DomDocument reloaded = DomDocument::Create();
    QVERIFY2(Succeeded(reloaded.loadXML(markup)), qPrintable(markup));
    const DomElement e = reloaded.documentElement();
    const std::optional<QString> actual
        = kind == u"attribute"_s ? e.getAttribute(u"a"_s) : e.firstChild().nodeValue();
    QCOMPARE(actual.value_or(u"<none>"_s), value);
    if (kind != u"attribute"_s)
        QVERIFY(e.firstChild().nextSibling().isNull());
}

void TestDomWriter::documentXmlEndsEachTopLevelNodeWithCrLf()
{
    const DomDocument document
        = Loaded(u"<?xml version='1.0'?>\n<!--a-->\n<?p d?>\n<r><b/></r>\n<!--z-->"_s);
    QCOMPARE(document.xml(),
        u"<?xml version=\"1.0\"?>\r\n<!--a-->\r\n<?p d?>\r\n<r><b/></r>\r\n<!--z-->\r\n"_s);
}

void TestDomWriter::emptyDocumentGivesEmptyString()
{
    QCOMPARE(DomDocument::Create().xml(), QString());

    DomDocument document = Loaded(u"<r/>"_s);
    QCOMPARE(document.documentNode().removeChild(document.documentElement()), DomOk);
    QCOMPARE(document.xml(), QString());
}

void TestDomWriter::nodeXmlHasNoTrailingLineBreak_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("expected");

    QTest::newRow("declaration") << 0 << u"<?xml version=\"1.0\"?>"_s;
    QTest::newRow("comment") << 1 << u"<!--a-->"_s;
    QTest::newRow("root element") << 2 << u"<r>t</r>"_s;
}

void TestDomWriter::nodeXmlHasNoTrailingLineBreak()
{
    QFETCH(int, index);
    QFETCH(QString, expected);

    const DomDocument document = Loaded(u"<?xml version=\"1.0\"?><!--a--><r>t</r>"_s);
    QCOMPARE(document.documentNode().childNodes().item(index).xml(), expected);
}

void TestDomWriter::attributesInMapOrderWithDoubleQuotes()
{
    const DomDocument document
        = Loaded(u"<a z='1' xmlns:p=\"urn:p\" b='say \"hi\"' xmlns='urn:d' p:c=\"3\"/>"_s);
    QCOMPARE(document.documentElement().xml(),
        u"<a z=\"1\" xmlns:p=\"urn:p\" b=\"say &quot;hi&quot;\" xmlns=\"urn:d\" p:c=\"3\"/>"_s);
}

void TestDomWriter::removedWhitespaceIsNotReconstructed()
{
    const DomDocument document = Loaded(u"<a>\n  <b>\n    <c/>\n  </b>\n</a>\n"_s);
    QCOMPARE(document.xml(), u"<a><b><c/></b></a>\r\n"_s);
}

void TestDomWriter::documentTypeKeepsInternalSubset()
{
    const DomDocument document = Loaded(u"<!DOCTYPE r [\n<!ELEMENT r (#PCDATA)>\n"
                                        "<!ATTLIST r a CDATA #IMPLIED>\n"
                                        "<!ENTITY e \"value\">\n]>\n<r>&e;</r>"_s);
    const QString markup = document.xml();
    QVERIFY2(markup.startsWith(u"<!DOCTYPE r ["_s), qPrintable(markup));
    QVERIFY2(markup.contains(u"<!ELEMENT r (#PCDATA)>"_s), qPrintable(markup));
    QVERIFY2(markup.contains(u"<!ATTLIST r a CDATA #IMPLIED>"_s), qPrintable(markup));
    QVERIFY2(markup.contains(u"<!ENTITY e \"value\">"_s), qPrintable(markup));
    QVERIFY2(markup.endsWith(u"]>\r\n<r>&e;</r>\r\n"_s), qPrintable(markup));

    const DomDocument reloaded = Loaded(markup);
    const DomNode reference = reloaded.documentElement().firstChild();
    QCOMPARE(reference.nodeType(), NodeType::EntityReference);
    QCOMPARE(reference.firstChild().nodeValue().value_or(QString()), u"value"_s);
}

void TestDomWriter::documentTypeKeepsExternalIds()
{
    const QString doctype = u"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
                            "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">"_s;
    const DomDocument document = Loaded(
        doctype + u"\n<html xmlns=\"http://www.w3.org/1999/xhtml\"><p>a&nbsp;b</p></html>"_s);
    QCOMPARE(document.xml(),
        doctype + u"\r\n<html xmlns=\"http://www.w3.org/1999/xhtml\"><p>a&nbsp;b</p></html>\r\n"_s);
}

void TestDomWriter::documentTypeWrittenAsInSource_data()
{
    QTest::addColumn<QString>("doctype");
    QTest::addColumn<QString>("encoding"); // of the file the document is also read from

    QTest::newRow("character reference in a default")
        << u"<!DOCTYPE r [<!ATTLIST r op CDATA \"a&#60;b\">]>"_s << u"UTF-8"_s;
    QTest::newRow("tab and line feed references in a default")
        << u"<!DOCTYPE r [<!ATTLIST r t CDATA \"x&#9;y&#10;z\">]>"_s << u"UTF-8"_s;
    QTest::newRow("parameter-entity reference, comment and line breaks")
        << u"<!DOCTYPE r [\n<!ENTITY % local \"<!ENTITY e 'x'>\">\n<!-- kept -->\n%local;\n]>"_s
        << u"UTF-8"_s;
    QTest::newRow("ISO-8859-1 file")
        << u"<!DOCTYPE r [<!ENTITY e \"caf\u00E9 &#x20AC;\">]>"_s << u"ISO-8859-1"_s;
    QTest::newRow("UTF-16 file") << u"<!DOCTYPE r [<!ATTLIST r a CDATA \"\u20AC&#x20AC;\">]>"_s
                                 << u"UTF-16"_s;
}

void TestDomWriter::documentTypeWrittenAsInSource()
{
    QFETCH(QString, doctype);
    QFETCH(QString, encoding);

    const QString declaration = u"<?xml version=\"1.0\" encoding=\""_s + encoding + u"\"?>"_s;
    const QString source = declaration + u"\n"_s + doctype + u"\n<r/>"_s;
    QString expected = source + u"\n"_s;
    expected.replace(u"\n"_s, u"\r\n"_s);
    QCOMPARE(Loaded(source).xml(), expected);

    const auto fileEncoding = QStringConverter::encodingForName(encoding.toLatin1().constData());
    QStringEncoder encoder(
        fileEncoding.value_or(QStringConverter::Utf8), QStringConverter::Flag::WriteBom);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"doctype.xml"_s);
    QVERIFY(WriteFile(path, encoder(source)));
    DomDocument document = DomDocument::Create();
    QVERIFY2(Succeeded(document.load(path)), qPrintable(document.parseError().reason));
    QCOMPARE(document.xml(), expected);
}

void TestDomWriter::entityReferenceWrittenByName()
{
    const DomDocument document = Loaded(u"<!DOCTYPE r [<!ENTITY e \"<b>v</b>\">]><r>a&e;b</r>"_s);
    const DomNode r = document.documentElement();
    QCOMPARE(r.xml(), u"<r>a&e;b</r>"_s);
    QCOMPARE(r.firstChild().nextSibling().xml(), u"&e;"_s);
}

void TestDomWriter::saveUsesDeclaredEncoding_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("no declaration is UTF-8")
        << u"<r a=\"\u00E9\">\u20AC</r>"_s << QByteArray("<r a=\"\xC3\xA9\">\xE2\x82\xAC</r>\r\n");
    QTest::newRow("declaration without encoding is UTF-8")
        << u"<?xml version=\"1.0\"?><r>\u20AC</r>"_s
        << QByteArray("<?xml version=\"1.0\"?>\r\n<r>\xE2\x82\xAC</r>\r\n");
    QTest::newRow("UTF-8")
        << u"<?xml version=\"1.0\" encoding=\"utf-8\"?><r>\u00FC</r>"_s
        << QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r>\xC3\xBC</r>\r\n");
    QTest::newRow("ISO-8859-1")
        << u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r a=\"\u00E9\">\u00FC</r>"_s
        << QByteArray(
               "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<r a=\"\xE9\">\xFC</r>\r\n");
    QTest::newRow("windows-1252")
        << u"<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>\u20AC\u201C</r>"_s
        << QByteArray("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<r>\x80\x93</r>\r\n");
    const QString utf16 = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>\u00E9\U0001D11E</r>"_s;
    QTest::newRow("UTF-16 little-endian with BOM")
        << utf16
        << Utf16LeWithBom(
               u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<r>\u00E9\U0001D11E</r>\r\n"_s);
}

void TestDomWriter::saveUsesDeclaredEncoding()
{
    QFETCH(QString, source);
    QFETCH(QByteArray, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.xml"_s);
    QString errorText;
    QVERIFY2(Succeeded(Loaded(source).save(path, &errorText)), qPrintable(errorText));
    QCOMPARE(ReadFile(path), expected);
}

void TestDomWriter::saveWritesCharacterReferencesOutsideEncoding_data()
{
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QByteArray>("representable"); // the bytes of the representable character

    QTest::newRow("ISO-8859-1") << u"ISO-8859-1"_s << QByteArray("\xFC");
    QTest::newRow("US-ASCII") << u"US-ASCII"_s << QByteArray("u");
}

void TestDomWriter::saveWritesCharacterReferencesOutsideEncoding()
{
    QFETCH(QString, encoding);
    QFETCH(QByteArray, representable);

    const QString letter = representable == "u" ? u"u"_s : u"\u00FC"_s;
    const QString text = letter + u"\u20AC\U0001D11E"_s;
    DomDocument document = Loaded(
        u"<?xml version=\"1.0\" encoding=\"%1\"?><r a=\"%2\">%2</r>"_s.arg(encoding, text));
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.xml"_s);
    QString errorText;
    QVERIFY2(Succeeded(document.save(path, &errorText)), qPrintable(errorText));

    const QByteArray bytes = ReadFile(path);
    QVERIFY2(bytes.contains(">" + representable + "&#8364;&#119070;<"), bytes.constData());
    QVERIFY2(bytes.contains("\"" + representable + "&#8364;&#119070;\""), bytes.constData());
    QVERIFY2(!bytes.contains("\xE2\x82\xAC"), "a character was written in another encoding");
    DomDocument reloaded = DomDocument::Create();
    QVERIFY2(Succeeded(reloaded.load(path)), qPrintable(reloaded.parseError().reason));
    QCOMPARE(reloaded.documentElement().firstChild().nodeValue().value_or(QString()), text);
    QCOMPARE(reloaded.documentElement().getAttribute(u"a"_s).value_or(QString()), text);
}

void TestDomWriter::saveFailsForUnrepresentableMarkup_data()
{
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("body");

    const QString latin1 = u"ISO-8859-1"_s;
    QTest::newRow("comment") << latin1 << u"<r><!--\u20AC--></r>"_s;
    QTest::newRow("instruction") << latin1 << u"<r><?t \u20AC?></r>"_s;
    QTest::newRow("CDATA section") << latin1 << u"<r><![CDATA[\u20AC]]></r>"_s;
    QTest::newRow("element name") << latin1 << u"<r><x\u20AC/></r>"_s;
    QTest::newRow("attribute name") << latin1 << u"<r a\u20AC=\"1\"/>"_s;
    QTest::newRow("UCS-2 comment beyond the BMP") << u"UCS-2"_s << u"<r><!--\U0001D11E--></r>"_s;
    QTest::newRow("encoding libxml2 cannot read") << u"HTML"_s << u"<r>\u00E9</r>"_s;
}

void TestDomWriter::saveFailsForUnrepresentableMarkup()
{
    QFETCH(QString, encoding);
    QFETCH(QString, body);

    const DomDocument document
        = Loaded(u"<?xml version=\"1.0\" encoding=\"%1\"?>"_s.arg(encoding) + body);
    QVERIFY(!document.documentElement().isNull());
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.xml"_s);
    const QByteArray old("<old>\xE9</old>\n");
    QVERIFY(WriteFile(path, old));

    QString errorText;
    QVERIFY2(Failed(document.save(path, &errorText)), ReadFile(path).constData());
    QVERIFY(!errorText.isEmpty());
    QCOMPARE(ReadFile(path), old);
    QCOMPARE(Entries(dir.path()), QStringList { u"out.xml"_s });
}

void TestDomWriter::saveKeepsPermissions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.xml"_s);
    QVERIFY(WriteFile(path, "<old/>"));
    const QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser
        | QFile::WriteUser | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(path, permissions));

    QString errorText;
    QVERIFY2(Succeeded(Loaded(u"<new/>"_s).save(path, &errorText)), qPrintable(errorText));
    QCOMPARE(ReadFile(path), QByteArray("<new/>\r\n"));
    QCOMPARE(QFile::permissions(path), permissions);
    QCOMPARE(Entries(dir.path()), QStringList { u"out.xml"_s });
}

void TestDomWriter::saveThroughSymlinkUpdatesTarget()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"real"_s));
    const QString target = dir.filePath(u"real/target.xml"_s);
    const QString link = dir.filePath(u"link.xml"_s);
    QVERIFY(WriteFile(target, "<old/>"));
    QVERIFY(QFile::link(target, link));

    QString errorText;
    QVERIFY2(Succeeded(Loaded(u"<new/>"_s).save(link, &errorText)), qPrintable(errorText));
    const QFileInfo info(link);
    QVERIFY2(info.isSymLink(), "the link was replaced by a file");
    QCOMPARE(info.symLinkTarget(), target);
    QCOMPARE(ReadFile(target), QByteArray("<new/>\r\n"));
}

void TestDomWriter::saveToUnwritableLocationFails_data()
{
    QTest::addColumn<QString>("folder"); // relative to a temporary folder, or absolute

    QTest::newRow("folder is a file") << u"file.txt"_s;
    QTest::newRow("missing folder") << u"missing"_s;
    QTest::newRow("kernel file system") << u"/proc"_s;
    if (geteuid() != 0)
        QTest::newRow("read-only folder") << u"readonly"_s;
}

void TestDomWriter::saveToUnwritableLocationFails()
{
    QFETCH(QString, folder);

    QTemporaryDir dir;
    QVERIFY(WriteFile(dir.filePath(u"file.txt"_s), "x"));
    QVERIFY(QDir(dir.path()).mkdir(u"readonly"_s));
    QVERIFY(QFile::setPermissions(dir.filePath(u"readonly"_s), QFile::ReadOwner | QFile::ExeOwner));
    const QString path
        = (folder.startsWith(u'/') ? folder : dir.filePath(folder)) + u"/trelvo-save-test.xml"_s;

    QString errorText;
    QVERIFY(Failed(Loaded(u"<r/>"_s).save(path, &errorText)));
    QVERIFY(!errorText.isEmpty());
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(QFile::setPermissions(
        dir.filePath(u"readonly"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void TestDomWriter::savedFileLoadsToSameXml_data()
{
    QTest::addColumn<QString>("source");

    QTest::newRow("UTF-8")
        << u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!--c-->\n<r a=\"\u00E9\">\u20AC</r>"_s;
    QTest::newRow("no declaration") << u"<r>\u00FC<b a=\"x\ty\"/>line\nbreak\rreturn</r>"_s;
    QTest::newRow("ISO-8859-1 with references")
        << u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r a=\"\u20AC\">\u00E9\u20AC</r>"_s;
    QTest::newRow("windows-1252")
        << u"<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>\u20AC\u2122</r>"_s;
    QTest::newRow("UTF-16") << u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>\U0001D11E</r>"_s;
    // Stateful encodings: the last character tested leaves a shifted state behind.
    const QString text = u"x\u00E9\U0001D11E\u53D6\u308A"_s;
    for (const char* encoding : { "ISO-2022-JP", "UTF-7", "UCS-2" }) {
        QTest::newRow(encoding) << u"<?xml version=\"1.0\" encoding=\"%1\"?><r a=\"%2\">%2</r>"_s
                                       .arg(QLatin1String(encoding), text);
    }
    QTest::newRow("document type and entities")
        << u"<!DOCTYPE r [<!ENTITY e \"<b>v</b>\">]><r>&e;<![CDATA[<x>\n]]><?p d\n?></r>"_s;
    QTest::newRow("ISO-8859-1 with a reference in the document type")
        << u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
           "<!DOCTYPE r [<!ATTLIST r a CDATA \"&#x20AC;\">]><r/>"_s;
    QTest::newRow("namespaces")
        << u"<p:r xmlns:p=\"urn:p\" a=\"1\" xmlns=\"urn:d\"><p:x p:y=\"2\"/><z/></p:r>"_s;
}

void TestDomWriter::savedFileLoadsToSameXml()
{
    QFETCH(QString, source);

    const DomDocument document = Loaded(source);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.xml"_s);
    QString errorText;
    QVERIFY2(Succeeded(document.save(path, &errorText)), qPrintable(errorText));
    DomDocument reloaded = DomDocument::Create();
    QVERIFY2(Succeeded(reloaded.load(path)), qPrintable(reloaded.parseError().reason));
    QCOMPARE(reloaded.xml(), document.xml());
}

QTEST_GUILESS_MAIN(TestDomWriter)
#include "tst_domwriter.moc"
