#pragma once

#include "CSizingControlBarCF.h"

#include <functional>

// A captioned sizing bar that hosts a view: an inner frame fills the client area and the view
// fills the inner frame.
class CViewBar : public CSizingControlBarCF {
    Q_OBJECT

public:
    // Makes the view with the inner frame as its parent.
    using ViewFactory = std::function<QWidget*(QWidget* innerFrame)>;

    explicit CViewBar(QWidget* parent = nullptr);

    // Creates the bar and its view; false when either cannot be made.
    virtual bool CreateWithView(
        DockSite* site, const ViewFactory& makeView, const QString& title, int id);

    QWidget* GetInnerFrame() const { return innerFrame; }
    QWidget* GetView() const { return view; }

protected:
    void OnClientRectChanged(const QRect& client) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* innerFrame = nullptr;
    QWidget* view = nullptr;
};
