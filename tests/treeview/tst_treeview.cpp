#include "DragCursors.h"
#include "FrameWindow.h"
#include "FrameworkIds.h"
#include "RandomEdits.h"
#include "ScriptedPrompts.h"
#include "TreeCommands.h"
#include "TreeTestSupport.h"
#include "TreeViewIds.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <QClipboard>
#include <QDialog>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString Sample = u"<?xml version='1.0'?><!--note--><r><a x='1'><a1/><a2/></a>text<b y='a "
                       u"value wider than any label'/>"
                       "<c><c1/></c></r>"_s;
const QString DragSample = u"<!DOCTYPE r><r><a><a1/></a><b/><!--n--><?p d?></r>"_s;

// A frame whose table holds the tree's commands, each with a handler that records it, so that
// only the node rules gray the context menu.
class TestFrame : public FrameWindow {
public:
    TestFrame()
        : FrameWindow(TreeCommands::Table())
    {
        AddStatusPane(u"Load time: 0 secs"_s, 120);
        for (const CommandInfo& command : TreeCommands::Commands()) {
            if (command.id != ID_ACTIONS_EXPAND_ALL && command.id != ID_ACTIONS_COLLAPSE_ALL)
                AddCommand(command.id, [this, id = command.id] { routed << id; });
        }
    }
    QList<int> routed;
};

// A second view of the document that records what it is told.
class SpyView : public View {
public:
    std::function<void(long)> onUpdate;
    int refreshes = 0;
    void OnUpdate(View*, long hint) override
    {
        refreshes += hint == TrelvoDoc::HintRefresh;
        if (onUpdate)
            onUpdate(hint);
    }
};

QStringList MenuTexts(const QMenu& menu, bool enabledOnly)
{
    QStringList texts;
    for (QAction* action : menu.actions()) {
        if (QMenu* submenu = action->menu())
            texts << MenuTexts(*submenu, enabledOnly);
        else if (!action->isSeparator() && (!enabledOnly || action->isEnabled()))
            texts << action->text();
    }
    return texts;
}

// The rows the view shows, indented by depth, read from its own list of laid-out rows.
QStringList ShownRows(const TrelvoView& view)
{
    QStringList rows;
    for (QModelIndex row = view.GetModel()->index(0, 0); row.isValid();
         row = view.indexBelow(row)) {
        int depth = 0;
        for (QModelIndex up = row.parent(); up.isValid(); up = up.parent())
            ++depth;
        rows << QString(depth * 2, u' ') + row.data(TreeModel::LabelRole).toString();
    }
    return rows;
}

// The rows the model's items below parent make with the expanded ones open, and the expanded
// items, shown or not.
void ExpectedRows(const TrelvoView& view, const QModelIndex& parent, QStringList& rows,
    QStringList& expanded, int depth = 0, bool shown = true)
{
    const TreeModel& model = *view.GetModel();
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex item = model.index(row, 0, parent);
        const QString label = item.data(TreeModel::LabelRole).toString();
        if (shown)
            rows << QString(depth * 2, u' ') + label;
        if (view.isExpanded(item))
            expanded << label;
        ExpectedRows(view, item, rows, expanded, depth + 1, shown && view.isExpanded(item));
    }
}

} // namespace

class TreeViewTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void initialUpdate_data();
    void initialUpdate();
    void clearingHintEmptiesTreeFirst();
    void selectedNodeFollowsSelection_data();
    void selectedNodeFollowsSelection();
    void focusAloneSelectsNothing();
    void copyKeyLeavesClipboardAlone();
    void connectingLines_data();
    void connectingLines();
    void modeChangeRelabelsEveryElement();
    void contextMenu_data();
    void contextMenu();
    void keyboardMenuAtLabel();
    void ctrlKeyTracksDragCopy();
    void expandAndCollapseAll();
    void columnFollowsExpansion();
    void columnFollowsScrolling();
    void drag_data();
    void drag();
    void clipboard_data();
    void clipboard();
    void systemClipboard_data();
    void systemClipboard();
    void dragScrollsAtTheEdge();
    void findGoesOnWithF3();
    void rowsFollowEdits_data();
    void rowsFollowEdits();

private:
    void Open(const QString& xml);
    QModelIndex Item(const QString& label) const { return FindItem(*view->GetModel(), label); }
    // The name of the document's selected node, "-" for none.
    QString SelectedLabel() const
    {
        return doc->SelectedNode ? doc->SelectedNode.nodeName() : u"-"_s;
    }

    // The DragCursors kind the tree shows, -1 for any other cursor.
    int CursorShown() const
    {
        const QCursor shown = view->viewport()->cursor();
        for (int kind : { DragCursors::Move, DragCursors::NoDrop, DragCursors::Copy }) {
            const QCursor drawn = DragCursors::Draw(DragCursors::Kind(kind), DragCursors::Scale());
            if (shown.hotSpot() == drawn.hotSpot()
                && shown.pixmap().toImage() == drawn.pixmap().toImage())
                return kind;
        }
        return -1;
    }

    ScriptedPrompts prompts;
    UserSettings settings;
    std::unique_ptr<TrelvoDoc> doc;
    std::unique_ptr<TestFrame> frame;
    TrelvoView* view = nullptr;
    SpyView spy;
};

