#include "BusyCursor.h"
#include "Progress.h"
#include "ScriptedPrompts.h"
#include "TrelvoDoc.h"
#include "View.h"
#include "dom/DomNamedNodeMap.h"
#include "dom/DomNodeList.h"
#include "dom/FileReplacer.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using Kind = ScriptedPrompts::Kind;

namespace {

int cursorShows = 0;
int cursorHides = 0;

// Records the hints it is sent and whether the DOM still existed when the clearing hint came.
class RecordingView : public View {
public:
    QList<long> hints;
    bool domAliveAtClear = false;

    void OnUpdate(View*, long hint) override
    {
        hints.append(hint);
        if (hint == TrelvoDoc::HintClear)
            domAliveAtClear = !static_cast<TrelvoDoc*>(GetDocument())->dom.isNull();
    }
};

// "doc" is the document node, "root" its element, "" a null node; each "/N" steps to child N
// and "/@N" to attribute N.
DomNode At(const TrelvoDoc& doc, const QString& path)
{
    if (path.isEmpty())
        return DomNode();
    const QStringList steps = path.split(u'/');
    DomNode node = steps.first() == u"doc" ? doc.dom.documentNode() : doc.dom.documentElement();
    for (qsizetype i = 1; i < steps.size(); ++i) {
        node = steps[i].startsWith(u'@') ? node.attributes().item(steps[i].mid(1).toInt())
                                         : node.childNodes().item(steps[i].toInt());
    }
    return node;
}

// The top-level nodes' markup without the line breaks between them.
QString Markup(const TrelvoDoc& doc)
{
    QString markup;
    for (DomNode child = doc.dom.documentNode().firstChild(); child; child = child.nextSibling())
        markup += child.xml();
    return markup;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

const QString Injected = u"No space left on device (injected)"_s;

// Makes one step of a file replacement fail; a write fails once `budget` bytes are written.
class FailingSystem : public FileReplacer::System {
public:
    QString step;
    qint64 budget = 0;

    qint64 Write(QFile& file, const char* data, qint64 size, QString& reason) override
    {
        if (step != u"write" || budget >= size) {
            budget -= size;
            return System::Write(file, data, size, reason);
        }
        if (budget > 0) {
            const qint64 written = System::Write(file, data, budget, reason);
            budget = 0;
            return written;
        }
        reason = Injected;
        return -1;
    }
    bool Flush(QFile& file, QString& reason) override
    {
        return Fail(u"flush"_s, reason) && System::Flush(file, reason);
    }
    bool Close(QFile& file, QString& reason) override
    {
        return System::Close(file, reason) && Fail(u"close"_s, reason);
    }
    bool Rename(const QString& from, const QString& to, QString& reason) override
    {
        return Fail(u"rename"_s, reason) && System::Rename(from, to, reason);
    }

private:
    bool Fail(const QString& name, QString& reason)
    {
        if (step != name)
            return true;
        reason = Injected;
        return false;
    }
};

} // namespace

// Checks the document's lifecycle, its load and save messages and files, and its tree changes.
// Cancels the operation at the first step that matches.
class CancellingPresenter : public Progress::Presenter {
public:
    std::function<bool(qint64 done, qint64 total)> cancelAt;
    int steps = 0;
    void Begin(const QString&, bool) override { }
    void Step(qint64 done, qint64 total) override
    {
        ++steps;
        if (cancelAt(done, total))
            Progress::Running()->Cancel();
    }
    void End() override { }
};

class TestTrelvoDoc : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dropsTheDom_data();
    void dropsTheDom();
    void parseErrorMessage_data();
    void parseErrorMessage();
    void failedOpenKeepsTheOpenDocument_data();
    void failedOpenKeepsTheOpenDocument();
    void saveWritesTheFormattedText_data();
    void saveWritesTheFormattedText();
    void saveWithoutRootWarnsAndWrites_data();
    void saveWithoutRootWarnsAndWrites();
    void failedSaveKeepsTheDocumentModified_data();
    void failedSaveKeepsTheDocumentModified();
    void fullDiskLeavesTheFileAsItWas();
    void cancelledSaveLeavesTheFileAsItWas_data();
    void cancelledSaveLeavesTheFileAsItWas();
    void saveNeverWritesAFileThatDoesNotLoad_data();
    void saveNeverWritesAFileThatDoesNotLoad();
    void saveAsksBeforeOverwritingAChangedFile_data();
    void saveAsksBeforeOverwritingAChangedFile();
    void linkedStylesheet_data();
    void linkedStylesheet();
    void queries_data();
    void queries();
    void treeChanges_data();
    void treeChanges();
    void fileDialogFilters();

private:
    QString Write(const QByteArray& bytes);
    bool Open(TrelvoDoc& doc, const QByteArray& bytes);
    // Saves a modified document to path, expecting the save to fail with the reason and to leave
    // the folder as it was.
    void ExpectFailedSave(TrelvoDoc& doc, const QString& path, const QString& reason);

    ScriptedPrompts prompts;
    QTemporaryDir dir;
    int fileCount = 0;
};

QString TestTrelvoDoc::Write(const QByteArray& bytes)
{
    const QString path = dir.filePath(u"file%1.xml"_s.arg(++fileCount));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return path;
}

// Opens like the framework does: the document takes the path only when it reports success.
bool TestTrelvoDoc::Open(TrelvoDoc& doc, const QByteArray& bytes)
{
    const QString path = Write(bytes);
    if (!doc.OnOpenDocument(path))
        return false;
    doc.SetPathName(path, false);
    return true;
}

