#include "InsertItemDlg.h"
#include "RandomEdits.h"
#include "SInsertItemDlg.h"
#include "ScriptedPrompts.h"
#include "TreeTestSupport.h"
#include "TreeViewIds.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using Kind = ScriptedPrompts::Kind;

namespace {

using RandomEdits::TypeInto;

// Counts the refreshes the document sends its views.
class SpyView : public View {
public:
    int refreshes = 0;
    void OnUpdate(View*, long hint) override { refreshes += hint == TrelvoDoc::HintRefresh; }
};

const QString Sample = u"<?xml version=\"1.0\"?><?p d?><!--c--><r><a k=\"1\"><x/></a>t</r>"_s;
const QString Entity = u"<!DOCTYPE r [<!ENTITY e \"x\">]><r><a/>&e;<b/></r>"_s;
const QString EntityMarkup = u"<!DOCTYPE r [<!ENTITY e \"x\">]>"_s;

} // namespace

// The tree view's node commands: requirement, success and failure of each, with the tree and
// the DOM compared after every one.
class NodeCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void commands_data();
    void commands();
    void rootElementUnderDocument();
    void movedItemCollapsedAndSelected();
    void renameKeepsItem();
    void focusBackAfterAttributeDialog();
    void ctrlEnterIsOk();
    void rememberedSize_data();
    void rememberedSize();

private:
    void Open(const QString& xml);
    // The item of the node at path (DOM child indexes from the document node, "3/0").
    QModelIndex ItemAt(const QString& path) const;

    ScriptedPrompts prompts;
    UserSettings settings;
    std::unique_ptr<TrelvoDoc> doc;
    std::unique_ptr<TrelvoView> view;
    SpyView spy;
};

void NodeCommandsTest::init()
{
    Prompts::SetInstance(&prompts);
    settings = UserSettings();
    spy.refreshes = 0;
    doc = std::make_unique<TrelvoDoc>();
    view = std::make_unique<TrelvoView>();
    view->SetSettings(&settings);
    doc->AddView(view.get());
    doc->AddView(&spy);
}

void NodeCommandsTest::cleanup()
{
    QCOMPARE(prompts.UnansweredCount(), 0);
    QCOMPARE(prompts.PendingAnswers(), 0);
    prompts.Clear();
    doc->RemoveView(&spy);
    view.reset();
    doc.reset();
    Prompts::SetInstance(nullptr);
}

void NodeCommandsTest::Open(const QString& xml)
{
    doc->dom = LoadXml(xml);
    doc->SendInitialUpdate();
    spy.refreshes = 0;
}

QModelIndex NodeCommandsTest::ItemAt(const QString& path) const
{
    const TreeModel& model = *view->GetModel();
    QModelIndex item = model.index(0, 0);
    DomNode node = doc->dom.documentNode();
    for (const QString& step : path.split(u'/', Qt::SkipEmptyParts)) {
        int row = 0;
        node = node.firstChild();
        for (int i = step.toInt(); i > 0; --i) {
            row += TreeItems::HasItem(node.nodeType());
            node = node.nextSibling();
        }
        item = model.index(row, 0, item);
    }
    return item;
}

