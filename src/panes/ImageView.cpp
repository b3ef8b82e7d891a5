#include "ImageView.h"

#include "Base64.h"
#include "ImageGeometry.h"
#include "ImageViewIds.h"
#include "Prompts.h"
#include "TrelvoDoc.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

ImageView* g_pImageView = nullptr;

ImageView::ImageView(QWidget* parent)
    : ResizableFormView(parent)
    , hBar(new QScrollBar(Qt::Horizontal, GetForm()))
    , vBar(new QScrollBar(Qt::Vertical, GetForm()))
{
    SetDesignSize(QSize(0, 0));
    // The paint handler covers the whole form, so there is nothing to erase first.
    GetForm()->setAttribute(Qt::WA_OpaquePaintEvent);
    hBar->hide();
    vBar->hide();
    for (QScrollBar* bar : { hBar, vBar }) {
        bar->setSingleStep(1);
        connect(bar, &QScrollBar::valueChanged, this, [this] { GetForm()->update(); });
    }
    connect(hBar, &QScrollBar::actionTriggered, this,
        [this](int action) { OnScrollAction(hBar, action, picture.width()); });
    connect(vBar, &QScrollBar::actionTriggered, this,
        [this](int action) { OnScrollAction(vBar, action, picture.height()); });

    const struct {
        int id;
        int scale;
    } commands[] = { { ID_SCALE_REALSIZE, ScaleRealSize }, { ID_SCALE_FIT, ScaleFit },
        { ID_SCALE_STRETCH, ScaleStretch } };
    for (const auto& command : commands) {
        const int scale = command.scale;
        AddCommand(command.id, [this, scale] { SetScale(scale); });
        AddUpdateCommand(command.id,
            [this, scale](CommandState& state) { state.checked = ImageScale() == scale; });
    }
    g_pImageView = this;
}

ImageView::~ImageView()
{
    if (g_pImageView == this)
        g_pImageView = nullptr;
}

TrelvoDoc* ImageView::Doc() const { return dynamic_cast<TrelvoDoc*>(GetDocument()); }

void ImageView::RefreshImage()
{
    if (!isVisible())
        return;
    const TrelvoDoc* doc = Doc();
    if (!doc || !doc->SelectedNode)
        return;
    LoadPictureFromText(doc->SelectedNode.nodeValue().value_or(QString()));
    UpdateScrollBars();
    GetForm()->update();
}

void ImageView::LoadPictureFromText(const QString& text)
{
    picture = QImage();
    picture = ::LoadPictureFromText(text);
}

void ImageView::UpdateScrollBars()
{
    if (picture.isNull()) {
        hBar->hide();
        vBar->hide();
        return;
    }
    // The room left by the bars already shown, less room for both bars: once shown, the bars
    // stay until the picture fits well inside.
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const QSize available = ClientRect().size() - QSize(extent, extent);
    const QSize size = picture.size();
    if (!NeedsScrollBars(size, available, ImageScale())) {
        hBar->hide();
        vBar->hide();
        return;
    }
    // setRange limits the position to the new range.
    hBar->setPageStep(std::max(1, available.width()));
    hBar->setRange(0, ScrollLimit(size.width(), available.width()));
    vBar->setPageStep(std::max(1, available.height()));
    vBar->setRange(0, ScrollLimit(size.height(), available.height()));
    PlaceScrollBars();
    hBar->show();
    vBar->show();
}

void ImageView::PlaceScrollBars()
{
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const QSize size = GetForm()->size();
    hBar->setGeometry(0, size.height() - extent, std::max(0, size.width() - extent), extent);
    vBar->setGeometry(size.width() - extent, 0, extent, std::max(0, size.height() - extent));
}

void ImageView::OnScrollAction(QScrollBar* bar, int action, int extent)
{
    ScrollRequest request = ScrollRequest::Done;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        request = ScrollRequest::LineBack;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        request = ScrollRequest::LineForward;
        break;
    case QAbstractSlider::SliderPageStepSub:
        request = ScrollRequest::PageBack;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        request = ScrollRequest::PageForward;
        break;
    case QAbstractSlider::SliderMove:
        request = ScrollRequest::Thumb;
        break;
    case QAbstractSlider::SliderToMinimum:
        request = ScrollRequest::Start;
        break;
    case QAbstractSlider::SliderToMaximum:
        request = ScrollRequest::End;
        break;
    default:
        return;
    }
    // The slider has moved by its own rules already; the pane's rules decide where it ends.
    bar->setSliderPosition(
        ScrollTo(request, bar->value(), extent, bar->pageStep(), bar->sliderPosition()));
}

void ImageView::SetScale(int scale)
{
    settings->ImageScale = scale;
    UpdateScrollBars();
    GetForm()->update();
}

QRect ImageView::ClientRect() const
{
    QRect client = GetForm()->rect();
    if (vBar->isVisibleTo(GetForm()))
        client.setRight(client.right() - vBar->width());
    if (hBar->isVisibleTo(GetForm()))
        client.setBottom(client.bottom() - hBar->height());
    return client;
}

QRect ImageView::DrawnRect() const
{
    if (picture.isNull() || picture.width() == 0 || picture.height() == 0)
        return QRect();
    QRect rect = PictureRect(picture.size(), ClientRect(), ImageScale());
    // A hidden bar contributes no offset.
    rect.translate(hBar->isVisibleTo(GetForm()) ? -hBar->value() : 0,
        vBar->isVisibleTo(GetForm()) ? -vBar->value() : 0);
    return rect;
}

void ImageView::ShowContextMenu(const QPoint& globalPos)
{
    QMenu menu(this);
    const struct {
        int id;
        const char16_t* text;
    } items[] = { { ID_SCALE_REALSIZE, u"&Real Size" }, { ID_SCALE_FIT, u"&Fit" },
        { ID_SCALE_STRETCH, u"&Stretch" } };
    for (const auto& item : items) {
        QAction* action = menu.addAction(QString::fromUtf16(item.text));
        action->setData(item.id);
        CommandState state;
        OnUpdateCommand(item.id, state);
        action->setCheckable(true);
        action->setChecked(state.checked.value_or(false));
    }
    if (const int id = Prompts::Instance().TrackPopupMenu(menu, globalPos); id != 0)
        OnCommand(id);
}

bool ImageView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == GetForm()) {
        switch (event->type()) {
        case QEvent::Paint:
            Paint();
            return true;
        case QEvent::Resize:
            PlaceScrollBars();
            UpdateScrollBars();
            GetForm()->update();
            break;
        case QEvent::ContextMenu:
            ShowContextMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        default:
            break;
        }
    }
    return ResizableFormView::eventFilter(watched, event);
}

void ImageView::Paint()
{
    QWidget* form = GetForm();
    const QRect client = ClientRect();
    QPainter painter(form);
    painter.fillRect(form->rect(), form->palette().color(QPalette::Base));
    if (picture.isNull()) {
        const QString family = QStringLiteral("MS Sans Serif");
        QFont font = QFontDatabase::families().contains(family) ? QFont(family) : form->font();
        font.setPointSize(10);
        painter.setFont(font);
        // The text colour of the palette, which goes with the base colour filled above.
        painter.setPen(form->palette().color(QPalette::Text));
        painter.drawText(
            client, Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("No preview"));
        return;
    }
    const QRect target = DrawnRect();
    if (target.isEmpty())
        return;
    painter.setClipRect(client);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture);
}
