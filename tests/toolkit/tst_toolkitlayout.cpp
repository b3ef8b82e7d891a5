#include "LayoutItem.h"
#include "ResizableDialog.h"
#include "ResizableFormView.h"

#include <QApplication>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QtTest>

Q_DECLARE_METATYPE(Anchor)

namespace {

class TestDialog : public ResizableDialog {
public:
    using ResizableDialog::ResizableDialog;
};

// Records, for each move or resize of a control, whether the owner was painting at the time.
class MoveRecorder : public QObject {
public:
    explicit MoveRecorder(QWidget* owner)
        : owner(owner)
    {
    }
    int moves = 0;
    bool paintedDuringMove = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
            ++moves;
            if (owner->updatesEnabled())
                paintedDuringMove = true;
        }
        return false;
    }

private:
    QWidget* owner;
};

// Resizes a hidden widget and delivers the size change the way a visible one gets it.
void ResizeHidden(QWidget& widget, QSize size)
{
    const QSize old = widget.size();
    widget.resize(size);
    QResizeEvent event(size, old);
    QApplication::sendEvent(&widget, &event);
}

} // namespace

class TestToolkitLayout : public QObject {
    Q_OBJECT

private slots:
    void anchorPointTruncatesTowardZero_data();
    void anchorPointTruncatesTowardZero();
    void anchoredPlacement_data();
    void anchoredPlacement();
    void arrangeMovesChangedControlsTogether();
    void sizeChangeBeforeReadyMovesNothing();
    void formViewSmallerThanDesignScrolls();
    void formViewWithoutDesignSizeFills();
};

void TestToolkitLayout::anchorPointTruncatesTowardZero_data()
{
    QTest::addColumn<int>("extent");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("point");
    QTest::newRow("half of an odd width") << 101 << 50 << 50;
    QTest::newRow("a third, fraction dropped") << 199 << 33 << 65;
    QTest::newRow("negative percent rounds up") << 101 << -50 << -50;
    QTest::newRow("negative extent rounds up") << -7 << 50 << -3;
    QTest::newRow("whole width") << 640 << 100 << 640;
}

void TestToolkitLayout::anchorPointTruncatesTowardZero()
{
    QFETCH(int, extent);
    QFETCH(int, percent);
    QFETCH(int, point);
    QCOMPARE(LayoutItem::AnchorPoint(extent, percent), point);
}

void TestToolkitLayout::anchoredPlacement_data()
{
    QTest::addColumn<QRect>("control");
    QTest::addColumn<Anchor>("topLeft");
    QTest::addColumn<Anchor>("bottomRight");
    QTest::addColumn<QSize>("newSize");
    QTest::addColumn<QRect>("placed");
    // Every row is anchored in a 200 × 100 area.
    QTest::newRow("top-left twice never moves")
        << QRect(10, 10, 50, 20) << AnchorTopLeft << AnchorTopLeft << QSize(300, 150)
        << QRect(10, 10, 50, 20);
    QTest::newRow("bottom-right twice keeps distance and size")
        << QRect(150, 70, 40, 20) << AnchorBottomRight << AnchorBottomRight << QSize(300, 150)
        << QRect(250, 120, 40, 20);
    QTest::newRow("none keeps the size and follows the top-left anchor") << QRect(150, 70, 40,
        20) << AnchorBottomRight << AnchorNone << QSize(300, 150) << QRect(250, 120, 40, 20);
    QTest::newRow("none at the centre follows by half")
        << QRect(90, 40, 20, 20) << AnchorMiddleCenter << AnchorNone << QSize(260, 140)
        << QRect(120, 60, 20, 20);
    QTest::newRow("stretched between opposite corners")
        << QRect(10, 10, 180, 80) << AnchorTopLeft << AnchorBottomRight << QSize(300, 150)
        << QRect(10, 10, 280, 130);
    QTest::newRow("centre with an odd width change truncates")
        << QRect(90, 80, 20, 10) << AnchorBottomCenter << AnchorBottomCenter << QSize(203, 100)
        << QRect(91, 80, 20, 10);
    QTest::newRow("bottom edge stretched, centre buttons")
        << QRect(10, 90, 180, 2) << AnchorBottomLeft << AnchorBottomRight << QSize(199, 51)
        << QRect(10, 41, 179, 2);
    QTest::newRow("shrunk below the offsets")
        << QRect(150, 70, 40, 20) << AnchorTopRight << AnchorBottomRight << QSize(20, 10)
        << QRect(-30, 70, 40, -70);
}

