#include "AppSettings.h"
#include "CViewBar.h"
#include "ControlToolBar.h"
#include "DockBar.h"
#include "DockContext.h"
#include "DockIds.h"
#include "DockSite.h"
#include "MiniDockFrame.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
constexpr int attributesId = 59748;
constexpr int sourceId = 59749;
constexpr int imageId = 59750;

// Answers the question whether windows show their contents while they are dragged.
class DragStyle : public QProxyStyle {
public:
    explicit DragStyle(bool opaque)
        : opaque(opaque)
    {
    }
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
        QStyleHintReturn* returnData) const override
    {
        if (hint == SH_Splitter_OpaqueResize)
            return opaque;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
    bool opaque;
};

// A docking area with a line edit as its view and up to three view bars, each hosting a line
// edit, docked at the left, each in a row of its own.
struct Site {
    std::unique_ptr<DockSite> site = std::make_unique<DockSite>();
    QLineEdit* view = new QLineEdit;
    QList<CViewBar*> bars;

    explicit Site(const QList<int>& ids = { attributesId, sourceId, imageId })
    {
        site->resize(800, 600);
        site->SetClientWidget(view);
        for (int id : ids) {
            auto* bar = new CViewBar;
            const bool created = bar->CreateWithView(
                site.get(), [](QWidget* parent) { return new QLineEdit(parent); },
                QStringLiteral("Bar %1").arg(id), id);
            Q_ASSERT(created);
            site->DockControlBar(bar, AFX_IDW_DOCKBAR_LEFT);
            bars.append(bar);
        }
        site->RecalcLayout();
    }
    DockBar* Left() const { return site->GetDockBar(AFX_IDW_DOCKBAR_LEFT); }
    void Settle() const
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
};

QList<int> RowIds(const DockBar* dockBar)
{
    QList<int> ids;
    for (const ControlBar* bar : dockBar->GetBars())
        ids << (bar ? bar->GetBarId() : 0);
    return ids;
}
}

class DockingBarsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void OverlongRowIsSplit();
    void ShownBarKeepsItsLength();
    void GrowingFrameSharesLength();
    void EdgeDragAlongRowStopsAtMinimum_data();
    void EdgeDragAlongRowStopsAtMinimum();
    void EdgeDragTowardViewLeavesViewMinimum_data();
    void EdgeDragTowardViewLeavesViewMinimum();
    void FloatingBarKeepsMinimum();
    void CloseButtonHidesOnPressAndRelease_data();
    void CloseButtonHidesOnPressAndRelease();
    void CaptionActiveOnlyWithFocusInside();
    void ViewFillsClientArea_data();
    void ViewFillsClientArea();
    void EdgesFaceNeighboursAndView_data();
    void EdgesFaceNeighboursAndView();
    void DockingDragMovesBar();
    void DoubleClickTogglesFloating();
    void ToggleReturnsToItsRow_data();
    void ToggleReturnsToItsRow();
    void ToggleFloatsWhereItFloated();
    void ClosingFloatingFrameHidesBar();
    void EdgeDragEndsWhenMouseIsLost_data();
    void EdgeDragEndsWhenMouseIsLost();
    void EdgeDragWithoutRoomKeepsMinimum_data();
    void EdgeDragWithoutRoomKeepsMinimum();
    void DelayedShowWaitsForLayout();
    void LayoutRoundTrip();
    void LayoutWithUnknownBarIsIgnored();
    void DamagedLayout_data();
    void DamagedLayout();
    void GradientCoversCaption_data();
    void GradientCoversCaption();
    void ToolBarRunsAlongItsSide_data();
    void ToolBarRunsAlongItsSide();

private:
    std::unique_ptr<QTemporaryDir> dir;
};

void DockingBarsTest::init() { dir = std::make_unique<QTemporaryDir>(); }

void DockingBarsTest::OverlongRowIsSplit()
{
    Site s({ attributesId, sourceId, imageId });
    // All three in one row, each needing 250 of the 598 a left row has.
    for (CViewBar* bar : s.bars) {
        bar->minSizeVert.setHeight(250);
        s.site->DockControlBar(bar, AFX_IDW_DOCKBAR_LEFT, 0, false);
    }
    QCOMPARE(RowIds(s.Left()), (QList<int> { 0, attributesId, sourceId, 0, imageId, 0 }));
    for (CViewBar* bar : s.bars)
        QVERIFY(bar->sizeVert.height() >= 250);
}

