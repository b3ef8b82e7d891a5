#pragma once

#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>

// A sunken horizontal line, the dialogs' separator.
inline QFrame* EtchedLine(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// The row at the foot of a dialog: its default button, named "close", on the right; it accepts
// the dialog.
inline QHBoxLayout* CloseButtonRow(QDialog* dialog, const QString& text)
{
    auto* close = new QPushButton(text, dialog);
    close->setObjectName(QStringLiteral("close"));
    close->setDefault(true);
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(close);
    return row;
}