void TreeViewTest::init()
{
    Prompts::SetInstance(&prompts);
    settings = UserSettings();
    spy.onUpdate = nullptr;
    spy.refreshes = 0;
    doc = std::make_unique<TrelvoDoc>();
    frame = std::make_unique<TestFrame>();
    view = new TrelvoView(frame.get());
    view->SetSettings(&settings);
    frame->setCentralWidget(view);
    frame->SetActiveView(view);
    doc->AddView(view);
    doc->AddView(&spy);
    frame->resize(400, 600);
    frame->show();
    QGuiApplication::clipboard()->clear();
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
}

void TreeViewTest::cleanup()
{
    QCOMPARE(prompts.UnansweredCount(), 0);
    QCOMPARE(prompts.PendingAnswers(), 0);
    prompts.Clear();
    frame.reset();
    doc.reset();
    Prompts::SetInstance(nullptr);
}

void TreeViewTest::Open(const QString& xml)
{
    doc->ReleaseDom();
    doc->dom = LoadXml(xml);
    doc->LoadTime = 1500;
    doc->SendInitialUpdate();
}

void TreeViewTest::initialUpdate_data()
{
    QTest::addColumn<bool>("expandOnLoad");
    QTest::newRow("collapsed") << false;
    QTest::newRow("expand on load") << true;
}

void TreeViewTest::initialUpdate()
{
    QFETCH(bool, expandOnLoad);
    settings.ExpandOnLoad = expandOnLoad;
    Open(Sample);
    const QModelIndex document = view->GetModel()->index(0, 0);
    QCOMPARE(view->GetModel()->rowCount(), 1);
    QCOMPARE(view->isExpanded(document), expandOnLoad);
    QCOMPARE(view->isExpanded(Item(u"a"_s)), expandOnLoad);
    QCOMPARE(view->SelectedItem(), expandOnLoad ? document : QModelIndex());
    QCOMPARE(SelectedLabel(), expandOnLoad ? u"#document"_s : u"-"_s);
    QCOMPARE(view->indexAt(QPoint(1, 1)), document);
    // The document's load time is part of the figure.
    const QString text = frame->GetPaneText(TrelvoView::LoadTimePane);
    QVERIFY2(QRegularExpression(u"^Load time: 1\\.5\\d secs$"_s).match(text).hasMatch(),
        qPrintable(text));
}

void TreeViewTest::clearingHintEmptiesTreeFirst()
{
    Open(Sample);
    view->SelectItem(Item(u"a1"_s));
    const DomNode kept = view->NodeOf(Item(u"a2"_s));
    int itemsWhenCleared = -1;
    bool domWhenCleared = false;
    spy.onUpdate = [&](long hint) {
        if (hint == TrelvoDoc::HintClear) {
            itemsWhenCleared = view->GetModel()->ItemCount();
            domWhenCleared = !doc->dom.isNull();
        }
    };
    QVERIFY(doc->OnNewDocument());
    QCOMPARE(itemsWhenCleared, 0);
    QVERIFY(domWhenCleared);
    QVERIFY(doc->SelectedNode.isNull());
    QCOMPARE(kept.nodeName(), u"a2"_s);
    doc->SendInitialUpdate();
    QCOMPARE(Outline(*view->GetModel()), QStringList { u"Document"_s });
}

void TreeViewTest::selectedNodeFollowsSelection_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("expected");

    QTest::newRow("click") << u"a"_s << u"click c"_s << u"c"_s;
    QTest::newRow("Ctrl+click keeps it selected") << u"c"_s << u"ctrl-click c"_s << u"c"_s;
    QTest::newRow("key down") << u"a2"_s << u"key-down"_s << u"#text"_s;
    QTest::newRow("removing selects the next sibling") << u"b"_s << u"remove b"_s << u"c"_s;
    QTest::newRow("else the previous one") << u"c"_s << u"remove c"_s << u"b"_s;
    QTest::newRow("else the parent") << u"c1"_s << u"remove c1"_s << u"c"_s;
    QTest::newRow("removing an ancestor") << u"a2"_s << u"remove a"_s << u"#text"_s;
    QTest::newRow("moving keeps it") << u"a1"_s << u"move a1"_s << u"a1"_s;
    QTest::newRow("click right of the label") << u"a"_s << u"click-beside c"_s << u"c"_s;
    QTest::newRow("middle click does nothing") << u"a"_s << u"middle-click c"_s << u"a"_s;
    QTest::newRow("dragging over rows keeps it") << u"a"_s << u"drag a2"_s << u"a"_s;
    QTest::newRow("Backspace goes to the parent") << u"a2"_s << u"backspace"_s << u"a"_s;
}

