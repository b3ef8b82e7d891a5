#pragma once

#include "View.h"

#include <QWidget>

// A view of the document that shows nothing: it holds a docking bar's place until the bar's
// real pane exists.
class EmptyPane : public QWidget, public View {
    Q_OBJECT

public:
    explicit EmptyPane(QWidget* parent = nullptr);
};