void TestTrelvoDoc::ExpectFailedSave(TrelvoDoc& doc, const QString& path, const QString& reason)
{
    const QByteArray before = ReadFile(path);
    const QStringList files = QDir(QFileInfo(path).path()).entryList(QDir::Files);
    doc.SetModifiedFlag(true);
    prompts.AnswerMessage(Prompts::Button::Ok);
    QVERIFY(!doc.OnSaveDocument(path));
    QCOMPARE(prompts.Calls().size(), size_t(1));
    const ScriptedPrompts::Call& call = prompts.Calls()[0];
    const QString head
        = u"The document could not be saved to %1.\n\n"_s.arg(QDir::toNativeSeparators(path));
    QVERIFY2(call.text.startsWith(head), qPrintable(call.text));
    QVERIFY2(call.text.size() > head.size() && call.text.contains(reason), qPrintable(call.text));
    QCOMPARE(call.icon, Prompts::Icon::Error);
    QVERIFY(doc.IsModified());
    QCOMPARE(ReadFile(path), before);
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files), files);
}

void TestTrelvoDoc::initTestCase()
{
    QVERIFY(dir.isValid());
    Prompts::SetInstance(&prompts);
    BusyCursor::Install([] { ++cursorShows; }, [] { ++cursorHides; });
}

void TestTrelvoDoc::init() { prompts.Clear(); }

void TestTrelvoDoc::cleanup()
{
    QCOMPARE(prompts.UnansweredCount(), 0);
    QCOMPARE(prompts.PendingAnswers(), 0);
}

void TestTrelvoDoc::dropsTheDom_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("hasDom");
    QTest::addColumn<QString>("markup");

    QTest::newRow("new gives an empty DOM") << u"new"_s << true << QString();
    QTest::newRow("open gives the file's DOM") << u"open"_s << true << u"<b/>"_s;
    QTest::newRow("close leaves none") << u"close"_s << false << QString();
}

void TestTrelvoDoc::dropsTheDom()
{
    QFETCH(QString, action);

    TrelvoDoc doc;
    RecordingView view;
    doc.AddView(&view);
    QVERIFY(doc.OnNewDocument());
    QVERIFY2(view.hints.isEmpty(), "there was no DOM to drop");
    QVERIFY(Open(doc, "<a/>"));
    view.hints.clear();
    doc.SelectedNode = doc.dom.documentElement();
    doc.LoadTime = 1234;

    if (action == u"new")
        QVERIFY(doc.OnNewDocument());
    else if (action == u"open")
        QVERIFY(Open(doc, "<b/>"));
    else
        doc.OnCloseDocument();

    QCOMPARE(view.hints, QList<long> { TrelvoDoc::HintClear });
    QVERIFY2(view.domAliveAtClear, "views are told before the old nodes go");
    QVERIFY(doc.SelectedNode.isNull());
    QTEST(!doc.dom.isNull(), "hasDom");
    QTEST(Markup(doc), "markup");
    QVERIFY(!doc.IsModified());
    if (action == u"new") {
        QCOMPARE(doc.LoadTime, 0u);
        QVERIFY(doc.GetPathName().isEmpty());
    }
}

void TestTrelvoDoc::parseErrorMessage_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("cutBefore");
    QTest::addColumn<bool>("cutAfter");

    QByteArray before;
    QByteArray after;
    for (int i = 0; i < 150; ++i) {
        before += QByteArray(" a") + QByteArray::number(i) + "=\"" + QByteArray::number(i) + '"';
        after += QByteArray(" b") + QByteArray::number(i) + "=\"" + QByteArray::number(i) + '"';
    }
    QTest::newRow("short line shown whole") << QByteArray("<r>\n<a></b>\n</r>") << false << false;
    QTest::newRow("long line cut around the error")
        << "<r>\n<e" + before + " bad" + after + "/>\n</r>" << true << true;
    QTest::newRow("error near the start of a long line")
        << "<r>\n<e bad" + after + "/>\n</r>" << false << true;
}

void TestTrelvoDoc::parseErrorMessage()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, cutBefore);
    QFETCH(bool, cutAfter);

    const QString path = Write(content);
    DomDocument reference = DomDocument::Create();
    QVERIFY(Failed(reference.load(path)));
    const DomParseError error = reference.parseError();
    QCOMPARE(error.line, 2);

    TrelvoDoc doc;
    prompts.AnswerMessage(Prompts::Button::Ok);
    QVERIFY(!doc.OnOpenDocument(path));

    QCOMPARE(prompts.Calls().size(), size_t(1));
    const ScriptedPrompts::Call& call = prompts.Calls()[0];
    QCOMPARE(call.icon, Prompts::Icon::None);
    QCOMPARE(call.buttons, Prompts::Buttons::Ok);
    const QString head = u"%1Error processing resource '%2'. Line 2. Position %3\n\n"_s.arg(
        error.reason, path, QString::number(error.linepos));
    QVERIFY(error.reason.endsWith(u'\n'));
    QVERIFY2(call.text.startsWith(head), qPrintable(call.text.left(head.size())));

    QString excerpt = call.text.mid(head.size());
    const QChar ellipsis(0x2026);
    QCOMPARE(excerpt.startsWith(ellipsis), cutBefore);
    QCOMPARE(excerpt.endsWith(ellipsis), cutAfter);
    excerpt.remove(ellipsis);
    QVERIFY(excerpt.size() <= 200);
    const qsizetype start = error.srcText.indexOf(excerpt);
    QVERIFY2(start >= 0, "the excerpt is a piece of the faulty line");
    QVERIFY2(start <= error.linepos - 1 && error.linepos - 1 <= start + excerpt.size(),
        "the excerpt holds the error's position");
    if (!cutBefore && !cutAfter)
        QCOMPARE(excerpt, error.srcText);
}

