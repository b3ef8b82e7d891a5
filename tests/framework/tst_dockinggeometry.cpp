#include "AppSettings.h"
#include "BarSizes.h"
#include "BarState.h"
#include "DockGeometry.h"
#include "DockIds.h"
#include "RowGeometry.h"
#include "WindowPlacement.h"

#include <QTemporaryDir>
#include <QTest>

#include <numeric>

using RowGeometry::RowBar;

Q_DECLARE_METATYPE(std::vector<int>)

namespace {
std::vector<RowBar> SizingRow(const std::vector<int>& lengths, const std::vector<int>& minimums)
{
    std::vector<RowBar> row;
    for (size_t i = 0; i < lengths.size(); ++i)
        row.push_back(RowBar { true, lengths[i], 100, minimums[i], false });
    return row;
}

std::vector<int> Lengths(const std::vector<RowBar>& row)
{
    std::vector<int> lengths;
    for (const RowBar& bar : row)
        lengths.push_back(bar.length);
    return lengths;
}

// The length a row of overlapping bars covers.
int Covered(const std::vector<RowBar>& row)
{
    return std::accumulate(
        row.begin(), row.end(), 0, [](int sum, const RowBar& bar) { return sum + bar.length - 2; });
}
}

class DockingGeometryTest : public QObject {
    Q_OBJECT

private slots:
    void FitRowSplitsOverlongRow_data();
    void FitRowSplitsOverlongRow();
    void FitRowHandsOutPixelsInTurn_data();
    void FitRowHandsOutPixelsInTurn();
    void FitRowNewlyShownBarKeepsSize();
    void FitRowKeptBarGivesWhenOthersCannot();
    void FitRowFixedBarTakesItsLength();
    void RowPositionsOverlap();
    void RowEdgeDragStopsAtMinimums_data();
    void RowEdgeDragStopsAtMinimums();
    void CentreEdgeDragLimits_data();
    void CentreEdgeDragLimits();
    void FloatingResizeKeepsMinimum_data();
    void FloatingResizeKeepsMinimum();
    void FloatingResizeKeepsOppositeSides();
    void LoadSizesAppliesMinimums_data();
    void LoadSizesAppliesMinimums();
    void SizesRoundTrip();
    void VerifyBarState_data();
    void VerifyBarState();
    void BarStateRoundTrip();
    void SiteLayoutNeverGivesNegativeClient_data();
    void SiteLayoutNeverGivesNegativeClient();
    void DockBarRowsOverlapAndStack();
    void DockTarget_data();
    void DockTarget();
    void ShrinkRowsKeepsProportions_data();
    void ShrinkRowsKeepsProportions();
    void FitOnScreens_data();
    void FitOnScreens();
};

void DockingGeometryTest::FitRowSplitsOverlongRow_data()
{
    QTest::addColumn<std::vector<int>>("minimums");
    QTest::addColumn<int>("self");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("fitted");
    QTest::addColumn<int>("separatorBefore");

    // needed = 2 + sum(minimum - 2); a row of three minimums 100 needs 296.
    QTest::newRow("fits") << std::vector<int> { 100, 100, 100 } << 0 << 296 << true << -1;
    QTest::newRow("third overflows, after self")
        << std::vector<int> { 100, 100, 100 } << 0 << 295 << true << 2;
    QTest::newRow("second overflows, after self")
        << std::vector<int> { 100, 100, 100 } << 0 << 150 << true << 1;
    QTest::newRow("overflow before self")
        << std::vector<int> { 100, 100, 100 } << 2 << 150 << false << 2;
    QTest::newRow("self overflows") << std::vector<int> { 100, 100, 100 } << 1 << 150 << true << -1;
}

void DockingGeometryTest::FitRowSplitsOverlongRow()
{
    QFETCH(std::vector<int>, minimums);
    QFETCH(int, self);
    QFETCH(int, length);
    QFETCH(bool, fitted);
    QFETCH(int, separatorBefore);

    std::vector<RowBar> row = SizingRow(minimums, minimums);
    const RowGeometry::FitRowResult result = RowGeometry::FitRow(row, self, length);
    QCOMPARE(result.fitted, fitted);
    QCOMPARE(result.separatorBefore, separatorBefore);
    if (fitted && separatorBefore > 0) {
        // The bars that stay in the row cover it exactly.
        row.resize(size_t(separatorBefore));
        QCOMPARE(Covered(row), length);
    }
}

