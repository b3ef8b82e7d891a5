#pragma once

#include "ResizableLayout.h"

#include <QDialog>

// A dialog whose anchored controls follow its size once it has been initialised.
class ResizableDialog : public QDialog, public ResizableLayout {
    Q_OBJECT

public:
    explicit ResizableDialog(QWidget* parent = nullptr);

    bool IsLayoutReady() const { return layoutReady; }

protected:
    // Runs once, just before the dialog is first shown; the dialog already has its template
    // size there. Derived dialogs call the base first and then anchor their controls.
    virtual bool OnInitDialog();

    QWidget* GetLayoutWindow() const override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool initialised = false;
    bool layoutReady = false;
};
