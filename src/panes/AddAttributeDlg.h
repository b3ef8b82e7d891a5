#pragma once

#include "ResizableDialog.h"

class QLineEdit;

// Asks for the name and value of a new attribute; neither is checked here.
class AddAttributeDlg : public ResizableDialog {
    Q_OBJECT

public:
    explicit AddAttributeDlg(QWidget* parent = nullptr);

    QString GetName() const;
    QString GetValue() const;
    QLineEdit* GetNameEdit() const { return nameEdit; }
    QLineEdit* GetValueEdit() const { return valueEdit; }

private:
    QLineEdit* nameEdit = nullptr;
    QLineEdit* valueEdit = nullptr;
};