void DockingBarsTest::ShownBarKeepsItsLength()
{
    Site s({ attributesId, sourceId, imageId });
    for (CViewBar* bar : s.bars)
        s.site->DockControlBar(bar, AFX_IDW_DOCKBAR_LEFT, 0, false);
    CViewBar* shown = s.bars[1];
    s.site->ShowControlBar(shown, false, false);
    shown->sizeVert.setHeight(120);
    s.site->ShowControlBar(shown, true, false);
    QCOMPARE(shown->sizeVert.height(), 120);
    QCOMPARE(shown->height(), 120);
    // The others took up the rest of the column: 600 high, bars overlapping by 2.
    QCOMPARE(s.bars[0]->sizeVert.height() + s.bars[2]->sizeVert.height() + 120 - 4, 600);
}

void DockingBarsTest::GrowingFrameSharesLength()
{
    Site s({ attributesId, sourceId });
    s.site->DockControlBar(s.bars[1], AFX_IDW_DOCKBAR_LEFT, 0, false);
    const int first = s.bars[0]->sizeVert.height();
    const int second = s.bars[1]->sizeVert.height();
    s.site->show();
    s.site->resize(800, 603);
    QCOMPARE(s.bars[0]->sizeVert.height(), first + 2);
    QCOMPARE(s.bars[1]->sizeVert.height(), second + 1);
}

void DockingBarsTest::EdgeDragAlongRowStopsAtMinimum_data()
{
    QTest::addColumn<bool>("opaque");
    QTest::addColumn<int>("delta");
    QTest::newRow("contents, down") << true << 1000;
    QTest::newRow("contents, up") << true << -1000;
    QTest::newRow("line, down") << false << 1000;
    QTest::newRow("line, up") << false << -1000;
}

void DockingBarsTest::EdgeDragAlongRowStopsAtMinimum()
{
    QFETCH(bool, opaque);
    QFETCH(int, delta);

    Site s({ attributesId, sourceId });
    s.site->DockControlBar(s.bars[1], AFX_IDW_DOCKBAR_LEFT, 0, false);
    s.bars[0]->minSizeVert.setHeight(100);
    s.bars[1]->minSizeVert.setHeight(150);
    DragStyle style(opaque);
    s.bars[0]->setStyle(&style);
    QCOMPARE(s.bars[0]->dragShowsContent, opaque);

    CViewBar* bar = s.bars[0];
    const QRect edge = *bar->EdgeRect(bar->rect(), HTBOTTOM);
    QCOMPARE(bar->HitTest(edge.center()), HTBOTTOM);
    const QPoint start = bar->mapToGlobal(edge.center());
    const int before = bar->geometry().height();
    bar->BeginEdgeDrag(HTBOTTOM, start);
    bar->DragEdgeTo(start + QPoint(0, delta));
    s.Settle();
    // Without contents shown only the line moves until the drag ends.
    QCOMPARE(s.site->IsDragLineVisible(), !opaque);
    QCOMPARE(bar->geometry().height() != before, opaque);
    bar->EndEdgeDrag();
    s.Settle();
    QVERIFY(!s.site->IsDragLineVisible());
    QVERIFY(!bar->IsTracking());
    if (delta > 0)
        QCOMPARE(s.bars[1]->height(), 150);
    else
        QCOMPARE(s.bars[0]->height(), 100);
    QCOMPARE(s.bars[0]->height() + s.bars[1]->height() - 2, 600);
    s.bars[0]->setStyle(nullptr);
}

void DockingBarsTest::EdgeDragTowardViewLeavesViewMinimum_data()
{
    QTest::addColumn<int>("dockBarId");
    QTest::addColumn<int>("hitCode");
    QTest::addColumn<QPoint>("direction");
    QTest::addColumn<int>("least");
    QTest::newRow("left bar, right edge") << AFX_IDW_DOCKBAR_LEFT << HTRIGHT << QPoint(1, 0) << 0;
    QTest::newRow("right bar, left edge") << AFX_IDW_DOCKBAR_RIGHT << HTLEFT << QPoint(-1, 0) << 0;
    QTest::newRow("top bar, bottom edge") << AFX_IDW_DOCKBAR_TOP << HTBOTTOM << QPoint(0, 1) << 0;
    QTest::newRow("bottom bar, top edge") << AFX_IDW_DOCKBAR_BOTTOM << HTTOP << QPoint(0, -1) << 0;
    QTest::newRow("left bar, view keeps 120")
        << AFX_IDW_DOCKBAR_LEFT << HTRIGHT << QPoint(1, 0) << 120;
    QTest::newRow("bottom bar, view keeps 120")
        << AFX_IDW_DOCKBAR_BOTTOM << HTTOP << QPoint(0, -1) << 120;
}

