#include "TreeModel.h"
#include "TreeTestSupport.h"

#include <QAbstractItemModelTester>
#include <QtTest>

#include <map>

using namespace Qt::StringLiterals;

namespace {

// Parent p with children c0..c299 and parent q with d0..d299.
QString TwoLongParents()
{
    QString xml = u"<r><p>"_s;
    for (int i = 0; i < 300; ++i)
        xml += u"<c%1/>"_s.arg(i);
    xml += u"</p><q>"_s;
    for (int i = 0; i < 300; ++i)
        xml += u"<d%1/>"_s.arg(i);
    return xml + u"</q></r>"_s;
}

// "first", "last" or "after:label" under parent.
TreeModel::Position PositionOf(const TreeModel& model, const QString& text)
{
    if (text == u"first")
        return TreeModel::Position::First();
    if (text.startsWith(u"after:"))
        return TreeModel::Position::After(FindItem(model, text.mid(6)));
    return TreeModel::Position::Last();
}

} // namespace

class TreeModelTest : public QObject {
    Q_OBJECT

private slots:
    void itemsPerNodeType_data();
    void itemsPerNodeType();
    void structureChanges_data();
    void structureChanges();
    void childrenInAnyOrder();
    void releasedBranchKeepsItems();
};

void TreeModelTest::itemsPerNodeType_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QStringList>("outline");
    // Image and selected image of each item, in outline order.
    QTest::addColumn<QStringList>("images");

    QTest::newRow("empty new document")
        << QString() << QStringList { u"Document"_s } << QStringList { u"1/0"_s };
    QTest::newRow("every kind")
        << u"<?xml version='1.0'?><?style a?><!DOCTYPE r><!--c--><r><e/>multi\nline"
           "<![CDATA[cd]]><?pi x?><!--d--></r>"_s
        << QStringList { u"Document"_s, u"  xml version=\"1.0\""_s, u"  style a"_s,
               u"  <!DOCTYPE r>"_s, u"  c"_s, u"  r"_s, u"    e"_s, u"    multi\\nline*"_s,
               u"    cd"_s, u"    pi x"_s, u"    d"_s }
        << QStringList { u"1/0"_s, u"4/4"_s, u"4/4"_s, u"1/0"_s, u"3/3"_s, u"1/0"_s, u"1/0"_s,
               u"2/2"_s, u"5/5"_s, u"4/4"_s, u"3/3"_s };
    QTest::newRow("entity references and their content get none")
        << u"<!DOCTYPE r [<!ENTITY e '<b>in</b> text'>]><r>a&e;<i>&e;</i>z</r>"_s
        << QStringList { u"Document"_s, u"  <!DOCTYPE r [<!ENTITY e '<b>in</b> text'>]>"_s,
               u"  r"_s, u"    a*"_s, u"    i"_s, u"    z*"_s }
        << QStringList { u"1/0"_s, u"1/0"_s, u"1/0"_s, u"2/2"_s, u"1/0"_s, u"2/2"_s };
}

void TreeModelTest::itemsPerNodeType()
{
    QFETCH(QString, xml);
    QFETCH(QStringList, outline);
    QFETCH(QStringList, images);
    const DomDocument document = xml.isEmpty() ? DomDocument::Create() : LoadXml(xml);
    TreeModel model;
    model.BuildBranch(document.documentNode(), QModelIndex(), TreeModel::Position::Last());
    QCOMPARE(Outline(model), outline);
    QCOMPARE(model.ItemCount(), int(outline.size()));

    QStringList found;
    std::function<void(const QModelIndex&)> collect = [&](const QModelIndex& parent) {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex item = model.index(row, 0, parent);
            found << u"%1/%2"_s.arg(item.data(TreeModel::ImageRole).toInt())
                         .arg(item.data(TreeModel::SelectedImageRole).toInt());
            QVERIFY(!item.data(Qt::DecorationRole).value<QIcon>().isNull());
            collect(item);
        }
    };
    collect(QModelIndex());
    QCOMPARE(found, images);
}