void TestTrelvoDoc::failedOpenKeepsTheOpenDocument_data()
{
    QTest::addColumn<QString>("failing");

    QTest::newRow("not well-formed") << Write("<r><a></r>");
    QTest::newRow("empty file") << Write(QByteArray());
    QTest::newRow("missing file") << dir.filePath(u"missing.xml"_s);
}

void TestTrelvoDoc::failedOpenKeepsTheOpenDocument()
{
    QFETCH(QString, failing);

    TrelvoDoc doc;
    RecordingView view;
    doc.AddView(&view);
    QVERIFY(Open(doc, "<r><a/></r>"));
    const QString path = doc.GetPathName();
    const DomNode selected = doc.SelectedNode = At(doc, u"root/0"_s);
    QVERIFY(doc.AddAttribute(selected, u"x"_s, u"1"_s));

    prompts.AnswerMessage(Prompts::Button::Ok);
    QVERIFY(!doc.OnOpenDocument(failing));

    QCOMPARE(prompts.CallsOf(Kind::MessageBox).size(), size_t(1));
    QCOMPARE(Markup(doc), u"<r><a x=\"1\"/></r>"_s);
    QVERIFY(doc.SelectedNode == selected);
    QVERIFY(doc.IsModified());
    QCOMPARE(doc.GetPathName(), path);
    QVERIFY2(view.hints.isEmpty(), "the views keep showing the open document");
}

void TestTrelvoDoc::saveWritesTheFormattedText_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("indented with tabs")
        << QByteArray("<r>\n  <a>text</a>\n  <b x=\"1\"><c></c></b>\n</r>")
        << QByteArray("<r>\r\n\t<a>text</a>\r\n\t<b x=\"1\">\r\n\t\t<c/>\r\n\t</b>\r\n</r>\r\n");
    QTest::newRow("text nodes unchanged")
        << QByteArray("<r><p>  two\n lines  </p><m>mixed <b>bold</b> tail</m></r>")
        << QByteArray("<r>\r\n\t<p>  two\r\n lines  </p>\r\n\t<m>mixed <b>bold</b> tail</m>\r\n"
                      "</r>\r\n");
    QTest::newRow("declaration, comment and instruction at column 0")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- c -->\n<?pi data?>\n<r/>")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- c -->\r\n<?pi data?>\r\n"
                      "<r/>\r\n");
    QTest::newRow("space-preserving scope kept")
        << QByteArray("<r xml:space=\"preserve\">\n  <a/>\n</r>")
        << QByteArray("<r xml:space=\"preserve\">\r\n  <a/>\r\n</r>\r\n");
    QTest::newRow("Latin-1 declaration writes Latin-1 bytes")
        << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<r>caf\xE9</r>")
        << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<r>caf\xE9</r>\r\n");
}

void TestTrelvoDoc::saveWritesTheFormattedText()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, expected);

    TrelvoDoc doc;
    QVERIFY(Open(doc, source));
    doc.SetModifiedFlag(true);
    const QString saved = dir.filePath(u"saved.xml"_s);
    cursorShows = cursorHides = 0;
    QVERIFY(doc.OnSaveDocument(saved));
    QCOMPARE(ReadFile(saved), expected);
    QVERIFY(!doc.IsModified());
    QCOMPARE(cursorShows, 1);
    QCOMPARE(cursorHides, 1);

    TrelvoDoc reopened;
    QVERIFY(reopened.OnOpenDocument(saved));
    const QString again = dir.filePath(u"again.xml"_s);
    QVERIFY(reopened.OnSaveDocument(again));
    QCOMPARE(ReadFile(again), expected);
    QVERIFY(prompts.Calls().empty());
}

void TestTrelvoDoc::saveWithoutRootWarnsAndWrites_data()
{
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("new document") << QString() << QByteArray();
    QTest::newRow("comment only") << u" c "_s << QByteArray("<!-- c -->\r\n");
}

void TestTrelvoDoc::saveWithoutRootWarnsAndWrites()
{
    QFETCH(QString, comment);

    TrelvoDoc doc;
    QVERIFY(doc.OnNewDocument());
    if (!comment.isEmpty())
        QVERIFY(!doc.AppendComment(doc.dom.documentNode(), comment).isNull());
    const QString path = dir.filePath(u"noroot.xml"_s);
    QFile::remove(path);

    prompts.AnswerMessage(Prompts::Button::Ok);
    QVERIFY(doc.OnSaveDocument(path));

    QCOMPARE(prompts.Calls().size(), size_t(1));
    QCOMPARE(prompts.Calls()[0].text,
        u"The document does not contain top-level element and is unlikely to open subsequently. "
        "Make sure the document has root."_s);
    QCOMPARE(prompts.Calls()[0].icon, Prompts::Icon::None);
    QVERIFY(QFile::exists(path));
    QTEST(ReadFile(path), "expected");
    QVERIFY(!doc.IsModified());
}

void TestTrelvoDoc::failedSaveKeepsTheDocumentModified_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("target"); // empty: the document's own file
    QTest::addColumn<QString>("step"); // of the file replacement made to fail
    QTest::addColumn<qint64>("budget"); // bytes written before a write fails

    const QString readOnly = dir.filePath(u"readonly"_s);
    QDir().mkpath(readOnly);
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner);
    QTest::newRow("read-only folder")
        << QByteArray("<r/>") << readOnly + u"/x.xml"_s << QString() << qint64(0);
    QTest::newRow("missing folder")
        << QByteArray("<r/>") << dir.filePath(u"none/x.xml"_s) << QString() << qint64(0);
    QTest::newRow("character the encoding cannot hold")
        << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r/>") << Write("old content")
        << QString() << qint64(0);
    QTest::newRow("first write") << QByteArray("<r>old</r>") << QString() << u"write"_s
                                 << qint64(0);
    QTest::newRow("write after some bytes")
        << QByteArray("<r>old</r>") << QString() << u"write"_s << qint64(7);
    QTest::newRow("flush to disk")
        << QByteArray("<r>old</r>") << QString() << u"flush"_s << qint64(0);
    QTest::newRow("close") << QByteArray("<r>old</r>") << QString() << u"close"_s << qint64(0);
    QTest::newRow("rename") << QByteArray("<r>old</r>") << QString() << u"rename"_s << qint64(0);
}

