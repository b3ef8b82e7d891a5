#include "NodeRules.h"
#include "TreeTestSupport.h"
#include "TreeViewIds.h"
#include "TrelvoDoc.h"

#include <QtTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
// An instruction, a comment and elements between instructions, text and CDATA.
const QString Mixed = u"<?xml version='1.0'?><!--c--><?pi d?><r a='1'><a/><?p x?><b/>text"
                      "<![CDATA[x]]></r>"_s;
}

class TreeRulesTest : public QObject {
    Q_OBJECT

private slots:
    void predicates_data();
    void predicates();
    void grayedCommands_data();
    void grayedCommands();
};

void TreeRulesTest::predicates_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("canHaveChildren");
    QTest::addColumn<bool>("canAddAttribute");
    QTest::addColumn<bool>("canMoveUp");
    QTest::addColumn<bool>("canMoveDown");

    QTest::newRow("document") << QString() << true << false << false << false;
    QTest::newRow("declaration") << u"0"_s << false << false << false << false;
    QTest::newRow("comment after an instruction") << u"1"_s << false << false << false << true;
    QTest::newRow("instruction never moves down") << u"2"_s << false << false << true << false;
    QTest::newRow("root after an instruction") << u"3"_s << true << true << false << false;
    QTest::newRow("first child") << u"3/0"_s << true << true << false << true;
    QTest::newRow("instruction after an element") << u"3/1"_s << false << false << true << false;
    QTest::newRow("element after an instruction") << u"3/2"_s << true << true << false << true;
    QTest::newRow("text") << u"3/3"_s << false << false << true << true;
    QTest::newRow("last child CDATA") << u"3/4"_s << false << false << true << false;
}

void TreeRulesTest::predicates()
{
    QFETCH(QString, path);
    const DomNode node = NodeAt(LoadXml(Mixed), path);
    QVERIFY(node);
    QTEST(NodeRules::CanHaveChildren(node), "canHaveChildren");
    QTEST(NodeRules::CanAddAttribute(node), "canAddAttribute");
    QTEST(NodeRules::CanMoveUp(node), "canMoveUp");
    QTEST(NodeRules::CanMoveDown(node), "canMoveDown");
}

void TreeRulesTest::grayedCommands_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QList<int>>("grayed");

    const QList<int> allAdds = { ID_ADD_COMMENT, ID_ADD_TEXT, ID_ADD_CHILD_ELEMENT,
        ID_ADD_ATTRIBUTE, ID_ADD_ROOT_ELEMENT, ID_ADD_CDATA_SECTION };
    QTest::newRow("document with a root")
        << Mixed << QString()
        << QList<int> { ID_ADD_ATTRIBUTE, ID_ADD_ROOT_ELEMENT, ID_EDIT_MOVE_UP, ID_EDIT_MOVE_DOWN };
    QTest::newRow("document without a root")
        << QString() << QString()
        << QList<int> { ID_ADD_ATTRIBUTE, ID_EDIT_MOVE_UP, ID_EDIT_MOVE_DOWN };
    QTest::newRow("root element stays even after a comment")
        << u"<!--c--><r/><!--d-->"_s << u"1"_s
        << QList<int> { ID_ADD_ROOT_ELEMENT, ID_EDIT_MOVE_UP, ID_EDIT_MOVE_DOWN };
    QTest::newRow("text between elements") << u"<r><a/>t<b/></r>"_s << u"0/1"_s << allAdds;
    QTest::newRow("element after an instruction")
        << Mixed << u"3/2"_s << QList<int> { ID_ADD_ROOT_ELEMENT, ID_EDIT_MOVE_UP };
    QTest::newRow("last element") << u"<r><a/><b/></r>"_s << u"0/1"_s
                                  << QList<int> { ID_ADD_ROOT_ELEMENT, ID_EDIT_MOVE_DOWN };
    QTest::newRow("first comment")
        << u"<!--c--><r/>"_s << u"0"_s << allAdds + QList<int> { ID_EDIT_MOVE_UP };
    QTest::newRow("declaration") << Mixed << u"0"_s
                                 << allAdds + QList<int> { ID_EDIT_MOVE_UP, ID_EDIT_MOVE_DOWN };
}

void TreeRulesTest::grayedCommands()
{
    QFETCH(QString, xml);
    QFETCH(QString, path);
    QFETCH(QList<int>, grayed);
    TrelvoDoc document;
    document.dom = xml.isEmpty() ? DomDocument::Create() : LoadXml(xml);
    const std::vector<int> result = NodeRules::GrayedCommands(NodeAt(document.dom, path), document);
    QList<int> sorted(result.begin(), result.end());
    std::sort(sorted.begin(), sorted.end());
    std::sort(grayed.begin(), grayed.end());
    QCOMPARE(sorted, grayed);
    // Delete, Edit and Processing Instruction are never grayed.
    QVERIFY(!sorted.contains(ID_EDIT_DELETE_ITEM) && !sorted.contains(ID_EDIT_ITEM)
        && !sorted.contains(ID_ADD_PROCESSING_INSTRUCTION));
}

QTEST_GUILESS_MAIN(TreeRulesTest)
#include "tst_treerules.moc"