void DockingGeometryTest::FitRowHandsOutPixelsInTurn_data()
{
    QTest::addColumn<std::vector<int>>("lengths");
    QTest::addColumn<int>("length");
    QTest::addColumn<std::vector<int>>("expected");

    QTest::newRow("grow by 3") << std::vector<int> { 100, 100 } << 199
                               << std::vector<int> { 102, 101 };
    QTest::newRow("shrink by 3") << std::vector<int> { 100, 100 } << 193
                                 << std::vector<int> { 98, 99 };
    QTest::newRow("grow three by 4")
        << std::vector<int> { 50, 60, 70 } << 178 << std::vector<int> { 52, 61, 71 };
    QTest::newRow("shrink stops at minimum")
        << std::vector<int> { 34, 100 } << 120 << std::vector<int> { 33, 91 };
    QTest::newRow("no change") << std::vector<int> { 100, 100 } << 196
                               << std::vector<int> { 100, 100 };
}

void DockingGeometryTest::FitRowHandsOutPixelsInTurn()
{
    QFETCH(std::vector<int>, lengths);
    QFETCH(int, length);
    QFETCH(std::vector<int>, expected);

    std::vector<RowBar> row = SizingRow(lengths, std::vector<int>(lengths.size(), 33));
    QVERIFY(RowGeometry::FitRow(row, 0, length).fitted);
    QCOMPARE(Lengths(row), expected);
    QCOMPARE(Covered(row), length);
}

void DockingGeometryTest::FitRowNewlyShownBarKeepsSize()
{
    std::vector<RowBar> row = SizingRow({ 100, 120, 80 }, { 33, 33, 33 });
    row[1].keepSize = true;
    QVERIFY(RowGeometry::FitRow(row, 0, 280).fitted);
    QCOMPARE(Lengths(row), (std::vector<int> { 93, 120, 73 }));
    QCOMPARE(row[1].keepSize, false);
}

void DockingGeometryTest::FitRowKeptBarGivesWhenOthersCannot()
{
    std::vector<RowBar> row = SizingRow({ 100, 33 }, { 33, 33 });
    row[0].keepSize = true;
    QVERIFY(RowGeometry::FitRow(row, 0, 124).fitted);
    QCOMPARE(Lengths(row), (std::vector<int> { 95, 33 }));
}

void DockingGeometryTest::FitRowFixedBarTakesItsLength()
{
    std::vector<RowBar> row = SizingRow({ 100, 100 }, { 33, 33 });
    row.insert(row.begin(), RowBar { false, 60, 30, 60, false });
    QVERIFY(RowGeometry::FitRow(row, 1, 300).fitted);
    // 300 - (60 - 2) = 242 shared by the sizing bars.
    QCOMPARE(row[1].length + row[2].length - 4, 242);
    QCOMPARE(row[0].length, 60);
}

void DockingGeometryTest::RowPositionsOverlap()
{
    const std::vector<RowBar> row = SizingRow({ 100, 50, 70 }, { 33, 33, 33 });
    QCOMPARE(RowGeometry::RowPositions(row, true), (std::vector<int> { -2, 96, 144 }));
    QCOMPARE(RowGeometry::RowPositions(row, false), (std::vector<int> { 0, 98, 146 }));
}

void DockingGeometryTest::RowEdgeDragStopsAtMinimums_data()
{
    QTest::addColumn<int>("self");
    QTest::addColumn<bool>("trailing");
    QTest::addColumn<int>("delta");
    QTest::addColumn<std::vector<int>>("expected");

    // Lengths 100, 80, 60 with minimums 40, 50, 33.
    QTest::newRow("trailing of first, far right")
        << 0 << true << 500 << std::vector<int> { 157, 50, 33 };
    QTest::newRow("trailing of first, far left")
        << 0 << true << -500 << std::vector<int> { 40, 140, 60 };
    QTest::newRow("leading of last, far left")
        << 2 << false << -500 << std::vector<int> { 40, 50, 150 };
    QTest::newRow("leading of middle, small")
        << 1 << false << 10 << std::vector<int> { 110, 70, 60 };
    QTest::newRow("trailing of middle, far right")
        << 1 << true << 500 << std::vector<int> { 100, 107, 33 };
}