void TestTrelvoDoc::failedSaveKeepsTheDocumentModified()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, target);
    QFETCH(QString, step);
    QFETCH(qint64, budget);

    if (QTest::currentDataTag() == "read-only folder"_ba
        && QFileInfo(QFileInfo(target).path()).isWritable())
        QSKIP("this user may write into read-only folders");
    TrelvoDoc doc;
    QVERIFY(Open(doc, source));
    // A comment cannot use character references, so a Euro sign has no Latin-1 form.
    QVERIFY(!doc.AppendComment(doc.dom.documentElement(), u"\u20AC"_s).isNull());
    FailingSystem failing;
    failing.step = step;
    failing.budget = budget;
    FileReplacer::SetSystem(&failing);
    const auto restore = qScopeGuard([] { FileReplacer::SetSystem(nullptr); });
    ExpectFailedSave(
        doc, target.isEmpty() ? doc.GetPathName() : target, step.isEmpty() ? QString() : Injected);
}

void TestTrelvoDoc::cancelledSaveLeavesTheFileAsItWas_data()
{
    QTest::addColumn<int>("phase");
    QTest::newRow("making the markup") << 0;
    QTest::newRow("parsing the markup") << 1;
    QTest::newRow("checking the bytes") << 2;
    QTest::newRow("writing the file") << 3;
}

void TestTrelvoDoc::cancelledSaveLeavesTheFileAsItWas()
{
    QFETCH(int, phase);
    QByteArray bytes = "<r>";
    while (bytes.size() < 3'000'000)
        bytes += "<e>text</e>";
    bytes += "</r>";
    TrelvoDoc doc;
    QVERIFY(Open(doc, bytes));
    QVERIFY(!doc.AppendText(doc.dom.documentElement(), u"new"_s).isNull());
    CancellingPresenter presenter;
    // The markup is made, parsed again, and its bytes checked, each phase counting afresh
    // without a total; then the file is written.
    int restarts = 0;
    qint64 last = 0;
    presenter.cancelAt = [phase, &restarts, &last](qint64 done, qint64 total) {
        if (total == 0) {
            restarts += done < last;
            last = done;
        }
        return phase < 3 ? total == 0 && restarts == phase && (phase == 0 || done > 0)
                         : total > 0 && done > 0;
    };
    const qsizetype files = QDir(dir.path()).entryList(QDir::Files).size();
    Progress::Install(&presenter);
    const bool saved = doc.OnSaveDocument(doc.GetPathName());
    Progress::Install(nullptr);
    QVERIFY(!saved);
    QVERIFY(presenter.steps > 0);
    QVERIFY(doc.IsModified());
    QCOMPARE(prompts.Calls().size(), size_t(0));
    QFile file(doc.GetPathName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), files);
}

void TestTrelvoDoc::fullDiskLeavesTheFileAsItWas()
{
#ifdef Q_OS_LINUX
    const QString mountPoint = dir.filePath(u"full"_s);
    QVERIFY(QDir().mkpath(mountPoint));
    const QByteArray where = QFile::encodeName(mountPoint);
    if (geteuid() != 0 || mount("tmpfs", where.constData(), "tmpfs", 0, "size=4k") != 0)
        QSKIP("cannot mount a small file system here");
    const auto unmount = qScopeGuard([&where] { umount2(where.constData(), MNT_DETACH); });
    const QString path = mountPoint + u"/doc.xml"_s;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("<r>old</r>") == 10);
    file.close();
    TrelvoDoc doc;
    QVERIFY(doc.OnOpenDocument(path));
    doc.SetPathName(path, false);
    QVERIFY(!doc.AppendText(doc.dom.documentElement(), QString(64 * 1024, u'x')).isNull());
    ExpectFailedSave(doc, path, QString());
#else
    QSKIP("mounts a tmpfs");
#endif
}

void TestTrelvoDoc::saveNeverWritesAFileThatDoesNotLoad_data()
{
    QTest::addColumn<QByteArray>("source");

    QTest::newRow("CDATA sections split around ]]>")
        << QByteArray("<r><![CDATA[a]]]]><![CDATA[>b]]></r>");
    QTest::newRow("character reference in an attribute default")
        << QByteArray("<!DOCTYPE r [<!ATTLIST r op CDATA \"a&#60;b\">]><r/>");
    QTest::newRow("escaped namespace value")
        << QByteArray("<r xmlns:p=\"http://x/?a=1&amp;b=2\"><p:c/></r>");
    QTest::newRow("stateful encoding")
        << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?><r>&#26085;</r>");
    const QString ucs2 = u"\uFEFF<?xml version=\"1.0\" encoding=\"UCS-2\"?><r a=\"&#128512;\"/>"_s;
    QTest::newRow("character beyond UCS-2")
        << QByteArray(reinterpret_cast<const char*>(ucs2.utf16()), ucs2.size() * 2);
}

