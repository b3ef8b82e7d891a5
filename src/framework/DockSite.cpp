#include "DockSite.h"

#include "AppSettings.h"
#include "ControlBar.h"
#include "DockBar.h"
#include "DockContext.h"
#include "DockIds.h"
#include "DragLine.h"
#include "MiniDockFrame.h"
#include "WindowPlacement.h"

#include <QApplication>
#include <QMainWindow>

#include <algorithm>

namespace {
// The order in which the dock bars take their space: top and bottom span the whole width.
constexpr std::array<int, 4> dockBarIds { AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM,
    AFX_IDW_DOCKBAR_LEFT, AFX_IDW_DOCKBAR_RIGHT };
}

DockSite::DockSite(QWidget* parent)
    : QWidget(parent)
    , dockContext(new DockContext(this))
{
    for (size_t i = 0; i < dockBars.size(); ++i)
        dockBars[i] = new DockBar(dockBarIds[i], this);
    dragLine = new DragLine(this);
    connect(qApp, &QApplication::focusChanged, this, [this] { UpdateBars(); });
}

DockSite::~DockSite()
{
    // Focus moves while the children go away; the bars must not be asked about it by then.
    disconnect(qApp, nullptr, this, nullptr);
    for (auto& [bar, frame] : miniFrames)
        delete frame.data();
}

DockSite* DockSite::Install(QMainWindow& frame)
{
    QWidget* view = frame.takeCentralWidget();
    auto* site = new DockSite(&frame);
    frame.setCentralWidget(site);
    if (view)
        site->SetClientWidget(view);
    return site;
}

void DockSite::SetClientWidget(QWidget* widget)
{
    client = widget;
    if (client) {
        client->setParent(this);
        client->show();
        dragLine->raise();
    }
    DelayRecalcLayout();
}

DockBar* DockSite::GetDockBar(int id) const
{
    for (DockBar* dockBar : dockBars) {
        if (dockBar->GetBarId() == id)
            return dockBar;
    }
    return nullptr;
}

void DockSite::AddControlBar(ControlBar* bar)
{
    if (bars.contains(bar))
        return;
    bars.append(bar);
    bar->SetDockSite(this);
    if (!bar->parentWidget())
        bar->setParent(this);
}

QWidget* DockSite::GetControlBar(int id) const
{
    for (ControlBar* bar : bars) {
        if (bar->GetBarId() == id)
            return bar;
    }
    return GetDockBar(id);
}

MiniDockFrame* DockSite::GetMiniFrame(const ControlBar* bar) const
{
    const auto found = miniFrames.find(bar);
    return found == miniFrames.end() ? nullptr : found->second.data();
}

void DockSite::Detach(ControlBar* bar)
{
    if (DockBar* dockBar = bar->GetDockBar())
        dockBar->RemoveBar(bar);
}

void DockSite::DockControlBar(ControlBar* bar, int dockBarId, int row, bool newRow)
{
    DockBar* dockBar = GetDockBar(dockBarId);
    if (!dockBar)
        return;
    AddControlBar(bar);
    const bool hidden = bar->isHidden();
    MiniDockFrame* frame = GetMiniFrame(bar);
    Detach(bar);
    dockBar->InsertBar(bar, row < 0 ? int(dockBar->Rows().size()) : row, newRow || row < 0);
    bar->setParent(dockBar);
    bar->setVisible(!hidden);
    RememberDockedPlace(bar);
    if (frame) {
        miniFrames.erase(bar);
        frame->deleteLater();
    }
    RecalcLayout();
}

void DockSite::FloatControlBar(ControlBar* bar, const QPoint& pos)
{
    AddControlBar(bar);
    const bool hidden = bar->isHidden();
    RememberDockedPlace(bar);
    MiniDockFrame* frame = GetMiniFrame(bar);
    if (!frame) {
        Detach(bar);
        frame = new MiniDockFrame(this, bar);
        miniFrames[bar] = frame;
    }
    bar->setVisible(!hidden);
    frame->RecalcLayout();
    // A frame dropped near the bottom of the screen, or restored on a screen that is gone,
    // would show little more than its title, or nothing at all.
    const QRect placed = WindowPlacement::FitOnScreens(
        QRect(pos, frame->size()), WindowPlacement::AvailableScreens());
    frame->move(placed.topLeft());
    lastFloatPos[bar] = placed.topLeft();
    frame->setVisible(!hidden);
    RecalcLayout();
}