void DockingGeometryTest::RowEdgeDragStopsAtMinimums()
{
    QFETCH(int, self);
    QFETCH(bool, trailing);
    QFETCH(int, delta);
    QFETCH(std::vector<int>, expected);

    std::vector<RowBar> row = SizingRow({ 100, 80, 60 }, { 40, 50, 33 });
    const int start = 1000;
    const RowGeometry::DragRange range = RowGeometry::RowDragRange(row, self, trailing, start);
    const int position = std::clamp(start + delta, range.minimum, range.maximum);
    RowGeometry::DragRowEdge(row, self, trailing, position - start);
    QCOMPARE(Lengths(row), expected);
    QCOMPARE(Covered(row), 234);
}

void DockingGeometryTest::CentreEdgeDragLimits_data()
{
    QTest::addColumn<bool>("leading");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("thickness");
    QTest::addColumn<int>("view");

    // A bar 150 thick whose row needs at least 60, beside a view 300 long.
    QTest::newRow("top edge up: view keeps 2") << true << -1000 << 448 << 2;
    QTest::newRow("top edge down: row minimum") << true << 1000 << 60 << 390;
    QTest::newRow("bottom edge down: view keeps 2") << false << 1000 << 448 << 2;
    QTest::newRow("bottom edge up: row minimum") << false << -1000 << 60 << 390;
    QTest::newRow("inside the range") << false << 20 << 170 << 280;
}

void DockingGeometryTest::CentreEdgeDragLimits()
{
    QFETCH(bool, leading);
    QFETCH(int, delta);
    QFETCH(int, thickness);
    QFETCH(int, view);

    const int start = 500;
    const int room = 300 - 2;
    const RowGeometry::DragRange range
        = RowGeometry::CentreDragRange(150, 60, room, leading, start);
    const int moved = std::clamp(start + delta, range.minimum, range.maximum) - start;
    // A leading edge grows the bar when it moves back, a trailing one when it moves on.
    const int newThickness = leading ? 150 - moved : 150 + moved;
    QCOMPARE(newThickness, thickness);
    QCOMPARE(300 - (newThickness - 150), view);
}

void DockingGeometryTest::FloatingResizeKeepsMinimum_data()
{
    QTest::addColumn<int>("hitCode");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QSize>("expected");

    // Frame (100,100)-(339,339), bar 200 × 200 inside it.
    QTest::newRow("bottom-right far in") << HTBOTTOMRIGHT << QPoint(0, 0) << QSize(37, 32);
    QTest::newRow("top-left far in") << HTTOPLEFT << QPoint(900, 900) << QSize(37, 32);
    QTest::newRow("top-right far in") << HTTOPRIGHT << QPoint(0, 900) << QSize(37, 32);
    QTest::newRow("bottom-left far in") << HTBOTTOMLEFT << QPoint(900, 0) << QSize(37, 32);
    QTest::newRow("bottom-right out") << HTBOTTOMRIGHT << QPoint(350, 360) << QSize(210, 220);
    QTest::newRow("top-left out") << HTTOPLEFT << QPoint(90, 80) << QSize(210, 220);
    QTest::newRow("left edge in") << HTLEFT << QPoint(900, 200) << QSize(37, 200);
}

void DockingGeometryTest::FloatingResizeKeepsMinimum()
{
    QFETCH(int, hitCode);
    QFETCH(QPoint, point);
    QFETCH(QSize, expected);

    BarSizes sizes;
    const QRect frame(100, 100, 240, 240);
    const QRect bar(120, 130, 200, 200);
    QCOMPARE(sizes.ResizeFloating(hitCode, point, frame, bar).sizeFloat, expected);
}

void DockingGeometryTest::FloatingResizeKeepsOppositeSides()
{
    BarSizes sizes;
    const QRect frame(100, 100, 240, 240);
    const QRect bar(120, 130, 200, 200);
    const BarSizes::FloatingResize grown
        = sizes.ResizeFloating(HTTOPLEFT, QPoint(90, 80), frame, bar);
    QCOMPARE(grown.frameTopLeft, QPoint(90, 80));
    const BarSizes::FloatingResize shrunk
        = sizes.ResizeFloating(HTTOPLEFT, QPoint(900, 900), frame, bar);
    // The frame's right and bottom sides stay where they were.
    QCOMPARE(shrunk.frameTopLeft, QPoint(100 + 200 - 37, 100 + 200 - 32));
}