void DockingBarsTest::EdgeDragTowardViewLeavesViewMinimum()
{
    QFETCH(int, dockBarId);
    QFETCH(int, hitCode);
    QFETCH(QPoint, direction);
    QFETCH(int, least);

    Site s({ attributesId, sourceId });
    s.site->SetMinClientSize(QSize(least, least));
    s.site->DockControlBar(s.bars[0], dockBarId);
    s.site->DockControlBar(s.bars[1], dockBarId, 0, false);
    s.bars[1]->minSizeVert.setWidth(60);
    s.bars[1]->minSizeHorz.setHeight(60);
    CViewBar* bar = s.bars[0];
    QVERIFY(bar->EdgeRect(bar->rect(), hitCode).has_value());
    const QPoint start = bar->mapToGlobal(bar->EdgeRect(bar->rect(), hitCode)->center());

    bar->BeginEdgeDrag(hitCode, start);
    bar->DragEdgeTo(start + direction * 5000);
    bar->EndEdgeDrag();
    s.Settle();
    const QSize view = s.view->size();
    QCOMPARE(direction.x() ? view.width() : view.height(), std::max(2, least));

    // Back the other way: the row stops at the larger minimum of its two bars.
    const QPoint back = bar->mapToGlobal(bar->EdgeRect(bar->rect(), hitCode)->center());
    bar->BeginEdgeDrag(hitCode, back);
    bar->DragEdgeTo(back - direction * 5000);
    bar->EndEdgeDrag();
    s.Settle();
    const QSize size = bar->size();
    QCOMPARE(direction.x() ? size.width() : size.height(), 60);
    QCOMPARE(direction.x() ? s.bars[1]->width() : s.bars[1]->height(), 60);
}

void DockingBarsTest::FloatingBarKeepsMinimum()
{
    Site s({ attributesId });
    s.site->show();
    CViewBar* bar = s.bars[0];
    s.site->FloatControlBar(bar, QPoint(300, 300));
    MiniDockFrame* frame = s.site->GetMiniFrame(bar);
    QVERIFY(frame);
    QVERIFY(bar->IsFloating());
    QCOMPARE(bar->CalcDynamicLayout(5, 0), QSize(37, 200));
    QCOMPARE(bar->CalcDynamicLayout(5, LM_LENGTHY), QSize(37, 32));

    // Drag the bottom-right corner of the floating frame far up and left.
    const QPoint corner(frame->width() - 2, frame->height() - 2);
    QCOMPARE(frame->HitTest(corner), HTBOTTOMRIGHT);
    QTest::mousePress(frame, Qt::LeftButton, {}, corner);
    QTest::mouseMove(frame, QPoint(-500, -500));
    QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(-500, -500));
    QCOMPARE(bar->sizeFloat, QSize(37, 32));
    QCOMPARE(frame->size(), QSize(37, 32) + MiniDockFrame::DecorationSize());
}

void DockingBarsTest::CloseButtonHidesOnPressAndRelease_data()
{
    QTest::addColumn<bool>("pressOnButton");
    QTest::addColumn<bool>("releaseOnButton");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("press and release on it") << true << true << true;
    QTest::newRow("press on it, release elsewhere") << true << false << false;
    QTest::newRow("press elsewhere, release on it") << false << true << false;
}

void DockingBarsTest::CloseButtonHidesOnPressAndRelease()
{
    QFETCH(bool, pressOnButton);
    QFETCH(bool, releaseOnButton);
    QFETCH(bool, hidden);

    Site s({ attributesId, sourceId });
    s.site->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.site.get()));
    CViewBar* bar = s.bars[0];
    const QSize sizeVert = bar->sizeVert;
    const QPoint button = bar->CloseButtonRect().center();
    QCOMPARE(bar->HitTest(button), HTCLOSE);
    // A point of the caption band, away from the button.
    const QPoint elsewhere(bar->ClientRect().center().x(), bar->CloseButtonRect().center().y());
    QCOMPARE(bar->HitTest(elsewhere), HTCLIENT);

    QTest::mousePress(bar, Qt::LeftButton, {}, pressOnButton ? button : elsewhere);
    if (pressOnButton)
        QVERIFY(bar->GetCloseButton().pushed);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, releaseOnButton ? button : elsewhere);
    QCOMPARE(bar->isHidden(), hidden);
    QVERIFY(!bar->GetCloseButton().pushed);
    if (hidden) {
        // The other bar and the view take the space back; the sizes are kept.
        QCOMPARE(bar->sizeVert, sizeVert);
        s.site->ShowControlBar(bar, true, false);
        QVERIFY(!bar->isHidden());
    }
}