void TreeViewTest::selectedNodeFollowsSelection()
{
    QFETCH(QString, selected);
    QFETCH(QString, action);
    QFETCH(QString, expected);
    settings.ExpandOnLoad = true;
    Open(Sample);
    view->SelectItem(Item(selected));
    QCOMPARE(SelectedLabel(), selected);
    const int refreshes = spy.refreshes;

    const QStringList words = action.split(u' ');
    if (words[0] == u"click" || words[0] == u"ctrl-click") {
        const auto modifiers = words[0] == u"ctrl-click" ? Qt::ControlModifier : Qt::NoModifier;
        QTest::mouseClick(
            view->viewport(), Qt::LeftButton, modifiers, view->LabelRect(Item(words[1])).center());
    } else if (words[0] == u"click-beside") {
        const QPoint beside(
            view->viewport()->width() - 3, view->LabelRect(Item(words[1])).center().y());
        QVERIFY(beside.x() > view->columnWidth(0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, beside);
    } else if (words[0] == u"middle-click") {
        QTest::mouseClick(
            view->viewport(), Qt::MiddleButton, {}, view->LabelRect(Item(words[1])).center());
    } else if (words[0] == u"drag") {
        const QPoint from = view->LabelRect(Item(selected)).center();
        const QPoint to = view->LabelRect(Item(words[1])).center();
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, from);
        MouseMove(*view, to, Qt::NoModifier);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, to);
    } else if (words[0] == u"backspace") {
        QTest::keyClick(view, Qt::Key_Backspace);
    } else if (words[0] == u"key-down") {
        QTest::keyClick(view, Qt::Key_Down);
    } else if (words[0] == u"remove") {
        view->RemoveItem(Item(words[1]));
    } else {
        QVERIFY(
            view->GetModel()->MoveItem(Item(words[1]), Item(u"r"_s), TreeModel::Position::Last()));
    }
    QCOMPARE(SelectedLabel(), expected);
    QCOMPARE(view->NodeOf(view->SelectedItem()), doc->SelectedNode);
    // Each change of the selection updates the views once; keeping it updates nothing.
    QCOMPARE(spy.refreshes - refreshes, expected == selected ? 0 : 1);
}

// When the tree gets the focus with nothing selected, an item becomes current without being
// selected; the panes show nothing until an item is selected.
void TreeViewTest::focusAloneSelectsNothing()
{
    Open(Sample);
    view->clearFocus();
    QVERIFY(!view->SelectedItem().isValid());
    const int refreshes = spy.refreshes;
    view->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(view->hasFocus());
    QVERIFY(view->currentIndex().isValid());
    QVERIFY(doc->SelectedNode.isNull());
    QCOMPARE(spy.refreshes, refreshes);

    // Clicking the current item selects it and tells the document.
    const QModelIndex current = view->currentIndex();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->LabelRect(current).center());
    QCOMPARE(view->SelectedItem(), current);
    QCOMPARE(doc->SelectedNode, view->NodeOf(current));
    QCOMPARE(spy.refreshes, refreshes + 1);
}

// Copying is the frame's command; the item view must not put the label on the clipboard.
void TreeViewTest::copyKeyLeavesClipboardAlone()
{
    settings.ExpandOnLoad = true;
    Open(Sample);
    view->SelectItem(Item(u"a"_s));
    QGuiApplication::clipboard()->setText(u"kept"_s);
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, u"\x03"_s);
    QCoreApplication::sendEvent(view, &copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"kept"_s);
}

void TreeViewTest::connectingLines_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("below");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("down to the next sibling") << u"a"_s << true << true;
    QTest::newRow("not below the last child") << u"b"_s << true << false;
    QTest::newRow("up from the last child") << u"b"_s << false << true;
    QTest::newRow("not below an only child") << u"a1"_s << true << false;
    QTest::newRow("not above the root item") << u"#document"_s << false << false;
}