void TreeModelTest::structureChanges_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("outline");

    // The tree before each change: r(a, b, c(c1, c2)).
    const auto tree = [](std::initializer_list<QString> lines) { return QStringList(lines); };
    QTest::newRow("insert first") << u"insert r first"_s << true
                                  << tree({ u"r"_s, u"  x"_s, u"  a"_s, u"  b"_s, u"  c"_s,
                                         u"    c1"_s, u"    c2"_s });
    QTest::newRow("insert after a sibling")
        << u"insert r after:a"_s << true
        << tree({ u"r"_s, u"  a"_s, u"  x"_s, u"  b"_s, u"  c"_s, u"    c1"_s, u"    c2"_s });
    QTest::newRow("insert last into a leaf")
        << u"insert b last"_s << true
        << tree({ u"r"_s, u"  a"_s, u"  b"_s, u"    x"_s, u"  c"_s, u"    c1"_s, u"    c2"_s });
    QTest::newRow("remove a leaf")
        << u"remove b"_s << true << tree({ u"r"_s, u"  a"_s, u"  c"_s, u"    c1"_s, u"    c2"_s });
    QTest::newRow("remove a branch")
        << u"remove c"_s << true << tree({ u"r"_s, u"  a"_s, u"  b"_s });
    QTest::newRow("remove the first child")
        << u"remove c1"_s << true << tree({ u"r"_s, u"  a"_s, u"  b"_s, u"  c"_s, u"    c2"_s });
    QTest::newRow("move a branch first")
        << u"move c r first"_s << true
        << tree({ u"r"_s, u"  c"_s, u"    c1"_s, u"    c2"_s, u"  a"_s, u"  b"_s });
    QTest::newRow("move down one")
        << u"move a r after:b"_s << true
        << tree({ u"r"_s, u"  b"_s, u"  a"_s, u"  c"_s, u"    c1"_s, u"    c2"_s });
    QTest::newRow("move into a sibling")
        << u"move a c last"_s << true
        << tree({ u"r"_s, u"  b"_s, u"  c"_s, u"    c1"_s, u"    c2"_s, u"    a"_s });
    QTest::newRow("move out of a branch")
        << u"move c2 r first"_s << true
        << tree({ u"r"_s, u"  c2"_s, u"  a"_s, u"  b"_s, u"  c"_s, u"    c1"_s });
    QTest::newRow("move to where it is")
        << u"move b r after:a"_s << true
        << tree({ u"r"_s, u"  a"_s, u"  b"_s, u"  c"_s, u"    c1"_s, u"    c2"_s });
    QTest::newRow("move into its own branch")
        << u"move c c1 last"_s << false
        << tree({ u"r"_s, u"  a"_s, u"  b"_s, u"  c"_s, u"    c1"_s, u"    c2"_s });
}

void TreeModelTest::structureChanges()
{
    QFETCH(QString, operation);
    QFETCH(bool, result);
    QFETCH(QStringList, outline);
    const DomDocument document = LoadXml(u"<r><a/><b/><c><c1/><c2/></c></r>"_s);
    TreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.BuildBranch(document.documentElement(), QModelIndex(), TreeModel::Position::Last());

    // Persistent indexes follow the changes only if the model announces them correctly.
    std::map<QString, QPersistentModelIndex> before;
    for (const QString& line : Outline(model))
        before[line.trimmed()] = FindItem(model, line.trimmed());

    const QStringList words = operation.split(u' ');
    bool done = true;
    if (words[0] == u"insert") {
        done = model
                   .BuildBranch(document.createElement(u"x"_s), FindItem(model, words[1]),
                       PositionOf(model, words[2]))
                   .isValid();
    } else if (words[0] == u"remove") {
        model.RemoveItem(FindItem(model, words[1]));
    } else {
        done = model.MoveItem(
            FindItem(model, words[1]), FindItem(model, words[2]), PositionOf(model, words[3]));
    }
    QCOMPARE(done, result);
    QCOMPARE(Outline(model), outline);
    QCOMPARE(model.ItemCount(), int(outline.size()));
    for (const auto& [label, index] : before) {
        if (index.isValid())
            QCOMPARE(index.data(TreeModel::LabelRole).toString(), label);
        else
            QVERIFY2(operation.startsWith(u"remove"), qPrintable(label));
    }
}

void TreeModelTest::childrenInAnyOrder()
{
    const DomDocument document = LoadXml(TwoLongParents());
    TreeModel model;
    model.BuildBranch(document.documentElement(), QModelIndex(), TreeModel::Position::Last());
    const QModelIndex p = FindItem(model, u"p"_s);
    const QModelIndex q = FindItem(model, u"q"_s);
    // Jumps back and forth between the two parents, as a view does when it lays out a child's
    // branch in the middle of its parent's rows.
    for (int step = 0; step < 2000; ++step) {
        const int row = (step * 7919) % 300;
        const bool first = (step / 3) % 2 == 0;
        const QModelIndex item = model.index(row, 0, first ? p : q);
        QCOMPARE(
            item.data(TreeModel::LabelRole).toString(), (first ? u"c%1"_s : u"d%1"_s).arg(row));
        QCOMPARE(item.row(), row);
        QCOMPARE(model.parent(item), first ? p : q);
    }
    model.RemoveItem(model.index(150, 0, p));
    QCOMPARE(model.rowCount(p), 299);
    QCOMPARE(model.index(150, 0, p).data(TreeModel::LabelRole).toString(), u"c151"_s);
    QCOMPARE(model.index(149, 0, p).data(TreeModel::LabelRole).toString(), u"c149"_s);
    QCOMPARE(model.index(298, 0, p).row(), 298);
}

void TreeModelTest::releasedBranchKeepsItems()
{
    const DomDocument document = LoadXml(u"<r><a><a1/></a><b/></r>"_s);
    TreeModel model;
    model.BuildBranch(document.documentElement(), QModelIndex(), TreeModel::Position::Last());
    const QModelIndex a = FindItem(model, u"a"_s);
    model.ReleaseBranchNodes(a);
    QCOMPARE(Outline(model), QStringList({ u"r"_s, u"  "_s, u"    "_s, u"  b"_s }));
    QVERIFY(model.Node(model.index(0, 0, a)).isNull());
    QCOMPARE(model.Node(FindItem(model, u"b"_s)).nodeName(), u"b"_s);
}

QTEST_MAIN(TreeModelTest)
#include "tst_treemodel.moc"
