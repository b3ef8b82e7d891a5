#pragma once

#include "View.h"

#include <QPlainTextEdit>

// A read-only summary of the open document (its root element and how many children it has)
// that fills the main window until the tree view takes its place; it also reports the load time.
class PlainView : public QPlainTextEdit, public View {
    Q_OBJECT

public:
    explicit PlainView(QWidget* parent = nullptr);

    void OnInitialUpdate() override;
    void OnUpdate(View* sender, long hint) override;

    // The summary of the view's document.
    QString Summary() const;
};
