#include "LabelEdit.h"
#include "SmartList.h"
#include "SmartListHeader.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTextDocument>
#include <QToolTip>
#include <QVBoxLayout>
#include <QtTest>

namespace {

struct Validation {
    int item;
    int subItem;
    QString text;
};

// The list's owner: answers validations and notes the keys the list passes on.
class Host : public QWidget {
public:
    Host()
    {
        auto* layout = new QVBoxLayout(this);
        list = new SmartList(this);
        other = new QLineEdit(this);
        layout->addWidget(list);
        layout->addWidget(other);
        list->setColumnCount(2);
        list->setHeaderLabels({ QStringLiteral("Name"), QStringLiteral("Value") });
        for (const char* name : { "a", "b", "c" }) {
            auto* row = new QTreeWidgetItem(list);
            row->setText(0, QString::fromLatin1(name));
            row->setText(1, QString::fromLatin1(name).toUpper());
        }
        list->editColumn = 1;
        list->SetEditValidator([this](int item, int subItem, const QString& text) {
            validations.push_back({ item, subItem, text });
            return answer;
        });
        resize(400, 300);
    }
    ~Host() override { list->SetEditValidator({}); }

    SmartList* list;
    QLineEdit* other;
    bool answer = true;
    std::vector<Validation> validations;
    std::vector<int> passedKeys;

protected:
    void keyPressEvent(QKeyEvent* event) override { passedKeys.push_back(event->key()); }
};

QPoint CellCentre(SmartList* list, int row, int column)
{
    const QRect rect = list->visualRect(list->model()->index(row, column));
    return rect.center();
}

void SelectOnly(SmartList* list, int row)
{
    list->clearSelection();
    if (row >= 0)
        list->topLevelItem(row)->setSelected(true);
}

enum Start { DoubleClickName, DoubleClickValue, F2, TypeX };
enum Ending { Enter, Escape, ClickElsewhere, PopupThenEnter };

} // namespace

using namespace Qt::StringLiterals;

class TestToolkitList : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void editStarts_data();
    void editStarts();
    void editEnds_data();
    void editEnds();
    void typing_data();
    void typing();
    void doubleClickEditsWithLeftButtonOnly_data();
    void doubleClickEditsWithLeftButtonOnly();
    void f2WithoutSelectionDoesNothing();
    void typingWithoutEditColumnDoesNothing();
    void deleteKeyDoesNotStartAnEdit();
    void hundredKilobyteValueRoundTrip();
    void rightClickSelects_data();
    void rightClickSelects();
    void keyboardContextMenu_data();
    void keyboardContextMenu();
    void columnRatiosFollowDividerDrag_data();
    void columnRatiosFollowDividerDrag();
    void columnsShareWidthWithoutRatios();
    void widthsSetWhileHiddenKeepTheirProportions();
    void hugeSavedWidthsAreClamped_data();
    void hugeSavedWidthsAreClamped();
    void cellUnderEditorShowsNoText();
    void sortArrowDrawn_data();
    void sortArrowDrawn();
    void tooltipShowsACutValue_data();
    void tooltipShowsACutValue();

private:
    Host* host = nullptr;
    SmartList* list = nullptr;
};

void TestToolkitList::init()
{
    host = new Host;
    list = host->list;
    host->show();
    host->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host));
    list->setFocus();
}

void TestToolkitList::cleanup()
{
    delete host;
    host = nullptr;
}

void TestToolkitList::editStarts_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<int>("cursor");
    QTest::newRow("double-click on the name edits the value")
        << int(DoubleClickName) << QStringLiteral("B") << QStringLiteral("B") << 1;
    QTest::newRow("double-click on the value")
        << int(DoubleClickValue) << QStringLiteral("B") << QStringLiteral("B") << 1;
    QTest::newRow("F2 on the selected row")
        << int(F2) << QStringLiteral("B") << QStringLiteral("B") << 1;
    QTest::newRow("typing replaces the value")
        << int(TypeX) << QStringLiteral("x") << QString() << 1;
}

