#include "DragCursors.h"
#include "FrameWindow.h"
#include "FrameworkIds.h"
#include "ScriptedPrompts.h"
#include "TreeCommands.h"
#include "TreeTestSupport.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString Sample = u"<!DOCTYPE r><!--top--><r><a><a1/></a><b/>t<!--n--><?p d?></r>"_s;

// A second view of the document that counts the refreshes it is sent.
class SpyView : public View {
public:
    int refreshes = 0;
    void OnUpdate(View*, long hint) override { refreshes += hint == TrelvoDoc::HintRefresh; }
};

} // namespace

// Copying and moving branches with Cut, Copy and Paste and by dragging with the mouse.
class TreeDragTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void drag_data();
    void drag();
    void clipboard_data();
    void clipboard();
    void dragScrollsAtTheEdge();

private:
    void Open(const QString& xml);
    QModelIndex Item(const QString& label) const
    {
        return label == u"Document" ? view->GetModel()->index(0, 0)
                                    : FindItem(*view->GetModel(), label);
    }
    QString Markup() const
    {
        QString markup;
        for (DomNode node = doc->dom.documentNode().firstChild(); node; node = node.nextSibling())
            markup += node.xml();
        return markup;
    }
    // Which drag cursor the tree shows: a DragCursors kind, or -1 for the normal cursor.
    int CursorShown() const
    {
        const QCursor shown = view->viewport()->cursor();
        for (int kind : { DragCursors::Move, DragCursors::NoDrop, DragCursors::Copy }) {
            const QCursor drawn = DragCursors::Draw(DragCursors::Kind(kind));
            if (shown.hotSpot() == drawn.hotSpot()
                && shown.pixmap().toImage() == drawn.pixmap().toImage())
                return kind;
        }
        return shown.shape() == Qt::ArrowCursor && shown.pixmap().isNull() ? -1 : -2;
    }
    void MouseMove(const QPoint& to, Qt::KeyboardModifiers modifiers)
    {
        QMouseEvent move(QEvent::MouseMove, to, view->viewport()->mapToGlobal(to), Qt::NoButton,
            Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(view->viewport(), &move);
    }
    void CheckTree()
    {
        const QString difference = TreeDomDifference(*view->GetModel(), doc->dom);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    ScriptedPrompts prompts;
    TreeSettings settings;
    std::unique_ptr<TrelvoDoc> doc;
    std::unique_ptr<FrameWindow> frame;
    TrelvoView* view = nullptr;
    SpyView spy;
};

void TreeDragTest::init()
{
    Prompts::SetInstance(&prompts);
    settings = TreeSettings();
    settings.ExpandOnLoad = true;
    spy.refreshes = 0;
    doc = std::make_unique<TrelvoDoc>();
    frame = std::make_unique<FrameWindow>(TreeCommands::Table());
    view = new TrelvoView(frame.get());
    view->SetSettingsSource([this] { return settings; });
    frame->setCentralWidget(view);
    frame->SetActiveView(view);
    doc->AddView(view);
    doc->AddView(&spy);
    frame->resize(400, 600);
    frame->show();
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
}

void TreeDragTest::cleanup()
{
    QCOMPARE(prompts.UnansweredCount(), 0);
    QCOMPARE(prompts.PendingAnswers(), 0);
    prompts.Clear();
    frame.reset();
    doc.reset();
    Prompts::SetInstance(nullptr);
}

void TreeDragTest::Open(const QString& xml)
{
    doc->ReleaseDom();
    doc->dom = LoadXml(xml);
    doc->SendInitialUpdate();
}

void TreeDragTest::drag_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    // Ctrl: "held" from before the press to the release, "pressed" or "released" once the drag
    // is under way; "escape" presses Escape before the release.
    QTest::addColumn<QString>("keys");
    // The cursor just before the release; the target is highlighted unless it is NoDrop.
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("expected");

    const QString tail = u"<b/>t<!--n--><?p d?></r>"_s;
    const QString moved = u"<!DOCTYPE r><!--top--><r><b><a><a1/></a></b>t<!--n--><?p d?></r>"_s;
    const QString copied
        = u"<!DOCTYPE r><!--top--><r><a><a1/></a><b><a><a1/></a></b>t<!--n--><?p d?></r>"_s;
    QTest::newRow("move") << Sample << u"a"_s << u"b"_s << QString() << int(DragCursors::Move)
                          << moved;
    QTest::newRow("Ctrl held before the drag copies")
        << Sample << u"a"_s << u"b"_s << u"held"_s << int(DragCursors::Copy) << copied;
    QTest::newRow("Ctrl pressed during the drag copies")
        << Sample << u"a"_s << u"b"_s << u"pressed"_s << int(DragCursors::Copy) << copied;
    QTest::newRow("Ctrl released during the drag moves")
        << Sample << u"a"_s << u"b"_s << u"released"_s << int(DragCursors::Move) << moved;
    QTest::newRow("Escape cancels") << Sample << u"a"_s << u"b"_s << u"escape"_s << -1 << QString();
    QTest::newRow("onto itself") << Sample << u"a"_s << u"a"_s << u"held"_s
                                 << int(DragCursors::NoDrop) << QString();
    QTest::newRow("onto its child")
        << Sample << u"a"_s << u"a1"_s << u"held"_s << int(DragCursors::NoDrop) << QString();
    QTest::newRow("onto its parent")
        << Sample << u"a"_s << u"r"_s << QString() << int(DragCursors::NoDrop) << QString();
    QTest::newRow("onto its parent with Ctrl")
        << Sample << u"a1"_s << u"a"_s << u"held"_s << int(DragCursors::Copy)
        << u"<!DOCTYPE r><!--top--><r><a><a1/><a1/></a>"_s + tail;
    QTest::newRow("comment onto the document")
        << Sample << u"n"_s << u"Document"_s << QString() << int(DragCursors::Move)
        << u"<!DOCTYPE r><!--top--><r><a><a1/></a><b/>t<?p d?></r><!--n-->"_s;
    QTest::newRow("element onto the document")
        << Sample << u"b"_s << u"Document"_s << u"held"_s << int(DragCursors::NoDrop) << QString();
    QTest::newRow("text into an element")
        << Sample << u"t"_s << u"a1"_s << QString() << int(DragCursors::Move)
        << u"<!DOCTYPE r><!--top--><r><a><a1>t</a1></a><b/><!--n--><?p d?></r>"_s;
    QTest::newRow("instruction") << Sample << u"p d"_s << u"b"_s << QString()
                                 << int(DragCursors::NoDrop) << QString();
    QTest::newRow("document type") << Sample << u"<!DOCTYPE r>"_s << u"b"_s << u"held"_s
                                   << int(DragCursors::NoDrop) << QString();
    // The prefix is declared by the element the branch would leave.
    QTest::newRow("refused move") << u"<r><x:a xmlns:x=\"u\"><x:b/></x:a><c/></r>"_s << u"x:b"_s
                                  << u"c"_s << QString() << int(DragCursors::Move) << QString();
}