// Either the save is refused and the file stays as it was, or what it wrote loads again.
void TestTrelvoDoc::saveNeverWritesAFileThatDoesNotLoad()
{
    QFETCH(QByteArray, source);

    TrelvoDoc doc;
    if (!Open(doc, source))
        QSKIP("this document does not load");
    const QString path = doc.GetPathName();
    const QByteArray before = ReadFile(path);
    doc.SetModifiedFlag(true);
    prompts.AnswerMessage(Prompts::Button::Ok);
    if (doc.OnSaveDocument(path)) {
        prompts.Clear();
        DomDocument reloaded = DomDocument::Create();
        QVERIFY2(Succeeded(reloaded.load(path)), qPrintable(reloaded.parseError().reason));
        return;
    }
    QCOMPARE(prompts.Calls().size(), size_t(1));
    QVERIFY2(prompts.Calls()[0].text.contains(u"would not open again"_s),
        qPrintable(prompts.Calls()[0].text));
    QVERIFY(doc.IsModified());
    QCOMPARE(ReadFile(path), before);
}

void TestTrelvoDoc::saveAsksBeforeOverwritingAChangedFile_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("overwrite");

    QTest::newRow("unchanged") << u"none"_s << false << true;
    QTest::newRow("same size and time, user keeps it") << u"rewrite"_s << true << false;
    QTest::newRow("same size and time, user overwrites") << u"rewrite"_s << true << true;
    QTest::newRow("longer") << u"append"_s << true << false;
    QTest::newRow("changed after our own save") << u"save, rewrite"_s << true << false;
    QTest::newRow("deleted") << u"delete"_s << false << true;
}

void TestTrelvoDoc::saveAsksBeforeOverwritingAChangedFile()
{
    QFETCH(QString, change);
    QFETCH(bool, asked);
    QFETCH(bool, overwrite);

    TrelvoDoc doc;
    QVERIFY(Open(doc, "<r>old</r>"));
    const QString path = doc.GetPathName();
    if (change.startsWith(u"save"))
        QVERIFY(doc.OnSaveDocument(path));
    QFile file(path);
    const QDateTime modified = QFileInfo(path).fileTime(QFileDevice::FileModificationTime);
    if (change.endsWith(u"rewrite")) {
        // Another program writes the same number of bytes and keeps the modification time.
        const QByteArray same(ReadFile(path).size(), ' ');
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(same) == same.size());
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
        file.close();
    } else if (change == u"append") {
        QVERIFY(file.open(QIODevice::Append) && file.write("<!---->") == 7);
        file.close();
    } else if (change == u"delete") {
        QVERIFY(file.remove());
    }
    const QByteArray theirs = ReadFile(path);
    QVERIFY(!doc.AppendText(doc.dom.documentElement(), u" new"_s).isNull());
    if (asked)
        prompts.AnswerMessage(overwrite ? Prompts::Button::Yes : Prompts::Button::No);

    QCOMPARE(doc.OnSaveDocument(path), overwrite);

    QCOMPARE(prompts.Calls().size(), size_t(asked));
    if (asked) {
        QCOMPARE(prompts.Calls()[0].text,
            u"%1 has been changed by another program since it was opened.\n"
            "Do you want to overwrite it?"_s.arg(QDir::toNativeSeparators(path)));
        QCOMPARE(prompts.Calls()[0].buttons, Prompts::Buttons::YesNo);
    }
    QCOMPARE(doc.IsModified(), !overwrite);
    QCOMPARE(ReadFile(path).contains("old new"), overwrite);
    if (!overwrite)
        QCOMPARE(ReadFile(path), theirs);
}

void TestTrelvoDoc::linkedStylesheet_data()
{
    QTest::addColumn<QString>("prolog");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    const auto xsl = [](const QString& href) {
        return u"<?xml-stylesheet type=\"text/xsl\" href=\"%1\"?>"_s.arg(href);
    };
    const QString css = u"<?xml-stylesheet type=\"text/css\" href=\"a.css\"?>"_s;
    const QString saved = u"/d/x.xml"_s;
    QTest::newRow("double quotes") << xsl(u"a.xsl"_s) << saved << u"/d/a.xsl"_s;
    QTest::newRow("single quotes")
        << u"<?xml-stylesheet type='text/xsl' href='style.xsl'?>"_s << saved << u"/d/style.xsl"_s;
    QTest::newRow("unquoted values")
        << u"<?xml-stylesheet type=text/xsl href=a.xsl?>"_s << saved << u"/d/a.xsl"_s;
    QTest::newRow("href first, blanks around =, subfolder")
        << u"<?xml-stylesheet\thref = \"s/a.xsl\"\ntype=\"text/xsl\"?>"_s << saved
        << u"/d/s/a.xsl"_s;
    QTest::newRow("other type") << css << saved << QString();
    QTest::newRow("no instruction")
        << u"<?other type=\"text/xsl\" href=\"a.xsl\"?>"_s << saved << QString();
    QTest::newRow("unsaved document") << xsl(u"a.xsl"_s) << QString() << QString();
    QTest::newRow("absolute path") << xsl(u"/s/a.xsl"_s) << saved << u"/s/a.xsl"_s;
    QTest::newRow("drive path") << xsl(u"C:\\s\\a.xsl"_s) << saved << u"C:\\s\\a.xsl"_s;
    QTest::newRow("URL, also unsaved")
        << xsl(u"http://h/a.xsl"_s) << QString() << u"http://h/a.xsl"_s;
    QTest::newRow("second instruction when the first gives nothing")
        << css + xsl(u"b.xsl"_s) << saved << u"/d/b.xsl"_s;
    QTest::newRow("first usable instruction wins")
        << xsl(u"a.xsl"_s) + xsl(u"b.xsl"_s) << saved << u"/d/a.xsl"_s;
}