void DockingGeometryTest::LoadSizesAppliesMinimums_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("loaded");

    QTest::newRow("sizeVertCX 10") << QStringLiteral("sizeVertCX") << 10 << 33;
    QTest::newRow("sizeVertCY 10") << QStringLiteral("sizeVertCY") << 10 << 32;
    QTest::newRow("sizeHorzCX 10") << QStringLiteral("sizeHorzCX") << 10 << 33;
    QTest::newRow("sizeHorzCY 31") << QStringLiteral("sizeHorzCY") << 31 << 32;
    QTest::newRow("sizeFloatCX 36") << QStringLiteral("sizeFloatCX") << 36 << 37;
    QTest::newRow("sizeFloatCY -5") << QStringLiteral("sizeFloatCY") << -5 << 32;
    QTest::newRow("sizeVertCX 250") << QStringLiteral("sizeVertCX") << 250 << 250;
}

void DockingGeometryTest::LoadSizesAppliesMinimums()
{
    QFETCH(QString, name);
    QFETCH(int, stored);
    QFETCH(int, loaded);

    QTemporaryDir dir;
    AppSettings settings(dir.filePath(QStringLiteral("t.conf")));
    const QString section = BarSizes::BarSection(QStringLiteral("Layout\\"), 59749);
    QCOMPARE(section, QStringLiteral("Layout\\SCBar-59749"));
    settings.WriteProfileInt(section, name, stored);

    BarSizes sizes;
    sizes.LoadSizes(settings, section);
    const int values[] = { sizes.sizeHorz.width(), sizes.sizeHorz.height(), sizes.sizeVert.width(),
        sizes.sizeVert.height(), sizes.sizeFloat.width(), sizes.sizeFloat.height() };
    const QStringList names { QStringLiteral("sizeHorzCX"), QStringLiteral("sizeHorzCY"),
        QStringLiteral("sizeVertCX"), QStringLiteral("sizeVertCY"), QStringLiteral("sizeFloatCX"),
        QStringLiteral("sizeFloatCY") };
    for (int i = 0; i < 6; ++i)
        QCOMPARE(values[i], names[i] == name ? loaded : 200);
}

void DockingGeometryTest::SizesRoundTrip()
{
    QTemporaryDir dir;
    AppSettings settings(dir.filePath(QStringLiteral("t.conf")));
    BarSizes saved;
    saved.sizeHorz = QSize(310, 120);
    saved.sizeVert = QSize(140, 260);
    saved.sizeFloat = QSize(222, 111);
    saved.SaveSizes(settings, QStringLiteral("Layout\\SCBar-1"));

    BarSizes loaded;
    loaded.LoadSizes(settings, QStringLiteral("Layout\\SCBar-1"));
    QCOMPARE(loaded.sizeHorz, saved.sizeHorz);
    QCOMPARE(loaded.sizeVert, saved.sizeVert);
    QCOMPARE(loaded.sizeFloat, saved.sizeFloat);
}

void DockingGeometryTest::VerifyBarState_data()
{
    QTest::addColumn<int>("ownId");
    QTest::addColumn<bool>("floating");
    QTest::addColumn<std::vector<int>>("bars");
    QTest::addColumn<bool>("accepted");

    // The frame has bars 59748 and 59749 and the dock bars.
    QTest::newRow("known") << AFX_IDW_DOCKBAR_LEFT << false
                           << std::vector<int> { 0, 59748, 0, 59749, 0 } << true;
    QTest::newRow("unknown listed bar")
        << AFX_IDW_DOCKBAR_LEFT << false << std::vector<int> { 0, 59748, 59999, 0 } << false;
    QTest::newRow("high bits ignored")
        << AFX_IDW_DOCKBAR_LEFT << false << std::vector<int> { 0, 0x10000 + 59748, 0 } << true;
    QTest::newRow("unknown own id docked") << 12345 << false << std::vector<int> {} << false;
    QTest::newRow("unknown own id floating")
        << 12345 << true << std::vector<int> { 0, 59749, 0 } << true;
}

void DockingGeometryTest::VerifyBarState()
{
    QFETCH(int, ownId);
    QFETCH(bool, floating);
    QFETCH(std::vector<int>, bars);
    QFETCH(bool, accepted);

    BarState state;
    state.records.push_back(BarState::BarRecord { 59748, true, false, {}, {} });
    state.records.push_back(BarState::BarRecord { ownId, true, floating, {}, bars });
    const auto exists = [](int id) {
        return id == 59748 || id == 59749
            || (id >= AFX_IDW_DOCKBAR_TOP && id <= AFX_IDW_DOCKBAR_BOTTOM);
    };
    QCOMPARE(state.Verify(exists), accepted);
}

