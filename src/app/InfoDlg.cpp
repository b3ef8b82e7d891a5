#include "InfoDlg.h"

#include "DialogParts.h"
#include "Prompts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QVBoxLayout>

InfoDlg::InfoDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Korvane Products"));

    auto* text = new QLabel(
        QStringLiteral("Korvane Limited makes components for software developers: data grids, "
                       "charts, tree and list controls and XML tools that drop straight into "
                       "your own applications. Click the image below to see them all."),
        this);
    text->setObjectName(QStringLiteral("text"));
    text->setWordWrap(true);

    picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setPixmap(QPixmap(QStringLiteral(":/images/products.png")));
    picture->setCursor(Qt::PointingHandCursor);
    picture->setToolTip(ProductsAddress());

    QHBoxLayout* buttons = CloseButtonRow(this, QStringLiteral("&Close"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(EtchedLine(this));
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    layout->addWidget(EtchedLine(this));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // The paragraph wraps to the width of the picture rather than stretching the dialog.
    text->setFixedWidth(picture->sizeHint().width() + 120);
}

QString InfoDlg::ProductsAddress() { return QStringLiteral("https://www.korvane.example/"); }

QRect InfoDlg::PictureRect() const
{
    return QRect(picture->mapTo(this, QPoint(0, 0)), picture->size());
}

void InfoDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && PictureRect().contains(event->position().toPoint()))
        Prompts::Instance().OpenWithDesktop(ProductsAddress());
    QDialog::mouseReleaseEvent(event);
}