void TestToolkitLayout::anchoredPlacement()
{
    QFETCH(QRect, control);
    QFETCH(Anchor, topLeft);
    QFETCH(Anchor, bottomRight);
    QFETCH(QSize, newSize);
    QFETCH(QRect, placed);
    const LayoutItem item
        = LayoutItem::Make(nullptr, control, QSize(200, 100), topLeft, bottomRight);
    QCOMPARE(item.Place(QSize(200, 100)), control);
    QCOMPARE(item.Place(newSize), placed);
}

void TestToolkitLayout::arrangeMovesChangedControlsTogether()
{
    TestDialog dialog;
    dialog.resize(200, 100);
    auto* fixed = new QPushButton(&dialog);
    fixed->setGeometry(10, 10, 50, 20);
    auto* corner = new QPushButton(&dialog);
    corner->setGeometry(150, 70, 40, 20);
    auto* stretched = new QPushButton(&dialog);
    stretched->setGeometry(10, 40, 180, 20);
    dialog.show();
    QVERIFY(dialog.IsLayoutReady());
    dialog.AnchorControl(fixed, AnchorTopLeft, AnchorTopLeft);
    dialog.AnchorControl(corner, AnchorBottomRight);
    dialog.AnchorControl(stretched, AnchorTopLeft, AnchorTopRight);

    MoveRecorder fixedMoves(&dialog);
    MoveRecorder cornerMoves(&dialog);
    MoveRecorder stretchedMoves(&dialog);
    fixed->installEventFilter(&fixedMoves);
    corner->installEventFilter(&cornerMoves);
    stretched->installEventFilter(&stretchedMoves);

    QCOMPARE(dialog.PlanArrangement(QSize(300, 150)).size(), std::size_t(2));
    dialog.resize(300, 150);
    QCoreApplication::processEvents();
    QCOMPARE(dialog.size(), QSize(300, 150));

    QCOMPARE(fixed->geometry(), QRect(10, 10, 50, 20));
    QCOMPARE(corner->geometry(), QRect(250, 120, 40, 20));
    QCOMPARE(stretched->geometry(), QRect(10, 40, 280, 20));
    QCOMPARE(fixedMoves.moves, 0);
    QVERIFY(cornerMoves.moves > 0);
    QVERIFY(stretchedMoves.moves > 0);
    QVERIFY(!cornerMoves.paintedDuringMove);
    QVERIFY(!stretchedMoves.paintedDuringMove);
    QVERIFY(dialog.updatesEnabled());
}

void TestToolkitLayout::sizeChangeBeforeReadyMovesNothing()
{
    TestDialog dialog;
    dialog.resize(200, 100);
    auto* corner = new QPushButton(&dialog);
    corner->setGeometry(150, 70, 40, 20);
    dialog.AnchorControl(corner, AnchorBottomRight);

    ResizeHidden(dialog, QSize(300, 150));
    QVERIFY(!dialog.IsLayoutReady());
    QCOMPARE(corner->geometry(), QRect(150, 70, 40, 20));

    // Initialisation arranges once for the size the dialog has then.
    dialog.show();
    QVERIFY(dialog.IsLayoutReady());
    QCOMPARE(corner->geometry(), QRect(250, 120, 40, 20));
}

void TestToolkitLayout::formViewSmallerThanDesignScrolls()
{
    QWidget host;
    host.resize(600, 500);
    auto* view = new ResizableFormView(&host);
    view->SetDesignSize(QSize(300, 200));
    auto* corner = new QPushButton(view->GetForm());
    corner->setGeometry(250, 150, 40, 20);
    view->AnchorControl(corner, AnchorBottomRight);
    view->setGeometry(0, 0, 150, 100);
    host.show();
    view->OnInitialUpdate();

    QCOMPARE(corner->geometry(), QRect(250, 150, 40, 20));
    QCOMPARE(view->GetForm()->size(), QSize(300, 200));
    QVERIFY(view->horizontalScrollBar()->maximum() > 0);
    QVERIFY(view->verticalScrollBar()->maximum() > 0);

    view->setGeometry(0, 0, 500, 400);
    // The scroll area hides its bars in a deferred layout pass.
    QCoreApplication::processEvents();
    QCOMPARE(view->GetForm()->size(), view->viewport()->size());
    QCOMPARE(corner->geometry().bottomRight() + QPoint(1, 1),
        QPoint(view->viewport()->width() - 10, view->viewport()->height() - 30));
    QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(view->verticalScrollBar()->maximum(), 0);
}

void TestToolkitLayout::formViewWithoutDesignSizeFills()
{
    QWidget host;
    host.resize(600, 500);
    auto* view = new ResizableFormView(&host);
    view->setGeometry(0, 0, 40, 30);
    host.show();
    view->OnInitialUpdate();
    QCOMPARE(view->GetForm()->size(), view->viewport()->size());
    QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(view->verticalScrollBar()->maximum(), 0);
}

QTEST_MAIN(TestToolkitLayout)
#include "tst_toolkitlayout.moc"