void DockingGeometryTest::BarStateRoundTrip()
{
    QTemporaryDir dir;
    AppSettings settings(dir.filePath(QStringLiteral("t.conf")));
    BarState saved;
    saved.records.push_back(BarState::BarRecord { 59748, false, true, QPoint(30, 40), {} });
    saved.records.push_back(
        BarState::BarRecord { AFX_IDW_DOCKBAR_LEFT, true, false, {}, { 0, 59749, 59750, 0 } });
    saved.records.push_back(BarState::BarRecord { 59749, true, false, {}, {} });
    saved.Save(settings, QStringLiteral("Layout"));

    BarState loaded;
    QVERIFY(loaded.Load(settings, QStringLiteral("Layout")));
    QCOMPARE(loaded.records.size(), saved.records.size());
    for (size_t i = 0; i < saved.records.size(); ++i) {
        QCOMPARE(loaded.records[i].barId, saved.records[i].barId);
        QCOMPARE(loaded.records[i].visible, saved.records[i].visible);
        QCOMPARE(loaded.records[i].floating, saved.records[i].floating);
        QCOMPARE(loaded.records[i].floatPos, saved.records[i].floatPos);
        QCOMPARE(loaded.records[i].bars, saved.records[i].bars);
    }

    // A shorter layout saved later leaves no stale records behind.
    saved.records.resize(1);
    saved.Save(settings, QStringLiteral("Layout"));
    QVERIFY(loaded.Load(settings, QStringLiteral("Layout")));
    QCOMPARE(loaded.records.size(), size_t(1));
    QCOMPARE(
        settings.GetProfileInt(QStringLiteral("Layout\\Bar2"), QStringLiteral("BarID"), -1), -1);
}

void DockingGeometryTest::SiteLayoutNeverGivesNegativeClient_data()
{
    QTest::addColumn<QSize>("area");
    QTest::addColumn<QList<int>>("thickness");
    QTest::addColumn<QRect>("client");

    QTest::newRow("room") << QSize(800, 600) << QList<int> { 30, 200, 100, 50 }
                          << QRect(200, 30, 500, 520);
    QTest::newRow("too tall") << QSize(800, 100) << QList<int> { 80, 10, 10, 80 }
                              << QRect(10, 80, 780, 0);
    QTest::newRow("too wide") << QSize(300, 600) << QList<int> { 0, 250, 250, 0 }
                              << QRect(250, 0, 0, 600);
}

void DockingGeometryTest::SiteLayoutNeverGivesNegativeClient()
{
    QFETCH(QSize, area);
    QFETCH(QList<int>, thickness);
    QFETCH(QRect, client);

    const DockGeometry::DockSiteLayout layout = DockGeometry::LayoutDockSite(
        QRect(QPoint(0, 0), area), thickness[0], thickness[1], thickness[2], thickness[3]);
    QCOMPARE(layout.client, client);
    QCOMPARE(layout.top.width(), area.width());
    QCOMPARE(layout.bottom.bottom(), area.height() - 1);
    QCOMPARE(layout.left.top(), layout.top.bottom() + 1);
}

void DockingGeometryTest::DockBarRowsOverlapAndStack()
{
    using DockGeometry::RowItem;
    const DockGeometry::DockBarLayout layout = DockGeometry::LayoutDockBar(
        { { RowItem { QSize(300, 24), false } },
            { RowItem { QSize(100, 80), true }, RowItem { QSize(120, 90), true } } },
        true);
    QCOMPARE(layout.rects[0][0], QRect(0, 0, 300, 24));
    QCOMPARE(layout.rects[1][0], QRect(-2, 24, 100, 80));
    QCOMPARE(layout.rects[1][1], QRect(96, 24, 120, 90));
    QCOMPARE(layout.thickness, 24 + 90);
}

void DockingGeometryTest::DockTarget_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("dockBarId");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("newRow");

    // Site (0,0)-(999,799); the left dock bar holds one row 200 wide, the others are empty.
    QTest::newRow("outside floats") << QPoint(-50, 300) << 0 << 0 << true;
    QTest::newRow("middle floats") << QPoint(500, 400) << 0 << 0 << true;
    QTest::newRow("over left row") << QPoint(100, 300) << AFX_IDW_DOCKBAR_LEFT << 0 << false;
    QTest::newRow("beside left row") << QPoint(210, 300) << AFX_IDW_DOCKBAR_LEFT << 1 << true;
    QTest::newRow("near top") << QPoint(500, 5) << AFX_IDW_DOCKBAR_TOP << 0 << true;
    QTest::newRow("near right") << QPoint(990, 400) << AFX_IDW_DOCKBAR_RIGHT << 0 << true;
    QTest::newRow("near bottom") << QPoint(500, 795) << AFX_IDW_DOCKBAR_BOTTOM << 0 << true;
    // The window reaches 20 pixels above the site (menus) and 25 below it (status bar).
    QTest::newRow("over the status bar") << QPoint(500, 820) << AFX_IDW_DOCKBAR_BOTTOM << 0 << true;
    QTest::newRow("over the menu bar") << QPoint(500, -10) << AFX_IDW_DOCKBAR_TOP << 0 << true;
    QTest::newRow("below the window floats") << QPoint(500, 830) << 0 << 0 << true;
}

