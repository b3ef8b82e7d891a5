#include "CViewBar.h"

#include <QEvent>

CViewBar::CViewBar(QWidget* parent)
    : CSizingControlBarCF(parent)
{
}

bool CViewBar::CreateWithView(
    DockSite* site, const ViewFactory& makeView, const QString& title, int id)
{
    if (!CreateBar(title, site, id) || !makeView)
        return false;
    innerFrame = new QWidget(this);
    view = makeView(innerFrame);
    if (!view)
        return false;
    // The view fills the inner frame whatever its own size policy says, so a layout is not used.
    innerFrame->installEventFilter(this);
    innerFrame->setGeometry(ClientRect());
    view->setGeometry(innerFrame->rect());
    return true;
}

void CViewBar::OnClientRectChanged(const QRect& client)
{
    if (innerFrame)
        innerFrame->setGeometry(client);
}

bool CViewBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == innerFrame && event->type() == QEvent::Resize && view)
        view->setGeometry(innerFrame->rect());
    return CSizingControlBarCF::eventFilter(watched, event);
}