void TestTrelvoDoc::linkedStylesheet()
{
    QFETCH(QString, prolog);
    QFETCH(QString, path);

    TrelvoDoc doc;
    QVERIFY(Open(
        doc, (prolog + u"<r><?xml-stylesheet type=\"text/xsl\" href=\"in.xsl\"?></r>"_s).toUtf8()));
    doc.SetPathName(path, false);
    QTEST(doc.GetLinkedStylesheet(), "expected");
}

void TestTrelvoDoc::queries_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<bool>("isRoot");
    QTest::addColumn<bool>("isFirst");
    QTest::addColumn<bool>("isLast");

    QTest::newRow("document node") << u"doc"_s << false << true << true;
    QTest::newRow("leading instruction") << u"doc/0"_s << false << true << false;
    QTest::newRow("root element") << u"root"_s << true << false << true;
    QTest::newRow("first child") << u"root/0"_s << false << true << false;
    QTest::newRow("middle child") << u"root/1"_s << false << false << false;
    QTest::newRow("last child") << u"root/2"_s << false << false << true;
    QTest::newRow("element not in the tree") << u"new"_s << false << true << true;
}

void TestTrelvoDoc::queries()
{
    QFETCH(QString, node);

    TrelvoDoc doc;
    QVERIFY(Open(doc, "<?p x?><r><a/><b/><c/></r>"));
    const DomNode target = node == u"new" ? doc.dom.createElement(u"n"_s) : At(doc, node);
    QVERIFY(!target.isNull());
    QVERIFY(doc.HasRootElement());
    QTEST(TrelvoDoc::IsRootElement(target), "isRoot");
    QTEST(TrelvoDoc::IsFirstSibling(target), "isFirst");
    QTEST(TrelvoDoc::IsLastSibling(target), "isLast");
    QVERIFY(!doc.IsModified());
}