void DockingBarsTest::CaptionActiveOnlyWithFocusInside()
{
    Site s({ attributesId, sourceId });
    s.site->show();
    s.site->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.site.get()));

    s.bars[0]->GetView()->setFocus();
    QTRY_VERIFY(s.bars[0]->GetView()->hasFocus());
    QVERIFY(s.bars[0]->captionActive);
    QVERIFY(!s.bars[1]->captionActive);

    s.bars[1]->GetView()->setFocus();
    QTRY_VERIFY(s.bars[1]->GetView()->hasFocus());
    QVERIFY(!s.bars[0]->captionActive);
    QVERIFY(s.bars[1]->captionActive);

    s.view->setFocus();
    QTRY_VERIFY(s.view->hasFocus());
    QVERIFY(!s.bars[0]->captionActive);
    QVERIFY(!s.bars[1]->captionActive);
}

void DockingBarsTest::ViewFillsClientArea_data()
{
    QTest::addColumn<int>("dockBarId");
    QTest::newRow("top") << AFX_IDW_DOCKBAR_TOP;
    QTest::newRow("left") << AFX_IDW_DOCKBAR_LEFT;
    QTest::newRow("right") << AFX_IDW_DOCKBAR_RIGHT;
    QTest::newRow("bottom") << AFX_IDW_DOCKBAR_BOTTOM;
    QTest::newRow("floating") << AFX_IDW_DOCKBAR_FLOAT;
}

void DockingBarsTest::ViewFillsClientArea()
{
    QFETCH(int, dockBarId);

    Site s({ attributesId });
    CViewBar* bar = s.bars[0];
    if (dockBarId == AFX_IDW_DOCKBAR_FLOAT)
        s.site->FloatControlBar(bar, QPoint(10, 10));
    else
        s.site->DockControlBar(bar, dockBarId);
    s.site->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.site.get()));
    s.site->resize(700, 500);
    QCOMPARE(bar->GetInnerFrame()->geometry(), bar->ClientRect());
    QCOMPARE(bar->GetView()->size(), bar->ClientRect().size());
    QVERIFY(bar->rect().contains(bar->ClientRect()));
    // Docked bars give the gripper band its 12 pixels on the side the caption is on.
    const QRect margin = bar->rect();
    const QRect client = bar->ClientRect();
    if (IsHorizontalDockBar(dockBarId))
        QCOMPARE(client.left() - margin.left(), 5 + 12);
    else if (IsVerticalDockBar(dockBarId))
        QCOMPARE(client.top() - margin.top(), 5 + 12);
    else
        QCOMPARE(client.left() - margin.left(), 3);
}

void DockingBarsTest::EdgesFaceNeighboursAndView_data()
{
    QTest::addColumn<int>("dockBarId");
    QTest::addColumn<int>("firstEdges");
    QTest::addColumn<int>("secondEdges");
    QTest::newRow("left") << AFX_IDW_DOCKBAR_LEFT
                          << (CSizingControlBar::EdgeRight | CSizingControlBar::EdgeBottom)
                          << (CSizingControlBar::EdgeRight | CSizingControlBar::EdgeTop);
    QTest::newRow("top") << AFX_IDW_DOCKBAR_TOP
                         << (CSizingControlBar::EdgeBottom | CSizingControlBar::EdgeRight)
                         << (CSizingControlBar::EdgeBottom | CSizingControlBar::EdgeLeft);
    QTest::newRow("right") << AFX_IDW_DOCKBAR_RIGHT
                           << (CSizingControlBar::EdgeLeft | CSizingControlBar::EdgeBottom)
                           << (CSizingControlBar::EdgeLeft | CSizingControlBar::EdgeTop);
    QTest::newRow("bottom") << AFX_IDW_DOCKBAR_BOTTOM
                            << (CSizingControlBar::EdgeTop | CSizingControlBar::EdgeRight)
                            << (CSizingControlBar::EdgeTop | CSizingControlBar::EdgeLeft);
}

void DockingBarsTest::EdgesFaceNeighboursAndView()
{
    QFETCH(int, dockBarId);
    QFETCH(int, firstEdges);
    QFETCH(int, secondEdges);

    Site s({ attributesId, sourceId });
    s.site->DockControlBar(s.bars[0], dockBarId);
    s.site->DockControlBar(s.bars[1], dockBarId, 0, false);
    QCOMPARE(s.bars[0]->edgeStyle, firstEdges);
    QCOMPARE(s.bars[1]->edgeStyle, secondEdges);
}

