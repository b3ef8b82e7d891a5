#pragma once

#include <QDialog>

class QLineEdit;

// Asks for a one-line value, such as an element's name; Enter is OK.
class SInsertItemDlg : public QDialog {
    Q_OBJECT

public:
    explicit SInsertItemDlg(const QString& title, QWidget* parent = nullptr);

    QString GetValue() const;
    QLineEdit* GetValueEdit() const { return edit; }

private:
    QLineEdit* edit = nullptr;
};