void DockSite::RememberDockedPlace(const ControlBar* bar)
{
    const DockBar* dockBar = bar->GetDockBar();
    if (!dockBar || dockBar->IsFloating())
        return;
    const std::vector<std::vector<ControlBar*>> rows = dockBar->Rows();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (std::find(rows[row].begin(), rows[row].end(), bar) != rows[row].end()) {
            lastDocked[bar] = { dockBar->GetBarId(), int(row), rows[row].size() == 1 };
            return;
        }
    }
}

void DockSite::ToggleDocking(ControlBar* bar)
{
    if (bar->IsFloating()) {
        // Back to the row it came from: into a row of its own where it had one, else into the
        // row it shared, as long as the dock bar still has that many rows.
        if (const MiniDockFrame* frame = GetMiniFrame(bar))
            lastFloatPos[bar] = frame->pos();
        const auto last = lastDocked.find(bar);
        if (last == lastDocked.end()) {
            DockControlBar(bar, AFX_IDW_DOCKBAR_LEFT);
            return;
        }
        const DockedPlace place = last->second;
        const DockBar* dockBar = GetDockBar(place.dockBarId);
        const int rows = dockBar ? int(dockBar->Rows().size()) : 0;
        if (place.row < 0 || place.row > rows || (!place.alone && place.row == rows))
            DockControlBar(bar, place.dockBarId);
        else
            DockControlBar(bar, place.dockBarId, place.row, place.alone);
    } else {
        const auto last = lastFloatPos.find(bar);
        FloatControlBar(
            bar, last == lastFloatPos.end() ? bar->mapToGlobal(QPoint(0, 0)) : last->second);
    }
}

void DockSite::ShowControlBar(ControlBar* bar, bool show, bool delay)
{
    if (delay) {
        bar->SetPendingShow(show ? 1 : 0);
        DelayRecalcLayout();
        return;
    }
    bar->SetPendingShow(-1);
    const bool wasHidden = bar->isHidden();
    bar->setVisible(show);
    if (MiniDockFrame* frame = GetMiniFrame(bar))
        frame->setVisible(show);
    if (show && wasHidden)
        bar->OnShown();
    RecalcLayout();
}

void DockSite::RecalcLayout()
{
    if (inLayout)
        return;
    inLayout = true;
    recalcPending = false;
    for (ControlBar* bar : bars) {
        if (bar->PendingShow() >= 0) {
            const bool show = bar->PendingShow() == 1;
            const bool wasHidden = bar->isHidden();
            bar->SetPendingShow(-1);
            bar->setVisible(show);
            if (MiniDockFrame* frame = GetMiniFrame(bar))
                frame->setVisible(show);
            if (show && wasHidden)
                bar->OnShown();
        }
    }
    const QRect area = rect();
    int top = dockBars[0]->CalcLayout(area.width());
    int bottom = dockBars[1]->CalcLayout(area.width());
    KeepClientRoom(dockBars[0], dockBars[1], area.height(), minClientSize.height(), top, bottom);
    const int side = std::max(0, area.height() - top - bottom);
    int left = dockBars[2]->CalcLayout(side);
    int right = dockBars[3]->CalcLayout(side);
    KeepClientRoom(dockBars[2], dockBars[3], area.width(), minClientSize.width(), left, right);
    const DockGeometry::DockSiteLayout layout
        = DockGeometry::LayoutDockSite(area, top, left, right, bottom);
    dockBars[0]->setGeometry(layout.top);
    dockBars[1]->setGeometry(layout.bottom);
    dockBars[2]->setGeometry(layout.left);
    dockBars[3]->setGeometry(layout.right);
    for (DockBar* dockBar : dockBars)
        dockBar->ApplyLayout();
    if (client)
        client->setGeometry(layout.client);
    RecalcFloating();
    inLayout = false;
}

void DockSite::KeepClientRoom(DockBar* first, DockBar* second, int space, int minimum,
    int& firstThickness, int& secondThickness)
{
    if (minimum <= 0 || firstThickness + secondThickness <= space - minimum)
        return;
    std::vector<int> thickness = first->RowThicknesses();
    std::vector<int> minimums = first->RowMinimums();
    const size_t firstRows = thickness.size();
    for (int value : second->RowThicknesses())
        thickness.push_back(value);
    for (int value : second->RowMinimums())
        minimums.push_back(value);
    const std::vector<int> thinned = DockGeometry::ShrinkRows(thickness, minimums, space - minimum);
    firstThickness
        = first->ThinRows(std::vector<int>(thinned.begin(), thinned.begin() + long(firstRows)));
    secondThickness
        = second->ThinRows(std::vector<int>(thinned.begin() + long(firstRows), thinned.end()));
}

