#pragma once

#include <QFrame>

// A sunken horizontal line, the dialogs' separator.
inline QFrame* EtchedLine(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}
