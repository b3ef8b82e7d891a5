#include "ResizableDialog.h"

ResizableDialog::ResizableDialog(QWidget* parent)
    : QDialog(parent)
{
}

bool ResizableDialog::OnInitDialog()
{
    layoutReady = true;
    ArrangeControls();
    return true;
}

QWidget* ResizableDialog::GetLayoutWindow() const { return const_cast<ResizableDialog*>(this); }

void ResizableDialog::showEvent(QShowEvent* event)
{
    if (!initialised) {
        initialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void ResizableDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (layoutReady)
        ArrangeControls();
}