void TestToolkitList::editStarts()
{
    QFETCH(int, start);
    QFETCH(QString, text);
    QFETCH(QString, selected);
    QFETCH(int, cursor);
    SelectOnly(list, 1);
    switch (start) {
    case DoubleClickName:
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, CellCentre(list, 1, 0));
        break;
    case DoubleClickValue:
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, CellCentre(list, 1, 1));
        break;
    case F2:
        QTest::keyClick(list, Qt::Key_F2);
        break;
    case TypeX:
        QTest::keyClick(list, Qt::Key_X);
        break;
    }
    LabelEdit* editor = list->GetEditor();
    QVERIFY(editor->isVisible());
    QVERIFY(editor->hasFocus());
    QCOMPARE(list->GetEditItem(), 1);
    QCOMPARE(list->GetEditSubItem(), 1);
    QCOMPARE(editor->text(), text);
    QCOMPARE(editor->selectedText(), selected);
    QCOMPARE(editor->cursorPosition(), cursor);

    const QRect row = list->visualRect(list->model()->index(1, 0));
    const QHeaderView* header = list->header();
    QCOMPARE(editor->geometry(),
        QRect(header->sectionViewportPosition(1) + 6, row.top() + 2, header->sectionSize(1) - 6,
            row.height() - 3));
}

void TestToolkitList::editEnds_data()
{
    QTest::addColumn<int>("ending");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("validations");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<bool>("listFocused");
    QTest::newRow("Enter, accepted") << int(Enter) << true << 1 << QStringLiteral("new") << true;
    QTest::newRow("Enter, refused by the owner")
        << int(Enter) << false << 1 << QStringLiteral("B") << true;
    QTest::newRow("Escape") << int(Escape) << true << 0 << QStringLiteral("B") << true;
    QTest::newRow("click elsewhere commits, the focus stays there")
        << int(ClickElsewhere) << true << 1 << QStringLiteral("new") << false;
    QTest::newRow("a popup menu does not end the edit")
        << int(PopupThenEnter) << true << 1 << QStringLiteral("new") << true;
}

void TestToolkitList::editEnds()
{
    QFETCH(int, ending);
    QFETCH(bool, answer);
    QFETCH(int, validations);
    QFETCH(QString, cell);
    QFETCH(bool, listFocused);
    host->answer = answer;
    QSignalSpy done(list, &SmartList::ListEditDone);
    SelectOnly(list, 1);
    QTest::keyClick(list, Qt::Key_F2);
    QTest::keyClicks(list->GetEditor(), QStringLiteral("new"));
    switch (ending) {
    case Enter:
        QTest::keyClick(list->GetEditor(), Qt::Key_Return);
        break;
    case Escape:
        QTest::keyClick(list->GetEditor(), Qt::Key_Escape);
        break;
    case ClickElsewhere:
        host->other->setFocus(Qt::MouseFocusReason);
        break;
    case PopupThenEnter: {
        // What the editor sees while its context menu is open.
        QFocusEvent out(QEvent::FocusOut, Qt::PopupFocusReason);
        QCoreApplication::sendEvent(list->GetEditor(), &out);
        QVERIFY(list->GetEditor()->isVisible());
        QVERIFY(host->validations.empty());
        QFocusEvent in(QEvent::FocusIn, Qt::PopupFocusReason);
        QCoreApplication::sendEvent(list->GetEditor(), &in);
        QTest::keyClick(list->GetEditor(), Qt::Key_Return);
        break;
    }
    }
    QVERIFY(!list->GetEditor()->isVisible());
    QCOMPARE(list->hasFocus(), listFocused);
    QCOMPARE(host->other->hasFocus(), !listFocused);
    // Focus moving on afterwards belongs to no edit and commits nothing more.
    host->other->setFocus(Qt::MouseFocusReason);
    list->setFocus(Qt::MouseFocusReason);

    QCOMPARE(int(host->validations.size()), validations);
    if (validations) {
        QCOMPARE(host->validations[0].item, 1);
        QCOMPARE(host->validations[0].subItem, 1);
        QCOMPARE(host->validations[0].text, QStringLiteral("new"));
    }
    QCOMPARE(list->GetItemText(1, 1), cell);
    const bool stored = validations && answer;
    QCOMPARE(done.count(), stored ? 1 : 0);
    if (stored)
        QCOMPARE(done[0][2].toString(), QStringLiteral("new"));
}

void TestToolkitList::typing_data()
{
    QTest::addColumn<int>("selectedRow");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("edited");
    QTest::addColumn<int>("selectedAfter");
    const int none = int(Qt::NoModifier);
    const int ctrlAlt = int(Qt::ControlModifier | Qt::AltModifier);
    QTest::newRow("a letter edits the selected row")
        << 0 << int(Qt::Key_Q) << none << u"q"_s << u"q"_s << 0;
    QTest::newRow("without a selection, a letter finds its row")
        << -1 << int(Qt::Key_C) << none << u"c"_s << QString() << 2;
    QTest::newRow("AltGr (Ctrl+Alt) characters edit too")
        << 1 << int(Qt::Key_At) << ctrlAlt << u"@"_s << u"@"_s << 1;
    QTest::newRow("Ctrl with a letter does not edit")
        << 1 << int(Qt::Key_B) << int(Qt::ControlModifier) << u"\x02"_s << QString() << 1;
}