void NodeCommandsTest::commands_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("select");
    QTest::addColumn<int>("command");
    // Null: the command must end without asking anything.
    QTest::addColumn<QString>("answer");
    // Empty: the document is unchanged and not modified.
    QTest::addColumn<QString>("after");
    QTest::addColumn<QStringList>("messages");

    const QString question
        = u"Are you sure you want to delete this element and all of its children?"_s;
    const auto row
        = [](const char* name, const QString& xml, const char* select, int command,
              const QString& answer, const QString& after, const QStringList& messages = {}) {
              QTest::newRow(name) << xml << QString::fromLatin1(select) << command << answer
                                  << after << messages;
          };
    const QString prolog = u"<?xml version=\"1.0\"?><?p d?><!--c-->"_s;
    const auto r = [&prolog](const QString& content) { return prolog + content; };

    row("child element: not on a comment", Sample, "2", ID_ADD_CHILD_ELEMENT, {}, {});
    row("child element: appended", Sample, "3", ID_ADD_CHILD_ELEMENT, u"n"_s,
        r(u"<r><a k=\"1\"><x/></a>t<n/></r>"_s));
    row("child element: cancelled", Sample, "3", ID_ADD_CHILD_ELEMENT, u"<cancel>"_s, {});
    row("child element: bad name", Sample, "3", ID_ADD_CHILD_ELEMENT, u"1n"_s, {},
        { u"Failed to create child element!"_s });
    row("child element: deeper than a file can nest",
        u"<r>"_s + u"<e>"_s.repeated(4094) + u"<e/>"_s + u"</e>"_s.repeated(4094) + u"</r>"_s,
        qPrintable(u"0"_s + u"/0"_s.repeated(4095)), ID_ADD_CHILD_ELEMENT, u"n"_s, {},
        { u"Failed to create child element!"_s });
    row("text: not on a text", Sample, "3/1", ID_ADD_TEXT, {}, {});
    row("text: line breaks stored as line feeds", Sample, "3", ID_ADD_TEXT, u"u\nv"_s,
        r(u"<r><a k=\"1\"><x/></a>tu\r\nv</r>"_s));
    row("text: refused", Sample, "3", ID_ADD_TEXT, u"\u0001"_s, {},
        { u"Failed to create text node!"_s });
    row("comment: appended", Sample, "3/0", ID_ADD_COMMENT, u"n"_s,
        r(u"<r><a k=\"1\"><x/><!--n--></a>t</r>"_s));
    row("comment: refused", Sample, "3", ID_ADD_COMMENT, u"a--b"_s, {},
        { u"Failed to create comment!"_s });
    row("cdata: appended", Sample, "3", ID_ADD_CDATA_SECTION, u"<n>"_s,
        r(u"<r><a k=\"1\"><x/></a>t<![CDATA[<n>]]></r>"_s));
    row("cdata: refused", Sample, "3", ID_ADD_CDATA_SECTION, u"\u0001"_s, {},
        { u"Failed to create CDATA section!"_s });
    row("pi: not on a comment", Sample, "2", ID_ADD_PROCESSING_INSTRUCTION, {}, {});
    row("pi: split at the first line break, after the leading instructions", Sample, "",
        ID_ADD_PROCESSING_INSTRUCTION, u"q\nx y"_s,
        u"<?xml version=\"1.0\"?><?p d?><?q x y?><!--c--><r><a k=\"1\"><x/></a>t</r>"_s);
    row("pi: without a separator, no data, first in an element", Sample, "3",
        ID_ADD_PROCESSING_INSTRUCTION, u"q"_s, r(u"<r><?q?><a k=\"1\"><x/></a>t</r>"_s));
    row("pi: a second declaration", Sample, "", ID_ADD_PROCESSING_INSTRUCTION,
        u"xml version=\"1.0\""_s, {}, { u"Failed to create processing instruction!"_s });
    row("root element: refused while there is one", Sample, "3/0/0", ID_ADD_ROOT_ELEMENT, u"s"_s,
        {}, { u"Failed to create root element!"_s });
    row("attribute: not on a text", Sample, "3/1", ID_ADD_ATTRIBUTE, {}, {});
    row("attribute: added", Sample, "3/0", ID_ADD_ATTRIBUTE, u"j=2"_s,
        r(u"<r><a k=\"1\" j=\"2\"><x/></a>t</r>"_s));
    row("attribute: bad name", Sample, "3/0", ID_ADD_ATTRIBUTE, u"1j=2"_s, {},
        { u"Failed to create attribute!"_s });
    row("delete: not the document", Sample, "", ID_EDIT_DELETE_ITEM, {}, {});
    row("delete: answered no", Sample, "3/0", ID_EDIT_DELETE_ITEM, u"no"_s, {}, { question });
    row("delete: a branch", Sample, "3/0", ID_EDIT_DELETE_ITEM, u"yes"_s, r(u"<r>t</r>"_s),
        { question });
    row("delete: the document type stays", Entity, "0", ID_EDIT_DELETE_ITEM, u"yes"_s, {},
        { question, u"Failed to delete the node!"_s });
    row("edit: not the document", Sample, "", ID_EDIT_ITEM, {}, {});
    row("edit: rename", Sample, "3/0", ID_EDIT_ITEM, u"b"_s, r(u"<r><b k=\"1\"><x/></b>t</r>"_s));
    row("edit: rename to an undeclared prefix", Sample, "3/0", ID_EDIT_ITEM, u"q:b"_s, {},
        { u"Failed to apply change."_s });
    row("edit: a name left untouched writes nothing", Sample, "3/0", ID_EDIT_ITEM, u"<ok>"_s, {});
    row("edit: a value", Sample, "3/1", ID_EDIT_ITEM, u"u"_s, r(u"<r><a k=\"1\"><x/></a>u</r>"_s));
    row("edit: a value refused", Sample, "2", ID_EDIT_ITEM, u"a--b"_s, {},
        { u"Failed to apply the change."_s });
    row("edit: the declaration", Sample, "0", ID_EDIT_ITEM, u"version=\"1.1\""_s,
        u"<?xml version=\"1.1\"?><?p d?><!--c--><r><a k=\"1\"><x/></a>t</r>"_s);
    row("edit: the declaration refused", Sample, "0", ID_EDIT_ITEM, u"x"_s, {},
        { u"Failed to apply change."_s });
    // The editor's plain text would have made a blank and a line feed of them.
    row("edit: no-break space and line separator survive untouched", u"<r>a\u00A0b\u2028c</r>"_s,
        "0/0", ID_EDIT_ITEM, u"<ok>"_s, {});
    row("edit: typed no-break space kept, paragraph separator and lone CR become line feeds",
        u"<r>a</r>"_s, "0/0", ID_EDIT_ITEM, u"x\u00A0y\u2029z\rw"_s,
        u"<r>x\u00A0y\r\nz\r\nw</r>"_s);
    row("move up: not the first", Sample, "3/0", ID_EDIT_MOVE_UP, {}, {});
    row("move up: not past an instruction", Sample, "2", ID_EDIT_MOVE_UP, {}, {});
    row("move down: a branch", Sample, "3/0", ID_EDIT_MOVE_DOWN, QString(),
        r(u"<r>t<a k=\"1\"><x/></a></r>"_s));
    row("move down: not the last", Sample, "3/1", ID_EDIT_MOVE_DOWN, {}, {});
    // Entity references have no item: the items keep the DOM's order around them.
    row("move up: past an entity reference", Entity, "1/2", ID_EDIT_MOVE_UP, QString(),
        EntityMarkup + u"<r><a/><b/>&e;</r>"_s);
    row("move down: past an entity reference", Entity, "1/0", ID_EDIT_MOVE_DOWN, QString(),
        EntityMarkup + u"<r>&e;<a/><b/></r>"_s);
    row("move up: from behind an entity reference", EntityMarkup + u"<r>&e;<a/></r>"_s, "1/1",
        ID_EDIT_MOVE_UP, QString(), EntityMarkup + u"<r><a/>&e;</r>"_s);
}