void TestTrelvoDoc::treeChanges_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("result");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<QString>("expected");

    // An empty expected markup means the document is unchanged.
    const auto row = [](const char* name, const QString& source, const char16_t* operation,
                         QStringView node, const QString& argument, const QString& value,
                         bool result, bool modified, const QString& expected = QString()) {
        QTest::newRow(name) << source << QString::fromUtf16(operation) << node.toString()
                            << argument << value << result << modified << expected;
    };
    const QString abc = u"<r><a/><b/><c/></r>"_s;
    row("up: first refused", abc, u"up", u"root/0", {}, {}, false, false);
    row("up: middle", abc, u"up", u"root/1", {}, {}, true, true, u"<r><b/><a/><c/></r>"_s);
    row("down: last refused", abc, u"down", u"root/2", {}, {}, false, false);
    row("down: first", abc, u"down", u"root/0", {}, {}, true, true, u"<r><b/><a/><c/></r>"_s);
    row("down: next-to-last appends", abc, u"down", u"root/1", {}, {}, true, true,
        u"<r><a/><c/><b/></r>"_s);

    const QString tree = u"<r><a><x/></a><b/>t</r>"_s;
    row("copy: branch into sibling", tree, u"copy", u"root/0", u"root/1"_s, {}, true, true,
        u"<r><a><x/></a><b><a><x/></a></b>t</r>"_s);
    row("copy: root into its own child", tree, u"copy", u"root", u"root/1"_s, {}, true, true,
        u"<r><a><x/></a><b><r><a><x/></a><b/>t</r></b>t</r>"_s);
    row("copy: into text refused", tree, u"copy", u"root/0", u"root/2"_s, {}, false, false);
    row("move: to the end of another", tree, u"move", u"root/0/0", u"root"_s, {}, true, true,
        u"<r><a/><b/>t<x/></r>"_s);
    row("move: into own child refused", tree, u"move", u"root", u"root/0"_s, {}, false, false);
    row("move: already last there", tree, u"move", u"root/2", u"root"_s, {}, true, false);
    row("move: prefix out of its declaration's scope refused",
        u"<r><p:a xmlns:p=\"u\"><p:b/></p:a></r>"_s, u"move", u"root/0/0", u"root"_s, {}, false,
        false);
    row("delete: branch", tree, u"delete", u"root/0", {}, {}, true, true, u"<r><b/>t</r>"_s);
    row("element: before a child", tree, u"element", u"root", u"n"_s, u"root/1"_s, true, true,
        u"<r><a><x/></a><n/><b/>t</r>"_s);
    row("element: appended", tree, u"element", u"root/1", u"n"_s, {}, true, true,
        u"<r><a><x/></a><b><n/></b>t</r>"_s);
    row("element: bad name refused", tree, u"element", u"root", u"1n"_s, {}, false, false);
    row("text: escaped", tree, u"text", u"root/1", u"x<y"_s, {}, true, true,
        u"<r><a><x/></a><b>x&lt;y</b>t</r>"_s);
    row("comment", tree, u"comment", u"root/1", u"c"_s, {}, true, true,
        u"<r><a><x/></a><b><!--c--></b>t</r>"_s);
    row("comment: double hyphen refused", tree, u"comment", u"root", u"a--b"_s, {}, false, false);
    row("cdata", tree, u"cdata", u"root/1", u"<d>"_s, {}, true, true,
        u"<r><a><x/></a><b><![CDATA[<d>]]></b>t</r>"_s);

    const QString prolog = u"<?a x?><?b y?><!--c--><r><?p x?><e/></r>"_s;
    row("pi: after the leading instructions", prolog, u"pi", u"doc", u"n"_s, u"d"_s, true, true,
        u"<?a x?><?b y?><?n d?><!--c--><r><?p x?><e/></r>"_s);
    row("pi: xml goes first", prolog, u"pi", u"doc", u"xml"_s, u"version=\"1.0\""_s, true, true,
        u"<?xml version=\"1.0\"?><?a x?><?b y?><!--c--><r><?p x?><e/></r>"_s);
    row("pi: second xml refused", u"<?xml version=\"1.0\"?><r/>"_s, u"pi", u"doc", u"xml"_s,
        u"version=\"1.0\""_s, false, false);
    row("pi: in an element", prolog, u"pi", u"root", u"n"_s, u"d"_s, true, true,
        u"<?a x?><?b y?><!--c--><r><?p x?><?n d?><e/></r>"_s);
    row("pi: appended after instructions only", u"<r><?p x?></r>"_s, u"pi", u"root", u"n"_s, u"d"_s,
        true, true, u"<r><?p x?><?n d?></r>"_s);

    const QString attributes = u"<r a=\"1\" b=\"2\"><e z=\"0\"/>t</r>"_s;
    row("add: new attribute appended", attributes, u"add", u"root", u"c"_s, u"<&\""_s, true, true,
        u"<r a=\"1\" b=\"2\" c=\"&lt;&amp;&quot;\"><e z=\"0\"/>t</r>"_s);
    row("add: existing replaced in place", attributes, u"add", u"root", u"a"_s, u"9"_s, true, true,
        u"<r a=\"9\" b=\"2\"><e z=\"0\"/>t</r>"_s);
    row("add: bad name refused", attributes, u"add", u"root", u"1a"_s, u"9"_s, false, false);
    row("add: not an element refused", attributes, u"add", u"root/1", u"a"_s, u"9"_s, false, false);
    row("remove", attributes, u"remove", u"root", u"root/@0"_s, {}, true, true,
        u"<r b=\"2\"><e z=\"0\"/>t</r>"_s);
    row("remove: name the element lacks", attributes, u"remove", u"root", u"root/0/@0"_s, {}, false,
        false);
    row("remove: not an element", attributes, u"remove", u"root/1", u"root/@0"_s, {}, false, false);

    const QString doctype = u"<!DOCTYPE r><r/>"_s;
    row("delete: document type refused", doctype, u"delete", u"doc/0", {}, {}, false, false);
    row("value: changed", tree, u"value", u"root/2", u"u"_s, {}, true, true,
        u"<r><a><x/></a><b/>u</r>"_s);
    row("value: the same text writes nothing", tree, u"value", u"root/2", u"t"_s, {}, true, false);
    row("value: refused", tree, u"value", u"root/2", u"\u0001"_s, {}, false, false);
    row("declaration: replaced", u"<?xml version=\"1.0\"?><!--c--><r/>"_s, u"declaration", u"doc/0",
        u"version=\"1.0\" standalone=\"yes\""_s, {}, true, true,
        u"<?xml version=\"1.0\" standalone=\"yes\"?><!--c--><r/>"_s);
    row("declaration: bad data keeps the old one", u"<?xml version=\"1.0\"?><r/>"_s, u"declaration",
        u"doc/0", u"x"_s, {}, false, false);

    // The deepest e is 4095 levels down: one more level fits, two do not.
    const QString deep = u"<r><a><b/></a>"_s + u"<e>"_s.repeated(4093) + u"<e/>"_s
        + u"</e>"_s.repeated(4093) + u"</r>"_s;
    const QString deepest = u"root/1"_s + u"/0"_s.repeated(4093);
    row("copy: one level more fits", deep, u"copy", u"root/0/0", deepest, {}, true, true,
        u"<r><a><b/></a>"_s + u"<e>"_s.repeated(4093) + u"<e><b/></e>"_s + u"</e>"_s.repeated(4093)
            + u"</r>"_s);
    row("copy: nesting deeper than the loader reads refused", deep, u"copy", u"root/0", deepest, {},
        false, false);
    row("move: nesting deeper than the loader reads refused", deep, u"move", u"root/0", deepest, {},
        false, false);
    row("element: nesting deeper than the loader reads refused",
        u"<r>"_s + u"<e>"_s.repeated(4094) + u"<e/>"_s + u"</e>"_s.repeated(4094) + u"</r>"_s,
        u"element", u"root"_s + u"/0"_s.repeated(4095), u"n"_s, {}, false, false);

    // Renaming in place keeps every namespace reference of the element's branch.
    row("rename: keeps children and attributes", u"<r><a k=\"1\"><x/>t</a></r>"_s, u"rename",
        u"root/0", u"b"_s, {}, true, true, u"<r><b k=\"1\"><x/>t</b></r>"_s);
    row("rename: the same name writes nothing", tree, u"rename", u"root/0", u"a"_s, {}, true,
        false);
    row("rename: bad name refused", tree, u"rename", u"root/0", u"1a"_s, {}, false, false);
    row("rename: undeclared prefix refused", tree, u"rename", u"root/0", u"q:a"_s, {}, false,
        false);
    row("rename: child uses a prefix the element declares",
        u"<r><p:a xmlns:p=\"urn:p\"><p:c/></p:a></r>"_s, u"rename", u"root/0", u"p:b"_s, {}, true,
        true, u"<r><p:b xmlns:p=\"urn:p\"><p:c/></p:b></r>"_s);
    row("rename: prefixed attribute before its declaration",
        u"<r><a p:k=\"1\" xmlns:p=\"urn:p\"/></r>"_s, u"rename", u"root/0", u"p:b"_s, {}, true,
        true, u"<r><p:b p:k=\"1\" xmlns:p=\"urn:p\"/></r>"_s);
    row("rename: a style sheet's root",
        u"<xsl:stylesheet xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\" version=\"1.0\">"
        u"<xsl:template match=\"/\"/></xsl:stylesheet>"_s,
        u"rename", u"root", u"xsl:transform"_s, {}, true, true,
        u"<xsl:transform xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\" version=\"1.0\">"
        u"<xsl:template match=\"/\"/></xsl:transform>"_s);
    row("rename: an svg root",
        u"<svg:svg xmlns:svg=\"http://www.w3.org/2000/svg\"><svg:g/></svg:svg>"_s, u"rename",
        u"root", u"svg:g"_s, {}, true, true,
        u"<svg:g xmlns:svg=\"http://www.w3.org/2000/svg\"><svg:g/></svg:g>"_s);
    // Moved out of its parent's scope, the renamed child still carries the default namespace.
    row("rename: default namespace", u"<r><d xmlns=\"urn:d\"><c/></d></r>"_s, u"rename+move",
        u"root/0/0", u"e"_s, {}, true, true, u"<r><d xmlns=\"urn:d\"/><e xmlns=\"urn:d\"/></r>"_s);
}

