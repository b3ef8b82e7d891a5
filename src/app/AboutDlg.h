#pragma once

#include <QDialog>

// The About box: the program's picture, name and version, and the maker's notice.
class AboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit AboutDlg(QWidget* parent = nullptr);

    static QString VersionText();
};