// What a typed key does: start an edit with its character, search for a row, or nothing.
void TestToolkitList::typing()
{
    QFETCH(int, selectedRow);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(QString, edited);
    QFETCH(int, selectedAfter);
    SelectOnly(list, selectedRow);
    QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
    QCoreApplication::sendEvent(list, &press);
    QCOMPARE(list->GetEditor()->isVisible(), !edited.isEmpty());
    if (!edited.isEmpty())
        QCOMPARE(list->GetEditor()->text(), edited);
    QCOMPARE(list->GetFirstSelectedRow(), selectedAfter);
}

void TestToolkitList::doubleClickEditsWithLeftButtonOnly_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("edits");
    QTest::newRow("left") << int(Qt::LeftButton) << true;
    QTest::newRow("middle") << int(Qt::MiddleButton) << false;
    QTest::newRow("right") << int(Qt::RightButton) << false;
}

void TestToolkitList::doubleClickEditsWithLeftButtonOnly()
{
    QFETCH(int, button);
    QFETCH(bool, edits);
    SelectOnly(list, 1);
    QTest::mouseDClick(list->viewport(), Qt::MouseButton(button), {}, CellCentre(list, 1, 1));
    QCOMPARE(list->GetEditor()->isVisible(), edits);
}

void TestToolkitList::f2WithoutSelectionDoesNothing()
{
    SelectOnly(list, -1);
    QTest::keyClick(list, Qt::Key_F2);
    QVERIFY(!list->GetEditor()->isVisible());
}

void TestToolkitList::typingWithoutEditColumnDoesNothing()
{
    list->editColumn = -1;
    SelectOnly(list, 0);
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_B);
    QVERIFY(!list->GetEditor()->isVisible());
    // No type-ahead search either: the row starting with "b" is not jumped to.
    QCOMPARE(list->currentIndex().row(), 0);
    QCOMPARE(list->GetFirstSelectedRow(), 0);
}

void TestToolkitList::deleteKeyDoesNotStartAnEdit()
{
    SelectOnly(list, 0);
    // The X11 form of the key, which carries text.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
    QApplication::sendEvent(list, &press);
    QVERIFY(!list->GetEditor()->isVisible());
    QCOMPARE(host->passedKeys, std::vector<int> { Qt::Key_Delete });
}

void TestToolkitList::hundredKilobyteValueRoundTrip()
{
    const QString value(100 * 1024, QLatin1Char('v'));
    list->SetItemText(2, 1, value);
    SelectOnly(list, 2);
    QTest::keyClick(list, Qt::Key_F2);
    QTest::keyClick(list->GetEditor(), Qt::Key_Return);
    QCOMPARE(int(host->validations.size()), 1);
    QCOMPARE(host->validations[0].text.size(), value.size());
    QCOMPARE(list->GetItemText(2, 1), value);
}

void TestToolkitList::rightClickSelects_data()
{
    QTest::addColumn<int>("selectedBefore");
    QTest::addColumn<int>("clickedRow");
    QTest::addColumn<int>("selectedAfter");
    QTest::newRow("second row replaces the first") << 0 << 1 << 1;
    QTest::newRow("same row stays selected") << 2 << 2 << 2;
    QTest::newRow("empty space clears") << 0 << -1 << -1;
}

void TestToolkitList::rightClickSelects()
{
    QFETCH(int, selectedBefore);
    QFETCH(int, clickedRow);
    QFETCH(int, selectedAfter);
    SelectOnly(list, selectedBefore);
    QSignalSpy menu(list, &SmartList::ListContextMenu);
    const QRect last = list->visualRect(list->model()->index(2, 0));
    const QPoint point = clickedRow >= 0 ? CellCentre(list, clickedRow, 1)
                                         : QPoint(last.center().x(), last.bottom() + 40);
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, point);

    QCOMPARE(list->selectedItems().size(), selectedAfter >= 0 ? 1 : 0);
    QCOMPARE(list->GetFirstSelectedRow(), selectedAfter);
    QCOMPARE(menu.count(), 1);
    QCOMPARE(menu[0][0].toPoint(), point);
}

void TestToolkitList::keyboardContextMenu_data()
{
    QTest::addColumn<int>("selected");
    QTest::newRow("below the selected row") << 1;
    QTest::newRow("nothing selected") << -1;
}

