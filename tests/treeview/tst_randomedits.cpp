#include "RandomEdits.h"
#include "TreeTestSupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

bool IsSpace(const QString& text)
{
    for (QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n')
            return false;
    }
    return true;
}

// One line per node, indented by depth: kind, name, value and the attributes in map order, as
// a load of the saved file would give it: adjacent text nodes and adjacent CDATA sections are
// one, empty text nodes are gone, and so is whitespace-only text with a line break among
// siblings that are not content (outside xml:space="preserve"). Entity references stand for
// their declared content.
void Describe(const DomNode& node, bool preserve, int depth, QStringList& lines)
{
    QString line
        = QString(depth, u' ') + QString::number(int(node.nodeType())) + u' ' + node.nodeName();
    if (node.nodeType() == NodeType::DocumentType)
        line += u' ' + node.xml();
    else if (const auto value = node.nodeValue())
        line += u'=' + *value;
    const DomNamedNodeMap attributes = node.attributes();
    for (int i = 0; !attributes.isNull() && i < attributes.length(); ++i) {
        const DomAttribute attribute = attributes.item(i);
        line += u" @"_s + attribute.name() + u'=' + attribute.value();
        if (attribute.name() == u"xml:space")
            preserve = attribute.value() == u"preserve";
    }
    lines << line;
    if (node.nodeType() == NodeType::EntityReference)
        return;
    // The children as the parser would make them: (node, merged value).
    std::vector<std::pair<DomNode, QString>> children;
    for (DomNode child = node.firstChild(); child; child = child.nextSibling()) {
        const NodeType type = child.nodeType();
        const QString value = child.nodeValue().value_or(QString());
        if (type == NodeType::Text && value.isEmpty())
            continue;
        const bool merges = (type == NodeType::Text || type == NodeType::CDataSection)
            && !children.empty() && children.back().first.nodeType() == type;
        if (merges)
            children.back().second += value;
        else
            children.emplace_back(child, value);
    }
    bool content = false;
    for (const auto& [child, value] : children) {
        const NodeType type = child.nodeType();
        content = content || type == NodeType::CDataSection || type == NodeType::EntityReference
            || (type == NodeType::Text && !IsSpace(value));
    }
    for (const auto& [child, value] : children) {
        const bool dropped = child.nodeType() == NodeType::Text && !preserve && !content
            && (value.contains(u'\n') || value.contains(u'\r'));
        if (dropped)
            continue;
        const int first = int(lines.size());
        Describe(child, preserve, depth + 1, lines);
        if (child.nodeType() == NodeType::Text || child.nodeType() == NodeType::CDataSection)
            lines[first] = lines[first].section(u'=', 0, 0) + u'=' + value;
    }
}

QStringList Described(const DomDocument& dom)
{
    QStringList lines;
    Describe(dom.documentNode(), false, 0, lines);
    return lines;
}

// A document and its tree view on screen, so that branches can be dragged.
struct Window {
    TrelvoDoc doc;
    TrelvoView view;
    Window()
    {
        doc.AddView(&view);
        view.resize(500, 700);
        view.show();
    }
};

} // namespace

// Hundreds of random edits through the tree's commands and the edit path on real documents, the
// tree checked against the DOM after each; then save and open again.
class RandomEditsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void editSaveReopen_data();
    void editSaveReopen();

private:
    ScriptedPrompts prompts;
    QTemporaryDir dir;
};

void RandomEditsTest::initTestCase()
{
    QVERIFY(dir.isValid());
    Prompts::SetInstance(&prompts);
}

void RandomEditsTest::cleanupTestCase() { Prompts::SetInstance(nullptr); }

