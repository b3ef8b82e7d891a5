#include "ResizableFormView.h"

#include <QEvent>

ResizableFormView::ResizableFormView(QWidget* parent)
    : QScrollArea(parent)
    , form(new QWidget)
{
    setFrameShape(QFrame::NoFrame);
    // The scroll area sizes the form to the viewport but never below its minimum size, which is
    // the design size; anything smaller scrolls.
    setWidgetResizable(true);
    setWidget(form);
    form->installEventFilter(this);
}

void ResizableFormView::SetDesignSize(QSize size)
{
    designSize = size;
    form->setMinimumSize(size);
}

void ResizableFormView::OnInitialUpdate()
{
    View::OnInitialUpdate();
    layoutReady = true;
    ArrangeControls();
}

QRect ResizableFormView::GetLayoutArea() const
{
    if (!layoutReady)
        return QRect(QPoint(0, 0), designSize);
    return QRect(QPoint(0, 0), viewport()->size().expandedTo(designSize));
}

QWidget* ResizableFormView::GetLayoutWindow() const { return form; }

bool ResizableFormView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == form && event->type() == QEvent::Resize && layoutReady)
        ArrangeControls();
    return QScrollArea::eventFilter(watched, event);
}