void DockSite::RecalcFloating()
{
    for (auto& [bar, frame] : miniFrames) {
        if (frame)
            frame->RecalcLayout();
    }
}

void DockSite::DelayRecalcLayout()
{
    if (recalcPending)
        return;
    recalcPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (recalcPending)
                RecalcLayout();
        },
        Qt::QueuedConnection);
}

QRect DockSite::QueryClientRect()
{
    if (recalcPending)
        RecalcLayout();
    return client ? client->geometry() : QRect();
}

void DockSite::resizeEvent(QResizeEvent*) { RecalcLayout(); }

void DockSite::StartDockingDrag(ControlBar* bar, const QPoint& globalPos)
{
    dockContext->StartDrag(bar, globalPos);
}

void DockSite::SetDragLine(const QRect& globalRect)
{
    if (globalRect.isEmpty()) {
        dragLine->hide();
        return;
    }
    dragLine->setGeometry(QRect(mapFromGlobal(globalRect.topLeft()), globalRect.size()));
    dragLine->raise();
    dragLine->show();
}

bool DockSite::IsDragLineVisible() const { return !dragLine->isHidden(); }

void DockSite::UpdateBars()
{
    for (ControlBar* bar : bars)
        bar->OnUpdateCmdUI();
}

BarState DockSite::GetBarState() const
{
    BarState state;
    for (ControlBar* bar : bars) {
        BarState::BarRecord record;
        record.barId = bar->GetBarId();
        record.visible = bar->IsVisibleBar();
        record.floating = bar->IsFloating();
        if (const MiniDockFrame* frame = GetMiniFrame(bar))
            record.floatPos = frame->pos();
        state.records.push_back(record);
    }
    for (DockBar* dockBar : dockBars) {
        BarState::BarRecord record;
        record.barId = dockBar->GetBarId();
        for (ControlBar* bar : dockBar->GetBars())
            record.bars.push_back(bar ? bar->GetBarId() : 0);
        state.records.push_back(record);
    }
    for (const auto& [bar, frame] : miniFrames) {
        if (!frame)
            continue;
        BarState::BarRecord record;
        record.barId = AFX_IDW_DOCKBAR_FLOAT;
        record.floating = true;
        record.floatPos = frame->pos();
        record.bars = { 0, bar->GetBarId(), 0 };
        state.records.push_back(record);
    }
    return state;
}

void DockSite::SetBarState(const BarState& state)
{
    const auto findBar = [this](int id) {
        for (ControlBar* bar : bars) {
            if (bar->GetBarId() == (id & 0xFFFF))
                return bar;
        }
        return static_cast<ControlBar*>(nullptr);
    };
    for (const BarState::BarRecord& record : state.records) {
        DockBar* dockBar = GetDockBar(record.barId);
        if (!dockBar)
            continue;
        QList<ControlBar*> list;
        for (int id : record.bars) {
            ControlBar* bar = id ? findBar(id) : nullptr;
            if (id && !bar)
                continue;
            if (bar) {
                if (MiniDockFrame* frame = GetMiniFrame(bar)) {
                    miniFrames.erase(bar);
                    bar->setParent(this);
                    frame->deleteLater();
                }
                Detach(bar);
                const bool hidden = bar->isHidden();
                bar->setParent(dockBar);
                bar->setVisible(!hidden);
            }
            list.append(bar);
        }
        dockBar->SetBars(list);
        for (const ControlBar* bar : list) {
            if (bar)
                RememberDockedPlace(bar);
        }
    }
    for (const BarState::BarRecord& record : state.records) {
        ControlBar* bar = findBar(record.barId);
        if (!bar)
            continue;
        bar->setVisible(record.visible);
        if (record.floating)
            FloatControlBar(bar, record.floatPos);
    }
    RecalcLayout();
}

bool DockSite::VerifyBarState(AppSettings& settings, const QString& section) const
{
    BarState state;
    if (!state.Load(settings, section))
        return false;
    return state.Verify([this](int id) { return GetControlBar(id) != nullptr; });
}

void DockSite::LoadBarState(AppSettings& settings, const QString& section)
{
    BarState state;
    if (state.Load(settings, section))
        SetBarState(state);
}

void DockSite::SaveBarState(AppSettings& settings, const QString& section) const
{
    GetBarState().Save(settings, section);
}