void RandomEditsTest::editSaveReopen_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<quint32>("seed");

    QFile sample(QStringLiteral(TRELVO_SAMPLE_XML));
    QVERIFY(sample.open(QIODevice::ReadOnly));
    const QByteArray bytes = sample.readAll();
    for (quint32 seed : { 1u, 2u })
        QTest::addRow("sample, seed %u", seed) << bytes << seed;
    // Namespaces (a default one, a prefix on the root, one declared in a branch), mixed content,
    // entity references with a DTD, CDATA, comments and instructions inside and outside the
    // root, preserved whitespace.
    QFile book(QStringLiteral(TRELVO_TEST_DATA_DIR "/book.xml"));
    QVERIFY(book.open(QIODevice::ReadOnly));
    const QByteArray rich = book.readAll();
    for (quint32 seed : { 3u, 4u, 5u })
        QTest::addRow("book, seed %u", seed) << rich << seed;
}

void RandomEditsTest::editSaveReopen()
{
    QFETCH(QByteArray, source);
    QFETCH(quint32, seed);
    constexpr int Edits = 400;

    const QString original = dir.filePath(u"original.xml"_s);
    QFile file(original);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(source);
    file.close();
    Window window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.view));
    TrelvoDoc& doc = window.doc;
    QVERIFY(doc.OnOpenDocument(original));
    doc.SendInitialUpdate();

    const QByteArray originalSave = SavedBytes(doc, dir.filePath(u"original-saved.xml"_s));
    QVERIFY(!originalSave.isEmpty());

    QRandomGenerator random(seed);
    int refused = 0;
    int applied = 0;
    for (int i = 0; i < Edits; ++i) {
        const QString before = doc.dom.xml();
        const bool wasModified = doc.IsModified();
        const RandomEdit edit = MakeRandomEdit(window.view, prompts, random);
        const QByteArray where = QStringLiteral("edit %1: %2").arg(i).arg(edit.what).toUtf8();
        QVERIFY2(TreeMismatch(*window.view.GetModel(), doc.dom).isEmpty(), where.constData());
        QVERIFY2(
            window.view.NodeOf(window.view.SelectedItem()) == doc.SelectedNode, where.constData());
        QVERIFY2(!window.view.Dragging(), where.constData());
        if (edit.refused) {
            ++refused;
            QVERIFY2(doc.dom.xml() == before, where.constData());
            QVERIFY2(doc.IsModified() == wasModified, where.constData());
        } else {
            applied += doc.dom.xml() != before;
        }
    }
    qInfo("%d edits changed the document, %d were refused", applied, refused);
    QVERIFY(applied > Edits / 4);

    if (!doc.HasRootElement()) {
        window.view.SelectItem(window.view.GetModel()->index(0, 0));
        QVERIFY(
            !RandomEdits::Command(window.view, prompts, ID_ADD_ROOT_ELEMENT, u"r"_s, {}).refused);
    }
    const QString saved = dir.filePath(u"saved.xml"_s);
    const QByteArray editedSave = SavedBytes(doc, saved);
    QVERIFY(!editedSave.isEmpty());

    Window reopened;
    QVERIFY(reopened.doc.OnOpenDocument(saved));
    reopened.doc.SendInitialUpdate();
    QCOMPARE(TreeMismatch(*reopened.view.GetModel(), reopened.doc.dom), QString());
    QCOMPARE(Described(reopened.doc.dom), Described(doc.dom));

    // Every step undone gives the original's save again, every step redone the edited one.
    TreeEditor& editor = window.view.Editor();
    while (editor.History().CanUndo())
        editor.Undo();
    QCOMPARE(TreeMismatch(*window.view.GetModel(), doc.dom), QString());
    QCOMPARE(SavedBytes(doc, dir.filePath(u"undone.xml"_s)), originalSave);
    while (editor.History().CanRedo())
        editor.Redo();
    QCOMPARE(TreeMismatch(*window.view.GetModel(), doc.dom), QString());
    QCOMPARE(SavedBytes(doc, dir.filePath(u"redone.xml"_s)), editedSave);
}

QTEST_MAIN(RandomEditsTest)
#include "tst_randomedits.moc"