void NodeCommandsTest::commands()
{
    QFETCH(QString, xml);
    QFETCH(QString, select);
    QFETCH(int, command);
    QFETCH(QString, answer);
    QFETCH(QString, after);
    QFETCH(QStringList, messages);

    Open(xml);
    const QString before = Markup(doc->dom);
    view->SelectItem(ItemAt(select));
    QVERIFY(view->SelectedItem().isValid());
    spy.refreshes = 0;
    if (answer == u"yes" || answer == u"no")
        prompts.AnswerMessage(answer == u"yes" ? Prompts::Button::Yes : Prompts::Button::No);
    else if (!answer.isNull())
        prompts.AnswerDialog(TypeInto(answer));
    for (qsizetype i = answer == u"yes" || answer == u"no" ? 1 : 0; i < messages.size(); ++i)
        prompts.AnswerMessage(Prompts::Button::Ok);

    QVERIFY(view->OnCommand(command));

    if (answer.isNull() && after.isEmpty())
        QVERIFY2(prompts.Calls().empty(), "an unmet requirement ends the command silently");
    QStringList shown;
    for (const auto& call : prompts.CallsOf(Kind::MessageBox))
        shown << call.text;
    QCOMPARE(shown, messages);
    QCOMPARE(Markup(doc->dom), after.isEmpty() ? before : after);
    QCOMPARE(doc->IsModified(), !after.isEmpty());
    // One update per change, none without one.
    QCOMPARE(spy.refreshes, after.isEmpty() ? 0 : 1);
    QCOMPARE(TreeMismatch(*view->GetModel(), doc->dom), QString());
    QCOMPARE(view->NodeOf(view->SelectedItem()), doc->SelectedNode);
}