void TreeDragTest::drag()
{
    QFETCH(QString, xml);
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(QString, keys);
    QFETCH(int, cursor);
    QFETCH(QString, expected);
    Open(xml);
    const QModelIndex from = Item(source);
    const QPersistentModelIndex to = Item(target);
    QVERIFY(from.isValid() && to.isValid());
    const QString before = Markup();
    const DomNode node = view->NodeOf(from);
    view->SelectItem(from);
    view->setFocus();
    const int refreshes = spy.refreshes;

    const Qt::KeyboardModifiers atPress
        = keys == u"held" || keys == u"released" ? Qt::ControlModifier : Qt::NoModifier;
    const Qt::KeyboardModifiers atRelease
        = keys == u"held" || keys == u"pressed" ? Qt::ControlModifier : Qt::NoModifier;
    if (atPress)
        QTest::keyPress(view, Qt::Key_Control);
    QTest::mousePress(view->viewport(), Qt::LeftButton, atPress, view->LabelRect(from).center());
    // Away from the press far enough to start the drag, then onto the target.
    const QPoint away(QApplication::startDragDistance() + 1, 0);
    MouseMove(view->LabelRect(from).center() + away, atPress);
    MouseMove(view->LabelRect(to).center(), atPress);
    QVERIFY(view->Dragging());
    if (keys == u"pressed") {
        QTest::keyPress(view, Qt::Key_Control);
    } else if (keys == u"released") {
        QCOMPARE(CursorShown(), int(DragCursors::Copy));
        QTest::keyRelease(view, Qt::Key_Control);
    } else if (keys == u"escape") {
        QTest::keyClick(view, Qt::Key_Escape);
        MouseMove(view->LabelRect(to).center(), atRelease);
        QVERIFY(!view->Dragging());
    }
    QCOMPARE(CursorShown(), cursor);
    const bool highlighted = cursor == DragCursors::Move || cursor == DragCursors::Copy;
    QCOMPARE(view->DropHighlight(), highlighted ? QModelIndex(to) : QModelIndex());
    if (highlighted) {
        // The target is drawn as the one highlighted row.
        const QImage picture = view->viewport()->grab().toImage();
        const QRgb highlight = view->palette().color(QPalette::Highlight).rgb();
        QCOMPARE(picture.pixel(view->LabelRect(to).topRight()), highlight);
        QVERIFY(picture.pixel(view->LabelRect(from).topRight()) != highlight);
    }
    const bool refused = xml != Sample;
    if (refused)
        prompts.AnswerMessage(Prompts::Button::Ok);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, atRelease, view->LabelRect(to).center());
    if (atRelease)
        QTest::keyRelease(view, Qt::Key_Control);

    QVERIFY(!view->Dragging());
    QCOMPARE(CursorShown(), -1);
    QCOMPARE(Markup(), expected.isEmpty() ? before : expected);
    QCOMPARE(doc->IsModified(), !expected.isEmpty());
    if (refused)
        QCOMPARE(prompts.Calls().back().text, u"Failed to move XML element!"_s);
    // The dragged item stays selected; the panes show the change once.
    QCOMPARE(view->NodeOf(view->SelectedItem()), node);
    QCOMPARE(doc->SelectedNode, node);
    QCOMPARE(spy.refreshes - refreshes, expected.isEmpty() ? 0 : 1);
    if (!expected.isEmpty()) {
        const QModelIndex arrived
            = view->GetModel()->index(view->GetModel()->rowCount(to) - 1, 0, to);
        QVERIFY(!view->isExpanded(arrived));
    }
    CheckTree();
}