void DockingBarsTest::DockingDragMovesBar()
{
    Site s({ attributesId, sourceId });
    s.site->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.site.get()));
    CViewBar* bar = s.bars[0];
    // Press on the caption band and drag to the right side of the site.
    const QPoint caption(bar->ClientRect().center().x(), bar->CloseButtonRect().center().y());
    QTest::mousePress(bar, Qt::LeftButton, {}, caption);
    QVERIFY(s.site->GetDockContext()->IsDragging());
    const QPoint target = s.site->mapTo(s.site.get(), QPoint(s.site->width() - 4, 300));
    QTest::mouseMove(s.site.get(), QPoint(400, 300));
    QTest::mouseMove(s.site.get(), target);
    QVERIFY(s.site->GetDockContext()->IsOutlineVisible());
    QTest::mouseRelease(s.site.get(), Qt::LeftButton, {}, target);
    QVERIFY(!s.site->GetDockContext()->IsDragging());
    QCOMPARE(bar->GetDockBarId(), AFX_IDW_DOCKBAR_RIGHT);
    QCOMPARE(
        RowIds(s.site->GetDockBar(AFX_IDW_DOCKBAR_RIGHT)), (QList<int> { 0, attributesId, 0 }));
    QCOMPARE(RowIds(s.Left()), (QList<int> { 0, sourceId, 0 }));
}

void DockingBarsTest::DoubleClickTogglesFloating()
{
    Site s({ attributesId });
    s.site->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.site.get()));
    CViewBar* bar = s.bars[0];
    const QPoint caption(bar->ClientRect().center().x(), bar->CloseButtonRect().center().y());
    QTest::mouseDClick(bar, Qt::LeftButton, {}, caption);
    QVERIFY(bar->IsFloating());
    MiniDockFrame* frame = s.site->GetMiniFrame(bar);
    QVERIFY(frame);
    QTest::mouseDClick(frame, Qt::LeftButton, {}, QPoint(20, MiniDockFrame::borderWidth + 4));
    QCOMPARE(bar->GetDockBarId(), AFX_IDW_DOCKBAR_LEFT);
    QVERIFY(!s.site->GetMiniFrame(bar));
}

void DockingBarsTest::ToggleReturnsToItsRow_data()
{
    QTest::addColumn<QList<QList<int>>>("rows");
    QTest::addColumn<int>("toggled");
    QTest::newRow("sharing a row") << QList<QList<int>> { { attributesId, sourceId } } << sourceId;
    QTest::newRow("alone in the first row")
        << QList<QList<int>> { { attributesId }, { sourceId } } << attributesId;
    QTest::newRow("alone between two rows")
        << QList<QList<int>> { { attributesId }, { sourceId }, { imageId } } << sourceId;
    QTest::newRow("first of a shared row")
        << QList<QList<int>> { { imageId }, { attributesId, sourceId } } << attributesId;
}

// Floating a docked bar and docking it again puts it back into the row it left (at the row's
// end), or into a row of its own at the same place when it had one.
void DockingBarsTest::ToggleReturnsToItsRow()
{
    QFETCH(QList<QList<int>>, rows);
    QFETCH(int, toggled);
    Site s;
    s.site->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.site.get()));
    auto byId = [&s](int id) {
        for (CViewBar* bar : s.bars) {
            if (bar->GetBarId() == id)
                return bar;
        }
        return static_cast<CViewBar*>(nullptr);
    };
    for (CViewBar* bar : s.bars)
        s.site->DockControlBar(bar, AFX_IDW_DOCKBAR_RIGHT);
    QList<int> expected { 0 };
    for (int row = 0; row < rows.size(); ++row) {
        for (int i = 0; i < rows[row].size(); ++i)
            s.site->DockControlBar(byId(rows[row][i]), AFX_IDW_DOCKBAR_LEFT, i ? row : -1, !i);
        expected << rows[row] << 0;
    }
    QCOMPARE(RowIds(s.Left()), expected);
    // Where the bar goes back: to the end of its row when it shared one.
    for (const QList<int>& row : rows) {
        if (row.size() > 1 && row.contains(toggled)) {
            const qsizetype at = expected.indexOf(toggled);
            expected.remove(at);
            expected.insert(expected.indexOf(0, at), toggled);
        }
    }
    CViewBar* bar = byId(toggled);
    s.site->ToggleDocking(bar);
    QVERIFY(bar->IsFloating());
    s.site->ToggleDocking(bar);
    QCOMPARE(bar->GetDockBarId(), AFX_IDW_DOCKBAR_LEFT);
    QCOMPARE(RowIds(s.Left()), expected);
}

void DockingBarsTest::ToggleFloatsWhereItFloated()
{
    Site s({ attributesId });
    s.site->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.site.get()));
    CViewBar* bar = s.bars[0];
    const QPoint floated = s.site->mapToGlobal(QPoint(310, 220));
    s.site->FloatControlBar(bar, floated);
    s.site->ToggleDocking(bar);
    QVERIFY(!bar->IsFloating());
    s.site->ToggleDocking(bar);
    QVERIFY(bar->IsFloating());
    QCOMPARE(s.site->GetMiniFrame(bar)->pos(), floated);
}