void NodeCommandsTest::rootElementUnderDocument()
{
    Open(u"<!--c--><r/>"_s);
    view->SelectItem(ItemAt(u"1"_s));
    prompts.AnswerMessage(Prompts::Button::Yes);
    QVERIFY(view->OnCommand(ID_EDIT_DELETE_ITEM));
    QVERIFY(!doc->HasRootElement());
    // The comment is selected, yet the new element's item goes under the "Document" item.
    QCOMPARE(view->SelectedItem(), ItemAt(u"0"_s));
    prompts.AnswerDialog(TypeInto(u"s"_s));
    QVERIFY(view->OnCommand(ID_ADD_ROOT_ELEMENT));
    QCOMPARE(Markup(doc->dom), u"<!--c--><s/>"_s);
    QCOMPARE(ItemAt(u"1"_s).parent(), view->GetModel()->index(0, 0));
    QCOMPARE(TreeMismatch(*view->GetModel(), doc->dom), QString());
}

void NodeCommandsTest::movedItemCollapsedAndSelected()
{
    Open(u"<r><a><b><c/></b></a><z/></r>"_s);
    const QPersistentModelIndex a = ItemAt(u"0/0"_s);
    view->expand(a);
    view->expand(ItemAt(u"0/0/0"_s));
    view->SelectItem(a);
    spy.refreshes = 0;
    QVERIFY(view->OnCommand(ID_EDIT_MOVE_DOWN));
    QCOMPARE(Markup(doc->dom), u"<r><z/><a><b><c/></b></a></r>"_s);
    QCOMPARE(a.row(), 1);
    QCOMPARE(view->SelectedItem(), QModelIndex(a));
    QVERIFY(!view->isExpanded(a));
    // Only the moved item itself is collapsed.
    QVERIFY(view->isExpanded(ItemAt(u"0/1/0"_s)));
    QCOMPARE(spy.refreshes, 1);
    QCOMPARE(TreeMismatch(*view->GetModel(), doc->dom), QString());
}

void NodeCommandsTest::renameKeepsItem()
{
    Open(u"<r><a><b/></a><z/></r>"_s);
    const QPersistentModelIndex a = ItemAt(u"0/0"_s);
    view->expand(a);
    view->SelectItem(a);
    prompts.AnswerDialog(TypeInto(u"n"_s));
    QVERIFY(view->OnCommand(ID_EDIT_ITEM));
    QCOMPARE(a.data(TreeModel::LabelRole).toString(), u"n"_s);
    QVERIFY(view->isExpanded(a));
    QCOMPARE(a.row(), 0);
    QCOMPARE(view->GetModel()->rowCount(a), 1);
    QCOMPARE(TreeMismatch(*view->GetModel(), doc->dom), QString());
}

void NodeCommandsTest::focusBackAfterAttributeDialog()
{
    QWidget window;
    auto* other = new QLineEdit(&window);
    view->setParent(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    Open(u"<r/>"_s);
    view->SelectItem(ItemAt(u"0"_s));
    view->setFocus();
    prompts.AnswerDialog([other](QDialog&) {
        other->setFocus();
        return int(QDialog::Rejected);
    });
    QVERIFY(view->OnCommand(ID_ADD_ATTRIBUTE));
    QVERIFY(view->hasFocus());
    view->setParent(nullptr);
}

void NodeCommandsTest::ctrlEnterIsOk()
{
    InsertItemDlg dialog(u"Edit item"_s, u"a"_s);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QPlainTextEdit* edit = dialog.GetValueEdit();
    edit->moveCursor(QTextCursor::End);
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QTest::keyClick(edit, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.GetValue(), u"a\r\n"_s);
}

void NodeCommandsTest::rememberedSize_data()
{
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QSize>("opened");

    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    QTest::newRow("kept") << QRect(10, 10, 300, 200) << QSize(300, 200);
    QTest::newRow("no larger than the screen") << QRect(10, 10, 100000, 100000) << screen;
    QTest::newRow("no smaller than the minimum") << QRect(10, 10, 5, 5) << QSize(200, 120);
}

void NodeCommandsTest::rememberedSize()
{
    QFETCH(QRect, stored);
    QFETCH(QSize, opened);
    InsertItemDlg first(u"Append text"_s, QString());
    first.SetRememberedRect(stored);
    first.show();
    QVERIFY(QTest::qWaitForWindowExposed(&first));
    QCOMPARE(first.size(), opened);
    first.reject();
    // Closed and opened again, the dialog has the same size: it does not grow by its frame.
    InsertItemDlg second(u"Append text"_s, QString());
    second.SetRememberedRect(first.RememberedRect());
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(&second));
    QCOMPARE(second.size(), opened);
}

QTEST_MAIN(NodeCommandsTest)
#include "tst_nodecommands.moc"
