#include "EmptyPane.h"

EmptyPane::EmptyPane(QWidget* parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}