void DockingGeometryTest::DockTarget()
{
    QFETCH(QPoint, point);
    QFETCH(int, dockBarId);
    QFETCH(int, row);
    QFETCH(bool, newRow);

    const QRect site(0, 0, 1000, 800);
    std::vector<DockGeometry::DockBarGeometry> bars {
        { AFX_IDW_DOCKBAR_TOP, QRect(0, 0, 1000, 0), {} },
        { AFX_IDW_DOCKBAR_BOTTOM, QRect(0, 800, 1000, 0), {} },
        { AFX_IDW_DOCKBAR_LEFT, QRect(0, 0, 200, 800), { { 0, 200 } } },
        { AFX_IDW_DOCKBAR_RIGHT, QRect(1000, 0, 0, 800), {} },
    };
    const QRect floatRect(point, QSize(200, 200));
    const DockGeometry::DockTarget target = DockGeometry::FindDockTarget(point, site, bars,
        QSize(200, 150), QSize(150, 200), floatRect, 16, QRect(0, -20, 1000, 845));
    QCOMPARE(target.dockBarId, dockBarId);
    if (dockBarId == 0) {
        QCOMPARE(target.outline, floatRect);
        return;
    }
    QCOMPARE(target.row, row);
    QCOMPARE(target.newRow, newRow);
    QVERIFY(!target.outline.isEmpty());
}

void DockingGeometryTest::ShrinkRowsKeepsProportions_data()
{
    QTest::addColumn<std::vector<int>>("thickness");
    QTest::addColumn<std::vector<int>>("minimum");
    QTest::addColumn<int>("limit");
    QTest::addColumn<std::vector<int>>("expected");

    QTest::newRow("in proportion to what is above the minimum")
        << std::vector { 430, 130 } << std::vector { 30, 30 } << 310 << std::vector { 230, 80 };
    QTest::newRow("rounding still meets the limit") << std::vector { 100, 100,
        100 } << std::vector { 0, 0, 0 } << 200 << std::vector { 66, 67, 67 };
    QTest::newRow("a toolbar row keeps its thickness, none below the minimum")
        << std::vector { 40, 400 } << std::vector { 40, 33 } << 10 << std::vector { 40, 33 };
}

// The rows share the loss so that the bars keep their proportions as far as their minimums let
// them.
void DockingGeometryTest::ShrinkRowsKeepsProportions()
{
    QFETCH(std::vector<int>, thickness);
    QFETCH(std::vector<int>, minimum);
    QFETCH(int, limit);
    QFETCH(std::vector<int>, expected);
    QCOMPARE(DockGeometry::ShrinkRows(thickness, minimum, limit), expected);
}

void DockingGeometryTest::FitOnScreens_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QRect>("expected");

    // Two screens side by side: 1280 × 900 and, at its right, 1024 × 768.
    QTest::newRow("below the bottom edge")
        << QRect(100, 880, 400, 300) << QRect(100, 600, 400, 300);
    QTest::newRow("across both, mostly on the second")
        << QRect(1200, -100, 400, 300) << QRect(1280, 0, 400, 300);
    QTest::newRow("off every screen goes to the nearest")
        << QRect(5000, 5000, 400, 300) << QRect(1904, 468, 400, 300);
    QTest::newRow("larger than its screen is cut to it")
        << QRect(-50, -50, 2000, 1500) << QRect(0, 0, 1280, 900);
}

// A window or floating frame always shows whole on a screen.
void DockingGeometryTest::FitOnScreens()
{
    QFETCH(QRect, rect);
    QFETCH(QRect, expected);
    const QList<QRect> screens { QRect(0, 0, 1280, 900), QRect(1280, 0, 1024, 768) };
    QCOMPARE(WindowPlacement::FitOnScreens(rect, screens), expected);
}

QTEST_GUILESS_MAIN(DockingGeometryTest)
#include "tst_dockinggeometry.moc"