void TestToolkitList::keyboardContextMenu()
{
    QFETCH(int, selected);
    SelectOnly(list, selected);
    QSignalSpy menu(list, &SmartList::ListContextMenu);
    QContextMenuEvent event(
        QContextMenuEvent::Keyboard, QPoint(5, 5), list->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(list->viewport(), &event);
    QCOMPARE(menu.count(), 1);
    QPoint expected(0, 0);
    if (selected >= 0) {
        const QRect row = list->visualRect(list->model()->index(selected, 0));
        expected = QPoint(row.left(), row.top() + row.height());
    }
    QCOMPARE(menu[0][0].toPoint(), expected);
}

void TestToolkitList::columnRatiosFollowDividerDrag_data()
{
    QTest::addColumn<int>("firstWidth");
    QTest::addColumn<int>("newClientWidth");
    QTest::addColumn<int>("expectedFirst");
    QTest::newRow("a quarter, enlarged") << 100 << 600 << 150;
    QTest::newRow("a quarter, odd width floors") << 100 << 401 << 100;
    QTest::newRow("30 percent, floors below") << 120 << 333 << 99;
    QTest::newRow("a quarter, narrowed") << 100 << 200 << 50;
}

void TestToolkitList::columnRatiosFollowDividerDrag()
{
    QFETCH(int, firstWidth);
    QFETCH(int, newClientWidth);
    QFETCH(int, expectedFirst);
    // Without a frame or scroll bars the client width is the list's width.
    list->setFrameShape(QFrame::NoFrame);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    host->layout()->removeWidget(list);
    list->setGeometry(0, 0, 400, 200);
    QCOMPARE(list->viewport()->width(), 400);

    QHeaderView* header = list->header();
    const int divider = header->sectionViewportPosition(0) + header->sectionSize(0);
    const int y = header->height() / 2;
    QWidget* port = header->viewport();
    auto send = [port](QEvent::Type type, int x, int y, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(x, y), port->mapToGlobal(QPointF(x, y)),
            type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(port, &event);
    };
    const int target = divider + firstWidth - header->sectionSize(0);
    send(QEvent::MouseButtonPress, divider, y, Qt::LeftButton);
    send(QEvent::MouseMove, target, y, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, target, y, Qt::NoButton);
    QCOMPARE(header->sectionSize(0), firstWidth);

    list->setGeometry(0, 0, newClientWidth, 200);
    QCOMPARE(header->sectionSize(0), expectedFirst);
}

void TestToolkitList::columnsShareWidthWithoutRatios()
{
    SmartList lone;
    lone.setFrameShape(QFrame::NoFrame);
    lone.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lone.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lone.setColumnCount(3);
    lone.resize(320, 100);
    lone.show();
    // (320 − 20) / 3 each; those widths are then the recorded proportions.
    for (int j = 0; j < 3; ++j)
        QCOMPARE(lone.header()->sectionSize(j), 100);
    lone.resize(620, 100);
    for (int j = 0; j < 3; ++j)
        QCOMPARE(lone.header()->sectionSize(j), 193);
}

// Saved widths given while the list has never been shown are applied when it is, and taken as
// proportions of the width it gets then, not of the size a hidden widget happens to have.
void TestToolkitList::widthsSetWhileHiddenKeepTheirProportions()
{
    SmartList hidden;
    hidden.setFrameShape(QFrame::NoFrame);
    hidden.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    hidden.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    hidden.setColumnCount(2);
    QCOMPARE(hidden.GetColumnWidths(), QList<int>());
    hidden.SetColumnWidthsWhenShown({ 94, 94 });
    hidden.MakeHeaderOwnerDrawn();
    QCOMPARE(hidden.GetColumnWidths(), (QList<int> { 94, 94 }));
    hidden.resize(208, 100);
    hidden.show();
    QVERIFY(QTest::qWaitForWindowExposed(&hidden));
    QCOMPARE(hidden.header()->sectionSize(0), 94);
    QCOMPARE(hidden.header()->sectionSize(1), 94);
    hidden.resize(408, 100);
    // Each keeps its 94 / 208 of the width.
    for (int j = 0; j < 2; ++j)
        QVERIFY(qAbs(hidden.header()->sectionSize(j) - 94 * 408 / 208) <= 1);
}

void TestToolkitList::hugeSavedWidthsAreClamped_data()
{
    QTest::addColumn<int>("saved");
    QTest::newRow("integer limit") << 2147483647;
    QTest::newRow("above 32767") << 40000;
}

// Widths from a damaged settings file stay within 32767 pixels: as given, as applied, and when
// a wider list scales them by their proportions.
void TestToolkitList::hugeSavedWidthsAreClamped()
{
    QFETCH(int, saved);
    SmartList hidden;
    hidden.setColumnCount(2);
    hidden.SetColumnWidthsWhenShown({ saved, saved });
    for (int width : { 0, 208, 408 }) {
        if (width) {
            hidden.resize(width, 100);
            hidden.show();
        }
        for (int column : hidden.GetColumnWidths())
            QVERIFY(column <= 32767);
    }
}

// The cell under the editor is drawn without its text, which would show at the editor's left.
void TestToolkitList::cellUnderEditorShowsNoText()
{
    SelectOnly(list, 1);
    list->topLevelItem(1)->setText(1, u"WWWWWWWW"_s);
    const QRect cell = list->visualRect(list->model()->index(1, 1));
    const QRect margin(cell.left(), cell.top() + 2, 6, cell.height() - 4);
    auto inked = [this, margin] {
        const QImage picture = list->viewport()->grab(margin).toImage();
        const QRgb background = picture.pixel(0, 0);
        int count = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x)
                count += picture.pixel(x, y) != background;
        }
        return count;
    };
    list->clearSelection();
    QVERIFY(inked() > 0);
    QTest::keyClick(list, Qt::Key_F2);
    QVERIFY(!list->GetEditor()->isVisible());
    SelectOnly(list, 1);
    QTest::keyClick(list, Qt::Key_F2);
    QVERIFY(list->GetEditor()->isVisible());
    list->clearSelection();
    QCOMPARE(inked(), 0);
}