// A floating frame closed from outside (by a window manager) hides its bar, so that showing
// the bar brings the frame back.
void DockingBarsTest::ClosingFloatingFrameHidesBar()
{
    Site s({ attributesId });
    s.site->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.site.get()));
    CViewBar* bar = s.bars[0];
    s.site->FloatControlBar(bar, s.site->mapToGlobal(QPoint(100, 100)));
    MiniDockFrame* frame = s.site->GetMiniFrame(bar);
    QVERIFY(frame->isVisible());
    frame->close();
    QVERIFY(!bar->IsVisibleBar());
    QVERIFY(!frame->isVisible());
    s.site->ShowControlBar(bar, true, false);
    QVERIFY(bar->IsVisibleBar());
    QVERIFY(s.site->GetMiniFrame(bar)->isVisible());
}

void DockingBarsTest::EdgeDragEndsWhenMouseIsLost_data()
{
    QTest::addColumn<bool>("deactivate");
    QTest::newRow("window deactivated") << true;
    QTest::newRow("move without the button") << false;
}

// When the button's release goes elsewhere (another window took the mouse), the edge drag ends
// and later moves leave the sizes alone.
void DockingBarsTest::EdgeDragEndsWhenMouseIsLost()
{
    QFETCH(bool, deactivate);
    Site s({ attributesId });
    s.site->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.site.get()));
    CViewBar* bar = s.bars[0];
    const QRect edge = *bar->EdgeRect(bar->rect(), HTRIGHT);
    bar->BeginEdgeDrag(HTRIGHT, bar->mapToGlobal(edge.center()));
    QVERIFY(bar->IsTracking());
    const int width = bar->sizeVert.width();
    if (deactivate) {
        QEvent event(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(bar, &event);
    }
    // The next move that reaches the bar, with no button held.
    const QPointF to = edge.center() + QPoint(50, 0);
    QMouseEvent move(
        QEvent::MouseMove, to, bar->mapToGlobal(to), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &move);
    QVERIFY(!bar->IsTracking());
    QCOMPARE(bar->sizeVert.width(), width);
}

void DockingBarsTest::EdgeDragWithoutRoomKeepsMinimum_data()
{
    QTest::addColumn<int>("dockBarId");
    QTest::addColumn<int>("hitCode");
    QTest::newRow("left bar, right edge") << AFX_IDW_DOCKBAR_LEFT << HTRIGHT;
    QTest::newRow("right bar, left edge") << AFX_IDW_DOCKBAR_RIGHT << HTLEFT;
}

// A bar at its minimum in a frame that leaves the view no room can neither grow nor shrink.
void DockingBarsTest::EdgeDragWithoutRoomKeepsMinimum()
{
    QFETCH(int, dockBarId);
    QFETCH(int, hitCode);
    Site s({ attributesId });
    CViewBar* bar = s.bars[0];
    s.site->DockControlBar(bar, dockBarId);
    bar->minSizeVert.setWidth(60);
    bar->sizeVert.setWidth(60);
    s.site->resize(60, 400);
    s.site->RecalcLayout();
    s.Settle();
    QVERIFY(s.view->width() <= 1);
    for (const int move : { -10, 10 }) {
        const QPoint start = bar->mapToGlobal(bar->EdgeRect(bar->rect(), hitCode)->center());
        bar->BeginEdgeDrag(hitCode, start);
        bar->DragEdgeTo(start + QPoint(move, 0));
        bar->EndEdgeDrag();
        s.Settle();
        QCOMPARE(bar->sizeVert.width(), 60);
    }
}

void DockingBarsTest::DelayedShowWaitsForLayout()
{
    Site s({ attributesId });
    CViewBar* bar = s.bars[0];
    const int viewWidth = s.view->width();
    s.site->ShowControlBar(bar, false, true);
    QVERIFY(!bar->IsVisibleBar());
    QVERIFY(!bar->isHidden());
    QCOMPARE(s.view->width(), viewWidth);
    s.Settle();
    QVERIFY(bar->isHidden());
    QCOMPARE(s.view->width(), 800);
}

