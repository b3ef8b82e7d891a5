#pragma once

#include "ResizableLayout.h"
#include "View.h"

#include <QScrollArea>

// A scrollable form view: its controls live on a form of a design size and stay anchored to it.
// A view smaller than the design size scrolls instead of squeezing the controls; a design size
// of 0 × 0 makes the form fill the view, which then never scrolls.
class ResizableFormView : public QScrollArea, public View, public ResizableLayout {
    Q_OBJECT

public:
    explicit ResizableFormView(QWidget* parent = nullptr);

    // The parent of the form's controls.
    QWidget* GetForm() const { return form; }
    void SetDesignSize(QSize size);
    QSize GetDesignSize() const { return designSize; }
    bool IsLayoutReady() const { return layoutReady; }

    void OnInitialUpdate() override;

protected:
    QRect GetLayoutArea() const override;
    QWidget* GetLayoutWindow() const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* form = nullptr;
    QSize designSize { 0, 0 };
    bool layoutReady = false;
};
