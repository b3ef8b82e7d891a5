#include "DragCursors.h"
#include "FrameworkIds.h"
#include "ScriptedPrompts.h"
#include "TreeTestSupport.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <QMouseEvent>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
const QString Sample = u"<!DOCTYPE r><r><a><a1/></a><b/><!--n--><?p d?></r>"_s;

class SpyView : public View {
public:
    int refreshes = 0;
    void OnUpdate(View*, long hint) override { refreshes += hint == TrelvoDoc::HintRefresh; }
};
}

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
    void Open(const QString& xml)
    {
        doc->ReleaseDom();
        doc->dom = LoadXml(xml);
        doc->SendInitialUpdate();
    }
    QModelIndex Item(const QString& label) const { return FindItem(*view->GetModel(), label); }
    QString Markup() const
    {
        QString markup;
        for (DomNode node = doc->dom.documentNode().firstChild(); node; node = node.nextSibling())
            markup += node.xml();
        return markup;
    }
    // The DragCursors kind the tree shows, -1 for any other cursor.
    int CursorShown() const
    {
        const QCursor shown = view->viewport()->cursor();
        for (int kind : { DragCursors::Move, DragCursors::NoDrop, DragCursors::Copy }) {
            const QCursor drawn = DragCursors::Draw(DragCursors::Kind(kind));
            if (shown.hotSpot() == drawn.hotSpot()
                && shown.pixmap().toImage() == drawn.pixmap().toImage())
                return kind;
        }
        return -1;
    }
    void MouseMove(const QPoint& to, Qt::KeyboardModifiers modifiers)
    {
        QMouseEvent move(QEvent::MouseMove, to, view->viewport()->mapToGlobal(to), Qt::NoButton,
            Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(view->viewport(), &move);
    }

    ScriptedPrompts prompts;
    std::unique_ptr<TrelvoDoc> doc;
    std::unique_ptr<TrelvoView> view;
    SpyView spy;
};

void TreeDragTest::init()
{
    Prompts::SetInstance(&prompts);
    spy.refreshes = 0;
    doc = std::make_unique<TrelvoDoc>();
    view = std::make_unique<TrelvoView>();
    view->SetSettingsSource([] { return TreeSettings { true, 0 }; });
    doc->AddView(view.get());
    doc->AddView(&spy);
    view->resize(300, 400);
    view->show();
    QVERIFY(QTest::qWaitForWindowActive(view.get()));
}

void TreeDragTest::cleanup()
{
    QCOMPARE(prompts.UnansweredCount(), 0);
    prompts.Clear();
    view.reset();
    doc.reset();
    Prompts::SetInstance(nullptr);
}