void DockingBarsTest::LayoutRoundTrip()
{
    AppSettings settings(dir->filePath(QStringLiteral("t.conf")));
    const QString prefix = QStringLiteral("Layout\\");
    {
        Site s;
        s.site->show();
        s.site->DockControlBar(s.bars[1], AFX_IDW_DOCKBAR_BOTTOM);
        s.site->DockControlBar(s.bars[0], AFX_IDW_DOCKBAR_BOTTOM, 0, false);
        s.site->FloatControlBar(s.bars[2], QPoint(120, 140));
        s.site->ShowControlBar(s.bars[0], false, false);
        s.bars[1]->sizeHorz.setHeight(150);
        s.bars[2]->sizeFloat = QSize(260, 180);
        s.bars[0]->sizeVert = QSize(90, 300);
        s.site->RecalcLayout();
        CSizingControlBar::SaveAllBarSizes(*s.site, settings, prefix);
        s.site->SaveBarState(settings, QStringLiteral("Layout"));
    }
    Site s;
    s.site->show();
    QVERIFY(s.site->VerifyBarState(settings, QStringLiteral("Layout")));
    s.site->LoadBarState(settings, QStringLiteral("Layout"));
    CSizingControlBar::LoadAllBarSizes(*s.site, settings, prefix);
    s.Settle();
    QCOMPARE(RowIds(s.site->GetDockBar(AFX_IDW_DOCKBAR_BOTTOM)),
        (QList<int> { 0, sourceId, attributesId, 0 }));
    QCOMPARE(RowIds(s.Left()), (QList<int> { 0 }));
    QVERIFY(s.bars[0]->isHidden());
    QVERIFY(!s.bars[1]->isHidden());
    QVERIFY(s.bars[2]->IsFloating());
    QCOMPARE(s.site->GetMiniFrame(s.bars[2])->pos(), QPoint(120, 140));
    QCOMPARE(s.bars[1]->sizeHorz.height(), 150);
    QCOMPARE(s.bars[1]->height(), 150);
    QCOMPARE(s.bars[2]->sizeFloat, QSize(260, 180));
    QCOMPARE(s.bars[0]->sizeVert, QSize(90, 300));
}

void DockingBarsTest::LayoutWithUnknownBarIsIgnored()
{
    AppSettings settings(dir->filePath(QStringLiteral("t.conf")));
    {
        Site s;
        s.site->DockControlBar(s.bars[2], AFX_IDW_DOCKBAR_TOP);
        s.site->SaveBarState(settings, QStringLiteral("Layout"));
    }
    // A frame without the image bar rejects the layout as a whole.
    Site s({ attributesId, sourceId });
    QVERIFY(!s.site->VerifyBarState(settings, QStringLiteral("Layout")));
    QCOMPARE(RowIds(s.Left()), (QList<int> { 0, attributesId, 0, sourceId, 0 }));
    // No saved layout at all is not accepted either.
    AppSettings empty(dir->filePath(QStringLiteral("empty.conf")));
    QVERIFY(!s.site->VerifyBarState(empty, QStringLiteral("Layout")));
}

void DockingBarsTest::DamagedLayout_data()
{
    QTest::addColumn<QString>("entries");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    // Written over a layout with bar 59749 in 59748's row at the left (Bar5) and 59750 floating
    // (Bar2, SCBar-59750). The default puts each at the left in a row of its own.
    const QString left = u"Layout/Bar5/Bars"_s;
    const QString start = u"0 59748 0 59749 0 59750 0"_s;
    QString floating;
    for (int i = 8; i < 65; ++i)
        floating += u";Layout/Bar%1/BarID=59423;Layout/Bar%1/Floating=1"_s.arg(i);
    QTest::newRow("65 records") << u"Layout/Bars=65"_s + floating << left << start;
    QTest::newRow("count at the integer limit")
        << u"Layout/Bars=2147483647"_s + floating << left << start;
    QTest::newRow("bar twice in a row") << u"Layout/Bar5/Bars=0 59748 0 59748 0"_s << left << start;
    QTest::newRow("bar in two dock bars") << u"Layout/Bar4/Bars=0 59748 0"_s << left << start;
    QTest::newRow("bar recorded twice") << u"Layout/Bar1/BarID=59748"_s << left << start;
    QTest::newRow("length at the integer limit")
        << u"Layout/SCBar-59748/sizeVertCY=2147483647"_s << u"Layout/SCBar-59748/sizeVertCY"_s
        << u"32767"_s;
    QTest::newRow("thickness at the lowest integer")
        << u"Layout/SCBar-59749/sizeVertCX=-2147483648"_s << u"Layout/SCBar-59749/sizeVertCX"_s
        << u"33"_s;
    QTest::newRow("floating width") << u"Layout/SCBar-59750/sizeFloatCX=40000"_s
                                    << u"Layout/SCBar-59750/sizeFloatCX"_s << u"32767"_s;
    // The frame, 200 + 8 wide, comes back to the right edge of the 800 × 600 screen.
    QTest::newRow("floating x") << u"Layout/Bar2/XPos=2147483647"_s << u"Layout/Bar2/XPos"_s
                                << u"592"_s;
    QTest::newRow("floating y") << u"Layout/Bar2/YPos=-2147483648"_s << u"Layout/Bar2/YPos"_s
                                << u"0"_s;
}

