#include "AttributeView.h"
#include "FrameworkIds.h"
#include "InsertItemDlg.h"
#include "RandomEdits.h"
#include "SInsertItemDlg.h"
#include "ScriptedPrompts.h"
#include "SmartList.h"
#include "TreeTestSupport.h"
#include "TreeViewIds.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"
#include "dom/DomNamedNodeMap.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

using RandomEdits::TypeInto;

const QString Sample
    = u"<?xml version=\"1.0\"?><r xmlns:p=\"u\" a=\"1\" p:b=\"2\" c=\"3\"><x><y/></x>t<p:z/></r>"_s;
const QString Decl = u"<?xml version=\"1.0\"?>"_s;
const QString Open = u"<r xmlns:p=\"u\" a=\"1\" p:b=\"2\" c=\"3\">"_s;

} // namespace

// Undo and redo of every kind of change, with the tree compared to the DOM after each, and the
// modified flag following the history.
class UndoTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void steps_data();
    void steps();
    void modifiedFollowsHistory();

private:
    void Load(const QString& xml);
    QModelIndex ItemAt(const QString& path) const;
    // Runs one change as the user makes it.
    void Act(const QString& action, const QString& answer, const QString& target);
    QString UndoMenuText();
    void CheckTree();

    ScriptedPrompts prompts;
    UserSettings settings;
    std::unique_ptr<TrelvoDoc> doc;
    std::unique_ptr<TrelvoView> view;
    std::unique_ptr<AttributeView> pane;
};

void UndoTest::init()
{
    Prompts::SetInstance(&prompts);
    settings = UserSettings();
    settings.ExpandOnLoad = true;
    doc = std::make_unique<TrelvoDoc>();
    view = std::make_unique<TrelvoView>();
    view->SetSettings(&settings);
    view->resize(400, 400);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    pane = std::make_unique<AttributeView>();
    pane->SetupAttributeList();
    pane->SetEditor(&view->Editor());
    doc->AddView(view.get());
    doc->AddView(pane.get());
}

void UndoTest::cleanup()
{
    QCOMPARE(prompts.UnansweredCount(), 0);
    QCOMPARE(prompts.PendingAnswers(), 0);
    prompts.Clear();
    doc->RemoveView(pane.get());
    pane.reset();
    view.reset();
    doc.reset();
    Prompts::SetInstance(nullptr);
}

void UndoTest::Load(const QString& xml)
{
    doc->dom = xml.isEmpty() ? DomDocument::Create() : LoadXml(xml);
    doc->SendInitialUpdate();
}

QModelIndex UndoTest::ItemAt(const QString& path) const
{
    const TreeModel& model = *view->GetModel();
    QModelIndex item = model.index(0, 0);
    for (const QString& step : path.split(u'/', Qt::SkipEmptyParts))
        item = model.index(step.toInt(), 0, item);
    return item;
}

void UndoTest::Act(const QString& action, const QString& answer, const QString& target)
{
    static const std::map<QString, int> commands { { u"child"_s, ID_ADD_CHILD_ELEMENT },
        { u"text"_s, ID_ADD_TEXT }, { u"comment"_s, ID_ADD_COMMENT },
        { u"cdata"_s, ID_ADD_CDATA_SECTION }, { u"pi"_s, ID_ADD_PROCESSING_INSTRUCTION },
        { u"root"_s, ID_ADD_ROOT_ELEMENT }, { u"attribute"_s, ID_ADD_ATTRIBUTE },
        { u"delete"_s, ID_EDIT_DELETE_ITEM }, { u"edit"_s, ID_EDIT_ITEM },
        { u"up"_s, ID_EDIT_MOVE_UP }, { u"down"_s, ID_EDIT_MOVE_DOWN } };
    SmartList* list = pane->GetList();
    const auto rowOf = [list](const QString& name) {
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            if (list->topLevelItem(row)->text(0) == name)
                return row;
        }
        return -1;
    };
    if (auto command = commands.find(action); command != commands.end()) {
        if (action == u"delete")
            prompts.AnswerMessage(Prompts::Button::Yes);
        else if (!answer.isEmpty())
            prompts.AnswerDialog(TypeInto(answer));
        QVERIFY(view->OnCommand(command->second));
    } else if (action.startsWith(u"paste")) {
        action == u"paste copy" ? view->OnEditCopy() : view->OnEditCut();
        view->SelectItem(ItemAt(target));
        view->OnEditPaste();
    } else if (action.startsWith(u"drop")) {
        DragItem(*view, view->SelectedItem(), ItemAt(target),
            action == u"drop copy" ? Qt::ControlModifier : Qt::NoModifier);
    } else if (action == u"pane add") {
        prompts.AnswerDialog(TypeInto(answer));
        pane->OnAddAttribute();
    } else if (action == u"pane edit") {
        pane->OnValidateEdit(rowOf(answer.section(u'=', 0, 0)), answer.section(u'=', 1));
    } else if (action == u"pane delete") {
        for (const QString& name : answer.split(u','))
            list->topLevelItem(rowOf(name))->setSelected(true);
        prompts.AnswerMessage(Prompts::Button::Yes);
        pane->OnDeleteAttribute();
    }
}

