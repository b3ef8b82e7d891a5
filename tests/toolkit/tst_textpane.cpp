#include "TextPane.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QScrollBar>
#include <QtTest>

using namespace Qt::StringLiterals;

class TextPaneTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void lineIndex_data();
    void lineIndex();
    void mouseSelectionAndCopy();
    void keyboardSelection_data();
    void keyboardSelection();
    void copyWithoutSelectionKeepsClipboard();
    void tabsExpandToStops();
    void wheelAndKeysScroll();
    void largeTextLaysOutOnlyVisibleLines();
    void farColumnsMeetTheirCharacters();

private:
    QPoint PointOf(qsizetype line, qsizetype column) const;

    TextPane* pane = nullptr;
};

void TextPaneTest::init()
{
    pane = new TextPane;
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(9);
    pane->setFont(font);
    pane->resize(300, 200);
    pane->show();
    QVERIFY(QTest::qWaitForWindowActive(pane));
}

void TextPaneTest::cleanup()
{
    delete pane;
    pane = nullptr;
}

QPoint TextPaneTest::PointOf(qsizetype line, qsizetype column) const
{
    const QFontMetrics metrics(pane->font());
    const int width = metrics.horizontalAdvance(u'M');
    return QPoint(static_cast<int>(column * width + 1),
        static_cast<int>(line * metrics.lineSpacing() + metrics.lineSpacing() / 2));
}

void TextPaneTest::lineIndex_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("maxColumns");
    QTest::newRow("empty") << QString() << QStringList { QString() } << 0;
    QTest::newRow("one line") << u"abc"_s << QStringList { u"abc"_s } << 3;
    QTest::newRow("crlf") << u"ab\r\ncde\r\nf"_s << QStringList { u"ab"_s, u"cde"_s, u"f"_s } << 3;
    QTest::newRow("lf") << u"ab\ncde\n"_s << QStringList { u"ab"_s, u"cde"_s, QString() } << 3;
    QTest::newRow("mixed and empty lines")
        << u"\r\n\nx\r\n"_s << QStringList { QString(), QString(), u"x"_s, QString() } << 1;
    QTest::newRow("lone cr stays in the line")
        << u"a\rb\r\nc"_s << QStringList { u"a\rb"_s, u"c"_s } << 3;
    QTest::newRow("tab to the next stop")
        << u"\tx\nab\tc"_s << QStringList { u"\tx"_s, u"ab\tc"_s } << 9;
}

void TextPaneTest::lineIndex()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QFETCH(int, maxColumns);
    pane->SetText(text);
    QStringList actual;
    for (qsizetype i = 0; i < pane->LineCount(); ++i)
        actual << pane->LineText(i);
    QCOMPARE(actual, lines);
    QCOMPARE(pane->MaxColumns(), maxColumns);
    // Every offset maps back to the line that holds it.
    for (qsizetype i = 0; i < pane->LineCount(); ++i)
        QCOMPARE(pane->LineOfOffset(pane->LineEnd(i)), i);
}

void TextPaneTest::mouseSelectionAndCopy()
{
    pane->SetText(u"first line\r\nsecond line\r\nthird"_s);
    QTest::mousePress(pane->viewport(), Qt::LeftButton, {}, PointOf(0, 6));
    QMouseEvent move(QEvent::MouseMove, PointOf(1, 6), pane->viewport()->mapToGlobal(PointOf(1, 6)),
        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pane->viewport(), &move);
    QTest::mouseRelease(pane->viewport(), Qt::LeftButton, {}, PointOf(1, 6));
    QCOMPARE(pane->SelectedText(), u"line\r\nsecond"_s);
    QTest::keyClick(pane, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), u"line\r\nsecond"_s);
    // Shift+click extends from the anchor.
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, Qt::ShiftModifier, PointOf(2, 2));
    QCOMPARE(pane->SelectedText(), u"line\r\nsecond line\r\nth"_s);
    // A click past the end of a line lands on the line's end, before the break.
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, PointOf(0, 40));
    QCOMPARE(pane->Caret(), 10);
    QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, PointOf(1, 2));
    QCOMPARE(pane->SelectedText(), u"second"_s);
}