void TestTrelvoDoc::treeChanges()
{
    QFETCH(QString, source);
    QFETCH(QString, operation);
    QFETCH(QString, node);
    QFETCH(QString, argument);
    QFETCH(QString, value);
    QFETCH(QString, expected);

    TrelvoDoc doc;
    QVERIFY(Open(doc, source.toUtf8()));
    QCOMPARE(Markup(doc), source);
    const DomNode subject = At(doc, node);
    QVERIFY(!subject.isNull());

    // Each change is reversed from what it returned, which must give the source back.
    bool result = true;
    TreeChange change;
    std::function<void()> reverse;
    const auto putBack = [&change] { change.oldParent.insertBefore(change.node, change.oldNext); };
    if (operation == u"up" || operation == u"down" || operation == u"delete") {
        change = operation == u"up" ? doc.MoveNodeUp(subject)
            : operation == u"down"  ? doc.MoveNodeDown(subject)
                                    : doc.DeleteNode(subject);
        reverse = putBack;
    } else if (operation == u"copy") {
        const DomNode parent = At(doc, argument);
        const DomNode clone = doc.CopyNodeTo(subject, parent);
        result = !clone.isNull();
        QVERIFY(!result || (clone.parentNode() == parent && !(clone == subject)));
    } else if (operation == u"move") {
        change = doc.MoveNodeTo(subject, At(doc, argument));
        reverse = putBack;
    } else if (operation == u"element") {
        result = !doc.InsertElement(subject, argument, At(doc, value)).isNull();
    } else if (operation == u"text") {
        result = !doc.AppendText(subject, argument).isNull();
    } else if (operation == u"comment") {
        result = !doc.AppendComment(subject, argument).isNull();
    } else if (operation == u"cdata") {
        result = !doc.AppendCDATASection(subject, argument).isNull();
    } else if (operation == u"pi") {
        result = !doc.InsertProcessingInstruction(subject, argument, value).isNull();
    } else if (operation == u"add") {
        change = doc.AddAttribute(subject, argument, value);
        QVERIFY(!change || change.node.toAttribute().ownerElement() == subject);
        reverse = [&] {
            DomElement owner = subject.toElement();
            QVERIFY(
                Succeeded(change.replaced ? owner.setAttributeNode(change.replaced.toAttribute())
                                          : owner.removeAttribute(argument)));
        };
    } else if (operation == u"remove") {
        change = doc.RemoveAttribute(subject, At(doc, argument));
        QVERIFY(!change || change.oldIndex == 0);
    } else if (operation == u"value") {
        change = doc.SetNodeValue(subject, argument);
        reverse = [&] { change.node.setNodeValue(change.oldText); };
    } else if (operation == u"declaration") {
        change = doc.ReplaceDeclaration(subject, argument);
        reverse = [&] {
            change.oldParent.removeChild(change.node);
            change.oldParent.insertBefore(change.replaced, change.oldParent.firstChild());
        };
    } else if (operation.startsWith(u"rename")) {
        change = doc.RenameElement(subject, argument);
        reverse = [&] { QVERIFY(Succeeded(change.node.toElement().rename(change.oldText))); };
        if (operation.endsWith(u"+move")) {
            QVERIFY(Succeeded(doc.dom.documentElement().appendChild(subject)));
            reverse = {};
            result = bool(change);
        }
    } else {
        QFAIL("unknown operation");
    }
    if (reverse || operation == u"remove")
        result = bool(change);

    QTEST(result, "result");
    QTEST(doc.IsModified(), "modified");
    QCOMPARE(Markup(doc), expected.isEmpty() ? source : expected);
    QVERIFY(!change || change.changed == doc.IsModified());
    if (change.changed && reverse) {
        reverse();
        QCOMPARE(Markup(doc), source);
    }
}

// Besides "*.xml" and "All Files", the file dialogs offer a filter that lists the usual kinds of
// XML files, and no other files.
void TestTrelvoDoc::fileDialogFilters()
{
    const QStringList filters = TrelvoDoc().GetFileFilter().split(u";;"_s);
    QCOMPARE(filters.size(), 3);
    const QStringList patterns = filters[1].section(u'(', 1).chopped(1).split(u' ');
    const auto listed = [&patterns](const QString& name) { return QDir::match(patterns, name); };
    for (const char* name : { "a.xsl", "a.xslt", "a.xsd", "a.svg", "a.xhtml", "a.rss", "a.atom",
             "Info.plist", "fonts.conf", "a.xml" })
        QVERIFY2(listed(QString::fromLatin1(name)), name);
    QVERIFY(!listed(u"notes.txt"_s) && !listed(u"photo.png"_s));
}

QTEST_GUILESS_MAIN(TestTrelvoDoc)
#include "tst_trelvodoc.moc"
