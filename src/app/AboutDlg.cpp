#include "AboutDlg.h"

#include "DialogParts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

AboutDlg::AboutDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Trelvo"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setPixmap(QPixmap(QStringLiteral(":/images/about.png")));

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    auto* version = new QLabel(VersionText(), panel);
    version->setObjectName(QStringLiteral("version"));
    version->setAlignment(Qt::AlignCenter);
    auto* notice = new QLabel(QStringLiteral("Copyright \u00a9 Korvane Limited.\nAll rights "
                                             "reserved."),
        panel);
    notice->setObjectName(QStringLiteral("notice"));
    notice->setAlignment(Qt::AlignCenter);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(version);
    panelLayout->addWidget(EtchedLine(panel));
    panelLayout->addWidget(notice);
    panelLayout->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addWidget(panel, 1, Qt::AlignTop);

    QHBoxLayout* buttons = CloseButtonRow(this, QStringLiteral("Close"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(EtchedLine(this));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString AboutDlg::VersionText() { return QStringLiteral("Trelvo Version 3.1.1"); }