QString UndoTest::UndoMenuText()
{
    CommandState state;
    view->OnUpdateCommand(ID_EDIT_UNDO, state);
    return state.enabled ? state.text : QString();
}

void UndoTest::CheckTree()
{
    QCOMPARE(TreeMismatch(*view->GetModel(), doc->dom), QString());
    // The views follow the item selected.
    const QModelIndex selected = view->SelectedItem();
    QCOMPARE(view->NodeOf(selected), doc->SelectedNode);
    QVERIFY(view->viewport()->rect().intersects(view->visualRect(selected)));
    QCOMPARE(pane->GetList()->topLevelItemCount(), doc->SelectedNode.attributes().length());
}

void UndoTest::steps_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("select");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("target");
    // Empty: the change fails or changes nothing, and no step is recorded.
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("after");

    const auto row = [](const char* name, const char* select, const QString& action,
                         const QString& answer, const QString& step, const QString& after,
                         const QString& target = {}, const QString& xml = Sample) {
        QTest::newRow(name) << xml << QString::fromLatin1(select) << action << answer << target
                            << step << after;
    };
    const auto r = [](const QString& content) { return Decl + Open + content + u"</r>"_s; };

    row("child element", "1", u"child"_s, u"n"_s, u"Add Child Element"_s,
        r(u"<x><y/></x>t<p:z/><n/>"_s));
    row("text", "1/0", u"text"_s, u"v"_s, u"Add Text"_s, r(u"<x><y/>v</x>t<p:z/>"_s));
    row("comment", "1/0", u"comment"_s, u"v"_s, u"Add Comment"_s,
        r(u"<x><y/><!--v--></x>t<p:z/>"_s));
    row("cdata", "1/0", u"cdata"_s, u"v"_s, u"Add CDATA Section"_s,
        r(u"<x><y/><![CDATA[v]]></x>t<p:z/>"_s));
    row("instruction", "1", u"pi"_s, u"q d"_s, u"Add Processing Instruction"_s,
        r(u"<?q d?><x><y/></x>t<p:z/>"_s));
    row("root element", "", u"root"_s, u"s"_s, u"Add Root Element"_s, u"<s/>"_s, {}, {});
    row("attribute from the tree", "1/0", u"attribute"_s, u"k=v"_s, u"Add Attribute"_s,
        r(u"<x k=\"v\"><y/></x>t<p:z/>"_s));
    row("delete", "1/0", u"delete"_s, {}, u"Delete"_s, r(u"t<p:z/>"_s));
    row("rename", "1/0", u"edit"_s, u"w"_s, u"Rename"_s, r(u"<w><y/></w>t<p:z/>"_s));
    row("edit a value", "1/1", u"edit"_s, u"v"_s, u"Edit"_s, r(u"<x><y/></x>v<p:z/>"_s));
    row("edit the declaration", "0", u"edit"_s, u"version=\"1.1\""_s, u"Edit"_s,
        u"<?xml version=\"1.1\"?>"_s + Open + u"<x><y/></x>t<p:z/></r>"_s);
    row("move up", "1/1", u"up"_s, {}, u"Move Up"_s, r(u"t<x><y/></x><p:z/>"_s));
    row("move down", "1/0", u"down"_s, {}, u"Move Down"_s, r(u"t<x><y/></x><p:z/>"_s));
    row("paste a copy", "1/0", u"paste copy"_s, {}, u"Paste"_s,
        r(u"<x><y/></x>t<p:z><x><y/></x></p:z>"_s), u"1/2"_s);
    row("paste a cut: one move", "1/0", u"paste cut"_s, {}, u"Paste"_s,
        r(u"t<p:z><x><y/></x></p:z>"_s), u"1/2"_s);
    row("drop a copy", "1/0", u"drop copy"_s, {}, u"Drop"_s,
        r(u"<x><y/></x>t<p:z><x><y/></x></p:z>"_s), u"1/2"_s);
    row("drop a move", "1/0", u"drop move"_s, {}, u"Drop"_s, r(u"t<p:z><x><y/></x></p:z>"_s),
        u"1/2"_s);
    row("pane: add", "1/0", u"pane add"_s, u"j=2"_s, u"Add Attribute"_s,
        r(u"<x j=\"2\"><y/></x>t<p:z/>"_s));
    row("pane: add in place of one of the same name", "1", u"pane add"_s, u"a=5"_s,
        u"Add Attribute"_s,
        Decl + u"<r xmlns:p=\"u\" a=\"5\" p:b=\"2\" c=\"3\"><x><y/></x>t<p:z/></r>"_s);
    row("pane: add a declaration of a prefix in use", "1", u"pane add"_s, u"xmlns:p=w"_s,
        u"Add Attribute"_s,
        Decl + u"<r xmlns:p=\"w\" a=\"1\" p:b=\"2\" c=\"3\"><x><y/></x>t<p:z/></r>"_s);
    row("pane: edit", "1", u"pane edit"_s, u"c=9"_s, u"Edit Attribute"_s,
        Decl + u"<r xmlns:p=\"u\" a=\"1\" p:b=\"2\" c=\"9\"><x><y/></x>t<p:z/></r>"_s);
    // The declaration comes back in its place and binds the prefix of p:b and p:z again.
    row("pane: delete several, a declaration in use among them", "1", u"pane delete"_s,
        u"xmlns:p,a,p:b"_s, u"Delete Attributes"_s,
        Decl + u"<r c=\"3\" xmlns:p=\"u\"><x><y/></x>t<p:z/></r>"_s);
    row("refused: no step", "1", u"child"_s, u"1n"_s, {}, {});
    row("unchanged: no step", "1/0", u"edit"_s, u"<ok>"_s, {}, {});
    row("pane: the same value, no step", "1", u"pane edit"_s, u"a=1"_s, {}, {});
}