// Dotted lines join the items in the branch area, as in a tree control.
void TreeViewTest::connectingLines()
{
    QFETCH(QString, item);
    QFETCH(bool, below);
    QFETCH(bool, drawn);
    settings.ExpandOnLoad = true;
    Open(u"<r><a><a1/></a><b/></r>"_s);
    const QModelIndex index = item == u"#document"_s ? view->GetModel()->index(0, 0) : Item(item);
    QVERIFY(index.isValid());
    view->clearSelection();
    const QImage picture = view->viewport()->grab().toImage();
    const QRect row = view->visualRect(index);
    const int x = row.left() - view->indentation() / 2;
    const int middle = row.top() + row.height() / 2;
    const QRgb background = view->palette().color(QPalette::Base).rgb();
    int marks = 0;
    const int from = below ? middle + 6 : row.top();
    const int to = below ? row.bottom() : middle - 6;
    for (int y = from; y <= to; ++y) {
        for (int dx = -1; dx <= 1; ++dx)
            marks += picture.pixel(x + dx, y) != background;
    }
    QCOMPARE(marks > 0, drawn);
}

void TreeViewTest::modeChangeRelabelsEveryElement()
{
    settings.ExpandOnLoad = true;
    Open(Sample);
    view->SelectItem(Item(u"a1"_s));
    const int narrow = view->columnWidth(0);
    settings.ShowAttributesInTree = 2;
    doc->UpdateAllViews(nullptr, TrelvoDoc::HintRefresh);
    QVERIFY(Item(u"a x=\"1\""_s).isValid());
    QVERIFY(Item(u"b y=\"a value wider than any label\""_s).isValid());
    QVERIFY(view->columnWidth(0) > narrow);
    settings.ShowAttributesInTree = 1;
    doc->UpdateAllViews(nullptr, TrelvoDoc::HintRefresh);
    QVERIFY(Item(u"a \"1\""_s).isValid());
    QVERIFY(Item(u"b \"a value wider than any label\""_s).isValid());
}

void TreeViewTest::contextMenu_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("enabled");
    // What the first enabled command asks: a dialog, or else a question.
    QTest::addColumn<bool>("dialog");

    QTest::newRow("document offers no root element")
        << u"Document"_s
        << QStringList { u"Processing Instruction"_s, u"Comment"_s, u"Copy Pat&h\tCtrl+Shift+C"_s }
        << true;
    QTest::newRow("root element stays in place")
        << u"r"_s
        << QStringList { u"Child Element\tIns"_s, u"Text\tCtrl+I"_s, u"Attribute\tCtrl+Shift+I"_s,
               u"Comment"_s, u"CDATA Section"_s, u"&Delete\tCtrl+Del"_s, u"&Edit\tAlt+Enter"_s,
               u"Copy Pat&h\tCtrl+Shift+C"_s }
        << true;
    QTest::newRow("text") << u"text"_s
                          << QStringList { u"&Delete\tCtrl+Del"_s, u"&Edit\tAlt+Enter"_s,
                                 u"Move &Up\tCtrl+Up"_s, u"Move Dow&n\tCtrl+Down"_s,
                                 u"Copy Pat&h\tCtrl+Shift+C"_s }
                          << false;
}

void TreeViewTest::contextMenu()
{
    QFETCH(QString, item);
    QFETCH(QStringList, enabled);
    QFETCH(bool, dialog);
    settings.ExpandOnLoad = true;
    Open(Sample);
    view->SelectItem(Item(u"c"_s));
    QStringList shown;
    int chosen = 0;
    prompts.AnswerMenu([&](QMenu& menu) {
        shown = MenuTexts(menu, true);
        for (QAction* action : menu.findChildren<QAction*>()) {
            if (action->isEnabled() && action->text() == shown.constFirst())
                chosen = action->data().toInt();
        }
        return chosen;
    });
    if (dialog)
        prompts.AnswerDialog(QDialog::Rejected);
    else
        prompts.AnswerMessage(Prompts::Button::No);
    // The button's press selects the item, its release opens the menu for it.
    QTest::mouseClick(
        view->viewport(), Qt::RightButton, Qt::NoModifier, view->LabelRect(Item(item)).center());
    QCOMPARE(prompts.CallsOf(ScriptedPrompts::Kind::PopupMenu).size(), std::size_t(1));
    QCOMPARE(shown, enabled);
    QCOMPARE(view->NodeOf(view->SelectedItem()), doc->SelectedNode);
    QCOMPARE(view->SelectedItem(), Item(item));
    // The chosen command runs in the view, which handles the node commands itself.
    QVERIFY(chosen != 0);
    QCOMPARE(prompts.Calls().back().kind,
        dialog ? ScriptedPrompts::Kind::Dialog : ScriptedPrompts::Kind::MessageBox);
    QVERIFY(frame->routed.isEmpty());

    // Nothing selected, no menu.
    view->SelectItem(QModelIndex());
    view->ShowContextMenu(QPoint(1, 1));
    QCOMPARE(prompts.CallsOf(ScriptedPrompts::Kind::PopupMenu).size(), std::size_t(1));
}