void TreeDragTest::clipboard_data()
{
    // Steps: "select X", "copy", "cut", "paste" (the handlers, as a key would run them whatever
    // the menu shows), "remove X" (the node and its item), "open" (the sample again), and
    // "paste?" / "copy?", which give "on" or "off" as the command's state.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("states");
    QTest::addColumn<QString>("expected");

    const QString head = u"<!DOCTYPE r><!--top--><r><a><a1/></a>"_s;
    QTest::newRow("Copy, then Paste twice")
        << u"select a;copy;select b;paste?;paste;paste;paste?"_s << u"on on"_s
        << head + u"<b><a><a1/></a><a><a1/></a></b>t<!--n--><?p d?></r>"_s;
    QTest::newRow("Cut, then Paste moves once")
        << u"select a1;cut;select b;paste?;paste;paste?"_s << u"on off"_s
        << u"<!DOCTYPE r><!--top--><r><a/><b><a1/></b>t<!--n--><?p d?></r>"_s;
    QTest::newRow("Cut, then Paste on an invalid target")
        << u"select a;cut;select t;paste?;paste;select b;paste?"_s << u"off off"_s << QString();
    QTest::newRow("Copy replaces Cut")
        << u"select a1;cut;select b;copy;select a;paste"_s << QString()
        << u"<!DOCTYPE r><!--top--><r><a><a1/><b/></a><b/>t<!--n--><?p d?></r>"_s;
    QTest::newRow("a comment pasted under the document")
        << u"select n;copy;select Document;paste"_s << QString()
        << head + u"<b/>t<!--n--><?p d?></r><!--n-->"_s;
    QTest::newRow("marks cleared when an ancestor is removed")
        << u"select a1;copy;remove a;select b;paste?;select b;cut;remove r;paste?"_s << u"off off"_s
        << u"<!DOCTYPE r><!--top-->"_s;
    QTest::newRow("marks cleared by a new document")
        << u"select a1;cut;open;select b;paste?"_s << u"off"_s << QString();
    QTest::newRow("the document and a document type are not marked")
        << u"select Document;copy?;select <!DOCTYPE r>;copy?"_s << u"off off"_s << QString();
}

void TreeDragTest::clipboard()
{
    QFETCH(QString, steps);
    QFETCH(QString, states);
    QFETCH(QString, expected);
    Open(Sample);
    const QString before = Markup();
    QStringList shown;
    for (const QString& step : steps.split(u';')) {
        const QString argument = step.section(u' ', 1);
        const QModelIndex item = Item(argument);
        if (step.startsWith(u"select")) {
            QVERIFY2(item.isValid(), qPrintable(step));
            view->SelectItem(item);
        } else if (step.startsWith(u"remove")) {
            DomNode node = view->NodeOf(item);
            QVERIFY(Succeeded(node.parentNode().removeChild(node)));
            view->RemoveItem(item);
        } else if (step == u"open") {
            Open(Sample);
        } else if (step.endsWith(u'?')) {
            const int id = step == u"copy?" ? ID_EDIT_COPY : ID_EDIT_PASTE;
            CommandState state;
            QVERIFY(view->OnUpdateCommand(id, state));
            shown << (state.enabled ? u"on"_s : u"off"_s);
        } else {
            const int id = step == u"copy" ? ID_EDIT_COPY
                : step == u"cut"           ? ID_EDIT_CUT
                                           : ID_EDIT_PASTE;
            QVERIFY(view->OnCommand(id));
        }
    }
    QCOMPARE(shown.join(u' '), states);
    QCOMPARE(Markup(), expected.isEmpty() ? before : expected);
    CheckTree();
}

// Near the bottom edge the tree scrolls, so a target below the rows in view can be reached.
void TreeDragTest::dragScrollsAtTheEdge()
{
    QString xml = u"<r>"_s;
    for (int i = 0; i < 50; ++i)
        xml += u"<e%1/>"_s.arg(i);
    Open(xml + u"</r>"_s);
    const QModelIndex first = Item(u"e0"_s);
    view->SelectItem(first);
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, view->LabelRect(first).center());
    const QPoint edge(view->LabelRect(first).center().x(), view->viewport()->height() - 2);
    MouseMove(edge, Qt::NoModifier);
    QTRY_VERIFY(view->indexAt(edge) == Item(u"e49"_s));
    QCOMPARE(view->DropHighlight(), Item(u"e49"_s));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, edge);
    QCOMPARE(view->NodeOf(first).parentNode().nodeName(), u"e49"_s);
    CheckTree();
}

QTEST_MAIN(TreeDragTest)
#include "tst_treedrag.moc"