void TestToolkitList::tooltipShowsACutValue_data()
{
    QTest::addColumn<QString>("value");
    const QString tail = u" and then some more words"_s.repeated(8);
    QTest::newRow("fits: none") << u"short"_s;
    QTest::newRow("too wide") << u"wide"_s + tail;
    QTest::newRow("several lines") << u"one\ntwo"_s;
    QTest::newRow("markup shown as typed") << u"<b>not bold</b> &amp;"_s + tail;
}

void TestToolkitList::tooltipShowsACutValue()
{
    QFETCH(QString, value);
    list->topLevelItem(1)->setText(1, value);
    QToolTip::hideText();
    const QPoint pos = CellCentre(list, 1, 1);
    QHelpEvent help(QEvent::ToolTip, pos, list->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(list->viewport(), &help);
    QTextDocument tip;
    tip.setHtml(QToolTip::isVisible() ? QToolTip::text() : QString());
    QCOMPARE(tip.toPlainText(), value == u"short"_s ? QString() : value);
}

void TestToolkitList::sortArrowDrawn_data()
{
    QTest::addColumn<int>("sortColumn");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<bool>("rightJustified");
    QTest::newRow("first column ascending") << 0 << true << false;
    QTest::newRow("second column descending") << 1 << false << false;
    QTest::newRow("right-justified column, arrow on the left") << 1 << true << true;
}

void TestToolkitList::sortArrowDrawn()
{
    QFETCH(int, sortColumn);
    QFETCH(bool, ascending);
    QFETCH(bool, rightJustified);
    if (rightJustified)
        list->headerItem()->setTextAlignment(sortColumn, Qt::AlignRight);
    list->header()->resizeSection(0, 150);
    list->header()->resizeSection(1, 150);
    list->sortColumn = sortColumn;
    list->sortAscending = ascending;
    list->MakeHeaderOwnerDrawn();
    const QImage image = list->header()->grab().toImage();
    const QColor face = list->header()->palette().color(QPalette::Button);
    const QColor ink(0x50, 0x50, 0x50);

    auto arrowAt = [&](int column) {
        const QHeaderView* header = list->header();
        const int left = header->sectionViewportPosition(column);
        const int x = rightJustified && column == sortColumn
            ? left + 4
            : left + header->sectionSize(column) - 14;
        return QPoint(x, header->height() / 2 - 6);
    };
    // The arrow points up when ascending: its tip is two rows in from the top, its wide end two
    // rows in from the bottom, and beside the tip there is only the face colour.
    const QPoint arrow = arrowAt(sortColumn);
    const int tipRow = ascending ? 2 : 9;
    const int wideRow = ascending ? 9 : 2;
    QCOMPARE(image.pixelColor(arrow + QPoint(4, tipRow)), ink);
    QCOMPARE(image.pixelColor(arrow + QPoint(1, wideRow)), ink);
    QCOMPARE(image.pixelColor(arrow + QPoint(1, tipRow)).rgb(), face.rgb());
    const QPoint unsorted = arrowAt(1 - sortColumn) + QPoint(4, 2);
    QCOMPARE(image.pixelColor(unsorted).rgb(), face.rgb());
}

QTEST_MAIN(TestToolkitList)
#include "tst_toolkitlist.moc"