void UndoTest::steps()
{
    QFETCH(QString, xml);
    QFETCH(QString, select);
    QFETCH(QString, action);
    QFETCH(QString, answer);
    QFETCH(QString, target);
    QFETCH(QString, step);
    QFETCH(QString, after);

    Load(xml);
    const QString before = Markup(doc->dom);
    const DomNode selected = NodeAt(doc->dom, select);
    view->SelectItem(ItemAt(select));
    if (step.isEmpty() && action == u"child")
        prompts.AnswerMessage(Prompts::Button::Ok);
    Act(action, answer, target);
    const EditHistory& history = view->Editor().History();
    if (step.isEmpty()) {
        QCOMPARE(Markup(doc->dom), before);
        QCOMPARE(history.Count(), 0);
        QVERIFY(!doc->IsModified());
        QCOMPARE(UndoMenuText(), QString());
        return;
    }
    QCOMPARE(Markup(doc->dom), after);
    QCOMPARE(history.Count(), 1);
    QCOMPARE(UndoMenuText(), u"&Undo "_s + step + u"\tCtrl+Z"_s);

    QVERIFY(view->OnCommand(ID_EDIT_UNDO));
    QCOMPARE(Markup(doc->dom), before);
    QVERIFY(!doc->IsModified());
    // Nodes the change took away come back themselves, not as copies.
    QCOMPARE(NodeAt(doc->dom, select), selected);
    CheckTree();

    QVERIFY(view->OnCommand(ID_EDIT_REDO));
    QCOMPARE(Markup(doc->dom), after);
    QVERIFY(doc->IsModified());
    CheckTree();
    QCOMPARE(history.Index(), 1);
}

void UndoTest::modifiedFollowsHistory()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"d.xml"_s);
    Load(u"<r/>"_s);
    TreeEditor& editor = view->Editor();
    EditHistory& history = editor.History();
    const auto add = [&] { QVERIFY(editor.InsertElement(ItemAt(u"0"_s), u"e"_s).isValid()); };
    add();
    add();
    editor.Undo();
    editor.Undo();
    QVERIFY(!doc->IsModified());
    editor.Redo();
    QVERIFY(doc->DoSave(path));
    QVERIFY(!doc->IsModified());
    editor.Redo();
    QVERIFY(doc->IsModified());
    editor.Undo();
    QVERIFY2(!doc->IsModified(), "back where it was saved, in the middle of the history");
    editor.Undo();
    QVERIFY2(doc->IsModified(), "the state as opened is no longer the saved one");
    editor.Redo();
    editor.Redo();

    // A save that fails leaves the saved state where it was.
    prompts.AnswerMessage(Prompts::Button::Ok);
    QVERIFY(!doc->DoSave(folder.filePath(u"none/d.xml"_s)));
    QVERIFY(doc->IsModified());
    editor.Undo();
    QVERIFY(!doc->IsModified());

    // A new step after undoing past the saved state, and the saved step dropping off the
    // oldest end, leave it out of reach.
    editor.Undo();
    add();
    editor.Undo();
    QVERIFY(doc->IsModified());
    editor.Redo();
    QVERIFY(doc->DoSave(path));
    for (int i = 0; i <= EditHistory::MaxSteps; ++i)
        add();
    QCOMPARE(history.Count(), EditHistory::MaxSteps);
    while (history.CanUndo())
        editor.Undo();
    QVERIFY(doc->IsModified());
}

QTEST_MAIN(UndoTest)
#include "tst_undo.moc"