void TreeViewTest::keyboardMenuAtLabel()
{
    settings.ExpandOnLoad = true;
    Open(Sample);
    view->SelectItem(Item(u"a2"_s));
    view->setFocus();
    const QRect label = view->LabelRect(Item(u"a2"_s));
    const QPoint expected = view->viewport()->mapToGlobal(QPoint(label.left(), label.bottom() + 1));
    prompts.AnswerMenu(0);
    QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
    // The menu key arrives as the platform's keyboard context-menu event.
    prompts.AnswerMenu(0);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
    QApplication::sendEvent(view, &menuKey);
    const auto calls = prompts.CallsOf(ScriptedPrompts::Kind::PopupMenu);
    QCOMPARE(calls.size(), std::size_t(2));
    QCOMPARE(calls[0].pos, expected);
    QCOMPARE(calls[1].pos, expected);
}

void TreeViewTest::ctrlKeyTracksDragCopy()
{
    Open(Sample);
    view->setFocus();
    QTest::keyPress(view, Qt::Key_Control);
    QVERIFY(view->DragCopy());
    QTest::keyRelease(view, Qt::Key_Control);
    QVERIFY(!view->DragCopy());
    QTest::keyPress(view, Qt::Key_Control);
    // Focus leaving cancels it: no key release will come.
    view->clearFocus();
    QVERIFY(!view->DragCopy());
}

void TreeViewTest::expandAndCollapseAll()
{
    Open(Sample);
    const QModelIndex document = view->GetModel()->index(0, 0);
    view->SelectItem(Item(u"c"_s));
    QVERIFY(frame->RouteCommand(ID_ACTIONS_EXPAND_ALL));
    QVERIFY(view->isExpanded(Item(u"a"_s)));
    QCOMPARE(view->SelectedItem(), document);
    QCOMPARE(SelectedLabel(), u"#document"_s);
    QCOMPARE(view->indexAt(QPoint(1, 1)), document);

    view->SelectItem(Item(u"a1"_s));
    QVERIFY(frame->RouteCommand(ID_ACTIONS_COLLAPSE_ALL));
    QVERIFY(!view->isExpanded(document));
    QVERIFY(!view->isExpanded(Item(u"a"_s)));
    QCOMPARE(SelectedLabel(), u"a1"_s);
    QVERIFY(view->updatesEnabled());
}

void TreeViewTest::columnFollowsExpansion()
{
    // One line per label, as wide as the labels in view: nothing is cut short.
    const QString name = u"long-element-name-that-is-wider-than-the-rest"_s;
    Open(u"<r><a><b><c><"_s + name + u"/></c></b></a></r>"_s);
    const int nameWidth = view->fontMetrics().horizontalAdvance(name);
    QVERIFY(view->columnWidth(0) < nameWidth);
    view->expandRecursively(view->GetModel()->index(0, 0));
    QApplication::processEvents();
    QVERIFY(view->columnWidth(0) > nameWidth + 4 * view->indentation());
    QVERIFY(frame->RouteCommand(ID_ACTIONS_COLLAPSE_ALL));
    QApplication::processEvents();
    QVERIFY(view->columnWidth(0) < nameWidth);
}

// A long label scrolled into view widens the column, so it is never cut short.
void TreeViewTest::columnFollowsScrolling()
{
    QString xml = u"<r>"_s;
    for (int i = 0; i < 80; ++i)
        xml += u"<a>%1</a>"_s.arg(i);
    const QString text = u"a rather long text label that must be seen whole when it is in view"_s;
    xml += u"<z>"_s + text + u"</z></r>"_s;
    settings.ExpandOnLoad = true;
    Open(xml);
    QApplication::processEvents();
    const int textWidth = view->fontMetrics().horizontalAdvance(text);
    QVERIFY(view->columnWidth(0) < textWidth);
    view->scrollToBottom();
    QTRY_VERIFY(view->columnWidth(0) > textWidth);
    // Scrolling back up keeps the width, so a label read sideways stays where it is.
    const int wide = view->columnWidth(0);
    view->scrollToTop();
    QApplication::processEvents();
    QCOMPARE(view->columnWidth(0), wide);
}