// A damaged layout loads and saves as the frame does at start and exit: a layout no run of the
// program writes leaves the bars where they start, sizes come within their minimum and 32767,
// floating frames on the screen, and the save ends whatever count the file claims.
void DockingBarsTest::DamagedLayout()
{
    QFETCH(QString, entries);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const QString fileName = dir->filePath(u"t.conf"_s);
    const QString prefix = u"Layout\\"_s;
    {
        AppSettings settings(fileName);
        Site s;
        s.site->DockControlBar(s.bars[1], AFX_IDW_DOCKBAR_LEFT, 0, false);
        s.site->FloatControlBar(s.bars[2], QPoint(100, 100));
        CSizingControlBar::SaveAllBarSizes(*s.site, settings, prefix);
        s.site->SaveBarState(settings, u"Layout"_s);
    }
    {
        QSettings file(fileName, QSettings::IniFormat);
        for (const QString& entry : entries.split(u';'))
            file.setValue(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    }
    AppSettings settings(fileName);
    Site s;
    s.site->show();
    if (s.site->VerifyBarState(settings, u"Layout"_s)) {
        s.site->LoadBarState(settings, u"Layout"_s);
        CSizingControlBar::LoadAllBarSizes(*s.site, settings, prefix);
    }
    CSizingControlBar::SaveAllBarSizes(*s.site, settings, prefix);
    s.site->SaveBarState(settings, u"Layout"_s);
    QCOMPARE(settings.GetProfileString(key.section(u'/', 0, -2), key.section(u'/', -1)), expected);
    // The rows are laid out with what was read.
    s.Settle();
}

void DockingBarsTest::GradientCoversCaption_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("count");
    QTest::newRow("wide band, left to right") << QRect(10, 5, 180, 11) << true << 64;
    QTest::newRow("tall band, bottom up") << QRect(4, 20, 11, 300) << false << 64;
    QTest::newRow("short band, empty slices skipped") << QRect(0, 0, 11, 20) << false << 20;
}

void DockingBarsTest::GradientCoversCaption()
{
    QFETCH(QRect, rect);
    QFETCH(bool, vertical);
    QFETCH(int, count);

    const QColor start(0, 0, 128);
    const QColor end(166, 202, 240);
    const auto slices = CSizingControlBarCF::GradientSlices(rect, start, end, vertical);
    QCOMPARE(int(slices.size()), count);
    int covered = 0;
    for (const auto& [slice, color] : slices) {
        QVERIFY(rect.contains(slice));
        covered += slice.width() * slice.height();
    }
    QCOMPARE(covered, rect.width() * rect.height());
    // The gradient starts at the left or at the bottom.
    QCOMPARE(vertical ? slices.front().first.left() : slices.front().first.bottom(),
        vertical ? rect.left() : rect.bottom());
    if (count == 64)
        QCOMPARE(slices.front().second, start);
    QCOMPARE(CSizingControlBarCF::Blend(start, end, 63, 64), QColor(163, 198, 238));
}

void DockingBarsTest::ToolBarRunsAlongItsSide_data()
{
    QTest::addColumn<int>("dockBarId");
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::newRow("top") << AFX_IDW_DOCKBAR_TOP << Qt::Horizontal;
    QTest::newRow("left") << AFX_IDW_DOCKBAR_LEFT << Qt::Vertical;
    QTest::newRow("right") << AFX_IDW_DOCKBAR_RIGHT << Qt::Vertical;
    QTest::newRow("bottom") << AFX_IDW_DOCKBAR_BOTTOM << Qt::Horizontal;
}

void DockingBarsTest::ToolBarRunsAlongItsSide()
{
    QFETCH(int, dockBarId);
    QFETCH(Qt::Orientation, orientation);

    Site s(QList<int> {});
    auto* toolBar = new ControlToolBar;
    toolBar->SetBarId(59392);
    for (const QString& text : { QStringLiteral("New"), QStringLiteral("Open") })
        toolBar->GetToolBar()->addAction(text);
    s.site->AddControlBar(toolBar);
    s.site->DockControlBar(toolBar, dockBarId);
    s.site->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.site.get()));
    QCOMPARE(toolBar->GetToolBar()->orientation(), orientation);
    // The view gets everything but the toolbar's thickness.
    const QSize view = s.view->size();
    if (orientation == Qt::Horizontal)
        QCOMPARE(view.height() + toolBar->height(), 600);
    else
        QCOMPARE(view.width() + toolBar->width(), 800);
}

QTEST_MAIN(DockingBarsTest)
#include "tst_dockingbars.moc"