void TextPaneTest::keyboardSelection_data()
{
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<qsizetype>("caret");
    const int shift = Qt::ShiftModifier;
    // "ab\r\ncdef\r\ngh": lines start at 0, 4 and 10.
    QTest::newRow("shift right") << qsizetype(0) << int(Qt::Key_Right) << shift << u"a"_s
                                 << qsizetype(1);
    QTest::newRow("right crosses the break whole")
        << qsizetype(2) << int(Qt::Key_Right) << shift << u"\r\n"_s << qsizetype(4);
    QTest::newRow("left crosses the break whole")
        << qsizetype(4) << int(Qt::Key_Left) << shift << u"\r\n"_s << qsizetype(2);
    QTest::newRow("down keeps the column")
        << qsizetype(1) << int(Qt::Key_Down) << shift << u"b\r\nc"_s << qsizetype(5);
    QTest::newRow("down to a shorter line ends it")
        << qsizetype(8) << int(Qt::Key_Down) << shift << u"\r\ngh"_s << qsizetype(12);
    QTest::newRow("up") << qsizetype(6) << int(Qt::Key_Up) << 0 << QString() << qsizetype(2);
    QTest::newRow("shift end") << qsizetype(5) << int(Qt::Key_End) << shift << u"def"_s
                               << qsizetype(8);
    QTest::newRow("shift home") << qsizetype(6) << int(Qt::Key_Home) << shift << u"cd"_s
                                << qsizetype(4);
    QTest::newRow("ctrl shift end")
        << qsizetype(5) << int(Qt::Key_End) << int(shift | Qt::ControlModifier) << u"def\r\ngh"_s
        << qsizetype(12);
    QTest::newRow("select all") << qsizetype(5) << int(Qt::Key_A) << int(Qt::ControlModifier)
                                << u"ab\r\ncdef\r\ngh"_s << qsizetype(12);
}

void TextPaneTest::keyboardSelection()
{
    QFETCH(qsizetype, start);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, selected);
    QFETCH(qsizetype, caret);
    pane->SetText(u"ab\r\ncdef\r\ngh"_s);
    pane->SetSelection(start, start);
    QTest::keyClick(pane, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(pane->SelectedText(), selected);
    QCOMPARE(pane->Caret(), caret);
}

void TextPaneTest::copyWithoutSelectionKeepsClipboard()
{
    QApplication::clipboard()->setText(u"before"_s);
    pane->SetText(u"text"_s);
    QTest::keyClick(pane, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), u"before"_s);
}

void TextPaneTest::tabsExpandToStops()
{
    pane->SetText(u"ab\tcd"_s);
    // Column 8 is where the tab ends and "c" starts.
    QCOMPARE(pane->OffsetAt(PointOf(0, 8)), 3);
    QCOMPARE(pane->OffsetAt(PointOf(0, 2)), 2);
}

void TextPaneTest::wheelAndKeysScroll()
{
    QStringList lines;
    for (int i = 0; i < 1000; ++i)
        lines << u"line %1"_s.arg(i);
    pane->SetText(lines.join(u"\r\n"_s));
    QCOMPARE(pane->FirstVisibleLine(), 0);
    QWheelEvent wheel(QPointF(10, 10), pane->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
        QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(pane->viewport(), &wheel);
    QVERIFY(pane->FirstVisibleLine() > 0);
    QTest::keyClick(pane, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(pane->FirstVisibleLine(), pane->verticalScrollBar()->maximum());
    QVERIFY(pane->FirstVisibleLine() > 900);
    QTest::keyClick(pane, Qt::Key_PageUp);
    QVERIFY(pane->FirstVisibleLine() < pane->verticalScrollBar()->maximum());
    QTest::keyClick(pane, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(pane->FirstVisibleLine(), 0);
}

void TextPaneTest::largeTextLaysOutOnlyVisibleLines()
{
    // About 20 MB of UTF-16 text in 400,000 lines, with one very long line in the middle.
    QString text;
    const QString line = u"\t<element attribute=\"value\">some text</element>\r\n"_s;
    text.reserve(line.size() * 400'000 + 1'000'000);
    for (int i = 0; i < 200'000; ++i)
        text += line;
    text += QString(1'000'000, u'x') + u"\r\n"_s;
    for (int i = 0; i < 200'000; ++i)
        text += line;
    const qsizetype size = text.size();
    pane->SetText(std::move(text));
    QCOMPARE(pane->LineCount(), 400'002);
    QCOMPARE(pane->MaxColumns(), 1'000'000);
    pane->repaint();
    const QFontMetrics metrics(pane->font());
    const qsizetype visible = pane->viewport()->height() / metrics.lineSpacing() + 1;
    QVERIFY(pane->LinesLaidOut() > 0);
    QVERIFY(pane->LinesLaidOut() <= visible);
    pane->verticalScrollBar()->setValue(200'000);
    pane->repaint();
    QVERIFY(pane->LinesLaidOut() <= visible);
    QTest::keyClick(pane, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(pane->SelectionEnd() - pane->SelectionStart(), size);
    QTest::keyClick(pane, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text().size(), size);
}

// A column is the font's real advance, often fractional: a rounded one puts a click far to the
// right several characters off the one under the pointer.
void TextPaneTest::farColumnsMeetTheirCharacters()
{
    pane->resize(900, 200);
    pane->SetText(QString(100, u'x'));
    const qreal left = QFontMetricsF(pane->font()).horizontalAdvance(QString(80, u'x'));
    QCOMPARE(pane->OffsetAt(QPoint(qRound(left) + 1, 5)), 80);
}

QTEST_MAIN(TextPaneTest)
#include "tst_textpane.moc"