void TreeViewTest::drag_data()
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
              int cursor, const QString& expected, const QString& xml = DragSample) {
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

void TreeViewTest::drag()
{
    QFETCH(QString, xml);
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(QString, keys);
    QFETCH(int, cursor);
    QFETCH(QString, expected);
    settings.ExpandOnLoad = true;
    Open(xml);
    const QModelIndex from = Item(source);
    const QPersistentModelIndex to = Item(target);
    const QString before = Markup(doc->dom);
    const DomNode node = view->NodeOf(from);
    view->SelectItem(from);
    const int refreshes = spy.refreshes;

    const auto ctrl = [&](bool down) { return down ? Qt::ControlModifier : Qt::NoModifier; };
    const Qt::KeyboardModifiers atPress = ctrl(keys == u"held" || keys == u"released");
    const Qt::KeyboardModifiers atRelease = ctrl(keys == u"held" || keys == u"pressed");
    if (atPress)
        QTest::keyPress(view, Qt::Key_Control);
    const QPoint start = view->LabelRect(from).center();
    QTest::mousePress(view->viewport(), Qt::LeftButton, atPress, start);
    // Far enough to start the drag, then onto the target.
    MouseMove(*view, start + QPoint(QApplication::startDragDistance() + 1, 0), atPress);
    MouseMove(*view, view->LabelRect(to).center(), atPress);
    QVERIFY(view->Dragging());
    if (keys == u"pressed") {
        QTest::keyPress(view, Qt::Key_Control);
    } else if (keys == u"released") {
        QCOMPARE(CursorShown(), int(DragCursors::Copy));
        QTest::keyRelease(view, Qt::Key_Control);
    } else if (keys == u"escape") {
        QTest::keyClick(view, Qt::Key_Escape);
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
    const bool refused = xml != DragSample;
    if (refused)
        prompts.AnswerMessage(Prompts::Button::Ok);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, atRelease, view->LabelRect(to).center());

    QVERIFY(!view->Dragging());
    QCOMPARE(CursorShown(), -1);
    QCOMPARE(Markup(doc->dom), expected.isEmpty() ? before : expected);
    QCOMPARE(doc->IsModified(), !expected.isEmpty());
    if (refused)
        QCOMPARE(prompts.Calls().back().text, u"Failed to move XML element!"_s);
    // The dragged item stays selected, the branch that arrived is collapsed, and the panes show
    // the change once.
    QCOMPARE(view->NodeOf(view->SelectedItem()), node);
    QCOMPARE(spy.refreshes - refreshes, expected.isEmpty() ? 0 : 1);
    if (!expected.isEmpty())
        QVERIFY(
            !view->isExpanded(view->GetModel()->index(view->GetModel()->rowCount(to) - 1, 0, to)));
    const QString difference = TreeMismatch(*view->GetModel(), doc->dom);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TreeViewTest::clipboard_data()
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
    // Once the cut mark is used up, the branch's text on the clipboard pastes copies.
    QTest::newRow("Cut, then Paste moves once")
        << u"select a1;cut;select b;paste?;paste;paste?;paste"_s << u"on on"_s
        << u"<!DOCTYPE r><r><a/><b><a1/><a1/></b><!--n--><?p d?></r>"_s;
    QTest::newRow("Cut, then Paste on an invalid target")
        << u"select a;cut;select n;paste?;paste;select b;paste?"_s << u"off on"_s << QString();
    QTest::newRow("Copy replaces Cut")
        << u"select a1;cut;select b;copy;select a;paste"_s << QString()
        << u"<!DOCTYPE r><r><a><a1/><b/></a><b/><!--n--><?p d?></r>"_s;
    QTest::newRow("marks cleared when an ancestor is removed")
        << u"select a1;copy;remove a;select b;paste?;cut;remove r;paste?"_s << u"on off"_s
        << u"<!DOCTYPE r>"_s;
    QTest::newRow("the document and a document type are not marked")
        << u"select Document;copy?;select <!DOCTYPE r>;copy?"_s << u"off off"_s << QString();
}

void TreeViewTest::clipboard()
{
    QFETCH(QString, steps);
    QFETCH(QString, states);
    QFETCH(QString, expected);
    settings.ExpandOnLoad = true;
    Open(DragSample);
    const QString before = Markup(doc->dom);
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
    QCOMPARE(Markup(doc->dom), expected.isEmpty() ? before : expected);
    const QString difference = TreeMismatch(*view->GetModel(), doc->dom);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TreeViewTest::systemClipboard_data()
{
    // Steps: "select X", "copy", "paste", "delete X", "undo", "redo", "open" (the same text as a
    // new document), "outside TEXT" (another program puts TEXT on the clipboard), "drop X TEXT"
    // (another program drops TEXT on X). clip: the clipboard's text at the end, "-" for not
    // looked at; expected: the markup at the end, empty for unchanged; message: the start of the
    // message shown.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("clip");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("message");
    const QString r = u"<r xmlns=\"urn:d\" xmlns:p=\"urn:p\" xmlns:u=\"urn:u\">"_s;
    const QString a = u"<p:a xmlns:p=\"urn:p\" xmlns=\"urn:d\"><b>t</b></p:a>"_s;
    QTest::newRow("Copy declares the namespaces the branch needs")
        << u"select p:a;copy"_s << a << QString() << QString();
    QTest::newRow("text from another program, one step")
        << u"outside <x>1</x><!--n-->;select c;paste"_s << u"-"_s
        << r + u"<p:a><b>t</b></p:a><c><x>1</x><!--n--></c></r>"_s << QString();
    QTest::newRow("undone") << u"outside <x>1</x><!--n-->;select c;paste;undo"_s << u"-"_s
                            << QString() << QString();
    QTest::newRow("redone") << u"outside <x>1</x><!--n-->;select c;paste;undo;redo"_s << u"-"_s
                            << r + u"<p:a><b>t</b></p:a><c><x>1</x><!--n--></c></r>"_s << QString();
    QTest::newRow("another program's copy drops the mark")
        << u"select b;copy;outside <z/>;select c;paste"_s << u"<z/>"_s
        << r + u"<p:a><b>t</b></p:a><c><z/></c></r>"_s << QString();
    // Taken out of the tree, the branch declares what it uses where it uses it.
    const QString deleted = u"<p:a xmlns:p=\"urn:p\"><b xmlns=\"urn:d\">t</b></p:a>"_s;
    QTest::newRow("a deleted branch's text stays")
        << u"select p:a;copy;delete p:a;select c;paste"_s << deleted
        << r + u"<c>"_s + deleted + u"</c></r>"_s << QString();
    QTest::newRow("the text outlives its document")
        << u"select b;copy;open;select c;paste"_s << u"<b xmlns=\"urn:d\">t</b>"_s
        << r + u"<p:a><b>t</b></p:a><c><b xmlns=\"urn:d\">t</b></c></r>"_s << QString();
    QTest::newRow("not well-formed")
        << u"outside <a><b></a>;select c;paste"_s << u"-"_s << QString()
        << u"The clipboard does not hold well-formed XML.\n\nOpening and ending tag mismatch"_s;
    QTest::newRow("declaration") << u"outside <?xml version=\"1.0\"?><a/>;select c;paste"_s
                                 << u"-"_s << QString()
                                 << u"The clipboard does not hold well-formed XML.\n\nXML "_s;
    QTest::newRow("document type")
        << u"outside <!DOCTYPE a><a/>;select c;paste"_s << u"-"_s << QString()
        << u"The clipboard does not hold well-formed XML.\n\nA document type"_s;
    QTest::newRow("an element at the top of the document")
        << u"outside <a/>;select Document;paste"_s << u"-"_s << QString()
        << u"The clipboard's XML cannot be pasted here."_s;
    QTest::newRow("dropped by another program")
        << u"drop c <y/>"_s << u"-"_s << r + u"<p:a><b>t</b></p:a><c><y/></c></r>"_s << QString();
}

void TreeViewTest::systemClipboard()
{
    QFETCH(QString, steps);
    QFETCH(QString, clip);
    QFETCH(QString, expected);
    QFETCH(QString, message);
    const QString sample
        = u"<r xmlns=\"urn:d\" xmlns:p=\"urn:p\" xmlns:u=\"urn:u\"><p:a><b>t</b></p:a><c/></r>"_s;
    settings.ExpandOnLoad = true;
    Open(sample);
    if (!message.isEmpty())
        prompts.AnswerMessage(Prompts::Button::Ok);
    QClipboard& clipboard = *QGuiApplication::clipboard();
    for (const QString& step : steps.split(u';')) {
        const QString word = step.section(u' ', 0, 0);
        const QModelIndex item = Item(step.section(u' ', 1, 1));
        if (word == u"select") {
            view->SelectItem(item);
        } else if (word == u"copy" || word == u"paste") {
            QVERIFY(view->OnCommand(word == u"copy" ? ID_EDIT_COPY : ID_EDIT_PASTE));
        } else if (word == u"delete") {
            QVERIFY(view->Editor().DeleteItem(item));
        } else if (word == u"undo") {
            view->Editor().Undo();
        } else if (word == u"redo") {
            view->Editor().Redo();
        } else if (word == u"open") {
            Open(sample);
        } else if (word == u"outside") {
            clipboard.setText(step.section(u' ', 1));
        } else if (word == u"drop") {
            auto* data = new QMimeData;
            data->setText(step.section(u' ', 2));
            const QPointF at = view->LabelRect(item).center();
            QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(view->viewport(), &enter);
            QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(view->viewport(), &drop);
            QVERIFY(drop.isAccepted());
            QCoreApplication::processEvents();
            delete data;
        }
    }
    if (clip != u"-")
        QCOMPARE(clipboard.text(), clip);
    QCOMPARE(Markup(doc->dom), expected.isEmpty() ? sample : expected);
    if (!message.isEmpty()) {
        const QString shown = prompts.CallsOf(ScriptedPrompts::Kind::MessageBox).at(0).text;
        QVERIFY2(shown.startsWith(message), qPrintable(shown));
    }
    const QString difference = TreeMismatch(*view->GetModel(), doc->dom);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

// Near the bottom edge the tree scrolls, so a target below the rows in view can be reached.
void TreeViewTest::dragScrollsAtTheEdge()
{
    QString xml = u"<r>"_s;
    for (int i = 0; i < 40; ++i)
        xml += u"<e%1/>"_s.arg(i);
    settings.ExpandOnLoad = true;
    Open(xml + u"</r>"_s);
    const QModelIndex first = Item(u"e0"_s);
    view->SelectItem(first);
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, view->LabelRect(first).center());
    const QPoint edge(view->LabelRect(first).center().x(), view->viewport()->height() - 2);
    MouseMove(*view, edge, Qt::NoModifier);
    QTRY_COMPARE(view->DropHighlight(), Item(u"e39"_s));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, edge);
    QCOMPARE(view->NodeOf(first).parentNode().nodeName(), u"e39"_s);
}

QTEST_MAIN(TreeViewTest)
#include "tst_treeview.moc"

// F3 and Shift+F3 repeat the search from the hit; past the last hit the selection stays. Before
// any search they do nothing. A hit inside a collapsed branch is shown.
void TreeViewTest::findGoesOnWithF3()
{
    Open(u"<r><a>a book</a><b><c>book.</c></b></r>"_s);
    QTest::keyClick(view, Qt::Key_F3);
    QVERIFY(prompts.Calls().empty());
    QVERIFY(!view->SelectedItem().isValid());

    FindRequest request;
    request.text = u"book"_s;
    request.searchNames = 1;
    request.wholeWords = 1;
    view->Find(request);
    QCOMPARE(view->SelectedItem().data(TreeModel::LabelRole).toString(), u"a book"_s);
    QVERIFY(view->isExpanded(view->SelectedItem().parent()));
    QTest::keyClick(view, Qt::Key_F3);
    const QModelIndex last = view->SelectedItem();
    QCOMPARE(last.data(TreeModel::LabelRole).toString(), u"book."_s);
    QVERIFY(view->isExpanded(last.parent()) && view->isExpanded(last.parent().parent()));
    prompts.AnswerMessage(Prompts::Button::Ok);
    QTest::keyClick(view, Qt::Key_F3);
    QCOMPARE(prompts.CallsOf(ScriptedPrompts::Kind::MessageBox).at(0).text, u"Text not found!"_s);
    QCOMPARE(view->SelectedItem(), last);
    QTest::keyClick(view, Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(view->SelectedItem().data(TreeModel::LabelRole).toString(), u"a book"_s);
    QCOMPARE(view->LastFind().direction, 0);
}

void TreeViewTest::rowsFollowEdits_data()
{
    QTest::addColumn<QString>("edits");
    // The items are closed around a removal or a move and the view keeps its other rows.
    QTest::newRow("remove a leaf") << u"remove a1"_s;
    QTest::newRow("remove an expanded branch") << u"remove a"_s;
    QTest::newRow("remove an only child") << u"remove c1"_s;
    QTest::newRow("remove below a collapsed item") << u"collapse a; remove a2"_s;
    QTest::newRow("remove the collapsed item's last child") << u"collapse c; remove c1"_s;
    QTest::newRow("move down") << u"move a r b"_s;
    QTest::newRow("move into an expanded item") << u"move a2 c -"_s;
    QTest::newRow("move an only child out") << u"move c1 r a"_s;
    QTest::newRow("move into a collapsed item") << u"collapse a; move c a -"_s;
    QTest::newRow("move into a leaf") << u"move b a1 -"_s;
}

void TreeViewTest::rowsFollowEdits()
{
    QFETCH(QString, edits);
    Open(Sample);
    QVERIFY(frame->RouteCommand(ID_ACTIONS_EXPAND_ALL));
    QStringList rows;
    QStringList expandedBefore;
    QString moved;
    for (const QString& edit : edits.split(u"; "_s)) {
        const QStringList words = edit.split(u' ');
        if (words[0] == u"collapse") {
            view->collapse(Item(words[1]));
        } else if (words[0] == u"remove") {
            ExpectedRows(*view, QModelIndex(), rows, expandedBefore);
            view->RemoveItem(Item(words[1]));
        } else {
            // move item parent sibling-to-follow ("-": last)
            ExpectedRows(*view, QModelIndex(), rows, expandedBefore);
            moved = words[1];
            view->MoveItem(Item(words[1]), Item(words[2]),
                words[3] == u"-" ? TreeModel::Position::Last()
                                 : TreeModel::Position::After(Item(words[3])));
        }
    }
    rows.clear();
    QStringList expanded;
    ExpectedRows(*view, QModelIndex(), rows, expanded);
    QCOMPARE(ShownRows(*view), rows);
    // What was open stays open, but for the moved item and what went.
    for (const QString& label : expandedBefore) {
        if (label != moved && Item(label).isValid())
            QVERIFY2(expanded.contains(label), qPrintable(label));
    }
}