void TreeDragTest::drag_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    // Ctrl "held" from before the press to the release, or "pressed" or "released" once the drag
    // is under way; "escape" presses Escape before the release.
    QTest::addColumn<QString>("keys");
    // The cursor before the release; the target is highlighted unless it is NoDrop or -1.
    QTest::addColumn<int>("cursor");
    // The document after the drop; empty: unchanged.
    QTest::addColumn<QString>("expected");
    const auto row
        = [](const char* name, const QString& source, const QString& target, const QString& keys,
              int cursor, const QString& expected, const QString& xml = Sample) {
              QTest::newRow(name) << xml << source << target << keys << cursor << expected;
          };
    const QString moved = u"<!DOCTYPE r><r><b><a><a1/></a></b><!--n--><?p d?></r>"_s;
    const QString copied = u"<!DOCTYPE r><r><a><a1/></a><b><a><a1/></a></b><!--n--><?p d?></r>"_s;
    row("move", u"a"_s, u"b"_s, {}, DragCursors::Move, moved);
    row("Ctrl held before the drag copies", u"a"_s, u"b"_s, u"held"_s, DragCursors::Copy, copied);
    row("Ctrl pressed during it copies", u"a"_s, u"b"_s, u"pressed"_s, DragCursors::Copy, copied);
    row("Ctrl released during it moves", u"a"_s, u"b"_s, u"released"_s, DragCursors::Move, moved);
    row("Escape cancels", u"a"_s, u"b"_s, u"escape"_s, -1, {});
    row("onto itself", u"a"_s, u"a"_s, u"held"_s, DragCursors::NoDrop, {});
    row("onto its child", u"a"_s, u"a1"_s, u"held"_s, DragCursors::NoDrop, {});
    row("onto its parent", u"a"_s, u"r"_s, {}, DragCursors::NoDrop, {});
    row("onto its parent with Ctrl", u"a1"_s, u"a"_s, u"held"_s, DragCursors::Copy,
        u"<!DOCTYPE r><r><a><a1/><a1/></a><b/><!--n--><?p d?></r>"_s);
    row("comment onto the document", u"n"_s, u"Document"_s, {}, DragCursors::Move,
        u"<!DOCTYPE r><r><a><a1/></a><b/><?p d?></r><!--n-->"_s);
    row("element onto the document", u"b"_s, u"Document"_s, u"held"_s, DragCursors::NoDrop, {});
    row("instruction", u"p d"_s, u"b"_s, {}, DragCursors::NoDrop, {});
    row("document type", u"<!DOCTYPE r>"_s, u"b"_s, u"held"_s, DragCursors::NoDrop, {});
    // The DOM refuses: the prefix is declared by the element the branch would leave.
    row("refused move", u"x:b"_s, u"c"_s, {}, DragCursors::Move, {},
        u"<r><x:a xmlns:x=\"u\"><x:b/></x:a><c/></r>"_s);
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
    const QString before = Markup();
    const DomNode node = view->NodeOf(from);
    view->SelectItem(from);
    const int refreshes = spy.refreshes;

    const auto ctrl = [&](bool down) { return down ? Qt::ControlModifier : Qt::NoModifier; };
    const Qt::KeyboardModifiers atPress = ctrl(keys == u"held" || keys == u"released");
    const Qt::KeyboardModifiers atRelease = ctrl(keys == u"held" || keys == u"pressed");
    if (atPress)
        QTest::keyPress(view.get(), Qt::Key_Control);
    const QPoint start = view->LabelRect(from).center();
    QTest::mousePress(view->viewport(), Qt::LeftButton, atPress, start);
    // Far enough to start the drag, then onto the target.
    MouseMove(start + QPoint(QApplication::startDragDistance() + 1, 0), atPress);
    MouseMove(view->LabelRect(to).center(), atPress);
    QVERIFY(view->Dragging());
    if (keys == u"pressed") {
        QTest::keyPress(view.get(), Qt::Key_Control);
    } else if (keys == u"released") {
        QCOMPARE(CursorShown(), int(DragCursors::Copy));
        QTest::keyRelease(view.get(), Qt::Key_Control);
    } else if (keys == u"escape") {
        QTest::keyClick(view.get(), Qt::Key_Escape);
    }
    QCOMPARE(CursorShown(), cursor);
    const bool highlighted = cursor == DragCursors::Move || cursor == DragCursors::Copy;
    QCOMPARE(view->DropHighlight(), highlighted ? QModelIndex(to) : QModelIndex());
    // The target is drawn as the one highlighted row.
    const QImage picture = view->viewport()->grab().toImage();
    // Inside the focus frame; the style shades the highlight, which is far darker than the base.
    const auto highlit = [&](const QModelIndex& item) {
        return qRed(picture.pixel(view->LabelRect(item).topRight() + QPoint(-3, 3))) < 128;
    };
    QCOMPARE(highlit(to), highlighted || to == from);
    QCOMPARE(highlit(from), !highlighted);
    const bool refused = xml != Sample;
    if (refused)
        prompts.AnswerMessage(Prompts::Button::Ok);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, atRelease, view->LabelRect(to).center());

    QVERIFY(!view->Dragging());
    QCOMPARE(CursorShown(), -1);
    QCOMPARE(Markup(), expected.isEmpty() ? before : expected);
    QCOMPARE(doc->IsModified(), !expected.isEmpty());
    QCOMPARE(prompts.Calls().size(), std::size_t(refused));
    if (refused)
        QCOMPARE(prompts.Calls().back().text, u"Failed to move XML element!"_s);
    // The dragged item stays selected, the branch that arrived is collapsed, and the panes show
    // the change once.
    QCOMPARE(view->NodeOf(view->SelectedItem()), node);
    QCOMPARE(spy.refreshes - refreshes, expected.isEmpty() ? 0 : 1);
    if (!expected.isEmpty())
        QVERIFY(
            !view->isExpanded(view->GetModel()->index(view->GetModel()->rowCount(to) - 1, 0, to)));
    const QString difference = TreeDomDifference(*view->GetModel(), doc->dom);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TreeDragTest::clipboard_data()
{
    // Steps: "select X", "copy", "cut", "paste" (the handlers, run as a key would run them
    // whatever the menu shows), "remove X" (the node and its item);
    // "paste?" and "copy?" note the command's state, "on" or "off".
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("states");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Copy, then Paste twice")
        << u"select a;copy;select b;paste?;paste;paste;paste?"_s << u"on on"_s
        << u"<!DOCTYPE r><r><a><a1/></a><b><a><a1/></a><a><a1/></a></b><!--n--><?p d?></r>"_s;
    QTest::newRow("Cut, then Paste moves once")
        << u"select a1;cut;select b;paste?;paste;paste?"_s << u"on off"_s
        << u"<!DOCTYPE r><r><a/><b><a1/></b><!--n--><?p d?></r>"_s;
    QTest::newRow("Cut, then Paste on an invalid target")
        << u"select a;cut;select n;paste?;paste;select b;paste?"_s << u"off off"_s << QString();
    QTest::newRow("Copy replaces Cut")
        << u"select a1;cut;select b;copy;select a;paste"_s << QString()
        << u"<!DOCTYPE r><r><a><a1/><b/></a><b/><!--n--><?p d?></r>"_s;
    QTest::newRow("marks cleared when an ancestor is removed")
        << u"select a1;copy;remove a;select b;paste?;cut;remove r;paste?"_s << u"off off"_s
        << u"<!DOCTYPE r>"_s;
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
        const QModelIndex item = Item(step.section(u' ', 1));
        if (step.startsWith(u"select")) {
            view->SelectItem(item);
        } else if (step.startsWith(u"remove")) {
            DomNode node = view->NodeOf(item);
            QVERIFY(Succeeded(node.parentNode().removeChild(node)));
            view->RemoveItem(item);
        } else {
            const int id = step.startsWith(u"copy") ? ID_EDIT_COPY
                : step.startsWith(u"cut")           ? ID_EDIT_CUT
                                                    : ID_EDIT_PASTE;
            CommandState state;
            QVERIFY(step.endsWith(u'?') ? view->OnUpdateCommand(id, state) : view->OnCommand(id));
            if (step.endsWith(u'?'))
                shown << (state.enabled ? u"on"_s : u"off"_s);
        }
    }
    QCOMPARE(shown.join(u' '), states);
    QCOMPARE(Markup(), expected.isEmpty() ? before : expected);
    const QString difference = TreeDomDifference(*view->GetModel(), doc->dom);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

// Near the bottom edge the tree scrolls, so a target below the rows in view can be reached.
void TreeDragTest::dragScrollsAtTheEdge()
{
    QString xml = u"<r>"_s;
    for (int i = 0; i < 40; ++i)
        xml += u"<e%1/>"_s.arg(i);
    Open(xml + u"</r>"_s);
    const QModelIndex first = Item(u"e0"_s);
    view->SelectItem(first);
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, view->LabelRect(first).center());
    const QPoint edge(view->LabelRect(first).center().x(), view->viewport()->height() - 2);
    MouseMove(edge, Qt::NoModifier);
    QTRY_COMPARE(view->DropHighlight(), Item(u"e39"_s));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, edge);
    QCOMPARE(view->NodeOf(first).parentNode().nodeName(), u"e39"_s);
}

QTEST_MAIN(TreeDragTest)
#include "tst_treedrag.moc"
